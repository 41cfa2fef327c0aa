// The Carbon view component entry: open, create and close.

#include <gtest/gtest.h>

#include "au_test_plug.h"

extern "C" ComponentResult AuTestPlug_ViewEntry(ComponentParameters* params, void* storage);

namespace
{
Component ViewComponent()
{
  static const Component s_component = [] {
    ComponentDescription desc = AuTestPlugDescription();
    desc.componentType = kAudioUnitCarbonViewComponentType;
    return RegisterAuTestComponent(desc, AuTestPlug_ViewEntry);
  }();
  return s_component;
}

class CarbonViewTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mUnit = OpenAuTestUnit();
    ASSERT_NE(mUnit, nullptr);
    mView = OpenComponent(ViewComponent());
    ASSERT_NE(mView, nullptr);
    EXPECT_NE(GetComponentInstanceStorage(mView), nullptr);
  }
  void TearDown() override
  {
    EXPECT_EQ(CloseComponent(mView), noErr);
    EXPECT_EQ(CloseComponent(mUnit), noErr);
  }

  OSStatus Create(AudioUnit unit, ControlRef* pControl)
  {
    const Float32Point where = {0.0f, 0.0f};
    return AudioUnitCarbonViewCreate(mView, unit, nullptr, nullptr, &where, &where, pControl);
  }

  AudioUnit mUnit = nullptr;
  AudioUnitCarbonView mView = nullptr;
};
}  // namespace

TEST_F(CarbonViewTest, PlugInWithoutEditorIsRefused)
{
  ControlRef control = (ControlRef) this;
  EXPECT_EQ(Create(mUnit, &control), badComponentSelector);
  EXPECT_EQ(control, (ControlRef) this);
}

TEST_F(CarbonViewTest, EditorGivesSuccessAndNoControl)
{
  AuTestGraphics* pGraphics = AuTestPlugOf(mUnit)->AttachTestGraphics();
  ControlRef control = (ControlRef) this;
  EXPECT_EQ(Create(mUnit, &control), noErr);
  EXPECT_EQ(control, nullptr);
  EXPECT_EQ(Create(mUnit, nullptr), noErr);
  // Closing the Carbon view leaves the editor alone: it never opened a window.
  EXPECT_EQ(CloseComponent(mView), noErr);
  EXPECT_EQ(pGraphics->mCloseCalls, 0);
  mView = OpenComponent(ViewComponent());
  ASSERT_NE(mView, nullptr);
}

TEST_F(CarbonViewTest, UnitsThatAreNotPlugInsAreRefused)
{
  ControlRef control = nullptr;
  EXPECT_EQ(Create(nullptr, &control), badComponentSelector);
  // Another view instance: its storage is a view record, not a plug-in.
  AudioUnitCarbonView other = OpenComponent(ViewComponent());
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(Create(other, &control), badComponentSelector);
  EXPECT_EQ(CloseComponent(other), noErr);
}

TEST_F(CarbonViewTest, OtherSelectorsAreUnknown)
{
  EXPECT_EQ(CallComponentCanDo(mView, kAudioUnitCarbonViewCreateSelect), badComponentSelector);
  ComponentParameters params = {};
  params.what = kAudioUnitCarbonViewCreateSelect;
  params.params[0] = (long) mView;
  EXPECT_EQ(CallComponentDispatch(&params), kAudio_ParamError);  // no arguments given
}
