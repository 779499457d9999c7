#include "history/FileWrite.h"

#ifdef NETROVA_FAULT_POINTS
#include "store/FaultPoints.h"
#endif

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace netrova {

bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void SyncFolder(const std::string& path) {
    const FileHandle dir(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir)
        ::fsync(dir.get());
}

FileError SystemError(int err) {
    return {std::error_code(err, std::generic_category()), std::strerror(err)};
}

FileError FileProblem(std::string text) {
    return {{}, std::move(text)};
}

bool FileError::DiskFull() const {
    return code == std::errc::no_space_on_device ||
           code == std::error_code(EDQUOT, std::generic_category());
}

namespace {

FileError NotARegularFile(const struct stat& st) {
    return FileProblem(S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file");
}

} // namespace

FileHandle OpenHistoryFile(const std::string& path, int flags, bool create, bool* created,
                           FileError& why) {
    flags |= O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    FileHandle fd(::open(path.c_str(), flags));
    if (!fd && errno == ENOENT && create) {
        fd = FileHandle(::open(path.c_str(), flags | O_CREAT, 0644));
        if (created)
            *created = bool(fd);
    }
    struct stat st {};
    if (!fd) {
        const int err = errno;
        if (err == ENOENT && !create) {
            why = {}; // a missing file is an empty history, not a failure
            return fd;
        }
        // A FIFO without a reader fails with ENXIO; say what the file is instead.
        if (err != ENOENT && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            why = NotARegularFile(st);
        else
            why = SystemError(err);
        return fd;
    }
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        why = NotARegularFile(st);
        return FileHandle();
    }
    return fd;
}

FileHandle OpenHistoryFileToWrite(const std::string& path, int flags, bool create, bool* created,
                                  FileError& why) {
    FileHandle fd = OpenHistoryFile(path, O_WRONLY | flags, create, created, why);
#ifdef NETROVA_FAULT_POINTS
    if (fd && faults::Reached(faults::Point::HistoryWrite)) {
        why = SystemError(ENOSPC);
        return FileHandle();
    }
#endif
    return fd;
}

} // namespace netrova
