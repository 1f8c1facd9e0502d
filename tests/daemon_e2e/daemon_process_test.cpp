// Runs the real norva-delosd executable and watches it from outside.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string k_daemon = std::string(NORVA_BUILD_DIR) + "/norva-delosd";

int free_port() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr *>(&a), sizeof(a));
  socklen_t len = sizeof(a);
  getsockname(s, reinterpret_cast<sockaddr *>(&a), &len);
  close(s);
  return ntohs(a.sin_port);
}

bool can_connect(int port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(s, reinterpret_cast<sockaddr *>(&a), sizeof(a)) == 0;
  close(s);
  return ok;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// User plus system CPU time of a process, in clock ticks.
long cpu_ticks(pid_t pid) {
  std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
  size_t close_paren = stat.rfind(')');
  if (close_paren == std::string::npos) {
    return -1;
  }
  std::istringstream fields(stat.substr(close_paren + 2));
  std::string f;
  long utime = 0, stime = 0;
  // After the command name: state is field 3; utime and stime are fields 14 and 15.
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::stol(f);
    if (i == 15) stime = std::stol(f);
  }
  return utime + stime;
}

// Waits up to timeout for the child to exit; returns its wait status or -1.
int wait_exit(pid_t pid, std::chrono::seconds timeout) {
  auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

class Daemon : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/norva-e2e-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    dir_ = dir;
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    std::string cmd = "rm -rf " + dir_;
    int ignored = system(cmd.c_str());
    (void)ignored;
  }
  pid_t start(std::vector<std::string> args) {
    args.insert(args.begin(), k_daemon);
    std::string out = dir_ + "/output";
    pid_t pid = fork();
    if (pid == 0) {
      int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(fd, 1);
      dup2(fd, 2);
      std::vector<char *> argv;
      for (auto &a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    pid_ = pid;
    return pid;
  }
  std::string output() { return read_file(dir_ + "/output"); }

  std::string dir_;
  pid_t pid_ = -1;
};

TEST_F(Daemon, WritesTwoConfLinesIdlesWithoutCpuAndStopsCleanlyOnSigterm) {
  int port = free_port();
  std::string conf = dir_ + "/conmon.conf";
  pid_t pid = start({"--no-restart", "--conf", conf, "--interfaces", "lo,nosuch0", "--port",
                     std::to_string(port)});
  bool up = false;
  for (int i = 0; i < 500 && !up; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    up = can_connect(port);
  }
  ASSERT_TRUE(up) << output();
  EXPECT_EQ("interface lo 00.00.00.00.00.00\ninterface nosuch0 00.00.00.00.00.00", read_file(conf));

  // Idle: no devices, no clients. A busy loop would burn a tick every 10 ms.
  long before = cpu_ticks(pid);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  long after = cpu_ticks(pid);
  ASSERT_GE(before, 0);
  EXPECT_LE(after - before, 3) << "daemon used CPU while idle";
  EXPECT_EQ(-1, wait_exit(pid, std::chrono::seconds(0))) << "daemon exited on its own";

  ASSERT_EQ(0, kill(pid, SIGTERM));
  int status = wait_exit(pid, std::chrono::seconds(15));
  ASSERT_NE(-1, status) << "daemon did not stop on SIGTERM";
  pid_ = -1;
  ASSERT_TRUE(WIFEXITED(status)) << output();
  EXPECT_EQ(0, WEXITSTATUS(status)) << output();
}

TEST_F(Daemon, SigintAlsoStopsItWithStatusZero) {
  int port = free_port();
  pid_t pid = start({"--no-restart", "--conf", dir_ + "/c", "--interfaces", "lo,lo", "--port",
                     std::to_string(port)});
  for (int i = 0; i < 500 && !can_connect(port); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(0, kill(pid, SIGINT));
  int status = wait_exit(pid, std::chrono::seconds(15));
  ASSERT_NE(-1, status);
  pid_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output();
}

TEST_F(Daemon, ABadOptionPrintsUsageAndExitsTwo) {
  pid_t pid = start({"--port", "nonsense"});
  int status = wait_exit(pid, std::chrono::seconds(15));
  ASSERT_NE(-1, status);
  pid_ = -1;
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(2, WEXITSTATUS(status));
  EXPECT_NE(std::string::npos, output().find("usage: norva-delosd"));
}

TEST_F(Daemon, AnUnwritableConfFileDoesNotStopStartUp) {
  int port = free_port();
  pid_t pid = start({"--no-restart", "--conf", dir_ + "/missing/dir/conmon.conf", "--interfaces",
                     "lo,lo", "--port", std::to_string(port)});
  bool up = false;
  for (int i = 0; i < 500 && !up; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    up = can_connect(port);
  }
  EXPECT_TRUE(up) << output();
  kill(pid, SIGTERM);
  EXPECT_NE(-1, wait_exit(pid, std::chrono::seconds(15)));
  pid_ = -1;
}

}  // namespace
