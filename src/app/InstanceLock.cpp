#include "app/InstanceLock.h"

#include "common/Log.h"
#include "store/Registry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace netrova {

InstanceLock::InstanceLock(std::string path) : path_(std::move(path)) {}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing the descriptor releases the lock
}

std::string InstanceLock::PathFor(const StorePaths& paths) {
    return paths.Machine + ".lock";
}

InstanceLock::Result InstanceLock::Acquire() {
    if (fd_ >= 0)
        return Result::Acquired;
    std::error_code ec;
    const auto folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    // Close-on-exec: programs started on connect must not inherit the lock and keep it after
    // this process has ended.
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = "Cannot open the lock file \"" + path_ + "\": " + std::strerror(errno);
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return Result::Busy;
        error_ = "Cannot lock the file \"" + path_ + "\": " + std::strerror(err);
        return Result::Failed;
    }
    fd_ = fd;
    return Result::Acquired;
}

namespace {

constexpr char kAnswer[] = "raised\n";

} // namespace

ActivationChannel::ActivationChannel(const StorePaths& paths, QObject* parent) : QObject(parent) {
    // A short name in the user's runtime folder: socket paths are limited to about 100 bytes,
    // and the store may lie deep.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    const QByteArray store =
        std::filesystem::absolute(paths.Machine).lexically_normal().string().c_str();
    const QByteArray hash = QCryptographicHash::hash(store, QCryptographicHash::Sha256).toHex();
    name_ = QStringLiteral("%1/netrova-%2-%3.socket")
                .arg(folder)
                .arg(::getuid())
                .arg(QString::fromLatin1(hash.left(16)));
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    // Every request is answered, but one window and one log line per burst: anybody able to
    // connect could otherwise fill the log.
    burst_.setSingleShot(true);
    burst_.setInterval(1000);
    connect(&burst_, &QTimer::timeout, this, [this] {
        if (more_ == 0)
            return; // quiet for a second: the burst is over
        qCInfo(lcApp).noquote() << more_
                                << "more starts of Netrova asked for the window within a second.";
        more_ = 0;
        burst_.start();
    });
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_.nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            if (burst_.isActive()) {
                ++more_;
            } else {
                emit ActivationRequested();
                burst_.start();
            }
            client->write(kAnswer);
            client->disconnectFromServer();
        }
    });
}

bool ActivationChannel::Listen() {
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
}

bool ActivationChannel::AskToActivate(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    while (socket.bytesAvailable() < qint64(sizeof kAnswer - 1) &&
           socket.waitForReadyRead(timeoutMs))
        ;
    return socket.readAll() == kAnswer;
}

} // namespace netrova
