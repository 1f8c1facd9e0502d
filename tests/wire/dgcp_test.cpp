// Control packet layer against hand-written bytes.
#include "wire/dgcp/dgcp.h"

#include <gtest/gtest.h>

#include "wire/dgcp/dgcp_extensible.h"
#include "wire/wire_test_util.h"

using wire_test::be16;
using wire_test::bytes_of;
using wire_test::log_capture;
using wire_test::packet;

namespace {

struct builder {
  dgcp_packet_buf buf{};
  builder(uint16_t opcode = 0x1234) {
    memset(buf.packet, 0xEE, sizeof buf.packet);  // makes missing zero-fills visible
    dgcp_init(dgcp_packet_buf_head(&buf), 0x2809, 7, opcode);
  }
  uint16_t size() { return dgcp_size(dgcp_packet_buf_head(&buf)); }
  const dgcp_head *head() { return dgcp_packet_buf_head(&buf); }
};

}  // namespace

TEST(DgcpHeader, InitWritesVersionSizeSequenceOpcodeAndZeroStatus) {
  builder b(0x3000);
  std::vector<uint8_t> want = {0x28, 0x09, 0x00, 0x0A, 0x00, 0x07, 0x30, 0x00, 0x00, 0x00};
  EXPECT_EQ(want, bytes_of(b.buf));
}

TEST(DgcpHeader, VerifySizeAcceptsOnlyDatagramsHoldingTheDeclaredSize) {
  struct row {
    uint16_t declared;
    size_t received;
    uint16_t want;
  };
  const row rows[] = {
      {10, 10, 10}, {12, 20, 12}, {20, 19, 0},        {10, 9, 0},
      {4, 12, 0},   {0, 12, 0},   {1400, 1400, 1400},
  };
  for (const row &r : rows) {
    std::vector<uint8_t> v = wire_test::head(0x2809, 1, 0, 1);
    v[2] = static_cast<uint8_t>(r.declared >> 8);
    v[3] = static_cast<uint8_t>(r.declared);
    packet p(v);
    EXPECT_EQ(r.want, dgcp_verify_size(p.head(), r.received)) << r.declared << " in " << r.received;
  }
}

TEST(DgcpGrow, WritersFailWithoutChangeWhenTheBufferIsFull) {
  builder b;
  b.buf.bufsize = 20;
  EXPECT_EQ(0, dgcp_increment_size(&b.buf, 11));
  EXPECT_EQ(10, b.size());
  EXPECT_EQ(20, dgcp_increment_size(&b.buf, 10));
  EXPECT_EQ(0, dgcp_store_string(&b.buf, ""));
  EXPECT_EQ(20, b.size());
  EXPECT_EQ(10, dgcp_set_msg_size(&b.buf, 0));
}

TEST(DgcpPlace, StoreStringOfEmptyTextStoresOneNul) {
  builder b;
  EXPECT_EQ(htons(10), dgcp_store_string(&b.buf, ""));
  EXPECT_EQ(11, b.size());
  EXPECT_EQ(0, b.buf.packet[10]);
}

TEST(DgcpPlace, AllocateStringOfEmptyTextPlacesNothing) {
  builder b;
  EXPECT_EQ(0, dgcp_offset_allocate_string(&b.buf, ""));
  EXPECT_EQ(0, dgcp_store_string(&b.buf, nullptr));
  EXPECT_EQ(10, b.size());
}

TEST(DgcpPlace, FourByteAlignedAllocationAtSize13StartsAt16) {
  builder b;
  dgcp_set_msg_size(&b.buf, 13);
  void *p = nullptr;
  EXPECT_EQ(htons(16), dgcp_offset_allocate(&b.buf, 4, DGCP_OFFSET_ALIGN_32, &p));
  EXPECT_EQ(b.buf.packet + 16, p);
  EXPECT_EQ(20, b.size());
}

TEST(DgcpPlace, ArrayAllocateWritesHeadPaddedToItsAlignment) {
  builder b;
  dgcp_set_msg_size(&b.buf, 11);
  dgcp_raw_offset_t off = 0;
  dgcp_array *a = dgcp_array_allocate(&b.buf, 2, 3, DGCP_OFFSET_ALIGN_32, &off);
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(htons(12), off);
  // 4-byte head (max 2, count 0, two pad bytes) and two 4-byte elements.
  std::vector<uint8_t> want = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> got(b.buf.packet + 12, b.buf.packet + 24);
  EXPECT_EQ(want, got);
  EXPECT_EQ(24, b.size());
  EXPECT_EQ(nullptr, dgcp_array_allocate(&b.buf, 0, 2, DGCP_OFFSET_ALIGN_16, &off));
}

TEST(DgcpPlace, OffsetArrayRefusesAnElementBeyondItsMax) {
  builder b;
  dgcp_array *a = dgcp_array_allocate(&b.buf, 1, 2, DGCP_OFFSET_ALIGN_16, nullptr);
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(1, dgcp_offset_array_add_element(a, htons(40)));
  EXPECT_EQ(0, dgcp_offset_array_add_element(a, htons(42)));
  EXPECT_EQ(0, dgcp_offset_array_allocate_element(&b.buf, a, 4, DGCP_OFFSET_ALIGN_16, nullptr));
}

TEST(DgcpArrayMsg, PlainEntriesFollowTheCountByte) {
  builder b;
  dgcp_array_msg_init(&b.buf);
  dgcp_props_query_alloc(&b.buf, 0x0201);
  dgcp_props_query_alloc(&b.buf, 0x8204);
  std::vector<uint8_t> want = wire_test::head(0x2809, 7, 0x1234, 0);
  want.insert(want.end(), {0, 2, 0x02, 0x01, 0x82, 0x04});
  EXPECT_EQ(wire_test::fix_size(want), bytes_of(b.buf));
}

TEST(DgcpArrayMsg, BufferFormReservesEntriesAndPutsDataBehindThem) {
  builder b;
  ASSERT_EQ(20, dgcp_array_msg_buffer_init(&b.buf, 2, 4));
  dgcp_props_alloc(&b.buf, htons(0x0210), htons(16));
  dgcp_property *p = dgcp_props_alloc(&b.buf, htons(0x8204), 0);
  void *value = nullptr;
  p->_value = dgcp_offset_allocate(&b.buf, 4, DGCP_OFFSET_ALIGN_32, &value);
  uint32_t v = htonl(1000000);
  memcpy(value, &v, 4);
  EXPECT_EQ(nullptr, dgcp_props_alloc(&b.buf, htons(1), htons(1)));
  std::vector<uint8_t> want = wire_test::head(0x2809, 7, 0x1234, 0);
  want.insert(want.end(),
              {2, 2, 0x02, 0x10, 0x00, 0x10, 0x82, 0x04, 0x00, 0x14, 0x00, 0x0F, 0x42, 0x40});
  EXPECT_EQ(wire_test::fix_size(want), bytes_of(b.buf));
}

TEST(DgcpArrayMsg, PropsByKeyFindsTheFirstMatch) {
  std::vector<uint8_t> v = wire_test::head(0x2809, 7, 0x1100, 1);
  v.insert(v.end(), {0, 3, 0x02, 0x10, 0, 16, 0x03, 0x10, 0, 32, 0x02, 0x10, 0, 48});
  packet p(wire_test::fix_size(v));
  const dgcp_property *prop = dgcp_props_by_key(p.head(), 0x0210);
  ASSERT_NE(nullptr, prop);
  EXPECT_EQ(16, dgcp_prop_valint(prop));
  EXPECT_EQ(nullptr, dgcp_props_by_key(p.head(), 0x0311));
}

TEST(DgcpArrayMsg, EntriesClaimedBeyondTheSizeAreNotReturned) {
  std::vector<uint8_t> v = wire_test::head(0x2809, 7, 0x1100, 1);
  v.insert(v.end(), {0, 200, 0x02, 0x10, 0, 16});
  packet p(wire_test::fix_size(v));
  EXPECT_NE(nullptr, dgcp_array_msg_entry_at_index(p.head(), 0, 4));
  EXPECT_EQ(nullptr, dgcp_array_msg_entry_at_index(p.head(), 1, 4));
  EXPECT_EQ(nullptr, dgcp_props_by_key(p.head(), 0x9999));
}

TEST(DgcpArrayMsg, OffsetArrayMessageInitWritesLongHeadAndEmptySlots) {
  builder b;
  ASSERT_EQ(22, dgcp_offset_array_msg_init(&b.buf, 2));
  void *rec = dgcp_offset_array_msg_alloc_entry_ed(&b.buf, 6, DGCP_OFFSET_ALIGN_32);
  ASSERT_NE(nullptr, rec);
  std::vector<uint8_t> want = wire_test::head(0x2809, 7, 0x1234, 0);
  want.insert(want.end(), {0, 0, 0, 0, 0, 0, 2, 1, 0, 24, 0, 0, 0, 0, 3, 3, 0, 0, 0, 0});
  EXPECT_EQ(wire_test::fix_size(want), bytes_of(b.buf));
  ASSERT_NE(nullptr, dgcp_offset_array_msg_reserve_entry(&b.buf));
  EXPECT_EQ(nullptr, dgcp_offset_array_msg_reserve_entry(&b.buf));
}

TEST(DgcpArrayMsg, StaticArrayInitRoundsTheElementsToEven) {
  builder b;
  EXPECT_EQ(30, dgcp_static_array_msg_init(&b.buf, 3, 3));
  EXPECT_EQ(3, b.buf.packet[16]);
  EXPECT_EQ(3, b.buf.packet[18]);
  EXPECT_EQ(0, b.buf.packet[19]);
  EXPECT_EQ(20, dgcp_static_array_msg_init(&b.buf, 0, 3));
}

TEST(DgcpArrayMsg, StaticArrayInitRefusesMoreThan1400Bytes) {
  builder b;
  EXPECT_EQ(0, dgcp_static_array_msg_init(&b.buf, 1, 1401));
  EXPECT_EQ(10, b.size());
}

TEST(DgcpArrayMsg, StaticArrayHandsOutElementsUntilFull) {
  builder b;
  dgcp_static_array_msg_init(&b.buf, 2, 6);
  uint8_t *first = static_cast<uint8_t *>(dgcp_static_array_msg_alloc_entry(&b.buf));
  uint8_t *second = static_cast<uint8_t *>(dgcp_static_array_msg_alloc_entry(&b.buf));
  EXPECT_EQ(b.buf.packet + 20, first);
  EXPECT_EQ(b.buf.packet + 26, second);
  EXPECT_EQ(nullptr, dgcp_static_array_msg_alloc_entry(&b.buf));
  EXPECT_EQ(2, b.buf.packet[19]);
}

// ---- Resolving received offsets -------------------------------------------

namespace {

packet sixteen_byte_packet() {
  std::vector<uint8_t> v = wire_test::head(0x2809, 1, 0, 1);
  v.insert(v.end(), {'a', 'b', 0, 'c', 'd', 'e'});
  return packet(wire_test::fix_size(v));
}

}  // namespace

TEST(DgcpResolve, ZeroOffsetIsAbsentWithoutALogLine) {
  log_capture log;
  packet p = sixteen_byte_packet();
  EXPECT_EQ(nullptr, dgcp_offset_resolve(p.head(), 0, 0, DGCP_OFFSET_ALIGN_BYTE, 1));
  EXPECT_TRUE(log_capture::lines().empty());
}

TEST(DgcpResolve, RangeSizeAndAlignmentRulesEachRejectWithTheirMessage) {
  struct row {
    const char *what;
    uint16_t offset, lower, upper;
    dgcp_offset_align_t align;
    uint16_t min_size;
    const char *message;  // null: accepted
  };
  const row rows[] = {
      {"offset equal to _size", 16, 0, 0, DGCP_OFFSET_ALIGN_BYTE, 1,
       "dgcp_offset_resolve_sized: offset 16 not in range 10 .. 16"},
      {"offset 9 with lower bound 0", 9, 0, 0, DGCP_OFFSET_ALIGN_BYTE, 1,
       "dgcp_offset_resolve_sized: offset 9 not in range 10 .. 16"},
      {"offset below the caller's bound", 12, 13, 0, DGCP_OFFSET_ALIGN_BYTE, 1,
       "dgcp_offset_resolve_sized: offset 12 not in range 13 .. 16"},
      {"odd offset, word alignment", 11, 0, 0, DGCP_OFFSET_ALIGN_16, 1,
       "dgcp_offset_resolve_sized: offset 11 mismatched alignment 2 (1)"},
      {"offset 14, dword alignment", 14, 0, 0, DGCP_OFFSET_ALIGN_32, 1,
       "dgcp_offset_resolve_sized: offset 14 mismatched alignment 4 (3)"},
      {"too little room", 14, 0, 0, DGCP_OFFSET_ALIGN_BYTE, 3,
       "dgcp_offset_resolve_sized: max size 2 < min size 3"},
      {"upper bound at the lower bound", 12, 12, 12, DGCP_OFFSET_ALIGN_BYTE, 1,
       "dgcp_offset_resolve_sized: upper bound 12 < lower bound 12"},
      {"upper bound cuts the room", 12, 0, 13, DGCP_OFFSET_ALIGN_BYTE, 2,
       "dgcp_offset_resolve_sized: max size 1 < min size 2"},
      {"last byte", 15, 0, 0, DGCP_OFFSET_ALIGN_BYTE, 1, nullptr},
      {"aligned with room", 12, 0, 0, DGCP_OFFSET_ALIGN_32, 4, nullptr},
  };
  packet p = sixteen_byte_packet();
  for (const row &r : rows) {
    log_capture log;
    uint16_t avail = 0;
    const void *got = dgcp_offset_resolve_sized(p.head(), htons(r.offset), r.lower, r.upper,
                                                r.align, r.min_size, &avail);
    if (r.message) {
      EXPECT_EQ(nullptr, got) << r.what;
      ASSERT_EQ(1u, log_capture::lines().size()) << r.what;
      EXPECT_EQ(std::string(r.message), log_capture::lines()[0]) << r.what;
    } else {
      EXPECT_EQ(p.buf.packet + r.offset, got) << r.what;
      EXPECT_EQ(16 - r.offset, avail) << r.what;
    }
  }
}

TEST(DgcpResolve, StringWhoseNulIsTheLastByteIsAccepted) {
  packet p = sixteen_byte_packet();
  p.buf.packet[15] = 0;
  uint16_t len = 99;
  const char *s = dgcp_get_string(p.head(), htons(13), 0, 0, &len);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(std::string("cd"), s);
  EXPECT_EQ(2, len);
}

TEST(DgcpResolve, StringRunningToThePacketEndIsRejected) {
  log_capture log;
  packet p = sixteen_byte_packet();
  uint16_t len = 99;
  EXPECT_EQ(nullptr, dgcp_get_string(p.head(), htons(13), 0, 0, &len));
  EXPECT_EQ(99, len);
  EXPECT_EQ(nullptr, dgcp_offset_resolve_str_len(p.head(), htons(13), 0, &len));
  ASSERT_EQ(1u, log_capture::lines().size());
  EXPECT_EQ("dgcp_offset_resolve_str_len: string offset 13 does not terminate within packet len 16",
            log_capture::lines()[0]);
  EXPECT_STREQ("ab", dgcp_offset_resolve_str_len(p.head(), htons(10), 0, &len));
}

TEST(DgcpResolve, OffsetArrayIsRejectedWhenItsSlotsLeaveThePacketOrExceedItsMax) {
  struct row {
    uint8_t max, count;
    bool ok;
  };
  const row rows[] = {{2, 2, true}, {3, 3, false}, {1, 2, false}, {0, 0, true}};
  for (const row &r : rows) {
    std::vector<uint8_t> v = wire_test::head(0x2809, 1, 0, 1);
    v.insert(v.end(), {r.max, r.count, 0, 20, 0, 22});
    packet p(wire_test::fix_size(v));
    EXPECT_EQ(r.ok, dgcp_offset_array_resolve(p.head(), htons(10), 0) != nullptr)
        << int(r.max) << "/" << int(r.count);
  }
}

TEST(DgcpResolve, ObjectValidityCoversHeaderAndEnd) {
  packet p = sixteen_byte_packet();
  EXPECT_EQ(AUD_FALSE, dgcp_packet_object_is_valid(p.head(), p.buf.packet + 8, 2));
  EXPECT_EQ(AUD_TRUE, dgcp_packet_object_is_valid(p.head(), p.buf.packet + 10, 6));
  EXPECT_EQ(AUD_FALSE, dgcp_packet_object_is_valid(p.head(), p.buf.packet + 10, 7));
  EXPECT_EQ(-1, dgcp_packet_validate_ptr(p.head(), p.buf.packet - 1));
  EXPECT_EQ(0, dgcp_packet_validate_ptr(p.head(), p.buf.packet + 15));
  EXPECT_EQ(1, dgcp_packet_validate_ptr(p.head(), p.buf.packet + 16));
}

// ---- Label sharing ------------------------------------------------------------

TEST(DgcpLabels, SameLabelTwiceInAnyCaseIsStoredOnce) {
  builder b;
  dgcp_util_offset_table_node nodes[4];
  dgcp_util_offset_table table{0, 4, nodes};
  dgcp_raw_offset_t a = dgcp_util_offset_table_write_label(&b.buf, &table, "Stage-L");
  dgcp_raw_offset_t c = dgcp_util_offset_table_write_label(&b.buf, &table, "stage-l");
  dgcp_raw_offset_t d = dgcp_util_offset_table_write_label(&b.buf, &table, "Stage-R");
  EXPECT_EQ(htons(10), a);
  EXPECT_EQ(a, c);
  EXPECT_EQ(htons(18), d);
  EXPECT_EQ(26, b.size());
}

TEST(DgcpLabels, DnsComparisonHonoursEscapesAndLabelSeparators) {
  struct row {
    const char *a, *b;
    aud_bool_t equal;
  };
  const row rows[] = {
      {"a.b", "A.B", AUD_TRUE},   {"a\\.b", "a.b", AUD_FALSE}, {"a\\046b", "a\\.b", AUD_TRUE},
      {"a\\066", "aB", AUD_TRUE}, {"ab", "abc", AUD_FALSE},    {"", "", AUD_TRUE},
  };
  for (const row &r : rows) {
    EXPECT_EQ(r.equal, dgcp_util_dns_name_equal(r.a, r.b)) << r.a << " vs " << r.b;
  }
}

TEST(DgcpLabels, FullTableStillWritesTheLabel) {
  builder b;
  dgcp_util_offset_table_node nodes[1];
  dgcp_util_offset_table table{0, 1, nodes};
  dgcp_util_offset_table_write_label(&b.buf, &table, "one");
  dgcp_raw_offset_t two = dgcp_util_offset_table_write_label(&b.buf, &table, "two");
  EXPECT_EQ(htons(14), two);
  EXPECT_EQ(1, table.n);
}

// ---- Statuses -----------------------------------------------------------------

TEST(DgcpStatus, TranslationFollowsTheStatusClasses) {
  struct row {
    uint16_t status;
    aud_error_t want;
  };
  const row rows[] = {
      {0x0001, AUD_SUCCESS},
      {0x000F, AUD_SUCCESS},
      {0x0010, AUD_ERR_VERSION},
      {0x0017, AUD_ERR_VERSION},
      {0x0022, AUD_ERR_MSGSIZE},
      {0x0031, AUD_ERR_NOTSUPPORTED},
      {0x0040, AUD_ERR_FAULT},
      {0x00F3, AUD_ERR_INVALIDSTATE},
      {0x0100, AUD_ERR_INVALIDDATA},
      {0x010F, AUD_ERR_INVALIDDATA},
      {0x0102, AUD_ERR_INVALIDPARAMETER},
      {0x0103, DGCP_RESULT_LABEL_EXISTS_ON_OTHER_CHANNEL},
      {0x0110, AUD_ERR_MSGSIZE},
      {0x0112, AUD_ERR_MSGSIZE},
      {0x8112, AUD_ERR_MSGSIZE},
      {0x0300, AUD_ERR_FAULT},
      {0x0401, AUD_ERR_FAULT},
      {0x0600, AUD_ERR_POLICY},
  };
  for (const row &r : rows) {
    EXPECT_EQ(r.want, dgcp_status_to_aud_error(r.status)) << std::hex << r.status;
  }
}

TEST(DgcpStatus, SuccessIsTheSuccessCodeOrAnyWarning) {
  EXPECT_EQ(AUD_TRUE, dgcp_status_is_success(0x0001));
  EXPECT_EQ(AUD_TRUE, dgcp_status_is_success(0x8001));
  EXPECT_EQ(AUD_TRUE, dgcp_status_is_success(0x8112));
  EXPECT_EQ(AUD_FALSE, dgcp_status_is_success(0x000F));
  EXPECT_EQ(AUD_FALSE, dgcp_status_is_success(0x0112));
}

// ---- Extensible data ------------------------------------------------------------

TEST(DgcpExtensible, ChainAllocationWritesSizesBlocksAndTypes) {
  builder b;
  dgcp_extensible_data_segments_alloc desc{};
  desc.segments[0] = {8, DGCP_OFFSET_ALIGN_32, 0};
  desc.segments[1] = {4, DGCP_OFFSET_ALIGN_16, 0};
  desc.segments[2] = {8, DGCP_OFFSET_ALIGN_32, 257};
  dgcp_extensible_data *heads[DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN] = {};
  dgcp_raw_offset_t off = 0;
  ASSERT_EQ(AUD_SUCCESS, dgcp_extensible_data_allocate_chain(&b.buf, &desc, heads, &off));
  EXPECT_EQ(htons(12), off);
  // 8 bytes (4 words, block 10), 4 bytes (2 words, block 6), then 8 bytes of
  // a typed segment (last: block 0) with its identifier 0x0101.
  std::vector<uint8_t> want = {4, 10, 0, 0, 0, 0, 0, 0, 2, 6, 0, 0, 4, 0, 0x01, 0x01, 0, 0, 0, 0};
  std::vector<uint8_t> got(b.buf.packet + 12, b.buf.packet + 32);
  EXPECT_EQ(want, got);
  EXPECT_EQ(b.buf.packet + 20, reinterpret_cast<uint8_t *>(heads[1]));
}

TEST(DgcpExtensible, ChainOfSeventeenSegmentsFailsBeforeAllocating) {
  builder b;
  dgcp_extensible_data_segments_alloc links[5]{};
  for (int l = 0; l < 5; l++) {
    for (int s = 0; s < 4; s++) {
      if (l * 4 + s < 17) links[l].segments[s] = {2, DGCP_OFFSET_ALIGN_16, 0};
    }
    links[l].next = l < 4 ? &links[l + 1] : nullptr;
  }
  dgcp_raw_offset_t off = 0;
  EXPECT_EQ(AUD_ERR_MSGSIZE, dgcp_extensible_data_allocate_chain(&b.buf, links, nullptr, &off));
  EXPECT_EQ(10, b.size());
  EXPECT_EQ(0, off);
}

TEST(DgcpExtensible, ChainDescriptionErrors) {
  struct row {
    const char *what;
    dgcp_extensible_data_segment_alloc seg;
    aud_error_t want;
  };
  const row rows[] = {
      {"no segment", {0, DGCP_OFFSET_ALIGN_16, 0}, AUD_ERR_INVALIDPARAMETER},
      {"chain above 510 bytes", {512, DGCP_OFFSET_ALIGN_16, 0}, AUD_ERR_INVALIDPARAMETER},
      {"typed segment without room for its type",
       {2, DGCP_OFFSET_ALIGN_16, 5},
       AUD_ERR_INVALIDPARAMETER},
      {"does not fit the packet", {500, DGCP_OFFSET_ALIGN_16, 0}, AUD_ERR_NOMEMORY},
  };
  for (const row &r : rows) {
    builder b;
    b.buf.bufsize = 100;
    dgcp_extensible_data_segments_alloc desc{};
    desc.segments[0] = r.seg;
    dgcp_raw_offset_t off = 0;
    EXPECT_EQ(r.want, dgcp_extensible_data_allocate_chain(&b.buf, &desc, nullptr, &off)) << r.what;
    EXPECT_EQ(10, b.size()) << r.what;
  }
}

TEST(DgcpExtensible, WalkingFollowsSizesWithinTheBlock) {
  // Three segments of 2, 3 and 1 words; block 6 in the first.
  std::vector<uint8_t> v = wire_test::head(0x2809, 1, 0, 1);
  v.insert(v.end(), {2, 6, 0xAA, 0xBB, 3, 4, 1, 2, 3, 4, 1, 0});
  packet p(wire_test::fix_size(v));
  const dgcp_extensible_data *first =
      dgcp_extensible_data_resolve(p.head(), htons(10), 0, DGCP_OFFSET_ALIGN_16, 4);
  ASSERT_NE(nullptr, first);
  const dgcp_extensible_data *segs[16];
  ASSERT_EQ(3u, dgcp_extensible_data_get_segments(first, segs, 16));
  EXPECT_EQ(14, p.offset_of(segs[1]));
  EXPECT_EQ(20, p.offset_of(segs[2]));
  EXPECT_EQ(2u, dgcp_extensible_data_get_segments(first, segs, 2));
}

TEST(DgcpExtensible, WalkStopsAtInconsistentHeads) {
  struct row {
    const char *what;
    std::vector<uint8_t> body;
    unsigned want;
  };
  const row rows[] = {
      {"block shorter than the next segment", {2, 3, 0, 0, 2, 0, 0, 0}, 1},
      {"next segment of size 0", {2, 4, 0, 0, 0, 0, 0, 0}, 1},
      {"next block below its size", {2, 4, 0, 0, 2, 1, 0, 0}, 1},
      {"next block past the chain", {2, 4, 0, 0, 2, 3, 0, 0}, 1},
      {"consistent", {2, 4, 0, 0, 2, 0, 0, 0}, 2},
  };
  for (const row &r : rows) {
    std::vector<uint8_t> v = wire_test::head(0x2809, 1, 0, 1);
    v.insert(v.end(), r.body.begin(), r.body.end());
    packet p(wire_test::fix_size(v));
    const dgcp_extensible_data *first =
        dgcp_extensible_data_resolve(p.head(), htons(10), 0, DGCP_OFFSET_ALIGN_16, 2);
    ASSERT_NE(nullptr, first) << r.what;
    const dgcp_extensible_data *segs[16];
    EXPECT_EQ(r.want, dgcp_extensible_data_get_segments(first, segs, 16)) << r.what;
  }
}

TEST(DgcpExtensible, ResolveRejectsRecordsReachingPastThePacket) {
  struct row {
    const char *what;
    uint8_t size, block;
    uint16_t min;
    bool ok;
  };
  const row rows[] = {
      {"fits", 3, 0, 6, true},
      {"size past the end", 4, 0, 2, false},
      {"block past the end", 2, 4, 2, false},
      {"size past the end under a short block", 4, 2, 2, false},
      {"shorter than the minimum", 2, 0, 6, false},
      {"size zero", 0, 0, 0, false},
  };
  for (const row &r : rows) {
    std::vector<uint8_t> v = wire_test::head(0x2809, 1, 0, 1);
    v.insert(v.end(), {r.size, r.block, 0, 0, 0, 0});
    packet p(wire_test::fix_size(v));
    EXPECT_EQ(r.ok, dgcp_extensible_data_resolve(p.head(), htons(10), 0, DGCP_OFFSET_ALIGN_16,
                                                 r.min) != nullptr)
        << r.what;
  }
}

TEST(DgcpExtensible, SegmentInfoNeedsTwoWords) {
  uint8_t seg[4] = {2, 0, 0x01, 0x01};
  dgcp_extensible_data_seg_info info{1, 1};
  ASSERT_EQ(AUD_SUCCESS, dgcp_extensible_data__get_seg_info(
                             reinterpret_cast<dgcp_extensible_data *>(seg), &info));
  EXPECT_EQ(4, info.size);
  EXPECT_EQ(0x0101, info.seg_id);
  seg[0] = 1;
  dgcp_extensible_data_seg_info untouched{9, 9};
  EXPECT_EQ(AUD_ERR_INVALIDDATA, dgcp_extensible_data__get_seg_info(
                                     reinterpret_cast<dgcp_extensible_data *>(seg), &untouched));
  EXPECT_EQ(9, untouched.size);
}

TEST(DgcpExtensible, SubSegmentTakesTheRestOfTheParentBlock) {
  uint8_t parent[2] = {4, 10};
  uint8_t sub[2] = {0, 0};
  auto *pa = reinterpret_cast<dgcp_extensible_data *>(parent);
  auto *su = reinterpret_cast<dgcp_extensible_data *>(sub);
  EXPECT_EQ(AUD_SUCCESS, dgcp_extensible_data_init_sub_segment(su, pa, 8));
  EXPECT_EQ(4, sub[0]);
  EXPECT_EQ(6, sub[1]);
  EXPECT_EQ(AUD_ERR_NOMEMORY, dgcp_extensible_data_init_sub_segment(su, pa, 14));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, dgcp_extensible_data_init_sub_segment(su, pa, 512));
  parent[1] = 0;
  EXPECT_EQ(AUD_ERR_INVALIDDATA, dgcp_extensible_data_init_sub_segment(su, pa, 4));
}

TEST(DgcpExtensible, AllocateGetCreatesOnceThenReturnsTheSameRecord) {
  builder b;
  dgcp_raw_offset_t off = 0;
  dgcp_extensible_data *first =
      dgcp_extensible_data_allocate_get(&b.buf, 8, 0, DGCP_OFFSET_ALIGN_32, &off);
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(htons(12), off);
  EXPECT_EQ(4, first->_size);
  EXPECT_EQ(first, dgcp_extensible_data_allocate_get(&b.buf, 8, 0, DGCP_OFFSET_ALIGN_32, &off));
  EXPECT_EQ(nullptr, dgcp_extensible_data_allocate_get(&b.buf, 12, 0, DGCP_OFFSET_ALIGN_32, &off));
}

TEST(DgcpExtensible, ArrayOfEqualSegmentsCountsDownTheBlock) {
  builder b;
  dgcp_raw_offset_t off = dgcp_extensible_data_allocate_array(&b.buf, 4, 3, DGCP_OFFSET_ALIGN_16);
  EXPECT_EQ(htons(10), off);
  std::vector<uint8_t> want = {2, 6, 0, 0, 2, 4, 0, 0, 2, 2, 0, 0};
  std::vector<uint8_t> got(b.buf.packet + 10, b.buf.packet + 22);
  EXPECT_EQ(want, got);
}
