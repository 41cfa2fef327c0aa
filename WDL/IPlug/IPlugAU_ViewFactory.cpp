#include "IPlugAU_ViewFactory.h"

#include <cstdint>
#include <string>

#include "IGraphicsLinux.h"
#include "IPlugAU.h"

IPlugAUViewFactory::IPlugAUViewFactory(const char* className) : mPlug(nullptr)
{
  std::string text = className ? className : "";
  for (char& c : text)
    if (c == '_') c = ' ';
  mDescription.Set(text.c_str());
}

void* IPlugAUViewFactory::uiViewForAudioUnit(AudioUnit unit, NSSize)
{
  mPlug = IPlugAU::OpenPlugOf(unit);
  IGraphics* pGraphics = mPlug ? mPlug->GetGUI() : nullptr;
  if (!pGraphics) return nullptr;
  void* view = pGraphics->OpenWindow(nullptr);
  // The host gets the window system's own handle of the view.
  IGraphicsLinux* pLinux = dynamic_cast<IGraphicsLinux*>(pGraphics);
  if (!pLinux) return view;
  return view ? reinterpret_cast<void*>(static_cast<uintptr_t>(SWELL_GetViewWindow(static_cast<SWELL_View>(view))))
              : nullptr;
}

IPlugAUViewFactoryRegistration::IPlugAUViewFactoryRegistration(const char* className, CompatClassMaker make)
  : mClassName(className), mMake(make)
{
  CompatRegisterClass(className, make);
}

IPlugAUViewFactoryRegistration::~IPlugAUViewFactoryRegistration()
{
  CompatUnregisterClass(mClassName, mMake);
}
