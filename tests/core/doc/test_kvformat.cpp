// The .kv bytes: the worked example both ways, every length and tag form at
// its boundaries, old record versions, UTF-16 strings, and damaged files.
#include <gtest/gtest.h>

#include <cstdint>

#include "core/booking/commit.h"
#include "core/doc/archive.h"
#include "core/doc/kvformat.h"
#include "support/testutil.h"

using testutil::Hex;
using testutil::Sj;

namespace {

const char* kExampleHex =
    "01 00 ff ff 01 00 05 00 43 4b 69 76 6f c8 00 01"
    "00 08 91 e5 89 ef 8b 63 8e ba 14 00 00 01 00 ff"
    "ff 02 00 08 00 43 52 65 73 65 72 76 65 c8 00 08"
    "8e 52 93 63 8f a4 8e 96 04 89 ef 8b 63 00 10 ed"
    "e7 38 30 09 e8 38 01 00 01 00 00 00 88 13 01 00"
    "ff ff 03 00 09 00 43 4b 69 76 6f 55 73 65 72 c8"
    "00 08 8e 52 93 63 8f a4 8e 96 00 0c 30 33 2d 31"
    "32 33 34 2d 35 36 37 38 00 00 00 00";

// The rows run together in the literal; every two hex digits are one byte.
std::string Example() {
    std::string out, tok;
    for (const char* p = kExampleHex; *p; ++p) {
        if (*p == ' ') continue;
        tok.push_back(*p);
        if (tok.size() == 2) {
            out.push_back(static_cast<char>(std::stoi(tok, nullptr, 16)));
            tok.clear();
        }
    }
    return out;
}

RegisterData ExampleData() {
    RegisterData d;
    auto f = std::make_unique<CKivo>();
    f->m_nID = 1;
    f->m_strName = Sj("大会議室");
    f->m_nMaxPeople = 20;
    d.facilities.push_back(std::move(f));
    auto r = std::make_unique<CReserve>();
    r->m_strUser = Sj("山田商事");
    r->m_strPurpose = Sj("会議");
    r->m_timeStart = 954723600;
    r->m_timeEnd = 954730800;
    r->m_nFacilityID = 1;
    r->m_bPaid = 1;
    r->m_nFee = 5000;
    d.reserves.push_back(std::move(r));
    auto u = std::make_unique<CKivoUser>();
    u->m_strName = Sj("山田商事");
    u->m_strTel = "03-1234-5678";
    d.users.push_back(std::move(u));
    return d;
}

std::string Store(const RegisterData& d) { return StoreRegister(d.facilities, d.reserves, d.users); }
std::string Store(const CKivoDoc& d) { return StoreRegister(d.m_arFacility, d.m_arReserve, d.m_arUser); }

RegisterData Load(const std::string& bytes) { return testutil::ParseRegister(bytes); }

bool Refused(const std::string& bytes) {
    RegisterData d;
    try {
        LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &d);
    } catch (const CArchiveException&) {
        return d.facilities.empty() && d.reserves.empty() && d.users.empty();
    }
    return false;
}

std::string Word(uint16_t w) { return std::string{static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)}; }
std::string DWord(uint32_t v) { return Word(static_cast<uint16_t>(v)) + Word(static_cast<uint16_t>(v >> 16)); }

// Class introductions as the writer spells them.
const std::string kNewKivo = Hex("ff ff 01 00 05 00") + "CKivo";
const std::string kNewReserve = Hex("ff ff 02 00 08 00") + "CReserve";
const std::string kNewUser = Hex("ff ff 03 00 09 00") + "CKivoUser";

// A reservation body of the given version (fee words only from 200 on).
std::string ReserveBody(uint16_t version, const std::string& user, int32_t start, int32_t end, uint16_t facility) {
    std::string b = Word(version) + static_cast<char>(user.size()) + user + '\0' + '\0' +
                    DWord(static_cast<uint32_t>(start)) + DWord(static_cast<uint32_t>(end)) + Word(facility);
    if (version >= 200) b += Word(1) + Word(0) + Word(300);
    return b;
}

std::string FacilityBody(uint16_t version, uint16_t id, const std::string& name) {
    return Word(version) + Word(id) + static_cast<char>(name.size()) + name + Word(8) + '\0';
}

std::string UserBody(const std::string& name) { return Word(200) + static_cast<char>(name.size()) + name + std::string(6, '\0'); }

}  // namespace

// --- the worked example and the empty register ------------------------------

TEST(WorkedExample, StoresExactlyItsBytes) {
    const std::string bytes = Store(ExampleData());
    ASSERT_EQ(bytes.size(), 124u);
    EXPECT_EQ(bytes, Example());
}

TEST(WorkedExample, ReadsBackTheSameDocument) {
    RegisterData d = Load(Example());
    ASSERT_EQ(d.facilities.size(), 1u);
    ASSERT_EQ(d.reserves.size(), 1u);
    ASSERT_EQ(d.users.size(), 1u);
    EXPECT_EQ(d.facilities[0]->m_nID, 1);
    EXPECT_EQ(d.facilities[0]->m_strName, Sj("大会議室"));
    EXPECT_EQ(d.facilities[0]->m_nMaxPeople, 20);
    EXPECT_EQ(d.facilities[0]->m_strComment, "");
    CReserve expect = *ExampleData().reserves[0];
    EXPECT_TRUE(d.reserves[0]->IsEqual(expect));
    EXPECT_TRUE(d.users[0]->IsEqual(*ExampleData().users[0]));
    EXPECT_EQ(Store(d), Example());
}

TEST(EmptyRegister, IsSixZeroBytesAndOpensEmpty) {
    RegisterData d;
    EXPECT_EQ(Store(d), std::string(6, '\0'));
    RegisterData six = Load(std::string(6, '\0'));
    EXPECT_TRUE(six.facilities.empty() && six.reserves.empty() && six.users.empty());
    RegisterData none = Load("");
    EXPECT_TRUE(none.facilities.empty() && none.reserves.empty() && none.users.empty());
}

// --- primitive forms -----------------------------------------------------------

class StringLength : public ::testing::TestWithParam<std::pair<size_t, const char*>> {};

// The facility name starts at byte 17 of a one-facility register.
TEST_P(StringLength, UsesItsFormAndReadsBack) {
    const auto [n, prefix] = GetParam();
    RegisterData d;
    auto f = std::make_unique<CKivo>();
    f->m_strName = std::string(n, 'x');
    d.facilities.push_back(std::move(f));
    const std::string bytes = Store(d);
    const std::string want = Hex(prefix);
    EXPECT_EQ(bytes.substr(17, want.size()), want);
    if (n >= 2) {
        EXPECT_EQ(bytes.substr(17 + want.size(), 2), "xx");
    }
    EXPECT_EQ(bytes.size(), 17 + want.size() + n + 2 + 1 + 4);
    RegisterData back = Load(bytes);
    ASSERT_EQ(back.facilities.size(), 1u);
    EXPECT_EQ(back.facilities[0]->m_strName.size(), n);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, StringLength,
                         ::testing::Values(std::pair<size_t, const char*>{0, "00"},
                                           std::pair<size_t, const char*>{254, "fe"},
                                           std::pair<size_t, const char*>{255, "ff ff 00"},
                                           std::pair<size_t, const char*>{65533, "ff fd ff"},
                                           std::pair<size_t, const char*>{65534, "ff ff ff fe ff 00 00"},
                                           std::pair<size_t, const char*>{70000, "ff ff ff 70 11 01 00"}));

TEST(Count, BelowFFFFIsOneWordAndFromFFFFCarriesADword) {
    for (uint32_t n : {65534u, 65535u, 70000u}) {
        RegisterData d;
        for (uint32_t i = 0; i < n; ++i) {
            auto r = std::make_unique<CReserve>();
            r->m_timeStart = static_cast<KvTime>(i);
            d.reserves.push_back(std::move(r));
        }
        const std::string bytes = Store(d);
        const std::string want = n < 65535 ? Word(static_cast<uint16_t>(n)) : Hex("ff ff") + DWord(n);
        EXPECT_EQ(bytes.substr(2, want.size()), want) << n;
        RegisterData back = Load(bytes);
        ASSERT_EQ(back.reserves.size(), n);
        EXPECT_EQ(back.reserves[n - 1]->m_timeStart, static_cast<KvTime>(n - 1));
    }
}

// --- tags and the running index ------------------------------------------------

TEST(Tags, SecondRecordOfAClassRefersToItsIndex) {
    RegisterData d;
    for (int id : {1, 2}) {
        auto f = std::make_unique<CKivo>();
        f->m_nID = id;
        d.facilities.push_back(std::move(f));
    }
    for (int i = 0; i < 2; ++i) d.reserves.push_back(std::make_unique<CReserve>());
    const std::string bytes = Store(d);
    std::string want = Word(2) + kNewKivo + Word(200) + Word(1) + Hex("00 00 00 00") + Hex("01 80") + Word(200) +
                       Word(2) + Hex("00 00 00 00");
    // CKivo 1, facilities 2 and 3, CReserve 4: later reservations are 0x8004.
    want += Word(2) + kNewReserve + ReserveBody(200, "", -1, -1, 0).substr(0, 2);
    EXPECT_EQ(bytes.substr(0, want.size()), want);
    const size_t second = want.size() + ReserveBody(200, "", -1, -1, 0).size() - 2;
    EXPECT_EQ(bytes.substr(second, 2), Hex("04 80"));
}

TEST(Tags, WithoutFacilitiesTheFirstReservationIntroducesIndexOne) {
    RegisterData d;
    for (int i = 0; i < 3; ++i) {
        auto r = std::make_unique<CReserve>();
        r->m_bPaid = 1;
        r->m_nFee = 300;
        d.reserves.push_back(std::move(r));
    }
    const std::string bytes = Store(d);
    const std::string body = ReserveBody(200, "", -1, -1, 0);
    const std::string want = Word(0) + Word(3) + kNewReserve + body + Hex("01 80") + body + Hex("01 80") + body + Word(0);
    EXPECT_EQ(bytes, want);
    EXPECT_EQ(Load(bytes).reserves.size(), 3u);
}

// With n reservations and no facilities, CKivoUser takes index n + 2.
std::string UsersAfterReserves(uint32_t n) {
    RegisterData d;
    for (uint32_t i = 0; i < n; ++i) d.reserves.push_back(std::make_unique<CReserve>());
    for (int i = 0; i < 3; ++i) {
        auto u = std::make_unique<CKivoUser>();
        u->m_strName = "u" + std::to_string(i);
        d.users.push_back(std::move(u));
    }
    return Store(d);
}

TEST(Tags, ClassIndex32766IsTheLastWordTag) {
    const std::string bytes = UsersAfterReserves(32764);
    const std::string second = Word(200) + "\x02u0" + std::string(6, '\0');
    const size_t at = bytes.find(second);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(bytes.substr(at + second.size(), 2), Hex("fe ff"));
    RegisterData back = Load(bytes);
    ASSERT_EQ(back.users.size(), 3u);
    EXPECT_EQ(back.users[2]->m_strName, "u2");
}

TEST(Tags, ClassIndex32767AndBeyondUseTheLargeForm) {
    for (uint32_t n : {32765u, 40000u}) {
        const std::string bytes = UsersAfterReserves(n);
        const std::string first = Word(200) + "\x02u0" + std::string(6, '\0');
        const size_t at = bytes.find(first);
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(bytes.substr(at + first.size(), 6), Hex("ff 7f") + DWord(0x80000000u + n + 2)) << n;
        RegisterData back = Load(bytes);
        ASSERT_EQ(back.reserves.size(), n);
        ASSERT_EQ(back.users.size(), 3u);
        EXPECT_EQ(back.users[1]->m_strName, "u1");
        EXPECT_EQ(Store(back), bytes);
    }
}

// --- old versions and files without facilities ---------------------------------

TEST(OldVersions, Facility100EndsAfterReservationsAndReservation199HasNoFee) {
    const std::string user = Sj("山田");
    const std::string old = Word(1) + kNewKivo + FacilityBody(100, 1, "A") + Word(1) + kNewReserve +
                            ReserveBody(199, user, 954723600, 954730800, 1);
    // Read into records that held a current file: nothing of them stays.
    RegisterData d = Load(Example());
    d.reserves.push_back(std::make_unique<CReserve>());
    LoadRegister(reinterpret_cast<const unsigned char*>(old.data()), old.size(), &d);
    ASSERT_EQ(d.facilities.size(), 1u);
    ASSERT_EQ(d.reserves.size(), 1u);
    EXPECT_TRUE(d.users.empty());
    EXPECT_EQ(d.reserves[0]->m_bPaid, 0);
    EXPECT_EQ(d.reserves[0]->m_nSpare, 0);
    EXPECT_EQ(d.reserves[0]->m_nFee, 0);
    EXPECT_EQ(d.reserves[0]->m_strUser, user);
    // Written back whole in the current form.
    std::string now = Word(1) + kNewKivo + FacilityBody(200, 1, "A") + Word(1) + kNewReserve +
                      ReserveBody(199, user, 954723600, 954730800, 1) + Word(0);
    now.replace(now.find(Word(199) + "\x04"), 2, Word(200));
    now.insert(now.size() - 2, Word(0) + Word(0) + Word(0));
    EXPECT_EQ(Store(d), now);
}

TEST(OldVersions, Facility101ReadsTheUserSection) {
    const std::string bytes = Word(1) + kNewKivo + FacilityBody(101, 1, "A") + Word(0) + Word(1) + kNewUser +
                              UserBody("B");
    RegisterData d = Load(bytes);
    ASSERT_EQ(d.users.size(), 1u);
    EXPECT_EQ(d.users[0]->m_strName, "B");
}

TEST(OldVersions, BytesAfterTheLastSectionAreNotRead) {
    const std::string bytes = Word(1) + kNewKivo + FacilityBody(100, 1, "A") + Word(0) + "garbage";
    RegisterData d = Load(bytes);
    EXPECT_EQ(d.facilities.size(), 1u);
    EXPECT_TRUE(d.users.empty());
}

TEST(NoFacilities, UserSectionIsReadWhateverTheLastLoadLeft) {
    const std::string withUsers = Word(0) + Word(1) + kNewReserve + ReserveBody(200, "C", 1000, 2000, 3) + Word(1) +
                                  kNewUser + UserBody("C");
    // An old file read just before leaves nothing behind for the next load.
    for (const std::string& before : {Word(1) + kNewKivo + FacilityBody(100, 1, "A") + Word(0), withUsers}) {
        Load(before);
        RegisterData d = Load(withUsers);
        ASSERT_EQ(d.users.size(), 1u);
        EXPECT_EQ(d.reserves[0]->m_nFee, 300);
    }
}

TEST(NoFacilities, OldFileEndingAfterReservationsOpens) {
    const std::string old = Word(0) + Word(1) + kNewReserve + ReserveBody(150, "C", 1000, 2000, 3);
    RegisterData d = Load(old);
    ASSERT_EQ(d.reserves.size(), 1u);
    EXPECT_TRUE(d.users.empty());
    EXPECT_EQ(d.reserves[0]->m_nFee, 0);
}

// --- UTF-16 strings on reading -------------------------------------------------

TEST(Utf16Strings, AreConvertedToCp932) {
    // 会議 as UTF-16LE units, then an emoji that CP932 cannot hold.
    const std::string name = Hex("ff fe ff 02 1a 4f 70 8b");
    const std::string emoji = Hex("ff fe ff 03 41 00 3d d8 00 de");
    const std::string bytes = Word(1) + kNewKivo + Word(200) + Word(7) + name + Word(1) + emoji + Word(0) + Word(0);
    RegisterData d = Load(bytes);
    ASSERT_EQ(d.facilities.size(), 1u);
    EXPECT_EQ(d.facilities[0]->m_strName, Sj("会議"));
    EXPECT_EQ(d.facilities[0]->m_strComment, "A?");
    // Stored again in the plain byte form.
    EXPECT_EQ(Store(d).substr(17, 5), Hex("04") + Sj("会議"));
}

TEST(Utf16Strings, LongLengthFormCountsUnits) {
    std::string units;
    for (int i = 0; i < 300; ++i) units += Hex("41 00");
    const std::string bytes = Word(1) + kNewKivo + Word(200) + Word(7) + Hex("ff fe ff ff 2c 01") + units + Word(1) +
                              Hex("00") + Word(0) + Word(0);
    RegisterData d = Load(bytes);
    ASSERT_EQ(d.facilities.size(), 1u);
    EXPECT_EQ(d.facilities[0]->m_strName, std::string(300, 'A'));
}

// --- a booking's save takes the untouched reservations from the last file ---------

TEST(BookingSave, WritesWhatAWholeSaveWouldWhateverFormTheFileHad) {
    // One regular reservation beside an old version, a length in the long
    // form and a UTF-16 user: a save never copies those forms on.
    const std::string ref = Hex("03 80");  // CKivo 1, facility 2, CReserve 3
    const std::string longForm = Word(200) + Hex("ff 03 00") + "Lng" + std::string(2, '\0') +
                                 DWord(954810000) + DWord(954813600) + Word(1) + Word(0) + Word(0) + Word(0);
    const std::string wide = Word(200) + Hex("ff fe ff 02 1a 4f 70 8b") + std::string(2, '\0') + DWord(954896400) +
                             DWord(954900000) + Word(1) + Word(0) + Word(0) + Word(0);
    const std::string file = Word(1) + kNewKivo + FacilityBody(200, 1, "A") + Word(4) + kNewReserve +
                             ReserveBody(150, "Old", 954723600, 954727200, 1) + ref +
                             ReserveBody(200, "B", 954738000, 954741600, 1) + ref + longForm + ref + wide + Word(1) +
                             kNewUser + UserBody("B");
    testutil::TempDir dir;
    const std::string path = dir.File("reg.kv");
    testutil::WriteFile(path, file);
    CKivoDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));

    booking::Request req;
    req.entry.user = "New";
    req.entry.year = 2000, req.entry.month = 4, req.entry.day = 1, req.entry.startHour = 8, req.entry.endHour = 9;
    req.facilityId = 1;
    req.sortKey = SortKey::Start;  // the new booking lands first
    ASSERT_EQ(booking::Commit(doc, req).tx, TxResult::Done);
    const CReserve regular = *doc.m_arReserve[2];
    ASSERT_EQ(regular.m_strUser, "B");
    // An edit changes one record in place; the others are taken from the file just written.
    booking::Request edit;
    edit.entry = req.entry;
    edit.entry.user = "B", edit.entry.purpose = "Edited", edit.entry.day = 3, edit.entry.startHour = 12;
    edit.entry.endHour = 13;
    edit.edited = &regular, edit.editedPos = 2, edit.facilityId = 1, edit.sortKey = SortKey::Start;
    ASSERT_EQ(booking::Commit(doc, edit).tx, TxResult::Done);
    EXPECT_EQ(doc.ParseCount(), 1);

    const std::string saved = testutil::ReadFile(path);
    const RegisterData d = Load(saved);
    EXPECT_EQ(saved, Store(d));
    std::vector<std::string> users;
    for (const auto& r : d.reserves) users.push_back(r->m_strUser + "/" + r->m_strPurpose);
    EXPECT_EQ(users, (std::vector<std::string>{"New/", "Old/", "B/Edited", "Lng/", Sj("会議") + "/"}));
}

// Whatever a change touched, and whether or not it said so, the file holds
// exactly what memory holds: a booking added, then records edited in place.
TEST(BookingSave, EveryChangeSavesWhatMemoryHoldsWhateverTheFileWas) {
    const std::string ref = Hex("03 80");  // CKivo 1, facility 2, CReserve 3
    auto reserves = [&](std::initializer_list<std::string> bodies) {
        std::string s = Word(static_cast<uint16_t>(bodies.size()));
        for (const std::string& b : bodies) s += (s.size() == 2 ? kNewReserve : ref) + b;
        return s;
    };
    const std::string facility = Word(1) + kNewKivo + FacilityBody(200, 1, "A");
    const std::string users = Word(1) + kNewUser + UserBody("B");
    RegisterData many;
    many.facilities.push_back(std::make_unique<CKivo>());
    many.facilities[0]->m_nID = 1;
    many.facilities[0]->m_strName = "A";
    for (int i = 0; i < 65534; ++i) {
        many.reserves.push_back(std::make_unique<CReserve>());
        many.reserves.back()->m_strUser = "u" + std::to_string(i % 7);
        many.reserves.back()->m_nFacilityID = 1;
        many.reserves.back()->m_timeStart = many.reserves.back()->m_timeEnd = 3600 * i;
    }
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        {"users missing, bytes after the users",
         facility + reserves({ReserveBody(200, "B", 954723600, 954727200, 1), ReserveBody(200, "Gone", 954810000, 954813600, 1),
                              ReserveBody(200, "", 954896400, 954900000, 1), ReserveBody(200, "Gone", 1, 2, 1),
                              ReserveBody(200, "Also", 3, 4, 1)}) +
             users + "trailing"},
        {"no reservations", facility + Word(0) + users},
        {"the oldest file, without users",
         Word(1) + kNewKivo + FacilityBody(100, 1, "A") + reserves({ReserveBody(200, "B", 1, 2, 1)})},
        {"the count takes its long form", Store(many)},
        {"an old record version", facility + reserves({ReserveBody(150, "B", 1, 2, 1), ReserveBody(200, "C", 3, 4, 1)}) + users},
        {"a later tag in the long form",
         facility + Word(2) + kNewReserve + ReserveBody(200, "B", 1, 2, 1) + Hex("ff 7f") + DWord(0x80000003u) +
             ReserveBody(200, "B", 3, 4, 1) + users},
    };
    for (const auto& c : cases) {
        testutil::TempDir dir;
        const std::string path = dir.File("reg.kv");
        testutil::WriteFile(path, c.file);
        CKivoDoc doc;
        doc.SetPathName(path);
        booking::Request req;
        req.entry.user = "New";
        req.entry.year = 2000, req.entry.month = 4, req.entry.day = 2, req.entry.startHour = 10, req.entry.endHour = 11;
        req.facilityId = 1;
        ASSERT_EQ(booking::Commit(doc, req).tx, TxResult::Done) << c.what;
        // A desk that has read the records books the whole way: the same bytes
        // as this one's, which booked around them.
        const std::string other = dir.File("other.kv");
        testutil::WriteFile(other, c.file);
        CKivoDoc whole;
        ASSERT_TRUE(whole.OnOpenDocument(other)) << c.what;
        ASSERT_EQ(booking::Commit(whole, req).tx, TxResult::Done) << c.what;
        EXPECT_TRUE(testutil::ReadFile(other) == Store(whole)) << c.what;
        EXPECT_TRUE(testutil::ReadFile(path) == testutil::ReadFile(other)) << c.what;
        // Two records changed in place, and nobody says which.
        ASSERT_EQ(doc.Transact([](CKivoDoc& d) {
            d.m_arReserve.front()->m_bPaid = 1;
            d.m_arReserve.back()->m_strPurpose = "Changed";
            return true;
        }), TxResult::Done) << c.what;
        const std::string saved = testutil::ReadFile(path);
        EXPECT_TRUE(saved == Store(doc)) << c.what;
        const RegisterData d = Load(saved);
        EXPECT_EQ(d.reserves.front()->m_bPaid, 1) << c.what;
        EXPECT_EQ(d.reserves.back()->m_strPurpose, "Changed") << c.what;
    }
}

// --- faults ------------------------------------------------------------------------

TEST(Faults, EveryCutOfTheExampleIsRefused) {
    const std::string ex = Example();
    for (size_t n = 1; n < ex.size(); ++n) EXPECT_TRUE(Refused(ex.substr(0, n))) << "cut at " << n;
}

TEST(Faults, EachMalformedTagOrClassIsRefused) {
    const std::string body = FacilityBody(200, 1, "A");
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"unknown class name", Word(1) + Hex("ff ff 01 00 05 00") + "CKivx" + body + Word(0) + Word(0)},
        {"name length 64", Word(1) + Hex("ff ff 01 00 40 00") + std::string(64, 'C') + body + Word(0) + Word(0)},
        {"lower-case name", Word(1) + Hex("ff ff 01 00 05 00") + "ckivo" + body + Word(0) + Word(0)},
        {"CKivo with schema 2", Word(1) + Hex("ff ff 02 00 05 00") + "CKivo" + body + Word(0) + Word(0)},
        {"class index 0", Word(2) + kNewKivo + body + Hex("00 80") + body + Word(0) + Word(0)},
        {"class index not given yet", Word(2) + kNewKivo + body + Hex("03 80") + body + Word(0) + Word(0)},
        {"index of a record", Word(2) + kNewKivo + body + Hex("02 80") + body + Word(0) + Word(0)},
        {"null tag", Word(1) + Hex("00 00") + Word(0) + Word(0)},
        {"reference to a record", Word(2) + kNewKivo + body + Hex("02 00") + Word(0) + Word(0)},
        {"large tag naming a record", Word(2) + kNewKivo + body + Hex("ff 7f 02 00 00 00") + body + Word(0) + Word(0)},
        {"large tag beyond the indexes", Word(2) + kNewKivo + body + Hex("ff 7f 09 00 00 80") + body + Word(0) + Word(0)},
        {"reservation among the facilities", Word(1) + kNewReserve + ReserveBody(200, "", 0, 0, 0) + Word(0) + Word(0)},
        {"facility among the reservations",
         Word(1) + kNewKivo + body + Word(1) + Hex("01 80") + body + Word(0)},
        {"count beyond the data", Hex("ff ff ff ff ff 7f") + kNewKivo + body},
        // Room for that many records is more memory than a desk has: refused, not out of memory.
        {"count of 2^32-1", Hex("ff ff ff ff ff ff") + kNewKivo + body},
        {"string beyond the data", Word(1) + kNewKivo + Word(200) + Word(1) + Hex("ff ff ff ff ff ff 7f") + "abc"},
        {"UTF-16 beyond the data", Word(1) + kNewKivo + Word(200) + Word(1) + Hex("ff fe ff 10 41 00")},
        {"UTF-16 marker twice", Word(1) + kNewKivo + Word(200) + Word(1) + Hex("ff fe ff ff fe ff 01 41 00") + Word(0) +
                                    Hex("00") + Word(0) + Word(0)},
    };
    for (const auto& c : cases) EXPECT_TRUE(Refused(c.bytes)) << c.what;
}

// Cuts and flipped bytes of a real register: each either reads or is refused,
// never a crash, an overread (the sanitizers watch) or a runaway allocation.
TEST(Faults, DamagedRegistersNeverCrashTheReader) {
    RegisterData d = ExampleData();
    for (int i = 0; i < 40; ++i) {
        auto r = std::make_unique<CReserve>(*d.reserves[0]);
        r->m_strContact = std::string(static_cast<size_t>(i * 13 % 300), 'c');
        d.reserves.push_back(std::move(r));
        auto u = std::make_unique<CKivoUser>(*d.users[0]);
        u->m_strMemo = std::string(static_cast<size_t>(i * 7), 'm');
        d.users.push_back(std::move(u));
    }
    const std::string good = Store(d);
    int readable = 0, refused = 0;
    for (size_t n = 0; n < good.size(); n += 7) (Refused(good.substr(0, n)) ? refused : readable)++;
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 3000; ++round) {
        std::string bad = good;
        const int flips = 1 + static_cast<int>(next() % 4);
        for (int k = 0; k < flips; ++k) bad[next() % bad.size()] = static_cast<char>(next() >> 16);
        if (next() % 3 == 0) bad.resize(next() % bad.size());
        (Refused(bad) ? refused : readable)++;
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(readable, 0);
}
