// A platform-neutral pop-up menu: items with text, flags and optional
// submenus. The editor fills one and the platform view shows it and stores
// the chosen item's index. [main thread]
#ifndef IPLUG_IPOPUPMENU_H_
#define IPLUG_IPOPUPMENU_H_

#include "ptrlist.h"
#include "wdlstring.h"

class IPopupMenu;

class IPopupMenuItem
{
public:
  enum Flags
  {
    kNoFlags = 0,
    kMenuItemDisabled = 1,   // shown, not selectable
    kMenuItemIndented = 2,   // shown one level in
    kMenuItemChecked = 4,    // shown with a check mark
    kMenuItemSeparator = 8   // a separator line; text and other flags ignored
  };

  // An item with a copy of text (null for none), flags and an optional
  // submenu that the item does not own.
  explicit IPopupMenuItem(const char* text, int flags = kNoFlags, IPopupMenu* submenu = nullptr)
      : mText(text ? text : ""), mSubmenu(submenu), mFlags(flags)
  {
  }
  IPopupMenuItem(const IPopupMenuItem&) = delete;
  IPopupMenuItem& operator=(const IPopupMenuItem&) = delete;

  void SetChecked(bool checked)
  {
    if (checked)
      mFlags |= kMenuItemChecked;
    else
      mFlags &= ~kMenuItemChecked;
  }
  const char* GetText() const { return mText.Get(); }
  bool GetEnabled() const { return !(mFlags & kMenuItemDisabled); }
  bool GetChecked() const { return (mFlags & kMenuItemChecked) != 0; }
  bool GetIndented() const { return (mFlags & kMenuItemIndented) != 0; }
  bool GetIsSeparator() const { return (mFlags & kMenuItemSeparator) != 0; }
  IPopupMenu* GetSubmenu() const { return mSubmenu; }
  int GetFlags() const { return mFlags; }

protected:
  WDL_String mText;
  IPopupMenu* mSubmenu;  // not owned
  int mFlags;
};

class IPopupMenu
{
public:
  IPopupMenu() : mPrefix(0), mChosenItemIdx(-1), mCanMultiCheck(false), mMenuItems(4096) {}
  // Deletes the items, last first; submenus are left to whoever made them.
  ~IPopupMenu();
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // Numbering before each item: 0 none, 1 "%1d: ", 2 "%02d: ", 3 "%03d: ".
  // Other values are refused.
  void SetPrefix(int count)
  {
    if (count >= 0 && count <= 3) mPrefix = count;
  }
  int GetPrefix() const { return mPrefix; }
  // The numbering text of the item at 0-based index in out ("" without a
  // prefix).
  void FormatPrefix(int index, char* out, int outSize) const;

  // Takes ownership of item and puts it at index (-1 appends; others are
  // limited to 0..count). Returns item, or null (item deleted) when the
  // list cannot grow.
  IPopupMenuItem* AddItem(IPopupMenuItem* item, int index = -1);
  IPopupMenuItem* AddItem(const char* text, int index = -1, int itemFlags = IPopupMenuItem::kNoFlags);
  IPopupMenuItem* AddItem(const char* text, IPopupMenu* submenu);
  IPopupMenuItem* AddItem(const char* text, int index, IPopupMenu* submenu);
  IPopupMenuItem* AddSeparator(int index = -1);

  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
  int GetChosenItemIdx() const { return mChosenItemIdx; }
  int GetNItems() const { return mMenuItems.GetSize(); }
  IPopupMenuItem* GetItem(int index) { return mMenuItems.Get(index); }
  // "" for an item without text or an index out of range.
  const char* GetItemText(int index);
  // False (and no change) for an index out of range.
  bool CheckItem(int index, bool checked);
  // Checks that item alone; an index out of range unchecks all.
  void CheckItemAlone(int index);
  bool IsItemChecked(int index);

private:
  int mPrefix;
  int mChosenItemIdx;
  [[maybe_unused]] bool mCanMultiCheck;  // not read by any operation
  WDL_PtrList<IPopupMenuItem> mMenuItems;
};

#endif
