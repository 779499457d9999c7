#include "store/Registry.h"

#include <QString>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <unordered_map>

namespace netrova {

namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr std::int64_t kRootKeyId = 1;

std::string Fold(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
        .toCaseFolded()
        .toStdString();
}

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

} // namespace

std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path) {
    if (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    if (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    std::vector<std::string_view> parts;
    if (path.empty())
        return parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        // Two "\" in a row name no key: collapsing them would make "ISP\" the key of "ISP".
        if (end == start)
            return std::nullopt;
        parts.push_back(path.substr(start, end - start));
        if (end == path.size())
            return parts;
        start = end + 1;
    }
}

const char* RootName(Root root) {
    return root == Root::CurrentUser ? "HKCU" : "HKLM";
}

StorePaths StorePaths::FromEnvironment() {
    const std::string home = EnvOr("HOME", ".");
    StorePaths p;
    p.User = EnvOr("NETROVA_USER_STORE",
                   EnvOr("XDG_CONFIG_HOME", home + "/.config") + "/netrova/user.db");
    p.Machine = EnvOr("NETROVA_MACHINE_STORE",
                      EnvOr("XDG_DATA_HOME", home + "/.local/share") + "/netrova/machine.db");
    return p;
}

std::string StorePaths::MachineFolder() const {
    // Normalise the file's path before cutting off its name: "./machine.db" gives no
    // trailing "/" on the folder.
    return std::filesystem::absolute(Machine).lexically_normal().parent_path().string();
}

// ---------------------------------------------------------------------------------------------

struct SettingsStore::Connection {
    sqlite3* db = nullptr;
    std::string path;
    int depth = 0; // TRegistry objects with a key open on this file
    bool rollbackPending = false;
    std::unordered_map<std::string, sqlite3_stmt*> statements;

    explicit Connection(const std::string& file) : path(file) {
        std::error_code ec;
        const auto parent = std::filesystem::absolute(file).parent_path();
        std::filesystem::create_directories(parent, ec);
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK)
            FailFile(db ? sqlite3_errmsg(db) : "cannot open");
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        // The first statement that touches the file tells whether it is a database at all;
        // a file that is not is left exactly as it is. Switching a new file to WAL does not
        // wait for the busy timeout, so another process setting up the same new store at this
        // moment is waited for here.
        int rc = SQLITE_BUSY;
        for (int waited = 0; rc == SQLITE_BUSY && waited <= kBusyTimeoutMs; waited += 10) {
            if (waited)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        }
        if (rc != SQLITE_OK)
            FailFile(sqlite3_errmsg(db));
        Exec("PRAGMA synchronous=FULL", true);
        Exec("PRAGMA foreign_keys=ON", true);
        Exec("BEGIN IMMEDIATE", true);
        Exec("CREATE TABLE IF NOT EXISTS keys("
             " id INTEGER PRIMARY KEY,"
             " parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
             " name TEXT NOT NULL, fold TEXT NOT NULL,"
             " UNIQUE(parent, fold));"
             "CREATE TABLE IF NOT EXISTS vals("
             " id INTEGER PRIMARY KEY AUTOINCREMENT,"
             " key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
             " name TEXT NOT NULL, fold TEXT NOT NULL,"
             " type INTEGER NOT NULL, data BLOB,"
             " UNIQUE(key, fold));"
             "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, NULL, '', '');"
             "COMMIT",
             true);
    }

    ~Connection() {
        for (auto& [sql, stmt] : statements)
            sqlite3_finalize(stmt);
        sqlite3_close_v2(db);
    }

    // Only the constructor fails this way, so no destructor would close the handle.
    [[noreturn]] void FailFile(const std::string& why) {
        sqlite3_close_v2(db);
        db = nullptr;
        throw StoreFileError("The settings store \"" + path + "\" cannot be used (" + why +
                             "). It has been left as it is; move it away or name another "
                             "store file.");
    }

    void Exec(const char* sql, bool fileCheck = false) {
        char* err = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            const std::string why = err ? err : sqlite3_errmsg(db);
            sqlite3_free(err);
            if (fileCheck)
                FailFile(why);
            throw StoreError("Settings store \"" + path + "\": " + why);
        }
    }

    sqlite3_stmt* Prepare(const std::string& sql) {
        auto it = statements.find(sql);
        if (it != statements.end()) {
            sqlite3_reset(it->second);
            sqlite3_clear_bindings(it->second);
            return it->second;
        }
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            throw StoreError("Settings store \"" + path + "\": " + sqlite3_errmsg(db));
        statements.emplace(sql, stmt);
        return stmt;
    }
};

// Runs one cached statement: bind, step, read columns.
class Query {
public:
    Query(SettingsStore::Connection& c, const std::string& sql) : c_(c), s_(c.Prepare(sql)) {}
    ~Query() { sqlite3_reset(s_); }
    Query& Bind(int i, std::int64_t v) {
        sqlite3_bind_int64(s_, i, v);
        return *this;
    }
    Query& Bind(int i, std::string_view v) {
        sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Query& BindBlob(int i, const void* data, std::size_t size) {
        sqlite3_bind_blob(s_, i, size ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
        return *this;
    }
    bool Step() {
        const int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw StoreError("Settings store \"" + c_.path + "\": " + sqlite3_errmsg(c_.db));
    }
    std::int64_t Int(int col) const { return sqlite3_column_int64(s_, col); }
    std::string Text(int col) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_blob(s_, col));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s_, col)))
                 : std::string();
    }

private:
    SettingsStore::Connection& c_;
    sqlite3_stmt* s_;
};

SettingsStore::SettingsStore(const StorePaths& paths)
    : paths_(paths), user_(std::make_unique<Connection>(paths.User)),
      machine_(std::make_unique<Connection>(paths.Machine)) {}

SettingsStore::~SettingsStore() = default;

SettingsStore::Connection& SettingsStore::Conn(Root root) {
    return root == Root::CurrentUser ? *user_ : *machine_;
}

// ---------------------------------------------------------------------------------------------

TRegistry::TRegistry(SettingsStore& store, Root root) : store_(store), root_(root) {}

TRegistry::~TRegistry() {
    if (inTransaction_) {
        try {
            End(false);
        } catch (...) {
        }
    }
}

SettingsStore::Connection& TRegistry::Conn() {
    return store_.Conn(root_);
}

void TRegistry::SetRootKey(Root root) {
    CloseKey();
    root_ = root;
}

void TRegistry::Begin() {
    auto& c = Conn();
    if (c.depth == 0) {
        c.Exec("BEGIN IMMEDIATE");
        c.rollbackPending = false;
        ++store_.transactions_;
    }
    ++c.depth;
    inTransaction_ = true;
}

void TRegistry::End(bool commit) {
    auto& c = Conn();
    inTransaction_ = false;
    if (!commit)
        c.rollbackPending = true;
    if (--c.depth > 0)
        return;
    if (c.rollbackPending) {
        c.rollbackPending = false;
        c.Exec("ROLLBACK");
        return;
    }
    try {
        c.Exec("COMMIT");
    } catch (...) {
        sqlite3_exec(c.db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::int64_t TRegistry::FindKey(std::string_view path, bool create, std::string* display) {
    auto& c = Conn();
    std::int64_t id = kRootKeyId;
    std::string shown = RootName(root_);
    const auto parts = SplitKeyPath(path);
    if (!parts) {
        if (!create)
            return 0;
        throw StoreError("The key path \"" + std::string(path) + "\" holds an empty key name");
    }
    for (std::string_view part : *parts) {
        const std::string fold = Fold(part);
        Query find(c, "SELECT id, name FROM keys WHERE parent = ? AND fold = ?");
        find.Bind(1, id).Bind(2, fold);
        if (find.Step()) {
            id = find.Int(0);
            shown += "\\" + find.Text(1);
            continue;
        }
        if (!create)
            return 0;
        Query add(c, "INSERT INTO keys(parent, name, fold) VALUES(?, ?, ?)");
        add.Bind(1, id).Bind(2, part).Bind(3, fold).Step();
        id = sqlite3_last_insert_rowid(c.db);
        shown += "\\" + std::string(part);
    }
    if (display)
        *display = shown;
    return id;
}

bool TRegistry::OpenKey(std::string_view path, bool canCreate) {
    CloseKey();
    Begin();
    try {
        keyId_ = FindKey(path, canCreate, &keyPath_);
    } catch (...) {
        keyId_ = 0;
        End(false);
        throw;
    }
    if (keyId_ == 0)
        End(true);
    return keyId_ != 0;
}

void TRegistry::CloseKey() {
    keyId_ = 0;
    if (inTransaction_)
        End(true);
}

std::string TRegistry::CurrentPath() const {
    return keyId_ ? keyPath_ : std::string();
}

void TRegistry::RequireOpen(const char* operation) const {
    if (!keyId_)
        throw StoreError(std::string("No key is open for ") + operation + " in " + RootName(root_));
}

std::int32_t TRegistry::ReadInteger(std::string_view name) {
    RequireOpen("reading");
    Query q(Conn(), "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
    q.Bind(1, keyId_).Bind(2, Fold(name));
    if (!q.Step())
        throw StoreError("The integer value \"" + std::string(name) + "\" does not exist in " +
                         keyPath_);
    if (q.Int(0) != static_cast<int>(ValueType::Integer))
        throw StoreError("The value \"" + std::string(name) + "\" in " + keyPath_ +
                         " is not an integer");
    return static_cast<std::int32_t>(q.Int(1));
}

std::string TRegistry::ReadString(std::string_view name) {
    RequireOpen("reading");
    Query q(Conn(), "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
    q.Bind(1, keyId_).Bind(2, Fold(name));
    if (!q.Step())
        return {};
    if (q.Int(0) != static_cast<int>(ValueType::String))
        throw StoreError("The value \"" + std::string(name) + "\" in " + keyPath_ +
                         " is not a string");
    return q.Text(1);
}

std::vector<std::uint8_t> TRegistry::ReadBinary(std::string_view name) {
    RequireOpen("reading");
    Query q(Conn(), "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
    q.Bind(1, keyId_).Bind(2, Fold(name));
    if (!q.Step())
        return {};
    if (q.Int(0) != static_cast<int>(ValueType::Binary))
        throw StoreError("The value \"" + std::string(name) + "\" in " + keyPath_ +
                         " is not binary");
    const std::string bytes = q.Text(1);
    return {bytes.begin(), bytes.end()};
}

std::size_t TRegistry::ReadBinary(std::string_view name, void* buffer, std::size_t size) {
    const auto bytes = ReadBinary(name);
    const std::size_t n = std::min(size, bytes.size());
    if (n)
        std::memcpy(buffer, bytes.data(), n);
    return n;
}

namespace {
const char* const kUpsert = "INSERT INTO vals(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?) "
                            "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, "
                            "data = excluded.data";
}

void TRegistry::WriteInteger(std::string_view name, std::int32_t value) {
    RequireOpen("writing");
    Query q(Conn(), kUpsert);
    q.Bind(1, keyId_).Bind(2, name).Bind(3, Fold(name));
    q.Bind(4, static_cast<int>(ValueType::Integer)).Bind(5, static_cast<std::int64_t>(value));
    q.Step();
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
    RequireOpen("writing");
    Query q(Conn(), kUpsert);
    q.Bind(1, keyId_).Bind(2, name).Bind(3, Fold(name));
    q.Bind(4, static_cast<int>(ValueType::String)).BindBlob(5, value.data(), value.size());
    q.Step();
}

void TRegistry::WriteBinary(std::string_view name, const void* data, std::size_t size) {
    RequireOpen("writing");
    Query q(Conn(), kUpsert);
    q.Bind(1, keyId_).Bind(2, name).Bind(3, Fold(name));
    q.Bind(4, static_cast<int>(ValueType::Binary)).BindBlob(5, data, size);
    q.Step();
}

ValueType TRegistry::GetDataType(std::string_view name) {
    RequireOpen("reading");
    Query q(Conn(), "SELECT type FROM vals WHERE key = ? AND fold = ?");
    q.Bind(1, keyId_).Bind(2, Fold(name));
    return q.Step() ? static_cast<ValueType>(q.Int(0)) : ValueType::None;
}

bool TRegistry::ValueExists(std::string_view name) {
    return GetDataType(name) != ValueType::None;
}

bool TRegistry::DeleteValue(std::string_view name) {
    RequireOpen("writing");
    Query q(Conn(), "DELETE FROM vals WHERE key = ? AND fold = ?");
    q.Bind(1, keyId_).Bind(2, Fold(name));
    q.Step();
    return sqlite3_changes(Conn().db) > 0;
}

void TRegistry::InTransaction(const std::function<void()>& body) {
    // Joins the open key's transaction, or makes one of its own.
    const bool own = !inTransaction_;
    if (own)
        Begin();
    try {
        body();
    } catch (...) {
        if (own)
            End(false);
        throw;
    }
    if (own)
        End(true);
}

bool TRegistry::DeleteKey(std::string_view path) {
    bool deleted = false;
    InTransaction([&] {
        const std::int64_t id = FindKey(path, false, nullptr);
        if (id == 0 || id == kRootKeyId)
            return;
        // Deepest keys first, so that no delete cascades more than one level: SQLite counts
        // cascade levels as trigger levels and gives up past 1000.
        std::vector<std::int64_t> subtree;
        {
            Query q(Conn(), "WITH RECURSIVE sub(id, depth) AS (SELECT ?, 0 UNION ALL "
                            "SELECT keys.id, sub.depth + 1 FROM keys JOIN sub ON "
                            "keys.parent = sub.id) SELECT id FROM sub ORDER BY depth DESC");
            q.Bind(1, id);
            while (q.Step())
                subtree.push_back(q.Int(0));
        }
        for (const std::int64_t key : subtree) {
            Query q(Conn(), "DELETE FROM keys WHERE id = ?");
            q.Bind(1, key).Step();
        }
        deleted = true;
        if (id == keyId_)
            keyId_ = 0;
    });
    return deleted;
}

bool TRegistry::KeyExists(std::string_view path) {
    bool exists = false;
    InTransaction([&] { exists = FindKey(path, false, nullptr) != 0; });
    return exists;
}

std::vector<std::string> TRegistry::Names(const char* sql) {
    RequireOpen("listing");
    std::vector<std::string> names;
    Query q(Conn(), sql);
    q.Bind(1, keyId_);
    while (q.Step())
        names.push_back(q.Text(0));
    return names;
}

std::vector<std::string> TRegistry::GetKeyNames() {
    return Names("SELECT name FROM keys WHERE parent = ? ORDER BY fold, name");
}

std::vector<std::string> TRegistry::GetValueNames() {
    return Names("SELECT name FROM vals WHERE key = ? ORDER BY id");
}

int TRegistry::ValueCount() {
    RequireOpen("listing");
    Query q(Conn(), "SELECT count(*) FROM vals WHERE key = ?");
    q.Bind(1, keyId_);
    q.Step();
    return static_cast<int>(q.Int(0));
}

} // namespace netrova
