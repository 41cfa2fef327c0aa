// Host identification, versions, time stamps and text helpers.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "Hosts.h"
#include "Log.h"

TEST(Hosts, LookUpByNameInTableOrder)
{
  EXPECT_EQ(LookUpHost("Ableton Live 8"), kHostAbletonLive);
  EXPECT_EQ(LookUpHost("Logic Pro"), kHostLogic);
  EXPECT_EQ(LookUpHost("PreSonus Studio One"), kHostStudioOne);
  EXPECT_EQ(LookUpHost("Cakewalk SONAR"), kHostSonar);
  EXPECT_EQ(LookUpHost("Digital Performer"), kHostDigitalPerformer);
  EXPECT_EQ(LookUpHost("Live and Logic"), kHostAbletonLive);  // earlier entry wins
  EXPECT_EQ(LookUpHost("Cubase Live"), kHostCubase);
  EXPECT_EQ(LookUpHost("AU Lab"), kHostUnknown);  // "aulab" needs no space
  EXPECT_EQ(LookUpHost("AULab"), kHostAULab);
  EXPECT_EQ(LookUpHost(""), kHostUnknown);
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
}

TEST(Hosts, LongNamesUseOnlyTheFirst255Bytes)
{
  std::string name(300, 'x');
  name.replace(250, 5, "REAPE");  // cut at 255: "reape" only
  EXPECT_EQ(LookUpHost(name.c_str()), kHostUnknown);
  std::string early(300, 'y');
  early.replace(100, 6, "Reaper");
  EXPECT_EQ(LookUpHost(early.c_str()), kHostReaper);
  std::string late(1000, 'z');
  late += "reaper";
  EXPECT_EQ(LookUpHost(late.c_str()), kHostUnknown);
}

TEST(Hosts, NameTexts)
{
  char str[kMaxHostNameLen];
  GetHostNameStr(kHostMelodyneStudio, str);
  EXPECT_STREQ(str, "Unknown");
  GetHostNameStr(kHostVegas, str);
  EXPECT_STREQ(str, "Vegas");
  GetHostNameStr(kHostVST3TestHost, str);  // the longest text fits
  EXPECT_STREQ(str, "VST3PluginTestHost");
  GetHostNameStr(kHostUninit, str);
  EXPECT_STREQ(str, "Unknown");
  GetHostNameStr((EHost)19, str);
  EXPECT_STREQ(str, "Unknown");
  GetHostNameStr(kHostFL, str);
  EXPECT_STREQ(str, "FLStudio");
}

TEST(Versions, PartsDecimalAndText)
{
  EXPECT_EQ(GetDecimalVersion(0x00010202), 10202);
  char str[kMaxVersionStrLen];
  GetVersionStr(0x00010202, str);
  EXPECT_STREQ(str, "v1.2.2");
  GetVersionStr((10 << 16) | (11 << 8) | 12, str);
  EXPECT_STREQ(str, "v10.11.12");
  GetVersionStr(-1, str);  // the major part is an unsigned shift
  EXPECT_STREQ(str, "v65535.255.255");
  int v = 0, maj = 0, min = 0;
  GetVersionParts(0x00030405, &v, &maj, &min);
  EXPECT_EQ(v, 3);
  EXPECT_EQ(maj, 4);
  EXPECT_EQ(min, 5);
}

TEST(Log, CompileTimestamps)
{
  WDL_String s;
  CompileTimestamp("Feb  9 2013", "14:05:33", &s);
  EXPECT_STREQ(s.Get(), "[Feb 9 14:05]");
  CompileTimestamp("Feb 19 2013", "09:30:00", &s);
  EXPECT_STREQ(s.Get(), "[Feb19 09:30]");
  CompileTimestamp("", nullptr, &s);  // short input never reads or cuts out of range
  EXPECT_STREQ(s.Get(), "[ ]");
  EXPECT_STREQ(AppendTimestamp("Feb  9 2013", "14:05:33", "Build"), "Build [Feb 9 14:05]");
}

TEST(Log, CurrentTimeFormat)
{
  const std::string t = CurrentTime();
  // "YYYYMMDD HH:MM +HHMM"
  ASSERT_EQ(t.size(), 20u) << t;
  for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 12, 13, 16, 17, 18, 19}) EXPECT_TRUE(isdigit((unsigned char)t[(size_t)i])) << t;
  EXPECT_EQ(t[8], ' ');
  EXPECT_EQ(t[11], ':');
  EXPECT_EQ(t[14], ' ');
  EXPECT_TRUE(t[15] == '+' || t[15] == '-');
}

TEST(Log, TextHelpersAndTrace)
{
  char dst[16];
  ToLower(dst, "AbC-9\xC9");
  EXPECT_STREQ(dst, "abc-9\xC9");
  EXPECT_TRUE(IsWhitespace(' '));
  EXPECT_TRUE(IsWhitespace('\t'));
  EXPECT_TRUE(IsWhitespace('\n'));
  EXPECT_TRUE(IsWhitespace('\r'));
  EXPECT_FALSE(IsWhitespace('\v'));
  EXPECT_FALSE(IsWhitespace('a'));
  EXPECT_STREQ(AUSelectStr(3), "");
  EXPECT_STREQ(VSTOpcodeStr(3), "");
  Trace("f", 1, "%d:%f:%s", 1, 2.0, "x");  // writes nothing
  TRACE_HERE("%s", "here");

  Timer timer;
  EXPECT_FALSE(timer.Every(1000.0));
  EXPECT_TRUE(timer.Every(-1.0));
}
