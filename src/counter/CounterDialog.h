#pragma once

#include "counter/Counter.h"
#include "platform/DialogSupport.h"

#include <QDialog>

class QCheckBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace netrova {

class HelpViewer;

// "Counter": the reset policy and the report switch, and resets and reports on demand.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    TForm6(Monitor& monitor, SettingsStore& store, Clock& clock, MessageBoxes& boxes,
           HelpViewer& help, QWidget* parent = nullptr, ReportRunner* reports = nullptr);
    ~TForm6() override;

    // Runs the dialog modally. A store error of its handlers is thrown from here after the
    // dialog has closed.
    int Execute();

    // Loads the controls from the store; every showing runs it, tests call it directly.
    void FormActivate();

    // Handlers.
    void ResetNowClick();
    void CreateReportClick();
    void BitBtn1Click(); // OK
    void HelpClick();

    DialogErrors& Errors() { return errors_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    int ReportChecked() const;

    HelpViewer& help_;
    Counter counter_;
    DialogErrors errors_;

    QTabWidget* Pages = nullptr;
    // Reset policies 1..4, named PolicyButton1..PolicyButton4.
    QRadioButton* PolicyButtons[4] = {};
    QCheckBox* ReportEnabled = nullptr;
    QPushButton* ResetNowButton = nullptr;
    QPushButton* CreateReportButton = nullptr;
};

} // namespace netrova
