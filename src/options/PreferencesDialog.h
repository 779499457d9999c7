#pragma once

#include "platform/DialogSupport.h"

#include <QDialog>

#include <string>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace netrova {

class Autostart;
class FileChooser;
class HelpViewer;
class MessageBoxes;
class SettingsStore;
class TrayControl;

// "Preferences": start-up, task bar, the programs launched on connect, the connect delay with
// the connection source, and anti-crash. One instance for the program's life, loaded from the
// store at every showing. Its size comes from its contents and the font.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    // The tabs in order; each page widget is named as here.
    enum Page { StartupPage = 0, TaskbarPage, ExecPage, ConnectionPage, AntiCrashPage };

    // `program` is what autostart starts: the running program's absolute path when empty.
    TForm2(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, FileChooser& chooser,
           Autostart& autostart, TrayControl& tray, std::string program = {},
           QWidget* parent = nullptr);
    ~TForm2() override;

    // Shows the dialog modally on `page`, or for -1 on the page shown last ("Startup" the first
    // time). A store error of its handlers is thrown from here after the dialog has closed.
    int Execute(int page = -1);

    // Loads the controls from the store; queued at every showing, tests call it directly.
    void FormActivate();
    void ReloadPrograms();

    // Handlers.
    void AddClick();
    void BitBtn1Click(); // OK
    void HelpClick();
    void ConnectDelayChange();
    void ProgramsChange();

    DialogErrors& Errors() { return errors_; }
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();

    SettingsStore& store_;
    MessageBoxes& boxes_;
    HelpViewer& help_;
    FileChooser& chooser_;
    Autostart& autostart_;
    TrayControl& tray_;
    std::string program_;
    DialogErrors errors_;

    QTabWidget* Pages = nullptr;
    QCheckBox* AutostartBox = nullptr;
    QCheckBox* LogoBox = nullptr;
    QCheckBox* MinimizeBox = nullptr;
    QCheckBox* TrayBox = nullptr;
    QCheckBox* AntiCrashBox = nullptr;
    QPlainTextEdit* Programs = nullptr;
    QPushButton* AddButton = nullptr;
    QLabel* ProgramCount = nullptr;
    QLineEdit* ConnectDelay = nullptr;
    // The choices by DialUpSource: Automatic, NetworkManager, pppd, Manual.
    QButtonGroup* Sources = nullptr;
    // Shown while NETROVA_DIALUP decides instead of the choice.
    QLabel* SourceOverride = nullptr;
};

} // namespace netrova
