#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "daemon/norva_delos_api.h"
#include "daemon/norva_delos_tcpserver.h"
#include "daemon_cmd/cmd_test_util.h"
#include "daemon_cmd/recording_ops.h"

namespace {

using cmdtest::envelope;
using cmdtest::rec_get;

// Runs one cleaned command through the dispatcher with the server's capacity.
std::string dispatch(const std::string &cmd, int capacity = TCPSERVER_REPLY_CAPACITY) {
  std::vector<char> area(TCPSERVER_REPLY_AREA_SIZE, 0);
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  EXPECT_EQ(0, Main_FUNC_TcpserverProc(-1, line.data(), area.data() + TCPSERVER_REPLY_RESERVED,
                                       capacity));
  return std::string(area.data() + TCPSERVER_REPLY_RESERVED);
}

class CommandTable : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_norva_delos_api_ops;
    g_norva_delos_api_ops = cmdtest::recording_ops();
    cmdtest::rec_reset();
  }
  void TearDown() override { g_norva_delos_api_ops = saved_; }
  norva_delos_api_ops saved_;
};

TEST(CommandTableData, HasTheRowsInDispatchOrderWithAHandlerEach) {
  const char *words[NORVA_DELOS_API_NUM_CMDS] = {"help!",
                                                 "delos get devices!",
                                                 "delos get devices",
                                                 "delos set name",
                                                 "delos ping",
                                                 "delos set preferred",
                                                 "delos set srate",
                                                 "delos upgrade query",
                                                 "delos upgrade",
                                                 "delos set enc",
                                                 "delos set aud tx performance",
                                                 "delos set aud tx delay",
                                                 "delos set aud tx chn name",
                                                 "delos add aud tx chn label",
                                                 "delos del aud tx chn label",
                                                 "delos set vid tx chn name",
                                                 "delos add vid tx chn label",
                                                 "delos del vid tx chn label",
                                                 "delos set aud tx chn mute",
                                                 "delos set aud tx chn enable",
                                                 "delos set aud tx chn reflevel",
                                                 "delos clear aud tx chn reflevel",
                                                 "delos add aud tx flow",
                                                 "delos add vid tx flow",
                                                 "delos replace aud tx flow",
                                                 "delos del aud tx flow",
                                                 "delos del vid tx flow",
                                                 "delos set aud rx performance",
                                                 "delos set vid 2 rx chn sub",
                                                 "delos set vid rx chn sub",
                                                 "delos set aud 2 rx chn sub",
                                                 "delos set aud rx chn sub",
                                                 "delos set aes67 rx chn sub",
                                                 "delos set vid rx chn name",
                                                 "delos set aud rx chn name",
                                                 "delos set aud rx chn mute",
                                                 "delos add aud rx flow unicast",
                                                 "delos add aud rx flow multicast",
                                                 "delos set aud unicast performance",
                                                 "delos set aes67 prefix",
                                                 "delos set aes67",
                                                 "delos set reboot",
                                                 "delos store config",
                                                 "delos clear config",
                                                 "delos set dynamic",
                                                 "delos set static",
                                                 "delos set network loopback",
                                                 "delos set lock"};
  for (int i = 0; i < NORVA_DELOS_API_NUM_CMDS; ++i) {
    const norva_delos_api_cmd &row = norva_delos_api_cmd_table[i];
    EXPECT_EQ(std::string(words[i]), std::string(row.word)) << "row " << i + 1;
    EXPECT_NE(nullptr, row.handler) << "row " << i + 1;
    EXPECT_EQ(i < 2, row.exact) << "row " << i + 1;
  }
}

TEST(CommandTableData, NoRowIsShadowedByAnEarlierPrefix) {
  // An earlier prefix row that is a prefix of a later word would take its commands.
  for (int i = 2; i < NORVA_DELOS_API_NUM_CMDS; ++i) {
    for (int j = 2; j < i; ++j) {
      const char *early = norva_delos_api_cmd_table[j].word;
      const char *late = norva_delos_api_cmd_table[i].word;
      EXPECT_NE(0, strncmp(late, early, strlen(early))) << late << " shadowed by " << early;
    }
  }
}

TEST(CommandTableData, EveryHelpUsageNamesACommandTheTableRecognises) {
  for (const auto &h : norva_delos_api_help_table) {
    std::string usage = h.usage;
    bool found = false;
    for (const auto &row : norva_delos_api_cmd_table) {
      std::string w = row.word;
      if (row.exact ? usage == w : usage.compare(0, w.size(), w) == 0) found = true;
    }
    EXPECT_TRUE(found) << usage;
  }
}

struct parse_case {
  const char *command;
  const char *op;
  const char *args;
};

// Every row, with the arguments its operation receives.
const parse_case kParseCases[] = {
    {"delos set name dev1 new name!", "set_name", "dev1|new name"},
    {"delos set name AVIO-1a2b3c (2) Stage Left!", "set_name", "AVIO-1a2b3c (2)|Stage Left"},
    {"delos ping dev one!", "ping", "dev one"},
    {"delos set preferred dev1 1!", "control_set_preferred", "dev1|1"},
    {"delos set srate dev1 48000!", "control_set_srate", "dev1|48000"},
    {"delos upgrade query dev1!", "upgrade_query", "dev1"},
    {"delos upgrade dev1 10.0.0.5 /fw/image.dnt 123456!", "upgrade",
     "dev1|10.0.0.5|/fw/image.dnt|123456"},
    {"delos set enc dev1 24!", "control_set_enc", "dev1|24"},
    {"delos set aud tx performance dev1 1000 16!", "set_aud_tx_performance", "dev1|1000|16"},
    {"delos set aud tx delay dev1 250!", "set_aud_tx_delay", "dev1|250"},
    {"delos set aud tx chn name dev1 3 Left Main!", "set_tx_chnname", "dev1|0|3|Left Main"},
    {"delos add aud tx chn label dev1 2 lbl!", "add_tx_chnlabel", "dev1|0|2|lbl"},
    {"delos del aud tx chn label dev1 2 lbl!", "del_tx_chnlabel", "dev1|0|2|lbl"},
    {"delos set vid tx chn name dev1 1 Cam!", "set_tx_chnname", "dev1|1|1|Cam"},
    {"delos add vid tx chn label dev1 1 v!", "add_tx_chnlabel", "dev1|1|1|v"},
    {"delos del vid tx chn label dev1 1 v!", "del_tx_chnlabel", "dev1|1|1|v"},
    {"delos set aud tx chn mute dev1 4 1!", "set_aud_tx_chn_mute", "dev1|4|1"},
    {"delos set aud tx chn enable dev1 4 0!", "set_aud_tx_chn_enable", "dev1|4|0"},
    {"delos set aud tx chn reflevel dev1 0 -10!", "set_aud_tx_chn_reflevel", "dev1|0|-10"},
    {"delos clear aud tx chn reflevel dev1 5!", "clear_aud_tx_chn_reflevel", "dev1|5"},
    {"delos add aud tx flow dev1 flowA 7 1000 16 1:2:3!", "add_tx_flow",
     "dev1|0|flowA|7|1000|16|1:2:3"},
    {"delos add vid tx flow dev1 flowV 8 0 0 1!", "add_tx_flow", "dev1|1|flowV|8|0|0|1"},
    {"delos replace aud tx flow dev1 7 4:5!", "replace_aud_tx_flow", "dev1|7|4:5"},
    {"delos del aud tx flow dev1 7!", "del_tx_flow", "dev1|0|7"},
    {"delos del vid tx flow dev1 8!", "del_tx_flow", "dev1|1|8"},
    {"delos set aud rx performance dev1 2000 32!", "set_aud_rx_performance", "dev1|2000|32"},
    {"delos set vid 2 rx chn sub 001dc1a2b3c4 1 tx2 cam out!", "set_rx_chn_sub_2",
     "001dc1a2b3c4|1|1|tx2|cam out"},
    {"delos set vid rx chn sub dev1 1 tx2 3!", "set_rx_chn_sub", "dev1|1|1|tx2|3"},
    {"delos set aud 2 rx chn sub 001dc1a2b3c4 2 tx2 ch 5!", "set_rx_chn_sub_2",
     "001dc1a2b3c4|0|2|tx2|ch 5"},
    {"delos set aud rx chn sub dev1 3 dev2 5!", "set_rx_chn_sub", "dev1|0|3|dev2|5"},
    {"delos set aes67 rx chn sub dev1 2 StudioA 4!", "set_rx_chn_sub_aes67", "dev1|2|StudioA|4"},
    {"delos set vid rx chn name dev1 2 In 2!", "set_rx_chnname", "dev1|1|2|In 2"},
    {"delos set aud rx chn name dev1 2 In 2!", "set_rx_chnname", "dev1|0|2|In 2"},
    {"delos set aud rx chn mute dev1 2 1!", "set_aud_rx_chn_mute", "dev1|2|1"},
    {"delos add aud rx flow unicast dev1 3 dev2 1@ch1:2@ch2!", "add_aud_rx_flow_unicast",
     "dev1|3|dev2|1@ch1:2@ch2"},
    {"delos add aud rx flow multicast dev1 4 flowX dev2 1:2@ch1;3@ch2!",
     "add_aud_rx_flow_multicast", "dev1|4|flowX|dev2|1:2@ch1;3@ch2"},
    {"delos set aud unicast performance dev1 1000 16!", "set_aud_unicast_performance",
     "dev1|1000|16"},
    {"delos set aes67 prefix dev1 100!", "set_aes67_prefix", "dev1|100"},
    {"delos set aes67 dev1 1!", "control_set_aes67_onoff", "dev1|1"},
    {"delos set reboot dev1 7!", "control_set_reboot", "dev1|7"},
    {"delos store config dev1!", "store_config", "dev1"},
    {"delos clear config dev1 1!", "control_clear_config", "dev1|1"},
    {"delos set dynamic dev1 1!", "control_set_dynamic", "dev1|1"},
    {"delos set static dev1 0 192.168.1.10 255.255.255.0 192.168.1.1 8.8.8.8 studio.local!",
     "control_set_static", "dev1|0|192.168.1.10|255.255.255.0|192.168.1.1|8.8.8.8|studio.local"},
    {"delos set static dev1 1 10.0.0.2 255.0.0.0 0 0 0!", "control_set_static",
     "dev1|1|10.0.0.2|255.0.0.0|0.0.0.0|0.0.0.0|(null)"},
    {"delos set network loopback dev1 1!", "set_network_loopback", "dev1|1"},
    {"delos set lock dev1 1!", "set_lock", "dev1|1"},
    {"delos set lockdown dev1 1!", "set_lock", "dev1|1"},
    // Too few words: empty texts and zero numbers still reach the operation.
    {"delos set aud rx chn sub dev1!", "set_rx_chn_sub", "dev1|0|0||0"},
    {"delos set srate!", "control_set_srate", "|0"},
    // Numbers are read as leading digits; a word that is no number is 0.
    {"delos set aud tx chn mute dev1 3x yes!", "set_aud_tx_chn_mute", "dev1|3|0"},
    // Extra blanks between words are skipped.
    {"delos set srate   dev1    44100!", "control_set_srate", "dev1|44100"},
};

TEST_F(CommandTable, EveryRowPassesItsParsedArgumentsToItsOperation) {
  for (const auto &c : kParseCases) {
    cmdtest::rec_reset();
    dispatch(c.command);
    cmdtest::recorded_call got = rec_get();
    EXPECT_EQ(1, got.calls) << c.command;
    EXPECT_EQ(std::string(c.op), got.op) << c.command;
    EXPECT_EQ(std::string(c.args), got.args) << c.command;
  }
}

TEST_F(CommandTable, EveryParsedRowAnswersSuccessWithItsCommandWordWhenTheOperationSucceeds) {
  for (int i = 3; i < NORVA_DELOS_API_NUM_CMDS; ++i) {
    const char *word = norva_delos_api_cmd_table[i].word;
    EXPECT_EQ(envelope(word, "success"), dispatch(std::string(word) + " dev1 1!")) << word;
  }
}

TEST_F(CommandTable, ARoutingFailureTurnsTheReplyIntoAFailureNamingTheCommandWord) {
  cmdtest::rec_routing_result() = -1;
  EXPECT_EQ(envelope("delos set aud tx chn mute", "failure"),
            dispatch("delos set aud tx chn mute dev1 1 1!"));
  EXPECT_EQ(envelope("delos set lock", "failure"), dispatch("delos set lockdown dev1 1!"));
}

TEST_F(CommandTable, AConmonCommandAnswersSuccessWhateverTheSendReturned) {
  cmdtest::rec_conmon_result() = AUD_ERR_NOTCONN;
  EXPECT_EQ(envelope("delos set srate", "success"), dispatch("delos set srate nosuchdev 48000!"));
}

TEST_F(CommandTable, AnUnknownCommandFailsNamingTheWholeCommandText) {
  EXPECT_EQ(envelope("delos frobnicate dev1!", "failure"), dispatch("delos frobnicate dev1!"));
  EXPECT_EQ(0, rec_get().calls);
}

TEST_F(CommandTable, PrefixOrderSelectsTheLongerCommandFirst) {
  const parse_case cases[] = {
      {"delos set lockdown dev1 1!", "set_lock", "dev1|1"},
      {"delos set aes67 prefix dev1 9!", "set_aes67_prefix", "dev1|9"},
      {"delos set aes67 rx chn sub dev1 1 S 2!", "set_rx_chn_sub_aes67", "dev1|1|S|2"},
      {"delos set aes67 dev1 0!", "control_set_aes67_onoff", "dev1|0"},
      {"delos upgrade query dev1!", "upgrade_query", "dev1"},
      {"delos upgrade dev1 1.2.3.4 f 1!", "upgrade", "dev1|1.2.3.4|f|1"},
  };
  for (const auto &c : cases) {
    cmdtest::rec_reset();
    dispatch(c.command);
    EXPECT_EQ(std::string(c.op), rec_get().op) << c.command;
    EXPECT_EQ(std::string(c.args), rec_get().args) << c.command;
  }
}

struct refuse_case {
  std::string command;
  std::string word;
};

TEST_F(CommandTable, ArgumentsLongerThanTheirFieldAreRefusedWithoutCallingTheOperation) {
  const std::string dev32(32, 'd'), name32(32, 'n');
  const refuse_case cases[] = {
      {"delos ping " + dev32 + "!", "delos ping"},
      {"delos set name " + dev32 + " x!", "delos set name"},
      {"delos set name dev1 " + name32 + "!", "delos set name"},
      {"delos set name AVIO (12345678) x!", "delos set name"},
      {"delos set name " + std::string(28, 'd') + " (123) x!", "delos set name"},
      {"delos set aud tx chn mute dev1 1000 1!", "delos set aud tx chn mute"},
      {"delos set aud tx chn mute dev1 1 0001!", "delos set aud tx chn mute"},
      {"delos set aud tx performance dev1 12345678 16!", "delos set aud tx performance"},
      {"delos set aud tx chn name dev1 1 " + name32 + "!", "delos set aud tx chn name"},
      {"delos add aud tx flow dev1 f 1 1 1 " + std::string(128, '1') + "!",
       "delos add aud tx flow"},
      {"delos add aud rx flow unicast dev1 1 tx " + std::string(256, '1') + "!",
       "delos add aud rx flow unicast"},
      {"delos del aud tx flow dev1 1000!", "delos del aud tx flow"},
      {"delos upgrade dev1 1.2.3.4 /" + std::string(127, 'p') + " 1!", "delos upgrade"},
      {"delos upgrade dev1 1111.2222.3333.4 f 1!", "delos upgrade"},
      {"delos set srate dev1 " + std::string(16, '4') + "!", "delos set srate"},
      {"delos set static dev1 0 1.2.3.4 255.255.255.0 1.2.3.1 1.1.1.1 " + std::string(256, 'x') +
           "!",
       "delos set static"},
      {"delos get devices " + std::string(64, 'g') + "!", "delos get devices"},
  };
  for (const auto &c : cases) {
    cmdtest::rec_reset();
    EXPECT_EQ(envelope(c.word, "failure"), dispatch(c.command)) << c.command;
    EXPECT_EQ(0, rec_get().calls) << c.command;
  }
}

TEST_F(CommandTable, ArgumentsExactlyAsLongAsTheirFieldAreAccepted) {
  const std::string dev31(31, 'd');
  dispatch("delos ping " + dev31 + "!");
  EXPECT_EQ(dev31, rec_get().args);
  dispatch("delos set aud tx chn mute dev1 999 001!");
  EXPECT_EQ("dev1|999|1", rec_get().args);
  dispatch("delos set name " + std::string(26, 'd') + " (12) x!");
  EXPECT_EQ(std::string(26, 'd') + " (12)|x", rec_get().args);
}

// The help list exactly as cJSON's formatted printer writes it, from the
// usage table.
std::string expected_help() {
  static const char *const entries[][2] = {
      {"delos get devices!", "get devices"},
      {"delos get devices [devname]!", "get device"},
      {"delos set name [devname] [newname]!", "set device name"},
      {"delos ping [devname]!", "ping device"},
      {"delos set srate [devname] [rate]!", "set device srate"},
      {"delos set enc [devname] [enc]!", "set"},
      {"delos set aud tx performance [devname] [latency] [fpp]!", "set"},
      {"delos set aud tx delay [devname] [delay]!", "get"},
      {"delos set aud tx chn name [devname] [chn] [chnname]!", "get"},
      {"delos set aud tx chn mute [devname] [chn] [mute]!", "get"},
      {"delos set aud tx chn enable [devname] [chn] [enable]!", "get"},
      {"delos set aud tx chn reflevel [devname] [chn] [level]!", "get"},
      {"delos clear aud tx chn reflevel [devname] [chn]!", "get"},
      {"delos add aud tx flow [devname] [flowname] [id] [latency] [fpp] [slots(1:2:3)]!", "get"},
      {"delos replace aud tx flow [devname] [id] [slots(1:2:3)]!", "get"},
      {"delos del aud tx flow [devname] [id]!", "get"},
      {"delos set aud rx performance [devname] [latency] [fpp]!", "get"},
      {"delos set aud rx chn sub [devname] [rxchn] [txdev] [txchn]!", "get"},
      {"delos set aud rx chn name [devname] [chn] [chnname]!", "get"},
      {"delos set aud rx chn mute [devname] [chn] [mute]!", "get"},
      {"delos add aud rx flow unicast [devname] [flowid] [txname] "
       "[slots(1@txchan1:2@txchan2:3@txchan3)]!",
       "get"},
      {"delos add aud rx flow multicast [devname] [flowid] [txname] [txflowname] "
       "[slots(1:2@txchan1;2@txchan2;3@txchan3)]!",
       "get"},
      {"delos set aud unicast performance [devname] [latency] [fpp]!", "get"},
      {"delos set aes67 prefix [devname] [prefix]!", "get"},
      {"delos store config [devname]!", "get"},
      {"delos clear config [devname]!", "get"},
      {"delos add aud tx chn label [devname] [chn] [label]!", "get"},
      {"delos del aud tx chn label [devname] [chn] [label]!", "get"},
      {"delos set network loopback [devname] [enable]!", "set"},
      {"delos set lockdown [devname] [lock]!", "set"},
  };
  std::string s =
      "{\n\t\"ack\":\t{\n\t\t\"cmd\":\t\"help\",\n\t\t\"status\":\t\"success\"\n\t},\n"
      "\t\"devicelist\":\t[{\n";
  for (size_t i = 0; i < sizeof entries / sizeof entries[0]; ++i) {
    s += "\t\t\t\"" + std::string(entries[i][0]) + "\":\t\"" + entries[i][1] + "\"";
    s += (i + 1 < sizeof entries / sizeof entries[0]) ? ",\n" : "\n";
  }
  s += "\t\t}]\n}";
  return s;
}

TEST_F(CommandTable, HelpListsEveryUsageWithItsDescriptionInOrder) {
  EXPECT_EQ(expected_help(), dispatch("help!"));
}

TEST_F(CommandTable, HelpAnswersFailWhenItDoesNotFitTheCapacity) {
  EXPECT_EQ(envelope("help", "fail"), dispatch("help!", 200));
}

TEST_F(CommandTable, HelpFitsACapacityOfExactlyItsLengthAndNotOneLess) {
  const int len = static_cast<int>(expected_help().size());
  EXPECT_EQ(expected_help(), dispatch("help!", len));
  EXPECT_EQ(envelope("help", "fail"), dispatch("help!", len - 1));
}

TEST_F(CommandTable, HelpMatchesOnlyTheExactCommand) {
  EXPECT_EQ(envelope("help me!", "failure"), dispatch("help me!"));
}

TEST_F(CommandTable, RenamingAnUnknownDeviceThroughTheRealOperationFails) {
  g_norva_delos_api_ops = norva_delos_api_default_ops();
  EXPECT_EQ(envelope("delos set name", "failure"), dispatch("delos set name nosuchdev x!"));
}

TEST_F(CommandTable, ASampleRateForAnUnknownDeviceThroughTheRealOperationSucceeds) {
  g_norva_delos_api_ops = norva_delos_api_default_ops();
  EXPECT_EQ(envelope("delos set srate", "success"), dispatch("delos set srate nosuchdev 48000!"));
}

TEST(ParseAddress, ReadsDottedDecimalIntoHostOrder) {
  struct {
    const char *text;
    uint32_t expected;
  } cases[] = {
      {"192.168.1.10", 0xC0A8010Au},
      {"0.0.0.0", 0u},
      {"255.255.255.255", 0xFFFFFFFFu},
      {"10.0.0.1", 0x0A000001u},
      {"1.2.3", 0u},
      {"1.2.3.256", 0u},
      {"a.b.c.d", 0u},
      {"", 0u},
      {"1..2.3", 0u},
      {"-1.2.3.4", 0u},
      {"99999999999.1.1.1", 0u},
  };
  for (const auto &c : cases) EXPECT_EQ(c.expected, parse_address(c.text)) << c.text;
}

}  // namespace
