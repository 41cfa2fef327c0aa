// Errors, run-loop tokens and alerts.
#include "CFInternal.h"

#include <cstdio>

using namespace compat;

struct __CFError : CFObject {
  __CFError(CFStringRef domain, CFIndex code, CFStringRef description)
      : CFObject(kTypeIDError), mDomain(domain), mCode(code), mDescription(description) {}
  ~__CFError() override {
    if (mDescription) CFRelease(mDescription);
  }
  std::string Describe() const override { return StringUtf8(mDescription); }
  CFStringRef mDomain;  // a constant string
  CFIndex mCode;
  CFStringRef mDescription;
};

struct __CFRunLoop {
  int unused;
};

const CFStringRef kCFErrorDomainPOSIX = CFSTR("NSPOSIXErrorDomain");
const CFStringRef kCFErrorDomainOSStatus = CFSTR("NSOSStatusErrorDomain");
const CFStringRef kCFErrorDomainCocoa = CFSTR("NSCocoaErrorDomain");
const CFStringRef kCFRunLoopDefaultMode = CFSTR("kCFRunLoopDefaultMode");
const CFStringRef kCFRunLoopCommonModes = CFSTR("kCFRunLoopCommonModes");

namespace compat {

CFErrorRef NewError(CFStringRef domain, CFIndex code, const std::string& description) {
  CFStringRef text = NewStringFromUtf8(nullptr, description);
  __CFError* error = NewObject<__CFError>(nullptr, domain, code, text);
  if (!error && text) CFRelease(text);
  return error;
}

}  // namespace compat

extern "C" {

CFTypeID CFErrorGetTypeID(void) { return kTypeIDError; }

CFStringRef CFErrorGetDomain(CFErrorRef err) {
  const __CFError* e = As<__CFError>(err, kTypeIDError);
  return e ? e->mDomain : nullptr;
}

CFIndex CFErrorGetCode(CFErrorRef err) {
  const __CFError* e = As<__CFError>(err, kTypeIDError);
  return e ? e->mCode : 0;
}

CFStringRef CFErrorCopyDescription(CFErrorRef err) {
  const __CFError* e = As<__CFError>(err, kTypeIDError);
  return e && e->mDescription ? CFStringCreateCopy(nullptr, e->mDescription) : nullptr;
}

CFRunLoopRef CFRunLoopGetCurrent(void) {
  static __CFRunLoop loop;
  return &loop;
}

CFRunLoopRef CFRunLoopGetMain(void) { return CFRunLoopGetCurrent(); }

SInt32 CFUserNotificationDisplayAlert(CFTimeInterval, CFOptionFlags, CFURLRef, CFURLRef, CFURLRef,
                                      CFStringRef alertHeader, CFStringRef alertMessage,
                                      CFStringRef, CFStringRef, CFStringRef,
                                      CFOptionFlags* responseFlags) {
  std::fprintf(stderr, "%s\n%s\n", StringUtf8(alertHeader).c_str(),
               StringUtf8(alertMessage).c_str());
  if (responseFlags) *responseFlags = kCFUserNotificationDefaultResponse;
  return 0;
}

}  // extern "C"
