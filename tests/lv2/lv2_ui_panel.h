// The effect's editor panel drawn off-screen by the plug-in class (its
// headless editor, images from the built component bundle) and the same
// panel read back from an X window, for comparing the LV2 UI on screen with
// the plug-in's own drawing. Pixels are 0x00RRGGBB, row after row.
#ifndef CINDERPATH_TESTS_LV2_UI_PANEL_H
#define CINDERPATH_TESTS_LV2_UI_PANEL_H

#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Cinderpath.h"
#include "IGraphics.h"
#include "lice.h"

// After the framework's headers: Xlib's macros (Bool, None) would rewrite them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace lv2_ui_panel
{
constexpr int kW = 780, kH = 200;  // the editor, pixels

using Pixels = std::vector<uint32_t>;

struct Setting
{
  int idx;       // parameter index (the port index on LV2)
  double value;  // plain value
};

// The plug-in with the clip light reachable.
class PanelPlug : public Cinderpath
{
public:
  using Cinderpath::Cinderpath;
  using Cinderpath::mClipControl;
};

// Registers the built component bundle (once) so that the headless editor
// finds its images by the bundle identifier; false when it is not there.
inline bool OpenComponentBundle()
{
  static CFBundleRef bundle = [] {
    const std::string dir = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component";
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault, (const UInt8*)dir.c_str(),
                                                           (CFIndex)dir.size(), true);
    CFBundleRef b = url ? CFBundleCreate(kCFAllocatorDefault, url) : nullptr;
    if (url) CFRelease(url);
    return b;
  }();
  return bundle != nullptr;
}

// The whole panel after the plug-in took `sets` as a host sets them, with the
// clip light at clip (0 or 1), running with nChannels inputs and outputs.
// Empty when the bundle or the editor is missing.
inline Pixels HeadlessPanel(const std::vector<Setting>& sets, int clip, int nChannels = 2)
{
  if (!OpenComponentBundle()) return {};
  IPlugInstanceInfo info;
  info.mBundleIdentifier.Set("com.marrowfield.audiounit.Cinderpath");
  info.mViewClassName.Set("Cinderpath_View");
  PanelPlug plug(info);
  IGraphics* gui = plug.GetGUI();
  if (!gui) return {};
  plug.OnChannelLayout(nChannels, nChannels);
  for (const Setting& s : sets)
  {
    plug.GetParam(s.idx)->Set(s.value);
    plug.OnParamChange(s.idx);
    gui->SetParameterFromPlug(s.idx, plug.GetParam(s.idx)->GetNormalized(), true);
  }
  gui->SetControlFromPlug(plug.mClipControl, (double)clip);
  IRECT all(0, 0, kW, kH);
  if (!gui->Draw(&all)) return {};
  LICE_IBitmap* bm = gui->GetDrawBitmap();
  Pixels out((size_t)kW * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
    {
      const LICE_pixel p = LICE_GetPixel(bm, x, y);
      out[(size_t)y * kW + x] = LICE_GETR(p) << 16 | LICE_GETG(p) << 8 | LICE_GETB(p);
    }
  return out;
}

// Reads columns x0 ... x0 + w - 1 (rows 0 ... kH - 1) of window win into the
// same columns of *out (kW x kH). The columns must be on the screen. False
// when the server refuses.
inline bool GrabColumns(Display* d, Window win, int x0, int w, Pixels* out)
{
  out->resize((size_t)kW * kH);
  XImage* img = XGetImage(d, win, x0, 0, (unsigned)w, kH, AllPlanes, ZPixmap);
  if (!img) return false;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < w; ++x)
    {
      const unsigned long p = XGetPixel(img, x, y);
      // 24-bit true colour: red, green, blue masks in the usual places.
      (*out)[(size_t)y * kW + x0 + x] = (uint32_t)(p & 0xFFFFFF);
    }
  XDestroyImage(img);
  return true;
}

// Number of differing pixels; the first one's position in *firstX, *firstY.
inline int CountDifferences(const Pixels& a, const Pixels& b, int* firstX, int* firstY)
{
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && n++ == 0)
    {
      *firstX = (int)(i % kW);
      *firstY = (int)(i / kW);
    }
  return n;
}
}  // namespace lv2_ui_panel

#endif
