// ByteChunk position rules and Base64 encoding, including hostile lengths.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "IPlug/Containers.h"
#include "base64encdec.h"
#include "state_test_plug.h"

namespace {

// A chunk holding a 4-byte length field followed by raw bytes.
void PutLength(ByteChunk* c, int len) { c->Put(&len); }

TEST(StateByteChunk, PutAppendsNativeLittleEndianValues)
{
  ByteChunk c;
  EXPECT_EQ(c.Size(), 0);
  EXPECT_EQ(c.GetBytes(), nullptr);
  const int i = 0x01020304;
  const double d = 1.0;
  EXPECT_EQ(c.Put(&i), 4);
  EXPECT_EQ(c.Put(&d), 12);
  EXPECT_EQ(c.PutBool(true), 13);
  EXPECT_EQ(c.PutBool(false), 14);
  const std::vector<unsigned char> want = {0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 1, 0};
  EXPECT_EQ(ChunkBytes(c), want);

  int iBack = 0;
  double dBack = 0;
  bool b1 = false, b2 = true;
  int pos = c.Get(&iBack, 0);
  pos = c.Get(&dBack, pos);
  pos = c.GetBool(&b1, pos);
  pos = c.GetBool(&b2, pos);
  EXPECT_EQ(pos, 14);
  EXPECT_EQ(iBack, i);
  EXPECT_EQ(dBack, d);
  EXPECT_TRUE(b1);
  EXPECT_FALSE(b2);
}

TEST(StateByteChunk, GetRefusesPositionsOutsideTheChunkAndKeepsTheValue)
{
  ByteChunk c;
  const int v = 7;
  c.Put(&v);
  c.PutBool(true);  // 5 bytes
  int out = 99;
  EXPECT_EQ(c.Get(&out, 2), -1);        // value would end past the chunk
  EXPECT_EQ(c.Get(&out, -1), -1);       // the failure position itself
  EXPECT_EQ(c.Get(&out, INT_MIN), -1);
  EXPECT_EQ(c.Get(&out, INT_MAX), -1);  // start + size must not wrap
  EXPECT_EQ(c.Get(&out, INT_MAX - 2), -1);
  EXPECT_EQ(c.Get(&out, 5), -1);
  EXPECT_EQ(out, 99);
  bool b = false;
  EXPECT_EQ(c.GetBool(&b, 5), -1);
  EXPECT_EQ(c.GetBool(&b, -1), -1);
  EXPECT_FALSE(b);
  EXPECT_EQ(c.GetBool(&b, 4), 5);
  EXPECT_TRUE(b);
  ByteChunk empty;
  EXPECT_EQ(empty.Get(&out, 0), -1);
  EXPECT_EQ(out, 99);
}

TEST(StateByteChunk, PutStrWritesLengthThenCharactersWithoutNul)
{
  ByteChunk c;
  EXPECT_EQ(c.PutStr("-"), 5);
  EXPECT_EQ(c.PutStr(""), 9);
  EXPECT_EQ(c.PutStr(nullptr), 13);
  const std::vector<unsigned char> want = {1, 0, 0, 0, '-', 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ChunkBytes(c), want);

  WDL_String s("old");
  EXPECT_EQ(c.GetStr(&s, 0), 5);
  EXPECT_STREQ(s.Get(), "-");
  // A zero length moves past the length field and leaves the string alone.
  EXPECT_EQ(c.GetStr(&s, 5), 9);
  EXPECT_STREQ(s.Get(), "-");
}

TEST(StateByteChunk, GetStrStopsAtAStoredZeroByte)
{
  ByteChunk c;
  PutLength(&c, 5);
  c.PutBytes("ab\0cd", 5);
  WDL_String s;
  EXPECT_EQ(c.GetStr(&s, 0), 9);
  EXPECT_STREQ(s.Get(), "ab");
}

// Each hostile length field: the position returned and that the string and
// the chunk are untouched.
TEST(StateByteChunk, GetStrHandlesBadLengthsWithoutReadingOutOfBounds)
{
  struct Case
  {
    int len;
    int want;
  };
  const int kHeader = 4, kBody = 3;
  const Case cases[] = {
      {-1, -1},                          // negative: refused
      {INT_MIN, -1},                     // most negative: refused
      {INT_MAX, -1},                     // the end position would pass INT_MAX
      {INT_MAX - 3, -1},                 // likewise, by one
      {INT_MAX - 4, INT_MAX},            // reachable end, far past the chunk: position only
      {kBody + 1, kHeader + kBody + 1},  // one past the end: position only
  };
  for (const Case& k : cases)
  {
    ByteChunk c;
    PutLength(&c, k.len);
    c.PutBytes("xyz", kBody);
    const std::vector<unsigned char> before = ChunkBytes(c);
    WDL_String s("kept");
    EXPECT_EQ(c.GetStr(&s, 0), k.want) << "length " << k.len;
    EXPECT_STREQ(s.Get(), "kept") << "length " << k.len;
    EXPECT_EQ(ChunkBytes(c), before);
    // Whatever came back, reading on from it fails cleanly.
    int next = 0;
    EXPECT_EQ(c.Get(&next, c.GetStr(&s, 0)), -1) << "length " << k.len;
  }
  // A length field that is itself cut short, and the failure position.
  ByteChunk shortChunk;
  shortChunk.PutBytes("\x01\x00", 2);
  WDL_String s("kept");
  EXPECT_EQ(shortChunk.GetStr(&s, 0), -1);
  EXPECT_EQ(shortChunk.GetStr(&s, -1), -1);
  EXPECT_STREQ(s.Get(), "kept");
}

TEST(StateByteChunk, PutChunkResizeClearAndSelfAppend)
{
  ByteChunk a, b;
  a.PutBytes("ab", 2);
  b.PutBytes("cd", 2);
  EXPECT_EQ(a.PutChunk(&b), 4);
  EXPECT_EQ(a.PutChunk(nullptr), 4);
  EXPECT_EQ(a.PutChunk(&a), 8);  // appending itself copies before growing
  EXPECT_EQ(memcmp(a.GetBytes(), "abcdabcd", 8), 0);

  EXPECT_EQ(a.Resize(12), 12);
  EXPECT_EQ(memcmp(a.GetBytes() + 8, "\0\0\0\0", 4), 0);
  EXPECT_EQ(a.Resize(-5), 12);  // refused
  EXPECT_EQ(a.Resize(3), 3);
  EXPECT_EQ(a.Resize(6), 6);  // regrown bytes are zero again
  EXPECT_EQ(memcmp(a.GetBytes(), "abc\0\0\0", 6), 0);
  EXPECT_EQ(a.PutBytes("zz", 0), 6);
  EXPECT_EQ(a.PutBytes("zz", -3), 6);
  EXPECT_EQ(a.PutBytes(nullptr, 2), 6);

  ByteChunk same;
  same.PutBytes("abc\0\0\0", 6);
  EXPECT_TRUE(a.IsEqual(&same));
  same.Resize(5);
  EXPECT_FALSE(a.IsEqual(&same));
  a.Clear();
  EXPECT_EQ(a.Size(), 0);
  EXPECT_EQ(a.GetBytes(), nullptr);
}

TEST(StateByteChunk, PresetSlotStartsEmptyAndCutsLongNames)
{
  IPreset p;
  EXPECT_FALSE(p.mInitialized);
  EXPECT_STREQ(p.mName, "empty");
  EXPECT_EQ(p.mChunk.Size(), 0);
  const std::string longName(400, 'n');
  p.SetName(longName.c_str());
  EXPECT_EQ(strlen(p.mName), 255u);
  p.SetName(nullptr);
  EXPECT_STREQ(p.mName, "");
}

std::string Encode(const std::vector<unsigned char>& in)
{
  std::string out(wdl_base64encodedlen((int)in.size()) + 1, '?');
  wdl_base64encode(in.data(), &out[0], (int)in.size());
  EXPECT_EQ(out[out.size() - 1], '\0');
  out.resize(out.size() - 1);
  return out;
}

TEST(StateBase64, EncodesWithFillCharacters)
{
  EXPECT_EQ(Encode({}), "");
  EXPECT_EQ(Encode({1, 2, 3}), "AQID");
  EXPECT_EQ(Encode({1, 2, 3, 4}), "AQIDBA==");
  EXPECT_EQ(Encode({1, 2, 3, 4, 5}), "AQIDBAU=");
  EXPECT_EQ(Encode({0xFB, 0xFF, 0xBF}), "+/+/");
  EXPECT_EQ(wdl_base64encodedlen(-1), 0u);
  EXPECT_EQ(wdl_base64encodedlen(INT_MAX), ((size_t)INT_MAX + 2) / 3 * 4);
}

TEST(StateBase64, DecodesUntilTheFirstCharacterOutsideTheAlphabet)
{
  unsigned char out[8];
  memset(out, 0xEE, sizeof out);
  EXPECT_EQ(wdl_base64decode("AQIDBA==", out, 8), 4);
  const unsigned char want[] = {1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(memcmp(out, want, 8), 0);

  memset(out, 0xEE, sizeof out);
  EXPECT_EQ(wdl_base64decode("AQ ID", out, 8), 1);  // stops at the blank
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 0xEE);

  memset(out, 0xEE, sizeof out);
  EXPECT_EQ(wdl_base64decode("AQIDBAUG", out, 2), 2);  // extra bytes dropped
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[2], 0xEE);

  EXPECT_EQ(wdl_base64decode("+/+/", out, 8), 3);
  EXPECT_EQ(out[0], 0xFB);
  EXPECT_EQ(out[2], 0xBF);

  EXPECT_EQ(wdl_base64decode(nullptr, out, 8), 0);
  EXPECT_EQ(wdl_base64decode("AQID", nullptr, 8), 0);
  EXPECT_EQ(wdl_base64decode("AQID", out, -4), 0);
  EXPECT_EQ(wdl_base64decode("\xC3\xA9", out, 8), 0);
}

TEST(StateBase64, RoundTripsEveryLengthAndByteValue)
{
  std::vector<unsigned char> in;
  for (int n = 0; n < 300; ++n)
  {
    const std::string text = Encode(in);
    EXPECT_EQ(text.size() % 4, 0u);
    std::vector<unsigned char> back(in.size() + 4, 0xEE);
    ASSERT_EQ(wdl_base64decode(text.c_str(), back.data(), (int)back.size()), n);
    EXPECT_TRUE(std::equal(in.begin(), in.end(), back.begin())) << n;
    in.push_back((unsigned char)(n * 37 + 11));
  }
}

}  // namespace
