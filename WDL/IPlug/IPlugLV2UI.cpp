#include "IPlugLV2UI.h"

#include <lv2/atom/atom.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "IGraphicsBundle.h"
#include "IGraphicsScale.h"
#include "IGraphicsLinux.h"
#include "IParam.h"
#include "lice_png.h"
#include "swell-wnd.h"

namespace
{
// The X11 editor with its images in the LV2 bundle's folder.
class IGraphicsLV2Mirror : public IGraphicsLinux
{
public:
  IGraphicsLV2Mirror(IPlugBase* plug, int w, int h, const char* bundlePath)
    : IGraphicsLinux(plug, w, h), mFolder(bundlePath ? bundlePath : "")
  {
    while (mFolder.size() > 1 && mFolder.back() == '/') mFolder.pop_back();
    // The text is drawn with the font the bundle ships, before any is drawn.
    if (!mFolder.empty()) LoadEditorFont((mFolder + "/resources").c_str());
  }

  // name is a path relative to the bundle folder; absolute paths and ".."
  // never leave it.
  LICE_IBitmap* OSLoadBitmap(int, const char* name) override
  {
    if (mFolder.empty() || !name || !*name || name[0] == '/' || std::strstr(name, "..")) return nullptr;
    // Decoded when first drawn: an editor at scale 2 never decodes the
    // scale-1 images it does not draw.
    return LICE_OpenPNG((mFolder + "/" + name).c_str());
  }

  // The folder holding the plug-in's bundle, with a closing '/', as for
  // other bundles.
  void PluginPath(WDL_String* path) override
  {
    if (!path) return;
    const size_t slash = mFolder.rfind('/');
    path->Set(slash == std::string::npos ? "" : (mFolder.substr(0, slash) + "/").c_str());
  }

private:
  std::string mFolder;
};

// One open UI: the mirror, its editor's view in the host's window, and the
// host's callbacks.
class LV2UIInstance final : public IPlugLV2MirrorHost
{
public:
  LV2UIInstance(const IPlugLV2UIPlugin* desc, IPlugLV2Mirror* plug, LV2UI_Write_Function write,
                LV2UI_Controller controller, const LV2UI_Touch* touch)
    : mDesc(desc), mPlug(plug), mWrite(write), mController(controller), mTouch(touch),
      mGestures((size_t)plug->NParams(), kNoGesture)
  {
    mPlug->SetMirrorHost(this);
    mPlug->OnChannelLayout(desc->mNInputs, desc->mNOutputs);
  }

  ~LV2UIInstance() override
  {
    // The view goes first (no X request for it follows), then every gesture
    // still open is released, then the mirror with its editor.
    if (IGraphics* gui = mPlug->GetGUI()) gui->CloseWindow();
    EndGestures(kGrabbed);
    mPlug->SetMirrorHost(nullptr);
    delete mPlug;
  }

  LV2UIInstance(const LV2UIInstance&) = delete;
  LV2UIInstance& operator=(const LV2UIInstance&) = delete;

  // Opens the editor's view in parent; its X window, or 0 when there is no
  // editor or no X server.
  unsigned long Open(void* parent)
  {
    IGraphics* gui = mPlug->GetGUI();
    void* view = gui ? gui->OpenWindow(parent) : nullptr;
    return view ? SWELL_GetViewWindow(static_cast<SWELL_View>(view)) : 0;
  }

  void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
  {
    if (format != 0 || size != sizeof(float) || !buffer) return;
    float value;
    std::memcpy(&value, buffer, sizeof(value));
    if (!std::isfinite(value)) return;
    const int nParams = mPlug->NParams();
    if (port < (uint32_t)nParams)
    {
      const int idx = (int)port;
      IParam* param = mPlug->GetParam(idx);
      WDL_MutexLock lock(mPlug->GetMutex());
      const double before = param->Value();
      param->Set((double)value);
      if (param->Value() == before) return;
      mPlug->OnParamChange(idx);
      if (IGraphics* gui = mPlug->GetGUI()) gui->SetParameterFromPlug(idx, param->GetNormalized(), true);
      return;
    }
    const uint32_t first = IPlugLV2::ControlOutputPortIndex(nParams, mDesc->mNInputs, mDesc->mNOutputs, 0);
    if (port - first < (uint32_t)mDesc->mNControlOutputs && mDesc->mShowOutput)
      mDesc->mShowOutput(mPlug, (int)(port - first), value);
  }

  // Pumps the UI run loop once without waiting; non-zero once the view is
  // gone.
  int Idle()
  {
    SWELL_RunLoopPump(0.0);
    // Changes made without a grab (a wheel notch, a menu choice) have been
    // written: their gestures end here.
    EndGestures(kByWrite);
    IGraphics* gui = mPlug->GetGUI();
    return gui && gui->GetWindow() ? 0 : 1;
  }

  // The host sees grab, writes, release per port, whatever order the editor
  // reports them in: a write outside a gesture opens one (ended by the
  // editor's release or at the end of the idle call), a second grab is
  // dropped, and so is a release without a grab.
  void MirrorParamChanged(int paramIdx, double plainValue) override
  {
    if (paramIdx < 0 || (size_t)paramIdx >= mGestures.size()) return;
    if (mGestures[(size_t)paramIdx] == kNoGesture)
    {
      mGestures[(size_t)paramIdx] = kByWrite;
      Touch(paramIdx, true);
    }
    if (!mWrite) return;
    const float value = (float)plainValue;
    mWrite(mController, (uint32_t)paramIdx, sizeof(float), 0, &value);
  }

  void MirrorGesture(int paramIdx, bool grabbed) override
  {
    if (paramIdx < 0 || (size_t)paramIdx >= mGestures.size()) return;
    Gesture& g = mGestures[(size_t)paramIdx];
    if (grabbed)
    {
      if (g == kNoGesture) Touch(paramIdx, true);
      g = kGrabbed;
    }
    else if (g != kNoGesture)
    {
      g = kNoGesture;
      Touch(paramIdx, false);
    }
  }

private:
  enum Gesture : unsigned char
  {
    kNoGesture,
    kGrabbed,  // the editor grabbed the control (mouse down)
    kByWrite   // opened by a write the editor made without grabbing
  };

  void Touch(int paramIdx, bool grabbed)
  {
    if (mTouch && mTouch->touch) mTouch->touch(mTouch->handle, (uint32_t)paramIdx, grabbed);
  }

  // Releases the open gestures of kind (kGrabbed: all of them).
  void EndGestures(Gesture kind)
  {
    for (size_t i = 0; i < mGestures.size(); ++i)
      if (mGestures[i] != kNoGesture && (kind == kGrabbed || mGestures[i] == kind))
      {
        mGestures[i] = kNoGesture;
        Touch((int)i, false);
      }
  }

  const IPlugLV2UIPlugin* mDesc;
  IPlugLV2Mirror* mPlug;  // owned
  LV2UI_Write_Function mWrite;
  LV2UI_Controller mController;
  const LV2UI_Touch* mTouch;  // the host's, or null
  std::vector<Gesture> mGestures;  // per parameter port
};

const void* FeatureData(const LV2_Feature* const* features, const char* uri, bool* present = nullptr)
{
  for (int i = 0; features && features[i]; ++i)
    if (features[i]->URI && !std::strcmp(features[i]->URI, uri))
    {
      if (present) *present = true;
      return features[i]->data;
    }
  if (present) *present = false;
  return nullptr;
}

// The host's ui:scaleFactor option (a float or double; its URIDs mapped
// with the host's map), or 0 when it gives none.
double HostScaleFactor(const LV2_Feature* const* features)
{
  const auto* options = static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  const auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  if (!options || !map || !map->map) return 0.0;
  const LV2_URID key = map->map(map->handle, LV2_UI__scaleFactor);
  const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
  const LV2_URID doubleType = map->map(map->handle, LV2_ATOM__Double);
  for (const LV2_Options_Option* o = options; o->key || o->value; ++o)
  {
    if (o->key != key || !o->value) continue;
    if (o->type == floatType && o->size == sizeof(float)) return *static_cast<const float*>(o->value);
    if (o->type == doubleType && o->size == sizeof(double)) return *static_cast<const double*>(o->value);
  }
  return 0.0;
}

// Tells the host in one line why instantiate gave it nothing: through its
// log feature when it offers one (with the URID map its entries need), else
// on stderr.
void Refuse(const LV2UI_Descriptor* descriptor, const LV2_Feature* const* features, const char* format, ...)
{
  char why[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(why, sizeof(why), format, args);
  va_end(args);
  const char* uri = descriptor && descriptor->URI ? descriptor->URI : "LV2 UI";
  const auto* log = static_cast<const LV2_Log_Log*>(FeatureData(features, LV2_LOG__log));
  const auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  const LV2_URID error = map && map->map ? map->map(map->handle, LV2_LOG__Error) : 0;
  if (log && log->printf && error) log->printf(log->handle, error, "%s: no editor: %s\n", uri, why);
  else std::fprintf(stderr, "%s: no editor: %s\n", uri, why);
}

LV2UI_Handle Instantiate(const LV2UI_Descriptor* descriptor, const char* pluginURI, const char* bundlePath,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features)
{
  // mDescriptor is the first member of IPlugLV2UIPlugin.
  const IPlugLV2UIPlugin* desc = reinterpret_cast<const IPlugLV2UIPlugin*>(descriptor);
  if (!desc || !desc->mMake)
  {
    Refuse(descriptor, features, "not a descriptor of this module");
    return nullptr;
  }
  if (!bundlePath || !widget)
  {
    Refuse(descriptor, features, "the host gave no %s", bundlePath ? "widget to fill" : "bundle path");
    return nullptr;
  }
  if (pluginURI && desc->mPluginURI && std::strcmp(pluginURI, desc->mPluginURI) != 0)
  {
    Refuse(descriptor, features, "this UI belongs to <%s>, not <%s>", desc->mPluginURI, pluginURI);
    return nullptr;
  }
  bool hasParent = false;
  void* parent = const_cast<void*>(FeatureData(features, LV2_UI__parent, &hasParent));
  if (!hasParent || !parent)  // the view lives in the host's window
  {
    Refuse(descriptor, features, "the host offered no parent window (%s)", LV2_UI__parent);
    return nullptr;
  }
  const auto* resize = static_cast<const LV2UI_Resize*>(FeatureData(features, LV2_UI__resize));
  const auto* touch = static_cast<const LV2UI_Touch*>(FeatureData(features, LV2_UI__touch));

  IPlugLV2Mirror* plug = desc->mMake(bundlePath);
  if (!plug || !plug->GetGUI())
  {
    delete plug;
    Refuse(descriptor, features, "the editor could not be built from the bundle %s", bundlePath);
    return nullptr;
  }
  // The user's forced scale, else the host's factor; with neither the view
  // asks the screen (Xft.dpi) as it opens.
  const char* forced = std::getenv(kEditorScaleEnvVar);
  const double hostFactor = HostScaleFactor(features);
  if ((forced && *forced) || hostFactor > 0.0)
  {
    char warning[256];
    const double scale = ChooseEditorScale(forced, hostFactor, 0.0, warning, (int)sizeof(warning));
    if (*warning) std::fprintf(stderr, "%s\n", warning);
    if ((forced && *forced && !*warning) || hostFactor > 0.0) plug->GetGUI()->SetScale(scale);
  }
  auto* ui = new LV2UIInstance(desc, plug, write, controller, touch);
  const unsigned long window = ui->Open(parent);
  IGraphics* gui = plug->GetGUI();
  if (!window)
  {
    delete ui;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
      Refuse(descriptor, features, "no X display to show it on (DISPLAY is not set)");
    else
      Refuse(descriptor, features, "the parent window 0x%lx is no window of the X display %s (or the display "
             "cannot be reached)", (unsigned long)(uintptr_t)parent, display);
    return nullptr;
  }
  if (resize && resize->ui_resize) resize->ui_resize(resize->handle, gui->Width(), gui->Height());
  *widget = reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(window));
  return ui;
}

void Cleanup(LV2UI_Handle handle)
{
  delete static_cast<LV2UIInstance*>(handle);
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
  static_cast<LV2UIInstance*>(handle)->PortEvent(port, size, format, buffer);
}

int Idle(LV2UI_Handle handle)
{
  return static_cast<LV2UIInstance*>(handle)->Idle();
}

const LV2UI_Idle_Interface kIdleInterface = {Idle};

const void* ExtensionData(const char* uri)
{
  if (uri && !std::strcmp(uri, LV2_UI__idleInterface)) return &kIdleInterface;
  return nullptr;
}
}  // namespace

// ---- IPlugLV2Mirror ----

IPlugLV2Mirror::IPlugLV2Mirror(const IPlugInstanceInfo& /*instanceInfo*/, int nParams, const char* channelIOStr,
                               int nPresets, const char* effectName, const char* productName, const char* mfrName,
                               int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
                               bool plugDoesChunks, bool plugIsInst, int /*plugScChans*/)
  : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion, uniqueID, mfrID,
              latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPILV2)
{
}

void IPlugLV2Mirror::BeginInformHostOfParamChange(int paramIdx)
{
  if (mMirrorHost) mMirrorHost->MirrorGesture(paramIdx, true);
}

void IPlugLV2Mirror::InformHostOfParamChange(int paramIdx, double /*normalizedValue*/)
{
  // The parameter already holds the new value; the port carries it plain.
  IParam* param = GetParam(paramIdx);
  if (mMirrorHost && param) mMirrorHost->MirrorParamChanged(paramIdx, param->Value());
}

void IPlugLV2Mirror::EndInformHostOfParamChange(int paramIdx)
{
  if (mMirrorHost) mMirrorHost->MirrorGesture(paramIdx, false);
}

IGraphics* IPlugLV2MirrorNewEditor(IPlugBase* plug, int w, int h, const char* bundlePath)
{
  return new IGraphicsLV2Mirror(plug, w, h, bundlePath);
}

IPlugLV2UIPlugin IPlugLV2MakeUI(const char* uri, const char* pluginURI, int nInputs, int nOutputs,
                                IPlugLV2Mirror* (*make)(const char* bundlePath), int nControlOutputs,
                                void (*showOutput)(IPlugBase* pMirror, int k, float value))
{
  IPlugLV2UIPlugin desc;
  desc.mDescriptor.URI = uri;
  desc.mDescriptor.instantiate = Instantiate;
  desc.mDescriptor.cleanup = Cleanup;
  desc.mDescriptor.port_event = PortEvent;
  desc.mDescriptor.extension_data = ExtensionData;
  desc.mMake = make;
  desc.mPluginURI = pluginURI;
  desc.mNInputs = nInputs;
  desc.mNOutputs = nOutputs;
  desc.mNControlOutputs = nControlOutputs;
  desc.mShowOutput = showOutput;
  return desc;
}
