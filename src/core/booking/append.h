#pragma once
// A new booking added to a register file without building its reservations:
// the same transaction as Commit (lock, re-read, checks, save under the lock)
// for the common case, at little more than the cost of reading the file and
// writing it back. kvtool book tries it first.
#include <string>

#include "core/booking/commit.h"

namespace booking {

struct Appended {
    CReserve stored;           // the reservation as saved
    std::string facilityName;  // of its facility, as the list shows it
};

// The bytes of the register with the booking added, as Commit would save
// them: the users the re-read adds included, the other reservations as they
// stand. False, with nothing made, when the file needs what only the whole
// document does: damage, a form a save would not write, an unset time (the
// repair pass), or a refusal of the checks.
bool AppendToBytes(const std::string& bytes, const Request& request, std::string* out, Appended* done);

// The same on the file, under the transaction's lock. False when nothing was
// written: Commit then does the whole transaction and says why, if anything.
bool AppendToFile(const std::string& path, const Request& request, Appended* done);

}  // namespace booking
