// The effect's editor updates: captions and value texts follow parameter
// changes, the clip indicator follows the output, Reset turns it off, and
// none of it allocates on the render thread, with parameter changes
// arriving between sub-blocks of a render call.
#include <gtest/gtest.h>

#include <future>

#include "IControl.h"
#include "IGraphicsHeadless.h"
#include "IParam.h"
#include "alloc_counter.h"
#include "effect_test_util.h"

using namespace effect_test;

namespace
{
// The plug-in with a minimal editor holding the controls it updates.
class EditorPlug : public TestPlug
{
public:
  EditorPlug()
  {
    IGraphicsHeadless* gui = new IGraphicsHeadless(this, 200, 100);
    IText style(14);
    mClipBitmap = IBitmap(nullptr, 10, 20, 2);
    mClipControl = gui->AttachControl(new IBitmapControl(this, 0, 0, -1, &mClipBitmap));
    mCutoffCaption = gui->AttachControl(new ICaptionControl(this, IRECT(0, 20, 40, 40), kCutoff, &style, false));
    mFactorCaption = gui->AttachControl(new ICaptionControl(this, IRECT(0, 40, 40, 60), kOS, &style, true));
    ITextControl** texts[] = {&mDriveText, &mVolumeText, &mPeakGainText, &mShelfGainText};
    for (int i = 0; i < 4; ++i)
    {
      *texts[i] = new ITextControl(this, IRECT(50, 20 * i, 90, 20 * i + 20), &style, GetValueText(i));
      gui->AttachControl(*texts[i]);
    }
    AttachGraphics(gui);
  }
  using Cinderpath::mClipControl;
  using Cinderpath::mCutoffCaption;
  using Cinderpath::mDriveText;
  using Cinderpath::mFactorCaption;
  using Cinderpath::mPeakGainText;
  using Cinderpath::mVolumeText;
  IControl* Control(double idx) { return GetGUI()->GetControl((int)idx); }
  std::string Text(ITextControl* c)
  {
    char buf[64];
    c->GetTextForPlug(buf, (int)sizeof(buf));
    return buf;
  }
  IBitmap mClipBitmap;
};

TEST(EffectEditor, CaptionsTextsAndClipIndicator)
{
  EditorPlug p;
  // Captions hold their parameter's normalised value, as the knobs do.
  IControl* cutoff = p.Control(p.mCutoffCaption);
  IControl* factor = p.Control(p.mFactorCaption);
  cutoff->SetClean();
  factor->SetClean();
  p.SetParam(kCutoff, 10.0);
  p.SetParam(kOS, 8);
  EXPECT_TRUE(cutoff->IsDirty());
  EXPECT_TRUE(factor->IsDirty());
  EXPECT_EQ(cutoff->GetValue(), p.GetParam(kCutoff)->GetNormalized());
  EXPECT_EQ(factor->GetValue(), p.GetParam(kOS)->GetNormalized());
  p.SetParam(kDrive, 3.0);
  p.SetParam(kBoost, 12);
  EXPECT_EQ(p.Text(p.mDriveText), p.GetValueText(0));  // Drive plus Boost
  EXPECT_EQ(p.Text(p.mDriveText).substr(0, 5), "15.00");
  p.SetParam(kVolume, -6.0);
  EXPECT_EQ(p.Text(p.mVolumeText), p.GetValueText(1));

  IControl* clip = p.Control(p.mClipControl);
  Stereo loud(64), quiet(64);
  for (int i = 0; i < 64; ++i) loud.l[i] = loud.r[i] = (i & 4) ? 4.0 : -4.0;
  p.SetParam(kVolume, 18.0);
  Stereo out(64);
  Process(p, quiet, out, 0, 64);
  EXPECT_EQ(clip->GetValue(), 0.0);
  while (clip->IsDirty()) clip->SetClean();
  Process(p, loud, out, 0, 64);
  ASSERT_EQ(p.GetClip(), 1);
  EXPECT_EQ(clip->GetValue(), 1.0);
  EXPECT_TRUE(clip->IsDirty());
  p.Reset();
  EXPECT_EQ(clip->GetValue(), 0.0);
}

TEST(EffectEditor, RenderThreadUpdatesDoNotAllocate)
{
  EditorPlug p;
  Stereo loud = TestSignal(512, 41, 3.0);
  Stereo out(512);
  Process(p, loud, out, 0, 64);  // first texts and values in place
  auto allocations = std::async(std::launch::async, [&] {
    ArmAllocationCounter();
    for (int k = 0; k < 8; ++k)
    {
      // Parameter events rendered in-block: a change between sub-blocks.
      p.SetParam(kDrive, -12.0 + 3.0 * k);
      p.SetParam(kVolume, -18.0 + 4.0 * k);
      p.SetParam(kPeakGain, 1.5 * k);
      p.SetParam(kCutoff, 1.0 + 2.0 * k);
      Process(p, loud, out, 64 * k, 64);
    }
    return DisarmAllocationCounter();
  });
  EXPECT_EQ(allocations.get(), 0);
  EXPECT_EQ(p.Text(p.mPeakGainText), p.GetValueText(2));
}
}  // namespace
