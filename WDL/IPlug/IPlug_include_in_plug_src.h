#ifndef _IPLUG_INCLUDE_IN_PLUG_SRC_
#define _IPLUG_INCLUDE_IN_PLUG_SRC_

// Included by exactly one source file of a plug-in, after the plug-in class's
// header. It defines MakePlug and the two functions the component bundle
// exports. Before including it, define:
//
//   PLUG_CLASS_NAME   the plug-in class, constructible from a const IPlugInstanceInfo&
//   PLUG_BUNDLE_ID    the bundle identifier string, as in the bundle's Info.plist
//   PLUG_VIEW_CLASS   the editor view factory class name string
//   PLUG_ENTRY        name of the exported component entry (e.g. Cinderpath_Entry)
//   PLUG_VIEW_ENTRY   name of the exported Carbon view entry (e.g. Cinderpath_ViewEntry)
//
// Only the two entries are exported from the bundle's shared object; build it
// with hidden visibility so nothing else leaks into the host's symbol space.

#include "IPlugAU.h"
#include "IPlugAU_ViewFactory.h"
#include "mutex.h"

#if !defined(PLUG_CLASS_NAME) || !defined(PLUG_BUNDLE_ID) || !defined(PLUG_VIEW_CLASS) || \
    !defined(PLUG_ENTRY) || !defined(PLUG_VIEW_ENTRY)
#error "Define PLUG_CLASS_NAME, PLUG_BUNDLE_ID, PLUG_VIEW_CLASS, PLUG_ENTRY and PLUG_VIEW_ENTRY first."
#endif

#define IPLUG_EXPORT extern "C" __attribute__((visibility("default")))

// The component entry: the host's Component Manager calls it for every
// selector of every instance; storage is what the instance registered. [any thread]
IPLUG_EXPORT ComponentResult PLUG_ENTRY(ComponentParameters* params, void* storage);
// The Carbon view component entry. [main thread]
IPLUG_EXPORT ComponentResult PLUG_VIEW_ENTRY(ComponentParameters* params, void* storage);

ComponentResult PLUG_ENTRY(ComponentParameters* params, void* storage)
{
  return IPlugAU::IPlugAUEntry(params, storage);
}

ComponentResult PLUG_VIEW_ENTRY(ComponentParameters* params, void* storage)
{
  return IPlugAU::IPlugAUCarbonViewEntry(params, storage);
}

// The editor view factory class a host finds by the name
// kAudioUnitProperty_CocoaUI reports, registered while this library is loaded.
namespace
{
CompatObject* MakeViewFactory()
{
  return new IPlugAUViewFactory(PLUG_VIEW_CLASS);
}
const IPlugAUViewFactoryRegistration s_viewFactoryRegistration(PLUG_VIEW_CLASS, MakeViewFactory);
}  // namespace

IPlugAU* MakePlug()
{
  return IPlugMakePlugLocked<PLUG_CLASS_NAME>(PLUG_BUNDLE_ID, PLUG_VIEW_CLASS);
}

#endif
