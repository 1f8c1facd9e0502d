// Control packet layer: the fixed header, the packet buffer a request is built
// in, raw offsets to variable data behind the fixed part, arrays, array
// messages, properties and the label offset table.
//
// Every multi-byte integer in a packet is big-endian. Wire records below are
// packed structures whose integer fields hold wire-order values; read them
// with ntohs/ntohl (or the dgcp_ accessors) and write them with htons/htonl.
// A raw offset (dgcp_raw_offset_t) is likewise kept in wire order, exactly as
// it travels, so 0 means "absent" in either order.
//
// Readers of a received packet trust nothing but the header's _size, and the
// caller must have checked that with dgcp_verify_size against the number of
// bytes actually received before handing the packet to any other reader.
#pragma once

#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>

#include "platform/aud_error.h"

typedef uint16_t dgcp_raw_offset_t;  // wire order; 0 = absent
typedef uint16_t dgcp_version_t;     // generation:4 major:4 minor:8
typedef uint16_t dgcp_status_t;
typedef uint16_t dgcp_opcode_t;
typedef uint16_t dgcp_seqnum_t;
typedef uint16_t dgcp_prop_valint_t;

// Sizes of the fixed parts, in bytes.
enum : uint16_t {
  DGCP_HEAD_SIZE = 10,
  DGCP_LONG_HEAD_SIZE = 16,
  DGCP_ARRAY_MSG_HEAD_SIZE = 12,
  DGCP_OFFSET_ARRAY_MSG_HEAD_SIZE = 18,
  DGCP_STATIC_ARRAY_MSG_HEAD_SIZE = 20,
};

// The largest packet the client builds or accepts.
constexpr uint16_t DGCP_PACKET_BUF_DEFAULT_SIZE = 1400;

#pragma pack(push, 1)

struct dgcp_head {
  uint16_t _vers;
  uint16_t _size;
  uint16_t _seqnum;
  uint16_t _opcode;
  uint16_t _status;
};
static_assert(sizeof(dgcp_head) == 10);
static_assert(offsetof(dgcp_head, _size) == 2);
static_assert(offsetof(dgcp_head, _status) == 8);

struct dgcp_long_head {
  dgcp_head header;
  dgcp_raw_offset_t context;
  uint32_t flags;
};
static_assert(sizeof(dgcp_long_head) == 16);
static_assert(offsetof(dgcp_long_head, context) == 10);
static_assert(offsetof(dgcp_long_head, flags) == 12);

// Head of an array anywhere in the packet; the slots follow (after padding to
// the element alignment when that is 4 or 8 bytes).
struct dgcp_array {
  uint8_t _max;
  uint8_t _count;
};
static_assert(sizeof(dgcp_array) == 2);

struct dgcp_array_msg {
  dgcp_head header;
  uint8_t _pad;
  uint8_t _count;
};
static_assert(sizeof(dgcp_array_msg) == 12);
static_assert(offsetof(dgcp_array_msg, _count) == 11);

struct dgcp_offset_array_msg {
  dgcp_long_head header;
  dgcp_array array;
};
static_assert(sizeof(dgcp_offset_array_msg) == 18);
static_assert(offsetof(dgcp_offset_array_msg, array) == 16);

struct dgcp_static_array_msg {
  dgcp_long_head header;
  uint8_t elem_bytes;
  uint8_t pad;
  dgcp_array array;
};
static_assert(sizeof(dgcp_static_array_msg) == 20);
static_assert(offsetof(dgcp_static_array_msg, elem_bytes) == 16);
static_assert(offsetof(dgcp_static_array_msg, array) == 18);

struct dgcp_property {
  uint16_t _key;
  uint16_t _value;
};
static_assert(sizeof(dgcp_property) == 4);

#pragma pack(pop)

// Statuses and flags of the _status field.
enum : dgcp_status_t {
  DGCP_Request = 0x0000,
  DGCP_Success = 0x0001,
  DGCP_Fail = 0x000F,
  DGCP_ERR_Version = 0x0010,
  DGCP_ERR_Version_major_obsolete = 0x0014,
  DGCP_ERR_Version_major_too_new = 0x0015,
  DGCP_ERR_Version_minor_obsolete = 0x0016,
  DGCP_ERR_Version_minor_too_new = 0x0017,
  DGCP_ERR_Size = 0x0020,
  DGCP_ERR_Size_exceeds_max = 0x0021,
  DGCP_ERR_Size_packet_too_small = 0x0022,
  DGCP_ERR_Size_packet_too_large = 0x0023,
  DGCP_ERR_Size_opcode_mismatch = 0x0024,
  DGCP_ERR_Opcode_unrecognised = 0x0030,
  DGCP_ERR_Opcode = 0x0030,
  DGCP_ERR_Opcode_unsupported = 0x0031,
  DGCP_ERR_Opcode_invalid = 0x0032,
  DGCP_ERR_Status_not_request = 0x0040,
  DGCP_ERR_Status_not_response = 0x0041,
  DGCP_ERR_System = 0x00F0,
  DGCP_ERR_System_not_ready = 0x00F1,
  DGCP_ERR_System_read_only = 0x00F2,
  DGCP_ERR_System_config_locked = 0x00F3,
  ARCP_ERR_Data_invalid = 0x0100,
  ARCP_ERR_Id_unknown = 0x0101,
  ARCP_ERR_Label_invalid = 0x0102,
  ARCP_ERR_Label_conflict = 0x0103,
  ARCP_ERR_Mode_conflict = 0x0104,
  ARCP_ERR_Failed = 0x010F,
  ARCP_ERR_Too_long = 0x0110,
  ARCP_ERR_Truncated = 0x0111,
  ARCP_ERR_More_records = 0x0112,
  ARCP_ERR_Subscribe_not_checked = 0x0300,
  ARCP_ERR_Subscribe_fail = 0x0301,
  ARCP_ERR_Not_supported = 0x0400,
  ARCP_ERR_No_resources = 0x0401,
  ARCP_ERR_Policy = 0x0600,
  DGCP_ERR_FLAG_Mask = 0xF000,
  DGCP_ERR_FLAG_Warn = 0x8000,
  ARCP_ERR_FLAG_Warn = 0x8000,
};

enum : dgcp_opcode_t {
  DGCP_OP_Null = 0x0000,
  DGCP_OP_Reset = 0x000F,
};

// The routing client's result for a label held by another channel; the
// status translation below produces it for ARCP_ERR_Label_conflict.
constexpr aud_error_t DGCP_RESULT_LABEL_EXISTS_ON_OTHER_CHANNEL = 0x152;

// Alignment of placed data, as log2 of the byte alignment.
typedef enum dgcp_offset_align {
  DGCP_OFFSET_ALIGN_BYTE = 0,
  DGCP_OFFSET_ALIGN_8 = 0,
  DGCP_OFFSET_ALIGN_STR = 0,
  DGCP_OFFSET_ALIGN_WORD = 1,
  DGCP_OFFSET_ALIGN_16 = 1,
  DGCP_OFFSET_ALIGN_DWORD = 2,
  DGCP_OFFSET_ALIGN_32 = 2,
  DGCP_OFFSET_ALIGN_64 = 3,
} dgcp_offset_align_t;

// Property keys and availability bits.
enum : uint16_t {
  DGCP_PROP_Unknown = 0,
  DGCP_PROP_No_value = 1,
  DGCP_PROP_Invalid = 2,
  DGCP_PROP_Access = 3,
  DGCP_PROP_Avail_flags = 16,
  DGCP_PROP_FLAG_Offset = 0x8000,
  DGCP_PROP_AVAIL_Readable = 1,
  DGCP_PROP_AVAIL_Writeable = 2,
  DGCP_PROP_AVAIL_Persist = 4,
  DGCP_PROP_AVAIL_RW = 3,
  DGCP_PROP_AVAIL_PERSIST = 7,
};

// A packet under construction: bufsize is the capacity of the packet area in
// bytes (0 = not yet set, taken as 1400 on first use; never above 1400).
struct dgcp_packet_buf {
  uint16_t bufsize;
  alignas(8) uint8_t packet[DGCP_PACKET_BUF_DEFAULT_SIZE];
};
typedef dgcp_packet_buf dgcp_packet_buf_default;

// The packet's header inside a buffer.
inline dgcp_head *dgcp_packet_buf_head(dgcp_packet_buf *buf) {
  return reinterpret_cast<dgcp_head *>(buf->packet);
}

// ---- Header ---------------------------------------------------------------

// Checks a received datagram of len bytes: returns the header's _size when
// len is at least 10, _size is at least 10 and len is not below _size; else 0.
// Only a packet that passed this check may be handed to the readers below.
uint16_t dgcp_verify_size(const dgcp_head *packet, size_t len);

// One header field in host order.
uint16_t dgcp_version(const dgcp_head *packet);
uint16_t dgcp_size(const dgcp_head *packet);
uint16_t dgcp_seqnum(const dgcp_head *packet);
uint16_t dgcp_opcode(const dgcp_head *packet);
uint16_t dgcp_status(const dgcp_head *packet);
// Writes one header field from host order.
void dgcp_set_size(dgcp_head *packet, uint16_t size);
void dgcp_set_status(dgcp_head *packet, uint16_t status);
void dgcp_set_seqnum(dgcp_head *packet, uint16_t seqnum);

// Starts a request: version, sequence number and opcode; _size 10, _status 0.
void dgcp_init(dgcp_head *packet, dgcp_version_t version, uint16_t seqnum, uint16_t opcode);

// ---- Growing a packet -------------------------------------------------------
// Each returns the new total size in host order, or 0 (nothing changed) when
// the result would exceed the buffer's bufsize.

// Sets the total size; 0 means 10 (header only).
uint16_t dgcp_set_msg_size(dgcp_packet_buf *buf, uint16_t size);
// Sets the total size to size + 10.
uint16_t dgcp_set_data_size(dgcp_packet_buf *buf, uint16_t size);
// Adds bytes to the total size.
uint16_t dgcp_increment_size(dgcp_packet_buf *buf, uint16_t bytes);

// ---- Placing data -------------------------------------------------------------
// Each returns the raw offset (wire order) of what it placed, or 0 with the
// packet unchanged when the buffer is full or the arguments place nothing.

// Pads the packet's end to the alignment, appends bytes and hands back a
// pointer to them (not zeroed). 0 bytes yields 0.
dgcp_raw_offset_t dgcp_offset_allocate(dgcp_packet_buf *buf, uint16_t bytes,
                                       dgcp_offset_align_t align, void **out);
// As dgcp_offset_allocate, then copies bytes from src.
dgcp_raw_offset_t dgcp_offset_allocate_data(dgcp_packet_buf *buf, uint16_t bytes,
                                            dgcp_offset_align_t align, const void *src);
// Appends the string with its NUL; null yields 0, "" stores one NUL byte.
dgcp_raw_offset_t dgcp_store_string(dgcp_packet_buf *buf, const char *str);
// As dgcp_store_string, and hands back a pointer to the stored copy.
dgcp_raw_offset_t dgcp_store_string_p(dgcp_packet_buf *buf, const char *str, char **out);
// As dgcp_store_string, but "" yields 0 and stores nothing.
dgcp_raw_offset_t dgcp_offset_allocate_string(dgcp_packet_buf *buf, const char *str);

// Appends a zeroed array of n slots of elem_size bytes (rounded up to the
// alignment), its head padded to the alignment when that is 4 or 8 bytes and
// the whole aligned to at least 2 bytes; sets _max to n. Returns the array and
// its raw offset through out_offset, or null (n of 0, or the buffer is full).
dgcp_array *dgcp_array_allocate(dgcp_packet_buf *buf, uint8_t n, uint16_t elem_size,
                                dgcp_offset_align_t align, dgcp_raw_offset_t *out_offset);
// Stores a raw offset in the next free slot of an offset array; returns the
// new count, or 0 when the array is full.
uint8_t dgcp_offset_array_add_element(dgcp_array *array, dgcp_raw_offset_t offset);
// Allocates data and adds its offset to the array in one step; 0 when the
// array is already full or the buffer cannot take the data. The array must
// lie in buf's packet.
dgcp_raw_offset_t dgcp_offset_array_allocate_element(dgcp_packet_buf *buf, dgcp_array *array,
                                                     uint16_t bytes, dgcp_offset_align_t align,
                                                     void **out);

// ---- Array messages ---------------------------------------------------------------

// Data size 2 (packet size 12), count 0.
uint16_t dgcp_array_msg_init(dgcp_packet_buf *buf);
// Appends one zeroed entry at 12 + count * size and counts it; null when full.
void *dgcp_array_msg_alloc_entry(dgcp_packet_buf *buf, uint16_t entry_size);
// Reserves room for n entries (stored in _pad), count 0; returns the size or 0.
uint16_t dgcp_array_msg_buffer_init(dgcp_packet_buf *buf, uint8_t n, uint16_t entry_size);
// Hands out the next reserved entry, zeroed; null once all n are out.
void *dgcp_array_msg_buffer_alloc_entry(dgcp_packet_buf *buf, uint16_t entry_size);

// _count of an array message (0 when the packet is too short to hold it).
uint8_t dgcp_array_msg_count(const dgcp_head *packet);
// The entry at index, or null when index >= _count or it lies past _size.
const void *dgcp_array_msg_entry_at_index(const dgcp_head *packet, unsigned index,
                                          uint16_t entry_size);
// 12 + count * entry_size: the first byte that entry-referenced data may use.
uint16_t dgcp_array_msg_size(const dgcp_head *packet, uint16_t entry_size);
// Resolves an entry's offset with the array's end as lower bound.
const void *dgcp_array_msg_buffer_get_data(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                           uint16_t entry_size, dgcp_offset_align_t align,
                                           uint16_t min_size);
const char *dgcp_array_msg_buffer_get_string(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                             uint16_t entry_size, uint16_t *out_len);
// Reads the 2-byte entry at index as a raw offset and resolves it, 4-byte
// aligned with at least min_size bytes, behind the entries.
const void *dgcp_array_msg_offset_at_index(const dgcp_head *packet, unsigned index,
                                           uint16_t min_size);

// Offset array message of n slots: size 18 + 2n, _max n, _count 0, context 0.
uint16_t dgcp_offset_array_msg_init(dgcp_packet_buf *buf, uint8_t n);
// The next offset slot (zeroed), or null when all n are used.
dgcp_raw_offset_t *dgcp_offset_array_msg_reserve_entry(dgcp_packet_buf *buf);
// Allocates a zeroed extensible record of bytes for the next slot, sets its
// _size and _block to its length in words and stores its offset; null when
// the slots or the buffer are full.
void *dgcp_offset_array_msg_alloc_entry_ed(dgcp_packet_buf *buf, uint16_t bytes,
                                           dgcp_offset_align_t align);

// Static array of n elements of elem_size bytes: total size 20 plus n * size
// rounded up to even. 0 when n * size exceeds 1400, n or size exceeds 255, or
// the buffer is too small.
uint16_t dgcp_static_array_msg_init(dgcp_packet_buf *buf, uint16_t n, uint16_t elem_size);
// The next element (zeroed), or null when n are in use.
void *dgcp_static_array_msg_alloc_entry(dgcp_packet_buf *buf);

// ---- Properties -------------------------------------------------------------------

// Appends a property (key and value in wire order) through the buffer form.
dgcp_property *dgcp_props_alloc(dgcp_packet_buf *buf, uint16_t key, uint16_t value);
// Appends a bare key (host order) through the plain form.
uint16_t *dgcp_props_query_alloc(dgcp_packet_buf *buf, uint16_t key);
uint16_t dgcp_prop_key(const dgcp_property *prop);
dgcp_prop_valint_t dgcp_prop_valint(const dgcp_property *prop);
dgcp_raw_offset_t dgcp_prop_offset(const dgcp_property *prop);
// The first property of a property message with that key (host order), or null.
const dgcp_property *dgcp_props_by_key(const dgcp_head *packet, uint16_t key);

// ---- Reading offsets ------------------------------------------------------------------

// Resolves a received raw offset: null for 0, or when it lies outside
// [max(lower, 10), min(_size, upper)), leaves fewer than min_size bytes, or is
// not a multiple of the alignment. upper 0 means no upper bound. On success
// the bytes from the offset to the end go to out_avail (when given).
const void *dgcp_offset_resolve_sized(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                      uint16_t lower, uint16_t upper, dgcp_offset_align_t align,
                                      uint16_t min_size, uint16_t *out_avail);
const void *dgcp_offset_resolve(const dgcp_head *packet, dgcp_raw_offset_t offset, uint16_t lower,
                                dgcp_offset_align_t align, uint16_t min_size);
// The NUL-terminated string at the offset (NUL before the end), or null; its
// length without the NUL goes to out_len (when given).
const char *dgcp_get_string(const dgcp_head *packet, dgcp_raw_offset_t offset, uint16_t lower,
                            uint16_t upper, uint16_t *out_len);
const char *dgcp_offset_resolve_str_len(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                        uint16_t lower, uint16_t *out_len);
// The array at the offset (2-byte aligned) when its head and all _count
// 2-byte slots lie inside the packet; else null.
const dgcp_array *dgcp_offset_array_resolve(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                            uint16_t lower);
// The slot at index of an offset array (host order is not applied: the raw
// offset as stored), or 0 when index >= _count.
dgcp_raw_offset_t dgcp_offset_array_slot(const dgcp_array *array, unsigned index);
// < 0 below the packet start, > 0 at or beyond its end (_size), 0 inside.
int dgcp_packet_validate_ptr(const dgcp_head *packet, const void *ptr);
// True when [ptr, ptr+len) lies between offset 10 and the packet end.
aud_bool_t dgcp_packet_object_is_valid(const dgcp_head *packet, const void *ptr, size_t len);

// ---- Label offset table ------------------------------------------------------------

struct dgcp_util_offset_table_node {
  const char *orig;
  dgcp_raw_offset_t offset;
};
// Caller-owned: node points at max entries, n of them in use.
struct dgcp_util_offset_table {
  uint16_t n;
  uint16_t max;
  dgcp_util_offset_table_node *node;
};

// The offset of a string equal to str (same pointer, or equal as DNS names)
// already recorded in the table, or 0.
dgcp_raw_offset_t dgcp_util_offset_table_lookup(const dgcp_util_offset_table *table,
                                                const char *str);
// Records str at offset; AUD_ERR_NOMEMORY when the table is full.
aud_error_t dgcp_util_offset_table_add(dgcp_util_offset_table *table, const char *str,
                                       dgcp_raw_offset_t offset);
// The offset of an equal string already written through the table, else
// writes str, records it when the table has room and returns its offset; 0
// when the packet is full or str is null.
dgcp_raw_offset_t dgcp_util_offset_table_write_label(dgcp_packet_buf *buf,
                                                     dgcp_util_offset_table *table,
                                                     const char *str);
// DNS-name equality: case-insensitive, backslash escapes honoured.
aud_bool_t dgcp_util_dns_name_equal(const char *a, const char *b);

// ---- Status ---------------------------------------------------------------------------

// The aud_error_t of a response status.
aud_error_t dgcp_status_to_aud_error(dgcp_status_t status);
// True when the code is DGCP_Success or the warning bit is set.
aud_bool_t dgcp_status_is_success(dgcp_status_t status);

// ---- Log ------------------------------------------------------------------------------

// Receives the notice-level messages of failed offset checks (already
// formatted, without a line end) instead of the protocol log. Null restores
// the default: dt_log at DT_LOG_NOTICE, which its initial threshold drops.
typedef void (*dgcp_log_fn)(const char *message);
void dgcp_set_log_handler(dgcp_log_fn fn);
