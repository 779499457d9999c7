#pragma once

#include "history/HistoryModels.h"
#include "platform/DialogSupport.h"

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;

namespace netrova {

class HelpViewer;
class SettingsStore;

// "Statistics": crash recoveries, the crash rate per connection hour and the per-user sums of
// the history. Created once and shown again at each opening; filled on each showing and emptied
// on close.
//
// Controls (objectName = control name):
//   TotalCrashes, CrashRate   the crash figures' values
//   Users                     the user list
//   BitBtn1 "OK"     BitBtn2 "&Help"
class TForm9 : public QDialog {
    Q_OBJECT
public:
    // programPath and allTime are the monitor's own members, read at each showing: allTime is
    // the counter's connection time including a connection in progress.
    TForm9(SettingsStore& store, HelpViewer& help, const std::string& programPath,
           const int& allTime, TSortState& sort = UsersSort(), QWidget* parent = nullptr);
    ~TForm9() override;

    // Runs the window modally. A store error of its handlers is thrown from here after the
    // window has closed.
    int ShowModal();

    // Fills the window; each showing runs it once (queued, so that the window is drawn first).
    void FormActivate();
    void UsersColumnClick(int column);
    void BitBtn2Click(); // help

    bool Loading() const { return loading_; }
    const TUsersModel& Model() const { return *model_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();

    SettingsStore& store_;
    HelpViewer& help_;
    const std::string& programPath_;
    const int& allTime_;
    TSortState& sort_;
    DialogErrors errors_;

    TUsersModel* model_ = nullptr;
    bool loading_ = false;
    std::uint64_t generation_ = 0;   // a fill in progress stops when this moves on
    std::vector<int> pendingClicks_; // header clicks during a load

    QLabel* TotalCrashes = nullptr;
    QLabel* CrashRate = nullptr;
    QTableView* Users = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
};

} // namespace netrova
