#include "SqliteDatabase.h"

#include <sqlite3.h>

#include <cctype>
#include <stdexcept>

SqliteDatabase::SqliteDatabase(const std::string &path, Role role) : path(path)
{
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        const std::string why = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        db = nullptr;
        throw std::runtime_error("cannot open " + path + ": " + why);
    }
    sqlite3_busy_timeout(db, 10000);
    // A statement that may change many rows keeps what it changed until it
    // is done, in a file unless told otherwise: a page written for each.
    script("PRAGMA temp_store=MEMORY");
    if (role == kReader) {
        script("PRAGMA query_only=1");
        return;
    }
    const std::vector<Row> mode = query("PRAGMA journal_mode=WAL", {});
    if (mode.empty() || mode[0].empty() || mode[0][0] != "wal")
        throw std::runtime_error("cannot keep " + path + " in WAL mode");
    script("PRAGMA synchronous=FULL");
}

SqliteDatabase::~SqliteDatabase()
{
    for (auto &[sql, statement] : prepared)
        sqlite3_finalize(statement);
    sqlite3_close(db);
}

std::unique_ptr<Database> SqliteDatabase::openReader() const { return std::make_unique<SqliteDatabase>(path, kReader); }

void SqliteDatabase::fail(const std::string &what) const { throw std::runtime_error(what + ": " + sqlite3_errmsg(db)); }

void SqliteDatabase::script(const std::string &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string why = error ? error : "failed";
        sqlite3_free(error);
        throw std::runtime_error("SQLite: " + why);
    }
}

void SqliteDatabase::rollback()
{
    if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::vector<Database::Row> SqliteDatabase::query(const std::string &sql, const std::vector<Param> &params)
{
    sqlite3_stmt *&statement = prepared[sql];
    if (statement == nullptr) {
        // SQLite reads $1 as a name, numbered where it first appears; ?1 is
        // the first value wherever it stands, as PostgreSQL reads $1.
        std::string numbered = sql;
        for (std::size_t at = 0; (at = numbered.find('$', at)) != std::string::npos; ++at)
            if (at + 1 < numbered.size() && std::isdigit(static_cast<unsigned char>(numbered[at + 1])))
                numbered[at] = '?';
        if (sqlite3_prepare_v3(db, numbered.c_str(), int(numbered.size()), SQLITE_PREPARE_PERSISTENT, &statement,
                               nullptr) != SQLITE_OK) {
            prepared.erase(sql);
            fail("SQLite cannot prepare a statement");
        }
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (sqlite3_bind_parameter_count(statement) != int(params.size())) fail("SQLite: a statement's values miscounted");
    for (std::size_t i = 0; i < params.size(); ++i) {
        const Param &p = params[i];
        const int at = int(i) + 1;
        int ok = SQLITE_OK;
        if (p.type == Param::kInt)
            ok = sqlite3_bind_int64(statement, at, std::stoll(p.value));
        else if (p.type == Param::kBlob)
            ok = sqlite3_bind_blob64(statement, at, p.value.data(), p.value.size(), SQLITE_TRANSIENT);
        else
            ok = sqlite3_bind_text64(statement, at, p.value.data(), p.value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        if (ok != SQLITE_OK) fail("SQLite cannot bind a value");
    }
    std::vector<Row> rows;
    for (;;) {
        const int step = sqlite3_step(statement);
        if (step == SQLITE_DONE) break;
        if (step != SQLITE_ROW) {
            sqlite3_reset(statement);
            fail("SQLite");
        }
        Row row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            const void *bytes = sqlite3_column_blob(statement, c);
            row.emplace_back(bytes ? static_cast<const char *>(bytes) : "",
                             std::size_t(sqlite3_column_bytes(statement, c)));
        }
        rows.push_back(std::move(row));
    }
    sqlite3_reset(statement);
    return rows;
}
