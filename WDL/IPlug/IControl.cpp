#include "IControl.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "IParam.h"
#include "IPlugBase.h"

namespace
{
// Auxiliary values are plain doubles in a growable buffer; they are read and
// written atomically because the plug-in may set them from another thread.
double LoadAux(const double* p)
{
  double v;
  __atomic_load(p, &v, __ATOMIC_RELAXED);
  return v;
}
void StoreAux(double* p, double v) { __atomic_store(p, &v, __ATOMIC_RELAXED); }

// Reserved text bytes, so that setting a text of less than this from the
// render thread never allocates.
constexpr int kTextReserveBytes = 128;
}  // namespace

int LiceBlendMode(const IChannelBlend* blend)
{
  // LICE_MODE_COPY 0, ADD 1, DODGE 2; LICE_FLAG_SOURCE_ALPHA 0x10000.
  switch (blend ? blend->mMethod : IChannelBlend::kBlendDefault)
  {
    case IChannelBlend::kBlendClobber: return 0;
    case IChannelBlend::kBlendAdd: return 0x10001;
    case IChannelBlend::kBlendDodge: return 0x10002;
    default: return 0x10000;
  }
}

int LiceLineMode(const IChannelBlend* blend)
{
  switch (blend ? blend->mMethod : IChannelBlend::kBlendDefault)
  {
    case IChannelBlend::kBlendAdd: return 1;
    case IChannelBlend::kBlendDodge: return 2;
    default: return 0;
  }
}

int FrameOfValue(const IBitmap& bitmap, double v)
{
  int i = (int)((double)(bitmap.N - 1) * v + 0.5) + 1;
  if (i < 1) i = 1;
  if (i > bitmap.N) i = bitmap.N;
  return i < 1 ? 1 : i;
}

// ---------------------------------------------------------------------------
// IControl

IControl::IControl(IPlugBase* plug, IRECT r, int paramIdx, int blendMethod)
    : mTextEntryLength(7), mPlug(plug), mRECT(r), mTargetRECT(r), mParamIdx(paramIdx), mAuxParams(4096),
      mValue(0.0), mDefaultValue(-1.0), mClampLo(0.0), mClampHi(1.0), mFramesToDraw(1), mHide(false),
      mGrayed(false), mDisablePrompt(true), mDblAsSingleClick(false), mMOWhenGrayed(false),
      mBlend(blendMethod, 1.0f), mValueTextControl(nullptr), mNameTextControl(nullptr)
{
}

void IControl::OnMouseDown(int, int, IMouseMod* mod)
{
  if (mod && mod->Right) PromptUserInput();
}

void IControl::OnMouseUp(int, int, IMouseMod*) {}

void IControl::OnMouseDrag(int, int, int, int, IMouseMod*) {}

void IControl::OnMouseDblClick(int, int, IMouseMod*)
{
  // A control without a parameter shows what the plug-in sets (a clip
  // light): the user has nothing to reset.
  if (mParamIdx < 0) return;
  const double def = mDefaultValue;
  if (def >= 0.0)
  {
    mValue = def;
    SetDirty(true);
  }
}

void IControl::OnMouseWheel(int, int, IMouseMod* mod, int delta)
{
  if (mParamIdx < 0) return;  // nothing to turn; the plug-in owns its value
  const bool fine = mod && (mod->Ctrl || mod->Shift);
  mValue += (double)delta * (fine ? 0.001 : 0.01);
  SetDirty(true);
}

bool IControl::OnKeyDown(int, int, int) { return false; }

void IControl::OnMouseOver(int, int, IMouseMod*) {}

void IControl::OnMouseOut() {}

void IControl::SetValueFromPlug(double value)
{
  if (mDefaultValue < 0.0)
  {
    mValue = value;
    mDefaultValue = value;
    return;
  }
  if (mValue == value) return;
  mValue = value;
  SetDirty(false);
  SetRedraw();
}

void IControl::TextFromTextEntry(const char*) {}

void IControl::Hide(bool hide)
{
  mHide = hide;
  SetDirty(false);
  SetRedraw();
}

void IControl::GrayOut(bool gray)
{
  mGrayed = gray;
  mBlend.mWeight = gray ? 0.25f : 1.0f;
  SetDirty(false);
}

bool IControl::IsHit(int x, int y) { return mTargetRECT.Contains(x, y); }

void IControl::SetDirty(bool pushParamToPlug)
{
  const double v = mValue;
  if (v < mClampLo)
    mValue = mClampLo;
  else if (v > mClampHi)
    mValue = mClampHi;

  int frames = mFramesToDraw.load(std::memory_order_relaxed);
  while (frames < 1 && !mFramesToDraw.compare_exchange_weak(frames, 1, std::memory_order_acq_rel)) {}

  if (!pushParamToPlug || !mPlug || mParamIdx < 0) return;
  IParam* param = mPlug->GetParam(mParamIdx);
  if (!param) return;
  mPlug->SetParameterFromGUI(mParamIdx, mValue);
  if (mValueTextControl)
  {
    char display[128];
    {
      WDL_MutexLock lock(mPlug->GetMutex());
      param->GetDisplayForHost(param->Value(), false, display, (int)sizeof(display), true);
    }
    mValueTextControl->SetTextFromPlug(display);
  }
  if (mNameTextControl) mNameTextControl->SetTextFromPlug(param->GetNameForHost());
}

void IControl::SetClean()
{
  int frames = mFramesToDraw.load(std::memory_order_relaxed);
  while (frames > 0 && !mFramesToDraw.compare_exchange_weak(frames, frames - 1, std::memory_order_acq_rel)) {}
}

bool IControl::IsDirty() { return FramesToDraw() > 0; }

void IControl::SetAuxParamValueFromPlug(int auxParamIdx, double value)
{
  AuxParam* aux = GetAuxParam(auxParamIdx);
  if (!aux || LoadAux(&aux->mValue) == value) return;
  StoreAux(&aux->mValue, value);
  SetDirty(false);
  SetRedraw();
}

void IControl::SetValueFromUserInput(double value)
{
  if (mValue == value) return;
  mValue = value;
  SetDirty(true);
  SetRedraw();
}

void IControl::PromptUserInput()
{
  if (mParamIdx < 0 || mDisablePrompt || !mPlug) return;
  IParam* param = mPlug->GetParam(mParamIdx);
  IGraphics* graphics = mPlug->GetGUI();
  if (!param || !graphics) return;
  IRECT box = mRECT;
  if (!param->GetNDisplayTexts())
  {
    const int cx = (int)((float)(mRECT.L + mRECT.R) * 0.5f);
    const int cy = (int)((float)(mRECT.T + mRECT.B) * 0.5f);
    box = IRECT(cx - 15, cy - 8, cx + 15, cy + 8);
  }
  graphics->PromptUserInput(this, param, &box);
  SetRedraw();
}

void IControl::PromptUserInput(IRECT* r)
{
  if (mParamIdx < 0 || mDisablePrompt || !mPlug) return;
  IParam* param = mPlug->GetParam(mParamIdx);
  IGraphics* graphics = mPlug->GetGUI();
  if (!param || !graphics) return;
  graphics->PromptUserInput(this, param, r);
  SetRedraw();
}

void IControl::AddAuxParam(int paramIdx)
{
  const AuxParam aux{0.0, paramIdx};
  mAuxParams.Add(&aux);
}

IControl::AuxParam* IControl::GetAuxParam(int idx)
{
  return (idx >= 0 && idx < mAuxParams.GetSize()) ? mAuxParams.Get() + idx : nullptr;
}

int IControl::AuxParamIdx(int paramIdx)
{
  const int n = mAuxParams.GetSize();
  for (int i = 0; i < n; ++i)
    if (mAuxParams.Get()[i].mParamIdx == paramIdx) return i;
  return -1;
}

void IControl::SetAllAuxParamsFromGUI()
{
  if (!mPlug) return;
  const int n = mAuxParams.GetSize();
  for (int i = 0; i < n; ++i)
  {
    AuxParam* aux = mAuxParams.Get() + i;
    mPlug->SetParameterFromGUI(aux->mParamIdx, LoadAux(&aux->mValue));
  }
}

// ---------------------------------------------------------------------------
// Bitmap controls

bool IPanelControl::Draw(IGraphics* graphics) { return graphics->FillIRect(&mColor, &mRECT, &mBlend); }

IBitmapControl::IBitmapControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap, int blendMethod)
    : IControl(plug, IRECT(x, y, x + bitmap->W, y + (bitmap->N > 0 ? bitmap->H / bitmap->N : bitmap->H)), paramIdx,
               blendMethod),
      mBitmap(*bitmap)
{
}

bool IBitmapControl::Draw(IGraphics* graphics)
{
  const int frame = mBitmap.N > 1 ? FrameOfValue(mBitmap, mValue) : 1;
  return graphics->DrawBitmap(&mBitmap, &mRECT, frame, &mBlend);
}

void ISwitchControl::OnMouseDown(int, int, IMouseMod*)
{
  const double step = mBitmap.N < 2 ? 1.0 : 1.0 / (double)(mBitmap.N - 1);
  double v = (double)mValue + step;
  if (v > 1.001) v = 0.0;
  mValue = v;
  SetDirty(true);
}

void ISwitchControl::OnMouseDblClick(int x, int y, IMouseMod* mod) { ISwitchControl::OnMouseDown(x, y, mod); }

void IInvisibleSwitchControl::OnMouseDown(int, int, IMouseMod*)
{
  mValue = mValue < 0.5 ? 1.0 : 0.0;
  SetDirty(true);
}

void IContactControl::OnMouseUp(int, int, IMouseMod*)
{
  mValue = 0.0;
  SetDirty(true);
}

bool IBitmapOverlayControl::Draw(IGraphics* graphics)
{
  if (mValue < 0.5)
  {
    mTargetRECT = mTargetArea;
    return true;
  }
  mTargetRECT = mRECT;
  return IBitmapControl::Draw(graphics);
}

// ---------------------------------------------------------------------------
// Knobs

void IKnobControl::OnMouseDrag(int, int, int dX, int dY, IMouseMod* mod)
{
  double gearing = mGearing;
  if (mod && (mod->Ctrl || mod->Shift)) gearing *= 10.0;
  if (mDirection == kDirVertical)
    mValue += (double)dY / (double)(mRECT.T - mRECT.B) / gearing;
  else
    mValue += (double)dX / (double)(mRECT.R - mRECT.L) / gearing;
  SetDirty(true);
}

IKnobLineControl::IKnobLineControl(IPlugBase* plug, IRECT r, int paramIdx, const IColor* color, double innerRadius,
                                   double outerRadius, double minAngle, double maxAngle, EDirection direction,
                                   double gearing)
    : IKnobControl(plug, r, paramIdx, direction, gearing), mColor(*color), mMinAngle((float)minAngle),
      mMaxAngle((float)maxAngle), mInnerRadius((float)innerRadius), mOuterRadius((float)outerRadius)
{
  if (mOuterRadius == 0.0f) mOuterRadius = 0.5f * (float)r.W();
  mBlend = IChannelBlend(IChannelBlend::kBlendClobber);
}

bool IKnobLineControl::Draw(IGraphics* graphics)
{
  const double angle = (double)mMinAngle + (double)(mMaxAngle - mMinAngle) * (double)mValue;
  const float cx = mRECT.MW(), cy = mRECT.MH();
  return graphics->DrawRadialLine(&mColor, cx, cy, (float)angle, mInnerRadius, mOuterRadius, &mBlend, true);
}

IKnobRotaterControl::IKnobRotaterControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                                         double minAngle, double maxAngle, int yOffsetZeroDeg, EDirection direction,
                                         double gearing)
    : IKnobControl(plug, IRECT(x, y, x + bitmap->W, y + bitmap->H), paramIdx, direction, gearing),
      mBitmap(*bitmap), mMinAngle(minAngle), mMaxAngle(maxAngle), mYOffset(yOffsetZeroDeg)
{
}

bool IKnobRotaterControl::Draw(IGraphics* graphics)
{
  const int cx = (mRECT.L + mRECT.R) / 2, cy = (mRECT.T + mRECT.B) / 2;
  const double angle = mMinAngle + (mMaxAngle - mMinAngle) * (double)mValue;
  return graphics->DrawRotatedBitmap(&mBitmap, cx, cy, angle, mYOffset, &mBlend);
}

IKnobMultiControl::IKnobMultiControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                                     EDirection direction, double gearing)
    : IKnobControl(plug, IRECT(x, y, x + bitmap->W, y + (bitmap->N > 0 ? bitmap->H / bitmap->N : bitmap->H)),
                   paramIdx, direction, gearing),
      mBitmap(*bitmap)
{
}

bool IKnobMultiControl::Draw(IGraphics* graphics)
{
  const int frame = FrameOfValue(mBitmap, mValue);
  return graphics->DrawBitmap(&mBitmap, &mRECT, frame, &mBlend);
}

IKnobRotatingMaskControl::IKnobRotatingMaskControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* base,
                                                   IBitmap* mask, IBitmap* top, double minAngle, double maxAngle,
                                                   EDirection direction, double gearing)
    : IKnobControl(plug, IRECT(x, y, x + base->W, y + base->H), paramIdx, direction, gearing), mBase(*base),
      mMask(*mask), mTop(*top), mMinAngle(minAngle), mMaxAngle(maxAngle)
{
}

bool IKnobRotatingMaskControl::Draw(IGraphics* graphics)
{
  const double angle = mMinAngle + (mMaxAngle - mMinAngle) * (double)mValue;
  return graphics->DrawRotatedMask(&mBase, &mMask, &mTop, mRECT.L, mRECT.T, angle, &mBlend);
}

// ---------------------------------------------------------------------------
// Fader and radio buttons

IFaderControl::IFaderControl(IPlugBase* plug, int x, int y, int len, int paramIdx, IBitmap* bitmap,
                             EDirection direction, bool onlyHandle)
    : IControl(plug, IRECT(), paramIdx), mLen(len), mHandleHeadroom(0), mBitmap(*bitmap), mDirection(direction),
      mOnlyHandle(onlyHandle)
{
  if (direction == kDirVertical)
  {
    mHandleHeadroom = bitmap->H;
    mRECT = mTargetRECT = IRECT(x, y, x + bitmap->W, y + len);
  }
  else
  {
    mHandleHeadroom = bitmap->W;
    mRECT = mTargetRECT = IRECT(x, y, x + len, y + bitmap->H);
  }
}

IRECT IFaderControl::GetHandleRECT(double value) const
{
  IRECT r(mRECT.L, mRECT.T, mRECT.L + mBitmap.W, mRECT.T + mBitmap.H);
  const int travel = mLen - mHandleHeadroom;
  if (mDirection == kDirVertical)
  {
    const int offs = (int)((double)travel * (1.0 - value));
    r.T += offs;
    r.B += offs;
  }
  else
  {
    const int offs = (int)((double)travel * value);
    r.L += offs;
    r.R += offs;
  }
  return r;
}

void IFaderControl::SnapToMouse(int x, int y)
{
  const int travel = mLen - mHandleHeadroom;
  if (travel == 0) return;  // a handle as long as the track has nowhere to go
  if (mDirection == kDirVertical)
    mValue = 1.0 - (double)(y - mRECT.T - mHandleHeadroom / 2) / (double)travel;
  else
    mValue = (double)(x - mRECT.L - mHandleHeadroom / 2) / (double)travel;
  SetDirty(true);
}

void IFaderControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  if (mod && mod->Right)
  {
    PromptUserInput();
    return;
  }
  SnapToMouse(x, y);
}

void IFaderControl::OnMouseDrag(int x, int y, int, int, IMouseMod*) { SnapToMouse(x, y); }

bool IFaderControl::IsHit(int x, int y)
{
  if (mOnlyHandle) return GetHandleRECT(mValue).Contains(x, y);
  return mTargetRECT.Contains(x, y);
}

bool IFaderControl::Draw(IGraphics* graphics)
{
  IRECT r = GetHandleRECT(mValue);
  return graphics->DrawBitmap(&mBitmap, &r, 1, &mBlend);
}

IRadioButtonsControl::IRadioButtonsControl(IPlugBase* plug, IRECT r, int paramIdx, int nButtons, IBitmap* bitmap,
                                           EDirection direction, bool reverse)
    : IControl(plug, r, paramIdx), mRECTs(4096), mBitmap(*bitmap)
{
  if (nButtons < 1) nButtons = 1;
  mRECTs.Resize(nButtons);
  IRECT* buttons = mRECTs.Get();
  if (!buttons) return;
  const int w = bitmap->W, h = bitmap->N > 0 ? bitmap->H / bitmap->N : bitmap->H;
  const int dx = nButtons > 1 ? (r.W() - w) / (nButtons - 1) : 0;
  const int dy = nButtons > 1 ? (r.H() - h) / (nButtons - 1) : 0;
  for (int i = 0; i < nButtons; ++i)
  {
    const int k = reverse ? nButtons - 1 - i : i;
    const int x = r.L + (direction == kDirHorizontal ? k * dx : 0);
    const int y = r.T + (direction == kDirVertical ? k * dy : 0);
    buttons[i] = IRECT(x, y, x + w, y + h);
  }
}

void IRadioButtonsControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  if (mod && mod->Right)
  {
    PromptUserInput();
  }
  else
  {
    const int n = mRECTs.GetSize();
    for (int i = 0; i < n; ++i)
    {
      if (mRECTs.Get()[i].Contains(x, y))
      {
        mValue = n > 1 ? (double)i / (double)(n - 1) : 0.0;
        break;
      }
    }
  }
  SetDirty(true);
}

bool IRadioButtonsControl::Draw(IGraphics* graphics)
{
  const int n = mRECTs.GetSize();
  int selected = (int)((double)(n - 1) * (double)mValue + 0.5);
  if (selected < 0) selected = 0;
  if (selected > n - 1) selected = n - 1;
  for (int i = 0; i < n; ++i) graphics->DrawBitmap(&mBitmap, mRECTs.Get() + i, i == selected ? 2 : 1, &mBlend);
  return true;
}

// ---------------------------------------------------------------------------
// Text

ITextControl::ITextControl(IPlugBase* plug, IRECT r, IText* text, const char* str)
    : IControl(plug, r), mStr(""), mDrawCopy(""), mTextChanges(0), mDrawnChanges(-1)
{
  mText = *text;
  mStr.m_hb.SetMinAllocSize(kTextReserveBytes);
  mStr.m_hb.Resize(1);
  mStr.Set(str);
}

WDL_Mutex* ITextControl::TextLock()
{
  IGraphics* graphics = mPlug ? mPlug->GetGUI() : nullptr;
  return graphics ? graphics->GetMutex() : nullptr;
}

void ITextControl::SetTextFromPlug(const char* str)
{
  if (!str) str = "";
  WDL_MutexLock lock(TextLock());
  if (!std::strcmp(str, mStr.Get())) return;
  SetDirty(false);
  mStr.Set(str);
  ++mTextChanges;
}

void ITextControl::GetTextForPlug(char* out, int outSize)
{
  if (!out || outSize <= 0) return;
  WDL_MutexLock lock(TextLock());
  std::snprintf(out, (size_t)outSize, "%s", mStr.Get());
}

bool ITextControl::Draw(IGraphics* graphics)
{
  {
    WDL_MutexLock lock(TextLock());
    mDrawCopy.Set(mStr.Get());
    mDrawnChanges = mTextChanges;
  }
  char* str = const_cast<char*>(mDrawCopy.Get());
  if (!*str) return true;
  return graphics->DrawIText(&mText, str, &mRECT);
}

void ITextControl::SetClean()
{
  IControl::SetClean();
  bool changedSinceCopy;
  {
    WDL_MutexLock lock(TextLock());
    changedSinceCopy = mDrawnChanges >= 0 && mDrawnChanges != (long long)mTextChanges;
    mDrawnChanges = -1;
  }
  // The frame just finished showed an older text: one more frame.
  if (changedSinceCopy) SetDirty(false);
}

ICaptionControl::ICaptionControl(IPlugBase* plug, IRECT r, int paramIdx, IText* text, bool showParamLabel)
    : ITextControl(plug, r, text, ""), mShowParamLabel(showParamLabel)
{
  mParamIdx = paramIdx;
}

void ICaptionControl::OnMouseDown(int, int, IMouseMod* mod)
{
  if (mod && (mod->Left || mod->Right)) PromptUserInput();
}

void ICaptionControl::OnMouseDblClick(int, int, IMouseMod*) { PromptUserInput(); }

bool ICaptionControl::Draw(IGraphics* graphics)
{
  IParam* param = mPlug ? mPlug->GetParam(mParamIdx) : nullptr;
  if (param)
  {
    char caption[160];
    {
      // The host may set the parameter on its own thread meanwhile.
      WDL_MutexLock lock(mPlug->GetMutex());
      param->GetDisplayForHost(caption, 128, true);
      if (mShowParamLabel)
      {
        const size_t len = std::strlen(caption);
        std::snprintf(caption + len, sizeof(caption) - len, " %s", param->GetLabelForHost());
      }
    }
    WDL_MutexLock lock(TextLock());
    mStr.Set(caption);
  }
  return ITextControl::Draw(graphics);
}

IURLControl::IURLControl(IPlugBase* plug, IRECT r, const char* url, const char* backupURL,
                         const char* errMsgOnFailure)
    : IControl(plug, r)
{
  std::memset(mURL, 0, sizeof(mURL));
  std::memset(mBackupURL, 0, sizeof(mBackupURL));
  std::memset(mErrMsg, 0, sizeof(mErrMsg));
  // An address too long for its buffer is left out (a cut one would open
  // something else); the title is only cut.
  if (url && std::strlen(url) < sizeof(mURL)) std::snprintf(mURL, sizeof(mURL), "%s", url);
  if (backupURL && std::strlen(backupURL) < sizeof(mBackupURL))
    std::snprintf(mBackupURL, sizeof(mBackupURL), "%s", backupURL);
  if (errMsgOnFailure && *errMsgOnFailure) std::snprintf(mErrMsg, sizeof(mErrMsg), "%s", errMsgOnFailure);
}

void IURLControl::OnMouseDown(int, int, IMouseMod*)
{
  IGraphics* graphics = mPlug ? mPlug->GetGUI() : nullptr;
  if (!graphics) return;
  bool opened = false;
  if (*mURL) opened = graphics->OpenURL(mURL, mErrMsg, nullptr, nullptr);
  if (!opened && *mBackupURL) graphics->OpenURL(mBackupURL, mErrMsg, nullptr, nullptr);
}

IFileSelectorControl::IFileSelectorControl(IPlugBase* plug, IRECT r, int paramIdx, IBitmap* bitmap,
                                           EFileAction action, const char* dir, const char* extensions)
    : IControl(plug, r, paramIdx), mBitmap(*bitmap), mDir(dir), mFile(""), mExtensions(extensions),
      mFileAction(action), mState(kFSNone)
{
}

void IFileSelectorControl::OnMouseDown(int, int, IMouseMod*)
{
  IGraphics* graphics = mPlug ? mPlug->GetGUI() : nullptr;
  if (!graphics) return;
  mState = kFSSelecting;
  SetDirty(false);
  graphics->PromptForFile(&mFile, mFileAction, &mDir, const_cast<char*>(mExtensions.Get()));
  double v = (double)mValue + 1.0;
  if (v > 1.0) v = 0.0;
  mValue = v;
  mState = kFSDone;
  SetDirty(true);
}

bool IFileSelectorControl::Draw(IGraphics* graphics)
{
  if (mState != kFSSelecting) return true;
  return graphics->DrawBitmap(&mBitmap, &mRECT, 0, 0, nullptr);
}

bool IFileSelectorControl::IsDirty()
{
  if (IControl::IsDirty()) return true;
  if (mState == kFSDone)
  {
    mState = kFSNone;
    return true;
  }
  return false;
}

void IFileSelectorControl::GetLastSelectedFileForPlug(WDL_String* out)
{
  if (out) out->Set(mFile.Get());
}

void IFileSelectorControl::SetLastSelectedFileFromPlug(const char* file) { mFile.Set(file); }
