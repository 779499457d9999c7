#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace netrova {

// Writers that put text together in place, for files of a million lines: each writes at p and
// returns the end of what it wrote; the caller gives the room.

inline char* PutText(char* p, std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

// Decimal, as std::to_string gives it; up to 20 characters.
inline char* PutNumber(char* p, std::int64_t value) {
    return std::to_chars(p, p + 24, value).ptr;
}

// The form of FormatMoney: "12 dol. 5 c.".
inline char* PutMoney(char* p, std::int32_t cents) {
    p = PutText(PutNumber(p, cents / 100), " dol. ");
    return PutText(PutNumber(p, cents % 100), " c.");
}

} // namespace netrova
