#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The board's storage as the statements it runs: SQLite in a file or a
// PostgreSQL server behind the same few calls. Every statement with a value
// in it is prepared (once a connection) and given its values apart; only
// the fixed schema is run as plain text. One connection, for one thread at a
// time: RunStore keeps a writer and a pool of readers (ConnectionPool).
class Database {
public:
    // A value handed to a statement.
    struct Param {
        enum Type {
            kText,
            kInt,
            kBlob,
        };
        Type type = kText;
        std::string value;  // the text, the number in decimal, or the bytes

        static Param text(std::string v) { return Param{kText, std::move(v)}; }
        static Param number(int64_t v) { return Param{kInt, std::to_string(v)}; }
        static Param blob(std::string v) { return Param{kBlob, std::move(v)}; }
    };
    // Each column as text, a number in decimal, a blob as its bytes.
    using Row = std::vector<std::string>;

    virtual ~Database() = default;
    virtual bool postgres() const = 0;
    // Another connection to the same database, for reading alone.
    virtual std::unique_ptr<Database> openReader() const = 0;
    // Fixed statements without values (the schema); throws on failure.
    virtual void script(const std::string &sql) = 0;
    // `sql` with $1, $2 ... for the values in order; throws on failure.
    virtual std::vector<Row> query(const std::string &sql, const std::vector<Param> &params = {}) = 0;
    // A transaction that takes the write lock at once (SQLite's BEGIN
    // IMMEDIATE; for PostgreSQL an advisory lock shared by every server on
    // the database), so checks and writes inside it see no other writer.
    virtual void beginWrite() = 0;
    // A read-only transaction that sees one moment of the database
    // throughout, whatever commits meanwhile (and never waits for a writer).
    virtual void beginRead() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
};
