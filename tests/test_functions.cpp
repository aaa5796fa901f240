#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "common/Functions.h"

namespace zorv {
namespace {

TEST(PathHelpers, FolderKeepsTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(GetFolder("C:\\mods\\unit.slp"), "C:\\mods\\");
  EXPECT_EQ(GetFolder("/home/me/mods/unit.slp"), "/home/me/mods/");
  EXPECT_EQ(GetFolder("C:\\mods/sub\\unit.slp"), "C:\\mods/sub\\");
  EXPECT_EQ(GetFolder("unit.slp"), "");
  EXPECT_EQ(GetFolder(""), "");
}

TEST(PathHelpers, FileTitleIsTheNameWithoutFolderAndExtension) {
  EXPECT_EQ(GetFileTitle("C:\\mods\\unit.slp"), "unit");
  EXPECT_EQ(GetFileTitle("/home/me/mods/unit.tar.slp"), "unit.tar");
  EXPECT_EQ(GetFileTitle("unit.slp"), "unit");
  // Neither separator nor dot: the path unchanged.
  EXPECT_EQ(GetFileTitle("unit"), "unit");
  // The last dot lies in a folder name: the name after the separator.
  EXPECT_EQ(GetFileTitle("/home/me.d/unit"), "unit");
  EXPECT_EQ(GetFileTitle("C:\\my.mods\\unit"), "unit");
}

TEST(PathHelpers, ExtensionIsTheTextAfterTheLastDot) {
  EXPECT_EQ(GetExtension("C:\\mods\\unit.SLP"), "SLP");
  EXPECT_EQ(GetExtension("a.b.wav"), "wav");
  EXPECT_EQ(GetExtension("noextension"), "noextension");
  EXPECT_EQ(GetExtension("trailing."), "");
}

TEST(SixteenBitMinMax, PickTheRightValueIncludingTies) {
  EXPECT_EQ(MaxInt(3, -7), 3);
  EXPECT_EQ(MaxInt(-32768, 32767), 32767);
  EXPECT_EQ(MinInt(-32768, 32767), -32768);
  EXPECT_EQ(MinInt(5, 5), 5);
}

TEST(LeadingNumberRule, TakesTheLongestLeadingDecimalNumber) {
  EXPECT_DOUBLE_EQ(LeadingNumber("  12.7abc"), 12.7);
  EXPECT_DOUBLE_EQ(LeadingNumber("-3.5"), -3.5);
  EXPECT_DOUBLE_EQ(LeadingNumber("+8x"), 8.0);
  EXPECT_DOUBLE_EQ(LeadingNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(LeadingNumber("7."), 7.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("abc12"), 0.0);
  EXPECT_DOUBLE_EQ(LeadingNumber(""), 0.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("-"), 0.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("12 34"), 12.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("1e5"), 1.0);  // no exponent form
}

TEST(LeadingNumberRule, WholeNumberBoxesTakeTheFloor) {
  EXPECT_EQ(LeadingNumberFloor("12.7"), 12);
  EXPECT_EQ(LeadingNumberFloor("-3.5"), -4);
  EXPECT_EQ(LeadingNumberFloor("-3"), -3);
  EXPECT_EQ(LeadingNumberFloor("x"), 0);
  EXPECT_EQ(LeadingNumberFloor("99999999999999"), INT32_MAX);
  EXPECT_EQ(LeadingNumberFloor("-99999999999999"), INT32_MIN);
}

TEST(LeadingNumberRule, NumbersTooLongForADoubleAreBeyondEveryLimitNotZero) {
  const std::string huge(400, '9');
  EXPECT_EQ(LeadingNumber(huge), std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumberFloor(huge), INT32_MAX);
  EXPECT_EQ(LeadingNumberFloor("-" + huge + ".5"), INT32_MIN);
  // A fraction too small to hold is no number of any size.
  EXPECT_EQ(LeadingNumberFloor("0." + std::string(400, '0') + "1"), 0);
}

TEST(LeadingNumberRule, FileNameNumbersRoundHalfToEven) {
  EXPECT_EQ(LeadingNumberRounded("7.5 sound"), 8);
  EXPECT_EQ(LeadingNumberRounded("6.5"), 6);
  EXPECT_EQ(LeadingNumberRounded("6.51"), 7);
  EXPECT_EQ(LeadingNumberRounded("-2.5"), -2);
  EXPECT_EQ(LeadingNumberRounded("50300_unit"), 50300);
}

TEST(NumberLines, AcceptBlanksAndRoundFractionsButNothingElse) {
  EXPECT_EQ(ParseNumberLine(" 42 "), 42);
  EXPECT_EQ(ParseNumberLine("7.5"), 8);
  EXPECT_EQ(ParseNumberLine("6.5"), 6);
  EXPECT_EQ(ParseNumberLine("-1"), -1);
  EXPECT_EQ(ParseNumberLine("-1", 0), std::nullopt);
  EXPECT_EQ(ParseNumberLine(""), std::nullopt);
  EXPECT_EQ(ParseNumberLine("  "), std::nullopt);
  EXPECT_EQ(ParseNumberLine("12a"), std::nullopt);
  EXPECT_EQ(ParseNumberLine("1 2"), std::nullopt);
  EXPECT_EQ(ParseNumberLine("-"), std::nullopt);
  EXPECT_EQ(ParseNumberLine("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseNumberLine("2147483648"), std::nullopt);
  EXPECT_EQ(ParseNumberLine("300", 0, 255), std::nullopt);
}

TEST(NumberText, IsPlainDecimal) {
  EXPECT_EQ(NumberText(-12), "-12");
  EXPECT_EQ(NumberText(0), "0");
  EXPECT_EQ(NumberText(130), "130");
}

}  // namespace
}  // namespace zorv
