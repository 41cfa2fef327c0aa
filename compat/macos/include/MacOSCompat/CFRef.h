/*
 * Scoped ownership of one CoreFoundation reference, for C++ code on either
 * side of the library (the library's own parsers, hosts). It calls only
 * CFRelease. Nothing here for C.
 */
#ifndef COMPAT_CFREF_H
#define COMPAT_CFREF_H

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus

/* Holds one reference obtained under the Create/Copy rule (null allowed) and
   releases it at the end of the scope unless handed on with release().
   Not copyable. [any thread] */
class CompatCFRef {
 public:
  explicit CompatCFRef(CFTypeRef object = nullptr) : mObject(object) {}
  ~CompatCFRef() {
    if (mObject) CFRelease(mObject);
  }
  CompatCFRef(const CompatCFRef&) = delete;
  CompatCFRef& operator=(const CompatCFRef&) = delete;

  /* The object, still owned here; null when empty. */
  CFTypeRef get() const { return mObject; }
  /* Gives up ownership: the caller now owns the returned reference. */
  CFTypeRef release() {
    CFTypeRef object = mObject;
    mObject = nullptr;
    return object;
  }

 private:
  CFTypeRef mObject;
};

#endif /* __cplusplus */

#endif /* COMPAT_CFREF_H */
