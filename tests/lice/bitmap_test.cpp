#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "lice.h"

namespace
{

bool aligned64(const void* p) { return (reinterpret_cast<uintptr_t>(p) & 63) == 0; }

TEST(MemBitmap, RowSpanFollowsLineAlignment)
{
  LICE_MemBitmap a(5, 3, 4);
  EXPECT_EQ(a.getRowSpan(), 8);
  LICE_MemBitmap none(5, 3, 0);
  EXPECT_EQ(none.getRowSpan(), 5);
  LICE_MemBitmap one(5, 3, 1);
  EXPECT_EQ(one.getRowSpan(), 5);
  LICE_MemBitmap lowestBit(5, 3, 6); // lowest set bit 2: even spans
  EXPECT_EQ(lowestBit.getRowSpan(), 6);
  LICE_MemBitmap wide(17, 1, 16);
  EXPECT_EQ(wide.getRowSpan(), 32);
}

TEST(MemBitmap, BitsAre64ByteAlignedAndEmptyBitmapHasNone)
{
  LICE_MemBitmap empty;
  EXPECT_EQ(empty.getWidth(), 0);
  EXPECT_EQ(empty.getBits(), nullptr);
  for (int w = 1; w < 40; w += 7)
  {
    LICE_MemBitmap bm(w, 3, 4);
    ASSERT_NE(bm.getBits(), nullptr);
    EXPECT_TRUE(aligned64(bm.getBits()));
  }
}

TEST(MemBitmap, ResizeReportsChangeAndGrowsByAQuarter)
{
  LICE_MemBitmap bm(10, 10, 4);
  EXPECT_FALSE(bm.resize(10, 10));
  EXPECT_TRUE(bm.resize(20, 10));
  EXPECT_EQ(bm.getAllocatedBytes(), (20 * 10 * 4 / 4) * 5);
  LICE_pixel* before = bm.getBits();
  EXPECT_TRUE(bm.resize(24, 10)); // within the spare quarter: same memory
  EXPECT_EQ(bm.getBits(), before);
  EXPECT_TRUE(bm.resize(4, 4)); // smaller keeps the memory
  EXPECT_EQ(bm.getBits(), before);
  EXPECT_TRUE(bm.resize(0, 7));
  EXPECT_EQ(bm.getWidth(), 0);
  EXPECT_EQ(bm.getHeight(), 0);
  EXPECT_EQ(bm.getBits(), nullptr);
}

TEST(MemBitmap, OversizedOrNegativeResizeLeavesEmptyAndReportsIt)
{
  const int sizes[][2] = {{40000, 30000}, {32768, 32768}, {INT_MAX, INT_MAX}, {INT_MAX, 1}, {1, INT_MAX}};
  for (auto& s : sizes)
  {
    LICE_MemBitmap bm(8, 8, 4);
    EXPECT_FALSE(bm.resize(s[0], s[1])) << s[0] << "x" << s[1];
    EXPECT_EQ(bm.getWidth(), 0);
    EXPECT_EQ(bm.getHeight(), 0);
    EXPECT_EQ(bm.getBits(), nullptr);
    EXPECT_TRUE(bm.resize(3, 3)); // usable again afterwards
    EXPECT_NE(bm.getBits(), nullptr);
  }
  LICE_MemBitmap neg(8, 8, 4);
  neg.resize(-5, -5);
  EXPECT_EQ(neg.getWidth(), 0);
  EXPECT_EQ(neg.getBits(), nullptr);
  LICE_MemBitmap huge(40000, 30000, 4);
  EXPECT_EQ(huge.getWidth(), 0);
  EXPECT_EQ(huge.getBits(), nullptr);
}

TEST(SysBitmap, MemoryComesFromAContextWithRowSpanOfFour)
{
  LICE_SysBitmap bm(5, 3);
  ASSERT_NE(bm.getDC(), nullptr);
  EXPECT_EQ(bm.getRowSpan(), 8);
  EXPECT_EQ(bm.getBits(), SWELL_GetCtxFrameBuffer(bm.getDC()));
  EXPECT_TRUE(aligned64(bm.getBits()));
  for (int i = 0; i < 8 * 3; ++i) EXPECT_EQ(bm.getBits()[i], 0u);
  EXPECT_FALSE(bm.isFlipped());
}

TEST(SysBitmap, ShrinkingReusesTheContextAndEmptyDropsIt)
{
  LICE_SysBitmap bm(20, 10);
  HDC dc = bm.getDC();
  EXPECT_FALSE(bm.resize(20, 10));
  EXPECT_TRUE(bm.resize(7, 4));
  EXPECT_EQ(bm.getDC(), dc);
  EXPECT_EQ(bm.getRowSpan(), 20);
  EXPECT_TRUE(bm.resize(21, 4)); // wider than the context: a new one
  EXPECT_EQ(bm.getRowSpan(), 24);
  EXPECT_TRUE(bm.resize(0, 4));
  EXPECT_EQ(bm.getDC(), nullptr);
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getWidth(), 0);
  LICE_SysBitmap none(0, 0);
  EXPECT_EQ(none.getDC(), nullptr);
}

TEST(SysBitmap, OversizedResizeLeavesEmptyAndReportsIt)
{
  LICE_SysBitmap bm(4, 4);
  EXPECT_FALSE(bm.resize(40000, 30000));
  EXPECT_EQ(bm.getWidth(), 0);
  EXPECT_EQ(bm.getHeight(), 0);
  EXPECT_EQ(bm.getDC(), nullptr);
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_FALSE(bm.resize(INT_MAX, INT_MAX));
  EXPECT_TRUE(bm.resize(2, 2));
  EXPECT_NE(bm.getBits(), nullptr);
}

TEST(SysBitmap, ZeroHeightKeepsTheWidthAndItsRowSpan)
{
  LICE_SysBitmap bm(9, 9);
  EXPECT_TRUE(bm.resize(5, 0));
  EXPECT_EQ(bm.getWidth(), 5);
  EXPECT_EQ(bm.getHeight(), 0);
  EXPECT_EQ(bm.getRowSpan(), 8);
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getDC(), nullptr);
  EXPECT_FALSE(bm.resize(5, 0)); // unchanged
  // a failing size fails the same way every time
  for (int i = 0; i < 2; ++i)
  {
    EXPECT_FALSE(bm.resize(INT_MAX, 0)) << i;
    EXPECT_EQ(bm.getWidth(), 0);
    EXPECT_EQ(bm.getRowSpan(), 0);
  }
  EXPECT_TRUE(bm.resize(5, 3));
  EXPECT_NE(bm.getBits(), nullptr);
}

TEST(MemContext, RefusesNonPositiveSizes)
{
  EXPECT_EQ(SWELL_CreateMemContext(nullptr, 0, 5), nullptr);
  EXPECT_EQ(SWELL_CreateMemContext(nullptr, 5, -1), nullptr);
  EXPECT_EQ(SWELL_GetCtxFrameBuffer(nullptr), nullptr);
  SWELL_DeleteGfxContext(nullptr);
}

} // namespace
