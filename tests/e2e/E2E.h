#pragma once

#include "../support/TempStore.h"
#include "history/HistoryFile.h"

#include <QProcess>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace netrova::test {

// The program as a person runs it, on the test's temporary store with the manual dial-up
// source; the personalisation of a first start is done beforehand.
class E2E {
public:
    E2E();
    ~E2E();

    // Starts netrova; `platform` is passed as QT_QPA_PLATFORM unless empty. With
    // `captureErrors` its standard error is kept for readAllStandardError.
    void StartNetrova(const QString& platform, bool captureErrors = false);
    QProcess& netrova() { return *netrova_; }
    // Runs netrova-dialup with the arguments and returns its exit code.
    int Dialup(const QStringList& args);

    // Polls until the predicate holds or the time runs out; returns the last result.
    static bool WaitFor(const std::function<bool()>& predicate, int timeoutMs);

    std::int32_t Bug();
    std::int32_t Crash();
    std::uint32_t RemoteConnection();
    qint64 HistorySize();
    std::vector<THistoryRecord> Records();

    TempStore store;
    std::string loginName;
    // Added to the environment of the program started next.
    QProcessEnvironment environment;
    // Starts the program through this command when set ("ip netns exec NAME").
    QStringList launcher;

private:
    std::unique_ptr<QProcess> netrova_;
};

} // namespace netrova::test
