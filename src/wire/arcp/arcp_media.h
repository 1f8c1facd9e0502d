// ARCP media resource records, used by devices that describe their routing
// resources per media type (audio, video, ancillary): the per-media resource
// counts, the resource record heading every channel and flow chain, its
// media-specific segments, the media formats, and the label and subscription
// entries.
//
// Records are extensible: a field is taken only when the record's _size
// reaches past it; anything beyond reads as 0 or absent.
#pragma once

#include <cstddef>
#include <cstdint>

#include "wire/arcp/arcp.h"
#include "wire/arcp/arcp_channel.h"

enum : uint16_t {
  ARCP_MEDIA_TYPE__UNDEF = 0,
  ARCP_MEDIA_TYPE__ALL = 1,
  ARCP_MEDIA_TYPE__GENERIC = 2,
  ARCP_MEDIA_TYPE__AUDIO = 3,
  ARCP_MEDIA_TYPE__VIDEO = 4,
  ARCP_MEDIA_TYPE__ANCIL = 5,
};
typedef uint16_t arcp_media_type;

enum : uint8_t { ARCP_ENCRYPTION__NONE = 0, ARCP_ENCRYPTION__HDCP = 1 };

enum : uint16_t {
  DELOS_EXTSTATUS__NONE = 0,
  DELOS_EXTSTATUS__READY = 1,
  DELOS_EXTSTATUS__UNKNOWN = 256,
  DELOS_EXTSTATUS__NOT_READY = 512,
  DELOS_EXTSTATUS__NOT_CONNECTED = 513,
  DELOS_EXTSTATUS__CONNECTION_BAD = 514,
  DELOS_EXTSTATUS__CONNECTION_UNSUPPORTED = 515,
  DELOS_EXTSTATUS__INVALID_CONFIGURATION = 516,
  DELOS_EXTSTATUS__SYSTEM_FAILURE = 517,
  DELOS_EXTSTATUS__NO_SIGNAL = 528,
  DELOS_EXTSTATUS__INVALID_SIGNAL = 529,
  DELOS_EXTSTATUS__HDCP_NEGOTIATION_IN_PROGRESS = 544,
  DELOS_EXTSTATUS__HDCP_NEGOTIATION_FAILURE = 545,
  DELOS_EXTSTATUS__HDCP_INCOMPATIBLE_HDCP = 546,
};

enum : uint16_t {
  DELOS_MEDIA_PROCESS_STATUS__NONE = 0,
  DELOS_MEDIA_PROCESS_STATUS__OK = 1,
  DELOS_MEDIA_PROCESS_STATUS__UNKNOWN = 2,
  DELOS_MEDIA_PROCESS_STATUS__INACTIVE = 3,
  DELOS_MEDIA_PROCESS_STATUS__ERR_UNKNOWN = 16,
  DELOS_MEDIA_PROCESS_STATUS__DEVICE_FAIL = 17,
  DELOS_MEDIA_PROCESS_STATUS__DEVICE_INIT_FAIL = 18,
  DELOS_MEDIA_PROCESS_STATUS__HDCP_NEGOTIATION_FAIL = 19,
  DELOS_MEDIA_PROCESS_STATUS__CODEC_BAD = 32,
  DELOS_MEDIA_PROCESS_STATUS__CODEC_MISMATCH = 33,
  DELOS_MEDIA_PROCESS_STATUS__CODEC_PROFILE_MISMATCH = 34,
  DELOS_MEDIA_PROCESS_STATUS__CODEC_FAIL = 35,
  DELOS_MEDIA_PROCESS_STATUS__FORMAT_BAD = 48,
  DELOS_MEDIA_PROCESS_STATUS__FORMAT_MISMATCH = 49,
  DELOS_MEDIA_PROCESS_STATUS__DATA_FAIL = 64,
  DELOS_MEDIA_PROCESS_STATUS__DATA_INVALID = 65,
  DELOS_MEDIA_PROCESS_STATUS__SYNC_FAIL = 66,
  DELOS_MEDIA_PROCESS_STATUS__BUFFER_OVERFLOW = 67,
};

enum : uint32_t {
  DELOS_VIDEO_SUBTYPE__UNDEF = 0,
  DELOS_VIDEO_SUBTYPE__JPEG2000 = 129,
  DELOS_VIDEO_SUBTYPE__H264 = 130,
  DELOS_VIDEO_SUBTYPE__BLUERIVER = 131,
  DELOS_VIDEO_SUBTYPE__COLIBRI = 132,
  DELOS_VIDEO_SUBTYPE__ASPEED_AV_A = 133,
  DELOS_VIDEO_SUBTYPE__H265 = 134,
  DELOS_VIDEO_SUBTYPE__HTJ2K = 135,
};

enum : uint16_t {
  ARCP3_SEG__TXFLOW__ENCRYPT_HDCP_VIDEO = 257,
  ARCP3_RAW_ADDR_MAXADDR = 2,
  ARCP3_TX_FLOW_STATUS_OFFSET_HEAD = 0,
  ARCP3_TX_FLOW_STATUS_OFFSET_PAD = 1,
  ARCP3_TX_FLOW_STATUS_OFFSET_DEST_ROUTER = 2,
  ARCP3_TX_FLOW_STATUS_OFFSET_DEST_FLOW = 3,
  ARCP3_TX_FLOW_STATUS_OFFSET_FLOW_CLASS = 4,
  ARCP3_TX_FLOW_STATUS_OFFSET_SESSION_ID = 6,
  ARCP3_TX_FLOW_STATUS_OFFSET_MAX = 8,
};

// Level of a channel whose signal reference level is not known.
constexpr int16_t ARCP_DBU_UNKNOWN = 0x7FFF;
// Segments collected from one flow chain.
constexpr unsigned ARCP_MEDIA_FLOW_MAX_SEGMENTS = 12;
// Per-media counts segments walked in one capability answer.
constexpr unsigned ARCP_RESOURCE_COUNTS_MAX_SEGMENTS = 16;

#pragma pack(push, 1)

struct arcp_raw_resource_count {
  uint16_t n;
  uint16_t limit;
};

struct arcp_raw_resource_counts {
  dgcp_extensible_data head;
  uint16_t media_type;
  arcp_raw_resource_count nintf;
  arcp_raw_resource_count txchan;
  arcp_raw_resource_count rxchan;
  arcp_raw_resource_count txflow;
  arcp_raw_resource_count rxflow;
  arcp_raw_resource_count txflow_slots;
  arcp_raw_resource_count rxflow_slots;
  arcp_raw_resource_count txformat_options;
  arcp_raw_resource_count rxformat_options;
};
static_assert(sizeof(arcp_raw_resource_counts) == 40);
static_assert(offsetof(arcp_raw_resource_counts, rxflow_slots) == 28);
static_assert(offsetof(arcp_raw_resource_counts, rxformat_options) == 36);

struct arcp_raw_encrypt {
  uint8_t scheme;
  uint8_t info;
};

struct arcp_raw_resource {
  dgcp_extensible_data head;
  uint16_t res_id;
  uint16_t phys_id;
  uint16_t mtype;
  uint16_t media_id;
  uint16_t pad;
  uint32_t flags;
  uint32_t flags_valid;
  dgcp_raw_offset_t label;
  dgcp_raw_offset_t format;
  uint32_t latency_ns;
  uint16_t ext_status;
  dgcp_raw_offset_t default_label;
  uint16_t processing_status;
  arcp_raw_encrypt encrypt;
  uint16_t display_group_id;
  dgcp_raw_offset_t format_list;
};
static_assert(sizeof(arcp_raw_resource) == 40);
static_assert(offsetof(arcp_raw_resource, flags) == 12);
static_assert(offsetof(arcp_raw_resource, label) == 20);
static_assert(offsetof(arcp_raw_resource, ext_status) == 28);
static_assert(offsetof(arcp_raw_resource, encrypt) == 34);
static_assert(offsetof(arcp_raw_resource, format_list) == 38);

struct arcp_raw_rxstatus {
  uint16_t status;
  uint8_t conn_supported;
  uint8_t conn_active;
};

struct arcp_raw_rx_media_channel_data {
  dgcp_extensible_data head;
  uint16_t pad;
  dgcp_raw_offset_t sub_channel;
  dgcp_raw_offset_t sub_device;
  arcp_raw_rxstatus status;
};
static_assert(sizeof(arcp_raw_rx_media_channel_data) == 12);

struct arcp_raw_rx_channel_audio_data {
  dgcp_extensible_data head;
  int16_t dbu;
};
static_assert(sizeof(arcp_raw_rx_channel_audio_data) == 4);

struct arcp_raw_tx_flow_data {
  dgcp_extensible_data head;
  uint16_t pad;
  dgcp_raw_offset_t dest_router;
  dgcp_raw_offset_t dest_flow;
  arcp_flow_class_info flow_class;
  uint32_t session_id;
};
static_assert(sizeof(arcp_raw_tx_flow_data) == 16);
static_assert(offsetof(arcp_raw_tx_flow_data, flow_class) == 8);

struct arcp_raw_addr_data {
  dgcp_extensible_data head;
  uint8_t n_addr;
  uint8_t active;
  dgcp_raw_offset_t addr[ARCP3_RAW_ADDR_MAXADDR];
};
static_assert(sizeof(arcp_raw_addr_data) == 8);

struct arcp_raw_txmap_data {
  dgcp_extensible_data head;
  uint16_t n_slots;
  // n_slots uint16 chan_id follow
};
static_assert(sizeof(arcp_raw_txmap_data) == 4);

struct arcp_raw_tx_flow_audio_data {
  dgcp_extensible_data head;
  uint16_t fpp;
};
static_assert(sizeof(arcp_raw_tx_flow_audio_data) == 4);

struct arcp_raw_hdcp_data {
  dgcp_raw_typed_segment head;
  uint32_t hdcp_token;
};
static_assert(sizeof(arcp_raw_hdcp_data) == 8);

struct arcp_raw_rx_flow_data {
  dgcp_extensible_data head;
  uint16_t pad;
  arcp_raw_rxstatus status;
  arcp_flow_class_info flow_class;
  arcp_raw_rx_flow_channels map;
  uint32_t session_id;
};
static_assert(sizeof(arcp_raw_rx_flow_data) == 20);
static_assert(offsetof(arcp_raw_rx_flow_data, map) == 12);

struct arcp_raw_media_format {
  dgcp_extensible_data head;
  uint16_t pad;
};
struct arcp_raw_video_format_codec {
  dgcp_extensible_data head;
  uint16_t pad;
  uint32_t subtype;
  uint32_t codec_id;
};
static_assert(sizeof(arcp_raw_video_format_codec) == 12);
struct arcp_raw_ancil_format {
  uint32_t type;
};

struct arcp_raw_media_ident {
  uint16_t media_id;
  uint16_t media_type;
};
struct arcp_raw_media_label {
  arcp_raw_media_ident ident;
  dgcp_raw_offset_t label;
};
static_assert(sizeof(arcp_raw_media_label) == 6);
struct arcp_raw_media_sub {
  arcp_raw_media_ident ident;
  dgcp_raw_offset_t channel;
  dgcp_raw_offset_t device;
};
static_assert(sizeof(arcp_raw_media_sub) == 8);

#pragma pack(pop)

// ---- Resource counts ---------------------------------------------------------------

struct arcp_resource_counts_info {
  uint16_t media_type;
  uint16_t nintf;
  uint16_t txchan;
  uint16_t rxchan;
  uint16_t txflow;
  uint16_t rxflow;
  uint16_t txflow_slots;      // limit
  uint16_t rxflow_slots;      // limit
  uint16_t txformat_options;  // limit, 0 below 20 words
  uint16_t rxformat_options;  // limit, 0 below 20 words
};
// Reads one counts segment (at least 32 bytes) into out and hands back the
// following segment (or null). Returns the segment's media type, 0 for a
// segment that is skipped (media type 0 or too short; out untouched then).
uint16_t arcp_resource_counts_read(const dgcp_extensible_data *segment,
                                   const dgcp_extensible_data **next,
                                   arcp_resource_counts_info *out);
// Reads every counts segment of a node query response (its media_resources
// offset) into out, indexed by media type (3..5); sets bit 1 << type in
// out_bitmap for each type present. AUD_ERR_INVALIDDATA when the first
// segment does not resolve.
aud_error_t arcp_resource_counts_get(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                     arcp_resource_counts_info out[ARCP_MEDIA_TYPE__ANCIL + 1],
                                     uint32_t *out_bitmap);

// ---- Resources ------------------------------------------------------------------------

// The resource chain of slot index of a media query answer (4-byte aligned,
// at least 24 bytes, behind the slots), or null.
const dgcp_extensible_data *arcp_resource_at_index(const dgcp_head *packet, unsigned index);

struct arcp_resource_info {
  uint16_t res_id;
  uint16_t phys_id;
  uint16_t mtype;
  uint16_t media_id;
  uint32_t flags;
  uint32_t flags_valid;
  const char *label;
  dgcp_raw_offset_t format;
  uint32_t latency_ns;
  uint16_t ext_status;
  const char *default_label;
  uint16_t processing_status;
  uint8_t encrypt_scheme;
  uint8_t encrypt_info;
  uint16_t display_group_id;
  dgcp_raw_offset_t format_list;
};
// Reads a resource record (the first segment of a chain); strings resolve
// behind the lower bound.
aud_error_t arcp_resource_read(const dgcp_head *packet, const dgcp_extensible_data *resource,
                               uint16_t lower, arcp_resource_info *out);
// The lower bound for data referenced from a media answer: the end of its slots.
uint16_t arcp_media_answer_lower_bound(const dgcp_head *packet);

// A media format in host order.
struct arcp_media_format_info {
  uint16_t mtype;
  arcp_channel_format_info audio;
  uint32_t video_subtype;
  uint32_t video_codec_id;
  uint32_t ancil_type;
};
// Reads the format at offset by media type (audio, video or ancillary);
// AUD_ERR_INVALIDDATA when it does not resolve, AUD_ERR_NOTSUPPORTED for
// another media type.
aud_error_t arcp_media_format_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                   uint16_t lower, uint16_t mtype, arcp_media_format_info *out);
aud_error_t arcp_get_video_format(const dgcp_head *packet, dgcp_raw_offset_t offset, uint16_t lower,
                                  uint32_t *out_subtype, uint32_t *out_codec_id);
aud_error_t arcp_get_ancil_format(const dgcp_head *packet, dgcp_raw_offset_t offset, uint16_t lower,
                                  uint32_t *out_type);
// The alternative format offsets of a resource's format_list: the array, or
// null when absent or malformed.
const dgcp_array *arcp_resource_format_list(const dgcp_head *packet,
                                            const arcp_resource_info *resource, uint16_t lower);

// ---- Channels -----------------------------------------------------------------------------

struct arcp_rx_media_channel_info {
  aud_bool_t subscribed;  // both names present
  const char *sub_channel;
  const char *sub_device;
  uint16_t status;  // low byte status value, high byte flags
  uint8_t conn_supported;
  uint8_t conn_active;
  int16_t dbu;  // ARCP_DBU_UNKNOWN unless audio with SUPPORTS_DBU and a level
};
// Reads the segments behind a receive channel's resource record. A chain
// without a data segment reads as unsubscribed with status 0.
aud_error_t arcp_rx_media_channel_read(const dgcp_head *packet,
                                       const dgcp_extensible_data *resource, uint16_t lower,
                                       arcp_rx_media_channel_info *out);

// ---- Flows ---------------------------------------------------------------------------------

// The segments of a transmit flow chain; missing ones are null.
struct arcp_tx_media_flow_segments {
  const dgcp_extensible_data *resource;
  const dgcp_extensible_data *flow_data;
  const dgcp_extensible_data *addr_data;
  const dgcp_extensible_data *txmap;
  const dgcp_extensible_data *audio;
  const dgcp_extensible_data *hdcp;
  uint16_t mtype;
};
// Splits a chain; AUD_ERR_INVALIDDATA when there is no chain.
aud_error_t arcp_util_get_tx_media_flow_segments(const dgcp_extensible_data *chain,
                                                 arcp_tx_media_flow_segments *out);
// Frames per packet (0 unless audio), HDCP token (0 unless video).
uint16_t arcp_util_tx_media_flow__fpp(const arcp_tx_media_flow_segments *segs);
uint32_t arcp_util_tx_media_flow__hdcp_token(const arcp_tx_media_flow_segments *segs);
// The AES67 record of an audio flow of class AES67; AUD_ERR_NOTFOUND otherwise.
aud_error_t arcp_util_tx_media_flow__aes67(const dgcp_head *packet,
                                           const arcp_tx_media_flow_segments *segs, uint16_t lower,
                                           arcp_aes67_info *out);

struct arcp_rx_media_flow_segments {
  const dgcp_extensible_data *resource;
  const dgcp_extensible_data *flow_data;
  const dgcp_extensible_data *addr_data;
};
aud_error_t arcp_util_get_rx_media_flow_segments(const dgcp_extensible_data *chain,
                                                 arcp_rx_media_flow_segments *out);

// A media flow's common parts, read from its segments.
struct arcp_media_flow_info {
  arcp_resource_info resource;
  // transmit: destination of a unicast flow; receive: none
  const char *dest_router;
  const char *dest_flow;
  uint16_t flow_class;
  aud_bool_t has_aes67;
  arcp_aes67_info aes67;
  uint32_t session_id;
  uint8_t n_addr;
  uint8_t active;
  const arcp_sockaddr *addrs[ARCP3_RAW_ADDR_MAXADDR];
  // transmit: slots and their channel ids
  uint16_t n_slots;
  const uint8_t *chan_ids;  // n_slots big-endian ids
  uint16_t fpp;
  uint32_t hdcp_token;
  // receive: status and channel map
  uint16_t status;
  uint8_t conn_supported;
  uint8_t conn_active;
  uint16_t nslots;
  dgcp_raw_offset_t chan_map;
};
// Reads a whole transmit or receive flow chain. AUD_ERR_INVALIDDATA for a
// chain without its resource and data segments, slots above the limit or more
// than 2 addresses.
aud_error_t arcp_tx_media_flow_read(const dgcp_head *packet, const dgcp_extensible_data *chain,
                                    uint16_t lower, arcp_media_flow_info *out);
aud_error_t arcp_rx_media_flow_read(const dgcp_head *packet, const dgcp_extensible_data *chain,
                                    uint16_t lower, arcp_media_flow_info *out);
// Address index of an address segment (below n_addr and 2), or null.
const arcp_sockaddr *arcp_addr_data_get_addr(const dgcp_head *packet,
                                             const dgcp_extensible_data *addr_data, unsigned index,
                                             uint16_t lower);
// Channel id of slot i of a read transmit flow (0 beyond n_slots).
uint16_t arcp_media_flow_chan_id(const arcp_media_flow_info *info, unsigned slot);

// ---- Writers --------------------------------------------------------------------------------

// Starts a media label or subscription request: a static array of n entries.
aud_error_t arcp_media_static_list_init(dgcp_packet_buf *buf, dgcp_version_t version,
                                        uint16_t seqnum, uint16_t opcode, uint8_t n,
                                        uint8_t elem_bytes);
// Appends a label entry; an empty or null label leaves label 0 (default
// name); when the string does not fit the entry is taken back.
aud_error_t arcp_resource_label_alloc_entry(dgcp_packet_buf *buf, uint16_t media_id, uint16_t mtype,
                                            const char *label);
// Appends a subscription entry with offsets already written.
aud_error_t arcp_rx_media_sub_alloc_entry(dgcp_packet_buf *buf, uint16_t media_id, uint16_t mtype,
                                          dgcp_raw_offset_t channel, dgcp_raw_offset_t device);
// Stores both names (each separately) and appends the entry; both null or
// empty removes the subscription; only one is AUD_ERR_INVALIDPARAMETER.
aud_error_t arcp_rx_media_sub_add(dgcp_packet_buf *buf, uint16_t media_id, uint16_t mtype,
                                  const char *channel, const char *device);

// Writes a video format chain or an ancillary format; raw offset or 0.
dgcp_raw_offset_t arcp_alloc_video_format(dgcp_packet_buf *buf, uint32_t subtype,
                                          uint32_t codec_id);
dgcp_raw_offset_t arcp_alloc_ancil_format(dgcp_packet_buf *buf, uint32_t type);

// Offsets already written into one packet, so that equal labels and formats
// are written once.
constexpr unsigned ARCP_UTIL_MEDIA_TABLE_MAX = 32;
struct arcp_util_media_format_entry {
  arcp_media_format_info format;
  dgcp_raw_offset_t offset;
};
struct arcp_util_media_offset_tables {
  dgcp_util_offset_table labels;
  dgcp_util_offset_table_node label_nodes[ARCP_UTIL_MEDIA_TABLE_MAX];
  unsigned n_formats;
  arcp_util_media_format_entry formats[ARCP_UTIL_MEDIA_TABLE_MAX];
};
void arcp_util_media_offset_tables_init(arcp_util_media_offset_tables *tables);
// Writes a format by its media type, reusing an equal one already written
// through the tables (when given); raw offset or 0.
dgcp_raw_offset_t arcp_util_media_write_media_format(dgcp_packet_buf *buf,
                                                     arcp_util_media_offset_tables *tables,
                                                     const arcp_media_format_info *format);
dgcp_raw_offset_t arcp_util_media_write_audio_format(dgcp_packet_buf *buf,
                                                     arcp_util_media_offset_tables *tables,
                                                     uint32_t rate, uint16_t encoding);
dgcp_raw_offset_t arcp_util_media_write_audio_format_set(dgcp_packet_buf *buf,
                                                         arcp_util_media_offset_tables *tables,
                                                         const arcp_channel_format_info *format);
dgcp_raw_offset_t arcp_util_media_write_video_format(dgcp_packet_buf *buf,
                                                     arcp_util_media_offset_tables *tables,
                                                     uint32_t subtype, uint32_t codec_id);
dgcp_raw_offset_t arcp_util_media_write_ancil_format(dgcp_packet_buf *buf,
                                                     arcp_util_media_offset_tables *tables,
                                                     uint32_t type);

// The bits of flags a client's transmit flow configure sets: SAVE, SAVE_ADDR
// and HIDDEN.
constexpr uint32_t ARCP_TXFLOW_CONFIGURE_FLAGS_VALID =
    ARCP_TX_BUNDLE_FLAG_SAVE | ARCP_TX_BUNDLE_FLAG_SAVE_ADDR | ARCP_TX_BUNDLE_FLAG_HIDDEN;
static_assert(ARCP_TXFLOW_CONFIGURE_FLAGS_VALID == 0x16);

// A transmit flow to configure (or, on the device side, to report).
struct arcp_txflow_desc {
  uint16_t media_id;
  uint16_t mtype;
  uint32_t flags;
  uint32_t flags_valid;
  const char *name;
  uint32_t sample_rate;  // audio: written as a one-encoding format when
  uint16_t encoding;     // either is set
  uint32_t latency_ns;
  uint8_t n_intf;
  uint8_t active;
  arcp_flow_addr addrs[ARCP3_RAW_ADDR_MAXADDR];
  uint16_t n_slots;
  const uint16_t *chan_ids;  // n_slots per-media channel ids, 0 for empty
  const char *dest_router;
  const char *dest_flow;
  uint16_t fpp;
  aud_bool_t aes67;  // class AES67 (else Delos)
  arcp_aes67_info aes67_info;
  uint32_t session_id;
};
// Writes one transmit flow chain into the next slot of an offset array
// message. AUD_ERR_INVALIDPARAMETER for more than 2 interfaces or slots
// above the limit; AUD_ERR_NOMEMORY (everything taken back) when full.
aud_error_t arcp_util_add_txflow_to_packet(dgcp_packet_buf *buf, const arcp_txflow_desc *flow,
                                           arcp_util_media_offset_tables *tables);
