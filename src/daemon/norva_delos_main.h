// The daemon's application context, start-up and main loop.
#pragma once

#include <sys/select.h>

#include <cstdint>

#include "api/delos_runtime.h"
#include "browse/db_browse_config.h"
#include "daemon/norva_delos_timer.h"
#include "platform/aud_error.h"
#include "platform/aud_time.h"

struct dapi;
struct aud_env;
struct delos_runtime;
struct db_browse;
struct conmon_client;
struct dr_devices;

typedef enum {
  LOCAL_DELOS_NOT_READY = 0,
  LOCAL_DELOS_HAVE_CONMON = 1,
  LOCAL_DELOS_READY = 2,
  LOCAL_DELOS_ACTIVE = 3,
} local_delos_state_t;



// One outstanding request to the local conmon server and whether it was accepted.
struct request_tracker_conmon_t {
  const void *req_id;  // null when nothing is outstanding
  aud_bool_t ok;
};

struct app_request {
  request_tracker_conmon_t register_cm_status;
};

// The single application context. Fields are used on the main thread only.
struct app_global {
  struct dapi *dapi;          // the API instance; owned, deleted at teardown
  aud_env *env;               // borrowed from the instance
  delos_runtime *runtime;     // borrowed from the instance
  db_browse *browse;          // null until browsing has started
  conmon_client *conmon;      // the conmon client
  dr_devices *routing;        // the routing device set
  local_delos_state_t delos_state;
  norva_delos_timer_t timer;  // the daemon-wide connect timer
  aud_bool_t running;
  aud_bool_t sockets_changed;
  delos_sockets_t sockets;
  aud_bool_t print_node_changes;
  aud_bool_t network_changed;
  aud_errbuf_t errbuf;
  db_browse_config_t browse_config;
  db_browse_types_t types;
  dapi_simple_timer_t *timers;  // the daemon's timer set
  app_request requests;
};

// The one application context.
extern app_global test;

// Returns 0 for AUD_SUCCESS; otherwise logs "str: code (NAME)" to stderr and
// returns error.
aud_error_t norva_delos_check_for_error(aud_error_t error, const char *str);
// Writes "%s: %d (%s)\n" (str, code, code name or "??") to standard error.
void norva_delos_log_error(aud_error_t error, const char *str);

// The daemon's entry point: parses the options, starts up, runs the main loop
// until SIGTERM or SIGINT (or until browsing cannot start) and tears down.
// Returns the process exit status.
int norva_delos_main(int argc, char **argv);

// Copies the 6-byte hardware address of the named interface; 0 or -1.
int net_get_host_mac_val(const char *pEthName, unsigned char *pHostMac);
// Writes the conmon server configuration file (two lines, primary interface
// first); 0, or -1 when the file cannot be opened.
int norva_delos_create_conf(void);
// Writes the configuration file and, unless disabled, restarts the local
// mDNS responder and conmon server; returns 0.
int norva_delos_start_server(void);

void delos_sockets_clear(delos_sockets_t *sockets);
void delos_sockets_copy(const delos_sockets_t *src, delos_sockets_t *dst);
// Keeps in base the earlier of base and curr; a zero base counts as unset.
void norva_delos_set_next_action(aud_utime_t *base, const aud_utime_t *curr);
// The select() time-out: until the earlier of the runtime's next due work and
// the timer set's next firing; 5 s when neither is known or the clock fails;
// zero when that time has passed.
void norva_delos_calculate_select_timeout(app_global *app, struct timeval *next_timeout);
// Gathers the runtime's sockets into app->sockets.
aud_error_t norva_delos_reload_sockets(app_global *app);
// One pass of the main loop; returns 0.
int norva_delos_process(app_global *app);

// The clock the main loop reads; tests may replace it.
extern aud_error_t (*norva_delos_get_time)(aud_utime_t *now);
