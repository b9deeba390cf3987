#pragma once
// A confirmed booking as one change transaction: re-read, check, apply,
// append (or change the edited reservation), save. The entry dialog's
// confirm and kvtool book both go through it, so two desks confirming the
// same slot can never both succeed.
#include <optional>
#include "core/booking/rules.h"
#include "core/doc/kivodoc.h"

namespace booking {

struct Request {
    ReserveEntry entry;           // date and times already checked (CheckDateTimes)
    bool dupForbidden = true;     // read from the profile before the call, never under the lock
    const CReserve* edited = nullptr;  // the reservation as shown, for an edit; nullptr books a new one
    int editedPos = -1;           // where it stood, to find it again by value
    int facilityId = -1;          // >= 0: the facility numbered so after the re-read; else entry.facility
    std::optional<SortKey> sortKey;  // the reservations kept sorted as a list window keeps them
};

struct Outcome {
    TxResult tx = TxResult::Abandoned;
    CheckResult check = CheckResult::Ok;  // the refusal of the checks after the re-read
    bool vanished = false;                // the edited reservation is no longer in the file
    CReserve stored;                      // the reservation as saved, when tx is Done
};

// Nothing is written unless every check passes; a file fault is reported by
// the document's host and shows as TxResult::Failed.
Outcome Commit(CKivoDoc& doc, const Request& request, IKivoView* sender = nullptr,
               ViewHint hint = ViewHint::Changed);

}  // namespace booking
