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
    // A file at the name of a helper of the store's that did not prove to
    // be one: left alone, named here so that the desk can say so.
    std::string stray;
};

// Where each reservation's and user's record lies in a register's bytes
// (after its tag), kept with the last bytes a store read or
// wrote. A reservation's m_place names the record it was read from or
// written as: a hint only, as a save copies a record's old bytes just when
// they are exactly what it would write for it now.
struct ReserveSpans {
    std::vector<uint32_t> begin, end;
    std::vector<uint32_t> userBegin, userEnd;  // the same of each user
};

// The bytes of the last file and their spans, for a save that copies from them.
struct LastBytes {
    const std::string& bytes;
    const ReserveSpans& spans;
};

// What a save that copies did: how many reservations it copied, and whether
// the users it wrote are byte for byte the last file's.
struct CopyFacts {
    size_t copied = 0;
    bool usersAsBefore = false;
};

// The bytes of a register.
std::string StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users);
// The same into out, whose buffer is reused; facts, when asked for, filled in.
void StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users,
                   std::string* out, StoreFacts* facts = nullptr);
// The same, noting where each reservation went (and its m_place). With last,
// each run of reservations whose bytes there are exactly what this save
// writes for them is copied as one piece; the facts then speak only of the
// records written anew, and copy says what was copied.
void StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users,
                   std::string* out, StoreFacts* facts, ReserveSpans* spans, const LastBytes* last,
                   CopyFacts* copy = nullptr);

// Rebuilds the three collections from bytes. Throws CArchiveException on a
// format fault (the collections are then left empty). Zero bytes is an empty
// register. Records out already holds are filled again rather than freed and
// made anew. With spans, notes where each reservation lies (and its m_place);
// of the facts a parse learns only timesSet.
void LoadRegister(const unsigned char* data, size_t size, RegisterData* out, ReserveSpans* spans = nullptr,
                  StoreFacts* facts = nullptr);

// Reads a register as LoadRegister does, refusing the same damage, but keeps
// no reservation: each is handed to each in turn, then its memory is read
// over by the next. The facilities, when asked for, are read before the
// first; the users, when asked for, after the last.
void ScanRegister(const unsigned char* data, size_t size, const std::function<void(size_t, const CReserve&)>& each,
                  FacilityArray* facilities = nullptr, UserArray* users = nullptr);

// A register read for a change that adds reservations after the others,
// which are not kept: the facilities and users as LoadRegister makes them,
// and where the reservations' records lie. Reads as LoadRegister does,
// refusing the same damage; each reservation is handed to each in turn.
struct RegisterOutline {
    RegisterData data;  // the facilities and users; no reservation
    uint32_t reserveCount = 0;
    size_t recordsBegin = 0, recordsEnd = 0;  // the first record (after its tag) to the end of the last
    bool copyable = true;   // each record in the form a save writes, each later tag the same two bytes
    uint16_t laterTag = 0;  // the tag of the records after the first
    bool timesSet = true;   // no reservation has an unset start or end
};
void OutlineRegister(const unsigned char* data, size_t size, RegisterOutline* out,
                     const std::function<void(const CReserve&)>& each);

// What a save writes around the outlined register's reservations when data's
// reservations are added after them, with data's facilities and users:
// out[0, *split) comes before the outlined records' bytes, out[*split, end)
// after them. False when those bytes are not what a save would write there.
bool StoreAround(const RegisterOutline& outline, const RegisterData& data, std::string* out, size_t* split);
