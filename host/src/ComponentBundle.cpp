// Loading component bundles: manifest checks, dynamic loading, registration.
// Everything is checked before anything is registered, so a failed load
// leaves the process as it was.
#include "cinderpath_host/ComponentBundle.h"

#include <MacOSCompat/CFRef.h>
#include <MacOSCompat/MacOSCompat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <utility>

namespace cinderpath_host {

namespace {

constexpr long kMaxManifestBytes = 1 << 20;

std::string Utf8(CFStringRef s) {
  if (!s) return std::string();
  CFIndex size = CFStringGetMaximumSizeForEncoding(CFStringGetLength(s), kCFStringEncodingUTF8) + 1;
  std::string text((size_t)size, '\0');
  if (!CFStringGetCString(s, &text[0], size, kCFStringEncodingUTF8)) return std::string();
  text.resize(std::strlen(text.c_str()));
  return text;
}

// A string value of the dictionary, or "" when the key is absent or its value
// is not a string.
std::string StringValue(CFDictionaryRef dict, CFStringRef key) {
  CFTypeRef value = CFDictionaryGetValue(dict, key);
  return CFGetTypeID(value) == CFStringGetTypeID() ? Utf8((CFStringRef)value) : std::string();
}

bool IsIdentifier(const std::string& s) {
  if (s.empty() || std::isdigit((unsigned char)s[0])) return false;
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return std::isalnum((unsigned char)c) || c == '_'; });
}

bool ReadFile(const std::string& path, std::string* bytes, std::string* why) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *why = std::strerror(errno);
    return false;
  }
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    bytes->append(chunk, n);
    if ((long)bytes->size() > kMaxManifestBytes) {
      std::fclose(f);
      *why = "larger than " + std::to_string(kMaxManifestBytes) + " bytes";
      return false;
    }
  }
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) *why = "read error";
  return !failed;
}

}  // namespace

// Owns the process-wide table of loaded bundles.
class BundleLoader {
 public:
  static const LoadedBundle* Load(const std::string& bundlePath, std::string* error,
                                  LoadStatus* status);

 private:
  static bool ReadManifest(const std::string& folder, LoadedBundle* bundle,
                           std::string* executableName, std::string* message, LoadStatus* status);
  static std::mutex& Mutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
  }
  static std::map<std::string, LoadedBundle*>& Table() {
    static auto* table = new std::map<std::string, LoadedBundle*>;
    return *table;
  }
};

bool BundleLoader::ReadManifest(const std::string& folder, LoadedBundle* bundle,
                                std::string* executableName, std::string* message,
                                LoadStatus* status) {
  const std::string manifestPath = folder + "/Contents/Info.plist";
  struct stat st;
  if (stat(manifestPath.c_str(), &st) != 0) {
    *status = LoadStatus::kManifestMissing;
    *message = manifestPath + ": no manifest";
    return false;
  }
  std::string bytes, why;
  if (!ReadFile(manifestPath, &bytes, &why)) {
    *status = LoadStatus::kManifestCorrupt;
    *message = manifestPath + ": " + why;
    return false;
  }
  CompatCFRef data(CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                (CFIndex)bytes.size()));
  CFErrorRef parseError = nullptr;
  CompatCFRef plist(CFPropertyListCreateWithData(nullptr, (CFDataRef)data.get(), 0, nullptr,
                                                 &parseError));
  CompatCFRef parseErrorHolder(parseError);
  *status = LoadStatus::kManifestCorrupt;
  if (!plist.get()) {
    CompatCFRef description(parseError ? CFErrorCopyDescription(parseError) : nullptr);
    *message = manifestPath + ": " + Utf8((CFStringRef)description.get());
    return false;
  }
  if (CFGetTypeID(plist.get()) != CFDictionaryGetTypeID()) {
    *message = manifestPath + ": the top-level value is not a dictionary";
    return false;
  }
  CFDictionaryRef info = (CFDictionaryRef)plist.get();
  *status = LoadStatus::kManifestIncomplete;
  bundle->mIdentifier = StringValue(info, kCFBundleIdentifierKey);
  if (bundle->mIdentifier.empty()) {
    *message = manifestPath + ": CFBundleIdentifier is missing or not a non-empty string";
    return false;
  }
  *executableName = StringValue(info, kCFBundleExecutableKey);
  if (executableName->empty() || executableName->find('/') != std::string::npos ||
      *executableName == "." || *executableName == "..") {
    *message = manifestPath + ": CFBundleExecutable is missing or not a plain file name";
    return false;
  }
  CFTypeRef components = CFDictionaryGetValue(info, CFSTR("AudioComponents"));
  if (!components || CFGetTypeID(components) != CFArrayGetTypeID() ||
      CFArrayGetCount((CFArrayRef)components) == 0) {
    *message = manifestPath + ": AudioComponents is missing or not a non-empty array";
    return false;
  }
  for (CFIndex i = 0; i < CFArrayGetCount((CFArrayRef)components); i++) {
    const std::string where = manifestPath + ": AudioComponents item " + std::to_string(i);
    CFTypeRef item = CFArrayGetValueAtIndex((CFArrayRef)components, i);
    if (CFGetTypeID(item) != CFDictionaryGetTypeID()) {
      *message = where + " is not a dictionary";
      return false;
    }
    CFDictionaryRef dict = (CFDictionaryRef)item;
    BundleComponent component;
    struct {
      CFStringRef key;
      OSType* code;
    } codes[] = {{CFSTR("type"), &component.description.componentType},
                 {CFSTR("subtype"), &component.description.componentSubType},
                 {CFSTR("manufacturer"), &component.description.componentManufacturer}};
    for (auto& code : codes) {
      if (!StringToFourCharCode(StringValue(dict, code.key), code.code)) {
        *message = where + ": " + Utf8(code.key) + " is not four printable ASCII characters";
        return false;
      }
    }
    component.entryName = StringValue(dict, CFSTR("entryPoint"));
    if (!IsIdentifier(component.entryName)) {
      *message = where + ": entryPoint is missing or not a C identifier";
      return false;
    }
    component.name = StringValue(dict, CFSTR("name"));
    CFTypeRef version = CFDictionaryGetValue(dict, CFSTR("version"));
    if (version) {
      long long v = -1;
      if (CFGetTypeID(version) != CFNumberGetTypeID() || CFNumberIsFloatType((CFNumberRef)version) ||
          !CFNumberGetValue((CFNumberRef)version, kCFNumberLongLongType, &v) || v < 0 ||
          v > (long long)UINT32_MAX) {
        *message = where + ": version is not an integer between 0 and 4294967295";
        return false;
      }
      component.version = (UInt32)v;
    }
    bundle->mComponents.push_back(component);
  }
  return true;
}

const LoadedBundle* BundleLoader::Load(const std::string& bundlePath, std::string* error,
                                       LoadStatus* status) {
  LoadStatus localStatus = LoadStatus::kOk;
  std::string localError;
  if (!status) status = &localStatus;
  if (!error) error = &localError;
  *status = LoadStatus::kOk;
  error->clear();

  char resolved[PATH_MAX];
  struct stat st;
  if (!realpath(bundlePath.c_str(), resolved) || stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode)) {
    *status = LoadStatus::kNotABundle;
    *error = bundlePath + ": not a folder";
    return nullptr;
  }
  const std::string folder = resolved;

  std::lock_guard<std::mutex> lock(Mutex());
  auto found = Table().find(folder);
  if (found != Table().end()) return found->second;

  std::unique_ptr<LoadedBundle> bundle(new LoadedBundle);
  bundle->mPath = folder;
  std::string executableName;
  if (!ReadManifest(folder, bundle.get(), &executableName, error, status)) return nullptr;

  for (auto& entry : Table()) {
    if (entry.second->mIdentifier == bundle->mIdentifier) {
      *status = LoadStatus::kIdentifierInUse;
      *error = folder + ": identifier " + bundle->mIdentifier + " is already used by " +
               entry.first;
      return nullptr;
    }
  }

  bundle->mExecutablePath = folder + "/Contents/Linux/" + executableName + ".so";
  if (stat(bundle->mExecutablePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    *status = LoadStatus::kExecutableMissing;
    *error = bundle->mExecutablePath + ": no executable";
    return nullptr;
  }
  void* library = dlopen(bundle->mExecutablePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* why = dlerror();
    *status = LoadStatus::kExecutableUnloadable;
    *error = bundle->mExecutablePath + ": " + (why ? why : "cannot be loaded");
    return nullptr;
  }
  std::vector<ComponentRoutineProcPtr> entries;
  for (const BundleComponent& component : bundle->mComponents) {
    void* symbol = dlsym(library, component.entryName.c_str());
    if (!symbol) {
      dlclose(library);
      *status = LoadStatus::kEntryMissing;
      *error = bundle->mExecutablePath + ": does not export " + component.entryName;
      return nullptr;
    }
    entries.push_back(reinterpret_cast<ComponentRoutineProcPtr>(symbol));
  }

  CompatCFRef url(CFURLCreateFromFileSystemRepresentation(
      nullptr, reinterpret_cast<const UInt8*>(folder.data()), (CFIndex)folder.size(), true));
  CFBundleRef cfBundle = CFBundleCreate(nullptr, (CFURLRef)url.get());
  if (!cfBundle) {
    dlclose(library);
    *status = LoadStatus::kNotABundle;
    *error = folder + ": the bundle object cannot be made";
    return nullptr;
  }
  for (size_t i = 0; i < bundle->mComponents.size(); i++) {
    BundleComponent& component = bundle->mComponents[i];
    CompatCFRef name(component.name.empty()
                         ? nullptr
                         : CFStringCreateWithCString(nullptr, component.name.c_str(),
                                                     kCFStringEncodingUTF8));
    component.component = CompatRegisterComponent(&component.description, entries[i],
                                                  (CFStringRef)name.get(), cfBundle);
    if (!component.component) {
      for (size_t j = 0; j < i; j++) UnregisterComponent(bundle->mComponents[j].component);
      CFRelease(cfBundle);
      dlclose(library);
      *status = LoadStatus::kRegistrationFailed;
      *error = folder + ": component " + component.entryName + " cannot be registered";
      return nullptr;
    }
  }
  bundle->mBundle = cfBundle;  // kept until exit, like the library
  bundle->mLibrary = library;
  LoadedBundle* result = bundle.release();
  Table()[folder] = result;
  *status = LoadStatus::kOk;
  return result;
}

const char* LoadStatusName(LoadStatus status) {
  switch (status) {
    case LoadStatus::kOk: return "ok";
    case LoadStatus::kNotABundle: return "not a bundle";
    case LoadStatus::kManifestMissing: return "manifest missing";
    case LoadStatus::kManifestCorrupt: return "manifest corrupt";
    case LoadStatus::kManifestIncomplete: return "manifest incomplete";
    case LoadStatus::kExecutableMissing: return "executable missing";
    case LoadStatus::kExecutableUnloadable: return "executable unloadable";
    case LoadStatus::kEntryMissing: return "entry missing";
    case LoadStatus::kIdentifierInUse: return "identifier in use";
    case LoadStatus::kRegistrationFailed: return "registration failed";
  }
  return "unknown";
}

const BundleComponent* LoadedBundle::Find(OSType type, OSType subType, OSType manufacturer) const {
  for (const BundleComponent& c : mComponents) {
    const ComponentDescription& d = c.description;
    if ((!type || d.componentType == type) && (!subType || d.componentSubType == subType) &&
        (!manufacturer || d.componentManufacturer == manufacturer))
      return &c;
  }
  return nullptr;
}

const LoadedBundle* LoadComponentBundle(const std::string& bundlePath, std::string* error,
                                        LoadStatus* status) {
  return BundleLoader::Load(bundlePath, error, status);
}

std::vector<std::string> FindComponentBundles(const std::string& folder) {
  std::vector<std::string> found;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return found;
  const std::string suffix = ".component";
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() <= suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    std::string path = folder + (folder.empty() || folder.back() == '/' ? "" : "/") + name;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) found.push_back(path);
  }
  closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}

std::string FourCharCodeToString(OSType code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    unsigned char c = (unsigned char)(code >> shift);
    if (c >= 0x20 && c < 0x7F) {
      text.push_back((char)c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text;
}

bool StringToFourCharCode(const std::string& text, OSType* code) {
  if (text.size() != 4) return false;
  OSType value = 0;
  for (char c : text) {
    if ((unsigned char)c < 0x20 || (unsigned char)c >= 0x7F) return false;
    value = (value << 8) | (unsigned char)c;
  }
  if (code) *code = value;
  return true;
}

UnitHandle::~UnitHandle() { Close(); }

UnitHandle::UnitHandle(UnitHandle&& other) noexcept : mUnit(other.mUnit) { other.mUnit = nullptr; }

UnitHandle& UnitHandle::operator=(UnitHandle&& other) noexcept {
  if (this != &other) {
    Close();
    mUnit = other.mUnit;
    other.mUnit = nullptr;
  }
  return *this;
}

OSStatus UnitHandle::Open(Component component) {
  Close();
  return OpenAComponent(component, &mUnit);
}

OSStatus UnitHandle::Close() {
  if (!mUnit) return noErr;
  AudioUnit unit = mUnit;
  mUnit = nullptr;
  return CloseComponent(unit);
}

}  // namespace cinderpath_host
