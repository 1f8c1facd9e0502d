// Socket addresses and the socket layer over loopback UDP and Unix-domain sockets.
#include "platform/aud_socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

aud_sockaddr_t inet(const char *host, uint16_t port) {
  aud_sockaddr_t a;
  aud_sockaddr_init_inet(&a, inet_addr(host), port);
  return a;
}

bool file_exists(const char *path) {
  struct stat st;
  return stat(path, &st) == 0;
}

TEST(SockaddrText, AnIpv4AddressPrintsHostPortAndStoredLength) {
  aud_sockaddr_t a = inet("192.168.1.20", 4440);
  char buf[AUD_SOCKADDR_STRING_MIN];
  EXPECT_STREQ("192.168.1.20:4440 (len=16)", aud_sockaddr_to_string(&a, buf, sizeof buf));
  EXPECT_STREQ("192.168.1.20", aud_sockaddr_host_str(&a, buf, sizeof buf));
}

TEST(SockaddrText, AUnixAddressPrintsItsPathAndNoHost) {
  aud_sockaddr_t a;
  ASSERT_EQ(AUD_SUCCESS, aud_sockaddr_init_unix(&a, "/var/run/delos/arcp"));
  char buf[128];
  EXPECT_STREQ("/var/run/delos/arcp", aud_sockaddr_to_string(&a, buf, sizeof buf));
  EXPECT_STREQ("", aud_sockaddr_host_str(&a, buf, sizeof buf));
}

TEST(SockaddrText, ATooSmallBufferGetsATerminatedCut) {
  aud_sockaddr_t a = inet("10.0.0.1", 1);
  char buf[6];
  EXPECT_STREQ("10.0.", aud_sockaddr_to_string(&a, buf, sizeof buf));
}

TEST(SockaddrPort, ThePortIsStoredInNetworkOrder) {
  aud_sockaddr_t a = inet("10.0.0.1", 0x1234);
  EXPECT_EQ(0x1234, aud_sockaddr_port(&a));
  const uint8_t *p = reinterpret_cast<const uint8_t *>(&a.addr.inet.sin_port);
  EXPECT_EQ(0x12, p[0]);
  EXPECT_EQ(0x34, p[1]);
  EXPECT_EQ(AUD_SUCCESS, aud_sockaddr_set_port(&a, 9875));
  EXPECT_EQ(9875, aud_sockaddr_port(&a));
}

TEST(SockaddrUnixPath, AnAbsolutePathOfTheLongestLengthIsKeptAndOneMoreIsTruncated) {
  const std::string longest = "/" + std::string(AUD_SOCKADDR_UNIX_PATH_MAX - 1, 'a');
  aud_sockaddr_t a;
  ASSERT_EQ(AUD_SUCCESS, aud_sockaddr_set_unix_path(&a, longest.c_str()));
  EXPECT_EQ(longest, aud_sockaddr_unix_path(&a));

  const std::string too_long = longest + "b";
  EXPECT_EQ(AUD_ERR_TRUNCATED, aud_sockaddr_set_unix_path(&a, too_long.c_str()));
  EXPECT_EQ(longest, aud_sockaddr_unix_path(&a));
}

TEST(SockaddrUnixPath, ARelativePathIsPrefixedWithTheCurrentDirectory) {
  char cwd[PATH_MAX];
  ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
  aud_sockaddr_t a;
  const aud_error_t result = aud_sockaddr_set_unix_path(&a, "sock");
  if (strlen(cwd) + 5 > AUD_SOCKADDR_UNIX_PATH_MAX) {
    EXPECT_EQ(AUD_ERR_TRUNCATED, result);
  } else {
    ASSERT_EQ(AUD_SUCCESS, result);
    EXPECT_EQ(std::string(cwd) + "/sock", aud_sockaddr_unix_path(&a));
  }
}

TEST(SockaddrUnixPath, NoPathMakesAFreshUniqueFileUnderTmp) {
  aud_sockaddr_t a, b;
  ASSERT_EQ(AUD_SUCCESS, aud_sockaddr_set_unix_path(&a, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_sockaddr_set_unix_path(&b, ""));
  const std::string pa = aud_sockaddr_unix_path(&a), pb = aud_sockaddr_unix_path(&b);
  EXPECT_EQ(0u, pa.rfind("/tmp/s", 0));
  EXPECT_EQ(strlen("/tmp/sXXXXXX"), pa.size());
  EXPECT_NE(pa, pb);
  EXPECT_TRUE(file_exists(pa.c_str()));
  unlink(pa.c_str());
  unlink(pb.c_str());
}

TEST(SockaddrUnixPath, AUniquePathNeedsRoomForTheWholeName) {
  char small[12] = "untouched";
  EXPECT_EQ(AUD_ERR_NOBUFS, aud_get_unique_unix_path(small, sizeof small));
  EXPECT_STREQ("untouched", small);
  char buf[64];
  ASSERT_EQ(AUD_SUCCESS, aud_get_prefixed_unique_unix_path(buf, sizeof buf, "/tmp"));
  EXPECT_EQ(0, strncmp(buf, "/tmp/s", 6));
  unlink(buf);
}

TEST(SockaddrUnixPath, AMissingDirectoryGivesNoData) {
  char buf[64];
  EXPECT_EQ(AUD_ERR_NODATA,
            aud_get_prefixed_unique_unix_path(buf, sizeof buf, "/nonexistent-dir-for-test"));
}

TEST(SockaddrCompare, EqualityFollowsFamilyAndContent) {
  aud_sockaddr_t u1, u2, u3;
  ASSERT_EQ(AUD_SUCCESS, aud_sockaddr_init_unix(&u1, "/tmp/x"));
  ASSERT_EQ(AUD_SUCCESS, aud_sockaddr_init_unix(&u2, "/tmp/x"));
  ASSERT_EQ(AUD_SUCCESS, aud_sockaddr_init_unix(&u3, "/tmp/y"));
  const aud_sockaddr_t a = inet("10.1.2.3", 80), same = inet("10.1.2.3", 80),
                       other_port = inet("10.1.2.3", 81), other_host = inet("10.1.2.4", 80);
  struct Case {
    const char *name;
    const aud_sockaddr_t *x, *y;
    aud_bool_t equal, addr_equal;
  } cases[] = {
      {"same inet", &a, &same, AUD_TRUE, AUD_TRUE},
      {"other port", &a, &other_port, AUD_FALSE, AUD_TRUE},
      {"other host", &a, &other_host, AUD_FALSE, AUD_FALSE},
      {"same path", &u1, &u2, AUD_TRUE, AUD_FALSE},
      {"other path", &u1, &u3, AUD_FALSE, AUD_FALSE},
      {"inet and unix", &a, &u1, AUD_FALSE, AUD_FALSE},
      {"null", &a, nullptr, AUD_FALSE, AUD_FALSE},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.equal, aud_sockaddr_equal(c.x, c.y));
    EXPECT_EQ(c.addr_equal, aud_sockaddr_addr_equal(c.x, c.y));
  }
}

TEST(SockaddrClass, AddressClassesAreRecognised) {
  struct Case {
    const char *host;
    aud_bool_t multicast, zero, loopback;
  } cases[] = {
      {"239.255.255.255", AUD_TRUE, AUD_FALSE, AUD_FALSE},
      {"224.0.0.0", AUD_TRUE, AUD_FALSE, AUD_FALSE},
      {"223.255.255.255", AUD_FALSE, AUD_FALSE, AUD_FALSE},
      {"240.0.0.1", AUD_FALSE, AUD_FALSE, AUD_FALSE},
      {"0.0.0.0", AUD_FALSE, AUD_TRUE, AUD_FALSE},
      {"127.0.0.1", AUD_FALSE, AUD_FALSE, AUD_TRUE},
      {"127.9.9.9", AUD_FALSE, AUD_FALSE, AUD_TRUE},
      {"192.168.0.1", AUD_FALSE, AUD_FALSE, AUD_FALSE},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.host);
    const aud_sockaddr_t a = inet(c.host, 0);
    EXPECT_EQ(c.multicast, aud_sockaddr_is_multicast(&a));
    EXPECT_EQ(c.zero, aud_sockaddr_is_zero_addr(&a));
    EXPECT_EQ(c.loopback, aud_sockaddr_is_loopback(&a));
    EXPECT_EQ(AUD_FALSE, aud_sockaddr_is_local(&a));
  }
}

TEST(SockaddrFromSystem, AUnixAddressFillingTheWholeRecordWithoutTerminatorIsRefused) {
  struct sockaddr_un un;
  memset(&un, 'a', sizeof un);
  un.sun_family = AF_UNIX;
  aud_sockaddr_t a;
  aud_sockaddr_init_null(&a);
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_sockaddr_init_struct_sockaddr(
                                          &a, reinterpret_cast<struct sockaddr *>(&un), sizeof un));
  EXPECT_EQ(0, a.len);
}

TEST(SockaddrFromSystem, OtherFamiliesAreNotSupported) {
  struct sockaddr_in6 in6 {};
  in6.sin6_family = AF_INET6;
  aud_sockaddr_t a;
  EXPECT_EQ(AUD_ERR_AFNOSUPPORT, aud_sockaddr_init_struct_sockaddr(
                                     &a, reinterpret_cast<struct sockaddr *>(&in6), sizeof in6));
}

// ---------------------------------------------------------------------------------
// Sockets.

TEST(Socket, InitDatagramRefusesToOverwriteALiveSocket) {
  aud_socket_t s = 5;
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_socket_init_datagram(&s, AUD_AF_INET));
  EXPECT_EQ(5, s);
  s = -1;
  EXPECT_EQ(AUD_ERR_AFNOSUPPORT, aud_socket_init_datagram(&s, 99));
  ASSERT_EQ(AUD_SUCCESS, aud_socket_init_datagram(&s, AUD_AF_INET));
  EXPECT_EQ(AUD_TRUE, aud_socket_is_valid(s));
  EXPECT_EQ(AUD_SUCCESS, aud_socket_close(&s));
  EXPECT_EQ(-1, s);
  EXPECT_EQ(AUD_SUCCESS, aud_socket_close(&s));
}

TEST(Socket, ClosingABoundUnixSocketRemovesItsFile) {
  aud_socket_t s = -1;
  aud_sockaddr_t bound;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_bind_auto_datagram(&s, AUD_AF_UNIX, &bound));
  const std::string path = aud_sockaddr_unix_path(&bound);
  EXPECT_TRUE(file_exists(path.c_str()));
  EXPECT_EQ(AUD_SUCCESS, aud_socket_close(&s));
  EXPECT_FALSE(file_exists(path.c_str()));
}

TEST(Socket, AutoBindIsForUnixSocketsOnly) {
  aud_socket_t s = -1;
  EXPECT_EQ(AUD_ERR_NOTSUPPORTED, aud_socket_bind_auto_datagram(&s, AUD_AF_INET, nullptr));
  EXPECT_EQ(-1, s);
}

TEST(Socket, UnixDatagramsTravelBetweenBoundPaths) {
  aud_socket_t server = -1, client = -1;
  aud_sockaddr_t server_addr;
  ASSERT_EQ(AUD_SUCCESS, aud_sockaddr_set_unix_path(&server_addr, nullptr));
  // The path exists as a plain file now; binding must replace it.
  ASSERT_EQ(AUD_SUCCESS, aud_socket_bind_datagram(&server, &server_addr));
  ASSERT_EQ(AUD_SUCCESS, aud_socket_bind_auto_datagram(&client, AUD_AF_UNIX, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_socket_connect(client, &server_addr));
  size_t len = 5;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_send(client, "hello", &len));
  char buf[16];
  len = sizeof buf;
  aud_sockaddr_t from;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_recvfrom(server, buf, &len, &from));
  EXPECT_EQ("hello", std::string(buf, len));
  aud_sockaddr_t client_name;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_get_name(client, &client_name));
  EXPECT_EQ(AUD_TRUE, aud_sockaddr_equal(&from, &client_name));
  aud_socket_close(&client);
  aud_socket_close(&server);
}

TEST(Socket, RecvDestinationReportsSenderDestinationInterfaceAndTtl) {
  aud_socket_t rx = -1, tx = -1;
  aud_sockaddr_t any = inet("127.0.0.1", 0);
  ASSERT_EQ(AUD_SUCCESS, aud_socket_bind_datagram(&rx, &any));
  ASSERT_EQ(AUD_SUCCESS, aud_socket_set_recv_destination(rx, AUD_TRUE));
  aud_sockaddr_t rx_addr;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_get_name(rx, &rx_addr));
  ASSERT_EQ(AUD_SUCCESS, aud_socket_bind_datagram(&tx, &any));
  aud_sockaddr_t tx_addr;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_get_name(tx, &tx_addr));

  size_t len = 3;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_sendto(tx, "abc", &len, &rx_addr));
  ASSERT_EQ(AUD_SUCCESS, aud_socket_wait_for_read(rx, nullptr));
  char buf[8];
  len = sizeof buf;
  aud_destination_info_t info{};
  info.flags = AUD_DESTINATION_INFO_FROM | AUD_DESTINATION_INFO_TO | AUD_DESTINATION_INFO_NAME |
               AUD_DESTINATION_INFO_INDEX | AUD_DESTINATION_INFO_TTL;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_recv_destination(rx, buf, &len, &info));
  EXPECT_EQ("abc", std::string(buf, len));
  EXPECT_EQ(AUD_DESTINATION_INFO_FROM | AUD_DESTINATION_INFO_TO | AUD_DESTINATION_INFO_INDEX |
                AUD_DESTINATION_INFO_TTL,
            info.flags);
  EXPECT_EQ(AUD_TRUE, aud_sockaddr_equal(&info.from, &tx_addr));
  EXPECT_EQ(AUD_TRUE, aud_sockaddr_addr_equal(&info.to, &rx_addr));
  EXPECT_EQ(if_nametoindex("lo"), info.index);
  EXPECT_GT(info.ttl, 0);
  aud_socket_close(&rx);
  aud_socket_close(&tx);
}

TEST(Socket, RecvDestinationWithoutTheOptionReportsOnlyTheSender) {
  aud_socket_t rx = -1, tx = -1;
  aud_sockaddr_t any = inet("127.0.0.1", 0);
  ASSERT_EQ(AUD_SUCCESS, aud_socket_bind_datagram(&rx, &any));
  aud_sockaddr_t rx_addr;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_get_name(rx, &rx_addr));
  ASSERT_EQ(AUD_SUCCESS, aud_socket_init_datagram(&tx, AUD_AF_INET));
  size_t len = 1;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_sendto(tx, "z", &len, &rx_addr));
  char buf[4];
  len = sizeof buf;
  aud_destination_info_t info{};
  info.flags = AUD_DESTINATION_INFO_FROM | AUD_DESTINATION_INFO_TO | AUD_DESTINATION_INFO_TTL;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_recv_destination(rx, buf, &len, &info));
  EXPECT_EQ(AUD_DESTINATION_INFO_FROM, info.flags);
  aud_socket_close(&rx);
  aud_socket_close(&tx);
}

TEST(Socket, MembershipNeedsAMulticastGroup) {
  aud_socket_t s = -1;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_init_datagram(&s, AUD_AF_INET));
  const aud_sockaddr_t unicast = inet("10.0.0.1", 0);
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_socket_add_membership(s, &unicast, 0));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_socket_drop_membership(s, nullptr, 0));
  aud_socket_close(&s);
}

TEST(Socket, NegativeDescriptorsAreInvalidParameters) {
  size_t len = 1;
  char c = 0;
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_socket_send(-1, &c, &len));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_socket_recv(-1, &c, &len));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_socket_set_blocking(-1, AUD_TRUE));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_socket_set_reuse_address(-1, AUD_TRUE));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_socket_wait_for_read(-1, nullptr));
  EXPECT_EQ(AUD_ERR_NOTSUPPORTED, aud_socket_connect_datagram_on_interface(nullptr, nullptr, 1));
}

// ---------------------------------------------------------------------------------
// Waiting.

TEST(SocketsWait, SocketsThatAreNotReadableAreOverwrittenWithMinusOne) {
  aud_socket_t a[2] = {-1, -1}, b[2] = {-1, -1};
  ASSERT_EQ(AUD_SUCCESS, aud_socket_pair(a));
  ASSERT_EQ(AUD_SUCCESS, aud_socket_pair(b));
  size_t len = 1;
  ASSERT_EQ(AUD_SUCCESS, aud_socket_send(b[1], "x", &len));
  aud_socket_t wait[3] = {a[0], -1, b[0]};
  const aud_utime_t zero{0, 0};
  ASSERT_EQ(AUD_SUCCESS, aud_sockets_wait_for_read(wait, 3, &zero));
  EXPECT_EQ(-1, wait[0]);
  EXPECT_EQ(-1, wait[1]);
  EXPECT_EQ(b[0], wait[2]);
  for (aud_socket_t *s : {&a[0], &a[1], &b[0], &b[1]}) {
    aud_socket_close(s);
  }
}

TEST(SocketsWait, NothingReadableTimesOutAndLeavesTheArray) {
  aud_socket_t a[2] = {-1, -1};
  ASSERT_EQ(AUD_SUCCESS, aud_socket_pair(a));
  aud_socket_t wait[1] = {a[0]};
  const aud_utime_t zero{0, 0};
  EXPECT_EQ(AUD_ERR_TIMEDOUT, aud_sockets_wait_for_read(wait, 1, &zero));
  EXPECT_EQ(a[0], wait[0]);
  aud_socket_close(&a[0]);
  aud_socket_close(&a[1]);
}

}  // namespace
