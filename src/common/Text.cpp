#include "common/Text.h"

#include "common/TextPut.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>

namespace netrova {

namespace {

// What a writer puts, as a string; 48 bytes hold any of them.
template <typename Put> std::string Written(Put put) {
    char text[48];
    return std::string(text, put(text));
}

} // namespace

std::string FormatMoney(std::int64_t cents, std::string_view unit) {
    std::string text(48 + unit.size(), '\0');
    text.resize(static_cast<std::size_t>(PutMoney(text.data(), cents, unit) - text.data()));
    return text;
}

std::string FormatConnTime(std::int64_t seconds) {
    return Written([&](char* p) { return PutConnTime(p, seconds); });
}

std::string FormatDuration(std::int64_t seconds) {
    return Written([&](char* p) { return PutDuration(p, seconds); });
}

std::string FormatDate(std::int32_t year, std::uint32_t month, std::uint32_t day) {
    return Written([&](char* p) { return PutCalendarDate(p, year, month, day); });
}

std::string FormatStampDate(const TStamp& s) {
    return Written([&](char* p) { return PutStampDate(p, s); });
}

std::string FormatStampTime(const TStamp& s) {
    return Written([&](char* p) { return PutStampTime(p, s); });
}

std::string FormatClock(const TStamp& s) {
    return FormatStampTime(s);
}

std::string FoldCase(std::string_view text) {
    // ASCII text folds to its lower case; only other text needs Unicode case folding.
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) {
        std::string folded(text);
        for (char& c : folded)
            c = FoldAscii(c);
        return folded;
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .toCaseFolded()
        .toStdString();
}

std::string FormatVolume(std::optional<std::uint64_t> bytes) {
    if (!bytes)
        return "–";
    static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    if (*bytes < 1024)
        return std::to_string(*bytes) + " B";
    std::size_t unit = 0;
    std::uint64_t size = 1024;
    while (unit + 1 < std::size(kUnits) && *bytes / size >= 1024) {
        size *= 1024;
        ++unit;
    }
    // Cut rather than rounded, so that 1023.99 KiB never shows as "1024.0 KiB".
    return std::to_string(*bytes / size) + "." + std::to_string(*bytes % size * 10 / size) + " " +
           kUnits[unit];
}

std::string FormatVolumeRate(std::uint64_t bytesPerSecond) {
    return FormatVolume(bytesPerSecond) + "/s";
}

std::int32_t LeadingInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> LeadingInt32(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::size_t first = i;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{1} << 31)
            return std::nullopt;
    }
    if (i == first)
        return std::nullopt;
    value = negative ? -value : value;
    if (!FitsInt32(value))
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
    const bool signed_ = !text.empty() && (text.front() == '+' || text.front() == '-');
    const std::string_view digits = text.substr(signed_ ? 1 : 0);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    // from_chars takes a "-" but not a "+".
    if (text.front() == '+')
        text.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool HasControlCharacter(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return true;
    return false;
}

std::string ShownText(std::string_view text) {
    std::string shown(text);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return shown;
}

namespace {

// Length of the sequence led by c, or 0 when c cannot lead one.
std::size_t Utf8Length(unsigned char c) {
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return 2;
    if ((c >> 4) == 0xE)
        return 3;
    if (c >= 0xF0 && c <= 0xF4)
        return 4;
    return 0;
}

} // namespace

bool IsUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const std::size_t len = Utf8Length(p[i]);
        if (len == 0 || i + len > n)
            return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8 either;
        // Latin-1 text such as "\xE0\x80\x80" would otherwise pass for it.
        const unsigned char second = len > 1 ? p[i + 1] : 0;
        if ((p[i] == 0xE0 && second < 0xA0) || (p[i] == 0xED && second > 0x9F) ||
            (p[i] == 0xF0 && second < 0x90) || (p[i] == 0xF4 && second > 0x8F))
            return false;
        i += len;
    }
    return true;
}

std::string CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return std::string(text);
    std::size_t end = maxBytes;
    // Step back over continuation bytes so that the cut falls before a character's lead byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

} // namespace netrova
