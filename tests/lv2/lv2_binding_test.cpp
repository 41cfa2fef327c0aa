// The LV2 binding on a small test plug-in: port layout and symbols, run()
// (parameter changes, free-wheeling, latency, audio through the processing
// frame in pieces), the state extension with good and bad data, and the
// descriptor callbacks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <lv2/atom/atom.h>

#include "IPlugLV2.h"
#include "lv2_urid_map.h"

namespace
{
enum
{
  kGain = 0,  // double -24 ... 24 dB, default 0
  kSteps,     // int 1 ... 16, default 4, label "x"
  kMute,      // bool
  kMode,      // enum of three named modes
  kHPFreq,    // "HP Freq"
  kHPFreq2,   // "HP_Freq": the same symbol core as "HP Freq"
  kLatencyParam,  // named like a fixed port
  kThird,     // name starting with a digit
  kNumTestParams
};

// A plug-in with a gain stage whose process call records what it sees.
class TestPlug : public IPlugLV2
{
public:
  TestPlug()
      : IPlugLV2(IPlugInstanceInfo(), kNumTestParams, "1-1 2-2", 2, "Test", "", "Maker", 0x10203, 0x54737431, 0x4d6b7231,
                 7, false, false, false, 0)
  {
    GetParam(kGain)->InitDouble("Gain", 0.0, -24.0, 24.0, 0.01, "dB");
    GetParam(kSteps)->InitInt("Steps", 4, 1, 16, "x");
    GetParam(kMute)->InitBool("Mute", false);
    GetParam(kMode)->InitEnum("Mode", 1, 3);
    GetParam(kMode)->SetDisplayText(0, "soft");
    GetParam(kMode)->SetDisplayText(1, "warm");
    GetParam(kMode)->SetDisplayText(2, "hot");
    GetParam(kHPFreq)->InitDouble("HP Freq", 16.0, 1.0, 1000.0, 1.0, "Hz");
    GetParam(kHPFreq2)->InitDouble("HP_Freq", 5.0, 1.0, 256.0, 0.01, "Hz");
    GetParam(kLatencyParam)->InitDouble("Latency", 0.0, 0.0, 1.0, 0.01, "");
    GetParam(kThird)->InitDouble("3rd Band", 0.0, 0.0, 1.0, 0.01, "");
  }

  void OnParamChange(int idx) override
  {
    WDL_MutexLock lock(&mMutex);
    changes.push_back(idx);
    gain = std::pow(10.0, GetParam(kGain)->Value() / 20.0);
  }

  void Reset() override
  {
    WDL_MutexLock lock(&mMutex);
    ++resets;
  }

  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override
  {
    ++blocks;
    maxBlock = std::max(maxBlock, nFrames);
    offlineSeen = IsRenderingOffline();
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < nFrames; ++i) outputs[c][i] = inputs[c][i] * gain + (c == 1 ? 0.5 : 0.0);
  }

  // Takes the mutex on the calling thread (for the contention test).
  WDL_Mutex& Mutex() { return mMutex; }

  std::vector<int> changes;
  double gain = 1.0;
  int resets = 0;
  int blocks = 0;
  int maxBlock = 0;
  bool offlineSeen = false;
};

using UridMap = Lv2UridMap;

const char kStateKey[] = "https://cinderpath.example/test#state";

// One stored property, as a host's state store keeps it.
struct Stored
{
  LV2_URID key = 0;
  std::vector<unsigned char> bytes;
  LV2_URID type = 0;
  uint32_t flags = 0;
  bool present = false;
};

LV2_State_Status StoreInto(LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type,
                           uint32_t flags)
{
  Stored* s = static_cast<Stored*>(h);
  s->key = key;
  s->bytes.assign(static_cast<const unsigned char*>(value), static_cast<const unsigned char*>(value) + size);
  s->type = type;
  s->flags = flags;
  s->present = true;
  return LV2_STATE_SUCCESS;
}

const void* RetrieveFrom(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
{
  Stored* s = static_cast<Stored*>(h);
  if (!s->present || key != s->key) return nullptr;
  *size = s->bytes.size();
  *type = s->type;
  *flags = s->flags;
  return s->bytes.data();
}

// A plug-in instantiated for nIn/nOut with every port connected to a local
// buffer, ports holding the parameters' defaults.
struct Rig
{
  explicit Rig(int nIn = 2, int nOut = 2, bool withMap = true)
  {
    ok = plug.LV2Instantiate(nIn, nOut, 48000.0, withMap ? urid.features : nullptr, kStateKey);
    controls.resize(kNumTestParams);
    for (int i = 0; i < kNumTestParams; ++i)
    {
      controls[i] = (float)plug.GetParam(i)->GetDefault();
      plug.LV2ConnectPort((uint32_t)i, &controls[i]);
    }
    plug.LV2ConnectPort(plug.LatencyPortIndex(), &latency);
    plug.LV2ConnectPort(plug.FreeWheelPortIndex(), &freewheel);
    audio.assign((size_t)(nIn + nOut), std::vector<float>(kFrames, 0.0f));
    for (int i = 0; i < nIn + nOut; ++i) plug.LV2ConnectPort(plug.FirstAudioPortIndex() + (uint32_t)i, audio[i].data());
    plug.LV2Activate();
    plug.changes.clear();
  }

  static constexpr int kFrames = 3000;
  UridMap urid;
  TestPlug plug;
  bool ok = false;
  std::vector<float> controls;
  float latency = -1.0f;
  float freewheel = 0.0f;
  std::vector<std::vector<float>> audio;
};

TEST(LV2Ports, LayoutPutsParametersFirstThenFixedThenAudio)
{
  TestPlug plug;
  EXPECT_EQ(plug.LatencyPortIndex(), (uint32_t)kNumTestParams);
  EXPECT_EQ(plug.FreeWheelPortIndex(), (uint32_t)kNumTestParams + 1);
  EXPECT_EQ(plug.FirstAudioPortIndex(), (uint32_t)kNumTestParams + 2);
}

TEST(LV2Ports, SymbolsAreDerivedFromNamesAndUnique)
{
  TestPlug plug;
  const std::vector<std::string> s = IPlugLV2::ParamSymbols(&plug);
  ASSERT_EQ(s.size(), (size_t)kNumTestParams);
  EXPECT_EQ(s[kGain], "gain");
  EXPECT_EQ(s[kMute], "mute");
  EXPECT_EQ(s[kHPFreq], "hp_freq");
  EXPECT_EQ(s[kHPFreq2], "hp_freq_5");    // collides with "HP Freq"
  EXPECT_EQ(s[kLatencyParam], "latency_6");  // collides with the latency port
  EXPECT_EQ(s[kThird], "_3rd_band");
}

TEST(LV2Ports, UnitsMapKnownLabelsOnly)
{
  EXPECT_STREQ(IPlugLV2::UnitForLabel("dB"), "units:db");
  EXPECT_STREQ(IPlugLV2::UnitForLabel("kHz"), "units:khz");
  EXPECT_STREQ(IPlugLV2::UnitForLabel("Hz"), "units:hz");
  EXPECT_STREQ(IPlugLV2::UnitForLabel("x"), "");
  EXPECT_STREQ(IPlugLV2::UnitForLabel("db"), "");  // case matters
  EXPECT_STREQ(IPlugLV2::UnitForLabel(nullptr), "");
}

// The description the Turtle generator writes for one variant.
std::string DescribeTurtle(const IPlugLV2Plugin& desc, IPlugLV2* plug)
{
  char* buf = nullptr;
  size_t size = 0;
  FILE* f = open_memstream(&buf, &size);
  IPlugLV2::WritePluginTurtle(f, desc, plug);
  IPlugLV2::WriteManifestTurtle(f, desc, "Test.so", "Test.ttl");
  fclose(f);
  std::string text(buf, size);
  free(buf);
  return text;
}

// The description block of control port `index`, up to the next port.
std::string PortBlock(const std::string& ttl, int index)
{
  const size_t start = ttl.find("lv2:index " + std::to_string(index) + " ;");
  if (start == std::string::npos) return "";
  const size_t end = ttl.find("lv2:index", start + 1);
  return ttl.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST(LV2Ports, DescriptionCarriesRangesTypesTextsAndUnits)
{
  TestPlug plug;
  const IPlugLV2Plugin desc =
      IPlugLV2MakePlugin("urn:test:mono", "Test \"Mono\"", 1, 1, nullptr, "lv2:DistortionPlugin", kStateKey);
  const std::string ttl = DescribeTurtle(desc, &plug);
  EXPECT_NE(ttl.find("<urn:test:mono>\n    a lv2:Plugin , lv2:DistortionPlugin"), std::string::npos);
  EXPECT_NE(ttl.find("doap:name \"Test \\\"Mono\\\"\""), std::string::npos);  // quotes escaped
  EXPECT_NE(ttl.find("lv2:minorVersion 2 ;\n    lv2:microVersion 3 ;"), std::string::npos);
  EXPECT_NE(ttl.find("lv2:extensionData state:interface"), std::string::npos);
  EXPECT_NE(ttl.find("lv2:binary <Test.so>"), std::string::npos);

  const std::string gain = PortBlock(ttl, kGain);
  EXPECT_NE(gain.find("lv2:default 0.0 ;\n        lv2:minimum -24.0 ;\n        lv2:maximum 24.0 ;"), std::string::npos)
      << gain;
  EXPECT_NE(gain.find("units:unit units:db"), std::string::npos);
  EXPECT_EQ(gain.find("lv2:portProperty"), std::string::npos);

  const std::string steps = PortBlock(ttl, kSteps);
  EXPECT_NE(steps.find("lv2:portProperty lv2:integer ;"), std::string::npos) << steps;
  EXPECT_NE(steps.find("units:symbol \"x\" ; units:render \"%.0f x\""), std::string::npos) << steps;

  const std::string mute = PortBlock(ttl, kMute);
  EXPECT_NE(mute.find("lv2:portProperty lv2:toggled ;"), std::string::npos) << mute;
  EXPECT_NE(mute.find("rdfs:label \"on\" ; rdf:value 1.0"), std::string::npos) << mute;

  const std::string mode = PortBlock(ttl, kMode);
  EXPECT_NE(mode.find("lv2:portProperty lv2:integer , lv2:enumeration ;"), std::string::npos) << mode;
  EXPECT_NE(mode.find("rdfs:label \"soft\" ; rdf:value 0.0"), std::string::npos);
  EXPECT_NE(mode.find("rdfs:label \"hot\" ; rdf:value 2.0"), std::string::npos);
  EXPECT_NE(mode.find("lv2:default 1.0"), std::string::npos);

  EXPECT_NE(PortBlock(ttl, kHPFreq2).find("lv2:symbol \"hp_freq_5\""), std::string::npos);
  // Fixed ports, then one audio input and one audio output.
  EXPECT_NE(ttl.find("lv2:index 8 ;\n        lv2:symbol \"latency\" ;"), std::string::npos);
  EXPECT_NE(ttl.find("lv2:designation lv2:latency"), std::string::npos);
  EXPECT_NE(ttl.find("lv2:index 9 ;\n        lv2:symbol \"freewheel\" ;"), std::string::npos);
  EXPECT_NE(ttl.find("lv2:designation lv2:freeWheeling"), std::string::npos);
  EXPECT_NE(ttl.find("lv2:index 10 ;\n        lv2:symbol \"in\" ;"), std::string::npos);
  EXPECT_NE(ttl.find("lv2:index 11 ;\n        lv2:symbol \"out\" ;"), std::string::npos);
  EXPECT_EQ(ttl.find("lv2:index 12 ;"), std::string::npos);
}

TEST(LV2Instantiate, RefusesIllegalConfigurationsAndRates)
{
  UridMap urid;
  {
    TestPlug p;
    EXPECT_FALSE(p.LV2Instantiate(1, 2, 48000.0, urid.features, kStateKey));
  }
  {
    TestPlug p;
    EXPECT_FALSE(p.LV2Instantiate(3, 3, 48000.0, urid.features, kStateKey));
  }
  // Outside 1 Hz .. 10 MHz the filters' coefficients are not finite.
  for (double rate : {0.0, -44100.0, (double)NAN, (double)INFINITY, std::numeric_limits<double>::denorm_min(), 0.5,
                      1.0e7 * (1.0 + 1e-15), 1.0e300, std::numeric_limits<double>::max()})
  {
    TestPlug p;
    EXPECT_FALSE(p.LV2Instantiate(2, 2, rate, urid.features, kStateKey)) << rate;
  }
  for (double rate : {1.0, 1.0e7})
  {
    TestPlug p;
    EXPECT_TRUE(p.LV2Instantiate(2, 2, rate, urid.features, kStateKey)) << rate;
  }
  TestPlug p;
  ASSERT_TRUE(p.LV2Instantiate(1, 1, 96000.0, nullptr, kStateKey));
  EXPECT_EQ(p.GetSampleRate(), 96000.0);
  EXPECT_EQ(p.GetAPI(), kAPILV2);
  EXPECT_STREQ(p.GetAPIString(), "LV2");
  EXPECT_GE(p.resets, 1);
  // The parameter reset ran once for every parameter.
  EXPECT_EQ(p.changes.size(), (size_t)kNumTestParams);
}

TEST(LV2Run, CallsOnParamChangeOnlyForChangedClampedValues)
{
  Rig r;
  ASSERT_TRUE(r.ok);
  r.plug.LV2Run(64);
  EXPECT_TRUE(r.plug.changes.empty());  // ports hold the current values

  r.controls[kGain] = 6.0f;
  r.controls[kSteps] = 99.0f;  // clamped to 16
  r.plug.LV2Run(64);
  EXPECT_EQ(r.plug.changes, (std::vector<int>{kGain, kSteps}));
  EXPECT_DOUBLE_EQ(r.plug.GetParam(kGain)->Value(), 6.0);
  EXPECT_DOUBLE_EQ(r.plug.GetParam(kSteps)->Value(), 16.0);

  // The same port values again: nothing changes. A value above the range
  // that clamps onto the stored maximum is no change either.
  r.plug.changes.clear();
  r.controls[kSteps] = 200.0f;
  r.plug.LV2Run(64);
  EXPECT_TRUE(r.plug.changes.empty());

  // Stored as the Audio Unit parameter procedure stores it: clamped only,
  // not snapped (the plug-in truncates where it needs an integer).
  r.controls[kSteps] = 5.6f;
  r.plug.LV2Run(64);
  EXPECT_DOUBLE_EQ(r.plug.GetParam(kSteps)->Value(), (double)5.6f);

  // Non-finite port values are ignored.
  r.plug.changes.clear();
  r.controls[kGain] = NAN;
  r.controls[kMute] = INFINITY;
  r.plug.LV2Run(64);
  EXPECT_TRUE(r.plug.changes.empty());
  EXPECT_DOUBLE_EQ(r.plug.GetParam(kGain)->Value(), 6.0);
}

TEST(LV2Run, ReportsLatencyAndFollowsFreeWheeling)
{
  Rig r;
  ASSERT_TRUE(r.ok);
  r.plug.LV2Run(16);
  EXPECT_EQ(r.latency, 7.0f);
  EXPECT_FALSE(r.plug.offlineSeen);
  r.freewheel = 1.0f;
  r.plug.LV2Run(16);
  EXPECT_TRUE(r.plug.offlineSeen);
  EXPECT_TRUE(r.plug.IsRenderingOffline());
  r.freewheel = 0.0f;
  r.plug.LV2Run(16);
  EXPECT_FALSE(r.plug.offlineSeen);
}

TEST(LV2Run, ProcessesLongBlocksInPiecesAndInPlace)
{
  Rig r;
  ASSERT_TRUE(r.ok);
  r.controls[kGain] = 20.0f;  // x10
  for (int i = 0; i < Rig::kFrames; ++i)
  {
    r.audio[0][i] = 0.001f * (float)(i % 100);
    r.audio[1][i] = -0.002f * (float)(i % 50);
  }
  // Outputs share the input buffers.
  r.plug.LV2ConnectPort(r.plug.FirstAudioPortIndex() + 2, r.audio[0].data());
  r.plug.LV2ConnectPort(r.plug.FirstAudioPortIndex() + 3, r.audio[1].data());
  const std::vector<float> inL = r.audio[0], inR = r.audio[1];
  r.plug.LV2Run(Rig::kFrames);
  EXPECT_EQ(r.plug.blocks, 3);  // 1024 + 1024 + 952
  EXPECT_EQ(r.plug.maxBlock, IPlugLV2::kLV2MaxFrames);
  const double g = std::pow(10.0, 20.0 / 20.0);
  for (int i = 0; i < Rig::kFrames; i += 37)
  {
    EXPECT_FLOAT_EQ(r.audio[0][i], (float)((double)inL[i] * g)) << i;
    EXPECT_FLOAT_EQ(r.audio[1][i], (float)((double)inR[i] * g + 0.5)) << i;
  }
}

TEST(LV2Run, MonoVariantFeedsSilenceToTheSecondChannel)
{
  Rig r(1, 1);
  ASSERT_TRUE(r.ok);
  std::fill(r.audio[0].begin(), r.audio[0].end(), 0.25f);
  r.plug.LV2Run(100);
  for (int i = 0; i < 100; ++i) ASSERT_FLOAT_EQ(r.audio[1][i], 0.25f);
}

TEST(LV2Run, DoesNotWaitForABusyMutexAndAppliesLater)
{
  Rig r;
  ASSERT_TRUE(r.ok);
  r.controls[kGain] = -6.0f;
  std::atomic<bool> held{false}, release{false};
  std::thread holder([&] {
    WDL_MutexLock lock(&r.plug.Mutex());
    held = true;
    while (!release) std::this_thread::yield();
  });
  while (!held) std::this_thread::yield();
  r.plug.LV2Run(32);  // must return although the mutex is held
  EXPECT_TRUE(r.plug.changes.empty());
  EXPECT_DOUBLE_EQ(r.plug.GetParam(kGain)->Value(), 0.0);
  EXPECT_EQ(r.plug.blocks, 1);  // audio was still processed
  release = true;
  holder.join();
  r.plug.LV2Run(32);
  EXPECT_EQ(r.plug.changes, std::vector<int>{kGain});
  EXPECT_DOUBLE_EQ(r.plug.GetParam(kGain)->Value(), -6.0);
}

TEST(LV2Run, UnconnectedAudioProducesNothingAndDoesNotCrash)
{
  UridMap urid;
  TestPlug p;
  ASSERT_TRUE(p.LV2Instantiate(2, 2, 48000.0, urid.features, kStateKey));
  p.LV2ConnectPort(999, nullptr);  // out of the layout: ignored
  p.LV2Run(64);
  EXPECT_EQ(p.blocks, 0);
}

// ---- State ----

TEST(LV2State, SavesTheStateChunkAsAPortableAtomChunk)
{
  Rig r;
  ASSERT_TRUE(r.ok);
  r.controls[kGain] = 3.5f;
  r.plug.LV2Run(8);
  Stored s;
  ASSERT_EQ(r.plug.LV2Save(StoreInto, &s), LV2_STATE_SUCCESS);
  EXPECT_EQ(s.key, r.urid.Id(kStateKey));
  EXPECT_EQ(s.type, r.urid.Id(LV2_ATOM__Chunk));
  EXPECT_EQ(s.flags, (uint32_t)(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));
  ByteChunk expected;
  ASSERT_TRUE(r.plug.SerializeState(&expected));
  ASSERT_EQ(s.bytes.size(), (size_t)expected.Size());
  EXPECT_EQ(0, memcmp(s.bytes.data(), expected.GetBytes(), s.bytes.size()));
  double gain;
  memcpy(&gain, s.bytes.data() + 8 * kGain, 8);
  EXPECT_EQ(gain, 3.5);
}

TEST(LV2State, RestoreRoundTripsIntoAnotherInstance)
{
  Rig a, b;
  ASSERT_TRUE(a.ok && b.ok);
  a.controls[kGain] = -12.0f;
  a.controls[kMode] = 2.0f;
  a.plug.LV2Run(8);
  Stored s;
  ASSERT_EQ(a.plug.LV2Save(StoreInto, &s), LV2_STATE_SUCCESS);
  ASSERT_EQ(b.plug.LV2Restore(RetrieveFrom, &s), LV2_STATE_SUCCESS);
  EXPECT_DOUBLE_EQ(b.plug.GetParam(kGain)->Value(), -12.0);
  EXPECT_DOUBLE_EQ(b.plug.GetParam(kMode)->Value(), 2.0);
  EXPECT_EQ(b.plug.changes.size(), (size_t)kNumTestParams);  // every setting recomputed
}

TEST(LV2State, OutOfRangeValuesAreClampedAsTheAudioUnitRestoreDoes)
{
  Rig r;
  ASSERT_TRUE(r.ok);
  Stored s;
  ASSERT_EQ(r.plug.LV2Save(StoreInto, &s), LV2_STATE_SUCCESS);
  const double big = 1e6;
  memcpy(s.bytes.data() + 8 * kGain, &big, 8);
  ASSERT_EQ(r.plug.LV2Restore(RetrieveFrom, &s), LV2_STATE_SUCCESS);
  EXPECT_DOUBLE_EQ(r.plug.GetParam(kGain)->Value(), 24.0);
}

// Every refused restore leaves the values alone and calls no OnParamChange.
class LV2BadState : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(r.ok);
    r.controls[kGain] = 9.0f;
    r.plug.LV2Run(8);
    ASSERT_EQ(r.plug.LV2Save(StoreInto, &s), LV2_STATE_SUCCESS);
    // A state with other values, about to be damaged.
    const double other = -3.0;
    memcpy(s.bytes.data() + 8 * kGain, &other, 8);
    r.plug.changes.clear();
  }

  void ExpectUnchanged(LV2_State_Status status, LV2_State_Status expected)
  {
    EXPECT_EQ(status, expected);
    EXPECT_DOUBLE_EQ(r.plug.GetParam(kGain)->Value(), 9.0);
    EXPECT_TRUE(r.plug.changes.empty());
  }

  Rig r;
  Stored s;
};

TEST_F(LV2BadState, TruncatedDataIsRefused)
{
  for (size_t keep : {(size_t)0, (size_t)1, (size_t)8 * kGain + 4, s.bytes.size() - 1})
  {
    Stored t = s;
    t.bytes.resize(keep);
    ExpectUnchanged(r.plug.LV2Restore(RetrieveFrom, &t), LV2_STATE_ERR_UNKNOWN);
  }
}

TEST_F(LV2BadState, OversizedDataIsRefused)
{
  Stored t = s;
  t.bytes.resize(s.bytes.size() + 8, 0);
  ExpectUnchanged(r.plug.LV2Restore(RetrieveFrom, &t), LV2_STATE_ERR_UNKNOWN);
  t.bytes.resize(s.bytes.size() * 4, 0);
  ExpectUnchanged(r.plug.LV2Restore(RetrieveFrom, &t), LV2_STATE_ERR_UNKNOWN);
}

TEST_F(LV2BadState, NonFiniteValuesAreRefused)
{
  for (double bad : {NAN, INFINITY, -INFINITY})
  {
    Stored t = s;
    memcpy(t.bytes.data() + 8 * kThird, &bad, 8);
    ExpectUnchanged(r.plug.LV2Restore(RetrieveFrom, &t), LV2_STATE_ERR_UNKNOWN);
  }
}

TEST_F(LV2BadState, ForeignTypeOrMissingPropertyIsRefused)
{
  Stored t = s;
  t.type = r.urid.Id(LV2_ATOM__String);
  ExpectUnchanged(r.plug.LV2Restore(RetrieveFrom, &t), LV2_STATE_ERR_BAD_TYPE);
  Stored other = s;
  other.key = r.urid.Id("https://cinderpath.example/other#state");
  ExpectUnchanged(r.plug.LV2Restore(RetrieveFrom, &other), LV2_STATE_ERR_NO_PROPERTY);
  Stored none;
  ExpectUnchanged(r.plug.LV2Restore(RetrieveFrom, &none), LV2_STATE_ERR_NO_PROPERTY);
}

TEST(LV2State, WithoutAUriMapTheStateInterfaceReportsAMissingFeature)
{
  Rig r(2, 2, false);
  ASSERT_TRUE(r.ok);
  Stored s;
  EXPECT_EQ(r.plug.LV2Save(StoreInto, &s), LV2_STATE_ERR_NO_FEATURE);
  EXPECT_FALSE(s.present);
  EXPECT_EQ(r.plug.LV2Restore(RetrieveFrom, &s), LV2_STATE_ERR_NO_FEATURE);
}

// ---- Descriptor callbacks ----

IPlugLV2* MakeTestPlug()
{
  return new TestPlug;
}

TEST(LV2Descriptor, DrivesAnInstanceThroughTheHostInterface)
{
  const IPlugLV2Plugin stereo =
      IPlugLV2MakePlugin("urn:test:stereo", "T", 2, 2, MakeTestPlug, "lv2:Plugin", kStateKey);
  const IPlugLV2Plugin bad = IPlugLV2MakePlugin("urn:test:bad", "T", 2, 1, MakeTestPlug, "lv2:Plugin", kStateKey);
  const LV2_Descriptor* d = &stereo.mDescriptor;
  UridMap urid;
  EXPECT_EQ(bad.mDescriptor.instantiate(&bad.mDescriptor, 48000.0, "/", urid.features), nullptr);
  LV2_Handle h = d->instantiate(d, 44100.0, "/", urid.features);
  ASSERT_NE(h, nullptr);
  std::vector<float> controls(kNumTestParams);
  for (int i = 0; i < kNumTestParams; ++i)
  {
    controls[i] = (float)static_cast<TestPlug*>(h)->GetParam(i)->GetDefault();
    d->connect_port(h, (uint32_t)i, &controls[i]);
  }
  float latency = 0, freewheel = 0;
  std::vector<float> in(64, 0.5f), out(64, 0.0f);
  d->connect_port(h, kNumTestParams, &latency);
  d->connect_port(h, kNumTestParams + 1, &freewheel);
  d->connect_port(h, kNumTestParams + 2, in.data());
  d->connect_port(h, kNumTestParams + 3, in.data());
  d->connect_port(h, kNumTestParams + 4, out.data());
  d->connect_port(h, kNumTestParams + 5, out.data());
  d->activate(h);
  d->run(h, 64);
  EXPECT_EQ(latency, 7.0f);
  EXPECT_FLOAT_EQ(out[10], 1.0f);  // right channel (written last): 0.5 + 0.5

  const auto* state = static_cast<const LV2_State_Interface*>(d->extension_data(LV2_STATE__interface));
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(d->extension_data("urn:test:unknown"), nullptr);
  Stored s;
  EXPECT_EQ(state->save(h, StoreInto, &s, 0, nullptr), LV2_STATE_SUCCESS);
  EXPECT_EQ(state->restore(h, RetrieveFrom, &s, 0, nullptr), LV2_STATE_SUCCESS);
  d->deactivate(h);
  d->cleanup(h);
}
}  // namespace
