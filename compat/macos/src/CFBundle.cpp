// Bundles: folders with a manifest (Contents/Info.plist), an executable and
// resources. Live bundles are indexed by folder so that each folder has one
// object and CFBundleGetBundleWithIdentifier can find it.
#include "CFInternal.h"

#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace compat;

const CFStringRef kCFBundleIdentifierKey = CFSTR("CFBundleIdentifier");
const CFStringRef kCFBundleExecutableKey = CFSTR("CFBundleExecutable");
const CFStringRef kCFBundleNameKey = CFSTR("CFBundleName");
const CFStringRef kCFBundleVersionKey = CFSTR("CFBundleVersion");
const CFStringRef kCFBundleInfoDictionaryVersionKey = CFSTR("CFBundleInfoDictionaryVersion");

namespace {

// Bundle addresses are stored disguised, like the live-object registry, so
// that a leaked bundle still shows up as leaked.
constexpr uintptr_t kDisguise = (uintptr_t)0x5AC3F00DD00F3CA5ULL;

// Manifests are small; a larger file is not read.
constexpr size_t kMaxInfoBytes = 1 << 20;

struct BundleIndex {
  std::mutex mutex;
  std::map<std::string, uintptr_t> byPath;  // folder path -> disguised bundle
  CFStringRef mainIdentifier = nullptr;  // set by the host; permanent, never freed
  std::vector<CFStringRef> retiredIdentifiers;  // earlier values, still reachable
};

BundleIndex& Index() {
  static BundleIndex* index = new BundleIndex;
  return *index;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string UrlPath(CFURLRef url) {
  char buffer[4096];
  if (!CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buffer), sizeof buffer))
    return std::string();
  return buffer;
}

CFURLRef PathUrl(const std::string& path, bool isDirectory) {
  return CFURLCreateFromFileSystemRepresentation(
      nullptr, reinterpret_cast<const UInt8*>(path.data()), (CFIndex)path.size(), isDirectory);
}

std::string ExecutableOfProcess() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, (size_t)n) : std::string("/");
}

CFDictionaryRef ReadInfo(const std::string& folder) {
  CFDictionaryRef info = nullptr;
  std::string plistPath = folder + "/Contents/Info.plist";
  if (FILE* f = std::fopen(plistPath.c_str(), "rb")) {
    std::vector<UInt8> bytes;
    UInt8 chunk[4096];
    size_t n;
    bool tooLarge = false;
    while (!tooLarge && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
      bytes.insert(bytes.end(), chunk, chunk + n);
      tooLarge = bytes.size() > kMaxInfoBytes;
    }
    std::fclose(f);
    if (tooLarge) bytes.clear();  // refused: read as an empty manifest
    CFDataRef data = CFDataCreate(nullptr, bytes.data(), (CFIndex)bytes.size());
    CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, data, 0, nullptr, nullptr);
    if (data) CFRelease(data);
    if (plist && CFGetTypeID(plist) == CFDictionaryGetTypeID()) info = (CFDictionaryRef)plist;
    else if (plist) CFRelease(plist);
  }
  if (!info)
    info = CFDictionaryCreate(nullptr, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                              &kCFTypeDictionaryValueCallBacks);
  return info;
}

}  // namespace

struct __CFBundle : CFObject {
  __CFBundle(std::string path, CFDictionaryRef info, bool isMain)
      : CFObject(kTypeIDBundle), mPath(std::move(path)), mInfo(info), mIsMain(isMain) {}
  ~__CFBundle() override {
    BundleIndex& index = Index();
    {
      std::lock_guard<std::mutex> lock(index.mutex);
      auto it = index.byPath.find(mPath);
      if (it != index.byPath.end() && it->second == ((uintptr_t)this ^ kDisguise))
        index.byPath.erase(it);
    }
    if (mInfo) CFRelease(mInfo);
  }
  std::string Describe() const override {
    return Printf("CFBundle %p <%s>", (const void*)this, mPath.c_str());
  }
  CFStringRef Identifier() const {
    if (mIsMain) {
      std::lock_guard<std::mutex> lock(Index().mutex);
      return Index().mainIdentifier;
    }
    CFTypeRef id = CFDictionaryGetValue(mInfo, kCFBundleIdentifierKey);
    return CFGetTypeID(id) == CFStringGetTypeID() ? (CFStringRef)id : nullptr;
  }
  std::string ResourcesPath() const { return mIsMain ? mPath : mPath + "/Contents/Resources"; }

  const std::string mPath;  // folder, absolute, no trailing "/"
  CFDictionaryRef mInfo;
  const bool mIsMain;
};

namespace {

const __CFBundle* Bundle(CFBundleRef b) { return As<__CFBundle>(b, kTypeIDBundle); }

__CFBundle* MainBundle() {
  static __CFBundle* bundle = [] {
    std::string exe = ExecutableOfProcess();
    size_t slash = exe.rfind('/');
    std::string folder = slash == 0 || slash == std::string::npos ? "/" : exe.substr(0, slash);
    __CFBundle* b = new __CFBundle(folder, nullptr, true);
    b->mInfo = CFDictionaryCreate(nullptr, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                  &kCFTypeDictionaryValueCallBacks);
    MakePermanent(b->mInfo);
    RegisterConstant(b);
    return b;
  }();
  return bundle;
}

// Refuses resource names that climb out of the resources folder.
bool SafeComponent(const std::string& text) {
  if (text == ".." || text.find("../") == 0 || text.find("/../") != std::string::npos) return false;
  return text.size() < 3 || text.compare(text.size() - 3, 3, "/..") != 0;
}

}  // namespace

extern "C" {

CFTypeID CFBundleGetTypeID(void) { return kTypeIDBundle; }

CFBundleRef CFBundleGetMainBundle(void) { return MainBundle(); }

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID) {
  if (!bundleID) return nullptr;
  __CFBundle* main = MainBundle();
  CFStringRef mainId = main->Identifier();
  if (mainId && CFEqual(mainId, bundleID)) return main;
  BundleIndex& index = Index();
  std::lock_guard<std::mutex> lock(index.mutex);
  for (auto& entry : index.byPath) {
    __CFBundle* b = reinterpret_cast<__CFBundle*>(entry.second ^ kDisguise);
    if (CFGetTypeID(b) != kTypeIDBundle) continue;  // being destroyed right now
    CFTypeRef id = CFDictionaryGetValue(b->mInfo, kCFBundleIdentifierKey);
    if (id && CFEqual(id, bundleID)) return b;
  }
  return nullptr;
}

CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL) {
  std::string path = UrlPath(bundleURL);
  if (path.empty() || !IsFolder(path)) return nullptr;
  BundleIndex& index = Index();
  {
    std::lock_guard<std::mutex> lock(index.mutex);
    auto it = index.byPath.find(path);
    if (it != index.byPath.end()) {
      __CFBundle* existing = reinterpret_cast<__CFBundle*>(it->second ^ kDisguise);
      if (TryRetain(existing)) return existing;
    }
  }
  CFDictionaryRef info = ReadInfo(path);
  __CFBundle* bundle = NewObject<__CFBundle>(allocator, path, info, false);
  if (!bundle) {
    CFRelease(info);
    return nullptr;
  }
  __CFBundle* winner = nullptr;
  {
    std::lock_guard<std::mutex> lock(index.mutex);
    auto it = index.byPath.find(path);
    if (it != index.byPath.end()) {
      // Another thread made one meanwhile: keep that one.
      __CFBundle* existing = reinterpret_cast<__CFBundle*>(it->second ^ kDisguise);
      if (TryRetain(existing)) winner = existing;
    }
    if (!winner) index.byPath[path] = (uintptr_t)bundle ^ kDisguise;
  }
  if (winner) {
    CFRelease(bundle);
    return winner;
  }
  return bundle;
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
  const __CFBundle* b = Bundle(bundle);
  return b ? b->Identifier() : nullptr;
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) {
  const __CFBundle* b = Bundle(bundle);
  return b ? b->mInfo : nullptr;
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key) {
  const __CFBundle* b = Bundle(bundle);
  if (!b || !key) return nullptr;
  if (b->mIsMain && CFEqual(key, kCFBundleIdentifierKey)) return b->Identifier();
  return CFDictionaryGetValue(b->mInfo, key);
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
  const __CFBundle* b = Bundle(bundle);
  return b ? PathUrl(b->mPath, true) : nullptr;
}

CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle) {
  const __CFBundle* b = Bundle(bundle);
  if (!b) return nullptr;
  if (b->mIsMain) return PathUrl(ExecutableOfProcess(), false);
  CFTypeRef exe = CFDictionaryGetValue(b->mInfo, kCFBundleExecutableKey);
  if (CFGetTypeID(exe) != CFStringGetTypeID()) return nullptr;
  std::string name = StringUtf8((CFStringRef)exe);
  if (name.empty() || name.find('/') != std::string::npos) return nullptr;
  return PathUrl(b->mPath + "/Contents/Linux/" + name + ".so", false);
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
  const __CFBundle* b = Bundle(bundle);
  return b ? PathUrl(b->ResourcesPath(), true) : nullptr;
}

CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName) {
  const __CFBundle* b = Bundle(bundle);
  if (!b || !resourceName) return nullptr;
  std::string name = StringUtf8(resourceName);
  std::string type = StringUtf8(resourceType);
  std::string sub = StringUtf8(subDirName);
  if (name.empty() || !SafeComponent(name) || !SafeComponent(sub) ||
      type.find('/') != std::string::npos)
    return nullptr;
  if (!type.empty()) {
    std::string suffix = "." + type;
    if (name.size() < suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix))
      name += suffix;
  }
  std::string path = b->ResourcesPath() + (sub.empty() ? "" : "/" + sub) + "/" + name;
  if (!Exists(path)) return nullptr;
  return PathUrl(path, IsFolder(path));
}

void CompatSetMainBundleIdentifier(CFStringRef identifier) {
  CFStringRef copy = identifier ? CFStringCreateCopy(nullptr, identifier) : nullptr;
  if (copy) MakePermanent(copy);  // handed out under the Get rule, never freed
  BundleIndex& index = Index();
  std::lock_guard<std::mutex> lock(index.mutex);
  if (index.mainIdentifier) index.retiredIdentifiers.push_back(index.mainIdentifier);
  index.mainIdentifier = copy;
}

}  // extern "C"
