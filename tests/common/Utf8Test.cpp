#include <gtest/gtest.h>

#include <clocale>

#include "common/Utf8.h"
#include "tests/support/ScopedLocale.h"

namespace lw {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(Utf8, SplitsIllFormedTextIntoMaximalSubparts) {
  struct Case {
    std::string text;
    std::size_t length;
    bool valid;
  };
  const Case cases[] = {
      // clang-format off
      {"A", 1, true},
      {"\xC3\xA9", 2, true},            // é
      {"\xE2\x82\xAC", 3, true},        // €
      {"\xF0\x9F\x98\x80", 4, true},    // U+1F600
      {"\xC3", 1, false},               // cut short
      {"\xE2\x82" "A", 2, false},       // the start of a three-byte sequence, then a letter
      {"\xE0\x80\x80", 1, false},       // overlong: E0 needs A0..BF next
      {"\xED\xA0\x80", 1, false},       // a surrogate
      {"\xF4\x90\x80\x80", 1, false},   // above U+10FFFF
      {"\xC0\xAF", 1, false},           // never a lead byte
      {"\x80", 1, false},               // a stray continuation byte
      {"\xE9" "cole", 1, false},        // Latin-1 é
      // clang-format on
  };
  for (const Case& c : cases) {
    const Utf8Character decoded = DecodeUtf8At(c.text, 0);
    EXPECT_EQ(decoded.length, c.length) << c.text;
    EXPECT_EQ(decoded.valid, c.valid) << c.text;
    if (!c.valid) {
      EXPECT_EQ(decoded.codePoint, kReplacementCharacter);
    }
  }
  EXPECT_EQ(DecodeUtf8At("\xF0\x9F\x98\x80", 0).codePoint, U'\U0001F600');
  EXPECT_TRUE(IsValidUtf8("Cl\xC3\xADnica \xE2\x82\xAC"));
  EXPECT_FALSE(IsValidUtf8("Cl\xEDnica"));
}

TEST(Utf8, DisplayReplacesEachIllFormedPartAndKeepsTheRest) {
  // clang-format off
  EXPECT_EQ(Utf8ForDisplay("\xC3\x89" "COLE"), "\xC3\x89" "COLE");
  EXPECT_EQ(Utf8ForDisplay("\xC9" "COLE"), kReplacement + "COLE");
  EXPECT_EQ(Utf8ForDisplay("a\xE2\x82" "b\x80\x80"), "a" + kReplacement + "b" + kReplacement + kReplacement);
  // clang-format on
}

TEST(Utf8, PrefixNeverSplitsACharacter) {
  const std::string fiveAcute = "\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89";  // ÉÉÉÉÉ, 10 bytes
  EXPECT_EQ(Utf8Prefix(fiveAcute, 8), fiveAcute.substr(0, 8));
  EXPECT_EQ(Utf8Prefix("A" + fiveAcute, 8), "A" + fiveAcute.substr(0, 6));  // AÉÉÉÉ would be 9
  EXPECT_EQ(Utf8Prefix("ABCDEFG\xE2\x82\xAC", 8), "ABCDEFG");
  EXPECT_EQ(Utf8Prefix("short", 8), "short");
  // An ill-formed byte is a character of its own and may end a prefix.
  EXPECT_EQ(Utf8Prefix("ABCDEFG\xC9Z", 8), "ABCDEFG\xC9");
  EXPECT_EQ(LastUtf8CharacterStart("AB\xE2\x82\xAC"), 2u);
  EXPECT_EQ(LastUtf8CharacterStart(""), 0u);
}

TEST(Utf8, MapsUtf16PositionsBackToBytes) {
  // clang-format off
  const std::string text = "\xC3\x89" "A\xF0\x9F\x98\x80" "B\xC9" "C";  // É A U+1F600 B <bad> C
  // clang-format on
  EXPECT_EQ(ByteOffsetOfUtf16(text, 0), 0u);
  EXPECT_EQ(ByteOffsetOfUtf16(text, 1), 2u);
  EXPECT_EQ(ByteOffsetOfUtf16(text, 2), 3u);
  EXPECT_EQ(ByteOffsetOfUtf16(text, 4), 7u);  // after the surrogate pair
  EXPECT_EQ(ByteOffsetOfUtf16(text, 6), 9u);  // after the replacement character
  EXPECT_EQ(ByteOffsetOfUtf16(text, 99), text.size());
}

TEST(Utf8, UpperCasesByUnicodeWhateverTheLocale) {
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr) << locale << " (scripts/setup generates it)";
    // clang-format off
    EXPECT_EQ(UpperCaseUtf8("\xC3\xA9" "cole"), "\xC3\x89" "COLE");       // école
    // clang-format on
    EXPECT_EQ(UpperCaseUtf8("\xC3\xBF"), "\xC5\xB8");  // ÿ -> Ÿ, outside Latin-1
    EXPECT_EQ(UpperCaseUtf8("\xC2\xB5"), "\xCE\x9C");  // µ -> Greek capital mu
    // clang-format off
    EXPECT_EQ(UpperCaseUtf8("stra\xC3\x9F" "e"), "STRA\xC3\x9F" "E");     // ß has no one-letter capital
    // clang-format on
    EXPECT_EQ(UpperCaseUtf8("\xC4\xB1"), "I");             // dotless ı: 2 bytes become 1
    EXPECT_EQ(UpperCaseUtf8("\xC9\x90"), "\xE2\xB1\xAF");  // ɐ: 2 bytes become 3
    EXPECT_EQ(UpperCaseUtf8("a\xE9z1-'"), "A\xE9Z1-'");    // ill-formed bytes stay
  }
  std::setlocale(LC_ALL, "C");
}

TEST(Utf8, NamesCompareWithoutRegardToCaseBeyondAscii) {
  test::ScopedLocale comma(test::kCommaLocale);  // the process locale plays no part
  EXPECT_TRUE(EqualsIgnoringCase("Entry Number", "ENTRY NUMBER"));
  EXPECT_FALSE(EqualsIgnoringCase("Entry Number", "Entry Numbers"));
  // clang-format off
  EXPECT_TRUE(EqualsIgnoringCase("\xC3\xA9" "cole", "\xC3\x89" "COLE"));  // école, ÉCOLE
  EXPECT_FALSE(EqualsIgnoringCase("ecole", "\xC3\x89" "COLE"));
  // clang-format on
  EXPECT_TRUE(EqualsIgnoringCase("\xC4\xB1", "i"));  // ı and i share the capital I
  EXPECT_FALSE(EqualsIgnoringCase("\xE9", "\xC9"));  // ill-formed bytes compare as they are
}

}  // namespace
}  // namespace lw
