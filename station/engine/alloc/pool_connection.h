#pragma once
// One connection to the pool's PostgreSQL server (libpq), with the few calls
// the pool needs: parameterised statements, plain scripts, and telling a lost
// connection from a statement the server refused.
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

namespace station {

// A statement's result; empty when the call failed.
class PoolResult {
public:
    PoolResult() = default;
    explicit PoolResult(pg_result* result);
    bool Ok() const { return result_ != nullptr; }
    int Rows() const;
    bool IsNull(int row, int column) const;
    std::string Text(int row, int column) const;
    long long Number(int row, int column) const;

private:
    std::shared_ptr<pg_result> result_;
};

// A parameter: text, or SQL NULL.
using PoolParam = std::optional<std::string>;

class PoolConnection {
public:
    PoolConnection() = default;
    ~PoolConnection();
    PoolConnection(const PoolConnection&) = delete;
    PoolConnection& operator=(const PoolConnection&) = delete;

    // Connects with the libpq connection string. A string that holds a
    // password is refused: it belongs in PGPASSWORD or ~/.pgpass. Unless the
    // string says otherwise, connecting gives up after 5 s and a statement
    // after 15 s.
    bool Connect(const std::string& conninfo, const std::string& applicationName);
    bool Connected() const;
    void Close();

    PoolResult Exec(const std::string& sql, const std::vector<PoolParam>& params = {});
    // Several statements without parameters, in one round trip.
    bool Script(const std::string& sql);

    // Why the last call failed, on one line (never holds a password: libpq
    // does not repeat one).
    const std::string& Error() const { return error_; }
    // Whether the last failure was the connection rather than the statement.
    bool LostConnection() const { return lost_; }
    // The server's SQLSTATE of the last refused statement.
    const std::string& SqlState() const { return sqlState_; }

private:
    void Fail(const char* message, pg_result* result);
    // The result of a call that succeeded; otherwise records why and returns an empty one.
    PoolResult Accept(pg_result* result);

    pg_conn* conn_ = nullptr;
    std::string error_;
    std::string sqlState_;
    bool lost_ = false;
};

// Whether a connection string names a password (refused: see Connect).
bool ConninfoHasPassword(const std::string& conninfo);

}  // namespace station
