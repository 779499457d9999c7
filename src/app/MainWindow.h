#pragma once

#include "app/AppController.h"
#include "app/StatusPanel.h"
#include "monitor/Monitor.h"
#include "options/Preferences.h"
#include "platform/DesktopServices.h"

#include <QMainWindow>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>
#include <string>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QToolBar;

namespace netrova {

class TForm2;
class TForm4;
class TForm6;
class TForm9;
class TForm10;
class LimitsDialog;
class ReportRunner;
class TrayIcon;

// The application title: the first text of the task-bar entry, before the first tick
// replaces it with the status text.
inline constexpr const char* kApplicationTitle = "Netrova v1.2";

// The main window. It owns the monitor and the dial-up service for the life of the process and
// shows what the monitor's tick reports. Its creation runs the whole start-up.
//
// Controls by objectName: Label1 the heading; GroupBox1 the connection group with the captions
// Label2..Label5 ("Con. time :", "Current fee :", "User :", "Provider :"), their values
// Label6..Label9 and the pictures Image1 ("Connected") / Image2 ("Not connected"); GroupBox2
// "History" with the captions Label12, Label14, Label10, Label16, Label18 ("All Con. time :",
// "Average t. p. d. :", "General fee :", "Counting since :", "Reset on :") and their values
// Label13, Label15, Label11, Label17, Label19; Label20 the clock; BitBtn1 "Hi&de", BitBtn2
// "E&xit", BitBtn3 "Holiday"; MainMenu1 with File1, View1, Options1, Help1; ToolBar1 with
// ToolButton1..ToolButton12; PopupMenu1 the tray menu; TrayIcon1; Timer1 the monitor timer.
// Every command is one action named after its menu item (Resetcounter1, Createreport1, ...;
// the tool bar's own Programpreferences1 and Execution1; the tray menu's Restore1).
class TForm1 : public QMainWindow, public MonitorView, public AppView, public TrayControl {
    Q_OBJECT
public:
    // The seams come from outside so that tests can run the start-up with doubles.
    TForm1(SettingsStore& store, Clock& clock, MessageBoxes& boxes, HelpViewer& help,
           const DesktopServices& services, QWidget* parent = nullptr);
    // The same with a given tray icon (tests stand in for a desktop with a tray).
    TForm1(SettingsStore& store, Clock& clock, MessageBoxes& boxes, HelpViewer& help,
           const DesktopServices& services, std::unique_ptr<TrayIcon> tray,
           QWidget* parent = nullptr);
    ~TForm1() override;

    Monitor& ConnectionMonitor() { return monitor_; }
    // The status text of the last tick (the task-bar text and the window's hint).
    const QString& StatusText() const { return statusText_; }
    // Whether the window has its task-bar entry (tray mode takes it away).
    bool TaskbarButtonShown() const { return taskbarButtonShown_; }
    TrayIcon& Tray() { return *tray_; }

    // Handlers.
    void FormCreate();
    void FormActivate();
    // Runs the exit steps unless they already ran; closing is never refused.
    bool FormCloseQuery();
    void Timer1Timer();
    void BitBtn1Click(); // Hi&de
    void BitBtn2Click(); // E&xit
    void HolidayClick();
    void Exit2Click(); // File | E&xit
    void Help2Click(); // Help | &Help
    void Providers1Click();
    void Tariffs1Click();
    void Restore1Click(); // the tray menu's "Restore"
    void Resetcounter1Click();
    void Createreport1Click();
    void Counter1Click();
    void Deletereports1Click();
    void Openreport1Click();
    void Connections1Click();
    void Viewstatistic1Click();
    void Beep1Click();
    void Limits1Click();
    void Preferences1Click();
    void Programpreferences1Click(); // Preferences on its page "Startup"
    void Execution1Click();          // Preferences on its page "Exec"
    void About1Click();
    // The tray icon's mouse events.
    void TrayMessage(QSystemTrayIcon::ActivationReason reason);
    // Minimise and restore: in tray mode the task-bar entry stays away.
    void HdWin();

    void UpdateClock();

    // AppView
    void ShowHistoryGroup(const std::string& allTime, const HistoryGroupTexts& texts) override {
        Fields->ShowHistoryGroup(allTime, texts);
    }
    void ShowLimitFields(const std::string& money, const std::string& volume) override {
        Fields->ShowLimitFields(money, volume);
    }
    void EndOfTick() override;

    // MonitorView
    void ShowConnectionStatus(const std::string& caption) override {
        Fields->ShowConnectionStatus(caption);
    }
    void ShowProvider(const std::string& provider) override { Fields->ShowProvider(provider); }
    void ShowUser(const std::string& user) override { Fields->ShowUser(user); }
    void ShowConnectedPicture(bool connected) override { Fields->ShowConnectedPicture(connected); }
    void ShowConnTime(const std::string& text) override { Fields->ShowConnTime(text); }
    void ShowFee(const std::string& text) override { Fields->ShowFee(text); }
    void ShowTotalMoney(const std::string& text) override { Fields->ShowTotalMoney(text); }
    void ShowVolume(const std::optional<Volume>& connection, const std::optional<Volume>& second,
                    const Volume& period) override {
        Fields->ShowVolume(connection, second, period);
    }
    void ShowStatusText(const std::string& text) override;
    void EnableTimer(bool enabled) override;
    void RunExecList() override;
    void AddTrayIcon() override;
    void UpdateTrayIcon(const std::string& text, int picture) override;
    void RemoveTrayIcon() override;

    // TrayControl, for the Preferences dialog's tray switch.
    bool TrayAvailable() override;
    void SetTrayMode(int mode) override;

signals:
    // The program ends with this code (the process entry ends the message loop).
    void ExitRequested(int code);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void BuildCommands();
    void BuildMenus();
    void BuildToolBar();
    void BuildTrayMenu();
    void WireCommands();
    QAction* Command(const char* name) const;
    void CentreOnScreen();
    // The confirmed exit shared by the button and the menu item.
    void ExitConfirmed();
    // The exit steps, run at most once.
    void RunExitSteps();
    void SetTaskbarButton(bool shown);
    // Tray mode is on and its icon is in the notification area.
    bool TrayInEffect() const;

    SettingsStore& store_;
    Clock& clock_;
    MessageBoxes& boxes_;
    HelpViewer& help_;
    DesktopServices services_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<ReportRunner> reports_;
    AppController* app_; // a child: its timer is found among the window's
    Monitor& monitor_;
    bool taskbarButtonShown_ = true;
    bool trayShown_ = false;
    bool trayWanted_ = false; // tray mode asked for the icon, shown once a tray is there
    bool noTrayReported_ = false;
    int trayPicture_ = -1;
    QString statusText_;

    StatusPanel* Fields = nullptr;
    QPushButton* HideButton = nullptr;
    QPushButton* ExitButton = nullptr;
    QPushButton* HolidayButton = nullptr;
    QToolBar* ToolBar = nullptr;
    QMenu* TrayMenu = nullptr;
    QAction* Restore1 = nullptr;
    // The dialogs made once and shown again at each opening.
    TForm2* PreferencesDialog = nullptr;
    TForm4* BeepDialog = nullptr;
    TForm6* CounterDialog = nullptr;
    LimitsDialog* LimitsWindow = nullptr;
    TForm9* StatisticsWindow = nullptr;
    TForm10* OpenReportDialog = nullptr;
};

} // namespace netrova
