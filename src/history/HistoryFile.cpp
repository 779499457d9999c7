#include "history/HistoryFile.h"
#include "history/FileWrite.h"

#include "common/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace netrova {

std::string FieldText(const char* field, std::size_t size) {
    const std::size_t len = strnlen(field, size);
    if (IsUtf8(std::string_view(field, len)))
        return std::string(field, len);
    const auto* bytes = reinterpret_cast<const unsigned char*>(field);
    std::string latin1;
    for (std::size_t i = 0; i < len; ++i) {
        const unsigned char c = bytes[i];
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
        } else {
            latin1 += static_cast<char>(0xC0 | (c >> 6));
            latin1 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return latin1;
}

void SetFieldText(char* field, std::size_t size, std::string_view text) {
    std::memset(field, 0, size);
    const std::string cut = CutUtf8(text, size - 1);
    cut.copy(field, cut.size()); // the memset above ends it
}

std::string HistoryPath(const std::string& programPath) {
    return programPath + "/" + kHistoryFileName;
}

std::string ReportsPath(const std::string& programPath) {
    return programPath + "/Reports";
}

bool AppendHistoryRecord(const std::string& programPath, const THistoryRecord& record,
                         FileError* error) {
    const std::string path = HistoryPath(programPath);
    bool created = false;
    FileError why;
    // O_APPEND: a file that may only be appended to (chattr +a) takes the record too.
    FileHandle fd = OpenHistoryFileToWrite(path, O_APPEND, true, &created, why);
    if (!fd)
        return Fail(error, why);
    THistoryRecord out = record;
    out.Started.Reserved = 0;
    out.Ended.Reserved = 0;

    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        why = SystemError(errno);
    const off_t whole = st.st_size - st.st_size % static_cast<off_t>(sizeof out);
    // A write cut short by a crash leaves a fragment; appending after it would shift every
    // later record, so the fragment goes first.
    if (!why.Failed() && whole != st.st_size && ::ftruncate(fd.get(), whole) != 0)
        why = {std::error_code(errno, std::generic_category()),
               std::string("a torn record at its end cannot be cut off (") + std::strerror(errno) +
                   ")"};
    if (!why.Failed() && !WriteAll(fd.get(), &out, sizeof out)) {
        why = SystemError(errno);
        // Leave no fragment of our own behind.
        [[maybe_unused]] const int cut = ::ftruncate(fd.get(), whole);
    }
    if (!why.Failed() && ::fsync(fd.get()) != 0)
        why = SystemError(errno);
    if (!!why.Failed())
        return Fail(error, why);
    // A new file's name must reach the disk too, or a crash could lose the whole file.
    if (created)
        SyncFolder(programPath);
    return true;
}

std::vector<THistoryRecord> ReadLastHistoryRecords(const std::string& programPath,
                                                   std::size_t count) {
    std::vector<THistoryRecord> records;
    FileError why;
    FileHandle fd = OpenHistoryFile(HistoryPath(programPath), O_RDONLY, false, nullptr, why);
    if (!fd)
        return records;
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0) {
        const auto size = static_cast<off_t>(sizeof(THistoryRecord));
        const off_t whole = st.st_size - st.st_size % size;
        const off_t first = std::max<off_t>(0, whole - static_cast<off_t>(count) * size);
        records.resize(static_cast<std::size_t>((whole - first) / size));
        const std::size_t bytes = records.size() * sizeof(THistoryRecord);
        std::size_t done = 0;
        while (done < bytes) {
            const ssize_t n = ::pread(fd.get(), reinterpret_cast<char*>(records.data()) + done,
                                      bytes - done, first + static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        records.resize(done / sizeof(THistoryRecord));
    }
    return records;
}

std::size_t HistoryRecordCount(const std::string& programPath) {
    struct stat st {};
    if (::stat(HistoryPath(programPath).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<std::size_t>(st.st_size) / sizeof(THistoryRecord);
}

bool ReadLastHistoryRecord(const std::string& programPath, THistoryRecord& record) {
    const auto last = ReadLastHistoryRecords(programPath, 1);
    if (last.empty())
        return false;
    record = last.back();
    return true;
}

bool EmptyHistory(const std::string& programPath, FileError* error) {
    FileError why;
    FileHandle fd = OpenHistoryFileToWrite(HistoryPath(programPath), 0, true, nullptr, why);
    if (!fd)
        return Fail(error, why);
    if (::ftruncate(fd.get(), 0) != 0 || ::fsync(fd.get()) != 0)
        why = SystemError(errno);
    return !why.Failed() || Fail(error, why);
}

std::size_t ScanHistory(const std::string& programPath,
                        const std::function<bool(const THistoryRecord&)>& visit, FileError* error) {
    return ScanHistoryFile(HistoryPath(programPath), visit, error);
}

namespace {

// Reads whole records at the record offset first into out; a torn tail is left out.
std::size_t ReadRecordsAt(int fd, std::size_t first, THistoryRecord* out, std::size_t count) {
    auto* bytes = reinterpret_cast<char*>(out);
    const std::size_t size = count * sizeof(THistoryRecord);
    const auto at = static_cast<off_t>(first * sizeof(THistoryRecord));
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, bytes + got, size - got, at + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got / sizeof(THistoryRecord);
}

std::size_t ScanFrom(const std::string& filePath, std::size_t first,
                     const std::function<bool(const THistoryRecord&)>& visit, FileError* error) {
    FileError why;
    FileHandle fd = OpenHistoryFile(filePath, O_RDONLY, false, nullptr, why);
    if (!fd) {
        if (error)
            *error = why;
        return 0;
    }
    // Read in blocks of whole records: one read per record would cost more than the readers'
    // own work on a long history.
    constexpr std::size_t kBlockRecords = 512;
    std::vector<THistoryRecord> block(kBlockRecords);
    std::size_t count = 0;
    for (bool more = true; more;) {
        const std::size_t got = ReadRecordsAt(fd.get(), first + count, block.data(), kBlockRecords);
        more = got == kBlockRecords;
        for (std::size_t i = 0; i < got; ++i) {
            ++count;
            if (!visit(block[i])) {
                more = false;
                break;
            }
        }
    }
    return count;
}

} // namespace

std::size_t ScanHistoryFile(const std::string& filePath,
                            const std::function<bool(const THistoryRecord&)>& visit,
                            FileError* error) {
    return ScanFrom(filePath, 0, visit, error);
}

std::size_t ScanHistoryFrom(const std::string& programPath, std::size_t first,
                            const std::function<bool(const THistoryRecord&)>& visit) {
    return ScanFrom(HistoryPath(programPath), first, visit, nullptr);
}

std::size_t ReadHistoryRecords(const std::string& programPath, std::size_t first,
                               THistoryRecord* out, std::size_t count) {
    FileError why;
    FileHandle fd = OpenHistoryFile(HistoryPath(programPath), O_RDONLY, false, nullptr, why);
    if (!fd)
        return 0;
    const std::size_t got = ReadRecordsAt(fd.get(), first, out, count);
    return got;
}

} // namespace netrova
