// Value records passed between the host binding and the plug-in: a short
// MIDI message, a system-exclusive message and the host's transport state.
#ifndef IPLUG_IPLUGSTRUCTS_H_
#define IPLUG_IPLUGSTRUCTS_H_

#include <cstdint>

// One short MIDI message with its sample offset in the current block.
struct IMidiMsg
{
  // Message kind: the status byte's high nibble.
  enum EStatusMsg
  {
    kNone = 0,
    kNoteOff = 8,
    kNoteOn = 9,
    kPolyAftertouch = 10,
    kControlChange = 11,
    kProgramChange = 12,
    kChannelAftertouch = 13,
    kPitchWheel = 14
  };

  // Controller number 0..127 of a control-change message; any number in that
  // range may be cast to this type.
  enum EControlChangeMsg
  {
    kModWheel = 1,
    kBreathController = 2,
    kFootController = 4,
    kPortamentoTime = 5,
    kChannelVolume = 7,
    kBalance = 8,
    kPan = 10,
    kExpressionController = 11,
    kSustainOnOff = 64,
    kAllSoundOff = 120,
    kAllNotesOff = 123
  };

  // All four fields zero. [any thread]
  IMidiMsg() : mOffset(0), mStatus(0), mData1(0), mData2(0) {}
  // Sets every field. [any thread]
  IMidiMsg(int offset, uint8_t status, uint8_t data1, uint8_t data2) : mOffset(offset), mStatus(status), mData1(data1), mData2(data2) {}

  // Note-on: status 0x90 | channel (channel 0..15, taken modulo 16). [any thread]
  void MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel = 0);
  // Note-off with velocity 0: status 0x80 | channel. [any thread]
  void MakeNoteOffMsg(int noteNumber, int offset, int channel = 0);
  // Control change at offset 0; value 0..1 (clamped; NaN counts as 0) becomes
  // data2 = value * 127 truncated. [any thread]
  void MakeControlChangeMsg(EControlChangeMsg idx, double value, int channel = 0);
  // Pitch wheel at offset 0; value -1..1 (clamped; NaN counts as 0) becomes
  // the 14-bit (value * 8192 truncated) + 8192, at most 16383. [any thread]
  void MakePitchWheelMsg(double value, int channel = 0);
  // All four fields zero. [any thread]
  void Clear();

  // Channel 0..15 of the status byte. [any thread]
  int Channel() const { return mStatus & 0x0F; }
  // Kind of a channel message (status 0x80..0xEF); kNone otherwise. [any thread]
  EStatusMsg StatusMsg() const;
  // Note of a note-off, note-on or polyphonic aftertouch message; -1 otherwise. [any thread]
  int NoteNumber() const;
  // Velocity of a note-off or note-on message; -1 otherwise. [any thread]
  int Velocity() const;
  // Program of a program change; -1 otherwise. [any thread]
  int Program() const;
  // Pitch-wheel position -1 .. 8191/8192; 0 for other messages. [any thread]
  double PitchWheel() const;
  // Controller number (data1). [any thread]
  EControlChangeMsg ControlChangeIdx() const { return (EControlChangeMsg)mData1; }
  // Value 0..1 of a control change for controller idx; -1 otherwise. [any thread]
  double ControlChange(EControlChangeMsg idx) const;
  // Diagnostic output; does nothing in this build. [any thread]
  void LogMsg() {}

  // Name of a message kind ("noteon", ...; "unknown" for other values). [any thread]
  static const char* StatusMsgStr(EStatusMsg msg);

  int mOffset;      // sample offset in the current block
  uint8_t mStatus;  // high nibble kind, low nibble channel
  uint8_t mData1;
  uint8_t mData2;
};

// One system-exclusive message; the bytes belong to the sender.
struct ISysEx
{
  // Sets every field; data is not copied. [any thread]
  ISysEx(int offset = 0, const uint8_t* pData = nullptr, int size = 0) : mOffset(offset), mSize(size), mData(pData) {}
  // All fields zero, data pointer null. [any thread]
  void Clear()
  {
    mOffset = mSize = 0;
    mData = nullptr;
  }
  // Diagnostic output; does nothing in this build. [any thread]
  void LogMsg() {}

  int mOffset;            // sample offset in the current block
  int mSize;              // number of bytes
  const uint8_t* mData;   // the bytes, not owned
};

// The host's transport state. A fresh record has every field zero; the
// binding overwrites only what the host reports.
struct ITimeInfo
{
  ITimeInfo() = default;

  double mTempo = 0.0;              // beats per minute
  double mSamplePos = 0.0;          // block start, samples
  double mPPQPos = 0.0;             // block start, quarter notes
  double mLastBar = 0.0;            // current bar's downbeat, quarter notes
  double mCycleStart = 0.0;         // loop start, quarter notes
  double mCycleEnd = 0.0;           // loop end, quarter notes
  int mNumerator = 0;               // time signature
  int mDenominator = 0;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};

// Formats size bytes of pData as upper-case hex pairs separated by single
// spaces ("F0 7E 00") into str, which holds maxLen bytes: at most maxLen / 3
// bytes are shown and nothing is written outside str. A null pointer, size
// <= 0 or maxLen below 3 give "" (nothing at all is written when maxLen < 1).
// Returns str. [any thread]
char* SysExStr(char* str, int maxLen, const uint8_t* pData, int size);

#endif
