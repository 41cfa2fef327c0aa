#include "EditorImages.h"

#include <cmath>
#include <cstdint>

#include "Canvas.h"
#include "IPlug/IScaledImageName.h"
#include "PanelFont.h"

namespace
{

constexpr double kPi = 3.14159265358979323846;

constexpr int kPanelW = 780, kPanelH = 200;  // pixels
constexpr int kKnobFrames = 91;
constexpr int kSmallKnobPx = 40;   // fits the 50-pixel knob pitch and the 45-pixel rows
constexpr int kBigKnobPx = 70;     // centred under the 40-pixel captions 15 pixels in
constexpr int kSwitchW = 40, kSwitchH = 20;
constexpr int kLedPx = 20;
constexpr double kSweepDeg = 300.0;  // pointer travel from the first to the last frame

// A length of the scale-1 layout in pixels of an image drawn at scale s,
// rounded the way the editor rounds its positions and sizes.
int ScaledPx(double px, double s) { return static_cast<int>(std::floor(px * s + 0.5)); }

// Paints over the pixels touching the box [l, r) x [t, b), given in pixels of
// the target canvas; the box need not fall on pixel edges.
template <class Coverage, class Colour>
void PaintBox(Canvas& c, double l, double t, double r, double b, Coverage coverage, Colour colour)
{
  c.Paint(static_cast<int>(std::floor(l)), static_cast<int>(std::floor(t)), static_cast<int>(std::ceil(r)),
          static_cast<int>(std::ceil(b)), coverage, colour);
}

// Fills the rectangle [l, r) x [t, b) (target pixels) with one colour,
// antialiased where its edges fall inside pixels.
void FillRect(Canvas& c, double l, double t, double r, double b, const Rgba& colour)
{
  PaintBox(c, l, t, r, b, [&](double x, double y) { return x >= l && x < r && y >= t && y < b ? 1.0 : 0.0; },
           [&](double, double) { return colour; });
}

const Rgba kLegend = Rgb8(226, 216, 194);
const Rgba kGold = Rgb8(186, 154, 96);
const Rgba kWindow = Rgb8(234, 228, 212);

// A small deterministic hash for the panel's grain, 0..1.
double Grain(uint32_t x, uint32_t y)
{
  uint32_t h = x * 374761393u + y * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFF) / 65535.0;
}

// Text in the pixel font, its top left corner at (x, y) of the scale-1
// layout, each font pixel size x size layout pixels. At scale 1 the glyphs
// are their bitmaps; at any other scale they are drawn as strokes at the
// target size, so they stay sharp instead of turning into blocks.
void DrawText(Canvas& c, int x, int y, const char* text, int size, const Rgba& colour, double s)
{
  if (s == 1.0)
  {
    for (int n = 0; text[n]; ++n)
    {
      const unsigned char* rows = panel_font::Glyph(text[n]);
      const int gx = x + n * panel_font::kAdvance * size;
      if (!rows) continue;
      for (int row = 0; row < panel_font::kGlyphH; ++row)
        for (int col = 0; col < panel_font::kGlyphW; ++col)
          if (rows[row] & (0x10 >> col))
          {
            const int px = gx + col * size, py = y + row * size;
            c.Paint(px, py, px + size, py + size, [](double, double) { return 1.0; },
                    [&](double, double) { return colour; });
          }
    }
    return;
  }
  const double cell = size * s;  // target pixels per font pixel
  const double left = ScaledPx(x, s), top = ScaledPx(y, s);
  const double halfWidth = 0.5 * cell;
  panel_font::Stroke strokes[panel_font::kMaxStrokes];
  for (int n = 0; text[n]; ++n)
  {
    const int count = panel_font::GlyphStrokes(text[n], strokes, panel_font::kMaxStrokes);
    const double gx = left + n * panel_font::kAdvance * cell;
    for (int k = 0; k < count; ++k)
    {
      panel_font::Stroke& st = strokes[k];
      st = {gx + st.x1 * cell, top + st.y1 * cell, gx + st.x2 * cell, top + st.y2 * cell};
    }
    PaintBox(c, gx - 1, top - 1, gx + panel_font::kGlyphW * cell + 1, top + panel_font::kGlyphH * cell + 1,
             [&](double px, double py) {
               for (int k = 0; k < count; ++k)
               {
                 const panel_font::Stroke& st = strokes[k];
                 if (SegmentCoverage(px, py, st.x1, st.y1, st.x2, st.y2, halfWidth) > 0.0) return 1.0;
               }
               return 0.0;
             },
             [&](double, double) { return colour; });
  }
}

// Text centred on cx with its top at y (scale-1 layout).
void DrawTextCentred(Canvas& c, int cx, int y, const char* text, int size, const Rgba& colour, double s)
{
  DrawText(c, cx - panel_font::TextWidth(text, size) / 2, y, text, size, colour, s);
}

// ---------------------------------------------------------------- knobs

// Point on a circle at an angle measured clockwise from straight up.
void Polar(double cx, double cy, double radius, double angleRad, double* x, double* y)
{
  *x = cx + radius * std::sin(angleRad);
  *y = cy - radius * std::cos(angleRad);
}

// A straight stroke with round caps, painted over its bounding box only.
void PaintSegment(Canvas& c, double ax, double ay, double bx, double by, double halfWidth, const Rgba& colour)
{
  PaintBox(c, std::min(ax, bx) - halfWidth - 1, std::min(ay, by) - halfWidth - 1, std::max(ax, bx) + halfWidth + 1,
           std::max(ay, by) + halfWidth + 1,
           [&](double x, double y) { return SegmentCoverage(x, y, ax, ay, bx, by, halfWidth); },
           [&](double, double) { return colour; });
}

// A disc of the given radius (target pixels), painted over its bounding box
// only.
template <class Colour>
void PaintDisc(Canvas& c, double cx, double cy, double radius, Colour colour)
{
  PaintBox(c, cx - radius - 1, cy - radius - 1, cx + radius + 1, cy + radius + 1,
           [&](double x, double y) { return DiscCoverage(x, y, cx, cy, radius); }, colour);
}

// One knob of diameter sizePx (target pixels) drawn into the frame whose top
// is at top, the pointer at angleRad (clockwise from up). The big knob's
// skirt has more ridges; their number must not change with the scale.
void DrawKnob(Canvas& c, int top, int sizePx, bool big, double angleRad)
{
  const double s = sizePx / 40.0;  // drawn at 40 pixels, scaled
  const double cx = sizePx / 2.0, cy = top + sizePx / 2.0;
  const int x1 = sizePx, y0 = top, y1 = top + sizePx;

  // Soft drop shadow, a little below the knob.
  const double shR = 17.0 * s, shSoft = 2.5 * s;
  c.Paint(0, y0, x1, y1,
          [&](double x, double y) {
            const double d = std::hypot(x - cx, y - (cy + 1.2 * s));
            return Clamp01((shR + shSoft * 0.5 - d) / shSoft);
          },
          [](double, double) { return Rgb8(0, 0, 0, 0.55); });

  // Knurled skirt: black, lit from above, ridges turning with the knob.
  const double skirtR = 16.0 * s;
  PaintDisc(c, cx, cy, skirtR, [&](double x, double y) {
    const double dx = x - cx, dy = y - cy;
    const double d = std::hypot(dx, dy);
    const double phi = std::atan2(dx, -dy);
    const double ridge = 0.5 + 0.5 * std::cos((big ? 40 : 28) * (phi - angleRad));
    const double light = 0.5 - 0.5 * (dy / (d + 1e-9));  // 1 at the top, 0 at the bottom
    const double edge = Clamp01((d - (skirtR - 1.2 * s)) / (1.2 * s));
    const double v = 22 + 16 * ridge * (0.4 + 0.6 * light) + 30 * light * edge;
    return Rgb8(static_cast<int>(v), static_cast<int>(v), static_cast<int>(v + 2));
  });

  // Spun-aluminium cap with a bevelled rim; the highlights stay put while
  // the knob turns, as light on real metal does.
  const double capR = 11.5 * s;
  PaintDisc(c, cx, cy, capR, [&](double x, double y) {
    const double dx = x - cx, dy = y - cy;
    const double d = std::hypot(dx, dy);
    const double phi = std::atan2(dx, -dy);
    const double light = 0.5 - 0.5 * (dy / (d + 1e-9));
    const double spun = 0.5 + 0.5 * std::cos(2.0 * (phi + kPi / 4));
    const double rings = 0.5 + 0.5 * std::sin(d * 7.0 / s);
    double v = 150 + 48 * spun + 5 * rings;
    const double rim = Clamp01((d - (capR - 1.3 * s)) / (1.3 * s));
    v = v * (1 - rim) + (90 + 120 * light) * rim;
    return Rgb8(static_cast<int>(v), static_cast<int>(v), static_cast<int>(v - 6));
  });

  // Pointer: an engraved dark line on the cap and a cream mark on the skirt.
  double ax, ay, bx, by;
  Polar(cx, cy, 2.5 * s, angleRad, &ax, &ay);
  Polar(cx, cy, capR - 1.5 * s, angleRad, &bx, &by);
  PaintSegment(c, ax, ay, bx, by, 1.1 * s, Rgb8(28, 26, 24));
  Polar(cx, cy, capR + 1.2 * s, angleRad, &ax, &ay);
  Polar(cx, cy, skirtR - 0.8 * s, angleRad, &bx, &by);
  PaintSegment(c, ax, ay, bx, by, 1.2 * s, Rgb8(244, 230, 196));
}

void DrawKnobStrip(Canvas& c, int sizePx, bool big)
{
  for (int f = 0; f < kKnobFrames; ++f)
  {
    const double deg = -kSweepDeg / 2 + kSweepDeg * f / (kKnobFrames - 1);
    DrawKnob(c, f * sizePx, sizePx, big, deg * kPi / 180.0);
  }
}

// Scale dots printed around the knob the editor places at (left, top) of
// the scale-1 layout with size sizePx; centred where the scaled editor
// centres the knob.
void DrawKnobScale(Canvas& c, int left, int top, int sizePx, double scale)
{
  const double s = sizePx / 40.0;
  const double cx = ScaledPx(left, scale) + ScaledPx(sizePx, scale) / 2.0;
  const double cy = ScaledPx(top, scale) + ScaledPx(sizePx, scale) / 2.0;
  const double r = (sizePx > 40 ? 33.5 : 18.9) * scale;
  for (int i = 0; i <= 10; ++i)
  {
    const double a = (-kSweepDeg / 2 + kSweepDeg * i / 10) * kPi / 180.0;
    double x, y;
    Polar(cx, cy, r, a, &x, &y);
    const double dotR = ((i == 0 || i == 10 || i == 5) ? 1.25 * std::sqrt(s) : 0.85 * std::sqrt(s)) * scale;
    PaintBox(c, x - dotR - 1, y - dotR - 1, x + dotR + 1, y + dotR + 1,
             [&](double px, double py) { return DiscCoverage(px, py, x, y, dotR); },
             [](double, double) { return kLegend; });
  }
}

// ---------------------------------------------------------------- switches

// A two-frame push button with its legend: frame 0 off (dark face), frame 1
// on (lit amber face). Geometry in scale-1 pixels times s.
void DrawSwitchStrip(Canvas& c, const char* legend, double s)
{
  const int frameH = ScaledPx(kSwitchH, s);
  const double w = kSwitchW * s, h = kSwitchH * s;
  for (int f = 0; f < 2; ++f)
  {
    const int top = f * frameH;
    const double t = top, b = top + h;
    // Bezel.
    c.Paint(0, top, ScaledPx(kSwitchW, s), top + frameH,
            [&](double x, double y) { return RoundRectCoverage(x, y, 0, t, w, b, 4.5 * s); },
            [&](double, double y) { return Mix(Rgb8(60, 56, 52), Rgb8(10, 10, 10), (y - t) / h); });
    // Face.
    const bool on = f == 1;
    c.Paint(0, top, ScaledPx(kSwitchW, s), top + frameH,
            [&](double x, double y) {
              return RoundRectCoverage(x, y, 1.5 * s, t + 1.5 * s, w - 1.5 * s, b - 1.5 * s, 3.5 * s);
            },
            [&](double x, double y) {
              const double v = (y - t - 1.5 * s) / (h - 3.0 * s);
              if (on)
              {
                const double glow =
                    1.0 - std::min(1.0, std::hypot((x - w / 2.0) / (20.0 * s), (y - t - h / 2.0) / (10.0 * s)));
                return Mix(Mix(Rgb8(250, 178, 72), Rgb8(214, 112, 26), v), Rgb8(255, 226, 150), 0.6 * glow);
              }
              return Mix(Rgb8(84, 80, 76), Rgb8(44, 42, 40), v);
            });
    // Top edge highlight of the face.
    FillRect(c, 2 * s, top + 2 * s, w - 2 * s, top + 3 * s, on ? Rgb8(255, 240, 200, 0.7) : Rgb8(130, 126, 120, 0.6));
    const Rgba ink = on ? Rgb8(60, 28, 4) : Rgb8(206, 198, 180);
    DrawTextCentred(c, kSwitchW / 2, f * kSwitchH + 7, legend, 1, ink, s);
  }
}

// Clip light: frame 0 dark, frame 1 lit red.
void DrawLedStrip(Canvas& c, double s)
{
  const int framePx = ScaledPx(kLedPx, s);
  const double size = kLedPx * s;
  for (int f = 0; f < 2; ++f)
  {
    const int top = f * framePx;
    const double cx = size / 2.0, cy = top + size / 2.0;
    const bool lit = f == 1;
    // Chrome bezel.
    c.Paint(0, top, framePx, top + framePx, [&](double x, double y) { return DiscCoverage(x, y, cx, cy, 9.6 * s); },
            [&](double, double y) { return Mix(Rgb8(226, 222, 214), Rgb8(70, 68, 66), (y - top) / size); });
    c.Paint(0, top, framePx, top + framePx, [&](double x, double y) { return DiscCoverage(x, y, cx, cy, 7.8 * s); },
            [](double, double) { return Rgb8(20, 18, 18); });
    // Lens.
    const double lensR = 6.6 * s;
    c.Paint(0, top, framePx, top + framePx, [&](double x, double y) { return DiscCoverage(x, y, cx, cy, lensR); },
            [&](double x, double y) {
              const double d = std::hypot(x - cx, y - cy) / lensR;
              if (lit)
              {
                if (d < 0.35) return Mix(Rgb8(255, 240, 210), Rgb8(255, 90, 60), d / 0.35);
                return Mix(Rgb8(255, 90, 60), Rgb8(210, 24, 16), (d - 0.35) / 0.65);
              }
              return Mix(Rgb8(96, 22, 18), Rgb8(42, 8, 8), d);
            });
    // Specular highlight.
    c.Paint(0, top, framePx, top + framePx,
            [&](double x, double y) {
              return Clamp01(1.0 - std::hypot(x - (cx - 2.2 * s), y - (cy - 2.6 * s)) / (2.4 * s));
            },
            [&](double, double) { return Rgb8(255, 255, 255, lit ? 0.55 : 0.35); });
  }
}

// ---------------------------------------------------------------- panel

struct Rect
{
  int l, t, r, b;
};

// Where the editor draws captions and value texts (black text): each gets a
// light window so the text reads on the dark panel.
const Rect kTextWindows[] = {
  {40, 20, 80, 40},    {90, 20, 130, 40},   {140, 20, 180, 40},  {190, 20, 230, 40},
  {190, 160, 230, 180}, {280, 55, 320, 75},  {370, 55, 410, 75},  {460, 55, 500, 75},
  {90, 160, 130, 180},  {140, 160, 180, 180}, {550, 90, 590, 110}, {600, 90, 640, 110},
  {650, 90, 690, 110},  {693, 18, 733, 38},
};

// Section frame with its title interrupting the top (or bottom) line; r in
// the scale-1 layout.
void DrawSection(Canvas& c, const Rect& r, const char* title, bool titleAtBottom, double s)
{
  const int tw = panel_font::TextWidth(title, 1);
  const double mid = (r.l + r.r) / 2.0;
  const double gapL = (mid - tw / 2.0 - 5) * s, gapR = (mid + tw / 2.0 + 5) * s;
  const double lineY = titleAtBottom ? r.b : r.t;
  const double lineYs = lineY * s;
  PaintBox(c, (r.l - 2) * s, (r.t - 2) * s, (r.r + 3) * s, (r.b + 3) * s,
           [&](double x, double y) {
             if (std::fabs(y - lineYs) < 2.0 * s && x > gapL && x < gapR) return 0.0;
             const double outer = RoundRectCoverage(x, y, r.l * s, r.t * s, (r.r + 1.0) * s, (r.b + 1.0) * s, 7.0 * s);
             const double inner = RoundRectCoverage(x, y, (r.l + 1.25) * s, (r.t + 1.25) * s, (r.r - 0.25) * s,
                                                    (r.b - 0.25) * s, 5.75 * s);
             return outer - inner;
           },
           [](double, double) { return kGold; });
  DrawTextCentred(c, static_cast<int>(mid) + 1, static_cast<int>(lineY) - 3, title, 1, kGold, s);
}

void DrawBackground(Canvas& c, double s)
{
  const double w = kPanelW * s, h = kPanelH * s;
  // Dark warm panel with a fine horizontal brushed grain; the grain is drawn
  // at the target resolution (finer rows at larger scales), its streaks as
  // long as at scale 1.
  PaintBox(c, 0, 0, w, h, [](double, double) { return 1.0; },
           [&](double x, double y) {
             const double v = 1.0 - y / h;
             const double grain = (Grain(static_cast<uint32_t>(x / (23.0 * s)), static_cast<uint32_t>(y)) - 0.5) * 4.0 +
                                  (Grain(static_cast<uint32_t>(x), static_cast<uint32_t>(y) + 7919u) - 0.5) * 3.0;
             const double base = 30 + 15 * v + grain;
             return Rgb8(static_cast<int>(base + 3), static_cast<int>(base), static_cast<int>(base - 2));
           });
  // Bevelled edge: lit top and left, shaded bottom and right.
  FillRect(c, 0, 0, w, s, Rgb8(96, 90, 84));
  FillRect(c, 0, 0, s, h, Rgb8(80, 76, 70));
  FillRect(c, 0, h - s, w, h, Rgb8(8, 8, 8));
  FillRect(c, w - s, 0, w, h, Rgb8(8, 8, 8));

  DrawSection(c, {30, 10, 241, 194}, "INPUT FILTERS", false, s);
  DrawSection(c, {251, 44, 528, 186}, "VALVE STAGE", true, s);
  DrawSection(c, {539, 10, 771, 194}, "OUTPUT", false, s);

  // Name plate over the link area (330..450, 12..32).
  DrawTextCentred(c, 390, 15, "CINDERPATH", 2, kGold, s);
  DrawTextCentred(c, 390, 33, "VALVE PREAMP", 1, kLegend, s);

  // Windows behind captions and value texts, around the boxes where the
  // scaled editor puts them.
  for (const Rect& r : kTextWindows)
  {
    const double l = ScaledPx(r.l, s) - 3 * s, t = ScaledPx(r.t, s), rr = ScaledPx(r.r, s) + 3 * s,
                 b = ScaledPx(r.b, s);
    PaintBox(c, l - 2 * s, t - 2 * s, rr + 2 * s, b + 2 * s,
             [&](double x, double y) {
               return RoundRectCoverage(x, y, l - 1 * s, t - 1 * s, rr + 1 * s, b + 1 * s, 3.0 * s);
             },
             [](double, double) { return Rgb8(10, 9, 8); });
    PaintBox(c, l - 2 * s, t - 2 * s, rr + 2 * s, b + 2 * s,
             [&](double x, double y) { return RoundRectCoverage(x, y, l, t, rr, b, 2.0 * s); },
             [&](double, double y) { return Mix(Rgb8(196, 190, 176), kWindow, Clamp01((y - t) / (2.0 * s))); });
  }

  // Knob scales.
  const int smallKnobs[][2] = {{40, 45}, {90, 45}, {140, 45}, {190, 45}, {90, 115},
                               {140, 115}, {190, 115}, {550, 115}, {600, 115}, {650, 115}};
  for (const auto& k : smallKnobs) DrawKnobScale(c, k[0], k[1], kSmallKnobPx, s);
  const int bigKnobs[][2] = {{265, 80}, {355, 80}, {445, 80}};
  for (const auto& k : bigKnobs) DrawKnobScale(c, k[0], k[1], kBigKnobPx, s);

  // Legends for the knobs.
  DrawText(c, 3, 62, "FREQ", 1, kLegend, s);
  DrawText(c, 3, 132, "GAIN", 1, kLegend, s);
  DrawTextCentred(c, 110, 184, "PEAK dB", 1, kLegend, s);
  DrawTextCentred(c, 160, 184, "SHELF dB", 1, kLegend, s);
  DrawTextCentred(c, 210, 184, "RES", 1, kLegend, s);
  DrawTextCentred(c, 300, 159, "BIAS", 1, kLegend, s);
  DrawTextCentred(c, 390, 159, "DRIVE dB", 1, kLegend, s);
  DrawTextCentred(c, 480, 159, "VOLUME dB", 1, kLegend, s);
  // Units of the frequency boxes: under the input knobs (the boxes sit on
  // the section frame), over the output boxes.
  DrawTextCentred(c, 60, 83, "Hz", 1, kLegend, s);
  DrawTextCentred(c, 110, 83, "kHz", 1, kLegend, s);
  DrawTextCentred(c, 160, 83, "kHz", 1, kLegend, s);
  DrawTextCentred(c, 210, 83, "kHz", 1, kLegend, s);
  DrawTextCentred(c, 570, 79, "Hz", 1, kLegend, s);
  DrawTextCentred(c, 620, 79, "kHz", 1, kLegend, s);
  DrawTextCentred(c, 425, 47, "CLIP", 1, kLegend, s);
  DrawTextCentred(c, 570, 160, "LO CUT", 1, kLegend, s);
  DrawTextCentred(c, 620, 160, "HI CUT", 1, kLegend, s);
  DrawTextCentred(c, 670, 160, "OVERS", 1, kLegend, s);
  DrawTextCentred(c, 720, 114, "OFFLINE", 1, kLegend, s);
  DrawTextCentred(c, 713, 41, "VERSION", 1, kLegend, s);
  DrawText(c, 764 - panel_font::TextWidth("MARROWFIELD", 1), 180, "MARROWFIELD", 1, kGold, s);
}

struct Strip
{
  const char* file;
  const char* legend;
};

// Switch strips and their legends.
const Strip kSwitches[] = {
  {"HPonp.png", "HP"},      {"PKonp.png", "PEAK"}, {"SHonp.png", "SHELF"},  {"Fonp.png", "LP"},   {"Boostp.png", "BOOST"},
  {"Bypassp.png", "BYPASS"}, {"Monop.png", "MONO"}, {"Phasep.png", "PHASE"}, {"HQonp.png", "HQ"},
};

}  // namespace

std::vector<double> EditorImageScales()
{
  return std::vector<double>(std::begin(kEditorScales), std::end(kEditorScales));
}

std::string EditorImageFileName(const std::string& file, double scale) { return ScaledImageName(file, scale); }

std::vector<std::string> EditorImageFiles()
{
  std::vector<std::string> files = {"Back.png", "KnobS.png", "KnobB.png"};
  for (const Strip& s : kSwitches) files.push_back(s.file);
  files.push_back("Overp.png");
  return files;
}

bool WriteEditorImages(const std::string& dir, double scale, std::string* error)
{
  if (!(scale >= 0.5 && scale <= 8.0))
  {
    if (error) *error = "scale out of range (0.5 to 8)";
    return false;
  }
  auto write = [&](const Canvas& c, const char* name) {
    const std::string path = dir + "/" + EditorImageFileName(name, scale);
    if (WriteCanvasPng(c, path)) return true;
    if (error) *error = "cannot write " + path;
    return false;
  };
  {
    Canvas c(ScaledPx(kPanelW, scale), ScaledPx(kPanelH, scale));
    DrawBackground(c, scale);
    if (!write(c, "Back.png")) return false;
  }
  for (const bool big : {false, true})
  {
    const int sizePx = ScaledPx(big ? kBigKnobPx : kSmallKnobPx, scale);
    Canvas c(sizePx, sizePx * kKnobFrames);
    DrawKnobStrip(c, sizePx, big);
    if (!write(c, big ? "KnobB.png" : "KnobS.png")) return false;
  }
  for (const Strip& s : kSwitches)
  {
    Canvas c(ScaledPx(kSwitchW, scale), ScaledPx(kSwitchH, scale) * 2);
    DrawSwitchStrip(c, s.legend, scale);
    if (!write(c, s.file)) return false;
  }
  Canvas led(ScaledPx(kLedPx, scale), ScaledPx(kLedPx, scale) * 2);
  DrawLedStrip(led, scale);
  return write(led, "Overp.png");
}

bool WriteEditorImages(const std::string& dir, std::string* error) { return WriteEditorImages(dir, 1.0, error); }
