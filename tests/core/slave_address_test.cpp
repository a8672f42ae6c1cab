// The slave-address combo of the feature dialogs, read-all and the slave
// address dialog, on both interfaces.
#include <gtest/gtest.h>

#include "core/dialogs/slave_address.h"
#include "core/link/framing.h"

namespace zanteq {
namespace {

TEST(SlaveAddressCombo, EntriesSelectionAndEnablingByUseAndInterface) {
  LinkState link;
  link.slave_address = 5;

  link.rs_control = 1;
  SlaveAddressCombo feature = slave_address_combo(link, SlaveAddressUse::feature_dialog);
  ASSERT_EQ(feature.entries.size(), 33u);
  EXPECT_EQ(feature.entries[0], "00");
  EXPECT_EQ(feature.entries[9], "09");
  EXPECT_EQ(feature.entries[31], "31");
  EXPECT_EQ(feature.entries[32], "Bloadcast");
  EXPECT_EQ(feature.selection, 5);
  EXPECT_TRUE(feature.enabled);

  const SlaveAddressCombo read_all = slave_address_combo(link, SlaveAddressUse::read_all);
  ASSERT_EQ(read_all.entries.size(), 32u);
  EXPECT_EQ(read_all.entries[31], "31");
  EXPECT_EQ(read_all.selection, 5);
  EXPECT_TRUE(read_all.enabled);

  // On RS-232C no address goes on the wire: disabled and empty, except in
  // the slave address dialog, where it is chosen ahead of the switch.
  link.rs_control = 0;
  feature = slave_address_combo(link, SlaveAddressUse::feature_dialog);
  EXPECT_EQ(feature.entries.size(), 33u);
  EXPECT_EQ(feature.selection, -1);
  EXPECT_FALSE(feature.enabled);
  EXPECT_FALSE(slave_address_combo(link, SlaveAddressUse::read_all).enabled);
  const SlaveAddressCombo own = slave_address_combo(link, SlaveAddressUse::address_dialog);
  EXPECT_EQ(own.entries.size(), 33u);
  EXPECT_EQ(own.selection, 5);
  EXPECT_TRUE(own.enabled);
}

TEST(SlaveAddressCombo, BroadcastAndBadAddressesSelectOnlyWhatIsThere) {
  LinkState link;
  link.rs_control = 1;
  link.slave_address = broadcast_address;
  EXPECT_EQ(slave_address_combo(link, SlaveAddressUse::feature_dialog).selection, 32);
  EXPECT_EQ(slave_address_combo(link, SlaveAddressUse::address_dialog).selection, 32);
  // Read-all offers no broadcast: nothing selected, the combo still usable.
  EXPECT_EQ(slave_address_combo(link, SlaveAddressUse::read_all).selection, -1);
  EXPECT_TRUE(slave_address_combo(link, SlaveAddressUse::read_all).enabled);

  for (int bad : {-1, 33, 99}) {
    link.slave_address = bad;
    EXPECT_EQ(slave_address_combo(link, SlaveAddressUse::feature_dialog).selection, -1) << bad;
    EXPECT_EQ(slave_address_combo(link, SlaveAddressUse::address_dialog).selection, -1) << bad;
  }
}

}  // namespace
}  // namespace zanteq
