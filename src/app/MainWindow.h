#pragma once

#include "monitor/Monitor.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace netrova {

class DialUpService;
class ProgramLauncher;
class Sounds;

// The application title: the first text of the task-bar entry, before the first tick
// replaces it with the status text.
inline constexpr const char* kApplicationTitle = "Netrova v1.2";

// The main window. It owns the monitor and the dial-up service for the life of the process and
// shows what the monitor's tick reports. Its creation runs the whole start-up.
//
// Controls by name: Label1 the heading; GroupBox1 the connection group with the captions
// Label2..Label5 ("Con. time :", "Current fee :", "User :", "Provider :") and their values
// Label6..Label9; Image1 / Image2 the "Connected" / "Not connected" pictures; GroupBox2
// "History" with Label10 "General fee :" and its value Label11; BitBtn1 "Hi&de", BitBtn2
// "E&xit"; the menus File1, Options1 and Help1 with the items Hide1, Exit2, Providers1,
// Tariffs1 and Help2; Timer1 the monitor timer.
class TForm1 : public QMainWindow, public MonitorView {
    Q_OBJECT
public:
    // The seams come from outside so that tests can run the start-up with doubles.
    TForm1(SettingsStore& store, Clock& clock, MessageBoxes& boxes, HelpViewer& help,
           QWidget* parent = nullptr);
    ~TForm1() override;

    TMonitor& Monitor() { return monitor_; }
    // The status text of the last tick (the task-bar text and the window's hint).
    const QString& StatusText() const { return statusText_; }

    // Handlers.
    void FormCreate();
    void FormActivate();
    // Runs the exit steps unless they already ran; closing is never refused.
    bool FormCloseQuery();
    void Timer1Timer();
    void BitBtn1Click();    // Hi&de
    void BitBtn2Click();    // E&xit
    void Exit2Click();      // File | E&xit
    void Help2Click();      // Help | &Help
    void Providers1Click(); // Options | &Providers ...
    void Tariffs1Click();   // Options | &Tariffs ...

    // MonitorView
    void ShowConnectionStatus(const std::string& caption) override;
    void ShowProvider(const std::string& provider) override;
    void ShowUser(const std::string& user) override;
    void ShowConnectedPicture(bool connected) override;
    void ShowConnTime(const std::string& text) override;
    void ShowFee(const std::string& text) override;
    void ShowTotalMoney(const std::string& text) override;
    void ShowStatusText(const std::string& text) override;
    void EnableTimer(bool enabled) override;
    void RunExecList() override;

signals:
    // The program ends with this code (the process entry ends the message loop).
    void ExitRequested(int code);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildWindow();
    void BuildMenu();
    void CentreOnScreen();
    // The confirmed exit shared by the button and the menu item.
    void ExitConfirmed();
    // The exit steps, run at most once.
    void RunExitSteps();
    void ShowTaskbarButton();

    SettingsStore& store_;
    MessageBoxes& boxes_;
    HelpViewer& help_;
    std::unique_ptr<DialUpService> dialUp_;
    std::unique_ptr<ProgramLauncher> launcher_;
    std::unique_ptr<Sounds> sounds_;
    TMonitor monitor_;
    bool exitStepsDone_ = false;
    QString statusText_;

    QLabel* Label1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label6 = nullptr; // connection time
    QLabel* Label7 = nullptr; // fee
    QLabel* Label8 = nullptr; // user
    QLabel* Label9 = nullptr; // provider
    QLabel* Image1 = nullptr; // "Connected"
    QLabel* Image2 = nullptr; // "Not connected"
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label11 = nullptr; // general fee
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QAction* Hide1 = nullptr;
    QAction* Exit2 = nullptr;
    QAction* Help2 = nullptr;
    QAction* Providers1 = nullptr;
    QAction* Tariffs1 = nullptr;
    QTimer* Timer1 = nullptr;
};

} // namespace netrova
