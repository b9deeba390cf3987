// CP932 text: the case-folding order of all sorting, the search that never
// splits a double-byte character, and the conversions at the edges.
#include <gtest/gtest.h>

#include "core/doc/text.h"
#include "support/testutil.h"

using testutil::Hex;
using testutil::Sj;

TEST(CompareNoCase, FoldsOnlyAsciiCapitals) {
    EXPECT_EQ(text::CompareNoCase("abc", "ABC"), 0);
    EXPECT_LT(text::CompareNoCase("abc", "ABD"), 0);
    // '[' (0x5B) sits between 'Z' and 'a': after folding, 'Z' is 'z' (0x7A).
    EXPECT_LT(text::CompareNoCase("[", "Z"), 0);
    // '_' (0x5F) is above 'A' as a byte but below it once 'A' reads as 'a'.
    EXPECT_LT(text::CompareNoCase("_", "A"), 0);
}

TEST(CompareNoCase, BytesAreUnsignedAndAPrefixComesFirst) {
    EXPECT_GT(text::CompareNoCase(Hex("81"), "z"), 0);
    EXPECT_LT(text::CompareNoCase("ab", "abc"), 0);
    EXPECT_GT(text::CompareNoCase("abc", "ab"), 0);
    EXPECT_LT(text::CompareNoCase("", "a"), 0);
}

TEST(CompareNoCase, FoldsTheSecondByteOfADoubleByteCharacter) {
    // ア is 83 41: its second byte folds like 'A', so it equals the pair 83 61.
    EXPECT_EQ(text::CompareNoCase(Hex("83 41"), Hex("83 61")), 0);
    EXPECT_GT(text::CompareNoCase(Hex("83 41"), Hex("83 60")), 0);
}

TEST(FindAtCharBoundary, NeverMatchesInsideOrAcrossADoubleByteCharacter) {
    const std::string aI = Sj("アイ");  // 83 41 83 43
    ASSERT_EQ(aI, Hex("83 41 83 43"));
    EXPECT_FALSE(text::ContainsAtCharBoundary(aI, "A"));
    EXPECT_FALSE(text::ContainsAtCharBoundary(aI, Hex("41 83")));
    EXPECT_EQ(text::FindAtCharBoundary(aI, Hex("83 43")), 2u);
    EXPECT_EQ(text::FindAtCharBoundary(aI + "A", "A"), 4u);
    EXPECT_TRUE(text::ContainsAtCharBoundary("abc", ""));
    EXPECT_FALSE(text::ContainsAtCharBoundary("abc", "B"));
}

TEST(FindAtCharBoundary, HalfWidthKatakanaAreSingleBytes) {
    // ｱ is 0xB1, one byte: the following byte starts a character.
    EXPECT_EQ(text::FindAtCharBoundary(Hex("b1 41"), "A"), 1u);
}

TEST(Conversion, RoundTripsAndNamesTheFirstCharacterCp932Lacks) {
    std::string out, bad;
    EXPECT_TRUE(text::FromUtf8("山田ｱ", &out, &bad));
    EXPECT_EQ(out, Hex("8e 52 93 63 b1"));
    EXPECT_EQ(text::ToUtf8(out), "山田ｱ");
    EXPECT_FALSE(text::FromUtf8("ab😀c€", &out, &bad));
    EXPECT_EQ(bad, "😀");
    EXPECT_FALSE(text::FromUtf8("a\xff", &out, &bad));
    EXPECT_EQ(bad, "\\xFF");
}

TEST(Conversion, BytesOutsideCp932ShowAsReplacementCharacters) {
    EXPECT_EQ(text::ToUtf8(Hex("41 a0 42")), "A\xEF\xBF\xBD" "B");
}

TEST(StripCrLf, DropsPairsAndKeepsLoneBreaks) {
    EXPECT_EQ(text::StripCrLf("a\r\nb\rc\nd\r\n"), "ab\rc\nd");
    EXPECT_EQ(text::StripCrLf("\r\r\n\n"), "\r\n");
}
