// ARCP receive flow templates: the body of ARCP_OP_RX_template_query and
// ARCP_OP_RX_template_configure. After the header an extensible record names
// the first template flow, the first channel block and the changed list;
// template flows and channel blocks are each linked through _next.
//
// The byte widths of the channel block head and of the interface list are
// taken as uint16 _id and _next, uint8 _nchan and _pad; uint8 _pad and
// _count, then 4-byte entries (uint8 status, pad, uint16 address offset).
#pragma once

#include <cstddef>
#include <cstdint>

#include "wire/arcp/arcp.h"
#include "wire/arcp/arcp_channel.h"

#pragma pack(push, 1)

struct arcp_rx_templates {
  dgcp_extensible_data head;
  dgcp_raw_offset_t _flows;
  dgcp_raw_offset_t _chans;
  dgcp_raw_offset_t _changed;
};
static_assert(sizeof(arcp_rx_templates) == 8);

struct arcp_rx_templates_msg {
  dgcp_head header;
  arcp_rx_templates templates;
};
static_assert(sizeof(arcp_rx_templates_msg) == 18);

struct arcp_rx_template_flow {
  dgcp_extensible_data head;
  uint16_t _id;
  dgcp_raw_offset_t _next;
  dgcp_raw_offset_t _chans;
  uint32_t _flags;
  uint32_t _manual_flags;
  dgcp_raw_offset_t _name;
  dgcp_raw_offset_t _tx_flowname;
  dgcp_raw_offset_t _tx_device;
  uint16_t _nslots;
  uint8_t _format[8];
  uint32_t _latency_ns;
  uint16_t _fpp_goal;
  uint16_t _fpp;
  uint8_t _pad;
  uint8_t _status;
  dgcp_raw_offset_t _interfaces;
};
static_assert(sizeof(arcp_rx_template_flow) == 44);
static_assert(offsetof(arcp_rx_template_flow, _format) == 24);
static_assert(offsetof(arcp_rx_template_flow, _interfaces) == 42);

struct arcp_rx_interface_entry {
  uint8_t _status;
  uint8_t _pad;
  dgcp_raw_offset_t _addr;
};
struct arcp_rx_interfaces_t {
  uint8_t _pad;
  uint8_t _count;
  // _count arcp_rx_interface_entry follow
};
static_assert(sizeof(arcp_rx_interface_entry) == 4);

struct arcp_rx_template_channel {
  uint16_t _id;
  uint8_t _pad;
  uint8_t _status;
  uint16_t _slot;
  dgcp_raw_offset_t _sub;
};
static_assert(sizeof(arcp_rx_template_channel) == 8);

struct arcp_rx_template_channels {
  uint16_t _id;
  dgcp_raw_offset_t _next;
  uint8_t _nchan;
  uint8_t _pad;
  // _nchan arcp_rx_template_channel follow
};
static_assert(sizeof(arcp_rx_template_channels) == 6);

#pragma pack(pop)

// At most this many channel entries are read from, or written to, one block.
constexpr unsigned ARCP_RX_TEMPLATE_MAX_CHANNELS = 128;
// Template flows or channel blocks followed in one message.
constexpr unsigned ARCP_RX_TEMPLATE_MAX_RECORDS = 64;

// The offsets of the templates record (host order is not applied).
struct arcp_rx_templates_info {
  dgcp_raw_offset_t flows;
  dgcp_raw_offset_t chans;
  dgcp_raw_offset_t changed;
};
// Reads the record at offset 10; AUD_ERR_INVALIDDATA when it does not fit.
aud_error_t arcp_rx_templates_read(const dgcp_head *packet, arcp_rx_templates_info *out);

struct arcp_rx_template_flow_info {
  uint16_t id;
  dgcp_raw_offset_t next;
  dgcp_raw_offset_t chans;
  uint32_t flags;
  uint32_t manual_flags;
  const char *name;
  const char *tx_flowname;
  const char *tx_device;
  uint16_t nslots;
  arcp_channel_format_info format;
  uint32_t latency_ns;
  uint16_t fpp_goal;
  uint16_t fpp;
  uint8_t status;
  uint8_t n_intf;  // as the device reports it
  uint8_t intf_status[ARCP_FLOW_MAX_ADDRS];
  const arcp_sockaddr *addrs[ARCP_FLOW_MAX_ADDRS];
  uint16_t end;  // packet offset just past the record: the lower bound of the next one
};
// Reads the template flow at offset (extensible, 2-byte aligned, behind
// lower); fields beyond its _size read as 0. A next that does not lie beyond
// this record is AUD_ERR_INVALIDDATA, so that walks always end.
aud_error_t arcp_rx_template_flow_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                       uint16_t lower, arcp_rx_template_flow_info *out);

struct arcp_rx_template_channels_info {
  uint16_t id;
  dgcp_raw_offset_t next;
  uint8_t nchan;
  const arcp_rx_template_channel *entries;
  uint16_t end;
};
// Reads a channel block: all _nchan entries (at most 128) must lie in the
// packet, and a next must lie beyond the block.
aud_error_t arcp_rx_template_channels_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                           uint16_t lower, arcp_rx_template_channels_info *out);
struct arcp_rx_template_channel_info {
  uint16_t id;
  uint8_t status;
  uint16_t slot;
  const char *sub;
};
// Entry index of a read block; its subscription name resolves behind lower.
aud_error_t arcp_rx_template_channel_at(const dgcp_head *packet,
                                        const arcp_rx_template_channels_info *block, unsigned index,
                                        uint16_t lower, arcp_rx_template_channel_info *out);

// ---- Writer --------------------------------------------------------------------------

struct arcp_rx_template_channel_desc {
  uint16_t id;
  uint8_t status;
  uint16_t slot;
  const char *sub;  // transmit channel name
};
struct arcp_rx_template_flow_desc {
  uint16_t id;
  uint32_t flags;
  uint32_t manual_flags;
  const char *name;
  const char *tx_flowname;
  const char *tx_device;
  uint16_t nslots;
  uint32_t rate;
  uint16_t encoding;
  uint32_t latency_ns;
  uint16_t fpp_goal;
  uint16_t fpp;
  uint8_t status;
  uint8_t n_intf;
  uint8_t intf_status[ARCP_FLOW_MAX_ADDRS];
  arcp_flow_addr addrs[ARCP_FLOW_MAX_ADDRS];
  const arcp_rx_template_channel_desc *chans;
  unsigned nchan;
};
// Where the next flow's offset goes.
struct arcp_rx_templates_writer {
  uint16_t link_pos;
};
// Starts a templates message (size 18) and its writer.
aud_error_t arcp_rx_templates_init(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                   uint16_t opcode, arcp_rx_templates_writer *writer);
// Appends one template flow with its channel block (when nchan > 0); names
// are shared through labels (may be null). AUD_ERR_INVALIDPARAMETER for more
// than 128 channels or 2 interfaces; AUD_ERR_NOMEMORY (all taken back) when full.
aud_error_t arcp_rx_template_flow_write(dgcp_packet_buf *buf, arcp_rx_templates_writer *writer,
                                        const arcp_rx_template_flow_desc *desc,
                                        arcp_util_labels *labels);
