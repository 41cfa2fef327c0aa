#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <vector>

#include "lice.h"
#include "lice_test_util.h"

using namespace lice_test;

namespace
{

constexpr LICE_pixel kInk = 0x11223344u;

void clear(ExactBitmap& bm, LICE_pixel v = 0)
{
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x) bm.px(x, y) = v;
}

int countInk(ExactBitmap& bm)
{
  int n = 0;
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x) n += bm.px(x, y) != 0;
  return n;
}

// Every padding pixel still holds the canary.
bool paddingIntact(ExactBitmap& bm)
{
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = bm.getWidth(); x < bm.getRowSpan(); ++x)
      if (bm.raw()[static_cast<size_t>(y) * bm.getRowSpan() + x] != kCanary) return false;
  return true;
}

TEST(Line, ClippedAtTheLeftEdge)
{
  ExactBitmap bm(100, 10);
  clear(bm);
  LICE_Line(&bm, -10, 5, 10, 5, kInk, 1.0f, LICE_MODE_COPY, false);
  for (int x = 0; x < 100; ++x) EXPECT_EQ(bm.px(x, 5), x <= 10 ? kInk : 0u) << x;
  EXPECT_EQ(countInk(bm), 11);
}

TEST(Line, EntirelyOutsideDrawsNothing)
{
  ExactBitmap bm(20, 20);
  clear(bm);
  LICE_Line(&bm, -30, 0, -5, 19, kInk, 1.0f, LICE_MODE_COPY, true);
  LICE_Line(&bm, 0, 25, 19, 40, kInk, 1.0f, LICE_MODE_COPY, false);
  LICE_Line(&bm, INT_MIN, INT_MIN, INT_MIN + 5, INT_MAX, kInk, 1.0f, LICE_MODE_COPY, false);
  EXPECT_EQ(countInk(bm), 0);
}

TEST(Line, ReversedRunsDrawBothEnds)
{
  ExactBitmap bm(10, 10, 0, true);
  clear(bm);
  LICE_Line(&bm, 7, 2, 3, 2, kInk, 1.0f, LICE_MODE_COPY, true);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(bm.px(x, 2), x >= 3 && x <= 7 ? kInk : 0u);
  LICE_Line(&bm, 9, 9, 9, 4, kInk, 1.0f, LICE_MODE_COPY, false);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(bm.px(9, y), y >= 4 ? kInk : 0u);
  EXPECT_EQ(countInk(bm), 11);
}

TEST(Line, SmoothDiagonalSplitsThreeQuartersAndQuarters)
{
  ExactBitmap bm(6, 6);
  clear(bm);
  const LICE_pixel white = 0xFFFFFFFFu;
  LICE_Line(&bm, 1, 1, 3, 3, white, 1.0f, LICE_MODE_COPY, true);
  const LICE_pixel three = RefShortcut(0, white, 192), quarter = RefShortcut(0, white, 64);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(bm.px(i, i), three);
  EXPECT_EQ(bm.px(2, 1), quarter);
  EXPECT_EQ(bm.px(1, 2), quarter);
  EXPECT_EQ(bm.px(4, 3), 0u); // the last point has no neighbours
  EXPECT_EQ(countInk(bm), 7);
}

TEST(Line, SlopedLinesHitBothEndsAndStayNearTheIdealLine)
{
  ExactBitmap bm(40, 30);
  std::mt19937 rng(5);
  for (int i = 0; i < 500; ++i)
  {
    clear(bm);
    const int x1 = rng() % 40, y1 = rng() % 30, x2 = rng() % 40, y2 = rng() % 30;
    LICE_Line(&bm, x1, y1, x2, y2, kInk, 1.0f, LICE_MODE_COPY, false);
    EXPECT_EQ(bm.px(x1, y1), kInk);
    EXPECT_EQ(bm.px(x2, y2), kInk);
    EXPECT_EQ(countInk(bm), std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1);
  }
}

TEST(ClipLine, MovesEndsOntoTheRectangleOrRefuses)
{
  int x1 = -10, y1 = 5, x2 = 10, y2 = 5;
  EXPECT_TRUE(LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, 100, 100));
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(x2, 10);
  x1 = 50, y1 = 50, x2 = 150, y2 = 50;
  EXPECT_TRUE(LICE_ClipLine(&x1, &y1, &x2, &y2, 20, 20, 100, 100));
  EXPECT_EQ(x2, 99);
  int a = -5, b = -5, c = -1, d = 30;
  EXPECT_FALSE(LICE_ClipLine(&a, &b, &c, &d, 0, 0, 10, 10));
  EXPECT_EQ(a, -5);
  EXPECT_EQ(d, 30);
  a = 0, b = 0, c = 5, d = 5;
  EXPECT_FALSE(LICE_ClipLine(&a, &b, &c, &d, 0, 0, 0, 10)); // empty rectangle
}

// Distance from (px, py) to the segment (x1, y1)-(x2, y2).
double segmentDistance(double px, double py, double x1, double y1, double x2, double y2)
{
  const double dx = x2 - x1, dy = y2 - y1, len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((px - x1) * dx + (py - y1) * dy) / len2 : 0;
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return std::hypot(px - (x1 + t * dx), py - (y1 + t * dy));
}

TEST(Line, RandomLinesStayInsideAndNearTheSegment)
{
  std::mt19937 rng(4242);
  for (int iter = 0; iter < 4000; ++iter)
  {
    const int bw = 1 + static_cast<int>(rng() % 37), bh = 1 + static_cast<int>(rng() % 29);
    ExactBitmap bm(bw, bh, static_cast<int>(rng() % 3), rng() % 2 == 0);
    clear(bm);
    const int x1 = RandCoord(rng, bw), y1 = RandCoord(rng, bh), x2 = RandCoord(rng, bw), y2 = RandCoord(rng, bh);
    const bool aa = rng() % 2;
    LICE_Line(&bm, x1, y1, x2, y2, kInk, RandAlpha(rng), RandMode(rng, true), aa);
    ASSERT_TRUE(paddingIntact(bm)) << iter;
    // Clipping truncates, so a clipped end may sit a pixel off the exact
    // line; far ends also lose precision, hence the generous limit there.
    const bool far = std::abs(static_cast<double>(x1)) > 1e6 || std::abs(static_cast<double>(x2)) > 1e6 ||
                     std::abs(static_cast<double>(y1)) > 1e6 || std::abs(static_cast<double>(y2)) > 1e6;
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x)
        if (bm.px(x, y) && !far)
        {
          ASSERT_LT(segmentDistance(x, y, x1, y1, x2, y2), 2.5) << iter << " " << x << "," << y;
        }
  }
}

TEST(Line, HorizontalAndVerticalRunsMatchTheCombineModel)
{
  std::mt19937 rng(808);
  for (int iter = 0; iter < 3000; ++iter)
  {
    const int bw = 1 + static_cast<int>(rng() % 25), bh = 1 + static_cast<int>(rng() % 19);
    ExactBitmap bm(bw, bh, 1, rng() % 2 == 0);
    bm.fillRandom(rng);
    ExactBitmap before(bw, bh);
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) before.px(x, y) = bm.px(x, y);
    const bool horizontal = rng() % 2;
    const int fixed = static_cast<int>(rng() % (horizontal ? bh : bw));
    const int a = RandCoord(rng, horizontal ? bw : bh), b = RandCoord(rng, horizontal ? bw : bh);
    const LICE_pixel colour = RandColour(rng);
    const float alpha = RandAlpha(rng);
    const int mode = RandMode(rng, false);
    if (horizontal) LICE_Line(&bm, a, fixed, b, fixed, colour, alpha, mode, rng() % 2);
    else LICE_Line(&bm, fixed, a, fixed, b, colour, alpha, mode, rng() % 2);
    const int w = RefWeight(alpha), cm = mode & 0xFF;
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x)
      {
        LICE_pixel e = before.px(x, y);
        const int along = horizontal ? x : y, across = horizontal ? y : x;
        const bool on = across == fixed && along >= std::min(a, b) && along <= std::max(a, b);
        if (on && w && cm <= LICE_MODE_HSVADJUST)
        {
          if (cm == 0 && (w == 64 || w == 128 || w == 192 || w == 256)) e = RefShortcut(e, colour, w);
          else e = RefCombine(e, LICE_GETR(colour), LICE_GETG(colour), LICE_GETB(colour), LICE_GETA(colour), w, cm, false);
        }
        ASSERT_EQ(bm.px(x, y), e) << iter << " at " << x << "," << y;
      }
  }
}

TEST(DrawRect, OutlinesTheCornersInclusive)
{
  ExactBitmap bm(10, 10);
  clear(bm);
  LICE_DrawRect(&bm, 2, 3, 4, 5, kInk, 1.0f, LICE_MODE_COPY);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
    {
      const bool edge = (x == 2 || x == 6) && y >= 3 && y <= 8;
      const bool topBottom = (y == 3 || y == 8) && x >= 2 && x <= 6;
      EXPECT_EQ(bm.px(x, y), edge || topBottom ? kInk : 0u) << x << "," << y;
    }
  LICE_DrawRect(&bm, INT_MAX - 1, INT_MIN, INT_MAX, INT_MAX, kInk, 1.0f, 0); // saturates, no overflow
}

TEST(Circle, SmallRadiiUseTheStoredMaskOthersTheMidpointMethod)
{
  ExactBitmap bm(20, 20);
  for (bool aa : {false, true})
  {
    clear(bm);
    LICE_Circle(&bm, 10, 10, 2.0f, kInk, 1.0f, LICE_MODE_COPY, aa);
    int inBox = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x)
        if (bm.px(x, y))
        {
          EXPECT_TRUE(x >= 8 && x < 13 && y >= 8 && y < 13) << x << "," << y;
          ++inBox;
        }
    EXPECT_GE(inBox, 12);
    EXPECT_EQ(bm.px(10, 10), 0u); // a ring, not a disc
  }
  clear(bm);
  LICE_Circle(&bm, 10, 10, 2.2f, kInk, 1.0f, LICE_MODE_COPY, false);
  EXPECT_NE(bm.px(10, 7), 0u); // floor(10 - 2.2): outside the 5 x 5 box
  EXPECT_EQ(bm.px(10, 10), 0u);
}

TEST(Circle, NegativeOrNonFiniteRadiusDrawsNothing)
{
  ExactBitmap bm(16, 16);
  clear(bm);
  for (float r : {-3.0f, -0.0001f, NAN, INFINITY, -INFINITY, 1e30f})
    for (bool aa : {false, true})
    {
      LICE_Circle(&bm, 8, 8, r, kInk, 1.0f, 0, aa);
      LICE_FillCircle(&bm, 8, 8, r, kInk, 1.0f, 0, aa);
      LICE_Arc(&bm, 8, 8, r, 0, 1, kInk, 1.0f, 0, aa);
    }
  LICE_Circle(&bm, NAN, 8, 3, kInk, 1.0f, 0, false);
  LICE_Arc(&bm, 8, 8, 3, NAN, 1, kInk, 1.0f, 0, false);
  LICE_RoundRect(&bm, 1, 1, NAN, 5, 3, kInk, 1.0f, 0, false);
  EXPECT_EQ(countInk(bm), 0);
}

TEST(Circle, RadiusZeroDrawsTheCentrePixelOnce)
{
  ExactBitmap bm(16, 16);
  for (int shape = 0; shape < 3; ++shape)
    for (bool aa : {false, true})
    {
      clear(bm);
      const LICE_pixel c = LICE_RGBA(40, 40, 40, 40);
      if (shape == 0) LICE_Circle(&bm, 8, 8, 0, c, 1.0f, LICE_MODE_ADD, aa);
      if (shape == 1) LICE_FillCircle(&bm, 8, 8, 0, c, 1.0f, LICE_MODE_ADD, aa);
      if (shape == 2) LICE_Arc(&bm, 8, 8, 0, 0, static_cast<float>(2 * M_PI), c, 1.0f, LICE_MODE_ADD, aa);
      EXPECT_EQ(bm.px(8, 8), c) << shape << aa;
      EXPECT_EQ(countInk(bm), 1) << shape << aa;
    }
}

TEST(Circle, OutlinePointsLieOnTheRadius)
{
  ExactBitmap bm(64, 64);
  for (float r : {5.0f, 9.5f, 17.25f, 30.0f})
    for (bool aa : {false, true})
    {
      clear(bm);
      LICE_Circle(&bm, 32, 32, r, kInk, 1.0f, LICE_MODE_COPY, aa);
      for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
          if (bm.px(x, y))
          {
            ASSERT_NEAR(std::hypot(x - 32.0, y - 32.0), r, 1.5) << r << " " << x << "," << y;
          }
      EXPECT_NE(bm.px(32, static_cast<int>(std::floor(32 - r))), 0u);
    }
}

TEST(FillCircle, CoversTheDiscAndCombinesEachPixelOnce)
{
  ExactBitmap bm(64, 64);
  for (bool aa : {false, true})
  {
    clear(bm);
    LICE_FillCircle(&bm, 31.5f, 30, 12.5f, LICE_RGBA(40, 40, 40, 40), 1.0f, LICE_MODE_ADD, aa);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x)
      {
        const double d = std::hypot(x - 31.5, y - 30.0);
        const LICE_pixel p = bm.px(x, y);
        if (d < 11.5)
        {
          ASSERT_EQ(p, LICE_RGBA(40, 40, 40, 40)) << aa << " " << x << "," << y;
        }
        if (d > 14)
        {
          ASSERT_EQ(p, 0u);
        }
        ASSERT_LE(LICE_GETR(p), 40u); // never added twice
      }
  }
}

// Independent check of the filled shape: the same pixel under each of the
// eight reflections about the centre pixel, and coverage that never grows
// from the centre outwards (no holes next to the rim, no spikes).
TEST(FillCircle, SymmetricUnderTheEightReflectionsAndFallingTowardsTheRim)
{
  const int c = 40;
  ExactBitmap bm(2 * c + 1, 2 * c + 1);
  for (float r : {1.0f, 3.3f, 5.0f, 7.5f, 12.0f, 20.7f, 33.9f})
    for (bool aa : {false, true})
    {
      if (!aa && r != std::floor(r)) continue; // the midpoint fill floors its axis points
      clear(bm);
      LICE_FillCircle(&bm, c, c, r, LICE_RGBA(255, 255, 255, 255), 1.0f, LICE_MODE_COPY, aa);
      auto v = [&](int dx, int dy) { return static_cast<int>(LICE_GETR(bm.px(c + dx, c + dy))); };
      for (int dy = -c; dy <= c; ++dy)
        for (int dx = -c; dx <= c; ++dx)
        {
          const int p = v(dx, dy);
          const int refl[8] = {v(-dx, dy), v(dx, -dy), v(-dx, -dy), v(dy, dx), v(-dy, dx), v(dy, -dx), v(-dy, -dx), p};
          for (int q : refl) ASSERT_EQ(q, p) << r << " aa " << aa << " at " << dx << "," << dy;
          if (dx >= 0 && dx < c)
          {
            ASSERT_GE(p, v(dx + 1, dy)) << r << " aa " << aa << " at " << dx << "," << dy;
          }
          const double d = std::hypot(dx, dy);
          ASSERT_TRUE(d > r - 1 || p == 255) << r << " aa " << aa << " at " << dx << "," << dy;
          ASSERT_TRUE(d < r + 1.5 || p == 0) << r << " aa " << aa << " at " << dx << "," << dy;
        }
    }
}

TEST(Arc, ReversedOrEqualAnglesDrawNothing)
{
  ExactBitmap bm(40, 40);
  clear(bm);
  const float angles[][2] = {{1.0f, 0.0f}, {0.5f, 0.5f}, {7.0f, -7.0f}, {0.0f, -0.001f}};
  for (auto& a : angles)
    for (bool aa : {false, true}) LICE_Arc(&bm, 20, 20, 10, a[0], a[1], kInk, 1.0f, LICE_MODE_COPY, aa);
  EXPECT_EQ(countInk(bm), 0);
}

TEST(Arc, QuarterFromZeroLiesTopRight)
{
  ExactBitmap bm(40, 40);
  for (bool aa : {false, true})
  {
    clear(bm);
    LICE_Arc(&bm, 20, 20, 10, 0, static_cast<float>(M_PI / 2), kInk, 1.0f, LICE_MODE_COPY, aa);
    int n = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x)
        if (bm.px(x, y))
        {
          EXPECT_GE(x, 20);
          EXPECT_LE(y, 21);
          ++n;
        }
    EXPECT_GT(n, 8);
  }
  // a full turn or more is the whole circle
  ExactBitmap full(40, 40), arc(40, 40);
  clear(full);
  clear(arc);
  LICE_Circle(&full, 20, 20, 10, kInk, 1.0f, 0, false);
  LICE_Arc(&arc, 20, 20, 10, -1, static_cast<float>(2 * M_PI), kInk, 1.0f, 0, false);
  EXPECT_EQ(full.raw(), arc.raw());
}

TEST(RoundRect, RadiusOneIsThePlainOutline)
{
  ExactBitmap a(20, 20), b(20, 20);
  clear(a);
  clear(b);
  LICE_RoundRect(&a, 2, 3, 10, 8, 1, kInk, 1.0f, 0, false);
  LICE_DrawRect(&b, 2, 3, 10, 8, kInk, 1.0f, 0);
  EXPECT_EQ(a.raw(), b.raw());
  clear(a);
  LICE_RoundRect(&a, 2, 3, 10, 8, 3, kInk, 1.0f, 0, true);
  EXPECT_EQ(a.px(2, 3), 0u); // the corner is cut
  EXPECT_NE(a.px(7, 3), 0u);
  EXPECT_NE(a.px(2, 7), 0u);
}

TEST(FillConvexPolygon, OneRowFillsBetweenTheExtremes)
{
  ExactBitmap bm(20, 5);
  clear(bm);
  const int xs[] = {9, 3, 15, 6}, ys[] = {2, 2, 2, 2};
  LICE_FillConvexPolygon(&bm, xs, ys, 4, kInk, 1.0f, 0);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(bm.px(x, 2), x >= 3 && x <= 15 ? kInk : 0u);
  EXPECT_EQ(countInk(bm), 13);
  LICE_FillConvexPolygon(&bm, xs, ys, 2, 0xFFu, 1.0f, 0);
  LICE_FillConvexPolygon(&bm, nullptr, ys, 4, 0xFFu, 1.0f, 0);
  EXPECT_EQ(countInk(bm), 13);
}

// Signed area test: on which side of a-b the point p lies.
double side(double ax, double ay, double bx, double by, double px, double py)
{
  return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

// The fill depends on the set of points, not on their order.
TEST(FillConvexPolygon, SamePointsInAnyOrderFillTheSamePixels)
{
  struct Shape
  {
    std::vector<int> x, y;
  };
  const Shape shapes[] = {
      {{3, 28, 12}, {2, 9, 27}},                       // triangle
      {{5, 20, 30, 24, 8}, {4, 2, 14, 28, 22}},        // pentagon
      {{2, 16, 30, 30, 2}, {2, 2, 2, 20, 20}},         // collinear top edge
      {{-10, 25, 40, 6, -3, 15}, {3, -8, 12, 40, 30, 16}}, // past the edges, one point inside
      {{4, 10, 16, 22}, {5, 5, 5, 5}},                 // one row
  };
  ExactBitmap ref(32, 32), bm(32, 32);
  for (const Shape& sh : shapes)
  {
    clear(ref);
    LICE_FillConvexPolygon(&ref, sh.x.data(), sh.y.data(), static_cast<int>(sh.x.size()), kInk, 1.0f, 0);
    EXPECT_GT(countInk(ref), 0);
    std::vector<int> order(sh.x.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    do
    {
      std::vector<int> x, y;
      for (int i : order)
      {
        x.push_back(sh.x[i]);
        y.push_back(sh.y[i]);
      }
      clear(bm);
      LICE_FillConvexPolygon(&bm, x.data(), y.data(), static_cast<int>(x.size()), kInk, 1.0f, 0);
      ASSERT_EQ(bm.raw(), ref.raw()) << "shape with " << sh.x.size() << " points";
    } while (std::next_permutation(order.begin(), order.end()));
  }
}

TEST(FillConvexPolygon, RandomTrianglesAndPolygonsFillTheirInsideOnly)
{
  std::mt19937 rng(321);
  int checked = 0;
  for (int iter = 0; iter < 2000; ++iter)
  {
    const int bw = 1 + static_cast<int>(rng() % 40), bh = 1 + static_cast<int>(rng() % 30);
    ExactBitmap bm(bw, bh, static_cast<int>(rng() % 2), rng() % 2 == 0);
    clear(bm);
    // a convex polygon: points on an ellipse in angle order
    const int n = 3 + static_cast<int>(rng() % 6);
    const bool huge = rng() % 10 == 0;
    const double cx = static_cast<int>(rng() % (bw + 20)) - 10, cy = static_cast<int>(rng() % (bh + 20)) - 10;
    const double rx = huge ? 1e9 : 1 + rng() % 30, ry = huge ? 1e9 : 1 + rng() % 30;
    std::vector<double> ang;
    for (int i = 0; i < n; ++i) ang.push_back((rng() % 6283) / 1000.0);
    std::sort(ang.begin(), ang.end());
    std::vector<int> xs, ys;
    for (double a : ang)
    {
      xs.push_back(static_cast<int>(cx + rx * std::cos(a)));
      ys.push_back(static_cast<int>(cy + ry * std::sin(a)));
    }
    if (n == 3 && rng() % 2) LICE_FillTriangle(&bm, xs[0], ys[0], xs[1], ys[1], xs[2], ys[2], kInk, 1.0f, 0);
    else LICE_FillConvexPolygon(&bm, xs.data(), ys.data(), n, kInk, 1.0f, 0);
    ASSERT_TRUE(paddingIntact(bm));
    // truncating the points may dent the polygon; check only convex ones
    bool convex = true;
    for (int i = 0; i < n; ++i)
    {
      const int j = (i + 1) % n, k = (i + 2) % n;
      if (side(xs[i], ys[i], xs[j], ys[j], xs[k], ys[k]) < 0) convex = false;
    }
    if (huge || !convex) continue;
    ++checked;
    // Pixels more than a pixel inside every edge are filled, pixels more
    // than a pixel outside any edge are not (the points run clockwise on
    // screen, so inside is where every side() is non-negative).
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x)
      {
        double minSide = 1e300;
        for (int i = 0; i < n; ++i)
        {
          const int j = (i + 1) % n;
          const double len = std::hypot(xs[j] - xs[i], ys[j] - ys[i]);
          if (len == 0) continue;
          minSide = std::min(minSide, side(xs[i], ys[i], xs[j], ys[j], x, y) / len);
        }
        if (minSide > 1.0)
        {
          ASSERT_EQ(bm.px(x, y), kInk) << iter << " " << x << "," << y;
        }
        if (minSide < -1.0)
        {
          ASSERT_EQ(bm.px(x, y), 0u) << iter << " " << x << "," << y << " " << ::testing::PrintToString(xs)
                                     << ::testing::PrintToString(ys);
        }
      }
  }
  EXPECT_GT(checked, 1000);
}

TEST(Glyph, MaskIsClippedAndWeightedByCoverage)
{
  ExactBitmap bm(4, 4);
  clear(bm);
  const unsigned char mask[3 * 5] = {255, 128, 0, 9, 9, 64, 255, 32, 9, 9, 0, 0, 255, 9, 9};
  LICE_DrawGlyphEx(&bm, -1, -1, LICE_RGBA(200, 100, 50, 255), mask, 3, 5, 3, 1.0f, LICE_MODE_COPY);
  // mask column 0 and row 0 fall off the bitmap
  EXPECT_EQ(bm.px(0, 0), RefCombine(0, 200, 100, 50, 255, 255, 0, false));
  EXPECT_EQ(bm.px(1, 0), RefCombine(0, 200, 100, 50, 255, 32, 0, false));
  EXPECT_EQ(bm.px(0, 1), 0u);
  EXPECT_EQ(bm.px(1, 1), RefCombine(0, 200, 100, 50, 255, 255, 0, false));
  EXPECT_EQ(bm.px(2, 0), 0u); // row length 5: the 9s are never read as pixels
  EXPECT_EQ(countInk(bm), 3);
  LICE_DrawGlyphEx(&bm, 0, 0, kInk, mask, 3, 2, 3, 1.0f, 0); // row length below width
  LICE_DrawGlyph(&bm, 0, 0, kInk, nullptr, 3, 3, 1.0f, 0);
  EXPECT_EQ(countInk(bm), 3);
}

TEST(Vector, RandomShapesNeverWriteOutsideTheBitmap)
{
  std::mt19937 rng(2718);
  unsigned char mask[8 * 8];
  for (int i = 0; i < 64; ++i) mask[i] = static_cast<unsigned char>(i % 3 ? i * 37 : 0);
  for (int iter = 0; iter < 3000; ++iter)
  {
    const int bw = 1 + static_cast<int>(rng() % 31), bh = 1 + static_cast<int>(rng() % 23);
    ExactBitmap bm(bw, bh, static_cast<int>(rng() % 2), rng() % 2 == 0);
    clear(bm);
    const float alpha = RandAlpha(rng);
    const int mode = RandMode(rng, true);
    const bool aa = rng() % 2;
    auto coordF = [&](int size) -> float {
      switch (rng() % 6)
      {
      case 0: return -1e7f;
      case 1: return 1e7f;
      default: return static_cast<float>(static_cast<int>(rng() % (size * 20 + 40)) - 20) / 10.0f;
      }
    };
    const float cx = coordF(bw), cy = coordF(bh);
    const float r = rng() % 8 == 0 ? 1e5f : static_cast<float>(rng() % 400) / 10.0f - 2;
    switch (rng() % 6)
    {
    case 0: LICE_Circle(&bm, cx, cy, r, kInk, alpha, mode, aa); break;
    case 1: LICE_FillCircle(&bm, cx, cy, r, kInk, alpha, mode, aa); break;
    case 2: LICE_Arc(&bm, cx, cy, r, coordF(7) - 3, coordF(7) - 3, kInk, alpha, mode, aa); break;
    case 3:
      LICE_RoundRect(&bm, coordF(bw), coordF(bh), coordF(bw), coordF(bh), static_cast<int>(rng() % 12) - 2, kInk, alpha,
                     mode, aa);
      break;
    case 4:
      LICE_DrawGlyphEx(&bm, RandCoord(rng, bw), RandCoord(rng, bh), kInk, mask, static_cast<int>(rng() % 6),
                       static_cast<int>(rng() % 3) + 5, static_cast<int>(rng() % 8), alpha, mode);
      break;
    default:
      LICE_DrawRect(&bm, RandCoord(rng, bw), RandCoord(rng, bh), RandExtent(rng, bw), RandExtent(rng, bh), kInk, alpha,
                    mode);
      break;
    }
    ASSERT_TRUE(paddingIntact(bm)) << iter;
  }
}

} // namespace
