#include "PgDatabase.h"

#include <libpq-fe.h>

#include <memory>
#include <stdexcept>

namespace {

constexpr Oid kByteaOid = 17;

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

std::string unhex(const char *text, std::size_t length)
{
    std::size_t size = 0;
    unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &size);
    if (bytes == nullptr) return std::string(text, length);
    std::string out(reinterpret_cast<const char *>(bytes), size);
    PQfreemem(bytes);
    return out;
}

}  // namespace

PgDatabase::PgDatabase(const std::string &uri, bool reader) : uri(uri), reader(reader) { connect(); }

std::unique_ptr<Database> PgDatabase::openReader() const { return std::make_unique<PgDatabase>(uri, true); }

PgDatabase::~PgDatabase() { PQfinish(conn); }

void PgDatabase::connect()
{
    PQfinish(conn);
    prepared.clear();
    conn = PQconnectdb(uri.c_str());
    if (PQstatus(conn) != CONNECTION_OK)
        throw std::runtime_error(std::string("cannot reach PostgreSQL: ") + PQerrorMessage(conn));
    script("SET client_encoding = 'UTF8'");
    script("SET client_min_messages = warning");  // "already exists, skipping" is no news
    if (reader) script("SET default_transaction_read_only = on");
}

void PgDatabase::script(const std::string &sql)
{
    if (PQstatus(conn) != CONNECTION_OK) connect();
    Result result(PQexec(conn, sql.c_str()), PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error(std::string("PostgreSQL: ") + PQerrorMessage(conn));
}

void PgDatabase::beginWrite()
{
    // One round trip: the lock is a constant of the program's, no value of anyone's.
    script("BEGIN; SELECT pg_advisory_xact_lock(" + std::to_string(kWriteLock) + ")");
}

void PgDatabase::rollback()
{
    if (PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) != PQTRANS_IDLE) {
        Result result(PQexec(conn, "ROLLBACK"), PQclear);
    }
}

std::vector<Database::Row> PgDatabase::query(const std::string &sql, const std::vector<Param> &params)
{
    // Outside a transaction a broken connection is opened again; inside one,
    // what the transaction did is gone with it, so the caller hears of it.
    if (PQstatus(conn) != CONNECTION_OK) connect();
    auto found = prepared.find(sql);
    if (found == prepared.end()) {
        const std::string name = "s" + std::to_string(prepared.size());
        Result made(PQprepare(conn, name.c_str(), sql.c_str(), int(params.size()), nullptr), PQclear);
        if (PQresultStatus(made.get()) != PGRES_COMMAND_OK)
            throw std::runtime_error(std::string("PostgreSQL cannot prepare a statement: ") + PQerrorMessage(conn));
        found = prepared.emplace(sql, name).first;
    }
    std::vector<const char *> values;
    std::vector<int> lengths, formats;
    for (const Param &p : params) {
        values.push_back(p.value.data());
        lengths.push_back(int(p.value.size()));
        formats.push_back(p.type == Param::kBlob ? 1 : 0);
    }
    Result result(PQexecPrepared(conn, found->second.c_str(), int(params.size()), values.data(), lengths.data(),
                                 formats.data(), 0),
                  PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error(std::string("PostgreSQL: ") + PQerrorMessage(conn));
    std::vector<Row> rows;
    for (int r = 0; r < PQntuples(result.get()); ++r) {
        Row row;
        for (int c = 0; c < PQnfields(result.get()); ++c) {
            const char *text = PQgetvalue(result.get(), r, c);
            const std::size_t length = std::size_t(PQgetlength(result.get(), r, c));
            row.push_back(PQftype(result.get(), c) == kByteaOid ? unhex(text, length) : std::string(text, length));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void PgDatabase::copy(const std::string &target, const std::function<bool(Row &)> &next)
{
    if (PQstatus(conn) != CONNECTION_OK) connect();
    Result started(PQexec(conn, ("COPY " + target + " FROM STDIN").c_str()), PQclear);
    if (PQresultStatus(started.get()) != PGRES_COPY_IN)
        throw std::runtime_error(std::string("PostgreSQL cannot copy: ") + PQerrorMessage(conn));
    std::string buffer;
    const auto flush = [&] {
        if (!buffer.empty() && PQputCopyData(conn, buffer.data(), int(buffer.size())) != 1)
            throw std::runtime_error(std::string("PostgreSQL: ") + PQerrorMessage(conn));
        buffer.clear();
    };
    Row row;
    while (next(row)) {
        // COPY's text format: tab between columns, and a backslash before
        // what would otherwise end a column or a row.
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) buffer += '\t';
            for (char ch : row[c]) {
                if (ch == '\\')
                    buffer += "\\\\";
                else if (ch == '\t')
                    buffer += "\\t";
                else if (ch == '\n')
                    buffer += "\\n";
                else if (ch == '\r')
                    buffer += "\\r";
                else
                    buffer += ch;
            }
        }
        buffer += '\n';
        row.clear();
        if (buffer.size() >= (1u << 20)) flush();
    }
    flush();
    if (PQputCopyEnd(conn, nullptr) != 1) throw std::runtime_error(std::string("PostgreSQL: ") + PQerrorMessage(conn));
    Result ended(PQgetResult(conn), PQclear);
    const bool ok = PQresultStatus(ended.get()) == PGRES_COMMAND_OK;
    while (PGresult *more = PQgetResult(conn))
        PQclear(more);
    if (!ok) throw std::runtime_error(std::string("PostgreSQL cannot copy: ") + PQerrorMessage(conn));
}
