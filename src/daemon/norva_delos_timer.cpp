#include "daemon/norva_delos_timer.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <new>

dapi_simple_timer_t *norva_delos_dapi_simple_timer_new(size_t max_timers) {
  if (max_timers == 0) {
    return nullptr;
  }
  auto *timers = static_cast<dapi_simple_timer_t *>(calloc(1, sizeof(dapi_simple_timer_t)));
  if (!timers) {
    return nullptr;
  }
  // The whole pool is allocated here so that no later operation allocates.
  timers->timers.timers =
      static_cast<dapi_simple_timer_event_t *>(calloc(max_timers, sizeof(dapi_simple_timer_event_t)));
  if (!timers->timers.timers) {
    free(timers);
    return nullptr;
  }
  timers->timers.max = max_timers;
  return timers;
}

void norva_delos_dapi_simple_timer_delete(dapi_simple_timer_t *timers) {
  if (!timers) {
    return;
  }
  free(timers->timers.timers);
  free(timers);
}

dapi_simple_timer_event_t *norva_delos_dapi_simple_timer_event_alloc(dapi_simple_timer_t *timers) {
  assert(timers && timers->timers.timers);
  if (!timers || !timers->timers.timers) {
    return nullptr;
  }
  for (size_t i = 0; i < timers->timers.max; ++i) {
    dapi_simple_timer_event_t *event = &timers->timers.timers[i];
    if (event->parent) {
      continue;
    }
    if (i + 1 > timers->timers.n) {
      timers->timers.n = i + 1;
    }
    // Callback and context are left as they were: the owner sets them next.
    event->mode = DAPI_SIMPLE_TIMER_MODE__NONE;
    event->parent = timers;
    return event;
  }
  return nullptr;
}

aud_error_t norva_delos_dapi_simple_timer_event_stop(dapi_simple_timer_event_t *event) {
  assert(event && event->parent);
  if (!event || !event->parent) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (event->mode != DAPI_SIMPLE_TIMER_MODE__NONE) {
    event->mode = DAPI_SIMPLE_TIMER_MODE__NONE;
    event->parent->process.changed = AUD_TRUE;
  }
  return AUD_SUCCESS;
}

dapi_simple_timer_event_t *norva_delos_dapi_simple_timer_event_release(
    dapi_simple_timer_event_t *event) {
  assert(event && event->parent);
  if (!event || !event->parent) {
    return event;
  }
  norva_delos_dapi_simple_timer_event_stop(event);
  event->parent = nullptr;
  return event;
}

aud_error_t norva_delos_dapi_simple_timer_event_set_callback(dapi_simple_timer_event_t *event,
                                                             dapi_simple_timer_event_fn cb,
                                                             void *context) {
  assert(event);
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  event->cb = cb;
  event->context = context;
  return AUD_SUCCESS;
}

static bool utime_is_positive(const aud_utime_t *t) {
  return t->tv_sec > 0 || (t->tv_sec == 0 && t->tv_usec > 0);
}

aud_error_t norva_delos_dapi_simple_timer_event_schedule_recurring(dapi_simple_timer_event_t *event,
                                                                   const aud_utime_t *abs,
                                                                   const aud_utime_t *delta,
                                                                   const aud_utime_t *period) {
  assert(event && event->parent);
  if (!event || !event->parent) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (period && !utime_is_positive(period)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_utime_t due;
  if (abs) {
    due = *abs;
  } else {
    aud_error_t result = aud_utime_get(&due);
    if (result != AUD_SUCCESS) {
      return result;
    }
  }
  if (delta) {
    aud_utime_add(&due, delta);
  }
  event->next = due;
  if (period) {
    event->period = *period;
    event->mode = DAPI_SIMPLE_TIMER_MODE__RECURRING;
  } else {
    event->period = aud_utime_t{};
    event->mode = DAPI_SIMPLE_TIMER_MODE__SINGLE;
  }
  event->parent->process.changed = AUD_TRUE;
  return AUD_SUCCESS;
}

aud_error_t norva_delos_dapi_simple_timer_event_schedule_once(dapi_simple_timer_event_t *event,
                                                              const aud_utime_t *abs,
                                                              const aud_utime_t *delta) {
  return norva_delos_dapi_simple_timer_event_schedule_recurring(event, abs, delta, nullptr);
}

const aud_utime_t *norva_delos_dapi_simple_timer_get_next_firing(dapi_simple_timer_t *timers) {
  assert(timers);
  if (!timers) {
    return nullptr;
  }
  if (timers->process.changed) {
    size_t active = 0;
    aud_utime_t earliest{};
    for (size_t i = 0; i < timers->timers.n; ++i) {
      const dapi_simple_timer_event_t *event = &timers->timers.timers[i];
      if (!event->parent || event->mode == DAPI_SIMPLE_TIMER_MODE__NONE) {
        continue;
      }
      if (active == 0 || aud_utime_compare(&event->next, &earliest) < 0) {
        earliest = event->next;
      }
      ++active;
    }
    timers->process.changed = AUD_FALSE;
    timers->process.num_active = active;
    if (active) {
      timers->process.next_time = earliest;
    }
  }
  return timers->process.num_active ? &timers->process.next_time : nullptr;
}

aud_error_t norva_delos_dapi_simple_timer_process(dapi_simple_timer_t *timers,
                                                  const aud_utime_t *curr_time) {
  if (!timers) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (curr_time) {
    timers->process.curr_time = *curr_time;
  } else {
    aud_error_t result = aud_utime_get(&timers->process.curr_time);
    if (result != AUD_SUCCESS) {
      return result;
    }
  }
  const aud_utime_t *next = norva_delos_dapi_simple_timer_get_next_firing(timers);
  if (!next || aud_utime_compare(&timers->process.curr_time, next) < 0) {
    return AUD_SUCCESS;
  }
  // timers.n is read afresh on every step: a callback may allocate a new slot,
  // and that slot is visited in this same pass.
  for (size_t i = 0; i < timers->timers.n; ++i) {
    dapi_simple_timer_event_t *event = &timers->timers.timers[i];
    if (!event->parent || event->mode == DAPI_SIMPLE_TIMER_MODE__NONE ||
        aud_utime_compare(&event->next, &timers->process.curr_time) > 0) {
      continue;
    }
    timers->process.changed = AUD_TRUE;
    if (event->mode == DAPI_SIMPLE_TIMER_MODE__SINGLE) {
      event->mode = DAPI_SIMPLE_TIMER_MODE__NONE;
    } else {
      // Measured from the processing time, so a late pass fires a recurring
      // event once rather than once per missed period.
      event->next = timers->process.curr_time;
      aud_utime_add(&event->next, &event->period);
    }
    // The mode is settled before the call, so the callback may reschedule or
    // stop its own event.
    if (event->cb) {
      event->cb(event, &timers->process.curr_time, event->context);
    }
  }
  return AUD_SUCCESS;
}
