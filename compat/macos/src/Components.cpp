// The Component Manager: registry of components and open instances.
// Pointers handed out are checked against the registry before use, so a
// stale or foreign pointer gets an error code instead of a crash.
#include "ComponentDispatch.h"

#include <CoreFoundation/CoreFoundation.h>
#include <MacOSCompat/MacOSCompat.h>

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <unordered_set>
#include <vector>

struct ComponentRecord {
  ComponentDescription description;
  ComponentRoutineProcPtr entry;
  CFStringRef name;    // retained, may be null
  CFBundleRef bundle;  // retained, may be null
  long instances = 0;
};

struct ComponentInstanceRecord {
  ComponentRecord* component;
  Handle storage = nullptr;
  bool closing = false;  // set once CloseComponent has begun
};

namespace {

constexpr int kMaxArgs = 7;

// A parameter block with room for the instance and kMaxArgs arguments.
struct ParamBlock {
  ComponentParameters header;
  long more[kMaxArgs];
};
static_assert(offsetof(ParamBlock, more) ==
                  offsetof(ComponentParameters, params) + sizeof(long),
              "the extra slots must follow params[0]");

struct Registry {
  std::mutex mutex;
  std::vector<ComponentRecord*> components;  // registration order
  std::unordered_set<ComponentInstanceRecord*> instances;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

// Both need the registry lock held.
ComponentRecord* FindComponent(Registry& r, Component c) {
  auto it = std::find(r.components.begin(), r.components.end(), c);
  return it == r.components.end() ? nullptr : *it;
}
ComponentInstanceRecord* FindInstance(Registry& r, ComponentInstance ci) {
  return r.instances.count(ci) ? ci : nullptr;
}

bool Matches(const ComponentDescription& have, const ComponentDescription* want) {
  if (!want) return true;
  if (want->componentType && want->componentType != have.componentType) return false;
  if (want->componentSubType && want->componentSubType != have.componentSubType) return false;
  if (want->componentManufacturer && want->componentManufacturer != have.componentManufacturer)
    return false;
  UInt32 mask = want->componentFlagsMask;
  return (have.componentFlags & mask) == (want->componentFlags & mask);
}

ComponentResult CallEntry(ComponentRoutineProcPtr entry, void* storage, ComponentInstance ci,
                          SInt16 selector, std::initializer_list<compat::Arg> args) {
  ParamBlock block;
  std::memset(&block, 0, sizeof block);
  block.header.what = selector;
  block.header.paramSize = (UInt8)(args.size() * sizeof(long));
  long* slots = block.header.params;
  slots[0] = (long)ci;
  int i = 1;
  for (const compat::Arg& arg : args) slots[i++] = arg.slot;
  return entry(&block.header, storage);
}

// The entry and storage of an open instance that is not being closed.
bool Callable(ComponentInstance ci, ComponentRoutineProcPtr* entry, void** storage) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  ComponentInstanceRecord* instance = FindInstance(r, ci);
  if (!instance || instance->closing) return false;
  *entry = instance->component->entry;
  *storage = instance->storage;
  return true;
}

OSErr AsOSErr(ComponentResult result) {
  OSErr err = (OSErr)result;
  if (result != noErr && err == noErr) return paramErr;
  return err;
}

}  // namespace

namespace compat {

ComponentResult Dispatch(ComponentInstance ci, SInt16 selector, std::initializer_list<Arg> args) {
  if (args.size() > (size_t)kMaxArgs) return paramErr;
  ComponentRoutineProcPtr entry;
  void* storage;
  if (!Callable(ci, &entry, &storage)) return badComponentInstance;
  return CallEntry(entry, storage, ci, selector, args);
}

}  // namespace compat

extern "C" {

Component CompatRegisterComponent(const ComponentDescription* cd, ComponentRoutineProcPtr entry,
                                  CFStringRef name, CFBundleRef bundle) {
  if (!cd || !entry) return nullptr;
  ComponentRecord* record = new ComponentRecord{*cd, entry, name, bundle};
  if (name) CFRetain(name);
  if (bundle) CFRetain(bundle);
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.components.push_back(record);
  return record;
}

Component RegisterComponent(ComponentDescription* cd, ComponentRoutineUPP componentEntryPoint,
                            SInt16, Handle componentName, Handle, Handle) {
  CFStringRef name = nullptr;
  if (componentName && *componentName) {
    const UInt8* pascal = reinterpret_cast<const UInt8*>(*componentName);
    name = CFStringCreateWithBytes(nullptr, pascal + 1, pascal[0], kCFStringEncodingUTF8, false);
    if (!name)
      name = CFStringCreateWithBytes(nullptr, pascal + 1, pascal[0], kCFStringEncodingISOLatin1,
                                     false);
  }
  Component result = CompatRegisterComponent(cd, componentEntryPoint, name, nullptr);
  if (name) CFRelease(name);
  return result;
}

OSErr UnregisterComponent(Component aComponent) {
  ComponentRecord* record;
  {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    record = FindComponent(r, aComponent);
    if (!record) return invalidComponentID;
    if (record->instances > 0) return validInstancesExist;
    r.components.erase(std::find(r.components.begin(), r.components.end(), record));
  }
  if (record->name) CFRelease(record->name);
  if (record->bundle) CFRelease(record->bundle);
  delete record;
  return noErr;
}

Component FindNextComponent(Component aComponent, ComponentDescription* looking) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.components.begin();
  if (aComponent) {
    it = std::find(r.components.begin(), r.components.end(), aComponent);
    if (it == r.components.end()) return nullptr;
    ++it;
  }
  for (; it != r.components.end(); ++it)
    if (Matches((*it)->description, looking)) return *it;
  return nullptr;
}

long CountComponents(ComponentDescription* looking) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return (long)std::count_if(r.components.begin(), r.components.end(),
                             [&](ComponentRecord* c) { return Matches(c->description, looking); });
}

OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle, Handle, Handle) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  ComponentRecord* record = FindComponent(r, aComponent);
  if (!record) {
    // A component instance may stand in for its component.
    ComponentInstanceRecord* instance =
        FindInstance(r, reinterpret_cast<ComponentInstance>(aComponent));
    if (instance) record = instance->component;
  }
  if (!record) return invalidComponentID;
  if (cd) *cd = record->description;
  return noErr;
}

OSErr OpenAComponent(Component aComponent, ComponentInstance* ci) {
  if (!ci) return paramErr;
  *ci = nullptr;
  Registry& r = TheRegistry();
  ComponentInstanceRecord* instance;
  ComponentRoutineProcPtr entry;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    ComponentRecord* record = FindComponent(r, aComponent);
    if (!record) return invalidComponentID;
    instance = new ComponentInstanceRecord{record};
    record->instances++;
    r.instances.insert(instance);
    entry = record->entry;
  }
  ComponentResult result = CallEntry(entry, nullptr, instance, kComponentOpenSelect, {});
  if (result != noErr) {
    {
      std::lock_guard<std::mutex> lock(r.mutex);
      r.instances.erase(instance);
      instance->component->instances--;
    }
    delete instance;
    return AsOSErr(result);
  }
  *ci = instance;
  return noErr;
}

ComponentInstance OpenComponent(Component aComponent) {
  ComponentInstance ci = nullptr;
  OpenAComponent(aComponent, &ci);
  return ci;
}

OSErr CloseComponent(ComponentInstance aComponentInstance) {
  Registry& r = TheRegistry();
  ComponentRoutineProcPtr entry;
  void* storage;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    ComponentInstanceRecord* instance = FindInstance(r, aComponentInstance);
    // OSErr cannot hold badComponentInstance.
    if (!instance || instance->closing) return invalidComponentID;
    instance->closing = true;
    entry = instance->component->entry;
    storage = instance->storage;
  }
  ComponentResult result = CallEntry(entry, storage, aComponentInstance, kComponentCloseSelect, {});
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    r.instances.erase(aComponentInstance);
    aComponentInstance->component->instances--;
  }
  delete aComponentInstance;
  return AsOSErr(result);
}

void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (ComponentInstanceRecord* instance = FindInstance(r, aComponentInstance))
    instance->storage = theStorage;
}

Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  ComponentInstanceRecord* instance = FindInstance(r, aComponentInstance);
  return instance ? instance->storage : nullptr;
}

long CountComponentInstances(Component aComponent) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  ComponentRecord* record = FindComponent(r, aComponent);
  return record ? record->instances : 0;
}

Component GetComponentIDFromComponentInstance(ComponentInstance componentInstance) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  ComponentInstanceRecord* instance = FindInstance(r, componentInstance);
  return instance ? instance->component : nullptr;
}

ComponentResult CallComponentDispatch(ComponentParameters* cp) {
  if (!cp) return paramErr;
  ComponentInstance ci = reinterpret_cast<ComponentInstance>(cp->params[0]);
  ComponentRoutineProcPtr entry;
  void* storage;
  if (!Callable(ci, &entry, &storage)) return badComponentInstance;
  return entry(cp, storage);
}

ComponentResult CallComponentCanDo(ComponentInstance ci, SInt16 ftnNumber) {
  return compat::Dispatch(ci, kComponentCanDoSelect, {ftnNumber});
}

ComponentResult CallComponentVersion(ComponentInstance ci) {
  return compat::Dispatch(ci, kComponentVersionSelect, {});
}

CFStringRef CompatCopyComponentName(Component aComponent) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  ComponentRecord* record = FindComponent(r, aComponent);
  return record && record->name ? CFStringCreateCopy(nullptr, record->name) : nullptr;
}

CFBundleRef CompatGetComponentBundle(Component aComponent) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  ComponentRecord* record = FindComponent(r, aComponent);
  return record ? record->bundle : nullptr;
}

}  // extern "C"
