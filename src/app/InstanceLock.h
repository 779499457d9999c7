#pragma once

#include <QLocalServer>
#include <QObject>
#include <QTimer>

#include <string>

namespace netrova {

struct StorePaths;

// Keeps a second copy of the program off a machine store that one copy already uses: an
// exclusive lock on a file beside that store, held until the object dies or the process ends
// (the system drops the lock of a process that dies).
class InstanceLock {
public:
    enum class Result { Acquired, Busy, Failed };

    explicit InstanceLock(std::string path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // The lock file of a store: beside the machine store, named after it.
    static std::string PathFor(const StorePaths& paths);

    // Creates the lock file (and its folder) when missing and takes the lock without waiting.
    Result Acquire();
    const std::string& Path() const { return path_; }
    // Why Acquire failed, for Result::Failed.
    const std::string& Error() const { return error_; }

private:
    std::string path_;
    std::string error_;
    int fd_ = -1;
};

// How a second start reaches the copy that holds the lock: that copy listens on a local socket
// named after its store, and a second start asks it to bring its window to the front.
class ActivationChannel : public QObject {
    Q_OBJECT
public:
    explicit ActivationChannel(const StorePaths& paths, QObject* parent = nullptr);

    // In the copy that holds the lock (so a socket left by a copy that died can go).
    // Returns false, with Error() telling why, when the socket cannot be made.
    bool Listen();
    // In a second copy: true once the running copy has answered.
    bool AskToActivate(int timeoutMs = 5000);
    QString Error() const { return server_.errorString(); }

signals:
    // Once for a burst of requests: a flood of them brings the window forward once, and the log
    // counts the rest at most once a second.
    void ActivationRequested();

private:
    QString name_;
    QLocalServer server_;
    QTimer burst_;
    int more_ = 0; // requests of the current burst after its first
};

} // namespace netrova
