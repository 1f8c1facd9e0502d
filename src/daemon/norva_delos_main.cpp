// Start-up, the main select loop and teardown of norva-delosd.
#include "daemon/norva_delos_main.h"

#include <fcntl.h>
#include <net/if.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cassert>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "api/dapi.h"
#include "api/delos_runtime.h"
#include "daemon/norva_delos_api.h"
#include "daemon/norva_delos_browse.h"
#include "daemon/norva_delos_conmon.h"
#include "daemon/norva_delos_mainq.h"
#include "daemon/norva_delos_options.h"
#include "daemon/norva_delos_registry.h"
#include "daemon/norva_delos_routing.h"
#include "daemon/norva_delos_tcpserver.h"
#include "platform/aud_interface.h"
#include "platform/aud_text.h"

app_global test;

// The daemon's timer set holds one event per device plus the daemon's own.
#define NORVA_DELOS_MAX_TIMERS 128
// The longest select() wait when neither the runtime nor a timer names a time.
#define NORVA_DELOS_IDLE_TIMEOUT_S 5

aud_error_t (*norva_delos_get_time)(aud_utime_t *now) = aud_utime_get;

namespace {

// Written by the signal handler; the main loop selects on the read end so a
// stop request ends even a 60 s wait at once.
int g_signal_pipe[2] = {-1, -1};
volatile sig_atomic_t g_stop_requested = 0;

void on_stop_signal(int) {
  g_stop_requested = 1;
  if (g_signal_pipe[1] >= 0) {
    char c = 1;
    ssize_t ignored = write(g_signal_pipe[1], &c, 1);
    (void)ignored;
  }
}

aud_error_t install_stop_signals() {
  if (pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    return aud_error_from_system_error(errno);
  }
  struct sigaction sa;
  memset(&sa, 0, sizeof(sa));
  sa.sa_handler = on_stop_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  // A client that hangs up while its reply is being written must not kill
  // the daemon: the write fails with EPIPE instead.
  signal(SIGPIPE, SIG_IGN);
  return AUD_SUCCESS;
}

void add_wakeup_fd(fd_set *set, int *n, int fd) {
  if (fd >= 0 && fd < FD_SETSIZE) {
    FD_SET(fd, set);
    if (fd + 1 > *n) {
      *n = fd + 1;
    }
  }
}

void drain_fd(int fd) {
  char buf[64];
  while (read(fd, buf, sizeof(buf)) > 0) {
  }
}

void write_mac_line(FILE *fp, const char *name, const unsigned char *mac, bool last) {
  fprintf(fp, "interface %s %02x.%02x.%02x.%02x.%02x.%02x%s", name, mac[0], mac[1], mac[2], mac[3],
          mac[4], mac[5], last ? "" : "\n");
}

}  // namespace

void norva_delos_log_error(aud_error_t error, const char *str) {
  const char *name = aud_error_get_name(error);
  fprintf(stderr, "%s: %d (%s)\n", str, (int)error, name ? name : "??");
}

aud_error_t norva_delos_check_for_error(aud_error_t error, const char *str) {
  if (error == AUD_SUCCESS) {
    return AUD_SUCCESS;
  }
  norva_delos_log_error(error, str);
  return error;
}

int net_get_host_mac_val(const char *pEthName, unsigned char *pHostMac) {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) {
    puts("create socket falise...mac");
    return -1;
  }
  struct ifreq ifr;
  memset(&ifr, 0, sizeof(ifr));
  strncpy(ifr.ifr_name, pEthName, IFNAMSIZ - 1);
  if (ioctl(s, SIOCGIFHWADDR, &ifr) < 0) {
    puts("mac ioctl error");
    close(s);
    return -1;
  }
  memcpy(pHostMac, ifr.ifr_hwaddr.sa_data, 6);
  close(s);
  return 0;
}

int norva_delos_create_conf(void) {
  const norva_delos_options &o = g_norva_options;
  unsigned char mac_secondary[6] = {0};
  unsigned char mac_primary[6] = {0};
  if (net_get_host_mac_val(o.secondary.c_str(), mac_secondary) != 0) {
    memset(mac_secondary, 0, sizeof(mac_secondary));
  }
  if (net_get_host_mac_val(o.primary.c_str(), mac_primary) != 0) {
    memset(mac_primary, 0, sizeof(mac_primary));
  }
  FILE *fp = fopen(o.conf.c_str(), "w");
  if (!fp) {
    return -1;
  }
  write_mac_line(fp, o.primary.c_str(), mac_primary, false);
  write_mac_line(fp, o.secondary.c_str(), mac_secondary, true);
  fflush(fp);
  fclose(fp);
  return 0;
}

int norva_delos_start_server(void) {
  norva_delos_create_conf();
  if (!g_norva_options.restart) {
    return 0;
  }
  // Nothing waits for the services to come up: the conmon client reconnects
  // by itself once the server listens.
  const char *const commands[] = {
      "killall -9 mdnsd\n",
      "killall -9 conmon_cmm\n",
      "/mnt/common/mdnsd &\n",
      "/mnt/common/conmon_cmm &\n",
  };
  for (const char *cmd : commands) {
    int ignored = system(cmd);
    (void)ignored;
  }
  return 0;
}

void delos_sockets_clear(delos_sockets_t *sockets) {
  sockets->n = 0;
  FD_ZERO(&sockets->read_fds);
  FD_ZERO(&sockets->write_fds);
  FD_ZERO(&sockets->except_fds);
}

void delos_sockets_copy(const delos_sockets_t *src, delos_sockets_t *dst) { *dst = *src; }

void norva_delos_set_next_action(aud_utime_t *base, const aud_utime_t *curr) {
  bool unset = base->tv_sec == 0 && base->tv_usec == 0;
  if (unset || aud_utime_compare(curr, base) < 0) {
    *base = *curr;
  }
}

void norva_delos_calculate_select_timeout(app_global *app, struct timeval *next_timeout) {
  aud_utime_t next_action{};
  aud_utime_t runtime_timeout{};
  aud_error_t result =
      delos_runtime_get_sockets_and_timeout(app->runtime, nullptr, &runtime_timeout);
  if (result != AUD_SUCCESS) {
    norva_delos_log_error(result, "Failed to get conmon action time");
  } else {
    aud_utime_t due{};
    if (norva_delos_get_time(&due) == AUD_SUCCESS) {
      aud_utime_add(&due, &runtime_timeout);
      norva_delos_set_next_action(&next_action, &due);
    }
  }
  if (app->timers) {
    const aud_utime_t *firing = norva_delos_dapi_simple_timer_get_next_firing(app->timers);
    if (firing) {
      norva_delos_set_next_action(&next_action, firing);
    }
  }
  next_timeout->tv_sec = NORVA_DELOS_IDLE_TIMEOUT_S;
  next_timeout->tv_usec = 0;
  if (next_action.tv_sec == 0 && next_action.tv_usec == 0) {
    return;
  }
  aud_utime_t now{};
  result = norva_delos_get_time(&now);
  if (result != AUD_SUCCESS) {
    norva_delos_log_error(result, "Failed to get time");
    return;
  }
  if (aud_utime_compare(&next_action, &now) > 0) {
    aud_utime_sub(&next_action, &now);
    *next_timeout = next_action;
  } else {
    next_timeout->tv_sec = 0;
    next_timeout->tv_usec = 0;
  }
}

aud_error_t norva_delos_reload_sockets(app_global *app) {
  app->sockets_changed = AUD_FALSE;
  delos_sockets_clear(&app->sockets);
  return delos_runtime_get_sockets_and_timeout(app->runtime, &app->sockets, nullptr);
}

// One pass: gather the sockets when they changed, wait in select() on the read
// set (plus the command hand-over and stop-signal wake-ups) until the runtime's
// or the timer set's next due time, then let the runtime handle the ready
// sockets and its own timers, run the work handed over by other threads, and
// finally fire the daemon's due timers.
int norva_delos_process(app_global *app) {
  if (app->sockets_changed || delos_runtime_sockets_have_changed(app->runtime)) {
    aud_error_t result = norva_delos_reload_sockets(app);
    if (result != AUD_SUCCESS) {
      norva_delos_log_error(result, "Failed to get Delos sockets");
    }
  }
  delos_sockets_t working;
  delos_sockets_copy(&app->sockets, &working);
  int mainq_fd = norva_delos_mainq_fd();
  add_wakeup_fd(&working.read_fds, &working.n, mainq_fd);
  add_wakeup_fd(&working.read_fds, &working.n, g_signal_pipe[0]);

  struct timeval timeout;
  norva_delos_calculate_select_timeout(app, &timeout);
  int count = select(working.n, &working.read_fds, nullptr, nullptr, &timeout);
  delos_sockets_t *active = nullptr;
  bool wake_mainq = false;
  if (count > 0) {
    if (mainq_fd >= 0 && FD_ISSET(mainq_fd, &working.read_fds)) {
      FD_CLR(mainq_fd, &working.read_fds);
      wake_mainq = true;
    }
    if (g_signal_pipe[0] >= 0 && FD_ISSET(g_signal_pipe[0], &working.read_fds)) {
      FD_CLR(g_signal_pipe[0], &working.read_fds);
      drain_fd(g_signal_pipe[0]);
    }
    active = &working;
  } else if (count < 0 && errno != EINTR) {
    perror("Select failed");
    abort();
  }
  if (g_stop_requested) {
    app->running = AUD_FALSE;
  }
  aud_error_t result = delos_runtime_process_with_sockets(app->runtime, active);
  if (result != AUD_SUCCESS) {
    norva_delos_log_error(result, "Delos sockets failed");
  }
  if (wake_mainq) {
    norva_delos_mainq_run_pending();
  }
  if (app->timers) {
    result = norva_delos_dapi_simple_timer_process(app->timers, nullptr);
    if (result != AUD_SUCCESS) {
      norva_delos_log_error(result, "Process timers failed");
    }
  }
  return 0;
}

static void norva_delos_teardown(app_global *app) {
  // Stop taking commands first: their operations need the objects below.
  Tcpserver_stop();
  // The browse session, the routing device set and the conmon client are
  // deleted here, in that order around the timer set, once they exist.
  if (app->timers) {
    norva_delos_dapi_simple_timer_delete(app->timers);
    app->timers = nullptr;
    app->timer.connect_timer = nullptr;
  }
  if (app->dapi) {
    dapi_delete(app->dapi);
    app->dapi = nullptr;
    app->env = nullptr;
    app->runtime = nullptr;
  }
}

int norva_delos_main(int argc, char **argv) {
  int parsed = norva_delos_options_parse(argc, argv, &g_norva_options);
  if (parsed == 1) {
    return 0;
  }
  if (parsed != 0) {
    return 2;
  }
  // Avahi's DNS-SD compatibility library warns on stderr about every call it
  // does not support; the engine adapts to those, so the warnings are noise.
  setenv("AVAHI_COMPAT_NOWARN", "1", 0);
  setvbuf(stdout, nullptr, _IOLBF, 0);
  if (install_stop_signals() != AUD_SUCCESS) {
    perror("signal pipe");
    return 1;
  }

  pthread_mutex_init(&g_MutexDev, nullptr);
  pthread_mutex_init(&g_MutexAes67, nullptr);
  norva_delos_start_server();

  app_global *app = &test;
  memset(static_cast<void *>(app), 0, sizeof(*app));
  db_browse_config_init_defaults(&app->browse_config);

  aud_interface_identifier_t ids[2];
  memset(ids, 0, sizeof(ids));
  const std::string *names[2] = {&g_norva_options.primary, &g_norva_options.secondary};
  for (int i = 0; i < 2; ++i) {
    ids[i].flags = AUD_INTERFACE_IDENTIFIER_FLAG_NAME;
    aud_strlcpy(ids[i].name, names[i]->c_str(), 63);
    // A missing interface leaves index 0, which the browse treats as no interface.
    aud_interface_get_identifiers(nullptr, &ids[i], 1);
    app->browse_config.interface_indexes[i] = ids[i].index;
  }
  app->browse_config.num_interface_indexes = 2;
  app->types = DB_BROWSE_TYPE_MEDIA_DEVICE | DB_BROWSE_TYPE_AES67_FLOW;
  app->print_node_changes = AUD_TRUE;

  aud_error_t err = dapi_new(&app->dapi);
  if (err != AUD_SUCCESS) {
    printf("Error initialising environment: %s\n", aud_error_message(err, app->errbuf));
    norva_delos_teardown(app);
    return 0;
  }
  app->env = dapi_get_env(app->dapi);
  app->runtime = dapi_get_runtime(app->dapi);
  assert(app->env && app->runtime);
  if (!app->env || !app->runtime) {
    abort();
  }

  if (norva_delos_check_for_error(norva_delos_conmon_init(app), "Conmon not initialised")) {
    norva_delos_teardown(app);
    return 1;
  }
  if (norva_delos_check_for_error(norva_delos_routing_init(app), "Routing not initialised")) {
    norva_delos_teardown(app);
    return 1;
  }
  app->timers = norva_delos_dapi_simple_timer_new(NORVA_DELOS_MAX_TIMERS);
  if (!app->timers) {
    puts("Failed to init timers");
    norva_delos_teardown(app);
    return 1;
  }
  app->timer.connect_timer = norva_delos_dapi_simple_timer_event_alloc(app->timers);
  app->timer.connect_timer_op = CONNECT_TIMER_NONE;
  app->timer.context = app;
  norva_delos_dapi_simple_timer_event_set_callback(app->timer.connect_timer,
                                                   norva_delos_connect_timer_fired, &app->timer);

  // Commands run their operations on this thread through the hand-over queue.
  norva_delos_mainq_set_main_thread();
  if (norva_delos_check_for_error(norva_delos_mainq_init(), "Command queue not initialised")) {
    norva_delos_teardown(app);
    return 1;
  }
  Tcpserver_init();
  Tcpserver_registerCallback(Main_FUNC_TcpserverProc);
  Tcpserver_start(g_norva_options.port);

  pthread_t params;
  if (pthread_create(&params, nullptr, norva_delos_pthread_get_params, nullptr) == 0) {
    pthread_detach(params);
  }

  app->running = AUD_TRUE;
  app->sockets_changed = AUD_TRUE;
  while (app->running) {
    norva_delos_process(app);
    app->network_changed = AUD_FALSE;
    if (!app->running) {
      break;
    }
    if (app->requests.register_cm_status.ok && !app->browse) {
      if (norva_delos_browse_init(app) != AUD_SUCCESS) {
        puts("norva_delos_browse_init err");
        break;
      }
    }
    if (app->browse) {
      norva_delos_browse_reconfirm(app);
    }
  }
  norva_delos_teardown(app);
  return 0;
}
