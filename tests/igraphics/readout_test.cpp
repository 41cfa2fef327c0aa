// The editor's readout text for a control: name, value with unit, and the
// plug-in's description wrapped into short lines.
#include <gtest/gtest.h>

#include <string>

#include "editor_test_plug.h"

using namespace editor_test;

namespace
{

class DescribedPlug : public EditorTestPlug
{
public:
  const char* GetParamDescription(int idx) override
  {
    switch (idx)
    {
    case kGain: return "Short";
    case kLevel:
      return "Output level after everything else, with make-up gain so that louder settings do not simply win";
    case kMode: return "Averyveryveryveryveryveryveryveryveryveryveryveryveryveryverylongword then more";
    default: return nullptr;
    }
  }
};

TEST(EditorReadout, NameValueUnitAndWrappedDescription)
{
  DescribedPlug plug;
  IGraphicsHeadless* gui = new IGraphicsHeadless(&plug, 100, 100);
  plug.AttachGraphics(gui);
  plug.GetParam(kLevel)->Set(-3.0);
  plug.GetParam(kMode)->Set(1);
  struct Case
  {
    int param;
    bool has;
    const char* want;
  } cases[] = {
      {kGain, true, "Gain: 0.300\nShort"},
      {kSwitch, true, "Switch: off"},  // no description: one line
      {kLevel, true,
       "Level: -3.0 dB\nOutput level after everything else, with make-up gain so that\nlouder settings do not "
       "simply win"},
      // An enumeration reads its text and no unit; a word longer than a
      // line is cut.
      {kMode, true, "Mode: Warm\nAveryveryveryveryveryveryveryveryveryveryveryveryveryveryverylon\ngword then more"},
      {-1, false, ""},   // a control without a parameter has no readout
      {99, false, ""},   // nor one whose index is outside the table
  };
  for (const Case& c : cases)
  {
    LoggingControl control(&plug, IRECT(0, 0, 10, 10), c.param, "c");
    WDL_String text;
    text.Set("stale");
    EXPECT_EQ(gui->GetReadoutText(&control, &text), c.has) << c.param;
    EXPECT_STREQ(text.Get(), c.want) << c.param;
  }
  WDL_String text;
  EXPECT_FALSE(gui->GetReadoutText(nullptr, &text));
  EXPECT_FALSE(gui->GetReadoutText(nullptr, nullptr));
}

} // namespace
