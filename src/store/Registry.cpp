#include "store/Registry.h"

#include "common/Text.h"

#ifdef NETROVA_FAULT_POINTS
#include "store/FaultPoints.h"
#endif

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <unordered_map>

#include <unistd.h>

namespace netrova {

namespace {

constexpr std::int64_t kRootKeyId = 1;
constexpr int kLongWaitMs = 1000;

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

namespace {

const char* const kValuesTable = "CREATE TABLE vals("
                                 " id INTEGER PRIMARY KEY,"
                                 " key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
                                 " name TEXT NOT NULL, fold TEXT NOT NULL,"
                                 " type INTEGER NOT NULL, data BLOB,"
                                 " UNIQUE(key, fold))";

bool IsBusy(int rc) {
    return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED;
}

// SQLite's name for a database that lives in memory only.
constexpr const char* kInMemory = ":memory:";

// Marks a database as one of this program's stores ("NTRV"), so that another program's
// database named by mistake is told apart and left alone.
constexpr std::int32_t kApplicationId = 0x4E545256;

// Whether a database without the mark holds exactly the tables of a store made before the mark
// was set, with their columns (the older values table is the same but for AUTOINCREMENT).
const char* const kUnmarkedStoreSql =
    "SELECT (SELECT count(*) FROM sqlite_master"
    "        WHERE tbl_name NOT IN ('keys', 'vals', 'sqlite_sequence')) = 0"
    " AND (SELECT count(*) = 4 AND sum(name IN ('id', 'parent', 'name', 'fold')) = 4"
    "      FROM pragma_table_info('keys'))"
    " AND (SELECT count(*) = 6 AND sum(name IN ('id', 'key', 'name', 'fold', 'type', 'data')) = 6"
    "      FROM pragma_table_info('vals'))";

// What an opened file holds: nothing yet, a store with or without the mark, or another
// program's tables.
enum class Content { Empty, Marked, Unmarked, Foreign };

} // namespace

struct SettingsStore::Connection {
    sqlite3* db = nullptr;
    std::string path;
    StoreOptions options;
    bool* noticeGiven = nullptr; // shared by both files of one store: the notice comes once
    int depth = 0;               // Registry objects with a key open on this file
    bool rollbackPending = false;
    bool writing = false; // the transaction holds the write lock
    bool changed = false; // and has written
    std::chrono::steady_clock::time_point waitStart;
    // By the address of the statement's text: every statement is a string literal.
    std::unordered_map<const char*, sqlite3_stmt*> statements;
    // Key ids by folded path. Valid while no other process has changed the file (its data
    // version tells) and this one has neither deleted keys nor rolled back a change.
    struct CachedKey {
        std::int64_t id;
        std::string shown;
    };
    std::unordered_map<std::string, CachedKey> keys;
    std::int64_t keysVersion = -1;
    bool keysChecked = false; // in this transaction

    Connection(const std::string& file, const StoreOptions& opts, bool* notice)
        : path(file), options(opts), noticeGiven(notice) {
        std::string opening = file;
        if (options.readOnly && file != kInMemory) {
            if (OpenReadOnly())
                return;
            opening = kInMemory; // nothing stored in the file yet: read as an empty store
        }
        std::error_code ec;
        const auto parent = std::filesystem::absolute(opening).parent_path();
        std::filesystem::create_directories(parent, ec);
        const int opened = sqlite3_open_v2(opening.c_str(), &db,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (opened != SQLITE_OK)
            FailFile(db ? sqlite3_errmsg(db) : "cannot open", opened);
        sqlite3_busy_handler(db, &Connection::OnBusy, this);
        // The first statements only read: they tell whether the file is a database at all and
        // whose it is. A file that is not a store is left exactly as it is.
        Content content = Content::Empty;
        int rc = UntilNotBusy([&] { return Probe(content); });
        if (rc != SQLITE_OK)
            FailFile(sqlite3_errmsg(db), rc);
        if (content == Content::Foreign)
            FailFile("it is a database of another program");
        // Switching a new file to WAL does not wait through the busy handler, so another
        // process setting up the same new store at this moment is waited for here.
        rc = UntilNotBusy(
            [&] { return sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr); });
        if (rc != SQLITE_OK)
            FailFile(sqlite3_errmsg(db), rc);
        Exec("PRAGMA synchronous=FULL", true);
        Exec("PRAGMA foreign_keys=ON", true);
        // Opening a store only reads, unless it is new, unmarked, or its tables are of the
        // older form.
        if (content != Content::Marked || !SchemaCurrent()) {
            Exec("BEGIN IMMEDIATE", true);
            try {
                if (!SchemaCurrent())
                    MakeSchema();
                Exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str(), true);
                Exec("COMMIT", true);
            } catch (...) {
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                throw;
            }
        }
    }

    // Opens the file for reading only: neither it nor anything beside it is created or changed,
    // so that a store in a folder this user cannot write is read all the same. False when the
    // file holds no store yet.
    bool OpenReadOnly() {
        std::error_code ec;
        // A write-ahead log beside the file: a writer has it open, and its changes are read
        // from the log. Without one, the file alone is the whole store and is read as it is:
        // SQLite would otherwise make the log files, and leave them behind as it cannot remove
        // them on a read-only connection.
        const bool logged = std::filesystem::exists(path + "-wal", ec);
        std::string uri = "file://";
        for (const char ch : std::filesystem::absolute(path, ec).string()) {
            if (ch == '%' || ch == '?' || ch == '#') {
                static constexpr char kHex[] = "0123456789ABCDEF";
                const auto byte = static_cast<unsigned char>(ch);
                uri += {'%', kHex[byte >> 4], kHex[byte & 15]};
            } else {
                uri += ch;
            }
        }
        if (!logged)
            uri += "?immutable=1";
        const int opened =
            sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (opened != SQLITE_OK)
            FailFile(db ? sqlite3_errmsg(db) : "cannot open", opened);
        sqlite3_busy_handler(db, &Connection::OnBusy, this);
        Content content = Content::Empty;
        const int rc = UntilNotBusy([&] { return Probe(content); });
        if (rc != SQLITE_OK)
            FailFile(sqlite3_errmsg(db), rc);
        if (content == Content::Foreign)
            FailFile("it is a database of another program");
        if (content != Content::Empty)
            return true;
        sqlite3_close_v2(db);
        db = nullptr;
        return false;
    }

    ~Connection() {
        for (auto& [sql, stmt] : statements)
            sqlite3_finalize(stmt);
        sqlite3_close_v2(db);
    }

    // Runs step again while another process holds the file; its last result.
    template <typename Step> int UntilNotBusy(Step step) {
        int rc = SQLITE_BUSY;
        waitStart = std::chrono::steady_clock::now();
        for (int count = 0; IsBusy(rc); ++count) {
            if (count && !OnBusy(this, count))
                break;
            rc = step();
        }
        return rc;
    }

    // A number that one statement gives; the statement's result code.
    int QueryNumber(const char* sql, std::int64_t& number) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
            number = sqlite3_column_int64(stmt, 0);
            rc = rc == SQLITE_ROW ? SQLITE_OK : rc;
        }
        sqlite3_finalize(stmt);
        return rc;
    }

    // Marked stores are this program's; an unmarked database is one when it holds nothing
    // (a new file) or exactly the tables of a store made before the mark.
    int Probe(Content& content) {
        std::int64_t number = 0;
        int rc = QueryNumber("PRAGMA application_id", number);
        if (rc != SQLITE_OK || number == kApplicationId) {
            content = Content::Marked;
            return rc;
        }
        if (number != 0) {
            content = Content::Foreign;
            return rc;
        }
        rc = QueryNumber("SELECT count(*) FROM sqlite_master", number);
        if (rc != SQLITE_OK || number == 0) {
            content = Content::Empty;
            return rc;
        }
        rc = QueryNumber(kUnmarkedStoreSql, number);
        content = number == 1 ? Content::Unmarked : Content::Foreign;
        return rc;
    }

    static int OnBusy(void* self, int count) {
        auto* c = static_cast<Connection*>(self);
        const auto now = std::chrono::steady_clock::now();
        if (count == 0)
            c->waitStart = now;
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - c->waitStart).count();
        if (waited >= c->options.busyTimeoutMs)
            return 0;
        if (waited >= kLongWaitMs && c->options.onLongWait && !*c->noticeGiven) {
            *c->noticeGiven = true;
            c->options.onLongWait();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(count < 10 ? 1 : 10));
        return 1;
    }

    bool SchemaCurrent() {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db,
                                    "SELECT count(*), sum(name = 'vals' AND sql LIKE "
                                    "'%AUTOINCREMENT%') FROM sqlite_master WHERE type = "
                                    "'table' AND name IN ('keys', 'vals')",
                                    -1, &stmt, nullptr);
        if (rc != SQLITE_OK)
            FailFile(sqlite3_errmsg(db), rc);
        rc = sqlite3_step(stmt);
        const bool current = rc == SQLITE_ROW && sqlite3_column_int(stmt, 0) == 2 &&
                             sqlite3_column_int(stmt, 1) == 0;
        sqlite3_finalize(stmt);
        if (rc != SQLITE_ROW)
            FailFile(sqlite3_errmsg(db), rc);
        return current;
    }

    // Creates the tables, or brings a store of the older form to the current one in place:
    // its values table numbered values with AUTOINCREMENT, which rewrote the sequence table
    // at every write. Value ids, and so the creation order, are kept.
    void MakeSchema() {
        Exec("CREATE TABLE IF NOT EXISTS keys("
             " id INTEGER PRIMARY KEY,"
             " parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
             " name TEXT NOT NULL, fold TEXT NOT NULL,"
             " UNIQUE(parent, fold));"
             "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, NULL, '', '')",
             true);
        if (!TableExists("vals")) {
            Exec(kValuesTable, true);
            return;
        }
        Exec((std::string(kValuesTable).replace(13, 4, "vals_new") +
              ";INSERT INTO vals_new(id, key, name, fold, type, data)"
              " SELECT id, key, name, fold, type, data FROM vals;"
              "DROP TABLE vals;"
              "ALTER TABLE vals_new RENAME TO vals;"
              "DELETE FROM sqlite_sequence WHERE name = 'vals'")
                 .c_str(),
             true);
    }

    bool TableExists(const char* name) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", -1,
                           &stmt, nullptr);
        sqlite3_bind_text(stmt, 1, name, -1, SQLITE_STATIC);
        const bool found = sqlite3_step(stmt) == SQLITE_ROW;
        sqlite3_finalize(stmt);
        return found;
    }

    [[noreturn]] void FailBusy() const {
        const int ms = options.busyTimeoutMs;
        throw StoreBusyError(
            "The settings store \"" + path +
            "\" is busy: another program has been writing to it for " +
            (ms < 1000 ? std::to_string(ms) + " ms" : std::to_string(ms / 1000) + " s") +
            ". Nothing was changed; try again when it has finished.");
    }

    // Only the constructor fails this way, so no destructor would close the handle.
    [[noreturn]] void FailFile(const std::string& why, int rc = SQLITE_OK) {
        for (auto& [sql, stmt] : statements)
            sqlite3_finalize(stmt);
        statements.clear();
        sqlite3_close_v2(db);
        db = nullptr;
        if (IsBusy(rc))
            FailBusy();
        // SQLite blames the file when the folder is at fault: it cannot make the file, or the
        // journal files beside it.
        const int kind = rc & 0xFF;
        if (!options.readOnly && (kind == SQLITE_CANTOPEN || kind == SQLITE_READONLY)) {
            const std::string folder = std::filesystem::absolute(path).parent_path().string();
            const char* state = ::access(folder.c_str(), F_OK) != 0          ? "cannot be made"
                                : ::access(folder.c_str(), W_OK | X_OK) != 0 ? "is not writable"
                                                                             : nullptr;
            if (state)
                throw StoreFileError(
                    "The settings store \"" + path + "\" cannot be used: its folder \"" + folder +
                    "\" " + state +
                    ". Nothing was changed; let this user write there or name another store file.");
        }
        throw StoreFileError("The settings store \"" + path + "\" cannot be used (" + why +
                             "). It has been left as it is; move it away or name another "
                             "store file.");
    }

    [[noreturn]] void Fail(int rc) const { Fail(rc, sqlite3_errmsg(db)); }
    [[noreturn]] void Fail(int rc, const std::string& why) const {
        if (IsBusy(rc))
            FailBusy();
        if ((rc & 0xFF) == SQLITE_FULL)
            throw StoreFullError("Settings store \"" + path + "\": " + why);
        throw StoreError("Settings store \"" + path + "\": " + why);
    }

    void Exec(const char* sql, bool fileCheck = false) {
        char* err = nullptr;
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
        if (rc != SQLITE_OK) {
            const std::string why = err ? err : sqlite3_errmsg(db);
            sqlite3_free(err);
            if (fileCheck)
                FailFile(why, rc);
            Fail(rc, why);
        }
    }

    // The statement for sql, prepared once per connection. The Query that runs it resets it.
    sqlite3_stmt* Prepare(const char* sql) {
        auto it = statements.find(sql);
        if (it != statements.end())
            return it->second;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            throw StoreError("Settings store \"" + path + "\": " + sqlite3_errmsg(db));
        statements.emplace(sql, stmt);
        return stmt;
    }

    void CheckKeyCache() {
        if (keysChecked)
            return;
        sqlite3_stmt* stmt = Prepare("PRAGMA data_version");
        const int rc = sqlite3_step(stmt);
        const std::int64_t version = sqlite3_column_int64(stmt, 0);
        sqlite3_reset(stmt);
        if (rc != SQLITE_ROW)
            Fail(rc);
        if (version != keysVersion)
            keys.clear();
        keysVersion = version;
        keysChecked = true;
    }

    // BEGIN, COMMIT and ROLLBACK as prepared statements.
    void Run(const char* sql) {
        sqlite3_stmt* stmt = Prepare(sql);
        const int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        if (rc != SQLITE_DONE)
            Fail(rc);
    }
};

namespace {

// Runs one cached statement: bind, step, read columns.
class Query {
public:
    Query(SettingsStore::Connection& c, const char* sql) : c_(c), s_(c.Prepare(sql)) {}
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
        c_.Fail(rc);
    }
    std::int64_t Int(int col) const { return sqlite3_column_int64(s_, col); }
    int Type(int col) const { return sqlite3_column_type(s_, col); }
    std::string Text(int col) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_blob(s_, col));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s_, col)))
                 : std::string();
    }

private:
    SettingsStore::Connection& c_;
    sqlite3_stmt* s_;
};

} // namespace

SettingsStore::SettingsStore(const StorePaths& paths, const StoreOptions& options)
    : paths_(paths), noticeGiven_(std::make_unique<bool>(false)),
      user_(std::make_unique<Connection>(paths.User, options, noticeGiven_.get())),
      machine_(std::make_unique<Connection>(paths.Machine, options, noticeGiven_.get())) {}

SettingsStore::~SettingsStore() = default;

void SettingsStore::SetBusyTimeout(int ms) {
    user_->options.busyTimeoutMs = ms;
    machine_->options.busyTimeoutMs = ms;
}

int SettingsStore::BusyTimeout() const {
    return machine_->options.busyTimeoutMs;
}

std::int64_t SettingsStore::OutsideVersion(Root root) {
    Connection& c = Conn(root);
    sqlite3_stmt* stmt = c.Prepare("PRAGMA data_version");
    const int rc = sqlite3_step(stmt);
    const std::int64_t version = sqlite3_column_int64(stmt, 0);
    sqlite3_reset(stmt);
    if (rc != SQLITE_ROW)
        c.Fail(rc);
    return version;
}

SettingsStore::Connection& SettingsStore::Conn(Root root) {
    return root == Root::CurrentUser ? *user_ : *machine_;
}

// ---------------------------------------------------------------------------------------------

Registry::Registry(SettingsStore& store, Root root) : store_(store), root_(root) {}

Registry::~Registry() {
    if (inTransaction_) {
        try {
            End(false);
        } catch (...) {
        }
    }
}

SettingsStore::Connection& Registry::Conn() {
    return store_.Conn(root_);
}

void Registry::SetRootKey(Root root) {
    CloseKey();
    root_ = root;
}

void Registry::Begin(bool write) {
    auto& c = Conn();
    if (c.depth == 0) {
        c.Run(write ? "BEGIN IMMEDIATE" : "BEGIN");
        c.keysChecked = false;
        c.rollbackPending = false;
        c.writing = write;
        c.changed = false;
        ++store_.transactions_;
    } else if (write && !c.writing) {
        ++c.depth; // NeedWrite expects this object's share of the transaction
        inTransaction_ = true;
        NeedWrite();
        return;
    }
    ++c.depth;
    inTransaction_ = true;
}

// Before each write: a read transaction becomes a write transaction. SQLite cannot wait for
// the lock while a read transaction is open, so the read transaction is ended (it wrote
// nothing) and the write transaction begun in its place, waiting for the lock as long as
// any other; the open key is looked up again in it.
void Registry::NeedWrite() {
    auto& c = Conn();
    if (!c.writing) {
        c.Run("ROLLBACK");
        c.keysChecked = false;
        c.writing = true;
        c.changed = false;
        try {
            c.Run("BEGIN IMMEDIATE");
        } catch (...) {
            // Nothing is open any more: every Registry of this file ends as rolled back.
            c.Run("BEGIN");
            c.writing = false;
            c.rollbackPending = true;
            throw;
        }
        if (keyId_ != 0) {
            keyId_ = FindKey(openedPath_, false, &keyPath_);
            if (keyId_ == 0)
                throw StoreError("The key " + std::string(RootName(root_)) + openedPath_ +
                                 " was deleted by another program");
        }
    }
    c.changed = true;
}

void Registry::End(bool commit) {
    auto& c = Conn();
    inTransaction_ = false;
    if (!commit)
        c.rollbackPending = true;
    if (--c.depth > 0)
        return;
    if (c.rollbackPending || !c.changed) {
        c.rollbackPending = false;
        if (c.changed)
            c.keys.clear(); // keys made in this transaction are gone
        c.Run("ROLLBACK");
        return;
    }
    try {
#ifdef NETROVA_FAULT_POINTS
        if (faults::Reached(faults::Point::StoreCommit))
            throw StoreFullError("Settings store \"" + c.path + "\": database or disk is full");
#endif
        c.Run("COMMIT");
        ++store_.durableCommits_;
    } catch (...) {
        c.keys.clear();
        sqlite3_exec(c.db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::int64_t Registry::FindKey(std::string_view path, bool create, std::string* display) {
    auto& c = Conn();
    c.CheckKeyCache();
    const auto parts = SplitKeyPath(path);
    if (!parts) {
        if (!create)
            return 0;
        throw StoreError("The key path \"" + std::string(path) + "\" holds an empty key name");
    }
    std::string folded;
    for (std::string_view part : *parts)
        folded += "\\" + FoldCase(part);
    if (const auto it = c.keys.find(folded); it != c.keys.end()) {
        if (display)
            *display = RootName(root_) + it->second.shown;
        return it->second.id;
    }

    std::int64_t id = kRootKeyId;
    std::string shown;
    for (std::string_view part : *parts) {
        const std::string fold = FoldCase(part);
        Query find(c, "SELECT id, name FROM keys WHERE parent = ? AND fold = ?");
        find.Bind(1, id).Bind(2, fold);
        if (find.Step()) {
            id = find.Int(0);
            shown += "\\" + find.Text(1);
            continue;
        }
        if (!create)
            return 0;
        NeedWrite();
        Query add(c, "INSERT INTO keys(parent, name, fold) VALUES(?, ?, ?)");
        add.Bind(1, id).Bind(2, part).Bind(3, fold).Step();
        id = sqlite3_last_insert_rowid(c.db);
        shown += "\\" + std::string(part);
    }
    c.keys[folded] = {id, shown};
    if (display)
        *display = RootName(root_) + shown;
    return id;
}

bool Registry::OpenKey(std::string_view path, bool canCreate) {
    CloseKey();
    Begin(canCreate);
    openedPath_ = path;
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

void Registry::CloseKey() {
    keyId_ = 0;
    if (inTransaction_)
        End(true);
}

std::string Registry::CurrentPath() const {
    return keyId_ ? keyPath_ : std::string();
}

void Registry::RequireOpen(const char* operation) const {
    if (!keyId_)
        throw StoreError(std::string("No key is open for ") + operation + " in " + RootName(root_));
}

std::int32_t Registry::ReadInteger(std::string_view name) {
    RequireOpen("reading");
    Query q(Conn(), "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
    q.Bind(1, keyId_).Bind(2, FoldCase(name));
    if (!q.Step())
        throw StoreError("The integer value \"" + std::string(name) + "\" does not exist in " +
                         keyPath_);
    if (q.Int(0) != static_cast<int>(ValueType::Integer) || q.Type(1) != SQLITE_INTEGER)
        throw StoreError("The value \"" + std::string(name) + "\" in " + keyPath_ +
                         " is not an integer");
    // Another program may have written any 64-bit number: never cut it to 32 bits.
    const std::int64_t value = q.Int(1);
    if (!FitsInt32(value))
        throw StoreError("The integer value \"" + std::string(name) + "\" in " + keyPath_ + " is " +
                         std::to_string(value) +
                         ", which is not from -2147483648 to 2147483647. Correct it with "
                         "netrova-reg.");
    return static_cast<std::int32_t>(value);
}

std::string Registry::ReadString(std::string_view name) {
    RequireOpen("reading");
    Query q(Conn(), "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
    q.Bind(1, keyId_).Bind(2, FoldCase(name));
    if (!q.Step())
        return {};
    if (q.Int(0) != static_cast<int>(ValueType::String))
        throw StoreError("The value \"" + std::string(name) + "\" in " + keyPath_ +
                         " is not a string");
    return q.Text(1);
}

std::vector<std::uint8_t> Registry::ReadBinary(std::string_view name) {
    RequireOpen("reading");
    Query q(Conn(), "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
    q.Bind(1, keyId_).Bind(2, FoldCase(name));
    if (!q.Step())
        return {};
    if (q.Int(0) != static_cast<int>(ValueType::Binary))
        throw StoreError("The value \"" + std::string(name) + "\" in " + keyPath_ +
                         " is not binary");
    const std::string bytes = q.Text(1);
    return {bytes.begin(), bytes.end()};
}

std::size_t Registry::ReadBinary(std::string_view name, void* buffer, std::size_t size) {
    const auto bytes = ReadBinary(name);
    const std::size_t n = std::min(size, bytes.size());
    if (n)
        std::memcpy(buffer, bytes.data(), n);
    return n;
}

namespace {

// Replaces a value in place (name, position and all) or adds it. Updating first spares the
// insert that would fail on the unique key.
template <typename BindData>
void Upsert(SettingsStore::Connection& c, std::int64_t key, std::string_view name, ValueType type,
            const BindData& bindData) {
    const std::string fold = FoldCase(name);
    {
        Query update(c, "UPDATE vals SET type = ?, data = ? WHERE key = ? AND fold = ?");
        update.Bind(1, static_cast<int>(type));
        bindData(update, 2);
        update.Bind(3, key).Bind(4, fold).Step();
    }
    if (sqlite3_changes(c.db) > 0)
        return;
    Query insert(c, "INSERT INTO vals(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?)");
    insert.Bind(1, key).Bind(2, name).Bind(3, fold).Bind(4, static_cast<int>(type));
    bindData(insert, 5);
    insert.Step();
}

} // namespace

void Registry::WriteInteger(std::string_view name, std::int32_t value) {
    RequireOpen("writing");
    NeedWrite();
    Upsert(Conn(), keyId_, name, ValueType::Integer,
           [&](Query& q, int i) { q.Bind(i, static_cast<std::int64_t>(value)); });
}

void Registry::WriteString(std::string_view name, std::string_view value) {
    RequireOpen("writing");
    NeedWrite();
    Upsert(Conn(), keyId_, name, ValueType::String,
           [&](Query& q, int i) { q.BindBlob(i, value.data(), value.size()); });
}

void Registry::WriteBinary(std::string_view name, const void* data, std::size_t size) {
    RequireOpen("writing");
    NeedWrite();
    Upsert(Conn(), keyId_, name, ValueType::Binary,
           [&](Query& q, int i) { q.BindBlob(i, data, size); });
}

ValueType Registry::GetDataType(std::string_view name) {
    RequireOpen("reading");
    Query q(Conn(), "SELECT type FROM vals WHERE key = ? AND fold = ?");
    q.Bind(1, keyId_).Bind(2, FoldCase(name));
    return q.Step() ? static_cast<ValueType>(q.Int(0)) : ValueType::None;
}

bool Registry::ValueExists(std::string_view name) {
    return GetDataType(name) != ValueType::None;
}

bool Registry::DeleteValue(std::string_view name) {
    RequireOpen("writing");
    NeedWrite();
    Query q(Conn(), "DELETE FROM vals WHERE key = ? AND fold = ?");
    q.Bind(1, keyId_).Bind(2, FoldCase(name));
    q.Step();
    return sqlite3_changes(Conn().db) > 0;
}

void Registry::InTransaction(bool write, const std::function<void()>& body) {
    // Joins the open key's transaction, or makes one of its own.
    const bool own = !inTransaction_;
    if (own)
        Begin(write);
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

bool Registry::DeleteKey(std::string_view path) {
    bool deleted = false;
    InTransaction(true, [&] {
        const std::int64_t id = FindKey(path, false, nullptr);
        if (id == 0 || id == kRootKeyId)
            return;
        NeedWrite();
        Conn().keys.clear();
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

bool Registry::KeyExists(std::string_view path) {
    bool exists = false;
    InTransaction(false, [&] { exists = FindKey(path, false, nullptr) != 0; });
    return exists;
}

std::vector<std::string> Registry::Names(const char* sql) {
    RequireOpen("listing");
    std::vector<std::string> names;
    Query q(Conn(), sql);
    q.Bind(1, keyId_);
    while (q.Step())
        names.push_back(q.Text(0));
    return names;
}

std::vector<std::string> Registry::GetKeyNames() {
    return Names("SELECT name FROM keys WHERE parent = ? ORDER BY fold, name");
}

std::vector<std::string> Registry::GetValueNames() {
    return Names("SELECT name FROM vals WHERE key = ? ORDER BY id");
}

int Registry::ValueCount() {
    RequireOpen("listing");
    Query q(Conn(), "SELECT count(*) FROM vals WHERE key = ?");
    q.Bind(1, keyId_);
    q.Step();
    return static_cast<int>(q.Int(0));
}

StoreTransaction::StoreTransaction(SettingsStore& store, Root root) : reg_(store, root) {
    // The root itself: opening it creates nothing, and with canCreate it takes the write lock at
    // once, so that what the group reads and what it writes belong to one state of the file.
    reg_.OpenKey("\\", true);
}

void StoreTransaction::Commit() {
    if (!reg_.inTransaction_)
        return;
    auto& c = reg_.Conn();
    const bool abandoned = c.rollbackPending;
    reg_.CloseKey();
    // The caller caught the error of the part that failed, but the rest of the group is gone with
    // it: returning as if written would lose the group without a word.
    if (abandoned)
        throw StoreError("Settings store \"" + c.path +
                         "\": the grouped write was abandoned, as a part of it failed; nothing of "
                         "it was written.");
}

} // namespace netrova
