// Memory contexts, graphics-object selection, released handles and the pools.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "swell_test_util.h"

namespace
{

using swell_test::TextContext;

HGDIOBJ Placeholder(int v)
{
  return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(v));
}

TEST(MemContext, BufferIsZeroedAlignedAndSizedToTheContext)
{
  for (int w : {1, 3, 64, 333})
  {
    HDC dc = SWELL_CreateMemContext(nullptr, w, 7);
    ASSERT_NE(dc, nullptr);
    const unsigned char* p = static_cast<const unsigned char*>(SWELL_GetCtxFrameBuffer(dc));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u);
    for (int i = 0; i < w * 4 * 7; ++i) ASSERT_EQ(p[i], 0) << i; // the sanitizer build checks the last byte is ours
    SWELL_DeleteGfxContext(dc);
  }
  EXPECT_EQ(SWELL_CreateMemContext(nullptr, 0, 5), nullptr);
  EXPECT_EQ(SWELL_CreateMemContext(nullptr, 5, -1), nullptr);
}

TEST(SelectObject, PlaceholdersAndRealObjects)
{
  TextContext c(8, 8, 0);
  HFONT a = CreateFont(-14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
  HFONT b = CreateFont(-10, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SelectObject(c.dc(), a), SWELL_FONT_NONE); // empty slot reports the placeholder
  EXPECT_EQ(SelectObject(c.dc(), b), a);
  EXPECT_EQ(SelectObject(c.dc(), SWELL_FONT_NONE), b); // empties the slot, returns the font
  EXPECT_EQ(SelectObject(c.dc(), SWELL_FONT_NONE), SWELL_FONT_NONE);
  EXPECT_EQ(SelectObject(c.dc(), SWELL_PEN_NONE), SWELL_PEN_NONE);
  EXPECT_EQ(SelectObject(c.dc(), SWELL_BRUSH_NONE), SWELL_BRUSH_NONE);
  EXPECT_EQ(c.dc()->curfont, nullptr);
  EXPECT_EQ(SelectObject(c.dc(), nullptr), nullptr);
  EXPECT_EQ(SelectObject(c.dc(), Placeholder(4)), nullptr) << "4 is no placeholder";
  HGDIOBJ bitmap = swell_NewObject(kSwellTypeBitmap);
  EXPECT_EQ(SelectObject(c.dc(), bitmap), nullptr);
  DeleteObject(bitmap);
  DeleteObject(a);
  DeleteObject(b);
}

TEST(SelectObject, ReportsTheFontStillSelectedAfterReselection)
{
  TextContext c(8, 8, 0);
  HFONT a = CreateFont(-14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
  SelectObject(c.dc(), a);
  EXPECT_EQ(SelectObject(c.dc(), a), a);
  EXPECT_EQ(SelectObject(c.dc(), Placeholder(3)), a);
  DeleteObject(a);
}

// Every call on a null or released context does nothing and reports failure.
TEST(MemContext, NullAndReleasedContextsAreIgnored)
{
  ASSERT_LT(swell_PooledContextCount(), kSwellContextPoolMax) << "a full pool would free the record";
  HDC released = SWELL_CreateMemContext(nullptr, 4, 4);
  SWELL_DeleteGfxContext(released);
  ASSERT_TRUE(released->released) << "the record must wait in the pool for this test";
  HFONT f = CreateFont(-14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
  for (HDC dc : {static_cast<HDC>(nullptr), released})
  {
    EXPECT_EQ(SWELL_GetCtxFrameBuffer(dc), nullptr);
    EXPECT_EQ(SelectObject(dc, f), nullptr);
    SetTextColor(dc, 0x123456);
    SetBkColor(dc, 0x123456);
    SetBkMode(dc, OPAQUE);
    TEXTMETRIC tm;
    EXPECT_FALSE(GetTextMetrics(dc, &tm));
    EXPECT_EQ(tm.tmHeight, 16);
    EXPECT_EQ(tm.tmAscent, 12);
    EXPECT_EQ(tm.tmDescent, 4);
    EXPECT_EQ(tm.tmInternalLeading, 3);
    EXPECT_EQ(tm.tmAveCharWidth, 10);
    RECT r = {0, 0, 10, 10};
    EXPECT_EQ(SWELL_DrawText(dc, "x", -1, &r, 0), 0);
    EXPECT_EQ(SWELL_DrawText(dc, "x", -1, &r, DT_CALCRECT), 0);
    EXPECT_EQ(r.right, 10);
    SWELL_DeleteGfxContext(dc);
  }
  EXPECT_EQ(released->textColour, 0);
  EXPECT_EQ(released->curfont, nullptr);
  DeleteObject(f);
  DeleteObject(f); // now a pool record: ignored
  DeleteObject(Placeholder(3));
  DeleteObject(nullptr);
}

// Two threads create and delete contexts and fonts in bursts larger than the
// pools; the pools never exceed their limits and records are reused.
TEST(Pools, StayWithinLimitsUnderATwoThreadStorm)
{
  auto storm = [] {
    for (int round = 0; round < 4; ++round)
    {
      std::vector<HDC> dcs;
      std::vector<HFONT> fonts;
      for (int i = 0; i < 130; ++i) dcs.push_back(SWELL_CreateMemContext(nullptr, 8 + i % 5, 4));
      for (int i = 0; i < 230; ++i) fonts.push_back(CreateFont(-(8 + i % 20), 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans"));
      for (HDC dc : dcs)
      {
        ASSERT_NE(dc, nullptr);
        SWELL_DeleteGfxContext(dc);
      }
      for (HFONT f : fonts)
      {
        ASSERT_NE(f, nullptr);
        DeleteObject(f);
      }
      EXPECT_LE(swell_PooledContextCount(), kSwellContextPoolMax);
      EXPECT_LE(swell_PooledObjectCount(), kSwellObjectPoolMax);
    }
  };
  std::thread a(storm), b(storm);
  a.join();
  b.join();
  EXPECT_EQ(swell_PooledContextCount(), kSwellContextPoolMax);
  EXPECT_EQ(swell_PooledObjectCount(), kSwellObjectPoolMax);
  HDC reused = SWELL_CreateMemContext(nullptr, 2, 2);
  EXPECT_EQ(swell_PooledContextCount(), kSwellContextPoolMax - 1);
  EXPECT_FALSE(reused->released);
  EXPECT_EQ(reused->curfont, nullptr);
  SWELL_DeleteGfxContext(reused);
}

} // namespace
