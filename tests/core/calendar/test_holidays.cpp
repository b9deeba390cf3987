// Japan's holidays: the law's days of years that exercise every rule against
// the Cabinet Office's published lists, and the imported table's refusals.
#include <gtest/gtest.h>

#include "core/calendar/holidays.h"
#include "core/doc/text.h"

namespace {

std::string Listed(const std::vector<holidays::Holiday>& days) {
    std::string s;
    for (const auto& h : days) {
        if (!s.empty()) s += ' ';
        s += std::to_string(h.date.month);
        s += '/';
        s += std::to_string(h.date.day);
        s += h.name;
    }
    return s;
}

}  // namespace

TEST(Holidays, TheLawsDaysAreThePublishedOnes) {
    const struct {
        int year;
        const char* days;
    } kYears[] = {
        {1947, ""},
        {1948, "9/23秋分の日 11/3文化の日 11/23勤労感謝の日"},
        {1973, "1/1元日 1/15成人の日 2/11建国記念の日 3/21春分の日 4/29天皇誕生日 4/30休日 5/3憲法記念日 5/5こどもの日 "
               "9/15敬老の日 9/23秋分の日 9/24休日 10/10体育の日 11/3文化の日 11/23勤労感謝の日"},
        {1989, "1/1元日 1/2休日 1/15成人の日 1/16休日 2/11建国記念の日 2/24大喪の礼 3/21春分の日 4/29みどりの日 "
               "5/3憲法記念日 5/4休日 5/5こどもの日 9/15敬老の日 9/23秋分の日 10/10体育の日 11/3文化の日 "
               "11/23勤労感謝の日 12/23天皇誕生日"},
        {2007, "1/1元日 1/8成人の日 2/11建国記念の日 2/12休日 3/21春分の日 4/29昭和の日 4/30休日 5/3憲法記念日 "
               "5/4みどりの日 5/5こどもの日 7/16海の日 9/17敬老の日 9/23秋分の日 9/24休日 10/8体育の日 11/3文化の日 "
               "11/23勤労感謝の日 12/23天皇誕生日 12/24休日"},
        {2016, "1/1元日 1/11成人の日 2/11建国記念の日 3/20春分の日 3/21休日 4/29昭和の日 5/3憲法記念日 5/4みどりの日 "
               "5/5こどもの日 7/18海の日 8/11山の日 9/19敬老の日 9/22秋分の日 10/10体育の日 11/3文化の日 "
               "11/23勤労感謝の日 12/23天皇誕生日"},
        {2019, "1/1元日 1/14成人の日 2/11建国記念の日 3/21春分の日 4/29昭和の日 4/30休日 5/1休日（祝日扱い） 5/2休日 "
               "5/3憲法記念日 5/4みどりの日 5/5こどもの日 5/6休日 7/15海の日 8/11山の日 8/12休日 9/16敬老の日 "
               "9/23秋分の日 10/14体育の日（スポーツの日） 10/22休日（祝日扱い） 11/3文化の日 11/4休日 11/23勤労感謝の日"},
        {2020, "1/1元日 1/13成人の日 2/11建国記念の日 2/23天皇誕生日 2/24休日 3/20春分の日 4/29昭和の日 5/3憲法記念日 "
               "5/4みどりの日 5/5こどもの日 5/6休日 7/23海の日 7/24スポーツの日 8/10山の日 9/21敬老の日 9/22秋分の日 "
               "11/3文化の日 11/23勤労感謝の日"},
        {2021, "1/1元日 1/11成人の日 2/11建国記念の日 2/23天皇誕生日 3/20春分の日 4/29昭和の日 5/3憲法記念日 "
               "5/4みどりの日 5/5こどもの日 7/22海の日 7/23スポーツの日 8/8山の日 8/9休日 9/20敬老の日 9/23秋分の日 "
               "11/3文化の日 11/23勤労感謝の日"},
        {2030, "1/1元日 1/14成人の日 2/11建国記念の日 2/23天皇誕生日 3/20春分の日 4/29昭和の日 5/3憲法記念日 "
               "5/4みどりの日 5/5こどもの日 5/6休日 7/15海の日 8/11山の日 8/12休日 9/16敬老の日 9/23秋分の日 "
               "10/14スポーツの日 11/3文化の日 11/4休日 11/23勤労感謝の日"},
        {2099, "1/1元日 1/12成人の日 2/11建国記念の日 2/23天皇誕生日 3/20春分の日 4/29昭和の日 5/3憲法記念日 "
               "5/4みどりの日 5/5こどもの日 5/6休日 7/20海の日 8/11山の日 9/21敬老の日 9/22休日 9/23秋分の日 "
               "10/12スポーツの日 11/3文化の日 11/23勤労感謝の日"},
    };
    for (const auto& y : kYears) EXPECT_EQ(Listed(holidays::ByLaw(y.year)), y.days) << y.year;
    // The three coefficient sets and what lies beyond them stay near the equinox.
    EXPECT_EQ(holidays::EquinoxDay(1960, true), 20);
    EXPECT_EQ(holidays::EquinoxDay(2012, false), 22);
    EXPECT_EQ(holidays::EquinoxDay(2100, true), 20);
    EXPECT_EQ(holidays::EquinoxDay(9999, false), 21);
}

TEST(Holidays, AnImportedTableWinsForItsYearsAndABadLineIsRefusedWithItsNumber) {
    const std::string head = text::Cp932("国民の祝日・休日月日,国民の祝日・休日名称") + "\r\n";
    const std::string sjis = head + "2027/1/18," + text::Cp932("臨時の休日") + "\r\n2027/1/1," + text::Cp932("元日") + "\r\n";
    std::vector<holidays::Holiday> rows;
    holidays::TableProblem problem;
    ASSERT_TRUE(holidays::ParseTable(sjis, &rows, &problem));
    const holidays::Calendar calendar(rows);
    EXPECT_EQ(Listed(calendar.Year(2027)), "1/1元日 1/18臨時の休日");
    EXPECT_EQ(calendar.NameOn({2026, 1, 12}), "成人の日");
    // The kept UTF-8 text reads back the same.
    std::vector<holidays::Holiday> again;
    ASSERT_TRUE(holidays::ParseTable(holidays::TableText(rows), &again, &problem));
    EXPECT_EQ(Listed(again), Listed(rows));

    using E = holidays::TableError;
    const struct {
        std::string body;
        E error;
        int line;
    } kBad[] = {
        {"2027/1/1,A\r\n2027/2/29,B\r\n", E::BadDate, 3},
        {"2027-1-1,A\r\n", E::BadDate, 2},
        {"2027/1/1,\r\n", E::NoName, 2},
        {"2027/1/1,A,B\r\n", E::NoName, 2},
        {std::string("2027/1/1,") + text::Cp932("元日") + "\xFF\r\n", E::BadText, 2},
        {"2027/1/1,A\r\n\r\n2027/01/01,B\r\n", E::SameDate, 4},
        {"\r\n", E::Empty, 0},
    };
    for (const auto& c : kBad) {
        EXPECT_FALSE(holidays::ParseTable(head + c.body, &rows, &problem)) << c.body;
        EXPECT_EQ(problem.error, c.error) << c.body;
        EXPECT_EQ(problem.line, c.line) << c.body;
        EXPECT_TRUE(rows.empty());
    }
}
