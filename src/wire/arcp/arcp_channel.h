// ARCP channel and flow bodies for devices without per-media resources:
// transmit channels and labels, receive channels, subscriptions, signal
// levels, transmit flows and receive flows in the "204" and "280" layouts.
//
// Lists travel as array messages; every raw offset of an entry is resolved
// with the end of the entries as lower bound, so variable data always lies
// behind them. Readers fill host-order info records whose strings point into
// the packet; on failure they return AUD_ERR_INVALIDDATA, out untouched.
#pragma once

#include <cstddef>
#include <cstdint>

#include "wire/arcp/arcp.h"

#pragma pack(push, 1)

struct arcp_204_tx_channel {
  uint16_t _chan_id;
  uint16_t _flags;
  dgcp_raw_offset_t _format;
  dgcp_raw_offset_t _label;
};
static_assert(sizeof(arcp_204_tx_channel) == 8);

struct arcp_tx_alias {
  uint16_t _alias_id;
  uint16_t _chan_id;
  dgcp_raw_offset_t _label;
};
static_assert(sizeof(arcp_tx_alias) == 6);

struct arcp_channel_label {
  uint16_t _id;
  dgcp_raw_offset_t _label;
};
static_assert(sizeof(arcp_channel_label) == 4);

struct arcp_tx_channel_dbu {
  arcp_range _chans;
  int16_t _dbu;
};
static_assert(sizeof(arcp_tx_channel_dbu) == 6);

struct arcp_204_rx_channel {
  uint16_t _chan_id;
  uint16_t _flags;
  dgcp_raw_offset_t _format;
  dgcp_raw_offset_t _channel;
  dgcp_raw_offset_t _host;
  dgcp_raw_offset_t _label;
  uint8_t _connections_supported;
  uint8_t _connections_active;
  uint16_t _status;
  dgcp_raw_offset_t _connection_status;
  dgcp_raw_offset_t _extra;
};
static_assert(sizeof(arcp_204_rx_channel) == 20);
static_assert(offsetof(arcp_204_rx_channel, _connections_supported) == 12);
static_assert(offsetof(arcp_204_rx_channel, _extra) == 18);

struct arcp_rx_channel_extra {
  dgcp_extensible_data head;
  int16_t _dbu;
  uint16_t _physical_id;
  uint16_t pad;
};
static_assert(sizeof(arcp_rx_channel_extra) == 8);

struct arcp_204_rx_subscription {
  uint16_t _chan_id;
  dgcp_raw_offset_t _channel;
  dgcp_raw_offset_t _host;
};
static_assert(sizeof(arcp_204_rx_subscription) == 6);

struct arcp_flow_class_info {
  uint16_t flow_class;
  dgcp_raw_offset_t info;
};
static_assert(sizeof(arcp_flow_class_info) == 4);

// Fixed part of a "204" transmit flow; addresses, slots and the status
// offset follow.
struct arcp_204_tx_bundle {
  uint16_t _id;
  uint16_t _flags;
  uint8_t _format[8];
  uint16_t _naddr;
  uint16_t _nchan;
};
static_assert(sizeof(arcp_204_tx_bundle) == 16);

struct arcp_tx_bundle_status {
  dgcp_extensible_data head;
  uint16_t _active;
  dgcp_raw_offset_t _dest_router;
  dgcp_raw_offset_t _dest_bundle;
  uint16_t _fpp;
  dgcp_raw_offset_t _flow_label;
  uint32_t _latency_ns;
  arcp_flow_class_info _flow_class;
};
static_assert(sizeof(arcp_tx_bundle_status) == 20);
static_assert(offsetof(arcp_tx_bundle_status, _latency_ns) == 12);

struct arcp_aes67_flow_info {
  dgcp_extensible_data head;
  uint16_t fields;
  uint32_t sap_origin_addr_v4;
  uint32_t sdp_session_id_hi;
  uint32_t sdp_session_id_lo;
  uint32_t sdp_session_vers_hi;
  uint32_t sdp_session_vers_lo;
  uint32_t media_clock_offset;
};
static_assert(sizeof(arcp_aes67_flow_info) == 28);
static_assert(offsetof(arcp_aes67_flow_info, sdp_session_vers_hi) == 16);

// Fixed part of a "204" receive flow; addresses, slot maps and the status
// offset follow.
struct arcp_204_rx_bundle {
  uint16_t _id;
  uint16_t _flags;
  uint8_t _format[8];
  uint16_t _naddr;
  uint16_t _nchan;
  uint16_t _map_width;
};
static_assert(sizeof(arcp_204_rx_bundle) == 18);

struct arcp_rx_bundle_status {
  uint16_t _sub;
  uint16_t _receiving;
  uint8_t _size;
  uint8_t _pad;
  uint16_t _pad1;
  uint32_t _latency_ns;
  arcp_flow_class_info _flow_class;
};
static_assert(sizeof(arcp_rx_bundle_status) == 16);

struct arcp_raw_rx_flow_channels {
  uint16_t nslots;
  dgcp_raw_offset_t chan_map;
};
static_assert(sizeof(arcp_raw_rx_flow_channels) == 4);

struct arcp_280_rx_bundle {
  uint16_t bundle_id;
  uint16_t flags;
  uint8_t format[8];
  uint16_t naddr;
  uint16_t nchan_zero;
  uint16_t map_width_zero;
  dgcp_raw_offset_t addr_offset[2];
  uint16_t addr_pad;
  uint32_t addr_pad1;
  arcp_flow_class_info flow_class;
  uint32_t latency_ns;
  arcp_raw_rx_flow_channels channels;
  uint32_t field_flags;
  uint16_t sub;
  uint16_t receiving;
};
static_assert(sizeof(arcp_280_rx_bundle) == 48);
static_assert(offsetof(arcp_280_rx_bundle, flow_class) == 28);
static_assert(offsetof(arcp_280_rx_bundle, channels) == 36);
static_assert(offsetof(arcp_280_rx_bundle, sub) == 44);

struct arcp_280_rx_channel_map {
  uint16_t start_id;
  uint16_t nchan;
  dgcp_raw_offset_t next;
  // nchan bytes of channel_slot follow
};
static_assert(sizeof(arcp_280_rx_channel_map) == 6);

#pragma pack(pop)

enum : uint16_t {
  ARCP_TX_CHANNEL_FLAG_EXISTS = 0x0001,
  ARCP_TX_CHANNEL_FLAG_ENABLED = 0x0002,
  ARCP_TX_CHANNEL_FLAG_ADVERT = 0x0004,
  ARCP_TX_CHANNEL_FLAG_MUTED = 0x0008,
  ARCP_TX_CHANNEL_FLAG_SUPPORTS_DBU = 0x0100,
  ARCP_TX_CHANNEL_FLAG_NAME_RDONLY = 0x0200,
  ARCP_TX_CHANNEL_FLAGS_ACTIVE = 0x0003,

  ARCP_RX_CHANNEL_FLAG_REDUNDANCY_ENABLED = 0x0001,
  ARCP_RX_CHANNEL_FLAG_UNICAST_ENABLED = 0x0002,
  ARCP_RX_CHANNEL_FLAG_MULTICAST_ENABLED = 0x0004,
  ARCP_RX_CHANNEL_FLAG_LOOPBACK_OK = 0x0008,
  ARCP_RX_CHANNEL_FLAG_MUTED = 0x0010,
  ARCP_RX_CHANNEL_FLAG_DISABLED = 0x0020,
  ARCP_RX_CHANNEL_FLAG_SUPPORTS_DBU = 0x0100,
  ARCP_RX_CHANNEL_FLAG_FLOWSUB = 0x0200,
  ARCP_RX_CHANNEL_FLAG_NAME_RDONLY = 0x0400,

  ARCP_TX_BUNDLE_FLAG_AUTO = 0x0001,
  ARCP_TX_BUNDLE_FLAG_SAVE = 0x0002,
  ARCP_TX_BUNDLE_FLAG_SAVE_ADDR = 0x0004,
  ARCP_TX_BUNDLE_FLAG_HIDDEN = 0x0010,
  ARCP_TX_BUNDLE_FLAG_PHYS_ID = 0x8000,

  ARCP_RX_BUNDLE_FLAG_AUTO = 0x0001,
  ARCP_RX_BUNDLE_FLAG_SAVE = 0x0002,
  ARCP_RX_BUNDLE_FLAG_TEMPLATE = 0x0100,
  ARCP_RX_BUNDLE_FLAG_SUBSCRIPTION = 0x0200,
  ARCP_RX_BUNDLE_FLAG_MAP_28 = 0x4000,
  ARCP_RX_BUNDLE_FLAG_PHYS_ID = 0x8000,
};

enum : uint16_t {
  ARCP_RX_STATUS_NONE = 0x00,
  ARCP_RX_STATUS_UNRESOLVED = 0x01,
  ARCP_RX_STATUS_RESOLVED = 0x02,
  ARCP_RX_STATUS_RESOLVE_FAIL = 0x03,
  ARCP_RX_STATUS_LOOPBACK = 0x04,
  ARCP_RX_STATUS_IN_PROGRESS = 0x08,
  ARCP_RX_STATUS_UNICAST = 0x09,
  ARCP_RX_STATUS_DYNAMIC = 0x09,
  ARCP_RX_STATUS_MULTICAST = 0x0A,
  ARCP_RX_STATUS_STATIC = 0x0A,
  ARCP_RX_STATUS_NO_CONNECTION = 0x0F,
  ARCP_RX_STATUS_CHANNEL_FORMAT = 0x10,
  ARCP_RX_STATUS_BUNDLE_FORMAT = 0x11,
  ARCP_RX_STATUS_NO_RX = 0x12,
  ARCP_RX_STATUS_RX_FAIL = 0x13,
  ARCP_RX_STATUS_NO_TX = 0x14,
  ARCP_RX_STATUS_TX_FAIL = 0x15,
  ARCP_RX_STATUS_QOS_FAIL_RX = 0x16,
  ARCP_RX_STATUS_QOS_FAIL = 0x16,
  ARCP_RX_STATUS_QOS_FAIL_TX = 0x17,
  ARCP_RX_STATUS_TX_REJECTED_ADDR = 0x18,
  ARCP_RX_STATUS_INVALID_MSG = 0x19,
  ARCP_RX_STATUS_CHANNEL_LATENCY = 0x1A,
  ARCP_RX_STATUS_CLOCK_DOMAIN = 0x1B,
  ARCP_RX_STATUS_UNSUPPORTED = 0x1C,
  ARCP_RX_STATUS_RX_LINK_DOWN = 0x1D,
  ARCP_RX_STATUS_TX_LINK_DOWN = 0x1E,
  ARCP_RX_STATUS_DYNAMIC_PROTOCOL = 0x1F,
  ARCP_RX_STATUS_INVALID_CHANNEL = 0x20,
  ARCP_RX_STATUS_TEMPLATE_MISMATCH_DEVICE = 0x40,
  ARCP_RX_STATUS_TEMPLATE_MISMATCH_FORMAT = 0x41,
  ARCP_RX_STATUS_TEMPLATE_MISSING_CHANNEL = 0x42,
  ARCP_RX_STATUS_TEMPLATE_MISMATCH_CONFIG = 0x43,
  ARCP_RX_STATUS_TEMPLATE_FULL = 0x44,
  ARCP_RX_STATUS_SYSTEM_FAIL = 0xFF,
  ARCP_RX_STATUS_FLAG_NO_ADVERT = 0x0100,
  ARCP_RX_STATUS_FLAG_NO_DBCP = 0x0200,
};

typedef enum arcp_flow_class {
  ARCP_FLOW_CLASS_UNDEF = 0,
  ARCP_FLOW_CLASS_DELOS_ATP = 1,
  ARCP_FLOW_CLASS_INVALID__AES67_MCAST = 2,
  ARCP_FLOW_CLASS_AES67_MCAST = 3,
} arcp_flow_class_t;

enum : uint16_t {
  ARCP_AES67_FLOW_INFO_FIELD__SAP_ORIGIN_ADDR = 0x1,
  ARCP_AES67_FLOW_INFO_FIELD__SDP_SESSION_ID = 0x2,
  ARCP_AES67_FLOW_INFO_FIELD__SDP_SESSION_VERSION = 0x4,
  ARCP_AES67_FLOW_INFO_FIELD__MEDIA_CLOCK_OFFSET = 0x8,
  ARCP_AES67_FLOW_INFO_FIELDS_VALID = 0xF,
};

// Limits applied to received flows.
constexpr unsigned ARCP_FLOW_MAX_ADDRS = 2;             // addresses (interfaces) read per flow
constexpr unsigned ARCP_FLOW_MAX_SLOTS = 512;           // slots of one flow
constexpr unsigned ARCP_RX_FLOW_MAX_MAP_WIDTH = 64;     // words of one "204" slot map
constexpr unsigned ARCP_RX_CHANNEL_MAX_INTERFACES = 8;  // connection status bytes
constexpr unsigned ARCP_RX_CHANNEL_MAP_MAX_SLICES = 256;
constexpr unsigned ARCP_RX_CHANNEL_MAP_MAX_SCRATCH = 256;

// ---- AES67 flow record ----------------------------------------------------------

struct arcp_aes67_info {
  uint16_t fields;
  uint32_t sap_origin_addr_v4;  // network order, as an address
  uint32_t sdp_session_id_hi;
  uint32_t sdp_session_id_lo;
  uint32_t sdp_session_vers_hi;
  uint32_t sdp_session_vers_lo;
  uint32_t media_clock_offset;
};
// Writes the record (16 bytes when only the first two fields are valid, 28
// otherwise); 0 when no field is valid or the packet is full.
dgcp_raw_offset_t arcp_aes67_flow_info_write(dgcp_packet_buf *buf, const arcp_aes67_info *info);
// Reads the record (extensible, 4-byte aligned); fields beyond its _size are 0.
aud_error_t arcp_aes67_flow_info_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                      uint16_t lower, arcp_aes67_info *out);

// ---- Transmit channels and labels ------------------------------------------------------

struct arcp_tx_channel_info {
  uint16_t chan_id;
  uint16_t flags;
  aud_bool_t format_valid;
  arcp_channel_format_info format;
  const char *label;  // null when absent
};
// Entry index of an ARCP_OP_TX_query answer; the format is optional (an
// unreadable one leaves format_valid false), the entry itself must lie in the packet.
aud_error_t arcp_tx_channel_at_index(const dgcp_head *packet, unsigned index,
                                     arcp_tx_channel_info *out);

struct arcp_tx_alias_info {
  uint16_t alias_id;
  uint16_t chan_id;
  const char *label;  // null when absent
};
aud_error_t arcp_tx_alias_at_index(const dgcp_head *packet, unsigned index,
                                   arcp_tx_alias_info *out);

// Starts a list message (buffer form) with room for n entries of entry_size.
aud_error_t arcp_list_init(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                           uint16_t opcode, uint8_t n, uint16_t entry_size);
// Appends a transmit label entry; the label is shared through labels. A
// chan_id of 0 (removal) writes no label.
aud_error_t arcp_tx_alias_add(dgcp_packet_buf *buf, arcp_util_labels *labels, uint16_t alias_id,
                              uint16_t chan_id, const char *label);
// Appends a channel label entry; id 0 is not written (AUD_ERR_INVALIDPARAMETER);
// an empty label asks for the default name.
aud_error_t arcp_channel_label_add(dgcp_packet_buf *buf, arcp_util_labels *labels, uint16_t id,
                                   const char *label);
struct arcp_channel_label_info {
  uint16_t id;
  const char *label;
};
aud_error_t arcp_channel_label_at_index(const dgcp_head *packet, unsigned index,
                                        arcp_channel_label_info *out);

// Appends a signal level for channels start..end (plain form), widening the
// last entry when its level is equal and its range adjacent or overlapping.
// AUD_ERR_INVALIDPARAMETER for (0, 0) or an end below a non-zero start.
aud_error_t arcp_tx_channel_dbu_add(dgcp_packet_buf *buf, uint16_t start, uint16_t end,
                                    int16_t dbu);
struct arcp_tx_channel_dbu_info {
  uint16_t start;
  uint16_t end;
  int16_t dbu;
};
aud_error_t arcp_tx_channel_dbu_at_index(const dgcp_head *packet, unsigned index,
                                         arcp_tx_channel_dbu_info *out);

// ---- Receive channels and subscriptions ---------------------------------------------------

struct arcp_rx_channel_info {
  uint16_t chan_id;
  uint16_t flags;
  aud_bool_t format_valid;
  arcp_channel_format_info format;
  const char *channel;  // subscribed transmit channel, null when unsubscribed
  const char *host;     // subscribed transmit device
  const char *label;
  uint8_t connections_supported;
  uint8_t connections_active;
  uint16_t status;
  uint8_t num_connection_status;
  uint8_t connection_status[ARCP_RX_CHANNEL_MAX_INTERFACES];
  aud_bool_t has_extra;
  int16_t dbu;
  uint16_t physical_id;
};
// Entry index of an ARCP_OP_RX_query answer.
aud_error_t arcp_rx_channel_at_index(const dgcp_head *packet, unsigned index,
                                     arcp_rx_channel_info *out);

// Appends a subscription (buffer form). Both names empty or null removes the
// subscription; only one of them is AUD_ERR_INVALIDPARAMETER and writes
// nothing. Equal names already written in this request are reused.
aud_error_t arcp_rx_subscription_add(dgcp_packet_buf *buf, uint16_t chan_id, const char *tx_channel,
                                     const char *tx_device);
struct arcp_rx_subscription_info {
  uint16_t chan_id;
  const char *channel;
  const char *host;
};
aud_error_t arcp_rx_subscription_at_index(const dgcp_head *packet, unsigned index,
                                          arcp_rx_subscription_info *out);

// ---- Transmit flows ("204") ------------------------------------------------------------------

struct arcp_flow_addr {
  uint32_t addr_be;  // 0 for none
  uint16_t port;
};

// A transmit flow as written and as read.
struct arcp_tx_bundle_info {
  uint16_t id;
  uint16_t flags;
  arcp_channel_format_info format;  // inline: rate and the first encoding
  uint16_t naddr;
  const arcp_sockaddr *addrs[ARCP_FLOW_MAX_ADDRS];  // read: null when absent
  uint16_t nchan;
  const uint8_t *chans;  // read: nchan big-endian channel ids in the packet
  aud_bool_t has_status;
  uint16_t active;
  const char *dest_router;
  const char *dest_bundle;
  uint16_t fpp;
  const char *flow_label;
  uint32_t latency_ns;
  uint16_t flow_class;
  aud_bool_t has_aes67;
  arcp_aes67_info aes67;
};
// Channel of slot i of a read flow (0 beyond nchan).
uint16_t arcp_tx_bundle_info_chan(const arcp_tx_bundle_info *info, unsigned slot);

// What a writer puts into one "204" transmit flow record.
struct arcp_204_tx_bundle_desc {
  uint16_t id;
  uint16_t flags;
  uint32_t rate;
  uint16_t encoding;
  uint16_t naddr;
  arcp_flow_addr addrs[ARCP_FLOW_MAX_ADDRS];
  uint16_t nchan;
  const uint16_t *chans;  // nchan channel ids
  aud_bool_t with_status;
  uint16_t active;
  const char *dest_router;
  const char *dest_bundle;
  uint16_t fpp;
  const char *flow_label;
  uint32_t latency_ns;
  uint16_t flow_class;
  const arcp_aes67_info *aes67;  // written for class AES67 when fields are valid
};
// Appends one flow record to a flow list (buffer form of 2-byte entries).
// AUD_ERR_INVALIDPARAMETER for more than 2 addresses or slots above the
// limit, AUD_ERR_NOMEMORY (entry taken back) when the packet is full.
aud_error_t arcp_204_tx_bundle_write(dgcp_packet_buf *buf, const arcp_204_tx_bundle_desc *desc);
// Flow index of a transmit flow list; the status is read from version 2.6.1.
aud_error_t arcp_tx_bundle_at_index(const dgcp_head *packet, unsigned index,
                                    arcp_tx_bundle_info *out);

// ---- Receive flows ("204" and "280") --------------------------------------------------------

typedef enum arcp_rx_bundle_layout {
  ARCP_RX_BUNDLE_LAYOUT_204 = 204,
  ARCP_RX_BUNDLE_LAYOUT_280 = 280,
} arcp_rx_bundle_layout_t;

struct arcp_rx_bundle_info {
  arcp_rx_bundle_layout_t layout;
  uint16_t id;
  uint16_t flags;
  arcp_channel_format_info format;
  uint16_t naddr;
  const arcp_sockaddr *addrs[ARCP_FLOW_MAX_ADDRS];
  uint16_t nslots;
  // "204": slot maps of map_width words, offsets at slot_maps (nslots raw
  // offsets in the packet); use arcp_204_rx_bundle_slot_map.
  uint16_t map_width;
  const uint8_t *slot_maps;
  // "280": first channel map slice (raw); walk with arcp_280_rx_channel_map_read.
  dgcp_raw_offset_t chan_map;
  aud_bool_t has_status;
  uint16_t sub;
  uint16_t receiving;
  uint32_t latency_ns;
  uint16_t flow_class;
  uint32_t field_flags;
  aud_bool_t has_aes67;
  arcp_aes67_info aes67;
};
// Reads record index of a receive flow list in the layout its flags name
// and reports which; the whole record must lie in the packet.
aud_error_t arcp_rx_bundles_get_at_index(const dgcp_head *packet, unsigned index,
                                         arcp_rx_bundle_info *out);
// The same, but accepting only one layout (the other is AUD_ERR_INVALIDDATA).
aud_error_t arcp_204_rx_bundle_at_index(const dgcp_head *packet, unsigned index,
                                        arcp_rx_bundle_info *out);
aud_error_t arcp_280_rx_bundle_at_index(const dgcp_head *packet, unsigned index,
                                        arcp_rx_bundle_info *out);
// The map words of one slot of a "204" flow (map_width big-endian words), or null.
const uint8_t *arcp_204_rx_bundle_slot_map(const dgcp_head *packet, const arcp_rx_bundle_info *info,
                                           unsigned slot);
// True when the slot map holds receive channel chan (counted from 1).
aud_bool_t arcp_204_rx_bundle_map_has_channel(const uint8_t *map, uint16_t map_width,
                                              uint16_t chan);

struct arcp_280_rx_channel_map_info {
  uint16_t start_id;
  uint16_t nchan;
  const uint8_t *channel_slot;  // nchan bytes
  dgcp_raw_offset_t next;
};
// Reads the slice at offset. AUD_ERR_INVALIDDATA when it does not resolve, is
// odd in length, or does not lie in the packet; AUD_ERR_DONE for the closing
// slice (start and nchan 0). Walks must only follow a next that lies beyond
// the current slice (arcp_280_rx_channel_map_read refuses others).
aud_error_t arcp_280_rx_channel_map_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                         uint16_t lower, arcp_280_rx_channel_map_info *out);

// What a writer puts into one receive flow record.
struct arcp_rx_bundle_desc {
  uint16_t id;
  uint16_t flags;
  uint32_t rate;
  uint16_t encoding;
  uint16_t naddr;
  arcp_flow_addr addrs[ARCP_FLOW_MAX_ADDRS];
  uint16_t nslots;
  // "204": map_width words per slot, nslots * map_width host-order words.
  uint16_t map_width;
  const uint16_t *maps;
  aud_bool_t with_status;
  uint16_t sub;
  uint16_t receiving;
  uint32_t latency_ns;
  uint16_t flow_class;
  uint32_t field_flags;
  const arcp_aes67_info *aes67;
};
// Appends one "204" receive flow record to a flow list (buffer form).
aud_error_t arcp_204_rx_bundle_write(dgcp_packet_buf *buf, const arcp_rx_bundle_desc *desc);
// Appends one "280" record (flag MAP_28 added); hands back where the first
// slice's offset goes, for arcp_util_rx_channel_map_init.
aud_error_t arcp_280_rx_bundle_write(dgcp_packet_buf *buf, const arcp_rx_bundle_desc *desc,
                                     uint16_t *out_chan_map_pos);

// Builder of a "280" channel map: a scratch map of slot bytes and the open slice.
struct arcp_util_rx_channel_map {
  uint8_t scratch[ARCP_RX_CHANNEL_MAP_MAX_SCRATCH];
  uint16_t scratch_len;
  uint16_t start;     // open slice's first channel, 0 when none is open
  uint16_t len;       // open slice's length
  uint16_t link_pos;  // packet position of the raw offset the next slice goes into
};
// Prepares a builder; link_pos is where the first slice's offset is stored.
void arcp_util_rx_channel_map_init(arcp_util_rx_channel_map *map, uint16_t scratch_len,
                                   uint16_t link_pos);
// Adds (channel, slot) in increasing channel order; AUD_ERR_INVALIDPARAMETER
// for a zero member or a channel not above the open slice's start,
// AUD_ERR_NOMEMORY when a closed slice does not fit.
aud_error_t arcp_util_rx_add_channel_map(dgcp_packet_buf *buf, arcp_util_rx_channel_map *map,
                                         uint16_t channel, uint8_t slot);
// Closes the open slice, if any.
aud_error_t arcp_util_rx_channel_map_finish(dgcp_packet_buf *buf, arcp_util_rx_channel_map *map);
