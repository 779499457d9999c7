#pragma once

#include "tariffs/Tariffs.h"

#include <string>
#include <vector>

namespace netrova {

// The tariff editor's working copy: the profiles in list order, the one whose numbers are
// shown, and the rules for names, their count and typed numbers. Nothing reaches the store
// before Save().
class TariffEditor {
public:
    explicit TariffEditor(SettingsStore& store) : store_(store) {}

    // Reads every profile; the first one becomes current.
    void Load();
    const TariffProfiles& Profiles() const { return profiles_; }
    int Count() const { return static_cast<int>(profiles_.size()); }
    bool Empty() const { return profiles_.empty(); }
    int Current() const { return current_; }
    const TariffProfile& CurrentProfile() const { return profiles_[current_]; }

    // Takes the shown numbers into the current profile; its name stays.
    void Keep(const TariffProfile& shown);
    // Makes a row current; false when there is no such row.
    bool Select(int row);

    // Each returns the refusal to show, "" when done. A new profile comes last, with zeros, and
    // becomes current. Names that differ only in letter case are the same name.
    std::string Create(const std::string& name);
    std::string Rename(const std::string& name);
    // Removes the current profile; the first one becomes current.
    void DeleteCurrent();

    // Writes the profiles and brings every provider's day copies in line, in one transaction.
    void Save();

    // What a number typed into a field earns: the warnings, in order, and whether it may stay.
    struct NumberCheck {
        std::vector<std::string> warnings;
        bool keep = true;
    };
    static NumberCheck CheckNumber(const std::string& text, bool isHour);

private:
    bool Taken(const std::string& name) const;

    SettingsStore& store_;
    TariffProfiles profiles_;
    int current_ = 0;
};

} // namespace netrova
