// ARCP shared elements and device-level bodies.
#include "wire/arcp/arcp.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "wire/dgcp/dgcp_bytes.h"

namespace {

const uint8_t *bytes_of(const dgcp_head *packet) {
  return reinterpret_cast<const uint8_t *>(packet);
}

// A host-order field of the fixed part, or 0 when the packet ends before it.
uint16_t field16(const dgcp_head *packet, unsigned at) {
  return at + 2 <= dgcp_size(packet) ? dgcp_load16(bytes_of(packet) + at) : 0;
}
uint32_t field32(const dgcp_head *packet, unsigned at) {
  return at + 4 <= dgcp_size(packet) ? dgcp_load32(bytes_of(packet) + at) : 0;
}

}  // namespace

// ---- Versions -----------------------------------------------------------------

dgcp_version_t arcp_version_make(unsigned generation, unsigned major, unsigned minor) {
  if (generation > 0xF || major > 0xF || minor > 0xFF) {
    return 0;
  }
  return static_cast<dgcp_version_t>(generation << 12 | major << 8 | minor);
}

void arcp_version_split(dgcp_version_t version, unsigned *generation, unsigned *major,
                        unsigned *minor) {
  if (generation) *generation = version >> 12;
  if (major) *major = (version >> 8) & 0xF;
  if (minor) *minor = version & 0xFF;
}

aud_bool_t arcp_version_is_valid(dgcp_version_t version) {
  return (version != 0 && version != ARCP_VERSION_INVALID_2_9_0 &&
          version != ARCP_VERSION_INVALID_2_9_1)
             ? AUD_TRUE
             : AUD_FALSE;
}

dgcp_version_t arcp_request_version(dgcp_version_t device_version) {
  if (device_version == 0) {
    return ARCP_VERSION_CURR;
  }
  return std::min<dgcp_version_t>(device_version, ARCP_VERSION_CURR);
}

void arcp_msg_head_init(dgcp_head *packet, uint16_t seqnum, uint16_t opcode) {
  dgcp_init(packet, ARCP_VERSION_CURR, seqnum, opcode);
}

void arcp_msg_head_init_vers(dgcp_head *packet, dgcp_version_t version, uint16_t seqnum,
                             uint16_t opcode) {
  dgcp_init(packet, version, seqnum, opcode);
}

const uint16_t arcp_client_prop_query_keys[ARCP_CLIENT_PROP_QUERY_NUM_KEYS] = {
    ARCP_PROP_TX_Advert_enable,
    ARCP_PROP_TX_Latency_static,
    ARCP_PROP_TX_Latency_error,
    ARCP_PROP_TX_Frames_per_packet,
    ARCP_PROP_TX_Frames_per_packet_suggested,
    ARCP_PROP_TX_Audio_delay,
    ARCP_PROP_TX_Audio_delay_max,
    ARCP_PROP_RX_Latency,
    ARCP_PROP_RX_Latency_max,
    ARCP_PROP_RX_Latency_min,
    ARCP_PROP_RX_Frames_per_packet,
    ARCP_PROP_RX_Frames_per_packet_min,
    ARCP_PROP_RX_Bundle_min_slots,
    ARCP_PROP_Clock_subdomain,
    ARCP_PROP_IO_loopback,
    ARCP_PROP_AES67_Prefix_v4,
    ARCP_PROP_DBCP_Advert_enable,
    ARCP_PROP_RTP_Status,
};

// ---- Ranges ---------------------------------------------------------------------

aud_bool_t arcp_util_normalise_range(uint16_t start, uint16_t end, uint16_t max_id,
                                     uint16_t *out_first, uint16_t *out_last) {
  uint16_t first, last;
  if (start == 0) {
    if (end == 0 || end > max_id) {
      return AUD_FALSE;
    }
    first = last = end;
  } else {
    if (start > max_id) {
      return AUD_FALSE;
    }
    first = start;
    last = (end == 0 || end > max_id) ? max_id : end;
    if (last < first) {
      return AUD_FALSE;
    }
  }
  if (out_first) *out_first = first;
  if (out_last) *out_last = last;
  return AUD_TRUE;
}

uint16_t arcp_query_range_init(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                               uint16_t opcode) {
  arcp_msg_head_init_vers(dgcp_packet_buf_head(buf), version, seqnum, opcode);
  return dgcp_array_msg_init(buf);
}

namespace {

arcp_range *query_range_last(dgcp_packet_buf *buf) {
  auto *msg = reinterpret_cast<arcp_query_range_packet *>(buf->packet);
  if (msg->_count == 0) {
    return nullptr;
  }
  return reinterpret_cast<arcp_range *>(buf->packet + sizeof(arcp_query_range_packet) +
                                        4 * (msg->_count - 1));
}

}  // namespace

uint8_t arcp_query_range_add_range(dgcp_packet_buf *buf, uint16_t start, uint16_t end) {
  if (start == 0 && end == 0) {
    return 0;
  }
  auto *range = static_cast<arcp_range *>(dgcp_array_msg_alloc_entry(buf, sizeof(arcp_range)));
  if (!range) {
    return 0;
  }
  range->_start = htons(start);
  range->_end = htons(end);
  return reinterpret_cast<arcp_query_range_packet *>(buf->packet)->_count;
}

uint8_t arcp_query_range_add_id(dgcp_packet_buf *buf, uint16_t id) {
  if (id == 0) {
    return 0;
  }
  arcp_range *last = query_range_last(buf);
  if (last && ntohs(last->_end) != 0 && id == ntohs(last->_end) + 1) {
    if (last->_start == 0) {
      last->_start = last->_end;
    }
    last->_end = htons(id);
    return reinterpret_cast<arcp_query_range_packet *>(buf->packet)->_count;
  }
  return arcp_query_range_add_range(buf, 0, id);
}

dgcp_status_t arcp_query_range_validate(const dgcp_head *packet) {
  uint16_t size = dgcp_size(packet);
  if (size < sizeof(arcp_query_range_packet)) {
    return DGCP_ERR_Size_packet_too_small;
  }
  unsigned want = sizeof(arcp_query_range_packet) + 4u * dgcp_array_msg_count(packet);
  if (size < want) return DGCP_ERR_Size_packet_too_small;
  if (size > want) return DGCP_ERR_Size_packet_too_large;
  return DGCP_Success;
}

aud_bool_t arcp_query_range_get(const dgcp_head *packet, unsigned index, uint16_t *out_start,
                                uint16_t *out_end) {
  auto *range = static_cast<const arcp_range *>(
      dgcp_array_msg_entry_at_index(packet, index, sizeof(arcp_range)));
  if (!range) {
    return AUD_FALSE;
  }
  if (out_start) *out_start = ntohs(range->_start);
  if (out_end) *out_end = ntohs(range->_end);
  return AUD_TRUE;
}

uint16_t arcp_media_query_range_init(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                     uint16_t opcode) {
  arcp_msg_head_init_vers(dgcp_packet_buf_head(buf), version, seqnum, opcode);
  uint16_t size = dgcp_set_msg_size(buf, 28);
  if (size) {
    memset(buf->packet + DGCP_HEAD_SIZE, 0, 28 - DGCP_HEAD_SIZE);
  }
  return size;
}

uint8_t arcp_media_query_range_add_range(dgcp_packet_buf *buf, uint16_t media, uint16_t start,
                                         uint16_t end) {
  auto *msg = reinterpret_cast<arcp_media_query_range_packet *>(buf->packet);
  if (msg->count == UINT8_MAX) {
    return 0;
  }
  unsigned at = sizeof(arcp_media_query_range_packet) + 6u * msg->count;
  uint16_t size = dgcp_size(dgcp_packet_buf_head(buf));
  // The message keeps 10 spare bytes behind its ranges, so a new range is
  // written inside the current size and the size then grows by one range.
  if (at + 6 > size || !dgcp_increment_size(buf, 6)) {
    return 0;
  }
  arcp_media_range r{htons(media), {htons(start), htons(end)}};
  memcpy(buf->packet + at, &r, sizeof r);
  memset(buf->packet + size, 0, 6);
  return ++msg->count;
}

uint8_t arcp_media_query_range_add_id(dgcp_packet_buf *buf, uint16_t media, uint16_t id) {
  if (id == 0) {
    return 0;
  }
  auto *msg = reinterpret_cast<arcp_media_query_range_packet *>(buf->packet);
  if (msg->count > 0) {
    auto *last = reinterpret_cast<arcp_media_range *>(
        buf->packet + sizeof(arcp_media_query_range_packet) + 6 * (msg->count - 1));
    if (ntohs(last->media) == media && last->range._end != 0 && id == ntohs(last->range._end) + 1) {
      if (last->range._start == 0) {
        last->range._start = last->range._end;
      }
      last->range._end = htons(id);
      return msg->count;
    }
  }
  return arcp_media_query_range_add_range(buf, media, 0, id);
}

dgcp_status_t arcp_media_query_range_validate(const dgcp_head *packet) {
  uint16_t size = dgcp_size(packet);
  if (size < sizeof(arcp_media_query_range_packet)) {
    return DGCP_ERR_Size_packet_too_small;
  }
  unsigned count = reinterpret_cast<const arcp_media_query_range_packet *>(packet)->count;
  return size < sizeof(arcp_media_query_range_packet) + 6u * count ? DGCP_ERR_Size_packet_too_small
                                                                   : DGCP_Success;
}

// ---- Labels ---------------------------------------------------------------------------

aud_bool_t arcp_is_valid_label(const char *label) {
  if (!label || !label[0]) {
    return AUD_FALSE;
  }
  size_t len = strnlen(label, ARCP_LABEL_MAX_CHARS + 1);
  if (len > ARCP_LABEL_MAX_CHARS) {
    return AUD_FALSE;
  }
  // "@", "=" and "." are reserved by the protocol's name syntax anywhere in a
  // label, which also covers the rule about the first character.
  return strpbrk(label, "@=.") ? AUD_FALSE : AUD_TRUE;
}

dgcp_raw_offset_t arcp_util_labels_write(dgcp_packet_buf *buf, arcp_util_labels *labels,
                                         const char *label) {
  if (!label) {
    return 0;
  }
  if (labels) {
    for (unsigned i = 0; i < labels->n && i < labels->max; i++) {
      if (labels->entries[i].label && strcasecmp(labels->entries[i].label, label) == 0) {
        return labels->entries[i].offset;
      }
    }
  }
  dgcp_raw_offset_t off = dgcp_store_string(buf, label);
  if (off && labels && labels->entries && labels->n < labels->max) {
    labels->entries[labels->n++] = {off, label};
  }
  return off;
}

// ---- Socket addresses ---------------------------------------------------------------

const arcp_sockaddr *arcp_sockaddr_resolve(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                           uint16_t lower) {
  uint16_t avail = 0;
  auto *sa = static_cast<const arcp_sockaddr *>(
      dgcp_offset_resolve_sized(packet, offset, lower, 0, DGCP_OFFSET_ALIGN_32, 2, &avail));
  if (!sa) {
    return nullptr;
  }
  uint8_t want;
  switch (sa->_family) {
    case ARCP_SOCKADDR_FAMILY_IPV4:
      want = ARCP_SOCKADDR_SIZE_IPV4;
      break;
    case ARCP_SOCKADDR_FAMILY_IPV6:
      want = ARCP_SOCKADDR_SIZE_IPV6;
      break;
    case ARCP_SOCKADDR_FAMILY_UNSPEC:
      want = ARCP_SOCKADDR_SIZE_UNSPEC;
      break;
    default:
      // Another family is carried as it is, as long as it fits.
      want = std::max<uint8_t>(sa->_size, ARCP_SOCKADDR_SIZE_UNSPEC);
      break;
  }
  if (sa->_size != want || sa->_size > avail) {
    return nullptr;
  }
  return sa;
}

dgcp_raw_offset_t arcp_sockaddr_alloc_ipv4(dgcp_packet_buf *buf, uint32_t addr_be, uint16_t port) {
  void *p = nullptr;
  dgcp_raw_offset_t off =
      dgcp_offset_allocate(buf, ARCP_SOCKADDR_SIZE_IPV4, DGCP_OFFSET_ALIGN_32, &p);
  if (!off) {
    return 0;
  }
  auto *sa = static_cast<uint8_t *>(p);
  sa[0] = ARCP_SOCKADDR_SIZE_IPV4;
  sa[1] = ARCP_SOCKADDR_FAMILY_IPV4;
  uint16_t port_be = htons(port);
  memcpy(sa + 2, &port_be, 2);
  memcpy(sa + 4, &addr_be, 4);
  return off;
}

aud_bool_t arcp_sockaddr_equal(const arcp_sockaddr *a, const arcp_sockaddr *b) {
  if (!a || !b) {
    return a == b ? AUD_TRUE : AUD_FALSE;
  }
  if (a->_size != b->_size || a->_family != b->_family || a->_port != b->_port) {
    return AUD_FALSE;
  }
  unsigned n = a->_size > 4 ? a->_size - 4u : 0u;
  return memcmp(a->_addr, b->_addr, std::min(n, 16u)) == 0 ? AUD_TRUE : AUD_FALSE;
}

const char *arcp_sockaddr_to_string(const arcp_sockaddr *sa, aud_bool_t with_port, char *buf,
                                    size_t len) {
  if (!buf || len == 0) {
    return buf;
  }
  if (!sa) {
    snprintf(buf, len, "null");
    return buf;
  }
  char addr[48];
  if (sa->_family == ARCP_SOCKADDR_FAMILY_IPV4 && sa->_size == ARCP_SOCKADDR_SIZE_IPV4) {
    snprintf(addr, sizeof addr, "%u.%u.%u.%u", sa->_addr[0], sa->_addr[1], sa->_addr[2],
             sa->_addr[3]);
  } else if (sa->_family == ARCP_SOCKADDR_FAMILY_IPV6 && sa->_size == ARCP_SOCKADDR_SIZE_IPV6) {
    size_t at = 0;
    for (int i = 0; i < 8; i++) {
      at += snprintf(addr + at, sizeof addr - at, i ? ":%x" : "%x", dgcp_load16(sa->_addr + 2 * i));
    }
  } else {
    snprintf(buf, len, "<unknown>");
    return buf;
  }
  if (with_port) {
    snprintf(buf, len, "%s.%u", addr, ntohs(sa->_port));
  } else {
    snprintf(buf, len, "%s", addr);
  }
  return buf;
}

aud_bool_t arcp_sockaddr_get_ipv4(const arcp_sockaddr *sa, uint32_t *out_addr_be,
                                  uint16_t *out_port) {
  if (!sa || sa->_family != ARCP_SOCKADDR_FAMILY_IPV4 || sa->_size != ARCP_SOCKADDR_SIZE_IPV4) {
    return AUD_FALSE;
  }
  if (out_addr_be) memcpy(out_addr_be, sa->_addr, 4);
  if (out_port) *out_port = ntohs(sa->_port);
  return AUD_TRUE;
}

// ---- Channel formats -------------------------------------------------------------------

aud_error_t arcp_channel_format_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                     uint16_t lower, arcp_channel_format_info *out) {
  uint16_t avail = 0;
  auto *p = static_cast<const uint8_t *>(
      dgcp_offset_resolve_sized(packet, offset, lower, 0, DGCP_OFFSET_ALIGN_32, 8, &avail));
  if (!p || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_channel_format_info f{};
  f.rate = dgcp_load32(p);
  f.max = p[4];
  f.count = p[5];
  unsigned list_end = sizeof(arcp_channel_format) + 2u * f.max;
  if (f.count > f.max || f.count > ARCP_CHANNEL_FORMAT_MAX_ENCODINGS || list_end > avail) {
    return AUD_ERR_INVALIDDATA;
  }
  for (unsigned i = 0; i < f.count; i++) {
    f.encodings[i] = dgcp_load16(p + 6 + 2 * i);
  }
  if (f.max > 0) {
    // The footer follows the encoding slots; it is itself extensible, so
    // only the fields its _size covers are taken.
    if (list_end + sizeof(dgcp_extensible_data) > avail) {
      return AUD_ERR_INVALIDDATA;
    }
    auto *footer = reinterpret_cast<const dgcp_extensible_data *>(p + list_end);
    unsigned footer_bytes = footer->_size * 2u;
    if (list_end + footer_bytes > avail) {
      return AUD_ERR_INVALIDDATA;
    }
    if (dgcp_extensible_data_has(footer, 4)) f.native = dgcp_load16(p + list_end + 2);
    if (dgcp_extensible_data_has(footer, 6)) f.pcm_native = dgcp_load16(p + list_end + 4);
    if (dgcp_extensible_data_has(footer, 8)) f.pcm_map = dgcp_load16(p + list_end + 6);
  }
  *out = f;
  return AUD_SUCCESS;
}

void arcp_channel_format_read_inline(const uint8_t *bytes, arcp_channel_format_info *out) {
  arcp_channel_format_info f{};
  f.rate = dgcp_load32(bytes);
  f.max = bytes[4];
  f.count = bytes[5];
  if (f.count > 0 && f.max > 0) {
    f.encodings[0] = dgcp_load16(bytes + 6);
    f.count = 1;
  } else {
    f.count = 0;
  }
  *out = f;
}

void arcp_channel_format_write_inline(uint8_t *bytes, uint32_t rate, uint16_t encoding) {
  uint32_t r = htonl(rate);
  memcpy(bytes, &r, 4);
  bytes[4] = 1;
  bytes[5] = encoding ? 1 : 0;
  uint16_t e = htons(encoding);
  memcpy(bytes + 6, &e, 2);
}

dgcp_raw_offset_t arcp_alloc_audio_format(dgcp_packet_buf *buf,
                                          const arcp_channel_format_info *format) {
  if (!format || format->count > ARCP_CHANNEL_FORMAT_MAX_ENCODINGS) {
    return 0;
  }
  unsigned max = std::max(format->max, format->count);
  uint16_t bytes = static_cast<uint16_t>((14 + 2 * max + 1) & ~1u);
  void *mem = nullptr;
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, bytes, DGCP_OFFSET_ALIGN_32, &mem);
  if (!off) {
    return 0;
  }
  auto *p = static_cast<uint8_t *>(mem);
  memset(p, 0, bytes);
  uint32_t rate = htonl(format->rate);
  memcpy(p, &rate, 4);
  p[4] = static_cast<uint8_t>(max);
  p[5] = format->count;
  for (unsigned i = 0; i < format->count; i++) {
    uint16_t e = htons(format->encodings[i]);
    memcpy(p + 6 + 2 * i, &e, 2);
  }
  if (max > 0) {
    uint8_t *footer = p + 6 + 2 * max;
    footer[0] = 4;
    uint16_t v = htons(format->native);
    memcpy(footer + 2, &v, 2);
    v = htons(format->pcm_native);
    memcpy(footer + 4, &v, 2);
    v = htons(format->pcm_map);
    memcpy(footer + 6, &v, 2);
  }
  return off;
}

// ---- Node query ---------------------------------------------------------------------------

aud_error_t arcp_node_query_resp_read(const dgcp_head *packet, arcp_node_query_info *out) {
  if (!packet || !out || dgcp_size(packet) < 22) {
    return AUD_ERR_INVALIDDATA;
  }
  uint16_t v = dgcp_version(packet);
  arcp_node_query_info n{};
  n.flags = field16(packet, 10);
  n.ntxchan = field16(packet, 12);
  n.nrxchan = field16(packet, 14);
  n.ntxalias = field16(packet, 16);
  n.ntxslots = field16(packet, 18);
  n.nrxslots = field16(packet, 20);
  if (v >= ARCP_VERSION_2_6) {
    n.max_txbund = field16(packet, 22);
    n.max_rxbund = field16(packet, 24);
    n.max_alias = field16(packet, 26);
    n.max_chan_alias = field16(packet, 28);
    n.nintf = field16(packet, 30);
  }
  if (v >= ARCP_VERSION_2_7_3) {
    n.status = field32(packet, 32);
  }
  if (v >= ARCP_VERSION_2_7_17) {
    n.per_rxflow_error_flags = field16(packet, 36);
    n.per_rxflow_error_fields = field16(packet, 38);
    n.rxflow_error_subseconds_range = field32(packet, 40);
  }
  if (v >= ARCP_VERSION_2_8_2 && (n.flags & ARCP_NODE_FLAG_MEDIA) && 46 <= dgcp_size(packet)) {
    memcpy(&n.media_resources, bytes_of(packet) + 44, 2);
  }
  if (v >= ARCP_VERSION_2_8_7) {
    n.max_display_group_id = field16(packet, 46);
  }
  *out = n;
  return AUD_SUCCESS;
}

// ---- Names and identity --------------------------------------------------------------------

const char *arcp_router_label_read(const dgcp_head *packet, uint16_t *out_len) {
  if (!packet || dgcp_size(packet) <= DGCP_HEAD_SIZE) {
    return nullptr;
  }
  return dgcp_get_string(packet, htons(DGCP_HEAD_SIZE), DGCP_HEAD_SIZE, 0, out_len);
}

aud_error_t arcp_router_relabel_build(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                      const char *name) {
  if (!buf || !name) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  size_t len = strnlen(name, ARCP_ROUTER_NAME_MAX_BYTES);
  if (len + 1 > ARCP_ROUTER_NAME_MAX_BYTES) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  arcp_msg_head_init_vers(dgcp_packet_buf_head(buf), version, seqnum, ARCP_OP_router_relabel);
  if (!dgcp_store_string(buf, name)) {
    dgcp_set_msg_size(buf, 0);
    return AUD_ERR_NOMEMORY;
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_identity_read(const dgcp_head *packet, arcp_identity_info *out) {
  if (!packet || !out || dgcp_size(packet) < 14) {
    return AUD_ERR_INVALIDDATA;
  }
  uint16_t v = dgcp_version(packet);
  uint16_t body_size = field16(packet, 10);
  uint16_t lower = 20;
  if (v > ARCP_VERSION_2_8_8) {
    if (body_size < 14) {
      return AUD_ERR_INVALIDDATA;
    }
    lower = body_size;
  }
  dgcp_raw_offset_t name_off;
  memcpy(&name_off, bytes_of(packet) + 12, 2);
  auto *rec = reinterpret_cast<const dgcp_extensible_data *>(
      dgcp_extensible_data_resolve(packet, name_off, lower, DGCP_OFFSET_ALIGN_16, 16));
  if (!rec) {
    return AUD_ERR_INVALIDDATA;
  }
  auto *name_rec = reinterpret_cast<const arcp_identity_query_response_name *>(rec);
  arcp_identity_info id{};
  const uint16_t str_lower = sizeof(arcp_identity_query_response);
  id.name = dgcp_get_string(packet, name_rec->_name, str_lower, 0, nullptr);
  if (!id.name) {
    return AUD_ERR_INVALIDDATA;
  }
  id.default_name = dgcp_get_string(packet, name_rec->_default, str_lower, 0, nullptr);
  id.advertised = dgcp_get_string(packet, name_rec->_advertised, str_lower, 0, nullptr);
  if (dgcp_extensible_data_has(rec, 10)) {
    id.domain = dgcp_get_string(packet, name_rec->_domain, str_lower, 0, nullptr);
  }
  // With a fixed part that ends before _version (body size 14 or 15) there
  // is no version record to read.
  bool version_present = (v > ARCP_VERSION_2_8_8) ? body_size >= 16 : dgcp_size(packet) >= 16;
  if (version_present) {
    dgcp_raw_offset_t ver_off;
    memcpy(&ver_off, bytes_of(packet) + 14, 2);
    auto *ved = dgcp_extensible_data_resolve(packet, ver_off, lower, DGCP_OFFSET_ALIGN_16, 16);
    if (ved) {
      auto *p = reinterpret_cast<const uint8_t *>(ved);
      id.has_version = AUD_TRUE;
      id.router_version = dgcp_load32(p + 4);
      id.arcp_native = dgcp_load16(p + 8);
      id.arcp_min = dgcp_load16(p + 10);
      if (dgcp_extensible_data_has(ved, 14)) id.dbcp_native = dgcp_load16(p + 12);
      if (dgcp_extensible_data_has(ved, 16)) id.dbcp_min = dgcp_load16(p + 14);
      if (dgcp_extensible_data_has(ved, 18)) id.arcp3_native = dgcp_load16(p + 16);
      if (dgcp_extensible_data_has(ved, 20)) id.arcp3_min = dgcp_load16(p + 18);
    }
  }
  *out = id;
  return AUD_SUCCESS;
}

// ---- Properties -----------------------------------------------------------------------------

aud_error_t arcp_prop_query_build(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                  uint16_t opcode, const uint16_t *keys, unsigned n) {
  if (!buf || (n && !keys) || n > UINT8_MAX) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  arcp_msg_head_init_vers(dgcp_packet_buf_head(buf), version, seqnum, opcode);
  if (!dgcp_array_msg_init(buf)) {
    return AUD_ERR_NOMEMORY;
  }
  for (unsigned i = 0; i < n; i++) {
    if (!dgcp_props_query_alloc(buf, keys[i])) {
      return AUD_ERR_NOMEMORY;
    }
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_prop_set_init(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                               uint16_t opcode, uint8_t n) {
  if (!buf) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  arcp_msg_head_init_vers(dgcp_packet_buf_head(buf), version, seqnum, opcode);
  return dgcp_array_msg_buffer_init(buf, n, sizeof(dgcp_property)) ? AUD_SUCCESS : AUD_ERR_NOMEMORY;
}

aud_error_t arcp_prop_set_add16(dgcp_packet_buf *buf, uint16_t key, uint16_t value) {
  if (key & DGCP_PROP_FLAG_Offset) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return dgcp_props_alloc(buf, htons(key), htons(value)) ? AUD_SUCCESS : AUD_ERR_NOMEMORY;
}

aud_error_t arcp_prop_set_add32(dgcp_packet_buf *buf, uint16_t key, uint32_t value) {
  if (!(key & DGCP_PROP_FLAG_Offset)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  uint16_t size = dgcp_size(dgcp_packet_buf_head(buf));
  dgcp_property *prop = dgcp_props_alloc(buf, htons(key), 0);
  if (!prop) {
    return AUD_ERR_NOMEMORY;
  }
  uint32_t v = htonl(value);
  prop->_value = dgcp_offset_allocate_data(buf, 4, DGCP_OFFSET_ALIGN_32, &v);
  if (!prop->_value) {
    reinterpret_cast<dgcp_array_msg *>(buf->packet)->_count--;
    dgcp_set_msg_size(buf, size);
    return AUD_ERR_NOMEMORY;
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_prop_set_add_string(dgcp_packet_buf *buf, uint16_t key, const char *value) {
  if (!(key & DGCP_PROP_FLAG_Offset) || !value) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  uint16_t size = dgcp_size(dgcp_packet_buf_head(buf));
  dgcp_property *prop = dgcp_props_alloc(buf, htons(key), 0);
  if (!prop) {
    return AUD_ERR_NOMEMORY;
  }
  prop->_value = dgcp_store_string(buf, value);
  if (!prop->_value) {
    reinterpret_cast<dgcp_array_msg *>(buf->packet)->_count--;
    dgcp_set_msg_size(buf, size);
    return AUD_ERR_NOMEMORY;
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_prop_get16(const dgcp_head *packet, uint16_t key, uint16_t *out) {
  const dgcp_property *prop = dgcp_props_by_key(packet, key);
  if (!prop) {
    return AUD_ERR_NOTFOUND;
  }
  if (out) *out = dgcp_prop_valint(prop);
  return AUD_SUCCESS;
}

aud_error_t arcp_prop_get32(const dgcp_head *packet, uint16_t key, uint32_t *out) {
  const dgcp_property *prop = dgcp_props_by_key(packet, key);
  if (!prop) {
    return AUD_ERR_NOTFOUND;
  }
  const void *p = dgcp_array_msg_buffer_get_data(packet, dgcp_prop_offset(prop),
                                                 sizeof(dgcp_property), DGCP_OFFSET_ALIGN_32, 4);
  if (!p) {
    return AUD_ERR_INVALIDDATA;
  }
  if (out) *out = dgcp_load32(p);
  return AUD_SUCCESS;
}

aud_error_t arcp_prop_get_string(const dgcp_head *packet, uint16_t key, char *out,
                                 size_t out_size) {
  const dgcp_property *prop = dgcp_props_by_key(packet, key);
  if (!prop) {
    return AUD_ERR_NOTFOUND;
  }
  uint16_t len = 0;
  const char *s =
      dgcp_array_msg_buffer_get_string(packet, dgcp_prop_offset(prop), sizeof(dgcp_property), &len);
  if (!s) {
    return AUD_ERR_INVALIDDATA;
  }
  if (out && out_size) {
    size_t n = std::min<size_t>(len, out_size - 1);
    memcpy(out, s, n);
    out[n] = 0;
  }
  return AUD_SUCCESS;
}

// ---- Soft limits, port range, error counters ------------------------------------------------

aud_error_t arcp_softlimit_build(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                 const arcp_soft_limit_info *limits) {
  if (!buf || !limits) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  arcp_msg_head_init_vers(dgcp_packet_buf_head(buf), version, seqnum, ARCP_OP_softlimit);
  if (!dgcp_set_msg_size(buf, sizeof(arcp_soft_limit_resp))) {
    return AUD_ERR_NOMEMORY;
  }
  auto *msg = reinterpret_cast<arcp_soft_limit_resp *>(buf->packet);
  msg->_flags = 0;
  msg->_data = htons(offsetof(arcp_soft_limit_resp, data));
  msg->_pad = 0;
  msg->data._has_field = htonl(limits->has_field);
  msg->data._limited = htonl(limits->limited);
  msg->data._ntxchan = htons(limits->ntxchan);
  msg->data._nrxchan = htons(limits->nrxchan);
  msg->data._sample_rate = htonl(limits->sample_rate);
  return AUD_SUCCESS;
}

aud_error_t arcp_softlimit_read(const dgcp_head *packet, arcp_soft_limit_info *out) {
  if (!packet || !out || dgcp_size(packet) < 14) {
    return AUD_ERR_INVALIDDATA;
  }
  dgcp_raw_offset_t off;
  memcpy(&off, bytes_of(packet) + 12, 2);
  auto *p = static_cast<const uint8_t *>(
      dgcp_offset_resolve(packet, off, 14, DGCP_OFFSET_ALIGN_32, sizeof(arcp_soft_limit_data)));
  if (!p) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_soft_limit_info s{};
  s.has_field = dgcp_load32(p);
  s.limited = dgcp_load32(p + 4);
  if (s.has_field & ARCP_SOFTLIMIT_FIELD_TXCHAN) s.ntxchan = dgcp_load16(p + 8);
  if (s.has_field & ARCP_SOFTLIMIT_FIELD_RXCHAN) s.nrxchan = dgcp_load16(p + 10);
  if (s.has_field & ARCP_SOFTLIMIT_FIELD_SAMPLE_RATE) s.sample_rate = dgcp_load32(p + 12);
  *out = s;
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_port_range_read(const dgcp_head *packet, arcp_range *out_dynamic,
                                    arcp_range *out_static) {
  if (!packet || dgcp_size(packet) < sizeof(arcp_rx_port_range)) {
    return AUD_ERR_INVALIDDATA;
  }
  auto *msg = reinterpret_cast<const arcp_rx_port_range *>(packet);
  if (out_dynamic) *out_dynamic = {ntohs(msg->_dynamic._start), ntohs(msg->_dynamic._end)};
  if (out_static) *out_static = {ntohs(msg->_static._start), ntohs(msg->_static._end)};
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_bundles_error_query_build(dgcp_packet_buf *buf, dgcp_version_t version,
                                              uint16_t seqnum, uint16_t opcode, uint16_t flags) {
  if (!buf) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  arcp_msg_head_init_vers(dgcp_packet_buf_head(buf), version, seqnum, opcode);
  if (!dgcp_set_msg_size(buf, sizeof(arcp_rx_bundles_error_query))) {
    return AUD_ERR_NOMEMORY;
  }
  auto *q = reinterpret_cast<arcp_rx_bundles_error_query *>(buf->packet);
  q->_flags = htons(flags);
  q->_range_start = htons(1);
  q->_range_end = 0;
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_bundles_error_read(const dgcp_head *packet, unsigned value_bytes,
                                       arcp_rx_bundles_error_info *out) {
  if (!packet || !out || (value_bytes != 2 && value_bytes != 4) ||
      dgcp_size(packet) < sizeof(arcp_rx_bundles_error_head)) {
    return AUD_ERR_INVALIDDATA;
  }
  auto *h = reinterpret_cast<const arcp_rx_bundles_error_head *>(packet);
  arcp_rx_bundles_error_info e{};
  e.flags = ntohs(h->_flags);
  e.start_id = ntohs(h->_start_id);
  e.num_bundles = ntohs(h->_num_bundles);
  e.num_intfs = ntohs(h->_num_intfs);
  e.timestamp_seconds = ntohl(h->_timestamp_seconds);
  e.timestamp_subseconds = ntohl(h->_timestamp_subseconds);
  e.value_bytes = value_bytes;
  unsigned at = ntohs(h->_array_offset_bytes);
  unsigned n = unsigned{e.num_bundles} * e.num_intfs;
  if (n > ARCP_RX_ERROR_MAX_VALUES) {
    return AUD_ERR_INVALIDDATA;
  }
  if (n > 0) {
    if (at < sizeof(arcp_rx_bundles_error_head) || at + n * value_bytes > dgcp_size(packet)) {
      return AUD_ERR_INVALIDDATA;
    }
    e.values = bytes_of(packet) + at;
  }
  *out = e;
  return AUD_SUCCESS;
}

uint32_t arcp_rx_bundles_error_value(const arcp_rx_bundles_error_info *info, unsigned flow,
                                     unsigned intf) {
  if (!info || !info->values || flow >= info->num_bundles || intf >= info->num_intfs) {
    return 0;
  }
  const uint8_t *p = info->values + (flow * info->num_intfs + intf) * info->value_bytes;
  return info->value_bytes == 4 ? dgcp_load32(p) : dgcp_load16(p);
}

// ---- Display groups ---------------------------------------------------------------------------

aud_error_t arcp_display_group_query_build(dgcp_packet_buf *buf, dgcp_version_t version,
                                           uint16_t seqnum) {
  if (!buf) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (!arcp_media_query_range_init(buf, version, seqnum, ARCP_OP_display_group_query) ||
      !arcp_media_query_range_add_range(buf, 0, 1, 0)) {
    return AUD_ERR_NOMEMORY;
  }
  return AUD_SUCCESS;
}

unsigned arcp_offset_array_msg_count(const dgcp_head *packet) {
  if (!packet || dgcp_size(packet) < DGCP_OFFSET_ARRAY_MSG_HEAD_SIZE) {
    return 0;
  }
  auto *msg = reinterpret_cast<const dgcp_offset_array_msg *>(packet);
  unsigned count = msg->array._count;
  // Slots the packet does not hold are not counted.
  unsigned room = (dgcp_size(packet) - DGCP_OFFSET_ARRAY_MSG_HEAD_SIZE) / 2u;
  return std::min(count, room);
}

namespace {

// The offset array of an offset array message, checked to lie in the packet.
const dgcp_array *offset_array_of(const dgcp_head *packet) {
  if (!packet || dgcp_size(packet) < DGCP_OFFSET_ARRAY_MSG_HEAD_SIZE) {
    return nullptr;
  }
  auto *array = &reinterpret_cast<const dgcp_offset_array_msg *>(packet)->array;
  if (!dgcp_packet_object_is_valid(packet, array, 2u + 2u * array->_count)) {
    return nullptr;
  }
  return array;
}

}  // namespace

aud_error_t arcp_display_group_at_index(const dgcp_head *packet, unsigned index,
                                        arcp_display_group_info *out) {
  const dgcp_array *array = offset_array_of(packet);
  if (!array || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  auto *ed = dgcp_offset_array_resolve_extensible_element(
      packet, array, index, DGCP_OFFSET_ALIGN_16, sizeof(arcp_raw_display_group_data));
  if (!ed) {
    return AUD_ERR_INVALIDDATA;
  }
  auto *rec = reinterpret_cast<const arcp_raw_display_group_data *>(ed);
  uint16_t lower = static_cast<uint16_t>(DGCP_OFFSET_ARRAY_MSG_HEAD_SIZE + 2 * array->_count);
  arcp_display_group_info g{};
  g.id = ntohs(rec->id);
  g.fields = ntohs(rec->fields);
  g.label = dgcp_get_string(packet, rec->label, lower, 0, nullptr);
  *out = g;
  return AUD_SUCCESS;
}
