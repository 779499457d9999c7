#include "historytool/HistoryExport.h"

#include "common/Text.h"
#include "common/TextPut.h"

#include <array>
#include <charconv>
#include <cstring>
#include <type_traits>

namespace netrova {

namespace {

// Export writes a million lines: they are put together in place, byte by byte, with no
// strings in between.

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233"
    "34353637383940414243444546474849505152535455565758596061626364656667"
    "6869707172737475767778798081828384858687888990919293949596979899";

// value in decimal, zero-padded to width digits.
char* PutPadded(char* p, unsigned value, int width) {
    if (width == 2 && value < 100) {
        std::memcpy(p, kDigitPairs + 2 * std::size_t{value}, 2);
        return p + 2;
    }
    if (width == 4 && value < 10000) {
        std::memcpy(p, kDigitPairs + 2 * std::size_t{value / 100}, 2);
        std::memcpy(p + 2, kDigitPairs + 2 * std::size_t{value % 100}, 2);
        return p + 4;
    }
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < width; ++i)
        *p++ = '0';
    while (n > 0)
        *p++ = digits[--n];
    return p;
}

// 1999-07-04, or 1999-07 without the day.
char* PutDate(char* p, const TStamp& s, bool withDay) {
    p = PutPadded(p, s.Year, 4);
    *p++ = '-';
    p = PutPadded(p, s.Month, 2);
    if (withDay) {
        *p++ = '-';
        p = PutPadded(p, s.Day, 2);
    }
    return p;
}

// 1999-07-04T21:05:00, with between in place of the T.
char* PutStamp(char* p, const TStamp& s, char between) {
    p = PutDate(p, s, true);
    *p++ = between;
    p = PutPadded(p, s.Hour, 2);
    *p++ = ':';
    p = PutPadded(p, s.Minute, 2);
    *p++ = ':';
    return PutPadded(p, s.Second, 2);
}

// A stamp that cannot be is left empty rather than printed as a time that is none.
char* PutCsvStamp(char* p, const TStamp& s) {
    return IsPossibleStamp(s) ? PutStamp(p, s, 'T') : p;
}

char* PutJsonStamp(char* p, const TStamp& s) {
    if (!IsPossibleStamp(s))
        return PutText(p, "null");
    *p++ = '"';
    p = PutStamp(p, s, 'T');
    *p++ = '"';
    return p;
}

char* PutCsvField(char* p, std::string_view text) {
    bool plain = true;
    for (char c : text)
        plain = plain && c != ',' && c != '"' && c != '\r' && c != '\n';
    if (plain)
        return PutText(p, text);
    *p++ = '"';
    for (char c : text) {
        if (c == '"')
            *p++ = '"';
        *p++ = c;
    }
    *p++ = '"';
    return p;
}

// The characters of a JSON string, escaped, without its quotes.
char* PutJsonChars(char* p, std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            *p++ = '\\';
            *p++ = c;
        } else if (c == '\n') {
            p = PutText(p, "\\n");
        } else if (c == '\r') {
            p = PutText(p, "\\r");
        } else if (c == '\t') {
            p = PutText(p, "\\t");
        } else if (u < 0x20) {
            p = PutText(p, "\\u00");
            *p++ = hex[u >> 4];
            *p++ = hex[u & 15];
        } else {
            *p++ = c;
        }
    }
    return p;
}

// Byte classes for the one pass over a record's text field: 1 needs escaping or quoting,
// 2 is not ASCII.
using ByteClasses = std::array<unsigned char, 256>;
constexpr ByteClasses Classes(std::string_view special, bool controls) {
    ByteClasses classes{};
    for (unsigned c = 0; c < 256; ++c)
        classes[c] = c >= 0x80 ? 2 : (controls && c < 0x20) ? 1 : 0;
    for (char c : special)
        classes[static_cast<unsigned char>(c)] = 1;
    return classes;
}
constexpr ByteClasses kCsvClasses = Classes(",\"\r\n", false);
constexpr ByteClasses kJsonClasses = Classes("\"\\", true);

// A record's text field through put, copied as it is when it is plain ASCII (as nearly all
// are): one pass over its bytes.
template <std::size_t N, typename Put>
char* PutField(char* p, const char (&field)[N], const ByteClasses& classes, Put put) {
    unsigned char seen = 0;
    std::size_t len = 0;
    for (; len < N && field[len] != 0; ++len) {
        seen |= classes[static_cast<unsigned char>(field[len])];
        p[len] = field[len];
    }
    if (seen == 0)
        return p + len;
    return (seen & 2) ? put(p, FieldText(field)) : put(p, std::string_view(field, len));
}

// A spreadsheet takes a cell that begins with one of these for a formula, also after blanks
// or a ";" (which some split cells at).
template <std::size_t N> constexpr bool StartsFormula(const char (&field)[N]) {
    if (field[0] == '\t' || field[0] == '\r')
        return true;
    std::size_t i = 0;
    while (i < N && (field[i] == ' ' || field[i] == ';' || field[i] == '\t' || field[i] == '\r' ||
                     field[i] == '\n' || field[i] == '\v' || field[i] == '\f'))
        ++i;
    if (i == N)
        return false;
    const char c = field[i];
    return c == '=' || c == '+' || c == '-' || c == '@';
}

// A record's text as a CSV cell; one that a spreadsheet would run as a formula gets a leading
// apostrophe, which keeps it text.
template <std::size_t N> char* PutCsvText(char* p, const char (&field)[N]) {
    if (!StartsFormula(field))
        return PutField(p, field, kCsvClasses, PutCsvField);
    return PutCsvField(p, "'" + FieldText(field));
}

std::string StampText(const TStamp& s, char between) {
    char text[48];
    return std::string(text, PutStamp(text, s, between));
}

std::string DateText(const TStamp& s, bool withDay) {
    char text[24];
    return std::string(text, PutDate(text, s, withDay));
}

// Sort key of a record's Started day or month; the stamp's own fields, so that a stamp out of
// range still gets a group of its own.
std::int64_t DateKey(const TStamp& s, bool withDay) {
    return (std::int64_t{s.Year} << 32) | (std::int64_t{s.Month} << 16) | (withDay ? s.Day : 0);
}

void AddTo(GroupTotals& g, const THistoryRecord& r, const std::optional<Volume>& volume) {
    ++g.Connections;
    g.Time += r.Duration;
    g.Fee += r.Fee;
    AddKnown(g.Bytes, volume);
}

// A byte count in decimal; up to 20 digits.
char* PutBytes(char* p, std::uint64_t bytes) {
    return std::to_chars(p, p + 24, bytes).ptr;
}

} // namespace

bool HistoryFilter::Matches(const THistoryRecord& r) const {
    if (FromDay || ToDay) {
        const int day = DayNumber(r.Started);
        if ((FromDay && day < *FromDay) || (ToDay && day > *ToDay))
            return false;
    }
    return (!User || FieldText(r.User) == *User) &&
           (!Provider || FieldText(r.Provider) == *Provider);
}

std::optional<int> ParseDate(std::string_view text) {
    int parts[3] = {};
    const char* p = text.data();
    const char* const end = text.data() + text.size();
    for (int i = 0; i < 3; ++i) {
        const char* start = p;
        const auto [next, ec] = std::from_chars(p, end, parts[i]);
        const std::ptrdiff_t digits = next - start;
        // from_chars takes a minus sign, which a date has none of.
        if (ec != std::errc() || digits < 1 || digits > (i == 0 ? 4 : 2) || *start == '-')
            return std::nullopt;
        p = next;
        if (i < 2) {
            if (p == end || *p != '-')
                return std::nullopt;
            ++p;
        }
    }
    if (p != end)
        return std::nullopt;
    // At most two digits each: month and day fit year_month_day's fields, which ok() checks.
    const std::chrono::year_month_day date =
        std::chrono::year{parts[0]} / std::chrono::month(parts[1]) / std::chrono::day(parts[2]);
    if (!date.ok())
        return std::nullopt;
    return DayNumber(date);
}

const char* const kCsvHeader =
    "started,ended,duration_seconds,fee_cents,fee_text,total_fee_text,provider,user,"
    "received_bytes,sent_bytes\r\n";

char* PutCsvLine(const THistoryRecord& r, const std::optional<Volume>& volume, char* p) {
    p = PutCsvStamp(p, r.Started);
    *p++ = ',';
    p = PutCsvStamp(p, r.Ended);
    *p++ = ',';
    p = PutNumber(p, r.Duration);
    *p++ = ',';
    p = PutNumber(p, r.Fee);
    *p++ = ',';
    p = PutMoney(p, r.Fee); // never holds a comma or a quote
    *p++ = ',';
    p = PutCsvText(p, r.TotalFeeText);
    *p++ = ',';
    p = PutCsvText(p, r.Provider);
    *p++ = ',';
    p = PutCsvText(p, r.User);
    *p++ = ',';
    if (volume)
        p = PutBytes(p, volume->Received);
    *p++ = ',';
    if (volume)
        p = PutBytes(p, volume->Sent);
    return PutText(p, "\r\n");
}

char* PutJsonLine(const THistoryRecord& r, const std::optional<Volume>& volume, char* p) {
    p = PutJsonStamp(PutText(p, "{\"started\":"), r.Started);
    p = PutJsonStamp(PutText(p, ",\"ended\":"), r.Ended);
    p = PutNumber(PutText(p, ",\"duration_seconds\":"), r.Duration);
    p = PutNumber(PutText(p, ",\"fee_cents\":"), r.Fee);
    p = PutText(p, ",\"fee_text\":\"");
    p = PutText(PutMoney(p, r.Fee), "\"");
    p = PutField(PutText(p, ",\"total_fee_text\":\""), r.TotalFeeText, kJsonClasses, PutJsonChars);
    p = PutField(PutText(p, "\",\"provider\":\""), r.Provider, kJsonClasses, PutJsonChars);
    p = PutField(PutText(p, "\",\"user\":\""), r.User, kJsonClasses, PutJsonChars);
    p = PutText(p, "\",\"received_bytes\":");
    p = volume ? PutBytes(p, volume->Received) : PutText(p, "null");
    p = PutText(p, ",\"sent_bytes\":");
    p = volume ? PutBytes(p, volume->Sent) : PutText(p, "null");
    return PutText(p, "}\n");
}

std::vector<std::string> ListHeader() {
    return {"Started", "Ended", "Time", "Fee", "Received", "Sent", "Total fee", "Provider", "User"};
}

std::vector<bool> ListRightAligned() {
    return {false, false, true, true, true, true, true, false, false};
}

std::vector<std::string> ListCells(const THistoryRecord& r, const std::optional<Volume>& volume) {
    return {StampText(r.Started, ' '),
            StampText(r.Ended, ' '),
            FormatDuration(r.Duration),
            FormatMoney(r.Fee),
            FormatVolume(volume ? std::optional(volume->Received) : std::nullopt),
            FormatVolume(volume ? std::optional(volume->Sent) : std::nullopt),
            ShownText(FieldText(r.TotalFeeText)),
            ShownText(FieldText(r.Provider)),
            ShownText(FieldText(r.User))};
}

std::size_t TextWidth(std::string_view text) {
    std::size_t width = 0;
    for (char c : text)
        width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return width;
}

std::string AlignedLine(const std::vector<std::string>& cells,
                        const std::vector<std::size_t>& widths,
                        const std::vector<bool>& rightAligned) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += "  ";
        const bool last = i + 1 == cells.size();
        const std::size_t width = i < widths.size() ? widths[i] : 0;
        const std::size_t pad = width > TextWidth(cells[i]) ? width - TextWidth(cells[i]) : 0;
        const bool right = i < rightAligned.size() && rightAligned[i];
        if (right)
            line.append(pad, ' ');
        line += cells[i];
        if (!right && !last)
            line.append(pad, ' ');
    }
    return line;
}

HistorySummary::HistorySummary(GroupBy by) : by_(by) {}

HistorySummary::~HistorySummary() {
    if (spill_)
        std::fclose(spill_);
}

void HistorySummary::Add(const THistoryRecord& r, const std::optional<Volume>& volume) {
    AddTo(total_, r, volume);
    if (by_ == GroupBy::Provider || by_ == GroupBy::User) {
        std::string name = by_ == GroupBy::User ? FieldText(r.User) : FieldText(r.Provider);
        const auto [it, added] = index_.try_emplace(name, named_.size());
        if (added)
            named_.push_back(GroupTotals{std::move(name)});
        AddTo(named_[it->second], r, volume);
        return;
    }
    const std::int64_t key = DateKey(r.Started, by_ == GroupBy::Day);
    if (!current_ || key > current_->Key) {
        if (current_)
            Finish(*current_);
        current_ = DatedSums{key};
    }
    DatedSums& g =
        key == current_->Key ? *current_ : late_.try_emplace(key, DatedSums{key}).first->second;
    ++g.Connections;
    g.Time += r.Duration;
    g.Fee += r.Fee;
    AddKnown(g.Bytes, volume);
}

void HistorySummary::Finish(const DatedSums& group) {
    static_assert(std::is_trivially_copyable_v<DatedSums>, "written to the file as it is");
    if (!spill_ && !spillFailed_) {
        spill_ = std::tmpfile();
        spillFailed_ = !spill_;
    }
    if (!spillFailed_ && std::fwrite(&group, sizeof group, 1, spill_) == 1)
        return;
    // Kept in memory from here on; what went to the file before is read back all the same.
    spillFailed_ = true;
    late_.emplace(group.Key, group);
}

bool HistorySummary::ForEachDated(const std::function<void(const DatedSums&)>& visit) {
    // Two runs in date order, merged: the days (months) of the file, then current_, which is
    // later than all of them; and those in memory, which may repeat any of the file's.
    std::vector<DatedSums> block(1024);
    std::size_t at = 0, got = 0;
    bool ok = true;
    if (spill_)
        ok = std::fflush(spill_) == 0 && std::fseek(spill_, 0, SEEK_SET) == 0;
    const auto next = [&]() -> const DatedSums* {
        if (at == got && spill_ && ok) {
            at = 0;
            got = std::fread(block.data(), sizeof(DatedSums), block.size(), spill_);
            ok = got == block.size() || !std::ferror(spill_);
        }
        return at < got ? &block[at] : nullptr;
    };
    auto late = late_.begin();
    for (const DatedSums* spilled = next(); ok && (spilled || late != late_.end());
         spilled = next()) {
        if (!spilled || (late != late_.end() && late->first < spilled->Key)) {
            visit((late++)->second);
            continue;
        }
        DatedSums g = *spilled;
        ++at;
        if (late != late_.end() && late->first == g.Key) {
            const DatedSums& more = (late++)->second;
            g.Connections += more.Connections;
            g.Time += more.Time;
            g.Fee += more.Fee;
            AddKnown(g.Bytes, more.Bytes);
        }
        visit(g);
    }
    if (ok && current_)
        visit(*current_);
    return ok;
}

bool HistorySummary::ForEachGroup(const std::function<void(const GroupTotals&)>& visit) {
    if (by_ == GroupBy::Provider || by_ == GroupBy::User) {
        for (const GroupTotals& g : named_)
            visit(g);
        return true;
    }
    const bool byDay = by_ == GroupBy::Day;
    return ForEachDated([&](const DatedSums& d) {
        TStamp date{};
        date.Year = static_cast<std::uint16_t>(d.Key >> 32);
        date.Month = static_cast<std::uint16_t>(d.Key >> 16);
        date.Day = static_cast<std::uint16_t>(d.Key);
        visit(GroupTotals{DateText(date, byDay), d.Connections, d.Time, d.Fee, d.Bytes});
    });
}

} // namespace netrova
