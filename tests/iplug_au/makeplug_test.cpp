// MakePlug's process-wide lock: instances opened from several threads at
// once are constructed one after the other.

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "au_test_plug.h"

TEST(MakePlugTest, OpensFromManyThreadsAreSerialised)
{
  const int kThreads = 4;
  AuTestPlugComponent();  // register before the race
  AuTestPlug::s_maxConstructing = 0;
  AuTestPlug::s_constructDelayMs = 25;

  std::vector<AudioUnit> units(kThreads, nullptr);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
  {
    threads.emplace_back([&units, i] { units[i] = OpenAuTestUnit(); });
  }
  for (std::thread& t : threads) t.join();
  AuTestPlug::s_constructDelayMs = 0;

  EXPECT_EQ(AuTestPlug::s_maxConstructing.load(), 1);
  std::set<AuTestPlug*> plugs;
  for (AudioUnit unit : units)
  {
    ASSERT_NE(unit, nullptr);
    AuTestPlug* pPlug = AuTestPlugOf(unit);
    EXPECT_EQ(pPlug->Instance(), unit);
    plugs.insert(pPlug);
  }
  EXPECT_EQ(plugs.size(), (size_t) kThreads);
  for (AudioUnit unit : units) EXPECT_EQ(CloseComponent(unit), noErr);
}

TEST(MakePlugTest, BuildsThePlugInWithItsIdentity)
{
  IPlugAU* pPlug = MakePlug();
  ASSERT_NE(pPlug, nullptr);
  AuTestPlug* pTest = static_cast<AuTestPlug*>(pPlug);
  EXPECT_STREQ(pTest->BundleIdentifier(), "org.example.test.AuTestPlug");
  EXPECT_STREQ(pTest->ViewClassName(), "AuTestPlug_View");
  EXPECT_EQ(pTest->Instance(), nullptr);  // not opened by a host
  delete pPlug;
}
