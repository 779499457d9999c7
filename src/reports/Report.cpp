#include "reports/Report.h"

#include "common/Text.h"
#include "common/TextPut.h"
#include "history/FileWrite.h"
#include "platform/MessageBoxes.h"
#include "reports/ReportFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace netrova {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kFlushSize = 1 << 20;
// The longest data row: every character of it four bytes of UTF-8.
constexpr std::size_t kRowMax = 4 * std::size_t{kReportWidth};

// A cell of the data row: its columns first..last (inclusive), the column its value starts at
// and the longest value written whole (0: a stamp's text, only kept inside the cell).
struct Cell {
    int first;
    int last;
    int start;
    int whole;
};
constexpr Cell kCells[9] = {{1, 12, 2, 10},   {14, 32, 15, 17},   {34, 48, 35, 13},
                            {50, 62, 51, 11}, {64, 78, 65, 13},   {80, 93, 81, 0},
                            {95, 108, 96, 0}, {110, 123, 112, 0}, {125, 138, 127, 0}};

bool IsLeadByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

std::size_t CharCount(std::string_view text) {
    std::size_t n = 0;
    for (const char c : text)
        n += IsLeadByte(c) ? 1 : 0;
    return n;
}

// The first `count` characters of UTF-8 text.
std::string_view FirstChars(std::string_view text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(text[i]) && seen++ == count)
            return text.substr(0, i);
    }
    return text;
}

// Puts a cell's value where the blank row has blanks: cut as the report's columns require,
// then padded so that the next "|" keeps its column. ASCII values, nearly all, skip the
// counting of characters.
char* PutCell(char* p, const Cell& cell, std::string_view value, bool ascii) {
    const std::size_t room = static_cast<std::size_t>(cell.last - cell.start) + 1;
    std::size_t chars = ascii ? value.size() : CharCount(value);
    std::string_view cut = value;
    bool dots = false;
    const auto first = [&](std::size_t count) {
        return ascii ? value.substr(0, count) : FirstChars(value, count);
    };
    if (cell.whole > 0 && chars > static_cast<std::size_t>(cell.whole)) {
        cut = first(static_cast<std::size_t>(cell.whole - 2));
        chars = static_cast<std::size_t>(cell.whole);
        dots = true;
    } else if (chars > room) {
        // Only a stamp out of its ranges gets here.
        cut = first(room);
        chars = room;
    }
    *p++ = '|';
    const auto lead = static_cast<std::size_t>(cell.start - cell.first);
    std::memset(p, ' ', lead);
    p = PutText(p + lead, cut);
    if (dots)
        p = PutText(p, "..");
    std::memset(p, ' ', room - chars);
    return p + (room - chars);
}

// A record's text field: the field itself when it is plain printable ASCII, as nearly all are,
// else its text as FieldText reads it and ShownText shows it, kept in spare.
template <std::size_t N>
char* PutFieldCell(char* p, const Cell& cell, const char (&field)[N], std::string& spare) {
    std::size_t len = 0;
    unsigned char high = 0;
    bool control = false;
    for (; len < N && field[len] != 0; ++len) {
        const auto c = static_cast<unsigned char>(field[len]);
        high |= c & 0x80;
        control |= c < 0x20 || c == 0x7f;
    }
    if (high == 0 && !control)
        return PutCell(p, cell, {field, len}, true);
    spare = ShownText(FieldText(field));
    return PutCell(p, cell, spare, high == 0);
}

// Puts the record's data row at p, which has room for kRowMax bytes; returns its end.
char* PutRow(char* p, const THistoryRecord& r) {
    std::string spare;
    char numbers[6][48];
    const char* ends[6] = {PutMoney(numbers[0], r.Fee),         PutDuration(numbers[1], r.Duration),
                           PutStampDate(numbers[2], r.Started), PutStampTime(numbers[3], r.Started),
                           PutStampDate(numbers[4], r.Ended),   PutStampTime(numbers[5], r.Ended)};
    const auto number = [&](int i) {
        return std::string_view(numbers[i], static_cast<std::size_t>(ends[i] - numbers[i]));
    };
    p = PutFieldCell(p, kCells[0], r.User, spare);
    p = PutFieldCell(p, kCells[1], r.Provider, spare);
    p = PutCell(p, kCells[2], number(0), true);
    p = PutCell(p, kCells[3], number(1), true);
    p = PutFieldCell(p, kCells[4], r.TotalFeeText, spare);
    for (int i = 2; i < 6; ++i)
        p = PutCell(p, kCells[i + 3], number(i), true);
    *p++ = '|';
    return p;
}

std::string Rule(char c) {
    std::string line(kReportWidth, c);
    line += kLineEnd;
    return line;
}

ReportOutcome Failed(ReportOutcome outcome, std::string why) {
    outcome.Error = std::move(why);
    return outcome;
}

} // namespace

std::string ReportFileName(int year, int month, int day) {
    return std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day) + ".rpt";
}

std::string ReportHead() {
    const std::string stars(56, '*');
    std::string head = stars + " Report made by Netrova 1.2 " + stars;
    head += kLineEnd;
    head += Rule('=');
    head += "|    User    | Internet provider |    Con. fee   |  Con. time  |   Total fee   | "
            "Started date | Started time |  Ended date  |  Ended time  |";
    head += kLineEnd;
    head += Rule('=');
    return head;
}

std::string ReportRow(const THistoryRecord& r) {
    char row[kRowMax];
    return std::string(row, PutRow(row, r));
}

ReportOutcome WriteReport(const std::string& programPath, int year, int month, int day,
                          ReportProgress* progress) {
    const std::string folder = ReportsPath(programPath);
    const std::string name = ReportFileName(year, month, day);
    ReportOutcome outcome;
    outcome.Path = folder + "/" + name;
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        return Failed(outcome, std::strerror(errno));
    RemoveReportTemporaries(programPath);

    // A hidden name without the ".rpt" ending: the report lists never show a half-made report.
    std::string temp = folder + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return Failed(outcome, std::strerror(errno));
    ::fchmod(fd, 0644);
    if (progress) {
        struct stat st {};
        const bool known = ::stat(HistoryPath(programPath).c_str(), &st) == 0;
        progress->Total = known ? static_cast<std::size_t>(st.st_size) / sizeof(THistoryRecord) : 0;
    }

    const std::string head = ReportHead();
    const std::string underscores = Rule('_');
    const std::size_t capacity = kFlushSize + kRowMax + kLineEnd.size() + underscores.size();
    // Two blocks: one is written on its own thread while the rows go into the other, so that
    // the formatting and the disk overlap.
    const std::unique_ptr<char[]> blocks[2] = {std::make_unique<char[]>(capacity),
                                               std::make_unique<char[]>(capacity)};
    int current = 0;
    char* begin = blocks[0].get();
    char* p = PutText(begin, head);
    std::future<int> pending; // the errno of the block being written, 0 once written
    off_t written = 0;
    std::string why;
    const auto waitForPending = [&] {
        if (const int err = pending.valid() ? pending.get() : 0; err != 0 && why.empty())
            why = std::strerror(err);
        return why.empty();
    };
    const auto flush = [&] {
        if (!waitForPending())
            return false;
        const auto size = static_cast<std::size_t>(p - begin);
        // The block's write-back starts at once, so little is left for the closing fsync.
        pending = std::async(std::launch::async, [fd, begin, size, at = written] {
            if (!WriteAll(fd, begin, size))
                return errno != 0 ? errno : EIO;
            ::sync_file_range(fd, at, static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
            return 0;
        });
        written += static_cast<off_t>(size);
        current ^= 1;
        begin = blocks[current].get();
        p = begin;
        return true;
    };
    FileError scanError;
    ScanHistory(
        programPath,
        [&](const THistoryRecord& r) {
            p = PutText(PutText(PutRow(p, r), kLineEnd), underscores);
            ++outcome.Records;
            if (static_cast<std::size_t>(p - begin) < kFlushSize)
                return true;
            if (progress)
                progress->Done.store(outcome.Records, std::memory_order_relaxed);
            return flush();
        },
        &scanError);
    if (why.empty() && scanError.Failed())
        why = "the history file could not be read: " + scanError.text;
    if (flush() && waitForPending() && ::fsync(fd) != 0)
        why = std::strerror(errno);
    if (::close(fd) != 0 && why.empty())
        why = std::strerror(errno);
    struct stat earlier {};
    outcome.Replaced = ::lstat(outcome.Path.c_str(), &earlier) == 0;
    if (why.empty() && std::rename(temp.c_str(), outcome.Path.c_str()) != 0)
        why = std::strerror(errno);
    if (!why.empty()) {
        ::unlink(temp.c_str());
        return Failed(outcome, why);
    }
    SyncFolder(folder);
    if (progress)
        progress->Done = outcome.Records;
    outcome.Written = true;
    return outcome;
}

void TellReport(MessageBoxes& boxes, const ReportOutcome& outcome) {
    // The name alone fits a status line; the folder is the one Open report lists.
    const std::string name = std::filesystem::path(outcome.Path).filename().string();
    if (!outcome.Written) {
        boxes.Notice("The report " + name + " could not be written: " + outcome.Error + ".");
        return;
    }
    const std::size_t n = outcome.Records;
    boxes.Notice("The report " + name + " was written with " + std::to_string(n) +
                 (n == 1 ? " connection." : " connections.") +
                 (outcome.Replaced ? " It replaces the earlier report of that day." : ""));
}

bool CreateReport(const std::string& programPath, int year, int month, int day) {
    return WriteReport(programPath, year, month, day).Written;
}

ReportOutcome ReportRunner::Run(const std::string& programPath, int year, int month, int day) {
    return WriteReport(programPath, year, month, day);
}

} // namespace netrova
