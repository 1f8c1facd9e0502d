// ARCP, the routing control protocol: versions, opcodes, the shared elements
// (ranges, query ranges, labels, socket addresses, channel formats) and the
// device-level message bodies (capability query, names and identity, rename,
// properties, soft limits, receive port range, error counters, display groups).
//
// Readers take a packet that passed dgcp_verify_size and report failure as
// AUD_ERR_INVALIDDATA with their out-parameter untouched; strings they hand
// back point into the packet and live as long as it does.
#pragma once

#include <cstddef>
#include <cstdint>

#include "wire/dgcp/dgcp.h"
#include "wire/dgcp/dgcp_extensible.h"

// ---- Versions -----------------------------------------------------------------

typedef enum arcp_version {
  ARCP_VERSION_2 = 0x0200,
  ARCP_VERSION_2_1 = 0x0201,
  ARCP_VERSION_2_2 = 0x0202,
  ARCP_VERSION_2_3 = 0x0203,
  ARCP_VERSION_2_4 = 0x0204,
  ARCP_VERSION_2_5 = 0x2500,
  ARCP_VERSION_2_6 = 0x2600,
  ARCP_VERSION_2_6_1 = 0x2601,
  ARCP_VERSION_2_7 = 0x2700,
  ARCP_VERSION_2_7_3 = 0x2703,
  ARCP_VERSION_2_7_17 = 0x2711,
  ARCP_VERSION_2_8 = 0x2800,
  ARCP_VERSION_2_8_1 = 0x2801,
  ARCP_VERSION_2_8_2 = 0x2802,
  ARCP_VERSION_2_8_7 = 0x2807,
  ARCP_VERSION_2_8_8 = 0x2808,
  ARCP_VERSION_2_8_9 = 0x2809,
  ARCP_VERSION_INVALID_2_9_0 = 0x2900,
  ARCP_VERSION_INVALID_2_9_1 = 0x2901,
  ARCP_VERSION_CURR = 0x2809,
} arcp_version_t;

// generation << 12 | major << 8 | minor; 0 when a part is out of range.
dgcp_version_t arcp_version_make(unsigned generation, unsigned major, unsigned minor);
// Generation, major and minor of a version.
void arcp_version_split(dgcp_version_t version, unsigned *generation, unsigned *major,
                        unsigned *minor);
// False for the two versions marked invalid (2.9.0, 2.9.1) and for 0.
aud_bool_t arcp_version_is_valid(dgcp_version_t version);
// The version to send requests to a device with: the smaller of the device's
// version and ARCP_VERSION_CURR; ARCP_VERSION_CURR while the device's is unknown (0).
dgcp_version_t arcp_request_version(dgcp_version_t device_version);

// Starts a request with the current version, or with the given one.
void arcp_msg_head_init(dgcp_head *packet, uint16_t seqnum, uint16_t opcode);
void arcp_msg_head_init_vers(dgcp_head *packet, dgcp_version_t version, uint16_t seqnum,
                             uint16_t opcode);

// ---- Opcodes ------------------------------------------------------------------------

enum : uint16_t {
  ARCP_OP_router_query = 0x1000,
  ARCP_OP_router_relabel = 0x1001,
  ARCP_OP_router_label = 0x1002,
  ARCP_OP_router_identity = 0x1003,
  ARCP_OP_router_prop_query = 0x1100,
  ARCP_OP_router_prop_set = 0x1101,
  ARCP_OP_router_prop_available = 0x1102,
  ARCP_OP_softlimit = 0x1200,
  ARCP_OP_lockdown_lock = 0x1601,
  ARCP_OP_lockdown_unlock = 0x1602,
  ARCP_OP_reset_disable = 0x1E01,
  ARCP_OP_reload_defaults = 0x1E40,
  ARCP_OP_reload_advert_overrides = 0x1E41,
  ARCP_OP_reload_ape_addrs = 0x1E42,
  ARCP_OP_reset_null = 0x1F00,
  ARCP_OP_reset_store = 0x1F01,
  ARCP_OP_router_store_config = 0x1F01,
  ARCP_OP_reset_suspend = 0x1F02,
  ARCP_OP_reset_suspend_store = 0x1F03,
  ARCP_OP_reset_reload = 0x1F10,
  ARCP_OP_reset_reload_store = 0x1F11,
  ARCP_OP_reset_reload_new = 0x1F12,
  ARCP_OP_reset_reload_nocache = 0x1F18,
  ARCP_OP_reset_reload_nocache_store = 0x1F19,
  ARCP_OP_reset_shutdown = 0x1F20,
  ARCP_OP_reset_shutdown_store = 0x1F21,
  ARCP_OP_reset_shutdown_new = 0x1F22,
  ARCP_OP_reset_sys = 0x1F30,
  ARCP_OP_reset_sys_store = 0x1F31,
  ARCP_OP_reset_sys_new = 0x1F32,
  ARCP_OP_deprecated_reload_defaults = 0x1F40,
  ARCP_OP_deprecated_reload_advert_overrides = 0x1F41,
  ARCP_OP_deprecated_reload_ape_addrs = 0x1F42,
  ARCP_OP_reset_process = 0x1F60,
  ARCP_OP_reset_process_store = 0x1F61,
  ARCP_OP_reset_process_new = 0x1F62,
  ARCP_OP_TX_query = 0x2000,
  ARCP_OP_TX_query_dbcp = 0x2002,
  ARCP_OP_TX_query_phys = 0x2008,
  ARCP_OP_TX_alias_query = 0x2010,
  ARCP_OP_TX_alias_configure = 0x2011,
  ARCP_OP_TX_alias_query_channel = 0x2012,
  ARCP_OP_TX_alias_configure_channel = 0x2013,
  ARCP_OP_TX_channel_enable = 0x2020,
  ARCP_OP_TX_channel_disable = 0x2021,
  ARCP_OP_TX_channel_advert_enable = 0x2022,
  ARCP_OP_TX_channel_advert_disable = 0x2023,
  ARCP_OP_TX_channel_unmute = 0x2030,
  ARCP_OP_TX_channel_mute = 0x2031,
  ARCP_OP_TX_channel_dbu_query = 0x2032,
  ARCP_OP_TX_channel_dbu_set = 0x2033,
  ARCP_OP_TX_channel_advert_query = 0x2040,
  ARCP_OP_DEBUG_TX_channel_dump_state_query = 0x20F0,
  ARCP_OP_TX_prop_query = 0x2100,
  ARCP_OP_TX_prop_set = 0x2101,
  ARCP_OP_TX_prop_available = 0x2102,
  ARCP_OP_TX_bundle_query = 0x2200,
  ARCP_OP_TX_bundle_configure = 0x2201,
  ARCP_OP_TX_bundle_delete = 0x2202,
  ARCP_OP_TX_bundle_query_sdp = 0x2204,
  ARCP_OP_TX_bundle_query_phys = 0x2208,
  ARCP_OP_TX_bundle_query_sdp_phys = 0x220B,
  ARCP_OP_TX_bundle_delete_dynamic = 0x2210,
  ARCP_OP_TX_bundle_delete_static = 0x2211,
  ARCP_OP_TX_bundle_advert_query = 0x2240,
  ARCP_OP_DEBUG_TX_bundle_dump_state_query = 0x22F0,
  ARCP_OP_TX_media_query = 0x2400,
  ARCP_OP_TX_media_query_phys = 0x2408,
  ARCP_OP_TX_media_channel_enable = 0x2420,
  ARCP_OP_TX_media_channel_disable = 0x2421,
  ARCP_OP_TX_media_channel_advert_enable = 0x2422,
  ARCP_OP_TX_media_channel_advert_disable = 0x2423,
  ARCP_OP_TX_media_relabel = 0x2438,
  ARCP_OP_TX_media_bundle_query = 0x2600,
  ARCP_OP_TX_media_bundle_configure = 0x2601,
  ARCP_OP_TX_media_bundle_delete = 0x2602,
  ARCP_OP_TX_media_bundle_query_phys = 0x2608,
  ARCP_OP_TX_media_bundle_delete_dynamic = 0x2610,
  ARCP_OP_TX_media_bundle_delete_static = 0x2611,
  ARCP_OP_RX_query = 0x3000,
  ARCP_OP_RX_relabel = 0x3001,
  ARCP_OP_RX_status_query = 0x3004,
  ARCP_OP_RX_query_phys = 0x3008,
  ARCP_OP_RX_subscribe_unchecked = 0x3010,
  ARCP_OP_RX_subscribe_warn = 0x3012,
  ARCP_OP_RX_subscribe_fail = 0x3013,
  ARCP_OP_RX_unsubscribe = 0x3014,
  ARCP_OP_RX_subscribe_phys_unchecked = 0x3018,
  ARCP_OP_RX_subscribe_phys_warn = 0x301A,
  ARCP_OP_RX_subscribe_phys_fail = 0x301B,
  ARCP_OP_RX_unsubscribe_phys = 0x301C,
  ARCP_OP_RX_addr_query = 0x3020,
  ARCP_OP_RX_channel_unmute = 0x3030,
  ARCP_OP_RX_channel_mute = 0x3031,
  ARCP_OP_RX_channel_enable = 0x3032,
  ARCP_OP_RX_channel_disable = 0x3033,
  ARCP_OP_DEBUG_RX_channel_dump_state_query = 0x30F0,
  ARCP_OP_RX_prop_query = 0x3100,
  ARCP_OP_RX_prop_set = 0x3101,
  ARCP_OP_RX_prop_available = 0x3102,
  ARCP_OP_RX_bundle_query = 0x3200,
  ARCP_OP_RX_bundle_configure = 0x3201,
  ARCP_OP_RX_bundle_delete = 0x3202,
  ARCP_OP_RX_bundle_query_phys = 0x3208,
  ARCP_OP_RX_bundle_delete_dynamic = 0x3210,
  ARCP_OP_RX_bundle_delete_static = 0x3211,
  ARCP_OP_RX_template_query = 0x3240,
  ARCP_OP_RX_template_configure = 0x3241,
  ARCP_OP_DEBUG_RX_bundle_dump_state_query = 0x32F0,
  ARCP_OP_RX_port_range_query = 0x3300,
  ARCP_OP_RX_media_query = 0x3400,
  ARCP_OP_RX_media_relabel = 0x3401,
  ARCP_OP_RX_media_query_phys = 0x3408,
  ARCP_OP_RX_media_subscribe = 0x3410,
  ARCP_OP_RX_media_unsubscribe = 0x3414,
  ARCP_OP_RX_media_channel_enable = 0x3432,
  ARCP_OP_RX_media_channel_disable = 0x3433,
  ARCP_OP_RX_media_bundle_query = 0x3600,
  ARCP_OP_RX_media_bundle_delete = 0x3602,
  ARCP_OP_RX_media_bundle_query_phys = 0x3608,
  ARCP_OP_RX_media_bundle_delete_dynamic = 0x3610,
  ARCP_OP_RX_media_bundle_delete_static = 0x3611,
  ARCP_OP_RX_media_hdcp_peer_query = 0x3620,
  ARCP_OP_RX_media_hdcp_peer_config = 0x3621,
  ARCP_OP_RX_bundles_error_flags_query = 0x4000,
  ARCP_OP_RX_bundles_early_packets_query = 0x4010,
  ARCP_OP_RX_bundles_late_packets_query = 0x4011,
  ARCP_OP_RX_bundles_dropped_packets_query = 0x4012,
  ARCP_OP_RX_bundles_out_of_order_packets_query = 0x4013,
  ARCP_OP_RX_bundles_max_latency_query = 0x4020,
  ARCP_OP_display_group_query = 0x4100,
  ARCP_OP_TEST_lock = 0x7010,
  ARCP_OP_TEST_unlock = 0x7011,
};

typedef uint16_t arcp_raw_id_t;

#pragma pack(push, 1)

// ---- Ranges ---------------------------------------------------------------------------

struct arcp_range {
  uint16_t _start;
  uint16_t _end;
};
static_assert(sizeof(arcp_range) == 4);

struct arcp_query_range_packet {
  dgcp_head header;
  uint8_t _pad;
  uint8_t _count;
  // _count arcp_range entries follow
};
static_assert(sizeof(arcp_query_range_packet) == 12);

struct arcp_media_range {
  uint16_t media;
  arcp_range range;
};
static_assert(sizeof(arcp_media_range) == 6);

struct arcp_media_query_range_packet {
  dgcp_long_head header;
  uint8_t pad;
  uint8_t count;
  // count arcp_media_range entries follow
};
static_assert(sizeof(arcp_media_query_range_packet) == 18);

// ---- Socket address, channel format --------------------------------------------

struct arcp_sockaddr {
  uint8_t _size;
  uint8_t _family;
  uint16_t _port;
  uint8_t _addr[16];  // 4 bytes for IPv4, 16 for IPv6; none when unspecified
};
static_assert(offsetof(arcp_sockaddr, _addr) == 4);

struct arcp_channel_format {
  uint32_t _rate;
  uint8_t _max;
  uint8_t _count;
  // _max uint16 encodings, then (when _max > 0) the audio footer
};
static_assert(sizeof(arcp_channel_format) == 6);

struct arcp_channel_format_audio_footer {
  dgcp_extensible_data head;
  uint16_t _native;
  uint16_t _pcm_native;
  uint16_t _pcm_map;
};
static_assert(sizeof(arcp_channel_format_audio_footer) == 8);

// ---- Device-level bodies ------------------------------------------------------------

struct arcp_node_query_resp {
  dgcp_head header;
  uint16_t _flags;
  uint16_t _ntxchan;
  uint16_t _nrxchan;
  uint16_t _ntxalias;
  uint16_t _ntxslots;
  uint16_t _nrxslots;
  uint16_t _max_txbund;
  uint16_t _max_rxbund;
  uint16_t _max_alias;
  uint16_t _max_chan_alias;
  uint16_t _nintf;
  uint32_t _status;
  uint16_t _per_rxflow_error_flags;
  uint16_t _per_rxflow_error_fields;
  uint32_t _rxflow_error_subseconds_range;
  dgcp_raw_offset_t media_resources;
  uint16_t max_display_group_id;
};
static_assert(sizeof(arcp_node_query_resp) == 48);
static_assert(offsetof(arcp_node_query_resp, _max_txbund) == 22);
static_assert(offsetof(arcp_node_query_resp, _status) == 32);
static_assert(offsetof(arcp_node_query_resp, _rxflow_error_subseconds_range) == 40);
static_assert(offsetof(arcp_node_query_resp, media_resources) == 44);

struct arcp_identity_query_response {
  dgcp_head header;
  uint16_t _body_size;
  dgcp_raw_offset_t _name;
  dgcp_raw_offset_t _version;
  dgcp_raw_offset_t _router_info;
  dgcp_raw_offset_t _router_debug;
  dgcp_raw_offset_t _release_id;
  dgcp_raw_offset_t _platform;
  dgcp_raw_offset_t _timestamp;
  dgcp_raw_offset_t _build_id;
};
static_assert(sizeof(arcp_identity_query_response) == 28);
static_assert(offsetof(arcp_identity_query_response, _name) == 12);
static_assert(offsetof(arcp_identity_query_response, _build_id) == 26);

struct arcp_identity_query_response_name {
  dgcp_extensible_data head;
  dgcp_raw_offset_t _name;
  dgcp_raw_offset_t _default;
  dgcp_raw_offset_t _advertised;
  dgcp_raw_offset_t _domain;
  uint8_t _pad[6];
};
static_assert(sizeof(arcp_identity_query_response_name) == 16);

struct arcp_identity_query_response_version {
  dgcp_extensible_data head;
  uint16_t _pad;
  uint32_t _router;
  uint16_t _arcp_native;
  uint16_t _arcp_min;
  uint16_t _dbcp_native;
  uint16_t _dbcp_min;
  uint16_t _arcp3_native;
  uint16_t _arcp3_min;
};
static_assert(sizeof(arcp_identity_query_response_version) == 20);
static_assert(offsetof(arcp_identity_query_response_version, _arcp_native) == 8);

struct arcp_soft_limit_data {
  uint32_t _has_field;
  uint32_t _limited;
  uint16_t _ntxchan;
  uint16_t _nrxchan;
  uint32_t _sample_rate;
};
static_assert(sizeof(arcp_soft_limit_data) == 16);

struct arcp_soft_limit_resp {
  dgcp_head header;
  uint16_t _flags;
  dgcp_raw_offset_t _data;
  uint16_t _pad;
  arcp_soft_limit_data data;
};
static_assert(sizeof(arcp_soft_limit_resp) == 32);
static_assert(offsetof(arcp_soft_limit_resp, data) == 16);

struct arcp_rx_port_range {
  dgcp_head header;
  arcp_range _dynamic;
  arcp_range _static;
};
static_assert(sizeof(arcp_rx_port_range) == 18);

struct arcp_rx_bundles_error_query {
  dgcp_head header;
  uint16_t _flags;
  uint16_t _range_start;
  uint16_t _range_end;
};
static_assert(sizeof(arcp_rx_bundles_error_query) == 16);

// Head of arcp_rx_bundles_error_flags and arcp_rx_bundles_error_fields.
struct arcp_rx_bundles_error_head {
  dgcp_head header;
  uint16_t _array_offset_bytes;
  uint16_t _flags;
  uint16_t _start_id;
  uint16_t _num_bundles;
  uint16_t _num_intfs;
  uint32_t _timestamp_seconds;
  uint32_t _timestamp_subseconds;
};
static_assert(sizeof(arcp_rx_bundles_error_head) == 28);
static_assert(offsetof(arcp_rx_bundles_error_head, _timestamp_seconds) == 20);

struct arcp_raw_display_group_data {
  dgcp_extensible_data head;
  uint16_t id;
  uint16_t fields;
  dgcp_raw_offset_t label;
};
static_assert(sizeof(arcp_raw_display_group_data) == 8);

#pragma pack(pop)

// ---- Flags and constants ------------------------------------------------------------

enum : uint16_t {
  ARCP_NODE_FLAG_EDIT_NAME = 0x0001,
  ARCP_NODE_FLAG_EDIT_TX = 0x0004,
  ARCP_NODE_FLAG_EDIT_RX = 0x0008,
  ARCP_NODE_FLAG_EDIT_ALIAS = 0x0010,
  ARCP_NODE_FLAG_EDIT_STATIC = 0x0020,
  ARCP_NODE_FLAG_UNICAST = 0x0040,
  ARCP_NODE_FLAG_MULTICAST = 0x0080,
  ARCP_NODE_FLAG_IDENTITY = 0x0100,
  ARCP_NODE_FLAG_DBU = 0x0200,
  ARCP_NODE_FLAG_FLOWSUB = 0x0400,
  ARCP_NODE_FLAG_DBCP_QUERY = 0x0800,
  ARCP_NODE_FLAG_MEDIA = 0x1000,
  ARCP_NODE_FLAG_DISABLED = 0x8000,
};

enum : uint32_t {
  ARCP_NODE_ERR_FLAG_DISABLED = 0x1,
  ARCP_NODE_ERR_FLAG_LOCKDOWN = 0x2,
  ARCP_NODE_ERR_FLAG_LOCK = 0x4,
  ARCP_NODE_ERR_FLAG_CONFIG_LOCK = 0x8,
  ARCP_NODE_ERR_FLAG_NAME = 0x20000,
  ARCP_NODE_ERR_FLAG_UNKNOWN = 0x80000000u,
};

enum : uint16_t {
  ARCP_PROP_DBCP_Advert_enable = 0x0022,
  ARCP_PROP_Native_encoding = 0x0023,
  ARCP_PROP_Discovery_mode = 0x0024,
  ARCP_PROP_AES67_Mediaclk = 0x0061,
  ARCP_PROP_RTP_Mediaclk_mode = 0x0061,
  ARCP_PROP_AES67_Advert_enable = 0x0062,
  ARCP_PROP_RTP_Status = 0x0063,
  ARCP_PROP_IO_loopback = 0x00F0,
  ARCP_PROP_TX_Advert_enable = 0x0201,
  ARCP_PROP_TX_Dbcp_enable = 0x0209,
  ARCP_PROP_TX_Dbcp_tag = 0x020A,
  ARCP_PROP_TX_Dbcp_tag_required = 0x020B,
  ARCP_PROP_TX_Frames_per_packet = 0x0210,
  ARCP_PROP_TX_Frames_per_packet_suggested = 0x0211,
  ARCP_PROP_TX_Frames_per_packet_RTP = 0x0212,
  ARCP_PROP_TX_Frames_per_packet_min = 0x0213,
  ARCP_PROP_TX_Frames_per_packet_max = 0x0214,
  ARCP_PROP_TX_Port_RTP = 0x0222,
  ARCP_PROP_RX_Bundle_min_slots = 0x0303,
  ARCP_PROP_RX_Keepalive_period = 0x0308,
  ARCP_PROP_RX_Sub_mode_enable = 0x0309,
  ARCP_PROP_RX_Frames_per_packet = 0x0310,
  ARCP_PROP_RX_Frames_per_packet_min = 0x0311,
  ARCP_PROP_RX_Frames_per_packet_RTP = 0x0312,
  ARCP_PROP_RX_Dbcp_attempts = 0x03F1,
  ARCP_PROP_Lockdown = 0x0601,
  ARCP_PROP_Static_bundle_configure_src_port = 0x0602,
  ARCP_PROP_Debug_eventlog_events = 0x0701,
  ARCP_PROP_Sample_rate = 0x8020,
  ARCP_PROP_Clock_subdomain = 0x8021,
  ARCP_PROP_AES67_Prefix_v4 = 0x8060,
  ARCP_PROP_RTP_Prefix_v4 = 0x8060,
  ARCP_PROP_TX_Latency_static = 0x8204,
  ARCP_PROP_TX_Latency_error = 0x8205,
  ARCP_PROP_TX_Audio_delay = 0x8218,
  ARCP_PROP_TX_Audio_delay_max = 0x8219,
  ARCP_PROP_TX_Audio_delay_default = 0x821A,
  ARCP_PROP_RX_Latency = 0x8301,
  ARCP_PROP_RX_Latency_max = 0x8302,
  ARCP_PROP_RX_Latency_network = 0x8304,
  ARCP_PROP_RX_Latency_error = 0x8305,
  ARCP_PROP_RX_Latency_min = 0x8306,
  ARCP_PROP_RX_Latency_RTP = 0x8321,
  ARCP_PROP_RX_Dbcp_timeout = 0x83F0,
};

// The keys of the client's property query, in the order it asks for them.
constexpr unsigned ARCP_CLIENT_PROP_QUERY_NUM_KEYS = 18;
extern const uint16_t arcp_client_prop_query_keys[ARCP_CLIENT_PROP_QUERY_NUM_KEYS];

enum : uint32_t {
  ARCP_SOFTLIMIT_FIELD_TXCHAN = 0x1,
  ARCP_SOFTLIMIT_FIELD_RXCHAN = 0x2,
  ARCP_SOFTLIMIT_FIELD_SAMPLE_RATE = 0x4,
  ARCP_SOFTLIMIT_FIELDS_ALL = 0x7,
};

enum : uint16_t { ARCP_RX_BUNDLES_ERROR_QUERY_FLAG_CLEAR = 0x1 };

enum : uint8_t {
  ARCP_SOCKADDR_FAMILY_UNSPEC = 0,
  ARCP_SOCKADDR_FAMILY_IPV4 = 2,
  ARCP_SOCKADDR_FAMILY_IPV6 = 6,
  ARCP_SOCKADDR_SIZE_UNSPEC = 2,
  ARCP_SOCKADDR_SIZE_IPV4 = 8,
  ARCP_SOCKADDR_SIZE_IPV6 = 20,
};

// Limits applied to received data.
constexpr unsigned ARCP_LABEL_MAX_CHARS = 32;               // a label's characters
constexpr unsigned ARCP_ROUTER_NAME_MAX_BYTES = 32;         // a rename body, NUL included
constexpr unsigned ARCP_CHANNEL_FORMAT_MAX_ENCODINGS = 16;  // encodings read from one format
constexpr unsigned ARCP_CLOCK_SUBDOMAIN_MAX_CHARS = 15;
constexpr unsigned ARCP_RX_ERROR_MAX_VALUES = 4096;  // flows x interfaces in one error answer

// ---- Ranges and query ranges -------------------------------------------------------

// Reads a range against a maximum identifier: true with the first and last
// identifier it names, false when it names none.
aud_bool_t arcp_util_normalise_range(uint16_t start, uint16_t end, uint16_t max_id,
                                     uint16_t *out_first, uint16_t *out_last);

// A query range message with no range (asks for everything): size 12.
uint16_t arcp_query_range_init(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                               uint16_t opcode);
// Adds an identifier, growing the last range when id is one past its end.
// Returns the new range count, 0 when the packet is full or id is 0.
uint8_t arcp_query_range_add_id(dgcp_packet_buf *buf, uint16_t id);
// Adds a range (refuses (0, 0)); returns the new count or 0.
uint8_t arcp_query_range_add_range(dgcp_packet_buf *buf, uint16_t start, uint16_t end);
// DGCP_Success, DGCP_ERR_Size_packet_too_small or DGCP_ERR_Size_packet_too_large.
dgcp_status_t arcp_query_range_validate(const dgcp_head *packet);
// The range at index (host order), false beyond _count or the packet.
aud_bool_t arcp_query_range_get(const dgcp_head *packet, unsigned index, uint16_t *out_start,
                                uint16_t *out_end);

// A media query range message: long header, bytes 10..27 zeroed, size 28.
uint16_t arcp_media_query_range_init(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                     uint16_t opcode);
// Adds (media, start, end) at 18 + 6 * index; returns the new count or 0.
uint8_t arcp_media_query_range_add_range(dgcp_packet_buf *buf, uint16_t media, uint16_t start,
                                         uint16_t end);
// Adds an identifier; the last range grows only when its media type matches.
uint8_t arcp_media_query_range_add_id(dgcp_packet_buf *buf, uint16_t media, uint16_t id);
// DGCP_Success when the size is at least 18 + 6 * count, else too small.
dgcp_status_t arcp_media_query_range_validate(const dgcp_head *packet);

// ---- Labels -------------------------------------------------------------------------

// Non-empty, at most 32 characters, not starting with "@", "=" or ".", and
// without "@", "." or "=".
aud_bool_t arcp_is_valid_label(const char *label);

// A request-wide list of labels already written (offset and text).
struct arcp_util_label_entry {
  dgcp_raw_offset_t offset;
  const char *label;
};
struct arcp_util_labels {
  uint16_t n;
  uint16_t max;
  arcp_util_label_entry *entries;
};
// The offset of a label equal to this one (ignoring case) already in the
// list, else writes it, records it when there is room, and returns its
// offset; 0 when the packet is full.
dgcp_raw_offset_t arcp_util_labels_write(dgcp_packet_buf *buf, arcp_util_labels *labels,
                                         const char *label);

// ---- Socket addresses ------------------------------------------------------------------

// The socket address at the offset (4-byte aligned) when its _size matches its
// family and lies inside the packet; else null.
const arcp_sockaddr *arcp_sockaddr_resolve(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                           uint16_t lower);
// Writes an IPv4 address (network order) and port (host order); offset or 0.
dgcp_raw_offset_t arcp_sockaddr_alloc_ipv4(dgcp_packet_buf *buf, uint32_t addr_be, uint16_t port);
// Equal when size, family, port and address bytes agree (both null: equal).
aud_bool_t arcp_sockaddr_equal(const arcp_sockaddr *a, const arcp_sockaddr *b);
// Dotted quad or IPv6 words, with "." and the port when asked; "null" for an
// absent address, "<unknown>" for another family. Returns buf.
const char *arcp_sockaddr_to_string(const arcp_sockaddr *sa, aud_bool_t with_port, char *buf,
                                    size_t len);
// IPv4 address (network order) and port (host order) of an IPv4 address.
aud_bool_t arcp_sockaddr_get_ipv4(const arcp_sockaddr *sa, uint32_t *out_addr_be,
                                  uint16_t *out_port);

// ---- Channel formats --------------------------------------------------------------------

// A channel format in host order.
struct arcp_channel_format_info {
  uint32_t rate;
  uint8_t max;
  uint8_t count;
  uint16_t encodings[ARCP_CHANNEL_FORMAT_MAX_ENCODINGS];
  uint16_t native;
  uint16_t pcm_native;
  uint16_t pcm_map;
};
// Reads the format at the offset (4-byte aligned, at least 8 bytes); the
// encoding list and the footer must lie in the packet, _count may not exceed
// _max nor the encoding limit. _max 0 gives native, PCM-native and map 0.
aud_error_t arcp_channel_format_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                     uint16_t lower, arcp_channel_format_info *out);
// Reads the 8-byte inline format of the "204" flow records (rate, max,
// count, first encoding).
void arcp_channel_format_read_inline(const uint8_t *bytes, arcp_channel_format_info *out);
// Writes a format with its footer (14 + 2 * max bytes, 4-byte aligned);
// offset or 0. max below count is raised to count.
dgcp_raw_offset_t arcp_alloc_audio_format(dgcp_packet_buf *buf,
                                          const arcp_channel_format_info *format);
// Writes the 8-byte inline form of a format.
void arcp_channel_format_write_inline(uint8_t *bytes, uint32_t rate, uint16_t encoding);

// ---- Node query -------------------------------------------------------------------------

struct arcp_node_query_info {
  uint16_t flags;
  uint16_t ntxchan;
  uint16_t nrxchan;
  uint16_t ntxalias;
  uint16_t ntxslots;
  uint16_t nrxslots;
  uint16_t max_txbund;
  uint16_t max_rxbund;
  uint16_t max_alias;
  uint16_t max_chan_alias;
  uint16_t nintf;
  uint32_t status;
  uint16_t per_rxflow_error_flags;
  uint16_t per_rxflow_error_fields;
  uint32_t rxflow_error_subseconds_range;
  dgcp_raw_offset_t media_resources;  // raw; 0 unless version and flag allow it
  uint16_t max_display_group_id;
};
// Reads a node query response: fields newer than the header's version, or
// beyond its _size, read as 0. AUD_ERR_INVALIDDATA when the packet does not
// hold the fields every version has (22 bytes).
aud_error_t arcp_node_query_resp_read(const dgcp_head *packet, arcp_node_query_info *out);

// ---- Names and identity ----------------------------------------------------------------

// The device name of an ARCP_OP_router_label response (NUL-terminated at
// offset 10), or null.
const char *arcp_router_label_read(const dgcp_head *packet, uint16_t *out_len);
// Builds a rename request; AUD_ERR_INVALIDPARAMETER (nothing built) when the
// name with its NUL exceeds 32 bytes, AUD_ERR_NOMEMORY when it does not fit.
aud_error_t arcp_router_relabel_build(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                      const char *name);

struct arcp_identity_info {
  const char *name;          // never null on success
  const char *default_name;  // null when absent
  const char *advertised;    // null when absent
  const char *domain;        // null when absent
  aud_bool_t has_version;    // the version record was read
  uint32_t router_version;
  uint16_t arcp_native;
  uint16_t arcp_min;
  uint16_t dbcp_native;
  uint16_t dbcp_min;
  uint16_t arcp3_native;
  uint16_t arcp3_min;
};
// Reads an identity response. AUD_ERR_INVALIDDATA when the record is corrupt:
// a _body_size below 14 (from version 2.8.9) or a name record or name that
// does not resolve.
aud_error_t arcp_identity_read(const dgcp_head *packet, arcp_identity_info *out);

// ---- Properties ---------------------------------------------------------------------------

// A property query for the given keys (plain array message).
aud_error_t arcp_prop_query_build(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                  uint16_t opcode, const uint16_t *keys, unsigned n);
// Starts a property set with room for n properties.
aud_error_t arcp_prop_set_init(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                               uint16_t opcode, uint8_t n);
// Appends a 16-bit property, a 32-bit one (the key must have bit 15 set) or a
// string one (bit 15 set); AUD_ERR_NOMEMORY when full, AUD_ERR_INVALIDPARAMETER
// for a key of the wrong kind.
aud_error_t arcp_prop_set_add16(dgcp_packet_buf *buf, uint16_t key, uint16_t value);
aud_error_t arcp_prop_set_add32(dgcp_packet_buf *buf, uint16_t key, uint32_t value);
aud_error_t arcp_prop_set_add_string(dgcp_packet_buf *buf, uint16_t key, const char *value);
// Reads one property of a property message: a 16-bit value, a 32-bit value
// behind its offset (4-byte aligned, behind the entries) or a string copied
// (bounded, always terminated) into out. AUD_ERR_NOTFOUND when the key is
// absent, AUD_ERR_INVALIDDATA when its value does not resolve.
aud_error_t arcp_prop_get16(const dgcp_head *packet, uint16_t key, uint16_t *out);
aud_error_t arcp_prop_get32(const dgcp_head *packet, uint16_t key, uint32_t *out);
aud_error_t arcp_prop_get_string(const dgcp_head *packet, uint16_t key, char *out, size_t out_size);

// ---- Soft limits, port range, error counters ------------------------------------------------

struct arcp_soft_limit_info {
  uint32_t has_field;
  uint32_t limited;
  uint16_t ntxchan;
  uint16_t nrxchan;
  uint32_t sample_rate;
};
aud_error_t arcp_softlimit_build(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                 const arcp_soft_limit_info *limits);
// Fields whose has-bit is clear read as 0.
aud_error_t arcp_softlimit_read(const dgcp_head *packet, arcp_soft_limit_info *out);

// The dynamic and static port ranges (host order).
aud_error_t arcp_rx_port_range_read(const dgcp_head *packet, arcp_range *out_dynamic,
                                    arcp_range *out_static);

// An error-counter query for every flow (start 1, end 0).
aud_error_t arcp_rx_bundles_error_query_build(dgcp_packet_buf *buf, dgcp_version_t version,
                                              uint16_t seqnum, uint16_t opcode, uint16_t flags);
struct arcp_rx_bundles_error_info {
  uint16_t flags;
  uint16_t start_id;
  uint16_t num_bundles;
  uint16_t num_intfs;
  uint32_t timestamp_seconds;
  uint32_t timestamp_subseconds;
  unsigned value_bytes;   // 2 for the flags answer, 4 for the counters
  const uint8_t *values;  // num_bundles * num_intfs values, flow-major
};
// Reads an error answer (value_bytes 2 or 4): the values must lie behind the
// fixed part and inside the packet, at most ARCP_RX_ERROR_MAX_VALUES of them.
aud_error_t arcp_rx_bundles_error_read(const dgcp_head *packet, unsigned value_bytes,
                                       arcp_rx_bundles_error_info *out);
// The value of flow index f and interface i (0 beyond the answer).
uint32_t arcp_rx_bundles_error_value(const arcp_rx_bundles_error_info *info, unsigned flow,
                                     unsigned intf);

// ---- Display groups --------------------------------------------------------------------------

// The display group query: a media query range with one range (0, 1, 0).
aud_error_t arcp_display_group_query_build(dgcp_packet_buf *buf, dgcp_version_t version,
                                           uint16_t seqnum);
struct arcp_display_group_info {
  uint16_t id;
  uint16_t fields;
  const char *label;  // null when absent
};
// Number of slots of an offset array message (0 when the packet cannot hold them).
unsigned arcp_offset_array_msg_count(const dgcp_head *packet);
// The display group of slot index; AUD_ERR_INVALIDDATA when it does not resolve.
aud_error_t arcp_display_group_at_index(const dgcp_head *packet, unsigned index,
                                        arcp_display_group_info *out);
