#include <ctime>

#include "core/doc/kvformat.h"
#include "core/doc/kvtime.h"
#include "core/doc/text.h"
#include "kvtool.h"

namespace kvtool {

namespace {

struct DemoFacility {
    int id;
    const char* name;
    int maxPeople;
    const char* comment;
};
const DemoFacility kFacilities[] = {
    {1, "大会議室", 60, "プロジェクタ・マイクあり"},
    {2, "第1会議室", 20, ""},
    {3, "第2会議室", 12, "ホワイトボード2台"},
    {4, "和室", 10, "座卓4台\r\n土足厳禁"},
    {5, "多目的ホール", 200, ""},
};

struct DemoUser {
    const char* name;
    const char* charge;
    const char* tel;
    const char* zip;
    const char* address;
    const char* mail;
};
const DemoUser kUsers[] = {
    {"青葉商事", "青葉 一郎", "03-1234-5678", "100-0001", "東京都千代田区1-1", "aoba@example.jp"},
    {"東雲工業", "東雲 花子", "045-222-3333", "220-0011", "横浜市西区2-2", ""},
    {"若草書道会", "若草 次郎", "048-111-2222", "330-0063", "さいたま市浦和区3-3", ""},
    {"北斗ゼミナール", "北斗 三郎", "03-9876-5432", "160-0022", "東京都新宿区4-4", "hokuto@example.jp"},
    {"みなと自治会", "湊 さくら", "03-5555-0101", "105-0022", "東京都港区5-5", ""},
    {"Orvalis研修", "研修担当", "03-0000-0000", "", "", "training@example.jp"},
};

struct Slot {
    int facility;   // index into kFacilities
    int startHour, startMinute, endHour, endMinute;
    int user;       // index into kUsers
    const char* purpose;
    int fee;
};
// One day's pattern; each day of the week shifts it a little so no two look alike.
const Slot kPattern[] = {
    {0, 10, 0, 12, 0, 0, "定例会議", 5000},
    {0, 13, 30, 17, 0, 3, "講習会\r\n(資料配布あり)", 8000},
    {1, 9, 0, 10, 30, 1, "打ち合わせ", 2000},
    {1, 14, 0, 16, 0, 5, "新人研修", 3000},
    {2, 11, 0, 12, 0, 4, "役員会", 1500},
    {3, 18, 0, 21, 0, 2, "書道教室", 2500},
    {4, 19, 0, 24, 0, 4, "夏祭り準備", 12000},
};

}  // namespace

int Demo(const Options& o) {
    RegisterData d;
    for (const auto& f : kFacilities) {
        auto rec = std::make_unique<CKivo>();
        rec->m_nID = f.id;
        rec->m_strName = text::Cp932(f.name);
        rec->m_nMaxPeople = f.maxPeople;
        rec->m_strComment = text::Cp932(f.comment);
        d.facilities.push_back(std::move(rec));
    }
    for (const auto& u : kUsers) {
        auto rec = std::make_unique<CKivoUser>();
        rec->m_strName = text::Cp932(u.name);
        rec->m_strCharge = text::Cp932(u.charge);
        rec->m_strTel = u.tel;
        rec->m_strZip = u.zip;
        rec->m_strAddress = text::Cp932(u.address);
        rec->m_strMail = u.mail;
        d.users.push_back(std::move(rec));
    }
    std::tm today;
    kvtime::ToLocal(kvtime::Now(), &today);
    for (int offset = -3; offset <= 3; ++offset) {
        int n = 0;
        for (const Slot& s : kPattern) {
            ++n;
            // Skip a different slot each day, but keep every slot today.
            if (offset != 0 && (n + offset + 7) % 4 == 0) continue;
            auto r = std::make_unique<CReserve>();
            const DemoFacility& f = kFacilities[s.facility];
            r->m_strUser = text::Cp932(kUsers[(s.user + offset + 6) % 6].name);
            r->m_strPurpose = text::Cp932(s.purpose);
            r->m_timeStart = kvtime::MakeTime(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday + offset,
                                              s.startHour, s.startMinute);
            r->m_timeEnd = kvtime::MakeTime(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday + offset, s.endHour,
                                            s.endMinute);
            r->m_nFacilityID = f.id;
            r->m_bPaid = (offset < 0 || n % 2 == 0) ? 1 : 0;
            r->m_nFee = s.fee;
            d.reserves.push_back(std::move(r));
        }
    }
    return WriteRegister(o.args[0], d);
}

}  // namespace kvtool
