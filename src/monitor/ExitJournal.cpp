#include "monitor/ExitJournal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace netrova {

namespace {

constexpr std::array<char, 8> kMagic{'N', 'R', 'V', 'E', 'X', 'I', 'T', '1'};
constexpr std::size_t kFileSize = 16384;

#pragma pack(push, 1)
struct Header {
    std::array<char, 8> Magic{};
    std::uint64_t Sum = 0; // of everything after it, up to the last record
    std::uint64_t Id = 0;
    std::int32_t AllMoney = 0;
    std::int32_t AllTime = 0;
    std::uint32_t Count = 0;
    std::uint64_t AllReceived = 0;
    std::uint64_t AllSent = 0;
    std::uint8_t Unused[12] = {};
};
// Each connection: its history record, then its volume record.
constexpr std::size_t kEntrySize = sizeof(THistoryRecord) + sizeof(VolumeRecord);
#pragma pack(pop)
static_assert(sizeof(Header) == 64);

std::uint64_t Sum(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t h = 14695981039346656037ull; // FNV-1a
    for (std::size_t i = 0; i < size; ++i)
        h = (h ^ bytes[i]) * 1099511628211ull;
    return h;
}

bool WriteAt(int fd, const void* data, std::size_t size, std::string& why) {
    const auto* p = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd, p + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            why = std::strerror(errno);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fdatasync(fd) != 0) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

std::string ExitJournalPath(const std::string& folder) {
    return folder + "/exit-journal.dat";
}

std::size_t ExitJournal::Capacity() {
    return (kFileSize - sizeof(Header)) / kEntrySize;
}

bool ExitJournal::Prepare(std::string& why) {
    const int fd =
        ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    // What it holds stays: only a journal already replayed is ever prepared again.
    bool ok = true;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        ok = false;
    } else if (st.st_size < static_cast<off_t>(kFileSize)) {
        if (::posix_fallocate(fd, 0, kFileSize) == 0) {
            if (::fdatasync(fd) != 0) {
                why = std::strerror(errno);
                ok = false;
            }
        } else {
            // A file system without fallocate: the space is taken by writing it.
            std::vector<std::uint8_t> bytes(kFileSize, 0);
            ok = ::pread(fd, bytes.data(), static_cast<std::size_t>(st.st_size), 0) >= 0 &&
                 WriteAt(fd, bytes.data(), bytes.size(), why);
        }
    }
    ::close(fd);
    return ok;
}

bool ExitJournal::Write(const PendingExit& pending, std::string& why) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> bytes(kFileSize, 0);
    Header h;
    h.Magic = kMagic;
    h.Id = pending.Id;
    h.AllMoney = pending.AllMoney;
    h.AllTime = pending.AllTime;
    h.AllReceived = pending.AllVolume.Received;
    h.AllSent = pending.AllVolume.Sent;
    h.Count = static_cast<std::uint32_t>(std::min(pending.Records.size(), Capacity()));
    for (std::size_t i = 0; i < h.Count; ++i) {
        const FinishedConnection& c = pending.Records[i];
        const VolumeRecord v = VolumeRecordOf(c.Record, c.Bytes);
        std::uint8_t* at = bytes.data() + sizeof h + i * kEntrySize;
        std::memcpy(at, &c.Record, sizeof c.Record);
        std::memcpy(at + sizeof c.Record, &v, sizeof v);
    }
    const std::size_t end = sizeof h + h.Count * kEntrySize;
    std::memcpy(bytes.data(), &h, sizeof h);
    h.Sum = Sum(bytes.data() + 16, end - 16);
    std::memcpy(bytes.data(), &h, sizeof h);
    const bool ok = WriteAt(fd, bytes.data(), bytes.size(), why);
    ::close(fd);
    if (ok && h.Count < pending.Records.size())
        why = std::to_string(pending.Records.size() - h.Count) + " connections did not fit";
    return ok;
}

std::optional<PendingExit> ExitJournal::Read() const {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(kFileSize, 0);
    const ssize_t n = ::pread(fd, bytes.data(), bytes.size(), 0);
    ::close(fd);
    Header h;
    if (n < static_cast<ssize_t>(sizeof h))
        return std::nullopt;
    std::memcpy(&h, bytes.data(), sizeof h);
    const std::size_t end = sizeof h + h.Count * kEntrySize;
    if (h.Magic != kMagic || h.Count > Capacity() || static_cast<std::size_t>(n) < end ||
        h.Sum != Sum(bytes.data() + 16, end - 16))
        return std::nullopt;
    PendingExit p;
    p.Id = h.Id;
    p.AllMoney = h.AllMoney;
    p.AllTime = h.AllTime;
    p.AllVolume = {h.AllReceived, h.AllSent};
    p.Records.resize(h.Count);
    for (std::size_t i = 0; i < h.Count; ++i) {
        const std::uint8_t* at = bytes.data() + sizeof h + i * kEntrySize;
        VolumeRecord v;
        std::memcpy(&p.Records[i].Record, at, sizeof(THistoryRecord));
        std::memcpy(&v, at + sizeof(THistoryRecord), sizeof v);
        p.Records[i].Bytes = VolumeFor(p.Records[i].Record, v);
    }
    return p;
}

void ExitJournal::Clear() {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return;
    const std::array<char, 8> none{};
    std::string why;
    WriteAt(fd, none.data(), none.size(), why);
    ::close(fd);
}

} // namespace netrova
