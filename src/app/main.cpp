#include "app/InstanceLock.h"
#include "app/LogoWindow.h"
#include "app/MainWindow.h"
#include "app/StatusPictures.h"
#include "app/TerminationSignals.h"
#include "common/CommandLine.h"
#include "common/Log.h"
#include "dialup/DialUpService.h"
#include "monitor/Installation.h"
#include "platform/Autostart.h"
#include "platform/CanberraSounds.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifications.h"
#include "platform/Display.h"
#include "platform/Guarded.h"
#include "platform/HelpWindow.h"
#include "platform/LoginName.h"
#include "platform/NetrovaApplication.h"
#include "platform/ProgramLauncher.h"
#include "platform/QtFileChooser.h"
#include "platform/QtHelpViewer.h"
#include "platform/QtMessageBoxes.h"
#include "platform/TextViewer.h"
#include "settings/Defaults.h"
#include "settings/UserPreferences.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

using namespace netrova;

namespace {

// A reason not to start: in the log, and in a box where somebody can see it.
int RefuseToStart(const std::string& text, QMessageBox::Icon icon = QMessageBox::Critical) {
    qCCritical(lcApp).noquote() << QString::fromStdString(text);
    if (HasDisplay()) {
        QMessageBox box(icon, QString::fromLatin1(kBoxCaption), QString::fromStdString(text),
                        QMessageBox::Ok);
        box.exec();
    }
    return kExitError;
}

// "Minimize" of the user's settings; no settings, no minimizing.
bool MinimizeAtStart(SettingsStore& store) {
    UserPreferences prefs(store);
    return prefs.Exists() && prefs.Minimize();
}

QtMessageHandler defaultMessageHandler = nullptr;

void QuietPlatformMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg && context.category && std::strncmp(context.category, "qt.qpa.", 7) == 0)
        return;
    if (defaultMessageHandler)
        defaultMessageHandler(type, context, text);
}

bool IsSet(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// The display platforms tried before the offscreen one, as said when none could be used.
std::string triedPlatforms;

// Without a reachable display Qt would abort; Netrova still counts and records, so it falls
// back to the offscreen platform. Returns whether the fallback may be taken: only when neither
// the environment nor the command line chose a platform.
bool ArmOffscreenFallback(int argc, char** argv) {
    if (IsSet("QT_QPA_PLATFORM"))
        return false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return false;
    // Each platform only where its display is named: xcb cannot work from WAYLAND_DISPLAY.
    std::string platforms;
    for (const auto& [platform, variable] :
         {std::pair{"wayland", "WAYLAND_DISPLAY"}, std::pair{"xcb", "DISPLAY"}}) {
        if (!IsSet(variable))
            continue;
        platforms += std::string(platform) + ";";
        triedPlatforms += std::string(triedPlatforms.empty() ? "" : ", ") + platform + " (" +
                          variable + "=" + std::getenv(variable) + ")";
    }
    setenv("QT_QPA_PLATFORM", (platforms + "offscreen").c_str(), 1);
    // A display is named but may not answer: Qt tries the platforms in order. Its own
    // complaints about the failed ones are silenced; the fallback is reported once below.
    if (!platforms.empty())
        defaultMessageHandler = qInstallMessageHandler(QuietPlatformMessages);
    return true;
}

constexpr const char* kUsage =
    "usage: netrova [--help | --version] [Qt options, such as -platform NAME or -style NAME]\n"
    "Starts Netrova, the dial-up connection monitor, with its window (or its tray icon).\n"
    "\n"
    "The connection source, where the connection's state comes from, is the first of:\n"
    "  NETROVA_DIALUP=networkmanager, pppd, manual or automatic (in any case), for scripts;\n"
    "  the choice in Options, Preferences, Connection: NetworkManager, pppd or Manual;\n"
    "  Automatic (the default): NetworkManager when it is on the system bus, else pppd where\n"
    "  /etc/ppp/peers exists, else manual (netrova-dialup reports the connection).\n"
    "The source in use is logged at start (netrova.dialup), named in the main window's hint\n"
    "and printed by \"netrova-dialup status\". A new choice in Preferences is followed at once,\n"
    "or when the connection being counted has ended.\n"
    "\n"
    "NETROVA_USER_STORE and NETROVA_MACHINE_STORE name the settings store's files, else the\n"
    "XDG locations below HOME.\n"
    "Exit status: 0 done (--help and --version answer whatever else is given), 1 Netrova could\n"
    "not start, 2 bad arguments.\n";

// --help and --version are answered before anything opens a window or a store, and anything
// else Netrova does not know is refused; Qt's own options go on to Qt.
std::optional<int> AnswerCommandLine(int argc, char** argv) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "display",
                             "geometry", "title", "name", "session", "style", "stylesheet"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("x")));
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    std::string why;
    const auto ask = ParseCommandLine(parser, {argv + 1, argv + argc}, why);
    if (ask == CommandLineAsk::Run && !parser.positionalArguments().isEmpty())
        why = "unknown command \"" + ArgumentText(parser.positionalArguments().front()) + "\"";
    if (!why.empty()) {
        std::fputs(BadArgumentsText("netrova", why).c_str(), stderr);
        return kExitBadArguments;
    }
    if (*ask == CommandLineAsk::Help)
        std::fputs(kUsage, stdout);
    else if (*ask == CommandLineAsk::Version)
        std::fputs(VersionText("netrova").c_str(), stdout);
    else
        return std::nullopt;
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    IgnoreBrokenPipes();
    if (const std::optional<int> answered = AnswerCommandLine(argc, argv))
        return *answered;
    const bool fallbackArmed = ArmOffscreenFallback(argc, argv);
    NetrovaApplication app(argc, argv);
    if (fallbackArmed) {
        qInstallMessageHandler(nullptr);
        unsetenv("QT_QPA_PLATFORM"); // programs started from the launch list choose their own
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            qCWarning(lcApp).noquote()
                << (triedPlatforms.empty()
                        ? QStringLiteral("no display found:")
                        : QLatin1String("no usable display: tried ") +
                              QString::fromStdString(triedPlatforms) + QLatin1Char(';'))
                << "Netrova runs on the offscreen platform (it counts and records, but shows no "
                   "window).";
    }
    // The program's name without its version: the window manager (WM_CLASS), the tray and
    // accessibility match it to the desktop entry. The display name would be appended to every
    // window title, so it stays unset.
    QCoreApplication::setApplicationName(QStringLiteral("Netrova"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.netrova.Netrova"));
    // Message boxes, dialogs and the help window carry the program's picture too.
    QApplication::setWindowIcon(ProgramIcon());
    TerminationSignals terminationSignals;

    // One copy per machine store: a second one would count every connection again. The lock
    // is taken before the store is opened, so a refused start leaves the store alone.
    const StorePaths paths = StorePaths::FromEnvironment();
    InstanceLock lock(InstanceLock::PathFor(paths));
    ActivationChannel channel(paths);
    const std::string running =
        "Netrova is already running with the settings store \"" + paths.Machine + "\".";
    switch (lock.Acquire()) {
    case InstanceLock::Result::Acquired:
        break;
    case InstanceLock::Result::Busy:
        // The second start only brings the running window forward.
        if (channel.AskToActivate()) {
            qCInfo(lcApp).noquote()
                << QString::fromStdString(running) << "Its window was brought to the front.";
            return kExitOk;
        }
        return RefuseToStart(running, QMessageBox::Information);
    case InstanceLock::Result::Failed:
        return RefuseToStart(lock.Error());
    }

    std::unique_ptr<SettingsStore> store;
    SystemClock clock;
    QtMessageBoxes boxes;
    QtHelpViewer help;
    QtProgramLauncher launcher;
    CanberraSounds sounds;
    QtFileChooser chooser;
    XdgAutostart autostart;
    DesktopTextViewer textViewer;
    DesktopNotifications notifications;
    std::unique_ptr<DialUpService> dialUp;
    std::unique_ptr<TForm1> form;
    // Asked for during the start-up, the window comes forward anyway when it is shown.
    QObject::connect(&channel, &ActivationChannel::ActivationRequested, Guarded([&form] {
        qCInfo(lcApp) << "Another start of Netrova brought the window to the front.";
        if (form)
            form->RestoreClick();
    }));
    if (!channel.Listen())
        qCWarning(lcApp).noquote() << "A second start cannot reach this one:" << channel.Error();
    try {
        store = std::make_unique<SettingsStore>(paths);
        EnsureInstallationDefaults(*store);
        PublishCurrentUser(*store, LoginName());
        // The logo comes first of the start-up, before any of its boxes.
        TForm8::ShowAtStart(*store);
        dialUp = MakeDialUpService(*store);
        form = std::make_unique<TForm1>(*store, clock, boxes, help,
                                        DesktopServices{*dialUp, launcher, sounds, chooser,
                                                        autostart, textViewer, notifications});
    } catch (const std::exception& e) {
        return RefuseToStart(e.what());
    }

    // The start-up above may wait for the store as long as a tool would; from here on the
    // window does not wait: a tick that cannot write tries again at the next one.
    store->SetBusyTimeout(StoreOptions::kWindowBusyTimeoutMs);

    QObject::connect(form.get(), &TForm1::ExitRequested,
                     [](int code) { QCoreApplication::exit(code); });

    // A new user's first start shows the window whatever "Minimize" says, so that the program
    // is seen after its welcome boxes even where no tray could bring it back.
    bool minimize = false;
    try {
        minimize = !form->ConnectionMonitor().Personalized() && MinimizeAtStart(*store);
    } catch (const std::exception& e) {
        app.ShowError(QString::fromUtf8(e.what()));
    }
    if (minimize) {
        form->showMinimized();
    } else {
        form->show();
        // A new user's welcome opened the help before there was a window to place it by.
        if (HelpWindow* window = help.Window())
            window->KeepBeside(*form);
    }

    terminationSignals.CloseOnSignal(form.get());
    return app.exec();
}
