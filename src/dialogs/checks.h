#pragma once
// The confirmation checks of the reservation entry and repair dialogs, with
// no widget in sight: the dialogs call these, and so does kvtool book.
#include <cstdint>
#include <string>

#include "doc/records.h"

// What the entry dialog holds: its members, exchanged with the controls.
struct ReserveEntry {
    std::string user;       // CP932
    std::string purpose;    // CP932, may hold CR LF
    std::string contact;    // CP932, may hold CR LF
    uint32_t year = 0, month = 0, day = 0;
    uint32_t startHour = 10, startMinute = 0;
    uint32_t endHour = 11, endMinute = 0;
    int facility = 0;       // position in the facility collection
    bool paid = false;
    uint32_t fee = 0;
    bool deleteFlag = false;

    // The repair dialog starts from zero times and date.
    static ReserveEntry ForRepair();
};

enum class CheckResult { Ok, BadDate, BadStart, BadEnd, NoFacility, Overlap };

// The message a refusal shows ("日付が不正です" ...); empty for Ok.
const char* CheckMessage(CheckResult r);

// The unsigned-number exchange of a numeric field: blanks and tabs around it
// skipped; empty, a minus sign or any other character refused.
bool ParseUnsigned(const std::string& text, uint32_t* out);
// Fields stored in 16 bits (fee, facility number, maximum people).
inline bool Fits16(uint32_t v) { return v <= 65535; }

// Steps 3-5 of confirm: date, start, end.
CheckResult CheckDateTimes(const ReserveEntry& e);

// The instants the entry stands for, with the C library's roll-over
// (minute 60 is the next hour, hour 24 the next day).
KvTime EntryStart(const ReserveEntry& e);
KvTime EntryEnd(const ReserveEntry& e);

// Whether the selected position lies inside the facility collection.
bool FacilitySelected(const ReserveEntry& e, const FacilityArray& facilities);

// The overlap rule against every reservation of the selected facility, all
// days, skipping the edited reservation by value. Ok or Overlap; NoFacility
// when the selection lies outside the collection (it is never read there).
CheckResult CheckOverlap(const ReserveEntry& e, const ReserveArray& reserves, const FacilityArray& facilities,
                         const CReserve* edited);

// The checks after the re-read: facility selected, then (when dupForbidden)
// the overlap rule.
CheckResult CheckAfterReload(const ReserveEntry& e, const ReserveArray& reserves, const FacilityArray& facilities,
                             const CReserve* edited, bool dupForbidden);

// Fills the entry from a reservation (date and times of its start and end,
// facility position, texts, fee) for an edit.
void EntryFromReserve(const CReserve& r, const FacilityArray& facilities, ReserveEntry* e);
// Writes the entry into a reservation: texts, paid, fee, facility number of the
// selected position, start and end instants. The facility must be selected.
void ApplyEntry(const ReserveEntry& e, const FacilityArray& facilities, CReserve* r);
