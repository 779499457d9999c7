#pragma once

#include "store/Registry.h"

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace netrova::test {

// A settings store in a fresh temporary folder. The store variables of the environment point
// at it, so that child processes (the program, the tools) use the same files.
class TempStore {
public:
    TempStore();
    ~TempStore();

    SettingsStore& store() { return *store_; }
    operator SettingsStore&() { return *store_; }
    std::string dir() const;
    std::string userPath() const;
    std::string machinePath() const;
    // Drops the connections and opens the files again, as a new process would.
    void Reopen();

    // One-shot reads and writes for checking what a routine left behind.
    std::int32_t Int(Root root, const std::string& key, const std::string& name);
    std::string Str(Root root, const std::string& key, const std::string& name);
    // Bytes of a binary value; empty when the key or the value is missing.
    std::vector<std::uint8_t> Bin(Root root, const std::string& key, const std::string& name);
    bool Has(Root root, const std::string& key, const std::string& name);
    bool HasKey(Root root, const std::string& key);
    void SetInt(Root root, const std::string& key, const std::string& name, std::int32_t v);
    void SetStr(Root root, const std::string& key, const std::string& name, const std::string& v);

private:
    QTemporaryDir dir_;
    std::unique_ptr<SettingsStore> store_;
};

} // namespace netrova::test
