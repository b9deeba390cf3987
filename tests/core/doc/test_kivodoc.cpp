// The document's own operations: the six sort keys with their ties and the
// exact heap-sort order, finding records again, renaming, the user search,
// the users made from reservations, and the longest facility name.
#include <gtest/gtest.h>

#include "core/doc/kivodoc.h"
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

TEST(SortReserves, Key0StartThenUserIgnoringCase) {
    CKivoDoc doc;
    Add(doc, At("b", 1, 10, 11));
    Add(doc, At("z", 1, 9, 12));
    Add(doc, At("A", 1, 10, 13));
    doc.SortReserves(0);
    EXPECT_EQ(Users(doc), "z|A|b");
}

TEST(SortReserves, Key1EndThenUserIgnoringCase) {
    CKivoDoc doc;
    Add(doc, At("b", 1, 8, 12));
    Add(doc, At("z", 1, 9, 11));
    Add(doc, At("A", 1, 10, 12));
    doc.SortReserves(1);
    EXPECT_EQ(Users(doc), "z|A|b");
}

TEST(SortReserves, Key2PutsAbcAndABCTogetherEarlierStartFirst) {
    CKivoDoc doc;
    Add(doc, At("abd", 1, 8, 9));
    Add(doc, At("ABC", 1, 9, 10));
    Add(doc, At("ab", 1, 12, 13));
    Add(doc, At("abc", 1, 8, 9));
    doc.SortReserves(2);
    EXPECT_EQ(Users(doc), "ab|abc|ABC|abd");
    // The second byte of a double-byte character folds too: ア (83 41) and
    // ヂ (83 61) tie, so their starts decide, and チ (83 60) comes before both.
    CKivoDoc dbcs;
    Add(dbcs, At("ア", 1, 10, 11));
    Add(dbcs, At("ヂ", 1, 9, 10));
    Add(dbcs, At("チ", 1, 8, 9));
    dbcs.SortReserves(2);
    EXPECT_EQ(Users(dbcs), Sj("チ|ヂ|ア"));
}

TEST(SortReserves, Key3FollowsDisplayOrderWithUnknownFacilitiesFirst) {
    CKivoDoc doc;
    AddFacility(doc, 5, "E");
    AddFacility(doc, 2, "B");
    Add(doc, At("f2-9", 2, 9, 10));
    Add(doc, At("f5-10", 5, 10, 11));
    Add(doc, At("f9-11", 9, 11, 12));
    Add(doc, At("f5-8", 5, 8, 9));
    doc.SortReserves(3);
    EXPECT_EQ(Users(doc), "f9-11|f5-8|f5-10|f2-9");
    EXPECT_EQ(doc.CompareReserve(At("", 2, 9, 10), At("", 5, 9, 10), 3), 1);
}

TEST(SortReserves, Key3StartDecidesOnlyForTheSameFacilityNumber) {
    CKivoDoc doc;
    AddFacility(doc, 1, "A");
    const CReserve early = At("early", 9, 8, 9), late = At("late", 8, 18, 19);
    EXPECT_EQ(doc.CompareReserve(early, late, 3), 0);
    // Two equal records trade places under the heap-sort steps.
    Add(doc, early);
    Add(doc, late);
    doc.SortReserves(3);
    EXPECT_EQ(Users(doc), "late|early");
}

TEST(SortReserves, Keys4And5PurposeAndContactThenStart) {
    CKivoDoc doc;
    CReserve a = At("a", 1, 10, 11), b = At("b", 1, 9, 10), c = At("c", 1, 8, 9);
    a.m_strPurpose = "x";
    b.m_strPurpose = "X";
    c.m_strPurpose = "w";
    a.m_strContact = "2";
    b.m_strContact = "3";
    c.m_strContact = "1";
    Add(doc, a);
    Add(doc, b);
    Add(doc, c);
    doc.SortReserves(4);
    EXPECT_EQ(Users(doc), "c|b|a");
    doc.SortReserves(5);
    EXPECT_EQ(Users(doc), "c|a|b");
}

// Worked by hand from the heap-sort steps: with every pair equal the first
// record ends last and the others move up one place.
TEST(SortReserves, AnyOtherKeyMakesAllEqualInTheHeapSortOrder) {
    for (int key : {6, -1}) {
        CKivoDoc doc;
        for (const char* u : {"A", "B", "C", "D"}) Add(doc, At(u, 1, 9, 10));
        doc.SortReserves(key);
        EXPECT_EQ(Users(doc), "B|C|D|A");
    }
    CKivoDoc three;
    for (const char* u : {"C", "B", "A"}) Add(three, At(u, 1, 9, 10));
    three.SortReserves(99);
    EXPECT_EQ(Users(three), "B|A|C");
}

TEST(SortReserves, EqualRecordsLandWhereTheStepsPutThemNotStably) {
    // P and R compare equal (same start, users equal ignoring case); a stable
    // sort would keep P before R.
    CKivoDoc doc;
    Add(doc, At("a", 1, 10, 11));  // P
    Add(doc, At("b", 1, 9, 10));   // Q
    Add(doc, At("A", 1, 10, 12));  // R
    doc.SortReserves(0);
    EXPECT_EQ(Users(doc), "b|A|a");
}

TEST(SortUsers, ByNameIgnoringCaseInTheHeapSortOrder) {
    CKivoDoc doc;
    for (const char* n : {"a", "A", "b"}) AddUser(doc, n);
    doc.SortUsers(2);
    EXPECT_EQ(UserNames(doc), "A|a|b");
    CKivoDoc other;
    for (const char* n : {"c", "B", "a"}) AddUser(other, n);
    other.SortUsers(2);
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
    std::vector<int> hints;
    void OnUpdate(IKivoView*, int hint) override { hints.push_back(hint); }
};
}  // namespace

TEST(UpdateAllViews, SkipsTheSender) {
    CKivoDoc doc;
    CountingView a, b;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.UpdateAllViews(&a, 1);
    EXPECT_TRUE(a.hints.empty());
    EXPECT_EQ(b.hints, std::vector<int>{1});
}
