// Strings: encodings, UTF-8 round trips, comparison, mutation, formatting.
#include <CoreFoundation/CoreFoundation.h>
#include <MacOSCompat/MacOSCompat.h>
#include <gtest/gtest.h>

#include <string>

namespace {

// Owns one reference for the scope of a test.
struct Hold {
  explicit Hold(CFTypeRef o) : object(o) {}
  ~Hold() {
    if (object) CFRelease(object);
  }
  Hold(const Hold&) = delete;
  Hold& operator=(const Hold&) = delete;
  CFStringRef str() const { return (CFStringRef)object; }
  CFTypeRef object;
};

std::string Utf8(CFStringRef s) {
  char buffer[512];
  if (!CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8)) return "<fail>";
  return buffer;
}

CFStringRef Make(const char* text) {
  return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
}

TEST(CFString, Utf8RoundTripsAndCountsUtf16Units) {
  // ASCII, two-, three- and four-byte sequences (the last is a surrogate pair).
  const char* text = "Valve \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB8";
  Hold s(Make(text));
  ASSERT_NE(nullptr, s.str());
  EXPECT_EQ(text, Utf8(s.str()));
  EXPECT_EQ(14, CFStringGetLength(s.str()));
  EXPECT_EQ(0xE9, CFStringGetCharacterAtIndex(s.str(), 6));
  EXPECT_EQ(0xD83C, CFStringGetCharacterAtIndex(s.str(), 12));
  EXPECT_EQ(0, CFStringGetCharacterAtIndex(s.str(), 14));
  EXPECT_STREQ(text, CFStringGetCStringPtr(s.str(), kCFStringEncodingUTF8));
  EXPECT_EQ(nullptr, CFStringGetCStringPtr(s.str(), kCFStringEncodingASCII));
  EXPECT_EQ(nullptr, CFStringGetCStringPtr(s.str(), kCFStringEncodingMacRoman));
  EXPECT_STREQ("Drive", CFStringGetCStringPtr(CFSTR("Drive"), kCFStringEncodingMacRoman));
  EXPECT_EQ(nullptr, CFStringGetCStringPtr(CFSTR("Drive"), kCFStringEncodingUTF16));

  UniChar units[14];
  CFStringGetCharacters(s.str(), CFRangeMake(0, 14), units);
  Hold back(CFStringCreateWithCharacters(nullptr, units, 14));
  EXPECT_TRUE(CFEqual(s.object, back.object));
  EXPECT_EQ(CFHash(s.object), CFHash(back.object));
}

TEST(CFString, MalformedUtf8IsRefused) {
  const char* bad[] = {"\xC3",              // truncated two-byte sequence
                       "\xE2\x82",          // truncated three-byte sequence
                       "\xC0\xAF",          // overlong '/'
                       "\xED\xA0\x80",      // encoded surrogate
                       "\xF4\x90\x80\x80",  // above U+10FFFF
                       "\x80",              // stray continuation byte
                       "ok\xFF"};
  for (const char* text : bad) EXPECT_EQ(nullptr, Make(text)) << text;
  EXPECT_EQ(nullptr, CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8));
}

TEST(CFString, GetCStringNeedsRoomForTheTerminator) {
  Hold s(Make("\xC3\xA9t\xC3\xA9"));  // 5 bytes of UTF-8
  char buffer[8];
  EXPECT_FALSE(CFStringGetCString(s.str(), buffer, 5, kCFStringEncodingUTF8));
  EXPECT_STREQ("", buffer);
  EXPECT_TRUE(CFStringGetCString(s.str(), buffer, 6, kCFStringEncodingUTF8));
  EXPECT_FALSE(CFStringGetCString(s.str(), buffer, 8, kCFStringEncodingASCII));  // not ASCII
  EXPECT_TRUE(CFStringGetCString(s.str(), buffer, 8, kCFStringEncodingISOLatin1));
  EXPECT_EQ('\xE9', buffer[0]);
  EXPECT_EQ(3, (int)strlen(buffer));
  EXPECT_FALSE(CFStringGetCString(s.str(), buffer, 0, kCFStringEncodingUTF8));
  EXPECT_LE(5, CFStringGetMaximumSizeForEncoding(CFStringGetLength(s.str()), kCFStringEncodingUTF8));
}

TEST(CFString, SingleByteAndUtf16Encodings) {
  const UInt8 latin[] = {'c', 0xE9, 0x80};  // 0x80 is the euro sign in Windows Latin-1
  Hold w(CFStringCreateWithBytes(nullptr, latin, 3, kCFStringEncodingWindowsLatin1, false));
  EXPECT_EQ("c\xC3\xA9\xE2\x82\xAC", Utf8(w.str()));
  Hold l(CFStringCreateWithBytes(nullptr, latin, 2, kCFStringEncodingISOLatin1, false));
  EXPECT_EQ("c\xC3\xA9", Utf8(l.str()));
  EXPECT_EQ(nullptr, CFStringCreateWithBytes(nullptr, latin, 3, kCFStringEncodingASCII, false));

  const UInt8 utf16be[] = {0xFE, 0xFF, 0x00, 'h', 0x00, 'i'};
  Hold h(CFStringCreateWithBytes(nullptr, utf16be, 6, kCFStringEncodingUTF16, true));
  EXPECT_EQ("hi", Utf8(h.str()));
  EXPECT_EQ(nullptr, CFStringCreateWithBytes(nullptr, utf16be, 5, kCFStringEncodingUTF16, true));

  // Conversion with a loss byte, and into a buffer that is too small.
  Hold e(Make("a\xE2\x82\xAC" "b"));
  UInt8 out[8];
  CFIndex used = 0;
  EXPECT_EQ(1, CFStringGetBytes(e.str(), CFRangeMake(0, 3), kCFStringEncodingASCII, 0, false, out,
                                8, &used));
  EXPECT_EQ(1, used);
  EXPECT_EQ(3, CFStringGetBytes(e.str(), CFRangeMake(0, 3), kCFStringEncodingASCII, '?', false,
                                out, 8, &used));
  EXPECT_EQ("a?b", std::string((char*)out, (size_t)used));
  EXPECT_EQ(1, CFStringGetBytes(e.str(), CFRangeMake(0, 3), kCFStringEncodingUTF8, 0, false, out,
                                3, &used));  // the euro sign's three bytes do not fit after 'a'
  EXPECT_EQ(1, used);
  EXPECT_EQ(0, CFStringGetBytes(e.str(), CFRangeMake(2, 5), kCFStringEncodingUTF8, 0, false, out,
                                8, &used));
}

TEST(CFString, LoneSurrogatesHaveNoUtf8Form) {
  const UniChar units[] = {'a', 0xD800, 'b'};
  Hold s(CFStringCreateWithCharacters(nullptr, units, 3));
  char buffer[16];
  EXPECT_FALSE(CFStringGetCString(s.str(), buffer, sizeof buffer, kCFStringEncodingUTF8));
  EXPECT_EQ(nullptr, CFStringGetCStringPtr(s.str(), kCFStringEncodingUTF8));
}

TEST(CFString, CompareOrdersByUnitsWithOptions) {
  Hold a(Make("abc")), b(Make("abd")), upper(Make("ABC")), prefix(Make("ab"));
  EXPECT_EQ(kCFCompareEqualTo, CFStringCompare(a.str(), CFSTR("abc"), 0));
  EXPECT_EQ(kCFCompareLessThan, CFStringCompare(a.str(), b.str(), 0));
  EXPECT_EQ(kCFCompareGreaterThan, CFStringCompare(b.str(), a.str(), 0));
  EXPECT_EQ(kCFCompareLessThan, CFStringCompare(upper.str(), a.str(), 0));
  EXPECT_EQ(kCFCompareEqualTo, CFStringCompare(upper.str(), a.str(), kCFCompareCaseInsensitive));
  EXPECT_EQ(kCFCompareGreaterThan, CFStringCompare(a.str(), prefix.str(), 0));
  Hold n9(Make("preset 9")), n10(Make("preset 10"));
  EXPECT_EQ(kCFCompareGreaterThan, CFStringCompare(n9.str(), n10.str(), 0));
  EXPECT_EQ(kCFCompareLessThan, CFStringCompare(n9.str(), n10.str(), kCFCompareNumerically));
  EXPECT_TRUE(CFStringHasPrefix(a.str(), prefix.str()));
  EXPECT_FALSE(CFStringHasSuffix(prefix.str(), a.str()));
}

TEST(CFString, NumbersAtTheStart) {
  EXPECT_EQ(-42, CFStringGetIntValue(CFSTR("  -42 dB")));
  EXPECT_EQ(0, CFStringGetIntValue(CFSTR("dB")));
  EXPECT_EQ(2147483647, CFStringGetIntValue(CFSTR("99999999999")));
  EXPECT_DOUBLE_EQ(1.5, CFStringGetDoubleValue(CFSTR(" +1.5kHz")));
  EXPECT_DOUBLE_EQ(-0.25, CFStringGetDoubleValue(CFSTR("-0.25")));
  EXPECT_DOUBLE_EQ(0.0, CFStringGetDoubleValue(CFSTR("off")));
}

TEST(CFString, MutableStringsChangeAndImmutableOnesRefuse) {
  Hold m(CFStringCreateMutable(nullptr, 0));
  CFStringAppendCString((CFMutableStringRef)m.object, "Drive", kCFStringEncodingUTF8);
  CFStringAppend((CFMutableStringRef)m.object, CFSTR(" \xC3\xA9"));
  CFStringAppendFormat((CFMutableStringRef)m.object, nullptr, CFSTR(" %d"), 3);
  EXPECT_EQ("Drive \xC3\xA9 3", Utf8(m.str()));
  CFStringDelete((CFMutableStringRef)m.object, CFRangeMake(0, 6));
  EXPECT_EQ("\xC3\xA9 3", Utf8(m.str()));
  Hold sub(CFStringCreateWithSubstring(nullptr, m.str(), CFRangeMake(2, 1)));
  EXPECT_EQ("3", Utf8(sub.str()));
  EXPECT_EQ(nullptr, CFStringCreateWithSubstring(nullptr, m.str(), CFRangeMake(2, 5)));

  static int reports = 0;
  CompatErrorHandler previous = CompatSetErrorHandler([](const char*, const void*) { reports++; });
  Hold fixed(Make("fixed"));
  CFStringAppend((CFMutableStringRef)fixed.object, CFSTR("!"));
  CFStringDelete((CFMutableStringRef)m.object, CFRangeMake(1, 9));
  CompatSetErrorHandler(previous);
  EXPECT_EQ(2, reports);
  EXPECT_EQ("fixed", Utf8(fixed.str()));
}

std::string Format(CFStringRef format, ...) {
  va_list args;
  va_start(args, format);
  CFStringRef s = CFStringCreateWithFormatAndArguments(nullptr, nullptr, format, args);
  va_end(args);
  std::string text = Utf8(s);
  CFRelease(s);
  return text;
}

TEST(CFStringFormat, IntegersFloatsAndText) {
  EXPECT_EQ("7:-3:4294967295", Format(CFSTR("%d:%i:%u"), 7, -3, 4294967295u));
  EXPECT_EQ("12345678901:ff:FF:17", Format(CFSTR("%ld:%x:%X:%o"), 12345678901L, 255, 255, 15));
  EXPECT_EQ("-9000000000:18446744073709551615",
            Format(CFSTR("%lld:%llu"), -9000000000LL, 18446744073709551615ULL));
  EXPECT_EQ("0.500000:1.25:2.5e+00", Format(CFSTR("%f:%g:%.1e"), 0.5, 1.25, 2.5));
  EXPECT_EQ("[  7][7  ][007][+7]", Format(CFSTR("[%3d][%-3d][%03d][%+d]"), 7, 7, 7, 7));
  EXPECT_EQ("[   ab][ab]", Format(CFSTR("[%*s][%.2s]"), 5, "ab", "abc"));
  EXPECT_EQ("100% sure", Format(CFSTR("%d%% sure"), 100));
  EXPECT_EQ("x=\xC3\xA9t\xC3\xA9", Format(CFSTR("x=%s"), "\xC3\xA9t\xC3\xA9"));
  EXPECT_EQ("(null)", Format(CFSTR("%s"), (const char*)nullptr));
  EXPECT_EQ("c=Z", Format(CFSTR("c=%c"), 'Z'));
  const UniChar wide[] = {'O', 'K', 0};
  EXPECT_EQ("OK!", Format(CFSTR("%S%C"), wide, (int)'!'));
  EXPECT_EQ("a \xC3\xA9", Format(CFSTR("a %s"), "\xE9"));  // not UTF-8: taken as Latin-1
}

TEST(CFStringFormat, ObjectsThroughPercentAt) {
  Hold name(Make("Warm \xE2\x82\xAC"));
  SInt32 n = 3;
  Hold number(CFNumberCreate(nullptr, kCFNumberSInt32Type, &n));
  double d = 0.1;
  Hold real(CFNumberCreate(nullptr, kCFNumberFloat64Type, &d));
  EXPECT_EQ("AUPreset:\npreset number = 3\npreset name = Warm \xE2\x82\xAC",
            Format(CFSTR("AUPreset:\npreset number = %d\npreset name = %@"), 3, name.object));
  EXPECT_EQ("3 0.1 (null)", Format(CFSTR("%@ %@ %@"), number.object, real.object, nullptr));
  EXPECT_EQ("[ Warm \xE2\x82\xAC]", Format(CFSTR("[%7@]"), name.object));  // width in characters
}

TEST(CFStringFormat, UnsupportedFormsStayAsText) {
  EXPECT_EQ("%1$d and %2$d", Format(CFSTR("%1$d and %2$d"), 1, 2));
  EXPECT_EQ("a %y b", Format(CFSTR("a %y b")));
  EXPECT_EQ("end %", Format(CFSTR("end %")));
  int written = 5;
  EXPECT_EQ("n=", Format(CFSTR("n=%n"), &written));
  EXPECT_EQ(5, written);  // %n never writes
}

}  // namespace
