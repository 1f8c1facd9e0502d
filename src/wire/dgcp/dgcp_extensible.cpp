// Extensible data records and chains.
#include "wire/dgcp/dgcp_extensible.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t round_up(uint32_t v, uint32_t a) { return (v + a - 1) & ~(a - 1); }

}  // namespace

const dgcp_extensible_data *dgcp_extensible_data_resolve(const dgcp_head *packet,
                                                         dgcp_raw_offset_t offset, uint16_t lower,
                                                         dgcp_offset_align_t align,
                                                         uint16_t min_size) {
  uint16_t avail = 0;
  auto *ed = static_cast<const dgcp_extensible_data *>(dgcp_offset_resolve_sized(
      packet, offset, lower, 0, align, sizeof(dgcp_extensible_data), &avail));
  if (!ed) {
    return nullptr;
  }
  // A segment is at least its own head.
  if (ed->_size == 0 || ed->_size * 2u < min_size) {
    return nullptr;
  }
  // Fields are read up to _size and later segments up to _block, so both
  // must end inside the packet, whichever is larger.
  unsigned extent = std::max(ed->_size, ed->_block) * 2u;
  if (extent > avail) {
    return nullptr;
  }
  return ed;
}

const dgcp_extensible_data *dgcp_offset_array_resolve_extensible_element(const dgcp_head *packet,
                                                                         const dgcp_array *array,
                                                                         unsigned index,
                                                                         dgcp_offset_align_t align,
                                                                         uint16_t min_size) {
  if (!packet || !array || index >= array->_count) {
    return nullptr;
  }
  if (!dgcp_packet_object_is_valid(packet, array, 2u + 2u * array->_count)) {
    return nullptr;
  }
  dgcp_raw_offset_t slot = dgcp_offset_array_slot(array, index);
  if (!slot) {
    return nullptr;
  }
  // Records live behind the slots; one that points back into the fixed part
  // or the slot list is not followed.
  auto end_of_slots = reinterpret_cast<const uint8_t *>(array) + 2 + 2 * array->_count -
                      reinterpret_cast<const uint8_t *>(packet);
  return dgcp_extensible_data_resolve(packet, slot, static_cast<uint16_t>(end_of_slots), align,
                                      min_size);
}

const dgcp_extensible_data *dgcp_extensible_data_next_segment(const dgcp_extensible_data *segment) {
  if (!segment) {
    return nullptr;
  }
  unsigned s = segment->_size;
  unsigned b = segment->_block;
  if (s == 0 || b < s + 1) {
    return nullptr;
  }
  auto *next = reinterpret_cast<const dgcp_extensible_data *>(
      reinterpret_cast<const uint8_t *>(segment) + s * 2);
  unsigned s2 = next->_size;
  if (s2 == 0 || b < s + s2) {
    return nullptr;
  }
  unsigned b2 = next->_block;
  if (b2 != 0 && (b2 < s2 || b < s + b2)) {
    return nullptr;
  }
  return next;
}

unsigned dgcp_extensible_data_get_segments(const dgcp_extensible_data *head,
                                           const dgcp_extensible_data **out, unsigned max) {
  unsigned n = 0;
  for (const dgcp_extensible_data *s = head; s && n < max;
       s = dgcp_extensible_data_next_segment(s)) {
    out[n++] = s;
  }
  return n;
}

aud_error_t dgcp_extensible_data__get_seg_info(const dgcp_extensible_data *segment,
                                               dgcp_extensible_data_seg_info *info) {
  if (!segment || !info) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (segment->_size < 2) {
    return AUD_ERR_INVALIDDATA;
  }
  uint16_t id;
  memcpy(&id, reinterpret_cast<const uint8_t *>(segment) + 2, 2);
  info->size = static_cast<uint16_t>(segment->_size * 2);
  info->seg_id = ntohs(id);
  return AUD_SUCCESS;
}

aud_error_t dgcp_extensible_data_init_sub_segment(dgcp_extensible_data *segment,
                                                  const dgcp_extensible_data *parent,
                                                  uint16_t size) {
  if (!segment || !parent || size < DGCP_EXTENSIBLE_DATA_MIN_SEGMENT_BYTES ||
      size > DGCP_EXTENSIBLE_DATA_MAX_SEGMENT_BYTES) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (parent->_block == 0) {
    return AUD_ERR_INVALIDDATA;
  }
  if (parent->_block < parent->_size + size / 2u) {
    return AUD_ERR_NOMEMORY;
  }
  segment->_size = static_cast<uint8_t>(size / 2);
  segment->_block = static_cast<uint8_t>(parent->_block - parent->_size);
  return AUD_SUCCESS;
}

dgcp_extensible_data *dgcp_extensible_data_allocate_get(dgcp_packet_buf *buf, uint16_t bytes,
                                                        uint16_t lower, dgcp_offset_align_t align,
                                                        dgcp_raw_offset_t *inout_offset) {
  if (!buf || !inout_offset || bytes < DGCP_EXTENSIBLE_DATA_MIN_SEGMENT_BYTES ||
      bytes > DGCP_EXTENSIBLE_DATA_MAX_SEGMENT_BYTES || (bytes & 1)) {
    return nullptr;
  }
  if (*inout_offset) {
    const dgcp_extensible_data *ed =
        dgcp_extensible_data_resolve(dgcp_packet_buf_head(buf), *inout_offset, lower, align, bytes);
    return const_cast<dgcp_extensible_data *>(ed);
  }
  void *p = nullptr;
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, bytes, align, &p);
  if (!off) {
    return nullptr;
  }
  memset(p, 0, bytes);
  auto *ed = static_cast<dgcp_extensible_data *>(p);
  ed->_size = static_cast<uint8_t>(bytes / 2);
  *inout_offset = off;
  return ed;
}

aud_error_t dgcp_extensible_data_allocate_chain(dgcp_packet_buf *buf,
                                                const dgcp_extensible_data_segments_alloc *desc,
                                                dgcp_extensible_data **out_heads,
                                                dgcp_raw_offset_t *out_offset) {
  if (!buf || !desc || !out_offset) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  const dgcp_extensible_data_segment_alloc *segs[DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN];
  unsigned n = 0;
  // The link count is bounded too, so a description whose links form a loop
  // still ends.
  unsigned links = 0;
  for (const dgcp_extensible_data_segments_alloc *link = desc; link; link = link->next) {
    if (++links > DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN + 1) {
      return AUD_ERR_MSGSIZE;
    }
    for (unsigned i = 0; i < DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_LINK; i++) {
      if (link->segments[i].size == 0) {
        break;
      }
      if (n == DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN) {
        return AUD_ERR_MSGSIZE;
      }
      segs[n++] = &link->segments[i];
    }
  }
  if (n == 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  uint32_t ends[DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN];
  uint32_t total = 0;
  dgcp_offset_align_t strictest = DGCP_OFFSET_ALIGN_WORD;
  for (unsigned i = 0; i < n; i++) {
    const dgcp_extensible_data_segment_alloc &s = *segs[i];
    // A segment is counted in whole words; a typed one needs room for its
    // identifier behind the head.
    if ((s.size & 1) || s.align > DGCP_OFFSET_ALIGN_64 ||
        (s.segtype != 0 && s.size < sizeof(dgcp_raw_typed_segment))) {
      return AUD_ERR_INVALIDPARAMETER;
    }
    total = round_up(total, 1u << s.align) + s.size;
    if (total > DGCP_EXTENSIBLE_DATA_MAX_CHAIN_BYTES) {
      return AUD_ERR_INVALIDPARAMETER;
    }
    ends[i] = total;
    strictest = std::max(strictest, s.align);
  }
  void *p = nullptr;
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, static_cast<uint16_t>(total), strictest, &p);
  if (!off) {
    return AUD_ERR_NOMEMORY;
  }
  memset(p, 0, total);
  auto *base = static_cast<uint8_t *>(p);
  uint32_t start = 0;
  for (unsigned i = 0; i < n; i++) {
    // Each head sits where the previous segment ended, so that walking by
    // _size reaches it; any alignment padding is counted into this segment.
    auto *head = reinterpret_cast<dgcp_extensible_data *>(base + start);
    head->_size = static_cast<uint8_t>((ends[i] - start) / 2);
    head->_block = (i + 1 < n) ? static_cast<uint8_t>((total - start) / 2) : 0;
    if (segs[i]->segtype) {
      uint16_t id = htons(segs[i]->segtype);
      memcpy(base + start + 2, &id, 2);
    }
    if (out_heads) {
      out_heads[i] = head;
    }
    start = ends[i];
  }
  *out_offset = off;
  return AUD_SUCCESS;
}

dgcp_raw_offset_t dgcp_extensible_data_allocate_array(dgcp_packet_buf *buf, uint16_t seg_size,
                                                      uint16_t count, dgcp_offset_align_t align) {
  uint32_t total = uint32_t{seg_size} * count;
  if (!buf || count == 0 || seg_size < DGCP_EXTENSIBLE_DATA_MIN_SEGMENT_BYTES || (seg_size & 1) ||
      total > DGCP_EXTENSIBLE_DATA_MAX_CHAIN_BYTES) {
    return 0;
  }
  void *p = nullptr;
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, static_cast<uint16_t>(total), align, &p);
  if (!off) {
    return 0;
  }
  memset(p, 0, total);
  auto *base = static_cast<uint8_t *>(p);
  for (uint32_t at = 0; at + seg_size <= total; at += seg_size) {
    auto *head = reinterpret_cast<dgcp_extensible_data *>(base + at);
    head->_size = static_cast<uint8_t>(seg_size / 2);
    head->_block = static_cast<uint8_t>((total - at) / 2);
  }
  return off;
}
