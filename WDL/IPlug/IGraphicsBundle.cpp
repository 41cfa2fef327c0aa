#include "IGraphicsBundle.h"

#include <CoreFoundation/CoreFoundation.h>
#include <MacOSCompat/CFRef.h>

#include <cstring>
#include <strings.h>

#include "lice_png.h"
#include "wdlstring.h"

namespace
{
CFBundleRef FindBundle(const char* bundleID)
{
  if (!bundleID || !*bundleID) return nullptr;
  CompatCFRef id(CFStringCreateWithCString(kCFAllocatorDefault, bundleID, kCFStringEncodingUTF8));
  if (!id.get()) return nullptr;
  return CFBundleGetBundleWithIdentifier((CFStringRef)id.get());
}

bool URLToPath(CFURLRef url, char* path, int pathSize)
{
  return url && CFURLGetFileSystemRepresentation(url, true, (UInt8*)path, pathSize);
}
}  // namespace

LICE_IBitmap* LoadBundlePNG(const char* bundleID, const char* name)
{
  if (!name) return nullptr;
  const char* dot = std::strrchr(name, '.');
  if (strcasecmp(dot ? dot + 1 : name, "png") != 0) return nullptr;

  CFBundleRef bundle = FindBundle(bundleID);
  if (!bundle) return nullptr;

  const char* slash = std::strrchr(name, '/');
  const char* base = slash ? slash + 1 : name;
  const char* end = (dot && dot >= base) ? dot : name + std::strlen(name);
  char resource[256];
  const size_t baseLen = (size_t)(end - base);
  if (baseLen == 0 || baseLen >= sizeof(resource)) return nullptr;
  std::memcpy(resource, base, baseLen);
  resource[baseLen] = 0;

  CompatCFRef resName(CFStringCreateWithCString(kCFAllocatorDefault, resource, kCFStringEncodingUTF8));
  CompatCFRef type(CFStringCreateWithCString(kCFAllocatorDefault, "png", kCFStringEncodingUTF8));
  if (!resName.get() || !type.get()) return nullptr;
  CompatCFRef url(CFBundleCopyResourceURL(bundle, (CFStringRef)resName.get(), (CFStringRef)type.get(), nullptr));
  char path[4096];
  if (!URLToPath((CFURLRef)url.get(), path, (int)sizeof(path))) return nullptr;
  // Every instance builds its editor; most are never shown (a render, a
  // host's scan), so the pixels wait until the editor draws them.
  return LICE_OpenPNG(path);
}

bool GetBundlePath(const char* bundleID, WDL_String* path)
{
  CFBundleRef bundle = FindBundle(bundleID);
  if (!bundle || !path) return false;
  CompatCFRef url(CFBundleCopyBundleURL(bundle));
  char buf[4096];
  if (!URLToPath((CFURLRef)url.get(), buf, (int)sizeof(buf))) return false;
  path->Set(buf);
  return true;
}
