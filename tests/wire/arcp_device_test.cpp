// ARCP shared elements and device-level bodies against hand-written bytes.
#include <gtest/gtest.h>

#include "wire/arcp/arcp.h"
#include "wire/wire_test_util.h"

using namespace wire_test;

namespace {

struct req {
  dgcp_packet_buf buf{};
  req() { memset(buf.packet, 0xEE, sizeof buf.packet); }
  const dgcp_head *head() { return dgcp_packet_buf_head(&buf); }
};

}  // namespace

// ---- Versions ----------------------------------------------------------------

TEST(ArcpVersion, EncodingPutsGenerationMajorAndMinorInTheirBits) {
  EXPECT_EQ(0x0204, arcp_version_make(0, 2, 4));
  EXPECT_EQ(0x2809, arcp_version_make(2, 8, 9));
  EXPECT_EQ(0x2711, arcp_version_make(2, 7, 17));
  EXPECT_EQ(0, arcp_version_make(16, 0, 0));
  unsigned g = 9, ma = 9, mi = 9;
  arcp_version_split(0x2711, &g, &ma, &mi);
  EXPECT_EQ(2u, g);
  EXPECT_EQ(7u, ma);
  EXPECT_EQ(17u, mi);
}

TEST(ArcpVersion, RequestsUseTheSmallerOfTheDeviceVersionAndTheCurrentOne) {
  struct row {
    uint16_t device, want;
  };
  const row rows[] = {{0x0204, 0x0204}, {0x2600, 0x2600}, {0x2808, 0x2808}, {0x2809, 0x2809},
                      {0x2900, 0x2809}, {0x2A00, 0x2809}, {0, 0x2809}};
  for (const row &r : rows) {
    EXPECT_EQ(r.want, arcp_request_version(r.device)) << std::hex << r.device;
  }
}

TEST(ArcpVersion, TwoNineZeroAndTwoNineOneAreInvalid) {
  EXPECT_EQ(AUD_FALSE, arcp_version_is_valid(0x2900));
  EXPECT_EQ(AUD_FALSE, arcp_version_is_valid(0x2901));
  EXPECT_EQ(AUD_TRUE, arcp_version_is_valid(0x2809));
  EXPECT_EQ(AUD_TRUE, arcp_version_is_valid(0x2902));
}

TEST(ArcpVersion, HeadInitUsesTheCurrentVersion) {
  req r;
  arcp_msg_head_init(dgcp_packet_buf_head(&r.buf), 0x0102, ARCP_OP_router_query);
  std::vector<uint8_t> want = {0x28, 0x09, 0, 10, 0x01, 0x02, 0x10, 0x00, 0, 0};
  EXPECT_EQ(want, bytes_of(r.buf));
}

// ---- Query ranges ----------------------------------------------------------------

TEST(ArcpQueryRange, ConsecutiveIdentifiersMergeIntoRanges) {
  req r;
  arcp_query_range_init(&r.buf, 0x2809, 5, ARCP_OP_TX_query);
  for (uint16_t id : {3, 4, 5, 9}) {
    ASSERT_NE(0, arcp_query_range_add_id(&r.buf, id));
  }
  std::vector<uint8_t> want = head(0x2809, 5, 0x2000, 0);
  want.insert(want.end(), {0, 2, 0, 3, 0, 5, 0, 0, 0, 9});
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
  EXPECT_EQ(DGCP_Success, arcp_query_range_validate(r.head()));
}

TEST(ArcpQueryRange, RangeZeroZeroIsRefused) {
  req r;
  arcp_query_range_init(&r.buf, 0x2809, 5, ARCP_OP_TX_query);
  EXPECT_EQ(0, arcp_query_range_add_range(&r.buf, 0, 0));
  EXPECT_EQ(1, arcp_query_range_add_range(&r.buf, 1, 0));
  EXPECT_EQ(16, dgcp_size(r.head()));
}

TEST(ArcpQueryRange, ValidationComparesTheSizeWithTheCount) {
  struct row {
    uint8_t count;
    size_t body;
    dgcp_status_t want;
  };
  const row rows[] = {{1, 6, DGCP_Success},
                      {2, 6, DGCP_ERR_Size_packet_too_small},
                      {1, 8, DGCP_ERR_Size_packet_too_large},
                      {0, 2, DGCP_Success},
                      {0, 4, DGCP_ERR_Size_packet_too_large}};
  for (const row &r : rows) {
    std::vector<uint8_t> v = head(0x2809, 1, 0x2000, 0);
    v.push_back(0);
    v.push_back(r.count);
    pad_to(v, 10 + r.body);
    packet p(fix_size(v));
    EXPECT_EQ(r.want, arcp_query_range_validate(p.head())) << int(r.count) << "/" << r.body;
  }
}

TEST(ArcpQueryRange, NormalisingAgainstAMaximum) {
  struct row {
    uint16_t start, end, max;
    aud_bool_t ok;
    uint16_t first, last;
  };
  const row rows[] = {
      {0, 0, 8, AUD_FALSE, 0, 0}, {0, 5, 8, AUD_TRUE, 5, 5},  {0, 9, 8, AUD_FALSE, 0, 0},
      {3, 0, 8, AUD_TRUE, 3, 8},  {3, 20, 8, AUD_TRUE, 3, 8}, {3, 5, 8, AUD_TRUE, 3, 5},
      {9, 0, 8, AUD_FALSE, 0, 0}, {5, 3, 8, AUD_FALSE, 0, 0},
  };
  for (const row &r : rows) {
    uint16_t first = 0, last = 0;
    EXPECT_EQ(r.ok, arcp_util_normalise_range(r.start, r.end, r.max, &first, &last))
        << r.start << "," << r.end;
    EXPECT_EQ(r.first, first) << r.start << "," << r.end;
    EXPECT_EQ(r.last, last) << r.start << "," << r.end;
  }
}

TEST(ArcpQueryRange, MediaRangesKeepTenSpareBytesAndMergeOnlyWithinAMediaType) {
  req r;
  arcp_media_query_range_init(&r.buf, 0x2809, 1, ARCP_OP_RX_media_query);
  EXPECT_EQ(28, dgcp_size(r.head()));
  arcp_media_query_range_add_id(&r.buf, 3, 7);
  arcp_media_query_range_add_id(&r.buf, 3, 8);
  arcp_media_query_range_add_id(&r.buf, 4, 9);
  std::vector<uint8_t> want = head(0x2809, 1, 0x3400, 0);
  want.insert(want.end(), {0, 0, 0, 0, 0, 0, 0, 2, 0, 3, 0, 7, 0, 8, 0, 4, 0, 0, 0, 9});
  pad_to(want, 40);
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
  EXPECT_EQ(DGCP_Success, arcp_media_query_range_validate(r.head()));
}

TEST(ArcpQueryRange, MediaValidationAcceptsLongerButNotShorter) {
  std::vector<uint8_t> v = head(0x2809, 1, 0x3400, 0);
  pad_to(v, 16);
  v.insert(v.end(), {0, 2, 0, 3, 0, 1, 0, 0});
  packet shorter(fix_size(v));
  EXPECT_EQ(DGCP_ERR_Size_packet_too_small, arcp_media_query_range_validate(shorter.head()));
  pad_to(v, 40);
  packet longer(fix_size(v));
  EXPECT_EQ(DGCP_Success, arcp_media_query_range_validate(longer.head()));
}

// ---- Labels ----------------------------------------------------------------------

TEST(ArcpLabel, ValidityRules) {
  struct row {
    const char *label;
    aud_bool_t valid;
  };
  const row rows[] = {
      {"Stage-L", AUD_TRUE},
      {"a.b", AUD_FALSE},
      {"@name", AUD_FALSE},
      {"=x", AUD_FALSE},
      {".x", AUD_FALSE},
      {"x@y", AUD_FALSE},
      {"x=y", AUD_FALSE},
      {"", AUD_FALSE},
      {nullptr, AUD_FALSE},
      {"abcdefghijklmnopqrstuvwxyz012345", AUD_TRUE},
      {"abcdefghijklmnopqrstuvwxyz0123456", AUD_FALSE},
  };
  for (const row &r : rows) {
    EXPECT_EQ(r.valid, arcp_is_valid_label(r.label)) << (r.label ? r.label : "(null)");
  }
}

TEST(ArcpLabel, LabelListSharesEqualLabelsIgnoringCase) {
  req r;
  arcp_msg_head_init(dgcp_packet_buf_head(&r.buf), 1, 0);
  arcp_util_label_entry entries[2];
  arcp_util_labels labels{0, 2, entries};
  dgcp_raw_offset_t a = arcp_util_labels_write(&r.buf, &labels, "Mic");
  dgcp_raw_offset_t b = arcp_util_labels_write(&r.buf, &labels, "MIC");
  EXPECT_EQ(htons(10), a);
  EXPECT_EQ(a, b);
  EXPECT_EQ(14, dgcp_size(r.head()));
}

// ---- Socket addresses ---------------------------------------------------------------

TEST(ArcpSockaddr, Ipv4AddressIsReadPrintedAndCompared) {
  std::vector<uint8_t> v = head(0x2809, 1, 0, 1);
  pad_to(v, 12);
  v.insert(v.end(), {8, 2, 0x11, 0x5C, 192, 168, 1, 20});
  packet p(fix_size(v));
  const arcp_sockaddr *sa = arcp_sockaddr_resolve(p.head(), htons(12), 0);
  ASSERT_NE(nullptr, sa);
  char text[64];
  EXPECT_STREQ("192.168.1.20.4444", arcp_sockaddr_to_string(sa, AUD_TRUE, text, sizeof text));
  EXPECT_STREQ("192.168.1.20", arcp_sockaddr_to_string(sa, AUD_FALSE, text, sizeof text));
  EXPECT_STREQ("null", arcp_sockaddr_to_string(nullptr, AUD_TRUE, text, sizeof text));
  EXPECT_EQ(AUD_TRUE, arcp_sockaddr_equal(sa, sa));
  uint32_t addr = 0;
  uint16_t port = 0;
  ASSERT_EQ(AUD_TRUE, arcp_sockaddr_get_ipv4(sa, &addr, &port));
  EXPECT_EQ(htonl(0xC0A80114), addr);
  EXPECT_EQ(4444, port);
}

TEST(ArcpSockaddr, SizeThatDisagreesWithTheFamilyOrLeavesThePacketIsRejected) {
  struct row {
    const char *what;
    std::vector<uint8_t> body;
    bool ok;
  };
  const row rows[] = {
      {"ipv4", {8, 2, 0, 1, 10, 0, 0, 1}, true},
      {"ipv4 with ipv6 size", {20, 2, 0, 1, 10, 0, 0, 1}, false},
      {"ipv6 cut short", {20, 6, 0, 1, 0, 0, 0, 0}, false},
      {"unspecified", {2, 0, 0, 0}, true},
      {"unspecified with size 8", {8, 0, 0, 0, 0, 0, 0, 0}, false},
  };
  for (const row &r : rows) {
    std::vector<uint8_t> v = head(0x2809, 1, 0, 1);
    pad_to(v, 12);
    v.insert(v.end(), r.body.begin(), r.body.end());
    packet p(fix_size(v));
    EXPECT_EQ(r.ok, arcp_sockaddr_resolve(p.head(), htons(12), 0) != nullptr) << r.what;
  }
}

TEST(ArcpSockaddr, Ipv6PrintsHexWordsAndOtherFamiliesPrintUnknown) {
  uint8_t v6[20] = {20, 6, 0, 80, 0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  char text[64];
  EXPECT_STREQ(
      "fe80:0:0:0:0:0:0:1.80",
      arcp_sockaddr_to_string(reinterpret_cast<arcp_sockaddr *>(v6), AUD_TRUE, text, sizeof text));
  uint8_t other[4] = {4, 9, 0, 0};
  EXPECT_STREQ("<unknown>", arcp_sockaddr_to_string(reinterpret_cast<arcp_sockaddr *>(other),
                                                    AUD_TRUE, text, sizeof text));
}

// ---- Channel formats -------------------------------------------------------------------

TEST(ArcpChannelFormat, FormatWithFooterIsRead) {
  std::vector<uint8_t> v = head(0x2809, 1, 0, 1);
  pad_to(v, 12);
  be32(v, 48000);
  v.insert(v.end(), {2, 1});
  be16(v, 24);  // encoding slot 0
  be16(v, 0);   // unused slot 1
  v.insert(v.end(), {4, 0});
  be16(v, 24);
  be16(v, 24);
  be16(v, 0x0007);
  packet p(fix_size(v));
  arcp_channel_format_info f{};
  ASSERT_EQ(AUD_SUCCESS, arcp_channel_format_read(p.head(), htons(12), 0, &f));
  EXPECT_EQ(48000u, f.rate);
  EXPECT_EQ(2, f.max);
  EXPECT_EQ(1, f.count);
  EXPECT_EQ(24, f.encodings[0]);
  EXPECT_EQ(24, f.native);
  EXPECT_EQ(24, f.pcm_native);
  EXPECT_EQ(7, f.pcm_map);
}

TEST(ArcpChannelFormat, MaxZeroReportsNoNativeEncoding) {
  std::vector<uint8_t> v = head(0x2809, 1, 0, 1);
  pad_to(v, 12);
  be32(v, 96000);
  v.insert(v.end(), {0, 0, 0xAA, 0xBB});
  packet p(fix_size(v));
  arcp_channel_format_info f{};
  ASSERT_EQ(AUD_SUCCESS, arcp_channel_format_read(p.head(), htons(12), 0, &f));
  EXPECT_EQ(96000u, f.rate);
  EXPECT_EQ(0, f.native);
  EXPECT_EQ(0, f.pcm_native);
  EXPECT_EQ(0, f.pcm_map);
}

TEST(ArcpChannelFormat, MalformedFormatsAreRejected) {
  struct row {
    const char *what;
    std::vector<uint8_t> body;
  };
  const row rows[] = {
      {"count above max", {0, 0, 0xBB, 0x80, 1, 2, 0, 24, 0, 24, 4, 0}},
      {"slots past the end", {0, 0, 0xBB, 0x80, 8, 1, 0, 24}},
      {"footer past the end", {0, 0, 0xBB, 0x80, 1, 1, 0, 24, 4, 0}},
      {"count above the encoding limit", std::vector<uint8_t>{0, 0, 0xBB, 0x80, 20, 20}},
  };
  for (const row &r : rows) {
    std::vector<uint8_t> v = head(0x2809, 1, 0, 1);
    pad_to(v, 12);
    v.insert(v.end(), r.body.begin(), r.body.end());
    if (std::string(r.what) == "count above the encoding limit") pad_to(v, 12 + 6 + 40 + 8);
    packet p(fix_size(v));
    arcp_channel_format_info f{};
    f.rate = 1;
    EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_channel_format_read(p.head(), htons(12), 0, &f)) << r.what;
    EXPECT_EQ(1u, f.rate) << r.what;
  }
}

TEST(ArcpChannelFormat, WriterAllocatesFourteenPlusTwoPerSlot) {
  req r;
  arcp_msg_head_init(dgcp_packet_buf_head(&r.buf), 1, 0);
  arcp_channel_format_info f{};
  f.rate = 48000;
  f.max = 2;
  f.count = 2;
  f.encodings[0] = 24;
  f.encodings[1] = 32;
  f.native = 24;
  f.pcm_native = 24;
  f.pcm_map = 0x0C;
  EXPECT_EQ(htons(12), arcp_alloc_audio_format(&r.buf, &f));
  std::vector<uint8_t> want = {0, 0, 0xBB, 0x80, 2, 2, 0, 24, 0, 32, 4, 0, 0, 24, 0, 24, 0, 0x0C};
  EXPECT_EQ(want, std::vector<uint8_t>(r.buf.packet + 12, r.buf.packet + 30));
  EXPECT_EQ(30, dgcp_size(r.head()));
}

// ---- Node query -------------------------------------------------------------------------

namespace {

std::vector<uint8_t> node_query_bytes(uint16_t version, uint16_t flags) {
  std::vector<uint8_t> v = head(version, 1, 0x1000, 1);
  for (uint16_t x : {flags, uint16_t{8}, uint16_t{16}, uint16_t{2}, uint16_t{4}, uint16_t{8},
                     uint16_t{4}, uint16_t{6}, uint16_t{32}, uint16_t{2}, uint16_t{2}}) {
    be16(v, x);
  }
  be32(v, ARCP_NODE_ERR_FLAG_NAME | ARCP_NODE_ERR_FLAG_LOCKDOWN);
  be16(v, 0x1F);
  be16(v, 0x3F);
  be32(v, 1000000);
  be16(v, 48);  // media_resources
  be16(v, 12);  // max display group
  return fix_size(v);
}

}  // namespace

TEST(ArcpNodeQuery, CurrentVersionReadsEveryField) {
  packet p(node_query_bytes(0x2809, ARCP_NODE_FLAG_MEDIA | ARCP_NODE_FLAG_IDENTITY));
  arcp_node_query_info n{};
  ASSERT_EQ(AUD_SUCCESS, arcp_node_query_resp_read(p.head(), &n));
  EXPECT_EQ(ARCP_NODE_FLAG_MEDIA | ARCP_NODE_FLAG_IDENTITY, n.flags);
  EXPECT_EQ(8, n.ntxchan);
  EXPECT_EQ(16, n.nrxchan);
  EXPECT_EQ(4, n.max_txbund);
  EXPECT_EQ(2, n.nintf);
  EXPECT_EQ(0x20002u, n.status);
  EXPECT_EQ(0x3F, n.per_rxflow_error_fields);
  EXPECT_EQ(1000000u, n.rxflow_error_subseconds_range);
  EXPECT_EQ(htons(48), n.media_resources);
  EXPECT_EQ(12, n.max_display_group_id);
}

TEST(ArcpNodeQuery, FieldsNewerThanTheHeaderVersionReadAsZero) {
  struct row {
    uint16_t version;
    uint16_t max_txbund;
    uint32_t status;
    uint16_t fields;
    uint16_t max_dg;
  };
  const row rows[] = {
      {0x2509, 0, 0, 0, 0},          {0x2600, 4, 0, 0, 0},           {0x2703, 4, 0x20002, 0, 0},
      {0x2711, 4, 0x20002, 0x3F, 0}, {0x2807, 4, 0x20002, 0x3F, 12},
  };
  for (const row &r : rows) {
    packet p(node_query_bytes(r.version, ARCP_NODE_FLAG_MEDIA));
    arcp_node_query_info n{};
    ASSERT_EQ(AUD_SUCCESS, arcp_node_query_resp_read(p.head(), &n));
    EXPECT_EQ(r.max_txbund, n.max_txbund) << std::hex << r.version;
    EXPECT_EQ(r.status, n.status) << std::hex << r.version;
    EXPECT_EQ(r.fields, n.per_rxflow_error_fields) << std::hex << r.version;
    EXPECT_EQ(r.max_dg, n.max_display_group_id) << std::hex << r.version;
  }
}

TEST(ArcpNodeQuery, MediaResourcesNeedTheMediaFlag) {
  packet p(node_query_bytes(0x2809, 0));
  arcp_node_query_info n{};
  ASSERT_EQ(AUD_SUCCESS, arcp_node_query_resp_read(p.head(), &n));
  EXPECT_EQ(0, n.media_resources);
}

TEST(ArcpNodeQuery, TruncatedBodyReadsMissingFieldsAsZeroButNeedsTheFixedPart) {
  std::vector<uint8_t> v = node_query_bytes(0x2809, 0);
  v.resize(30);
  packet p(fix_size(v));
  arcp_node_query_info n{};
  ASSERT_EQ(AUD_SUCCESS, arcp_node_query_resp_read(p.head(), &n));
  EXPECT_EQ(2, n.max_chan_alias);
  EXPECT_EQ(0, n.nintf);
  v.resize(20);
  packet shorter(fix_size(v));
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_node_query_resp_read(shorter.head(), &n));
}

// ---- Names and identity ------------------------------------------------------------------

TEST(ArcpNames, RouterLabelIsTheStringAtTen) {
  std::vector<uint8_t> v = head(0x2809, 1, 0x1002, 1);
  str(v, "Stagebox-1");
  packet p(fix_size(v));
  uint16_t len = 0;
  EXPECT_STREQ("Stagebox-1", arcp_router_label_read(p.head(), &len));
  EXPECT_EQ(10, len);
  std::vector<uint8_t> u = head(0x2809, 1, 0x1002, 1);
  u.insert(u.end(), {'a', 'b'});
  packet q(fix_size(u));
  EXPECT_EQ(nullptr, arcp_router_label_read(q.head(), &len));
}

TEST(ArcpNames, RenameCarriesTheNameAtTen) {
  req r;
  ASSERT_EQ(AUD_SUCCESS, arcp_router_relabel_build(&r.buf, 0x2809, 3, "Amp"));
  std::vector<uint8_t> want = head(0x2809, 3, 0x1001, 0);
  str(want, "Amp");
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

TEST(ArcpNames, RenameOfMoreThanThirtyTwoBytesIsNotBuilt) {
  req r;
  EXPECT_EQ(AUD_SUCCESS,
            arcp_router_relabel_build(&r.buf, 0x2809, 3, "abcdefghijklmnopqrstuvwxyz01234"));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            arcp_router_relabel_build(&r.buf, 0x2809, 3, "abcdefghijklmnopqrstuvwxyz012345"));
}

namespace {

// Identity answer: fixed part to 28, name record at 28 (16 bytes), version
// record at 44 (20 bytes), strings from 64.
std::vector<uint8_t> identity_bytes(uint16_t version, uint16_t body_size, bool advertised) {
  std::vector<uint8_t> v = head(version, 1, 0x1003, 1);
  be16(v, body_size);
  be16(v, 28);  // _name
  be16(v, 44);  // _version
  pad_to(v, 28);
  v.insert(v.end(), {8, 0});
  be16(v, 64);                   // _name
  be16(v, 69);                   // _default
  be16(v, advertised ? 78 : 0);  // _advertised
  be16(v, 0);                    // _domain
  pad_to(v, 44);
  v.insert(v.end(), {10, 0, 0, 0});
  be32(v, 0x04020100);
  be16(v, 0x2809);
  be16(v, 0x0204);
  be16(v, 0x0100);
  be16(v, 0x0100);
  be16(v, 0);
  be16(v, 0);
  str(v, "Amp1");      // 64
  str(v, "Amp-1234");  // 69
  str(v, "amp1");      // 78
  return fix_size(v);
}

}  // namespace

TEST(ArcpIdentity, NamesAndVersionsAreRead) {
  packet p(identity_bytes(0x2809, 28, true));
  arcp_identity_info id{};
  ASSERT_EQ(AUD_SUCCESS, arcp_identity_read(p.head(), &id));
  EXPECT_STREQ("Amp1", id.name);
  EXPECT_STREQ("Amp-1234", id.default_name);
  EXPECT_STREQ("amp1", id.advertised);
  EXPECT_EQ(nullptr, id.domain);
  EXPECT_EQ(AUD_TRUE, id.has_version);
  EXPECT_EQ(0x04020100u, id.router_version);
  EXPECT_EQ(0x2809, id.arcp_native);
  EXPECT_EQ(0x0204, id.arcp_min);
  EXPECT_EQ(0x0100, id.dbcp_min);
}

TEST(ArcpIdentity, BodySizeBelowFourteenIsCorrupt) {
  packet p(identity_bytes(0x2809, 12, false));
  arcp_identity_info id{};
  id.arcp_native = 7;
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_identity_read(p.head(), &id));
  EXPECT_EQ(7, id.arcp_native);
}

TEST(ArcpIdentity, BodySizeOfFourteenSkipsTheVersionRecord) {
  packet p(identity_bytes(0x2809, 14, false));
  arcp_identity_info id{};
  ASSERT_EQ(AUD_SUCCESS, arcp_identity_read(p.head(), &id));
  EXPECT_EQ(AUD_FALSE, id.has_version);
}

TEST(ArcpIdentity, BodySizeBoundsTheRecords) {
  packet p(identity_bytes(0x2809, 30, false));
  arcp_identity_info id{};
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_identity_read(p.head(), &id));
}

TEST(ArcpIdentity, OlderVersionsUseTwentyAsTheBound) {
  packet p(identity_bytes(0x2808, 0, false));
  arcp_identity_info id{};
  ASSERT_EQ(AUD_SUCCESS, arcp_identity_read(p.head(), &id));
  EXPECT_STREQ("Amp1", id.name);
}

// ---- Properties ---------------------------------------------------------------------------

TEST(ArcpProps, ClientQueryAsksForItsKeysInOrder) {
  req r;
  ASSERT_EQ(AUD_SUCCESS,
            arcp_prop_query_build(&r.buf, 0x2809, 2, ARCP_OP_router_prop_query,
                                  arcp_client_prop_query_keys, ARCP_CLIENT_PROP_QUERY_NUM_KEYS));
  std::vector<uint8_t> want = head(0x2809, 2, 0x1100, 0);
  want.insert(want.end(), {0, 18});
  for (uint16_t k : {0x0201, 0x8204, 0x8205, 0x0210, 0x0211, 0x8218, 0x8219, 0x8301, 0x8302, 0x8306,
                     0x0310, 0x0311, 0x0303, 0x8021, 0x00F0, 0x8060, 0x0022, 0x0063}) {
    be16(want, k);
  }
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

TEST(ArcpProps, SetWritesSixteenBitValuesInlineAndWideValuesBehindOffsets) {
  req r;
  ASSERT_EQ(AUD_SUCCESS, arcp_prop_set_init(&r.buf, 0x2809, 2, ARCP_OP_router_prop_set, 3));
  EXPECT_EQ(AUD_SUCCESS, arcp_prop_set_add16(&r.buf, ARCP_PROP_TX_Frames_per_packet, 16));
  EXPECT_EQ(AUD_SUCCESS, arcp_prop_set_add32(&r.buf, ARCP_PROP_RX_Latency, 1000000));
  EXPECT_EQ(AUD_SUCCESS, arcp_prop_set_add_string(&r.buf, ARCP_PROP_Clock_subdomain, "dom"));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, arcp_prop_set_add16(&r.buf, ARCP_PROP_RX_Latency, 1));
  std::vector<uint8_t> want = head(0x2809, 2, 0x1101, 0);
  want.insert(want.end(), {3, 3, 0x02, 0x10, 0, 16, 0x83, 0x01, 0, 24, 0x80, 0x21, 0, 28});
  be32(want, 1000000);
  str(want, "dom");
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

TEST(ArcpProps, ResponseValuesAreReadByKind) {
  std::vector<uint8_t> v = head(0x2809, 2, 0x1100, 1);
  v.insert(v.end(),
           {0, 4, 0x02, 0x10, 0, 32, 0x83, 0x01, 0, 28, 0x80, 0x21, 0, 32, 0x82, 0x04, 0, 27});
  be32(v, 2000000);
  str(v, "secondary");
  packet p(fix_size(v));
  uint16_t fpp = 0;
  uint32_t lat = 0, bad = 5;
  char dom[8];
  EXPECT_EQ(AUD_SUCCESS, arcp_prop_get16(p.head(), 0x0210, &fpp));
  EXPECT_EQ(32, fpp);
  EXPECT_EQ(AUD_SUCCESS, arcp_prop_get32(p.head(), 0x8301, &lat));
  EXPECT_EQ(2000000u, lat);
  EXPECT_EQ(AUD_SUCCESS, arcp_prop_get_string(p.head(), 0x8021, dom, sizeof dom));
  EXPECT_STREQ("seconda", dom);
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_prop_get32(p.head(), 0x8204, &bad));
  EXPECT_EQ(5u, bad);
  EXPECT_EQ(AUD_ERR_NOTFOUND, arcp_prop_get16(p.head(), 0x0311, &fpp));
}

// ---- Soft limits, port range, error counters, display groups
// --------------------------------------

TEST(ArcpSoftLimit, RequestCarriesItsRecordAtSixteen) {
  req r;
  arcp_soft_limit_info s{ARCP_SOFTLIMIT_FIELDS_ALL, ARCP_SOFTLIMIT_FIELD_TXCHAN, 8, 16, 48000};
  ASSERT_EQ(AUD_SUCCESS, arcp_softlimit_build(&r.buf, 0x2809, 9, &s));
  std::vector<uint8_t> want = head(0x2809, 9, 0x1200, 0);
  want.insert(want.end(), {0, 0, 0, 16, 0, 0});
  be32(want, 7);
  be32(want, 1);
  be16(want, 8);
  be16(want, 16);
  be32(want, 48000);
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

TEST(ArcpSoftLimit, FieldsWithoutTheirBitReadAsZero) {
  std::vector<uint8_t> v = head(0x2809, 9, 0x1200, 1);
  v.insert(v.end(), {0, 0, 0, 16, 0, 0});
  be32(v, ARCP_SOFTLIMIT_FIELD_RXCHAN);
  be32(v, 0);
  be16(v, 8);
  be16(v, 16);
  be32(v, 48000);
  packet p(fix_size(v));
  arcp_soft_limit_info s{};
  ASSERT_EQ(AUD_SUCCESS, arcp_softlimit_read(p.head(), &s));
  EXPECT_EQ(0, s.ntxchan);
  EXPECT_EQ(16, s.nrxchan);
  EXPECT_EQ(0u, s.sample_rate);
}

TEST(ArcpPortRange, StaticRangeIsTheSecond) {
  std::vector<uint8_t> v = head(0x2809, 1, 0x3300, 1);
  for (uint16_t x : {14336, 14591, 14592, 14600}) be16(v, x);
  packet p(fix_size(v));
  arcp_range dyn{}, stat{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_port_range_read(p.head(), &dyn, &stat));
  EXPECT_EQ(14336, dyn._start);
  EXPECT_EQ(14592, stat._start);
  EXPECT_EQ(14600, stat._end);
}

TEST(ArcpErrors, QueryAsksForEveryFlow) {
  req r;
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_bundles_error_query_build(
                             &r.buf, 0x2809, 4, ARCP_OP_RX_bundles_late_packets_query, 1));
  std::vector<uint8_t> want = head(0x2809, 4, 0x4011, 0);
  want.insert(want.end(), {0, 1, 0, 1, 0, 0});
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

namespace {

std::vector<uint8_t> error_answer(uint16_t array_at, uint16_t flows, uint16_t intfs,
                                  unsigned values) {
  std::vector<uint8_t> v = head(0x2809, 4, 0x4011, 1);
  be16(v, array_at);
  be16(v, 0);
  be16(v, 1);
  be16(v, flows);
  be16(v, intfs);
  be32(v, 100);
  be32(v, 5);
  for (unsigned i = 0; i < values; i++) be32(v, 10 * (i + 1));
  return fix_size(v);
}

}  // namespace

TEST(ArcpErrors, CountersAreReadPerFlowAndInterface) {
  packet p(error_answer(28, 2, 2, 4));
  arcp_rx_bundles_error_info e{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_bundles_error_read(p.head(), 4, &e));
  EXPECT_EQ(100u, e.timestamp_seconds);
  EXPECT_EQ(30u, arcp_rx_bundles_error_value(&e, 1, 0));
  EXPECT_EQ(40u, arcp_rx_bundles_error_value(&e, 1, 1));
  EXPECT_EQ(0u, arcp_rx_bundles_error_value(&e, 2, 0));
}

TEST(ArcpErrors, ValuesOutsideThePacketOrInTheFixedPartAreRejected) {
  arcp_rx_bundles_error_info e{};
  packet past(error_answer(28, 2, 3, 4));
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_rx_bundles_error_read(past.head(), 4, &e));
  packet inside(error_answer(20, 1, 1, 1));
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_rx_bundles_error_read(inside.head(), 4, &e));
  packet huge(error_answer(28, 0xFFFF, 0xFFFF, 0));
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_rx_bundles_error_read(huge.head(), 2, &e));
}

TEST(ArcpDisplayGroups, QueryIsOneMediaRangeFromOne) {
  req r;
  ASSERT_EQ(AUD_SUCCESS, arcp_display_group_query_build(&r.buf, 0x2809, 6));
  std::vector<uint8_t> want = head(0x2809, 6, 0x4100, 0);
  want.insert(want.end(), {0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0});
  pad_to(want, 34);
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

TEST(ArcpDisplayGroups, RecordsAreReadFromTheSlots) {
  std::vector<uint8_t> v = head(0x2809, 6, 0x4100, 1);
  pad_to(v, 16);
  v.insert(v.end(), {2, 2, 0, 22, 0, 0});
  v.insert(v.end(), {4, 0, 0, 3, 0, 1, 0, 30});
  str(v, "Video");
  packet p(fix_size(v));
  arcp_display_group_info g{};
  ASSERT_EQ(AUD_SUCCESS, arcp_display_group_at_index(p.head(), 0, &g));
  EXPECT_EQ(3, g.id);
  EXPECT_STREQ("Video", g.label);
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_display_group_at_index(p.head(), 1, &g));
}
