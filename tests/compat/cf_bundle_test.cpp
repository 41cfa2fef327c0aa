// URLs, bundles and their lookup by identifier, numbers and data.
#include <CoreFoundation/CoreFoundation.h>
#include <MacOSCompat/MacOSCompat.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

std::string Utf8(CFStringRef s) {
  char buffer[1024];
  return CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8) ? buffer : "<fail>";
}

std::string UrlPath(CFURLRef url) {
  char buffer[1024];
  return CFURLGetFileSystemRepresentation(url, true, (UInt8*)buffer, sizeof buffer) ? buffer : "";
}

void WriteFile(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f) << path;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

CFURLRef UrlFor(const std::string& path, bool isDirectory) {
  return CFURLCreateFromFileSystemRepresentation(nullptr, (const UInt8*)path.data(),
                                                 (CFIndex)path.size(), isDirectory);
}

// Makes Demo.bundle with a manifest and one resource under the build tree.
std::string MakeBundle(const std::string& name, const std::string& identifier) {
  std::string root = std::string(CINDERPATH_BINARY_DIR) + "/tests/compat/" + name;
  for (const std::string& dir : {root, root + "/Contents", root + "/Contents/Resources",
                                 root + "/Contents/Resources/img", root + "/Contents/Linux"})
    mkdir(dir.c_str(), 0755);
  WriteFile(root + "/Contents/Info.plist",
            "<plist version=\"1.0\"><dict>"
            "<key>CFBundleIdentifier</key><string>" + identifier + "</string>"
            "<key>CFBundleExecutable</key><string>Demo</string>"
            "</dict></plist>");
  WriteFile(root + "/Contents/Resources/img/Back.png", "not really a png");
  return root;
}

TEST(CFURL, PathsStringsAndComponents) {
  CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp//a b/c\xC3\xA9/"),
                                               kCFURLPOSIXPathStyle, true);
  ASSERT_NE(nullptr, url);
  EXPECT_EQ("/tmp/a b/c\xC3\xA9", UrlPath(url));
  EXPECT_EQ("file:///tmp/a%20b/c%C3%A9/", Utf8(CFURLGetString(url)));
  EXPECT_TRUE(CFURLHasDirectoryPath(url));
  CFStringRef last = CFURLCopyLastPathComponent(url);
  EXPECT_EQ("c\xC3\xA9", Utf8(last));
  CFURLRef child = CFURLCreateCopyAppendingPathComponent(nullptr, url, CFSTR("x.png"), false);
  EXPECT_EQ("/tmp/a b/c\xC3\xA9/x.png", UrlPath(child));
  CFURLRef parent = CFURLCreateCopyDeletingLastPathComponent(nullptr, child);
  EXPECT_TRUE(CFEqual(parent, url));
  char tiny[4];
  EXPECT_FALSE(CFURLGetFileSystemRepresentation(url, true, (UInt8*)tiny, sizeof tiny));
  EXPECT_EQ(nullptr, CFURLCreateWithFileSystemPath(nullptr, CFSTR("C:\\x"), kCFURLWindowsPathStyle,
                                                   false));
  for (CFTypeRef o : {(CFTypeRef)url, (CFTypeRef)last, (CFTypeRef)child, (CFTypeRef)parent})
    CFRelease(o);
}

TEST(CFBundle, CreatedBundlesAreFoundByIdentifierWhileAlive) {
  long live = CompatCFLiveObjectCount();
  std::string root = MakeBundle("Demo.bundle", "com.example.demo");
  CFURLRef url = UrlFor(root, true);
  CFBundleRef bundle = CFBundleCreate(nullptr, url);
  ASSERT_NE(nullptr, bundle);
  EXPECT_EQ(bundle, CFBundleCreate(nullptr, url));  // one object per folder
  CFRelease(bundle);
  EXPECT_EQ(bundle, CFBundleGetBundleWithIdentifier(CFSTR("com.example.demo")));
  EXPECT_EQ(nullptr, CFBundleGetBundleWithIdentifier(CFSTR("com.example.other")));
  EXPECT_EQ("com.example.demo", Utf8(CFBundleGetIdentifier(bundle)));
  EXPECT_EQ("Demo", Utf8((CFStringRef)CFBundleGetValueForInfoDictionaryKey(bundle,
                                                                           kCFBundleExecutableKey)));

  CFURLRef exe = CFBundleCopyExecutableURL(bundle);
  EXPECT_EQ(root + "/Contents/Linux/Demo.so", UrlPath(exe));
  CFURLRef image = CFBundleCopyResourceURL(bundle, CFSTR("Back"), CFSTR("png"), CFSTR("img"));
  EXPECT_EQ(root + "/Contents/Resources/img/Back.png", UrlPath(image));
  CFURLRef same = CFBundleCopyResourceURL(bundle, CFSTR("img/Back.png"), CFSTR("png"), nullptr);
  EXPECT_TRUE(CFEqual(image, same));
  EXPECT_EQ(nullptr, CFBundleCopyResourceURL(bundle, CFSTR("Missing"), CFSTR("png"), CFSTR("img")));
  EXPECT_EQ(nullptr, CFBundleCopyResourceURL(bundle, CFSTR("../Info"), CFSTR("plist"), nullptr));
  EXPECT_EQ(nullptr, CFBundleCopyResourceURL(bundle, CFSTR("Back"), CFSTR("png"), CFSTR("img/..")));
  for (CFTypeRef o : {(CFTypeRef)exe, (CFTypeRef)image, (CFTypeRef)same}) CFRelease(o);

  CFRelease(bundle);
  EXPECT_EQ(nullptr, CFBundleGetBundleWithIdentifier(CFSTR("com.example.demo")));
  CFRelease(url);
  EXPECT_EQ(live, CompatCFLiveObjectCount());
}

TEST(CFBundle, FoldersWithoutAManifestHaveAnEmptyInfoDictionary) {
  std::string root = std::string(CINDERPATH_BINARY_DIR) + "/tests/compat/Bare.bundle";
  mkdir(root.c_str(), 0755);
  CFURLRef url = UrlFor(root, true);
  CFBundleRef bundle = CFBundleCreate(nullptr, url);
  ASSERT_NE(nullptr, bundle);
  EXPECT_EQ(0, CFDictionaryGetCount(CFBundleGetInfoDictionary(bundle)));
  EXPECT_EQ(nullptr, CFBundleGetIdentifier(bundle));
  EXPECT_EQ(nullptr, CFBundleCopyExecutableURL(bundle));
  CFRelease(bundle);
  CFURLRef missing = UrlFor(root + "/nowhere", true);
  EXPECT_EQ(nullptr, CFBundleCreate(nullptr, missing));
  CFRelease(missing);
  CFRelease(url);
}

TEST(CFBundle, MainBundleTakesTheHostIdentifier) {
  CFBundleRef main = CFBundleGetMainBundle();
  ASSERT_NE(nullptr, main);
  CompatSetMainBundleIdentifier(CFSTR("com.example.host"));
  CFStringRef id = CFBundleGetIdentifier(main);
  EXPECT_EQ("com.example.host", Utf8(id));
  EXPECT_EQ(main, CFBundleGetBundleWithIdentifier(CFSTR("com.example.host")));
  CompatSetMainBundleIdentifier(nullptr);
  EXPECT_EQ("com.example.host", Utf8(id));  // a value handed out stays valid
  EXPECT_EQ(nullptr, CFBundleGetIdentifier(main));
  CFURLRef exe = CFBundleCopyExecutableURL(main);
  EXPECT_NE(std::string::npos, UrlPath(exe).find("compat_tests"));
  CFRelease(exe);
}

TEST(CFNumber, ConversionsReportLoss) {
  SInt32 i = 300;
  CFNumberRef n = CFNumberCreate(nullptr, kCFNumberIntType, &i);
  EXPECT_EQ(kCFNumberSInt32Type, CFNumberGetType(n));
  SInt8 small = 0;
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt8Type, &small));
  double d = 0;
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberDoubleType, &d));
  EXPECT_EQ(300.0, d);
  double half = 2.5;
  CFNumberRef f = CFNumberCreate(nullptr, kCFNumberFloat64Type, &half);
  SInt32 truncated = 0;
  EXPECT_FALSE(CFNumberGetValue(f, kCFNumberSInt32Type, &truncated));
  EXPECT_EQ(2, truncated);
  double huge = 1e300;
  CFNumberRef h = CFNumberCreate(nullptr, kCFNumberDoubleType, &huge);
  EXPECT_FALSE(CFNumberGetValue(h, kCFNumberSInt32Type, &truncated));
  EXPECT_EQ(2147483647, truncated);  // saturated, not undefined
  double three = 300.0;
  CFNumberRef t = CFNumberCreate(nullptr, kCFNumberDoubleType, &three);
  EXPECT_TRUE(CFEqual(n, t));  // equal by value across kinds
  EXPECT_EQ(CFHash(n), CFHash(t));
  EXPECT_EQ(kCFCompareLessThan, CFNumberCompare(f, n, nullptr));
  EXPECT_EQ(nullptr, CFNumberCreate(nullptr, 99, &i));
  for (CFTypeRef o : {(CFTypeRef)n, (CFTypeRef)f, (CFTypeRef)h, (CFTypeRef)t}) CFRelease(o);
}

TEST(CFData, BytesRangesAndMutation) {
  const UInt8 bytes[] = {1, 2, 3, 4};
  CFDataRef data = CFDataCreate(nullptr, bytes, 4);
  UInt8 out[4] = {};
  CFDataGetBytes(data, CFRangeMake(1, 2), out);
  EXPECT_EQ(2, out[0]);
  EXPECT_EQ(3, out[1]);
  static int reports = 0;
  CompatErrorHandler previous = CompatSetErrorHandler([](const char*, const void*) { reports++; });
  out[0] = 9;
  CFDataGetBytes(data, CFRangeMake(3, 2), out);  // reaches past the end: nothing copied
  CompatSetErrorHandler(previous);
  EXPECT_EQ(1, reports);
  EXPECT_EQ(9, out[0]);
  CFMutableDataRef m = CFDataCreateMutableCopy(nullptr, 0, data);
  CFDataAppendBytes(m, bytes, 2);
  CFDataIncreaseLength(m, 2);
  EXPECT_EQ(8, CFDataGetLength(m));
  EXPECT_EQ(0, CFDataGetBytePtr(m)[7]);
  CFDataSetLength(m, 4);
  EXPECT_TRUE(CFEqual(m, data));
  EXPECT_EQ(nullptr, CFDataGetMutableBytePtr((CFMutableDataRef)data));
  EXPECT_EQ(nullptr, CFDataCreate(nullptr, nullptr, 3));
  CFRelease(m);
  CFRelease(data);
}

}  // namespace
