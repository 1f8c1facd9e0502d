#include "api/dapi_ddp.h"

#include <cstring>
#include <new>

aud_error_t dapi_ddp_demux_init(dapi_ddp_demux_t *demux, uint8_t *tx_buffer, size_t size) {
  if (!demux || (!tx_buffer && size)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  *demux = dapi_ddp_demux_t{};
  demux->tx_buffer = tx_buffer;
  demux->tx_buffer_size = size;
  return AUD_SUCCESS;
}

aud_error_t dapi_ddp_demux_set_component_id_config(dapi_ddp_demux_t *demux, uint32_t config) {
  if (!demux) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  demux->component_id_config = config;
  return AUD_SUCCESS;
}

aud_error_t dapi_ddp_demux_set_component_lookup(dapi_ddp_demux_t *demux,
                                                dapi_ddp_demux_lookup_fn fn, void *context) {
  if (!demux) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  demux->lookup = fn;
  demux->lookup_context = context;
  return AUD_SUCCESS;
}

aud_error_t dapi_ddp_demux_set_sender(dapi_ddp_demux_t *demux, dapi_ddp_demux_send_fn fn,
                                      void *context) {
  if (!demux) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  demux->send = fn;
  demux->send_context = context;
  return AUD_SUCCESS;
}

aud_error_t dapi_ddp_demux_dispatch(dapi_ddp_demux_t *demux, dapi_component_id_t to,
                                    const uint8_t *payload, size_t len) {
  if (!demux || (!payload && len)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  dapi_ddp_component *endpoint = demux->lookup ? demux->lookup(demux->lookup_context, to) : nullptr;
  if (!endpoint || !endpoint->component || !endpoint->component->on_recv_msg) {
    return AUD_ERR_NOTFOUND;
  }
  endpoint->component->on_recv_msg(endpoint->component, payload, len);
  return AUD_SUCCESS;
}

std::shared_ptr<dapi_ddp_component> dapi_ddp_component_new(dapi_ddp_demux_t *demux,
                                                           dapi_component_id_t id,
                                                           dapi_component_common *component) {
  dapi_ddp_component *endpoint = new (std::nothrow) dapi_ddp_component{demux, id, component};
  if (!endpoint) {
    return nullptr;
  }
  try {
    return std::shared_ptr<dapi_ddp_component>(endpoint);
  } catch (const std::bad_alloc &) {
    // The shared pointer deletes the endpoint itself when it cannot allocate its count.
    return nullptr;
  }
}

aud_error_t dapi_ddp_component_send(const dapi_ddp_component_t *endpoint, const uint8_t *payload,
                                    size_t len) {
  if (!endpoint || (!payload && len)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  dapi_ddp_demux_t *demux = endpoint->demux;
  if (!demux) {
    return AUD_ERR_NOTCONN;
  }
  if (!demux->send) {
    return AUD_ERR_NOTSUPPORTED;
  }
  if (len > demux->tx_buffer_size) {
    return AUD_ERR_MSGSIZE;
  }
  if (len) {
    memcpy(demux->tx_buffer, payload, len);
  }
  return demux->send(demux->send_context, endpoint->id, demux->tx_buffer, len);
}
