#pragma once
// A reservation as the entry and repair dialogs hold it, and its exchange with
// the record: the document's repair pass and the booking rules both use it.
#include <cstdint>
#include <string>

#include "core/doc/records.h"

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

// The instants the entry stands for, with the C library's roll-over
// (minute 60 is the next hour, hour 24 the next day).
KvTime EntryStart(const ReserveEntry& e);
KvTime EntryEnd(const ReserveEntry& e);

// Whether the selected position lies inside the facility collection.
bool FacilitySelected(const ReserveEntry& e, const FacilityArray& facilities);

// Fills the entry from a reservation (date and times of its start and end,
// facility position, texts, fee) for an edit. The entry holds one date, so an
// end on the following day is given as its hour plus 24 (00:30 -> 24:30).
// False when the end lies on any other day than the start's or the next: the
// entry cannot show it, and confirming would move it.
bool EntryFromReserve(const CReserve& r, const FacilityArray& facilities, ReserveEntry* e);
// The refusal of an edit whose end the entry cannot show, naming that end (UTF-8).
std::string EndNotShownMessage(const CReserve& r);
// Writes the entry into a reservation: texts, paid, fee, facility number of the
// selected position, start and end instants. The facility must be selected.
void ApplyEntry(const ReserveEntry& e, const FacilityArray& facilities, CReserve* r);
