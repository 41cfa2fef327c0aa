// Reference counting of the CoreFoundation subset: counts, ownership by
// collections, callbacks, allocators, over-release detection and leaks.
#include <CoreFoundation/CoreFoundation.h>
#include <MacOSCompat/MacOSCompat.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records misuse reports instead of aborting, for the life of a test.
class MisuseRecorder {
 public:
  MisuseRecorder() { mPrevious = CompatSetErrorHandler(&Record); Messages().clear(); }
  ~MisuseRecorder() { CompatSetErrorHandler(mPrevious); }
  static std::vector<std::string>& Messages() {
    static std::vector<std::string> messages;
    return messages;
  }

 private:
  static void Record(const char* message, const void* object) {
    // The hook may call back into the library (no lock is held while it runs).
    if (object) CFGetTypeID(object);
    Messages().push_back(message);
  }
  CompatErrorHandler mPrevious;
};

CFStringRef Str(const char* text) {
  return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
}

CFNumberRef Int(SInt32 v) { return CFNumberCreate(nullptr, kCFNumberSInt32Type, &v); }

TEST(CFRefCount, RetainReleaseAndFreeing) {
  long live = CompatCFLiveObjectCount();
  CFStringRef s = Str("abc");
  EXPECT_EQ(live + 1, CompatCFLiveObjectCount());
  EXPECT_EQ(1, CFGetRetainCount(s));
  EXPECT_EQ(s, CFRetain(s));
  EXPECT_EQ(2, CFGetRetainCount(s));
  CFRelease(s);
  EXPECT_EQ(1, CFGetRetainCount(s));
  EXPECT_EQ(CFStringGetTypeID(), CFGetTypeID(s));
  CFRelease(s);
  EXPECT_EQ(live, CompatCFLiveObjectCount());
}

TEST(CFRefCount, ConstantsAreNeverFreed) {
  long live = CompatCFLiveObjectCount();
  CFStringRef a = CFSTR("constant text");
  EXPECT_EQ(a, CFSTR("constant text"));
  CFIndex count = CFGetRetainCount(a);
  CFRelease(a);
  CFRelease(a);
  CFRetain(kCFBooleanTrue);
  EXPECT_EQ(count, CFGetRetainCount(a));
  EXPECT_GT(count, 1000000);
  EXPECT_EQ(CFStringGetTypeID(), CFGetTypeID(a));
  EXPECT_EQ(live, CompatCFLiveObjectCount());
}

TEST(CFRefCount, OverReleaseIsReportedWithoutTouchingFreedMemory) {
  MisuseRecorder recorder;
  CFStringRef s = Str("once");
  CFRelease(s);
  // s is freed: the address sanitizer would report any read of it.
  CFRelease(s);
  CFRetain(s);
  CFRelease(nullptr);
  ASSERT_EQ(3u, MisuseRecorder::Messages().size());
  EXPECT_NE(std::string::npos, MisuseRecorder::Messages()[0].find("no longer alive"));
  EXPECT_NE(std::string::npos, MisuseRecorder::Messages()[1].find("CFRetain"));
  EXPECT_NE(std::string::npos, MisuseRecorder::Messages()[2].find("NULL"));
  EXPECT_EQ(0, CFGetRetainCount(s));
  EXPECT_EQ(0u, CFGetTypeID(s));
}

TEST(CFRefCountDeathTest, OverReleaseAbortsByDefault) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  CFStringRef s = Str("twice");
  CFRetain(s);
  CFRelease(s);
  CFRelease(s);
  EXPECT_DEATH(CFRelease(s), "no longer alive");
}

TEST(CFRefCount, DictionaryRetainsKeysAndValuesAndReleasesReplacedValues) {
  long live = CompatCFLiveObjectCount();
  CFStringRef key = Str("key");
  CFNumberRef one = Int(1), two = Int(2);
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(dict, key, one);
  EXPECT_EQ(2, CFGetRetainCount(key));
  EXPECT_EQ(2, CFGetRetainCount(one));
  CFDictionarySetValue(dict, key, two);  // replaces: the old value is released
  EXPECT_EQ(1, CFGetRetainCount(one));
  EXPECT_EQ(2, CFGetRetainCount(two));
  EXPECT_EQ(2, CFGetRetainCount(key));  // the stored key is kept, not retained again
  EXPECT_EQ(1, CFDictionaryGetCount(dict));

  // An equal key made separately finds the entry.
  CFStringRef sameKey = Str("key");
  EXPECT_EQ(two, CFDictionaryGetValue(dict, sameKey));
  CFDictionaryAddValue(dict, sameKey, one);  // present: nothing changes
  EXPECT_EQ(two, CFDictionaryGetValue(dict, key));
  EXPECT_EQ(1, CFGetRetainCount(sameKey));

  CFDictionaryRef copy = CFDictionaryCreateCopy(nullptr, dict);
  EXPECT_TRUE(CFEqual(copy, dict));
  EXPECT_EQ(3, CFGetRetainCount(two));
  CFDictionaryRemoveValue(dict, key);
  EXPECT_EQ(2, CFGetRetainCount(two));
  EXPECT_FALSE(CFEqual(copy, dict));

  for (CFTypeRef object : {(CFTypeRef)key, (CFTypeRef)sameKey, (CFTypeRef)one, (CFTypeRef)two,
                           (CFTypeRef)dict, (CFTypeRef)copy})
    CFRelease(object);
  EXPECT_EQ(live, CompatCFLiveObjectCount());
}

TEST(CFRefCount, DictionaryWithNullCallbacksHoldsRawPointers) {
  int a = 1, b = 2;
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(nullptr, 0, nullptr, nullptr);
  CFDictionarySetValue(dict, &a, &b);
  EXPECT_EQ(&b, CFDictionaryGetValue(dict, &a));
  int otherA = 1;
  EXPECT_EQ(nullptr, CFDictionaryGetValue(dict, &otherA));  // identity, not contents
  CFRelease(dict);
}

// Custom array callbacks that count their calls, as a plug-in's preset
// records do.
struct Counts {
  int retains = 0, releases = 0, descriptions = 0, equals = 0;
};
Counts gCounts;
CFAllocatorRef gSeenAllocator = nullptr;

struct Record {
  int number;
  int refs;
};

const void* RecordRetain(CFAllocatorRef allocator, const void* value) {
  gCounts.retains++;
  gSeenAllocator = allocator;
  const_cast<Record*>(static_cast<const Record*>(value))->refs++;
  return value;
}
void RecordRelease(CFAllocatorRef, const void* value) {
  gCounts.releases++;
  const_cast<Record*>(static_cast<const Record*>(value))->refs--;
}
CFStringRef RecordDescription(const void* value) {
  gCounts.descriptions++;
  return CFStringCreateWithFormat(nullptr, nullptr, CFSTR("record %d"),
                                  static_cast<const Record*>(value)->number);
}
Boolean RecordEqual(const void* a, const void* b) {
  gCounts.equals++;
  return static_cast<const Record*>(a)->number == static_cast<const Record*>(b)->number;
}
const CFArrayCallBacks kRecordCallBacks = {0, RecordRetain, RecordRelease, RecordDescription,
                                           RecordEqual};

TEST(CFRefCount, ArrayCallsCustomCallbacksAsValuesComeAndGo) {
  gCounts = Counts();
  Record r1{1, 1}, r2{2, 1}, r2b{2, 1};
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 2, &kRecordCallBacks);
  CFArrayAppendValue(array, &r1);
  CFArrayAppendValue(array, &r2);
  EXPECT_EQ(2, gCounts.retains);
  EXPECT_EQ(2, r1.refs);
  EXPECT_EQ(CFAllocatorGetDefault(), gSeenAllocator);

  // Searching uses the equal callback: r2b equals r2 by number.
  EXPECT_TRUE(CFArrayContainsValue(array, CFRangeMake(0, 2), &r2b));
  EXPECT_EQ(1, CFArrayGetFirstIndexOfValue(array, CFRangeMake(0, 2), &r2b));
  EXPECT_GT(gCounts.equals, 0);

  // Describing the array describes each element through the callback.
  CFStringRef description = CFCopyDescription(array);
  EXPECT_EQ(2, gCounts.descriptions);
  std::string text = CFStringGetCStringPtr(description, kCFStringEncodingUTF8);
  EXPECT_NE(std::string::npos, text.find("record 1"));
  EXPECT_NE(std::string::npos, text.find("record 2"));
  CFRelease(description);

  CFArraySetValueAtIndex(array, 0, &r2b);  // retains the new value, releases the old
  EXPECT_EQ(1, r1.refs);
  EXPECT_EQ(2, r2b.refs);
  CFArrayRef copy = CFArrayCreateCopy(nullptr, array);  // same callbacks, new references
  EXPECT_EQ(3, r2b.refs);
  EXPECT_TRUE(CFEqual(copy, array));
  CFRelease(copy);
  // Arrays of distinct records compare through the equal callback.
  const void* sameNumbers[] = {&r2, &r2b};  // array holds r2b, r2
  const void* otherNumbers[] = {&r2, &r1};
  CFArrayRef same = CFArrayCreate(nullptr, sameNumbers, 2, &kRecordCallBacks);
  CFArrayRef other = CFArrayCreate(nullptr, otherNumbers, 2, &kRecordCallBacks);
  int equalsBefore = gCounts.equals;
  EXPECT_TRUE(CFEqual(same, array));
  EXPECT_GT(gCounts.equals, equalsBefore);
  EXPECT_FALSE(CFEqual(other, array));
  CFRelease(same);
  CFRelease(other);
  CFArrayRemoveValueAtIndex(array, 1);
  EXPECT_EQ(1, r2.refs);
  CFRelease(array);
  EXPECT_EQ(1, r2b.refs);
  EXPECT_EQ(gCounts.retains, gCounts.releases);
}

TEST(CFRefCount, CollectionsReportBadIndicesAndImmutableMutation) {
  MisuseRecorder recorder;
  CFStringRef s = Str("x");
  CFArrayRef fixed = CFArrayCreate(nullptr, (const void**)&s, 1, &kCFTypeArrayCallBacks);
  EXPECT_EQ(nullptr, CFArrayGetValueAtIndex(fixed, 1));
  EXPECT_EQ(nullptr, CFArrayGetValueAtIndex(fixed, -1));
  CFArrayAppendValue((CFMutableArrayRef)fixed, s);  // immutable: refused
  EXPECT_EQ(1, CFArrayGetCount(fixed));
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFArrayInsertValueAtIndex(array, 2, s);
  CFArrayRemoveValueAtIndex(array, 0);
  const void* values[2] = {};
  CFArrayGetValues(fixed, CFRangeMake(0, 2), values);
  EXPECT_EQ(nullptr, values[0]);
  EXPECT_EQ(0, CFArrayGetCount(array));
  EXPECT_EQ(2, CFGetRetainCount(s));  // only the immutable array holds it
  EXPECT_EQ(6u, MisuseRecorder::Messages().size());
  CFRelease(array);
  CFRelease(fixed);
  CFRelease(s);
}

// An allocator that counts blocks, to check objects return their memory to
// the allocator that made them.
struct AllocStats {
  int allocations = 0, deallocations = 0, infoRetains = 0, infoReleases = 0;
};
void* CountingAllocate(CFIndex size, CFOptionFlags, void* info) {
  static_cast<AllocStats*>(info)->allocations++;
  return malloc((size_t)size);
}
void CountingDeallocate(void* ptr, void* info) {
  static_cast<AllocStats*>(info)->deallocations++;
  free(ptr);
}
const void* CountingRetainInfo(const void* info) {
  const_cast<AllocStats*>(static_cast<const AllocStats*>(info))->infoRetains++;
  return info;
}
void CountingReleaseInfo(const void* info) {
  const_cast<AllocStats*>(static_cast<const AllocStats*>(info))->infoReleases++;
}

TEST(CFRefCount, CustomAllocatorMakesAndFreesObjects) {
  long live = CompatCFLiveObjectCount();
  AllocStats stats;
  CFAllocatorContext context = {0, &stats, CountingRetainInfo, CountingReleaseInfo, nullptr,
                                CountingAllocate, nullptr, CountingDeallocate, nullptr};
  CFAllocatorRef allocator = CFAllocatorCreate(nullptr, &context);
  ASSERT_NE(nullptr, allocator);
  EXPECT_EQ(1, stats.infoRetains);
  CFStringRef s = CFStringCreateWithCString(allocator, "made", kCFStringEncodingUTF8);
  EXPECT_EQ(allocator, CFGetAllocator(s));
  EXPECT_EQ(2, CFGetRetainCount(allocator));  // the string holds its allocator
  void* block = CFAllocatorAllocate(allocator, 16, 0);
  CFAllocatorDeallocate(allocator, block);
  EXPECT_EQ(2, stats.allocations);
  CFRelease(s);
  EXPECT_EQ(2, stats.deallocations);
  EXPECT_EQ(1, CFGetRetainCount(allocator));
  CFRelease(allocator);
  EXPECT_EQ(1, stats.infoReleases);
  EXPECT_EQ(live, CompatCFLiveObjectCount());

  // An allocator that allocates itself from its own context.
  stats = AllocStats();
  CFAllocatorRef self = CFAllocatorCreate(kCFAllocatorUseContext, &context);
  ASSERT_NE(nullptr, self);
  EXPECT_EQ(1, stats.allocations);
  CFRelease(self);
  EXPECT_EQ(1, stats.deallocations);
  EXPECT_EQ(live, CompatCFLiveObjectCount());
}

TEST(CFRefCount, NullAllocatorMakesNothing) {
  EXPECT_EQ(nullptr, CFAllocatorAllocate(kCFAllocatorNull, 8, 0));
  EXPECT_EQ(nullptr, CFStringCreateWithCString(kCFAllocatorNull, "x", kCFStringEncodingUTF8));
  EXPECT_EQ(nullptr, CFAllocatorAllocate(nullptr, 0, 0));
}

}  // namespace
