#include <gtest/gtest.h>

#include "system/PowerUtils.h"

namespace {

#ifdef _WIN32
// Only the privilege switch is tried for real: a shutdown or suspend would
// end the test run.
TEST(PowerUtils, OnlyAKnownPrivilegeCanBeSwitched) {
  EXPECT_TRUE(sys::SetProcessPrivilege(L"SeShutdownPrivilege", true));
  EXPECT_TRUE(sys::SetProcessPrivilege(L"SeShutdownPrivilege", false));
  EXPECT_FALSE(sys::SetProcessPrivilege(L"SeNoSuchPrivilege", true));
}
#endif

}  // namespace
