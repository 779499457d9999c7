#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace netrova {

// The two roots of the settings store: per-user and machine-wide.
enum class Root { CurrentUser, LocalMachine };

// "HKCU" / "HKLM": how roots are named in messages and by the command-line tool.
const char* RootName(Root root);

// The key names of a key path: one leading and one trailing "\" are ignored, and a path of no
// names is the root. An empty name inside (two "\" in a row) makes the path invalid: nothing.
std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path);

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A store file that cannot be used at all (not a database, unreadable folder ...).
class StoreFileError : public StoreError {
public:
    using StoreError::StoreError;
};

// Another process kept the store's write lock for longer than this process would wait. The
// store is sound; trying again later will do.
class StoreBusyError : public StoreError {
public:
    using StoreError::StoreError;
};

// The file system of the store file has no room left for a write. Nothing was changed.
class StoreFullError : public StoreError {
public:
    using StoreError::StoreError;
};

struct StorePaths {
    std::string User;
    std::string Machine;

    // NETROVA_USER_STORE / NETROVA_MACHINE_STORE, else the XDG locations.
    static StorePaths FromEnvironment();
    // Folder of the machine store: the default program directory.
    std::string MachineFolder() const;
};

enum class ValueType { None, Integer, String, Binary };

struct StoreOptions {
    // How long a statement waits for another process's write lock before StoreBusyError.
    int busyTimeoutMs = 10000;
    // The tools wait as long as a user at the command line would.
    static constexpr int kToolBusyTimeoutMs = 60000;
    // The running program's window: a tick that cannot write tries again at the next one.
    static constexpr int kWindowBusyTimeoutMs = 300;
    // The last writes at exit: a log-off leaves a few seconds.
    static constexpr int kExitBusyTimeoutMs = 3000;
    // Called once, the first time a wait has lasted a second (the tools say that they wait).
    std::function<void()> onLongWait;
    // For commands that only read: the files are opened read-only, and nothing is created or
    // changed beside them either. A file that holds no store yet reads as an empty one.
    bool readOnly = false;
};

// One process's connections to both store files. Every Registry works through one of these.
class SettingsStore {
public:
    explicit SettingsStore(const StorePaths& paths, const StoreOptions& options = {});
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    const StorePaths& Paths() const { return paths_; }
    // Changes how long later statements wait for another process's write lock.
    void SetBusyTimeout(int ms);
    int BusyTimeout() const;
    // A number that changes whenever another process has written to that store file.
    std::int64_t OutsideVersion(Root root);
    // Transactions begun so far on both files (the benchmark reports it).
    std::uint64_t TransactionCount() const { return transactions_; }
    // Commits that changed a file and so waited for the disk.
    std::uint64_t DurableCommitCount() const { return durableCommits_; }

    struct Connection; // one open database file; defined in the store's source only

private:
    friend class Registry;
    Connection& Conn(Root root);

    StorePaths paths_;
    std::unique_ptr<bool> noticeGiven_;
    std::unique_ptr<Connection> user_;
    std::unique_ptr<Connection> machine_;
    std::uint64_t transactions_ = 0;
    std::uint64_t durableCommits_ = 0;
};

// Registry-style access to one open key at a time. Key paths are taken from the root (see
// SplitKeyPath; a path with an empty key name opens nothing, and creating it is an error); key
// paths and value names are case-insensitive. Everything between OpenKey and CloseKey is one
// transaction; a key still open when the object dies is rolled back, so a routine cut short by an
// error writes nothing. A key opened with canCreate takes the file's write lock at once; one opened
// without it is read in a read transaction, which other processes' writes do not block, and takes
// the write lock at its first write (the key is looked up again then, as another process may have
// written in between). Keys opened while another Registry of the same file has one open join
// its transaction.
class Registry {
public:
    explicit Registry(SettingsStore& store, Root root = Root::CurrentUser);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    Root RootKey() const { return root_; }
    // Selects the root for the next OpenKey; closes an open key first.
    void SetRootKey(Root root);

    // Opening a key closes the one opened before. Returns whether the key is open.
    bool OpenKey(std::string_view path, bool canCreate);
    void CloseKey();
    bool IsOpen() const { return keyId_ != 0; }
    // The open key as "HKLM\Software\Netrova".
    std::string CurrentPath() const;

    // Missing value or another type: StoreError naming root, key and value.
    std::int32_t ReadInteger(std::string_view name);
    // Missing value reads "". A value of another type is an error.
    std::string ReadString(std::string_view name);
    // Copies up to size bytes and returns how many; a missing value copies nothing.
    std::size_t ReadBinary(std::string_view name, void* buffer, std::size_t size);
    std::vector<std::uint8_t> ReadBinary(std::string_view name);

    void WriteInteger(std::string_view name, std::int32_t value);
    void WriteString(std::string_view name, std::string_view value);
    void WriteBinary(std::string_view name, const void* data, std::size_t size);

    bool ValueExists(std::string_view name);
    ValueType GetDataType(std::string_view name);
    // Removes one value; for the command-line tool (the program itself never does).
    bool DeleteValue(std::string_view name);

    // Removes the key with all its subkeys and values; false when it did not exist.
    bool DeleteKey(std::string_view path);
    // Whether the key exists, without opening it.
    bool KeyExists(std::string_view path);

    // Subkeys of the open key in case-insensitive name order.
    std::vector<std::string> GetKeyNames();
    // Value names of the open key in creation order.
    std::vector<std::string> GetValueNames();
    int ValueCount();

private:
    SettingsStore::Connection& Conn();
    void Begin(bool write);
    void NeedWrite();
    void End(bool commit);
    void RequireOpen(const char* operation) const;
    std::int64_t FindKey(std::string_view path, bool create, std::string* display);
    void InTransaction(bool write, const std::function<void()>& body);
    std::vector<std::string> Names(const char* sql);
    friend class StoreTransaction;

    SettingsStore& store_;
    Root root_;
    std::int64_t keyId_ = 0;
    bool inTransaction_ = false;
    std::string keyPath_;
    std::string openedPath_; // as given to OpenKey
};

// Holds one write transaction of a store file while a group of routines writes through other
// Registry objects (which join it), so that the group lands as one: a crash or an error in the
// middle leaves the state of before, not half of the new one. Without Commit() everything is
// rolled back. Commit() throws StoreError when a part of the group was unwound by an error that
// was caught on the way: the whole group has been rolled back then, and nothing was written.
class StoreTransaction {
public:
    StoreTransaction(SettingsStore& store, Root root);
    void Commit();

private:
    Registry reg_;
};

} // namespace netrova
