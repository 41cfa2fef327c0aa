// The editor under three threads: a host thread setting parameters (and the
// texts the plug-in shows for them), a render thread driving an indicator,
// and the UI thread drawing and dragging. Run under ThreadSanitizer by the
// tsan configuration; in every build it checks that no change is lost.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "IParam.h"
#include "editor_test_plug.h"

using namespace editor_test;

namespace
{
TEST(EditorThreads, HostRenderAndUIThreadsTogether)
{
  EditorTestPlug plug;
  TestEditor* gui = new TestEditor(&plug, 200, 60);
  gui->AttachPanelBackground(&COLOR_GRAY);
  IBitmap strip = gui->LoadIBitmap(9091, "knob", 91);
  IBitmap lamp = gui->LoadIBitmap(9002, "lamp", 2);
  IText style;
  gui->AttachControl(new IKnobMultiControl(&plug, 10, 10, kGain, &strip));
  const int lampIdx = gui->AttachControl(new IBitmapControl(&plug, 30, 10, -1, &lamp));
  gui->AttachControl(new ICaptionControl(&plug, IRECT(50, 10, 90, 30), kLevel, &style, true));
  ITextControl* text = new ITextControl(&plug, IRECT(100, 10, 140, 30), &style, "0.0 dB");
  gui->AttachControl(text);
  plug.AttachGraphics(gui);

  const int kRounds = 2000;
  std::atomic<bool> stop(false);
  std::thread host([&] {
    char display[32];
    for (int i = 0; i < kRounds; ++i)
    {
      // The host's parameter path: value, then editor, under the lock.
      WDL_MutexLock lock(plug.GetMutex());
      const double level = (double)(i % 240) * 0.1 - 12.0;
      plug.GetParam(kLevel)->Set(level);
      gui->SetParameterFromPlug(kLevel, level, false);
      std::snprintf(display, sizeof(display), "%.1f dB", level);
      text->SetTextFromPlug(display);
      gui->SetParameterFromPlug(kGain, (double)(i % 100) / 100.0, true);
    }
  });
  std::thread render([&] {
    for (int i = 0; !stop.load(); ++i) gui->SetControlFromPlug(lampIdx, (double)(i & 1));
  });

  IMouseMod left = LeftButton();
  for (int frame = 0; frame < 400; ++frame)
  {
    IRECT r;
    if (gui->IsDirty(&r)) gui->Draw(&r);
    gui->OnMouseDown(12, 12, &left);
    gui->OnMouseDrag(12, 11 + (frame & 1) * 2, &left);
    gui->OnMouseUp(12, 12, &left);
  }
  host.join();
  stop.store(true);
  render.join();

  // The last values stored are the ones still to be drawn or already drawn.
  gui->SetControlFromPlug(lampIdx, 1.0);
  gui->SetControlFromPlug(lampIdx, 0.0);
  EXPECT_TRUE(gui->GetControl(lampIdx)->IsDirty());
  char last[32];
  text->GetTextForPlug(last, (int)sizeof(last));
  EXPECT_STREQ(last, "-4.1 dB");  // (1999 % 240) * 0.1 - 12
}
}  // namespace
