// The platform-neutral editor: the ordered control list, the off-screen
// bitmap every control draws into, the redraw bookkeeping, mouse and key
// dispatch, plug-in <-> control value synchronisation, the process-wide
// bitmap and font caches and the drawing primitives. Everything that needs
// the window system is a pure virtual operation of the platform editor.
//
// Threads: drawing and events run on the UI thread. SetParameterFromPlug and
// SetControlFromPlug may also run on the host's thread or the render thread;
// they only store a control's value and mark it dirty (atomically) and never
// allocate or wait. The control list changes only while the editor is built,
// in Resize and in the destructor.
//
// Scale: the layout (control rectangles, hit areas, the coordinates handed
// to controls) is in logical pixels, those of the scale-1 editor. At scale s
// the bitmap and the window are Width() x Height() = round(logical * s)
// device pixels, images come from the files drawn for s (the image
// generator's "<Name>@<s>x.png"), text is drawn at s times its size, and the
// drawing primitives map logical coordinates to device pixels. Events,
// IsDirty, Draw and GetMouseControlIdx take device pixels (the window's).
#ifndef IPLUG_IGRAPHICS_H_
#define IPLUG_IGRAPHICS_H_

#include "IGraphicsStructs.h"
#include "mutex.h"
#include "ptrlist.h"
#include "wdlstring.h"

class IPlugBase;
class IControl;
class IParam;
class IPopupMenu;

class LICE_SysBitmap;
class LICE_MemBitmap;
class LICE_CachedFont;
struct IGraphicsScaledImage;

class IGraphics
{
public:
  // An editor of w x h logical pixels polled fps times a second (25 when
  // fps <= 0), at scale 1 until SetScale.
  // plug may be null for an editor that talks to no plug-in. [main thread]
  IGraphics(IPlugBase* plug, int w, int h, int fps = 0);
  // Deletes the key catcher, the controls (last first) and both bitmaps.
  // Cached images and fonts survive. [main thread]
  virtual ~IGraphics();

  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---- Platform operations, in virtual-table order. [main thread] ----

  // Presents the rectangle r of the off-screen bitmap; true on success.
  virtual bool DrawScreen(IRECT* r) = 0;
  // Measures str in style text: r keeps its anchor and takes the text's size.
  virtual bool MeasureIText(IText* text, char* str, IRECT* r);
  // Ends a text entry in progress.
  virtual void ForceEndUserEdit() = 0;
  // New logical size: the controls are deleted and must be attached again. Called
  // from a control's event handler, the old controls are deleted when the
  // event returns, so the caller may go on running.
  virtual void Resize(int w, int h);
  // True while a window is open.
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  // Name of the window system interface ("" for none).
  virtual const char* GetGUIAPI() { return ""; }
  // Modal message box; returns the button pressed.
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  // Shows menu modally at r's top-left; returns the (sub)menu holding the
  // chosen item with its chosen index set, or null.
  virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* r) = 0;
  // Opens an edit field over r; the platform calls SetFromStringAfterPrompt
  // when it ends.
  virtual void CreateTextEntry(IControl* control, IText* text, IRECT* r, const char* initial, IParam* param) = 0;
  virtual void HostPath(WDL_String* path) = 0;
  virtual void PluginPath(WDL_String* path) = 0;
  virtual void DesktopPath(WDL_String* path) = 0;
  // Asks for a file; file stays empty when cancelled.
  virtual void PromptForFile(WDL_String* file, EFileAction action, WDL_String* dir, char* extensions) = 0;
  virtual bool PromptForColor(IColor* color, char* prompt) = 0;
  // Opens the address in the user's browser; true on success.
  virtual bool OpenURL(const char* url, const char* windowTitle = nullptr, const char* confirmText = nullptr,
                       const char* errorText = nullptr) = 0;
  virtual void* OpenWindow(void* parent) = 0;
  virtual void* OpenWindow(void* /*window*/, void* /*control*/, short /*x*/, short /*y*/) { return nullptr; }
  virtual void AttachSubWindow(void* /*parent*/) {}
  virtual void RemoveSubWindow() {}
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  virtual void HideMouseCursor() {}
  virtual void ShowMouseCursor() {}
  // Loads the named image resource (PNG) into a new heap bitmap, or null.
  virtual LICE_IBitmap* OSLoadBitmap(int ID, const char* name) = 0;

  // ---- Building. [main thread] ----

  // Appends control (the editor owns it) and returns its index.
  int AttachControl(IControl* control);
  // Loads image ID and inserts it as a full-size background at index 0.
  void AttachBackground(int ID, const char* name);
  // Inserts a panel of colour covering the editor at index 0.
  void AttachPanelBackground(const IColor* color);
  // Control that takes keys nothing under the pointer takes; owned.
  void AttachKeyCatcher(IControl* control);
  // Creates the off-screen bitmap (Width() x Height()) and the scratch bitmap.
  // Virtual so that the plug-in base reaches it through its forward
  // declaration alone.
  virtual void PrepDraw();

  // ---- Scale. [main thread] ----

  // Draws at scale from now on: one of kEditorScales (IGraphicsScale.h),
  // anything else is refused (false, nothing changed), and so is any change
  // while a window is open. Re-creates the bitmap when one exists, opens the
  // scale's file of every image loaded so far (pixels are decoded when first
  // drawn) and marks every control dirty. The scale then counts as chosen.
  bool SetScale(double scale);
  double Scale() const { return mScale; }
  // True once SetScale succeeded: a window opened later keeps the scale
  // instead of asking the screen for one.
  bool ScaleChosen() const { return mScaleChosen; }
  // The device pixels covering the logical rectangle r (every pixel a
  // control drawn in r may touch); r itself at scale 1.
  IRECT ToDeviceRECT(const IRECT& r) const;
  // The logical pixel holding device pixel v (floor(v / scale)).
  int ToLogical(int v) const;
  // Bytes of the pixels of the images this editor draws at its scale (each
  // image's width x height x 4, counted once), what decoding them all costs.
  size_t ImageBytes() const;

  // ---- Plug-in -> editor. ----

  // Gives every control linked to paramIdx (directly or as an auxiliary link)
  // the value, converted to 0..1 unless normalized. Stores and marks dirty
  // only. [any thread; the host's thread holds the plug-in's lock]
  virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized);
  // SetValueFromPlug on control controlIdx; out-of-range indices are
  // ignored. Never allocates or waits. [any thread, render thread included]
  void SetControlFromPlug(int controlIdx, double normalizedValue);
  void SetAllControlsDirty();                                      // [main thread]
  void SetStrictDrawing(bool strict);                              // [main thread]
  void OnGUIIdle();                                                // [main thread]
  void HideControl(int paramIdx, bool hide);                       // [main thread]
  void GrayOutControl(int paramIdx, bool gray);                    // [main thread]
  void ClampControl(int paramIdx, double lo, double hi, bool normalized);  // [main thread]

  // ---- Redraw. [main thread] ----

  // Unions into r the rectangles of the dirty controls; true when any is.
  bool IsDirty(IRECT* r);
  // Draws the controls that need it into the off-screen bitmap and presents
  // r; with no controls returns true and presents nothing.
  bool Draw(IRECT* r);

  // ---- Events, in device pixels (the window's). [main thread] ----
  // A press begins a gesture on the pressed control's parameter before the
  // control's handler runs (so before any value it sets); the next release
  // ends it. A release without a gesture begun ends nothing, and a new
  // press ends a gesture left open, so the host always sees begin, changes,
  // end. A double click begins one too (its release ends it).

  void OnMouseDown(int x, int y, IMouseMod* mod);
  void OnMouseUp(int x, int y, IMouseMod* mod);
  void OnMouseDrag(int x, int y, IMouseMod* mod);
  // True when the double click was delivered as a press (mouse captured).
  bool OnMouseDblClick(int x, int y, IMouseMod* mod);
  void OnMouseWheel(int x, int y, IMouseMod* mod, int delta);
  bool OnMouseOver(int x, int y, IMouseMod* mod);
  void OnMouseOut();
  // True when a control took the key.
  bool OnKeyDown(int x, int y, int key);
  void ReleaseMouseCapture();
  // Index of the control under (x, y) (the captured one while captured), or -1.
  int GetMouseControlIdx(int x, int y, bool mouseOver = false);
  void HandleMouseOver(bool canHandle) { mHandleMouseOver = canHandle; }

  // ---- Bitmaps. [main thread] ----

  // Film strip of image ID (loaded once per process; the name is used only
  // for the first load). A missing or undecodable image gives a handle with
  // no image and zero size, which draws nothing; nStates <= 0 counts as 1.
  IBitmap LoadIBitmap(int ID, const char* name, int nStates = 1, bool framesAreHorizontal = false);
  IBitmap CropBitmap(IBitmap* src, IRECT* r);
  IBitmap ScaleBitmap(IBitmap* src, int destW, int destH);
  void RetainBitmap(IBitmap* bitmap);
  void ReleaseBitmap(IBitmap* bitmap);

  // ---- Drawing primitives into the off-screen bitmap. [main thread] ----
  // Coordinates, sizes and radii are logical pixels, drawn at the editor's
  // scale; ForcePixel, GetPoint and GetBits address the bitmap's own
  // (device) pixels.

  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY, const IChannelBlend* blend = nullptr);
  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int frame = 1, const IChannelBlend* blend = nullptr);
  bool DrawRotatedBitmap(IBitmap* bitmap, int destCtrX, int destCtrY, double angle, int yOffsetZeroDeg = 0,
                         const IChannelBlend* blend = nullptr);
  bool DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y, double angleDegrees,
                       const IChannelBlend* blend = nullptr);
  bool DrawPoint(const IColor* color, float x, float y, const IChannelBlend* blend = nullptr, bool antiAlias = false);
  // Raw store; the caller keeps (x, y) inside the bitmap.
  bool ForcePixel(const IColor* color, int x, int y);
  IColor GetPoint(int x, int y);
  unsigned int* GetBits();
  bool DrawLine(const IColor* color, float x1, float y1, float x2, float y2, const IChannelBlend* blend = nullptr,
                bool antiAlias = false);
  bool DrawRadialLine(const IColor* color, float cx, float cy, float angle, float rMin, float rMax,
                      const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool DrawHorizontalLine(const IColor* color, int yi, int xLo, int xHi);
  bool DrawHorizontalLine(const IColor* color, IRECT* r, float v);
  bool DrawVerticalLine(const IColor* color, int xi, int yLo, int yHi);
  bool DrawVerticalLine(const IColor* color, IRECT* r, float v);
  bool DrawRect(const IColor* color, IRECT* r);
  bool FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend = nullptr);
  bool FillIConvexPolygon(const IColor* color, int* x, int* y, int npoints, const IChannelBlend* blend = nullptr);
  bool FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3,
                    const IChannelBlend* blend = nullptr);
  bool FillCircle(const IColor* color, int cx, int cy, float r, const IChannelBlend* blend = nullptr,
                  bool antiAlias = false);
  bool DrawCircle(const IColor* color, float cx, float cy, float r, const IChannelBlend* blend = nullptr,
                  bool antiAlias = false);
  bool DrawArc(const IColor* color, float cx, float cy, float r, float minAngle, float maxAngle,
               const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool RoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend, int cornerRadius, bool antiAlias);
  bool FillRoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend, int cornerRadius, bool antiAlias);
  // Draws (or with measure, measures into r) str in style text; false when
  // no font can be made.
  bool DrawIText(IText* text, char* str, IRECT* r, bool measure = false);
  // The font of a text style, created once per (size, orientation, style,
  // face) and kept for the process; stored in text->mCached. Null when the
  // platform has no such font.
  LICE_CachedFont* CacheFont(IText* text);

  // ---- Prompts. [main thread] ----

  // A menu of param's display texts (enumerations, booleans with texts) or
  // a text entry over r for control.
  void PromptUserInput(IControl* control, IParam* param, IRECT* r);
  // Called by the platform when a text entry ends with text.
  void SetFromStringAfterPrompt(IControl* control, IParam* param, char* text);

  // ---- Readout. [main thread] ----
  // The readout of control for the pointer resting on or dragging it: its
  // parameter's name and value with unit ("HP Freq: 120 Hz"), then on a
  // second line the plug-in's description of the parameter when it has one.
  // False (text emptied) for a control with no parameter.
  virtual bool GetReadoutText(IControl* control, WDL_String* text);

  // ---- Accessors. ----

  // The bitmap's and the window's size in device pixels.
  int Width() const { return mDeviceW; }
  int Height() const { return mDeviceH; }
  // The layout's size in logical pixels.
  int LogicalWidth() const { return mWidth; }
  int LogicalHeight() const { return mHeight; }
  int FPS() const { return mFPS; }
  IPlugBase* GetPlug() { return mPlug; }
  int NControls() const { return mControls.GetSize(); }
  IControl* GetControl(int idx) { return mControls.Get(idx); }
  LICE_SysBitmap* GetDrawBitmap() { return mDrawBitmap; }
  // The editor's lock: guards text that the plug-in sets from other threads
  // against the UI thread's copy of it. Held only for a string copy.
  WDL_Mutex* GetMutex() { return &mMutex; }

protected:
  // Blits src's area at (srcX, srcY) into dest (device pixels) clipped to
  // mDrawRECT.
  bool BlitClipped(LICE_IBitmap* src, IRECT* dest, int srcX, int srcY, const IChannelBlend* blend);
  // Applies scale (a supported one) without the checks of SetScale; for a
  // platform editor choosing it as its window opens.
  void ApplyScale(double scale);

  // Fields in this order.
  WDL_Mutex mMutex;
  WDL_PtrList<IControl> mControls;
  IPlugBase* mPlug;
  IRECT mDrawRECT;
  bool mCursorHidden;
  int mHiddenCursorX, mHiddenCursorY;
  LICE_SysBitmap* mDrawBitmap;
  LICE_MemBitmap* mTmpBitmap;
  int mWidth, mHeight;  // logical pixels
  int mFPS;             // redraw polls per second
  int mMouseCapture;    // captured control index, -1 for none
  int mMouseOver;       // control that last had mouse-over, -1 for none
  int mMouseX, mMouseY;  // logical pixels
  bool mHandleMouseOver;
  bool mStrict;
  IControl* mKeyCatcher;

private:
  // Counts events being dispatched; at the outermost one's end the controls
  // a Resize retired during it are deleted.
  class DispatchScope
  {
  public:
    explicit DispatchScope(IGraphics* graphics);
    ~DispatchScope();
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;

  private:
    IGraphics* mGraphics;
  };

  void DeleteControls();
  // Moves every control to mRetiredControls (Resize inside an event).
  void RetireControls();
  // Tells the plug-in a gesture on paramIdx begins (ending any still open);
  // nothing for -1.
  void BeginGesture(int paramIdx);
  // Ends the gesture begun, if any.
  void EndGesture();

  // The image drawn for bitmap at the current scale (bitmap itself at 1):
  // the scale's file, or, where it is missing or has the wrong size, the
  // scale-1 image resampled frame by frame. A bitmap without image gives one
  // without image.
  IBitmap ScaledBitmap(const IBitmap& bitmap);
  // Deletes the records of mImages (the images stay cached).
  void ForgetImages();
  // The scale's image of entry, opened (not decoded) on first use.
  void OpenScaledImage(IGraphicsScaledImage* entry);
  // A logical coordinate / length at the current scale.
  int S(int v) const;
  float SF(float v) const { return (float)((double)v * mScale); }
  // The device rectangle of a logical one placed at its rounded corner with
  // its rounded size: where an image of r's size at this scale is drawn.
  IRECT PlacedRECT(const IRECT& r) const;
  // Index of the control under the logical point (x, y), as GetMouseControlIdx.
  int ControlAt(int x, int y, bool mouseOver = false);

  double mScale;       // device pixels per logical pixel
  bool mScaleChosen;   // SetScale succeeded
  int mDeviceW, mDeviceH;
  WDL_PtrList<IGraphicsScaledImage> mImages;  // owned records; images owned by the cache
  WDL_PtrList<IControl> mRetiredControls;  // owned; deleted when dispatch ends
  int mDispatchDepth;                      // events being dispatched
  int mGestureParam;                       // parameter of the open gesture, -1 none
};

#endif
