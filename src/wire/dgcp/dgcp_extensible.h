// Extensible data: records that newer senders may lengthen, laid out as
// chains of segments. Each segment starts with a 2-byte head: _size (this
// segment's length in 16-bit words, head included) and _block (words from
// this segment to the end of its chain, 0 in the last segment). A reader
// takes only the fields that lie within _size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "wire/dgcp/dgcp.h"

#pragma pack(push, 1)
struct dgcp_extensible_data {
  uint8_t _size;
  uint8_t _block;
};
static_assert(sizeof(dgcp_extensible_data) == 2);

// A typed segment: the head, then type and subtype read together as seg_id.
struct dgcp_raw_typed_segment {
  dgcp_extensible_data head;
  uint16_t seg_id;
};
static_assert(sizeof(dgcp_raw_typed_segment) == 4);
#pragma pack(pop)

// Limits of segments and chains.
constexpr uint16_t DGCP_EXTENSIBLE_DATA_MIN_SEGMENT_BYTES = 2;
constexpr uint16_t DGCP_EXTENSIBLE_DATA_MAX_SEGMENT_BYTES = 510;
constexpr uint16_t DGCP_EXTENSIBLE_DATA_MAX_CHAIN_BYTES = 510;
constexpr unsigned DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN = 16;
constexpr unsigned DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_LINK = 4;

// One segment of a chain to allocate; size 0 ends a link.
struct dgcp_extensible_data_segment_alloc {
  uint16_t size;
  dgcp_offset_align_t align;
  uint16_t segtype;
};
// A link of up to four segments, and the next link (or null).
struct dgcp_extensible_data_segments_alloc {
  dgcp_extensible_data_segment_alloc segments[DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_LINK];
  const dgcp_extensible_data_segments_alloc *next;
};

// Size in bytes and type identifier of one segment.
struct dgcp_extensible_data_seg_info {
  uint16_t size;
  uint16_t seg_id;
};

// Resolves an extensible record: the head (at least 2 bytes) must resolve;
// _size * 2 must reach min_size; and the record's extent (the larger of
// _block and _size words) must end within the packet. Else null.
const dgcp_extensible_data *dgcp_extensible_data_resolve(const dgcp_head *packet,
                                                         dgcp_raw_offset_t offset, uint16_t lower,
                                                         dgcp_offset_align_t align,
                                                         uint16_t min_size);
// The extensible record named by slot index of an offset array, or null for
// an index beyond _count, an empty slot or a record that does not resolve.
const dgcp_extensible_data *dgcp_offset_array_resolve_extensible_element(const dgcp_head *packet,
                                                                         const dgcp_array *array,
                                                                         unsigned index,
                                                                         dgcp_offset_align_t align,
                                                                         uint16_t min_size);
// The following segment of a chain, or null. The walk never leaves the
// first segment's _block, so a chain that resolved stays inside its packet.
const dgcp_extensible_data *dgcp_extensible_data_next_segment(const dgcp_extensible_data *segment);
// Collects up to max segments from head on into out; returns how many.
unsigned dgcp_extensible_data_get_segments(const dgcp_extensible_data *head,
                                           const dgcp_extensible_data **out, unsigned max);
// Size in bytes and type identifier (host order) of a segment;
// AUD_ERR_INVALIDDATA (info untouched) for one shorter than 2 words.
aud_error_t dgcp_extensible_data__get_seg_info(const dgcp_extensible_data *segment,
                                               dgcp_extensible_data_seg_info *info);
// True when the record's _size reaches past byte offset end_byte (the field
// occupying the bytes before end_byte is present).
inline bool dgcp_extensible_data_has(const dgcp_extensible_data *ed, unsigned end_byte) {
  return ed->_size * 2u >= end_byte;
}

// Carves a sub-segment of size bytes out of a parent's block (see contract in
// the source); AUD_ERR_INVALIDPARAMETER, AUD_ERR_INVALIDDATA or AUD_ERR_NOMEMORY.
aud_error_t dgcp_extensible_data_init_sub_segment(dgcp_extensible_data *segment,
                                                  const dgcp_extensible_data *parent,
                                                  uint16_t size);
// Get or create: with *inout_offset set, the record there when its _size
// covers bytes (else null); with 0, appends a zeroed record of bytes with
// _size = bytes / 2, stores its offset and returns it.
dgcp_extensible_data *dgcp_extensible_data_allocate_get(dgcp_packet_buf *buf, uint16_t bytes,
                                                        uint16_t lower, dgcp_offset_align_t align,
                                                        dgcp_raw_offset_t *inout_offset);
// Builds a chain from the description. out_heads (when given) receives one
// pointer per segment and must hold DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN.
// AUD_ERR_MSGSIZE for more than 16 segments, AUD_ERR_INVALIDPARAMETER for
// none, a chain above 510 bytes or a typed segment below 2 bytes,
// AUD_ERR_NOMEMORY when the packet is full; out-parameters untouched then.
aud_error_t dgcp_extensible_data_allocate_chain(dgcp_packet_buf *buf,
                                                const dgcp_extensible_data_segments_alloc *desc,
                                                dgcp_extensible_data **out_heads,
                                                dgcp_raw_offset_t *out_offset);
// count equal segments of seg_size bytes laid end to end; raw offset or 0.
dgcp_raw_offset_t dgcp_extensible_data_allocate_array(dgcp_packet_buf *buf, uint16_t seg_size,
                                                      uint16_t count, dgcp_offset_align_t align);
