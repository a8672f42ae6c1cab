// The unit's answers to set and read commands, and its refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/unit_commands.h"
#include "sim/unit_state.h"

namespace zanteq::sim {
namespace {

std::string ask(UnitState& s, const std::string& command, std::int64_t now_ms = 0) {
  return handle_command(s, command + "\r\n", now_ms);
}

// Every set command of the unit, set to a value other than the factory one,
// and the read that must report it.
struct SetAndRead {
  const char* set;
  const char* read;
  const char* answer;
};

const SetAndRead set_and_read[] = {
    {"AME", "RAM", "AME"},
    {"ADT120", "RADT", "ADT120"},
    {"ADT003", "RADT", "ADT003"},
    {"APB", "RAP", "APB"},
    {"ADOF", "RAD", "ADOF"},
    {"AROF", "RAR", "AROF"},
    {"VL03OF", "RVL", "VLNNFN"},
    {"VLNFFN", "RVL", "VLNFFN"},
    {"VLBCB", "RVLBC", "VLBCB"},
    {"VLSOON", "RVLSO", "VLSOON"},
    {"VLDOF", "RVLD", "VLDOF"},
    {"TSDOF", "RTSD", "TSDOF"},
    {"TSDR8", "RTSDR", "TSDR8"},
    {"CTDSOF", "RCTDS", "CTDSOF"},
    {"CTDDOF", "RCTDD", "CTDDOF"},
    {"CASTM0102039900", "RCASTM", "CASTM0102039900"},
    {"DSS4", "RDSS", "DSS4"},
    {"BLO", "RBL", "BLO"},
    {"BLW", "RBL", "BLW"},
    {"CIR", "RCI", "CIR"},
    {"POSS03", "RPOS", "POSS03"},
    {"POSCAS", "RPOS", "POSCAS"},
    {"CTFSDL", "RCTFSD", "CTFSDL"},
    {"CTFSSS", "RCTFSS", "CTFSSS"},
    {"OOH15", "ROOH", "OOH15"},
    {"OOV00", "ROOV", "OOV00"},
    {"VF034", "RVF", "VF1141"},
    {"VF7377", "RVF", "VF7377"},
    {"SPD20401", "RSPD2", "SPD20401"},
    {"SPD2N0302", "RSPD2", "SPD20302"},
    {"NARF", "RNAR", "NARF"},
    {"AGC02OF", "RAGC", "AGCNFNN"},
    {"AGCFNNF", "RAGC", "AGCFNNF"},
    {"VAB02127", "RVAB02", "VAB02127"},
    {"VAC04000", "RVAC04", "VAC04000"},
    {"VAH03255", "RVAH03", "VAH03255"},
    {"VASH0131", "RVASH01", "VASH0131"},
    {"VASA02127", "RVASA02", "VASA02127"},
    {"CJ02" "2422242424262428242A" "21212121212121212121", "RCJ02", "CJ02" "2422242424262428242A" "21212121212121212121"},
    {"CJN04" "7C71303021212121212121212121212121212121", "RCJ04", "CJ04" "7C71303021212121212121212121212121212121"},
};

TEST(UnitCommands, EverySetIsAcceptedAndReadBackInTheFormOfTheSetCommand) {
  for (const SetAndRead& c : set_and_read) {
    UnitState s = factory_state();
    EXPECT_EQ(ask(s, c.set), "GO\r\n") << c.set;
    EXPECT_EQ(ask(s, c.read), std::string(c.answer) + "\r\n") << c.set;
  }
}

TEST(UnitCommands, FactoryUnitAnswersEveryReadOfTheReadAll) {
  UnitState s = factory_state();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"RCJ01", "CJ01" "212121212121" "2343234823302331" "212121212121"},
      {"RCJ04", "CJ04" "212121212121" "2343234823302334" "212121212121"},
      {"RVAB01", "VAB01000"},  {"RVAC02", "VAC02064"},  {"RVAH03", "VAH03000"},
      {"RVASH04", "VASH0400"}, {"RVASA01", "VASA01080"}, {"RAD", "ADON"},
      {"RADT", "ADT030"},      {"RAM", "AMI"},          {"RAP", "APM"},
      {"RAR", "ARON"},         {"RVL", "VLNNNN"},       {"RVLBC", "VLBCN"},
      {"RVLSO", "VLSOOF"},     {"RVLD", "VLDON"},       {"RTSD", "TSDON"},
      {"RTSDR", "TSDR1"},      {"RCTDS", "CTDSON"},     {"RCTDD", "CTDDON"},
      {"RCASTM", "CASTM0303030303"}, {"RDSS", "DSS2"},  {"RBL", "BLB"},
      {"RCI", "CIA"},          {"RPOS", "POSD"},        {"RCTFSD", "CTFSDS"},
      {"RCTFSS", "CTFSSL"},    {"ROOH", "OOH08"},       {"ROOV", "OOV08"},
      {"RVF", "VF1111"},       {"RSPD2", "SPD20102"},   {"RNAR", "NAR4"},
      {"RAGC", "AGCNNNN"},     {"RVN", "VN1.00"},
  };
  for (const auto& [read, answer] : expected) EXPECT_EQ(ask(s, read), answer + "\r\n") << read;
}

TEST(UnitCommands, BrightnessTravelsInItsWireForm) {
  UnitState s = factory_state();
  EXPECT_EQ(ask(s, "VAB01064"), "GO\r\n");  // -64 on the program's scale
  EXPECT_EQ(s.brightness[0], 64);
  EXPECT_EQ(ask(s, "RVAB01"), "VAB01064\r\n");
  EXPECT_EQ(ask(s, "RVAB02"), "VAB02000\r\n");  // untouched channel: neutral
}

TEST(UnitCommands, ScreenAndButtonLockAndTitlePositionsAreKept) {
  UnitState s = factory_state();
  EXPECT_EQ(s.screen, screen_split);  // comes up on its power-on screen
  EXPECT_EQ(ask(s, "CS03"), "GO\r\n");
  EXPECT_EQ(s.screen, 2);
  EXPECT_EQ(ask(s, "CCAS"), "GO\r\n");
  EXPECT_EQ(s.screen, screen_auto_switch);
  EXPECT_EQ(ask(s, "CD"), "GO\r\n");
  EXPECT_EQ(s.screen, screen_split);

  EXPECT_EQ(ask(s, "LON"), "GO\r\n");
  EXPECT_TRUE(s.button_lock);
  EXPECT_EQ(ask(s, "LOF"), "GO\r\n");
  EXPECT_FALSE(s.button_lock);

  EXPECT_EQ(ask(s, "CTPX0222"), "GO\r\n");
  EXPECT_EQ(ask(s, "CTPY0400"), "GO\r\n");
  EXPECT_EQ((std::array<int, 4>{11, 22, 11, 11}), s.title_pos_x);
  EXPECT_EQ((std::array<int, 4>{13, 13, 13, 0}), s.title_pos_y);
  EXPECT_EQ(ask(s, "CTPX00010203"), "GO\r\n");
  EXPECT_EQ(ask(s, "CTPY13121110"), "GO\r\n");
  EXPECT_EQ((std::array<int, 4>{0, 1, 2, 3}), s.title_pos_x);
  EXPECT_EQ((std::array<int, 4>{13, 12, 11, 10}), s.title_pos_y);
}

TEST(UnitCommands, DontMemoryFormsAreShownButForgottenAtRestart) {
  UnitState s = factory_state();
  const std::string title = "2422242424262428242A" "21212121212121212121";
  EXPECT_EQ(ask(s, "CJN01" + title), "GO\r\n");
  EXPECT_EQ(ask(s, "SPD2N0403"), "GO\r\n");
  EXPECT_EQ(ask(s, "POSS02"), "GO\r\n");
  EXPECT_EQ(ask(s, "CS04"), "GO\r\n");
  EXPECT_EQ(ask(s, "RCJ01"), "CJ01" + title + "\r\n");
  EXPECT_EQ(ask(s, "RSPD2"), "SPD20403\r\n");

  restart_unit(s);
  EXPECT_EQ(ask(s, "RCJ01"), "CJ01" "212121212121" "2343234823302331" "212121212121" "\r\n");
  EXPECT_EQ(ask(s, "RSPD2"), "SPD20102\r\n");
  EXPECT_EQ(s.screen, 1);  // the power-on screen, ch.02
}

// Lines the unit must refuse with E3, leaving its state as it was.
const char* const refused[] = {
    "",            "GO",           "XYZ",          "vab01100",       "VAB05100",
    "VAB00100",    "VAB01128",     "VAB0110",      "VAB011000",      "VAB01 10",
    "VAB0A100",    "VAC01128",     "VAH01256",     "VASH0132",       "VASH013",
    "VASA01128",   "AMX",          "AM",           "AMII",           "ADT002",
    "ADT1000",     "ADT12",        "ADT12a",       "APX",            "ADON ",
    "ADOX",        "AROX",         "VL05ON",       "VL00ON",         "VL01OX",
    "VLNNNX",      "VLNNN",        "VLBCX",        "VLSOOX",         "VLDOX",
    "DSY1",        "DSM00",        "DSM13",        "DSD00",          "DSD32",
    "TSH24",       "TSM60",        "TSS60",        "TDS991231245959", "TDS99123123595",
    "TDS991301235959", "TSA1",     "TSDR0",        "TSDR9",          "TSDOX",
    "CASTM030303030",  "CASTM03030303030", "CASTM03030303A3", "AGC05ON", "AGC01",
    "AGCNNNX",     "AGCNNN",       "CIX",          "POSS05",         "POSS00",
    "POSS1",       "POSDX",        "POSCA",        "BLX",            "BL",
    "OOH16",       "OOV99",        "OOH1",         "CTFSSX",         "CTFSDM",
    "LOX",         "LO",           "NAR3",         "NARFF",          "CTDSOX",
    "CTDDO",       "CTPX0523",     "CTPX0123",     "CTPX0023",       "CTPY0114",
    "CTPX01020323", "CTPY01020314", "CTPX010203",  "CS05",           "CS00",
    "CS1",         "CDX",          "CCA",          "DSS3",           "DSS",
    "SPD20105",    "SPD20001",     "SPD2010",      "SPD2N0501",      "SPD2N010",
    "VF051",       "VF018",        "VF010",        "VF1118",         "VF0111",
    "VF111",       "RVAB05",       "RVAB1",        "RVAB011",        "RCJ00",
    "RCJ5",        "RXYZ",         "RVNX",         "R",              "05GO",
    "CJ05" "2121212121212121212121212121212121212121",
    "CJ01" "212121212121212121212121212121212121212",    // 39 digits
    "CJ01" "21212121212121212121212121212121212121212",  // 41 digits
    "CJ01" "2121212121212121212121212121212121212a21",   // lower case
    "CJ01" "2021212121212121212121212121212121212121",   // byte below the rows
    "CJ01" "21212121212121212121212121212121212121FF",   // byte above them
    "CJ01" "0000" "212121212121212121212121212121212121",  // code 0000
    "CJN01" "212121212121212121212121212121212121212",
};

TEST(UnitCommands, RefusesMalformedAndOutOfRangeLinesWithoutChangingAnything) {
  for (const char* line : refused) {
    UnitState s = factory_state();
    const std::vector<std::string> before = state_commands(s, 0);
    EXPECT_EQ(ask(s, line), "E3\r\n") << '"' << line << '"';
    EXPECT_EQ(state_commands(s, 0), before) << '"' << line << '"';
  }
}

TEST(UnitCommands, NeedsCarriageReturnAndLineFeedAtTheEndAndNowhereElse) {
  UnitState s = factory_state();
  EXPECT_EQ(handle_command(s, "AME\n", 0), "E3\r\n");
  EXPECT_EQ(handle_command(s, "AME\r", 0), "E3\r\n");
  EXPECT_EQ(handle_command(s, "AME", 0), "E3\r\n");
  EXPECT_EQ(handle_command(s, "AME\r\r\n", 0), "E3\r\n");
  EXPECT_EQ(handle_command(s, "AM\rE\r\n", 0), "E3\r\n");
  EXPECT_EQ(handle_command(s, std::string("AM\0E\r\n", 6), 0), "E3\r\n");
  EXPECT_EQ(s.alarm_mode, 'I');
  EXPECT_EQ(handle_command(s, "AME\r\n", 0), "GO\r\n");
  EXPECT_EQ(s.alarm_mode, 'E');
}

TEST(UnitCommands, AllChannelFormsChangeAllOrNothing) {
  UnitState s = factory_state();
  EXPECT_EQ(ask(s, "VF1234"), "GO\r\n");
  EXPECT_EQ(ask(s, "VF7778"), "E3\r\n");  // the last digit is out of range
  EXPECT_EQ(ask(s, "RVF"), "VF1234\r\n");
  EXPECT_EQ(ask(s, "CTPX01020304"), "GO\r\n");
  EXPECT_EQ(ask(s, "CTPX22222299"), "E3\r\n");
  EXPECT_EQ((std::array<int, 4>{1, 2, 3, 4}), s.title_pos_x);
}

TEST(UnitCommands, StateCommandsRebuildTheSameUnit) {
  UnitState changed = factory_state();
  for (const SetAndRead& c : set_and_read) ASSERT_EQ(ask(changed, c.set), "GO\r\n") << c.set;
  for (const char* extra : {"CTPX0222", "CTPY0400", "CS02", "LON", "TDS260305140709",
                            "CJN03" "2422242424262428242A" "21212121212121212121"})
    ASSERT_EQ(ask(changed, extra), "GO\r\n") << extra;

  const std::vector<std::string> commands = state_commands(changed, 5000);
  UnitState rebuilt = factory_state();
  for (const std::string& c : commands) ASSERT_EQ(ask(rebuilt, c, 5000), "GO\r\n") << c;
  EXPECT_EQ(state_commands(rebuilt, 5000), commands);
  // The "don't memory" title is still forgotten at a restart of the rebuilt unit.
  restart_unit(rebuilt);
  EXPECT_EQ(ask(rebuilt, "RCJ03"), "CJ03" "212121212121" "2343234823302333" "212121212121" "\r\n");
}

TEST(UnitCommands, VersionReadGivesFourCharacters) {
  UnitState s = factory_state();
  s.version = {'2', '.', '1', 'a'};
  EXPECT_EQ(ask(s, "RVN"), "VN2.1a\r\n");
}

}  // namespace
}  // namespace zanteq::sim
