#include "IGraphicsBundle.h"

#include <CoreFoundation/CoreFoundation.h>
#include <MacOSCompat/CFRef.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <strings.h>
#include <vector>

#include "lice_png.h"
#include "swell.h"
#include "wdlstring.h"

const char kEditorFontFile[] = "DejaVuSansMono.ttf";
const char kEditorFontLicenceFile[] = "DejaVuSansMono-LICENSE.txt";

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

// One image asked of a bundle: its file, or an empty path when the bundle
// had no such resource.
struct ImageRequest
{
  std::string bundleID, name, path;
};

// Every image asked of a bundle in this process, and the bundles whose font
// was looked for, under one lock.
struct BundleRecords
{
  std::mutex mutex;
  std::vector<ImageRequest> images;
  std::set<std::string> fontsLooked;
};

BundleRecords& Records()
{
  static auto* s_records = new BundleRecords;  // kept until exit
  return *s_records;
}

void RecordImage(const char* bundleID, const std::string& name, const char* path)
{
  BundleRecords& r = Records();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (ImageRequest& q : r.images)
  {
    if (q.bundleID == bundleID && q.name == name)
    {
      q.path = path ? path : "";
      return;
    }
  }
  r.images.push_back(ImageRequest{bundleID, name, path ? path : ""});
}

// The bundle's resources folder, or "" when unknown.
std::string ResourcesFolder(CFBundleRef bundle)
{
  CompatCFRef url(CFBundleCopyResourcesDirectoryURL(bundle));
  char path[4096];
  return URLToPath((CFURLRef)url.get(), path, (int)sizeof(path)) ? std::string(path) : std::string();
}
}  // namespace

LICE_IBitmap* LoadBundlePNG(const char* bundleID, const char* name)
{
  if (!name) return nullptr;
  const char* dot = std::strrchr(name, '.');
  if (strcasecmp(dot ? dot + 1 : name, "png") != 0) return nullptr;

  CFBundleRef bundle = FindBundle(bundleID);
  if (!bundle) return nullptr;
  {
    BundleRecords& r = Records();
    std::unique_lock<std::mutex> lock(r.mutex);
    if (r.fontsLooked.insert(bundleID).second)
    {
      lock.unlock();
      LoadBundleEditorFont(bundleID);
    }
  }

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
  const bool found = URLToPath((CFURLRef)url.get(), path, (int)sizeof(path));
  RecordImage(bundleID, std::string(resource) + ".png", found ? path : nullptr);
  if (!found) return nullptr;
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

bool CheckBundleImages(const char* bundleID, WDL_String* error)
{
  if (!bundleID) bundleID = "";
  std::vector<ImageRequest> images;
  {
    BundleRecords& r = Records();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const ImageRequest& q : r.images)
      if (q.bundleID == bundleID) images.push_back(q);
  }
  for (const ImageRequest& q : images)
  {
    std::string problem;
    if (q.path.empty())
    {
      CFBundleRef bundle = FindBundle(bundleID);
      const std::string folder = bundle ? ResourcesFolder(bundle) : std::string();
      problem = "the editor's image " + q.name + " is missing from " +
                (folder.empty() ? std::string("the bundle's resources") : folder);
    }
    else
    {
      // The header was read when the image was opened; the pixels must
      // decode too, at the size the header gave.
      std::unique_ptr<LICE_IBitmap> opened(LICE_OpenPNG(q.path.c_str()));
      LICE_MemBitmap pixels(0, 0, 4);
      if (!opened || !LICE_LoadPNG(q.path.c_str(), &pixels) || pixels.getWidth() != opened->getWidth() ||
          pixels.getHeight() != opened->getHeight())
        problem = "the editor's image " + q.path + " cannot be read as a PNG image";
    }
    if (!problem.empty())
    {
      if (error) error->Set(problem.c_str());
      return false;
    }
  }
  return true;
}

bool LoadEditorFont(const char* folder)
{
  if (!folder || !*folder) return false;
  std::string path(folder);
  if (path.back() != '/') path += '/';
  path += kEditorFontFile;
  return SWELL_AddFontFile("Monaco", path.c_str());
}

bool LoadBundleEditorFont(const char* bundleID)
{
  CFBundleRef bundle = FindBundle(bundleID);
  if (!bundle) return false;
  const std::string folder = ResourcesFolder(bundle);
  return !folder.empty() && LoadEditorFont(folder.c_str());
}
