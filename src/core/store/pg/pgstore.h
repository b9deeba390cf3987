#pragma once
// A register on a PostgreSQL server: one row per register with its change
// number, and a row per facility, reservation and user. A change is one SQL
// transaction under the register row's lock; readers never wait.
#include <cstdint>
#include <string>
#include <vector>

#include "core/store/pg/pgconn.h"
#include "core/store/store.h"

namespace store::pg {

// The register's row as a statement last read it.
struct Head {
    int64_t id = 0, change = 0, whole = 0, facilities = 0, users = 0, nextPos = 0;
    bool forbidOverlaps = false;
};

class PgStore : public IRegisterStore {
public:
    explicit PgStore(Location where) : where_(std::move(where)), conn_(where_) {}

    const Location& Where() const override { return where_; }
    Status Read(RegisterData* data, StoreFacts* facts) override;
    Status Scan(const std::function<void(size_t, const CReserve&)>& each, FacilityArray* facilities,
                UserArray* users) override;
    Reading ReadIfChanged(RegisterData* data, RegisterData* replaced, StoreFacts* facts) override;
    std::unique_ptr<ITransaction> Begin(Status* status) override;
    Status Replace(const RegisterData& data) override;
    void Forget() override;
    std::vector<std::string> WatchPaths() const override { return {}; }

    // Writes data as the whole register, schema made when absent. An existing
    // register is refused (*existed set) unless replace; forbid: 1 makes the
    // server refuse overlaps, 0 lets each desk decide, -1 keeps the setting.
    Status Create(const RegisterData& data, bool replace, int forbid, bool* existed = nullptr);
    // Whether this role may change the register, and whether it forbids overlaps.
    Status Settings(bool* mayWrite, bool* forbidsOverlaps);

private:
    class Transaction;
    struct Row {
        int64_t pos;
        CReserve r;
    };

    // Opens a statement block, connecting again once when the connection went.
    Status Start(const char* begin);
    void End(bool commit);
    // COMMIT of a change; a COMMIT sent but not answered may have stood, so
    // its status says the outcome is not known. The last state is forgotten
    // on any fault.
    Status Commit();
    Status ReadHead(const char* sql, Head* head);
    // Brings the last state up to head: only what changed since it when it can.
    Status CatchUp(const Head& head);
    Status ReadFacilities(int64_t id);
    Status ReadUsers(int64_t id);
    Status ReadReservations(const char* sql, const Params& p, std::vector<Row>* rows);
    // The last state into data, its records refilled; the facts of a parse.
    void Fill(RegisterData* data, StoreFacts* facts) const;
    Status WriteChange(const Head& head, const RegisterData& data, StoreFacts* facts, size_t* copied,
                       bool* usersAsBefore);

    Location where_;
    Connection conn_;
    // The register as this store last read or wrote it, at change number
    // known_ (-1: not known).
    int64_t known_ = -1;
    Head head_;
    std::vector<CKivo> facilities_;
    std::vector<CKivoUser> users_;
    std::vector<Row> rows_;  // by position on the server
    // A change's pairing of records with rows, kept for the next one's use.
    std::vector<int64_t> pairOf_;
    std::vector<char> claimed_;
    std::vector<size_t> touched_;
};

}  // namespace store::pg
