// Command round trips over loopback through the real command server, the
// dispatcher and the main-thread hand-over: "help!" and "delos get devices!"
// with 32 devices of 64/64 channels and 8 flows, for 1 and 16 concurrent
// clients. Reports the median and 99th percentile per round trip. The
// daemon's own log lines share standard output: run with
// --benchmark_out=FILE (or send standard output elsewhere) for a clean table.
#include <benchmark/benchmark.h>
#include <netinet/tcp.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "daemon/norva_delos_registry.h"
#include "daemon_cmd/cmd_test_util.h"
#include "daemon_cmd/devlist_fixture.h"

namespace {

constexpr int kRoundTripsPerClient = 200;

struct server_once {
  server_once() {
    loop.start();
    norva_delos_mainq_call([] { cmdtest::add_devices(32, 64, 64, 8); });
    port = cmdtest::start_server();
  }
  ~server_once() {
    Tcpserver_stop();
    cmdtest::wait_until([] { return Tcpserver_session_count() == 0; });
    loop.stop();
  }
  cmdtest::stand_in_main_loop loop;
  int port = 0;
};

server_once &server() {
  static server_once s;
  return s;
}

void run_round_trips(benchmark::State &state, const std::string &command) {
  int clients = static_cast<int>(state.range(0));
  int port = server().port;
  std::vector<double> all;
  for (auto _ : state) {
    std::vector<std::vector<double>> lat(clients);
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
      threads.emplace_back([&, c] {
        int fd = cmdtest::connect_to(port);
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        for (int k = 0; k < kRoundTripsPerClient; ++k) {
          auto t0 = std::chrono::steady_clock::now();
          cmdtest::send_text(fd, command);
          std::string r = cmdtest::read_reply(fd);
          auto t1 = std::chrono::steady_clock::now();
          if (r.empty()) break;
          lat[c].push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        }
        close(fd);
      });
    }
    for (auto &t : threads) t.join();
    for (auto &v : lat) all.insert(all.end(), v.begin(), v.end());
  }
  std::sort(all.begin(), all.end());
  if (!all.empty()) {
    state.counters["median_us"] = all[all.size() / 2];
    state.counters["p99_us"] = all[std::min(all.size() - 1, all.size() * 99 / 100)];
    state.counters["round_trips"] = static_cast<double>(all.size());
  }
}

void BM_RoundTripHelp(benchmark::State &state) { run_round_trips(state, "help!"); }
BENCHMARK(BM_RoundTripHelp)
    ->Arg(1)
    ->Arg(16)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_RoundTripGetDevices32(benchmark::State &state) {
  run_round_trips(state, "delos get devices!");
}
BENCHMARK(BM_RoundTripGetDevices32)
    ->Arg(1)
    ->Arg(16)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
