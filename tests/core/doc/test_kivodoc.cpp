// The document's own operations: the six sort keys with their ties and the
// exact heap-sort order, finding records again, renaming, the user search,
// the users made from reservations, and the longest facility name.
#include <gtest/gtest.h>

#include "core/doc/kivodoc.h"
#include "core/doc/sortkey.h"
#include "support/testutil.h"

using testutil::Hex;
using testutil::MakeReserve;
using testutil::Sj;

namespace {

void Add(CKivoDoc& doc, const CReserve& r) { doc.m_arReserve.push_back(std::make_unique<CReserve>(r)); }

void AddFacility(CKivoDoc& doc, int id, const char* name) {
    doc.m_arFacility.push_back(std::make_unique<CKivo>(testutil::MakeFacility(id, name)));
}

void AddUser(CKivoDoc& doc, const std::string& name, const std::string& tel = "") {
    auto u = std::make_unique<CKivoUser>();
    u->m_strName = name;
    u->m_strTel = tel;
    doc.m_arUser.push_back(std::move(u));
}

// The reservations' users (or purposes) in collection order, joined by '|'.
std::string Users(const CKivoDoc& doc) {
    std::string s;
    for (const auto& r : doc.m_arReserve) s += (s.empty() ? "" : "|") + r->m_strUser;
    return s;
}

std::string UserNames(const CKivoDoc& doc) {
    std::string s;
    for (const auto& u : doc.m_arUser) s += (s.empty() ? "" : "|") + u->m_strName;
    return s;
}

CReserve At(const char* user, int facility, int h1, int h2) { return MakeReserve(user, facility, 2000, 5, 1, h1, 0, h2, 0); }

}  // namespace

// --- sorting ---------------------------------------------------------------------

// One row per rule of an order: the records in file order and the order the
// key leaves them in, ties resolved by the heap-sort steps, never stably.
TEST(SortReserves, EachKeyOrdersByItsFieldsThenTheHeapSortSteps) {
    auto Noting = [](CReserve r, const char* purpose, const char* contact) {
        r.m_strPurpose = purpose;
        r.m_strContact = contact;
        return r;
    };
    const CReserve x = Noting(At("a", 1, 10, 11), "x", "2"), X = Noting(At("b", 1, 9, 10), "X", "3"),
                   w = Noting(At("c", 1, 8, 9), "w", "1");
    auto nine = [](const char* user) { return At(user, 1, 9, 10); };
    const struct {
        const char* rule;
        SortKey key;
        std::vector<CReserve> records;
        std::string order;
    } cases[] = {
        {"start, then user ignoring case", SortKey::Start,
         {At("b", 1, 10, 11), At("z", 1, 9, 12), At("A", 1, 10, 13)}, "z|A|b"},
        {"end, then user ignoring case", SortKey::End,
         {At("b", 1, 8, 12), At("z", 1, 9, 11), At("A", 1, 10, 12)}, "z|A|b"},
        {"user ignoring case, then start", SortKey::User,
         {At("abd", 1, 8, 9), At("ABC", 1, 9, 10), At("ab", 1, 12, 13), At("abc", 1, 8, 9)}, "ab|abc|ABC|abd"},
        // The second byte of a double-byte character folds too: ア (83 41) and
        // ヂ (83 61) tie, so their starts decide, and チ (83 60) comes first.
        {"user, double-byte", SortKey::User,
         {At("ア", 1, 10, 11), At("ヂ", 1, 9, 10), At("チ", 1, 8, 9)}, Sj("チ|ヂ|ア")},
        {"facility in display order, unknown numbers first", SortKey::Facility,
         {At("f2-9", 2, 9, 10), At("f5-10", 5, 10, 11), At("f9-11", 9, 11, 12), At("f5-8", 5, 8, 9)},
         "f9-11|f5-8|f5-10|f2-9"},
        {"facility: start only within one number", SortKey::Facility,
         {At("early", 9, 8, 9), At("late", 8, 18, 19)}, "late|early"},
        {"purpose, then start", SortKey::Purpose, {x, X, w}, "c|b|a"},
        {"contact, then start", SortKey::Contact, {x, X, w}, "c|a|b"},
        // P and R tie (same start, users equal ignoring case); a stable sort keeps P first.
        {"ties where the steps put them", SortKey::Start,
         {At("a", 1, 10, 11), At("b", 1, 9, 10), At("A", 1, 10, 12)}, "b|A|a"},
        // Worked by hand: with every pair equal the first record ends last.
        {"another number: all equal", SortKeyFromNumber(6), {nine("A"), nine("B"), nine("C"), nine("D")}, "B|C|D|A"},
        {"negative: all equal", SortKeyFromNumber(-1), {nine("A"), nine("B"), nine("C"), nine("D")}, "B|C|D|A"},
        {"three, all equal", SortKeyFromNumber(99), {nine("C"), nine("B"), nine("A")}, "B|A|C"},
    };
    for (const auto& c : cases) {
        CKivoDoc doc;
        AddFacility(doc, 5, "E");
        AddFacility(doc, 2, "B");
        for (const CReserve& r : c.records) Add(doc, r);
        doc.SortReserves(c.key);
        EXPECT_EQ(Users(doc), c.order) << c.rule;
    }
    CKivoDoc doc;
    AddFacility(doc, 5, "E");
    AddFacility(doc, 2, "B");
    EXPECT_EQ(doc.CompareReserve(At("", 2, 9, 10), At("", 5, 9, 10), SortKey::Facility), 1);
    EXPECT_EQ(doc.CompareReserve(At("", 9, 8, 9), At("", 8, 18, 19), SortKey::Facility), 0);
}

TEST(SortUsers, ByNameIgnoringCaseInTheHeapSortOrder) {
    CKivoDoc doc;
    for (const char* n : {"a", "A", "b"}) AddUser(doc, n);
    doc.SortUsers(SortKey::User);
    EXPECT_EQ(UserNames(doc), "A|a|b");
    CKivoDoc other;
    for (const char* n : {"c", "B", "a"}) AddUser(other, n);
    other.SortUsers(SortKey::User);
    EXPECT_EQ(UserNames(other), "a|B|c");
}

// --- finding again ---------------------------------------------------------------------

TEST(FindReserve, TriesTheHintFirstAndSkipsAStaleOne) {
    CKivoDoc doc;
    const CReserve a = At("a", 1, 9, 10), b = At("b", 1, 9, 10);
    Add(doc, a);
    Add(doc, b);
    Add(doc, a);
    EXPECT_EQ(doc.FindReserve(2, a), 2);
    EXPECT_EQ(doc.FindReserve(1, a), 0);
    EXPECT_EQ(doc.FindReserve(3, a), 0);
    EXPECT_EQ(doc.FindReserve(1000, b), 1);
    EXPECT_EQ(doc.FindReserve(-1, b), 1);
    CReserve changed = b;
    changed.m_nFee = 1;
    EXPECT_EQ(doc.FindReserve(1, changed), -1);
}

TEST(FindUser, TriesTheHintFirstAndSkipsAStaleOne) {
    CKivoDoc doc;
    AddUser(doc, "a");
    AddUser(doc, "b", "1");
    AddUser(doc, "a");
    EXPECT_EQ(doc.FindUser(2, *doc.m_arUser[0]), 2);
    EXPECT_EQ(doc.FindUser(7, *doc.m_arUser[1]), 1);
    CKivoUser other = *doc.m_arUser[1];
    other.m_strTel = "2";
    EXPECT_EQ(doc.FindUser(1, other), -1);
}

// --- renaming --------------------------------------------------------------------------

TEST(RenameUser, ChangesExactByteMatchesOnly) {
    CKivoDoc doc;
    for (const char* u : {"Yamada", "yamada", "Yamada ", "Yamada"}) Add(doc, At(u, 1, 9, 10));
    doc.RenameUser("Yamada", Sj("山田"));
    EXPECT_EQ(Users(doc), Sj("山田") + "|yamada|Yamada |" + Sj("山田"));
}

// --- user search -------------------------------------------------------------------------

TEST(SearchUser, MatchesWholeCharactersOnlyAndCaseMatters) {
    CKivoDoc doc;
    AddUser(doc, Sj("アイ"));   // 83 41 83 43
    AddUser(doc, "xAy");
    AddUser(doc, Sj("イ"));
    EXPECT_EQ(doc.SearchUser(0, 0, "A"), 1);
    EXPECT_EQ(doc.SearchUser(0, 0, Hex("41 83")), -1);
    EXPECT_EQ(doc.SearchUser(0, 0, "a"), -1);
    EXPECT_EQ(doc.SearchUser(0, 0, Sj("イ")), 0);
    EXPECT_EQ(doc.SearchUserNext(1, 1), 2);
    EXPECT_EQ(doc.SearchUserNext(3, 1), -1);
}

TEST(SearchUser, StepBackFromZeroLooksAtUserZeroOnly) {
    CKivoDoc doc;
    AddUser(doc, "a");
    AddUser(doc, "b");
    doc.SearchUser(0, 0, "b");
    EXPECT_EQ(doc.SearchUserNext(0, -1), -1);
    EXPECT_EQ(doc.SearchUserNext(1, -1), 1);
    doc.SearchUser(0, 0, "a");
    EXPECT_EQ(doc.SearchUserNext(0, -1), 0);
    EXPECT_EQ(doc.SearchUserNext(1, -1), 0);
}

TEST(SearchUser, FieldsByNumberAndEmptyTextMatchesAll) {
    CKivoDoc doc;
    AddUser(doc, "a", "03-1111");
    AddUser(doc, "b", "045-2222");
    EXPECT_EQ(doc.SearchUser(0, 2, "045"), 1);
    EXPECT_EQ(doc.m_nFindField, 2);
    EXPECT_EQ(doc.m_strFindText, "045");
    EXPECT_EQ(doc.SearchUser(0, 7, ""), -1);
    EXPECT_EQ(doc.SearchUser(1, 6, ""), 1);
    // A find-next before any search finds something or nothing, but never fails.
    CKivoDoc fresh;
    AddUser(fresh, "a");
    EXPECT_GE(fresh.SearchUserNext(0, 1), -1);
}

// --- users from reservations ---------------------------------------------------------

TEST(AddMissingUsers, OneUserPerNewNameAndTheFlagUntouched) {
    for (bool modified : {false, true}) {
        CKivoDoc doc;
        AddUser(doc, "suzuki");
        AddUser(doc, "Tanaka");
        for (const char* u : {"山田", "", "Suzuki", "Tanaka", "山田"}) Add(doc, At(u, 1, 9, 10));
        doc.SetModifiedFlag(modified);
        doc.AddMissingUsers();
        EXPECT_EQ(doc.IsModified(), modified);
        EXPECT_EQ(UserNames(doc), "suzuki|Tanaka|" + Sj("山田") + "|Suzuki");
        const CKivoUser& added = *doc.m_arUser[2];
        EXPECT_EQ(added.m_strCharge, Sj("山田"));
        EXPECT_TRUE(added.m_strTel.empty() && added.m_strZip.empty() && added.m_strAddress.empty() &&
                    added.m_strMail.empty() && added.m_strMemo.empty());
    }
}

// --- facility names ----------------------------------------------------------------------

TEST(MaxFacilityNameLength, AtLeastTenBytes) {
    CKivoDoc doc;
    EXPECT_EQ(doc.GetMaxFacilityNameLength(), 10);
    AddFacility(doc, 1, "Hall");
    EXPECT_EQ(doc.GetMaxFacilityNameLength(), 10);
    AddFacility(doc, 2, "多目的ホール");
    EXPECT_EQ(doc.GetMaxFacilityNameLength(), 12);
    EXPECT_EQ(doc.GetFacilityIndex(2), 1);
    EXPECT_EQ(doc.GetFacilityIndex(3), -1);
}

// --- views -----------------------------------------------------------------------------------

namespace {
struct CountingView : IKivoView {
    std::vector<ViewHint> hints;
    void OnUpdate(IKivoView*, ViewHint hint) override { hints.push_back(hint); }
};
}  // namespace

TEST(UpdateAllViews, SkipsTheSender) {
    CKivoDoc doc;
    CountingView a, b;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.UpdateAllViews(&a, ViewHint::Changed);
    EXPECT_TRUE(a.hints.empty());
    EXPECT_EQ(b.hints, std::vector<ViewHint>{ViewHint::Changed});
}
