#include "TempStore.h"

#include <cstdlib>
#include <stdexcept>

namespace netrova::test {

TempStore::TempStore() {
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    setenv("NETROVA_USER_STORE", userPath().c_str(), 1);
    setenv("NETROVA_MACHINE_STORE", machinePath().c_str(), 1);
    store_ = std::make_unique<SettingsStore>(StorePaths{userPath(), machinePath()});
}

TempStore::~TempStore() = default;

std::string TempStore::dir() const {
    return dir_.path().toStdString();
}
std::string TempStore::userPath() const {
    return dir() + "/user.db";
}
std::string TempStore::machinePath() const {
    return dir() + "/machine.db";
}

void TempStore::Reopen() {
    store_.reset();
    store_ = std::make_unique<SettingsStore>(StorePaths{userPath(), machinePath()});
}

std::int32_t TempStore::Int(Root root, const std::string& key, const std::string& name) {
    Registry reg(*store_, root);
    if (!reg.OpenKey(key, false))
        throw StoreError("no key " + key);
    return reg.ReadInteger(name);
}

std::string TempStore::Str(Root root, const std::string& key, const std::string& name) {
    Registry reg(*store_, root);
    if (!reg.OpenKey(key, false))
        return {};
    return reg.ReadString(name);
}

std::vector<std::uint8_t> TempStore::Bin(Root root, const std::string& key,
                                         const std::string& name) {
    Registry reg(*store_, root);
    if (!reg.OpenKey(key, false))
        return {};
    return reg.ReadBinary(name);
}

bool TempStore::Has(Root root, const std::string& key, const std::string& name) {
    Registry reg(*store_, root);
    return reg.OpenKey(key, false) && reg.ValueExists(name);
}

bool TempStore::HasKey(Root root, const std::string& key) {
    Registry reg(*store_, root);
    return reg.KeyExists(key);
}

void TempStore::SetInt(Root root, const std::string& key, const std::string& name, std::int32_t v) {
    Registry reg(*store_, root);
    reg.OpenKey(key, true);
    reg.WriteInteger(name, v);
    reg.CloseKey();
}

void TempStore::SetStr(Root root, const std::string& key, const std::string& name,
                       const std::string& v) {
    Registry reg(*store_, root);
    reg.OpenKey(key, true);
    reg.WriteString(name, v);
    reg.CloseKey();
}

} // namespace netrova::test
