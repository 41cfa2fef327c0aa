// Object lifetime, the live-object registry, allocators and the generic
// object functions (CFRetain, CFRelease, CFEqual, CFHash, CFCopyDescription).
#include "CFInternal.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unordered_set>

namespace compat {
namespace {

// Addresses are stored XOR-ed with this value so that the registry does not
// count as a reference when the leak checker scans memory.
constexpr uintptr_t kDisguise = (uintptr_t)0xA5C3F00DD00F3C5AULL;

struct Registry {
  std::mutex mutex;
  std::unordered_set<uintptr_t> live;  // disguised addresses of live objects
  long counted = 0;                    // live objects that are not constants
};

Registry& TheRegistry() {
  // Never destroyed: objects may be released by other static destructors.
  static Registry* registry = new Registry;
  return *registry;
}

uintptr_t Disguise(const void* p) { return (uintptr_t)p ^ kDisguise; }

void DefaultErrorHandler(const char* message, const void*) {
  std::fprintf(stderr, "macos_compat: %s\n", message);
}

std::atomic<CompatErrorHandler> gErrorHandler{nullptr};

}  // namespace

void ReportMisuse(const char* message, const void* object, bool fatal) {
  CompatErrorHandler handler = gErrorHandler.load();
  if (handler) {
    handler(message, object);
    return;
  }
  DefaultErrorHandler(message, object);
  if (fatal) std::abort();
}

std::string Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize((size_t)n + 1);
    std::vsnprintf(&out[0], out.size(), format, args);
    out.resize((size_t)n);
  }
  va_end(args);
  return out;
}

std::string CFObject::Describe() const { return Printf("<CFType %p>", (const void*)this); }

void RegisterConstant(CFObject* object) {
  object->mImmortal = true;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.live.insert(Disguise(object));
}

void MakePermanent(CFTypeRef ref) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  CFObject* object = const_cast<CFObject*>(static_cast<const CFObject*>(ref));
  if (!registry.live.count(Disguise(object)) || object->mImmortal) return;
  object->mImmortal = true;
  registry.counted--;
}

void RegisterObject(CFObject* object, CFAllocatorRef allocator) {
  // An object holds a reference to a custom allocator until it is freed.
  if (allocator && !static_cast<const CFObject*>(static_cast<const void*>(allocator))->mImmortal)
    CFRetain(allocator);
  object->mAllocator = allocator;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.live.insert(Disguise(object));
  registry.counted++;
}

bool TryRetain(const void* object) {
  if (!object) return false;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (!registry.live.count(Disguise(object))) return false;
  const CFObject* o = static_cast<const CFObject*>(object);
  if (!o->mImmortal) const_cast<CFObject*>(o)->mRetainCount++;
  return true;
}

}  // namespace compat

using namespace compat;

// ---- Allocators -------------------------------------------------------------

struct __CFAllocator : CFObject {
  enum Kind { kSystem, kNull, kUseContext, kCustom };
  __CFAllocator(Kind kind, const CFAllocatorContext& context)
      : CFObject(kTypeIDAllocator), mKind(kind), mContext(context) {}
  std::string Describe() const override {
    return Printf("<CFAllocator %p>{kind = %d}", (const void*)this, (int)mKind);
  }
  const Kind mKind;
  CFAllocatorContext mContext;
  bool mSelfAllocated = false;  // memory came from its own context
};

namespace {

void* SystemAllocate(CFIndex size, CFOptionFlags, void*) { return std::malloc((size_t)size); }
void* SystemReallocate(void* ptr, CFIndex size, CFOptionFlags, void*) {
  return std::realloc(ptr, (size_t)size);
}
void SystemDeallocate(void* ptr, void*) { std::free(ptr); }
void* NullAllocate(CFIndex, CFOptionFlags, void*) { return nullptr; }

__CFAllocator* MakeBuiltin(__CFAllocator::Kind kind) {
  CFAllocatorContext context = {};
  if (kind == __CFAllocator::kSystem) {
    context.allocate = SystemAllocate;
    context.reallocate = SystemReallocate;
    context.deallocate = SystemDeallocate;
  } else {
    context.allocate = NullAllocate;
  }
  __CFAllocator* allocator = new __CFAllocator(kind, context);
  RegisterConstant(allocator);
  return allocator;
}

// Function-local statics: other files' static initialisers may allocate
// before this file's constants are set.
const __CFAllocator* SystemAllocator() {
  static const __CFAllocator* allocator = MakeBuiltin(__CFAllocator::kSystem);
  return allocator;
}
const __CFAllocator* NullAllocator() {
  static const __CFAllocator* allocator = MakeBuiltin(__CFAllocator::kNull);
  return allocator;
}
const __CFAllocator* UseContextAllocator() {
  static const __CFAllocator* allocator = MakeBuiltin(__CFAllocator::kUseContext);
  return allocator;
}

const __CFAllocator* Resolve(CFAllocatorRef allocator) {
  if (!allocator || allocator == UseContextAllocator()) return SystemAllocator();
  return allocator;
}

bool IsBuiltin(CFAllocatorRef allocator) {
  return !allocator || static_cast<const CFObject*>(allocator)->mImmortal;
}

}  // namespace

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFAllocatorRef kCFAllocatorSystemDefault = SystemAllocator();
const CFAllocatorRef kCFAllocatorMalloc = SystemAllocator();
const CFAllocatorRef kCFAllocatorNull = NullAllocator();
const CFAllocatorRef kCFAllocatorUseContext = UseContextAllocator();

namespace compat {

void* AllocateObjectMemory(CFAllocatorRef allocator, size_t size) {
  return CFAllocatorAllocate(allocator, (CFIndex)size, 0);
}

}  // namespace compat

extern "C" {

CFTypeID CFAllocatorGetTypeID(void) { return kTypeIDAllocator; }

CFAllocatorRef CFAllocatorGetDefault(void) { return SystemAllocator(); }

CFAllocatorRef CFAllocatorCreate(CFAllocatorRef allocator, CFAllocatorContext* context) {
  if (!context || !context->allocate || context->version != 0) return nullptr;
  CFAllocatorContext ctx = *context;
  const bool selfAllocated = allocator == UseContextAllocator();
  void* memory = selfAllocated ? ctx.allocate((CFIndex)sizeof(__CFAllocator), 0, ctx.info)
                               : CFAllocatorAllocate(allocator, sizeof(__CFAllocator), 0);
  if (!memory) return nullptr;
  if (ctx.retain && ctx.info) ctx.info = const_cast<void*>(ctx.retain(ctx.info));
  __CFAllocator* result = new (memory) __CFAllocator(__CFAllocator::kCustom, ctx);
  result->mSelfAllocated = selfAllocated;
  RegisterObject(result, selfAllocated ? nullptr : allocator);
  return result;
}

void* CFAllocatorAllocate(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint) {
  if (size <= 0) return nullptr;
  const __CFAllocator* a = Resolve(allocator);
  return a->mContext.allocate ? a->mContext.allocate(size, hint, a->mContext.info) : nullptr;
}

void* CFAllocatorReallocate(CFAllocatorRef allocator, void* ptr, CFIndex newsize,
                            CFOptionFlags hint) {
  if (!ptr) return CFAllocatorAllocate(allocator, newsize, hint);
  if (newsize <= 0) {
    CFAllocatorDeallocate(allocator, ptr);
    return nullptr;
  }
  const __CFAllocator* a = Resolve(allocator);
  return a->mContext.reallocate ? a->mContext.reallocate(ptr, newsize, hint, a->mContext.info)
                                : nullptr;
}

void CFAllocatorDeallocate(CFAllocatorRef allocator, void* ptr) {
  if (!ptr) return;
  const __CFAllocator* a = Resolve(allocator);
  if (a->mContext.deallocate) a->mContext.deallocate(ptr, a->mContext.info);
}

void CFAllocatorGetContext(CFAllocatorRef allocator, CFAllocatorContext* context) {
  if (context) *context = Resolve(allocator)->mContext;
}

// ---- Objects ------------------------------------------------------------------

CFTypeRef CFRetain(CFTypeRef cf) {
  if (!cf) {
    ReportMisuse("CFRetain called with NULL.", nullptr, true);
    return cf;
  }
  if (!TryRetain(cf)) ReportMisuse("CFRetain called on an object that is no longer alive.", cf, true);
  return cf;
}

void CFRelease(CFTypeRef cf) {
  if (!cf) {
    ReportMisuse("CFRelease called with NULL.", nullptr, true);
    return;
  }
  CFObject* object = const_cast<CFObject*>(static_cast<const CFObject*>(cf));
  {
    Registry& registry = TheRegistry();
    std::unique_lock<std::mutex> lock(registry.mutex);
    if (!registry.live.count(Disguise(cf))) {
      // Checked before touching the object: its memory may be gone. The hook
      // runs without the lock so that it may call back into the library.
      lock.unlock();
      ReportMisuse("CFRelease called on an object that is no longer alive (released more often "
                   "than retained).",
                   cf, true);
      return;
    }
    if (object->mImmortal) return;
    if (--object->mRetainCount > 0) return;
    registry.live.erase(Disguise(cf));
    registry.counted--;
  }
  // Destroy outside the lock: destructors release the objects they hold.
  CFAllocatorRef allocator = object->mAllocator;
  if (object->mTypeID == kTypeIDAllocator && static_cast<__CFAllocator*>(object)->mSelfAllocated) {
    CFAllocatorContext ctx = static_cast<__CFAllocator*>(object)->mContext;
    object->~CFObject();
    if (ctx.deallocate) ctx.deallocate(object, ctx.info);
    if (ctx.release && ctx.info) ctx.release(ctx.info);
    return;
  }
  if (object->mTypeID == kTypeIDAllocator) {
    CFAllocatorContext ctx = static_cast<__CFAllocator*>(object)->mContext;
    if (ctx.release && ctx.info) ctx.release(ctx.info);
  }
  object->~CFObject();
  CFAllocatorDeallocate(allocator, object);
  if (!IsBuiltin(allocator)) CFRelease(allocator);
}

CFIndex CFGetRetainCount(CFTypeRef cf) {
  if (!cf) return 0;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (!registry.live.count(Disguise(cf))) return 0;
  const CFObject* object = static_cast<const CFObject*>(cf);
  return object->mImmortal ? LONG_MAX : object->mRetainCount.load();
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
  if (!cf) return 0;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (!registry.live.count(Disguise(cf))) return 0;
  return static_cast<const CFObject*>(cf)->mTypeID;
}

CFAllocatorRef CFGetAllocator(CFTypeRef cf) {
  if (!cf) return SystemAllocator();
  CFAllocatorRef allocator = static_cast<const CFObject*>(cf)->mAllocator;
  return allocator ? allocator : SystemAllocator();
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2) {
  if (cf1 == cf2) return true;
  if (!cf1 || !cf2) return false;
  const CFObject* a = static_cast<const CFObject*>(cf1);
  const CFObject* b = static_cast<const CFObject*>(cf2);
  return a->mTypeID == b->mTypeID && a->Equal(b);
}

CFHashCode CFHash(CFTypeRef cf) { return cf ? static_cast<const CFObject*>(cf)->Hash() : 0; }

CFStringRef CFCopyDescription(CFTypeRef cf) {
  if (!cf) return nullptr;
  return NewStringFromUtf8(nullptr, static_cast<const CFObject*>(cf)->Describe());
}

CFStringRef CFCopyTypeIDDescription(CFTypeID typeID) {
  const char* name = "CFType";
  switch (typeID) {
    case kTypeIDAllocator: name = "CFAllocator"; break;
    case kTypeIDString: name = "CFString"; break;
    case kTypeIDDictionary: name = "CFDictionary"; break;
    case kTypeIDArray: name = "CFArray"; break;
    case kTypeIDData: name = "CFData"; break;
    case kTypeIDBoolean: name = "CFBoolean"; break;
    case kTypeIDNumber: name = "CFNumber"; break;
    case kTypeIDURL: name = "CFURL"; break;
    case kTypeIDBundle: name = "CFBundle"; break;
    case kTypeIDError: name = "CFError"; break;
    default: break;
  }
  return NewStringFromUtf8(nullptr, name);
}

void CFShow(CFTypeRef obj) {
  std::string text = obj ? static_cast<const CFObject*>(obj)->Describe() : "(null)";
  std::fprintf(stderr, "%s\n", text.c_str());
}

CompatErrorHandler CompatSetErrorHandler(CompatErrorHandler handler) {
  return gErrorHandler.exchange(handler);
}

long CompatCFLiveObjectCount(void) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.counted;
}

}  // extern "C"
