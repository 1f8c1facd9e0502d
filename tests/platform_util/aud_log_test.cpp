#include "platform/aud_log.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Captured {
  std::string timestamp;  // "-" when none was given
  aud_loglevel_t level;
  std::string message;
};

void capture(aud_log_t *log, const char *ts, aud_loglevel_t level, const char *msg, size_t len) {
  auto *out = static_cast<std::vector<Captured> *>(aud_log_get_custom_context(log));
  out->push_back({ts ? ts : "-", level, std::string(msg, len)});
}

struct LogFixture : ::testing::Test {
  aud_log_t *log = nullptr;
  std::vector<Captured> seen;
  void SetUp() override {
    ASSERT_EQ(AUD_SUCCESS, aud_log_new(&log));
    aud_log_set_custom_fn(log, capture);
    aud_log_set_custom_context(log, &seen);
  }
  void TearDown() override { aud_log_delete(log); }
};

TEST_F(LogFixture, ANewLogNeverEmitsAtAnyLevel) {
  for (aud_loglevel_t l = 0; l <= 9; ++l) {
    aud_log(log, l, "level %u", l);
    aud_log_str(log, l, "text");
  }
  EXPECT_EQ(0u, seen.size());
}

TEST_F(LogFixture, CustomDestinationReceivesLevelsUpToItsThreshold) {
  ASSERT_EQ(AUD_SUCCESS, aud_log_set_threshold(log, AUD_LOGTYPE_CUSTOM, AUD_LOGLEVEL_WARNING));
  aud_log(log, AUD_LOGLEVEL_ERROR, "f: error %d", 1);
  aud_log(log, AUD_LOGLEVEL_WARNING, "f: warning %s", "two");
  aud_log(log, AUD_LOGLEVEL_NOTICE, "f: notice");
  aud_log(log, AUD_LOGLEVEL_NONE, "f: none");
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ(AUD_LOGLEVEL_ERROR, seen[0].level);
  EXPECT_EQ("f: error 1", seen[0].message);
  EXPECT_EQ(AUD_LOGLEVEL_WARNING, seen[1].level);
  EXPECT_EQ("f: warning two", seen[1].message);
}

TEST_F(LogFixture, OverallThresholdIsTheHighestDestinationThreshold) {
  aud_log_set_threshold(log, AUD_LOGTYPE_SOCKET, AUD_LOGLEVEL_DEBUG);
  aud_log_set_threshold(log, AUD_LOGTYPE_CUSTOM, AUD_LOGLEVEL_ERROR);
  EXPECT_EQ(AUD_LOGLEVEL_DEBUG, log->_threshold);
  aud_log_set_threshold(log, AUD_LOGTYPE_SOCKET, AUD_LOGLEVEL_NONE);
  EXPECT_EQ(AUD_LOGLEVEL_ERROR, log->_threshold);
  aud_log_set_all_thresholds(log, AUD_LOGLEVEL_NONE);
  EXPECT_EQ(AUD_LOGLEVEL_NONE, log->_threshold);
}

TEST_F(LogFixture, SettersRefuseAnUnknownDestination) {
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            aud_log_set_threshold(log, static_cast<aud_logtype_t>(6), AUD_LOGLEVEL_ERROR));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            aud_log_set_timestamping(log, static_cast<aud_logtype_t>(6), AUD_TRUE));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_log_set_threshold(nullptr, AUD_LOGTYPE_CUSTOM, 1));
  EXPECT_EQ(AUD_LOGLEVEL_NONE, log->_threshold);
}

TEST_F(LogFixture, CustomDestinationGetsTheFifteenCharacterTimestampOnlyWhenTimestamped) {
  aud_log_set_threshold(log, AUD_LOGTYPE_CUSTOM, AUD_LOGLEVEL_VERBOSE);
  aud_log(log, AUD_LOGLEVEL_INFO, "plain");
  aud_log_set_timestamping(log, AUD_LOGTYPE_CUSTOM, AUD_TRUE);
  // 2001-09-09 01:46:40 UTC; the rendering uses local time, so only the shape
  // and the seconds are certain.
  aud_utime_t t = {1000000000, 0};
  aud_log_timestamp(log, AUD_LOGLEVEL_INFO, &t, "stamped");
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ("-", seen[0].timestamp);
  ASSERT_EQ(15u, seen[1].timestamp.size());
  EXPECT_EQ(':', seen[1].timestamp[9]);
  EXPECT_EQ(':', seen[1].timestamp[12]);
  EXPECT_EQ("40", seen[1].timestamp.substr(13));
}

TEST_F(LogFixture, OverlongMessageIsCutToTheBufferSizeMinusOne) {
  aud_log_set_threshold(log, AUD_LOGTYPE_CUSTOM, AUD_LOGLEVEL_ERROR);
  ASSERT_EQ(AUD_SUCCESS, aud_log_set_bufsize(log, 64));
  aud_log(log, AUD_LOGLEVEL_ERROR, "%s", std::string(100, 'x').c_str());
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(std::string(63, 'x'), seen[0].message);
}

TEST_F(LogFixture, EmptyMessageIsDropped) {
  aud_log_set_threshold(log, AUD_LOGTYPE_CUSTOM, AUD_LOGLEVEL_ERROR);
  aud_log(log, AUD_LOGLEVEL_ERROR, "%s", "");
  aud_log_str(log, AUD_LOGLEVEL_ERROR, "");
  EXPECT_EQ(0u, seen.size());
}

TEST_F(LogFixture, ExternalBufferIsUsedForFormatting) {
  char buf[80];
  aud_log_set_threshold(log, AUD_LOGTYPE_CUSTOM, AUD_LOGLEVEL_ERROR);
  ASSERT_EQ(AUD_SUCCESS, aud_log_set_external_buf(log, buf, sizeof buf));
  aud_log(log, AUD_LOGLEVEL_ERROR, "value %d", 42);
  EXPECT_STREQ("value 42", buf);
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ("value 42", seen[0].message);
  EXPECT_EQ(AUD_ERR_RANGE, aud_log_set_external_buf(log, buf, 8));
}

TEST_F(LogFixture, StreamLineHasTimestampLevelTextAndOneLineEnd) {
  char *text = nullptr;
  size_t size = 0;
  FILE *fp = open_memstream(&text, &size);
  ASSERT_NE(nullptr, fp);
  aud_log_set_stream(log, fp);
  aud_log_set_threshold(log, AUD_LOGTYPE_STREAM, AUD_LOGLEVEL_NOTICE);
  aud_log(log, AUD_LOGLEVEL_NOTICE, "first\n");
  aud_log_set_timestamping(log, AUD_LOGTYPE_STREAM, AUD_FALSE);
  aud_log(log, AUD_LOGLEVEL_ERROR, "second");
  aud_log(log, AUD_LOGLEVEL_INFO, "third");
  fclose(fp);
  std::string out(text, size);
  free(text);
  ASSERT_GT(out.size(), 16u);
  EXPECT_EQ(" Notice first\nError second\n", out.substr(15));
}

struct LevelTextRow {
  const char *text;
  aud_loglevel_t level;
};

TEST(AudLogLevel, LevelsReadFromTextOrNumber) {
  const LevelTextRow rows[] = {
      {"0", 0},     {"7", 7},       {"8", 8},       {"99", 8},   {"3abc", 3},
      {"error", 2}, {"WARNING", 3}, {"Verbose", 7}, {"none", 0}, {"undef", 8},
      {"bogus", 8}, {"", 8},        {"Err", 8},
  };
  for (const LevelTextRow &r : rows) {
    EXPECT_EQ(r.level, aud_loglevel_from_string(r.text)) << r.text;
  }
  EXPECT_EQ(AUD_LOGLEVEL_UNDEF, aud_loglevel_from_string(nullptr));
}

TEST(AudLogLevel, LevelTextsAndUndefAboveSeven) {
  const char *expected[] = {"None", "Critical", "Error",   "Warning", "Notice",
                            "Info", "Debug",    "Verbose", "Undef",   "Undef"};
  for (aud_loglevel_t l = 0; l < 10; ++l) {
    EXPECT_STREQ(expected[l], aud_loglevel_to_string(l)) << l;
  }
  EXPECT_STREQ("Undef", aud_loglevel_to_string(0xffffffffu));
}

// A UDP receiver on loopback for the socket destination.
struct UdpSink {
  int fd = -1;
  aud_sockaddr_t addr{};
  UdpSink() {
    fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&sin), sizeof sin);
    socklen_t len = sizeof sin;
    getsockname(fd, reinterpret_cast<sockaddr *>(&sin), &len);
    addr.len = sizeof sin;
    addr.addr.inet = sin;
  }
  ~UdpSink() { close(fd); }
  // Non-blocking read of one datagram; empty when none is waiting.
  std::string next() {
    char buf[2048];
    ssize_t n = recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
  }
};

TEST_F(LogFixture, SocketDestinationSendsLevelLetterAndMessage) {
  UdpSink sink;
  ASSERT_EQ(AUD_SUCCESS, aud_log_set_sockaddr(log, &sink.addr));
  aud_log_set_threshold(log, AUD_LOGTYPE_SOCKET, AUD_LOGLEVEL_WARNING);
  aud_log(log, AUD_LOGLEVEL_WARNING, "f: hello");
  aud_log(log, AUD_LOGLEVEL_DEBUG, "f: quiet");
  EXPECT_EQ("W f: hello", sink.next());
  EXPECT_EQ("", sink.next());
}

TEST_F(LogFixture, LongSocketMessageContinuesInDatagramsOfAtMost1458Bytes) {
  UdpSink sink;
  ASSERT_EQ(AUD_SUCCESS, aud_log_set_sockaddr_by_endpoint(log, &sink.addr, 1));
  aud_log_set_threshold(log, AUD_LOGTYPE_SOCKET, AUD_LOGLEVEL_ERROR);
  std::string msg;
  for (int i = 0; i < 3000; ++i) {
    msg.push_back(static_cast<char>('a' + i % 26));
  }
  aud_log_str(log, AUD_LOGLEVEL_ERROR, msg.c_str());
  std::string first = sink.next(), second = sink.next(), third = sink.next();
  EXPECT_EQ(1458u, first.size());
  EXPECT_EQ("E " + msg.substr(0, 1456), first);
  EXPECT_EQ(msg.substr(1456, 1458), second);
  EXPECT_EQ(msg.substr(1456 + 1458), third);
  EXPECT_EQ("", sink.next());
}

TEST_F(LogFixture, SocketSendFailureIsReportedWithoutLosingTheMessageForLaterDestinations) {
  // Sending to port 0 fails at once; the failure report must not replace the
  // text the custom destination receives after the socket.
  aud_sockaddr_t bad{};
  bad.len = sizeof(sockaddr_in);
  bad.addr.inet.sin_family = AF_INET;
  bad.addr.inet.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bad.addr.inet.sin_port = 0;
  ASSERT_EQ(AUD_SUCCESS, aud_log_set_sockaddr(log, &bad));
  aud_log_set_all_thresholds(log, AUD_LOGLEVEL_NONE);
  aud_log_set_threshold(log, AUD_LOGTYPE_SOCKET, AUD_LOGLEVEL_ERROR);
  aud_log_set_threshold(log, AUD_LOGTYPE_CUSTOM, AUD_LOGLEVEL_NOTICE);
  aud_log(log, AUD_LOGLEVEL_ERROR, "f: the message");
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ(0u, seen[0].message.find("aud_log: network logging to 127.0.0.1 (fd "))
      << seen[0].message;
  EXPECT_EQ("f: the message", seen[1].message);
}

TEST_F(LogFixture, NonSocketDescriptorDisablesNetworkLogging) {
  UdpSink sink;
  ASSERT_EQ(AUD_SUCCESS, aud_log_set_sockaddr(log, &sink.addr));
  int fds[2];
  ASSERT_EQ(0, pipe(fds));
  close(fds[1]);
  // Swap the endpoint's socket for a descriptor that is not a socket.
  close(log->_socket[0].socket);
  log->_socket[0].socket = fds[0];
  aud_log_set_threshold(log, AUD_LOGTYPE_SOCKET, AUD_LOGLEVEL_ERROR);
  aud_log_set_threshold(log, AUD_LOGTYPE_CUSTOM, AUD_LOGLEVEL_ERROR);
  aud_log(log, AUD_LOGLEVEL_ERROR, "f: first");
  aud_log(log, AUD_LOGLEVEL_ERROR, "f: second");
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ(AUD_LOGLEVEL_ERROR, seen[0].level);
  EXPECT_EQ("aud_log: bad network logging socket " + std::to_string(fds[0]) +
                " - network logging disabled: Socket operation on non-socket (88)",
            seen[0].message);
  EXPECT_EQ("f: first", seen[1].message);
  EXPECT_EQ("f: second", seen[2].message);
  EXPECT_EQ(-1, log->_socket[0].socket);
}

TEST_F(LogFixture, SocketAddressMustBeIpv4) {
  aud_sockaddr_t unix_addr{};
  unix_addr.addr.generic.sa_family = AF_UNIX;
  EXPECT_EQ(AUD_ERR_AFNOSUPPORT, aud_log_set_sockaddr(log, &unix_addr));
  EXPECT_EQ(-1, log->_socket[0].socket);
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_log_set_sockaddr_by_endpoint(log, nullptr, 2));
}

}  // namespace
