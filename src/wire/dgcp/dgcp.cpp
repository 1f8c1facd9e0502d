// Control packet layer: header, buffer growth, placement, arrays, array
// messages, properties, offset resolution, label sharing and statuses.
#include "wire/dgcp/dgcp.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/dt_log.h"
#include "wire/dgcp/dgcp_extensible.h"

namespace {

dgcp_log_fn g_log_fn = nullptr;

void dgcp_log_notice(const char *format, ...) __attribute__((format(printf, 1, 2)));
void dgcp_log_notice(const char *format, ...) {
  char text[256];
  va_list ap;
  va_start(ap, format);
  vsnprintf(text, sizeof text, format, ap);
  va_end(ap);
  if (g_log_fn) {
    g_log_fn(text);
  } else {
    dt_log_str(DT_LOG_NOTICE, text);
  }
}

const uint8_t *bytes_of(const dgcp_head *packet) {
  return reinterpret_cast<const uint8_t *>(packet);
}

// The usable capacity of a buffer; an unset bufsize becomes the default and
// one above the storage is held to it.
uint16_t capacity(dgcp_packet_buf *buf) {
  if (buf->bufsize == 0 || buf->bufsize > DGCP_PACKET_BUF_DEFAULT_SIZE) {
    buf->bufsize = DGCP_PACKET_BUF_DEFAULT_SIZE;
  }
  return buf->bufsize;
}

uint16_t cur_size(dgcp_packet_buf *buf) { return ntohs(dgcp_packet_buf_head(buf)->_size); }

uint32_t round_up(uint32_t v, uint32_t a) { return (v + a - 1) & ~(a - 1); }

}  // namespace

void dgcp_set_log_handler(dgcp_log_fn fn) { g_log_fn = fn; }

// ---- Header ---------------------------------------------------------------

uint16_t dgcp_verify_size(const dgcp_head *packet, size_t len) {
  if (!packet || len < DGCP_HEAD_SIZE) {
    return 0;
  }
  uint16_t size = ntohs(packet->_size);
  // A _size below the header itself would make every fixed-part read run
  // past the declared packet, so it is treated as malformed.
  if (size < DGCP_HEAD_SIZE || len < size) {
    return 0;
  }
  return size;
}

uint16_t dgcp_version(const dgcp_head *packet) { return ntohs(packet->_vers); }
uint16_t dgcp_size(const dgcp_head *packet) { return ntohs(packet->_size); }
uint16_t dgcp_seqnum(const dgcp_head *packet) { return ntohs(packet->_seqnum); }
uint16_t dgcp_opcode(const dgcp_head *packet) { return ntohs(packet->_opcode); }
uint16_t dgcp_status(const dgcp_head *packet) { return ntohs(packet->_status); }
void dgcp_set_size(dgcp_head *packet, uint16_t size) { packet->_size = htons(size); }
void dgcp_set_status(dgcp_head *packet, uint16_t status) { packet->_status = htons(status); }
void dgcp_set_seqnum(dgcp_head *packet, uint16_t seqnum) { packet->_seqnum = htons(seqnum); }

void dgcp_init(dgcp_head *packet, dgcp_version_t version, uint16_t seqnum, uint16_t opcode) {
  packet->_vers = htons(version);
  packet->_size = htons(DGCP_HEAD_SIZE);
  packet->_seqnum = htons(seqnum);
  packet->_opcode = htons(opcode);
  packet->_status = htons(DGCP_Request);
}

// ---- Growing ----------------------------------------------------------------

uint16_t dgcp_set_msg_size(dgcp_packet_buf *buf, uint16_t size) {
  if (size == 0) {
    size = DGCP_HEAD_SIZE;
  }
  if (size < DGCP_HEAD_SIZE || size > capacity(buf)) {
    return 0;
  }
  dgcp_set_size(dgcp_packet_buf_head(buf), size);
  return size;
}

uint16_t dgcp_set_data_size(dgcp_packet_buf *buf, uint16_t size) {
  uint32_t total = uint32_t{size} + DGCP_HEAD_SIZE;
  if (total > capacity(buf)) {
    return 0;
  }
  return dgcp_set_msg_size(buf, static_cast<uint16_t>(total));
}

uint16_t dgcp_increment_size(dgcp_packet_buf *buf, uint16_t bytes) {
  uint32_t total = uint32_t{cur_size(buf)} + bytes;
  if (total > capacity(buf)) {
    return 0;
  }
  return dgcp_set_msg_size(buf, static_cast<uint16_t>(total));
}

// ---- Placing ------------------------------------------------------------------

dgcp_raw_offset_t dgcp_offset_allocate(dgcp_packet_buf *buf, uint16_t bytes,
                                       dgcp_offset_align_t align, void **out) {
  if (bytes == 0) {
    return 0;
  }
  uint16_t size = cur_size(buf);
  if (size < DGCP_HEAD_SIZE) {
    return 0;
  }
  uint32_t at = round_up(size, 1u << align);
  // Both steps are checked before anything changes, so a failed placement
  // leaves the packet exactly as it was.
  if (at + bytes > capacity(buf)) {
    return 0;
  }
  // Padding is zeroed so that no stale bytes of an earlier request in the
  // same buffer travel on the wire.
  memset(buf->packet + size, 0, at - size);
  dgcp_set_size(dgcp_packet_buf_head(buf), static_cast<uint16_t>(at + bytes));
  if (out) {
    *out = buf->packet + at;
  }
  return htons(static_cast<uint16_t>(at));
}

dgcp_raw_offset_t dgcp_offset_allocate_data(dgcp_packet_buf *buf, uint16_t bytes,
                                            dgcp_offset_align_t align, const void *src) {
  void *p = nullptr;
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, bytes, align, &p);
  if (off && src) {
    memcpy(p, src, bytes);
  }
  return off;
}

dgcp_raw_offset_t dgcp_store_string_p(dgcp_packet_buf *buf, const char *str, char **out) {
  if (!str) {
    return 0;
  }
  size_t len = strnlen(str, DGCP_PACKET_BUF_DEFAULT_SIZE);
  if (len >= DGCP_PACKET_BUF_DEFAULT_SIZE) {
    return 0;
  }
  dgcp_raw_offset_t off =
      dgcp_offset_allocate_data(buf, static_cast<uint16_t>(len + 1), DGCP_OFFSET_ALIGN_STR, str);
  if (off && out) {
    *out = reinterpret_cast<char *>(buf->packet + ntohs(off));
  }
  return off;
}

dgcp_raw_offset_t dgcp_store_string(dgcp_packet_buf *buf, const char *str) {
  return dgcp_store_string_p(buf, str, nullptr);
}

dgcp_raw_offset_t dgcp_offset_allocate_string(dgcp_packet_buf *buf, const char *str) {
  if (!str || !str[0]) {
    return 0;
  }
  return dgcp_store_string(buf, str);
}

dgcp_array *dgcp_array_allocate(dgcp_packet_buf *buf, uint8_t n, uint16_t elem_size,
                                dgcp_offset_align_t align, dgcp_raw_offset_t *out_offset) {
  if (n == 0) {
    return nullptr;
  }
  uint32_t a = 1u << align;
  uint32_t esz = round_up(elem_size, a);
  uint32_t head = a >= 4 ? a : 2;
  uint32_t total = head + n * esz;
  if (total > DGCP_PACKET_BUF_DEFAULT_SIZE) {
    return nullptr;
  }
  void *p = nullptr;
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, static_cast<uint16_t>(total),
                                               std::max(align, DGCP_OFFSET_ALIGN_WORD), &p);
  if (!off) {
    return nullptr;
  }
  memset(p, 0, total);
  auto *array = static_cast<dgcp_array *>(p);
  array->_max = n;
  if (out_offset) {
    *out_offset = off;
  }
  return array;
}

uint8_t dgcp_offset_array_add_element(dgcp_array *array, dgcp_raw_offset_t offset) {
  if (!array || array->_count >= array->_max) {
    return 0;
  }
  memcpy(reinterpret_cast<uint8_t *>(array) + 2 + 2 * array->_count, &offset, 2);
  return ++array->_count;
}

dgcp_raw_offset_t dgcp_offset_array_allocate_element(dgcp_packet_buf *buf, dgcp_array *array,
                                                     uint16_t bytes, dgcp_offset_align_t align,
                                                     void **out) {
  if (!array || array->_count >= array->_max) {
    return 0;
  }
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, bytes, align, out);
  if (!off) {
    return 0;
  }
  dgcp_offset_array_add_element(array, off);
  return off;
}

// ---- Array messages ---------------------------------------------------------

namespace {
dgcp_array_msg *array_msg(dgcp_packet_buf *buf) {
  return reinterpret_cast<dgcp_array_msg *>(buf->packet);
}
}  // namespace

uint16_t dgcp_array_msg_init(dgcp_packet_buf *buf) {
  uint16_t size = dgcp_set_data_size(buf, 2);
  if (size) {
    array_msg(buf)->_pad = 0;
    array_msg(buf)->_count = 0;
  }
  return size;
}

void *dgcp_array_msg_alloc_entry(dgcp_packet_buf *buf, uint16_t entry_size) {
  dgcp_array_msg *msg = array_msg(buf);
  if (entry_size == 0 || msg->_count == UINT8_MAX) {
    return nullptr;
  }
  uint32_t at = DGCP_ARRAY_MSG_HEAD_SIZE + uint32_t{msg->_count} * entry_size;
  uint16_t old = cur_size(buf);
  uint16_t size = dgcp_increment_size(buf, entry_size);
  if (!size) {
    return nullptr;
  }
  if (at + entry_size > size) {
    // The entries are not where the plain form keeps them; refuse rather
    // than write outside the packet.
    dgcp_set_size(dgcp_packet_buf_head(buf), old);
    return nullptr;
  }
  memset(buf->packet + at, 0, entry_size);
  msg->_count++;
  return buf->packet + at;
}

uint16_t dgcp_array_msg_buffer_init(dgcp_packet_buf *buf, uint8_t n, uint16_t entry_size) {
  uint32_t data = uint32_t{n} * entry_size + 2;
  if (data + DGCP_HEAD_SIZE > capacity(buf)) {
    return 0;
  }
  uint16_t size = dgcp_set_data_size(buf, static_cast<uint16_t>(data));
  if (size) {
    // Reserved entries that are never handed out still travel, so they are
    // zeroed rather than left with an earlier request's bytes.
    memset(buf->packet + DGCP_ARRAY_MSG_HEAD_SIZE, 0, data - 2);
    array_msg(buf)->_pad = n;
    array_msg(buf)->_count = 0;
  }
  return size;
}

void *dgcp_array_msg_buffer_alloc_entry(dgcp_packet_buf *buf, uint16_t entry_size) {
  dgcp_array_msg *msg = array_msg(buf);
  if (msg->_count >= msg->_pad) {
    return nullptr;
  }
  uint32_t at = DGCP_ARRAY_MSG_HEAD_SIZE + uint32_t{msg->_count} * entry_size;
  if (at + entry_size > cur_size(buf)) {
    return nullptr;
  }
  memset(buf->packet + at, 0, entry_size);
  msg->_count++;
  return buf->packet + at;
}

uint8_t dgcp_array_msg_count(const dgcp_head *packet) {
  if (dgcp_size(packet) < DGCP_ARRAY_MSG_HEAD_SIZE) {
    return 0;
  }
  return reinterpret_cast<const dgcp_array_msg *>(packet)->_count;
}

const void *dgcp_array_msg_entry_at_index(const dgcp_head *packet, unsigned index,
                                          uint16_t entry_size) {
  if (index >= dgcp_array_msg_count(packet)) {
    return nullptr;
  }
  uint32_t at = DGCP_ARRAY_MSG_HEAD_SIZE + index * uint32_t{entry_size};
  // A _count that claims more entries than the packet holds is not followed.
  if (at + entry_size > dgcp_size(packet)) {
    return nullptr;
  }
  return bytes_of(packet) + at;
}

uint16_t dgcp_array_msg_size(const dgcp_head *packet, uint16_t entry_size) {
  uint32_t size = DGCP_ARRAY_MSG_HEAD_SIZE + uint32_t{dgcp_array_msg_count(packet)} * entry_size;
  return static_cast<uint16_t>(std::min<uint32_t>(size, UINT16_MAX));
}

const void *dgcp_array_msg_buffer_get_data(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                           uint16_t entry_size, dgcp_offset_align_t align,
                                           uint16_t min_size) {
  return dgcp_offset_resolve(packet, offset, dgcp_array_msg_size(packet, entry_size), align,
                             min_size);
}

const char *dgcp_array_msg_buffer_get_string(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                             uint16_t entry_size, uint16_t *out_len) {
  return dgcp_get_string(packet, offset, dgcp_array_msg_size(packet, entry_size), 0, out_len);
}

const void *dgcp_array_msg_offset_at_index(const dgcp_head *packet, unsigned index,
                                           uint16_t min_size) {
  const void *entry = dgcp_array_msg_entry_at_index(packet, index, 2);
  if (!entry) {
    return nullptr;
  }
  dgcp_raw_offset_t off;
  memcpy(&off, entry, 2);
  return dgcp_offset_resolve(packet, off, dgcp_array_msg_size(packet, 2), DGCP_OFFSET_ALIGN_DWORD,
                             min_size);
}

uint16_t dgcp_offset_array_msg_init(dgcp_packet_buf *buf, uint8_t n) {
  uint16_t size =
      dgcp_set_msg_size(buf, static_cast<uint16_t>(DGCP_OFFSET_ARRAY_MSG_HEAD_SIZE + 2 * n));
  if (size) {
    memset(buf->packet + DGCP_HEAD_SIZE, 0, size - DGCP_HEAD_SIZE);
    reinterpret_cast<dgcp_offset_array_msg *>(buf->packet)->array._max = n;
  }
  return size;
}

dgcp_raw_offset_t *dgcp_offset_array_msg_reserve_entry(dgcp_packet_buf *buf) {
  dgcp_array &array = reinterpret_cast<dgcp_offset_array_msg *>(buf->packet)->array;
  if (array._count >= array._max) {
    return nullptr;
  }
  uint8_t *slot = buf->packet + DGCP_OFFSET_ARRAY_MSG_HEAD_SIZE + 2 * array._count;
  memset(slot, 0, 2);
  array._count++;
  return reinterpret_cast<dgcp_raw_offset_t *>(slot);
}

void *dgcp_offset_array_msg_alloc_entry_ed(dgcp_packet_buf *buf, uint16_t bytes,
                                           dgcp_offset_align_t align) {
  dgcp_array &array = reinterpret_cast<dgcp_offset_array_msg *>(buf->packet)->array;
  if (array._count >= array._max || bytes < DGCP_EXTENSIBLE_DATA_MIN_SEGMENT_BYTES ||
      bytes > DGCP_EXTENSIBLE_DATA_MAX_SEGMENT_BYTES || (bytes & 1)) {
    return nullptr;
  }
  void *p = nullptr;
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, bytes, align, &p);
  if (!off) {
    return nullptr;
  }
  memset(p, 0, bytes);
  auto *ed = static_cast<dgcp_extensible_data *>(p);
  ed->_size = static_cast<uint8_t>(bytes / 2);
  ed->_block = static_cast<uint8_t>(bytes / 2);
  dgcp_offset_array_add_element(&array, off);
  return p;
}

uint16_t dgcp_static_array_msg_init(dgcp_packet_buf *buf, uint16_t n, uint16_t elem_size) {
  uint32_t bytes = uint32_t{n} * elem_size;
  if (bytes > DGCP_PACKET_BUF_DEFAULT_SIZE || n > UINT8_MAX || elem_size > UINT8_MAX) {
    return 0;
  }
  uint32_t total = DGCP_STATIC_ARRAY_MSG_HEAD_SIZE + round_up(bytes, 2);
  if (total > capacity(buf)) {
    return 0;
  }
  uint16_t size = dgcp_set_msg_size(buf, static_cast<uint16_t>(total));
  if (size) {
    memset(buf->packet + DGCP_HEAD_SIZE, 0, DGCP_STATIC_ARRAY_MSG_HEAD_SIZE - DGCP_HEAD_SIZE);
    auto *msg = reinterpret_cast<dgcp_static_array_msg *>(buf->packet);
    msg->elem_bytes = static_cast<uint8_t>(elem_size);
    msg->array._max = static_cast<uint8_t>(n);
  }
  return size;
}

void *dgcp_static_array_msg_alloc_entry(dgcp_packet_buf *buf) {
  auto *msg = reinterpret_cast<dgcp_static_array_msg *>(buf->packet);
  if (msg->array._count >= msg->array._max) {
    return nullptr;
  }
  uint32_t at = DGCP_STATIC_ARRAY_MSG_HEAD_SIZE + uint32_t{msg->array._count} * msg->elem_bytes;
  if (at + msg->elem_bytes > cur_size(buf)) {
    return nullptr;
  }
  memset(buf->packet + at, 0, msg->elem_bytes);
  msg->array._count++;
  return buf->packet + at;
}

// ---- Properties ---------------------------------------------------------------

dgcp_property *dgcp_props_alloc(dgcp_packet_buf *buf, uint16_t key, uint16_t value) {
  auto *prop =
      static_cast<dgcp_property *>(dgcp_array_msg_buffer_alloc_entry(buf, sizeof(dgcp_property)));
  if (prop) {
    prop->_key = key;
    prop->_value = value;
  }
  return prop;
}

uint16_t *dgcp_props_query_alloc(dgcp_packet_buf *buf, uint16_t key) {
  auto *slot = static_cast<uint16_t *>(dgcp_array_msg_alloc_entry(buf, 2));
  if (slot) {
    *slot = htons(key);
  }
  return slot;
}

uint16_t dgcp_prop_key(const dgcp_property *prop) { return ntohs(prop->_key); }
dgcp_prop_valint_t dgcp_prop_valint(const dgcp_property *prop) { return ntohs(prop->_value); }
dgcp_raw_offset_t dgcp_prop_offset(const dgcp_property *prop) { return prop->_value; }

const dgcp_property *dgcp_props_by_key(const dgcp_head *packet, uint16_t key) {
  unsigned count = dgcp_array_msg_count(packet);
  for (unsigned i = 0; i < count; i++) {
    auto *prop = static_cast<const dgcp_property *>(
        dgcp_array_msg_entry_at_index(packet, i, sizeof(dgcp_property)));
    if (!prop) {
      return nullptr;
    }
    if (dgcp_prop_key(prop) == key) {
      return prop;
    }
  }
  return nullptr;
}

// ---- Reading offsets ----------------------------------------------------------

const void *dgcp_offset_resolve_sized(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                      uint16_t lower, uint16_t upper, dgcp_offset_align_t align,
                                      uint16_t min_size, uint16_t *out_avail) {
  if (!packet || offset == 0) {
    return nullptr;
  }
  uint16_t lo = std::max<uint16_t>(lower, DGCP_HEAD_SIZE);
  uint16_t end = dgcp_size(packet);
  if (upper != 0) {
    end = std::min(end, upper);
    if (end <= lo) {
      dgcp_log_notice("%s: upper bound %u < lower bound %u", "dgcp_offset_resolve_sized", end, lo);
      return nullptr;
    }
  }
  uint16_t off = ntohs(offset);
  if (off < lo || off >= end) {
    dgcp_log_notice("%s: offset %u not in range %u .. %u", "dgcp_offset_resolve_sized", off, lo,
                    end);
    return nullptr;
  }
  uint16_t avail = static_cast<uint16_t>(end - off);
  if (avail < min_size) {
    dgcp_log_notice("%s: max size %u < min size %u", "dgcp_offset_resolve_sized", avail, min_size);
    return nullptr;
  }
  unsigned a = 1u << align;
  if (off & (a - 1)) {
    dgcp_log_notice("%s: offset %u mismatched alignment %u (%x)", "dgcp_offset_resolve_sized", off,
                    a, a - 1);
    return nullptr;
  }
  if (out_avail) {
    *out_avail = avail;
  }
  return bytes_of(packet) + off;
}

const void *dgcp_offset_resolve(const dgcp_head *packet, dgcp_raw_offset_t offset, uint16_t lower,
                                dgcp_offset_align_t align, uint16_t min_size) {
  return dgcp_offset_resolve_sized(packet, offset, lower, 0, align, min_size, nullptr);
}

const char *dgcp_get_string(const dgcp_head *packet, dgcp_raw_offset_t offset, uint16_t lower,
                            uint16_t upper, uint16_t *out_len) {
  uint16_t avail = 0;
  auto *p = static_cast<const char *>(
      dgcp_offset_resolve_sized(packet, offset, lower, upper, DGCP_OFFSET_ALIGN_STR, 1, &avail));
  if (!p) {
    return nullptr;
  }
  auto *nul = static_cast<const char *>(memchr(p, 0, avail));
  if (!nul) {
    return nullptr;
  }
  if (out_len) {
    *out_len = static_cast<uint16_t>(nul - p);
  }
  return p;
}

const char *dgcp_offset_resolve_str_len(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                        uint16_t lower, uint16_t *out_len) {
  uint16_t avail = 0;
  auto *p = static_cast<const char *>(
      dgcp_offset_resolve_sized(packet, offset, lower, 0, DGCP_OFFSET_ALIGN_STR, 1, &avail));
  if (!p) {
    return nullptr;
  }
  auto *nul = static_cast<const char *>(memchr(p, 0, avail));
  if (!nul) {
    dgcp_log_notice("%s: string offset %u does not terminate within packet len %u",
                    "dgcp_offset_resolve_str_len", ntohs(offset), dgcp_size(packet));
    return nullptr;
  }
  if (out_len) {
    *out_len = static_cast<uint16_t>(nul - p);
  }
  return p;
}

const dgcp_array *dgcp_offset_array_resolve(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                            uint16_t lower) {
  uint16_t avail = 0;
  auto *array = static_cast<const dgcp_array *>(
      dgcp_offset_resolve_sized(packet, offset, lower, 0, DGCP_OFFSET_ALIGN_WORD, 2, &avail));
  if (!array) {
    return nullptr;
  }
  // A count above the array's own capacity is as malformed as one that runs
  // past the packet.
  if (array->_count > array->_max || 2u + 2u * array->_count > avail) {
    return nullptr;
  }
  return array;
}

dgcp_raw_offset_t dgcp_offset_array_slot(const dgcp_array *array, unsigned index) {
  if (!array || index >= array->_count) {
    return 0;
  }
  dgcp_raw_offset_t off;
  memcpy(&off, reinterpret_cast<const uint8_t *>(array) + 2 + 2 * index, 2);
  return off;
}

int dgcp_packet_validate_ptr(const dgcp_head *packet, const void *ptr) {
  auto start = reinterpret_cast<uintptr_t>(packet);
  auto p = reinterpret_cast<uintptr_t>(ptr);
  if (p < start) {
    return -1;
  }
  if (p - start >= dgcp_size(packet)) {
    return 1;
  }
  return 0;
}

aud_bool_t dgcp_packet_object_is_valid(const dgcp_head *packet, const void *ptr, size_t len) {
  auto start = reinterpret_cast<uintptr_t>(packet);
  auto p = reinterpret_cast<uintptr_t>(ptr);
  if (p < start + DGCP_HEAD_SIZE) {
    return AUD_FALSE;
  }
  uintptr_t off = p - start;
  return off <= dgcp_size(packet) && len <= dgcp_size(packet) - off ? AUD_TRUE : AUD_FALSE;
}

// ---- Label sharing ----------------------------------------------------------------

namespace {

// Reads the next character of a DNS name: an unescaped "." is a separator,
// "\DDD" a decimal byte and "\c" the character c itself.
struct dns_char {
  int value;  // -1 at the end
  bool separator;
};

dns_char dns_next(const char *&s) {
  if (!*s) {
    return {-1, false};
  }
  if (*s == '.') {
    s++;
    return {'.', true};
  }
  if (*s == '\\' && s[1]) {
    if (isdigit(static_cast<unsigned char>(s[1])) && isdigit(static_cast<unsigned char>(s[2])) &&
        isdigit(static_cast<unsigned char>(s[3]))) {
      int v = (s[1] - '0') * 100 + (s[2] - '0') * 10 + (s[3] - '0');
      s += 4;
      return {v & 0xFF, false};
    }
    int v = static_cast<unsigned char>(s[1]);
    s += 2;
    return {v, false};
  }
  int v = static_cast<unsigned char>(*s);
  s++;
  return {v, false};
}

}  // namespace

aud_bool_t dgcp_util_dns_name_equal(const char *a, const char *b) {
  if (!a || !b) {
    return AUD_FALSE;
  }
  // Plain characters compare directly; only an escape needs decoding. Labels
  // in one request are compared often, so the common case stays cheap.
  while (*a && *a != '\\' && *b != '\\') {
    unsigned char ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
    if (ca != cb && tolower(ca) != tolower(cb)) {
      return AUD_FALSE;
    }
    a++;
    b++;
  }
  for (;;) {
    dns_char ca = dns_next(a);
    dns_char cb = dns_next(b);
    if (ca.separator != cb.separator) {
      return AUD_FALSE;
    }
    if (ca.value < 0 || cb.value < 0) {
      return ca.value == cb.value ? AUD_TRUE : AUD_FALSE;
    }
    if (tolower(ca.value) != tolower(cb.value)) {
      return AUD_FALSE;
    }
  }
}

dgcp_raw_offset_t dgcp_util_offset_table_lookup(const dgcp_util_offset_table *table,
                                                const char *str) {
  if (!table || !str) {
    return 0;
  }
  for (unsigned i = 0; i < table->n && i < table->max; i++) {
    const dgcp_util_offset_table_node &node = table->node[i];
    if (node.orig == str || dgcp_util_dns_name_equal(node.orig, str)) {
      return node.offset;
    }
  }
  return 0;
}

aud_error_t dgcp_util_offset_table_add(dgcp_util_offset_table *table, const char *str,
                                       dgcp_raw_offset_t offset) {
  if (!table || !str || !offset) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (table->n >= table->max || !table->node) {
    return AUD_ERR_NOMEMORY;
  }
  table->node[table->n].orig = str;
  table->node[table->n].offset = offset;
  table->n++;
  return AUD_SUCCESS;
}

dgcp_raw_offset_t dgcp_util_offset_table_write_label(dgcp_packet_buf *buf,
                                                     dgcp_util_offset_table *table,
                                                     const char *str) {
  if (!str) {
    return 0;
  }
  dgcp_raw_offset_t off = dgcp_util_offset_table_lookup(table, str);
  if (off) {
    return off;
  }
  off = dgcp_store_string(buf, str);
  if (off && table) {
    // A full table only costs sharing, not correctness.
    (void)dgcp_util_offset_table_add(table, str, off);
  }
  return off;
}

// ---- Status --------------------------------------------------------------------------

aud_error_t dgcp_status_to_aud_error(dgcp_status_t status) {
  uint16_t code = status & 0x0FFF;
  if (code == ARCP_ERR_Label_invalid) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (code == ARCP_ERR_Label_conflict) {
    return DGCP_RESULT_LABEL_EXISTS_ON_OTHER_CHANNEL;
  }
  switch (status & 0x7FF0) {
    case 0x0000:
      return AUD_SUCCESS;
    case 0x0010:
      return AUD_ERR_VERSION;
    case 0x0020:
      return AUD_ERR_MSGSIZE;
    case 0x0030:
      return AUD_ERR_NOTSUPPORTED;
    case 0x00F0:
      return AUD_ERR_INVALIDSTATE;
    case 0x0100:
      return AUD_ERR_INVALIDDATA;
    case 0x0110:
      return AUD_ERR_MSGSIZE;
    case 0x0600:
      return AUD_ERR_POLICY;
    default:
      return AUD_ERR_FAULT;
  }
}

aud_bool_t dgcp_status_is_success(dgcp_status_t status) {
  return ((status & 0x0FFF) == DGCP_Success || (status & DGCP_ERR_FLAG_Warn)) ? AUD_TRUE
                                                                              : AUD_FALSE;
}
