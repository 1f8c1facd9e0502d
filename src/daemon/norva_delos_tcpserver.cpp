#include "daemon/norva_delos_tcpserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "daemon/norva_delos_options.h"

const unsigned char cmd_telnet[9] = {255, 251, 1, 255, 251, 3, 255, 252, 31};

namespace {

// The start of a telnet client's interrupt: IAC IP, IAC DO TIMING-MARK.
const unsigned char kTelnetInterrupt[5] = {255, 244, 255, 253, 6};

// How long the listener waits after clearing g_connect_running, so that every
// idle session (which looks at the flag at least once a second) has ended.
constexpr long kStopGraceMs = 1200;
// Pause after a failed accept or thread creation before accepting again, so a
// persistent failure (no descriptors left) does not spin the listener.
constexpr long kAcceptRetryPauseMs = 100;
// Longest wait for input before the run flags are looked at again.
constexpr int kWaitMs = 1000;

std::atomic<int> g_port{0};
std::atomic<int> g_bound_port{0};
pthread_t g_TcpserverId;
std::atomic<int> g_running{0};
std::atomic<int> g_connect_running{0};
std::atomic<int> g_listening{0};
std::atomic<Tcpserver_proc_t> g_TcpserverProc{nullptr};
std::atomic<int> g_sessions{0};

void sleep_ms(long ms) {
  struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// Waits up to 1 s for fd to become readable (or closed by the peer): 1 ready,
// 0 not yet, -1 error. poll() rather than select(), whose fd_set cannot hold
// descriptors beyond FD_SETSIZE.
int wait_readable(int fd) {
  struct pollfd p = {fd, POLLIN, 0};
  int r = poll(&p, 1, kWaitMs);
  if (r > 0) return 1;
  return r < 0 ? -1 : 0;
}

// Writes all of buf; a peer that has gone away must not raise SIGPIPE.
void write_all(int fd, const char *buf, size_t len) {
  while (len > 0) {
    ssize_t w = send(fd, buf, len, MSG_NOSIGNAL);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;  // the next read sees the closed peer
    buf += w;
    len -= static_cast<size_t>(w);
  }
}

void *task_process_pthread(void *arg) {
  int fd = static_cast<int>(reinterpret_cast<intptr_t>(arg));
  pthread_detach(pthread_self());
  task_process(fd);
  close(fd);
  g_sessions.fetch_sub(1);
  return nullptr;
}

int open_listener(void) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    perror("socket");
    return -1;
  }
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  struct sockaddr_in addr;
  memset(&addr, 0, sizeof addr);
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(g_port.load()));
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  if (!g_norva_options.bind.empty() &&
      inet_pton(AF_INET, g_norva_options.bind.c_str(), &addr.sin_addr) != 1) {
    fprintf(stderr, "Tcpserver: bind address '%s' is no IPv4 address\n",
            g_norva_options.bind.c_str());
    close(fd);
    return -1;
  }
  if (bind(fd, reinterpret_cast<struct sockaddr *>(&addr), sizeof addr) < 0) {
    perror("bind");
    close(fd);
    return -1;
  }
  if (listen(fd, TCPSERVER_LISTEN_BACKLOG) < 0) {
    perror("listen");
    close(fd);
    return -1;
  }
  socklen_t alen = sizeof addr;
  if (getsockname(fd, reinterpret_cast<struct sockaddr *>(&addr), &alen) == 0) {
    g_bound_port.store(ntohs(addr.sin_port));
  }
  return fd;
}

void accept_one(int server_fd) {
  struct sockaddr_in peer;
  socklen_t plen = sizeof peer;
  int fd = accept4(server_fd, reinterpret_cast<struct sockaddr *>(&peer), &plen, SOCK_CLOEXEC);
  if (fd < 0) {
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) return;
    // Running out of descriptors or buffers, or a connection aborted before it
    // was taken, passes; the listener goes on after a short pause.
    perror("accept");
    sleep_ms(kAcceptRetryPauseMs);
    return;
  }
  char ip[INET_ADDRSTRLEN] = "?";
  inet_ntop(AF_INET, &peer.sin_addr, ip, sizeof ip);
  printf("%s: accept client %s\n", "Tcpserver", ip);
  unsigned cap = g_norva_options.max_clients;
  if (g_sessions.load() >= static_cast<int>(cap)) {
    printf("%s: client %s refused: %u sessions already running\n", "Tcpserver", ip, cap);
    close(fd);
    return;
  }
  g_sessions.fetch_add(1);
  pthread_t tid;
  int ret = pthread_create(&tid, nullptr, task_process_pthread,
                           reinterpret_cast<void *>(static_cast<intptr_t>(fd)));
  printf("%s: create task_process_pthread ret %d\n", "Tcpserver", ret);
  if (ret != 0) {
    printf("%s: Create task_process_pthread err %s!\n", "Tcpserver", strerror(ret));
    g_sessions.fetch_sub(1);
    close(fd);
    sleep_ms(kAcceptRetryPauseMs);
  }
}

void *Tcpserver(void *) {
  int server_fd = open_listener();
  if (server_fd < 0) {
    g_running.store(0);
    return nullptr;
  }
  g_connect_running.store(1);
  g_listening.store(1);
  for (;;) {
    if (!g_running.load()) {
      g_connect_running.store(0);
      sleep_ms(kStopGraceMs);
      close(server_fd);
      g_listening.store(0);
      printf("exit server_sockfd(%d)\n", server_fd);
      return nullptr;
    }
    if (wait_readable(server_fd) != 1) continue;
    accept_one(server_fd);
  }
}

}  // namespace

int send_cmd(int fd) {
  ssize_t w = send(fd, cmd_telnet, sizeof cmd_telnet, MSG_NOSIGNAL);
  return w < 0 ? -1 : static_cast<int>(w);
}

int Tcpserver_init(void) {
  g_port.store(0);
  g_bound_port.store(0);
  memset(&g_TcpserverId, 0, sizeof g_TcpserverId);
  g_running.store(0);
  g_connect_running.store(0);
  g_TcpserverProc.store(nullptr);
  return 0;
}

int Tcpserver_registerCallback(Tcpserver_proc_t proc) {
  g_TcpserverProc.store(proc);
  return 0;
}

int Tcpserver_start(int port) {
  if (g_running.load()) return 0;
  g_port.store(port);
  g_bound_port.store(port);
  g_running.store(1);
  int ret = pthread_create(&g_TcpserverId, nullptr, Tcpserver, nullptr);
  printf("%s: create Tcpserver_pthread ret %d\n", "Tcpserver_start", ret);
  if (ret != 0) {
    printf("%s Create Tcpserver_pthread err %s!\n", "Tcpserver_start", strerror(ret));
    g_running.store(0);
    return -1;
  }
  return 0;
}

int Tcpserver_stop(void) {
  // The listener clears g_running itself when it cannot listen; it must be
  // joined all the same, so the join does not depend on the flag.
  static pthread_t none;
  if (memcmp(&g_TcpserverId, &none, sizeof none) == 0) return 0;
  g_running.store(0);
  pthread_join(g_TcpserverId, nullptr);
  memset(&g_TcpserverId, 0, sizeof g_TcpserverId);
  return 0;
}

int Tcpserver_deInit(void) { return 0; }

bool Tcpserver_is_listening(void) { return g_listening.load() != 0; }

int Tcpserver_get_port(void) { return g_bound_port.load(); }

int Tcpserver_session_count(void) { return g_sessions.load(); }

int read_cmdline(int sockfd, char *cmdLine, int size) {
  int count = 0;
  while (count < size - 1) {
    char c;
    ssize_t r = read(sockfd, &c, 1);
    if (r < 0 && errno == EINTR) continue;
    if (r != 1) return static_cast<int>(r);
    cmdLine[count++] = c;
    if (c == '!') break;
  }
  return count;
}

int cmd_analyze(char *cmd, int count) {
  for (int i = 0; i < count && cmd[0] == ' '; ++i) {
    memmove(cmd, cmd + 1, strlen(cmd));
  }
  char *w = cmd;
  for (char *r = cmd; *r != '\0'; ++r) {
    if (*r != '\r' && *r != '\n') *w++ = *r;
  }
  *w = '\0';
  return 0;
}

int cmd_process(int fd, char *cmdLine, int, char *replyArea) {
  Tcpserver_proc_t proc = g_TcpserverProc.load();
  if (proc == nullptr) return 0;
  memset(replyArea, 0, TCPSERVER_REPLY_AREA_SIZE);
  char *reply = replyArea + TCPSERVER_REPLY_RESERVED;
  if (proc(fd, cmdLine, reply, TCPSERVER_REPLY_CAPACITY) != 0) return 0;
  // The handler may have filled the whole capacity; the last byte of the area
  // stays zero, so the text is always terminated.
  replyArea[TCPSERVER_REPLY_AREA_SIZE - 1] = '\0';
  write_all(fd, reply, strlen(reply));
  return 0;
}

int task_process(int sockfd) {
  char *reply = static_cast<char *>(malloc(TCPSERVER_REPLY_AREA_SIZE));
  if (reply == nullptr) {
    printf("%s: no memory for the reply area\n", "task_process");
    return -1;
  }
  char cmd[TCPSERVER_CMD_BUFFER_SIZE];
  for (;;) {
    if (!g_connect_running.load()) break;
    if (wait_readable(sockfd) != 1) continue;
    memset(cmd, 0, sizeof cmd);
    int n = read_cmdline(sockfd, cmd, sizeof cmd);
    if (n < 1) {
      printf("%s: tcp 6888 socket disconnect\n", "task_process");
      break;
    }
    cmd_analyze(cmd, n);
    if (memcmp(cmd, kTelnetInterrupt, sizeof kTelnetInterrupt) == 0) break;
    if (strstr(cmd, "exit") != nullptr) break;
    cmd_process(sockfd, cmd, sizeof cmd, reply);
  }
  free(reply);
  return 0;
}
