#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace netrova {

// The distinct texts of one record field (user names, providers), numbered in order of first
// occurrence. A history holds few distinct names, so rows keep a number instead of the text.
class NameTable {
public:
    // Number of the field's text (FieldText of the raw bytes).
    std::uint32_t Intern(const char* field, std::size_t size);
    const std::string& Name(std::uint32_t id) const { return names_[id]; }
    std::size_t Count() const { return names_.size(); }
    // Rank of each name in byte order (unsigned, case-sensitive, a prefix first); the names
    // are distinct, so sorting by rank is sorting by text.
    std::vector<std::uint32_t> Ranks() const;
    void Clear();

private:
    std::vector<std::string> names_;
    std::unordered_map<std::string, std::uint32_t> byRaw_;  // raw field bytes -> number
    std::unordered_map<std::string, std::uint32_t> byText_; // shown text -> number
    // A history holds a handful of users and providers: the first few are found by a plain
    // comparison, without hashing.
    static constexpr std::size_t kFewNames = 8;
    std::vector<std::pair<std::string, std::uint32_t>> few_;
};

} // namespace netrova
