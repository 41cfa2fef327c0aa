// Text drawn with a bitmap font: a film strip whose frame k (1-based) is the
// glyph of character code k + 31, every glyph in a cell of the same size.
// [main thread]
#ifndef IPLUG_IBITMAPMONOTEXT_H_
#define IPLUG_IBITMAPMONOTEXT_H_

#include "IControl.h"

// Draws str with font in r, one charWidth x charHeight cell per byte,
// centred (mAlign 1) or one cell in from the left; optionally centred
// vertically and wrapped over several rows. A cell width or height of 0, or
// a rectangle without room for one cell per row in multi-line mode, draws
// nothing.
void DrawBitmapedText(IGraphics* graphics, IBitmap* font, IRECT* r, IText* text, IChannelBlend* blend,
                      const char* str, bool vCenter = true, bool multiline = false, int charWidth = 6,
                      int charHeight = 12);

class IBitmapTextControl : public IControl
{
public:
  // Text str in font (cells of charWidth x charHeight) inside r.
  IBitmapTextControl(IPlugBase* plug, IRECT r, IBitmap* font, const char* str = "", IText* text = nullptr,
                     int charWidth = 6, int charHeight = 12);
  // Replaces the text (nothing when equal); one redraw. [main thread]
  void SetTextFromPlug(const char* str);
  void ClearTextFromPlug() { SetTextFromPlug(""); }
  const char* GetTextString() const { return mStr.Get(); }
  bool Draw(IGraphics* graphics) override;

protected:
  WDL_String mStr;
  int mCharWidth, mCharHeight;  // cell size in pixels
  IBitmap mTextBitmap;
};

#endif
