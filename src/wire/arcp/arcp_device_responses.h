// Device-side builders of ARCP responses, for the tests and benchmarks now
// and for the simulated device later. Only the layouts bind; these builders
// write them the way the client's readers expect: fixed entries first, then
// variable data, with equal names and formats written once.
#pragma once

#include <cstdint>

#include "wire/arcp/arcp.h"
#include "wire/arcp/arcp_channel.h"
#include "wire/arcp/arcp_media.h"

// Starts a response: header with the version, sequence number and opcode of
// the request and a success status.
void arcp_resp_head(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum, uint16_t opcode,
                    uint16_t status);

// Node query response from host-order values (all 48 bytes are written).
aud_error_t arcp_resp_node_query_build(dgcp_packet_buf *buf, dgcp_version_t version,
                                       uint16_t seqnum, const arcp_node_query_info *node);

// Identity response: body size 28, name record and version record.
aud_error_t arcp_resp_identity_build(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                     const char *name, const char *default_name,
                                     const char *advertised, uint32_t router_version,
                                     uint16_t arcp_native, uint16_t arcp_min);

// One receive channel of an ARCP_OP_RX_query answer.
struct arcp_resp_rx_channel {
  uint16_t chan_id;
  uint16_t flags;
  uint32_t rate;
  uint16_t encoding;
  const char *label;
  const char *tx_channel;  // null: unsubscribed
  const char *tx_device;
  uint16_t status;
  uint8_t connections_supported;
  uint8_t connections_active;
};
// The whole answer: n entries, then one shared format and the names, each
// distinct name written once.
aud_error_t arcp_resp_rx_channels_build(dgcp_packet_buf *buf, dgcp_version_t version,
                                        uint16_t seqnum, const arcp_resp_rx_channel *chans,
                                        unsigned n);

struct arcp_resp_tx_channel {
  uint16_t chan_id;
  uint16_t flags;
  uint32_t rate;
  uint16_t encoding;
  const char *label;
};
aud_error_t arcp_resp_tx_channels_build(dgcp_packet_buf *buf, dgcp_version_t version,
                                        uint16_t seqnum, const arcp_resp_tx_channel *chans,
                                        unsigned n);

// One media channel of a media query answer.
struct arcp_resp_media_channel {
  uint16_t res_id;
  uint16_t mtype;
  uint16_t media_id;
  uint32_t flags;
  const char *label;
  const char *default_label;
  arcp_media_format_info format;
  // receive channels only
  aud_bool_t rx;
  const char *sub_channel;
  const char *sub_device;
  uint16_t status;
  uint8_t conn_supported;
  uint8_t conn_active;
  int16_t dbu;
};
// Adds one channel chain (resource of 40 bytes, for receive channels the data
// segment and, for audio, the level segment) to the next slot of an offset
// array message started with dgcp_offset_array_msg_init.
aud_error_t arcp_resp_media_channel_add(dgcp_packet_buf *buf, arcp_util_media_offset_tables *tables,
                                        const arcp_resp_media_channel *chan);

// Writes per-media counts segments (40 bytes each) as one array chain and
// returns its raw offset (0 when full).
dgcp_raw_offset_t arcp_resp_resource_counts_write(dgcp_packet_buf *buf,
                                                  const arcp_resource_counts_info *counts,
                                                  unsigned n);
