// The LV2 UI module of Cinderpath: the plug-in's own 780 x 200 editor (at
// scale 1; the binding scales it) for the stereo and the mono plug-in. The plug-in class is built here on the
// UI binding's parameter mirror (see PlugBinding.h), so captions and value
// texts are formatted by the plug-in's own code; this module exports no
// processing entry point.

#include "Cinderpath.h"
#include "CinderpathLV2.h"
#include "IGraphics.h"

#include <cstdint>

#ifndef CINDERPATH_LV2_UI
#error "The LV2 UI module is built with CINDERPATH_LV2_UI defined."
#endif

namespace
{
// The plug-in as the UI's mirror: it also lights the clip indicator from
// the processing instance's clip port.
class CinderpathMirror final : public Cinderpath
{
public:
  using Cinderpath::Cinderpath;
  void ShowClipLight(int clip)
  {
    if (IGraphics* gui = GetGUI()) gui->SetControlFromPlug(mClipControl, (double)clip);
  }
};

// The mirror with its editor; images come from the bundle folder.
IPlugLV2Mirror* MakeMirror(const char* bundlePath)
{
  return IPlugMakePlugLocked<CinderpathMirror>(bundlePath, "Cinderpath_View");
}

// The clip output (control output 0) lights the editor's clip indicator.
void ShowOutput(IPlugBase* pMirror, int k, float value)
{
  if (k == 0) static_cast<CinderpathMirror*>(pMirror)->ShowClipLight(value > 0.5f ? 1 : 0);
}

const IPlugLV2UIPlugin kUIs[] = {
    IPlugLV2MakeUI(CINDERPATH_LV2_UI_URI, CINDERPATH_LV2_URI, 2, 2, MakeMirror, 1, ShowOutput),
    IPlugLV2MakeUI(CINDERPATH_LV2_MONO_UI_URI, CINDERPATH_LV2_MONO_URI, 1, 1, MakeMirror, 1, ShowOutput),
};
}  // namespace

// The module's only export: UI descriptor `index`, or null past the last.
// [any thread]
LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
  return index < sizeof(kUIs) / sizeof(kUIs[0]) ? &kUIs[index].mDescriptor : nullptr;
}
