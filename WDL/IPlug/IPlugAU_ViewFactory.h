// The editor view factory a host finds by the class name the plug-in reports
// for kAudioUnitProperty_CocoaUI: given a unit, it opens the plug-in's editor
// and hands the host the new view. The component bundle registers one class
// per plug-in when it is loaded and takes it away when it is unloaded.
// [main thread]
#ifndef IPLUG_AU_VIEWFACTORY_H_
#define IPLUG_AU_VIEWFACTORY_H_

#include <AudioUnit/AUCocoaUIView.h>

#include "wdlstring.h"

class IPlugAU;

class IPlugAUViewFactory : public AUCocoaUIBase
{
public:
  // className: the registered name ("Cinderpath_View"); the description is
  // the name with its underscores as spaces ("Cinderpath View").
  explicit IPlugAUViewFactory(const char* className);

  const char* description() const override { return mDescription.Get(); }
  void release() override { delete this; }
  unsigned interfaceVersion() override { return 0; }
  // The plug-in behind unit opens its editor afresh (closing a view it still
  // has; a window the host took stays the host's to destroy) and the new
  // view's native window is returned; null for a unit that
  // is not an open plug-in, a plug-in without an editor, or an editor that
  // cannot open a window (no display). The offered size is not used: the
  // editor has a fixed size.
  void* uiViewForAudioUnit(AudioUnit unit, NSSize preferredSize) override;

  // The plug-in whose view this factory made last, or null.
  IPlugAU* Plug() const { return mPlug; }

private:
  ~IPlugAUViewFactory() override {}

  WDL_String mDescription;
  IPlugAU* mPlug;
};

// Registers a factory class for the life of the loaded library that holds
// this object (static storage in the bundle).
class IPlugAUViewFactoryRegistration
{
public:
  IPlugAUViewFactoryRegistration(const char* className, CompatClassMaker make);
  ~IPlugAUViewFactoryRegistration();

private:
  const char* mClassName;
  CompatClassMaker mMake;
};

#endif
