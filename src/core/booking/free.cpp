#include "core/booking/free.h"

#include <algorithm>
#include <ctime>

#include "core/doc/kvtime.h"

namespace booking {

FreeCheck CheckQuestion(const FreeQuestion& q) {
    switch (CheckDateTimes(q.first)) {
        case CheckResult::Ok: break;
        case CheckResult::BadDate: return FreeCheck::BadDate;
        case CheckResult::BadStart: return FreeCheck::BadStart;
        default: return FreeCheck::BadEnd;
    }
    // A span of no length is free everywhere and answers nobody's question.
    if (EntryEnd(q.first) <= EntryStart(q.first)) return FreeCheck::BadEnd;
    if (q.days < 1 || q.days > kMaxFreeDays) return FreeCheck::BadDays;
    const ReserveEntry last = EntryOnDate(q.first, q.days - 1);
    if (!kvtime::IsValidDate(last.year, last.month, last.day)) return FreeCheck::BadDays;
    return FreeCheck::Ok;
}

int DaysThrough(const ReserveEntry& first, uint32_t year, uint32_t month, uint32_t day) {
    if (!kvtime::IsValidDate(year, month, day) || !kvtime::IsValidDate(first.year, first.month, first.day)) return 0;
    const int64_t from = kvtime::MidnightOf(first.year, first.month, first.day);
    const int64_t to = kvtime::MidnightOf(year, month, day);
    if (from == kTimeUnset || to == kTimeUnset || to < from) return 0;
    // Rounded: a day of a clock change is an hour shorter or longer.
    return static_cast<int>((to - from + 43200) / 86400 + 1);
}

ReserveEntry EntryOnDate(const ReserveEntry& first, int dateIndex) {
    ReserveEntry e = first;
    std::tm tm;
    const KvTime midnight = kvtime::MidnightOf(first.year, first.month, first.day + static_cast<uint32_t>(dateIndex));
    if (!kvtime::ToLocal(midnight, &tm)) return e;
    e.year = static_cast<uint32_t>(tm.tm_year + 1900);
    e.month = static_cast<uint32_t>(tm.tm_mon + 1);
    e.day = static_cast<uint32_t>(tm.tm_mday);
    return e;
}

FreeSearch::FreeSearch(const FacilityArray& facilities, const FreeQuestion& q)
    : facilities_(facilities), index_(facilities), candidateOf_(facilities.size(), -1) {
    for (int i = 0; i < q.days; ++i) {
        entries_.push_back(EntryOnDate(q.first, i));
        starts_.push_back(EntryStart(entries_.back()));
        ends_.push_back(EntryEnd(entries_.back()));
    }
    if (!entries_.empty()) {
        earliest_ = *std::min_element(starts_.begin(), starts_.end());
        latest_ = *std::max_element(ends_.begin(), ends_.end());
    }
    std::vector<bool> asked(facilities.size(), q.facilities.empty());
    for (int pos : q.facilities)
        if (pos >= 0 && static_cast<size_t>(pos) < facilities.size()) asked[static_cast<size_t>(pos)] = true;
    for (size_t i = 0; i < facilities.size(); ++i) {
        const CKivo& f = *facilities[i];
        // A later facility of the same number would take the first one's bookings.
        if (!asked[i] || index_.Of(f.m_nID) != static_cast<int>(i)) continue;
        if (f.m_nMaxPeople != 0 && f.m_nMaxPeople < static_cast<int64_t>(q.minPeople)) continue;
        candidateOf_[i] = static_cast<int>(candidates_.size());
        candidates_.push_back(static_cast<int>(i));
    }
    taken_.assign(entries_.size() * candidates_.size(), 0);
}

void FreeSearch::Note(const CReserve& r) {
    const int pos = index_.Of(r.m_nFacilityID);
    if (pos < 0) return;
    const int c = candidateOf_[static_cast<size_t>(pos)];
    if (c < 0) return;
    // Whatever Blocks finds for a span from S to E (S <= E) has one end of
    // the reservation at or before E and the other at or after S; the rest
    // of the register is passed over without asking it date by date.
    const KvTime lo = std::min(r.m_timeStart, r.m_timeEnd), hi = std::max(r.m_timeStart, r.m_timeEnd);
    if (lo > latest_ || hi < earliest_) return;
    const int id = facilities_[static_cast<size_t>(pos)]->m_nID;
    for (size_t d = 0; d < entries_.size(); ++d) {
        unsigned char& t = taken_[d * candidates_.size() + static_cast<size_t>(c)];
        if (!t && Blocks(r, id, starts_[d], ends_[d])) t = 1;
    }
}

std::vector<FreeSlot> FindFree(const FacilityArray& facilities, const ReserveArray& reserves, const FreeQuestion& q) {
    FreeSearch search(facilities, q);
    for (const auto& r : reserves) search.Note(*r);
    std::vector<FreeSlot> out;
    out.reserve(static_cast<size_t>(search.DateCount()) * search.Candidates().size());
    for (int d = 0; d < search.DateCount(); ++d)
        for (size_t c = 0; c < search.Candidates().size(); ++c)
            out.push_back({d, search.Candidates()[c], search.Taken(d, static_cast<int>(c))});
    return out;
}

}  // namespace booking
