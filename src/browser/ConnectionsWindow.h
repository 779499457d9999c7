#pragma once

#include "browser/ConnectionRows.h"
#include "browser/ConnectionsModel.h"

#include <QDialog>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QToolButton;

namespace netrova {

class Clock;
class HelpViewer;
class UniformRowsView;

// "Connections": the history as a list, by month, by day or whole, with its sums. A new
// instance for every opening; the sort state outlives it for the program run.
class TForm7 : public QDialog {
    Q_OBJECT
public:
    TForm7(const std::string& programPath, Clock& clock, HelpViewer& help,
           SortState& sort = BrowserSort(), QWidget* parent = nullptr);
    ~TForm7() override;

    // Creates, runs modally and destroys the window.
    static int Execute(const std::string& programPath, Clock& clock, HelpViewer& help,
                       QWidget* parent);

    // Activation: the same as a click on "All days". The first showing runs it (queued, so
    // that the window is drawn first); tests call it directly.
    void FormActivate();
    // A view button.
    void ViewClick(BrowserView view);
    void ClearTable();
    // Loads the view's rows. The window is drawn and stays responsive while a long history
    // loads; a view change or a close during the load abandons it.
    void FillTable(BrowserView view);
    void TableColumnClick(int column);
    void HelpClick();

    BrowserView View() const { return view_; }
    bool Loading() const { return loading_; }
    const ConnectionsModel& Model() const { return *model_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildControls();
    void ShowFigures();
    void ShowSortLabels(const SortState& sort);
    // Sorts the rows with the window responsive; false when a view change or a close took
    // over meanwhile.
    bool SortRows(const SortState& sort);
    void RunPendingClicks();
    // While loading or sorting, header clicks wait and the empty list says nothing.
    void SetLoading(bool loading);
    // Columns wide enough for their captions and their widest texts at the current font; after
    // a load they only grow, so that a column the user widened stays so.
    void FitColumns(bool growOnly = false);

    const std::string& programPath_;
    Clock& clock_;
    HelpViewer& help_;
    SortState& sort_;

    ConnectionsModel* model_ = nullptr;
    Figures figures_;
    BrowserView view_ = BrowserView::AllDays;
    bool activated_ = false;
    bool loading_ = false;
    std::uint64_t generation_ = 0;    // a fill in progress stops when this moves on
    std::vector<int> pendingClicks_;  // header clicks during a load, sorted after it
    std::optional<SortState> sorted_; // the sort the labels show, kept through view changes

    // The view buttons: the one in force is pressed, with the marker.
    QToolButton* ThisMonth = nullptr;
    QToolButton* ThisDay = nullptr;
    QToolButton* AllDays = nullptr;
    UniformRowsView* Table = nullptr;
    QLabel* TotalFee = nullptr;
    QLabel* AverageTime = nullptr;
    QLabel* AverageCost = nullptr;
    QLabel* Volume = nullptr;
    QLabel* SortedBy = nullptr;
    QLabel* Direction = nullptr;
    QLabel* Image1 = nullptr; // the arrow down
    QLabel* Image2 = nullptr; // the arrow up
};

} // namespace netrova
