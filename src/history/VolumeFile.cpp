#include "history/VolumeFile.h"
#include "history/FileWrite.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace netrova {

namespace {

constexpr std::uint64_t kUnknown = ~std::uint64_t{0};

TStamp Plain(TStamp s) {
    s.Reserved = 0;
    return s;
}

} // namespace

VolumeRecord VolumeRecordOf(const THistoryRecord& record, const std::optional<Volume>& volume) {
    VolumeRecord v;
    v.Started = Plain(record.Started);
    v.Received = volume ? volume->Received : kUnknown;
    v.Sent = volume ? volume->Sent : kUnknown;
    return v;
}

std::optional<Volume> VolumeFor(const THistoryRecord& record, const VolumeRecord& stored) {
    if (!(Plain(stored.Started) == Plain(record.Started)) || stored.Started.Year == 0 ||
        (stored.Received == kUnknown && stored.Sent == kUnknown))
        return std::nullopt;
    return Volume{stored.Received, stored.Sent};
}

std::string VolumePath(const std::string& programPath) {
    return programPath + "/" + kVolumeFileName;
}

bool WriteVolumeRecord(const std::string& programPath, std::size_t place,
                       const VolumeRecord& record, FileError* error) {
    FileError why;
    FileHandle fd = OpenHistoryFileToWrite(VolumePath(programPath), 0, true, nullptr, why);
    if (!fd)
        return Fail(error, why);
    // A file that ends short of the place gets zero records, which match no history record.
    const auto at = static_cast<off_t>(place * sizeof(VolumeRecord));
    bool ok = true;
    for (std::size_t done = 0; ok && done < sizeof record;) {
        const ssize_t n = ::pwrite(fd.get(), reinterpret_cast<const char*>(&record) + done,
                                   sizeof record - done, at + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && ::fdatasync(fd.get()) == 0;
    if (!ok)
        why = SystemError(errno);
    return ok || Fail(error, why);
}

void ReadVolumeRecords(const std::string& programPath, std::size_t first, VolumeRecord* out,
                       std::size_t count) {
    std::memset(static_cast<void*>(out), 0, count * sizeof(VolumeRecord));
    FileError why;
    FileHandle fd = OpenHistoryFile(VolumePath(programPath), O_RDONLY, false, nullptr, why);
    if (!fd)
        return;
    auto* bytes = reinterpret_cast<char*>(out);
    const std::size_t size = count * sizeof(VolumeRecord);
    const auto at = static_cast<off_t>(first * sizeof(VolumeRecord));
    for (std::size_t got = 0; got < size;) {
        const ssize_t n = ::pread(fd.get(), bytes + got, size - got, at + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A torn record at the end matches nothing either.
            std::memset(bytes + got - got % sizeof(VolumeRecord), 0, got % sizeof(VolumeRecord));
            break;
        }
        got += static_cast<std::size_t>(n);
    }
}

bool EmptyVolumes(const std::string& programPath, FileError* error) {
    FileError why;
    FileHandle fd = OpenHistoryFileToWrite(VolumePath(programPath), 0, false, nullptr, why);
    if (!fd)
        return !why.Failed() || Fail(error, why);
    if (::ftruncate(fd.get(), 0) != 0 || ::fsync(fd.get()) != 0)
        why = SystemError(errno);
    return !why.Failed() || Fail(error, why);
}

std::size_t ScanHistoryWithVolume(
    const std::string& programPath,
    const std::function<bool(const THistoryRecord&, const std::optional<Volume>&)>& visit,
    FileError* error) {
    // The companion is read in blocks beside the history's own.
    constexpr std::size_t kBlock = 512;
    std::vector<VolumeRecord> volumes(kBlock);
    std::size_t next = 0; // place of volumes[0]
    std::size_t place = 0;
    return ScanHistory(
        programPath,
        [&](const THistoryRecord& r) {
            if (place == 0 || place - next >= kBlock) {
                next = place;
                ReadVolumeRecords(programPath, next, volumes.data(), kBlock);
            }
            const VolumeRecord& stored = volumes[place - next];
            ++place;
            return visit(r, VolumeFor(r, stored));
        },
        error);
}

} // namespace netrova
