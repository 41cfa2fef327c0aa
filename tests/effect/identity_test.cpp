// The plug-in's identity as the host sees it. Cinderpath.h comes first here,
// so this file also checks that the header compiles on its own.
#include "Cinderpath.h"

#include <gtest/gtest.h>

#include "effect_test_util.h"

using namespace effect_test;

namespace
{

TEST(EffectIdentity, NamesCodesVersionLatencyAndChannels)
{
  static_assert(CinderpathFourCC("Cdpm") == 0x4364706D, "first character in the top byte");
  TestPlug p;
  EXPECT_STREQ(p.GetEffectName(), "Cinderpath");
  EXPECT_STREQ(p.GetProductName(), "");
  EXPECT_STREQ(p.GetMfrName(), "Marrowfield");
  EXPECT_EQ(p.GetUniqueID(), CinderpathFourCC("Cdpm"));
  EXPECT_EQ(p.GetMfrID(), CinderpathFourCC("Mrwf"));
  EXPECT_EQ(p.GetEffectVersion(false), 66050);
  EXPECT_EQ(p.GetLatency(), 4);
  EXPECT_FALSE(p.DoesStateChunks());
  EXPECT_FALSE(p.IsInst());
  EXPECT_EQ(p.GetAPI(), kAPIAU);
  EXPECT_TRUE(p.LegalIO(1, 1));
  EXPECT_TRUE(p.LegalIO(2, 2));
  EXPECT_FALSE(p.LegalIO(1, 2));
  EXPECT_FALSE(p.LegalIO(2, 1));
  EXPECT_EQ(p.NInChannels(), 2);
  EXPECT_EQ(p.NOutChannels(), 2);
}

}  // namespace
