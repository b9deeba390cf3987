#pragma once
// A whole register as bytes: facilities, reservations, then users.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/doc/records.h"

struct RegisterData {
    FacilityArray facilities;
    ReserveArray reserves;
    UserArray users;
};

// What a store or a parse saw of the records on its way, so that nobody has
// to pass over them again to learn it.
struct StoreFacts {
    bool usersComplete = false;  // every reservation's user (when not empty) is a user
    bool timesSet = false;       // no reservation has an unset start or end
};

// Where each reservation's record lies in a register's bytes (after its tag),
// kept with the last bytes a document read or wrote. A reservation whose
// m_place is i and which is records[i] here has exactly those bytes, unless
// it was changed in place since; a save that is told which ones were copies
// the others instead of writing them again.
struct ReserveSpans {
    std::vector<const CReserve*> records;  // in file order; nullptr: not to be copied
    std::vector<uint32_t> begin, end;
    CReserve::FreeMark freed;  // when they were noted
};

// The bytes of the last file and their spans, for a save that copies from them.
struct LastBytes {
    const std::string& bytes;
    const ReserveSpans& spans;
};

// The bytes of a register.
std::string StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users);
// The same into out, whose buffer is reused; facts, when asked for, filled in.
void StoreRegister(const RegisterData& data, std::string* out, StoreFacts* facts = nullptr);
void StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users,
                   std::string* out, StoreFacts* facts = nullptr);
// The same, noting where each reservation went (and its m_place). With last,
// every reservation placed in it is copied from there; the facts then speak
// only of the records written anew.
void StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users,
                   std::string* out, StoreFacts* facts, ReserveSpans* spans, const LastBytes* last);

// Rebuilds the three collections from bytes. Throws CArchiveException on a
// format fault (the collections are then left empty). Zero bytes is an empty
// register. Records out already holds are filled again rather than freed and
// made anew. With spans, notes where each reservation lies (and its m_place);
// of the facts a parse learns only timesSet.
void LoadRegister(const unsigned char* data, size_t size, RegisterData* out, ReserveSpans* spans = nullptr,
                  StoreFacts* facts = nullptr);

// Reads a register as LoadRegister does, refusing the same damage, but keeps
// no records: each reservation is handed to each in turn, then its memory is
// read over by the next.
void ScanRegister(const unsigned char* data, size_t size, const std::function<void(size_t, const CReserve&)>& each);

// A register read for a booking added after its reservations, which are not
// kept: the facilities and users as LoadRegister makes them, and where the
// reservations' records lie. Reads as LoadRegister does, refusing the same
// damage; each reservation is handed to each in turn, as in ScanRegister.
struct RegisterOutline {
    FacilityArray facilities;
    UserArray users;
    uint32_t reserveCount = 0;
    size_t recordsBegin = 0, recordsEnd = 0;  // the first record (after its tag) to the end of the last
    bool copyable = true;   // each record in the form a save writes, each later tag the same two bytes
    uint16_t laterTag = 0;  // the tag of the records after the first
};
void OutlineRegister(const unsigned char* data, size_t size, RegisterOutline* out,
                     const std::function<void(const CReserve&)>& each);

// The bytes a save writes of the outlined register with added after its
// reservations: the facilities and users written, the reservations copied
// from data. False when their bytes are not what a save would write.
bool StoreAppended(const unsigned char* data, const RegisterOutline& outline, CReserve& added, std::string* out);
