#include "toolkit/layout_values.h"

#include <gtest/gtest.h>

TEST(LayoutValues, ColourIsReadAlphaFirst) {
  uint32_t color = 0;
  ASSERT_TRUE(ParseLayoutColor("#FF0E8AEB", color));
  EXPECT_EQ(color, 0xFF0E8AEBu);
  ASSERT_TRUE(ParseLayoutColor("#00666666", color));
  EXPECT_EQ(color, 0x00666666u);
  ASSERT_TRUE(ParseLayoutColor("#ffd9e3e9", color));
  EXPECT_EQ(color, 0xFFD9E3E9u);
}

TEST(LayoutValues, ColourNeedsEightHexDigitsAfterTheHash) {
  uint32_t color = 0x12345678;
  EXPECT_FALSE(ParseLayoutColor("#FFFFFF", color));
  EXPECT_FALSE(ParseLayoutColor("FF0E8AEB0", color));
  EXPECT_FALSE(ParseLayoutColor("#FF0E8AEG", color));
  EXPECT_FALSE(ParseLayoutColor("#FF0E8AEB0", color));
  EXPECT_FALSE(ParseLayoutColor("", color));
  EXPECT_EQ(color, 0x12345678u) << "a refused value leaves the output alone";
}

TEST(LayoutValues, TextColourDropsTheWrittenAlpha) {
  EXPECT_EQ(OpaqueTextColor(0x00666666u), 0xFF666666u);
  EXPECT_EQ(OpaqueTextColor(0x800D8DEBu), 0xFF0D8DEBu);
}

TEST(LayoutValues, PositionHasFourSignedNumbers) {
  LayoutRect rect;
  ASSERT_TRUE(ParseLayoutRect("601,0,0,0", rect));
  EXPECT_EQ(rect, (LayoutRect{601, 0, 0, 0}));
  ASSERT_TRUE(ParseLayoutRect(" -5, 3 ,0,40", rect));
  EXPECT_EQ(rect, (LayoutRect{-5, 3, 0, 40}));
  EXPECT_FALSE(ParseLayoutRect("1,2,3", rect));
  EXPECT_FALSE(ParseLayoutRect("1,2,3,4,5", rect));
  EXPECT_FALSE(ParseLayoutRect("1,,3,4", rect));
  EXPECT_FALSE(ParseLayoutRect("1,2,3,4x", rect));
}

TEST(LayoutValues, SizeIsTwoNumbersNotNegative) {
  LayoutSize size;
  ASSERT_TRUE(ParseLayoutSize("600,380", size));
  EXPECT_EQ(size, (LayoutSize{600, 380}));
  EXPECT_FALSE(ParseLayoutSize("600,-1", size));
  EXPECT_FALSE(ParseLayoutSize("600", size));
}

TEST(LayoutValues, NumbersBeyondTheLimitAreRefused) {
  int value = 0;
  EXPECT_TRUE(ParseLayoutInt("100000", 0, kLayoutCoordinateLimit, value));
  EXPECT_FALSE(ParseLayoutInt("100001", 0, kLayoutCoordinateLimit, value));
  EXPECT_FALSE(ParseLayoutInt("99999999999999999999999", 0, kLayoutCoordinateLimit, value));
  EXPECT_FALSE(ParseLayoutInt("-", -10, 10, value));
  EXPECT_FALSE(ParseLayoutInt("", -10, 10, value));
}

TEST(LayoutValues, BooleansAreTrueOrFalse) {
  bool value = false;
  ASSERT_TRUE(ParseLayoutBool("true", value));
  EXPECT_TRUE(value);
  ASSERT_TRUE(ParseLayoutBool("FALSE", value));
  EXPECT_FALSE(value);
  EXPECT_FALSE(ParseLayoutBool("1", value));
  EXPECT_FALSE(ParseLayoutBool("yes", value));
}
