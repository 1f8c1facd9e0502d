#include "api/delos_runtime.h"

#include <new>

aud_error_t delos_runtime_new(aud_env_t *env, delos_runtime_t **runtime) {
  if (!env || !runtime) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  delos_runtime_t *r = new (std::nothrow) delos_runtime_t{};
  if (!r) {
    return AUD_ERR_NOMEMORY;
  }
  if (!env->events) {
    aud_event_loop_t *loop = nullptr;
    if (aud_event_loop_new(&loop) != AUD_SUCCESS) {
      delete r;
      return AUD_ERR_NOMEMORY;
    }
    env->events = loop;
    env->flags |= AUD_ENV_FLAG_LOCAL_EVENTS;
  }
  r->env = env;
  r->loop = env->events;
  *runtime = r;
  return AUD_SUCCESS;
}

aud_error_t delos_runtime_delete(delos_runtime_t *runtime) {
  if (!runtime) {
    return AUD_ERR_NOTINITIALISED;
  }
  if (runtime->processing) {
    return AUD_ERR_INVALIDSTATE;
  }
  delete runtime;
  return AUD_SUCCESS;
}

namespace {

// Merges one of the loop's sets into the caller's set and limit.
aud_error_t merge(aud_event_loop_t *loop, aud_socket_event_type_t type, int *n, fd_set *fds) {
  aud_fdset_t set;
  set.n = *n;
  set.fds = *fds;
  aud_error_t result = aud_event_loop_sockets_get(loop, type, &set);
  if (result == AUD_SUCCESS) {
    *n = set.n;
    *fds = set.fds;
  }
  return result;
}

}  // namespace

aud_error_t delos_runtime_get_sockets_and_timeout(delos_runtime_t *runtime,
                                                  delos_sockets_t *sockets,
                                                  aud_utime_t *max_timeout) {
  if (!runtime || !runtime->loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_event_loop_t *loop = runtime->loop;
  if (sockets) {
    aud_error_t result = merge(loop, AUD_SOCKET_EVENT_TYPE_READ, &sockets->n, &sockets->read_fds);
    if (result == AUD_SUCCESS) {
      result = merge(loop, AUD_SOCKET_EVENT_TYPE_WRITE, &sockets->n, &sockets->write_fds);
    }
    if (result == AUD_SUCCESS) {
      result = merge(loop, AUD_SOCKET_EVENT_TYPE_EXCEPTION, &sockets->n, &sockets->except_fds);
    }
    if (result != AUD_SUCCESS) {
      return result;
    }
    runtime->sockets_changed = AUD_FALSE;
  }
  if (max_timeout) {
    aud_utime_t now;
    aud_error_t result = aud_utime_get(&now);
    if (result != AUD_SUCCESS) {
      return result;
    }
    aud_utime_t limit = now;
    limit.tv_sec += DELOS_RUNTIME_MAX_TIMEOUT_SECONDS;
    result = aud_event_loop_update_limit(loop, &limit);
    if (result != AUD_SUCCESS) {
      return result;
    }
    if (aud_utime_compare(&limit, &now) > 0) {
      aud_utime_sub(&limit, &now);
      *max_timeout = limit;
    } else {
      *max_timeout = aud_utime_t{0, 0};
    }
  }
  return AUD_SUCCESS;
}

aud_bool_t delos_runtime_sockets_have_changed(const delos_runtime_t *runtime) {
  if (!runtime || !runtime->loop) {
    return AUD_FALSE;
  }
  return aud_event_loop_sockets_have_changed(runtime->loop) == AUD_TRUE ? AUD_TRUE : AUD_FALSE;
}

// One pass, in this order: ready descriptors (read, write, exception), end of
// socket processing, deferred work, due timers and polls, deferred work again.
// Deferred work runs before the timers, so that work queued by socket callbacks is
// done first, and again after them, so that work queued by timers and polls does
// not wait for the next main-loop round.
aud_error_t delos_runtime_process_with_sockets(delos_runtime_t *runtime, delos_sockets_t *sockets) {
  if (!runtime) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (runtime->processing || !runtime->loop) {
    return AUD_ERR_INVALIDSTATE;
  }
  aud_event_loop_t *loop = runtime->loop;
  runtime->processing = AUD_TRUE;
  if (sockets) {
    fd_set *sets[AUD_SOCKET_EVENT_NUM_TYPES] = {&sockets->read_fds, &sockets->write_fds,
                                                &sockets->except_fds};
    for (int t = 0; t < AUD_SOCKET_EVENT_NUM_TYPES; t++) {
      aud_event_loop_process_socket_fds(loop, static_cast<aud_socket_event_type_t>(t), sets[t],
                                        nullptr);
    }
    aud_event_loop_process_sockets_done(loop);
  }
  aud_error_t result = aud_event_loop_postprocess_now(loop, nullptr);
  if (result == AUD_SUCCESS) {
    aud_utime_t now;
    result = aud_utime_get(&now);
    if (result == AUD_SUCCESS) {
      result = aud_event_loop_process_timers_and_polls(loop, &now, nullptr);
    }
    if (result == AUD_SUCCESS) {
      result = aud_event_loop_postprocess_now(loop, nullptr);
    }
  }
  runtime->processing = AUD_FALSE;
  return result;
}
