#include "api/dapi.h"

#include <new>

namespace {

dapi_t *of(void *context) { return static_cast<dapi_t *>(context); }

// --- what the registry asks of the instance: answered from the domain handler ---

dapi_environment_t core_get_dapi_environment(void *context) {
  return delos_domain_handler_get_dapi_environment(of(context)->domain_handler);
}

dapi_ddp_demux *core_get_ddp_demux(void *context) { return of(context)->demux; }

aud_error_t core_get_active_domain_info(void *context, dapi_core_domain_info_t *info) {
  return delos_domain_handler_get_current_domain(of(context)->domain_handler, info);
}

aud_error_t core_get_domain_address(void *context, const char *remote, aud_sockaddr_t *address) {
  const delos_domain_handler_t *handler = of(context)->domain_handler;
  if (!handler) {
    return AUD_ERR_NOTSUPPORTED;
  }
  return delos_domain_handler_get_domain_address(handler, remote, address);
}

// Only a connected handler counts as connected; every other state is disconnected.
dapi_core_dm_connection_state_t core_get_dm_connection_state(void *context) {
  return delos_domain_handler_get_state(of(context)->domain_handler) ==
                 DELOS_DOMAIN_HANDLER_STATE__CONNECTED
             ? DAPI_CORE_DM_CONNECTION_STATE__CONNECTED
             : DAPI_CORE_DM_CONNECTION_STATE__DISCONNECTED;
}

void reset_component_id_range(dapi_t *d) {
  dapi_core_set_component_id_bounds(
      &d->core, delos_domain_handler_get_base_component_id(d->domain_handler),
      delos_domain_handler_get_max_num_component_ids(d->domain_handler));
}

// --- what the domain handler reports to the instance ---

void on_active_domain_changed(void *context) {
  dapi_t *d = of(context);
  dapi_core_domain_info_t info;
  if (delos_domain_handler_get_current_domain(d->domain_handler, &info) == AUD_SUCCESS) {
    dapi_core_process_active_domain_changed(&d->core, &info);
  }
}

void on_dm_connection_changed(void *context) {
  dapi_t *d = of(context);
  reset_component_id_range(d);
  dapi_core_process_dm_connection_changed(&d->core, core_get_dm_connection_state(context));
}

void process_inbound_packet(void *context, dapi_component_id_t to, const uint8_t *payload,
                            size_t len) {
  dapi_t *d = of(context);
  if (d->demux) {
    dapi_ddp_demux_dispatch(d->demux, to, payload, len);
  }
}

// --- the demultiplexer's look-up and sender ---

dapi_ddp_component *demux_lookup(void *context, dapi_component_id_t id) {
  for (aud_list_node_t *n = of(context)->core.components.head; n; n = n->next) {
    dapi_core_component *c = static_cast<dapi_core_component *>(n->item);
    if (c->id == id && !c->marked_for_deletion) {
      return c->ddp.get();
    }
  }
  return nullptr;
}

aud_error_t demux_send(void *context, dapi_component_id_t from, const uint8_t *packet, size_t len) {
  delos_domain_handler_t *handler = of(context)->domain_handler;
  if (!handler) {
    return AUD_ERR_NOTSUPPORTED;
  }
  return delos_domain_handler_send_message(handler, from, packet, len);
}

// Frees whatever part of the instance exists, in reverse order of creation.
void teardown(dapi_t *d) {
  if (dapi_core_num_components(&d->core) > 0) {
    // Owners still hold components: detach them so that their later deletion does
    // not reach into the freed registry or demultiplexer.
    dapi_core_detach_components(&d->core);
  }
  delete d->demux;
  d->demux = nullptr;
  delos_domain_handler_delete(d->domain_handler);
  d->domain_handler = nullptr;
  if (d->runtime) {
    delos_runtime_delete(d->runtime);
    d->runtime = nullptr;
  }
  dapi_core_terminate(&d->core);
  if (d->owns_local_env) {
    aud_env_delete(d->local_env);
  }
  d->local_env = nullptr;
  if (d->global_env) {
    aud_env_release(d->global_env);
    d->global_env = nullptr;
  }
  delete d;
}

// Builds everything on d->local_env; the caller tears down on failure.
aud_error_t build(dapi_t *d, const delos_domain_handler_config_t *handler_config) {
  const dapi_core_context_t context = {d,
                                       core_get_dapi_environment,
                                       core_get_ddp_demux,
                                       core_get_active_domain_info,
                                       core_get_domain_address,
                                       core_get_dm_connection_state};
  aud_error_t result = dapi_core_init(&d->core, d->local_env, &context);
  if (result != AUD_SUCCESS) {
    return result;
  }
  result = delos_runtime_new(d->local_env, &d->runtime);
  if (result != AUD_SUCCESS) {
    return result;
  }
  const delos_domain_handler_callbacks_t callbacks = {
      d, on_active_domain_changed, on_dm_connection_changed, process_inbound_packet};
  result = delos_domain_handler_new(d, &callbacks, handler_config, &d->domain_handler);
  if (result != AUD_SUCCESS) {
    return result;
  }
  d->demux = new (std::nothrow) dapi_ddp_demux_t{};
  if (!d->demux) {
    return AUD_ERR_NOMEMORY;
  }
  dapi_ddp_demux_init(d->demux, d->tx_buffer.buf8, sizeof d->tx_buffer.buf8);
  reset_component_id_range(d);
  dapi_ddp_demux_set_component_id_config(d->demux, 1);
  dapi_ddp_demux_set_component_lookup(d->demux, demux_lookup, d);
  dapi_ddp_demux_set_sender(d->demux, demux_send, d);
  return AUD_SUCCESS;
}

}  // namespace

aud_error_t dapi_config_new(dapi_config_t **config) {
  if (!config) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  dapi_config_t *c = new (std::nothrow) dapi_config_t{};
  if (!c) {
    return AUD_ERR_NOMEMORY;
  }
  delos_domain_handler_config_init_defaults(&c->domain_handler);
  *config = c;
  return AUD_SUCCESS;
}

void dapi_config_delete(dapi_config_t *config) { delete config; }

delos_domain_handler_config_t *dapi_config_get_domain_handler_config(dapi_config_t *config) {
  return config ? &config->domain_handler : nullptr;
}

aud_error_t dapi_new(dapi_t **dapi) { return dapi_new_config(nullptr, dapi); }

aud_error_t dapi_new_config(const dapi_config_t *config, dapi_t **out) {
  if (!out) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  *out = nullptr;
  dapi_t *d = new (std::nothrow) dapi_t{};
  if (!d) {
    return AUD_ERR_NOMEMORY;
  }
  aud_error_t result = aud_env_setup_dapi(&d->global_env);
  if (result == AUD_SUCCESS) {
    result = aud_env_new(AUD_ENV_FLAG_LOCAL_LOG | AUD_ENV_FLAG_LOCAL_EVENTS, &d->local_env);
  }
  if (result == AUD_SUCCESS) {
    d->owns_local_env = AUD_TRUE;
    result = build(d, config ? &config->domain_handler : nullptr);
  }
  if (result != AUD_SUCCESS) {
    teardown(d);
    return result;
  }
  *out = d;
  return AUD_SUCCESS;
}

aud_error_t dapi_new_env(aud_env_t *env, dapi_t **out) {
  if (!env || !out) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  *out = nullptr;
  dapi_t *d = new (std::nothrow) dapi_t{};
  if (!d) {
    return AUD_ERR_NOMEMORY;
  }
  d->local_env = env;
  aud_error_t result = build(d, nullptr);
  if (result != AUD_SUCCESS) {
    teardown(d);
    return result;
  }
  *out = d;
  return AUD_SUCCESS;
}

void dapi_delete(dapi_t *dapi) {
  if (dapi) {
    teardown(dapi);
  }
}

void dapi_delete_env(dapi_t *dapi) { dapi_delete(dapi); }

aud_env_t *dapi_get_env(const dapi_t *dapi) { return dapi ? dapi->local_env : nullptr; }

delos_runtime_t *dapi_get_runtime(const dapi_t *dapi) { return dapi ? dapi->runtime : nullptr; }

delos_domain_handler_t *dapi_get_domain_handler(const dapi_t *dapi) {
  return dapi ? dapi->domain_handler : nullptr;
}

dapi_ddp_demux_t *dapi_get_ddp_demux(const dapi_t *dapi) { return dapi ? dapi->demux : nullptr; }

dapi_core_t *dapi_get_core(dapi_t *dapi) { return dapi ? &dapi->core : nullptr; }

const char *dapi_version_info__version_str(void) { return "4.7.0.6"; }

const char *dapi_version_info__platform_str(void) { return "armv7"; }

const char *dapi_version_info__variant_str(void) { return "STANDALONE"; }
