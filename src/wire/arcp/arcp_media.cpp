// ARCP media resource records.
#include "wire/arcp/arcp_media.h"

#include <algorithm>
#include <cstring>

#include "wire/dgcp/dgcp_bytes.h"

namespace {

const uint8_t *seg_bytes(const dgcp_extensible_data *ed) {
  return reinterpret_cast<const uint8_t *>(ed);
}

}  // namespace

// ---- Resource counts --------------------------------------------------------------

uint16_t arcp_resource_counts_read(const dgcp_extensible_data *segment,
                                   const dgcp_extensible_data **next,
                                   arcp_resource_counts_info *out) {
  if (next) {
    *next = dgcp_extensible_data_next_segment(segment);
  }
  if (!segment || !dgcp_extensible_data_has(segment, 32)) {
    return 0;
  }
  const uint8_t *p = seg_bytes(segment);
  uint16_t type = dgcp_load16(p + 2);
  if (type == ARCP_MEDIA_TYPE__UNDEF || !out) {
    return type;
  }
  arcp_resource_counts_info c{};
  c.media_type = type;
  c.nintf = dgcp_load16(p + 4);
  c.txchan = dgcp_load16(p + 8);
  c.rxchan = dgcp_load16(p + 12);
  c.txflow = dgcp_load16(p + 16);
  c.rxflow = dgcp_load16(p + 20);
  c.txflow_slots = dgcp_load16(p + 26);
  c.rxflow_slots = dgcp_load16(p + 30);
  if (dgcp_extensible_data_has(segment, 40)) {
    c.txformat_options = dgcp_load16(p + 34);
    c.rxformat_options = dgcp_load16(p + 38);
  }
  *out = c;
  return type;
}

aud_error_t arcp_resource_counts_get(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                     arcp_resource_counts_info out[ARCP_MEDIA_TYPE__ANCIL + 1],
                                     uint32_t *out_bitmap) {
  const dgcp_extensible_data *seg =
      dgcp_extensible_data_resolve(packet, offset, 0, DGCP_OFFSET_ALIGN_16, 32);
  if (!seg || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  uint32_t bitmap = 0;
  for (unsigned i = 0; seg && i < ARCP_RESOURCE_COUNTS_MAX_SEGMENTS; i++) {
    arcp_resource_counts_info c{};
    const dgcp_extensible_data *next = nullptr;
    uint16_t type = arcp_resource_counts_read(seg, &next, &c);
    if (type >= ARCP_MEDIA_TYPE__AUDIO && type <= ARCP_MEDIA_TYPE__ANCIL && c.media_type == type) {
      out[type] = c;
      bitmap |= 1u << type;
    }
    seg = next;
  }
  if (out_bitmap) *out_bitmap = bitmap;
  return AUD_SUCCESS;
}

// ---- Resources -------------------------------------------------------------------------

uint16_t arcp_media_answer_lower_bound(const dgcp_head *packet) {
  return static_cast<uint16_t>(DGCP_OFFSET_ARRAY_MSG_HEAD_SIZE +
                               2 * arcp_offset_array_msg_count(packet));
}

const dgcp_extensible_data *arcp_resource_at_index(const dgcp_head *packet, unsigned index) {
  if (!packet || index >= arcp_offset_array_msg_count(packet)) {
    return nullptr;
  }
  auto *array = &reinterpret_cast<const dgcp_offset_array_msg *>(packet)->array;
  if (array->_count > array->_max) {
    return nullptr;
  }
  return dgcp_offset_array_resolve_extensible_element(packet, array, index, DGCP_OFFSET_ALIGN_32,
                                                      24);
}

aud_error_t arcp_resource_read(const dgcp_head *packet, const dgcp_extensible_data *resource,
                               uint16_t lower, arcp_resource_info *out) {
  if (!packet || !resource || !out || !dgcp_extensible_data_has(resource, 24)) {
    return AUD_ERR_INVALIDDATA;
  }
  const uint8_t *p = seg_bytes(resource);
  arcp_resource_info r{};
  r.res_id = dgcp_load16(p + 2);
  r.phys_id = dgcp_load16(p + 4);
  r.mtype = dgcp_load16(p + 6);
  r.media_id = dgcp_load16(p + 8);
  r.flags = dgcp_load32(p + 12);
  r.flags_valid = dgcp_load32(p + 16);
  r.label = dgcp_get_string(packet, dgcp_load_raw_offset(p + 20), lower, 0, nullptr);
  r.format = dgcp_load_raw_offset(p + 22);
  if (dgcp_extensible_data_has(resource, 28)) r.latency_ns = dgcp_load32(p + 24);
  if (dgcp_extensible_data_has(resource, 30)) r.ext_status = dgcp_load16(p + 28);
  if (dgcp_extensible_data_has(resource, 32))
    r.default_label = dgcp_get_string(packet, dgcp_load_raw_offset(p + 30), lower, 0, nullptr);
  if (dgcp_extensible_data_has(resource, 34)) r.processing_status = dgcp_load16(p + 32);
  if (dgcp_extensible_data_has(resource, 36)) {
    r.encrypt_scheme = p[34];
    r.encrypt_info = p[35];
  }
  if (dgcp_extensible_data_has(resource, 38)) r.display_group_id = dgcp_load16(p + 36);
  if (dgcp_extensible_data_has(resource, 40)) r.format_list = dgcp_load_raw_offset(p + 38);
  *out = r;
  return AUD_SUCCESS;
}

aud_error_t arcp_get_video_format(const dgcp_head *packet, dgcp_raw_offset_t offset, uint16_t lower,
                                  uint32_t *out_subtype, uint32_t *out_codec_id) {
  const dgcp_extensible_data *first =
      dgcp_extensible_data_resolve(packet, offset, lower, DGCP_OFFSET_ALIGN_16, 4);
  const dgcp_extensible_data *codec = dgcp_extensible_data_next_segment(first);
  if (!codec) {
    return AUD_ERR_INVALIDDATA;
  }
  uint32_t subtype = 0, codec_id = 0;
  if (dgcp_extensible_data_has(codec, 12)) {
    subtype = dgcp_load32(seg_bytes(codec) + 4);
    codec_id = dgcp_load32(seg_bytes(codec) + 8);
  }
  if (out_subtype) *out_subtype = subtype;
  if (out_codec_id) *out_codec_id = codec_id;
  return AUD_SUCCESS;
}

aud_error_t arcp_get_ancil_format(const dgcp_head *packet, dgcp_raw_offset_t offset, uint16_t lower,
                                  uint32_t *out_type) {
  const void *p = dgcp_offset_resolve(packet, offset, lower, DGCP_OFFSET_ALIGN_32, 4);
  if (!p) {
    return AUD_ERR_INVALIDDATA;
  }
  if (out_type) *out_type = dgcp_load32(p);
  return AUD_SUCCESS;
}

aud_error_t arcp_media_format_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                   uint16_t lower, uint16_t mtype, arcp_media_format_info *out) {
  if (!out) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  arcp_media_format_info f{};
  f.mtype = mtype;
  aud_error_t r;
  switch (mtype) {
    case ARCP_MEDIA_TYPE__AUDIO:
      r = arcp_channel_format_read(packet, offset, lower, &f.audio);
      break;
    case ARCP_MEDIA_TYPE__VIDEO:
      r = arcp_get_video_format(packet, offset, lower, &f.video_subtype, &f.video_codec_id);
      break;
    case ARCP_MEDIA_TYPE__ANCIL:
      r = arcp_get_ancil_format(packet, offset, lower, &f.ancil_type);
      break;
    default:
      return AUD_ERR_NOTSUPPORTED;
  }
  if (r == AUD_SUCCESS) {
    *out = f;
  }
  return r;
}

const dgcp_array *arcp_resource_format_list(const dgcp_head *packet,
                                            const arcp_resource_info *resource, uint16_t lower) {
  if (!resource) {
    return nullptr;
  }
  return dgcp_offset_array_resolve(packet, resource->format_list, lower);
}

// ---- Channels -------------------------------------------------------------------------------

aud_error_t arcp_rx_media_channel_read(const dgcp_head *packet,
                                       const dgcp_extensible_data *resource, uint16_t lower,
                                       arcp_rx_media_channel_info *out) {
  arcp_resource_info res{};
  if (arcp_resource_read(packet, resource, lower, &res) != AUD_SUCCESS || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  const dgcp_extensible_data *segs[3] = {};
  unsigned n = dgcp_extensible_data_get_segments(resource, segs, 3);
  arcp_rx_media_channel_info c{};
  c.dbu = ARCP_DBU_UNKNOWN;
  if (n > 1) {
    const uint8_t *d = seg_bytes(segs[1]);
    if (dgcp_extensible_data_has(segs[1], 6))
      c.sub_channel = dgcp_get_string(packet, dgcp_load_raw_offset(d + 4), lower, 0, nullptr);
    if (dgcp_extensible_data_has(segs[1], 8))
      c.sub_device = dgcp_get_string(packet, dgcp_load_raw_offset(d + 6), lower, 0, nullptr);
    if (dgcp_extensible_data_has(segs[1], 12)) {
      c.status = dgcp_load16(d + 8);
      c.conn_supported = d[10];
      c.conn_active = d[11];
    }
    c.subscribed = (c.sub_channel && c.sub_device) ? AUD_TRUE : AUD_FALSE;
  }
  if (n > 2 && res.mtype == ARCP_MEDIA_TYPE__AUDIO &&
      (res.flags & ARCP_RX_CHANNEL_FLAG_SUPPORTS_DBU) && segs[2]->_size > 1) {
    c.dbu = static_cast<int16_t>(dgcp_load16(seg_bytes(segs[2]) + 2));
  }
  *out = c;
  return AUD_SUCCESS;
}

// ---- Flows --------------------------------------------------------------------------------------

aud_error_t arcp_util_get_tx_media_flow_segments(const dgcp_extensible_data *chain,
                                                 arcp_tx_media_flow_segments *out) {
  const dgcp_extensible_data *segs[ARCP_MEDIA_FLOW_MAX_SEGMENTS] = {};
  unsigned n = dgcp_extensible_data_get_segments(chain, segs, ARCP_MEDIA_FLOW_MAX_SEGMENTS);
  if (n == 0 || !out || !dgcp_extensible_data_has(segs[0], 8)) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_tx_media_flow_segments s{};
  s.resource = segs[0];
  s.mtype = dgcp_load16(seg_bytes(segs[0]) + 6);
  s.flow_data = n > 1 ? segs[1] : nullptr;
  s.addr_data = n > 2 ? segs[2] : nullptr;
  s.txmap = n > 3 ? segs[3] : nullptr;
  unsigned typed_from = 4;
  if (s.mtype == ARCP_MEDIA_TYPE__AUDIO && n > 4) {
    s.audio = segs[4];
    typed_from = 5;
  }
  for (unsigned i = typed_from; i < n; i++) {
    dgcp_extensible_data_seg_info info{};
    if (dgcp_extensible_data__get_seg_info(segs[i], &info) == AUD_SUCCESS &&
        info.seg_id == ARCP3_SEG__TXFLOW__ENCRYPT_HDCP_VIDEO) {
      s.hdcp = segs[i];
      break;
    }
  }
  *out = s;
  return AUD_SUCCESS;
}

uint16_t arcp_util_tx_media_flow__fpp(const arcp_tx_media_flow_segments *segs) {
  if (!segs || segs->mtype != ARCP_MEDIA_TYPE__AUDIO || !segs->audio ||
      !dgcp_extensible_data_has(segs->audio, 4)) {
    return 0;
  }
  return dgcp_load16(seg_bytes(segs->audio) + 2);
}

uint32_t arcp_util_tx_media_flow__hdcp_token(const arcp_tx_media_flow_segments *segs) {
  if (!segs || segs->mtype != ARCP_MEDIA_TYPE__VIDEO || !segs->hdcp ||
      !dgcp_extensible_data_has(segs->hdcp, 8)) {
    return 0;
  }
  return dgcp_load32(seg_bytes(segs->hdcp) + 4);
}

aud_error_t arcp_util_tx_media_flow__aes67(const dgcp_head *packet,
                                           const arcp_tx_media_flow_segments *segs, uint16_t lower,
                                           arcp_aes67_info *out) {
  if (!segs || segs->mtype != ARCP_MEDIA_TYPE__AUDIO || !segs->flow_data ||
      !dgcp_extensible_data_has(segs->flow_data, 12)) {
    return AUD_ERR_NOTFOUND;
  }
  const uint8_t *d = seg_bytes(segs->flow_data);
  if (dgcp_load16(d + 8) != ARCP_FLOW_CLASS_AES67_MCAST) {
    return AUD_ERR_NOTFOUND;
  }
  return arcp_aes67_flow_info_read(packet, dgcp_load_raw_offset(d + 10), lower, out);
}

aud_error_t arcp_util_get_rx_media_flow_segments(const dgcp_extensible_data *chain,
                                                 arcp_rx_media_flow_segments *out) {
  const dgcp_extensible_data *segs[3] = {};
  unsigned n = dgcp_extensible_data_get_segments(chain, segs, 3);
  if (n == 0 || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  out->resource = segs[0];
  out->flow_data = n > 1 ? segs[1] : nullptr;
  out->addr_data = n > 2 ? segs[2] : nullptr;
  return AUD_SUCCESS;
}

const arcp_sockaddr *arcp_addr_data_get_addr(const dgcp_head *packet,
                                             const dgcp_extensible_data *addr_data, unsigned index,
                                             uint16_t lower) {
  if (!addr_data || index >= ARCP3_RAW_ADDR_MAXADDR ||
      !dgcp_extensible_data_has(addr_data, 6 + 2 * index)) {
    return nullptr;
  }
  const uint8_t *p = seg_bytes(addr_data);
  if (index >= p[2]) {
    return nullptr;
  }
  return arcp_sockaddr_resolve(packet, dgcp_load_raw_offset(p + 4 + 2 * index), lower);
}

uint16_t arcp_media_flow_chan_id(const arcp_media_flow_info *info, unsigned slot) {
  if (!info || !info->chan_ids || slot >= info->n_slots) {
    return 0;
  }
  return dgcp_load16(info->chan_ids + 2 * slot);
}

namespace {

aud_error_t read_addr_data(const dgcp_head *packet, const dgcp_extensible_data *addr_data,
                           uint16_t lower, arcp_media_flow_info *f) {
  if (!addr_data || !dgcp_extensible_data_has(addr_data, 4)) {
    return AUD_SUCCESS;
  }
  const uint8_t *p = seg_bytes(addr_data);
  if (p[2] > ARCP3_RAW_ADDR_MAXADDR) {
    return AUD_ERR_INVALIDDATA;
  }
  f->n_addr = p[2];
  f->active = p[3];
  for (unsigned i = 0; i < f->n_addr; i++) {
    f->addrs[i] = arcp_addr_data_get_addr(packet, addr_data, i, lower);
  }
  return AUD_SUCCESS;
}

}  // namespace

aud_error_t arcp_tx_media_flow_read(const dgcp_head *packet, const dgcp_extensible_data *chain,
                                    uint16_t lower, arcp_media_flow_info *out) {
  arcp_tx_media_flow_segments s{};
  if (arcp_util_get_tx_media_flow_segments(chain, &s) != AUD_SUCCESS || !s.flow_data || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_media_flow_info f{};
  if (arcp_resource_read(packet, s.resource, lower, &f.resource) != AUD_SUCCESS) {
    return AUD_ERR_INVALIDDATA;
  }
  const uint8_t *d = seg_bytes(s.flow_data);
  if (dgcp_extensible_data_has(s.flow_data, 6))
    f.dest_router = dgcp_get_string(packet, dgcp_load_raw_offset(d + 4), lower, 0, nullptr);
  if (dgcp_extensible_data_has(s.flow_data, 8))
    f.dest_flow = dgcp_get_string(packet, dgcp_load_raw_offset(d + 6), lower, 0, nullptr);
  if (dgcp_extensible_data_has(s.flow_data, 10)) f.flow_class = dgcp_load16(d + 8);
  if (dgcp_extensible_data_has(s.flow_data, 16)) f.session_id = dgcp_load32(d + 12);
  if (arcp_util_tx_media_flow__aes67(packet, &s, lower, &f.aes67) == AUD_SUCCESS) {
    f.has_aes67 = AUD_TRUE;
  }
  if (read_addr_data(packet, s.addr_data, lower, &f) != AUD_SUCCESS) {
    return AUD_ERR_INVALIDDATA;
  }
  if (s.txmap && dgcp_extensible_data_has(s.txmap, 4)) {
    const uint8_t *m = seg_bytes(s.txmap);
    uint16_t n = dgcp_load16(m + 2);
    if (n > ARCP_FLOW_MAX_SLOTS || 4u + 2u * n > s.txmap->_size * 2u) {
      return AUD_ERR_INVALIDDATA;
    }
    f.n_slots = n;
    f.chan_ids = n ? m + 4 : nullptr;
  }
  f.fpp = arcp_util_tx_media_flow__fpp(&s);
  f.hdcp_token = arcp_util_tx_media_flow__hdcp_token(&s);
  *out = f;
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_media_flow_read(const dgcp_head *packet, const dgcp_extensible_data *chain,
                                    uint16_t lower, arcp_media_flow_info *out) {
  arcp_rx_media_flow_segments s{};
  if (arcp_util_get_rx_media_flow_segments(chain, &s) != AUD_SUCCESS || !s.flow_data || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_media_flow_info f{};
  if (arcp_resource_read(packet, s.resource, lower, &f.resource) != AUD_SUCCESS) {
    return AUD_ERR_INVALIDDATA;
  }
  const uint8_t *d = seg_bytes(s.flow_data);
  if (dgcp_extensible_data_has(s.flow_data, 8)) {
    f.status = dgcp_load16(d + 4);
    f.conn_supported = d[6];
    f.conn_active = d[7];
  }
  if (dgcp_extensible_data_has(s.flow_data, 12)) {
    f.flow_class = dgcp_load16(d + 8);
    if (f.flow_class == ARCP_FLOW_CLASS_AES67_MCAST && f.resource.mtype == ARCP_MEDIA_TYPE__AUDIO &&
        arcp_aes67_flow_info_read(packet, dgcp_load_raw_offset(d + 10), lower, &f.aes67) ==
            AUD_SUCCESS) {
      f.has_aes67 = AUD_TRUE;
    }
  }
  if (dgcp_extensible_data_has(s.flow_data, 16)) {
    f.nslots = dgcp_load16(d + 12);
    f.chan_map = dgcp_load_raw_offset(d + 14);
    if (f.nslots > ARCP_FLOW_MAX_SLOTS) {
      return AUD_ERR_INVALIDDATA;
    }
  }
  if (dgcp_extensible_data_has(s.flow_data, 20)) f.session_id = dgcp_load32(d + 16);
  if (read_addr_data(packet, s.addr_data, lower, &f) != AUD_SUCCESS) {
    return AUD_ERR_INVALIDDATA;
  }
  *out = f;
  return AUD_SUCCESS;
}

// ---- Writers
// --------------------------------------------------------------------------------------

aud_error_t arcp_media_static_list_init(dgcp_packet_buf *buf, dgcp_version_t version,
                                        uint16_t seqnum, uint16_t opcode, uint8_t n,
                                        uint8_t elem_bytes) {
  if (!buf) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  arcp_msg_head_init_vers(dgcp_packet_buf_head(buf), version, seqnum, opcode);
  return dgcp_static_array_msg_init(buf, n, elem_bytes) ? AUD_SUCCESS : AUD_ERR_NOMEMORY;
}

namespace {

// Takes back the last static array element and restores the size.
void static_undo(dgcp_packet_buf *buf, uint16_t size) {
  reinterpret_cast<dgcp_static_array_msg *>(buf->packet)->array._count--;
  dgcp_set_size(dgcp_packet_buf_head(buf), size);
}

}  // namespace

aud_error_t arcp_resource_label_alloc_entry(dgcp_packet_buf *buf, uint16_t media_id, uint16_t mtype,
                                            const char *label) {
  uint16_t size = dgcp_size(dgcp_packet_buf_head(buf));
  auto *e = static_cast<arcp_raw_media_label *>(dgcp_static_array_msg_alloc_entry(buf));
  if (!e) {
    return AUD_ERR_NOMEMORY;
  }
  e->ident.media_id = htons(media_id);
  e->ident.media_type = htons(mtype);
  if (label && label[0]) {
    e->label = dgcp_store_string(buf, label);
    if (!e->label) {
      static_undo(buf, size);
      return AUD_ERR_NOMEMORY;
    }
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_media_sub_alloc_entry(dgcp_packet_buf *buf, uint16_t media_id, uint16_t mtype,
                                          dgcp_raw_offset_t channel, dgcp_raw_offset_t device) {
  auto *e = static_cast<arcp_raw_media_sub *>(dgcp_static_array_msg_alloc_entry(buf));
  if (!e) {
    return AUD_ERR_NOMEMORY;
  }
  e->ident.media_id = htons(media_id);
  e->ident.media_type = htons(mtype);
  e->channel = channel;
  e->device = device;
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_media_sub_add(dgcp_packet_buf *buf, uint16_t media_id, uint16_t mtype,
                                  const char *channel, const char *device) {
  bool has_channel = channel && channel[0];
  bool has_device = device && device[0];
  if (has_channel != has_device) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  uint16_t size = dgcp_size(dgcp_packet_buf_head(buf));
  if (arcp_rx_media_sub_alloc_entry(buf, media_id, mtype, 0, 0) != AUD_SUCCESS) {
    return AUD_ERR_NOMEMORY;
  }
  if (has_channel) {
    auto *msg = reinterpret_cast<dgcp_static_array_msg *>(buf->packet);
    auto *e = reinterpret_cast<arcp_raw_media_sub *>(buf->packet + DGCP_STATIC_ARRAY_MSG_HEAD_SIZE +
                                                     msg->elem_bytes * (msg->array._count - 1));
    e->channel = dgcp_store_string(buf, channel);
    e->device = e->channel ? dgcp_store_string(buf, device) : 0;
    if (!e->channel || !e->device) {
      static_undo(buf, size);
      return AUD_ERR_NOMEMORY;
    }
  }
  return AUD_SUCCESS;
}

dgcp_raw_offset_t arcp_alloc_video_format(dgcp_packet_buf *buf, uint32_t subtype,
                                          uint32_t codec_id) {
  dgcp_extensible_data_segments_alloc desc{};
  desc.segments[0] = {sizeof(arcp_raw_media_format), DGCP_OFFSET_ALIGN_16, 0};
  desc.segments[1] = {sizeof(arcp_raw_video_format_codec), DGCP_OFFSET_ALIGN_32, 0};
  dgcp_extensible_data *heads[DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN] = {};
  dgcp_raw_offset_t off = 0;
  if (dgcp_extensible_data_allocate_chain(buf, &desc, heads, &off) != AUD_SUCCESS) {
    return 0;
  }
  auto *codec = reinterpret_cast<uint8_t *>(heads[1]);
  dgcp_store32(codec + 4, subtype);
  dgcp_store32(codec + 8, codec_id);
  return off;
}

dgcp_raw_offset_t arcp_alloc_ancil_format(dgcp_packet_buf *buf, uint32_t type) {
  uint32_t v = htonl(type);
  return dgcp_offset_allocate_data(buf, 4, DGCP_OFFSET_ALIGN_32, &v);
}

void arcp_util_media_offset_tables_init(arcp_util_media_offset_tables *tables) {
  memset(tables, 0, sizeof *tables);
  tables->labels.max = ARCP_UTIL_MEDIA_TABLE_MAX;
  tables->labels.node = tables->label_nodes;
}

namespace {

bool format_equal(const arcp_media_format_info &a, const arcp_media_format_info &b) {
  if (a.mtype != b.mtype) return false;
  switch (a.mtype) {
    case ARCP_MEDIA_TYPE__AUDIO:
      return a.audio.rate == b.audio.rate && a.audio.max == b.audio.max &&
             a.audio.count == b.audio.count &&
             std::equal(a.audio.encodings, a.audio.encodings + a.audio.count, b.audio.encodings) &&
             a.audio.native == b.audio.native && a.audio.pcm_native == b.audio.pcm_native &&
             a.audio.pcm_map == b.audio.pcm_map;
    case ARCP_MEDIA_TYPE__VIDEO:
      return a.video_subtype == b.video_subtype && a.video_codec_id == b.video_codec_id;
    case ARCP_MEDIA_TYPE__ANCIL:
      return a.ancil_type == b.ancil_type;
    default:
      return false;
  }
}

}  // namespace

dgcp_raw_offset_t arcp_util_media_write_media_format(dgcp_packet_buf *buf,
                                                     arcp_util_media_offset_tables *tables,
                                                     const arcp_media_format_info *format) {
  if (!buf || !format) {
    return 0;
  }
  if (tables) {
    for (unsigned i = 0; i < tables->n_formats && i < ARCP_UTIL_MEDIA_TABLE_MAX; i++) {
      if (format_equal(tables->formats[i].format, *format)) {
        return tables->formats[i].offset;
      }
    }
  }
  dgcp_raw_offset_t off = 0;
  switch (format->mtype) {
    case ARCP_MEDIA_TYPE__AUDIO:
      off = arcp_alloc_audio_format(buf, &format->audio);
      break;
    case ARCP_MEDIA_TYPE__VIDEO:
      off = arcp_alloc_video_format(buf, format->video_subtype, format->video_codec_id);
      break;
    case ARCP_MEDIA_TYPE__ANCIL:
      off = arcp_alloc_ancil_format(buf, format->ancil_type);
      break;
    default:
      return 0;
  }
  if (off && tables && tables->n_formats < ARCP_UTIL_MEDIA_TABLE_MAX) {
    tables->formats[tables->n_formats++] = {*format, off};
  }
  return off;
}

dgcp_raw_offset_t arcp_util_media_write_audio_format_set(dgcp_packet_buf *buf,
                                                         arcp_util_media_offset_tables *tables,
                                                         const arcp_channel_format_info *format) {
  if (!format) {
    return 0;
  }
  arcp_media_format_info f{};
  f.mtype = ARCP_MEDIA_TYPE__AUDIO;
  f.audio = *format;
  return arcp_util_media_write_media_format(buf, tables, &f);
}

dgcp_raw_offset_t arcp_util_media_write_audio_format(dgcp_packet_buf *buf,
                                                     arcp_util_media_offset_tables *tables,
                                                     uint32_t rate, uint16_t encoding) {
  arcp_channel_format_info a{};
  a.rate = rate;
  a.max = 1;
  a.count = encoding ? 1 : 0;
  a.encodings[0] = encoding;
  a.native = encoding;
  return arcp_util_media_write_audio_format_set(buf, tables, &a);
}

dgcp_raw_offset_t arcp_util_media_write_video_format(dgcp_packet_buf *buf,
                                                     arcp_util_media_offset_tables *tables,
                                                     uint32_t subtype, uint32_t codec_id) {
  arcp_media_format_info f{};
  f.mtype = ARCP_MEDIA_TYPE__VIDEO;
  f.video_subtype = subtype;
  f.video_codec_id = codec_id;
  return arcp_util_media_write_media_format(buf, tables, &f);
}

dgcp_raw_offset_t arcp_util_media_write_ancil_format(dgcp_packet_buf *buf,
                                                     arcp_util_media_offset_tables *tables,
                                                     uint32_t type) {
  arcp_media_format_info f{};
  f.mtype = ARCP_MEDIA_TYPE__ANCIL;
  f.ancil_type = type;
  return arcp_util_media_write_media_format(buf, tables, &f);
}

aud_error_t arcp_util_add_txflow_to_packet(dgcp_packet_buf *buf, const arcp_txflow_desc *flow,
                                           arcp_util_media_offset_tables *tables) {
  if (!buf || !flow || flow->n_intf > ARCP3_RAW_ADDR_MAXADDR ||
      flow->n_slots > ARCP_FLOW_MAX_SLOTS || (flow->n_slots && !flow->chan_ids)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  auto *msg = reinterpret_cast<dgcp_offset_array_msg *>(buf->packet);
  const uint16_t size = dgcp_size(dgcp_packet_buf_head(buf));
  const uint8_t count = msg->array._count;
  const unsigned n_tables = tables ? tables->n_formats : 0;
  const uint16_t n_labels = tables ? tables->labels.n : 0;
  auto undo = [&](aud_error_t r) {
    dgcp_set_size(dgcp_packet_buf_head(buf), size);
    msg->array._count = count;
    if (tables) {
      tables->n_formats = n_tables;
      tables->labels.n = n_labels;
    }
    return r;
  };
  dgcp_raw_offset_t *slot = dgcp_offset_array_msg_reserve_entry(buf);
  if (!slot) {
    return undo(AUD_ERR_NOMEMORY);
  }
  // 1. Name and format.
  dgcp_raw_offset_t label = 0, format = 0;
  if (flow->name && flow->name[0]) {
    label = tables ? dgcp_util_offset_table_write_label(buf, &tables->labels, flow->name)
                   : dgcp_store_string(buf, flow->name);
    if (!label) return undo(AUD_ERR_NOMEMORY);
  }
  if (flow->mtype == ARCP_MEDIA_TYPE__AUDIO && (flow->sample_rate || flow->encoding)) {
    format = arcp_util_media_write_audio_format(buf, tables, flow->sample_rate, flow->encoding);
    if (!format) return undo(AUD_ERR_NOMEMORY);
  }
  // 2. The chain.
  bool audio = flow->mtype == ARCP_MEDIA_TYPE__AUDIO;
  uint16_t map_bytes = static_cast<uint16_t>(flow->n_slots ? 6 + 2 * flow->n_slots : 8);
  dgcp_extensible_data_segments_alloc link1{}, link2{};
  link1.segments[0] = {sizeof(arcp_raw_resource), DGCP_OFFSET_ALIGN_32, 0};
  link1.segments[1] = {sizeof(arcp_raw_tx_flow_data), DGCP_OFFSET_ALIGN_16, 0};
  link1.segments[2] = {sizeof(arcp_raw_addr_data), DGCP_OFFSET_ALIGN_16, 0};
  link1.segments[3] = {map_bytes, DGCP_OFFSET_ALIGN_16, 0};
  if (audio) {
    link2.segments[0] = {sizeof(arcp_raw_tx_flow_audio_data), DGCP_OFFSET_ALIGN_16, 0};
    link1.next = &link2;
  }
  dgcp_extensible_data *heads[DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN] = {};
  dgcp_raw_offset_t chain = 0;
  aud_error_t r = dgcp_extensible_data_allocate_chain(buf, &link1, heads, &chain);
  if (r != AUD_SUCCESS) {
    return undo(AUD_ERR_NOMEMORY);
  }
  // The slot pointer stays valid: the buffer never moves.
  memcpy(slot, &chain, 2);
  auto *res = reinterpret_cast<uint8_t *>(heads[0]);
  dgcp_store16(res + 8, flow->media_id);
  dgcp_store16(res + 6, flow->mtype);
  dgcp_store32(res + 12, flow->flags);
  dgcp_store32(res + 16, flow->flags_valid);
  memcpy(res + 20, &label, 2);
  memcpy(res + 22, &format, 2);
  dgcp_store32(res + 24, flow->latency_ns);
  // 3. Addresses.
  auto *addr = reinterpret_cast<uint8_t *>(heads[2]);
  addr[2] = flow->n_intf;
  addr[3] = flow->active;
  for (unsigned i = 0; i < flow->n_intf; i++) {
    if (flow->addrs[i].addr_be == 0) continue;
    dgcp_raw_offset_t a =
        arcp_sockaddr_alloc_ipv4(buf, flow->addrs[i].addr_be, flow->addrs[i].port);
    if (!a) return undo(AUD_ERR_NOMEMORY);
    memcpy(addr + 4 + 2 * i, &a, 2);
  }
  // 4. Channel map.
  auto *map = reinterpret_cast<uint8_t *>(heads[3]);
  dgcp_store16(map + 2, flow->n_slots);
  for (unsigned i = 0; i < flow->n_slots; i++) {
    dgcp_store16(map + 4 + 2 * i, flow->chan_ids[i]);
  }
  // 5. Destination of a unicast flow.
  auto *data = reinterpret_cast<uint8_t *>(heads[1]);
  if (flow->dest_router && flow->dest_router[0]) {
    dgcp_raw_offset_t o = dgcp_store_string(buf, flow->dest_router);
    if (!o) return undo(AUD_ERR_NOMEMORY);
    memcpy(data + 4, &o, 2);
  }
  if (flow->dest_flow && flow->dest_flow[0]) {
    dgcp_raw_offset_t o = dgcp_store_string(buf, flow->dest_flow);
    if (!o) return undo(AUD_ERR_NOMEMORY);
    memcpy(data + 6, &o, 2);
  }
  dgcp_store32(data + 12, flow->session_id);
  // 6. Audio: frames per packet and class.
  if (audio) {
    dgcp_store16(reinterpret_cast<uint8_t *>(heads[4]) + 2, flow->fpp);
    dgcp_store16(data + 8, flow->aes67 ? ARCP_FLOW_CLASS_AES67_MCAST : ARCP_FLOW_CLASS_DELOS_ATP);
    if (flow->aes67 && (flow->aes67_info.fields & ARCP_AES67_FLOW_INFO_FIELDS_VALID)) {
      dgcp_raw_offset_t o = arcp_aes67_flow_info_write(buf, &flow->aes67_info);
      if (!o) return undo(AUD_ERR_NOMEMORY);
      memcpy(data + 10, &o, 2);
    }
  }
  return AUD_SUCCESS;
}
