#include "Cinderpath.h"

#include "CinderpathDescriptions.h"
#include "CinderpathPresets.h"
#include "DenormalGuard.h"
#include "EffectChain.h"

#include "IControl.h"
#include "NChanDelay.h"

#include <algorithm>
#include <climits>
#include <cmath>

using namespace cinderpath_stereo;

namespace
{
enum EKind
{
  kDouble,
  kBool,
  kInt
};

// One row of the parameter table, in real units.
struct ParamRow
{
  const char* name;
  EKind kind;
  double def, min, max, step;  // bool rows use 0 ... 1, step 1
  const char* label;
  double shape;  // exponent of the normalised mapping, 1 = linear
};

// Indexed by EParams.
const ParamRow kParamTable[kNumParams] = {
    {"Cutoff", kDouble, 20.0, 1.0, 20.0, 0.01, "kHz", 3.0},
    {"Resonance", kDouble, 0.0, 0.0, 1.0, 0.01, "", 1.0},
    {"Drive", kDouble, 2.0, -12.0, 16.0, 0.01, "dB", 1.0},
    {"Bias", kDouble, 5.0, 0.0, 10.0, 0.01, "", 1.0},
    {"Volume", kDouble, 0.0, -18.0, 18.0, 0.01, "dB", 1.0},
    {"Mono", kBool, 0.0, 0.0, 1.0, 1.0, "", 1.0},
    {"Bypass", kBool, 0.0, 0.0, 1.0, 1.0, "", 1.0},
    {"Phase", kBool, 0.0, 0.0, 1.0, 1.0, "", 1.0},
    {"Boost", kInt, 0.0, 0.0, 12.0, 1.0, "", 1.0},
    {"LP On", kBool, 0.0, 0.0, 1.0, 1.0, "", 1.0},
    {"HP On", kBool, 0.0, 0.0, 1.0, 1.0, "", 1.0},
    {"HP Freq", kDouble, 16.0, 1.0, 1000.0, 1.0, "Hz", 3.0},
    {"Peak On", kBool, 0.0, 0.0, 1.0, 1.0, "", 1.0},
    {"Peak Freq", kDouble, 0.41, 0.1, 5.0, 0.01, "kHz", 3.0},
    {"Peak Gain", kDouble, 0.0, -15.0, 15.0, 0.01, "dB", 1.0},
    {"Shelf On", kBool, 0.0, 0.0, 1.0, 1.0, "", 1.0},
    {"Shelf Freq", kDouble, 5.5, 1.0, 10.0, 0.01, "kHz", 1.0},
    {"Shelf Gain", kDouble, 0.0, -15.0, 15.0, 0.01, "dB", 1.0},
    {"LP_Freq", kDouble, 24.0, 1.0, 24.0, 0.01, "kHz", 3.0},
    {"OS", kInt, 4.0, 1.0, 16.0, 1.0, "x", 1.0},
    {"Quality", kBool, 0.0, 0.0, 1.0, 1.0, "", 1.0},
    {"HP_Freq", kDouble, 5.0, 1.0, 256.0, 0.01, "Hz", 3.0},
};

// Slots of mValueText.
enum EValueText
{
  kDriveTextSlot = 0,
  kVolumeTextSlot,
  kPeakGainTextSlot,
  kShelfGainTextSlot
};

// The input offset that keeps the recursive filters out of subnormal numbers;
// its sign alternates every sample.
constexpr double kDenormalOffset = 1e-20;

// Fraction of a second the clip indicator stays lit after the last over.
constexpr double kClipHoldSeconds = 0.75;

}  // namespace

Cinderpath::Cinderpath(const IPlugInstanceInfo& instanceInfo)
    : CinderpathBinding(CINDERPATH_BINDING_ARGS(instanceInfo, kNumParams, kNumPresets)),
      mClipControl(-1), mHPFreqCaption(-1), mPeakFreqCaption(-1), mShelfFreqCaption(-1), mCutoffCaption(-1),
      mResonanceCaption(-1), mBiasCaption(-1), mOutHPFreqCaption(-1), mLPFreqCaption(-1),
      mFactorCaption(-1), mDriveText(nullptr), mVolumeText(nullptr), mPeakGainText(nullptr),
      mShelfGainText(nullptr), mBypass(false), mPhase(false), mMono(false), mLPOn(false), mHPOn(false),
      mPeakOn(false), mShelfOn(false), mQuality(false), mFactor(4), mBoost(0), mClip(0),
      mClipCount(0), mDenormal(kDenormalOffset), mFs(44100.0),
      mValueText()
{
  // Bypass plays from the base's pass-through delay line, which the block
  // feeds while processing: both bypasses stay in time with the processed
  // signal, and toggling either continues the stream.
  SetPlugFeedsDelay(true);
  for (int c = 0; c < 2; ++c)
  {
    mStage[c] = std::make_unique<ValveStage>();
    mOutHP[c] = std::make_unique<OnePoleHP>();
    mInHP[c] = std::make_unique<OnePoleHP>();
    mPeak[c] = std::make_unique<Biquad>();
    mShelf[c] = std::make_unique<Biquad>();
    mLowPass[c] = std::make_unique<LowPass4>();
    mOutLP[c] = std::make_unique<OnePoleLP>();
  }

  // Every setting takes its parameter's default before the first coefficient
  // computation: a host may render before it initialises the parameters.
  for (int i = 0; i < kNumParams; ++i) StoreSetting(i, kParamTable[i].def);

  mFactor = 4;
  SetUpStages();
  mFs = GetSampleRate();
  SetInputAndHPFilters();
  SetOutLP();

  InitParams();
  FormatValueText(kDriveTextSlot, kDrive, GetParam(kDrive)->Value());
  FormatValueText(kVolumeTextSlot, kVolume, GetParam(kVolume)->Value());
  FormatValueText(kPeakGainTextSlot, kPeakGain, GetParam(kPeakGain)->Value());
  FormatValueText(kShelfGainTextSlot, kShelfGain, GetParam(kShelfGain)->Value());
#if CINDERPATH_HAS_EDITOR
  BuildEditor(instanceInfo.mBundleIdentifier.Get());
#endif

  MakeFactoryPresets();
}

Cinderpath::~Cinderpath() = default;

void Cinderpath::MakeFactoryPresets()
{
  static_assert(kCinderpathNumFactoryPresets == kNumPresets && kCinderpathNumPresetValues == kNumParams,
                "the factory bank fills every slot with a value for every parameter");
  for (const CinderpathFactoryPreset& preset : kCinderpathFactoryPresets)
  {
    // A slot's chunk is the state block: one double per parameter.
    ByteChunk chunk;
    for (double v : preset.values) chunk.Put(&v);
    MakePresetFromChunk(preset.name, &chunk);
  }
  // Slots the bank leaves empty would take the live (default) settings.
  MakeDefaultPreset("-", kNumPresets);
}

void Cinderpath::InitParams()
{
  for (int i = 0; i < kNumParams; ++i)
  {
    const ParamRow& row = kParamTable[i];
    IParam* param = GetParam(i);
    switch (row.kind)
    {
      case kDouble:
        param->InitDouble(row.name, row.def, row.min, row.max, row.step, row.label, "");
        break;
      case kBool:
        param->InitBool(row.name, row.def != 0.0, row.label, "");
        break;
      case kInt:
        param->InitInt(row.name, (int)row.def, (int)row.min, (int)row.max, row.label, "");
        break;
    }
    if (row.shape != 1.0) param->SetShape(row.shape);
  }
}

const char* Cinderpath::GetValueText(int valueIdx) const
{
  return (valueIdx >= 0 && valueIdx < 4) ? mValueText[valueIdx] : "";
}

void Cinderpath::FormatValueText(int slot, int paramIdx, double value)
{
  GetParam(paramIdx)->GetDisplayForHost(value, false, mValueText[slot], (int)sizeof(mValueText[slot]), true);
}

double Cinderpath::StoreSetting(int paramIdx, double v)
{
  // Settings stay within the declared ranges whatever a host or a stored
  // state hands over; NaN or infinity falls back to the default.
  const ParamRow& row = kParamTable[paramIdx];
  v = std::isfinite(v) ? std::min(std::max(v, row.min), row.max) : row.def;
  switch (paramIdx)
  {
    case kCutoff: mCutoff = v * 1000.0; break;
    case kResonance: mResonance = v * 0.15; break;
    case kDrive: mDrive = v; break;
    case kBias: mCurve = (v * 0.1) * (v * 0.1) * 30.0 + 2.0; break;
    case kVolume: mVolume = std::pow(10.0, v / 20.0); break;
    case kMono: mMono = (v != 0.0); break;
    case kBypass: mBypass = (v != 0.0); break;
    case kPhase: mPhase = (v != 0.0); break;
    case kBoost: mBoost = (uint32_t)v; break;
    case kLPOn: mLPOn = (v != 0.0); break;
    case kHPOn: mHPOn = (v != 0.0); break;
    case kHPFreq: mHPFreq = v; break;
    case kPeakOn: mPeakOn = (v != 0.0); break;
    case kPeakFreq: mPeakFreq = v * 1000.0; break;
    case kPeakGain: mPeakGain = v; break;
    case kShelfOn: mShelfOn = (v != 0.0); break;
    case kShelfFreq: mShelfFreq = v * 1000.0; break;
    case kShelfGain: mShelfGain = v; break;
    case kLPFreq: mLPFreq = v * 1000.0; break;
    case kOS: break;  // the factor is selected from the parameter itself
    case kQuality: mQuality = (v != 0.0); break;
    case kOutHPFreq: mOutHPFreq = v; break;
    default: break;
  }
  return v;
}

const char* Cinderpath::GetParamDescription(int paramIdx)
{
  static_assert(sizeof(kCinderpathParamDescriptions) / sizeof(kCinderpathParamDescriptions[0]) == kNumParams,
                "one description per parameter");
  return paramIdx >= 0 && paramIdx < kNumParams ? kCinderpathParamDescriptions[paramIdx].text : nullptr;
}

void Cinderpath::OnParamChange(int paramIdx)
{
  WDL_MutexLock lock(&mMutex);
  if (paramIdx < 0 || paramIdx >= kNumParams) return;
  const double v = StoreSetting(paramIdx, GetParam(paramIdx)->Value());
  switch (paramIdx)
  {
    case kCutoff:
    case kResonance: SetLowPass(); break;
    case kDrive:
    case kBoost:
      SetUpStages();
      FormatValueText(kDriveTextSlot, kDrive, mDrive + mBoost);
      break;
    case kBias: SetUpStages(); break;
    case kVolume: FormatValueText(kVolumeTextSlot, kVolume, v); break;
    case kHPFreq: SetInHP(); break;
    case kPeakFreq: SetPeak(); break;
    case kPeakGain:
      SetPeak();
      FormatValueText(kPeakGainTextSlot, kPeakGain, mPeakGain);
      break;
    case kShelfFreq: SetShelf(); break;
    case kShelfGain:
      SetShelf();
      FormatValueText(kShelfGainTextSlot, kShelfGain, mShelfGain);
      break;
    case kLPFreq: SetOutLP(); break;
    case kOS:
      setN();
      SetUpStages();
      break;
    case kOutHPFreq: SetOutHP(); break;
    default: break;  // switches: the flag alone; "Quality" acts at the next block
  }
  UpdateEditorFor(paramIdx);
}

void Cinderpath::UpdateEditorFor(int paramIdx)
{
  IGraphics* gui = GetGUI();
  if (!gui) return;
  // A caption holds its parameter's normalised value, as every control
  // linked to a parameter does: the editor pushes normalised values to it
  // too, and the wheel and double click work from the value held.
  auto caption = [gui, this](double controlIdx, int idx) {
    gui->SetControlFromPlug((int)controlIdx, GetParam(idx)->GetNormalized());
  };
  auto text = [](ITextControl* control, const char* str) {
    if (control) control->SetTextFromPlug(str);
  };
  switch (paramIdx)
  {
    case kCutoff: caption(mCutoffCaption, kCutoff); break;
    case kResonance: caption(mResonanceCaption, kResonance); break;
    case kDrive:
    case kBoost: text(mDriveText, mValueText[kDriveTextSlot]); break;
    case kBias: caption(mBiasCaption, kBias); break;
    case kVolume: text(mVolumeText, mValueText[kVolumeTextSlot]); break;
    case kHPFreq: caption(mHPFreqCaption, kHPFreq); break;
    case kPeakFreq: caption(mPeakFreqCaption, kPeakFreq); break;
    case kPeakGain: text(mPeakGainText, mValueText[kPeakGainTextSlot]); break;
    case kShelfFreq: caption(mShelfFreqCaption, kShelfFreq); break;
    case kShelfGain: text(mShelfGainText, mValueText[kShelfGainTextSlot]); break;
    case kLPFreq: caption(mLPFreqCaption, kLPFreq); break;
    case kOS: caption(mFactorCaption, kOS); break;
    case kOutHPFreq: caption(mOutHPFreqCaption, kOutHPFreq); break;
    default: break;
  }
}

void Cinderpath::ShowClip(int clip)
{
  if (IGraphics* gui = GetGUI()) gui->SetControlFromPlug(mClipControl, (double)clip);
}

void Cinderpath::OnChannelLayout(int /*nIn*/, int nOut)
{
  if (IGraphics* gui = GetGUI()) gui->GrayOutControl(kMono, nOut == 1);
}

void Cinderpath::Reset()
{
  WDL_MutexLock lock(&mMutex);
  mFs = GetSampleRate();
  setN();
  for (int c = 0; c < 2; ++c) mStage[c]->Clear();
  SetUpStages();
  SetInputAndHPFilters();
  mClip = 0;
  SetOutLP();
  ShowClip(mClip);
}

void Cinderpath::setN()
{
  if (IsRenderingOffline() && mQuality)
  {
    mFactor = 16;
    return;
  }
  const ParamRow& row = kParamTable[kOS];
  const double v = GetParam(kOS)->Value();
  mFactor = std::isfinite(v) ? (int)std::min(std::max(v, row.min), row.max) : (int)row.def;
}

void Cinderpath::SetUpStages()
{
  const double gain = std::pow(10.0, (mBoost + mDrive) / 20.0);
  for (int c = 0; c < 2; ++c) mStage[c]->Configure((unsigned)mFactor, mCurve, gain);
}

void Cinderpath::SetInputAndHPFilters()
{
  for (int c = 0; c < 2; ++c) mLowPass[c]->SetSampleRate(mFs);
  SetLowPass();
  SetInHP();
  SetPeak();
  SetShelf();
  SetOutHP();
}

void Cinderpath::SetLowPass()
{
  for (int c = 0; c < 2; ++c) mLowPass[c]->Set(mCutoff, mResonance);
}

void Cinderpath::SetInHP()
{
  for (int c = 0; c < 2; ++c) mInHP[c]->Set(mHPFreq, mFs);
}

void Cinderpath::SetPeak()
{
  for (int c = 0; c < 2; ++c) mPeak[c]->SetPeak(mPeakFreq, mPeakGain, mFs);
}

void Cinderpath::SetShelf()
{
  for (int c = 0; c < 2; ++c) mShelf[c]->SetShelf(mShelfFreq, mShelfGain, mFs);
}

void Cinderpath::SetOutHP()
{
  for (int c = 0; c < 2; ++c) mOutHP[c]->Set(mOutHPFreq, mFs);
}

void Cinderpath::SetOutLP()
{
  for (int c = 0; c < 2; ++c) mOutLP[c]->Set(mLPFreq, mFs);
}

// ---------------------------------------------------------------------------
// Processing. Every switch is fixed for a block (parameter changes are kept
// apart from processing), so a block is run by one of two loops: bypass, or
// the chain for one (mono) or two channels. The chain runs in chunks: the
// input filters over the chunk, then the valve stages over the chunk, then
// the output filters, level, clip watch and phase. Every processing object
// sees the same sequence of inputs as when the whole chain runs sample by
// sample, so the output is the same bit for bit; the chunk form lets the two
// valve stages run side by side and the two channels' filters overlap.

namespace
{
// Frames per chunk; the chunk buffers live on the render thread's stack.
constexpr int kChunkFrames = 256;
}  // namespace

void Cinderpath::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  // The offsets alone do not keep every state out of subnormals (a 1-2-1
  // numerator turns the alternating offset into exact zeros), so the block
  // runs with flush-to-zero; the host's own settings come back afterwards.
  DenormalGuard guard;
  ProcessBlockInCallerFPState(inputs, outputs, nFrames);
}

void Cinderpath::ProcessBlockInCallerFPState(double** inputs, double** outputs, int nFrames)
{
  if (nFrames <= 0) return;
  // The indicator's value at the block start: the editor's first value of it
  // only sets its default, so it must not be a change the loop reports.
  ShowClip(mClip);
  const double k = mCurve;
  const double comp = ((k + 1.0) / (k - 1.0) - 1.0) * 0.13 + 1.0;
  // Only the factor can change between blocks without a parameter change
  // (offline rendering with Quality, or a direct setN); every other stage
  // setting is set up when its parameter changes. The stages' own factor is
  // compared, so a factor selected outside a block is never missed.
  setN();
  if (mStage[0]->mFactor != (uint32_t)mFactor || mStage[1]->mFactor != (uint32_t)mFactor) SetUpStages();

  if (mBypass)
  {
    ProcessBypass(inputs, outputs, nFrames);
    return;
  }
  // Read before any output is written: the host may process in place.
  mDelay->Feed(inputs, nFrames);
  if (mMono)
    ProcessMono(inputs, outputs, nFrames, comp);
  else
    ProcessStereo(inputs, outputs, nFrames, comp);
}

namespace
{
// One channel's filters, copied into locals for a block so that their state
// can stay in registers; written back after it.
struct ChannelFilters
{
  OnePoleHP inHP;
  Biquad peak;
  Biquad shelf;
  LowPass4 lowPass;
  OnePoleHP outHP;
  OnePoleLP outLP;
};
}  // namespace

ChainFrame Cinderpath::LoadFrameState()
{
  return ChainFrame{mDenormal, mClipCount, mClip, HoldSamples(mFs, kClipHoldSeconds), mPhase,
                    [](void* plug, int clip) { static_cast<Cinderpath*>(plug)->ShowClip(clip); }, this};
}

void Cinderpath::StoreFrameState(const ChainFrame& state)
{
  mDenormal = state.offset;
  mClipCount = state.clipCount;
  mClip = state.clip;
}

void Cinderpath::ProcessBypass(double** inputs, double** outputs, int nFrames)
{
  ChainFrame st = LoadFrameState();
  double l[kChunkFrames];
  double r[kChunkFrames];
  for (int start = 0; start < nFrames; start += kChunkFrames)
  {
    const int n = std::min(kChunkFrames, nFrames - start);
    double* in[2] = {inputs[0] + start, inputs[1] + start};
    double* delayed[2] = {l, r};
    mDelay->ProcessBlock(in, delayed, n);
    double* outL = outputs[0] + start;
    double* outR = outputs[1] + start;
    for (int i = 0; i < n; ++i)
    {
      const double m = NextOffset(st);
      WriteFrame(st, SanitizeSample(l[i]) - m, SanitizeSample(r[i]) - m, outL + i, outR + i);
    }
    WatchClip(st, outL, outR, n);
  }
  StoreFrameState(st);
}

void Cinderpath::ProcessMono(double** inputs, double** outputs, int nFrames, double comp)
{
  ChannelFilters f{*mInHP[0], *mPeak[0], *mShelf[0], *mLowPass[0], *mOutHP[0], *mOutLP[0]};
  const InputSwitches on{mHPOn, mPeakOn, mShelfOn, mLPOn};
  const double volume = mVolume;
  ChainFrame st = LoadFrameState();
  double x[kChunkFrames];
  double buf[kChunkFrames];  // between the filters
  for (int start = 0; start < nFrames; start += kChunkFrames)
  {
    // The right input is not read at all.
    const int n = std::min(kChunkFrames, nFrames - start);
    const double* in = inputs[0] + start;
    WithFixedSwitches(on, [&](auto fixed) {
      RunInputFilters(
          fixed, f, n, buf, [&](int i) { return SanitizeSample(in[i]) - NextOffset(st); },
          [&](int i, double y) { x[i] = y; });
    });
    mStage[0]->Process(x, n);
    double* outL = outputs[0] + start;
    double* outR = outputs[1] + start;
    RunOutputFilters(
        f, n, volume, comp, buf, [&](int i) { return x[i]; },
        [&](int i, double y) { WriteFrame(st, y, y, outL + i, outR + i); });
    WatchClip(st, outL, outR, n);
  }
  StoreFrameState(st);
  *mInHP[0] = f.inHP;
  *mPeak[0] = f.peak;
  *mShelf[0] = f.shelf;
  *mLowPass[0] = f.lowPass;
  *mOutHP[0] = f.outHP;
  *mOutLP[0] = f.outLP;
}

void Cinderpath::ProcessStereo(double** inputs, double** outputs, int nFrames, double comp)
{
  const ChainFilters c{{mInHP[0].get(), mInHP[1].get()},
                       {mPeak[0].get(), mPeak[1].get()},
                       {mShelf[0].get(), mShelf[1].get()},
                       {mLowPass[0].get(), mLowPass[1].get()},
                       {mOutHP[0].get(), mOutHP[1].get()},
                       {mOutLP[0].get(), mOutLP[1].get()},
                       {mHPOn, mPeakOn, mShelfOn, mLPOn}, mVolume, comp};
  ChainFrame st = LoadFrameState();
  ChannelPairFilters f(c);
  double l[kChunkFrames];
  double r[kChunkFrames];
  Lanes buf[kChunkFrames];  // between the filters
  for (int start = 0; start < nFrames; start += kChunkFrames)
  {
    // The whole chunk is read before any output is written, so the host may
    // hand the same buffers for input and output.
    const int n = std::min(kChunkFrames, nFrames - start);
    const double* inL = inputs[0] + start;
    const double* inR = inputs[1] + start;
    WithFixedSwitches(c.on, [&](auto on) {
      RunInputFilters(
          on, f, n, buf, [&](int i) { return ReadFrame(inL, inR, i, st); },
          [&](int i, Lanes x) {
            l[i] = x[0];
            r[i] = x[1];
          });
    });
    ValveStage::ProcessPair(*mStage[0], *mStage[1], l, r, n);  // side by side, same bits
    double* outL = outputs[0] + start;
    double* outR = outputs[1] + start;
    RunOutputFilters(
        f, n, c.volume, c.comp, buf, [&](int i) { return Lanes{l[i], r[i]}; },
        [&](int i, Lanes y) { WriteFrame(st, y[0], y[1], outL + i, outR + i); });
    WatchClip(st, outL, outR, n);
  }
  StoreFrameState(st);
  f.Store(c);
}
