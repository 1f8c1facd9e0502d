#include "common/dt_log.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <string>

namespace {

// Runs fn with standard error sent into a pipe and returns what was written.
template <typename Fn>
std::string capture_stderr(Fn fn) {
  int fds[2];
  if (pipe(fds) != 0) {
    return "<pipe failed>";
  }
  fflush(stderr);
  int saved = dup(STDERR_FILENO);
  dup2(fds[1], STDERR_FILENO);
  close(fds[1]);
  fn();
  fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::string out;
  char buf[512];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) {
    out.append(buf, static_cast<size_t>(n));
  }
  close(fds[0]);
  return out;
}

struct DtLog : ::testing::Test {
  void SetUp() override { dt_log_reset(); }
  void TearDown() override { dt_log_reset(); }
};

TEST_F(DtLog, WarningGoesToStandardErrorWithTimestampLevelAndLineEnd) {
  std::string out = capture_stderr([] { dt_log(DT_LOG_WARN, "dns: %d retries", 3); });
  EXPECT_TRUE(std::regex_match(out, std::regex("[A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d "
                                               "Warning: dns: 3 retries\n")))
      << out;
}

TEST_F(DtLog, InfoIsNotWrittenWithTheInitialSettings) {
  std::string out = capture_stderr([] {
    dt_log(DT_LOG_INFO, "quiet");
    dt_log_str(DT_LOG_DEBUG, "quieter");
  });
  EXPECT_EQ("", out);
}

TEST_F(DtLog, StreamWithoutTimestampsGetsLevelTextAndMessage) {
  char *text = nullptr;
  size_t size = 0;
  FILE *fp = open_memstream(&text, &size);
  dt_log_set_stream(fp);
  dt_logto(DT_LOG_TO_STREAM);
  dt_log_set_stream_timestamp(false);
  dt_log_set_stream_threshold(DT_LOG_ERR);
  dt_log(DT_LOG_ERR, "one\n");
  dt_log_str(DT_LOG_FATAL, "two");
  dt_log(DT_LOG_WARN, "dropped");
  fclose(fp);
  EXPECT_EQ("Error: one\nFatal error: two\n", std::string(text, size));
  free(text);
}

struct ThresholdRow {
  uint32_t to;
  dt_loglevel_t stream;
  dt_loglevel_t socket;
  dt_loglevel_t effective;
};

TEST_F(DtLog, EffectiveThresholdFollowsDestinations) {
  const ThresholdRow rows[] = {
      {0, DT_LOG_WARN, DT_LOG_INFO, DT_LOG_UNDEF},
      {DT_LOG_TO_SYSLOG, DT_LOG_WARN, DT_LOG_INFO, DT_LOG_NONE},
      {DT_LOG_TO_STDERR, DT_LOG_ERR, DT_LOG_INFO, DT_LOG_ERR},
      {DT_LOG_TO_STDOUT | DT_LOG_TO_SOCKET, DT_LOG_ERR, DT_LOG_INFO, DT_LOG_INFO},
      {DT_LOG_TO_STDOUT | DT_LOG_TO_SOCKET, DT_LOG_DEBUG, DT_LOG_INFO, DT_LOG_DEBUG},
      {DT_LOG_TO_SOCKET, DT_LOG_DEBUG, DT_LOG_NOTICE, DT_LOG_NOTICE},
  };
  for (const ThresholdRow &r : rows) {
    dt_log_set_stream_threshold(r.stream);
    dt_log_set_socket_threshold(r.socket);
    dt_logto(r.to);
    EXPECT_EQ(r.effective, dt_log_get_settings()->_threshold) << "mask " << r.to;
  }
}

TEST_F(DtLog, LevelTexts) {
  const char *expected[] = {"No error",        "Debug",          "Info",           "Notice",
                            "Warning",         "Error",          "Critical error", "Fatal error",
                            "Undefined error", "Undefined error"};
  for (int l = 0; l < 10; ++l) {
    EXPECT_STREQ(expected[l], dt_loglevel_to_str(static_cast<dt_loglevel_t>(l))) << l;
  }
}

TEST_F(DtLog, FixedBufferCutsLongMessages) {
  char buf[8];
  char *text = nullptr;
  size_t size = 0;
  FILE *fp = open_memstream(&text, &size);
  dt_log_set_stream(fp);
  dt_logto(DT_LOG_TO_STREAM);
  dt_log_set_stream_timestamp(false);
  dt_log_set_buffer(buf, sizeof buf);
  dt_log(DT_LOG_ERR, "%s", "0123456789");
  fclose(fp);
  EXPECT_EQ("Error: 0123456\n", std::string(text, size));
  free(text);
}

TEST_F(DtLog, SocketSendsLevelLetterAndCutsAt1458Bytes) {
  int rx = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(0, bind(rx, reinterpret_cast<sockaddr *>(&sin), sizeof sin));
  socklen_t len = sizeof sin;
  getsockname(rx, reinterpret_cast<sockaddr *>(&sin), &len);
  aud_sockaddr_t addr{};
  addr.len = sizeof sin;
  addr.addr.inet = sin;
  ASSERT_EQ(AUD_SUCCESS, dt_log_set_socket(&addr, nullptr));
  dt_logto(DT_LOG_TO_SOCKET);
  std::string msg(2000, 'm');
  dt_log(DT_LOG_NOTICE, "%s", msg.c_str());
  dt_log(DT_LOG_DEBUG, "below the socket threshold");
  auto next = [rx]() {
    char buf[2048];
    ssize_t n = recv(rx, buf, sizeof buf, MSG_DONTWAIT);
    return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
  };
  std::string first = next(), second = next();
  EXPECT_EQ("N " + msg.substr(0, 1456), first);
  EXPECT_EQ(msg.substr(1456), second);
  EXPECT_EQ("", next());
  close(rx);
}

}  // namespace
