// Environments: a log and an event loop, plus an owner context. The process-wide
// environment `the_env` is reference-counted; local environments belong to whoever
// created them (an API instance creates one for all its components). Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/aud_error.h"
#include "platform/aud_event_loop.h"
#include "platform/aud_log.h"

#define AUD_ENV_FLAG_LOCAL_ENV 1u     // a heap environment, not the process-wide one
#define AUD_ENV_FLAG_LOCAL_LOG 2u     // the environment owns its log
#define AUD_ENV_FLAG_LOCAL_EVENTS 4u  // the environment owns its event loop
#define AUD_ENV_FLAG_DELETE_ONLY 8u   // may only be deleted, not released

// Releases an environment's owner context when the environment goes away.
typedef void (*aud_env_context_release_fn)(void *context);

struct aud_env {
  void *__context;
  aud_env_context_release_fn __context_release_fn;
  aud_log_t *log;
  aud_event_loop_t *events;
  unsigned int refcount;
  uint32_t flags;
};
typedef aud_env aud_env_t;

// Takes a reference on the process-wide environment and stores it in *env. The
// first reference seeds the C random generator and creates the environment's log.
// AUD_ERR_POLICY after aud_env_suppress_global_env, AUD_ERR_NOMEMORY; *env untouched
// on failure.
aud_error_t aud_env_setup_dapi(aud_env_t **env);
// The same as aud_env_setup_dapi.
aud_error_t aud_env_setup(aud_env_t **env);
// As aud_env_setup_dapi, and gives the process-wide environment an event loop of its
// own if it has none yet.
aud_error_t aud_env_setup_all(aud_env_t **env);
// Process-wide environment: drops one reference; the last one deletes its owned log
// and event loop. Local environment: releases its context, deletes its owned loop
// and log and frees it, unless it carries AUD_ENV_FLAG_DELETE_ONLY (then a message
// goes to standard error, nothing else happens, and AUD_ERR_INVALIDSTATE is
// returned). Null is ignored.
aud_error_t aud_env_release(aud_env_t *env);
// Forbids the process-wide environment from now on. AUD_ERR_ALREADY while it is
// referenced.
aud_error_t aud_env_suppress_global_env(void);
// The process-wide environment if it is allowed and referenced, else null.
aud_env_t *aud_env_get(void);

// A local environment (reference count 1, flags LOCAL_ENV | DELETE_ONLY plus
// `local_flags`); with AUD_ENV_FLAG_LOCAL_LOG / _LOCAL_EVENTS it creates and owns
// a log / an event loop. AUD_ERR_NOMEMORY when any part cannot be made; nothing
// is left allocated and *env is untouched on failure.
aud_error_t aud_env_new(uint32_t local_flags, aud_env_t **env);
// Deletes a local environment (as aud_env_release, also for DELETE_ONLY ones).
// The process-wide one cannot be deleted: AUD_ERR_INVALIDPARAMETER. Null is ignored.
aud_error_t aud_env_delete(aud_env_t *env);
// A local environment on a borrowed log and event loop (neither is owned), to be
// ended with aud_env_release.
aud_error_t aud_env_setup_local(aud_env_t **env, aud_log_t *log, aud_event_loop_t *events);
aud_error_t aud_env_setup_local_no_log(aud_env_t **env, aud_event_loop_t *events);

// Sets the owner context and the function that releases it (either may be null).
aud_error_t aud_env_set_context(aud_env_t *env, void *context, aud_env_context_release_fn release);
void *aud_env_get_context(const aud_env_t *env);
// Replaces the log; an owned log is deleted first and the new one is borrowed.
aud_error_t aud_env_set_log(aud_env_t *env, aud_log_t *log);
aud_log_t *aud_env_get_log(const aud_env_t *env);
aud_event_loop_t *aud_env_get_event_loop(const aud_env_t *env);
// The host name (gethostname), terminated and cut to fit len.
aud_error_t aud_env_get_hostname(char *buf, size_t len);
