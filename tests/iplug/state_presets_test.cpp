// Preset slots: creation, restore, rename, prune and the serialised list,
// including corrupt lists.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <random>
#include <string>

#include "state_test_plug.h"

namespace {

// Everything a preset operation may change, for before/after comparisons.
struct PresetView
{
  std::string name;
  bool initialized;
  std::vector<unsigned char> bytes;
  bool operator==(const PresetView& o) const
  {
    return name == o.name && initialized == o.initialized && bytes == o.bytes;
  }
};

struct PlugView
{
  std::vector<PresetView> presets;
  std::vector<double> values;
  int currentPreset;
  bool operator==(const PlugView& o) const
  {
    return presets == o.presets && values == o.values && currentPreset == o.currentPreset;
  }
};

std::ostream& operator<<(std::ostream& os, const PlugView& v)
{
  os << "current " << v.currentPreset << ", values";
  for (double d : v.values) os << " " << d;
  for (const PresetView& p : v.presets) os << "; [" << p.name << "] " << p.initialized << " " << p.bytes.size() << "B";
  return os;
}

// Reaches the slots the way the base does: only through its public operations
// plus the protected list, exposed by this accessor.
class ViewPlug : public StateTestPlug
{
public:
  using StateTestPlug::StateTestPlug;
  IPreset* Preset(int idx) { return mPresets.Get(idx); }
  PlugView View()
  {
    PlugView v;
    for (int i = 0; i < NPresets(); ++i)
    {
      IPreset* p = Preset(i);
      v.presets.push_back({p->mName, p->mInitialized, ChunkBytes(p->mChunk)});
    }
    v.values = Values();
    v.currentPreset = GetCurrentPresetIdx();
    return v;
  }
};

std::vector<unsigned char> DoubleBytes(double v)
{
  std::vector<unsigned char> b(sizeof v);
  memcpy(b.data(), &v, sizeof v);
  return b;
}

std::vector<unsigned char> operator+(std::vector<unsigned char> a, const std::vector<unsigned char>& b)
{
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<unsigned char> IntBytes(int v)
{
  std::vector<unsigned char> b(sizeof v);
  memcpy(b.data(), &v, sizeof v);
  return b;
}

std::vector<unsigned char> StrBytes(const std::string& s)
{
  return IntBytes((int)s.size()) + std::vector<unsigned char>(s.begin(), s.end());
}

// One parameter on 0 .. 1 and two slots: "-" holding 0.5, and one left empty.
void InitOneParamTwoSlots(ViewPlug* plug)
{
  plug->GetParam(0)->InitDouble("A", 0.5, 0.0, 1.0, 0.01);
  plug->MakeDefaultPreset("-", 1);
}

TEST(StatePresets, TwoSlotListIsTwentyFourBytes)
{
  ViewPlug plug(1, 2);
  InitOneParamTwoSlots(&plug);
  ByteChunk c;
  EXPECT_TRUE(plug.SerializePresets(&c));
  const std::vector<unsigned char> want = StrBytes("-") + std::vector<unsigned char>{1} + DoubleBytes(0.5) +
                                          StrBytes("empty") + std::vector<unsigned char>{0};
  ASSERT_EQ(want.size(), 24u);
  EXPECT_EQ(ChunkBytes(c), want);
  EXPECT_FALSE(plug.SerializePresets(nullptr));

  ViewPlug none(1, 0);
  ByteChunk empty;
  EXPECT_TRUE(none.SerializePresets(&empty));
  EXPECT_EQ(empty.Size(), 0);
}

TEST(StatePresets, ListRoundTripRebuildsSlotsFromTheLiveParameters)
{
  ViewPlug to(1, 3);
  to.GetParam(0)->InitDouble("A", 0.9, 0.0, 1.0, 0.01);
  ByteChunk c;
  const std::vector<unsigned char> list = StrBytes("one") + std::vector<unsigned char>{1} + DoubleBytes(0.25) +
                                          StrBytes("two") + std::vector<unsigned char>{1} + DoubleBytes(99.0) +
                                          StrBytes("three") + std::vector<unsigned char>{0};
  FillChunk(&c, list);
  to.SetCurrentPresetIdx(1);
  EXPECT_EQ(to.UnserializePresets(&c, 0), (int)list.size());
  const PlugView want = {{{"one", true, DoubleBytes(0.25)},
                          {"two", true, DoubleBytes(1.0)},  // clamped on load, then stored
                          {"three", false, {}}},
                         {1.0},
                         1};
  EXPECT_EQ(to.View(), want);
  EXPECT_EQ(to.mPresetsChanged, 1);  // the final restore of the current slot

  // What was read is what is written again, apart from the clamped value.
  ByteChunk again;
  EXPECT_TRUE(to.SerializePresets(&again));
  EXPECT_EQ(again.Size(), c.Size());
}

TEST(StatePresets, ConstructorStylePresetsAndPruning)
{
  ViewPlug plug(2, 16);
  plug.GetParam(0)->InitDouble("A", 0.5, 0.0, 1.0, 0.01);
  plug.GetParam(1)->InitInt("B", 3, 0, 10);
  plug.MakeDefaultPreset("-", 16);
  for (int i = 0; i < 16; ++i)
  {
    EXPECT_STREQ(plug.GetPresetName(i), "-");
    EXPECT_EQ(plug.Preset(i)->mChunk.Size(), 16);
  }
  plug.PruneUninitializedPresets();
  EXPECT_EQ(plug.NPresets(), 16);
  const PlugView full = plug.View();
  plug.MakePreset("late", 0.1, 1);  // no free slot: nothing happens
  plug.EnsureDefaultPreset();
  EXPECT_EQ(plug.View(), full);

  ViewPlug few(1, 5);
  few.GetParam(0)->InitDouble("A", 0.5, 0.0, 1.0, 0.01);
  few.MakeDefaultPreset(nullptr, 1);
  few.RestorePreset(3);  // captures the live state as "user preset 1"
  few.PruneUninitializedPresets();
  ASSERT_EQ(few.NPresets(), 2);
  EXPECT_STREQ(few.GetPresetName(0), "Empty");
  EXPECT_STREQ(few.GetPresetName(1), "user preset 1");
  EXPECT_STREQ(few.GetPresetName(2), "");
  EXPECT_STREQ(few.GetPresetName(-1), "");

  ViewPlug ensure(1, 3);
  ensure.GetParam(0)->InitDouble("A", 0.5, 0.0, 1.0, 0.01);
  ensure.MakeDefaultPreset("first", 1);
  ensure.EnsureDefaultPreset();
  EXPECT_STREQ(ensure.GetPresetName(0), "first");
  EXPECT_STREQ(ensure.GetPresetName(1), "Empty");
  EXPECT_STREQ(ensure.GetPresetName(2), "Empty");
  EXPECT_TRUE(ensure.Preset(2)->mInitialized);
}

// A bool, an int, an enum and a double parameter.
void InitMixedParams(ViewPlug* plug)
{
  plug->GetParam(0)->InitBool("On", false);
  plug->GetParam(1)->InitInt("Count", 2, 0, 10);
  plug->GetParam(2)->InitEnum("Mode", 0, 3);
  plug->GetParam(3)->InitDouble("Level", 0.5, 0.0, 1.0, 0.01);
}

std::vector<unsigned char> Doubles(std::initializer_list<double> values)
{
  std::vector<unsigned char> b;
  for (double v : values) b = b + DoubleBytes(v);
  return b;
}

TEST(StatePresets, MakePresetReadsIntsAndDoublesByParameterType)
{
  ViewPlug plug(4, 3);
  InitMixedParams(&plug);
  plug.MakePreset("p", 1, 3, 2, 0.75);
  plug.MakePreset("unclamped", 5, 99, -1, 7.5);
  EXPECT_STREQ(plug.GetPresetName(0), "p");
  EXPECT_TRUE(plug.Preset(0)->mInitialized);
  EXPECT_EQ(ChunkBytes(plug.Preset(0)->mChunk), Doubles({1, 3, 2, 0.75}));
  EXPECT_EQ(ChunkBytes(plug.Preset(1)->mChunk), Doubles({5, 99, -1, 7.5}));
  EXPECT_FALSE(plug.Preset(2)->mInitialized);
  EXPECT_EQ(plug.Values(), (std::vector<double>{0, 2, 0, 0.5}));  // live values untouched
}

TEST(StatePresets, MakePresetFromNamedParamsFillsTheRestFromCurrentValues)
{
  ViewPlug plug(4, 4);
  const double current[] = {0.1, 0.2, 0.3, 0.4};
  for (int i = 0; i < 4; ++i) plug.GetParam(i)->InitDouble("P", current[i], 0.0, 1.0, 0.01);
  plug.MakePresetFromNamedParams("x", 1, 2, 0.5);
  EXPECT_EQ(ChunkBytes(plug.Preset(0)->mChunk), Doubles({0.1, 0.2, 0.5, 0.4}));

  // A supplied value equal to the marker counts as not given.
  plug.MakePresetFromNamedParams("marker", 2, 0, 9.999e-08, 3, 0.75);
  EXPECT_EQ(ChunkBytes(plug.Preset(1)->mChunk), Doubles({0.1, 0.2, 0.3, 0.75}));

  // An index outside the table ends the list instead of writing outside it.
  plug.MakePresetFromNamedParams("bad", 3, 1, 0.9, 4, 0.9, 0, 0.9);
  EXPECT_TRUE(plug.Preset(2)->mInitialized);
  EXPECT_EQ(ChunkBytes(plug.Preset(2)->mChunk), Doubles({0.1, 0.9, 0.3, 0.4}));

  ViewPlug mixed(4, 1);
  InitMixedParams(&mixed);
  mixed.MakePresetFromNamedParams("m", 2, 1, 7, 0, true);
  EXPECT_EQ(ChunkBytes(mixed.Preset(0)->mChunk), Doubles({1, 7, 0, 0.5}));
}

TEST(StatePresets, MakePresetFromBlobAndChunk)
{
  ViewPlug plug(1, 6);
  plug.GetParam(0)->InitDouble("A", 0.5, 0.0, 1.0, 0.01);
  plug.MakePresetFromBlob("exact", "AQID", 3);
  plug.MakePresetFromBlob("padded", "AQIDBA==", 6);  // zero-filled past the data
  plug.MakePresetFromBlob("cut", "AQIDBA==", 2);     // bytes past the size dropped
  plug.MakePresetFromBlob("negative", "AQID", -1);   // refused: no slot used
  plug.MakePresetFromBlob("null", nullptr, 2);
  ByteChunk c;
  c.PutBytes("\x09\x08", 2);
  plug.MakePresetFromChunk("chunk", &c);
  const PlugView want = {{{"exact", true, {1, 2, 3}},
                          {"padded", true, {1, 2, 3, 4, 0, 0}},
                          {"cut", true, {1, 2}},
                          {"null", true, {0, 0}},
                          {"chunk", true, {9, 8}},
                          {"empty", false, {}}},
                         {0.5},
                         0};
  EXPECT_EQ(plug.View(), want);

  // Names are cut to 255 characters.
  const std::string longName(300, 'n');
  plug.MakePresetFromChunk(longName.c_str(), &c);
  EXPECT_EQ(std::string(plug.GetPresetName(5)), longName.substr(0, 255));
}

TEST(StatePresets, RestorePresetByIndexAndName)
{
  ViewPlug plug(1, 5);
  plug.GetParam(0)->InitDouble("A", 0.5, 0.0, 1.0, 0.01);
  plug.MakePreset("low", 0.1);
  plug.MakePreset("high", 0.9);

  EXPECT_TRUE(plug.RestorePreset(1));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);
  EXPECT_EQ(plug.Values(), std::vector<double>{0.9});
  EXPECT_EQ(plug.mPresetsChanged, 1);
  EXPECT_EQ(plug.mChanged, std::vector<int>{0});
  EXPECT_EQ(plug.mChangedUnderLock, std::vector<bool>{true});

  // Empty slots capture the current settings under numbered names.
  plug.GetParam(0)->Set(0.3);
  EXPECT_TRUE(plug.RestorePreset(3));
  EXPECT_STREQ(plug.GetPresetName(3), "user preset 1");
  EXPECT_EQ(ChunkBytes(plug.Preset(3)->mChunk), DoubleBytes(0.3));
  EXPECT_TRUE(plug.RestorePreset(2));
  EXPECT_STREQ(plug.GetPresetName(2), "user preset 2");
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);

  EXPECT_TRUE(plug.RestorePreset("low"));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  EXPECT_EQ(plug.Values(), std::vector<double>{0.1});

  const PlugView before = plug.View();
  const int notified = plug.mPresetsChanged;
  EXPECT_FALSE(plug.RestorePreset(5));
  EXPECT_FALSE(plug.RestorePreset(-1));
  EXPECT_FALSE(plug.RestorePreset(INT_MAX));
  EXPECT_FALSE(plug.RestorePreset(""));
  EXPECT_FALSE(plug.RestorePreset((const char*)nullptr));
  EXPECT_FALSE(plug.RestorePreset("LOW"));
  EXPECT_EQ(plug.View(), before);
  EXPECT_EQ(plug.mPresetsChanged, notified);

  // A slot whose stored state is short does not become current and changes
  // no parameter.
  plug.Preset(1)->mChunk.Resize(4);
  const PlugView shortSlot = plug.View();
  EXPECT_FALSE(plug.RestorePreset(1));
  EXPECT_EQ(plug.View(), shortSlot);
}

TEST(StatePresets, SlotEmptiedByAListDropsItsStateAndCapturesAfresh)
{
  ViewPlug plug(1, 2);
  InitOneParamTwoSlots(&plug);
  plug.MakeDefaultPreset("full", 1);
  ByteChunk c;
  FillChunk(&c, StrBytes("-") + std::vector<unsigned char>{1} + DoubleBytes(0.5) + StrBytes("gone") +
                    std::vector<unsigned char>{0});
  ASSERT_EQ(plug.UnserializePresets(&c, 0), c.Size());
  EXPECT_EQ(plug.View().presets[1], (PresetView{"gone", false, {}}));

  // Selecting the emptied slot captures one state, not the old one plus another.
  plug.GetParam(0)->Set(0.75);
  ASSERT_TRUE(plug.RestorePreset(1));
  EXPECT_EQ(plug.View().presets[1], (PresetView{"user preset 1", true, DoubleBytes(0.75)}));
}

TEST(StatePresets, ModifyCurrentPresetStoresTheLiveState)
{
  ViewPlug plug(1, 2);
  InitOneParamTwoSlots(&plug);
  plug.GetParam(0)->Set(0.75);
  plug.ModifyCurrentPreset(nullptr);
  EXPECT_STREQ(plug.GetPresetName(0), "-");
  EXPECT_EQ(ChunkBytes(plug.Preset(0)->mChunk), DoubleBytes(0.75));
  plug.ModifyCurrentPreset("");
  EXPECT_STREQ(plug.GetPresetName(0), "-");
  plug.ModifyCurrentPreset("renamed");
  EXPECT_STREQ(plug.GetPresetName(0), "renamed");

  plug.SetCurrentPresetIdx(7);  // names no slot
  const PlugView before = plug.View();
  plug.ModifyCurrentPreset("x");
  EXPECT_EQ(plug.View(), before);
}

// A stored preset list for a target with one parameter on 0 .. 1 and two
// initialised slots "a" (0.5) and "b" (0.5), current slot 0.
class StateCorruptPresetList : public ::testing::Test
{
protected:
  void SetUp() override { Reset(); }
  // A fresh target for the next case.
  void Reset()
  {
    owned.reset(new ViewPlug(1, 2));
    owned->GetParam(0)->InitDouble("A", 0.5, 0.0, 1.0, 0.01);
    owned->MakeDefaultPreset("a", 1);
    owned->MakeDefaultPreset("b", 1);
    before = owned->View();
  }
  int Load(const std::vector<unsigned char>& bytes, int startPos = 0)
  {
    FillChunk(&chunk, bytes);
    return owned->UnserializePresets(&chunk, startPos);
  }
  std::unique_ptr<ViewPlug> owned;
  ViewPlug& plug() { return *owned; }
  ByteChunk chunk;
  PlugView before;
};

TEST_F(StateCorruptPresetList, EachBadListFailsAndLeavesWhatItCouldNotRead)
{
  using Bytes = std::vector<unsigned char>;
  struct Case
  {
    const char* what;
    Bytes bytes;
    int startPos;
  };
  const Case unchanged[] = {
      {"empty", {}, 0},
      {"length cut short", {1, 0}, 0},
      {"negative length", IntBytes(-1) + Bytes{'x'}, 0},
      {"most negative length", IntBytes(INT_MIN) + Bytes{'x'}, 0},
      {"length INT_MAX", IntBytes(INT_MAX) + Bytes{'x'}, 0},
      {"length reaching INT_MAX", IntBytes(INT_MAX - 4) + Bytes{'x'}, 0},
      {"length past the end", IntBytes(10) + Bytes{'x'}, 0},
      {"failure position", StrBytes("n") + Bytes{0}, -1},
      {"most negative position", StrBytes("n") + Bytes{0}, INT_MIN},
      {"position past the end", StrBytes("n") + Bytes{0}, 6},
  };
  for (const Case& k : unchanged)
  {
    Reset();
    EXPECT_EQ(Load(k.bytes, k.startPos), -1) << k.what;
    EXPECT_EQ(plug().View(), before) << k.what;
    EXPECT_EQ(ChunkBytes(chunk), k.bytes) << k.what;
  }

  // A slot takes its name and flag only with its state read whole: a missing
  // flag byte or a state cut short leaves the slot and the live value as they
  // were, whichever slot is current.
  for (int current : {0, 1})
  {
    for (const Bytes& cut : {StrBytes("new"), StrBytes("new") + Bytes{1} + Bytes{0, 0, 0, 0},
                             StrBytes("a") + Bytes{1} + DoubleBytes(0.25) + StrBytes("new") + Bytes{1, 0}})
    {
      Reset();
      plug().SetCurrentPresetIdx(current);
      plug().GetParam(0)->Set(0.125);  // live value differs from both slots
      if (current == 1) plug().Preset(1)->mInitialized = false;
      PlugView want = plug().View();
      const bool firstWhole = cut.size() > 20;
      if (firstWhole) want.presets[0].bytes = DoubleBytes(0.25);
      // The final restore loads slot 0, or captures the live value into the
      // emptied slot 1.
      want.values = {firstWhole ? 0.25 : current == 0 ? 0.5 : 0.125};
      if (current == 1) want.presets[1] = {"user preset 1", true, DoubleBytes(want.values[0])};
      EXPECT_EQ(Load(cut), -1);
      EXPECT_EQ(plug().View(), want) << "current " << current << ", " << cut.size() << " bytes";
    }
  }

  // The second slot's name is cut short: the first slot is loaded.
  Reset();
  EXPECT_EQ(Load(StrBytes("new") + Bytes{1} + DoubleBytes(0.25) + IntBytes(3) + Bytes{'b'}), -1);
  PlugView want = before;
  want.presets[0] = {"new", true, DoubleBytes(0.25)};
  want.values = {0.25};
  EXPECT_EQ(plug().View(), want);
}

TEST_F(StateCorruptPresetList, ZeroLengthNameIsStoredAsAnEmptyName)
{
  using Bytes = std::vector<unsigned char>;
  const Bytes list = StrBytes("first") + Bytes{1} + DoubleBytes(0.25) + StrBytes("") + Bytes{1} + DoubleBytes(0.75);
  EXPECT_EQ(Load(list), (int)list.size());
  EXPECT_STREQ(plug().GetPresetName(0), "first");
  EXPECT_STREQ(plug().GetPresetName(1), "");  // not "first" again
  EXPECT_EQ(plug().Values(), std::vector<double>{0.25});

  // An empty name survives a save and load.
  ByteChunk saved;
  ASSERT_TRUE(plug().SerializePresets(&saved));
  EXPECT_EQ(ChunkBytes(saved), list);
}

TEST_F(StateCorruptPresetList, LongStoredNamesAreCutAndReadingGoesOn)
{
  using Bytes = std::vector<unsigned char>;
  const std::string longName(1000, 'L');
  const Bytes list = StrBytes(longName) + Bytes{1} + DoubleBytes(0.25) + StrBytes("short") + Bytes{0};
  EXPECT_EQ(Load(list), (int)list.size());
  EXPECT_EQ(std::string(plug().GetPresetName(0)), longName.substr(0, 255));
  EXPECT_STREQ(plug().GetPresetName(1), "short");
  EXPECT_FALSE(plug().Preset(1)->mInitialized);  // the stored flag replaces the old one
  EXPECT_EQ(plug().Values(), std::vector<double>{0.25});
}

TEST_F(StateCorruptPresetList, RandomBytesNeverReadOutside)
{
  std::mt19937 rng(12345);
  ByteChunk valid;
  ASSERT_TRUE(plug().SerializePresets(&valid));
  const std::vector<unsigned char> good = ChunkBytes(valid);
  for (int iter = 0; iter < 3000; ++iter)
  {
    std::vector<unsigned char> bytes;
    if (iter % 2)
    {
      // A valid list with a few bytes changed and possibly cut.
      bytes = good;
      for (int k = 0; k < 1 + (int)(rng() % 3); ++k) bytes[rng() % bytes.size()] = (unsigned char)rng();
      bytes.resize(rng() % (bytes.size() + 1));
    }
    else
    {
      bytes.resize(rng() % 64);
      for (unsigned char& b : bytes) b = (unsigned char)rng();
    }
    const int pos = Load(bytes, iter % 7 ? 0 : (int)(rng() % 8));
    EXPECT_TRUE(pos == -1 || (pos >= 0 && pos <= (int)bytes.size())) << iter;
    ASSERT_EQ(plug().NPresets(), 2);
    for (int i = 0; i < 2; ++i) EXPECT_LE(strlen(plug().GetPresetName(i)), 255u);
    const double v = plug().GetParam(0)->Value();
    EXPECT_TRUE(v >= 0.0 && v <= 1.0) << iter;
  }
}

}  // namespace
