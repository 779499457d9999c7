#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace netrova {

class TextViewer;

// "Open report": lists the reports and opens the chosen one in the text viewer. Created once
// and shown again at each opening; the reports folder is made ready on creation and at every
// showing.
class TForm10 : public QDialog {
    Q_OBJECT
public:
    // programPath is asked at each showing: the monitor may learn it later.
    TForm10(TextViewer& viewer, std::function<std::string()> programPath,
            QWidget* parent = nullptr);
    ~TForm10() override;

    // Creates the reports folder when missing and lists its reports anew.
    void PrepareDialog();
    // "Open", Enter and a double click: opens the selected report, or says that no viewer could
    // be started; the dialog stays open.
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    // As wide as the longest name, within the screen; the window widens once shown again.
    void FitNames();

    TextViewer& viewer_;
    std::function<std::string()> programPath_;

    // The "*.rpt" files of the reports folder in date order, none selected at first; "No reports"
    // when there are none.
    QListWidget* FileListBox1 = nullptr;
    QPushButton* OpenButton = nullptr; // the default, enabled only with a report selected
    QPushButton* CancelButton = nullptr;
    QLabel* Problem = nullptr;
};

} // namespace netrova
