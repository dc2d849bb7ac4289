#include "station/engine/alloc/pool_connection.h"

#include <libpq-fe.h>

#include <cstdlib>

namespace station {
namespace {

// libpq's messages end in a newline and may span lines; the main log wants one.
std::string OneLine(const char* text) {
    std::string line = text ? text : "";
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line.empty() ? "no answer from the server" : line;
}

// The server's notices ("already exists, skipping") are no news to an operator.
void IgnoreNotice(void*, const char*) {}

}  // namespace

PoolResult::PoolResult(pg_result* result) : result_(result, &PQclear) {}

int PoolResult::Rows() const { return result_ ? PQntuples(result_.get()) : 0; }

bool PoolResult::IsNull(int row, int column) const {
    return !result_ || PQgetisnull(result_.get(), row, column) != 0;
}

std::string PoolResult::Text(int row, int column) const {
    return IsNull(row, column) ? std::string() : std::string(PQgetvalue(result_.get(), row, column));
}

long long PoolResult::Number(int row, int column) const { return std::atoll(Text(row, column).c_str()); }

bool ConninfoHasPassword(const std::string& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    if (error) PQfreemem(error);
    if (!options) return false;
    bool found = false;
    for (PQconninfoOption* o = options; o->keyword; ++o)
        if (std::string(o->keyword) == "password" && o->val && *o->val) found = true;
    PQconninfoFree(options);
    return found;
}

PoolConnection::~PoolConnection() { Close(); }

void PoolConnection::Close() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
}

bool PoolConnection::Connected() const { return conn_ && PQstatus(conn_) == CONNECTION_OK; }

bool PoolConnection::Connect(const std::string& conninfo, const std::string& applicationName) {
    Close();
    lost_ = true;
    sqlState_.clear();
    if (ConninfoHasPassword(conninfo)) {
        error_ = "CONNINFO holds a password; keep it in PGPASSWORD or ~/.pgpass";
        return false;
    }
    // Later entries win, so the connection string overrides the defaults. A
    // server that takes a connection but never answers fails the call after
    // 15 s instead of holding the channel.
    const char* keys[] = {"connect_timeout", "options", "application_name", "dbname", nullptr};
    const char* values[] = {"5", "-c statement_timeout=15000", applicationName.c_str(), conninfo.c_str(), nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (PQstatus(conn_) != CONNECTION_OK) {
        error_ = OneLine(PQerrorMessage(conn_));
        Close();
        return false;
    }
    PQsetNoticeProcessor(conn_, &IgnoreNotice, nullptr);
    lost_ = false;
    error_.clear();
    return true;
}

void PoolConnection::Fail(const char* message, pg_result* result) {
    error_ = OneLine(message);
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    sqlState_ = state ? state : "";
    lost_ = !conn_ || PQstatus(conn_) != CONNECTION_OK;
    if (lost_) Close();
}

PoolResult PoolConnection::Accept(pg_result* result) {
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) return PoolResult(result);
    Fail(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_), result);
    if (result) PQclear(result);
    return {};
}

PoolResult PoolConnection::Exec(const std::string& sql, const std::vector<PoolParam>& params) {
    if (!conn_) {
        Fail("not connected", nullptr);
        return {};
    }
    std::vector<const char*> values;
    for (const PoolParam& p : params) values.push_back(p ? p->c_str() : nullptr);
    return Accept(PQexecParams(conn_, sql.c_str(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
}

bool PoolConnection::Script(const std::string& sql) {
    if (!conn_) {
        Fail("not connected", nullptr);
        return false;
    }
    return Accept(PQexec(conn_, sql.c_str())).Ok();
}

}  // namespace station
