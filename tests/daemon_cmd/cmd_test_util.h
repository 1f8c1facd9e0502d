// Test helpers for the command service: a stand-in main loop that serves the
// main-thread queue, a command server on an ephemeral loopback port, and a
// small blocking TCP client.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "daemon/norva_delos_api.h"
#include "daemon/norva_delos_mainq.h"
#include "daemon/norva_delos_tcpserver.h"

namespace cmdtest {

// Runs the main-thread queue on a thread of its own, as the daemon's main
// loop does with the wake-up descriptor in its select set.
class stand_in_main_loop {
 public:
  void start() {
    norva_delos_mainq_init();
    std::atomic<bool> ready{false};
    thread_ = std::thread([this, &ready] {
      norva_delos_mainq_set_main_thread();
      ready = true;
      while (!stop_) {
        struct pollfd p = {norva_delos_mainq_fd(), POLLIN, 0};
        if (poll(&p, 1, 50) > 0) norva_delos_mainq_run_pending();
      }
    });
    while (!ready) std::this_thread::yield();
  }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
};

// Waits (bounded, for progress only; no timing is asserted) until pred holds.
template <typename P>
bool wait_until(P pred, int limit_ms = 10000) {
  for (int i = 0; i < limit_ms / 5; ++i) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return pred();
}

// Starts the command server with the real dispatcher on a free loopback port.
inline int start_server() {
  Tcpserver_init();
  Tcpserver_registerCallback(Main_FUNC_TcpserverProc);
  Tcpserver_start(0);
  wait_until([] { return Tcpserver_is_listening(); });
  return Tcpserver_get_port();
}

inline int connect_to(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<struct sockaddr *>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

inline bool send_text(int fd, const std::string &s) {
  size_t off = 0;
  while (off < s.size()) {
    ssize_t w = send(fd, s.data() + off, s.size() - off, MSG_NOSIGNAL);
    if (w <= 0) return false;
    off += static_cast<size_t>(w);
  }
  return true;
}

// Reads one JSON reply: the server sends no terminator, so the reply ends
// when its braces balance (no reply text holds a brace inside a string
// unless a test puts one there). Empty on close or after limit_ms of silence.
inline std::string read_reply(int fd, int limit_ms = 10000) {
  std::string out;
  int depth = 0;
  bool in_string = false, escape = false, started = false;
  for (;;) {
    struct pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, limit_ms) <= 0) return out;
    char buf[65536];
    ssize_t n = recv(fd, buf, sizeof buf, MSG_PEEK);
    if (n <= 0) return out;
    ssize_t take = 0;
    bool done = false;
    for (ssize_t i = 0; i < n && !done; ++i) {
      char c = buf[i];
      ++take;
      if (in_string) {
        if (escape)
          escape = false;
        else if (c == '\\')
          escape = true;
        else if (c == '"')
          in_string = false;
      } else if (c == '"') {
        in_string = true;
      } else if (c == '{') {
        ++depth;
        started = true;
      } else if (c == '}') {
        if (--depth == 0 && started) done = true;
      }
    }
    ssize_t got = recv(fd, buf, static_cast<size_t>(take), 0);
    if (got <= 0) return out;
    out.append(buf, static_cast<size_t>(got));
    if (done) return out;
  }
}

// True when the peer has closed the connection (reads end of file) within limit_ms.
inline bool peer_closed(int fd, int limit_ms = 10000) {
  struct pollfd p = {fd, POLLIN, 0};
  if (poll(&p, 1, limit_ms) <= 0) return false;
  char c;
  return recv(fd, &c, 1, 0) == 0;
}

// The envelope {"ack":{"cmd":cmd,"status":status}} as cJSON_Print writes it.
inline std::string envelope(const std::string &cmd, const std::string &status) {
  return "{\n\t\"ack\":\t{\n\t\t\"cmd\":\t\"" + cmd + "\",\n\t\t\"status\":\t\"" + status +
         "\"\n\t}\n}";
}

}  // namespace cmdtest
