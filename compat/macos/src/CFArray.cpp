// Arrays: a vector of values held as the callbacks say.
#include "CFInternal.h"

#include <vector>

using namespace compat;

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, RetainObject, ReleaseObject, DescribeObject,
                                                EqualObjects};

struct __CFArray : CFObject {
  __CFArray(const CFArrayCallBacks* callBacks, bool isMutable)
      : CFObject(kTypeIDArray), mMutable(isMutable) {
    if (callBacks) mCallBacks = *callBacks;
  }
  ~__CFArray() override {
    for (const void* value : mValues) ReleaseValue(value);
  }
  const void* RetainValue(const void* value) const {
    return mCallBacks.retain ? mCallBacks.retain(CFGetAllocator(this), value) : value;
  }
  void ReleaseValue(const void* value) const {
    if (mCallBacks.release) mCallBacks.release(CFGetAllocator(this), value);
  }
  bool ValuesEqual(const void* a, const void* b) const {
    return a == b || (mCallBacks.equal && mCallBacks.equal(a, b));
  }
  bool Equal(const CFObject* other) const override {
    const __CFArray* o = static_cast<const __CFArray*>(other);
    if (mValues.size() != o->mValues.size()) return false;
    for (size_t i = 0; i < mValues.size(); i++)
      if (!ValuesEqual(mValues[i], o->mValues[i])) return false;
    return true;
  }
  CFHashCode Hash() const override { return mValues.size(); }
  std::string Describe() const override {
    std::string text = Printf("<CFArray %p>{type = %s, count = %zu, values = (\n", (const void*)this,
                              mMutable ? "mutable" : "immutable", mValues.size());
    for (size_t i = 0; i < mValues.size(); i++) {
      std::string item;
      CFStringRef description =
          mCallBacks.copyDescription ? mCallBacks.copyDescription(mValues[i]) : nullptr;
      if (description) {
        item = StringUtf8(description);
        CFRelease(description);
      } else {
        item = Printf("<%p>", mValues[i]);
      }
      text += Printf("\t%zu : ", i) + item + "\n";
    }
    return text + ")}";
  }

  CFArrayCallBacks mCallBacks = {0, nullptr, nullptr, nullptr, nullptr};
  std::vector<const void*> mValues;
  const bool mMutable;
};

namespace {

const __CFArray* Arr(CFArrayRef a) { return As<__CFArray>(a, kTypeIDArray); }

__CFArray* MutableArr(CFMutableArrayRef a) {
  return AsWritable<__CFArray>(a, kTypeIDArray,
                               "A mutating CFArray function was called on an immutable array.");
}

bool CheckRange(const __CFArray* a, CFRange range, const char* function) {
  if (RangeInside(range, a->mValues.size())) return true;
  ReportMisuse((std::string(function) + " called with a range outside the array.").c_str(), a,
               false);
  return false;
}

__CFArray* Copy(CFAllocatorRef allocator, const __CFArray* source, bool isMutable) {
  __CFArray* array = NewObject<__CFArray>(allocator, source ? &source->mCallBacks : nullptr,
                                          isMutable);
  if (array && source) {
    for (const void* value : source->mValues) array->mValues.push_back(array->RetainValue(value));
  }
  return array;
}

}  // namespace

extern "C" {

CFTypeID CFArrayGetTypeID(void) { return kTypeIDArray; }

CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks) {
  if (numValues < 0 || (!values && numValues > 0)) return nullptr;
  __CFArray* array = NewObject<__CFArray>(allocator, callBacks, false);
  if (!array) return nullptr;
  for (CFIndex i = 0; i < numValues; i++) array->mValues.push_back(array->RetainValue(values[i]));
  return array;
}

CFArrayRef CFArrayCreateCopy(CFAllocatorRef allocator, CFArrayRef theArray) {
  const __CFArray* source = Arr(theArray);
  return source ? Copy(allocator, source, false) : nullptr;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                       const CFArrayCallBacks* callBacks) {
  if (capacity < 0) return nullptr;
  return NewObject<__CFArray>(allocator, callBacks, true);
}

CFMutableArrayRef CFArrayCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity,
                                           CFArrayRef theArray) {
  if (capacity < 0) return nullptr;
  return Copy(allocator, Arr(theArray), true);
}

CFIndex CFArrayGetCount(CFArrayRef theArray) {
  const __CFArray* a = Arr(theArray);
  return a ? (CFIndex)a->mValues.size() : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx) {
  const __CFArray* a = Arr(theArray);
  if (!a) return nullptr;
  if (idx < 0 || (size_t)idx >= a->mValues.size()) {
    ReportMisuse("CFArrayGetValueAtIndex called with an index outside the array.", theArray, false);
    return nullptr;
  }
  return a->mValues[(size_t)idx];
}

void CFArrayGetValues(CFArrayRef theArray, CFRange range, const void** values) {
  const __CFArray* a = Arr(theArray);
  if (!a || !values || !CheckRange(a, range, "CFArrayGetValues")) return;
  for (CFIndex i = 0; i < range.length; i++) values[i] = a->mValues[(size_t)(range.location + i)];
}

CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef theArray, CFRange range, const void* value) {
  const __CFArray* a = Arr(theArray);
  if (!a || !CheckRange(a, range, "CFArrayGetFirstIndexOfValue")) return kCFNotFound;
  for (CFIndex i = range.location; i < range.location + range.length; i++)
    if (a->ValuesEqual(a->mValues[(size_t)i], value)) return i;
  return kCFNotFound;
}

Boolean CFArrayContainsValue(CFArrayRef theArray, CFRange range, const void* value) {
  return CFArrayGetFirstIndexOfValue(theArray, range, value) != kCFNotFound;
}

CFIndex CFArrayGetCountOfValue(CFArrayRef theArray, CFRange range, const void* value) {
  const __CFArray* a = Arr(theArray);
  if (!a || !CheckRange(a, range, "CFArrayGetCountOfValue")) return 0;
  CFIndex count = 0;
  for (CFIndex i = range.location; i < range.location + range.length; i++)
    if (a->ValuesEqual(a->mValues[(size_t)i], value)) count++;
  return count;
}

void CFArrayApplyFunction(CFArrayRef theArray, CFRange range, CFArrayApplierFunction applier,
                          void* context) {
  const __CFArray* a = Arr(theArray);
  if (!a || !applier || !CheckRange(a, range, "CFArrayApplyFunction")) return;
  for (CFIndex i = range.location; i < range.location + range.length; i++)
    applier(a->mValues[(size_t)i], context);
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value) {
  __CFArray* a = MutableArr(theArray);
  if (a) a->mValues.push_back(a->RetainValue(value));
}

void CFArrayInsertValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
  __CFArray* a = MutableArr(theArray);
  if (!a) return;
  if (idx < 0 || (size_t)idx > a->mValues.size()) {
    ReportMisuse("CFArrayInsertValueAtIndex called with an index outside the array.", theArray,
                 false);
    return;
  }
  a->mValues.insert(a->mValues.begin() + idx, a->RetainValue(value));
}

void CFArraySetValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
  __CFArray* a = MutableArr(theArray);
  if (!a) return;
  if (idx < 0 || (size_t)idx > a->mValues.size()) {
    ReportMisuse("CFArraySetValueAtIndex called with an index outside the array.", theArray, false);
    return;
  }
  const void* retained = a->RetainValue(value);
  if ((size_t)idx == a->mValues.size()) {
    a->mValues.push_back(retained);
    return;
  }
  const void* old = a->mValues[(size_t)idx];
  a->mValues[(size_t)idx] = retained;
  a->ReleaseValue(old);
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx) {
  __CFArray* a = MutableArr(theArray);
  if (!a) return;
  if (idx < 0 || (size_t)idx >= a->mValues.size()) {
    ReportMisuse("CFArrayRemoveValueAtIndex called with an index outside the array.", theArray,
                 false);
    return;
  }
  const void* old = a->mValues[(size_t)idx];
  a->mValues.erase(a->mValues.begin() + idx);
  a->ReleaseValue(old);
}

void CFArrayRemoveAllValues(CFMutableArrayRef theArray) {
  __CFArray* a = MutableArr(theArray);
  if (!a) return;
  std::vector<const void*> old;
  old.swap(a->mValues);
  for (const void* value : old) a->ReleaseValue(value);
}

void CFArrayExchangeValuesAtIndices(CFMutableArrayRef theArray, CFIndex idx1, CFIndex idx2) {
  __CFArray* a = MutableArr(theArray);
  if (!a) return;
  CFIndex count = (CFIndex)a->mValues.size();
  if (idx1 < 0 || idx2 < 0 || idx1 >= count || idx2 >= count) {
    ReportMisuse("CFArrayExchangeValuesAtIndices called with an index outside the array.",
                 theArray, false);
    return;
  }
  std::swap(a->mValues[(size_t)idx1], a->mValues[(size_t)idx2]);
}

}  // extern "C"
