#include "IPlugStructs.h"

#include <cmath>

void IMidiMsg::MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel)
{
  mOffset = offset;
  mStatus = (uint8_t)(0x90 | (channel & 0x0F));
  mData1 = (uint8_t)noteNumber;
  mData2 = (uint8_t)velocity;
}

void IMidiMsg::MakeNoteOffMsg(int noteNumber, int offset, int channel)
{
  mOffset = offset;
  mStatus = (uint8_t)(0x80 | (channel & 0x0F));
  mData1 = (uint8_t)noteNumber;
  mData2 = 0;
}

void IMidiMsg::MakeControlChangeMsg(EControlChangeMsg idx, double value, int channel)
{
  // Clamped first: converting an out-of-range double to int is undefined.
  if (!(value > 0.0)) value = 0.0;
  else if (value > 1.0) value = 1.0;
  mOffset = 0;
  mStatus = (uint8_t)(0xB0 | (channel & 0x0F));
  mData1 = (uint8_t)idx;
  mData2 = (uint8_t)(int)(value * 127.0);
}

void IMidiMsg::MakePitchWheelMsg(double value, int channel)
{
  if (std::isnan(value)) value = 0.0;
  else if (value < -1.0) value = -1.0;
  else if (value > 1.0) value = 1.0;
  // value is within -1..1, so i is within 0..16384; only the top needs a limit.
  int i = (int)(value * 8192.0) + 8192;
  if (i > 16383) i = 16383;
  mOffset = 0;
  mStatus = (uint8_t)(0xE0 | (channel & 0x0F));
  mData1 = (uint8_t)(i & 0x7F);
  mData2 = (uint8_t)(i >> 7);
}

void IMidiMsg::Clear()
{
  mOffset = 0;
  mStatus = mData1 = mData2 = 0;
}

IMidiMsg::EStatusMsg IMidiMsg::StatusMsg() const
{
  const unsigned int kind = mStatus >> 4;
  if (kind >= kNoteOff && kind <= kPitchWheel) return (EStatusMsg)kind;
  return kNone;
}

int IMidiMsg::NoteNumber() const
{
  switch (StatusMsg())
  {
    case kNoteOff:
    case kNoteOn:
    case kPolyAftertouch:
      return mData1;
    default:
      return -1;
  }
}

int IMidiMsg::Velocity() const
{
  switch (StatusMsg())
  {
    case kNoteOff:
    case kNoteOn:
      return mData2;
    default:
      return -1;
  }
}

int IMidiMsg::Program() const
{
  return StatusMsg() == kProgramChange ? mData1 : -1;
}

double IMidiMsg::PitchWheel() const
{
  if (StatusMsg() != kPitchWheel) return 0.0;
  const int i = mData2 * 128 + mData1 - 8192;
  return (double)i / 8192.0;
}

double IMidiMsg::ControlChange(EControlChangeMsg idx) const
{
  if (StatusMsg() == kControlChange && ControlChangeIdx() == idx) return (double)mData2 / 127.0;
  return -1.0;
}

const char* IMidiMsg::StatusMsgStr(EStatusMsg msg)
{
  switch (msg)
  {
    case kNone: return "none";
    case kNoteOff: return "noteoff";
    case kNoteOn: return "noteon";
    case kPolyAftertouch: return "aftertouch";
    case kControlChange: return "controlchange";
    case kProgramChange: return "programchange";
    case kChannelAftertouch: return "channelaftertouch";
    case kPitchWheel: return "pitchwheel";
    default: return "unknown";
  }
}

char* SysExStr(char* str, int maxLen, const uint8_t* pData, int size)
{
  if (!str || maxLen < 1) return str;
  str[0] = 0;
  if (!pData || size <= 0 || maxLen < 3) return str;
  static const char kHex[] = "0123456789ABCDEF";
  const int n = size < maxLen / 3 ? size : maxLen / 3;
  // Each byte takes exactly three characters; the last separator becomes the
  // terminator, so 3 * n <= maxLen bytes are written.
  for (int i = 0; i < n; ++i)
  {
    str[3 * i] = kHex[pData[i] >> 4];
    str[3 * i + 1] = kHex[pData[i] & 0x0F];
    str[3 * i + 2] = ' ';
  }
  str[3 * n - 1] = 0;
  return str;
}
