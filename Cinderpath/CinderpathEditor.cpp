// The effect's editor: a 780 x 200 panel with thirteen film-strip knobs, nine
// switches, the clip light, nine value captions, four value texts, the maker
// link and the version text. Positions here are logical pixels: the editor
// draws the same layout at its scale, from images drawn for that scale. Controls are attached in a fixed order because
// the plug-in addresses the clip light, the captions and the texts by the
// index or pointer kept here.
#include "Cinderpath.h"

#include <sys/stat.h>

#include <string>

#ifndef CINDERPATH_LV2_UI
#include <CoreFoundation/CoreFoundation.h>
#endif

#include "IControl.h"
#include "IGraphicsHeadless.h"
#include "IGraphicsLinux.h"

namespace
{

constexpr int kEditorW = 780, kEditorH = 200;  // pixels
constexpr int kKnobFrames = 91;
constexpr double kKnobGearing = 4.0;
// Characters a typed value may have ("-12.50 dB", "0.41 kHz").
constexpr int kTypedValueChars = 12;
// The manual page among the bundle's resources (name and type).
constexpr const char* kManualName = "Cinderpath";
constexpr const char* kManualType = "html";

enum EImageIDs
{
  kBackID = 101,
  kKnobSID,
  kKnobBID,
  kHPOnID,
  kPeakOnID,
  kShelfOnID,
  kLPOnID,
  kBoostID,
  kClipID,
  kBypassID,
  kMonoID,
  kPhaseID,
  kQualityID
};

struct KnobPlace
{
  int x, y;      // top-left corner, pixels
  int paramIdx;
};

// Small knobs in attachment order.
const KnobPlace kSmallKnobs[] = {
  {40, 45, kHPFreq},     {90, 45, kPeakFreq},    {140, 45, kShelfFreq}, {190, 45, kCutoff},
  {90, 115, kPeakGain},  {140, 115, kShelfGain}, {190, 115, kResonance}, {550, 115, kOutHPFreq},
  {600, 115, kLPFreq},   {650, 115, kOS},
};
// Large knobs in attachment order.
const KnobPlace kBigKnobs[] = {{265, 80, kBias}, {355, 80, kDrive}, {445, 80, kVolume}};

struct SwitchPlace
{
  int id;
  const char* file;
  int x, y;      // top-left corner, pixels
  int paramIdx;
};

// Switches in image-loading and attachment order.
const SwitchPlace kSwitches[] = {
  {kHPOnID, "resources/img/HPonp.png", 40, 90, kHPOn},
  {kPeakOnID, "resources/img/PKonp.png", 90, 90, kPeakOn},
  {kShelfOnID, "resources/img/SHonp.png", 140, 90, kShelfOn},
  {kLPOnID, "resources/img/Fonp.png", 190, 90, kLPOn},
  {kBoostID, "resources/img/Boostp.png", 325, 55, kBoost},
  {kBypassID, "resources/img/Bypassp.png", 550, 50, kBypass},
  {kMonoID, "resources/img/Monop.png", 615, 50, kMono},
  {kPhaseID, "resources/img/Phasep.png", 680, 50, kPhase},
  {kQualityID, "resources/img/HQonp.png", 700, 90, kQuality},
};

// The path of the manual page shipped in the bundle, or "" when the bundle
// has none (an editor built outside a bundle, as in tests and tools).
std::string ManualPath(const char* bundleID)
{
  if (!bundleID || !*bundleID) return "";
  std::string path;
#ifdef CINDERPATH_LV2_UI
  // An LV2 bundle is named by its folder; resources live under resources/.
  path = bundleID;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  path += std::string("/resources/") + kManualName + "." + kManualType;
#else
  CFStringRef id = CFStringCreateWithCString(kCFAllocatorDefault, bundleID, kCFStringEncodingUTF8);
  CFStringRef name = CFStringCreateWithCString(kCFAllocatorDefault, kManualName, kCFStringEncodingUTF8);
  CFStringRef type = CFStringCreateWithCString(kCFAllocatorDefault, kManualType, kCFStringEncodingUTF8);
  CFBundleRef bundle = id ? CFBundleGetBundleWithIdentifier(id) : nullptr;
  CFURLRef url = bundle && name && type ? CFBundleCopyResourceURL(bundle, name, type, nullptr) : nullptr;
  char buf[4096];
  if (url && CFURLGetFileSystemRepresentation(url, true, (UInt8*)buf, (CFIndex)sizeof(buf))) path = buf;
  for (CFTypeRef ref : {(CFTypeRef)url, (CFTypeRef)type, (CFTypeRef)name, (CFTypeRef)id})
    if (ref) CFRelease(ref);
#endif
  struct stat st;
  return (!path.empty() && path[0] == '/' && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ? path : "";
}

// A file:// address for an absolute path, every byte outside the unreserved
// set and '/' percent-encoded.
std::string FileURL(const std::string& path)
{
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path)
  {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~' || c == '/';
    if (plain)
      url += (char)c;
    else
      url += {'%', kHex[c >> 4], kHex[c & 15]};
  }
  return url;
}

// A value text (Drive, Volume, Peak Gain, Shelf Gain): the plug-in writes its
// text, so it holds no parameter itself. A click opens the text entry over it
// for its parameter's knob, which then takes the typed value as a typed
// caption does.
class TypedValueText : public ITextControl
{
public:
  TypedValueText(IPlugBase* plug, IRECT r, IText* text, const char* str, int paramIdx)
    : ITextControl(plug, r, text, str), mTarget(paramIdx)
  {
  }

  void OnMouseDown(int, int, IMouseMod* mod) override
  {
    IGraphics* gui = mPlug->GetGUI();
    IParam* param = mPlug->GetParam(mTarget);
    if (!gui || !param || !mod || !(mod->Left || mod->Right)) return;
    for (int i = 0; i < gui->NControls(); ++i)
    {
      IControl* knob = gui->GetControl(i);
      if (knob->ParamIdx() != mTarget) continue;
      gui->PromptUserInput(knob, param, &mRECT);
      return;
    }
  }

private:
  int mTarget;  // parameter index
};

}  // namespace

// Set once by the component bundle as it loads, before any instance exists.
static bool s_editorOnScreen = false;

void Cinderpath::SetEditorOnScreen(bool onScreen)
{
  s_editorOnScreen = onScreen;
}

IGraphics* Cinderpath::NewEditor(const char* bundleID, int widthPx, int heightPx)
{
#ifdef CINDERPATH_LV2_UI
  // The LV2 UI shows the editor in the host's window; an LV2 bundle is
  // identified by its folder, which holds the images.
  return IPlugLV2MirrorNewEditor(this, widthPx, heightPx, bundleID);
#else
  // Both draw the same panel off-screen; only the X11 editor can also open a
  // window, and it makes no connection to a display before it does.
  if (s_editorOnScreen) return new IGraphicsLinux(this, widthPx, heightPx, 0, bundleID);
  return new IGraphicsHeadless(this, widthPx, heightPx, 0, bundleID);
#endif
}

void Cinderpath::BuildEditor(const char* bundleID)
{
  IGraphics* gui = NewEditor(bundleID, kEditorW, kEditorH);
  gui->AttachBackground(kBackID, "resources/img/Back.png");

  IBitmap knobS = gui->LoadIBitmap(kKnobSID, "resources/img/KnobS.png", kKnobFrames, false);
  // A value text's typed entry goes through its parameter's knob.
  auto knob = [&](const KnobPlace& k, IBitmap* strip) {
    IControl* control = new IKnobMultiControl(this, k.x, k.y, k.paramIdx, strip, kDirVertical, kKnobGearing);
    control->SetTextEntryLength(kTypedValueChars);
    gui->AttachControl(control);
  };
  for (const KnobPlace& k : kSmallKnobs) knob(k, &knobS);
  IBitmap knobB = gui->LoadIBitmap(kKnobBID, "resources/img/KnobB.png", kKnobFrames, false);
  for (const KnobPlace& k : kBigKnobs) knob(k, &knobB);

  for (const SwitchPlace& s : kSwitches)
  {
    IBitmap bitmap = gui->LoadIBitmap(s.id, s.file, 2, false);
    gui->AttachControl(new ISwitchControl(this, s.x, s.y, s.paramIdx, &bitmap));
  }
  IBitmap clip = gui->LoadIBitmap(kClipID, "resources/img/Overp.png", 2, false);
  mClipControl = gui->AttachControl(new IBitmapControl(this, 415, 55, -1, &clip));

  const IColor black(255, 0, 0, 0), white(255, 255, 255, 255);
  IText text(14, &black, "Monaco", IText::kStyleNormal, IText::kAlignCenter, 0, IText::kQualityDefault, &white,
             &black);

  // A click on a caption or a value text opens a text entry over it, which
  // takes a typed value for its parameter.
  auto caption = [&](int l, int t, int r, int b, int paramIdx, bool showLabel) {
    ICaptionControl* control = new ICaptionControl(this, IRECT(l, t, r, b), paramIdx, &text, showLabel);
    control->DisablePrompt(false);
    control->SetTextEntryLength(kTypedValueChars);
    return (double)gui->AttachControl(control);
  };
  // A value text starts with the display of its parameter the constructor
  // wrote into the plug-in's text buffers (Drive, Volume, Peak Gain, Shelf
  // Gain); OnParamChange keeps it up to date afterwards.
  const int valueTextParams[] = {kDrive, kVolume, kPeakGain, kShelfGain};
  auto valueText = [&](int l, int t, int r, int b, int slot) {
    ITextControl* control =
        new TypedValueText(this, IRECT(l, t, r, b), &text, GetValueText(slot), valueTextParams[slot]);
    gui->AttachControl(control);
    return control;
  };
  mHPFreqCaption = caption(40, 20, 80, 40, kHPFreq, false);
  mPeakFreqCaption = caption(90, 20, 130, 40, kPeakFreq, false);
  mShelfFreqCaption = caption(140, 20, 180, 40, kShelfFreq, false);
  mCutoffCaption = caption(190, 20, 230, 40, kCutoff, false);
  mResonanceCaption = caption(190, 160, 230, 180, kResonance, false);
  mBiasCaption = caption(280, 55, 320, 75, kBias, false);
  mDriveText = valueText(370, 55, 410, 75, 0);
  mVolumeText = valueText(460, 55, 500, 75, 1);
  mPeakGainText = valueText(90, 160, 130, 180, 2);
  mShelfGainText = valueText(140, 160, 180, 180, 3);
  mOutHPFreqCaption = caption(550, 90, 590, 110, kOutHPFreq, false);
  mLPFreqCaption = caption(600, 90, 640, 110, kLPFreq, false);
  mFactorCaption = caption(650, 90, 690, 110, kOS, true);

  // The title opens the manual page shipped with the plug-in; without one
  // (no bundle) the link does nothing.
  const std::string manual = ManualPath(bundleID);
  const std::string manualURL = manual.empty() ? std::string() : FileURL(manual);
  gui->AttachControl(new IURLControl(this, IRECT(330, 12, 450, 32), manualURL.c_str()));
  gui->AttachControl(new ITextControl(this, IRECT(693, 18, 733, 38), &text, "v.1.22"));

  AttachGraphics(gui);
}
