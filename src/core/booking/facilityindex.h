#pragma once
// "The first facility with this number": how a booking, the schedule, the
// lists and the exports all find a reservation's facility.
#include <vector>

#include "core/doc/records.h"

// Facility numbers are stored in 16 bits, so only 0..65535 name a facility;
// any other number (in a reservation or in the collection) names none.
inline bool IsFacilityNumber(int id) { return id >= 0 && id <= 0xFFFF; }

// The position of the first facility numbered id, in collection order; -1 when none.
int FacilityIndexOf(const FacilityArray& facilities, int id);

// The same rule, built once for many lookups (a drawing, a sort, an export):
// one pass over the collection instead of one search per reservation.
class FacilityIndex {
public:
    explicit FacilityIndex(const FacilityArray& facilities);
    int Of(int id) const;

private:
    std::vector<int> pos_;  // by number, -1 when no facility has it
};
