#pragma once
// The booking rules: the confirmation checks of the reservation entry and
// repair dialogs, with no widget in sight. The dialogs call these, and so does
// kvtool book.
#include <cstdint>
#include <string>

#include "core/doc/records.h"
#include "core/doc/reserveentry.h"

enum class CheckResult { Ok, BadDate, BadStart, BadEnd, NoFacility, Overlap };

// The message a refusal shows ("日付が不正です" ...); empty for Ok.
const char* CheckMessage(CheckResult r);

// The unsigned-number exchange of a numeric field: blanks and tabs around it
// skipped; empty, a minus sign or any other character refused.
bool ParseUnsigned(const std::string& text, uint32_t* out);
// Fields stored in 16 bits (fee, facility number, maximum people).
inline bool Fits16(uint32_t v) { return v <= 65535; }

// The range checks of confirm: date, start, end; then an end instant before
// the start instant is refused as BadEnd.
CheckResult CheckDateTimes(const ReserveEntry& e);

// The overlap rule for one reservation: whether r holds facilityId at any
// moment of a booking from start to end.
bool Blocks(const CReserve& r, int facilityId, KvTime start, KvTime end);

// The overlap rule against every reservation of the selected facility, all
// days, skipping the edited reservation by value. Ok or Overlap; NoFacility
// when the selection lies outside the collection (it is never read there).
CheckResult CheckOverlap(const ReserveEntry& e, const ReserveArray& reserves, const FacilityArray& facilities,
                         const CReserve* edited);

// Whether an edit changes the booking's start, end or facility.
bool MovesBooking(const ReserveEntry& e, const FacilityArray& facilities, const CReserve& edited);

// The checks after the re-read: facility selected, then (when dupForbidden)
// the overlap rule, for a new booking always, for an edit only when it moves
// the booking: one that already overlaps can still be marked paid.
CheckResult CheckAfterReload(const ReserveEntry& e, const ReserveArray& reserves, const FacilityArray& facilities,
                             const CReserve* edited, bool dupForbidden);
