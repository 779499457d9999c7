#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/MainCommands.h"
#include "app/ReportProgress.h"
#include "app/StatusPictures.h"
#include "app/TrayIcon.h"
#include "browser/ConnectionsWindow.h"
#include "common/Log.h"
#include "common/Text.h"
#include "counter/Counter.h"
#include "counter/CounterDialog.h"
#include "counter/Forecast.h"
#include "counter/HistoryGroup.h"
#include "dialup/DialUpService.h"
#include "options/Beep.h"
#include "options/BeepDialog.h"
#include "options/ExecList.h"
#include "options/LimitAlerts.h"
#include "options/LimitsDialog.h"
#include "options/PreferencesDialog.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"
#include "platform/Guarded.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "platform/Notifications.h"
#include "platform/ProgramLauncher.h"
#include "platform/TextViewer.h"
#include "reports/OpenReportDialog.h"
#include "reports/ReportFiles.h"
#include "settings/Limits.h"
#include "statistics/StatisticsWindow.h"
#include "tariffs/ProviderTariffsDialog.h"
#include "tariffs/TariffEditorDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcutEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace netrova {

namespace {} // namespace

TForm1::TForm1(SettingsStore& store, Clock& clock, MessageBoxes& boxes, HelpViewer& help,
               const DesktopServices& services, QWidget* parent)
    : TForm1(store, clock, boxes, help, services, std::make_unique<TrayIcon>(), parent) {}

TForm1::TForm1(SettingsStore& store, Clock& clock, MessageBoxes& boxes, HelpViewer& help,
               const DesktopServices& services, std::unique_ptr<TrayIcon> tray, QWidget* parent)
    : QMainWindow(parent), store_(store), clock_(clock), boxes_(boxes), help_(help),
      services_(services), tray_(std::move(tray)),
      reports_(std::make_unique<ReportProgressRunner>(this)),
      app_(new AppController(store, clock, boxes, help, services, *this, *this, reports_.get(),
                             this)),
      monitor_(app_->ConnectionMonitor()) {
    setObjectName(QStringLiteral("MainWindow"));
    // Where the desktop shows no notifications: the tray's message, else a box.
    services_.notifications.SetFallback(
        [this](const std::string& summary, const std::string& body, Urgency urgency, bool) {
            if (tray_->isVisible())
                tray_->showMessage(QString::fromStdString(summary), QString::fromStdString(body),
                                   urgency == Urgency::Critical ? QSystemTrayIcon::Critical
                                                                : QSystemTrayIcon::Warning);
            else
                boxes_.Show(summary + "\n\n" + body,
                            urgency == Urgency::Critical ? MsgIcon::Stop : MsgIcon::Warning);
        });
    services_.notifications.SetHangUpHandler(Guarded([this] { app_->HangUpForLimit(); }));
    // What a command did (a report written, reports deleted) is told without a box: in the
    // status line, or by the tray icon while the window is hidden there.
    statusBar()->setObjectName(QStringLiteral("StatusBar")); // made before the window's size
    boxes_.SetNoticeLine([this](const std::string& text) {
        const QString line = QString::fromStdString(text);
        if (!isVisible() && trayShown_)
            tray_->showMessage(QString::fromLatin1(kBoxCaption), line);
        else
            statusBar()->showMessage(line, 15000);
        statusBar()->setToolTip(line); // whole, where the line is narrower
    });
    BuildWindow();
    BuildCommands();
    BuildMenus();
    BuildToolBar();
    BuildTrayMenu();
    WireCommands();
    Fields->FitFields();
    CentreOnScreen();
    FormCreate();
    // The dialogs shown again at each opening, made once the start-up has found the program
    // directory.
    PreferencesDialog =
        new TForm2(store_, boxes_, help_, services_.chooser, services_.autostart, *this, {}, this);
    BeepDialog = new TForm4(store_, boxes_, help_, monitor_, this);
    CounterDialog = new TForm6(monitor_, store_, clock_, boxes_, help_, this, reports_.get());
    LimitsWindow = new LimitsDialog(
        store_, boxes_, help_, std::string_view(services_.dialUp.SourceName()) != "manual", this);
    StatisticsWindow = new TForm9(
        store_, help_, clock_,
        [this] {
            const MonitorState& s = monitor_.State();
            const LimitAmounts limits = AmountsOf(Limits(store_).Read());
            return CounterFigures{s.ProgramPath,       s.AllTime,    s.AllMoney,
                                  s.AllVolume.Total(), limits.Money, limits.Volume};
        },
        [this](const TStamp& now, int allTime, int allMoney,
               std::optional<std::uint64_t> allVolume) {
            return CounterPeriod(store_, now, allTime, allMoney, allVolume);
        },
        UsersSort(), this);
    OpenReportDialog = new TForm10(
        services_.textViewer, [this] { return monitor_.State().ProgramPath; }, this);
}

TForm1::~TForm1() {
    boxes_.SetNoticeLine(nullptr);
}

void TForm1::BuildWindow() {
    // A fixed single border with the system menu and minimise, but no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
    setWindowIcon(ProgramIcon());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    Fields = new StatusPanel(central);
    layout->addWidget(Fields);

    HideButton = new QPushButton(QStringLiteral("Hi&de"), central);
    HideButton->setObjectName(QStringLiteral("HideButton"));
    HideButton->setToolTip(QStringLiteral("Hide program"));
    HideButton->setIcon(PictureIcon("hide"));
    ExitButton = new QPushButton(QStringLiteral("E&xit"), central);
    ExitButton->setObjectName(QStringLiteral("ExitButton"));
    ExitButton->setToolTip(QStringLiteral("Exit program"));
    ExitButton->setIcon(PictureIcon("exit"));
    HolidayButton = new QPushButton(QStringLiteral("Holiday"), central);
    HolidayButton->setObjectName(QStringLiteral("HolidayButton"));
    HolidayButton->setToolTip(QStringLiteral("Enable or disable holiday tariff"));
    // Looks pressed while the holiday tariff is on.
    HolidayButton->setCheckable(true);
    // Its width allows for the mark, so that the button keeps its size when it appears.
    HolidayButton->setIcon(ImageListPicture(2));
    HolidayButton->setMinimumWidth(HolidayButton->sizeHint().width());
    HolidayButton->setIcon(QIcon());
    // Enter presses the focused button, and "Hi&de" is the window's default button.
    for (QPushButton* b : {HideButton, ExitButton, HolidayButton})
        b->setAutoDefault(true);
    HideButton->setDefault(true);
    connect(HideButton, &QPushButton::clicked, this, Guarded([this] { BitBtn1Click(); }));
    connect(ExitButton, &QPushButton::clicked, this, Guarded([this] { BitBtn2Click(); }));
    connect(HolidayButton, &QPushButton::clicked, this, Guarded([this] { HolidayClick(); }));
    QHBoxLayout* bottom = Fields->BottomRow();
    bottom->addWidget(HolidayButton);
    bottom->addSpacing(12);
    bottom->addWidget(HideButton);
    bottom->addWidget(ExitButton);
    setCentralWidget(central);
    HideButton->setFocus();
}

void TForm1::BuildCommands() {
    for (const CommandInfo& c : Commands()) {
        auto* action = new QAction(PictureIcon(c.picture), QString::fromLatin1(c.caption), this);
        action->setObjectName(QLatin1String(c.name));
        if (c.shortcut != kNoKey)
            action->setShortcut(QKeySequence(c.shortcut));
        action->setToolTip(QString::fromLatin1(c.hint));
        action->setStatusTip(action->toolTip());
        // Until its handler is wired a command does nothing, and says so by being grey.
        action->setEnabled(false);
        // Short-cuts work while the window is shown, whichever control has the focus.
        addAction(action);
        action->installEventFilter(this);
    }
}

QAction* TForm1::Command(const char* name) const {
    auto* action = findChild<QAction*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    Q_ASSERT(action);
    return action;
}

void TForm1::BuildMenus() {
    menuBar()->setObjectName(QStringLiteral("MenuBar"));
    menuBar()->installEventFilter(this);
    for (const MenuInfo& m : Menus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(m.title));
        menu->setObjectName(QLatin1String(m.name));
        menu->setToolTipsVisible(true);
        for (const char* item : m.items) {
            if (item)
                menu->addAction(Command(item));
            else
                menu->addSeparator();
        }
    }
}

void TForm1::BuildToolBar() {
    ToolBar = addToolBar(QStringLiteral("ToolBar"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setIconSize(QSize(24, 24));
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    for (const char* item : ToolBarCommands()) {
        if (!item) {
            ToolBar->addSeparator();
            continue;
        }
        ToolBar->addAction(Command(item));
        auto* tool = qobject_cast<QToolButton*>(ToolBar->widgetForAction(Command(item)));
        tool->setObjectName(QLatin1String(item) + QLatin1String("Tool"));
        tool->setAutoRaise(true);
    }
}

void TForm1::BuildTrayMenu() {
    TrayMenu = new QMenu(this);
    TrayMenu->setObjectName(QStringLiteral("TrayMenu"));
    RestoreAction =
        TrayMenu->addAction(QStringLiteral("Restore"), this, Guarded([this] { RestoreClick(); }));
    RestoreAction->setObjectName(QStringLiteral("Restore"));
    RestoreAction->setIcon(ProgramIcon());
    // The default entry, shown in bold.
    TrayMenu->setDefaultAction(RestoreAction);
    for (const TrayEntry& entry : TrayMenuEntries()) {
        if (!entry.name) {
            TrayMenu->addSeparator();
            continue;
        }
        QAction* command = Command(entry.command);
        QAction* item = TrayMenu->addAction(command->icon(), QString::fromLatin1(entry.caption));
        item->setObjectName(QLatin1String(entry.name));
        item->setEnabled(command->isEnabled());
        connect(item, &QAction::triggered, command, &QAction::trigger);
        connect(command, &QAction::enabledChanged, item, &QAction::setEnabled);
    }
    tray_->setObjectName(QStringLiteral("TrayIcon"));
    tray_->setContextMenu(TrayMenu);
    // The right button opens the tray menu by itself.
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            Guarded([this](QSystemTrayIcon::ActivationReason reason) { TrayMessage(reason); }));
}

void TForm1::WireCommands() {
    for (const CommandHandler& h : CommandHandlers()) {
        QAction* action = Command(h.command);
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, Guarded([this, h] { (this->*h.handler)(); }));
    }
}

void TForm1::CentreOnScreen() {
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TForm1::FormCreate() {
    // The start-up logo has been shown by then (main).
    // HdWin runs on every minimise and restore (changeEvent).
    app_->Start();
}

void TForm1::FormActivate() {
    if (monitor_.State().TrayMode != 1)
        SetTaskbarButton(true);
}

void TForm1::HdWin() {
    if (TrayInEffect())
        SetTaskbarButton(false);
}

bool TForm1::TrayInEffect() const {
    return monitor_.State().TrayMode == 1 && trayShown_;
}

void TForm1::SetTaskbarButton(bool shown) {
    taskbarButtonShown_ = shown;
    ShowInTaskbar(this, shown);
}

bool TForm1::FormCloseQuery() {
    RunExitSteps();
    return true;
}

void TForm1::RunExitSteps() {
    app_->RunExitSteps();
}

void TForm1::Timer1Timer() {
    app_->Tick();
}

void TForm1::EndOfTick() {
    // A panel started after the program (both autostarted) brings its tray later.
    if (trayWanted_ && !trayShown_ && tray_->Available())
        AddTrayIcon();
    UpdateClock();
}

void TForm1::UpdateClock() {
    Fields->ShowClock(FormatClock(clock_.Now()));
}

void TForm1::BitBtn1Click() {
    showMinimized();
}

void TForm1::BitBtn2Click() {
    ExitConfirmed();
}

void TForm1::HolidayClick() {
    const bool holiday = monitor_.State().HolidayOn != 1;
    monitor_.SetHoliday(holiday);
    HolidayButton->setChecked(holiday);
    HolidayButton->setIcon(holiday ? ImageListPicture(2) : QIcon());
}

void TForm1::Exit2Click() {
    ExitConfirmed();
}

void TForm1::ExitConfirmed() {
    if (app_->ConfirmExit())
        emit ExitRequested(0);
}

void TForm1::HelpClick() {
    help_.ShowContents();
}

void TForm1::ProvidersClick() {
    TForm3::Execute(store_, boxes_, help_, this);
}

void TForm1::TariffsClick() {
    TForm5::Execute(store_, boxes_, help_, this);
}

void TForm1::ResetCounterClick() {
    app_->CounterCommands().ResetCounterClick();
}

void TForm1::CreateReportClick() {
    app_->CounterCommands().CreateReportNow();
}

void TForm1::CounterClick() {
    CounterDialog->Execute();
}

void TForm1::DeleteReportsClick() {
    DeleteAllReports(boxes_, monitor_.State().ProgramPath, this);
}

void TForm1::OpenReportClick() {
    OpenReportDialog->exec();
}

void TForm1::ConnectionsClick() {
    TForm7::Execute(monitor_.State().ProgramPath, clock_, help_, this);
}

void TForm1::ViewStatisticClick() {
    StatisticsWindow->ShowModal();
}

void TForm1::BeepClick() {
    BeepDialog->Execute();
}

void TForm1::LimitsClick() {
    LimitsWindow->SetCanHangUp(std::string_view(services_.dialUp.SourceName()) != "manual");
    LimitsWindow->Execute();
    // Read again at the next tick, whichever way it closed.
    app_->ForgetLimits();
}

void TForm1::PreferencesClick() {
    PreferencesDialog->Execute();
}

void TForm1::ProgramPreferencesClick() {
    PreferencesDialog->Execute(TForm2::StartupPage);
}

void TForm1::ExecutionClick() {
    PreferencesDialog->Execute(TForm2::ExecPage);
}

void TForm1::AboutClick() {
    TAboutBox about(help_, this);
    about.exec();
}

void TForm1::RestoreClick() {
    showNormal();
    HdWin();
    raise();
    activateWindow();
}

void TForm1::TrayMessage(QSystemTrayIcon::ActivationReason reason) {
    // The right button's menu is opened by the tray icon itself, at the pointer.
    if (reason == QSystemTrayIcon::Trigger)
        RestoreClick();
}

void TForm1::AddTrayIcon() {
    trayWanted_ = true;
    if (!tray_->Available()) {
        // Hiding the task-bar entry would leave no way back to the window.
        if (!noTrayReported_)
            qCWarning(lcApp) << "the desktop has no system tray; the window keeps its task-bar "
                                "entry";
        noTrayReported_ = true;
        return;
    }
    trayPicture_ = 0;
    tray_->setIcon(TrayPicture(false, false));
    tray_->setToolTip(QString());
    tray_->show();
    trayShown_ = true;
    SetTaskbarButton(false);
}

void TForm1::UpdateTrayIcon(const std::string& text, int picture) {
    if (!trayShown_)
        return;
    QString tip = QString::fromStdString(TrayTipText(text));
    // A limit past its first warning is told beside the connection, and marks the picture.
    const std::vector<std::string> pastWarning = app_->LimitsPastWarning();
    for (const std::string& line : pastWarning)
        tip += QLatin1Char('\n') + QString::fromStdString(line);
    if (tray_->toolTip() != tip)
        tray_->setToolTip(tip);
    const int shown = (picture == 1 ? 1 : 0) + (pastWarning.empty() ? 0 : 2);
    if (shown != trayPicture_) {
        trayPicture_ = shown;
        tray_->setIcon(TrayPicture(picture == 1, !pastWarning.empty()));
    }
}

void TForm1::RemoveTrayIcon() {
    trayWanted_ = false;
    if (trayShown_) {
        tray_->hide();
        trayShown_ = false;
    }
    SetTaskbarButton(true);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Reached from the title bar and from the termination signals' slot.
    RunCatching(
        [&] {
            if (FormCloseQuery())
                event->accept();
            // Closing the main window ends the program, whatever other windows are open.
            emit ExitRequested(0);
        },
        ShowApplicationError);
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    if (event->type() == QEvent::WindowStateChange)
        HdWin();
    QMainWindow::changeEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // A command's short-cut wins over a menu title's mnemonic ("&Counter ..." has Alt+O, as
    // "&Options" does); Qt would otherwise take turns between them.
    if (event->type() == QEvent::Shortcut && static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
        const QKeySequence key = static_cast<QShortcutEvent*>(event)->key();
        for (QAction* action : actions())
            if (action->isEnabled() && action->shortcut() == key) {
                action->trigger();
                return true;
            }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::ShowStatusText(const std::string& text) {
    const QString status = QString::fromStdString(text);
    // The hint names the connection source too, which Preferences may change between ticks.
    const QString hint = status + QLatin1String("\nConnection source: ") +
                         QString::fromStdString(services_.dialUp.SourceText());
    if (status == statusText_ && hint == toolTip())
        return;
    statusText_ = status;
    // The window title is the text of the task-bar entry.
    setWindowTitle(statusText_);
    setToolTip(hint);
}

void TForm1::RunExecList() {
    netrova::RunExecList(store_, services_.launcher, boxes_);
}

bool TForm1::TrayAvailable() {
    return tray_->Available();
}

void TForm1::SetTrayMode(int mode) {
    monitor_.SetTrayMode(mode);
}

void TForm1::EnableTimer(bool enabled) {
    app_->EnableTimer(enabled);
}

} // namespace netrova
