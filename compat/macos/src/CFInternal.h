// Internal object model of the CoreFoundation subset.
//
// Every object derives from CFObject, is placed in memory obtained from its
// allocator and is known to the live-object registry from creation until its
// count drops to zero. The registry holds addresses in disguised form, so
// that the leak checker still sees an object nobody references as leaked.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <MacOSCompat/MacOSCompat.h>

#include <atomic>
#include <new>
#include <string>
#include <utility>

namespace compat {

enum : CFTypeID {
  kTypeIDAllocator = 2,
  kTypeIDString = 7,
  kTypeIDDictionary = 18,
  kTypeIDArray = 19,
  kTypeIDData = 20,
  kTypeIDBoolean = 21,
  kTypeIDNumber = 22,
  kTypeIDURL = 29,
  kTypeIDBundle = 31,
  kTypeIDError = 45
};

struct CFObject {
  explicit CFObject(CFTypeID typeID) : mTypeID(typeID) {}
  virtual ~CFObject() = default;
  CFObject(const CFObject&) = delete;
  CFObject& operator=(const CFObject&) = delete;

  // Same type assured by the caller.
  virtual bool Equal(const CFObject* other) const { return this == other; }
  virtual CFHashCode Hash() const { return (CFHashCode)(uintptr_t)this; }
  // Text of CFCopyDescription, UTF-8.
  virtual std::string Describe() const;
  // Text of "%@" in a format; the description unless a type says otherwise.
  virtual std::string FormatText() const { return Describe(); }

  const CFTypeID mTypeID;
  std::atomic<CFIndex> mRetainCount{1};
  CFAllocatorRef mAllocator = nullptr;  // retained unless a built-in one
  bool mImmortal = false;               // constants: never counted, never freed
};

// Reports a misuse through the error hook; fatal ones abort by default.
void ReportMisuse(const char* message, const void* object, bool fatal);

// Places a new T in memory from the allocator, registers it and returns it
// with a count of 1; null when the allocator gives no memory.
void* AllocateObjectMemory(CFAllocatorRef allocator, size_t size);
void RegisterObject(CFObject* object, CFAllocatorRef allocator);
template <typename T, typename... Args>
T* NewObject(CFAllocatorRef allocator, Args&&... args) {
  void* memory = AllocateObjectMemory(allocator, sizeof(T));
  if (!memory) return nullptr;
  T* object = new (memory) T(std::forward<Args>(args)...);
  RegisterObject(object, allocator);
  return object;
}
// Marks a statically constructed object as a constant and makes it valid.
void RegisterConstant(CFObject* object);
// Turns a live object into a constant (for objects the library keeps for
// the life of the process).
void MakePermanent(CFTypeRef object);

// Adds a reference if the object is still alive; false (and no report)
// otherwise. For caches that hold objects without a reference.
bool TryRetain(const void* object);

// The object behind a reference when it is alive and of the type, else null.
template <typename T>
const T* As(CFTypeRef ref, CFTypeID typeID) {
  if (!ref) return nullptr;
  const CFObject* object = static_cast<const CFObject*>(ref);
  return object->mTypeID == typeID ? static_cast<const T*>(object) : nullptr;
}
template <typename T>
T* AsMutable(CFTypeRef ref, CFTypeID typeID) {
  return const_cast<T*>(As<T>(ref, typeID));
}
// For the mutating functions of a type with a mutable variant (T::mMutable):
// the object when it is alive, of the type and mutable; null otherwise, and
// an immutable one is reported with the message.
template <typename T>
T* AsWritable(CFTypeRef ref, CFTypeID typeID, const char* immutableMessage) {
  T* object = AsMutable<T>(ref, typeID);
  if (object && !object->mMutable) {
    ReportMisuse(immutableMessage, ref, false);
    return nullptr;
  }
  return object;
}

// True when [location, location + length) lies within [0, count).
inline bool RangeInside(CFRange range, size_t count) {
  return range.location >= 0 && range.length >= 0 && (size_t)range.location <= count &&
         (size_t)range.length <= count - (size_t)range.location;
}

// The collection callbacks for CoreFoundation objects (the kCFType ones).
inline const void* RetainObject(CFAllocatorRef, const void* value) { return CFRetain(value); }
inline void ReleaseObject(CFAllocatorRef, const void* value) { CFRelease(value); }
inline Boolean EqualObjects(const void* a, const void* b) { return CFEqual(a, b); }
inline CFHashCode HashObject(const void* value) { return CFHash(value); }
inline CFStringRef DescribeObject(const void* value) { return CFCopyDescription(value); }

// UTF-8 <-> UTF-16 conversion. DecodeUtf8 refuses malformed input
// (overlong forms, surrogates, values above U+10FFFF, truncated sequences).
bool DecodeUtf8(const char* bytes, size_t length, std::u16string* out);
// Lone surrogates make EncodeUtf8 fail unless replace is set (then U+FFFD).
bool EncodeUtf8(const char16_t* units, size_t count, std::string* out, bool replace);

// Text of a string object as UTF-8 (lone surrogates replaced); "" for null.
std::string StringUtf8(CFStringRef string);
// New string from UTF-8 text that is known to be valid.
CFStringRef NewStringFromUtf8(CFAllocatorRef allocator, const std::string& text);
// printf-style formatting to a std::string (for descriptions).
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace compat

namespace compat {
// New error object in the domain with a description (UTF-8).
CFErrorRef NewError(CFStringRef domain, CFIndex code, const std::string& description);
}  // namespace compat
