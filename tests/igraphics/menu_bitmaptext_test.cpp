// Pop-up menus (insertion, prefixes, checks, ownership) and bitmap-font
// text layout.
#include <gtest/gtest.h>

#include "IBitmapMonoText.h"
#include "IPopupMenu.h"
#include "editor_test_plug.h"

using namespace editor_test;

namespace
{
TEST(EditorMenu, InsertionPrefixAndChecks)
{
  IPopupMenu menu;
  menu.AddItem("a");
  menu.AddItem("b");
  menu.AddItem("c");
  menu.AddItem("tail", 10);   // beyond the end: appended at 3
  menu.AddItem("head", -5);   // before the start: inserted at 0
  menu.AddSeparator(2);
  const char* want[] = {"head", "a", "", "b", "c", "tail"};
  ASSERT_EQ(menu.GetNItems(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(menu.GetItemText(i), want[i]) << i;
  EXPECT_TRUE(menu.GetItem(2)->GetIsSeparator());
  EXPECT_EQ(menu.GetItem(6), nullptr);

  menu.SetPrefix(2);
  menu.SetPrefix(4);  // refused
  EXPECT_EQ(menu.GetPrefix(), 2);
  char prefix[16];
  menu.FormatPrefix(0, prefix, (int)sizeof(prefix));
  EXPECT_STREQ(prefix, "01: ");

  EXPECT_TRUE(menu.CheckItem(1, true));
  EXPECT_FALSE(menu.CheckItem(9, true));
  menu.CheckItemAlone(3);
  EXPECT_FALSE(menu.IsItemChecked(1));
  EXPECT_TRUE(menu.IsItemChecked(3));
  menu.CheckItemAlone(-1);
  EXPECT_FALSE(menu.IsItemChecked(3));
  EXPECT_FALSE(menu.IsItemChecked(42));
}

TEST(EditorMenu, SubmenusAreNotOwnedAndAnswerTheChoice)
{
  IPopupMenu* sub = new IPopupMenu;
  sub->AddItem("x");
  sub->AddItem("y");
  {
    IPopupMenu menu;
    menu.SetPrefix(1);
    menu.AddItem("plain");
    menu.AddItem("more", sub);
    menu.AddItem("off", -1, IPopupMenuItem::kMenuItemDisabled);
    EditorTestPlug plug;
    IGraphicsHeadless gui(&plug, 10, 10);
    gui.QueueMenuChoice(1);
    gui.QueueMenuChoice(1);
    IRECT r;
    EXPECT_EQ(gui.CreateIPopupMenu(&menu, &r), sub);
    EXPECT_EQ(sub->GetChosenItemIdx(), 1);
    EXPECT_EQ(gui.LastMenuLines(), (std::vector<std::string>{"1: plain", "2: more", "3: off [-]"}));
    gui.QueueMenuChoice(2);  // disabled: nothing chosen
    EXPECT_EQ(gui.CreateIPopupMenu(&menu, &r), nullptr);
  }
  EXPECT_STREQ(sub->GetItemText(0), "x");  // survived its parent
  delete sub;
}

// Pixels of one row: which frame (grey level) each cell shows.
struct BitmapTextRig
{
  EditorTestPlug plug;
  TestEditor gui{&plug, 120, 40};
  IBitmap font;  // 96 frames of 8 x 10, frame k grey k
  BitmapTextRig()
  {
    gui.PrepDraw();
    font = gui.LoadIBitmap(9096, "font", 96);
  }
  void Draw(IRECT r, const char* str, int align, bool multiline = false, int cw = 8, int ch = 10)
  {
    IRECT all(0, 0, 120, 40);
    IColor black = COLOR_BLACK;
    IChannelBlend clobber(IChannelBlend::kBlendClobber);
    gui.FillIRect(&black, &all, &clobber);
    IText text;
    text.mAlign = align;
    DrawBitmapedText(&gui, &font, &r, &text, &clobber, str, false, multiline, cw, ch);
  }
  int Level(int x, int y) { return gui.GetPoint(x, y).R; }
};

TEST(EditorBitmapText, LayoutOfCells)
{
  BitmapTextRig r;
  r.gui.SetDrawArea(IRECT(0, 0, 120, 40));

  // Two characters centred in 100 pixels of 10-pixel cells start at L + 40.
  r.Draw(IRECT(0, 0, 100, 10), "!\"", IText::kAlignCenter, false, 8, 10);
  EXPECT_EQ(r.Level(46 + 0, 0), 2);  // (100 - 16) / 2 = 42 with 8-pixel cells
  r.Draw(IRECT(0, 0, 100, 10), "AB", IText::kAlignNear);
  EXPECT_EQ(r.Level(8 + 6, 0), 'A' - 31);  // one cell in from the left
  EXPECT_EQ(r.Level(16 + 6, 0), 'B' - 31);
  EXPECT_EQ(r.Level(6, 0), 0);

  // Control bytes and bytes above 127 draw the first cell (the space).
  r.Draw(IRECT(0, 0, 100, 10), "\x01\xC3", IText::kAlignNear);
  EXPECT_EQ(r.Level(8 + 6, 0), 1);
  EXPECT_EQ(r.Level(16 + 6, 0), 1);

  // A single line too long for the width continues on a second row.
  r.Draw(IRECT(0, 0, 40, 30), "ABCDEFGH", IText::kAlignNear);  // three cells per row
  EXPECT_EQ(r.Level(24 + 6, 0), 'C' - 31);
  EXPECT_EQ(r.Level(8 + 6, 10), 'D' - 31);
  EXPECT_EQ(r.Level(16 + 6, 10), 'E' - 31);
  EXPECT_EQ(r.Level(8 + 6, 20), 0);  // at most two rows

  // Zero cells and a multi-line text with no room draw nothing (and do not
  // divide by zero).
  r.Draw(IRECT(0, 0, 100, 10), "AB", IText::kAlignNear, false, 0, 10);
  r.Draw(IRECT(0, 0, 100, 10), "AB", IText::kAlignNear, true, 8, 0);
  r.Draw(IRECT(0, 0, 16, 10), "AB", IText::kAlignNear, true);
  EXPECT_EQ(r.Level(14, 0), 0);
}

TEST(EditorBitmapText, ControlRedrawsOnlyOnChange)
{
  BitmapTextRig r;
  IBitmapTextControl* c = new IBitmapTextControl(&r.plug, IRECT(0, 0, 60, 10), &r.font, "AB", nullptr, 8, 10);
  r.gui.AttachControl(c);
  c->SetClean();
  c->SetTextFromPlug("AB");
  EXPECT_FALSE(c->IsDirty());
  c->SetTextFromPlug("ABC");
  EXPECT_TRUE(c->IsDirty());
  EXPECT_STREQ(c->GetTextString(), "ABC");
}
}  // namespace
