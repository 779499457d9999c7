#pragma once

#include "common/TStamp.h"
#include "common/TextPut.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace netrova {

// The string forms of the writers in TextPut.h, which hold the rules; they take 64 bits, so
// that sums over a whole history show as they are.

// 1234 -> "12 dol. 34 c."; with another unit, (1205, " d. ") -> "12 d. 5 c."
std::string FormatMoney(std::int64_t cents, std::string_view unit = kMoneyUnit);
// 3725 -> "1 h. 2 min. 5 sec."
std::string FormatConnTime(std::int64_t seconds);
// 725 -> "0:12:5"
std::string FormatDuration(std::int64_t seconds);
// (1999, 7, 4) -> "1999/7/4"
std::string FormatDate(std::int32_t year, std::uint32_t month, std::uint32_t day);
// 4 July 1999 -> "1999/7/4"
std::string FormatStampDate(const TStamp& s);
// 21:05:00 -> "21:5:0"
std::string FormatStampTime(const TStamp& s);
// 9:05:07 -> "9:5:7" (the main window's clock)
std::string FormatClock(const TStamp& s);

// The program's two case folds. The store keys names (keys, values, users, tariffs) by their
// Unicode case fold and must go on finding what it stored so: FoldCase. The words and file
// names the program compares itself fold ASCII letters only, byte by byte and whatever the
// locale: FoldAscii; other bytes stay as they are.
std::string FoldCase(std::string_view text);
constexpr char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr bool SameFoldedAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

// Data volume in IEC units, the tenths cut off: 1023 -> "1023 B", 1536 -> "1.5 KiB", up to
// TiB; nothing (not counted) -> "–".
std::string FormatVolume(std::optional<std::uint64_t> bytes);
// The same per second: 1536 -> "1.5 KiB/s"
std::string FormatVolumeRate(std::uint64_t bytesPerSecond);

// Leading-digits parse: optional white space and sign, then decimal digits up to the first
// other character; no digits gives 0. Overflow wraps like the 32-bit original.
std::int32_t LeadingInt(std::string_view text);

// The same leading-digits parse, but only for a number in the 32-bit range: no digits or
// digits out of range give nothing instead of 0 or a wrapped number.
std::optional<std::int32_t> LeadingInt32(std::string_view text);

// Strict decimal parse: an optional sign, then only digits, in the 32-bit range; anything else
// (white space, a second sign, trailing text, overflow) gives nothing.
std::optional<std::int32_t> ParseInt32(std::string_view text);

// Whether a value computed in 64 bits fits its stored 32-bit form.
constexpr bool FitsInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
}

// Whether text holds a control character (below U+0020, or DEL): names with one would make
// line- or tab-separated listings ambiguous.
bool HasControlCharacter(std::string_view text);

// Text as it is shown or written where a control character would act instead of showing (a
// terminal's escapes, a line break in a report's columns): each one becomes "?"; the rest,
// UTF-8 included, stays as it is.
std::string ShownText(std::string_view text);

// Whether text is well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF).
bool IsUtf8(std::string_view text);

// Cuts UTF-8 text to at most maxBytes bytes without splitting a character.
std::string CutUtf8(std::string_view text, std::size_t maxBytes);

} // namespace netrova
