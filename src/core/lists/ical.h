#pragma once
// The iCalendar export (RFC 5545, UTF-8): one VEVENT per reservation with
// valid times, in the desk's time zone. Written with libical; no Qt.
#include <string>

#include "core/doc/records.h"

class CKivoDoc;

// Which reservations an export takes; every condition left unset takes all.
struct IcalFilter {
    int facility = -1;         // a facility number
    bool byUser = false;
    std::string user;          // CP932 bytes, compared exactly
    KvTime from = kTimeUnset;  // starting at or after this instant
    KvTime until = kTimeUnset;  // starting before this instant
};

struct IcalExport {
    std::string bytes;   // the whole calendar, lines ended by CR LF
    size_t events = 0;
    size_t leftOut = 0;  // reservations the filter takes that have no valid times
};

// What an export tells of the reservations it left out; %1 is their count.
inline constexpr const char* kIcalLeftOut = "%1 件の予約は時刻が正しくないため出力しませんでした";

// Start and end set and the end after the start: only such a booking makes
// an event that a calendar can hold.
bool HasValidTimes(const CReserve& r);

// The calendar of doc's reservations that filter takes. registerName (the
// register's file name) goes into every UID, so the same booking in two
// registers is two events; stamp is the DTSTAMP of every event.
IcalExport IcalBytes(const CKivoDoc& doc, const std::string& registerName, const IcalFilter& filter, KvTime stamp);
