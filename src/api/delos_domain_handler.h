// The domain handler: tells the instance which Delos domain is active and whether a
// domain manager is connected, and carries domain-protocol messages to it. This
// build has no domain-manager connectivity: the handler always reports the
// unmanaged (ad-hoc) domain and a disconnected manager, never calls back, and
// refuses to send. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/aud_env.h"
#include "api/dapi_core.h"
#include "platform/aud_error.h"
#include "platform/aud_socket.h"

struct dapi;

typedef enum {
  DELOS_DOMAIN_HANDLER_STATE__IDLE = 0,  // no domain manager in use
  DELOS_DOMAIN_HANDLER_STATE__CONNECTING = 1,
  DELOS_DOMAIN_HANDLER_STATE__CONNECTED = 2,
} delos_domain_handler_state_t;

// How the handler reaches back into its instance (any may be null; context is
// passed to each).
struct delos_domain_handler_callbacks {
  void *context;
  void (*on_active_domain_changed)(void *context);
  void (*on_dm_connection_changed)(void *context);
  // An inbound domain-protocol message for component `to`.
  void (*process_inbound_packet)(void *context, dapi_component_id_t to, const uint8_t *payload,
                                 size_t len);
};
typedef delos_domain_handler_callbacks delos_domain_handler_callbacks_t;

struct delos_domain_handler_config {
  dapi_environment_t environment;  // reported as the instance's environment kind
};
typedef delos_domain_handler_config delos_domain_handler_config_t;

// Defaults: the standalone environment.
void delos_domain_handler_config_init_defaults(delos_domain_handler_config_t *config);

struct delos_domain_handler {
  aud_env_t *env;  // the instance's local environment
  delos_domain_handler_callbacks_t callbacks;
  delos_domain_handler_config_t config;
  delos_domain_handler_state_t state;
  dapi_core_domain_info_t current;
};
typedef delos_domain_handler delos_domain_handler_t;

// A handler for the instance on its local environment (dapi_get_env), with the
// given callbacks and configuration (null: defaults). AUD_ERR_INVALIDPARAMETER for
// a null instance or result, AUD_ERR_NOMEMORY; *handler untouched on failure.
aud_error_t delos_domain_handler_new(struct dapi *dapi,
                                     const delos_domain_handler_callbacks_t *callbacks,
                                     const delos_domain_handler_config_t *config,
                                     delos_domain_handler_t **handler);
// Null is ignored.
void delos_domain_handler_delete(delos_domain_handler_t *handler);

// The configured environment kind (DAPI_ENVIRONMENT__UNDEF for null).
dapi_environment_t delos_domain_handler_get_dapi_environment(const delos_domain_handler_t *handler);
// The component id range the instance must use: base 1 and 0 ids (up to 32767).
dapi_component_id_t delos_domain_handler_get_base_component_id(
    const delos_domain_handler_t *handler);
uint32_t delos_domain_handler_get_max_num_component_ids(const delos_domain_handler_t *handler);
delos_domain_handler_state_t delos_domain_handler_get_state(const delos_domain_handler_t *handler);
// The active domain: always the unmanaged one (all-ones uuid, policy 5, all access).
aud_error_t delos_domain_handler_get_current_domain(const delos_domain_handler_t *handler,
                                                    dapi_core_domain_info_t *domain);
// No domain manager: AUD_ERR_NOTCONN, *address untouched.
aud_error_t delos_domain_handler_get_domain_address(const delos_domain_handler_t *handler,
                                                    const char *remote, aud_sockaddr_t *address);
// No domain manager: AUD_ERR_NOTCONN.
aud_error_t delos_domain_handler_send_message(delos_domain_handler_t *handler,
                                              dapi_component_id_t from, const uint8_t *packet,
                                              size_t len);

// True for the all-ones uuid (the unmanaged network).
aud_bool_t delos_domain_handler_is_pgid_unknown(const delos_domain_uuid_t *uuid);
// True for the all-zero uuid (no domain).
aud_bool_t delos_domain_handler_is_pgid_none(const delos_domain_uuid_t *uuid);
