// Reader of identifier sets: the bodies of the channel and flow change notifications.
// A set is a bitmap of changed 1-based identifiers, optionally followed by a media
// extension listing one record per media type. Nothing outside the body is read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conmon/messages/conmon_aurelian_message.h"

#define CONMON_AURELIAN_ID_SET_MSG_EXT1__FIELD_FLAG_MEDIA_RECORDS 0x00000001u
#define CONMON_AURELIAN_ID_SET_MSG_MEDIA_RECORD__ALL_SET 0x0001u
// Where the bitmap's byte count sits and where the bitmap starts.
#define CONMON_AURELIAN_ID_SET_COUNT_OFFSET 8
#define CONMON_AURELIAN_ID_SET_BITMAP_OFFSET 10

enum : uint16_t {
  DELOS_MEDIA__AUDIO = 3,
  DELOS_MEDIA__VIDEO = 4,
  DELOS_MEDIA__ANCIL = 5,
};

struct __attribute__((packed)) conmon_aurelian_id_set_msg_media {
  uint32_t field_flags;
  uint16_t num_media_records;
  uint16_t media_records;  // offset of num_media_records 16-bit record offsets
};
typedef conmon_aurelian_id_set_msg_media conmon_aurelian_id_set_msg_media_t;
static_assert(sizeof(conmon_aurelian_id_set_msg_media_t) == 8);

struct __attribute__((packed)) conmon_aurelian_id_set_media_record {
  uint8_t rlen;
  uint8_t pad;
  uint16_t flags;
  uint16_t valid_flags;
  uint16_t media_type;
  uint16_t first_byte;
  uint16_t num_bytes;
  uint16_t bytes;  // offset of num_bytes bitmap bytes, 0 for none
};
typedef conmon_aurelian_id_set_media_record conmon_aurelian_id_set_media_record_t;
static_assert(sizeof(conmon_aurelian_id_set_media_record_t) == 14);
static_assert(offsetof(conmon_aurelian_id_set_media_record_t, media_type) == 6);
static_assert(offsetof(conmon_aurelian_id_set_media_record_t, bytes) == 12);

// What was found in a body: a view into it, valid while the body is.
struct conmon_aurelian_id_set_media_read {
  const uint8_t *body;
  size_t len;
  uint16_t count;            // bytes of the plain bitmap
  aud_bool_t has_extension;  // false: one audio record made of the plain bitmap
  uint16_t num_media_records;
  uint16_t media_records;  // offset of the record offset array
};
typedef conmon_aurelian_id_set_media_read conmon_aurelian_id_set_media_read_t;

struct conmon_aurelian_id_set_media_record_read {
  uint16_t flags;
  uint16_t media_type;
  uint16_t first_byte;
  uint16_t num_bytes;
  const uint8_t *bytes;  // num_bytes bitmap bytes inside the body, or null
};
typedef conmon_aurelian_id_set_media_record_read conmon_aurelian_id_set_media_record_read_t;

// Finds the media extension alone. AUD_ERR_INVALIDDATA for a body shorter than 10 or
// than its bitmap, or an extension cut short; AUD_ERR_DONE when there is no extension
// or it lists no media records; AUD_ERR_NOTFOUND for a zero record-array offset;
// AUD_ERR_TRUNCATED for an array beyond the body. *media is written only on success.
aud_error_t conmon_aurelian_id_set__get_media_only(const uint8_t *body, size_t len,
                                                   conmon_aurelian_id_set_media_read_t *media);
// As above, but a set without an extension succeeds with one audio record: the plain
// bitmap at offset 10.
aud_error_t conmon_aurelian_id_set__get_media(const uint8_t *body, size_t len,
                                              conmon_aurelian_id_set_media_read_t *media);
uint16_t conmon_aurelian_id_set__num_media_records(
    const conmon_aurelian_id_set_media_read_t *media);
// AUD_ERR_INVALIDPARAMETER for index at or past the count, AUD_ERR_NODATA for a zero
// record offset, AUD_ERR_TRUNCATED for a record or bitmap beyond the body,
// AUD_ERR_INVALIDDATA for a record off a 2-byte boundary or with rlen below 14.
// *record is written only on success.
aud_error_t conmon_aurelian_id_set__media_record_at(
    const conmon_aurelian_id_set_media_read_t *media, uint16_t index,
    conmon_aurelian_id_set_media_record_read_t *record);
// 3, 4 or 5; any other type reads as 0.
uint16_t conmon_aurelian_id_set_media_record__media_type(
    const conmon_aurelian_id_set_media_record_read_t *record);
// first_byte + num_bytes: the bitmap bytes the record describes.
uint32_t conmon_aurelian_id_set_media_record__num_elements(
    const conmon_aurelian_id_set_media_record_read_t *record);
// Bitmap byte k: 0 outside the record's range, 0xFF with ALL_SET, else the byte sent
// (0 when the record has no bitmap). Bit b of byte k stands for identifier 8k + b + 1.
uint8_t conmon_aurelian_id_set_media_record__element_at_index(
    const conmon_aurelian_id_set_media_record_read_t *record, uint32_t k);
