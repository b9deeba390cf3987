#pragma once
// One connection to a server through libpq: statements with parameters only,
// results read in libpq's binary form, and a server's refusal as a cause.
#include <libpq-fe.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/store/location.h"
#include "core/store/status.h"

namespace store::pg {

// A result, freed when it goes.
struct ResultFree {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

// The parameters of one statement; bytes go as they are, never as text.
class Params {
public:
    Params& Int(int64_t v);
    Params& Bytes(const std::string& b);
    Params& Text(const std::string& t);
    int Count() const { return static_cast<int>(values_.size()); }
    const char* const* Values() const { return values_.data(); }
    const int* Lengths() const { return lengths_.data(); }
    const int* Formats() const { return formats_.data(); }

private:
    std::deque<std::string> own_;  // the numbers' text, kept in place
    std::vector<const char*> values_;
    std::vector<int> lengths_, formats_;
};

// Fields of a binary result.
int32_t Int32(const PGresult* r, int row, int col);
int64_t Int64(const PGresult* r, int row, int col);
bool Bool(const PGresult* r, int row, int col);
void Bytes(const PGresult* r, int row, int col, std::string* out);

class Connection {
public:
    explicit Connection(const Location& where) : where_(where) {}
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects when not connected, or when the last connection went.
    Status Open();
    PGconn* Raw() const { return conn_; }
    bool Lost() const { return conn_ && PQstatus(conn_) == CONNECTION_BAD; }
    void Close();

    // Runs one statement; on a refusal the result is null and *st says why.
    Result Exec(const char* sql, const Params& params, Status* st, bool binary = true);
    // A statement without parameters, or several: BEGIN, ROLLBACK, fixed texts.
    Status Command(const char* sql);
    // The cause of the last refusal, from its SQLSTATE or the connection's state.
    Status StatusOf(const PGresult* r) const;

private:
    const Location& where_;
    PGconn* conn_ = nullptr;
};

// Big-endian fields of libpq's binary COPY, written into one buffer.
class CopyBuffer {
public:
    CopyBuffer();
    void Row(int16_t fields);
    void Int32(int32_t v);
    void Int64(int64_t v);
    void Bytes(const std::string& b);
    // The trailer written, the buffer sent as COPY … FROM STDIN (binary) data.
    Status Send(Connection& conn, const char* copySql);

private:
    std::string buf_;
};

}  // namespace store::pg
