// State files: the XML property-list writer and reader round-trip a class-info
// dictionary exactly and refuse malformed text without crashing.
#include "plist.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "temp_dir.h"

using namespace cinderpath_cli;

namespace {

CFStringRef Str(const char* s) { return CFStringCreateWithCString(nullptr, s, kCFStringEncodingUTF8); }

void SetValue(CFMutableDictionaryRef dict, const char* key, CFTypeRef value) {
  CFStringRef k = Str(key);
  CFDictionarySetValue(dict, k, value);
  CFRelease(k);
  CFRelease(value);
}

CFMutableDictionaryRef MakeClassInfo() {
  CFMutableDictionaryRef dict =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  SInt32 version = 0x10202;
  SetValue(dict, "version", CFNumberCreate(nullptr, kCFNumberSInt32Type, &version));
  SetValue(dict, "name", Str("Untitled & <friends> \xC3\xA9"));
  const double values[3] = {0.1, -1e-300, 123456.789};
  SetValue(dict, "data", CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(values), sizeof(values)));
  double real = 1.0 / 3.0;
  SetValue(dict, "ratio", CFNumberCreate(nullptr, kCFNumberFloat64Type, &real));
  return dict;
}

std::string NumberText(CFTypeRef n) {
  double d = 0;
  CFNumberGetValue(static_cast<CFNumberRef>(n), kCFNumberFloat64Type, &d);
  char t[64];
  std::snprintf(t, sizeof t, "%.17g/%d", d, CFNumberIsFloatType(static_cast<CFNumberRef>(n)) ? 1 : 0);
  return t;
}

}  // namespace

TEST(StateFile, RoundTripsEveryValueExactly) {
  CFMutableDictionaryRef dict = MakeClassInfo();
  std::string xml, error;
  ASSERT_TRUE(WritePropertyListXml(dict, &xml, &error)) << error;
  CFPropertyListRef back = ReadPropertyListXml(xml, &error);
  ASSERT_NE(back, nullptr) << error;
  ASSERT_EQ(CFGetTypeID(back), CFDictionaryGetTypeID());
  CFDictionaryRef b = static_cast<CFDictionaryRef>(back);
  EXPECT_EQ(CFDictionaryGetCount(b), CFDictionaryGetCount(dict));
  for (const char* key : {"version", "ratio"}) {
    CFStringRef k = Str(key);
    EXPECT_EQ(NumberText(CFDictionaryGetValue(b, k)), NumberText(CFDictionaryGetValue(dict, k))) << key;
    CFRelease(k);
  }
  CFStringRef dataKey = Str("data");
  CFDataRef d1 = static_cast<CFDataRef>(CFDictionaryGetValue(dict, dataKey));
  CFDataRef d2 = static_cast<CFDataRef>(CFDictionaryGetValue(b, dataKey));
  ASSERT_EQ(CFDataGetLength(d1), CFDataGetLength(d2));
  EXPECT_EQ(0, memcmp(CFDataGetBytePtr(d1), CFDataGetBytePtr(d2), CFDataGetLength(d1)));
  CFRelease(dataKey);
  CFStringRef nameKey = Str("name");
  EXPECT_EQ(kCFCompareEqualTo, CFStringCompare(static_cast<CFStringRef>(CFDictionaryGetValue(b, nameKey)),
                                               static_cast<CFStringRef>(CFDictionaryGetValue(dict, nameKey)), 0));
  CFRelease(nameKey);
  // Writing what was read gives the same text: the file format is stable.
  std::string again;
  ASSERT_TRUE(WritePropertyListXml(back, &again, &error));
  EXPECT_EQ(xml, again);
  CFRelease(back);
  CFRelease(dict);
}

TEST(StateFile, RefusesMalformedText) {
  CFMutableDictionaryRef dict = MakeClassInfo();
  std::string xml, error;
  ASSERT_TRUE(WritePropertyListXml(dict, &xml, &error));
  CFRelease(dict);
  const std::vector<std::string> bad = {
      "",
      "<plist version=\"1.0\">",
      "<plist><dict><key>a</key></dict></plist>",                 // key without value
      "<plist><dict><string>x</string></dict></plist>",           // value without key
      "<plist><integer>12x</integer></plist>",
      "<plist><integer>99999999999999999999999</integer></plist>",
      "<plist><real>abc</real></plist>",
      "<plist><data>@@@@</data></plist>",
      "<plist><data>QQ=A</data></plist>",                         // data after padding
      "<plist><string>a &bogus; b</string></plist>",
      "<plist><string>&#0;</string></plist>",
      "<plist><date>2020</date></plist>",
      "<plist><string>x</string></plist> trailing",
      std::string("<plist><string>\xff\xfe</string></plist>"),    // not UTF-8
      std::string(200, '<'),
  };
  for (const std::string& text : bad) {
    error.clear();
    CFPropertyListRef v = ReadPropertyListXml(text, &error);
    EXPECT_EQ(v, nullptr) << text;
    EXPECT_FALSE(error.empty()) << text;
    if (v) CFRelease(v);
  }
  // Every truncation of a valid file is refused, never read out of bounds.
  for (size_t n = 0; n + 1 < xml.size(); ++n) {
    CFPropertyListRef v = ReadPropertyListXml(xml.substr(0, n), &error);
    EXPECT_EQ(v, nullptr) << n;
    if (v) CFRelease(v);
  }
}

TEST(StateFile, DeepNestingIsRefused) {
  std::string text = "<plist>";
  for (int i = 0; i < 1000; ++i) text += "<array>";
  for (int i = 0; i < 1000; ++i) text += "</array>";
  text += "</plist>";
  std::string error;
  EXPECT_EQ(ReadPropertyListXml(text, &error), nullptr);
}

TEST(StateFile, RandomBytesNeverCrash) {
  std::mt19937 rng(1234);
  CFMutableDictionaryRef dict = MakeClassInfo();
  std::string xml, error;
  ASSERT_TRUE(WritePropertyListXml(dict, &xml, &error));
  CFRelease(dict);
  for (int trial = 0; trial < 2000; ++trial) {
    std::string text = xml;
    const int flips = 1 + trial % 5;
    for (int f = 0; f < flips; ++f) text[rng() % text.size()] = static_cast<char>(rng() & 0xFF);
    error.clear();
    CFPropertyListRef v = ReadPropertyListXml(text, &error);
    EXPECT_TRUE(v != nullptr || !error.empty()) << "a refusal always says why";
    if (v) CFRelease(v);
  }
}

// Names may hold any character a CFString holds; the file stays well-formed
// XML (checked with xmllint) and reads back as the writer documents: XML's
// own characters unchanged, the ones XML 1.0 cannot carry as U+FFFD.
TEST(StateFile, EveryStringIsWrittenAsWellFormedXml) {
  const std::string replacement = "\xEF\xBF\xBD";
  const struct {
    const char* what;
    std::string name, readBack;
  } rows[] = {
      {"tab and line feed", "a\tb\nc", "a\tb\nc"},
      {"carriage return", "a\rb\r\nc", "a\rb\r\nc"},
      {"bell and escape", "x\x07y\x1b[0m", "x" + replacement + "y" + replacement + "[0m"},
      {"every other C0 control", "\x01\x08\x0B\x0C\x0E\x1F", std::string() + replacement + replacement +
                                                                  replacement + replacement + replacement + replacement},
      {"delete and C1 controls", "\x7F\xC2\x80\xC2\x9F", "\x7F\xC2\x80\xC2\x9F"},
      {"noncharacters U+FFFE, U+FFFF", "\xEF\xBF\xBE\xEF\xBF\xBF", replacement + replacement},
      {"markup", "<a href=\"x\">&amp;</a>", "<a href=\"x\">&amp;</a>"},
      {"beyond the BMP", "\xF0\x9F\x8E\xB8", "\xF0\x9F\x8E\xB8"},
  };
  const TempDir dir;
  for (const auto& row : rows) {
    CFMutableDictionaryRef dict = MakeClassInfo();
    SetValue(dict, "name", Str(row.name.c_str()));
    SetValue(dict, row.name.c_str(), Str("as a key"));
    std::string xml, error;
    ASSERT_TRUE(WritePropertyListXml(dict, &xml, &error)) << row.what;
    CFRelease(dict);

    const std::string path = dir / "state.plist";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(xml.data(), 1, xml.size(), f);
    std::fclose(f);
    const int lint = std::system(("xmllint --noout '" + path + "' 2>/dev/null").c_str());
    if (lint != 0 && std::system("xmllint --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
    EXPECT_EQ(lint, 0) << row.what << ":\n" << xml;

    CFPropertyListRef back = ReadPropertyListXml(xml, &error);
    ASSERT_NE(back, nullptr) << row.what << ": " << error;
    CFStringRef nameKey = Str("name");
    EXPECT_EQ(CFStringToUtf8(static_cast<CFStringRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(back), nameKey))),
              row.readBack)
        << row.what;
    CFRelease(nameKey);
    CFRelease(back);
  }
}
