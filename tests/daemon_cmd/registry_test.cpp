#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "daemon/norva_delos_registry.h"

namespace {

std::vector<std::string> names_in_order() {
  std::vector<std::string> out;
  for (delos_dev *d = g_pDelosDev; d != nullptr; d = d->next) out.push_back(d->name);
  return out;
}

class Registry : public ::testing::Test {
 protected:
  void TearDown() override {
    while (g_pDelosDev != nullptr) norva_delos_dev_del(g_pDelosDev->name);
    norva_aes67_dev_clear_all();
    norva_delos_dapi_simple_timer_delete(test.timers);
    test.timers = nullptr;
  }
};

TEST_F(Registry, AddingTwoDevicesListsTheSecondFirst) {
  ASSERT_NE(nullptr, norva_delos_dev_add("first", "def-first"));
  ASSERT_NE(nullptr, norva_delos_dev_add("second", "def-second"));
  EXPECT_EQ((std::vector<std::string>{"second", "first"}), names_in_order());
}

TEST_F(Registry, AddCopiesBothNamesIntoAZeroFilledRecord) {
  delos_dev *d = norva_delos_dev_add("dev", "default");
  ASSERT_NE(nullptr, d);
  EXPECT_STREQ("dev", d->name);
  EXPECT_STREQ("default", d->defname);
  EXPECT_EQ(0u, d->u32NumAudTxFlows);
  EXPECT_EQ(nullptr, d->routing_device);
  EXPECT_EQ(d, d->timer.context);
  EXPECT_EQ(CONNECT_TIMER_NONE, d->timer.connect_timer_op);
}

TEST_F(Registry, AddRefusesNamesLongerThanTheirFields) {
  std::string name63(63, 'n'), name64(64, 'n'), def31(31, 'd'), def32(32, 'd');
  EXPECT_EQ(nullptr, norva_delos_dev_add(name64.c_str(), "d"));
  EXPECT_EQ(nullptr, norva_delos_dev_add("n", def32.c_str()));
  EXPECT_EQ(nullptr, norva_delos_dev_add(nullptr, "d"));
  EXPECT_EQ(nullptr, g_pDelosDev);
  delos_dev *d = norva_delos_dev_add(name63.c_str(), def31.c_str());
  ASSERT_NE(nullptr, d);
  EXPECT_EQ(name63, d->name);
  EXPECT_EQ(def31, d->defname);
}

TEST_F(Registry, AddTakesAConnectTimerEventWiredToTheRecordsTimer) {
  test.timers = norva_delos_dapi_simple_timer_new(4);
  delos_dev *d = norva_delos_dev_add("dev", "def");
  ASSERT_NE(nullptr, d);
  ASSERT_NE(nullptr, d->timer.connect_timer);
  EXPECT_EQ(norva_delos_connect_timer_fired, d->timer.connect_timer->cb);
  EXPECT_EQ(&d->timer, d->timer.connect_timer->context);
}

TEST_F(Registry, AddKeepsADeviceWithoutTimerWhenThePoolIsFull) {
  test.timers = norva_delos_dapi_simple_timer_new(1);
  delos_dev *a = norva_delos_dev_add("a", "da");
  delos_dev *b = norva_delos_dev_add("b", "db");
  ASSERT_NE(nullptr, a);
  ASSERT_NE(nullptr, b);
  EXPECT_NE(nullptr, a->timer.connect_timer);
  EXPECT_EQ(nullptr, b->timer.connect_timer);
}

TEST_F(Registry, DeleteReleasesTheTimerEventForTheNextDevice) {
  test.timers = norva_delos_dapi_simple_timer_new(1);
  ASSERT_NE(nullptr, norva_delos_dev_add("a", "da"));
  EXPECT_EQ(0, norva_delos_dev_del("a"));
  delos_dev *b = norva_delos_dev_add("b", "db");
  ASSERT_NE(nullptr, b);
  EXPECT_NE(nullptr, b->timer.connect_timer);
}

struct find_case {
  const char *label;
  const char *key;
  dev_find_e type;
  const char *expected;  // name of the found record, or null
};

TEST_F(Registry, FindByNameMacAndDefaultNameFollowTheirMatchingRules) {
  delos_dev *a = norva_delos_dev_add("alpha", "ALPHA-DEF");
  delos_dev *b = norva_delos_dev_add("beta", "BETA-DEF");
  ASSERT_NE(nullptr, a);
  ASSERT_NE(nullptr, b);
  strcpy(a->stNet[0].azMAC, "001dc1a2b3c4");
  strcpy(b->stNet[0].azMAC, "001dc1ffeedd");
  const find_case cases[] = {
      {"name exact", "alpha", NORVA_DELOS_DEV_FIND_BY_NAME, "alpha"},
      {"name wrong case", "ALPHA", NORVA_DELOS_DEV_FIND_BY_NAME, nullptr},
      {"name by mac, other case", "001DC1A2B3C4", NORVA_DELOS_DEV_FIND_BY_NAME, "alpha"},
      {"name by defname", "ALPHA-DEF", NORVA_DELOS_DEV_FIND_BY_NAME, nullptr},
      {"mac exact", "001dc1ffeedd", NORVA_DELOS_DEV_FIND_BY_MAC, "beta"},
      {"mac other case", "001DC1FFEEDD", NORVA_DELOS_DEV_FIND_BY_MAC, nullptr},
      {"mac by name", "beta", NORVA_DELOS_DEV_FIND_BY_MAC, nullptr},
      {"defname exact", "BETA-DEF", NORVA_DELOS_DEV_FIND_BY_DEFNAME, "beta"},
      {"defname other case", "beta-def", NORVA_DELOS_DEV_FIND_BY_DEFNAME, nullptr},
      {"defname by mac, same case", "001dc1a2b3c4", NORVA_DELOS_DEV_FIND_BY_DEFNAME, "alpha"},
      {"defname by mac, other case", "001DC1A2B3C4", NORVA_DELOS_DEV_FIND_BY_DEFNAME, nullptr},
      {"unknown", "gamma", NORVA_DELOS_DEV_FIND_BY_NAME, nullptr},
  };
  for (const auto &c : cases) {
    delos_dev *d = norva_delos_dev_find(c.key, nullptr, c.type);
    EXPECT_EQ(std::string(c.expected ? c.expected : "(none)"), std::string(d ? d->name : "(none)"))
        << c.label;
  }
}

TEST_F(Registry, AnEmptyNameFindsNoDeviceEvenOneWithoutMacText) {
  ASSERT_NE(nullptr, norva_delos_dev_add("alpha", "def"));
  EXPECT_EQ(nullptr, norva_delos_dev_find("", nullptr, NORVA_DELOS_DEV_FIND_BY_NAME));
  EXPECT_EQ(nullptr, norva_delos_dev_find("", nullptr, NORVA_DELOS_DEV_FIND_BY_MAC));
  EXPECT_EQ(nullptr, norva_delos_dev_find("", nullptr, NORVA_DELOS_DEV_FIND_BY_DEFNAME));
  EXPECT_EQ(nullptr, norva_delos_dev_find(nullptr, nullptr, NORVA_DELOS_DEV_FIND_BY_NAME));
}

TEST_F(Registry, FindByRequestIdMatchesThePendingSubscription) {
  delos_dev *a = norva_delos_dev_add("alpha", "da");
  delos_dev *b = norva_delos_dev_add("beta", "db");
  int token_a, token_b;
  a->requests.cm_subscribe.req_id = &token_a;
  b->requests.cm_subscribe.req_id = &token_b;
  EXPECT_EQ(a, norva_delos_dev_find(nullptr, &token_a, NORVA_DELOS_DEV_FIND_BY_REQID));
  EXPECT_EQ(b, norva_delos_dev_find(nullptr, &token_b, NORVA_DELOS_DEV_FIND_BY_REQID));
  int other;
  EXPECT_EQ(nullptr, norva_delos_dev_find(nullptr, &other, NORVA_DELOS_DEV_FIND_BY_REQID));
}

TEST_F(Registry, ANullRequestIdFindsNoDeviceWithoutAPendingSubscription) {
  ASSERT_NE(nullptr, norva_delos_dev_add("idle", "d"));
  EXPECT_EQ(nullptr, norva_delos_dev_find(nullptr, nullptr, NORVA_DELOS_DEV_FIND_BY_REQID));
}

TEST_F(Registry, FindByInstanceIdComparesTheLastThreeIdBytesWithTheDefaultName) {
  // The default name continues, from its fourteenth character, with 1DC0DE.
  delos_dev *d = norva_delos_dev_add("renamed", "Delos-AVIO-A-1DC0DE");
  ASSERT_NE(nullptr, d);
  ASSERT_NE(nullptr, norva_delos_dev_add("other", "Delos-AVIO-A-abcdef"));
  conmon_instance_id_t id = {{0x00, 0x1d, 0xc1, 0xff, 0xfe, 0x1d, 0xc0, 0xde}, 0x1234};
  EXPECT_EQ(d, norva_delos_dev_find(nullptr, &id, NORVA_DELOS_DEV_FIND_BY_INSTANCE_ID));
  conmon_instance_id_t miss = {{0, 0, 0, 0, 0, 0x1d, 0xc0, 0xdf}, 0};
  EXPECT_EQ(nullptr, norva_delos_dev_find(nullptr, &miss, NORVA_DELOS_DEV_FIND_BY_INSTANCE_ID));
}

TEST_F(Registry, FindByInstanceIdIgnoresDefaultNamesTooShortToHoldTheDigits) {
  ASSERT_NE(nullptr, norva_delos_dev_add("short", "tiny"));
  conmon_instance_id_t id = {{0, 0, 0, 0, 0, 0, 0, 0}, 0};
  EXPECT_EQ(nullptr, norva_delos_dev_find(nullptr, &id, NORVA_DELOS_DEV_FIND_BY_INSTANCE_ID));
}

TEST_F(Registry, DeletingTheHeadLeavesTheRestIntact) {
  norva_delos_dev_add("c", "dc");
  norva_delos_dev_add("b", "db");
  norva_delos_dev_add("a", "da");
  EXPECT_EQ(0, norva_delos_dev_del("a"));
  EXPECT_EQ((std::vector<std::string>{"b", "c"}), names_in_order());
}

TEST_F(Registry, DeletingAMiddleRecordRelinksItsNeighbours) {
  norva_delos_dev_add("c", "dc");
  norva_delos_dev_add("b", "db");
  norva_delos_dev_add("a", "da");
  EXPECT_EQ(0, norva_delos_dev_del("b"));
  EXPECT_EQ((std::vector<std::string>{"a", "c"}), names_in_order());
}

TEST_F(Registry, DeletingAnUnknownNameReturnsMinusOneAndChangesNothing) {
  norva_delos_dev_add("a", "da");
  EXPECT_EQ(-1, norva_delos_dev_del("zz"));
  EXPECT_EQ(-1, norva_delos_dev_del("da"));
  EXPECT_EQ((std::vector<std::string>{"a"}), names_in_order());
}

TEST_F(Registry, DeleteFreesTheOwnedArrays) {
  delos_dev *d = norva_delos_dev_add("a", "da");
  d->routing_info_audio.num_rxc = 2;
  d->routing_info_audio.rxcparams =
      static_cast<delos_rxchn_params_t *>(calloc(2, sizeof(delos_rxchn_params_t)));
  d->routing_info_video.txcparams =
      static_cast<delos_txchn_params_t *>(calloc(1, sizeof(delos_txchn_params_t)));
  d->pAudTxFlow = static_cast<delos_txflow_t *>(calloc(1, sizeof(delos_txflow_t)));
  d->pVidTxFlow = static_cast<delos_txflow_t *>(calloc(1, sizeof(delos_txflow_t)));
  d->pRxFlow = static_cast<delos_rxflow_t *>(calloc(1, sizeof(delos_rxflow_t)));
  EXPECT_EQ(0, norva_delos_dev_del("a"));  // LeakSanitizer checks the arrays went too
}

TEST_F(Registry, StreamsGetFlowIdsOneThenTwo) {
  aes67_dev *s1 = norva_aes67_dev_add("stream one");
  aes67_dev *s2 = norva_aes67_dev_add("stream two");
  ASSERT_NE(nullptr, s1);
  ASSERT_NE(nullptr, s2);
  EXPECT_EQ(1, s1->u16FlowId);
  EXPECT_EQ(2, s2->u16FlowId);
  EXPECT_EQ(s2, g_pAes67Dev);
}

TEST_F(Registry, StreamFlowIdsSkipZeroWhenTheCounterWraps) {
  for (int i = 0; i < 65535; ++i) {
    aes67_dev *s = norva_aes67_dev_add("s");
    ASSERT_NE(nullptr, s);
  }
  EXPECT_EQ(65535, g_pAes67Dev->u16FlowId);
  aes67_dev *next = norva_aes67_dev_add("s");
  EXPECT_EQ(1, next->u16FlowId);
}

TEST_F(Registry, StreamFindMatchesTheSessionNameExactly) {
  aes67_dev *s = norva_aes67_dev_add("Studio A");
  EXPECT_EQ(s, norva_aes67_dev_find("Studio A"));
  EXPECT_EQ(nullptr, norva_aes67_dev_find("studio a"));
  EXPECT_EQ(nullptr, norva_aes67_dev_find("Studio"));
}

TEST_F(Registry, StreamAddRefusesASessionNameLongerThan31Characters) {
  EXPECT_EQ(nullptr, norva_aes67_dev_add(std::string(32, 's').c_str()));
  EXPECT_NE(nullptr, norva_aes67_dev_add(std::string(31, 's').c_str()));
}

}  // namespace
