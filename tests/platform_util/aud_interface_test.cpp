#include "platform/aud_interface.h"

#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Every Linux host has a loopback interface called "lo"; the tests rely on it
// and on nothing else about the machine's interfaces.
TEST(AudInterface, LoopbackIsListedWithItsLinkState) {
  aud_interface_t *list = nullptr;
  unsigned count = 0;
  ASSERT_EQ(AUD_SUCCESS, aud_interface_list(&list, &count));
  const aud_interface_t *lo = nullptr;
  for (unsigned i = 0; i < count; ++i) {
    if (std::string(list[i].name) == "lo") {
      lo = &list[i];
    }
  }
  ASSERT_NE(nullptr, lo);
  EXPECT_EQ(AUD_INTERFACE_TYPE_LOOPBACK, lo->type);
  EXPECT_EQ(AUD_TRUE, lo->is_loopback);
  EXPECT_EQ(if_nametoindex("lo"), lo->index);
  bool up = (lo->flags & IFF_UP) && (lo->flags & IFF_RUNNING);
  EXPECT_EQ(up ? AUD_TRUE : AUD_FALSE, lo->is_link_up);
  EXPECT_EQ(AUD_LINK_SPEED_100M, lo->speed);
  aud_interface_list_free(list);
}

TEST(AudInterface, LoopbackLookUpFindsLo) {
  aud_interface_t iface;
  ASSERT_EQ(AUD_SUCCESS, aud_interface_get_loopback(&iface));
  EXPECT_EQ(AUD_TRUE, iface.is_loopback);
}

TEST(AudInterface, MissingNameIsNotFoundAndLeavesTheRecordUntouched) {
  aud_interface_t iface;
  memset(&iface, 0xa5, sizeof iface);
  aud_interface_t before = iface;
  EXPECT_EQ(AUD_ERR_NOTFOUND, aud_interface_get_by_name(&iface, "no-such-if0"));
  EXPECT_EQ(0, memcmp(&before, &iface, sizeof iface));
  EXPECT_EQ(AUD_ERR_NOTFOUND, aud_interface_get_by_name(nullptr, "no-such-if0"));
}

TEST(AudInterface, IndexLookUpRoundTripsThroughTheName) {
  aud_interface_t by_name;
  ASSERT_EQ(AUD_SUCCESS, aud_interface_get_by_name(&by_name, "lo"));
  aud_interface_t by_index;
  ASSERT_EQ(AUD_SUCCESS, aud_interface_get_by_index(&by_index, by_name.index));
  EXPECT_STREQ("lo", by_index.name);
  EXPECT_EQ(by_name.index, by_index.index);
  EXPECT_EQ(AUD_ERR_NOTFOUND, aud_interface_get_by_index(nullptr, 0x7fffffffu));
}

TEST(AudInterface, IdentifiersAreCompletedOrFlaggedZero) {
  aud_interface_identifier_t ids[3];
  memset(ids, 0, sizeof ids);
  ids[0].flags = AUD_INTERFACE_IDENTIFIER_FLAG_NAME;
  strcpy(ids[0].name, "lo");
  ids[1].flags = AUD_INTERFACE_IDENTIFIER_FLAG_NAME;
  strcpy(ids[1].name, "no-such-if0");
  ids[1].index = 77;
  ids[2].flags = AUD_INTERFACE_IDENTIFIER_FLAG_INDEX;
  ids[2].index = if_nametoindex("lo");
  ASSERT_EQ(AUD_SUCCESS, aud_interface_get_identifiers(nullptr, ids, 3));
  EXPECT_EQ(3u, ids[0].flags);
  EXPECT_EQ(if_nametoindex("lo"), ids[0].index);
  EXPECT_EQ(0u, ids[1].flags);
  EXPECT_STREQ("no-such-if0", ids[1].name);
  EXPECT_EQ(77u, ids[1].index);
  EXPECT_EQ(3u, ids[2].flags);
  EXPECT_STREQ("lo", ids[2].name);
}

TEST(AudInterface, IdentifiersRefuseAnEmptyRequest) {
  aud_interface_identifier_t id{};
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_interface_get_identifiers(nullptr, &id, 0));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_interface_get_identifiers(nullptr, nullptr, 1));
}

TEST(AudInterface, GetMatchesEveryFlaggedField) {
  aud_interface_identifier_t id{};
  aud_interface_t iface;
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_interface_get(&iface, &id));
  strcpy(id.name, "lo");
  id.index = if_nametoindex("lo");
  id.flags = AUD_INTERFACE_IDENTIFIER_FLAG_NAME | AUD_INTERFACE_IDENTIFIER_FLAG_INDEX;
  EXPECT_EQ(AUD_SUCCESS, aud_interface_get(&iface, &id));
  id.index += 1000;
  EXPECT_EQ(AUD_ERR_NOTFOUND, aud_interface_get(&iface, &id));
  id.flags = AUD_INTERFACE_IDENTIFIER_FLAG_NAME;
  EXPECT_EQ(AUD_SUCCESS, aud_interface_get(&iface, &id));
}

TEST(AudInterface, IdrefNeedsExactlyOneOfIndexAndName) {
  aud_interface_t iface;
  aud_interface_idref_t both{if_nametoindex("lo"), "lo"};
  aud_interface_idref_t neither{0, nullptr};
  aud_interface_idref_t by_name{0, "lo"};
  aud_interface_idref_t by_index{if_nametoindex("lo"), nullptr};
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_interface_get_by_idref(&iface, &both));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_interface_get_by_idref(&iface, &neither));
  EXPECT_EQ(AUD_SUCCESS, aud_interface_get_by_idref(&iface, &by_name));
  EXPECT_EQ(AUD_SUCCESS, aud_interface_get_by_idref(&iface, &by_index));
  EXPECT_STREQ("lo", iface.name);
}

TEST(AudInterface, EtherAddressZeroTest) {
  aud_etheraddr_t zero{};
  aud_etheraddr_t one{{0, 0, 0, 0, 0, 1}};
  EXPECT_EQ(AUD_TRUE, aud_etheraddr_is_zero(&zero));
  EXPECT_EQ(AUD_FALSE, aud_etheraddr_is_zero(&one));
}

// Builds link-dump messages by hand: header, ifinfomsg, attributes.
struct DumpBuilder {
  std::vector<uint8_t> bytes;
  void put(const void *p, size_t n) {
    const uint8_t *b = static_cast<const uint8_t *>(p);
    bytes.insert(bytes.end(), b, b + n);
    while (bytes.size() % 4) bytes.push_back(0);
  }
  void link(int index, const char *name, uint32_t master) {
    size_t start = bytes.size();
    nlmsghdr h{};
    h.nlmsg_type = RTM_NEWLINK;
    h.nlmsg_flags = NLM_F_MULTI;
    put(&h, sizeof h);
    ifinfomsg info{};
    info.ifi_index = index;
    put(&info, sizeof info);
    rtattr a{};
    a.rta_type = IFLA_IFNAME;
    a.rta_len = static_cast<unsigned short>(RTA_LENGTH(strlen(name) + 1));
    put(&a, sizeof a);
    put(name, strlen(name) + 1);
    if (master) {
      a.rta_type = IFLA_MASTER;
      a.rta_len = RTA_LENGTH(4);
      put(&a, sizeof a);
      put(&master, 4);
    }
    uint32_t len = static_cast<uint32_t>(bytes.size() - start);
    memcpy(bytes.data() + start, &len, 4);
  }
  void done() {
    nlmsghdr h{};
    h.nlmsg_len = NLMSG_LENGTH(4);
    h.nlmsg_type = NLMSG_DONE;
    h.nlmsg_flags = NLM_F_MULTI;
    put(&h, sizeof h);
    uint32_t zero = 0;
    put(&zero, 4);
  }
};

TEST(AudInterfaceLinkDump, EntriesKeepIndexNameAndMaster) {
  DumpBuilder b;
  b.link(1, "lo", 0);
  b.link(5, "br0", 0);
  b.link(6, "eth0", 5);
  b.done();
  aud_interface_link_entry_t e[4];
  unsigned count = 0;
  ASSERT_EQ(AUD_ERR_DONE,
            aud_interface_parse_link_dump(b.bytes.data(), b.bytes.size(), e, 4, &count));
  ASSERT_EQ(3u, count);
  EXPECT_EQ(6u, e[2].index);
  EXPECT_STREQ("eth0", e[2].name);
  EXPECT_EQ(5u, e[2].master);
  EXPECT_EQ(0u, e[1].master);
}

TEST(AudInterfaceLinkDump, EntriesBeyondTheLimitAreDropped) {
  DumpBuilder b;
  b.link(1, "a", 0);
  b.link(2, "b", 0);
  aud_interface_link_entry_t e[1];
  unsigned count = 0;
  EXPECT_EQ(AUD_SUCCESS,
            aud_interface_parse_link_dump(b.bytes.data(), b.bytes.size(), e, 1, &count));
  EXPECT_EQ(1u, count);
}

TEST(AudInterfaceLinkDump, LengthPastTheBufferIsInvalid) {
  DumpBuilder b;
  b.link(1, "lo", 0);
  aud_interface_link_entry_t e[1];
  unsigned count = 0;
  EXPECT_EQ(AUD_ERR_INVALIDDATA,
            aud_interface_parse_link_dump(b.bytes.data(), b.bytes.size() - 4, e, 1, &count));
}

TEST(AudInterfaceLinkDump, ErrorRecordsMapTheirErrnoAndRejectImpossibleValues) {
  struct {
    int32_t error;
    aud_error_t expected;
  } rows[] = {
      {0, AUD_ERR_DONE},
      {-EPERM, AUD_ERR_ACCES},
      {-ENOBUFS, AUD_ERR_NOBUFS},
      {5, AUD_ERR_INVALIDDATA},
      {INT32_MIN, AUD_ERR_INVALIDDATA},
  };
  for (auto &r : rows) {
    DumpBuilder b;
    nlmsghdr h{};
    h.nlmsg_len = NLMSG_LENGTH(sizeof(nlmsgerr));
    h.nlmsg_type = NLMSG_ERROR;
    b.put(&h, sizeof h);
    nlmsgerr e{};
    e.error = r.error;
    b.put(&e, sizeof e);
    aud_interface_link_entry_t entries[1];
    unsigned count = 0;
    EXPECT_EQ(r.expected, aud_interface_parse_link_dump(b.bytes.data(), b.bytes.size(), entries,
                                                        1, &count))
        << r.error;
  }
}

}  // namespace
