#include "history/Report.h"

#include "common/Text.h"
#include "history/FileWrite.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace netrova {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kFlushSize = 1 << 16;

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

// Appends a cell's value where the blank row has blanks: cut as the report's columns require,
// then padded so that the next "|" keeps its column.
void PutCell(std::string& row, const Cell& cell, std::string_view value) {
    const std::size_t room = static_cast<std::size_t>(cell.last - cell.start + 1);
    std::size_t chars = CharCount(value);
    std::string_view cut = value;
    bool dots = false;
    if (cell.whole > 0 && chars > static_cast<std::size_t>(cell.whole)) {
        cut = FirstChars(value, static_cast<std::size_t>(cell.whole - 2));
        chars = static_cast<std::size_t>(cell.whole);
        dots = true;
    } else if (chars > room) {
        // Only a stamp out of its ranges gets here.
        cut = FirstChars(value, room);
        chars = room;
    }
    row += '|';
    row.append(static_cast<std::size_t>(cell.start - cell.first), ' ');
    row += cut;
    if (dots)
        row += "..";
    row.append(room - chars, ' ');
}

std::string Rule(char c) {
    std::string line(kReportWidth, c);
    line += kLineEnd;
    return line;
}

// Appends the record's data row to out: the writer builds its rows in its output buffer.
void AppendRow(std::string& out, const THistoryRecord& r) {
    const std::string values[9] = {
        FieldText(r.User),          FieldText(r.Provider),     FormatMoney(r.Fee),
        FormatDuration(r.Duration), FieldText(r.TotalFeeText), FormatStampDate(r.Started),
        FormatStampTime(r.Started), FormatStampDate(r.Ended),  FormatStampTime(r.Ended)};
    for (int i = 0; i < 9; ++i)
        PutCell(out, kCells[i], values[i]);
    out += '|';
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
    std::string row;
    row.reserve(2 * kReportWidth);
    AppendRow(row, r);
    return row;
}

bool CreateReport(const std::string& programPath, int year, int month, int day) {
    const std::string folder = ReportsPath(programPath);
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        return false;

    // A hidden name without the ".rpt" ending: the report lists never show a half-made report.
    const std::string name = ReportFileName(year, month, day);
    std::string temp = folder + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    ::fchmod(fd, 0644);

    const std::string underscores = Rule('_');
    std::string out = ReportHead();
    out.reserve(kFlushSize + 2 * underscores.size() + 64);
    bool ok = true;
    ScanHistory(programPath, [&](const THistoryRecord& r) {
        AppendRow(out, r);
        out += kLineEnd;
        out += underscores;
        if (out.size() >= kFlushSize) {
            ok = WriteAll(fd, out.data(), out.size());
            out.clear();
        }
        return ok;
    });
    ok = ok && WriteAll(fd, out.data(), out.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), (folder + "/" + name).c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

} // namespace netrova
