// What every host binding hands a plug-in's constructor, and the one way
// plug-in objects are made: one at a time per process (per loaded module).
#ifndef IPLUG_INSTANCE_H
#define IPLUG_INSTANCE_H

#include "mutex.h"
#include "wdlstring.h"

// Identity of a plug-in instance handed to its constructor by its factory.
struct IPlugInstanceInfo
{
  WDL_String mBundleIdentifier;  // identifier of the plug-in's bundle (reverse-DNS name or URI)
  WDL_String mViewClassName;     // class name of the editor view factory
};

// Process-wide lock serialising plug-in construction: created on first use
// (thread-safe static initialisation), destroyed when the module unloads. [any thread]
inline WDL_Mutex& IPlugMakePlugLock()
{
  static WDL_Mutex s_makePlugLock;
  return s_makePlugLock;
}

// Constructs a TPlug from its instance information under IPlugMakePlugLock;
// the caller owns the result. [main thread]
template <class TPlug>
TPlug* IPlugMakePlugLocked(const char* bundleIdentifier, const char* viewClassName)
{
  WDL_MutexLock lock(&IPlugMakePlugLock());
  IPlugInstanceInfo instanceInfo;
  instanceInfo.mBundleIdentifier.Set(bundleIdentifier);
  instanceInfo.mViewClassName.Set(viewClassName);
  return new TPlug(instanceInfo);
}

#endif
