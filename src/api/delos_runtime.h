// The runtime: the one place where the sockets and time-outs of every component of
// an instance are gathered for the application's main loop. The application asks
// for the socket sets and the longest time it may wait, waits in its own select(),
// and hands the ready sets back. Main thread only; processing is not re-entrant.
#pragma once

#include <sys/select.h>

#include "api/aud_env.h"
#include "platform/aud_error.h"
#include "platform/aud_event_loop.h"
#include "platform/aud_time.h"

// Socket sets for select(): n is one more than the highest descriptor.
struct delos_sockets {
  int n;
  fd_set read_fds;
  fd_set write_fds;
  fd_set except_fds;
};
typedef delos_sockets delos_sockets_t;

struct delos_runtime;
typedef delos_runtime delos_runtime_t;

// Optional asynchronous change notification (unused by the daemon).
typedef void (*delos_runtime_notify_fn)(delos_runtime_t *runtime, void *context);
struct delos_runtime_notify {
  aud_bool_t enable;
  delos_runtime_notify_fn cb;
  void *context;
};

struct delos_runtime {
  aud_env_t *env;
  aud_event_loop_t *loop;  // the environment's loop
  aud_bool_t sockets_changed;
  aud_bool_t processing;
  delos_runtime_notify notify;
};

// The longest time delos_runtime_get_sockets_and_timeout lets the caller wait.
#define DELOS_RUNTIME_MAX_TIMEOUT_SECONDS 60

// A runtime on env's event loop; an environment without one gets a new loop that
// it owns. AUD_ERR_INVALIDPARAMETER for a null env or result, AUD_ERR_NOMEMORY;
// *runtime untouched on failure.
aud_error_t delos_runtime_new(aud_env_t *env, delos_runtime_t **runtime);
// Frees the runtime (not the loop). AUD_ERR_NOTINITIALISED for null;
// AUD_ERR_INVALIDSTATE while it is processing (from one of its callbacks).
aud_error_t delos_runtime_delete(delos_runtime_t *runtime);

// With `sockets`: ORs the loop's read, write and exception sets into the caller's
// sets and raises sockets->n (clear the record first to get only the current
// sockets); this also clears the "sockets changed" mark. With `max_timeout`: the
// relative time until the earliest due work, at most 60 s, zero when work is due or
// queued. Either may be null. Errors of the loop are returned as they are
// (AUD_ERR_INVALIDSTATE while its changed callback runs).
aud_error_t delos_runtime_get_sockets_and_timeout(delos_runtime_t *runtime,
                                                  delos_sockets_t *sockets,
                                                  aud_utime_t *max_timeout);
// True when the loop's socket sets changed since they were last read; false for a
// null runtime or loop.
aud_bool_t delos_runtime_sockets_have_changed(const delos_runtime_t *runtime);
// One pass: ready descriptors (read, write, exception; `sockets` null means none
// ready; dispatched bits are cleared in *sockets), deferred work, due timers and
// polls, deferred work again. AUD_ERR_INVALIDPARAMETER for a null runtime;
// AUD_ERR_INVALIDSTATE when called from inside a pass (nothing runs) or without a
// loop; else the result of the deferred work and timer steps.
aud_error_t delos_runtime_process_with_sockets(delos_runtime_t *runtime, delos_sockets_t *sockets);
