#include "core/booking/facilityindex.h"

#include <algorithm>

int FacilityIndexOf(const FacilityArray& facilities, int id) {
    if (!IsFacilityNumber(id)) return -1;
    for (size_t i = 0; i < facilities.size(); ++i)
        if (facilities[i]->m_nID == id) return static_cast<int>(i);
    return -1;
}

FacilityIndex::FacilityIndex(const FacilityArray& facilities) {
    int maxId = -1;
    for (const auto& f : facilities)
        if (IsFacilityNumber(f->m_nID)) maxId = std::max(maxId, f->m_nID);
    pos_.assign(static_cast<size_t>(maxId + 1), -1);
    for (size_t i = 0; i < facilities.size(); ++i) {
        const int id = facilities[i]->m_nID;
        if (IsFacilityNumber(id) && pos_[static_cast<size_t>(id)] < 0) pos_[static_cast<size_t>(id)] = static_cast<int>(i);
    }
}

int FacilityIndex::Of(int id) const {
    if (id < 0 || static_cast<size_t>(id) >= pos_.size()) return -1;
    return pos_[static_cast<size_t>(id)];
}
