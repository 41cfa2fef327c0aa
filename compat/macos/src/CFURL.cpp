// File URLs: an absolute POSIX path and a folder flag.
#include "CFInternal.h"

#include <cctype>
#include <cstring>
#include <unistd.h>

using namespace compat;

struct __CFURL : CFObject {
  __CFURL(std::string path, bool isDirectory)
      : CFObject(kTypeIDURL), mPath(std::move(path)), mIsDirectory(isDirectory) {
    mString = NewStringFromUtf8(nullptr, StringForm());
  }
  ~__CFURL() override {
    if (mString) CFRelease(mString);
  }
  std::string StringForm() const {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text = "file://";
    for (unsigned char c : mPath) {
      if (std::isalnum(c) || std::strchr("-._~/!$&'()*+,;=:@", c)) {
        text.push_back((char)c);
      } else {
        text.push_back('%');
        text.push_back(kHex[c >> 4]);
        text.push_back(kHex[c & 15]);
      }
    }
    if (mIsDirectory && mPath != "/") text.push_back('/');
    return text;
  }
  bool Equal(const CFObject* other) const override {
    const __CFURL* o = static_cast<const __CFURL*>(other);
    return mPath == o->mPath && mIsDirectory == o->mIsDirectory;
  }
  CFHashCode Hash() const override { return CFHash(mString); }
  std::string Describe() const override { return StringForm(); }

  const std::string mPath;  // absolute, no repeated or trailing "/" (except "/" itself)
  const bool mIsDirectory;
  CFStringRef mString = nullptr;
};

namespace {

const __CFURL* Url(CFURLRef u) { return As<__CFURL>(u, kTypeIDURL); }

std::string Normalize(const std::string& path) {
  std::string absolute = path;
  if (absolute.empty() || absolute[0] != '/') {
    char cwd[4096];
    std::string base = getcwd(cwd, sizeof cwd) ? cwd : "/";
    absolute = base + "/" + absolute;
  }
  std::string out;
  for (char c : absolute) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

CFURLRef NewUrl(CFAllocatorRef allocator, const std::string& path, bool isDirectory) {
  if (path.empty()) return nullptr;
  return NewObject<__CFURL>(allocator, Normalize(path), isDirectory);
}

}  // namespace

extern "C" {

CFTypeID CFURLGetTypeID(void) { return kTypeIDURL; }

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory) {
  if (!filePath || pathStyle != kCFURLPOSIXPathStyle) return nullptr;
  return NewUrl(allocator, StringUtf8(filePath), isDirectory);
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer,
                                                 CFIndex bufLen, Boolean isDirectory) {
  if (!buffer || bufLen <= 0) return nullptr;
  std::string path(reinterpret_cast<const char*>(buffer), (size_t)bufLen);
  if (path.find('\0') != std::string::npos) path.resize(path.find('\0'));
  return NewUrl(allocator, path, isDirectory);
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef allocator, CFURLRef url,
                                               CFStringRef pathComponent, Boolean isDirectory) {
  const __CFURL* u = Url(url);
  if (!u || !pathComponent) return nullptr;
  return NewUrl(allocator, u->mPath + "/" + StringUtf8(pathComponent), isDirectory);
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef allocator, CFURLRef url) {
  const __CFURL* u = Url(url);
  if (!u) return nullptr;
  size_t slash = u->mPath.rfind('/');
  return NewUrl(allocator, slash == 0 || slash == std::string::npos ? "/" : u->mPath.substr(0, slash),
                true);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean, UInt8* buffer, CFIndex maxBufLen) {
  const __CFURL* u = Url(url);
  if (!u || !buffer || maxBufLen <= 0 || (CFIndex)u->mPath.size() >= maxBufLen) return false;
  std::memcpy(buffer, u->mPath.c_str(), u->mPath.size() + 1);
  return true;
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle) {
  const __CFURL* u = Url(anURL);
  if (!u || pathStyle != kCFURLPOSIXPathStyle) return nullptr;
  return NewStringFromUtf8(nullptr, u->mPath);
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef url) {
  const __CFURL* u = Url(url);
  if (!u) return nullptr;
  if (u->mPath == "/") return NewStringFromUtf8(nullptr, "/");
  return NewStringFromUtf8(nullptr, u->mPath.substr(u->mPath.rfind('/') + 1));
}

CFStringRef CFURLGetString(CFURLRef anURL) {
  const __CFURL* u = Url(anURL);
  return u ? u->mString : nullptr;
}

Boolean CFURLHasDirectoryPath(CFURLRef anURL) {
  const __CFURL* u = Url(anURL);
  return u && u->mIsDirectory;
}

}  // extern "C"
