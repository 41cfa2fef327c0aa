// IPlugAU's own state: bus layout, scratch buffers, host identification,
// editor resize.

#include <gtest/gtest.h>

#include "MacOSCompat/MacOSCompat.h"
#include "au_test_plug.h"

namespace
{
// A binding with any channel layout, built directly.
class LayoutPlug : public IPlugAU
{
public:
  LayoutPlug(const IPlugInstanceInfo& info, const char* channelIO, bool isInst, int scChans)
    : IPlugAU(info, 1, channelIO, 1, "Layout", "", "Tester", 0x10000, 1, 2, 0, false, false, isInst, scChans)
  {
  }
  int NIn() const { return mInputBuses.GetSize(); }
  int NOut() const { return mOutputBuses.GetSize(); }
  const BusChannels& In(int i) const { return *mInputBuses.Get(i); }
  const BusChannels& Out(int i) const { return *mOutputBuses.Get(i); }
  const char* InLabel(int i) const { return mInputBusLabels.Get(i) ? mInputBusLabels.Get(i)->Get() : "(none)"; }
  const char* OutLabel(int i) const { return mOutputBusLabels.Get(i) ? mOutputBusLabels.Get(i)->Get() : "(none)"; }
  int NConnections() const { return mInputConnections.GetSize(); }
  int InScratch() const { return mInputScratch.GetSize(); }
  int OutScratch() const { return mOutputScratch.GetSize(); }
  int BlockSize() const { return mBlockSize; }
};

void ExpectBus(const IPlugAU::BusChannels& bus, int first, int channels)
{
  EXPECT_EQ(bus.firstPlugChannel, first);
  EXPECT_EQ(bus.plugChannels, channels);
  EXPECT_EQ(bus.hostChannels, -1);
  EXPECT_FALSE(bus.connected);
}
}  // namespace

TEST(BindingTest, EffectHasOneInputAndOneOutputBus)
{
  IPlugInstanceInfo info;
  LayoutPlug plug(info, "1-1 2-2", false, 0);
  ASSERT_EQ(plug.NIn(), 1);
  ASSERT_EQ(plug.NOut(), 1);
  ExpectBus(plug.In(0), 0, 2);
  ExpectBus(plug.Out(0), 0, 2);
  EXPECT_STREQ(plug.InLabel(0), "input");
  EXPECT_STREQ(plug.InLabel(1), "aux input");
  EXPECT_STREQ(plug.OutLabel(0), "output");
  EXPECT_EQ(plug.NConnections(), 1);
  EXPECT_EQ(plug.InScratch(), 2 * 1024);
  EXPECT_EQ(plug.OutScratch(), 2 * 1024);
  EXPECT_EQ(plug.BlockSize(), 1024);
}

TEST(BindingTest, SideChainAndInstrumentLayouts)
{
  IPlugInstanceInfo info;
  LayoutPlug sc(info, "4-2", false, 1);
  ASSERT_EQ(sc.NIn(), 2);
  ExpectBus(sc.In(0), 0, 3);
  ExpectBus(sc.In(1), 3, 1);
  EXPECT_STREQ(sc.InLabel(0), "main input");
  EXPECT_STREQ(sc.InLabel(1), "aux input");
  EXPECT_EQ(sc.NConnections(), 2);

  // A side-chain wider than the inputs cannot make a negative main bus.
  LayoutPlug wide(info, "2-2", false, 5);
  ASSERT_EQ(wide.NIn(), 2);
  ExpectBus(wide.In(0), 0, 0);
  ExpectBus(wide.In(1), 0, 2);

  LayoutPlug inst(info, "0-5", true, 0);
  EXPECT_EQ(inst.NIn(), 0);
  EXPECT_EQ(inst.NConnections(), 0);
  ASSERT_EQ(inst.NOut(), 3);
  ExpectBus(inst.Out(0), 0, 2);
  ExpectBus(inst.Out(1), 2, 2);
  ExpectBus(inst.Out(2), 4, 1);
  EXPECT_STREQ(inst.OutLabel(0), "output 1");
  EXPECT_STREQ(inst.OutLabel(2), "output 3");
  EXPECT_EQ(inst.InScratch(), 0);
  EXPECT_EQ(inst.OutScratch(), 5 * 1024);
}

TEST(BindingTest, SetBlockSizeSizesScratchOrRefuses)
{
  IPlugInstanceInfo info;
  LayoutPlug plug(info, "1-1 2-2", false, 0);
  EXPECT_TRUE(plug.SetBlockSize(512));
  EXPECT_EQ(plug.BlockSize(), 512);
  EXPECT_EQ(plug.InScratch(), 1024);
  EXPECT_EQ(plug.OutScratch(), 1024);
  for (int bad : {0, -1, (1 << 20) + 1, 0x7FFFFFFF})
  {
    EXPECT_FALSE(plug.SetBlockSize(bad)) << bad;
    EXPECT_EQ(plug.BlockSize(), 512);
    EXPECT_EQ(plug.InScratch(), 1024);
  }
  EXPECT_TRUE(plug.SetBlockSize(4096));
  EXPECT_EQ(plug.OutScratch(), 2 * 4096);
}

TEST(BindingTest, HostIsNamedByTheMainBundleIdentifier)
{
  IPlugInstanceInfo info;
  {
    LayoutPlug plug(info, "2-2", false, 0);
    EXPECT_EQ(plug.GetHost(), kHostUnknown);  // a plain process has no identifier
    EXPECT_EQ(plug.GetHost(), kHostUnknown);
  }
  CFStringRef id = CFStringCreateWithCString(nullptr, "org.example.Standalone", kCFStringEncodingUTF8);
  CompatSetMainBundleIdentifier(id);
  CFRelease(id);
  {
    LayoutPlug plug(info, "2-2", false, 0);
    EXPECT_EQ(plug.GetHost(), kHostStandalone);
    EXPECT_EQ(plug.GetHostVersion(false), 0);
    // Once known, the host stays what it was.
    CompatSetMainBundleIdentifier(nullptr);
    EXPECT_EQ(plug.GetHost(), kHostStandalone);
  }
  CompatSetMainBundleIdentifier(nullptr);
}

TEST(BindingTest, ResizeGraphicsOnlyWithAnEditorAndMidiOutIsRefused)
{
  IPlugInstanceInfo info;
  AuTestPlug plug(info);
  plug.ResizeGraphics(100, 50);
  EXPECT_EQ(plug.mWindowResizes, 0);
  plug.AttachTestGraphics();
  plug.ResizeGraphics(100, 50);
  EXPECT_EQ(plug.mWindowResizes, 1);
  IMidiMsg msg;
  EXPECT_FALSE(plug.SendMidiMsg(&msg));
  EXPECT_FALSE(plug.IsRenderingOffline());
}
