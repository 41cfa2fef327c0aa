#include "IPopupMenu.h"

#include <cstdio>

IPopupMenu::~IPopupMenu()
{
  for (int i = mMenuItems.GetSize() - 1; i >= 0; --i) mMenuItems.Delete(i, true);
}

void IPopupMenu::FormatPrefix(int index, char* out, int outSize) const
{
  if (!out || outSize <= 0) return;
  switch (mPrefix)
  {
    case 1: std::snprintf(out, (size_t)outSize, "%1d: ", index + 1); break;
    case 2: std::snprintf(out, (size_t)outSize, "%02d: ", index + 1); break;
    case 3: std::snprintf(out, (size_t)outSize, "%03d: ", index + 1); break;
    default: *out = 0; break;
  }
}

IPopupMenuItem* IPopupMenu::AddItem(IPopupMenuItem* item, int index)
{
  if (!item) return nullptr;
  IPopupMenuItem* added = (index == -1) ? mMenuItems.Add(item) : mMenuItems.Insert(index, item);
  if (!added) delete item;  // the menu took ownership
  return added;
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, int itemFlags)
{
  return AddItem(new IPopupMenuItem(text, itemFlags), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, IPopupMenu* submenu)
{
  return AddItem(new IPopupMenuItem(text, IPopupMenuItem::kNoFlags, submenu), -1);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, IPopupMenu* submenu)
{
  return AddItem(new IPopupMenuItem(text, IPopupMenuItem::kNoFlags, submenu), index);
}

IPopupMenuItem* IPopupMenu::AddSeparator(int index)
{
  return AddItem(new IPopupMenuItem(nullptr, IPopupMenuItem::kMenuItemSeparator), index);
}

const char* IPopupMenu::GetItemText(int index)
{
  IPopupMenuItem* item = mMenuItems.Get(index);
  return item ? item->GetText() : "";
}

bool IPopupMenu::CheckItem(int index, bool checked)
{
  IPopupMenuItem* item = mMenuItems.Get(index);
  if (!item) return false;
  item->SetChecked(checked);
  return true;
}

void IPopupMenu::CheckItemAlone(int index)
{
  const int n = mMenuItems.GetSize();
  for (int i = 0; i < n; ++i) mMenuItems.Get(i)->SetChecked(i == index);
}

bool IPopupMenu::IsItemChecked(int index)
{
  IPopupMenuItem* item = mMenuItems.Get(index);
  return item && item->GetChecked();
}
