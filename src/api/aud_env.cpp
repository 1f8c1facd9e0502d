#include "api/aud_env.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

namespace {

aud_env_t the_env = {};
bool the_env_allowed = true;

bool is_local(const aud_env_t *env) { return (env->flags & AUD_ENV_FLAG_LOCAL_ENV) != 0; }

// Releases the context and deletes what the environment owns. The record itself
// stays (the process-wide one is static).
void env_clean(aud_env_t *env) {
  if (env->__context_release_fn && env->__context) {
    aud_env_context_release_fn release = env->__context_release_fn;
    void *context = env->__context;
    env->__context = nullptr;
    env->__context_release_fn = nullptr;
    release(context);
  }
  if ((env->flags & AUD_ENV_FLAG_LOCAL_EVENTS) && env->events) {
    aud_event_loop_delete(env->events);
  }
  env->events = nullptr;
  env->flags &= ~AUD_ENV_FLAG_LOCAL_EVENTS;
  if ((env->flags & AUD_ENV_FLAG_LOCAL_LOG) && env->log) {
    aud_log_delete(env->log);
  }
  env->log = nullptr;
  env->flags &= ~AUD_ENV_FLAG_LOCAL_LOG;
}

void env_free(aud_env_t *env) {
  env_clean(env);
  delete env;
}

aud_error_t local_new(uint32_t flags, aud_log_t *log, aud_event_loop_t *events, aud_env_t **out) {
  aud_env_t *env = new (std::nothrow) aud_env_t{};
  if (!env) {
    return AUD_ERR_NOMEMORY;
  }
  env->flags = flags | AUD_ENV_FLAG_LOCAL_ENV;
  env->refcount = 1;
  env->log = log;
  env->events = events;
  *out = env;
  return AUD_SUCCESS;
}

}  // namespace

aud_error_t aud_env_setup_dapi(aud_env_t **env) {
  if (!env) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (!the_env_allowed) {
    return AUD_ERR_POLICY;
  }
  if (the_env.refcount == 0) {
    srand(static_cast<unsigned>(time(nullptr)));
    if (!the_env.log) {
      aud_log_t *log = nullptr;
      if (aud_log_new(&log) != AUD_SUCCESS) {
        return AUD_ERR_NOMEMORY;
      }
      the_env.log = log;
      the_env.flags |= AUD_ENV_FLAG_LOCAL_LOG;
    }
  }
  the_env.refcount++;
  *env = &the_env;
  return AUD_SUCCESS;
}

aud_error_t aud_env_setup(aud_env_t **env) { return aud_env_setup_dapi(env); }

aud_error_t aud_env_setup_all(aud_env_t **env) {
  aud_env_t *global = nullptr;
  aud_error_t result = aud_env_setup_dapi(&global);
  if (result != AUD_SUCCESS) {
    return result;
  }
  if (!global->events) {
    aud_event_loop_t *loop = nullptr;
    if (aud_event_loop_new(&loop) != AUD_SUCCESS) {
      aud_env_release(global);
      return AUD_ERR_NOMEMORY;
    }
    global->events = loop;
    global->flags |= AUD_ENV_FLAG_LOCAL_EVENTS;
  }
  *env = global;
  return AUD_SUCCESS;
}

aud_error_t aud_env_release(aud_env_t *env) {
  if (!env) {
    return AUD_SUCCESS;
  }
  if (env == &the_env) {
    if (the_env.refcount == 0) {
      return AUD_ERR_INVALIDSTATE;
    }
    if (--the_env.refcount == 0) {
      env_clean(&the_env);
    }
    return AUD_SUCCESS;
  }
  if (env->flags & AUD_ENV_FLAG_DELETE_ONLY) {
    fputs("Error: This env cannot be cleaned up using aud_env_release!\n", stderr);
    return AUD_ERR_INVALIDSTATE;
  }
  env_free(env);
  return AUD_SUCCESS;
}

aud_error_t aud_env_suppress_global_env(void) {
  if (the_env.refcount > 0) {
    return AUD_ERR_ALREADY;
  }
  the_env_allowed = false;
  return AUD_SUCCESS;
}

aud_env_t *aud_env_get(void) {
  return the_env_allowed && the_env.refcount > 0 ? &the_env : nullptr;
}

aud_error_t aud_env_new(uint32_t local_flags, aud_env_t **env) {
  if (!env) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_env_t *e = nullptr;
  aud_error_t result = local_new(AUD_ENV_FLAG_DELETE_ONLY, nullptr, nullptr, &e);
  if (result != AUD_SUCCESS) {
    return result;
  }
  if (local_flags & AUD_ENV_FLAG_LOCAL_LOG) {
    if (aud_log_new(&e->log) != AUD_SUCCESS) {
      env_free(e);
      return AUD_ERR_NOMEMORY;
    }
    e->flags |= AUD_ENV_FLAG_LOCAL_LOG;
  }
  if (local_flags & AUD_ENV_FLAG_LOCAL_EVENTS) {
    if (aud_event_loop_new(&e->events) != AUD_SUCCESS) {
      env_free(e);
      return AUD_ERR_NOMEMORY;
    }
    e->flags |= AUD_ENV_FLAG_LOCAL_EVENTS;
  }
  *env = e;
  return AUD_SUCCESS;
}

aud_error_t aud_env_delete(aud_env_t *env) {
  if (!env) {
    return AUD_SUCCESS;
  }
  if (env == &the_env || !is_local(env)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  env_free(env);
  return AUD_SUCCESS;
}

aud_error_t aud_env_setup_local(aud_env_t **env, aud_log_t *log, aud_event_loop_t *events) {
  if (!env) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return local_new(0, log, events, env);
}

aud_error_t aud_env_setup_local_no_log(aud_env_t **env, aud_event_loop_t *events) {
  return aud_env_setup_local(env, nullptr, events);
}

aud_error_t aud_env_set_context(aud_env_t *env, void *context, aud_env_context_release_fn release) {
  if (!env) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  env->__context = context;
  env->__context_release_fn = release;
  return AUD_SUCCESS;
}

void *aud_env_get_context(const aud_env_t *env) { return env ? env->__context : nullptr; }

aud_error_t aud_env_set_log(aud_env_t *env, aud_log_t *log) {
  if (!env) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if ((env->flags & AUD_ENV_FLAG_LOCAL_LOG) && env->log && env->log != log) {
    aud_log_delete(env->log);
  }
  env->flags &= ~AUD_ENV_FLAG_LOCAL_LOG;
  env->log = log;
  return AUD_SUCCESS;
}

aud_log_t *aud_env_get_log(const aud_env_t *env) { return env ? env->log : nullptr; }

aud_event_loop_t *aud_env_get_event_loop(const aud_env_t *env) {
  return env ? env->events : nullptr;
}

aud_error_t aud_env_get_hostname(char *buf, size_t len) {
  if (!buf || len == 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  char name[256];
  if (gethostname(name, sizeof name) != 0) {
    return aud_error_from_system_error(errno);
  }
  name[sizeof name - 1] = '\0';
  size_t n = strnlen(name, len - 1);
  memcpy(buf, name, n);
  buf[n] = '\0';
  return AUD_SUCCESS;
}
