// Property-list reading: a complete document, then truncated, oversized and
// corrupt inputs, each of which must fail cleanly and leave nothing alive.
#include <CoreFoundation/CoreFoundation.h>
#include <MacOSCompat/MacOSCompat.h>
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

const char kDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Example//DTD PLIST 1.0//EN\" \"about:blank\">\n"
    "<plist version=\"1.0\">\n"
    "<!-- a comment -->\n"
    "<dict>\n"
    "  <key>name</key><string>Warm &amp; &lt;bright&gt; &#233;&#x20AC;</string>\n"
    "  <key>version</key><integer>66050</integer>\n"
    "  <key>negative</key><integer>-9223372036854775808</integer>\n"
    "  <key>gain</key><real>-1.5e-3</real>\n"
    "  <key>on</key><true/>\n"
    "  <key>off</key><false/>\n"
    "  <key>data</key><data>\n  AAEC/w==\n  </data>\n"
    "  <key>empty</key><string/>\n"
    "  <key>list</key><array><integer>1</integer><array/><dict/></array>\n"
    "</dict>\n"
    "</plist>\n";

CFPropertyListRef Parse(const std::string& text, std::string* error = nullptr,
                        CFOptionFlags options = 0) {
  CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                                (CFIndex)text.size());
  CFErrorRef err = nullptr;
  CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, data, options, nullptr, &err);
  CFRelease(data);
  if (err) {
    EXPECT_EQ(nullptr, plist);
    EXPECT_EQ(kCFPropertyListReadCorruptError, CFErrorGetCode(err));
    if (error) {
      CFStringRef description = CFErrorCopyDescription(err);
      *error = CFStringGetCStringPtr(description, kCFStringEncodingUTF8);
      CFRelease(description);
    }
    CFRelease(err);
  }
  return plist;
}

const void* Get(CFDictionaryRef d, const char* key) {
  CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  const void* v = CFDictionaryGetValue(d, k);
  CFRelease(k);
  return v;
}

TEST(CFPropertyList, ReadsEveryValueKind) {
  long live = CompatCFLiveObjectCount();
  CFPropertyListFormat format = 0;
  CFDataRef data = CFDataCreate(nullptr, (const UInt8*)kDocument, sizeof kDocument - 1);
  CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, data, 0, &format, nullptr);
  CFRelease(data);
  ASSERT_NE(nullptr, plist);
  EXPECT_EQ(kCFPropertyListXMLFormat_v1_0, format);
  ASSERT_EQ(CFDictionaryGetTypeID(), CFGetTypeID(plist));
  CFDictionaryRef d = (CFDictionaryRef)plist;
  EXPECT_EQ(9, CFDictionaryGetCount(d));
  EXPECT_STREQ("Warm & <bright> \xC3\xA9\xE2\x82\xAC",
               CFStringGetCStringPtr((CFStringRef)Get(d, "name"), kCFStringEncodingUTF8));
  SInt32 version = 0;
  EXPECT_TRUE(CFNumberGetValue((CFNumberRef)Get(d, "version"), kCFNumberSInt32Type, &version));
  EXPECT_EQ(66050, version);
  long long negative = 0;
  CFNumberGetValue((CFNumberRef)Get(d, "negative"), kCFNumberLongLongType, &negative);
  EXPECT_EQ(-9223372036854775807LL - 1, negative);
  double gain = 0;
  EXPECT_TRUE(CFNumberIsFloatType((CFNumberRef)Get(d, "gain")));
  CFNumberGetValue((CFNumberRef)Get(d, "gain"), kCFNumberFloat64Type, &gain);
  EXPECT_DOUBLE_EQ(-1.5e-3, gain);
  EXPECT_EQ(kCFBooleanTrue, Get(d, "on"));
  EXPECT_EQ(kCFBooleanFalse, Get(d, "off"));
  CFDataRef bytes = (CFDataRef)Get(d, "data");
  ASSERT_EQ(4, CFDataGetLength(bytes));
  EXPECT_EQ(0xFF, CFDataGetBytePtr(bytes)[3]);
  EXPECT_EQ(0, CFStringGetLength((CFStringRef)Get(d, "empty")));
  CFArrayRef list = (CFArrayRef)Get(d, "list");
  ASSERT_EQ(3, CFArrayGetCount(list));
  EXPECT_EQ(CFDictionaryGetTypeID(), CFGetTypeID(CFArrayGetValueAtIndex(list, 2)));

  // Immutable by default; mutable containers on request.
  static int reports = 0;
  CompatErrorHandler previous = CompatSetErrorHandler([](const char*, const void*) { reports++; });
  CFDictionarySetValue((CFMutableDictionaryRef)d, CFSTR("x"), CFSTR("y"));
  CompatSetErrorHandler(previous);
  EXPECT_EQ(1, reports);
  CFRelease(plist);
  CFPropertyListRef mutablePlist = Parse(kDocument, nullptr, kCFPropertyListMutableContainers);
  CFDictionarySetValue((CFMutableDictionaryRef)mutablePlist, CFSTR("x"), CFSTR("y"));
  EXPECT_EQ(10, CFDictionaryGetCount((CFDictionaryRef)mutablePlist));
  CFRelease(mutablePlist);
  EXPECT_EQ(live, CompatCFLiveObjectCount());
}

TEST(CFPropertyList, EveryTruncationFailsCleanly) {
  long live = CompatCFLiveObjectCount();
  const std::string full = kDocument;
  // Cutting anywhere before the closing tag must fail; the final newline is optional.
  const size_t closing = full.rfind("</plist>");
  for (size_t n = 0; n < closing + 8; n++) {
    std::string error;
    CFPropertyListRef plist = Parse(full.substr(0, n), &error);
    EXPECT_EQ(nullptr, plist) << "prefix of " << n << " bytes";
    if (plist) CFRelease(plist);
    EXPECT_FALSE(error.empty());
  }
  CFPropertyListRef whole = Parse(full.substr(0, closing + 8));
  EXPECT_NE(nullptr, whole);
  if (whole) CFRelease(whole);
  EXPECT_EQ(live, CompatCFLiveObjectCount());
}

TEST(CFPropertyList, CorruptInputsAreRefusedWithALineNumber) {
  long live = CompatCFLiveObjectCount();
  const std::string head = "<plist version=\"1.0\">\n";
  const char* bodies[] = {
      "<dict><key>a</key></dict>",                  // key without value
      "<dict><string>a</string></dict>",            // value without key
      "<dict><key>a</key><string>x</dict>",         // mismatched close
      "<array><integer>12x</integer></array>",      // junk in a number
      "<integer>99999999999999999999</integer>",    // out of range
      "<integer></integer>",                        // empty number
      "<real>1.5.2</real>",                         // malformed real
      "<string>a &bogus; b</string>",               // unknown entity
      "<string>&#0;</string>",                      // NUL character reference
      "<string>&#xD800;</string>",                  // surrogate reference
      "<string>a <b>bold</b></string>",             // markup inside text
      "<data>AA=A</data>",                          // data after padding
      "<data>A</data>",                             // dangling base64 digit
      "<data>@@@@</data>",                          // not base64
      "<date>2020-01-01T00:00:00Z</date>",          // unsupported kind
      "<true>yes</true>",                           // boolean with content
      "<string>\xC3</string>",                      // not UTF-8
      "<string>a</string><string>b</string>",       // two values
      "</dict>",                                    // stray close
      "<!-- unterminated comment",
  };
  std::vector<std::string> texts(std::begin(bodies), std::end(bodies));
  texts.push_back(std::string("<string>a\0b</string>", 20));  // raw NUL: XML has none
  for (const std::string& body : texts) {
    std::string error;
    CFPropertyListRef plist = Parse(head + body + "\n</plist>", &error);
    EXPECT_EQ(nullptr, plist) << body;
    if (plist) CFRelease(plist);
    EXPECT_NE(std::string::npos, error.find("line 2")) << body << ": " << error;
  }
  const char* documents[] = {
      "",
      "<dict></dict>",                                         // no plist element
      "<plist version=\"1.0\"/>",                              // no value
      "<plist><string>a</string></plist>trailing",             // text after the end
      "<!DOCTYPE plist [<!ENTITY x \"y\">]><plist><true/></plist>",  // internal subset
      "bplist00",                                              // binary form
  };
  for (const char* doc : documents) {
    CFPropertyListRef plist = Parse(doc);
    EXPECT_EQ(nullptr, plist) << doc;
    if (plist) CFRelease(plist);
  }
  EXPECT_EQ(live, CompatCFLiveObjectCount());
}

TEST(CFPropertyList, NestingIsLimited) {
  auto nested = [](int depth) {
    std::string s = "<plist>";
    for (int i = 0; i < depth; i++) s += "<array>";
    for (int i = 0; i < depth; i++) s += "</array>";
    return s + "</plist>";
  };
  CFPropertyListRef ok = Parse(nested(64));
  ASSERT_NE(nullptr, ok);
  CFRelease(ok);
  std::string error;
  EXPECT_EQ(nullptr, Parse(nested(65), &error));
  EXPECT_NE(std::string::npos, error.find("nesting"));
  EXPECT_EQ(nullptr, Parse(nested(100000)));  // deep input does not exhaust the stack
}

TEST(CFPropertyList, NoDataIsAnError) {
  CFErrorRef error = nullptr;
  EXPECT_EQ(nullptr, CFPropertyListCreateWithData(nullptr, nullptr, 0, nullptr, &error));
  ASSERT_NE(nullptr, error);
  CFRelease(error);
  EXPECT_EQ(nullptr, CFPropertyListCreateWithData(nullptr, nullptr, 0, nullptr, nullptr));
}

}  // namespace
