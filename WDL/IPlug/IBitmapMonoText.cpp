#include "IBitmapMonoText.h"

#include <cstring>

void DrawBitmapedText(IGraphics* graphics, IBitmap* font, IRECT* r, IText* text, IChannelBlend* blend,
                      const char* str, bool vCenter, bool multiline, int charWidth, int charHeight)
{
  if (!graphics || !font || !r || !str || !*str) return;
  // A zero cell would divide by zero below and could never advance.
  if (charWidth <= 0 || charHeight <= 0) return;
  const int n = (int)std::strlen(str);

  int y = r->T;
  if (vCenter) y = r->T + (r->B - charHeight - r->T) / 2;
  const bool centred = text && text->mAlign == IText::kAlignCenter;
  const int x0 = centred ? r->L + (r->R - r->L - charWidth * n) / 2 : r->L + charWidth;

  const int usable = r->R - r->L - 2 * charWidth;
  int rows = 1, perRow = usable / charWidth;
  if (multiline)
  {
    if (usable < charWidth * n)
    {
      if (usable <= 0) return;  // no room for a single cell per row
      rows = charWidth * n / usable;
    }
    else
    {
      perRow = n;
    }
  }
  if (perRow <= 0) return;  // no room for a cell between the margins

  int pos = 0;
  for (int row = 0; row <= rows; ++row)
  {
    int x = x0;
    for (int c = 0; c < perRow; ++c)
    {
      if (pos >= n) return;
      const int frame = (int)(signed char)str[pos++] - 31;
      IRECT cell(x, y, x + charWidth, y + charHeight);
      graphics->DrawBitmap(font, &cell, frame, blend);
      x += charWidth;
    }
    y += charHeight;
  }
}

IBitmapTextControl::IBitmapTextControl(IPlugBase* plug, IRECT r, IBitmap* font, const char* str, IText* text,
                                       int charWidth, int charHeight)
    : IControl(plug, r), mStr(str), mCharWidth(charWidth), mCharHeight(charHeight), mTextBitmap(*font)
{
  if (text) mText = *text;
}

void IBitmapTextControl::SetTextFromPlug(const char* str)
{
  if (!str) str = "";
  if (!std::strcmp(str, mStr.Get())) return;
  SetDirty(false);
  mStr.Set(str);
}

bool IBitmapTextControl::Draw(IGraphics* graphics)
{
  if (*mStr.Get())
    DrawBitmapedText(graphics, &mTextBitmap, &mRECT, &mText, &mBlend, mStr.Get(), true, false, mCharWidth,
                     mCharHeight);
  return true;
}
