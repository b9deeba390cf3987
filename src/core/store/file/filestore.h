#pragma once
// A register that is one .kv file, shared by desks through locks on it.
#include <string>

#include "core/store/file/fileio.h"
#include "core/store/store.h"

namespace store {

class FileStore : public IRegisterStore {
public:
    explicit FileStore(Location where) : where_(std::move(where)) {}

    const Location& Where() const override { return where_; }
    Status Read(RegisterData* data, StoreFacts* facts) override;
    Status Scan(const std::function<void(size_t, const CReserve&)>& each, FacilityArray* facilities,
                UserArray* users) override;
    Reading ReadIfChanged(RegisterData* data, RegisterData* replaced, StoreFacts* facts) override;
    std::unique_ptr<ITransaction> Begin(Status* status) override;
    Status Replace(const RegisterData& data) override;
    void Forget() override;
    std::vector<std::string> WatchPaths() const override;

private:
    class Transaction;

    // Parses the bytes just read (spare_) into data and makes them the last
    // file's; a fault empties data.
    Status Take(const fileio::FileStamp& stamp, RegisterData* data, StoreFacts* facts);
    void Remember(const fileio::FileStamp& stamp);
    // The file's stamp says it is the last one, and old enough that no later
    // write can have left the same stamp.
    bool Settled(const fileio::FileStamp& now) const;
    Status Save(fileio::ExclusiveLock& lock, const RegisterData& data, StoreFacts* facts, size_t* copied,
                bool* usersAsBefore);

    Location where_;
    // The file as this store last read or wrote it; stamp_ not valid when
    // that is not known (never read, or forgotten).
    fileio::FileStamp stamp_;
    std::string bytes_;
    ReserveSpans spans_;       // where each reservation lies in bytes_
    std::string spare_;        // the next read's, reused
    std::string buffer_;       // the next save's, reused
    ReserveSpans saveSpans_;   // and its spans
    fileio::FileStamp refused_;  // a file the quiet refresh could not read
};

}  // namespace store
