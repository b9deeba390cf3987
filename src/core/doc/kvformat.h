#pragma once
// A whole register as bytes: facilities, reservations, then users.
#include <string>

#include "core/doc/records.h"

struct RegisterData {
    FacilityArray facilities;
    ReserveArray reserves;
    UserArray users;
};

// The bytes of a register; sets g_nLoadVersion to 200 afterwards.
std::string StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users);

// Rebuilds the three collections from bytes. Throws CArchiveException on a
// format fault (the collections are then left empty). Zero bytes is an empty
// register.
void LoadRegister(const unsigned char* data, size_t size, RegisterData* out);
