#include "IGraphicsHeadless.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "IControl.h"
#include "IGraphicsBundle.h"
#include "IPopupMenu.h"
#include "lice.h"

IGraphicsHeadless::IGraphicsHeadless(IPlugBase* plug, int w, int h, int fps, const char* bundleID)
    : IGraphics(plug, w, h, fps), mBundleIdentifier(bundleID ? bundleID : ""), mResourceFolder(""),
      mOpenURLResult(true), mWindowOpen(false), mScreenPresents(0)
{
}

IGraphicsHeadless::~IGraphicsHeadless() {}

bool IGraphicsHeadless::DrawScreen(IRECT* r)
{
  ++mScreenPresents;
  if (r) mLastPresented = *r;
  return true;
}

int IGraphicsHeadless::ShowMessageBox(const char*, const char*, int)
{
  if (mMessageBoxResults.empty()) return 0;
  const int result = mMessageBoxResults.front();
  mMessageBoxResults.pop_front();
  return result;
}

IPopupMenu* IGraphicsHeadless::ChooseIn(IPopupMenu* menu, int depth)
{
  if (mMenuChoices.empty() || depth > 16) return nullptr;
  const int choice = mMenuChoices.front();
  mMenuChoices.pop_front();
  IPopupMenuItem* item = menu->GetItem(choice);
  // Separators and disabled items cannot be chosen, as in a real menu.
  if (!item || item->GetIsSeparator() || !item->GetEnabled()) return nullptr;
  if (item->GetSubmenu()) return ChooseIn(item->GetSubmenu(), depth + 1);
  menu->SetChosenItemIdx(choice);
  return menu;
}

IPopupMenu* IGraphicsHeadless::CreateIPopupMenu(IPopupMenu* menu, IRECT*)
{
  if (!menu) return nullptr;
  mLastMenuLines.clear();
  const int n = menu->GetNItems();
  for (int i = 0; i < n; ++i)
  {
    IPopupMenuItem* item = menu->GetItem(i);
    if (item->GetIsSeparator())
    {
      mLastMenuLines.push_back("");
      continue;
    }
    char prefix[16];
    menu->FormatPrefix(i, prefix, (int)sizeof(prefix));
    std::string line = prefix;
    line += item->GetText();
    if (item->GetChecked()) line += " [x]";
    if (!item->GetEnabled()) line += " [-]";
    mLastMenuLines.push_back(line);
  }
  return ChooseIn(menu, 0);
}

void IGraphicsHeadless::CreateTextEntry(IControl* control, IText*, IRECT*, const char* initial, IParam* param)
{
  mLastTextEntryInitial = initial ? initial : "";
  if (!control || mTextEntries.empty()) return;
  std::string text = mTextEntries.front();
  mTextEntries.pop_front();
  const int maxLen = control->GetTextEntryLength();
  if (maxLen > 0 && (int)text.size() > maxLen) text.resize((size_t)maxLen);
  SetFromStringAfterPrompt(control, param, &text[0]);
}

void IGraphicsHeadless::HostPath(WDL_String* path)
{
  if (!path) return;
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0)
  {
    path->Set("");
    return;
  }
  buf[n] = 0;
  if (char* slash = std::strrchr(buf, '/')) slash[1] = 0;
  path->Set(buf);
}

void IGraphicsHeadless::PluginPath(WDL_String* path)
{
  if (!path) return;
  if (!GetBundlePath(mBundleIdentifier.Get(), path)) path->Set("");
}

void IGraphicsHeadless::DesktopPath(WDL_String* path)
{
  if (!path) return;
  const char* home = std::getenv("HOME");
  path->Set(home ? home : "");
  path->Append("/Desktop/");
}

void IGraphicsHeadless::PromptForFile(WDL_String* file, EFileAction, WDL_String*, char*)
{
  if (!file) return;
  if (mFileChoices.empty())
  {
    file->Set("");
    return;
  }
  file->Set(mFileChoices.front().c_str());
  mFileChoices.pop_front();
}

bool IGraphicsHeadless::PromptForColor(IColor*, char*) { return false; }

bool IGraphicsHeadless::OpenURL(const char* url, const char*, const char*, const char*)
{
  if (!url) return false;
  mOpenedURLs.push_back(url);
  return mOpenURLResult;
}

void* IGraphicsHeadless::OpenWindow(void*)
{
  mWindowOpen = true;
  return this;
}

LICE_IBitmap* IGraphicsHeadless::OSLoadBitmap(int, const char* name)
{
  if (!name) return nullptr;
  if (*mResourceFolder.Get())
  {
    const char* slash = std::strrchr(name, '/');
    WDL_String path(mResourceFolder.Get());
    path.Append("/");
    path.Append(slash ? slash + 1 : name);
    return LICE_LoadPNG(path.Get());
  }
  return LoadBundlePNG(mBundleIdentifier.Get(), name);
}

bool IGraphicsHeadless::WritePNG(const char* path)
{
  return mDrawBitmap && LICE_WritePNG(path, mDrawBitmap, true);
}
