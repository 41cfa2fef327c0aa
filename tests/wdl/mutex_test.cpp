#include "mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

TEST(Mutex, OwnerReentersWithoutBlocking)
{
  WDL_Mutex m;
  m.Enter();
  m.Enter();
  EXPECT_EQ(m.m_lockcnt, 1);
  m.Leave();
  EXPECT_EQ(m.m_ownerthread.load(), pthread_self());
  m.Leave();
  EXPECT_EQ(m.m_ownerthread.load(), (pthread_t)0);
}

TEST(Mutex, SecondThreadBlocksUntilOwnerLeavesCompletely)
{
  WDL_Mutex m;
  std::atomic<bool> entered{false};
  m.Enter();
  m.Enter();  // recursive: two leaves needed
  std::thread other([&] {
    WDL_MutexLock lock(&m);
    entered = true;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(entered.load());
  m.Leave();
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(entered.load());  // still held once
  m.Leave();
  other.join();
  EXPECT_TRUE(entered.load());
}

TEST(Mutex, CountsStayConsistentUnderContention)
{
  WDL_Mutex m;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i)
    {
      WDL_MutexLock outer(&m);
      WDL_MutexLock inner(&m);
      ++counter;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 40000);
}

TEST(Mutex, NullGuardSkips)
{
  WDL_MutexLock lock(nullptr);
  SUCCEED();
}

TEST(Mutex, TryEnterNeverBlocksAndReentersForTheOwner)
{
  WDL_Mutex m;
  ASSERT_TRUE(m.TryEnter());
  EXPECT_TRUE(m.TryEnter()) << "the owner re-enters";
  bool otherGotIt = true;
  std::thread([&] { otherGotIt = m.TryEnter(); }).join();
  EXPECT_FALSE(otherGotIt) << "another thread is refused while the owner holds it";
  m.Leave();
  std::thread([&] { otherGotIt = m.TryEnter(); }).join();
  EXPECT_FALSE(otherGotIt) << "one Leave of two entries keeps it held";
  m.Leave();
  std::thread([&] {
    otherGotIt = m.TryEnter();
    if (otherGotIt) m.Leave();
  }).join();
  EXPECT_TRUE(otherGotIt) << "free after the last Leave";
}
