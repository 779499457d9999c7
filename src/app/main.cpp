#include "app/InstanceLock.h"
#include "app/MainWindow.h"
#include "app/TerminationSignals.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/LoginName.h"
#include "platform/NetrovaApplication.h"
#include "platform/QtHelpViewer.h"
#include "platform/QtMessageBoxes.h"
#include "store/Defaults.h"
#include "windows/LogoWindow.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace netrova;

namespace {

// A reason not to start: on stderr, and in a box where somebody can see it.
int RefuseToStart(const std::string& text, QMessageBox::Icon icon = QMessageBox::Critical) {
    std::fprintf(stderr, "netrova: %s\n", text.c_str());
    if (HasDisplay()) {
        QMessageBox box(icon, QString::fromLatin1(kBoxCaption), QString::fromStdString(text),
                        QMessageBox::Ok);
        box.exec();
    }
    return 1;
}

// "Minimize" of the per-user product key; the key is not created when it is missing.
bool MinimizeAtStart(SettingsStore& store) {
    TRegistry reg(store, Root::CurrentUser);
    if (!reg.OpenKey(kProductKey, false))
        return false;
    const int minimize = reg.ReadInteger("Minimize");
    reg.CloseKey();
    return minimize != 0;
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

// Without a reachable display Qt would abort; Netrova still counts and records, so it falls
// back to the offscreen platform. Returns whether the fallback may be taken: only when neither
// the environment nor the command line chose a platform.
bool ArmOffscreenFallback(int argc, char** argv) {
    if (IsSet("QT_QPA_PLATFORM"))
        return false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return false;
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return true;
    }
    // A display is named but may not answer: Qt tries the platforms in order. Its own
    // complaints about the failed ones are silenced; the fallback is reported once below.
    setenv("QT_QPA_PLATFORM", IsSet("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen",
           1);
    defaultMessageHandler = qInstallMessageHandler(QuietPlatformMessages);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const bool fallbackArmed = ArmOffscreenFallback(argc, argv);
    NetrovaApplication app(argc, argv);
    if (fallbackArmed) {
        qInstallMessageHandler(nullptr);
        unsetenv("QT_QPA_PLATFORM"); // programs started from the launch list choose their own
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            std::fprintf(stderr, "netrova: no display found: Netrova runs on the offscreen "
                                 "platform (it counts and records, but shows no window).\n");
    }
    // The application title; the window title starts with it (the display name would be
    // appended to every window title, so it stays unset).
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
    QGuiApplication::setDesktopFileName(QStringLiteral("netrova"));
    TerminationSignals terminationSignals;

    // One copy per machine store: a second one would count every connection again. The lock
    // is taken before the store is opened, so a refused start leaves the store alone.
    const StorePaths paths = StorePaths::FromEnvironment();
    InstanceLock lock(InstanceLock::PathFor(paths));
    switch (lock.Acquire()) {
    case InstanceLock::Result::Acquired:
        break;
    case InstanceLock::Result::Busy:
        return RefuseToStart("Netrova is already running with the settings store \"" +
                                 paths.Machine + "\".",
                             QMessageBox::Information);
    case InstanceLock::Result::Failed:
        return RefuseToStart(lock.Error());
    }

    std::unique_ptr<SettingsStore> store;
    SystemClock clock;
    QtMessageBoxes boxes;
    QtHelpViewer help;
    std::unique_ptr<TForm1> form;
    try {
        store = std::make_unique<SettingsStore>(paths);
        EnsureInstallationDefaults(*store);
        PublishCurrentUser(*store, LoginName());
        // The logo comes first of the start-up, before any of its boxes.
        TForm8::ShowAtStart(*store);
        form = std::make_unique<TForm1>(*store, clock, boxes, help);
    } catch (const std::exception& e) {
        return RefuseToStart(e.what());
    }

    QObject::connect(form.get(), &TForm1::ExitRequested,
                     [](int code) { QCoreApplication::exit(code); });

    // A new user's first start shows the window whatever "Minimize" says, so that the program
    // is seen after its welcome boxes even where no tray could bring it back.
    bool minimize = false;
    try {
        minimize = !form->Monitor().Personalized() && MinimizeAtStart(*store);
    } catch (const std::exception& e) {
        app.ShowError(QString::fromUtf8(e.what()));
    }
    if (minimize)
        form->showMinimized();
    else
        form->show();

    terminationSignals.CloseOnSignal(form.get());
    return app.exec();
}
