// The document's sorts: the lists' six reservation keys and the user key.
#include "core/doc/kivodoc.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "core/booking/facilityindex.h"
#include "core/doc/text.h"

namespace {

// Ascending heap sort with positions counted from 1. Records that compare
// equal land where these exact steps put them, and that order reaches the
// file and the exports, so the steps are kept as they are.
template <class T, class Less>
void HeapSort(std::vector<T>& a, Less less) {
    int n = static_cast<int>(a.size());
    auto at = [&a](int k) -> T& { return a[static_cast<size_t>(k - 1)]; };
    auto sift = [&](T e, int i, int size) {
        int c = 2 * i;
        while (c <= size) {
            if (c < size && less(at(c), at(c + 1))) ++c;
            if (!less(e, at(c))) break;
            at(i) = std::move(at(c));
            i = c;
            c *= 2;
        }
        at(i) = std::move(e);
    };
    for (int j = n / 2; j >= 1; --j) sift(std::move(at(j)), j, n);
    while (n > 1) {
        T e = std::move(at(n));
        at(n) = std::move(at(1));
        --n;
        sift(std::move(e), 1, n);
    }
}

// What the heap sort moves instead of a record: the compared fields packed
// into one number and the record's position. Following a pointer into a
// scattered record at each comparison made large sorts wait on memory.
struct SortItem {
    uint64_t key;  // first field in the high half, second in the low half
    int32_t id;    // the facility number, for key 3's tie rule
    uint32_t pos;  // where the record stood before the sort
};

// A signed time as an unsigned number of the same order.
uint32_t TimeOrder(KvTime t) { return static_cast<uint32_t>(t) ^ 0x80000000u; }

uint64_t Pack(uint32_t hi, uint32_t lo) { return (static_cast<uint64_t>(hi) << 32) | lo; }

// Each record's text as a rank among the distinct texts in CompareNoCase
// order: ranks compare as the texts do, and are equal exactly when the texts
// compare equal (the same bytes once A..Z are folded).
template <class Record>
std::vector<uint32_t> TextRanks(const std::vector<RecordPtr<Record>>& records,
                                const std::string Record::*field) {
    const size_t n = records.size();
    std::vector<size_t> start(n + 1, 0);
    for (size_t i = 0; i < n; ++i) start[i + 1] = start[i] + ((*records[i]).*field).size();
    std::string folded(start[n], '\0');
    for (size_t i = 0; i < n; ++i) {
        const std::string& s = (*records[i]).*field;
        for (size_t k = 0; k < s.size(); ++k) {
            char c = s[k];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
            folded[start[i] + k] = c;
        }
    }
    // Folded texts compare as unsigned bytes with a prefix first, as
    // std::string_view does, so the distinct ones sort with it directly.
    std::unordered_map<std::string_view, uint32_t> idOf;
    idOf.reserve(n);
    std::vector<std::string_view> distinct;
    std::vector<uint32_t> rank(n);
    for (size_t i = 0; i < n; ++i) {
        const std::string_view v(folded.data() + start[i], start[i + 1] - start[i]);
        auto [it, fresh] = idOf.try_emplace(v, static_cast<uint32_t>(distinct.size()));
        if (fresh) distinct.push_back(v);
        rank[i] = it->second;
    }
    std::vector<uint32_t> order(distinct.size());
    for (size_t d = 0; d < order.size(); ++d) order[d] = static_cast<uint32_t>(d);
    std::sort(order.begin(), order.end(), [&distinct](uint32_t x, uint32_t y) { return distinct[x] < distinct[y]; });
    std::vector<uint32_t> rankOfId(distinct.size());
    for (size_t r = 0; r < order.size(); ++r) rankOfId[order[r]] = static_cast<uint32_t>(r);
    for (uint32_t& r : rank) r = rankOfId[r];
    return rank;
}

// Sorts the items with the heap sort's steps and puts the records in their order.
// True when the order changed.
template <class Record, class Less>
bool SortByItems(std::vector<RecordPtr<Record>>& records, std::vector<SortItem>& items, Less less) {
    HeapSort(items, less);
    bool moved = false;
    std::vector<RecordPtr<Record>> sorted(records.size());
    for (size_t i = 0; i < items.size(); ++i) {
        moved = moved || items[i].pos != i;
        sorted[i] = std::move(records[items[i].pos]);
    }
    records.swap(sorted);
    return moved;
}

// A function object, so that the heap sort inlines the comparison.
struct ItemLess {
    bool operator()(const SortItem& a, const SortItem& b) const { return a.key < b.key; }
};

int Sign(long long d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

// CompareReserve with the facility positions looked up once per sort.
struct ReserveOrder {
    SortKey key;
    const FacilityIndex* facilities;

    int operator()(const CReserve& a, const CReserve& b) const {
        switch (key) {
            case SortKey::Start: {
                int d = Sign(static_cast<long long>(a.m_timeStart) - b.m_timeStart);
                return d != 0 ? d : text::CompareNoCase(a.m_strUser, b.m_strUser);
            }
            case SortKey::End: {
                int d = Sign(static_cast<long long>(a.m_timeEnd) - b.m_timeEnd);
                return d != 0 ? d : text::CompareNoCase(a.m_strUser, b.m_strUser);
            }
            case SortKey::User: {
                int d = text::CompareNoCase(a.m_strUser, b.m_strUser);
                return d != 0 ? d : Sign(static_cast<long long>(a.m_timeStart) - b.m_timeStart);
            }
            case SortKey::Facility: {
                int d = Pos(a.m_nFacilityID) - Pos(b.m_nFacilityID);
                if (d != 0) return d;
                if (a.m_nFacilityID != b.m_nFacilityID) return 0;
                return Sign(static_cast<long long>(a.m_timeStart) - b.m_timeStart);
            }
            case SortKey::Purpose: {
                int d = text::CompareNoCase(a.m_strPurpose, b.m_strPurpose);
                return d != 0 ? d : Sign(static_cast<long long>(a.m_timeStart) - b.m_timeStart);
            }
            case SortKey::Contact: {
                int d = text::CompareNoCase(a.m_strContact, b.m_strContact);
                return d != 0 ? d : Sign(static_cast<long long>(a.m_timeStart) - b.m_timeStart);
            }
            default: return 0;
        }
    }
    int Pos(int id) const { return facilities->Of(id); }
};

}  // namespace

int CKivoDoc::CompareReserve(const CReserve& a, const CReserve& b, SortKey key) const {
    std::vector<int> pos;
    const FacilityIndex facilities(m_arFacility);
    return ReserveOrder{key, &facilities}(a, b);
}

void CKivoDoc::SortReserves(SortKey key) {
    // The items order exactly as ReserveOrder does, ties included.
    const size_t n = m_arReserve.size();
    std::vector<SortItem> items(n);
    std::vector<uint32_t> ranks;
    if (key == SortKey::Start || key == SortKey::End || key == SortKey::User) ranks = TextRanks(m_arReserve, &CReserve::m_strUser);
    else if (key == SortKey::Purpose) ranks = TextRanks(m_arReserve, &CReserve::m_strPurpose);
    else if (key == SortKey::Contact) ranks = TextRanks(m_arReserve, &CReserve::m_strContact);
    const FacilityIndex facilities(m_arFacility);
    const ReserveOrder order{key, &facilities};
    for (size_t i = 0; i < n; ++i) {
        const CReserve& r = *m_arReserve[i];
        SortItem& it = items[i];
        it.pos = static_cast<uint32_t>(i);
        it.id = r.m_nFacilityID;
        switch (key) {
            case SortKey::Start: it.key = Pack(TimeOrder(r.m_timeStart), ranks[i]); break;
            case SortKey::End: it.key = Pack(TimeOrder(r.m_timeEnd), ranks[i]); break;
            case SortKey::User:
            case SortKey::Purpose:
            case SortKey::Contact: it.key = Pack(ranks[i], TimeOrder(r.m_timeStart)); break;
            case SortKey::Facility: it.key = Pack(static_cast<uint32_t>(order.Pos(r.m_nFacilityID)) ^ 0x80000000u, TimeOrder(r.m_timeStart)); break;
            default: it.key = 0; break;  // every record equal
        }
    }
    if (key == SortKey::Facility) {
        // Records of one position but different facility numbers (numbers
        // without a facility) compare equal, whatever their times.
        if (SortByItems(m_arReserve, items, [](const SortItem& a, const SortItem& b) {
                const uint32_t ha = static_cast<uint32_t>(a.key >> 32), hb = static_cast<uint32_t>(b.key >> 32);
                if (ha != hb) return ha < hb;
                return a.id == b.id && static_cast<uint32_t>(a.key) < static_cast<uint32_t>(b.key);
            }))
            clean_ = false;  // the file's order is what a save of a re-read keeps
    } else if (SortByItems(m_arReserve, items, ItemLess{})) {
        clean_ = false;
    }
}

void CKivoDoc::SortUsers(SortKey key) {
    std::vector<SortItem> items(m_arUser.size());
    const std::vector<uint32_t> ranks = key == SortKey::User ? TextRanks(m_arUser, &CKivoUser::m_strName) : std::vector<uint32_t>{};
    for (size_t i = 0; i < items.size(); ++i) items[i] = SortItem{key == SortKey::User ? ranks[i] : 0u, 0, static_cast<uint32_t>(i)};
    if (SortByItems(m_arUser, items, ItemLess{})) clean_ = false;
}
