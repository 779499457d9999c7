#include "history/HistoryExport.h"

#include "common/Text.h"

#include <charconv>

namespace netrova {

namespace {

// Appends value in decimal, zero-padded to width digits.
void AppendPadded(std::string& out, unsigned value, int width) {
    char digits[8];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && n < 8);
    for (int i = n; i < width; ++i)
        out += '0';
    while (n > 0)
        out += digits[--n];
}

// 1999-07-04, or 1999-07 without the day.
void AppendDate(std::string& out, const TStamp& s, bool withDay) {
    AppendPadded(out, s.Year, 4);
    out += '-';
    AppendPadded(out, s.Month, 2);
    if (withDay) {
        out += '-';
        AppendPadded(out, s.Day, 2);
    }
}

void AppendStamp(std::string& out, const TStamp& s, char between) {
    AppendDate(out, s, true);
    out += between;
    AppendPadded(out, s.Hour, 2);
    out += ':';
    AppendPadded(out, s.Minute, 2);
    out += ':';
    AppendPadded(out, s.Second, 2);
}

void AppendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void AppendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void AppendJsonString(std::string& out, std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20) {
                out += "\\u00";
                out += hex[u >> 4];
                out += hex[u & 15];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

std::string StampText(const TStamp& s, char between) {
    std::string text;
    AppendStamp(text, s, between);
    return text;
}

std::string DateText(const TStamp& s, bool withDay) {
    std::string text;
    AppendDate(text, s, withDay);
    return text;
}

// Sort key of a record's Started day or month; the stamp's own fields, so that a stamp out of
// range still gets a group of its own.
std::int64_t DateKey(const TStamp& s, bool withDay) {
    return (std::int64_t{s.Year} << 32) | (std::int64_t{s.Month} << 16) | (withDay ? s.Day : 0);
}

void AddTo(GroupTotals& g, const THistoryRecord& r) {
    ++g.Connections;
    g.Time += r.Duration;
    g.Fee += r.Fee;
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
    // A date that does not exist (31 April) comes back from the day number as another one.
    const int number = DayNumber(parts[0], parts[1], parts[2]);
    int y = 0, m = 0, d = 0;
    DateFromDayNumber(number, y, m, d);
    if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || y != parts[0] || m != parts[1] ||
        d != parts[2])
        return std::nullopt;
    return number;
}

std::string IsoStamp(const TStamp& s) {
    return StampText(s, 'T');
}

std::string CsvField(std::string_view text) {
    std::string out;
    AppendCsvField(out, text);
    return out;
}

std::string JsonString(std::string_view text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

const char* const kCsvHeader =
    "started,ended,duration_seconds,fee_cents,fee_text,total_fee_text,provider,user\r\n";

void AppendCsvLine(const THistoryRecord& r, std::string& out) {
    AppendStamp(out, r.Started, 'T');
    out += ',';
    AppendStamp(out, r.Ended, 'T');
    out += ',';
    AppendNumber(out, r.Duration);
    out += ',';
    AppendNumber(out, r.Fee);
    out += ',';
    out += FormatMoney(r.Fee); // never holds a comma or a quote
    out += ',';
    AppendCsvField(out, FieldText(r.TotalFeeText));
    out += ',';
    AppendCsvField(out, FieldText(r.Provider));
    out += ',';
    AppendCsvField(out, FieldText(r.User));
    out += "\r\n";
}

void AppendJsonLine(const THistoryRecord& r, std::string& out) {
    out += "{\"started\":\"";
    AppendStamp(out, r.Started, 'T');
    out += "\",\"ended\":\"";
    AppendStamp(out, r.Ended, 'T');
    out += "\",\"duration_seconds\":";
    AppendNumber(out, r.Duration);
    out += ",\"fee_cents\":";
    AppendNumber(out, r.Fee);
    out += ",\"fee_text\":";
    AppendJsonString(out, FormatMoney(r.Fee));
    out += ",\"total_fee_text\":";
    AppendJsonString(out, FieldText(r.TotalFeeText));
    out += ",\"provider\":";
    AppendJsonString(out, FieldText(r.Provider));
    out += ",\"user\":";
    AppendJsonString(out, FieldText(r.User));
    out += "}\n";
}

std::vector<std::string> ListHeader() {
    return {"Started", "Ended", "Time", "Fee", "Total fee", "Provider", "User"};
}

std::vector<std::string> ListCells(const THistoryRecord& r) {
    return {StampText(r.Started, ' '), StampText(r.Ended, ' '),   FormatDuration(r.Duration),
            FormatMoney(r.Fee),        FieldText(r.TotalFeeText), FieldText(r.Provider),
            FieldText(r.User)};
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

void HistorySummary::Add(const THistoryRecord& r) {
    AddTo(total_, r);
    switch (by_) {
    case GroupBy::Day:
    case GroupBy::Month: {
        const bool byDay = by_ == GroupBy::Day;
        GroupTotals& g = dated_[DateKey(r.Started, byDay)];
        if (g.Connections == 0)
            g.Name = DateText(r.Started, byDay);
        AddTo(g, r);
        break;
    }
    case GroupBy::Provider:
    case GroupBy::User: {
        std::string name = by_ == GroupBy::User ? FieldText(r.User) : FieldText(r.Provider);
        const auto [it, added] = index_.try_emplace(name, named_.size());
        if (added)
            named_.push_back(GroupTotals{std::move(name)});
        AddTo(named_[it->second], r);
        break;
    }
    }
}

std::vector<GroupTotals> HistorySummary::Groups() const {
    if (by_ == GroupBy::Provider || by_ == GroupBy::User)
        return named_;
    std::vector<GroupTotals> groups;
    for (const auto& [key, g] : dated_)
        groups.push_back(g);
    return groups;
}

std::string SumDurationText(std::int64_t seconds) {
    return std::to_string(seconds / 3600) + ":" + std::to_string(seconds % 3600 / 60) + ":" +
           std::to_string(seconds % 60);
}

std::string SumMoneyText(std::int64_t cents) {
    return std::to_string(cents / 100) + " dol. " + std::to_string(cents % 100) + " c.";
}

} // namespace netrova
