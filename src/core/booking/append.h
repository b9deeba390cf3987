#pragma once
// A new booking added to a register file without building its reservations:
// the same transaction as Commit (lock, re-read, checks, save under the lock)
// for the common case, at little more than the cost of reading the file and
// writing it back. kvtool book tries it first.
#include <string>

#include "core/booking/commit.h"

namespace booking {

struct Appended {
    CheckResult check = CheckResult::Ok;  // the refusal, when the checks refused
    CReserve stored;                      // the reservation as saved
    std::string facilityName;             // of its facility, as the list shows it
};

enum class AppendResult {
    Appended,  // the booking is added
    Refused,   // the checks refused it, as Commit would have; nothing written
    Whole,     // nothing done: the file needs the whole document (Commit)
};

// The bytes of the register with the booking added, as Commit would save
// them: the users the re-read adds included, the other reservations as they
// stand. Whole when the file needs what only the whole document does:
// damage, a form a save would not write, an unset time (the repair pass).
AppendResult AppendToBytes(const std::string& bytes, const Request& request, std::string* out, Appended* done);

// The same on the file, under the transaction's lock. Whole also when the
// file could not be read or written: Commit then says why.
AppendResult AppendToFile(const std::string& path, const Request& request, Appended* done);

}  // namespace booking
