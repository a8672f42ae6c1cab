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

TEST(AddressList, NamesTheUnitsACommandGoesTo) {
  const std::vector<int> list = {7, 0, 31};
  const std::vector<UnitTarget> each = unit_targets(&list, false);
  ASSERT_EQ(each.size(), 3u);
  for (std::size_t i = 0; i < each.size(); ++i) {
    EXPECT_EQ(each[i].rs_control, 1);
    EXPECT_EQ(each[i].address, list[i]);
    EXPECT_FALSE(each[i].broadcast());
  }
  EXPECT_EQ(each[0].name(), "07");
  EXPECT_EQ(each[2].name(), "31");
  EXPECT_EQ(transfer_target(each[0]).rs_control, 1);
  EXPECT_EQ(transfer_target(each[0]).address, 7);

  const std::vector<UnitTarget> all = unit_targets(&list, true);
  ASSERT_EQ(all.size(), 1u) << "one send reaches every unit";
  EXPECT_TRUE(all[0].broadcast());
  EXPECT_EQ(all[0].name(), "FF");
  EXPECT_TRUE(transfer_target(all[0]).broadcast()) << "the engine runs it on the timer";

  const std::vector<UnitTarget> line = unit_targets(nullptr, false);
  ASSERT_EQ(line.size(), 1u);
  EXPECT_EQ(line[0].rs_control, 0);
  EXPECT_FALSE(line[0].broadcast());
  EXPECT_EQ(line[0].name(), "RS-232C");
  EXPECT_EQ(transfer_target(line[0]).rs_control, 0);

  const std::vector<int> every = every_address();
  ASSERT_EQ(every.size(), 32u);
  EXPECT_EQ(every.front(), 0);
  EXPECT_EQ(every.back(), 31);
}

}  // namespace
}  // namespace zanteq
