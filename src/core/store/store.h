#pragma once
// The one door to a register: every read, lock, re-read, write and watch of
// one passes through a store, whatever kind of place it lives in. The
// document keeps the collections; the store keeps what it needs to know of
// the register's last state (to skip a read, to copy what did not change).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/doc/kvformat.h"
#include "core/store/location.h"
#include "core/store/status.h"

namespace store {

// What a store did when asked to bring collections up to date.
enum class Reading { Unchanged, Read, Failed };

// One change under the register's exclusive lock, held until it goes.
class ITransaction {
public:
    virtual ~ITransaction() = default;
    // Brings data to what the register holds. When the register is as this
    // store last read or wrote it and inSync (data still holds exactly that),
    // nothing is read: Unchanged. On Read, facts are the parse's.
    virtual Reading ReReadIfChanged(RegisterData* data, bool inSync, StoreFacts* facts, Status* status) = 0;
    // Writes data as the register. Records that hold exactly what they held
    // in the register's last state may be copied from it; which ones the
    // store finds out itself, so the result is always what data holds.
    // facts speak of the records written anew; copied tells how many were not.
    virtual Status Write(const RegisterData& data, StoreFacts* facts, size_t* copied, bool* usersAsBefore) = 0;

    // For a change that only adds reservations after the register's others,
    // on a desk that holds none of them: reads the facilities and users into
    // data (no reservation) and hands each reservation to each, keeping none.
    // True when WriteAround can then save the change. False when the store
    // cannot (a damaged register, records in a form a save would not write,
    // unset times): what was handed on is to be forgotten and the change
    // reads the register whole; status tells when it could not be read at all.
    virtual bool ReadAround(RegisterData* /*data*/, const std::function<void(const CReserve&)>& /*each*/,
                            Status* /*status*/) {
        return false;
    }
    // Saves the register ReadAround read, with data's facilities and users
    // and data's reservations after the ones it handed on.
    virtual Status WriteAround(const RegisterData& /*data*/) { return {Cause::Generic}; }
};

class IRegisterStore {
public:
    virtual ~IRegisterStore() = default;
    virtual const Location& Where() const = 0;
    // Reads the whole register into data (its records refilled), as a reader
    // that never holds a writer off for long.
    virtual Status Read(RegisterData* data, StoreFacts* facts) = 0;
    // Reads the register as Read does, refusing the same damage, but keeps no
    // reservation: each is handed to each in turn (with its position). The
    // facilities, when asked for, are there before the first; the users,
    // when asked for, once the last has gone by.
    virtual Status Scan(const std::function<void(size_t, const CReserve&)>& each,
                        FacilityArray* facilities = nullptr, UserArray* users = nullptr) = 0;
    // Reads the register again when another desk changed it since this store
    // last read or wrote it; data stays as it was unless the read succeeds,
    // and the records it replaced then go to *replaced.
    virtual Reading ReadIfChanged(RegisterData* data, RegisterData* replaced, StoreFacts* facts) = 0;
    // Takes the exclusive lock; nullptr with the cause when it cannot be had
    // or there is no register there.
    virtual std::unique_ptr<ITransaction> Begin(Status* status) = 0;
    // Writes data as the whole register, made when it does not exist yet.
    virtual Status Replace(const RegisterData& data) = 0;
    // What this store knew of the register's last state no longer holds: the
    // next change reads it again.
    virtual void Forget() = 0;
    // What a window follows to learn of other desks' changes: for a file,
    // the file and its folder.
    virtual std::vector<std::string> WatchPaths() const = 0;
};

std::unique_ptr<IRegisterStore> OpenStore(const Location& where);

// The message of a status for the register at where: the file message of its
// cause, or the document's own for a damaged register, no memory, and a save
// that failed for no cause a file names.
std::string Message(const Status& status, const Location& where, bool saving);

// A file that is no register (an image, a page, a table of holidays): read
// whole, or written whole or not at all, as registers are.
Status ReadWholeFile(const std::string& path, std::string* bytes);
Status WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace store
