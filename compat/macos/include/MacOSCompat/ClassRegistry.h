/*
 * Classes by name: what the Objective-C runtime's class lookup does for a
 * host that loads a view factory from a plug-in bundle. A bundle registers
 * its classes when it is loaded (and takes them away when it is unloaded);
 * a host finds one by the name the plug-in reports and makes an instance.
 * The registry is process-wide, in this shared library, so a registration
 * made by a bundle is visible to the host that loaded it.
 */
#ifndef COMPAT_CLASSREGISTRY_H
#define COMPAT_CLASSREGISTRY_H

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus

/* An instance of a registered class: the stand-in for NSObject. The code of
   every method lives in the library that registered the class. */
class CompatObject
{
public:
  /* Text describing the object (UTF-8, owned by the object). */
  virtual const char* description() const = 0;
  /* Whether the object implements the named protocol's methods, so that a
     caller may treat it as that protocol's class. */
  virtual bool conformsToProtocol(const char* protocolName) const
  {
    (void)protocolName;
    return false;
  }
  /* Destroys the object; the caller's pointer is dead afterwards. */
  virtual void release() = 0;

protected:
  virtual ~CompatObject() {}
};

/* Makes a new instance of a class (alloc and init in one); null on failure.
   The caller owns it and ends it with release(). */
typedef CompatObject* (*CompatClassMaker)(void);

COMPAT_EXTERN_C_BEGIN

/* Registers make under name. False, and nothing changes, for a null or empty
   name, a null maker or a name already taken (the first registration
   stays). [any thread] */
COMPAT_EXPORT Boolean CompatRegisterClass(const char* name, CompatClassMaker make);
/* Takes the class away if name is registered with this maker; a library
   does it before it is unloaded. [any thread] */
COMPAT_EXPORT void CompatUnregisterClass(const char* name, CompatClassMaker make);
/* The maker registered under name, or null. [any thread] */
COMPAT_EXPORT CompatClassMaker CompatLookUpClass(const char* name);

COMPAT_EXTERN_C_END

#endif /* __cplusplus */

#endif /* COMPAT_CLASSREGISTRY_H */
