/*
 * The protocol of a plug-in's editor view factory: the class that
 * kAudioUnitProperty_CocoaUI names. A host makes an instance of it (through
 * the class registry) and asks it for a view of a unit.
 */
#ifndef COMPAT_AUCOCOAUIVIEW_H
#define COMPAT_AUCOCOAUIVIEW_H

#include <AudioUnit/AUComponent.h>
#include <MacOSCompat/ClassRegistry.h>

#ifdef __cplusplus

#include <cstring>

/* A size in points. */
struct NSSize
{
  double width, height;
};

/* The protocol's name for conformsToProtocol. */
#define kAUCocoaUIBaseProtocolName "AUCocoaUIBase"

class AUCocoaUIBase : public CompatObject
{
public:
  bool conformsToProtocol(const char* protocolName) const override
  {
    return protocolName && std::strcmp(protocolName, kAUCocoaUIBaseProtocolName) == 0;
  }
  /* Version of the protocol the factory implements (0 here). */
  virtual unsigned interfaceVersion() = 0;
  /* A new view showing the unit, not yet inserted in any window, or null.
     On X11 the view is the native window id of an unmapped window, cast to
     a pointer; the host reparents it into its own window. The host owns it:
     when the host destroys its window the view detaches from the plug-in.
     preferredSize may be ignored. [main thread] */
  virtual void* uiViewForAudioUnit(AudioUnit unit, NSSize preferredSize) = 0;
};

#endif /* __cplusplus */

#endif /* COMPAT_AUCOCOAUIVIEW_H */
