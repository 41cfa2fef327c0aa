// Dictionaries: pairs in insertion order, matched with the key callbacks.
// Linear search: the dictionaries this system builds hold a handful of keys.
#include "CFInternal.h"

#include <utility>
#include <vector>

using namespace compat;

namespace {

const void* CopyStringRetain(CFAllocatorRef allocator, const void* value) {
  if (CFGetTypeID(value) == CFStringGetTypeID())
    return CFStringCreateCopy(allocator, static_cast<CFStringRef>(value));
  return CFRetain(value);
}

}  // namespace

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {
    0, RetainObject, ReleaseObject, DescribeObject, EqualObjects, HashObject};
const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks = {
    0, CopyStringRetain, ReleaseObject, DescribeObject, EqualObjects, HashObject};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {
    0, RetainObject, ReleaseObject, DescribeObject, EqualObjects};

struct __CFDictionary : CFObject {
  __CFDictionary(const CFDictionaryKeyCallBacks* keys, const CFDictionaryValueCallBacks* values,
                 bool isMutable)
      : CFObject(kTypeIDDictionary), mMutable(isMutable) {
    if (keys) mKeyCallBacks = *keys;
    if (values) mValueCallBacks = *values;
  }
  ~__CFDictionary() override {
    for (auto& entry : mEntries) ReleaseEntry(entry.first, entry.second);
  }
  std::pair<const void*, const void*> RetainEntry(const void* key, const void* value) const {
    CFAllocatorRef allocator = CFGetAllocator(this);
    if (mKeyCallBacks.retain) key = mKeyCallBacks.retain(allocator, key);
    if (mValueCallBacks.retain) value = mValueCallBacks.retain(allocator, value);
    return {key, value};
  }
  void ReleaseKey(const void* key) const {
    if (mKeyCallBacks.release) mKeyCallBacks.release(CFGetAllocator(this), key);
  }
  void ReleaseValue(const void* value) const {
    if (mValueCallBacks.release) mValueCallBacks.release(CFGetAllocator(this), value);
  }
  void ReleaseEntry(const void* key, const void* value) const {
    ReleaseKey(key);
    ReleaseValue(value);
  }
  long Find(const void* key) const {
    for (size_t i = 0; i < mEntries.size(); i++) {
      const void* k = mEntries[i].first;
      if (k == key || (mKeyCallBacks.equal && key && k && mKeyCallBacks.equal(k, key)))
        return (long)i;
    }
    return -1;
  }
  bool Equal(const CFObject* other) const override {
    const __CFDictionary* o = static_cast<const __CFDictionary*>(other);
    if (mEntries.size() != o->mEntries.size()) return false;
    for (auto& entry : mEntries) {
      long j = o->Find(entry.first);
      if (j < 0) return false;
      const void* v = o->mEntries[(size_t)j].second;
      if (v != entry.second && !(mValueCallBacks.equal && mValueCallBacks.equal(entry.second, v)))
        return false;
    }
    return true;
  }
  CFHashCode Hash() const override { return mEntries.size(); }
  std::string Describe() const override {
    std::string text = Printf("<CFDictionary %p>{type = %s, count = %zu, entries =>\n",
                              (const void*)this, mMutable ? "mutable" : "immutable",
                              mEntries.size());
    for (size_t i = 0; i < mEntries.size(); i++) {
      text += Printf("\t%zu : ", i) + DescribeItem(mKeyCallBacks.copyDescription, mEntries[i].first) +
              " = " + DescribeItem(mValueCallBacks.copyDescription, mEntries[i].second) + "\n";
    }
    return text + "}";
  }
  static std::string DescribeItem(CFDictionaryCopyDescriptionCallBack describe, const void* item) {
    CFStringRef description = describe && item ? describe(item) : nullptr;
    if (!description) return Printf("<%p>", item);
    std::string text = StringUtf8(description);
    CFRelease(description);
    return text;
  }

  CFDictionaryKeyCallBacks mKeyCallBacks = {0, nullptr, nullptr, nullptr, nullptr, nullptr};
  CFDictionaryValueCallBacks mValueCallBacks = {0, nullptr, nullptr, nullptr, nullptr};
  std::vector<std::pair<const void*, const void*>> mEntries;
  const bool mMutable;
};

namespace {

const __CFDictionary* Dict(CFDictionaryRef d) { return As<__CFDictionary>(d, kTypeIDDictionary); }

__CFDictionary* MutableDict(CFMutableDictionaryRef d) {
  return AsWritable<__CFDictionary>(
      d, kTypeIDDictionary,
      "A mutating CFDictionary function was called on an immutable dictionary.");
}

enum class Mode { kSet, kAdd, kReplace };

void Put(__CFDictionary* d, const void* key, const void* value, Mode mode) {
  long i = d->Find(key);
  if (i < 0) {
    if (mode != Mode::kReplace) d->mEntries.push_back(d->RetainEntry(key, value));
    return;
  }
  if (mode == Mode::kAdd) return;
  // The stored key stays; only the value changes.
  const void* retained =
      d->mValueCallBacks.retain ? d->mValueCallBacks.retain(CFGetAllocator(d), value) : value;
  const void* old = d->mEntries[(size_t)i].second;
  d->mEntries[(size_t)i].second = retained;
  d->ReleaseValue(old);
}

__CFDictionary* Copy(CFAllocatorRef allocator, const __CFDictionary* source, bool isMutable) {
  __CFDictionary* dict = NewObject<__CFDictionary>(
      allocator, source ? &source->mKeyCallBacks : nullptr,
      source ? &source->mValueCallBacks : nullptr, isMutable);
  if (dict && source) {
    for (auto& entry : source->mEntries)
      dict->mEntries.push_back(dict->RetainEntry(entry.first, entry.second));
  }
  return dict;
}

}  // namespace

extern "C" {

CFTypeID CFDictionaryGetTypeID(void) { return kTypeIDDictionary; }

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef allocator, const void** keys, const void** values,
                                   CFIndex numValues, const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks) {
  if (numValues < 0 || ((!keys || !values) && numValues > 0)) return nullptr;
  __CFDictionary* dict = NewObject<__CFDictionary>(allocator, keyCallBacks, valueCallBacks, false);
  if (!dict) return nullptr;
  for (CFIndex i = 0; i < numValues; i++) Put(dict, keys[i], values[i], Mode::kSet);
  return dict;
}

CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef allocator, CFDictionaryRef theDict) {
  const __CFDictionary* source = Dict(theDict);
  return source ? Copy(allocator, source, false) : nullptr;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
  if (capacity < 0) return nullptr;
  return NewObject<__CFDictionary>(allocator, keyCallBacks, valueCallBacks, true);
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity,
                                                     CFDictionaryRef theDict) {
  if (capacity < 0) return nullptr;
  return Copy(allocator, Dict(theDict), true);
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
  const __CFDictionary* d = Dict(theDict);
  return d ? (CFIndex)d->mEntries.size() : 0;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key,
                                      const void** value) {
  const __CFDictionary* d = Dict(theDict);
  long i = d ? d->Find(key) : -1;
  if (i < 0) return false;
  if (value) *value = d->mEntries[(size_t)i].second;
  return true;
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key) {
  const void* value = nullptr;
  return CFDictionaryGetValueIfPresent(theDict, key, &value) ? value : nullptr;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key) {
  return CFDictionaryGetValueIfPresent(theDict, key, nullptr);
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values) {
  const __CFDictionary* d = Dict(theDict);
  if (!d) return;
  for (size_t i = 0; i < d->mEntries.size(); i++) {
    if (keys) keys[i] = d->mEntries[i].first;
    if (values) values[i] = d->mEntries[i].second;
  }
}

void CFDictionaryApplyFunction(CFDictionaryRef theDict, CFDictionaryApplierFunction applier,
                               void* context) {
  const __CFDictionary* d = Dict(theDict);
  if (!d || !applier) return;
  for (auto& entry : d->mEntries) applier(entry.first, entry.second, context);
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  if (__CFDictionary* d = MutableDict(theDict)) Put(d, key, value, Mode::kSet);
}

void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  if (__CFDictionary* d = MutableDict(theDict)) Put(d, key, value, Mode::kAdd);
}

void CFDictionaryReplaceValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  if (__CFDictionary* d = MutableDict(theDict)) Put(d, key, value, Mode::kReplace);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key) {
  __CFDictionary* d = MutableDict(theDict);
  long i = d ? d->Find(key) : -1;
  if (i < 0) return;
  auto entry = d->mEntries[(size_t)i];
  d->mEntries.erase(d->mEntries.begin() + i);
  d->ReleaseEntry(entry.first, entry.second);
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict) {
  __CFDictionary* d = MutableDict(theDict);
  if (!d) return;
  std::vector<std::pair<const void*, const void*>> old;
  old.swap(d->mEntries);
  for (auto& entry : old) d->ReleaseEntry(entry.first, entry.second);
}

}  // extern "C"
