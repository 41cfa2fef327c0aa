// The process-wide registry of classes by name.
#include <MacOSCompat/ClassRegistry.h>

#include <map>
#include <mutex>
#include <string>

namespace {

struct Registry {
  std::mutex lock;
  std::map<std::string, CompatClassMaker> classes;
};

Registry& Classes() {
  // Never destroyed: bundles unregister from their own static destructors,
  // which may run after this library's.
  static Registry* s_registry = new Registry;
  return *s_registry;
}

}  // namespace

extern "C" {

Boolean CompatRegisterClass(const char* name, CompatClassMaker make) {
  if (!name || !*name || !make) return false;
  Registry& r = Classes();
  std::lock_guard<std::mutex> g(r.lock);
  return r.classes.emplace(name, make).second;
}

void CompatUnregisterClass(const char* name, CompatClassMaker make) {
  if (!name) return;
  Registry& r = Classes();
  std::lock_guard<std::mutex> g(r.lock);
  auto it = r.classes.find(name);
  if (it != r.classes.end() && it->second == make) r.classes.erase(it);
}

CompatClassMaker CompatLookUpClass(const char* name) {
  if (!name) return nullptr;
  Registry& r = Classes();
  std::lock_guard<std::mutex> g(r.lock);
  auto it = r.classes.find(name);
  return it == r.classes.end() ? nullptr : it->second;
}

}  // extern "C"
