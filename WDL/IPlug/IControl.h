// Controls: rectangular elements of the editor (knobs, switches, bitmaps,
// texts) and the value model they share. A control holds a normalised value
// 0..1, an optional link to one plug-in parameter, its redraw state and its
// drawing blend. The editor owns its controls, calls their event handlers
// and asks them to draw; the controls draw with the editor's primitives and
// push user changes to the plug-in.
//
// Threads: SetValueFromPlug, SetAuxParamValueFromPlug and
// ITextControl::SetTextFromPlug may run on the host's thread or the render
// thread; the value and the redraw counter are atomics, so they never wait,
// and text is swapped under the editor's lock for a string copy only.
// Everything else runs on the UI thread.
#ifndef IPLUG_ICONTROL_H_
#define IPLUG_ICONTROL_H_

#include <atomic>

#include "IGraphics.h"
#include "heapbuf.h"
#include "wdlstring.h"

class ITextControl;

// A double read and written atomically (relaxed), so that a value stored by
// the render thread and read by the UI thread is never torn. Read-modify-
// write forms are not atomic as a whole; only the UI thread uses them.
class IAtomicDouble
{
public:
  IAtomicDouble(double v = 0.0) : mV(v) {}
  IAtomicDouble(const IAtomicDouble&) = delete;
  IAtomicDouble& operator=(const IAtomicDouble&) = delete;
  operator double() const { return mV.load(std::memory_order_relaxed); }
  IAtomicDouble& operator=(double v)
  {
    mV.store(v, std::memory_order_relaxed);
    return *this;
  }
  IAtomicDouble& operator+=(double d) { return *this = (double)*this + d; }

private:
  std::atomic<double> mV;
};

class IControl
{
public:
  // One further parameter link.
  struct AuxParam
  {
    double mValue;  // normalised value last received; read and written atomically
    int mParamIdx;
  };

  // A control drawing in r, linked to paramIdx (-1 for none). [main thread]
  IControl(IPlugBase* plug, IRECT r, int paramIdx = -1, int blendMethod = IChannelBlend::kBlendDefault);
  virtual ~IControl() {}

  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // ---- Virtual operations, in virtual-table order. ----

  // Right button: PromptUserInput. [main thread]
  virtual void OnMouseDown(int x, int y, IMouseMod* mod);
  virtual void OnMouseUp(int x, int y, IMouseMod* mod);
  virtual void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod);
  // Back to the default value when there is one; nothing without a linked
  // parameter. [main thread]
  virtual void OnMouseDblClick(int x, int y, IMouseMod* mod);
  // 0.01 of the normalised range per step, 0.001 with Ctrl or Shift;
  // nothing without a linked parameter. [main thread]
  virtual void OnMouseWheel(int x, int y, IMouseMod* mod, int delta);
  virtual bool OnKeyDown(int x, int y, int key);
  virtual void OnMouseOver(int x, int y, IMouseMod* mod);
  virtual void OnMouseOut();
  // Draws the control into the editor's bitmap. [main thread]
  virtual bool Draw(IGraphics* graphics) = 0;
  // A value from the plug-in: the first becomes the double-click default;
  // later ones mark the control for two frames when they change it.
  // [any thread, render thread included]
  virtual void SetValueFromPlug(double value);
  virtual void TextFromTextEntry(const char* txt);
  virtual void Hide(bool hide);
  virtual void GrayOut(bool gray);
  virtual bool IsHit(int x, int y);
  // Clamps the value, marks the control dirty and, with push, hands the
  // value to the linked parameter. [any thread without push; main with]
  virtual void SetDirty(bool pushParamToPlug = true);
  // One frame drawn: counts the frames left to draw down by one. [main thread]
  virtual void SetClean();
  virtual bool IsDirty();
  virtual void OnGUIIdle() {}
  // [any thread]
  virtual void SetAuxParamValueFromPlug(int auxParamIdx, double value);

  // ---- Non-virtual operations. ----

  // A value chosen by the user outside a gesture (menu, text entry). [main thread]
  void SetValueFromUserInput(double value);
  // Menu or text entry for the linked parameter (nothing while prompts are
  // disabled or without a parameter). [main thread]
  void PromptUserInput();
  void PromptUserInput(IRECT* r);
  void AddAuxParam(int paramIdx);
  AuxParam* GetAuxParam(int idx);
  int AuxParamIdx(int paramIdx);
  int NAuxParams() { return mAuxParams.GetSize(); }
  void SetAllAuxParamsFromGUI();

  // ---- Accessors and settings. ----

  int ParamIdx() const { return mParamIdx; }
  double GetValue() const { return mValue; }
  double GetDefaultValue() const { return mDefaultValue; }
  IRECT* GetRECT() { return &mRECT; }
  IRECT* GetTargetRECT() { return &mTargetRECT; }
  void SetTargetArea(IRECT r) { mTargetRECT = r; }
  IText* GetText() { return &mText; }
  const IChannelBlend* GetBlend() const { return &mBlend; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int length) { mTextEntryLength = length; }
  bool IsHidden() const { return mHide; }
  bool IsGrayed() const { return mGrayed; }
  bool GetMOWhenGrayed() const { return mMOWhenGrayed; }
  void SetMOWhenGrayed(bool on) { mMOWhenGrayed = on; }
  bool MouseDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetDblAsSingleClick(bool on) { mDblAsSingleClick = on; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  void SetClamp(double lo, double hi)
  {
    mClampLo = lo;
    mClampHi = hi;
  }
  void SetValueDisplayControl(ITextControl* control) { mValueTextControl = control; }
  void SetNameDisplayControl(ITextControl* control) { mNameTextControl = control; }
  // Frames left to draw (0 clean, 1 once more, 2 twice more). [any thread]
  int FramesToDraw() const { return mFramesToDraw.load(std::memory_order_acquire); }

protected:
  // Marks the control for this frame and the next (a value change).
  void SetRedraw() { mFramesToDraw.store(2, std::memory_order_release); }

  // Fields in this order.
  int mTextEntryLength;
  IText mText;
  IPlugBase* mPlug;
  IRECT mRECT, mTargetRECT;
  int mParamIdx;
  WDL_TypedBuf<AuxParam> mAuxParams;
  IAtomicDouble mValue, mDefaultValue;
  double mClampLo, mClampHi;
  // Frames still to draw. A value change stores 2 (drawn in two frames),
  // SetDirty raises it to at least 1, SetClean takes one off by
  // compare-and-swap, so a change made on another thread while a frame is
  // drawn is never lost.
  std::atomic<int> mFramesToDraw;
  bool mHide, mGrayed, mDisablePrompt, mDblAsSingleClick, mMOWhenGrayed;
  IChannelBlend mBlend;
  ITextControl* mValueTextControl;  // not owned
  ITextControl* mNameTextControl;   // not owned
};

// A rectangle filled with one colour.
class IPanelControl : public IControl
{
public:
  IPanelControl(IPlugBase* plug, IRECT r, const IColor* color) : IControl(plug, r), mColor(*color) {}
  bool Draw(IGraphics* graphics) override;

protected:
  IColor mColor;
};

// A film strip showing the frame of its value; also the background.
class IBitmapControl : public IControl
{
public:
  // Rectangle (x, y, x + W, y + H / N).
  IBitmapControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                 int blendMethod = IChannelBlend::kBlendDefault);
  // Unlinked, at (x, y).
  IBitmapControl(IPlugBase* plug, int x, int y, IBitmap* bitmap, int blendMethod = IChannelBlend::kBlendDefault)
      : IBitmapControl(plug, x, y, -1, bitmap, blendMethod)
  {
  }
  bool Draw(IGraphics* graphics) override;

protected:
  IBitmap mBitmap;
};

// Frame 1..N of a strip for value v: trunc((N - 1) v + 0.5) + 1, clamped.
int FrameOfValue(const IBitmap& bitmap, double v);

// Steps through its frames on each press, wrapping to 0 after the last.
class ISwitchControl : public IBitmapControl
{
public:
  ISwitchControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                 int blendMethod = IChannelBlend::kBlendDefault)
      : IBitmapControl(plug, x, y, paramIdx, bitmap, blendMethod)
  {
  }
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override;
};

// A switch that draws nothing.
class IInvisibleSwitchControl : public IControl
{
public:
  IInvisibleSwitchControl(IPlugBase* plug, IRECT r, int paramIdx)
      : IControl(plug, r, paramIdx, IChannelBlend::kBlendClobber)
  {
  }
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics*) override { return true; }
};

// A momentary button: back to 0 on release.
class IContactControl : public ISwitchControl
{
public:
  using ISwitchControl::ISwitchControl;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
};

// A switch whose "on" frame covers a larger target area.
class IBitmapOverlayControl : public ISwitchControl
{
public:
  IBitmapOverlayControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap, IRECT targetArea)
      : ISwitchControl(plug, x, y, paramIdx, bitmap), mTargetArea(targetArea)
  {
  }
  IBitmapOverlayControl(IPlugBase* plug, int x, int y, IBitmap* bitmap, IRECT targetArea)
      : IBitmapOverlayControl(plug, x, y, -1, bitmap, targetArea)
  {
  }
  bool Draw(IGraphics* graphics) override;

protected:
  IRECT mTargetArea;
};

// A knob turned by dragging: vertical knobs gain 1/gearing per control
// height of upward travel, horizontal ones per control width to the right;
// Ctrl or Shift makes it ten times finer.
class IKnobControl : public IControl
{
public:
  IKnobControl(IPlugBase* plug, IRECT r, int paramIdx, EDirection direction = kDirVertical, double gearing = 4.0)
      : IControl(plug, r, paramIdx), mDirection(direction), mGearing(gearing)
  {
  }
  void SetGearing(double gearing) { mGearing = gearing; }
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;

protected:
  EDirection mDirection;
  double mGearing;
};

// A knob drawn as a line from an inner to an outer radius.
class IKnobLineControl : public IKnobControl
{
public:
  // Angles in radians, 0 up, clockwise; an outer radius of 0 is half the width.
  IKnobLineControl(IPlugBase* plug, IRECT r, int paramIdx, const IColor* color, double innerRadius = 0.0,
                   double outerRadius = 0.0, double minAngle = -0.75 * 3.14159265358979323846,
                   double maxAngle = 0.75 * 3.14159265358979323846, EDirection direction = kDirVertical,
                   double gearing = 4.0);
  bool Draw(IGraphics* graphics) override;

protected:
  IColor mColor;
  float mMinAngle, mMaxAngle, mInnerRadius, mOuterRadius;
};

// A knob drawn as a turned bitmap.
class IKnobRotaterControl : public IKnobControl
{
public:
  IKnobRotaterControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                      double minAngle = -0.75 * 3.14159265358979323846,
                      double maxAngle = 0.75 * 3.14159265358979323846, int yOffsetZeroDeg = 0,
                      EDirection direction = kDirVertical, double gearing = 4.0);
  bool Draw(IGraphics* graphics) override;

protected:
  IBitmap mBitmap;
  double mMinAngle, mMaxAngle;
  int mYOffset;
};

// A knob drawn as a frame of a film strip.
class IKnobMultiControl : public IKnobControl
{
public:
  // Rectangle (x, y, x + W, y + H / N).
  IKnobMultiControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                    EDirection direction = kDirVertical, double gearing = 4.0);
  bool Draw(IGraphics* graphics) override;

protected:
  IBitmap mBitmap;
};

// A knob drawn as a base image with a turned mask and top layered on it.
class IKnobRotatingMaskControl : public IKnobControl
{
public:
  // Angles in degrees.
  IKnobRotatingMaskControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* base, IBitmap* mask,
                           IBitmap* top, double minAngle = -151.0, double maxAngle = 151.0,
                           EDirection direction = kDirVertical, double gearing = 4.0);
  bool Draw(IGraphics* graphics) override;

protected:
  IBitmap mBase, mMask, mTop;
  double mMinAngle, mMaxAngle;
};

// A handle that slides along a track of len pixels.
class IFaderControl : public IControl
{
public:
  IFaderControl(IPlugBase* plug, int x, int y, int len, int paramIdx, IBitmap* bitmap,
                EDirection direction = kDirVertical, bool onlyHandle = false);
  int GetLength() const { return mLen; }
  int GetHandleHeadroom() const { return mHandleHeadroom; }
  // The handle's rectangle at value v.
  IRECT GetHandleRECT(double value) const;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  bool IsHit(int x, int y) override;

protected:
  void SnapToMouse(int x, int y);
  int mLen, mHandleHeadroom;
  IBitmap mBitmap;
  EDirection mDirection;
  bool mOnlyHandle;
};

// A row or column of buttons of which one is selected.
class IRadioButtonsControl : public IControl
{
public:
  // nButtons buttons of one frame's size spread evenly over r, from the far
  // end when reversed. bitmap has two frames: off, on.
  IRadioButtonsControl(IPlugBase* plug, IRECT r, int paramIdx, int nButtons, IBitmap* bitmap,
                       EDirection direction = kDirVertical, bool reverse = false);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;

protected:
  WDL_TypedBuf<IRECT> mRECTs;
  IBitmap mBitmap;
};

// Fixed text, or text the plug-in sets.
class ITextControl : public IControl
{
public:
  ITextControl(IPlugBase* plug, IRECT r, IText* text, const char* str = "");
  // Replaces the text (nothing when equal); one redraw. Never allocates for
  // texts under 128 bytes. [any thread; the plug-in's lock held]
  void SetTextFromPlug(const char* str);
  // The current text copied into out (NUL-terminated, cut to outSize).
  void GetTextForPlug(char* out, int outSize);
  void ClearTextFromPlug() { SetTextFromPlug(""); }
  bool Draw(IGraphics* graphics) override;
  // One frame drawn; stays dirty when the text changed after this frame
  // copied it, so that the change reaches a later frame. [main thread]
  void SetClean() override;

protected:
  // The editor's lock, or null while no editor holds this control's plug-in.
  WDL_Mutex* TextLock();

  WDL_String mStr;
  WDL_String mDrawCopy;  // UI thread's copy of mStr for drawing
  // Changes made by SetTextFromPlug, counted under the text lock; and the
  // count when Draw took its copy (-1: not drawn since the last SetClean).
  unsigned mTextChanges;
  long long mDrawnChanges;
};

// The linked parameter's display text (and label).
class ICaptionControl : public ITextControl
{
public:
  ICaptionControl(IPlugBase* plug, IRECT r, int paramIdx, IText* text, bool showParamLabel = true);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;

protected:
  bool mShowParamLabel;
};

// An area that opens a web address when clicked (the fallback address when
// the first fails). An address of 256 bytes or more is left out.
class IURLControl : public IControl
{
public:
  IURLControl(IPlugBase* plug, IRECT r, const char* url, const char* backupURL = nullptr,
              const char* errMsgOnFailure = nullptr);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics*) override { return true; }

protected:
  char mURL[256], mBackupURL[256], mErrMsg[1024];
};

// A button that asks for a file.
class IFileSelectorControl : public IControl
{
public:
  enum EFileSelectorState
  {
    kFSNone = 0,
    kFSSelecting = 1,
    kFSDone = 2
  };
  IFileSelectorControl(IPlugBase* plug, IRECT r, int paramIdx, IBitmap* bitmap, EFileAction action,
                       const char* dir = "", const char* extensions = "");
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  bool IsDirty() override;
  void GetLastSelectedFileForPlug(WDL_String* out);
  void SetLastSelectedFileFromPlug(const char* file);

protected:
  IBitmap mBitmap;
  WDL_String mDir, mFile, mExtensions;
  EFileAction mFileAction;
  EFileSelectorState mState;
};

#endif
