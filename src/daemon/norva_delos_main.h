// The daemon's application context, start-up and main loop.
#pragma once

#include <sys/select.h>

#include <cstdint>

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

// Socket sets for select(): n is one more than the highest descriptor.
#ifndef NORVA_DELOS_SOCKETS_DEFINED
#define NORVA_DELOS_SOCKETS_DEFINED
struct delos_sockets {
  int n;
  fd_set read_fds;
  fd_set write_fds;
  fd_set except_fds;
};
typedef delos_sockets delos_sockets_t;
#endif


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
