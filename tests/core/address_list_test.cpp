// Slave address lists as installers write them on a command line.
#include <gtest/gtest.h>

#include "core/link/address_list.h"

namespace zanteq {
namespace {

TEST(AddressList, TakesNumbersRangesAndAllInTheOrderGivenEachOnce) {
  std::vector<int> a;
  ASSERT_TRUE(parse_address_list("12,0-3,05,2", a));
  EXPECT_EQ(a, (std::vector<int>{12, 0, 1, 2, 3, 5}));
  ASSERT_TRUE(parse_address_list("all", a));
  ASSERT_EQ(a.size(), 32u);
  EXPECT_EQ(a.front(), 0);
  EXPECT_EQ(a.back(), 31);
  ASSERT_TRUE(parse_address_list("31", a));
  EXPECT_EQ(a, std::vector<int>{31});

  for (const char* bad : {"", "32", "3-1", "1,,2", "003", "-1", "1-", "a", "0-32", "1 ,2", "ALL", "FF"}) {
    a = {7};
    EXPECT_FALSE(parse_address_list(bad, a)) << bad;
    EXPECT_TRUE(a.empty()) << bad;
  }
}

}  // namespace
}  // namespace zanteq
