#pragma once
// The busy desk's register every benchmark works on: 100,000 reservations,
// 200 facilities and 10,000 users over two years, one of its days booked
// solid (3,000 bookings), the records in a shuffled file order. Generated the
// same way each time, so figures of different runs compare.
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "core/booking/commit.h"
#include "core/doc/kvformat.h"
#include "core/doc/kvtime.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"

namespace bench {

constexpr int kFacilities = 200;
constexpr int kUsers = 10000;
constexpr int kReserves = 100000;
constexpr int kBusyDayBookings = 3000;

// Times are generated and shown in the desk's zone.
inline void PinZone() {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
}

// The day booked solid: 2021-06-01 (a Tuesday).
inline KvTime BusyDay() {
    PinZone();
    return kvtime::MakeTime(2021, 6, 1, 0, 0);
}

// The register's file bytes.
inline std::string MakeRegisterBytes() {
    PinZone();
    std::mt19937 rng(7);
    FacilityArray fs;
    for (int i = 0; i < kFacilities; ++i) {
        auto f = std::make_unique<CKivo>();
        f->m_nID = i + 1;
        f->m_strName = text::Cp932("会議室") + std::to_string(i + 1);
        f->m_nMaxPeople = 10 + i % 50;
        f->m_strComment = text::Cp932("プロジェクタあり");
        fs.push_back(std::move(f));
    }
    UserArray us;
    for (int i = 0; i < kUsers; ++i) {
        auto u = std::make_unique<CKivoUser>();
        // Latin names in mixed case too, so the case-blind compare has work.
        u->m_strName = (i % 4 == 0 ? std::string(i % 8 == 0 ? "Kaisha " : "KAISHA ") : text::Cp932("顧客")) +
                       std::to_string(i);
        u->m_strCharge = text::Cp932("担当") + std::to_string(i);
        u->m_strTel = std::string("03-").append(std::to_string(1000 + i % 9000)).append("-0000");
        u->m_strAddress = text::Cp932("東京都千代田区");
        us.push_back(std::move(u));
    }
    const char* const kPurposes[] = {"定例会議", "研修", "説明会", "面接", "Board meeting", "board Meeting",
                                     "セミナー（午前）", "セミナー（午後）", "商談", "勉強会", "懇親会",
                                     "Workshop", "打合せ\r\n資料持参"};
    const size_t nPurposes = sizeof kPurposes / sizeof kPurposes[0];
    const KvTime busy = BusyDay();
    ReserveArray rs;
    auto add = [&](int fac, KvTime start, KvTime end) {
        auto r = std::make_unique<CReserve>();
        r->m_strUser = us[rng() % kUsers]->m_strName;
        r->m_strPurpose = text::Cp932(kPurposes[rng() % nPurposes]);
        r->m_strContact = std::string(rng() % 2 ? "x" : "X").append(std::to_string(rng() % 1000));
        r->m_timeStart = start;
        r->m_timeEnd = end;
        r->m_nFacilityID = fac;
        r->m_nFee = static_cast<int>(rng() % 20000);
        r->m_bPaid = static_cast<int>(rng() % 2);
        rs.push_back(std::move(r));
    };
    // The busy day: every facility booked by the half hour from 9:00.
    for (int i = 0; i < kBusyDayBookings; ++i) {
        const KvTime start = busy + 9 * 3600 + (i / kFacilities) * 1800;
        add(1 + i % kFacilities, start, start + 1800);
    }
    // The rest over two years from 2020-01-01, by the hour from 8:00 to 20:00.
    while (static_cast<int>(rs.size()) < kReserves) {
        const int day = static_cast<int>(rng() % 730), hour = 8 + static_cast<int>(rng() % 12);
        const KvTime start = kvtime::MakeTime(2020, 1, 1 + day, hour, 0);
        if (start >= busy && start < busy + 86400) continue;
        add(1 + static_cast<int>(rng() % kFacilities), start, start + 3600);
    }
    std::shuffle(rs.begin(), rs.end(), rng);
    return StoreRegister(fs, rs, us);
}

// The register as a file in a private folder, with the profile beside it.
class Register {
public:
    Register() {
        char tmpl[] = "/tmp/orvalis-bench-XXXXXX";
        dir_ = mkdtemp(tmpl);
        profile::SetPath(dir_ + "/orvalis.ini");
        path_ = dir_ + "/busy.kv";
        bytes_ = MakeRegisterBytes();
        Reset();
    }
    ~Register() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    Register(const Register&) = delete;
    Register& operator=(const Register&) = delete;

    // Puts the generated register back on disk.
    void Reset() const {
        FILE* f = std::fopen(path_.c_str(), "wb");
        std::fwrite(bytes_.data(), 1, bytes_.size(), f);
        std::fclose(f);
    }
    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_; }
    const std::string& bytes() const { return bytes_; }

private:
    std::string dir_, path_, bytes_;
};

inline const Register& Reg() {
    static Register r;
    return r;
}

// One booking as the entry dialog confirms it, on facility 1; n picks the day.
inline TxResult Book(CKivoDoc& doc, int n, uint32_t hour = 10) {
    booking::Request req;
    ReserveEntry& e = req.entry;
    e.user = text::Cp932("顧客1");
    e.year = 2030 + static_cast<uint32_t>(n / 336), e.month = 1 + static_cast<uint32_t>(n / 28 % 12);
    e.day = 1 + static_cast<uint32_t>(n % 28);
    e.startHour = hour, e.endHour = hour + 1;
    req.facilityId = 1;
    return booking::Commit(doc, req).tx;
}

}  // namespace bench
