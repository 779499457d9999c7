#include "browser/NameTable.h"

#include "history/HistoryFile.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string_view>

namespace netrova {

std::uint32_t NameTable::Intern(const char* field, std::size_t size) {
    const std::string_view raw(field, strnlen(field, size));
    for (const auto& [name, id] : few_)
        if (name == raw)
            return id;
    std::uint32_t id;
    if (const auto hit = byRaw_.find(std::string(raw)); hit != byRaw_.end()) {
        id = hit->second;
    } else {
        // Different bytes may read as the same text (Latin-1 and UTF-8 of one name): one row.
        std::string text = FieldText(field, size);
        const auto [at, added] =
            byText_.try_emplace(text, static_cast<std::uint32_t>(names_.size()));
        if (added)
            names_.push_back(std::move(text));
        id = at->second;
        byRaw_.emplace(raw, id);
        if (few_.size() < kFewNames)
            few_.emplace_back(raw, id);
    }
    return id;
}

std::vector<std::uint32_t> NameTable::Ranks() const {
    std::vector<std::uint32_t> order(names_.size());
    std::iota(order.begin(), order.end(), 0u);
    // std::string compares bytes as unsigned characters.
    std::sort(order.begin(), order.end(),
              [this](std::uint32_t a, std::uint32_t b) { return names_[a] < names_[b]; });
    std::vector<std::uint32_t> rank(names_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        rank[order[i]] = static_cast<std::uint32_t>(i);
    return rank;
}

void NameTable::Clear() {
    names_.clear();
    byRaw_.clear();
    byText_.clear();
    few_.clear();
}

} // namespace netrova
