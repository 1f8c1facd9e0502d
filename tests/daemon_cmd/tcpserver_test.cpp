#include <gtest/gtest.h>
#include <netinet/tcp.h>

#include <string>
#include <vector>

#include "daemon/norva_delos_options.h"
#include "daemon/norva_delos_registry.h"
#include "daemon_cmd/cmd_test_util.h"
#include "daemon_cmd/recording_ops.h"

namespace {

using cmdtest::envelope;
using cmdtest::read_reply;
using cmdtest::send_text;

// One stand-in main loop for the whole program, and one command server,
// started by the first test that needs it (stopping it takes over a second).
class ServerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { loop_.start(); }
  void TearDown() override {
    if (port_ != 0) {
      Tcpserver_stop();
      cmdtest::wait_until([] { return Tcpserver_session_count() == 0; });
    }
    loop_.stop();
  }
  static int port() {
    if (port_ == 0) port_ = cmdtest::start_server();
    return port_;
  }

 private:
  cmdtest::stand_in_main_loop loop_;
  static int port_;
};
int ServerEnvironment::port_ = 0;

const auto *const kEnv = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

class Client {
 public:
  Client() : fd_(cmdtest::connect_to(ServerEnvironment::port())) {
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  ~Client() {
    if (fd_ >= 0) close(fd_);
  }
  int fd() const { return fd_; }
  bool send(const std::string &s) { return send_text(fd_, s); }
  std::string reply() { return read_reply(fd_); }
  std::string ask(const std::string &s) {
    send(s);
    return reply();
  }

 private:
  int fd_;
};

class TcpServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ServerEnvironment::port();
    ASSERT_TRUE(Tcpserver_is_listening());
    saved_ = g_norva_delos_api_ops;
    g_norva_delos_api_ops = cmdtest::recording_ops();
    cmdtest::rec_reset();
  }
  void TearDown() override {
    // Sessions of this test end before the operations are swapped back.
    cmdtest::wait_until([] { return Tcpserver_session_count() == 0; });
    g_norva_delos_api_ops = saved_;
  }
  norva_delos_api_ops saved_;
};

TEST_F(TcpServer, ACommandSplitOverTwoSegmentsIsReadAsOne) {
  Client c;
  ASSERT_GE(c.fd(), 0);
  c.send("delos set sr");
  c.send("ate dev1 48000!");
  EXPECT_EQ(envelope("delos set srate", "success"), c.reply());
  EXPECT_EQ("dev1|48000", cmdtest::rec_get().args);
}

TEST_F(TcpServer, LeadingBlanksAndLineEndsAreRemovedBeforeDispatch) {
  Client c;
  EXPECT_EQ(envelope("delos set srate", "success"), c.ask("   delos set srate dev1 44100!\r\n"));
  EXPECT_EQ("dev1|44100", cmdtest::rec_get().args);
  // The CR LF after the first "!" begins the next command and is removed there.
  EXPECT_EQ(envelope("delos ping", "success"), c.ask("delos ping de\r\nv2!"));
  EXPECT_EQ("ping", cmdtest::rec_get().op);
  EXPECT_EQ("dev2", cmdtest::rec_get().args);
}

TEST_F(TcpServer, TabsAndInnerBlanksAreKept) {
  Client c;
  EXPECT_EQ(envelope("delos ping", "success"), c.ask("delos ping a\tb  c!"));
  EXPECT_EQ("a\tb  c", cmdtest::rec_get().args);
}

TEST_F(TcpServer, A3000ByteLineWithoutBangIsSplitAfter2047Bytes) {
  Client c;
  c.send(std::string(3000, 'a') + "!");
  EXPECT_EQ(envelope(std::string(2047, 'a'), "failure"), c.reply());
  EXPECT_EQ(envelope(std::string(953, 'a') + "!", "failure"), c.reply());
}

TEST_F(TcpServer, ExitInsideAWordEndsTheSessionWithoutAReply) {
  Client c;
  c.send("delos ping myexitdevice!");
  EXPECT_TRUE(cmdtest::peer_closed(c.fd()));
  EXPECT_EQ(0, cmdtest::rec_get().calls);
}

TEST_F(TcpServer, ATelnetInterruptEndsTheSessionOnceItsLineIsComplete) {
  Client c;
  const char interrupt[] = {'\xff', '\xf4', '\xff', '\xfd', '\x06'};
  c.send(std::string(interrupt, sizeof interrupt) + "delos ping dev1");
  c.send("!");
  EXPECT_TRUE(cmdtest::peer_closed(c.fd()));
  EXPECT_EQ(0, cmdtest::rec_get().calls);
}

TEST_F(TcpServer, APeerClosingAtOnceEndsItsSession) {
  {
    Client c;
    ASSERT_GE(c.fd(), 0);
    cmdtest::wait_until([] { return Tcpserver_session_count() > 0; });
  }
  EXPECT_TRUE(cmdtest::wait_until([] { return Tcpserver_session_count() == 0; }));
  Client after;
  EXPECT_EQ(envelope("delos ping", "success"), after.ask("delos ping d!"));
}

TEST_F(TcpServer, APeerClosingMidCommandLosesThatCommand) {
  {
    Client c;
    c.send("delos ping half");
  }
  EXPECT_TRUE(cmdtest::wait_until([] { return Tcpserver_session_count() == 0; }));
  EXPECT_EQ(0, cmdtest::rec_get().calls);
}

TEST_F(TcpServer, AnUnknownCommandFailsNamingIt) {
  Client c;
  EXPECT_EQ(envelope("delos dance!", "failure"), c.ask("delos dance!"));
}

TEST_F(TcpServer, HelpAnswersTheHelpList) {
  Client c;
  std::string r = c.ask("help!");
  EXPECT_EQ(
      0u, r.find("{\n\t\"ack\":\t{\n\t\t\"cmd\":\t\"help\",\n\t\t\"status\":\t\"success\"\n\t},"));
  EXPECT_NE(std::string::npos, r.find("\"delos set lockdown [devname] [lock]!\":\t\"set\""));
}

TEST_F(TcpServer, SeqCountsAcrossBothReportForms) {
  Client c;
  auto seq_of = [](const std::string &r) {
    size_t at = r.find("\"seq\":\t");
    return at == std::string::npos ? -1 : atoi(r.c_str() + at + 7);
  };
  int a = seq_of(c.ask("delos get devices!"));
  int b = seq_of(c.ask("delos get devices someone!"));
  int d = seq_of(c.ask("delos get devices!"));
  ASSERT_GE(a, 0);
  EXPECT_EQ(a + 1, b);
  EXPECT_EQ(b + 1, d);
}

TEST_F(TcpServer, PrefixOrderHoldsOverTheConnection) {
  Client c;
  c.ask("delos set lockdown dev1 1!");
  EXPECT_EQ("set_lock", cmdtest::rec_get().op);
  c.ask("delos set aes67 prefix dev1 7!");
  EXPECT_EQ("set_aes67_prefix", cmdtest::rec_get().op);
  c.ask("delos upgrade query dev1!");
  EXPECT_EQ("upgrade_query", cmdtest::rec_get().op);
}

TEST_F(TcpServer, RenamingAnUnknownDeviceFails) {
  g_norva_delos_api_ops = norva_delos_api_default_ops();
  Client c;
  EXPECT_EQ(envelope("delos set name", "failure"), c.ask("delos set name nosuchdev newname!"));
}

TEST_F(TcpServer, OverLongArgumentsAreRefused) {
  Client c;
  EXPECT_EQ(envelope("delos ping", "failure"), c.ask("delos ping " + std::string(40, 'x') + "!"));
  EXPECT_EQ(0, cmdtest::rec_get().calls);
}

TEST_F(TcpServer, SeveralCommandsInOneSegmentAreAnsweredInOrder) {
  Client c;
  c.send("delos ping a!delos ping b!");
  EXPECT_EQ(envelope("delos ping", "success"), c.reply());
  EXPECT_EQ(envelope("delos ping", "success"), c.reply());
  EXPECT_EQ("b", cmdtest::rec_get().args);
  EXPECT_EQ(2, cmdtest::rec_get().calls);
}

TEST_F(TcpServer, AConnectionOverTheSessionCapIsClosedAtOnce) {
  unsigned saved = g_norva_options.max_clients;
  g_norva_options.max_clients = 2;
  {
    Client a, b;
    EXPECT_EQ(envelope("delos ping", "success"), a.ask("delos ping a!"));
    EXPECT_EQ(envelope("delos ping", "success"), b.ask("delos ping b!"));
    Client over;
    EXPECT_TRUE(cmdtest::peer_closed(over.fd()));
  }
  cmdtest::wait_until([] { return Tcpserver_session_count() == 0; });
  g_norva_options.max_clients = saved;
  Client again;
  EXPECT_EQ(envelope("delos ping", "success"), again.ask("delos ping c!"));
}

TEST(CmdAnalyze, RemovesLeadingBlanksAndEveryLineEnd) {
  struct {
    const char *in;
    const char *out;
  } cases[] = {
      {"   help!", "help!"},     {"\r\nhelp!", "help!"}, {"del\ros p\ning x!", "delos ping x!"},
      {" \t help!", "\t help!"}, {"a  b!", "a  b!"},     {"", ""},
  };
  for (const auto &c : cases) {
    char buf[64] = {};
    strcpy(buf, c.in);
    EXPECT_EQ(0, cmd_analyze(buf, static_cast<int>(strlen(c.in))));
    EXPECT_EQ(std::string(c.out), std::string(buf)) << c.in;
  }
}

TEST(CmdAnalyze, RemovesAtMostCountLeadingBlanks) {
  char buf[16] = "    x!";
  cmd_analyze(buf, 2);
  EXPECT_EQ(std::string("  x!"), std::string(buf));
}

TEST(TelnetSequence, IsWillEchoWillSuppressGoAheadWontNaws) {
  const unsigned char expected[9] = {0xFF, 0xFB, 0x01, 0xFF, 0xFB, 0x03, 0xFF, 0xFC, 0x1F};
  EXPECT_EQ(0, memcmp(expected, cmd_telnet, sizeof expected));
}

}  // namespace

// The program's command server, for the other test files.
int server_port() { return ServerEnvironment::port(); }
