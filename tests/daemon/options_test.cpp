#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "daemon/norva_delos_options.h"

namespace {

int parse(std::vector<std::string> args, norva_delos_options *opts) {
  args.insert(args.begin(), "norva-delosd");
  std::vector<char *> argv;
  for (std::string &a : args) {
    argv.push_back(a.data());
  }
  argv.push_back(nullptr);
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  int r = norva_delos_options_parse(static_cast<int>(args.size()), argv.data(), opts);
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  return r;
}

TEST(Options, NoArgumentsKeepTheBoxDefaults) {
  norva_delos_options o;
  EXPECT_EQ(0, parse({}, &o));
  EXPECT_EQ(6888, o.port);
  EXPECT_EQ("/etc/conmon.conf", o.conf);
  EXPECT_EQ("eth1", o.primary);
  EXPECT_EQ("eth0", o.secondary);
  EXPECT_EQ("/var/run/delos/conmon.server", o.conmon_socket);
  EXPECT_TRUE(o.restart);
  EXPECT_EQ(0u, o.log_level);
  EXPECT_EQ(64u, o.max_clients);
  EXPECT_EQ("", o.bind);
}

TEST(Options, EveryOptionIsRead) {
  norva_delos_options o;
  EXPECT_EQ(0, parse({"--port", "7000", "--bind", "127.0.0.1", "--conf", "/tmp/x.conf",
                      "--interfaces", "lo,dummy0", "--conmon-socket", "/tmp/cm.sock",
                      "--no-restart", "--log-level", "7", "--max-clients", "8"},
                     &o));
  EXPECT_EQ(7000, o.port);
  EXPECT_EQ("127.0.0.1", o.bind);
  EXPECT_EQ("/tmp/x.conf", o.conf);
  EXPECT_EQ("lo", o.primary);
  EXPECT_EQ("dummy0", o.secondary);
  EXPECT_EQ("/tmp/cm.sock", o.conmon_socket);
  EXPECT_FALSE(o.restart);
  EXPECT_EQ(7u, o.log_level);
  EXPECT_EQ(8u, o.max_clients);
}

TEST(Options, HelpAndVersionAskToExitCleanly) {
  norva_delos_options o;
  EXPECT_EQ(1, parse({"--help"}, &o));
  EXPECT_EQ(1, parse({"--version"}, &o));
}

TEST(Options, BadOptionsAreRefusedAndLeaveTheOptionsUntouched) {
  const std::vector<std::vector<std::string>> bad = {
      {"--port", "0"},
      {"--port", "65536"},
      {"--port", "12ab"},
      {"--port", "-1"},
      {"--port"},
      {"--bind", "localhost"},
      {"--bind", "1.2.3"},
      {"--interfaces", "eth0"},
      {"--interfaces", ",eth0"},
      {"--interfaces", "eth0,"},
      {"--interfaces", "averyveryverylongname,eth0"},
      {"--log-level", "8"},
      {"--max-clients", "0"},
      {"--conf", ""},
      {"--conmon-socket", std::string(108, 'a')},
      {"--frobnicate"},
      {"stray"},
  };
  for (const auto &args : bad) {
    norva_delos_options o;
    o.port = 1234;
    SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
    EXPECT_EQ(2, parse(args, &o));
    EXPECT_EQ(1234, o.port);
    EXPECT_EQ("eth1", o.primary);
  }
}

}  // namespace
