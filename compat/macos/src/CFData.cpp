// Byte buffers.
#include "CFInternal.h"

#include <cstring>
#include <vector>

using namespace compat;

struct __CFData : CFObject {
  __CFData(std::vector<UInt8> bytes, bool isMutable)
      : CFObject(kTypeIDData), mBytes(std::move(bytes)), mMutable(isMutable) {}
  bool Equal(const CFObject* other) const override {
    return mBytes == static_cast<const __CFData*>(other)->mBytes;
  }
  CFHashCode Hash() const override {
    CFHashCode h = 1469598103934665603ULL;
    for (UInt8 b : mBytes) h = (h ^ b) * 1099511628211ULL;
    return h;
  }
  std::string Describe() const override {
    std::string text = Printf("<CFData %p>{length = %zu, bytes = 0x", (const void*)this,
                              mBytes.size());
    for (size_t i = 0; i < mBytes.size() && i < 24; i++) text += Printf("%02x", mBytes[i]);
    if (mBytes.size() > 24) text += "...";
    return text + "}";
  }
  std::vector<UInt8> mBytes;
  const bool mMutable;
};

namespace {

const __CFData* Data(CFDataRef d) { return As<__CFData>(d, kTypeIDData); }

__CFData* MutableData(CFMutableDataRef d) {
  return AsWritable<__CFData>(d, kTypeIDData,
                              "A mutating CFData function was called on immutable data.");
}

}  // namespace

extern "C" {

CFTypeID CFDataGetTypeID(void) { return kTypeIDData; }

CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length) {
  if (length < 0 || (!bytes && length > 0)) return nullptr;
  return NewObject<__CFData>(allocator, std::vector<UInt8>(bytes, bytes + length), false);
}

CFDataRef CFDataCreateCopy(CFAllocatorRef allocator, CFDataRef theData) {
  const __CFData* d = Data(theData);
  return d ? NewObject<__CFData>(allocator, d->mBytes, false) : nullptr;
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef allocator, CFIndex) {
  return NewObject<__CFData>(allocator, std::vector<UInt8>(), true);
}

CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef allocator, CFIndex, CFDataRef theData) {
  const __CFData* d = Data(theData);
  return NewObject<__CFData>(allocator, d ? d->mBytes : std::vector<UInt8>(), true);
}

CFIndex CFDataGetLength(CFDataRef theData) {
  const __CFData* d = Data(theData);
  return d ? (CFIndex)d->mBytes.size() : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef theData) {
  const __CFData* d = Data(theData);
  return d && !d->mBytes.empty() ? d->mBytes.data() : nullptr;
}

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData) {
  __CFData* d = AsMutable<__CFData>(theData, kTypeIDData);
  return d && d->mMutable && !d->mBytes.empty() ? d->mBytes.data() : nullptr;
}

void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer) {
  const __CFData* d = Data(theData);
  if (!d || !buffer) return;
  if (!RangeInside(range, d->mBytes.size())) {
    ReportMisuse("CFDataGetBytes called with a range outside the data.", theData, false);
    return;
  }
  if (range.length) std::memcpy(buffer, d->mBytes.data() + range.location, (size_t)range.length);
}

void CFDataSetLength(CFMutableDataRef theData, CFIndex length) {
  __CFData* d = MutableData(theData);
  if (d && length >= 0) d->mBytes.resize((size_t)length, 0);
}

void CFDataIncreaseLength(CFMutableDataRef theData, CFIndex extraLength) {
  __CFData* d = MutableData(theData);
  if (d && extraLength > 0) d->mBytes.resize(d->mBytes.size() + (size_t)extraLength, 0);
}

void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length) {
  __CFData* d = MutableData(theData);
  if (d && bytes && length > 0) d->mBytes.insert(d->mBytes.end(), bytes, bytes + length);
}

}  // extern "C"
