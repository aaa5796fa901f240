#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tools/HotSpotRange.h"

namespace zorv {
namespace {

TEST(HotSpotRange, BoxTextReadsAsItsFlooredLeadingNumberWithinTheLimit) {
  EXPECT_EQ(HotSpotFromText("12.7"), 12);
  EXPECT_EQ(HotSpotFromText("-3.5"), -4);
  EXPECT_EQ(HotSpotFromText("x"), 0);
  EXPECT_EQ(HotSpotFromText("100000000"), kHotSpotLimit);
  EXPECT_EQ(HotSpotFromText("100000000.9"), kHotSpotLimit);
  EXPECT_EQ(HotSpotFromText("99999999999"), kHotSpotLimit);
  EXPECT_EQ(HotSpotFromText("-99999999999"), -kHotSpotLimit);
  EXPECT_EQ(HotSpotFromText(std::string(400, '9')), kHotSpotLimit);
}

TEST(HotSpotRange, OnlyTextBeyondTheLimitNeedsCorrecting) {
  EXPECT_FALSE(HotSpotTextBeyondLimit("100000000"));
  EXPECT_FALSE(HotSpotTextBeyondLimit("100000000.5"));  // stored as the limit itself
  EXPECT_FALSE(HotSpotTextBeyondLimit("-100000000"));
  EXPECT_FALSE(HotSpotTextBeyondLimit("-"));
  EXPECT_FALSE(HotSpotTextBeyondLimit("abc"));
  EXPECT_TRUE(HotSpotTextBeyondLimit("100000001"));
  EXPECT_TRUE(HotSpotTextBeyondLimit("-100000000.5"));  // rounds down to beyond
  EXPECT_TRUE(HotSpotTextBeyondLimit("-99999999999x"));
}

TEST(HotSpotRange, ValuesAreLimitedNeverWrapped) {
  EXPECT_EQ(ClampHotSpot(int64_t{kHotSpotLimit} + 1), kHotSpotLimit);
  EXPECT_EQ(ClampHotSpot(INT32_MAX), kHotSpotLimit);
  EXPECT_EQ(ClampHotSpot(INT64_MIN), -kHotSpotLimit);
  EXPECT_EQ(ClampHotSpot(-17), -17);
}

}  // namespace
}  // namespace zorv
