// Growable NUL-terminated string over a WDL_HeapBuf of granularity 128.
#ifndef WDL_STRING_H_
#define WDL_STRING_H_

#include "heapbuf.h"

class WDL_String
{
public:
  // Creates a string holding at most maxLen characters of text (all of them
  // when maxLen <= 0); null text gives "". May allocate. [any thread]
  explicit WDL_String(const char* text = "", int maxLen = 0) : m_hb(128) { Set(text, maxLen); }

  WDL_String(const WDL_String&) = delete;
  WDL_String& operator=(const WDL_String&) = delete;

  // The text; "" while empty, never null. [any thread]
  const char* Get() const
  {
    const char* p = (const char*)m_hb.Get();
    return p ? p : "";
  }
  // Length in characters, excluding the terminator. [any thread]
  int GetLength() const { return (int)strlen(Get()); }

  // Replaces the text with at most maxLen characters of text (all when
  // maxLen <= 0); null text empties the string. If memory cannot be had the
  // string stays as it was and false is returned. May allocate. [any thread]
  bool Set(const char* text, int maxLen = 0)
  {
    if (!text) text = "";
    const size_t len = Limit(text, maxLen);
    if (!len)
    {
      m_hb.Resize(0);
      return true;
    }
    const char* old = Get();
    if (text >= old && text < old + m_hb.GetSize())  // self-assignment from a suffix
    {
      memmove(m_hb.m_buf, text, len);
      ((char*)m_hb.m_buf)[len] = 0;
      m_hb.Resize((int)len + 1);
      return true;
    }
    char* p = (char*)m_hb.Resize((int)len + 1);
    if (!p || m_hb.GetSize() != (int)len + 1) return false;
    memcpy(p, text, len);
    p[len] = 0;
    return true;
  }

  // Appends at most maxLen characters of text (all when maxLen <= 0). If
  // memory cannot be had the string stays as it was and false is returned.
  // May allocate. [any thread]
  bool Append(const char* text, int maxLen = 0)
  {
    if (!text) return true;
    const size_t add = Limit(text, maxLen);
    if (!add) return true;
    const size_t oldLen = (size_t)GetLength();
    if (oldLen + add + 1 > (size_t)INT_MAX) return false;
    const char* old = Get();
    const bool self = text >= old && text < old + m_hb.GetSize();
    const size_t selfOffset = self ? (size_t)(text - old) : 0;
    const int newSize = (int)(oldLen + add + 1);
    char* p = (char*)m_hb.Resize(newSize);
    if (!p || m_hb.GetSize() != newSize) return false;
    memmove(p + oldLen, self ? p + selfOffset : text, add);
    p[oldLen + add] = 0;
    return true;
  }

  // Cuts the text to at most length characters (negative counts as 0). [any thread]
  void SetLen(int length)
  {
    if (length < 0) length = 0;
    if (length >= GetLength()) return;
    if (!length)
    {
      m_hb.Resize(0);
      return;
    }
    ((char*)m_hb.m_buf)[length] = 0;
    m_hb.Resize(length + 1);
  }

  // Removes count characters starting at position (clamped to the text). [any thread]
  void DeleteSub(int position, int count)
  {
    const int len = GetLength();
    if (position < 0) position = 0;
    if (position >= len || count <= 0) return;
    if (count > len - position) count = len - position;
    char* p = (char*)m_hb.m_buf;
    memmove(p + position, p + position + count, (size_t)(len - position - count + 1));
    SetLen(len - count);
  }

  WDL_HeapBuf m_hb;

private:
  // Characters of text to take: at most maxLen (all when maxLen <= 0), and
  // never so many that the string's size would pass INT_MAX.
  static size_t Limit(const char* text, int maxLen)
  {
    return strnlen(text, maxLen <= 0 ? (size_t)INT_MAX - 1 : (size_t)maxLen);
  }
};

#endif
