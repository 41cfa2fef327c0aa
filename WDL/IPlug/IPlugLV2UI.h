#ifndef _IPLUGLV2UI_
#define _IPLUGLV2UI_

// LV2 UI binding: an X11 UI (ui:X11UI) that shows the plug-in's own editor.
//
// LV2 keeps the UI apart from the plug-in instance that processes audio (the
// two may even live in different processes), so the UI module builds its own
// object of the plug-in class on IPlugLV2Mirror: a parameter mirror that owns
// the same parameters and the same editor but never processes audio. The UI
// talks to the processing instance through ports only:
//
//   host -> UI   port_event on a parameter port stores the value in the
//                mirror, runs its OnParamChange (captions and value texts are
//                formatted by the plug-in's own code) and moves the editor's
//                controls; nothing is written back to the host.
//                port_event on one of the plug-in's control outputs
//                (IPlugLV2ControlOutput, e.g. a clip light) is handed to the
//                UI description's mShowOutput.
//   UI -> host   a control changed in the editor writes its parameter port
//                with the plain (not normalised) value through
//                write_function; mouse down and up on a control are reported
//                through the host's ui:touch feature when it offers one, so
//                that per port the host always sees grab, writes, release
//                (a write without a grab is wrapped in one that ends by the
//                end of the idle call; open gestures are released at
//                cleanup).
//
// The editor's view is an X window made a child of the host's ui:parent
// window; its size is fixed and reported once through ui:resize. It is drawn
// at the scale the user forces (CINDERPATH_UI_SCALE), else at the host's
// ui:scaleFactor option (options feature), else at the X server's Xft.dpi. The UI run
// loop (redraw timer, X events) is pumped from the host's idle callback
// (ui:idleInterface), which returns non-zero once the view is gone. Cleanup
// closes the view and deletes the mirror whether idle was ever called or not.
// Instantiate refuses (null) without a parent window, with a parent that is
// no window, for another plug-in or without a display, and says why in one
// line through the host's log:log feature (stderr when it has none).
//
// Threads: every entry point runs on the host's UI thread.

#include <lv2/ui/ui.h>

#include "IPlugBase.h"
#include "IPlugLV2.h"  // IPlugLV2ControlOutput and the port layout (inline parts only)

class IGraphics;

// Receives what the mirror's editor asks of the host.
class IPlugLV2MirrorHost
{
public:
  virtual ~IPlugLV2MirrorHost() = default;
  // Parameter paramIdx now holds plainValue, changed in the editor.
  virtual void MirrorParamChanged(int paramIdx, double plainValue) = 0;
  // The user grabbed (true) or released (false) the control of paramIdx.
  virtual void MirrorGesture(int paramIdx, bool grabbed) = 0;
};

// Base class of a plug-in class compiled into a UI module. Takes the
// arguments of the other bindings; the object never processes audio.
// [UI thread]
class IPlugLV2Mirror : public IPlugBase
{
public:
  IPlugLV2Mirror(const IPlugInstanceInfo& instanceInfo, int nParams, const char* channelIOStr, int nPresets,
                 const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
                 int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
                 int plugScChans);

  // Where editor changes go; null (the default) drops them.
  void SetMirrorHost(IPlugLV2MirrorHost* host) { mMirrorHost = host; }

  void BeginInformHostOfParamChange(int paramIdx) override;
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override;
  void EndInformHostOfParamChange(int paramIdx) override;

private:
  IPlugLV2MirrorHost* mMirrorHost = nullptr;
};

// The editor a mirror builds: the X11 platform editor of w x h pixels whose
// images are read from the LV2 bundle folder bundlePath (an image named
// "resources/img/Back.png" is the file of that name below the folder).
// [UI thread]
IGraphics* IPlugLV2MirrorNewEditor(IPlugBase* plug, int w, int h, const char* bundlePath);

// Static description of one LV2 UI (for one channel variant of a plug-in).
// The host's LV2UI_Descriptor pointer is the address of mDescriptor. Made
// with IPlugLV2MakeUI.
struct IPlugLV2UIPlugin
{
  LV2UI_Descriptor mDescriptor;  // must stay the first member
  // Constructs the mirror with its editor, images from bundlePath; null on failure.
  IPlugLV2Mirror* (*mMake)(const char* bundlePath);
  const char* mPluginURI;        // the plug-in this UI belongs to
  int mNInputs, mNOutputs;       // the variant's audio ports (they precede the control outputs)
  int mNControlOutputs;          // the plug-in's control outputs
  // Shows value of control output k in the mirror's editor. [UI thread]
  void (*mShowOutput)(IPlugBase* pMirror, int k, float value);
};

// Fills a UI description whose callbacks are this binding's. The strings
// must live as long as the module (literals). [any thread]
IPlugLV2UIPlugin IPlugLV2MakeUI(const char* uri, const char* pluginURI, int nInputs, int nOutputs,
                                IPlugLV2Mirror* (*make)(const char* bundlePath), int nControlOutputs,
                                void (*showOutput)(IPlugBase* pMirror, int k, float value));

#endif
