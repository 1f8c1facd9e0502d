// ARCP media resource records against hand-written bytes, and a table of
// malformed packets that every reader must reject.
#include "wire/arcp/arcp_media.h"

#include <gtest/gtest.h>

#include <functional>

#include "wire/arcp/arcp_device_responses.h"
#include "wire/wire_test_util.h"

using namespace wire_test;

namespace {

struct req {
  dgcp_packet_buf buf{};
  req() { memset(buf.packet, 0xEE, sizeof buf.packet); }
  const dgcp_head *head() { return dgcp_packet_buf_head(&buf); }
};

void counts_segment(std::vector<uint8_t> &v, uint8_t size, uint8_t block, uint16_t type,
                    std::initializer_list<uint16_t> values) {
  v.push_back(size);
  v.push_back(block);
  be16(v, type);
  for (uint16_t x : values) be16(v, x);
}

// Offset array message with one slot at 18 naming a record at 20.
std::vector<uint8_t> one_slot_answer(uint16_t opcode) {
  std::vector<uint8_t> v = head(0x2809, 1, opcode, 1);
  pad_to(v, 16);
  v.insert(v.end(), {1, 1, 0, 20});
  return v;
}

}  // namespace

TEST(ArcpMediaCounts, SegmentsAreReadPerMediaTypeAndTypeZeroIsSkipped) {
  std::vector<uint8_t> v = head(0x2809, 1, 0x1000, 1);
  pad_to(v, 12);
  counts_segment(v, 20, 56, 3, {2, 2, 8, 64, 16, 64, 4, 32, 8, 32, 0, 8, 0, 8, 0, 1, 0, 3});
  counts_segment(v, 20, 36, 0, {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
  counts_segment(v, 16, 0, 4, {1, 1, 1, 1, 2, 2, 1, 1, 2, 2, 0, 1, 0, 1});
  packet p(fix_size(v));
  arcp_resource_counts_info c[ARCP_MEDIA_TYPE__ANCIL + 1] = {};
  uint32_t bitmap = 0;
  ASSERT_EQ(AUD_SUCCESS, arcp_resource_counts_get(p.head(), htons(12), c, &bitmap));
  EXPECT_EQ(0x18u, bitmap);
  EXPECT_EQ(8, c[3].txchan);
  EXPECT_EQ(16, c[3].rxchan);
  EXPECT_EQ(8, c[3].txflow_slots);
  EXPECT_EQ(3, c[3].rxformat_options);
  EXPECT_EQ(2, c[4].rxchan);
  EXPECT_EQ(1, c[4].rxflow_slots);
  EXPECT_EQ(0, c[4].rxformat_options);
  EXPECT_EQ(0, c[0].txchan);
}

TEST(ArcpMediaCounts, DeviceWriterIsReadBack) {
  req r;
  arcp_msg_head_init(dgcp_packet_buf_head(&r.buf), 1, 0);
  arcp_resource_counts_info in[2] = {{3, 2, 8, 8, 2, 2, 16, 16, 1, 4},
                                     {5, 1, 1, 1, 1, 1, 1, 1, 0, 0}};
  dgcp_raw_offset_t off = arcp_resp_resource_counts_write(&r.buf, in, 2);
  ASSERT_NE(0, off);
  packet p(bytes_of(r.buf));
  arcp_resource_counts_info c[ARCP_MEDIA_TYPE__ANCIL + 1] = {};
  uint32_t bitmap = 0;
  ASSERT_EQ(AUD_SUCCESS, arcp_resource_counts_get(p.head(), off, c, &bitmap));
  EXPECT_EQ(0x28u, bitmap);
  EXPECT_EQ(4, c[3].rxformat_options);
  EXPECT_EQ(1, c[5].rxchan);
}

namespace {

std::vector<uint8_t> resource_bytes(uint8_t size_words) {
  std::vector<uint8_t> v = one_slot_answer(0x3400);
  v.insert(v.end(), {size_words, 0, 0,    7,    0, 0, 0, 3, 0, 5,  0, 0,
                     0,          0, 0x01, 0x10, 0, 0, 0, 0, 0, 60, 0, 0});
  v.insert(v.end(), {0, 0, 0, 0, 0, 1, 0, 65});
  v.insert(v.end(), {0, 1, 1, 0, 0, 9, 0, 0});
  str(v, "Mic1");
  str(v, "In 7");
  return fix_size(v);
}

}  // namespace

TEST(ArcpMediaResource, SixteenWordsGiveTheDefaultLabelButNothingAfterIt) {
  packet p(resource_bytes(16));
  const dgcp_extensible_data *res = arcp_resource_at_index(p.head(), 0);
  ASSERT_NE(nullptr, res);
  arcp_resource_info r{};
  ASSERT_EQ(AUD_SUCCESS,
            arcp_resource_read(p.head(), res, arcp_media_answer_lower_bound(p.head()), &r));
  EXPECT_EQ(7, r.res_id);
  EXPECT_EQ(ARCP_MEDIA_TYPE__AUDIO, r.mtype);
  EXPECT_EQ(5, r.media_id);
  EXPECT_EQ(0x110u, r.flags);
  EXPECT_STREQ("Mic1", r.label);
  EXPECT_EQ(1, r.ext_status);
  EXPECT_STREQ("In 7", r.default_label);
  EXPECT_EQ(0, r.processing_status);
  EXPECT_EQ(0, r.encrypt_scheme);
  EXPECT_EQ(0, r.display_group_id);
}

TEST(ArcpMediaResource, TwentyWordsGiveEveryField) {
  packet p(resource_bytes(20));
  arcp_resource_info r{};
  ASSERT_EQ(AUD_SUCCESS, arcp_resource_read(p.head(), arcp_resource_at_index(p.head(), 0), 20, &r));
  EXPECT_EQ(1, r.processing_status);
  EXPECT_EQ(ARCP_ENCRYPTION__HDCP, r.encrypt_scheme);
  EXPECT_EQ(9, r.display_group_id);
}

TEST(ArcpMediaChannel, AudioLevelNeedsTheDbuFlag) {
  struct row {
    uint32_t flags;
    int16_t want;
  };
  const row rows[] = {{0, ARCP_DBU_UNKNOWN}, {ARCP_RX_CHANNEL_FLAG_SUPPORTS_DBU, -4}};
  for (const row &rw : rows) {
    req r;
    arcp_resp_head(&r.buf, 0x2809, 1, ARCP_OP_RX_media_query, DGCP_Success);
    dgcp_offset_array_msg_init(&r.buf, 1);
    arcp_util_media_offset_tables t;
    arcp_util_media_offset_tables_init(&t);
    arcp_resp_media_channel c{};
    c.res_id = 1;
    c.mtype = ARCP_MEDIA_TYPE__AUDIO;
    c.media_id = 1;
    c.flags = rw.flags;
    c.label = "In1";
    c.format.mtype = ARCP_MEDIA_TYPE__AUDIO;
    c.format.audio.rate = 48000;
    c.rx = AUD_TRUE;
    c.sub_channel = "Out1";
    c.sub_device = "Amp";
    c.status = 0x0109;
    c.dbu = -4;
    ASSERT_EQ(AUD_SUCCESS, arcp_resp_media_channel_add(&r.buf, &t, &c));
    packet p(bytes_of(r.buf));
    const dgcp_extensible_data *res = arcp_resource_at_index(p.head(), 0);
    ASSERT_NE(nullptr, res);
    // Resource, data and level segments: 20, 6 and 2 words.
    EXPECT_EQ(20, res->_size);
    EXPECT_EQ(28, res->_block);
    arcp_rx_media_channel_info ch{};
    ASSERT_EQ(AUD_SUCCESS, arcp_rx_media_channel_read(
                               p.head(), res, arcp_media_answer_lower_bound(p.head()), &ch));
    EXPECT_EQ(rw.want, ch.dbu);
    EXPECT_EQ(AUD_TRUE, ch.subscribed);
    EXPECT_STREQ("Amp", ch.sub_device);
    EXPECT_EQ(0x0109, ch.status);
  }
}

TEST(ArcpMediaFormat, VideoChainOfOneSegmentIsInvalid) {
  std::vector<uint8_t> v = head(0x2809, 1, 0, 1);
  pad_to(v, 12);
  v.insert(v.end(), {2, 0, 0, 0});
  packet p(fix_size(v));
  arcp_media_format_info f{};
  f.video_subtype = 5;
  EXPECT_EQ(AUD_ERR_INVALIDDATA,
            arcp_media_format_read(p.head(), htons(12), 0, ARCP_MEDIA_TYPE__VIDEO, &f));
  EXPECT_EQ(5u, f.video_subtype);
}

TEST(ArcpMediaFormat, VideoChainOfTwoSegmentsGivesSubtypeAndCodec) {
  std::vector<uint8_t> v = head(0x2809, 1, 0, 1);
  pad_to(v, 12);
  v.insert(v.end(), {2, 8, 0, 0, 6, 0, 0, 0, 0, 0, 0, 130, 0, 0, 0, 7});
  packet p(fix_size(v));
  arcp_media_format_info f{};
  ASSERT_EQ(AUD_SUCCESS,
            arcp_media_format_read(p.head(), htons(12), 0, ARCP_MEDIA_TYPE__VIDEO, &f));
  EXPECT_EQ(DELOS_VIDEO_SUBTYPE__H264, f.video_subtype);
  EXPECT_EQ(7u, f.video_codec_id);
  req r;
  arcp_msg_head_init(dgcp_packet_buf_head(&r.buf), 1, 0);
  dgcp_set_msg_size(&r.buf, 12);
  EXPECT_EQ(htons(12), arcp_alloc_video_format(&r.buf, 130, 7));
  EXPECT_EQ(std::vector<uint8_t>(v.begin() + 12, v.end()),
            std::vector<uint8_t>(r.buf.packet + 12, r.buf.packet + 28));
}

TEST(ArcpMediaFormat, AncillaryIsOneWord) {
  std::vector<uint8_t> v = head(0x2809, 1, 0, 1);
  pad_to(v, 12);
  be32(v, 0x00010002);
  packet p(fix_size(v));
  arcp_media_format_info f{};
  ASSERT_EQ(AUD_SUCCESS,
            arcp_media_format_read(p.head(), htons(12), 0, ARCP_MEDIA_TYPE__ANCIL, &f));
  EXPECT_EQ(0x00010002u, f.ancil_type);
  EXPECT_EQ(AUD_ERR_NOTSUPPORTED,
            arcp_media_format_read(p.head(), htons(12), 0, ARCP_MEDIA_TYPE__ALL, &f));
}

// ---- Flows ----------------------------------------------------------------------------------

namespace {

// The chain arcp_util_add_txflow_to_packet writes for one audio flow.
std::vector<uint8_t> txflow_bytes() {
  std::vector<uint8_t> v = head(0x2809, 2, 0x2601, 0);
  v.insert(v.end(), {0, 0, 0, 0, 0, 0, 1, 1, 0, 40});
  str(v, "F1");  // 20
  pad_to(v, 24);
  v.insert(v.end(), {0, 0, 0xBB, 0x80, 1, 1, 0, 24, 4, 0, 0, 24, 0, 0, 0, 0});  // format at 24
  // resource at 40
  v.insert(v.end(),
           {20, 39, 0, 0, 0, 0, 0, 3, 0, 1, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0x16, 0, 20, 0, 24});
  be32(v, 1000000);
  pad_to(v, 80);
  v.insert(v.end(), {8, 19, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0});  // flow data at 80
  v.insert(v.end(), {4, 11, 1, 1, 0, 120, 0, 0});                        // addresses at 96
  v.insert(v.end(), {5, 7, 0, 2, 0, 3, 0, 4, 0, 0});                     // map at 104
  v.insert(v.end(), {2, 0, 0, 16});                                      // audio at 114
  pad_to(v, 120);
  v.insert(v.end(), {8, 2, 0x13, 0x8C, 239, 1, 1, 1});
  return fix_size(v);
}

const uint16_t k_chans[] = {3, 4};

arcp_txflow_desc txflow_desc() {
  arcp_txflow_desc d{};
  d.media_id = 1;
  d.mtype = ARCP_MEDIA_TYPE__AUDIO;
  d.flags = ARCP_TX_BUNDLE_FLAG_SAVE | ARCP_TX_BUNDLE_FLAG_SAVE_ADDR;
  d.flags_valid = ARCP_TXFLOW_CONFIGURE_FLAGS_VALID;
  d.name = "F1";
  d.sample_rate = 48000;
  d.encoding = 24;
  d.latency_ns = 1000000;
  d.n_intf = 1;
  d.active = 1;
  d.addrs[0] = {htonl(0xEF010101), 5004};
  d.n_slots = 2;
  d.chan_ids = k_chans;
  d.fpp = 16;
  return d;
}

}  // namespace

TEST(ArcpMediaFlows, TransmitFlowConfigureWritesTheWholeChain) {
  req r;
  arcp_msg_head_init(dgcp_packet_buf_head(&r.buf), 2, ARCP_OP_TX_media_bundle_configure);
  ASSERT_EQ(20, dgcp_offset_array_msg_init(&r.buf, 1));
  arcp_txflow_desc d = txflow_desc();
  ASSERT_EQ(AUD_SUCCESS, arcp_util_add_txflow_to_packet(&r.buf, &d, nullptr));
  EXPECT_EQ(txflow_bytes(), bytes_of(r.buf));
}

TEST(ArcpMediaFlows, TransmitFlowChainIsReadBack) {
  packet p(txflow_bytes());
  const dgcp_extensible_data *chain = arcp_resource_at_index(p.head(), 0);
  ASSERT_NE(nullptr, chain);
  arcp_media_flow_info f{};
  ASSERT_EQ(AUD_SUCCESS, arcp_tx_media_flow_read(p.head(), chain, 20, &f));
  EXPECT_EQ(1, f.resource.media_id);
  EXPECT_STREQ("F1", f.resource.label);
  EXPECT_EQ(ARCP_FLOW_CLASS_DELOS_ATP, f.flow_class);
  EXPECT_EQ(1, f.n_addr);
  ASSERT_NE(nullptr, f.addrs[0]);
  EXPECT_EQ(htons(5004), f.addrs[0]->_port);
  EXPECT_EQ(2, f.n_slots);
  EXPECT_EQ(4, arcp_media_flow_chan_id(&f, 1));
  EXPECT_EQ(16, f.fpp);
  arcp_media_format_info fmt{};
  ASSERT_EQ(AUD_SUCCESS,
            arcp_media_format_read(p.head(), f.resource.format, 20, f.resource.mtype, &fmt));
  EXPECT_EQ(48000u, fmt.audio.rate);
}

TEST(ArcpMediaFlows, MoreThanTwoInterfacesIsAnInvalidParameter) {
  req r;
  arcp_msg_head_init(dgcp_packet_buf_head(&r.buf), 2, ARCP_OP_TX_media_bundle_configure);
  dgcp_offset_array_msg_init(&r.buf, 1);
  arcp_txflow_desc d = txflow_desc();
  d.n_intf = 3;
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, arcp_util_add_txflow_to_packet(&r.buf, &d, nullptr));
  d.n_intf = 1;
  r.buf.bufsize = 100;
  EXPECT_EQ(AUD_ERR_NOMEMORY, arcp_util_add_txflow_to_packet(&r.buf, &d, nullptr));
  EXPECT_EQ(20, dgcp_size(r.head()));
  EXPECT_EQ(0, arcp_offset_array_msg_count(r.head()));
}

namespace {

// A transmit flow chain with an HDCP segment after the audio segment.
std::vector<uint8_t> hdcp_chain_bytes(uint16_t mtype) {
  std::vector<uint8_t> v = one_slot_answer(0x2600);
  v.insert(v.end(), {20, 41, 0, 0, 0, 0, uint8_t(mtype >> 8), uint8_t(mtype), 0, 2});
  pad_to(v, 60);
  v.insert(v.end(), {8, 21, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0});
  v.insert(v.end(), {4, 13, 0, 0, 0, 0, 0, 0});
  v.insert(v.end(), {4, 9, 0, 0, 0, 0, 0, 0});
  v.insert(v.end(), {2, 5, 0, 8});
  v.insert(v.end(), {3, 0, 0x01, 0x01, 0, 0});  // typed 257, padded head
  v.erase(v.end() - 2, v.end());
  v.insert(v.end(), {0xCA, 0xFE});
  return fix_size(v);
}

}  // namespace

TEST(ArcpMediaFlows, HdcpSegmentAfterTheAudioSegmentIsAcceptedAndReadOnlyForVideo) {
  packet audio(hdcp_chain_bytes(ARCP_MEDIA_TYPE__AUDIO));
  arcp_tx_media_flow_segments s{};
  ASSERT_EQ(AUD_SUCCESS,
            arcp_util_get_tx_media_flow_segments(arcp_resource_at_index(audio.head(), 0), &s));
  EXPECT_NE(nullptr, s.hdcp);
  EXPECT_EQ(8, arcp_util_tx_media_flow__fpp(&s));
  EXPECT_EQ(0u, arcp_util_tx_media_flow__hdcp_token(&s));

  // For video the fifth segment is no audio segment; the typed one is still
  // found after the fixed ones, but this one is too short to hold a token.
  packet video(hdcp_chain_bytes(ARCP_MEDIA_TYPE__VIDEO));
  ASSERT_EQ(AUD_SUCCESS,
            arcp_util_get_tx_media_flow_segments(arcp_resource_at_index(video.head(), 0), &s));
  EXPECT_EQ(0, arcp_util_tx_media_flow__fpp(&s));
  EXPECT_NE(nullptr, s.hdcp);
  EXPECT_EQ(0u, arcp_util_tx_media_flow__hdcp_token(&s));
}

TEST(ArcpMediaFlows, HdcpTokenOfAVideoFlow) {
  std::vector<uint8_t> v = one_slot_answer(0x2600);
  v.insert(v.end(), {20, 40, 0, 0, 0, 0, 0, 4, 0, 2});
  pad_to(v, 60);
  v.insert(v.end(), {8, 20, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0});
  v.insert(v.end(), {4, 12, 0, 0, 0, 0, 0, 0});
  v.insert(v.end(), {4, 8, 0, 0, 0, 0, 0, 0});
  v.insert(v.end(), {4, 0, 0x01, 0x01, 0xCA, 0xFE, 0xBA, 0xBE});
  packet p(fix_size(v));
  arcp_tx_media_flow_segments s{};
  ASSERT_EQ(AUD_SUCCESS,
            arcp_util_get_tx_media_flow_segments(arcp_resource_at_index(p.head(), 0), &s));
  ASSERT_NE(nullptr, s.hdcp);
  EXPECT_EQ(0xCAFEBABEu, arcp_util_tx_media_flow__hdcp_token(&s));
}

TEST(ArcpMediaFlows, ReceiveFlowChainIsRead) {
  std::vector<uint8_t> v = one_slot_answer(0x3600);
  v.insert(v.end(),
           {20, 34, 0, 9, 0, 0, 0, 3, 0, 2, 0, 0, 0, 0, 0x02, 0x03, 0, 0, 0, 0, 0, 0, 0, 0});
  pad_to(v, 60);
  v.insert(v.end(), {10, 14, 0, 0, 0x01, 0x09, 3, 1, 0, 1, 0, 0, 0, 4, 0, 88, 0, 0, 0, 5});
  v.insert(v.end(), {4, 0, 1, 1, 0, 96, 0, 0});
  v.insert(v.end(), {0, 1, 0, 2, 0, 0, 2, 1});
  v.insert(v.end(), {8, 2, 0x13, 0x8C, 239, 9, 9, 9});
  packet p(fix_size(v));
  arcp_media_flow_info f{};
  ASSERT_EQ(AUD_SUCCESS,
            arcp_rx_media_flow_read(p.head(), arcp_resource_at_index(p.head(), 0), 20, &f));
  EXPECT_EQ(9, f.resource.res_id);
  EXPECT_EQ(0x0109, f.status);
  EXPECT_EQ(4, f.nslots);
  EXPECT_EQ(5u, f.session_id);
  ASSERT_NE(nullptr, f.addrs[0]);
  arcp_280_rx_channel_map_info s{};
  ASSERT_EQ(AUD_SUCCESS, arcp_280_rx_channel_map_read(p.head(), f.chan_map, 20, &s));
  EXPECT_EQ(1, s.start_id);
  EXPECT_EQ(2, s.channel_slot[0]);
}

// ---- Label and subscription entries -------------------------------------------------------------

TEST(ArcpMediaEntries, LabelEntriesLeaveAnEmptyLabelAtZero) {
  req r;
  ASSERT_EQ(AUD_SUCCESS,
            arcp_media_static_list_init(&r.buf, 0x2809, 1, ARCP_OP_RX_media_relabel, 2, 6));
  ASSERT_EQ(AUD_SUCCESS, arcp_resource_label_alloc_entry(&r.buf, 5, ARCP_MEDIA_TYPE__AUDIO, "Gtr"));
  ASSERT_EQ(AUD_SUCCESS, arcp_resource_label_alloc_entry(&r.buf, 6, ARCP_MEDIA_TYPE__VIDEO, ""));
  std::vector<uint8_t> want = head(0x2809, 1, 0x3401, 0);
  want.insert(want.end(), {0, 0, 0, 0, 0, 0, 6, 0, 2, 2, 0, 5, 0, 3, 0, 32, 0, 6, 0, 4, 0, 0});
  str(want, "Gtr");
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

TEST(ArcpMediaEntries, LabelEntryIsTakenBackWhenItsStringDoesNotFit) {
  req r;
  r.buf.bufsize = 30;
  arcp_media_static_list_init(&r.buf, 0x2809, 1, ARCP_OP_TX_media_relabel, 1, 6);
  EXPECT_EQ(AUD_ERR_NOMEMORY, arcp_resource_label_alloc_entry(&r.buf, 5, 3, "Long name"));
  EXPECT_EQ(26, dgcp_size(r.head()));
  EXPECT_EQ(0, r.buf.packet[19]);
}

TEST(ArcpMediaEntries, SubscriptionEntriesStoreEachNameSeparately) {
  req r;
  ASSERT_EQ(AUD_SUCCESS,
            arcp_media_static_list_init(&r.buf, 0x2809, 1, ARCP_OP_RX_media_subscribe, 2, 8));
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_media_sub_add(&r.buf, 1, 3, "Ch1", "Dev"));
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_media_sub_add(&r.buf, 2, 3, "Ch1", "Dev"));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, arcp_rx_media_sub_add(&r.buf, 3, 3, "Ch1", nullptr));
  std::vector<uint8_t> want = head(0x2809, 1, 0x3410, 0);
  want.insert(want.end(), {0, 0, 0, 0, 0, 0, 8, 0, 2, 2});
  want.insert(want.end(), {0, 1, 0, 3, 0, 36, 0, 40, 0, 2, 0, 3, 0, 44, 0, 48});
  str(want, "Ch1");
  str(want, "Dev");
  str(want, "Ch1");
  str(want, "Dev");
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

// ---- Malformed packets --------------------------------------------------------------------------

namespace {

struct malformed {
  const char *what;
  std::vector<uint8_t> bytes;
  size_t received;  // 0: the whole vector
  std::function<bool(const dgcp_head *)> rejected;
};

std::vector<uint8_t> with(std::vector<uint8_t> v, size_t at, std::initializer_list<uint8_t> b) {
  for (uint8_t x : b) v[at++] = x;
  return v;
}

}  // namespace

TEST(ArcpMalformed, EveryMalformedPacketIsRejected) {
  const std::vector<uint8_t> rx = [] {
    std::vector<uint8_t> v = head(0x2809, 4, 0x3000, 1);
    v.insert(v.end(), {1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0});
    str(v, "Name");
    return fix_size(v);
  }();
  auto rx_label_absent = [](const dgcp_head *h) {
    arcp_rx_channel_info c{};
    return arcp_rx_channel_at_index(h, 0, &c) != AUD_SUCCESS || c.label == nullptr;
  };
  auto no_resource = [](const dgcp_head *h) { return arcp_resource_at_index(h, 0) == nullptr; };
  const malformed rows[] = {
      {"short header", {0x28, 0x09, 0, 10, 0, 1, 0x30, 0, 0}, 0, nullptr},
      {"_size beyond the datagram", rx, rx.size() - 1, nullptr},
      {"_size below the header", with(rx, 2, {0, 8}), 0, nullptr},
      {"offset into the header", with(rx, 12 + 10, {0, 4}), 0, rx_label_absent},
      {"offset into the entries", with(rx, 12 + 10, {0, 14}), 0, rx_label_absent},
      {"offset past the end", with(rx, 12 + 10, {0, 37}), 0, rx_label_absent},
      {"unterminated string", with(rx, 36, {'!'}), 0, rx_label_absent},
      {"entry count beyond the packet", with(rx, 11, {2}), 0,
       [](const dgcp_head *h) {
         arcp_rx_channel_info c{};
         return arcp_rx_channel_at_index(h, 1, &c) == AUD_ERR_INVALIDDATA;
       }},
      {"offset array count above its maximum", with(resource_bytes(16), 17, {2}), 0, no_resource},
      {"resource slot into the slots", with(resource_bytes(16), 18, {0, 16}), 0, no_resource},
      {"resource block past the packet", with(resource_bytes(16), 21, {60}), 0, no_resource},
      {"resource size past the packet", with(resource_bytes(16), 20, {60}), 0, no_resource},
      {"transmit map with more slots than its segment holds", with(txflow_bytes(), 106, {0, 9}), 0,
       [](const dgcp_head *h) {
         arcp_media_flow_info f{};
         return arcp_tx_media_flow_read(h, arcp_resource_at_index(h, 0), 20, &f) ==
                AUD_ERR_INVALIDDATA;
       }},
      {"address count above its maximum", with(txflow_bytes(), 98, {3}), 0,
       [](const dgcp_head *h) {
         arcp_media_flow_info f{};
         return arcp_tx_media_flow_read(h, arcp_resource_at_index(h, 0), 20, &f) ==
                AUD_ERR_INVALIDDATA;
       }},
      {"chain whose second segment runs past the first one's block", with(txflow_bytes(), 80, {30}),
       0,
       [](const dgcp_head *h) {
         arcp_tx_media_flow_segments s{};
         return arcp_util_get_tx_media_flow_segments(arcp_resource_at_index(h, 0), &s) ==
                    AUD_SUCCESS &&
                s.flow_data == nullptr;
       }},
  };
  for (const malformed &m : rows) {
    packet p(m.bytes);
    size_t received = m.received ? m.received : m.bytes.size();
    if (!m.rejected) {
      EXPECT_EQ(0, dgcp_verify_size(p.head(), received)) << m.what;
      continue;
    }
    ASSERT_NE(0, dgcp_verify_size(p.head(), received)) << m.what;
    EXPECT_TRUE(m.rejected(p.head())) << m.what;
  }
}
