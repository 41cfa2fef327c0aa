// One automatable parameter: type, range, current value in real units, the
// curve that maps it to the normalised range 0..1 used by hosts and editors,
// and how it is shown as text.
//
// IParam has no lock of its own: the plug-in writes values under its mutex
// (see IPlugBase); each value is a single double.
#ifndef IPLUG_IPARAM_H_
#define IPLUG_IPARAM_H_

#include "heapbuf.h"

class IParam
{
public:
  // Kind of parameter; stored in 32 bits.
  enum EParamType
  {
    kTypeNone = 0,
    kTypeBool = 1,
    kTypeInt = 2,
    kTypeEnum = 3,
    kTypeDouble = 4
  };

  // One entry of the value-to-text table: the real value it names and its
  // text (at most 31 characters).
  struct DisplayText
  {
    int mValue;
    char mText[32];
  };

  // Creates an untyped parameter: value 0, range 0..1, step 1, shape 1. [main thread]
  IParam();
  ~IParam();

  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // The init operations set the type (only if still kTypeNone), copy name,
  // label and group (each cut to 31 characters; null counts as ""), and set
  // range, default and value. The default is stored unchanged, not clamped.
  // Called from the plug-in constructor. [main thread]

  // Range 0..1, value 1 or 0; appends the display texts "off" (0) and "on" (1).
  void InitBool(const char* name, bool defaultVal, const char* label = "", const char* group = "");
  // Range min .. max(max, min + 1), step 1.
  void InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label = "", const char* group = "");
  // Range 0 .. nEnums - 1 (at least 0..1), step 1; entry texts follow with SetDisplayText.
  void InitEnum(const char* name, int defaultVal, int nEnums, const char* label = "", const char* group = "");
  // Range min .. max(max, min + step), display precision from the step
  // (0..6 decimals). A range that would still be empty (step <= 0) becomes
  // min .. min + 1.
  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step, const char* label = "", const char* group = "");

  // Stores value clamped into [mMin, mMax]; a non-finite value is ignored. [any thread]
  void Set(double value);
  // Sets the value from a normalised one: mapped through the shape, snapped
  // to the step grid unless the type is kTypeDouble (halves go up), then
  // limited to mMax. The input is not clamped (callers pass 0..1); a
  // non-finite input or result leaves the value unchanged. [any thread]
  void SetNormalized(double normalized);
  // Current value in real units. [any thread]
  double Value() const { return mValue; }
  // Current value as a switch: true at 0.5 and above. [any thread]
  bool Bool() const { return mValue >= 0.5; }
  // Current value truncated toward zero (clamped to the int range). [any thread]
  int Int() const { return ToInt(mValue); }
  // Amplitude factor for a value in decibels: 10^(value / 20). [any thread]
  double DBToAmp() const;

  // Normalised form of the current value, 0..1. [any thread]
  double GetNormalized() const;
  // Normalised form of value after clamping it into range; a non-finite
  // value gives the normalised current value. [any thread]
  double GetNormalized(double value) const;
  // Real value for a normalised one (no snapping, no clamping). [any thread]
  double FromNormalized(double normalized) const;

  // Sets the mapping exponent (1 = linear); 0 and non-finite shapes are
  // ignored. [main thread]
  void SetShape(double shape);
  // Shows the negated value in texts. [main thread]
  void NegateDisplay() { mNegateDisplay = true; }
  // Whether hosts may automate the parameter. [main thread]
  void SetCanAutomate(bool canAutomate) { mCanAutomate = canAutomate; }

  // Appends a value-to-text record (text cut to 31 characters). May
  // allocate. [main thread]
  void SetDisplayText(int value, const char* text);
  // Number of display-text records. [any thread]
  int GetNDisplayTexts() const;
  // Text of the first record for value, or "". [any thread]
  const char* GetDisplayText(int value) const;
  // Text of record idx and, if pValue is not null, its value; "" (pValue
  // untouched) for an index outside the table. [any thread]
  const char* GetDisplayTextAtIdx(int idx, int* pValue = nullptr) const;
  // Finds the first record whose text equals text exactly (case-sensitive)
  // and stores its value in *pValue; false (and *pValue untouched) when none
  // does or text is null. [any thread]
  bool MapDisplayText(const char* text, int* pValue) const;

  // Writes the display text of value (real, or normalised when normalized is
  // set) into out, which holds outSize bytes: the named text when
  // withDisplayText is set and one exists for the value truncated to int,
  // otherwise the (possibly negated) number with mDisplayPrecision decimals,
  // or truncated toward zero for precision 0. Never writes more than outSize
  // bytes and always terminates (outSize >= 1). [any thread]
  void GetDisplayForHost(double value, bool normalized, char* out, int outSize, bool withDisplayText = true) const;
  // As above for the current value. [any thread]
  void GetDisplayForHost(char* out, int outSize, bool withDisplayText = true) const
  {
    GetDisplayForHost(mValue, false, out, outSize, withDisplayText);
  }

  // Converts text typed by the user into a normalised value: bool and enum
  // parameters look the text up with MapDisplayText (no match gives 0);
  // others read a decimal number, negated when the display is negated. The
  // value is clamped into range. Returns false, leaving *pNormalized alone,
  // when the text is null or gives a non-finite number. [main thread]
  bool GetNormalizedFromText(const char* text, double* pNormalized) const;
  // Reads text a person typed into a value field (see ITypedValue.h): a
  // number in the parameter's unit with an optional unit ("120", "120 Hz",
  // "1.2k", "-3 dB", "8x"), one of its display texts (any case), or for a
  // bool on/off, yes/no, true/false. Stores the real value and returns true
  // when it lies in range; anything else returns false, *pValue untouched.
  // [any thread]
  bool ReadTypedValue(const char* text, double* pValue) const;

  // Name shown by hosts. [any thread]
  const char* GetNameForHost() const { return mName; }
  // Unit label, or "" when the current value has a non-empty display text. [any thread]
  const char* GetLabelForHost() const;
  // Group name; "" for none. [any thread]
  const char* GetParamGroupForHost() const { return mParamGroup; }
  // Range in real units. [any thread]
  void GetBounds(double* pMin, double* pMax) const;

  // Plain reads. [any thread]
  EParamType Type() const { return mType; }
  double GetDefault() const { return mDefault; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetStep() const { return mStep; }
  double GetShape() const { return mShape; }
  int GetPrecision() const { return mDisplayPrecision; }
  bool GetNegateDisplay() const { return mNegateDisplay; }
  bool GetCanAutomate() const { return mCanAutomate; }

  // Truncates toward zero with the result clamped to the int range; NaN gives 0. [any thread]
  static int ToInt(double value);

  // Fields in this order; the state code of the plug-in base may assign
  // mValue directly.
  EParamType mType;
  double mValue;
  double mMin;
  double mMax;
  double mStep;
  double mShape;
  double mDefault;
  int mDisplayPrecision;
  char mName[32];
  char mLabel[32];
  char mParamGroup[32];
  bool mNegateDisplay;
  bool mCanAutomate;
  WDL_TypedBuf<DisplayText> mDisplayTexts;

private:
  void InitCommon(EParamType type, const char* name, const char* label, const char* group);
};

#endif
