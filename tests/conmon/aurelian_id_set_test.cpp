// Identifier sets written out by hand: plain bitmaps and media records.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "conmon/messages/conmon_aurelian_id_set.h"
#include "conmon_test_bytes.h"

namespace {

// The identifiers a record names, from its bitmap.
std::vector<unsigned> ids_of(const conmon_aurelian_id_set_media_record_read_t &r) {
  std::vector<unsigned> ids;
  for (uint32_t k = 0; k < conmon_aurelian_id_set_media_record__num_elements(&r); k++) {
    uint8_t byte = conmon_aurelian_id_set_media_record__element_at_index(&r, k);
    for (unsigned b = 0; b < 8; b++) {
      if (byte & (1u << b)) ids.push_back(8 * k + b + 1);
    }
  }
  return ids;
}

TEST(AurelianIdSet, PlainBitmapIsOneAudioRecord) {
  bytes_t b = {0x07, 0x34, 0x01, 0x02, ZERO4, BE16(2), 0x05, 0x80};
  conmon_aurelian_id_set_media_read_t media;
  ASSERT_EQ(AUD_ERR_DONE, conmon_aurelian_id_set__get_media_only(b.data(), b.size(), &media));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_id_set__get_media(b.data(), b.size(), &media));
  ASSERT_EQ(1, conmon_aurelian_id_set__num_media_records(&media));
  conmon_aurelian_id_set_media_record_read_t r;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_id_set__media_record_at(&media, 0, &r));
  EXPECT_EQ(DELOS_MEDIA__AUDIO, conmon_aurelian_id_set_media_record__media_type(&r));
  EXPECT_EQ(2u, conmon_aurelian_id_set_media_record__num_elements(&r));
  EXPECT_EQ((std::vector<unsigned>{1, 3, 16}), ids_of(r));
}

// Bitmap of one byte (zero), media extension at 12, record offset array at 20, one
// record at 22 whose two bitmap bytes at 36 set bits 0 and 9.
bytes_t media_set(uint16_t record_flags, uint16_t media_type) {
  return {0x07,
          0x34,
          0x01,
          0x02,
          ZERO4,
          BE16(1),
          0x00,
          0x00,
          BE32(1u),
          BE16(1),
          BE16(20),
          BE16(22),
          14,
          0,
          BE16(record_flags),
          BE16(0),
          BE16(media_type),
          BE16(0),
          BE16(2),
          BE16(36),
          0x01,
          0x02};
}

TEST(AurelianIdSet, MediaRecordBitmapNamesChannelsZeroAndNine) {
  bytes_t b = media_set(0, DELOS_MEDIA__AUDIO);
  conmon_aurelian_id_set_media_read_t media;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_id_set__get_media(b.data(), b.size(), &media));
  ASSERT_EQ(1, conmon_aurelian_id_set__num_media_records(&media));
  conmon_aurelian_id_set_media_record_read_t r;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_id_set__media_record_at(&media, 0, &r));
  EXPECT_EQ(DELOS_MEDIA__AUDIO, conmon_aurelian_id_set_media_record__media_type(&r));
  EXPECT_EQ(0x01, conmon_aurelian_id_set_media_record__element_at_index(&r, 0));
  EXPECT_EQ(0x02, conmon_aurelian_id_set_media_record__element_at_index(&r, 1));
  // Bits 0 and 9 stand for the 1-based identifiers 1 and 10.
  EXPECT_EQ((std::vector<unsigned>{1, 10}), ids_of(r));
}

TEST(AurelianIdSet, AllSetRecordReadsFFInsideItsRangeOnly) {
  bytes_t b = media_set(CONMON_AURELIAN_ID_SET_MSG_MEDIA_RECORD__ALL_SET, DELOS_MEDIA__VIDEO);
  b[30] = 0;
  b[31] = 3;  // first_byte 3
  conmon_aurelian_id_set_media_read_t media;
  conmon_aurelian_id_set_media_record_read_t r;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_id_set__get_media(b.data(), b.size(), &media));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_id_set__media_record_at(&media, 0, &r));
  EXPECT_EQ(DELOS_MEDIA__VIDEO, conmon_aurelian_id_set_media_record__media_type(&r));
  EXPECT_EQ(0, conmon_aurelian_id_set_media_record__element_at_index(&r, 2));
  EXPECT_EQ(0xFF, conmon_aurelian_id_set_media_record__element_at_index(&r, 3));
  EXPECT_EQ(0xFF, conmon_aurelian_id_set_media_record__element_at_index(&r, 4));
  EXPECT_EQ(0, conmon_aurelian_id_set_media_record__element_at_index(&r, 5));
}

TEST(AurelianIdSet, UnknownMediaTypeReadsAsZero) {
  bytes_t b = media_set(0, 9);
  conmon_aurelian_id_set_media_read_t media;
  conmon_aurelian_id_set_media_record_read_t r;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_id_set__get_media(b.data(), b.size(), &media));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_id_set__media_record_at(&media, 0, &r));
  EXPECT_EQ(0, conmon_aurelian_id_set_media_record__media_type(&r));
}

struct id_set_case {
  const char *name;
  bytes_t body;
  bool at_record;  // the fault shows when the record is read, not the set
  aud_error_t expected;
};

bytes_t with(bytes_t b, size_t at, bytes_t v) {
  std::copy(v.begin(), v.end(), b.begin() + at);
  return b;
}
bytes_t cut(bytes_t b, size_t n) {
  b.resize(n);
  return b;
}

TEST(AurelianIdSet, BrokenSetsAreRejectedWithTheirResult) {
  const id_set_case cases[] = {
      {"body shorter than 10", {0x07, 0x34, 0x01, 0x02, ZERO4, 0x00}, false, AUD_ERR_INVALIDDATA},
      {"bitmap past the end",
       {0x07, 0x34, 0x01, 0x02, ZERO4, BE16(5), 0x01},
       false,
       AUD_ERR_INVALIDDATA},
      {"extension cut after its flags", cut(media_set(0, 3), 18), false, AUD_ERR_INVALIDDATA},
      {"record array offset zero", with(media_set(0, 3), 18, {BE16(0)}), false, AUD_ERR_NOTFOUND},
      {"record array past the end", with(media_set(0, 3), 16, {BE16(40)}), false,
       AUD_ERR_TRUNCATED},
      {"record offset zero", with(media_set(0, 3), 20, {BE16(0)}), true, AUD_ERR_NODATA},
      {"record past the end", with(media_set(0, 3), 20, {BE16(30)}), true, AUD_ERR_TRUNCATED},
      {"record on an odd offset", with(media_set(0, 3), 20, {BE16(21)}), true, AUD_ERR_INVALIDDATA},
      {"record length below 14", with(media_set(0, 3), 22, {13}), true, AUD_ERR_INVALIDDATA},
      {"record bitmap past the end", with(media_set(0, 3), 32, {BE16(9)}), true, AUD_ERR_TRUNCATED},
  };
  for (const id_set_case &c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<uint8_t[]> copy(new uint8_t[c.body.size()]);
    std::memcpy(copy.get(), c.body.data(), c.body.size());
    conmon_aurelian_id_set_media_read_t media;
    aud_error_t err = conmon_aurelian_id_set__get_media(copy.get(), c.body.size(), &media);
    if (c.at_record) {
      ASSERT_EQ(AUD_SUCCESS, err);
      conmon_aurelian_id_set_media_record_read_t r;
      err = conmon_aurelian_id_set__media_record_at(&media, 0, &r);
    }
    EXPECT_EQ(c.expected, err);
  }
}

TEST(AurelianIdSet, RecordIndexPastTheCountIsAnInvalidParameter) {
  bytes_t b = media_set(0, 3);
  conmon_aurelian_id_set_media_read_t media;
  conmon_aurelian_id_set_media_record_read_t r;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_id_set__get_media(b.data(), b.size(), &media));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, conmon_aurelian_id_set__media_record_at(&media, 1, &r));
}

}  // namespace
