// A small plug-in and helpers for the editor tests: four parameters, a log
// of what the editor tells the plug-in, and film strips drawn on the fly.
#ifndef TESTS_IGRAPHICS_EDITOR_TEST_PLUG_H_
#define TESTS_IGRAPHICS_EDITOR_TEST_PLUG_H_

#include <string>
#include <vector>

#include "IControl.h"
#include "IGraphicsHeadless.h"
#include "IPlugBase.h"
#include "lice.h"

namespace editor_test
{
enum
{
  kGain = 0,  // double 0 ... 1
  kSwitch,    // bool
  kMode,      // enum of three texts "Soft", "Warm", "Hot"
  kLevel,     // double -12 ... 12 dB
  kNumParams
};

class EditorTestPlug : public IPlugBase
{
public:
  EditorTestPlug()
      : IPlugBase(kNumParams, "1-1 2-2", 1, "EditorTest", "", "Tests", 0x00010000, 0x45646974, 0x54657374, 0,
                  false, false, false, kAPIAU)
  {
    GetParam(kGain)->InitDouble("Gain", 0.3, 0.0, 1.0, 0.001, "");
    GetParam(kSwitch)->InitBool("Switch", false);
    GetParam(kMode)->InitEnum("Mode", 0, 3);
    GetParam(kMode)->SetDisplayText(0, "Soft");
    GetParam(kMode)->SetDisplayText(1, "Warm");
    GetParam(kMode)->SetDisplayText(2, "Hot");
    GetParam(kLevel)->InitDouble("Level", 0.0, -12.0, 12.0, 0.1, "dB");
  }

  void BeginInformHostOfParamChange(int idx) override { mLog.push_back("begin " + std::to_string(idx)); }
  void EndInformHostOfParamChange(int idx) override { mLog.push_back("end " + std::to_string(idx)); }
  void InformHostOfParamChange(int idx, double normalized) override
  {
    mLastInformed = normalized;
    mLog.push_back("set " + std::to_string(idx));
  }

  std::vector<std::string> mLog;
  double mLastInformed = -1.0;
};

// A control that logs its events into the plug-in's log.
class LoggingControl : public IControl
{
public:
  LoggingControl(EditorTestPlug* plug, IRECT r, int paramIdx, const char* name)
      : IControl(plug, r, paramIdx), mLogPlug(plug), mName(name)
  {
  }
  void OnMouseDown(int, int, IMouseMod*) override { Log("down"); }
  void OnMouseUp(int, int, IMouseMod*) override { Log("up"); }
  void OnMouseDrag(int, int, int dX, int dY, IMouseMod*) override
  {
    Log("drag " + std::to_string(dX) + "," + std::to_string(dY));
  }
  void OnMouseDblClick(int, int, IMouseMod*) override { Log("dbl"); }
  void OnMouseWheel(int, int, IMouseMod*, int) override { Log("wheel"); }
  void OnMouseOver(int, int, IMouseMod*) override { Log("over"); }
  void OnMouseOut() override { Log("out"); }
  bool OnKeyDown(int, int, int key) override
  {
    Log("key " + std::to_string(key));
    return true;
  }
  bool Draw(IGraphics*) override
  {
    ++mDraws;
    return true;
  }
  void Log(const std::string& what) { mLogPlug->mLog.push_back(mName + " " + what); }

  EditorTestPlug* mLogPlug;
  std::string mName;
  int mDraws = 0;
};

// A vertical film strip of n frames of w x h pixels; frame k (1-based) is
// filled with the opaque grey level k and carries a white bar whose height
// grows with k, so that frames can be told apart by their pixels.
inline LICE_MemBitmap* MakeStrip(int w, int h, int n)
{
  LICE_MemBitmap* bm = new LICE_MemBitmap(w, h * n, 4);
  for (int k = 1; k <= n; ++k)
  {
    const int top = (k - 1) * h;
    LICE_FillRect(bm, 0, top, w, h, LICE_RGBA(k, k, k, 255), 1.0f, LICE_MODE_COPY);
    const int bar = (h - 2) * (k - 1) / (n > 1 ? n - 1 : 1);
    LICE_FillRect(bm, 1, top + h - 1 - bar, 3, bar, LICE_RGBA(255, 255, 255, 255), 1.0f, LICE_MODE_COPY);
  }
  return bm;
}

// An editor for plug with images answered from memory by ID (nothing for
// unknown IDs).
class TestEditor : public IGraphicsHeadless
{
public:
  TestEditor(IPlugBase* plug, int w, int h) : IGraphicsHeadless(plug, w, h) {}
  LICE_IBitmap* OSLoadBitmap(int ID, const char* name) override
  {
    ++mLoads;
    if (ID >= 9000 && ID < 9100) return MakeStrip(8, 10, ID - 9000);  // n-frame strips
    return IGraphicsHeadless::OSLoadBitmap(ID, name);
  }
  // The area bitmap draws are clipped to, as a repaint would set it.
  void SetDrawArea(IRECT r) { mDrawRECT = r; }
  int mLoads = 0;
};

inline IMouseMod LeftButton() { return IMouseMod(true); }
}  // namespace editor_test

#endif
