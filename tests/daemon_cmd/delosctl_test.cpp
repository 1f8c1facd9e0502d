#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "daemon_cmd/cmd_test_util.h"
#include "daemon_cmd/recording_ops.h"

// The program's command server (started on first use by tcpserver_test.cpp).
int server_port();

namespace {

const std::string kDelosctl = std::string(NORVA_BUILD_DIR) + "/tools/delosctl/delosctl";

struct run_result {
  int status;
  std::string out;
};

// Runs delosctl with args (and stderr folded into the output).
run_result run_delosctl(const std::string &args) {
  std::string cmd = kDelosctl + " " + args + " 2>&1";
  FILE *p = popen(cmd.c_str(), "r");
  run_result r{-1, ""};
  if (p == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

class Delosctl : public ::testing::Test {
 protected:
  void SetUp() override {
    struct stat st;
    if (stat(kDelosctl.c_str(), &st) != 0) GTEST_SKIP() << "delosctl is not built: " << kDelosctl;
    port_ = " --port " + std::to_string(server_port()) + " ";
    ASSERT_TRUE(Tcpserver_is_listening());
    saved_ = g_norva_delos_api_ops;
    g_norva_delos_api_ops = cmdtest::recording_ops();
    cmdtest::rec_reset();
  }
  void TearDown() override {
    cmdtest::wait_until([] { return Tcpserver_session_count() == 0; });
    g_norva_delos_api_ops = saved_;
  }
  norva_delos_api_ops saved_;
  std::string port_;
};

TEST_F(Delosctl, ExitsZeroOnSuccessAndPrintsTheIndentedReply) {
  run_result r = run_delosctl(port_ + "delos set srate dev1 48000");
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(cmdtest::envelope("delos set srate", "success") + "\n", r.out);
  EXPECT_EQ("dev1|48000", cmdtest::rec_get().args);
}

TEST_F(Delosctl, AddsTheClosingBangOnlyWhenMissing) {
  EXPECT_EQ(0, run_delosctl(port_ + "delos ping one").status);
  EXPECT_EQ("one", cmdtest::rec_get().args);
  EXPECT_EQ(0, run_delosctl(port_ + "'delos ping two!'").status);
  EXPECT_EQ("two", cmdtest::rec_get().args);
}

TEST_F(Delosctl, ExitsOneOnAFailureReply) {
  cmdtest::rec_routing_result() = -1;
  run_result r = run_delosctl(port_ + "delos ping dev1");
  EXPECT_EQ(1, r.status);
  EXPECT_EQ(cmdtest::envelope("delos ping", "failure") + "\n", r.out);
  EXPECT_EQ(1, run_delosctl(port_ + "no such command").status);
}

TEST_F(Delosctl, RawPrintsTheReplyUnchanged) {
  run_result r = run_delosctl("--raw" + port_ + "help");
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(0u, r.out.find("{\n\t\"ack\":\t{\n\t\t\"cmd\":\t\"help\""));
}

TEST_F(Delosctl, ExitsTwoWhenTheDaemonClosesWithoutAReply) {
  run_result r = run_delosctl(port_ + "exit");
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.out.find("without a reply")) << r.out;
}

TEST_F(Delosctl, ExitsTwoWhenItCannotConnect) {
  // A port that was just free: bind, read it, close.
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<struct sockaddr *>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<struct sockaddr *>(&a), &len);
  close(fd);
  run_result r = run_delosctl("--port " + std::to_string(ntohs(a.sin_port)) + " help");
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.out.find("cannot connect")) << r.out;
}

TEST_F(Delosctl, ExitsTwoOnBadOptions) {
  EXPECT_EQ(2, run_delosctl("--port 70000 help").status);
  EXPECT_EQ(2, run_delosctl("--bogus help").status);
  EXPECT_EQ(2, run_delosctl("").status);
  EXPECT_EQ(2, run_delosctl(port_ + "'a! b'").status);
}

}  // namespace
