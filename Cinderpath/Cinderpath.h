// The Cinderpath effect: a stereo valve preamplifier with switchable input
// filters, an oversampled valve stage, output filters, level, mono, phase,
// bypass and a clip indicator, published as 22 automatable parameters.
#ifndef CINDERPATH_CINDERPATH_H
#define CINDERPATH_CINDERPATH_H

#include <cstdint>
#include <memory>

#include "Filters.h"
#include "PlugBinding.h"
#include "ValveStage.h"

class IGraphics;
class ITextControl;
struct ChainFrame;

// Parameter indices; the index is the identifier hosts use.
enum EParams
{
  kCutoff = 0,    // resonant low-pass cutoff, kHz
  kResonance,     // resonant low-pass resonance, 0 ... 1
  kDrive,         // stage drive, dB
  kBias,          // bias curve, 0 ... 10
  kVolume,        // output level, dB
  kMono,          // both outputs carry the processed left channel
  kBypass,        // skip the chain
  kPhase,         // invert both outputs
  kBoost,         // dB added to the drive, 0 ... 12
  kLPOn,          // resonant low-pass in
  kHPOn,          // input high-pass in
  kHPFreq,        // input high-pass, Hz
  kPeakOn,        // peaking filter in
  kPeakFreq,      // peak frequency, kHz
  kPeakGain,      // peak gain, dB
  kShelfOn,       // high shelf in
  kShelfFreq,     // shelf frequency, kHz
  kShelfGain,     // shelf gain, dB
  kLPFreq,        // output low-pass, kHz
  kOS,            // oversampling factor, 1 ... 16
  kQuality,       // factor 16 when the host renders offline
  kOutHPFreq,     // output high-pass, Hz
  kNumParams
};

// Number of factory preset slots; every one holds the defaults under "-".
constexpr int kNumPresets = 16;

// The plug-in object. Parameter changes and Reset hold the plug-in's mutex;
// ProcessDoubleReplacing takes no lock and relies on the framework to keep it
// apart from them. Non-copyable (the base owns parameters, presets, mutex).
class Cinderpath : public CinderpathBinding
{
public:
  // Whether instances made from now on can show their editor on screen (the
  // component bundle turns it on when it is loaded, so a host can ask for
  // the view); off, tests and tools get the off-screen editor. [main thread]
  static void SetEditorOnScreen(bool onScreen);
  // Builds the plug-in: base with the identity of PlugBinding.h, the two
  // valve stages and twelve filters with every setting at its parameter's
  // default, the 22 parameters, then 16 presets "-" of the defaults.
  // [main thread]
  explicit Cinderpath(const IPlugInstanceInfo& instanceInfo);

  // Deletes the stages and filters, then the base. [main thread]
  ~Cinderpath() override;

  Cinderpath(const Cinderpath&) = delete;
  Cinderpath& operator=(const Cinderpath&) = delete;

  // Takes the sample rate from the base, selects the factor, clears the
  // stages (filter states are kept), sets the stages up and recomputes every
  // filter coefficient; switches the clip indicator off. [main thread]
  void Reset() override;

  // Brings the setting of parameter paramIdx (0 ... 21) in line with its
  // value and recomputes what depends on it, and shows the value in the
  // editor's caption or value text; other indices do nothing. Allocates
  // nothing and waits on nothing but the plug-in's mutex, which its callers
  // already hold. [any thread: the host's main thread, or the render thread
  // when the LV2 binding applies port values at the start of run()]
  void OnParamChange(int paramIdx) override;

  // The one-line description of parameter paramIdx the command-line
  // program and the LV2 metadata print; null outside the table. [main thread]
  const char* GetParamDescription(int paramIdx) override;

  // A plug-in running with one output has nothing to fold to mono: the
  // editor's Mono switch is greyed out and takes no clicks. Two (or an
  // unknown count) bring it back. [main thread]
  void OnChannelLayout(int nIn, int nOut) override;

  // Processes nFrames samples of two input channels into two output
  // channels. Runs with subnormal numbers flushed to zero and rounding to
  // nearest, and gives the calling thread its floating-point control state
  // back on return. With "Bypass" on, the output is the input delayed by the
  // reported latency. Allocates nothing, takes no lock. [render thread]
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;

  // Selects the oversampling factor into mFactor: 16 when the host renders
  // offline and "Quality" is on, otherwise the "OS" value (1 ... 16).
  // [any thread, serialised with processing]
  void setN();

  // Display texts of Drive (Drive + Boost), Volume, Peak Gain and Shelf Gain
  // as formatted at the last change; valueIdx 0 ... 3. A change on the
  // render thread may rewrite a buffer meanwhile: read it under the
  // plug-in's mutex. [main thread]
  const char* GetValueText(int valueIdx) const;

  // Current state, for tests and the editor: the factor of the current
  // block, the clip indicator (0 or 1), samples since the last over, the
  // stages' linear drive gain. Plain reads. [any thread]
  int GetFactor() const { return mFactor; }
  int GetClip() const { return mClip; }
  int GetClipCount() const { return mClipCount; }
  double GetStageGain() const { return mStage[0]->mGain; }

  // Read access to the processing objects of channel ch (0 left, 1 right),
  // for tests that inspect filter state. [any thread]
  const ValveStage& Stage(int ch) const { return *mStage[ch]; }
  const OnePoleHP& InHP(int ch) const { return *mInHP[ch]; }
  const OnePoleHP& OutHP(int ch) const { return *mOutHP[ch]; }
  const Biquad& Peak(int ch) const { return *mPeak[ch]; }
  const Biquad& Shelf(int ch) const { return *mShelf[ch]; }
  const LowPass4& LowPass(int ch) const { return *mLowPass[ch]; }
  const OnePoleLP& OutLP(int ch) const { return *mOutLP[ch]; }

protected:
  // ProcessDoubleReplacing without the floating-point control switch: runs
  // in whatever state the calling thread has. For benchmarks that measure
  // the switch. [render thread]
  void ProcessBlockInCallerFPState(double** inputs, double** outputs, int nFrames);
  // The editor controls the plug-in keeps up to date (set when its editor
  // is built; -1 and null without one).
  int mClipControl;    // editor index of the clip indicator
  // Editor indices of the value captions (stored as doubles, used as int).
  double mHPFreqCaption, mPeakFreqCaption, mShelfFreqCaption, mCutoffCaption, mResonanceCaption,
      mBiasCaption, mOutHPFreqCaption, mLPFreqCaption, mFactorCaption;
  // Editor text controls for Drive, Volume, Peak Gain, Shelf Gain; not owned.
  ITextControl *mDriveText, *mVolumeText, *mPeakGainText, *mShelfGainText;

private:
  // Stores the setting derived from value v of parameter paramIdx and
  // returns the value used: v clamped into the parameter's range, or its
  // default when v is not finite. Touches no coefficient.
  double StoreSetting(int paramIdx, double v);
  // Writes factor, curve and gain into both stages and loads their filters'
  // coefficients.
  void SetUpStages();
  // Sets the resonant low-pass sample-rate constants for mFs, then every
  // coefficient except the output low-pass: low-pass, input high-pass,
  // peaking, shelf, output high-pass.
  void SetInputAndHPFilters();
  // Coefficient groups, both channels each.
  void SetLowPass();
  void SetInHP();
  void SetPeak();
  void SetShelf();
  void SetOutHP();
  void SetOutLP();
  // Formats the display of parameter paramIdx at value into mValueText[slot].
  // [thread of OnParamChange]
  void FormatValueText(int slot, int paramIdx, double value);
  // Shows the new setting of parameter paramIdx in the editor's caption or
  // value text, while there is an editor. [thread of OnParamChange]
  void UpdateEditorFor(int paramIdx);
  // Sends the clip indicator's value to the editor, while there is one.
  // Never allocates or waits. [render thread, or with the lock held]
  void ShowClip(int clip);
  // Initialises the 22 parameters of the table.
  void InitParams();
  // Fills the preset slots from the factory bank. [main thread, construction]
  void MakeFactoryPresets();
  // Builds the 780 x 200 editor, keeps the indices and text controls the
  // plug-in updates, and attaches it. bundleID names the bundle holding the
  // images. [main thread, from the constructor]
  void BuildEditor(const char* bundleID);
  // A new platform editor of the given size for this plug-in: the X11 editor
  // when instances put their editor on screen (SetEditorOnScreen), else the
  // off-screen one. Neither connects to a display before a window is
  // opened. [main thread]
  IGraphics* NewEditor(const char* bundleID, int widthPx, int heightPx);

  // Processes the block through both chains, the two channels side by side;
  // comp is the block's make-up gain.
  void ProcessStereo(double** inputs, double** outputs, int nFrames, double comp);
  // Processes the block through the left chain only, the result on both outputs.
  void ProcessMono(double** inputs, double** outputs, int nFrames, double comp);
  // Passes the block through unprocessed, delayed by the latency (offset,
  // clip watch and phase only).
  void ProcessBypass(double** inputs, double** outputs, int nFrames);
  // The per-frame state of the loops (offset, clip indicator) in and out of
  // the members.
  ChainFrame LoadFrameState();
  void StoreFrameState(const ChainFrame& state);

  double mCutoff;      // low-pass cutoff, Hz
  double mResonance;   // r = "Resonance" x 0.15
  double mHPFreq;      // input high-pass, Hz
  double mPeakFreq;    // peak frequency, Hz
  double mPeakGain;    // peak gain, dB
  double mShelfFreq;   // shelf frequency, Hz
  double mShelfGain;   // shelf gain, dB
  double mLPFreq;      // output low-pass, Hz
  double mOutHPFreq;   // output high-pass, Hz
  double mDrive;       // drive, dB
  double mCurve;       // bias curve constant k, 2 ... 32
  double mVolume;      // linear output gain
  bool mBypass, mPhase, mMono;
  bool mLPOn, mHPOn, mPeakOn, mShelfOn;
  bool mQuality;       // factor 16 when rendering offline
  int mFactor;         // oversampling factor of the current block
  uint32_t mBoost;     // dB added to the drive
  int mClip;           // clip indicator, 0 or 1
  int mClipCount;      // samples since the last over; stops just above 0.75·fs
  double mDenormal;    // ±1e-20 input offset, sign alternates every sample
  double mFs;          // sample rate, Hz
  std::unique_ptr<ValveStage> mStage[2];   // left, right
  std::unique_ptr<OnePoleHP> mOutHP[2];    // output high-pass
  std::unique_ptr<OnePoleHP> mInHP[2];     // input high-pass
  std::unique_ptr<Biquad> mPeak[2];        // peaking filter
  std::unique_ptr<Biquad> mShelf[2];       // high shelf
  std::unique_ptr<LowPass4> mLowPass[2];   // resonant low-pass
  std::unique_ptr<OnePoleLP> mOutLP[2];    // output low-pass
  char mValueText[4][20];  // Drive, Volume, Peak Gain, Shelf Gain texts
};

#endif
