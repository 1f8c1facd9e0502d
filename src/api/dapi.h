// The API instance: one per application. It bundles the environment (log and event
// loop), the component registry, the runtime, the domain handler and the
// domain-protocol demultiplexer. Create it before any component and delete it
// after all of them. Main thread only.
#pragma once

#include <cstdint>

#include "api/aud_env.h"
#include "api/dapi_core.h"
#include "api/dapi_ddp.h"
#include "api/delos_domain_handler.h"
#include "api/delos_runtime.h"
#include "platform/aud_error.h"

// Instance configuration: only the domain handler's settings.
struct dapi_config {
  delos_domain_handler_config_t domain_handler;
};
typedef dapi_config dapi_config_t;

struct dapi {
  aud_env_t *global_env;  // a reference on the process-wide environment (null for _new_env)
  aud_env_t *local_env;   // the environment every component of the instance uses
  aud_bool_t owns_local_env;
  dapi_core_t core;
  delos_runtime_t *runtime;
  delos_domain_handler_t *domain_handler;
  dapi_ddp_demux_t *demux;
  union {
    uint8_t buf8[DAPI_DDP_TX_BUFFER_SIZE];
    uint16_t buf16[DAPI_DDP_TX_BUFFER_SIZE / 2];
    uint32_t buf32[DAPI_DDP_TX_BUFFER_SIZE / 4];
  } tx_buffer;
};
typedef dapi dapi_t;

// A configuration with the defaults. AUD_ERR_INVALIDPARAMETER, AUD_ERR_NOMEMORY.
aud_error_t dapi_config_new(dapi_config_t **config);
// Null is ignored.
void dapi_config_delete(dapi_config_t *config);
// The domain handler's settings inside the configuration (null for null).
delos_domain_handler_config_t *dapi_config_get_domain_handler_config(dapi_config_t *config);

// dapi_new_config(null, dapi).
aud_error_t dapi_new(dapi_t **dapi);
// A new instance: a reference on the process-wide environment, a local environment
// with its own log and event loop, the registry, the runtime, the domain handler
// (with config's settings when given) and the demultiplexer. *dapi is set to null
// first; on failure nothing stays allocated. AUD_ERR_INVALIDPARAMETER for a null
// result, AUD_ERR_NOMEMORY, AUD_ERR_POLICY when the process-wide environment is
// suppressed.
aud_error_t dapi_new_config(const dapi_config_t *config, dapi_t **dapi);
// An instance on a caller-supplied environment (kept by the caller): no
// process-wide reference, no environment of its own, a default domain handler.
aud_error_t dapi_new_env(aud_env_t *env, dapi_t **dapi);
// Deletes the instance. Components still registered are detached first (they keep
// working as detached objects and must still be deleted by their owners). Null is
// ignored. Must not be called from a callback of the instance's loop.
void dapi_delete(dapi_t *dapi);
// The same for an instance made by dapi_new_env.
void dapi_delete_env(dapi_t *dapi);

// Members, or null for a null instance.
aud_env_t *dapi_get_env(const dapi_t *dapi);
delos_runtime_t *dapi_get_runtime(const dapi_t *dapi);
delos_domain_handler_t *dapi_get_domain_handler(const dapi_t *dapi);
dapi_ddp_demux_t *dapi_get_ddp_demux(const dapi_t *dapi);
dapi_core_t *dapi_get_core(dapi_t *dapi);

// "4.7.0.6", "armv7", "STANDALONE".
const char *dapi_version_info__version_str(void);
const char *dapi_version_info__platform_str(void);
const char *dapi_version_info__variant_str(void);
