// Editor core: control list, value synchronisation, redraw bookkeeping,
// event dispatch and prompts. Drawing primitives, bitmaps and fonts are in
// IGraphicsDraw.cpp.
#include "IGraphics.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "IControl.h"
#include "IGraphicsScale.h"
#include "IParam.h"
#include "IPlugBase.h"
#include "IPopupMenu.h"
#include "lice.h"

IGraphics::IGraphics(IPlugBase* plug, int w, int h, int fps)
    : mControls(4096), mPlug(plug), mDrawRECT(), mCursorHidden(false), mHiddenCursorX(-1), mHiddenCursorY(-1),
      mDrawBitmap(nullptr), mTmpBitmap(nullptr), mWidth(w), mHeight(h), mFPS(fps > 0 ? fps : 25),
      mMouseCapture(-1), mMouseOver(-1), mMouseX(0), mMouseY(0), mHandleMouseOver(false), mStrict(true),
      mKeyCatcher(nullptr), mScale(1.0), mScaleChosen(false), mDeviceW(w), mDeviceH(h), mImages(4096),
      mRetiredControls(4096), mDispatchDepth(0), mGestureParam(-1)
{
}

IGraphics::~IGraphics()
{
  delete mKeyCatcher;
  mKeyCatcher = nullptr;
  DeleteControls();
  for (int i = mRetiredControls.GetSize() - 1; i >= 0; --i) mRetiredControls.Delete(i, true);
  delete mDrawBitmap;
  delete mTmpBitmap;
  ForgetImages();
}

void IGraphics::DeleteControls()
{
  for (int i = mControls.GetSize() - 1; i >= 0; --i) mControls.Delete(i, true);
}

void IGraphics::RetireControls()
{
  // Last first, as they would be deleted; kept until the event that is
  // running returns, because one of them may be the caller.
  for (int i = mControls.GetSize() - 1; i >= 0; --i)
  {
    IControl* control = mControls.Get(i);
    mControls.Delete(i, false);
    if (!mRetiredControls.Add(control)) delete control;  // no room: nothing better left to do
  }
}

IGraphics::DispatchScope::DispatchScope(IGraphics* graphics) : mGraphics(graphics) { ++graphics->mDispatchDepth; }

IGraphics::DispatchScope::~DispatchScope()
{
  if (--mGraphics->mDispatchDepth > 0) return;
  WDL_PtrList<IControl>& retired = mGraphics->mRetiredControls;
  for (int i = 0; i < retired.GetSize(); ++i) delete retired.Get(i);
  retired.Empty();
}

void IGraphics::BeginGesture(int paramIdx)
{
  EndGesture();  // a press without its release (a lost grab) never leaves one open
  if (paramIdx < 0 || !mPlug) return;
  mGestureParam = paramIdx;
  mPlug->BeginInformHostOfParamChange(paramIdx);
}

void IGraphics::EndGesture()
{
  const int paramIdx = mGestureParam;
  if (paramIdx < 0) return;
  mGestureParam = -1;
  if (mPlug) mPlug->EndInformHostOfParamChange(paramIdx);
}

// ---------------------------------------------------------------------------
// Building

int IGraphics::AttachControl(IControl* control)
{
  if (!mControls.Add(control))
  {
    delete control;  // the editor took ownership and cannot keep it
    return -1;
  }
  return mControls.GetSize() - 1;
}

void IGraphics::AttachBackground(int ID, const char* name)
{
  IBitmap bg = LoadIBitmap(ID, name, 1, false);
  IControl* control = new IBitmapControl(mPlug, 0, 0, -1, &bg, IChannelBlend::kBlendClobber);
  if (!mControls.Insert(0, control)) delete control;
}

void IGraphics::AttachPanelBackground(const IColor* color)
{
  IControl* control = new IPanelControl(mPlug, IRECT(0, 0, mWidth, mHeight), color);
  if (!mControls.Insert(0, control)) delete control;
}

void IGraphics::AttachKeyCatcher(IControl* control)
{
  if (mKeyCatcher != control) delete mKeyCatcher;
  mKeyCatcher = control;
}

void IGraphics::PrepDraw()
{
  delete mDrawBitmap;
  delete mTmpBitmap;
  mDrawBitmap = new LICE_SysBitmap(mDeviceW, mDeviceH);
  mTmpBitmap = new LICE_MemBitmap(0, 0, 4);
}

void IGraphics::Resize(int w, int h)
{
  mWidth = w;
  mHeight = h;
  mDeviceW = S(w);
  mDeviceH = S(h);
  ReleaseMouseCapture();
  mMouseOver = -1;
  if (mDispatchDepth > 0)
    RetireControls();  // called from a control's handler: that control is still running
  else
    DeleteControls();
  PrepDraw();
  if (mPlug) mPlug->ResizeGraphics(w, h);
}

// ---------------------------------------------------------------------------
// Scale

bool IGraphics::SetScale(double scale)
{
  if (!IsEditorScale(scale) || GetWindow()) return false;
  ApplyScale(scale);
  mScaleChosen = true;
  return true;
}

void IGraphics::ApplyScale(double scale)
{
  if (!IsEditorScale(scale)) return;
  mScale = scale;
  mDeviceW = S(mWidth);
  mDeviceH = S(mHeight);
  if (mDrawBitmap) PrepDraw();
  for (int i = 0; i < mImages.GetSize(); ++i) OpenScaledImage(mImages.Get(i));
  SetAllControlsDirty();
}

int IGraphics::S(int v) const { return mScale == 1.0 ? v : ScaleCoord(v, mScale); }

int IGraphics::ToLogical(int v) const
{
  if (mScale == 1.0) return v;
  return (int)std::floor((double)v / mScale);
}

IRECT IGraphics::ToDeviceRECT(const IRECT& r) const
{
  if (mScale == 1.0) return r;
  // Images sit at their rounded corner with their rounded size, text at
  // rounded positions: one pixel beyond the exact product covers both.
  return IRECT((int)std::floor(r.L * mScale), (int)std::floor(r.T * mScale), (int)std::ceil(r.R * mScale) + 1,
               (int)std::ceil(r.B * mScale) + 1);
}

IRECT IGraphics::PlacedRECT(const IRECT& r) const
{
  if (mScale == 1.0) return r;
  const int l = S(r.L), t = S(r.T);
  return IRECT(l, t, l + S(r.W()), t + S(r.H()));
}

// ---------------------------------------------------------------------------
// Plug-in -> editor

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized)
{
  if (!normalized)
  {
    IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;
    value = param->GetNormalized(value);
  }
  const int n = mControls.GetSize();
  for (int i = 0; i < n; ++i)
  {
    IControl* control = mControls.Get(i);
    if (control->ParamIdx() == paramIdx) control->SetValueFromPlug(value);
    const int aux = control->AuxParamIdx(paramIdx);
    if (aux >= 0) control->SetAuxParamValueFromPlug(aux, value);
  }
}

void IGraphics::SetControlFromPlug(int controlIdx, double normalizedValue)
{
  if (IControl* control = mControls.Get(controlIdx)) control->SetValueFromPlug(normalizedValue);
}

void IGraphics::SetAllControlsDirty()
{
  const int n = mControls.GetSize();
  for (int i = 0; i < n; ++i) mControls.Get(i)->SetDirty(false);
}

void IGraphics::SetStrictDrawing(bool strict)
{
  mStrict = strict;
  SetAllControlsDirty();
}

void IGraphics::OnGUIIdle()
{
  const int n = mControls.GetSize();
  for (int i = 0; i < n; ++i) mControls.Get(i)->OnGUIIdle();
}

void IGraphics::HideControl(int paramIdx, bool hide)
{
  const int n = mControls.GetSize();
  for (int i = 0; i < n; ++i)
    if (mControls.Get(i)->ParamIdx() == paramIdx) mControls.Get(i)->Hide(hide);
}

void IGraphics::GrayOutControl(int paramIdx, bool gray)
{
  const int n = mControls.GetSize();
  for (int i = 0; i < n; ++i)
    if (mControls.Get(i)->ParamIdx() == paramIdx) mControls.Get(i)->GrayOut(gray);
}

void IGraphics::ClampControl(int paramIdx, double lo, double hi, bool normalized)
{
  if (!normalized)
  {
    IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;
    lo = param->GetNormalized(lo);
    hi = param->GetNormalized(hi);
  }
  const int n = mControls.GetSize();
  for (int i = 0; i < n; ++i)
    if (mControls.Get(i)->ParamIdx() == paramIdx) mControls.Get(i)->SetClamp(lo, hi);
}

// ---------------------------------------------------------------------------
// Redraw

bool IGraphics::IsDirty(IRECT* r)
{
  bool dirty = false;
  const int n = mControls.GetSize();
  for (int i = 0; i < n; ++i)
  {
    IControl* control = mControls.Get(i);
    if (control->IsDirty())
    {
      *r = r->Union(ToDeviceRECT(*control->GetRECT()));
      dirty = true;
    }
  }
  return dirty;
}

bool IGraphics::Draw(IRECT* r)
{
  const int n = mControls.GetSize();
  if (!n) return true;

  if (mStrict)
  {
    mDrawRECT = *r;
    const IRECT editor(0, 0, mDeviceW, mDeviceH);
    for (int i = 0; i < n; ++i)
    {
      IControl* control = mControls.Get(i);
      const IRECT cr = ToDeviceRECT(*control->GetRECT());
      const bool inRect = r->Intersects(cr);
      if (inRect && !control->IsHidden()) control->Draw(this);
      // Only what this frame covered is clean: a control dirtied outside r
      // (after IsDirty, or outside a repaint the window system shrank) is
      // drawn by a later frame. A control that can never be covered (no
      // area, or wholly off the editor) is cleaned so it cannot keep the
      // editor polling for ever.
      if (inRect || !cr.Intersects(editor)) control->SetClean();
    }
  }
  else
  {
    IControl* bg = mControls.Get(0);
    if (bg->IsDirty())
    {
      mDrawRECT = ToDeviceRECT(*bg->GetRECT());
      for (int i = 0; i < n; ++i)
      {
        IControl* control = mControls.Get(i);
        if (i == 0 || !control->IsHidden())
        {
          control->Draw(this);
          control->SetClean();
        }
      }
    }
    else
    {
      for (int i = 1; i < n; ++i)
      {
        IControl* dirty = mControls.Get(i);
        if (!dirty->IsDirty()) continue;
        mDrawRECT = ToDeviceRECT(*dirty->GetRECT());
        for (int j = 0; j < n; ++j)
        {
          IControl* control = mControls.Get(j);
          if (!control->IsHidden() && (j == i || ToDeviceRECT(*control->GetRECT()).Intersects(mDrawRECT)))
            control->Draw(this);
        }
        dirty->SetClean();
      }
    }
  }
  return DrawScreen(r);
}

// ---------------------------------------------------------------------------
// Events

void IGraphics::ReleaseMouseCapture()
{
  mMouseCapture = mMouseX = mMouseY = -1;
}

int IGraphics::GetMouseControlIdx(int x, int y, bool mouseOver)
{
  return ControlAt(ToLogical(x), ToLogical(y), mouseOver);
}

int IGraphics::ControlAt(int x, int y, bool mouseOver)
{
  if (mMouseCapture >= 0) return mMouseCapture;
  for (int i = mControls.GetSize() - 1; i >= 0; --i)
  {
    IControl* control = mControls.Get(i);
    if (control->IsHidden()) continue;
    if (control->IsGrayed() && !(mouseOver && control->GetMOWhenGrayed())) continue;
    if (control->IsHit(x, y)) return i;
  }
  return -1;
}

void IGraphics::OnMouseDown(int deviceX, int deviceY, IMouseMod* mod)
{
  const int x = ToLogical(deviceX), y = ToLogical(deviceY);
  DispatchScope scope(this);
  ReleaseMouseCapture();
  const int c = ControlAt(x, y);
  if (c < 0) return;
  mMouseCapture = c;
  mMouseX = x;
  mMouseY = y;
  IControl* control = mControls.Get(c);
  // The gesture begins before the handler runs: a switch sets its value at
  // the press, and a prompt menu sets it before the handler returns.
  BeginGesture(control->ParamIdx());
  control->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseUp(int deviceX, int deviceY, IMouseMod* mod)
{
  const int x = ToLogical(deviceX), y = ToLogical(deviceY);
  DispatchScope scope(this);
  const int c = ControlAt(x, y);
  ReleaseMouseCapture();
  if (IControl* control = mControls.Get(c)) control->OnMouseUp(x, y, mod);
  // Only the gesture a press began ends here: a release that follows a
  // menu's own grab, or the second release of a double click, ends nothing.
  EndGesture();
}

void IGraphics::OnMouseDrag(int deviceX, int deviceY, IMouseMod* mod)
{
  const int x = ToLogical(deviceX), y = ToLogical(deviceY);
  DispatchScope scope(this);
  IControl* control = mControls.Get(mMouseCapture);
  if (!control) return;
  // The distance in 64 bits, limited to int: positions far apart (a window
  // system reporting extreme coordinates) must not overflow.
  auto distance = [](int to, int from) {
    const long long d = (long long)to - (long long)from;
    return (int)(d < INT_MIN ? INT_MIN : (d > INT_MAX ? INT_MAX : d));
  };
  const int dX = distance(x, mMouseX), dY = distance(y, mMouseY);
  if (!dX && !dY) return;
  mMouseX = x;
  mMouseY = y;
  control->OnMouseDrag(x, y, dX, dY, mod);
}

bool IGraphics::OnMouseDblClick(int deviceX, int deviceY, IMouseMod* mod)
{
  const int x = ToLogical(deviceX), y = ToLogical(deviceY);
  DispatchScope scope(this);
  ReleaseMouseCapture();
  const int c = ControlAt(x, y);
  IControl* control = mControls.Get(c);
  if (!control) return false;
  // Either way the value may change now, so a gesture begins; the release
  // that follows the double click ends it.
  BeginGesture(control->ParamIdx());
  if (control->MouseDblAsSingleClick())
  {
    mMouseCapture = c;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDown(x, y, mod);
    return true;
  }
  control->OnMouseDblClick(x, y, mod);
  return false;
}

void IGraphics::OnMouseWheel(int deviceX, int deviceY, IMouseMod* mod, int delta)
{
  const int x = ToLogical(deviceX), y = ToLogical(deviceY);
  DispatchScope scope(this);
  if (IControl* control = mControls.Get(ControlAt(x, y))) control->OnMouseWheel(x, y, mod, delta);
}

bool IGraphics::OnMouseOver(int deviceX, int deviceY, IMouseMod* mod)
{
  const int x = ToLogical(deviceX), y = ToLogical(deviceY);
  if (!mHandleMouseOver) return false;
  DispatchScope scope(this);
  const int c = ControlAt(x, y, true);
  if (c >= 0)
  {
    mMouseX = x;
    mMouseY = y;
    mControls.Get(c)->OnMouseOver(x, y, mod);
    if (mMouseOver >= 0 && mMouseOver != c)
      if (IControl* previous = mControls.Get(mMouseOver)) previous->OnMouseOut();
    mMouseOver = c;
  }
  return mHandleMouseOver;
}

void IGraphics::OnMouseOut()
{
  const int n = mControls.GetSize();
  for (int i = 0; i < n; ++i) mControls.Get(i)->OnMouseOut();
  mMouseOver = -1;
}

bool IGraphics::OnKeyDown(int deviceX, int deviceY, int key)
{
  const int x = ToLogical(deviceX), y = ToLogical(deviceY);
  DispatchScope scope(this);
  const int c = ControlAt(x, y);
  if (c > 0) return mControls.Get(c)->OnKeyDown(x, y, key);
  return mKeyCatcher ? mKeyCatcher->OnKeyDown(x, y, key) : false;
}

// ---------------------------------------------------------------------------
// Prompts

void IGraphics::PromptUserInput(IControl* control, IParam* param, IRECT* r)
{
  if (!control || !param || !r) return;
  const int nTexts = param->GetNDisplayTexts();
  const bool menu = param->Type() == IParam::kTypeEnum || (param->Type() == IParam::kTypeBool && nTexts > 0);
  if (menu)
  {
    char current[128];
    param->GetDisplayForHost(param->Value(), false, current, (int)sizeof(current), true);
    IPopupMenu popup;
    for (int i = 0; i < nTexts; ++i)
    {
      const char* text = param->GetDisplayTextAtIdx(i);
      const bool checked = text && !std::strcmp(text, current);
      popup.AddItem(text, -1, checked ? IPopupMenuItem::kMenuItemChecked : IPopupMenuItem::kNoFlags);
    }
    if (CreateIPopupMenu(&popup, r))
    {
      const int chosen = popup.GetChosenItemIdx();
      if (chosen >= 0) control->SetValueFromUserInput(param->GetNormalized((double)chosen));
    }
    return;
  }
  char current[128];
  param->GetDisplayForHost(param->Value(), false, current, (int)sizeof(current), false);
  CreateTextEntry(control, control->GetText(), r, current, param);
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, char* text)
{
  if (!param || !control || !text) return;
  // What a person types: a number with an optional unit, a display text or
  // a switch word, in range. Anything else ("abc", "nan", "5 parsecs", a
  // value past the ends) changes nothing.
  double value = 0.0;
  if (!param->ReadTypedValue(text, &value)) return;
  // A text entry ends long after the press that opened it: the change gets
  // a gesture of its own unless one is still open.
  const bool ownGesture = mGestureParam < 0;
  if (ownGesture) BeginGesture(control->ParamIdx());
  control->SetValueFromUserInput(param->GetNormalized(value));
  if (ownGesture) EndGesture();
}

bool IGraphics::GetReadoutText(IControl* control, WDL_String* text)
{
  if (!text) return false;
  text->Set("");
  const int idx = control ? control->ParamIdx() : -1;
  IParam* param = mPlug && idx >= 0 ? mPlug->GetParam(idx) : nullptr;
  if (!param) return false;
  char value[128] = "";
  param->GetDisplayForHost(value, static_cast<int>(sizeof(value)));
  const char* start = value;
  while (*start == ' ') ++start;
  text->Set(param->GetNameForHost());
  text->Append(": ");
  text->Append(start);
  const char* label = param->GetLabelForHost();
  if (label && *label)
  {
    text->Append(" ");
    text->Append(label);
  }
  // The description wrapped at spaces into lines of about kWrapChars, so
  // the readout stays narrow.
  const int kWrapChars = 64;
  const char* description = mPlug->GetParamDescription(idx);
  for (const char* p = description; p && *p;)
  {
    int n = static_cast<int>(strlen(p));
    if (n > kWrapChars)
    {
      int cut = kWrapChars;
      while (cut > 0 && p[cut] != ' ') --cut;
      n = cut > 0 ? cut : kWrapChars;
    }
    text->Append("\n");
    text->Append(p, n);
    p += n;
    while (*p == ' ') ++p;
  }
  return true;
}
