// Base64 text encoding of byte blocks (standard alphabet A-Z, a-z, 0-9, "+",
// "/", "=" fill to a multiple of four characters). Preset dumps write preset
// chunks with it and preset blobs compiled into a plug-in are read back with it.
#ifndef WDL_BASE64ENCDEC_H_
#define WDL_BASE64ENCDEC_H_

#include <stddef.h>

// The 64 characters of the standard alphabet, index = 6-bit value.
static const char wdl_base64_alphabet[] =
  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Number of characters wdl_base64encode writes for len input bytes, not
// counting the terminating NUL: 4 per started group of 3 bytes; 0 for len <= 0.
// Computed in size_t so that no int length can overflow it. [any thread]
static inline size_t wdl_base64encodedlen(int len)
{
  if (len <= 0) return 0;
  return ((size_t)len + 2) / 3 * 4;
}

// Encodes len bytes of in into out and NUL-terminates it. out must hold
// wdl_base64encodedlen(len) + 1 characters. len <= 0 writes "" (in may then be
// null). [any thread]
static inline void wdl_base64encode(const unsigned char* in, char* out, int len)
{
  if (!out) return;
  int i = 0;
  while (len - i >= 3)
  {
    const unsigned int v = ((unsigned int)in[i] << 16) | ((unsigned int)in[i + 1] << 8) | in[i + 2];
    *out++ = wdl_base64_alphabet[(v >> 18) & 63];
    *out++ = wdl_base64_alphabet[(v >> 12) & 63];
    *out++ = wdl_base64_alphabet[(v >> 6) & 63];
    *out++ = wdl_base64_alphabet[v & 63];
    i += 3;
  }
  const int rest = len > i ? len - i : 0;
  if (rest)
  {
    unsigned int v = (unsigned int)in[i] << 16;
    if (rest > 1) v |= (unsigned int)in[i + 1] << 8;
    *out++ = wdl_base64_alphabet[(v >> 18) & 63];
    *out++ = wdl_base64_alphabet[(v >> 12) & 63];
    *out++ = rest > 1 ? wdl_base64_alphabet[(v >> 6) & 63] : '=';
    *out++ = '=';
  }
  *out = 0;
}

// 6-bit value of one alphabet character, or -1 for anything else ("=", NUL,
// blanks, bytes of other alphabets). [any thread]
static inline int wdl_base64value(char c)
{
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Decodes the NUL-terminated text src into dest, which holds destsize bytes.
// Decoding stops at the first character outside the alphabet (the "=" fill or
// the end of the text); a trailing group of fewer than four characters yields
// the whole bytes it holds. Bytes beyond destsize are dropped. Bytes of dest
// past the decoded ones are left as they were. Returns the number of bytes
// written (0 for a null src or dest or destsize <= 0). [any thread]
static inline int wdl_base64decode(const char* src, unsigned char* dest, int destsize)
{
  if (!src || !dest || destsize <= 0) return 0;
  int written = 0;
  unsigned int acc = 0;
  int bits = 0;
  for (; written < destsize; ++src)
  {
    const int v = wdl_base64value(*src);
    if (v < 0) break;
    acc = ((acc << 6) | (unsigned int)v) & 0xFFFFFFu;
    bits += 6;
    if (bits >= 8)
    {
      bits -= 8;
      dest[written++] = (unsigned char)((acc >> bits) & 0xFF);
    }
  }
  return written;
}

#endif  // WDL_BASE64ENCDEC_H_
