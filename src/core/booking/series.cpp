#include "core/booking/series.h"

#include <memory>

#include "core/booking/facilityindex.h"
#include "core/calendar/holidays.h"
#include "core/doc/kvtime.h"
#include "core/store/store.h"

namespace series {

const char* PlanMessage(PlanResult r) {
    switch (r) {
        case PlanResult::Ok: return "";
        case PlanResult::BadFirst: return CheckMessage(CheckResult::BadDate);
        case PlanResult::BadCount: return "回数は 1 から 366 までの整数を入力してください。";
        case PlanResult::BadUntil: return "終了日が不正です";
        case PlanResult::TooMany: return "繰り返しは 366 回までです。終了日を確認してください。";
    }
    return "";
}

namespace {

// Calendar days, counted as mktime rolls a day over (month and year ends
// included), without the 32-bit limit of a stored time: a series may run past
// what the register holds, and those dates are shown as invalid.
struct Day {
    int y, m, d;
};

Day AddDays(Day a, int n) {
    a.d += n;
    while (a.d > kvtime::DaysInMonth(a.y, a.m)) {
        a.d -= kvtime::DaysInMonth(a.y, a.m);
        if (++a.m > 12) a.m = 1, ++a.y;
    }
    return a;
}

bool After(const Day& a, const Day& b) {
    if (a.y != b.y) return a.y > b.y;
    if (a.m != b.m) return a.m > b.m;
    return a.d > b.d;
}

}  // namespace

PlanResult Plan(const ReserveEntry& first, Pattern pattern, const End& end, std::vector<Item>* out) {
    out->clear();
    const auto calendar = end.skipHolidays ? holidays::Calendar::Current() : nullptr;
    if (!kvtime::IsValidDate(first.year, first.month, first.day)) return PlanResult::BadFirst;
    const Day start{static_cast<int>(first.year), static_cast<int>(first.month), static_cast<int>(first.day)};
    Day until{};
    if (end.byCount) {
        if (end.count < 1 || end.count > kMaxDates) return PlanResult::BadCount;
    } else {
        until = {static_cast<int>(end.year), static_cast<int>(end.month), static_cast<int>(end.day)};
        if (end.year > 9999 || end.month > 12 || end.day > 31 ||
            !kvtime::DaysInMonth(until.y, until.m) || until.d < 1 || until.d > kvtime::DaysInMonth(until.y, until.m) ||
            After(start, until))
            return PlanResult::BadUntil;
    }
    int dates = 0;
    for (int k = 0;; ++k) {
        Item it;
        if (pattern == Pattern::Monthly) {
            const int months = start.m - 1 + k;
            it.year = start.y + months / 12;
            it.month = months % 12 + 1;
            it.day = start.d;
            it.skipped = start.d > kvtime::DaysInMonth(it.year, it.month);
        } else {
            const int step = pattern == Pattern::Daily ? 1 : pattern == Pattern::Weekly ? 7 : 14;
            const Day d = AddDays(start, step * k);
            it.year = d.y, it.month = d.m, it.day = d.d;
        }
        if (calendar && !it.skipped) {
            it.holiday = calendar->NameOn({it.year, it.month, it.day});
            it.skipped = !it.holiday.empty();
        }
        // A skipped month past the last day is no part of the series.
        const Day at{it.year, it.month, it.skipped && it.holiday.empty() ? 1 : it.day};
        if (!end.byCount && After(at, until)) break;
        if (!it.skipped && ++dates > kMaxDates) {
            out->clear();
            return PlanResult::TooMany;
        }
        out->push_back(it);
        if (end.byCount && dates == static_cast<int>(end.count)) break;
    }
    return PlanResult::Ok;
}

ReserveEntry EntryOn(const ReserveEntry& first, const Item& item) {
    ReserveEntry e = first;
    e.year = static_cast<uint32_t>(item.year);
    e.month = static_cast<uint32_t>(item.month);
    e.day = static_cast<uint32_t>(item.day);
    return e;
}

namespace {

// Checks every date; add(entry) takes a date that passed, so that later dates
// are checked against it too.
template <class Add>
void CheckEach(const ReserveEntry& first, const ReserveArray& reserves, const FacilityArray& facilities,
               bool dupForbidden, std::vector<Item>* items, Add add) {
    for (Item& it : *items) {
        it.booked = false;
        if (it.skipped) continue;
        const ReserveEntry e = EntryOn(first, it);
        it.check = CheckDateTimes(e);
        if (it.check == CheckResult::Ok) it.check = CheckAfterReload(e, reserves, facilities, nullptr, dupForbidden);
        if (it.check == CheckResult::Ok) add(e, &it);
    }
}

}  // namespace

void CheckItems(const ReserveEntry& first, const ReserveArray& reserves, const FacilityArray& facilities,
                bool dupForbidden, std::vector<Item>* items) {
    // The preview works on the register as read; the dates it would add go
    // on a copy of the reservations, never into the document.
    ReserveArray all;
    all.reserve(reserves.size() + items->size());
    for (const auto& r : reserves) all.push_back(std::make_unique<CReserve>(*r));
    CheckEach(first, all, facilities, dupForbidden, items, [&](const ReserveEntry& e, Item*) {
        auto r = std::make_unique<CReserve>();
        ApplyEntry(e, facilities, r.get());
        all.push_back(std::move(r));
    });
}

bool Preview(const CKivoDoc& doc, const ReserveEntry& first, bool dupForbidden, std::vector<Item>* items,
             std::string* message) {
    if (doc.GetPathName().empty()) {
        CheckItems(first, doc.m_arReserve, doc.m_arFacility, dupForbidden, items);
        return true;
    }
    // A store of its own: the document's keeps what the document last read.
    const auto reader = store::OpenStore(doc.GetLocation());
    RegisterData data;
    const store::Status st = reader->Read(&data, nullptr);
    if (!st.ok()) {
        *message = store::Message(st, doc.GetLocation(), false);
        return false;
    }
    CheckItems(first, data.reserves, data.facilities, dupForbidden, items);
    return true;
}

TxResult Book(CKivoDoc& doc, const ReserveEntry& first, bool dupForbidden, std::vector<Item>* items, int facilityId,
              std::optional<SortKey> sortKey, IKivoView* sender, ViewHint hint) {
    const TxResult tx = doc.Transact(
        [&](CKivoDoc& d) {
            if (sortKey) d.SortReserves(*sortKey);
            ReserveEntry e = first;
            if (facilityId >= 0) e.facility = FacilityIndexOf(d.m_arFacility, facilityId);
            int added = 0;
            CheckEach(e, d.m_arReserve, d.m_arFacility, dupForbidden, items, [&](const ReserveEntry& on, Item* it) {
                auto r = std::make_unique<CReserve>();
                ApplyEntry(on, d.m_arFacility, r.get());
                d.m_arReserve.push_back(std::move(r));
                it->booked = true;
                ++added;
            });
            if (added == 0) return false;
            if (sortKey) d.SortReserves(*sortKey);
            return true;
        },
        sender, hint);
    // A save that failed keeps the file as it was: nothing of the series is booked.
    if (tx != TxResult::Done)
        for (Item& it : *items) it.booked = false;
    return tx;
}

}  // namespace series
