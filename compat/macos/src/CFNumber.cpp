// Numbers (64-bit integer or double inside) and the two booleans.
#include "CFInternal.h"

#include <charconv>
#include <cmath>
#include <cstring>

using namespace compat;

struct __CFNumber : CFObject {
  __CFNumber() : CFObject(kTypeIDNumber) {}
  bool Equal(const CFObject* other) const override {
    return CFNumberCompare(this, static_cast<const __CFNumber*>(other), nullptr) ==
           kCFCompareEqualTo;
  }
  CFHashCode Hash() const override {
    if (!mIsFloat) return (CFHashCode)mInt;
    double whole;
    if (std::modf(mDouble, &whole) == 0.0 && std::fabs(mDouble) < 9.2e18)
      return (CFHashCode)(long long)mDouble;  // equal to the integer it matches
    CFHashCode h;
    std::memcpy(&h, &mDouble, sizeof h);
    return h;
  }
  std::string Describe() const override {
    if (!mIsFloat) return std::to_string(mInt);
    if (std::isnan(mDouble)) return "nan";
    if (std::isinf(mDouble)) return mDouble > 0 ? "+infinity" : "-infinity";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, mDouble);
    return std::string(buffer, result.ptr);
  }

  CFNumberType mType = kCFNumberSInt32Type;  // canonical kind
  bool mIsFloat = false;
  long long mInt = 0;
  double mDouble = 0.0;
};

struct __CFBoolean : CFObject {
  explicit __CFBoolean(bool value) : CFObject(kTypeIDBoolean), mValue(value) {}
  std::string Describe() const override {
    return Printf("<CFBoolean %p>{value = %s}", (const void*)this, mValue ? "true" : "false");
  }
  const bool mValue;
};

namespace {

const __CFBoolean* MakeBoolean(bool value) {
  __CFBoolean* b = new __CFBoolean(value);
  RegisterConstant(b);
  return b;
}

// Canonical kind and size of each number type; 0 for an unknown one.
CFNumberType Canonical(CFNumberType type) {
  switch (type) {
    case kCFNumberSInt8Type: case kCFNumberCharType: return kCFNumberSInt8Type;
    case kCFNumberSInt16Type: case kCFNumberShortType: return kCFNumberSInt16Type;
    case kCFNumberSInt32Type: case kCFNumberIntType: return kCFNumberSInt32Type;
    case kCFNumberSInt64Type: case kCFNumberLongType: case kCFNumberLongLongType:
    case kCFNumberCFIndexType: case kCFNumberNSIntegerType:
      return kCFNumberSInt64Type;
    case kCFNumberFloat32Type: case kCFNumberFloatType: return kCFNumberFloat32Type;
    case kCFNumberFloat64Type: case kCFNumberDoubleType: case kCFNumberCGFloatType:
      return kCFNumberFloat64Type;
    default: return 0;
  }
}

template <typename T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void Store(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// Stores an integer into a narrower signed kind; false when it does not fit.
template <typename T>
bool StoreInt(void* p, long long v) {
  Store<T>(p, (T)v);
  return (long long)(T)v == v;
}

// Converts a double to an integer kind: truncated, saturated at the kind's
// limits; false when a fraction was cut or the value was out of range.
template <typename T>
bool StoreFloatAsInt(void* p, double v, double lo, double hi) {
  bool exact = true;
  double t = std::trunc(v);
  if (std::isnan(v)) {
    t = 0;
    exact = false;
  } else if (t < lo) {
    t = lo;
    exact = false;
  } else if (t > hi) {
    t = hi;
    exact = false;
  }
  if (t != v) exact = false;
  Store<T>(p, (T)t);
  return exact;
}

}  // namespace

const CFBooleanRef kCFBooleanTrue = MakeBoolean(true);
const CFBooleanRef kCFBooleanFalse = MakeBoolean(false);

extern "C" {

CFTypeID CFNumberGetTypeID(void) { return kTypeIDNumber; }

CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType, const void* valuePtr) {
  CFNumberType canonical = Canonical(theType);
  if (!canonical || !valuePtr) return nullptr;
  __CFNumber* number = NewObject<__CFNumber>(allocator);
  if (!number) return nullptr;
  number->mType = canonical;
  switch (theType) {
    case kCFNumberSInt8Type: case kCFNumberCharType: number->mInt = Load<SInt8>(valuePtr); break;
    case kCFNumberSInt16Type: case kCFNumberShortType: number->mInt = Load<SInt16>(valuePtr); break;
    case kCFNumberSInt32Type: case kCFNumberIntType: number->mInt = Load<SInt32>(valuePtr); break;
    case kCFNumberFloat32Type: case kCFNumberFloatType:
      number->mIsFloat = true;
      number->mDouble = Load<float>(valuePtr);
      break;
    case kCFNumberFloat64Type: case kCFNumberDoubleType: case kCFNumberCGFloatType:
      number->mIsFloat = true;
      number->mDouble = Load<double>(valuePtr);
      break;
    default: number->mInt = Load<long long>(valuePtr); break;
  }
  return number;
}

CFNumberType CFNumberGetType(CFNumberRef number) {
  const __CFNumber* n = As<__CFNumber>(number, kTypeIDNumber);
  return n ? n->mType : 0;
}

CFIndex CFNumberGetByteSize(CFNumberRef number) {
  switch (CFNumberGetType(number)) {
    case kCFNumberSInt8Type: return 1;
    case kCFNumberSInt16Type: return 2;
    case kCFNumberSInt32Type: case kCFNumberFloat32Type: return 4;
    case kCFNumberSInt64Type: case kCFNumberFloat64Type: return 8;
    default: return 0;
  }
}

Boolean CFNumberIsFloatType(CFNumberRef number) {
  const __CFNumber* n = As<__CFNumber>(number, kTypeIDNumber);
  return n && n->mIsFloat;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
  const __CFNumber* n = As<__CFNumber>(number, kTypeIDNumber);
  CFNumberType target = Canonical(theType);
  if (!n || !target || !valuePtr) return false;
  if (target == kCFNumberFloat64Type) {
    double v = n->mIsFloat ? n->mDouble : (double)n->mInt;
    Store<double>(valuePtr, v);
    return n->mIsFloat || (long long)v == n->mInt;
  }
  if (target == kCFNumberFloat32Type) {
    double v = n->mIsFloat ? n->mDouble : (double)n->mInt;
    float f = (float)v;
    Store<float>(valuePtr, f);
    return (double)f == v || std::isnan(v);
  }
  if (n->mIsFloat) {
    switch (target) {
      case kCFNumberSInt8Type: return StoreFloatAsInt<SInt8>(valuePtr, n->mDouble, -128, 127);
      case kCFNumberSInt16Type: return StoreFloatAsInt<SInt16>(valuePtr, n->mDouble, -32768, 32767);
      case kCFNumberSInt32Type:
        return StoreFloatAsInt<SInt32>(valuePtr, n->mDouble, -2147483648.0, 2147483647.0);
      default:
        return StoreFloatAsInt<long long>(valuePtr, n->mDouble, -9223372036854775808.0,
                                          9223372036854774784.0);
    }
  }
  switch (target) {
    case kCFNumberSInt8Type: return StoreInt<SInt8>(valuePtr, n->mInt);
    case kCFNumberSInt16Type: return StoreInt<SInt16>(valuePtr, n->mInt);
    case kCFNumberSInt32Type: return StoreInt<SInt32>(valuePtr, n->mInt);
    default: return StoreInt<long long>(valuePtr, n->mInt);
  }
}

CFComparisonResult CFNumberCompare(CFNumberRef number, CFNumberRef otherNumber, void*) {
  const __CFNumber* a = As<__CFNumber>(number, kTypeIDNumber);
  const __CFNumber* b = As<__CFNumber>(otherNumber, kTypeIDNumber);
  if (!a || !b) return a ? kCFCompareGreaterThan : (b ? kCFCompareLessThan : kCFCompareEqualTo);
  if (!a->mIsFloat && !b->mIsFloat) {
    return a->mInt < b->mInt ? kCFCompareLessThan
                             : (a->mInt > b->mInt ? kCFCompareGreaterThan : kCFCompareEqualTo);
  }
  // NaN orders below every number and equal to itself.
  double x = a->mIsFloat ? a->mDouble : (double)a->mInt;
  double y = b->mIsFloat ? b->mDouble : (double)b->mInt;
  if (std::isnan(x) || std::isnan(y)) {
    if (std::isnan(x) && std::isnan(y)) return kCFCompareEqualTo;
    return std::isnan(x) ? kCFCompareLessThan : kCFCompareGreaterThan;
  }
  return x < y ? kCFCompareLessThan : (x > y ? kCFCompareGreaterThan : kCFCompareEqualTo);
}

CFTypeID CFBooleanGetTypeID(void) { return kTypeIDBoolean; }

Boolean CFBooleanGetValue(CFBooleanRef boolean) {
  const __CFBoolean* b = As<__CFBoolean>(boolean, kTypeIDBoolean);
  return b && b->mValue;
}

}  // extern "C"
