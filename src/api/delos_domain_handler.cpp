#include "api/delos_domain_handler.h"

#include <new>

#include "api/dapi.h"

void delos_domain_handler_config_init_defaults(delos_domain_handler_config_t *config) {
  if (config) {
    config->environment = DAPI_ENVIRONMENT__STANDALONE;
  }
}

aud_error_t delos_domain_handler_new(struct dapi *dapi,
                                     const delos_domain_handler_callbacks_t *callbacks,
                                     const delos_domain_handler_config_t *config,
                                     delos_domain_handler_t **handler) {
  if (!dapi || !handler) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  delos_domain_handler_t *h = new (std::nothrow) delos_domain_handler_t{};
  if (!h) {
    return AUD_ERR_NOMEMORY;
  }
  h->env = dapi_get_env(dapi);
  if (callbacks) {
    h->callbacks = *callbacks;
  }
  if (config) {
    h->config = *config;
  } else {
    delos_domain_handler_config_init_defaults(&h->config);
  }
  h->state = DELOS_DOMAIN_HANDLER_STATE__IDLE;
  dapi_core_domain_info_init_unmanaged(&h->current);
  *handler = h;
  return AUD_SUCCESS;
}

void delos_domain_handler_delete(delos_domain_handler_t *handler) { delete handler; }

dapi_environment_t delos_domain_handler_get_dapi_environment(
    const delos_domain_handler_t *handler) {
  return handler ? handler->config.environment : DAPI_ENVIRONMENT__UNDEF;
}

dapi_component_id_t delos_domain_handler_get_base_component_id(const delos_domain_handler_t *) {
  return 1;
}

uint32_t delos_domain_handler_get_max_num_component_ids(const delos_domain_handler_t *) {
  return 0;
}

delos_domain_handler_state_t delos_domain_handler_get_state(const delos_domain_handler_t *handler) {
  return handler ? handler->state : DELOS_DOMAIN_HANDLER_STATE__IDLE;
}

aud_error_t delos_domain_handler_get_current_domain(const delos_domain_handler_t *handler,
                                                    dapi_core_domain_info_t *domain) {
  if (!handler || !domain) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  *domain = handler->current;
  return AUD_SUCCESS;
}

aud_error_t delos_domain_handler_get_domain_address(const delos_domain_handler_t *handler,
                                                    const char *, aud_sockaddr_t *address) {
  if (!handler || !address) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return AUD_ERR_NOTCONN;
}

aud_error_t delos_domain_handler_send_message(delos_domain_handler_t *handler, dapi_component_id_t,
                                              const uint8_t *packet, size_t len) {
  if (!handler || (!packet && len)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return AUD_ERR_NOTCONN;
}

namespace {

bool all_bytes(const delos_domain_uuid_t *uuid, uint8_t value) {
  if (!uuid) {
    return false;
  }
  for (uint8_t b : uuid->data) {
    if (b != value) {
      return false;
    }
  }
  return true;
}

}  // namespace

aud_bool_t delos_domain_handler_is_pgid_unknown(const delos_domain_uuid_t *uuid) {
  return all_bytes(uuid, 0xFF) ? AUD_TRUE : AUD_FALSE;
}

aud_bool_t delos_domain_handler_is_pgid_none(const delos_domain_uuid_t *uuid) {
  return all_bytes(uuid, 0x00) ? AUD_TRUE : AUD_FALSE;
}
