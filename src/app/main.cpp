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

} // namespace

int main(int argc, char** argv) {
    NetrovaApplication app(argc, argv);
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

    bool minimize = false;
    try {
        minimize = MinimizeAtStart(*store);
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
