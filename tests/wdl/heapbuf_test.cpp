#include "heapbuf.h"

#include <gtest/gtest.h>

TEST(HeapBuf, SmallGranularityAllocatesSizePlusHalfOrGranule)
{
  WDL_HeapBuf hb(64);
  EXPECT_EQ(hb.Get(), nullptr);
  hb.Resize(10);
  EXPECT_EQ(hb.GetSize(), 10);
  EXPECT_EQ(hb.GetAlloc(), 10 + 64);  // g = max(5, 64)
  hb.Resize(1000);
  EXPECT_EQ(hb.GetAlloc(), 1000 + 500);
  hb.Resize(1200);  // within the allocation: no reallocation
  EXPECT_EQ(hb.GetAlloc(), 1500);
}

TEST(HeapBuf, PageGranularityRoundsToPagesMinus96)
{
  WDL_HeapBuf hb;  // 4096
  hb.Resize(100);
  EXPECT_EQ(hb.GetAlloc(), ((100 + 4096 + 96) & ~4095) - 96);
  hb.Resize(100000);  // g = 50000 -> 49152
  EXPECT_EQ(hb.GetAlloc(), ((100000 + 49152 + 96) & ~4095) - 96);
  hb.Resize(20000000);  // g clamped to 4 MiB
  EXPECT_EQ(hb.GetAlloc(), ((20000000 + 4194304 + 96) & ~4095) - 96);
}

TEST(HeapBuf, ShrinksOnlyFarBelowAllocationAndWhenAllowed)
{
  WDL_HeapBuf hb(16);
  hb.Resize(1000);
  ASSERT_EQ(hb.GetAlloc(), 1500);
  hb.Resize(800);  // above half of the allocation: keeps it
  EXPECT_EQ(hb.GetAlloc(), 1500);
  hb.Resize(100, false);  // shrinking not allowed
  EXPECT_EQ(hb.GetAlloc(), 1500);
  EXPECT_EQ(hb.GetSize(), 100);
  hb.Resize(800);
  hb.Resize(100);  // below half and below alloc - 4 * granul
  EXPECT_EQ(hb.GetAlloc(), 100 + 50);  // g = max(50, 16)
  hb.Resize(0);
  EXPECT_EQ(hb.Get(), nullptr);
  EXPECT_EQ(hb.GetAlloc(), 0);
}

TEST(HeapBuf, ShrinkNeedsRoomOfFourGranules)
{
  WDL_HeapBuf hb(1000);
  hb.Resize(3000);  // alloc 4500
  ASSERT_EQ(hb.GetAlloc(), 4500);
  hb.Resize(600);  // 600 < 2250 but not < 4500 - 4000
  EXPECT_EQ(hb.GetAlloc(), 4500);
  hb.Resize(3000);
  hb.Resize(400);  // now far enough below: 400 + max(200, 1000)
  EXPECT_EQ(hb.GetAlloc(), 1400);
}

TEST(HeapBuf, MinimumAllocationAndContentSurviveGrowth)
{
  WDL_HeapBuf hb(16);
  hb.SetMinAllocSize(5000);
  unsigned char* p = (unsigned char*)hb.Resize(3);
  EXPECT_EQ(hb.GetAlloc(), 5000);
  p[0] = 1; p[1] = 2; p[2] = 3;
  p = (unsigned char*)hb.Resize(9000);
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(p[2], 3);
}

TEST(HeapBuf, SameSizeChangesNothingAndNegativeMeansEmpty)
{
  WDL_HeapBuf hb(16);
  void* p = hb.Resize(40);
  EXPECT_EQ(hb.Resize(40), p);
  EXPECT_EQ(hb.Resize(-5), nullptr);
  EXPECT_EQ(hb.GetSize(), 0);
}

TEST(HeapBuf, OversizedRequestKeepsOldBlock)
{
  WDL_HeapBuf hb;
  char* p = (char*)hb.Resize(10);
  strcpy(p, "keep");
  EXPECT_EQ(hb.Resize(INT_MAX - 10), p);  // allocation would not fit in an int
  EXPECT_EQ(hb.GetSize(), 10);
  EXPECT_STREQ((char*)hb.Get(), "keep");
}

TEST(TypedBuf, CountsElementsAndRefusesByteOverflow)
{
  WDL_TypedBuf<double> tb;
  EXPECT_EQ(tb.Get(), nullptr);
  double* p = tb.Resize(8);
  EXPECT_EQ(tb.GetSize(), 8);
  EXPECT_EQ(tb.GetHeapBuf()->GetSize(), 64);
  p[7] = 2.5;
  EXPECT_EQ(tb.Resize(INT_MAX / 4), p);  // 8 * (INT_MAX / 4) bytes overflow an int
  EXPECT_EQ(tb.GetSize(), 8);
  EXPECT_EQ(tb.Get()[7], 2.5);
  const double more[2] = {1.0, 2.0};
  ASSERT_NE(tb.Add(more, 2), nullptr);
  EXPECT_EQ(tb.GetSize(), 10);
  EXPECT_EQ(tb.Get()[9], 2.0);
}
