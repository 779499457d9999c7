#include "tariffs/TariffEditor.h"

#include "common/Text.h"

namespace netrova {

namespace {

const char* const kNoName = "You have to enter tariff's name !";
const char* const kCreateDuplicate = "The tariff you want to create is allready in the list!";
const char* const kTooMany = "Maximum can be 20 tariffs";
const char* const kRenameDuplicate = "The tariff you want to rename is already in the list!";
const char* const kBadHour = "You can only type valid hour (0 - 23)!";
const char* const kBadNumber = "Incorrect number !";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

void TariffEditor::Load() {
    profiles_ = Tariffs(store_).Profiles();
    current_ = 0;
}

void TariffEditor::Keep(const TariffProfile& shown) {
    if (Empty())
        return;
    TariffProfile& p = profiles_[current_];
    const std::string name = p.Name;
    p = shown;
    p.Name = name;
}

bool TariffEditor::Select(int row) {
    if (row < 0 || row >= Count())
        return false;
    current_ = row;
    return true;
}

bool TariffEditor::Taken(const std::string& name) const {
    // Letter case alone does not make two names: the store would keep them under one key.
    for (const TariffProfile& p : profiles_)
        if (SameTariffName(p.Name, name))
            return true;
    return false;
}

std::string TariffEditor::Create(const std::string& name) {
    if (name.empty())
        return kNoName;
    if (Taken(name))
        return kCreateDuplicate;
    if (Count() >= kMaxTariffs)
        return kTooMany;
    TariffProfile p;
    p.Name = name;
    profiles_.push_back(std::move(p));
    current_ = Count() - 1;
    return {};
}

std::string TariffEditor::Rename(const std::string& name) {
    if (name.empty())
        return kNoName;
    if (Taken(name))
        return kRenameDuplicate;
    profiles_[current_].Name = name;
    return {};
}

void TariffEditor::DeleteCurrent() {
    profiles_.erase(profiles_.begin() + current_);
    current_ = 0;
}

void TariffEditor::Save() {
    StoreTransaction batch(store_, Root::CurrentUser);
    Tariffs tariffs(store_);
    tariffs.SaveProfiles(profiles_);
    tariffs.RefreshDayCopies(profiles_);
    batch.Commit();
}

TariffEditor::NumberCheck TariffEditor::CheckNumber(const std::string& text, bool isHour) {
    NumberCheck check;
    if (text.empty())
        return check;
    if (isHour) {
        const std::int32_t hour = LeadingInt(text);
        if (hour < 0 || hour > 23) {
            check.warnings.emplace_back(kBadHour);
            check.keep = false;
        }
    }
    if (!IsDigit(text.front()) || !IsDigit(text.back())) {
        check.warnings.emplace_back(kBadNumber);
        check.keep = false;
    }
    return check;
}

} // namespace netrova
