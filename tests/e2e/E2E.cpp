#include "E2E.h"

#include "dialup/DialUpService.h"
#include "history/HistoryFile.h"
#include "monitor/Installation.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "platform/HelpViewer.h"
#include "platform/LoginName.h"
#include "platform/MessageBoxes.h"
#include "settings/Defaults.h"
#include "support/DesktopDoubles.h"
#include "support/NullMonitorView.h"
#include "support/ScriptedMessageBoxes.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <csignal>

namespace netrova::test {

E2E::E2E() : loginName(LoginName()) {
    // A first start and an orderly exit, so that the program starts without the
    // personalisation boxes.
    EnsureInstallationDefaults(store);
    PublishCurrentUser(store, loginName);
    SystemClock clock;
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    NullMonitorView view;
    Monitor mon(store, clock, boxes, help, view);
    mon.StartMonitor();
    mon.CloseForExit();
    store.SetInt(Root::CurrentUser, kProductKey, "Logo", 0);
}

E2E::~E2E() {
    if (netrova_ && netrova_->state() != QProcess::NotRunning) {
        netrova_->kill();
        netrova_->waitForFinished(5000);
    }
}

void E2E::StartNetrova(const QString& platform, bool captureErrors) {
    netrova_ = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NETROVA_DIALUP", "manual");
    env.insert(environment);
    if (platform.isEmpty())
        env.remove("QT_QPA_PLATFORM");
    else
        env.insert("QT_QPA_PLATFORM", platform);
    netrova_->setProcessEnvironment(env);
    netrova_->setProcessChannelMode(captureErrors ? QProcess::ForwardedOutputChannel
                                                  : QProcess::ForwardedChannels);
    if (launcher.isEmpty())
        netrova_->start(NETROVA_EXE, {});
    else
        netrova_->start(launcher.first(), launcher.mid(1) << NETROVA_EXE);
    netrova_->waitForStarted(10000);
}

int E2E::Dialup(const QStringList& args) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(NETROVA_DIALUP_TOOL, args);
    tool.waitForFinished(30000);
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

bool E2E::WaitFor(const std::function<bool()>& predicate, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!predicate()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(100);
    }
    return true;
}

std::int32_t E2E::Bug() {
    return store.Int(Root::LocalMachine, kProductKey, "Bug");
}
std::int32_t E2E::Crash() {
    return store.Int(Root::LocalMachine, kUsersKey, "Crash");
}

std::uint32_t E2E::RemoteConnection() {
    Registry reg(store, Root::LocalMachine);
    if (!reg.OpenKey(kRemoteAccessServiceKey, false))
        return 0;
    return ReadRemoteConnectionFlag(reg);
}

qint64 E2E::HistorySize() {
    return QFileInfo(QString::fromStdString(HistoryPath(store.dir()))).size();
}

std::vector<THistoryRecord> E2E::Records() {
    std::vector<THistoryRecord> out;
    ScanHistory(store.dir(), [&](const THistoryRecord& r) {
        out.push_back(r);
        return true;
    });
    return out;
}

} // namespace netrova::test
