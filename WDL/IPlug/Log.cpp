#include "Log.h"

#include <cctype>
#include <cstdio>
#include <cstring>

void CopyUTF8Prefix(const char* text, char* out, int outSize)
{
  if (outSize < 1) return;
  if (!text) text = "";
  int n = 0;
  while (n < outSize - 1 && text[n]) ++n;
  // A continuation byte (10xxxxxx) right after the cut means the cut splits a
  // character: step back to its lead byte (at most three continuation bytes
  // precede the cut) and cut before it. Bytes that form no character are not
  // UTF-8 at all and are cut where the limit falls.
  auto isContinuation = [](char c) { return ((unsigned char)c & 0xC0) == 0x80; };
  if (isContinuation(text[n]))
  {
    int lead = n;
    while (lead > 0 && n - lead < 3 && isContinuation(text[lead - 1])) --lead;
    if (lead > 0 && (unsigned char)text[lead - 1] >= 0xC0) n = lead - 1;
  }
  memcpy(out, text, (size_t)n);
  out[n] = '\0';
}

const char* CurrentTime()
{
  static char sTimeStr[64];
  const time_t t = time(nullptr);
  struct tm local, utc;
  localtime_r(&t, &local);
  gmtime_r(&t, &utc);

  // Offset in minutes from the clock fields; a day boundary between local
  // time and UTC adds or removes one day. A year boundary makes the day
  // numbers differ by more than one, which stands for the opposite single day.
  int offset = (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
  const int dayDiff = local.tm_yday - utc.tm_yday;
  if (dayDiff == 1 || dayDiff < -1) offset += 1440;
  else if (dayDiff == -1 || dayDiff > 1) offset -= 1440;

  const size_t n = strftime(sTimeStr, sizeof(sTimeStr), "%Y%m%d %H:%M ", &local);
  const int mag = offset < 0 ? -offset : offset;
  snprintf(sTimeStr + n, sizeof(sTimeStr) - n, "%c%02d%02d", offset < 0 ? '-' : '+', mag / 60, mag % 60);
  return sTimeStr;
}

void CompileTimestamp(const char* date, const char* time, WDL_String* pStr)
{
  if (!pStr) return;
  pStr->Set("[");
  pStr->Append(date ? date : "");
  pStr->SetLen(7);
  pStr->DeleteSub(4, 1);
  pStr->Append(" ");
  pStr->Append(time ? time : "");
  pStr->SetLen(12);
  pStr->Append("]");
}

const char* AppendTimestamp(const char* date, const char* time, const char* cStr)
{
  static WDL_String sStr;
  WDL_String stamp;
  CompileTimestamp(date, time, &stamp);
  sStr.Set(cStr ? cStr : "");
  sStr.Append(" ");
  sStr.Append(stamp.Get());
  return sStr.Get();
}

void ToLower(char* dst, const char* src)
{
  if (!dst) return;
  if (!src) src = "";
  while (*src) *dst++ = (char)tolower((unsigned char)*src++);
  *dst = 0;
}

bool IsWhitespace(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool Timer::Every(double seconds)
{
  const clock_t now = clock();
  if ((double)(now - mT) > seconds * 1000000.0)
  {
    mT = now;
    return true;
  }
  return false;
}

const char* VSTOpcodeStr(int) { return ""; }
const char* AUSelectStr(int) { return ""; }
const char* AUPropertyStr(int) { return ""; }
const char* AUScopeStr(int) { return ""; }
