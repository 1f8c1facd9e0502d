// delosctl: sends one command to norva-delosd's command port and prints the
// JSON reply. Exit status: 0 when the reply's "status" is "success", 1 when it
// is "failure" or "fail" (or anything else), 2 when no connection can be made
// or no JSON reply arrives.
#include <cjson/cJSON.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The daemon reads at most this many bytes as one command.
constexpr size_t kMaxCommand = 2047;
// The daemon's reply area; nothing longer can arrive.
constexpr size_t kMaxReply = 1048576;

void usage(FILE *to) {
  fprintf(to,
          "usage: delosctl [--host H] [--port P] [--timeout S] [--raw] COMMAND...\n"
          "  Joins the COMMAND words with blanks, adds the closing \"!\" when missing,\n"
          "  sends it to norva-delosd and prints the JSON reply (indented, or unchanged\n"
          "  with --raw).\n"
          "  --host H     daemon address (default 127.0.0.1)\n"
          "  --port P     command port (default 6888)\n"
          "  --timeout S  seconds to wait for the connection and the reply (default 5)\n"
          "  --raw        print the reply exactly as received\n"
          "exit status: 0 success, 1 failure, 2 no connection or no JSON reply\n"
          "example: delosctl delos get devices\n");
}

int connect_to(const char *host, const char *port, int timeout_ms) {
  struct addrinfo hints = {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  struct addrinfo *res = nullptr;
  int gai = getaddrinfo(host, port, &hints, &res);
  if (gai != 0) {
    fprintf(stderr, "delosctl: cannot resolve %s: %s\n", host, gai_strerror(gai));
    return -1;
  }
  int fd = -1;
  int last_errno = 0;
  for (struct addrinfo *a = res; a != nullptr && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    int r = connect(fd, a->ai_addr, a->ai_addrlen);
    if (r != 0 && errno == EINPROGRESS) {
      struct pollfd p = {fd, POLLOUT, 0};
      if (poll(&p, 1, timeout_ms) == 1) {
        int err = 0;
        socklen_t len = sizeof err;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        r = err == 0 ? 0 : -1;
        errno = err;
      } else {
        errno = ETIMEDOUT;
      }
    }
    if (r != 0) {
      last_errno = errno;
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(res);
  if (fd < 0) {
    fprintf(stderr, "delosctl: cannot connect to %s port %s: %s\n", host, port,
            strerror(last_errno));
  }
  return fd;
}

bool send_all(int fd, const std::string &s) {
  size_t off = 0;
  while (off < s.size()) {
    ssize_t w = send(fd, s.data() + off, s.size() - off, MSG_NOSIGNAL);
    if (w < 0 && (errno == EINTR || errno == EAGAIN)) {
      struct pollfd p = {fd, POLLOUT, 0};
      poll(&p, 1, 1000);
      continue;
    }
    if (w <= 0) return false;
    off += static_cast<size_t>(w);
  }
  return true;
}

// True once text holds one complete JSON object (braces balanced outside strings).
bool complete_object(const std::string &text) {
  int depth = 0;
  bool in_string = false, escape = false, started = false;
  for (char c : text) {
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
      if (--depth == 0 && started) return true;
    }
  }
  return false;
}

// Reads until one complete object, the peer's close or the deadline.
std::string read_reply(int fd, int timeout_ms, bool *timed_out) {
  std::string out;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  *timed_out = false;
  while (!complete_object(out) && out.size() < kMaxReply) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) {
      *timed_out = true;
      break;
    }
    struct pollfd p = {fd, POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r == 0) {
      *timed_out = true;
      break;
    }
    char buf[65536];
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace

int main(int argc, char **argv) {
  const char *host = "127.0.0.1";
  const char *port = "6888";
  double timeout_s = 5;
  bool raw = false;
  std::string command;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char *name) -> const char * {
      if (i + 1 >= argc) {
        fprintf(stderr, "delosctl: %s needs a value\n", name);
        usage(stderr);
        exit(2);
      }
      return argv[++i];
    };
    if (a == "--host") {
      host = value("--host");
    } else if (a == "--port") {
      port = value("--port");
      char *end = nullptr;
      long p = strtol(port, &end, 10);
      if (*port == '\0' || *end != '\0' || p < 1 || p > 65535) {
        fprintf(stderr, "delosctl: bad port '%s'\n", port);
        return 2;
      }
    } else if (a == "--timeout") {
      const char *t = value("--timeout");
      char *end = nullptr;
      timeout_s = strtod(t, &end);
      if (*t == '\0' || *end != '\0' || !(timeout_s > 0) || timeout_s > 3600) {
        fprintf(stderr, "delosctl: bad timeout '%s'\n", t);
        return 2;
      }
    } else if (a == "--raw") {
      raw = true;
    } else if (a == "--help" || a == "-h") {
      usage(stdout);
      return 0;
    } else if (a == "--") {
      ++i;
      break;
    } else if (a.rfind("--", 0) == 0) {
      fprintf(stderr, "delosctl: unknown option %s\n", a.c_str());
      usage(stderr);
      return 2;
    } else {
      break;
    }
  }
  for (; i < argc; ++i) {
    if (!command.empty()) command += ' ';
    command += argv[i];
  }
  if (command.empty()) {
    usage(stderr);
    return 2;
  }
  if (command.back() != '!') command += '!';
  if (command.size() > kMaxCommand || command.find('!') != command.size() - 1) {
    fprintf(stderr,
            "delosctl: the command must be one line of at most %zu characters with "
            "\"!\" only at its end\n",
            kMaxCommand);
    return 2;
  }

  int timeout_ms = static_cast<int>(timeout_s * 1000);
  int fd = connect_to(host, port, timeout_ms);
  if (fd < 0) return 2;
  if (!send_all(fd, command)) {
    fprintf(stderr, "delosctl: sending failed: %s\n", strerror(errno));
    close(fd);
    return 2;
  }
  bool timed_out = false;
  std::string reply = read_reply(fd, timeout_ms, &timed_out);
  close(fd);

  cJSON *doc = cJSON_Parse(reply.c_str());
  if (doc == nullptr || !cJSON_IsObject(doc)) {
    if (reply.empty()) {
      fprintf(stderr, "delosctl: %s\n",
              timed_out ? "no reply before the time-out"
                        : "the daemon closed the connection without a reply");
    } else {
      fprintf(stderr, "delosctl: the reply is not JSON:\n%s\n", reply.c_str());
    }
    cJSON_Delete(doc);
    return 2;
  }
  if (raw) {
    fwrite(reply.data(), 1, reply.size(), stdout);
    putchar('\n');
  } else {
    char *pretty = cJSON_Print(doc);
    if (pretty != nullptr) puts(pretty);
    cJSON_free(pretty);
  }
  const cJSON *ack = cJSON_GetObjectItemCaseSensitive(doc, "ack");
  const cJSON *status = cJSON_GetObjectItemCaseSensitive(ack, "status");
  int rc;
  if (!cJSON_IsString(status)) {
    fprintf(stderr, "delosctl: the reply has no \"ack\".\"status\"\n");
    rc = 2;
  } else {
    rc = strcmp(status->valuestring, "success") == 0 ? 0 : 1;
  }
  cJSON_Delete(doc);
  return rc;
}
