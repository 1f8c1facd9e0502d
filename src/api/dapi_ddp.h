// Domain-protocol demultiplexer and per-component endpoints. They only carry
// traffic in domain-managed operation; the unmanaged daemon never receives any.
// Inbound messages are handed over already split from their transport: the
// addressed component id and the payload. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "api/dapi_core.h"
#include "platform/aud_error.h"

// Size of an instance's transmit buffer and the longest payload an endpoint sends.
#define DAPI_DDP_TX_BUFFER_SIZE 1500u

struct dapi_ddp_component;
typedef dapi_ddp_component dapi_ddp_component_t;

// Finds the endpoint of the registered component with `id`, or null.
typedef dapi_ddp_component *(*dapi_ddp_demux_lookup_fn)(void *context, dapi_component_id_t id);
// Sends one message on behalf of component `from`.
typedef aud_error_t (*dapi_ddp_demux_send_fn)(void *context, dapi_component_id_t from,
                                              const uint8_t *packet, size_t len);

struct dapi_ddp_demux {
  uint8_t *tx_buffer;  // borrowed from the instance
  size_t tx_buffer_size;
  uint32_t component_id_config;
  dapi_ddp_demux_lookup_fn lookup;
  void *lookup_context;
  dapi_ddp_demux_send_fn send;
  void *send_context;
};
typedef dapi_ddp_demux dapi_ddp_demux_t;

// A component's endpoint; shared by the component and anyone sending through it.
// `component` is cleared when the component goes, `demux` when the instance goes.
struct dapi_ddp_component {
  dapi_ddp_demux_t *demux;
  dapi_component_id_t id;
  dapi_component_common *component;
};

// Empties the demultiplexer and gives it the transmit buffer (borrowed).
aud_error_t dapi_ddp_demux_init(dapi_ddp_demux_t *demux, uint8_t *tx_buffer, size_t size);
aud_error_t dapi_ddp_demux_set_component_id_config(dapi_ddp_demux_t *demux, uint32_t config);
aud_error_t dapi_ddp_demux_set_component_lookup(dapi_ddp_demux_t *demux,
                                                dapi_ddp_demux_lookup_fn fn, void *context);
aud_error_t dapi_ddp_demux_set_sender(dapi_ddp_demux_t *demux, dapi_ddp_demux_send_fn fn,
                                      void *context);
// Delivers one inbound message to the component with id `to` (its on_recv_msg).
// AUD_ERR_NOTFOUND when no such component (or it has no message callback).
aud_error_t dapi_ddp_demux_dispatch(dapi_ddp_demux_t *demux, dapi_component_id_t to,
                                    const uint8_t *payload, size_t len);

// A new endpoint for component `id` on `demux` (null on allocation failure).
std::shared_ptr<dapi_ddp_component> dapi_ddp_component_new(dapi_ddp_demux_t *demux,
                                                           dapi_component_id_t id,
                                                           dapi_component_common *component);
// Sends `payload` through the instance's transmit buffer. AUD_ERR_MSGSIZE when it is
// longer than the buffer, AUD_ERR_NOTCONN once the instance is gone,
// AUD_ERR_NOTSUPPORTED without a sender; otherwise the sender's result.
aud_error_t dapi_ddp_component_send(const dapi_ddp_component_t *endpoint, const uint8_t *payload,
                                    size_t len);
