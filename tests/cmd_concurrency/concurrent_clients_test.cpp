#include <gtest/gtest.h>
#include <netinet/tcp.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "daemon/norva_delos_registry.h"
#include "daemon_cmd/cmd_test_util.h"

namespace {

constexpr int kClients = 32;
constexpr int kCommandsPerClient = 200;

// What one command should be answered with; empty when only checked loosely.
struct exchange {
  std::string command;
  std::string expected;
};

exchange command_for(int client, int k, const std::string &help) {
  std::string dev = "dev" + std::to_string(client);
  switch (k % 5) {
    case 0:
      return {"delos set srate " + dev + " " + std::to_string(44100 + k) + "!",
              cmdtest::envelope("delos set srate", "success")};
    case 1:
      return {"delos ping " + dev + "!", cmdtest::envelope("delos ping", "failure")};
    case 2: {
      std::string bogus = "delos bogus " + std::to_string(client) + " " + std::to_string(k) + "!";
      return {bogus, cmdtest::envelope(bogus, "failure")};
    }
    case 3:
      return {"help!", help};
    default:
      return {"delos get devices mixer!", ""};
  }
}

bool is_mixer_report(const std::string &r) {
  return r.rfind(
             "{\n\t\"ack\":\t{\n\t\t\"cmd\":\t\"delos get "
             "devices\",\n\t\t\"status\":\t\"success\",",
             0) == 0 &&
         r.find("\"name\":\t\"mixer\"") != std::string::npos &&
         r.find("\"aes67list\":\t[]\n}") != std::string::npos;
}

TEST(ConcurrentClients, ThirtyTwoClientsSendingTwoHundredCommandsEachGetEveryReplyRight) {
  cmdtest::stand_in_main_loop loop;
  loop.start();
  norva_delos_mainq_call([] {
    delos_dev *d = norva_delos_dev_add("mixer", "AVIO-000001");
    strcpy(d->stNet[0].azMAC, "001dc1000001");
    norva_delos_dev_add("stage", "AVIO-000002");
  });
  int port = cmdtest::start_server();
  ASSERT_TRUE(Tcpserver_is_listening());

  std::string help;
  {
    int fd = cmdtest::connect_to(port);
    ASSERT_GE(fd, 0);
    cmdtest::send_text(fd, "help!");
    help = cmdtest::read_reply(fd);
    close(fd);
  }
  ASSERT_FALSE(help.empty());

  std::atomic<int> wrong{0}, answered{0};
  std::vector<std::string> first_wrong(kClients);
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      int fd = cmdtest::connect_to(port);
      if (fd < 0) {
        wrong += kCommandsPerClient;
        return;
      }
      int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      for (int k = 0; k < kCommandsPerClient; ++k) {
        exchange x = command_for(i, k, help);
        cmdtest::send_text(fd, x.command);
        std::string r = cmdtest::read_reply(fd, 60000);
        bool ok = x.expected.empty() ? is_mixer_report(r) : r == x.expected;
        if (ok) {
          ++answered;
        } else {
          if (wrong++ == 0 || first_wrong[i].empty()) first_wrong[i] = x.command + " -> " + r;
        }
      }
      close(fd);
    });
  }
  for (auto &t : clients) t.join();

  EXPECT_EQ(0, wrong.load());
  EXPECT_EQ(kClients * kCommandsPerClient, answered.load());
  for (const auto &w : first_wrong) {
    if (!w.empty()) ADD_FAILURE() << w;
  }

  Tcpserver_stop();
  cmdtest::wait_until([] { return Tcpserver_session_count() == 0; });
  norva_delos_mainq_call([] {
    norva_delos_dev_del("mixer");
    norva_delos_dev_del("stage");
  });
  loop.stop();
}

}  // namespace
