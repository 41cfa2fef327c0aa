#include "IParam.h"

#include "ITypedValue.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Log.h"

IParam::IParam()
  : mType(kTypeNone)
  , mValue(0.0)
  , mMin(0.0)
  , mMax(1.0)
  , mStep(1.0)
  , mShape(1.0)
  , mDefault(0.0)
  , mDisplayPrecision(0)
  , mNegateDisplay(false)
  , mCanAutomate(true)
{
  mName[0] = mLabel[0] = mParamGroup[0] = 0;
}

IParam::~IParam() {}

int IParam::ToInt(double value)
{
  if (std::isnan(value)) return 0;
  if (value >= (double)INT_MAX) return INT_MAX;
  if (value <= (double)INT_MIN) return INT_MIN;
  return (int)value;
}

void IParam::InitCommon(EParamType type, const char* name, const char* label, const char* group)
{
  if (mType == kTypeNone) mType = type;
  CopyToField(mName, name);
  CopyToField(mLabel, label);
  CopyToField(mParamGroup, group);
}

void IParam::InitBool(const char* name, bool defaultVal, const char* label, const char* group)
{
  InitCommon(kTypeBool, name, label, group);
  mValue = mDefault = defaultVal ? 1.0 : 0.0;
  mMin = 0.0;
  mMax = 1.0;
  mStep = 1.0;
  mDisplayPrecision = 0;
  SetDisplayText(0, "off");
  SetDisplayText(1, "on");
}

void IParam::InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label, const char* group)
{
  InitCommon(kTypeInt, name, label, group);
  mValue = mDefault = defaultVal;
  mMin = minVal;
  // In double so that min == INT_MAX cannot overflow.
  mMax = (double)maxVal > (double)minVal + 1.0 ? (double)maxVal : (double)minVal + 1.0;
  mStep = 1.0;
  mDisplayPrecision = 0;
}

void IParam::InitEnum(const char* name, int defaultVal, int nEnums, const char* label, const char* group)
{
  InitCommon(kTypeEnum, name, label, group);
  mValue = mDefault = defaultVal;
  mMin = 0.0;
  mMax = (double)nEnums - 1.0 >= 1.0 ? (double)nEnums - 1.0 : 1.0;
  mStep = 1.0;
  mDisplayPrecision = 0;
}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step, const char* label, const char* group)
{
  InitCommon(kTypeDouble, name, label, group);
  mValue = mDefault = defaultVal;
  mMin = minVal;
  mMax = maxVal > minVal + step ? maxVal : minVal + step;
  // A non-positive step cannot widen an empty range; an empty range would
  // divide by zero in every mapping.
  if (!(mMax > mMin)) mMax = mMin + 1.0;
  mStep = step;

  mDisplayPrecision = 0;
  double s = step;
  while (mDisplayPrecision <= 5 && std::floor(s) != s)
  {
    s *= 10.0;
    ++mDisplayPrecision;
  }
}

void IParam::Set(double value)
{
  if (!std::isfinite(value)) return;
  if (value < mMin) value = mMin;
  else if (value > mMax) value = mMax;
  mValue = value;
}

double IParam::FromNormalized(double normalized) const
{
  return mMin + (mMax - mMin) * std::pow(normalized, mShape);
}

void IParam::SetNormalized(double normalized)
{
  if (!std::isfinite(normalized)) return;
  double real = FromNormalized(normalized);
  if (mType != kTypeDouble) real = mStep * std::floor(real / mStep + 0.5);
  if (real > mMax) real = mMax;
  // A negative input with a fractional shape, or a zero step, has no real value.
  if (!std::isfinite(real)) return;
  mValue = real;
}

double IParam::GetNormalized() const
{
  return GetNormalized(mValue);
}

double IParam::GetNormalized(double value) const
{
  if (!std::isfinite(value)) value = std::isfinite(mValue) ? mValue : mMin;
  if (value < mMin) value = mMin;
  else if (value > mMax) value = mMax;
  return std::pow((value - mMin) / (mMax - mMin), 1.0 / mShape);
}

double IParam::DBToAmp() const
{
  return std::exp(mValue * 0.1151292546497);
}

void IParam::SetShape(double shape)
{
  if (shape != 0.0 && std::isfinite(shape)) mShape = shape;
}

void IParam::SetDisplayText(int value, const char* text)
{
  DisplayText* dt = mDisplayTexts.Add(nullptr, 1);
  if (!dt) return;
  dt->mValue = value;
  CopyToField(dt->mText, text);
}

int IParam::GetNDisplayTexts() const
{
  return mDisplayTexts.GetSize();
}

const char* IParam::GetDisplayText(int value) const
{
  const int n = mDisplayTexts.GetSize();
  const DisplayText* dt = mDisplayTexts.Get();
  for (int i = 0; i < n; ++i)
    if (dt[i].mValue == value) return dt[i].mText;
  return "";
}

const char* IParam::GetDisplayTextAtIdx(int idx, int* pValue) const
{
  if (idx < 0 || idx >= mDisplayTexts.GetSize()) return "";
  const DisplayText* dt = mDisplayTexts.Get() + idx;
  if (pValue) *pValue = dt->mValue;
  return dt->mText;
}

bool IParam::MapDisplayText(const char* text, int* pValue) const
{
  if (!text) return false;
  const int n = mDisplayTexts.GetSize();
  const DisplayText* dt = mDisplayTexts.Get();
  for (int i = 0; i < n; ++i)
  {
    if (!strcmp(dt[i].mText, text))
    {
      if (pValue) *pValue = dt[i].mValue;
      return true;
    }
  }
  return false;
}

bool IParam::ReadTypedValue(const char* text, double* pValue) const
{
  if (!text || !pValue) return false;
  const int nTexts = mDisplayTexts.GetSize();
  const DisplayText* dt = mDisplayTexts.Get();
  const std::string word = typed_value::Lower(typed_value::Trim(text));
  double value = 0.0;
  bool found = false;
  for (int i = 0; i < nTexts && !found; ++i)
    if (typed_value::Lower(dt[i].mText) == word) value = dt[i].mValue, found = true;
  if (!found && mType == kTypeBool)
  {
    const int on = typed_value::ReadSwitchWord(word);
    if (on >= 0) value = on ? mMax : mMin, found = true;
  }
  if (!found)
  {
    const bool isCount = mType == kTypeInt && nTexts == 0;
    if (typed_value::ReadNumber(text, mLabel, isCount, &value, nullptr) != typed_value::kNumber) return false;
    if (mNegateDisplay) value = -value;
  }
  if (!(value >= mMin && value <= mMax)) return false;
  *pValue = value;
  return true;
}

void IParam::GetDisplayForHost(double value, bool normalized, char* out, int outSize, bool withDisplayText) const
{
  if (!out || outSize < 1) return;
  if (normalized) value = FromNormalized(value);

  if (withDisplayText)
  {
    const char* text = GetDisplayText(ToInt(value));
    if (*text)
    {
      snprintf(out, (size_t)outSize, "%s", text);
      return;
    }
  }

  if (mNegateDisplay) value = -value;

  if (mDisplayPrecision == 0)
    snprintf(out, (size_t)outSize, "%d", ToInt(value));
  else
    snprintf(out, (size_t)outSize, "%.*f", mDisplayPrecision, value);
}

bool IParam::GetNormalizedFromText(const char* text, double* pNormalized) const
{
  if (!text || !pNormalized) return false;
  double value = 0.0;
  if (mType == kTypeBool || mType == kTypeEnum)
  {
    int mapped = 0;
    MapDisplayText(text, &mapped);
    value = mapped;
  }
  else
  {
    value = atof(text);
    if (mNegateDisplay) value = -value;
  }
  if (!std::isfinite(value)) return false;
  *pNormalized = GetNormalized(value);
  return true;
}

const char* IParam::GetLabelForHost() const
{
  return *GetDisplayText(ToInt(mValue)) ? "" : mLabel;
}

void IParam::GetBounds(double* pMin, double* pMax) const
{
  if (pMin) *pMin = mMin;
  if (pMax) *pMax = mMax;
}
