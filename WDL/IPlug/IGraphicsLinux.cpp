#include "IGraphicsLinux.h"

#include <CoreFoundation/CoreFoundation.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "IControl.h"
#include "IGraphicsBundle.h"
#include "IGraphicsScale.h"
#include "IParam.h"
#include "IPopupMenu.h"
#include "lice.h"

namespace
{

int Rgb(const IColor& c)
{
  return (c.R & 0xFF) << 16 | (c.G & 0xFF) << 8 | (c.B & 0xFF);
}

// Modifiers of left-button, motion and wheel events: Command makes a right
// click of a left one.
IMouseMod LeftMod(int m)
{
  return IMouseMod(true, (m & kSwellModCommand) != 0, (m & kSwellModShift) != 0, (m & kSwellModControl) != 0,
                   (m & kSwellModOption) != 0);
}

IMouseMod ButtonMod(const SWELL_Event& e)
{
  if (e.button == 3)
    return IMouseMod(false, true, (e.modifiers & kSwellModShift) != 0, (e.modifiers & kSwellModControl) != 0,
                     (e.modifiers & kSwellModOption) != 0);
  return LeftMod(e.modifiers);
}

// The editor's key code of a key: space and the arrows by key, then digits
// and Latin letters by their one character; -1 for other keys.
int KeyCode(unsigned long keysym, const char* text)
{
  switch (keysym)
  {
  case 0x20: return 0;      // space
  case 0xFF52: return 1;    // up
  case 0xFF54: return 2;    // down
  case 0xFF51: return 3;    // left
  case 0xFF53: return 4;    // right
  default: break;
  }
  const char c = text[0];
  if (c >= '0' && c <= '9') return 5 + (c - '0');
  if (c >= 'A' && c <= 'Z') return 15 + (c - 'A');
  if (c >= 'a' && c <= 'z') return 15 + (c - 'a');
  return -1;
}

bool IsArrowOrSpace(unsigned long keysym)
{
  return keysym == 0x20 || (keysym >= 0xFF51 && keysym <= 0xFF54);
}

// Number of UTF-8 characters in text.
int CharCount(const char* text)
{
  int n = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
    if ((*p & 0xC0) != 0x80) ++n;
  return n;
}

// A native menu built from an IPopupMenu tree, with the record each native
// (sub)menu came from.
struct MenuTree
{
  std::vector<std::vector<std::string>> titles;
  std::vector<std::vector<SWELL_MenuItem>> items;
  std::vector<SWELL_Menu> menus;
  std::vector<IPopupMenu*> sources;

  // Builds menu and its submenus; returns the index of menu's record.
  int Build(IPopupMenu* menu, int depth)
  {
    const size_t at = menus.size();
    menus.emplace_back();
    sources.push_back(menu);
    titles.emplace_back();
    items.emplace_back();
    const int n = menu->GetNItems();
    std::vector<int> subs(static_cast<size_t>(n), -1);
    for (int i = 0; i < n; ++i)
    {
      IPopupMenuItem* it = menu->GetItem(i);
      char prefix[16];
      menu->FormatPrefix(i, prefix, static_cast<int>(sizeof(prefix)));
      titles[at].push_back(std::string(prefix) + (it->GetText() ? it->GetText() : ""));
      if (it->GetSubmenu() && depth < 16) subs[i] = Build(it->GetSubmenu(), depth + 1);
    }
    for (int i = 0; i < n; ++i)
    {
      IPopupMenuItem* it = menu->GetItem(i);
      SWELL_MenuItem m = {};
      m.separator = it->GetIsSeparator();
      m.checked = it->GetChecked();
      m.enabled = it->GetEnabled();
      m.indent = it->GetIndented() ? 1 : 0;
      m.submenu = reinterpret_cast<const SWELL_Menu*>(static_cast<intptr_t>(subs[i] + 1)); // fixed up below
      items[at].push_back(m);
    }
    return static_cast<int>(at);
  }

  // Points titles, items and submenus at their final storage.
  void Link()
  {
    for (size_t m = 0; m < menus.size(); ++m)
    {
      for (size_t i = 0; i < items[m].size(); ++i)
      {
        items[m][i].title = titles[m][i].c_str();
        const intptr_t sub = reinterpret_cast<intptr_t>(items[m][i].submenu) - 1;
        items[m][i].submenu = sub >= 0 ? &menus[static_cast<size_t>(sub)] : nullptr;
      }
      menus[m].items = items[m].data();
      menus[m].count = static_cast<int>(items[m].size());
    }
  }
};

CFBundleRef FindBundle(const char* bundleID)
{
  if (!bundleID || !*bundleID) return nullptr;
  CFStringRef id = CFStringCreateWithCString(kCFAllocatorDefault, bundleID, kCFStringEncodingUTF8);
  if (!id) return nullptr;
  CFBundleRef b = CFBundleGetBundleWithIdentifier(id);
  CFRelease(id);
  return b;
}

std::string ExpandHome(const std::string& path)
{
  if (path.compare(0, 1, "~") != 0) return path;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + path.substr(1);
}

} // namespace

IGraphicsLinux::IGraphicsLinux(IPlugBase* plug, int w, int h, int fps, const char* bundleID)
  : IGraphics(plug, w, h, fps), mView(nullptr), mTimer(0), mBundleIdentifier(bundleID ? bundleID : ""),
    mPrevX(0), mPrevY(0), mEdControl(nullptr), mEdParam(nullptr), mEdChars(nullptr), mPointerIn(false),
    mDragging(false), mReadoutIdx(-1), mReadoutSince(0.0), mReadoutShown(false), mReadoutX(0), mReadoutY(0)
{
}

IGraphicsLinux::~IGraphicsLinux()
{
  CloseWindow();
}

void* IGraphicsLinux::OpenWindow(void* parent)
{
  CloseWindow();
  if (!ScaleChosen())
  {
    // Nobody chose the scale: the user's environment variable, else the
    // screen's text resolution (a host's own factor arrives through
    // SetScale before the window opens). Chosen before the view exists, so
    // that the host sees its final size at once.
    char warning[256];
    const double scale = ChooseEditorScale(std::getenv(kEditorScaleEnvVar), 0.0, SWELL_GetXftDpi(), warning,
                                           (int)sizeof(warning));
    if (*warning) std::fprintf(stderr, "%s\n", warning);
    if (scale != Scale()) ApplyScale(scale);
  }
  SWELL_ViewCallbacks cb = {this, OnDraw, OnEvent};
  mView = SWELL_CreateView(Width(), Height(), &cb);
  if (!mView) return nullptr;
  mTimer = SWELL_RunLoopAddTimer(1.0 / FPS(), OnTimer, this);
  if (parent && !SWELL_AddViewToParent(mView, static_cast<SWELL_WindowId>(reinterpret_cast<uintptr_t>(parent)), nullptr))
  {
    CloseWindow(); // no such parent: nothing is left on screen
    return nullptr;
  }
  return mView;
}

void IGraphicsLinux::CloseWindow()
{
  if (!mView) return;
  SWELL_RunLoopRemoveTimer(mTimer);
  mTimer = 0;
  SWELL_View view = mView;
  mView = nullptr;
  SWELL_RemoveView(view); // cancels an open text entry and hides the readout
  mEdControl = nullptr;
  mEdParam = nullptr;
  mPointerIn = mDragging = mReadoutShown = false;
  mReadoutIdx = -1;
}

void IGraphicsLinux::OnTimer(void* self)
{
  IGraphicsLinux* g = static_cast<IGraphicsLinux*>(self);
  if (!g->mView) return;
  g->UpdateReadout();
  IRECT r(0, 0, 0, 0);
  if (!g->IsDirty(&r)) return;
  // One pixel beyond the dirty union on the right and bottom, as the editor
  // has always invalidated.
  RECT area = {r.L, r.T, r.R + 1, r.B + 1};
  SWELL_InvalidateView(g->mView, &area);
}

void IGraphicsLinux::OnDraw(void* self, const RECT* area)
{
  IGraphicsLinux* g = static_cast<IGraphicsLinux*>(self);
  IRECT r(area->left, area->top, area->right, area->bottom);
  g->Draw(&r);
}

bool IGraphicsLinux::DrawScreen(IRECT* r)
{
  LICE_SysBitmap* bm = GetDrawBitmap();
  if (!mView || !bm || !bm->getBits()) return false;
  RECT area = r ? RECT{r->L, r->T, r->R, r->B} : RECT{0, 0, bm->getWidth(), Height()};
  return SWELL_PresentPixels(mView, bm->getBits(), bm->getRowSpan(), bm->getWidth(), std::min(Height(), bm->getHeight()),
                             &area);
}

bool IGraphicsLinux::OnEvent(void* self, const SWELL_Event* e)
{
  IGraphicsLinux* g = static_cast<IGraphicsLinux*>(self);
  if (!g->mView) return false;
  if (e->type == kSwellKeyDown) return g->HandleKey(*e);
  if (e->type == kSwellClose)
  {
    g->CloseWindow();
    return true;
  }
  if (e->type == kSwellFocusOut) return true;
  if (e->type == kSwellMouseLeave)
  {
    g->mPointerIn = false;
    g->HideReadout();
    return true;
  }
  g->mPointerIn = true;
  g->mDragging = e->type == kSwellMouseDrag || (g->mDragging && e->type != kSwellMouseUp);
  // The view's pixels are the editor's: the pixel under the pointer is the
  // one that reacts.
  const int x = e->x, y = e->y;
  g->mPrevX = x;
  g->mPrevY = y;
  IMouseMod mod = ButtonMod(*e);
  switch (e->type)
  {
  case kSwellMouseDown:
    if (e->button == 1 && e->clickCount >= 2) g->OnMouseDblClick(x, y, &mod);
    else g->OnMouseDown(x, y, &mod);
    break;
  case kSwellMouseUp: g->OnMouseUp(x, y, &mod); break;
  case kSwellMouseDrag: g->OnMouseDrag(x, y, &mod); break;
  case kSwellMouseOver:
    mod = LeftMod(e->modifiers);
    g->OnMouseOver(x, y, &mod);
    break;
  case kSwellMouseWheel:
    mod = LeftMod(e->modifiers);
    g->OnMouseWheel(x, y, &mod, e->wheelDelta);
    break;
  default: break;
  }
  return true;
}

namespace
{
const double kReadoutDelaySeconds = 0.5; // of the pointer resting on a control
}

void IGraphicsLinux::UpdateReadout()
{
  // While a drag goes on the readout shows at once and follows the value,
  // wherever the pointer is; otherwise once the pointer has rested on one
  // control for the delay. Never over an open text field.
  const bool dragging = mDragging && mMouseCapture >= 0;
  const bool canShow = (mPointerIn || dragging) && !SWELL_TextEntryOpen(mView);
  const int idx = canShow ? GetMouseControlIdx(mPrevX, mPrevY, true) : -1;
  WDL_String text;
  if (idx < 0 || !GetReadoutText(GetControl(idx), &text))
  {
    HideReadout();
    return;
  }
  const double now = SWELL_RunLoopNow();
  if (idx != mReadoutIdx)
  {
    HideReadout();
    mReadoutIdx = idx;
    mReadoutSince = now;
  }
  if (!dragging && now - mReadoutSince < kReadoutDelaySeconds) return;
  if (!mReadoutShown)
  {
    mReadoutX = mPrevX;
    mReadoutY = mPrevY;
  }
  mReadoutShown = SWELL_ShowTooltip(mView, mReadoutX, mReadoutY, text.Get(), Scale());
}

void IGraphicsLinux::HideReadout()
{
  if (mView && mReadoutShown) SWELL_HideTooltip(mView);
  mReadoutShown = false;
  mReadoutIdx = -1;
}

bool IGraphicsLinux::HandleKey(const SWELL_Event& e)
{
  // Space and the arrows are known by key; any other key must type exactly
  // one character, or it is neither handled nor passed on.
  if (!IsArrowOrSpace(e.keysym) && CharCount(e.text) != 1) return true;
  const int code = KeyCode(e.keysym, e.text);
  if (code < 0) return false;
  return OnKeyDown(mPrevX, mPrevY, code);
}

void IGraphicsLinux::ForceEndUserEdit()
{
  if (mView) SWELL_EndTextEntry(mView, false);
}

void IGraphicsLinux::Resize(int w, int h)
{
  if (w == LogicalWidth() && h == LogicalHeight()) return;
  IGraphics::Resize(w, h);
  if (mView) SWELL_ResizeView(mView, Width(), Height());
}

void IGraphicsLinux::CreateTextEntry(IControl* control, IText* text, IRECT* r, const char* initial, IParam* param)
{
  if (!mView || !control || !text || !r || SWELL_TextEntryOpen(mView)) return;
  // r is the control's logical box; the field covers its pixels at the
  // editor's scale, its text at the scale's size.
  const IRECT box = Scale() == 1.0 ? *r : IRECT(ScaleCoord(r->L, Scale()), ScaleCoord(r->T, Scale()),
                                                ScaleCoord(r->R, Scale()), ScaleCoord(r->B, Scale()));
  RECT area = {box.L, box.T, box.R + 1, box.B + 1};
  SWELL_TextEntryStyle style = {text->mFont, static_cast<int>(text->mSize * Scale() * 0.9), Rgb(text->mTextEntryFGColor),
                                Rgb(text->mTextEntryBGColor), 0};
  if (text->mAlign == IText::kAlignCenter) style.align = DT_CENTER;
  else if (text->mAlign == IText::kAlignFar) style.align = DT_RIGHT;
  int maxLength = 0;
  mEdChars = nullptr;
  if (param)
  {
    // A value with its unit or a word ("-3 dB", "1.2k", "on"): digits,
    // signs, the point, spaces and letters; IParam::ReadTypedValue judges
    // the whole text when it is applied.
    mEdChars = "0123456789.-+ abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    maxLength = control->GetTextEntryLength();
  }
  mEdControl = control;
  mEdParam = param;
  if (!SWELL_BeginTextEntry(mView, &area, initial, maxLength, &style, param ? FilterChar : nullptr, OnTextEntryDone,
                            this))
  {
    mEdControl = nullptr;
    mEdParam = nullptr;
  }
}

bool IGraphicsLinux::FilterChar(void* self, int codepoint)
{
  const char* allowed = static_cast<IGraphicsLinux*>(self)->mEdChars;
  return !allowed || (codepoint > 0 && codepoint < 0x80 && std::strchr(allowed, codepoint) != nullptr);
}

void IGraphicsLinux::OnTextEntryDone(void* self, const char* text, bool committed)
{
  IGraphicsLinux* g = static_cast<IGraphicsLinux*>(self);
  IControl* control = g->mEdControl;
  IParam* param = g->mEdParam;
  g->mEdControl = nullptr;
  g->mEdParam = nullptr;
  if (!committed || !control || !g->mView) return;
  std::string copy = text ? text : "";
  if (param) g->SetFromStringAfterPrompt(control, param, &copy[0]);
  else control->TextFromTextEntry(copy.c_str());
  SWELL_InvalidateView(g->mView, nullptr);
}

IPopupMenu* IGraphicsLinux::CreateIPopupMenu(IPopupMenu* menu, IRECT* r)
{
  ReleaseMouseCapture();
  if (!mView || !menu || !r) return nullptr;
  MenuTree tree;
  tree.Build(menu, 0);
  tree.Link();
  const SWELL_Menu* chosen = nullptr;
  const int index =
      SWELL_TrackPopupMenu(mView, &tree.menus[0], ScaleCoord(r->L, Scale()), ScaleCoord(r->B + 5, Scale()), &chosen,
                           Scale());
  if (index < 0 || !chosen) return nullptr;
  IPopupMenu* source = tree.sources[static_cast<size_t>(chosen - tree.menus.data())];
  source->SetChosenItemIdx(index);
  return source;
}

int IGraphicsLinux::ShowMessageBox(const char* text, const char* caption, int type)
{
  int buttons = kSwellMbOk;
  if (type == 1) buttons = kSwellMbOkCancel;
  else if (type == 3) buttons = kSwellMbYesNoCancel;
  else if (type == 4) buttons = kSwellMbYesNo;
  // 1 for the first button, 7 for the second, 2 for the third, 0 otherwise.
  switch (SWELL_MessageBox(text, caption, buttons))
  {
  case kSwellIdOk:
  case kSwellIdYes: return 1;
  case kSwellIdNo: return 7;
  case kSwellIdCancel: return buttons == kSwellMbOkCancel ? 7 : 2;
  default: return 0;
  }
}

void IGraphicsLinux::HostPath(WDL_String* path)
{
  if (!path) return;
  path->Set("");
  CFBundleRef bundle = FindBundle(mBundleIdentifier.Get());
  if (!bundle) return;
  CFURLRef url = CFBundleCopyExecutableURL(bundle);
  char buf[4096];
  if (url && CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buf), sizeof(buf))) path->Set(buf);
  if (url) CFRelease(url);
}

void IGraphicsLinux::PluginPath(WDL_String* path)
{
  if (!path) return;
  WDL_String bundle;
  if (!GetBundlePath(mBundleIdentifier.Get(), &bundle))
  {
    path->Set("");
    return;
  }
  std::string folder = bundle.Get();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
  path->Set((folder + "/").c_str());
}

void IGraphicsLinux::DesktopPath(WDL_String* path)
{
  if (!path) return;
  const char* home = std::getenv("HOME");
  path->Set(home ? home : "");
  path->Append("/Desktop/");
}

void IGraphicsLinux::PromptForFile(WDL_String* file, EFileAction action, WDL_String* dir, char* extensions)
{
  if (!file) return;
  if (!mView)
  {
    file->Set("");
    return;
  }
  const std::string name = file->Get();
  std::string folder = dir ? dir->Get() : "";
  if (folder.empty())
  {
    folder = "~/Desktop";
    if (dir) dir->Set(folder.c_str());
  }
  file->Set("");
  char chosen[4096];
  if (!SWELL_FileDialog(action == kFileSave, ExpandHome(folder).c_str(), name.c_str(), extensions, chosen,
                        sizeof(chosen)))
    return;
  file->Set(chosen);
  if (dir)
  {
    std::string parent = chosen;
    const size_t slash = parent.rfind('/');
    parent = slash == std::string::npos ? std::string() : parent.substr(0, slash + 1);
    dir->Set(parent.c_str());
  }
}

bool IGraphicsLinux::OpenURL(const char* url, const char*, const char*, const char*)
{
  return SWELL_OpenURL(url); // false for no address at all
}

void IGraphicsLinux::HideMouseCursor()
{
  if (mCursorHidden) return;
  int x = 0, y = 0;
  if (!SWELL_GetCursorPos(&x, &y)) return;
  SWELL_HideCursor();
  mHiddenCursorX = x;
  mHiddenCursorY = y;
  mCursorHidden = true;
}

void IGraphicsLinux::ShowMouseCursor()
{
  if (!mCursorHidden) return;
  SWELL_MoveCursor(mHiddenCursorX, mHiddenCursorY);
  SWELL_ShowCursor();
  mCursorHidden = false;
}

LICE_IBitmap* IGraphicsLinux::OSLoadBitmap(int, const char* name)
{
  return LoadBundlePNG(mBundleIdentifier.Get(), name);
}
