#pragma once
// A whole register as bytes: facilities, reservations, then users.
#include <cstddef>
#include <string>

#include "core/doc/records.h"

struct RegisterData {
    FacilityArray facilities;
    ReserveArray reserves;
    UserArray users;
};

// What a store saw of the records on its way, so that nobody has to pass over
// them again to learn it.
struct StoreFacts {
    bool usersComplete = false;  // every reservation's user (when not empty) is a user
    bool timesSet = false;       // no reservation has an unset start or end
};

// The bytes of a register.
std::string StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users);
// The same into out, whose buffer is reused; facts, when asked for, filled in.
void StoreRegister(const RegisterData& data, std::string* out, StoreFacts* facts = nullptr);
void StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users,
                   std::string* out, StoreFacts* facts = nullptr);

// Rebuilds the three collections from bytes. Throws CArchiveException on a
// format fault (the collections are then left empty). Zero bytes is an empty
// register. Records out already holds are filled again rather than freed and
// made anew.
void LoadRegister(const unsigned char* data, size_t size, RegisterData* out);
