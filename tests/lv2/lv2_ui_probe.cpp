// Compares an X window showing the effect's editor (the LV2 UI inside a
// host) with the plug-in's own off-screen drawing at the given settings.
//
// Usage: lv2_ui_probe WINDOW_ID [INDEX=VALUE ...] [clip=0|1]
//        lv2_ui_probe WINDOW_ID --png FILE
// WINDOW_ID is the editor view's X window (decimal or 0x hex); INDEX a
// parameter index, VALUE its plain value. With --png the window is compared
// with a picture of the editor instead (`cinderpath snapshot`). Exit status 0 when every pixel is
// equal, 1 when pixels differ (count and first position printed), 2 on bad
// arguments or when the window cannot be read.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "lv2_ui_panel.h"
#include "lice_png.h"

namespace
{
// The pixels of a PNG of the editor's size; empty when it is not one.
lv2_ui_panel::Pixels PngPanel(const char* path)
{
  using namespace lv2_ui_panel;
  std::unique_ptr<LICE_IBitmap> bm(LICE_LoadPNG(path));
  if (!bm || bm->getWidth() != kW || bm->getHeight() != kH) return {};
  Pixels out((size_t)kW * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
    {
      const LICE_pixel p = LICE_GetPixel(bm.get(), x, y);
      out[(size_t)y * kW + x] = LICE_GETR(p) << 16 | LICE_GETG(p) << 8 | LICE_GETB(p);
    }
  return out;
}
}  // namespace

int main(int argc, char** argv)
{
  using namespace lv2_ui_panel;
  if (argc < 2)
  {
    fprintf(stderr, "usage: %s WINDOW_ID [INDEX=VALUE ...] [clip=0|1]\n       %s WINDOW_ID --png FILE\n",
            argv[0], argv[0]);
    return 2;
  }
  const Window win = (Window)strtoul(argv[1], nullptr, 0);
  const bool png = argc == 4 && !strcmp(argv[2], "--png");
  std::vector<Setting> sets;
  int clip = 0;
  for (int i = 2; i < argc && !png; ++i)
  {
    int idx = 0;
    double value = 0.0;
    if (sscanf(argv[i], "clip=%d", &clip) == 1) continue;
    if (sscanf(argv[i], "%d=%lf", &idx, &value) != 2 || idx < 0 || idx >= kNumParams)
    {
      fprintf(stderr, "bad setting '%s'\n", argv[i]);
      return 2;
    }
    sets.push_back({idx, value});
  }
  const Pixels want = png ? PngPanel(argv[3]) : HeadlessPanel(sets, clip);
  if (want.empty())
  {
    if (png)
      fprintf(stderr, "%s is no %d x %d PNG\n", argv[3], kW, kH);
    else
      fprintf(stderr, "no headless drawing (component bundle not built?)\n");
    return 2;
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d)
  {
    fprintf(stderr, "no X display\n");
    return 2;
  }
  XWindowAttributes wa;
  Pixels got;
  const bool ok = XGetWindowAttributes(d, win, &wa) && wa.width == kW && wa.height == kH &&
                  GrabColumns(d, win, 0, kW, &got);
  XCloseDisplay(d);
  if (!ok)
  {
    fprintf(stderr, "window %s is not a readable %d x %d window\n", argv[1], kW, kH);
    return 2;
  }
  int fx = -1, fy = -1;
  const int n = CountDifferences(got, want, &fx, &fy);
  if (n == 0)
  {
    printf("equal: %d x %d pixels\n", kW, kH);
    return 0;
  }
  printf("%d pixels differ, the first at %d,%d\n", n, fx, fy);
  return 1;
}
