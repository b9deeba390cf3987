#include "core/store/pg/pgconn.h"

#include <arpa/inet.h>
#include <endian.h>

#include <algorithm>
#include <cstring>

namespace store::pg {

namespace {

// SQLSTATE classes and codes a desk can meet, and what the desk is told.
Cause CauseOfState(const char* state) {
    if (!state) return Cause::ConnectionLost;
    const std::string s = state;
    if (s == "55P03") return Cause::SharingViolation;       // lock_not_available
    if (s == "40P01" || s == "40001") return Cause::LockViolation;
    if (s == "42501" || s == "25006") return Cause::AccessDenied;  // privilege; a read-only server
    if (s == "23P01") return Cause::Overlap;                // exclusion_violation
    if (s == "3D000" || s == "42P01") return Cause::FileNotFound;  // no database; no tables
    if (s == "53100") return Cause::DiskFull;
    if (s == "53200") return Cause::NoMemory;
    if (s.rfind("08", 0) == 0 || s.rfind("57P", 0) == 0) return Cause::ConnectionLost;
    if (s.rfind("28", 0) == 0) return Cause::AccessDenied;
    return Cause::Generic;
}

}  // namespace

Params& Params::Int(int64_t v) {
    own_.push_back(std::to_string(v));
    values_.push_back(own_.back().c_str());
    lengths_.push_back(0);
    formats_.push_back(0);
    return *this;
}

Params& Params::Bytes(const std::string& b) {
    values_.push_back(b.data());
    lengths_.push_back(static_cast<int>(b.size()));
    formats_.push_back(1);
    return *this;
}

Params& Params::Text(const std::string& t) {
    values_.push_back(t.c_str());
    lengths_.push_back(0);
    formats_.push_back(0);
    return *this;
}

int32_t Int32(const PGresult* r, int row, int col) {
    uint32_t v;
    std::memcpy(&v, PQgetvalue(r, row, col), 4);
    return static_cast<int32_t>(ntohl(v));
}

int64_t Int64(const PGresult* r, int row, int col) {
    uint64_t v;
    std::memcpy(&v, PQgetvalue(r, row, col), 8);
    return static_cast<int64_t>(be64toh(v));
}

bool Bool(const PGresult* r, int row, int col) { return *PQgetvalue(r, row, col) != 0; }

void Bytes(const PGresult* r, int row, int col, std::string* out) {
    out->assign(PQgetvalue(r, row, col), static_cast<size_t>(PQgetlength(r, row, col)));
}

Connection::~Connection() { Close(); }

void Connection::Close() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
}

Status Connection::Open() {
    if (conn_ && PQstatus(conn_) == CONNECTION_OK) return {};
    Close();
    std::vector<const char*> keys, values;
    const Location::Params params = where_.Connection();
    for (const auto& [k, v] : params) {
        keys.push_back(k.c_str());
        values.push_back(v.c_str());
    }
    // A server that does not answer is given up on in a few seconds, not the
    // system's minutes: the window thread waits for it.
    if (std::none_of(params.begin(), params.end(), [](const auto& kv) { return kv.first == "connect_timeout"; })) {
        keys.push_back("connect_timeout");
        values.push_back("5");
    }
    // The server's list of sessions names the program, unless the location does.
    if (std::none_of(params.begin(), params.end(), [](const auto& kv) { return kv.first == "application_name"; })) {
        keys.push_back("application_name");
        values.push_back("orvalis");
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    conn_ = PQconnectdbParams(keys.data(), values.data(), 0);
    if (!conn_) return {Cause::NoMemory};
    if (PQstatus(conn_) == CONNECTION_OK) {
        // Text in, text out: numbers as the C library writes them.
        PQsetClientEncoding(conn_, "UTF8");
        // The server's notices are no message of ours: standard error is
        // kvtool's for the desk's messages.
        PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
        return {};
    }
    const bool password = PQconnectionNeedsPassword(conn_) != 0;
    const char* error = PQerrorMessage(conn_);
    // A refusal of the role or the database is the server's answer, not silence.
    Cause cause = password ? Cause::PasswordNeeded : Cause::ServerUnreachable;
    if (!password && error && (std::strstr(error, "does not exist") || std::strstr(error, "authentication")))
        cause = std::strstr(error, "database") && std::strstr(error, "does not exist") ? Cause::FileNotFound
                                                                                        : Cause::AccessDenied;
    Close();
    return {cause};
}

Status Connection::StatusOf(const PGresult* r) const {
    if (!conn_ || PQstatus(conn_) == CONNECTION_BAD) return {Cause::ConnectionLost};
    if (!r) return {Cause::NoMemory};
    return {CauseOfState(PQresultErrorField(r, PG_DIAG_SQLSTATE))};
}

Result Connection::Exec(const char* sql, const Params& p, Status* st, bool binary) {
    Result r(PQexecParams(conn_, sql, p.Count(), nullptr, p.Values(), p.Lengths(), p.Formats(), binary ? 1 : 0));
    const ExecStatusType s = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK) {
        *st = {};
        return r;
    }
    *st = StatusOf(r.get());
    return nullptr;
}

Status Connection::Command(const char* sql) {
    Result r(PQexec(conn_, sql));
    if (r && PQresultStatus(r.get()) == PGRES_COMMAND_OK) return {};
    return StatusOf(r.get());
}

CopyBuffer::CopyBuffer() {
    static const char kHeader[] = "PGCOPY\n\377\r\n\0";
    buf_.assign(kHeader, 11);
    buf_.append(8, '\0');  // flags and the header extension's length
}

void CopyBuffer::Row(int16_t fields) {
    const uint16_t v = htons(static_cast<uint16_t>(fields));
    buf_.append(reinterpret_cast<const char*>(&v), 2);
}

void CopyBuffer::Int32(int32_t v) {
    const uint32_t len = htonl(4), x = htonl(static_cast<uint32_t>(v));
    buf_.append(reinterpret_cast<const char*>(&len), 4);
    buf_.append(reinterpret_cast<const char*>(&x), 4);
}

void CopyBuffer::Int64(int64_t v) {
    const uint32_t len = htonl(8);
    const uint64_t x = htobe64(static_cast<uint64_t>(v));
    buf_.append(reinterpret_cast<const char*>(&len), 4);
    buf_.append(reinterpret_cast<const char*>(&x), 8);
}

void CopyBuffer::Bytes(const std::string& b) {
    const uint32_t len = htonl(static_cast<uint32_t>(b.size()));
    buf_.append(reinterpret_cast<const char*>(&len), 4);
    buf_.append(b);
}

Status CopyBuffer::Send(Connection& conn, const char* copySql) {
    Row(-1);
    Result r(PQexec(conn.Raw(), copySql));
    if (!r || PQresultStatus(r.get()) != PGRES_COPY_IN) return conn.StatusOf(r.get());
    // libpq takes the data in pieces it can buffer; one call per megabyte.
    constexpr size_t kPiece = 1 << 20;
    for (size_t at = 0; at < buf_.size(); at += kPiece) {
        const size_t n = std::min(kPiece, buf_.size() - at);
        if (PQputCopyData(conn.Raw(), buf_.data() + at, static_cast<int>(n)) != 1) return conn.StatusOf(nullptr);
    }
    if (PQputCopyEnd(conn.Raw(), nullptr) != 1) return conn.StatusOf(nullptr);
    Result end(PQgetResult(conn.Raw()));
    Status st;
    if (!end || PQresultStatus(end.get()) != PGRES_COMMAND_OK) st = conn.StatusOf(end.get());
    while (Result more{PQgetResult(conn.Raw())}) {
    }
    return st;
}

}  // namespace store::pg
