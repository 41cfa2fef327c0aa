// Diagnostic trace hook, time stamps and small text helpers.
#ifndef IPLUG_LOG_H_
#define IPLUG_LOG_H_

#include <cstring>
#include <ctime>

#include "wdlstring.h"

// Trace hook: funcName, source line and a printf-style record. Compiled out:
// the format and arguments are checked by the compiler, nothing is written.
// Arguments are still evaluated, so they must not have side effects the
// caller relies on. [any thread]
__attribute__((format(printf, 3, 4))) inline void Trace(const char* /*funcName*/, int /*line*/, const char* /*format*/, ...) {}

// Trace with the calling function and line filled in.
#define TRACE_HERE(...) Trace(__FUNCTION__, __LINE__, __VA_ARGS__)

// Local time as "YYYYMMDD HH:MM +HHMM" (offset from UTC). The text lives in
// a static buffer overwritten by the next call. [main thread]
const char* CurrentTime();

// Builds the bracketed build stamp "[Mon D HH:MM]" (e.g. "[Feb 9 14:05]")
// from the compiler's __DATE__ and __TIME__ texts into *pStr. Null texts count
// as "". May allocate. [main thread]
void CompileTimestamp(const char* date, const char* time, WDL_String* pStr);

// Returns cStr, a space and the build stamp of date and time, in a static
// string overwritten by the next call. May allocate. [main thread]
const char* AppendTimestamp(const char* date, const char* time, const char* cStr);

// Copies text (null counts as "") into out, which holds outSize bytes, using
// at most outSize - 1 bytes, and terminates it. A cut never splits a UTF-8
// character: when the limit falls inside one, the whole character is dropped.
// Nothing is written when outSize < 1. Every name, label and display-text cap
// of the framework goes through here, so that a host converting the text to
// its own string type never meets a broken character. [any thread]
void CopyUTF8Prefix(const char* text, char* out, int outSize);

// Copies src (null counts as "") into the fixed-size text field dst, cut to
// at most N - 1 bytes at a UTF-8 character boundary, and terminates it.
// [any thread]
template <size_t N>
inline void CopyToField(char (&dst)[N], const char* src)
{
  static_assert(N >= 1 && N <= 0x7FFFFFFF, "field size must fit an int");
  CopyUTF8Prefix(src, dst, (int)N);
}

// Copies src lower-cased (per character, standard conversion) into dst and
// terminates it; dst must hold strlen(src) + 1 bytes and may be src itself
// (lower-cases in place). [any thread]
void ToLower(char* dst, const char* src);

// True for tab, line feed, carriage return and space only. [any thread]
bool IsWhitespace(char c);

// Stopwatch on the processor clock (clock()).
class Timer
{
public:
  // Starts at the current processor clock. [any thread]
  Timer() : mT(clock()) {}
  // True, restarting the stopwatch, when more than seconds * 1,000,000 clock
  // ticks have passed since the last restart; false otherwise. [any thread]
  bool Every(double seconds);

private:
  clock_t mT;
};

// Names of API codes for trace output; "" in this build. [any thread]
const char* VSTOpcodeStr(int opCode);
const char* AUSelectStr(int select);
const char* AUPropertyStr(int propID);
const char* AUScopeStr(int scope);

#endif
