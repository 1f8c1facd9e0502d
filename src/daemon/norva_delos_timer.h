// The daemon's own timer set (a fixed pool of one-shot and recurring events
// served by the main loop after every select) and the per-owner connect timer
// that remembers which step of a connection sequence it guards.
#pragma once

#include <cstddef>

#include "platform/aud_error.h"
#include "platform/aud_time.h"

typedef enum {
  DAPI_SIMPLE_TIMER_MODE__NONE = 0,
  DAPI_SIMPLE_TIMER_MODE__SINGLE = 1,
  DAPI_SIMPLE_TIMER_MODE__RECURRING = 2,
} dapi_simple_timer_mode_t;

struct dapi_simple_timer;
struct dapi_simple_timer_event;
typedef dapi_simple_timer dapi_simple_timer_t;
typedef dapi_simple_timer_event dapi_simple_timer_event_t;

// Called on the main thread with the event, the processing time and the context.
typedef void (*dapi_simple_timer_event_fn)(dapi_simple_timer_event_t *event,
                                           const aud_utime_t *time, void *context);

struct dapi_simple_timer_event {
  dapi_simple_timer_mode_t mode;
  aud_utime_t next;    // absolute due time
  aud_utime_t period;  // repeat interval of a recurring event, zero otherwise
  dapi_simple_timer_event_fn cb;
  void *context;
  dapi_simple_timer_t *parent;  // null: the slot is free
};

struct dapi_simple_timer {
  struct {
    size_t n;    // slots in use from the start: one past the highest ever handed out
    size_t max;  // capacity
    dapi_simple_timer_event_t *timers;
  } timers;
  struct {
    aud_bool_t changed;  // the earliest due time must be recomputed
    size_t num_active;
    aud_utime_t curr_time;
    aud_utime_t next_time;  // meaningful only while num_active is non-zero
  } process;
};

// A set with max_timers zero-filled slots, or null (capacity 0, no memory).
dapi_simple_timer_t *norva_delos_dapi_simple_timer_new(size_t max_timers);
// Frees the set and its pool; null is ignored. Events held by owners become invalid.
void norva_delos_dapi_simple_timer_delete(dapi_simple_timer_t *timers);
// The lowest free slot, allocated and idle; null when every slot is in use.
dapi_simple_timer_event_t *norva_delos_dapi_simple_timer_event_alloc(dapi_simple_timer_t *timers);
// Stops the event and frees its slot; returns the event.
dapi_simple_timer_event_t *norva_delos_dapi_simple_timer_event_release(
    dapi_simple_timer_event_t *event);
aud_error_t norva_delos_dapi_simple_timer_event_set_callback(dapi_simple_timer_event_t *event,
                                                             dapi_simple_timer_event_fn cb,
                                                             void *context);
// Due at abs (or now) plus delta; recurring every period. A zero or negative
// period is AUD_ERR_INVALIDPARAMETER with the event unchanged.
aud_error_t norva_delos_dapi_simple_timer_event_schedule_recurring(dapi_simple_timer_event_t *event,
                                                                   const aud_utime_t *abs,
                                                                   const aud_utime_t *delta,
                                                                   const aud_utime_t *period);
aud_error_t norva_delos_dapi_simple_timer_event_schedule_once(dapi_simple_timer_event_t *event,
                                                              const aud_utime_t *abs,
                                                              const aud_utime_t *delta);
aud_error_t norva_delos_dapi_simple_timer_event_stop(dapi_simple_timer_event_t *event);
// The earliest due time (owned by the set), or null when nothing is scheduled.
const aud_utime_t *norva_delos_dapi_simple_timer_get_next_firing(dapi_simple_timer_t *timers);
// Fires every due event in slot order; curr_time null means now.
aud_error_t norva_delos_dapi_simple_timer_process(dapi_simple_timer_t *timers,
                                                  const aud_utime_t *curr_time);

typedef enum {
  CONNECT_TIMER_NONE = 0,
  CONNECT_TIMER_REGISTER_CHANNELS = 1,
  CONNECT_TIMER_SUBSCRIBE_CHANNELS = 2,
  CONNECT_TIMER_READY_QUERY = 3,
  CONNECT_TIMER_RETRY_DEVICE = 4,
  CONNECT_TIMER_QUERY_CAP = 5,
  CONNECT_TIMER_UPDATE = 6,
} connect_timer_op_t;

// A connect timer: one pool event, the operation it guards, and its owner
// (the app_global record for the daemon-wide timer, a delos_dev for a device's).
typedef struct norva_delos_timer_st_tag {
  dapi_simple_timer_event_t *connect_timer;
  connect_timer_op_t connect_timer_op;
  void *context;
} norva_delos_timer_t;

// Arms the timer for timer_op, timeout from now; a null timeout stops it.
aud_error_t norva_delos_connect_timer_schedule(norva_delos_timer_t *pTimer,
                                               connect_timer_op_t timer_op,
                                               const aud_utime_t *timeout);
// Stops the pending operation (CONNECT_TIMER_NONE: whatever is pending).
// AUD_ERR_NOTFOUND when nothing is pending, AUD_ERR_INVALIDSTATE when another
// operation is pending (it stays).
aud_error_t norva_delos_connect_timer_stop(norva_delos_timer_t *pTimer,
                                           connect_timer_op_t timer_op);
// The pool callback of every connect timer; context is the norva_delos_timer_t.
void norva_delos_connect_timer_fired(dapi_simple_timer_event_t *timer, const aud_utime_t *time,
                                     void *context);
