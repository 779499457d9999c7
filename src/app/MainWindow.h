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

// The main window: it shows what the tick reports and commands the program. Its creation runs
// the whole start-up through the controller it owns.
//
// Widgets, actions and tool buttons are named by their role; a tool button is its command's
// name with "Tool".
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
    void HelpClick();  // Help | &Help
    void ProvidersClick();
    void TariffsClick();
    void RestoreClick(); // the tray menu's "Restore"
    void ResetCounterClick();
    void CreateReportClick();
    void CounterClick();
    void DeleteReportsClick();
    void OpenReportClick();
    void ConnectionsClick();
    void ViewStatisticClick();
    void BeepClick();
    void LimitsClick();
    void PreferencesClick();
    void ProgramPreferencesClick(); // Preferences on its page "Startup"
    void ExecutionClick();          // Preferences on its page "Exec"
    void AboutClick();
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
    QAction* RestoreAction = nullptr;
    // The dialogs made once and shown again at each opening.
    TForm2* PreferencesDialog = nullptr;
    TForm4* BeepDialog = nullptr;
    TForm6* CounterDialog = nullptr;
    LimitsDialog* LimitsWindow = nullptr;
    TForm9* StatisticsWindow = nullptr;
    TForm10* OpenReportDialog = nullptr;
};

} // namespace netrova
