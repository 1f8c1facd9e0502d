#include "conmon/messages/conmon_aurelian_id_set.h"

#include "conmon/messages/conmon_bytes.h"

namespace {
typedef conmon_aurelian_id_set_msg_media_t ext_t;
typedef conmon_aurelian_id_set_media_record_t rec_t;
}  // namespace

aud_error_t conmon_aurelian_id_set__get_media_only(const uint8_t *body, size_t len,
                                                   conmon_aurelian_id_set_media_read_t *media) {
  if (!media) return AUD_ERR_INVALIDPARAMETER;
  if (!body || len < CONMON_AURELIAN_ID_SET_BITMAP_OFFSET) return AUD_ERR_INVALIDDATA;
  size_t count = conmon_load_be16(body + CONMON_AURELIAN_ID_SET_COUNT_OFFSET);
  if (len < CONMON_AURELIAN_ID_SET_BITMAP_OFFSET + count) return AUD_ERR_INVALIDDATA;
  // The extension starts at the first multiple of 4 at or after the bitmap's end.
  size_t ext = (count + 13) & ~static_cast<size_t>(3);
  if (ext + 4 >= len) return AUD_ERR_DONE;
  uint32_t field_flags = conmon_load_be32(body + ext + offsetof(ext_t, field_flags));
  if (field_flags == 0) return AUD_ERR_DONE;
  if (!conmon_span_fits(len, ext, sizeof(ext_t))) return AUD_ERR_INVALIDDATA;
  if (!(field_flags & CONMON_AURELIAN_ID_SET_MSG_EXT1__FIELD_FLAG_MEDIA_RECORDS)) {
    return AUD_ERR_DONE;
  }
  uint16_t num = conmon_load_be16(body + ext + offsetof(ext_t, num_media_records));
  uint16_t array = conmon_load_be16(body + ext + offsetof(ext_t, media_records));
  if (array == 0) return AUD_ERR_NOTFOUND;
  if (!conmon_span_fits(len, array, 2 * static_cast<size_t>(num))) return AUD_ERR_TRUNCATED;
  media->body = body;
  media->len = len;
  media->count = static_cast<uint16_t>(count);
  media->has_extension = AUD_TRUE;
  media->num_media_records = num;
  media->media_records = array;
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_id_set__get_media(const uint8_t *body, size_t len,
                                              conmon_aurelian_id_set_media_read_t *media) {
  aud_error_t err = conmon_aurelian_id_set__get_media_only(body, len, media);
  if (err != AUD_ERR_DONE) return err;
  media->body = body;
  media->len = len;
  media->count = conmon_load_be16(body + CONMON_AURELIAN_ID_SET_COUNT_OFFSET);
  media->has_extension = AUD_FALSE;
  media->num_media_records = 1;
  media->media_records = 0;
  return AUD_SUCCESS;
}

uint16_t conmon_aurelian_id_set__num_media_records(
    const conmon_aurelian_id_set_media_read_t *media) {
  return media ? media->num_media_records : 0;
}

aud_error_t conmon_aurelian_id_set__media_record_at(
    const conmon_aurelian_id_set_media_read_t *media, uint16_t index,
    conmon_aurelian_id_set_media_record_read_t *record) {
  if (!media || !record || !media->body || index >= media->num_media_records) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  const uint8_t *body = media->body;
  size_t len = media->len;
  if (!media->has_extension) {
    record->flags = 0;
    record->media_type = DELOS_MEDIA__AUDIO;
    record->first_byte = 0;
    record->num_bytes = media->count;
    record->bytes = media->count ? body + CONMON_AURELIAN_ID_SET_BITMAP_OFFSET : nullptr;
    return AUD_SUCCESS;
  }
  size_t slot = media->media_records + 2 * static_cast<size_t>(index);
  if (!conmon_span_fits(len, slot, 2)) return AUD_ERR_TRUNCATED;
  size_t off = conmon_load_be16(body + slot);
  if (off == 0) return AUD_ERR_NODATA;
  if (!conmon_span_fits(len, off, sizeof(rec_t))) return AUD_ERR_TRUNCATED;
  if (off % 2 != 0) return AUD_ERR_INVALIDDATA;
  const uint8_t *r = body + off;
  if (r[offsetof(rec_t, rlen)] < sizeof(rec_t)) return AUD_ERR_INVALIDDATA;
  conmon_aurelian_id_set_media_record_read_t out;
  out.flags = conmon_load_be16(r + offsetof(rec_t, flags));
  out.media_type = conmon_load_be16(r + offsetof(rec_t, media_type));
  out.first_byte = conmon_load_be16(r + offsetof(rec_t, first_byte));
  out.num_bytes = conmon_load_be16(r + offsetof(rec_t, num_bytes));
  size_t bytes = conmon_load_be16(r + offsetof(rec_t, bytes));
  out.bytes = nullptr;
  if (bytes != 0) {
    if (!conmon_span_fits(len, bytes, out.num_bytes)) return AUD_ERR_TRUNCATED;
    out.bytes = body + bytes;
  }
  *record = out;
  return AUD_SUCCESS;
}

uint16_t conmon_aurelian_id_set_media_record__media_type(
    const conmon_aurelian_id_set_media_record_read_t *record) {
  if (!record) return 0;
  uint16_t t = record->media_type;
  return (t == DELOS_MEDIA__AUDIO || t == DELOS_MEDIA__VIDEO || t == DELOS_MEDIA__ANCIL) ? t : 0;
}

uint32_t conmon_aurelian_id_set_media_record__num_elements(
    const conmon_aurelian_id_set_media_record_read_t *record) {
  return record ? static_cast<uint32_t>(record->first_byte) + record->num_bytes : 0;
}

uint8_t conmon_aurelian_id_set_media_record__element_at_index(
    const conmon_aurelian_id_set_media_record_read_t *record, uint32_t k) {
  if (!record || k < record->first_byte ||
      k >= static_cast<uint32_t>(record->first_byte) + record->num_bytes) {
    return 0;
  }
  if (record->flags & CONMON_AURELIAN_ID_SET_MSG_MEDIA_RECORD__ALL_SET) return 0xFF;
  return record->bytes ? record->bytes[k - record->first_byte] : 0;
}
