// Length caps on names, labels, display texts and preset names never split a
// UTF-8 character.
#include <gtest/gtest.h>

#include <string>

#include "IParam.h"
#include "state_test_plug.h"

namespace {

std::string Repeat(const std::string& s, int n)
{
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

const std::string kE2 = "\xC3\xA9";              // two bytes
const std::string kEuro = "\xE2\x82\xAC";         // three bytes
const std::string kSmile = "\xF0\x9F\x98\x80";   // four bytes

TEST(TextCaps, CutsFallOnCharacterBoundaries)
{
  struct Case
  {
    std::string text;
    int outSize;
    std::string want;
  };
  const std::string a30(30, 'a');
  const Case cases[] = {
      {"short", 32, "short"},
      {a30 + kE2, 32, a30},                           // 32 bytes, the last character dropped
      {std::string(29, 'a') + kE2, 32, std::string(29, 'a') + kE2},  // 31 bytes fit
      {std::string(29, 'a') + kEuro, 32, std::string(29, 'a')},
      {std::string(28, 'a') + kEuro + "b", 32, std::string(28, 'a') + kEuro},
      {std::string(28, 'a') + kSmile, 32, std::string(28, 'a')},
      {std::string(27, 'a') + kSmile + "b", 32, std::string(27, 'a') + kSmile},
      {Repeat(kEuro, 20), 32, Repeat(kEuro, 10)},
      // Bytes that are no UTF-8 are cut at the limit.
      {std::string(40, '\x80'), 32, std::string(31, '\x80')},
      {std::string(40, '\xE9'), 32, std::string(31, '\xE9')},
      {kE2, 2, ""},
      {kE2, 1, ""},
  };
  for (const Case& c : cases)
  {
    char out[64];
    memset(out, 'x', sizeof out);
    CopyUTF8Prefix(c.text.c_str(), out, c.outSize);
    EXPECT_EQ(std::string(out), c.want) << c.text.size() << " bytes into " << c.outSize;
    EXPECT_EQ(out[c.outSize], 'x');  // nothing written past the room given
  }
  char untouched = 'x';
  CopyUTF8Prefix("abc", &untouched, 0);
  EXPECT_EQ(untouched, 'x');
}

TEST(TextCaps, EveryFieldUsesTheCut)
{
  const std::string longName = std::string(30, 'n') + kE2;
  IParam p;
  p.InitDouble(longName.c_str(), 0.0, 0.0, 1.0, 0.1, longName.c_str(), longName.c_str());
  p.SetDisplayText(0, longName.c_str());
  EXPECT_EQ(std::string(p.GetNameForHost()), std::string(30, 'n'));
  EXPECT_EQ(std::string(p.GetParamGroupForHost()), std::string(30, 'n'));
  EXPECT_EQ(std::string(p.GetDisplayText(0)), std::string(30, 'n'));

  IPreset preset;
  preset.SetName((std::string(254, 'p') + kE2).c_str());
  EXPECT_EQ(std::string(preset.mName), std::string(254, 'p'));

  // A stored preset list's overlong name is cut the same way.
  StateTestPlug plug(1, 1);
  plug.GetParam(0)->InitDouble("A", 0.5, 0.0, 1.0, 0.01);
  const std::string stored = Repeat(kE2, 200);
  ByteChunk list;
  list.PutStr(stored.c_str());
  list.PutBool(true);
  PutDouble(&list, 0.25);
  ASSERT_EQ(plug.UnserializePresets(&list, 0), list.Size());
  EXPECT_EQ(std::string(plug.GetPresetName(0)), Repeat(kE2, 127));
}

}  // namespace
