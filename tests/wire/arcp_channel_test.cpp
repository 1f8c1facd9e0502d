// ARCP channel and flow bodies against hand-written bytes.
#include "wire/arcp/arcp_channel.h"

#include <gtest/gtest.h>

#include "wire/arcp/arcp_device_responses.h"
#include "wire/wire_test_util.h"

using namespace wire_test;

namespace {

struct req {
  dgcp_packet_buf buf{};
  req() { memset(buf.packet, 0xEE, sizeof buf.packet); }
  const dgcp_head *head() { return dgcp_packet_buf_head(&buf); }
};

// Two receive channels subscribed to one device: entries, one format, then
// the names in the order a device writes them, "TxDev" once.
std::vector<uint8_t> rx_channels_bytes() {
  std::vector<uint8_t> v = head(0x2809, 4, 0x3000, 1);
  v.insert(v.end(), {2, 2});
  // chan, flags, format, channel, host, label, supported, active, status, conn status, extra
  v.insert(v.end(), {0, 1, 0, 6, 0, 52, 0, 73, 0, 77, 0, 68, 1, 1, 0, 9, 0, 0, 0, 0});
  v.insert(v.end(), {0, 2, 0, 6, 0, 52, 0, 89, 0, 77, 0, 83, 1, 0, 0, 1, 0, 0, 0, 0});
  be32(v, 48000);
  v.insert(v.end(), {1, 1, 0, 24, 4, 0, 0, 24, 0, 0, 0, 0});
  str(v, "Left");   // 68
  str(v, "Ch1");    // 73
  str(v, "TxDev");  // 77
  str(v, "Right");  // 83
  str(v, "Ch2");    // 89
  return fix_size(v);
}

const arcp_resp_rx_channel k_rx_channels[] = {
    {1, 6, 48000, 24, "Left", "Ch1", "TxDev", 9, 1, 1},
    {2, 6, 48000, 24, "Right", "Ch2", "TxDev", 1, 1, 0},
};

}  // namespace

TEST(ArcpRxChannels, DeviceBuilderWritesTheHandWrittenAnswer) {
  req r;
  ASSERT_EQ(AUD_SUCCESS, arcp_resp_rx_channels_build(&r.buf, 0x2809, 4, k_rx_channels, 2));
  dgcp_set_status(dgcp_packet_buf_head(&r.buf), DGCP_Success);
  EXPECT_EQ(rx_channels_bytes(), bytes_of(r.buf));
}

TEST(ArcpRxChannels, EntriesAreReadWithTheirNamesAndSubscriptions) {
  packet p(rx_channels_bytes());
  arcp_rx_channel_info c{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_channel_at_index(p.head(), 1, &c));
  EXPECT_EQ(2, c.chan_id);
  EXPECT_STREQ("Right", c.label);
  EXPECT_STREQ("Ch2", c.channel);
  EXPECT_STREQ("TxDev", c.host);
  EXPECT_EQ(AUD_TRUE, c.format_valid);
  EXPECT_EQ(48000u, c.format.rate);
  EXPECT_EQ(1, c.status);
  EXPECT_EQ(AUD_FALSE, c.has_extra);
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_rx_channel_at_index(p.head(), 2, &c));
}

TEST(ArcpRxChannels, NamesInsideTheEntriesAreNotFollowed) {
  std::vector<uint8_t> v = rx_channels_bytes();
  v[12 + 11] = 14;  // label of entry 0 points into entry 0
  packet p(v);
  arcp_rx_channel_info c{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_channel_at_index(p.head(), 0, &c));
  EXPECT_EQ(nullptr, c.label);
}

TEST(ArcpRxChannels, ConnectionStatusAndExtraAreRead) {
  std::vector<uint8_t> v = head(0x2809, 4, 0x3000, 1);
  v.insert(v.end(), {1, 1});
  v.insert(v.end(), {0, 7, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x05, 0x04, 0, 0, 0, 32, 0, 36});
  v.insert(v.end(), {0x0A, 0x00, 0x12, 0});
  v.insert(v.end(), {4, 0, 0xFF, 0xF6, 0, 9, 0, 0});
  packet p(fix_size(v));
  arcp_rx_channel_info c{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_channel_at_index(p.head(), 0, &c));
  ASSERT_EQ(3, c.num_connection_status);
  EXPECT_EQ(0x0A, c.connection_status[0]);
  EXPECT_EQ(0x12, c.connection_status[2]);
  EXPECT_EQ(AUD_TRUE, c.has_extra);
  EXPECT_EQ(-10, c.dbu);
  EXPECT_EQ(9, c.physical_id);
}

TEST(ArcpTxChannels, EntriesAreRead) {
  std::vector<uint8_t> v = head(0x2809, 4, 0x2000, 1);
  v.insert(v.end(), {1, 1, 0, 3, 0x01, 0x03, 0, 20, 0, 36});
  be32(v, 44100);
  v.insert(v.end(), {1, 1, 0, 16, 4, 0, 0, 16, 0, 0, 0, 0});
  str(v, "Out 3");
  packet p(fix_size(v));
  arcp_tx_channel_info c{};
  ASSERT_EQ(AUD_SUCCESS, arcp_tx_channel_at_index(p.head(), 0, &c));
  EXPECT_EQ(3, c.chan_id);
  EXPECT_EQ(0x0103, c.flags);
  EXPECT_EQ(AUD_TRUE, c.format_valid);
  EXPECT_EQ(44100u, c.format.rate);
  EXPECT_STREQ("Out 3", c.label);
}

TEST(ArcpSubscriptions, TwoChannelsToOneDeviceShareTheDeviceName) {
  req r;
  ASSERT_EQ(AUD_SUCCESS, arcp_list_init(&r.buf, 0x2809, 8, ARCP_OP_RX_subscribe_unchecked, 2, 6));
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_subscription_add(&r.buf, 1, "Ch1", "TxDev"));
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_subscription_add(&r.buf, 2, "Ch2", "txdev"));
  std::vector<uint8_t> want = head(0x2809, 8, 0x3010, 0);
  want.insert(want.end(), {2, 2, 0, 1, 0, 24, 0, 28, 0, 2, 0, 34, 0, 28});
  str(want, "Ch1");
  str(want, "TxDev");
  str(want, "Ch2");
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

TEST(ArcpSubscriptions, RemovalHasNoNamesAndAHalfSubscriptionIsRefused) {
  req r;
  arcp_list_init(&r.buf, 0x2809, 8, ARCP_OP_RX_subscribe_unchecked, 2, 6);
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, arcp_rx_subscription_add(&r.buf, 1, "Ch1", nullptr));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, arcp_rx_subscription_add(&r.buf, 1, "", "Dev"));
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_subscription_add(&r.buf, 3, nullptr, nullptr));
  std::vector<uint8_t> want = head(0x2809, 8, 0x3010, 0);
  want.insert(want.end(), {2, 1, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

TEST(ArcpLabels, TransmitLabelConfigureSharesLabelsAndRemovalCarriesNone) {
  req r;
  arcp_util_label_entry entries[4];
  arcp_util_labels labels{0, 4, entries};
  arcp_list_init(&r.buf, 0x2809, 1, ARCP_OP_TX_alias_configure, 2, sizeof(arcp_tx_alias));
  ASSERT_EQ(AUD_SUCCESS, arcp_tx_alias_add(&r.buf, &labels, 0, 4, "Vox"));
  ASSERT_EQ(AUD_SUCCESS, arcp_tx_alias_add(&r.buf, &labels, 7, 0, "Vox"));
  std::vector<uint8_t> want = head(0x2809, 1, 0x2011, 0);
  want.insert(want.end(), {2, 2, 0, 0, 0, 4, 0, 24, 0, 7, 0, 0, 0, 0});
  str(want, "Vox");
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
  packet p(bytes_of(r.buf));
  arcp_tx_alias_info a{};
  ASSERT_EQ(AUD_SUCCESS, arcp_tx_alias_at_index(p.head(), 0, &a));
  EXPECT_EQ(4, a.chan_id);
  EXPECT_STREQ("Vox", a.label);
}

TEST(ArcpLabels, ChannelLabelOfIdZeroIsNotWritten) {
  req r;
  arcp_list_init(&r.buf, 0x2809, 1, ARCP_OP_RX_relabel, 2, sizeof(arcp_channel_label));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, arcp_channel_label_add(&r.buf, nullptr, 0, "x"));
  ASSERT_EQ(AUD_SUCCESS, arcp_channel_label_add(&r.buf, nullptr, 5, "Kick"));
  std::vector<uint8_t> want = head(0x2809, 1, 0x3001, 0);
  want.insert(want.end(), {2, 1, 0, 5, 0, 20, 0, 0, 0, 0});
  str(want, "Kick");
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

TEST(ArcpLevels, EqualLevelsOnAdjacentRangesMerge) {
  req r;
  arcp_msg_head_init(dgcp_packet_buf_head(&r.buf), 1, ARCP_OP_TX_channel_dbu_set);
  dgcp_array_msg_init(&r.buf);
  ASSERT_EQ(AUD_SUCCESS, arcp_tx_channel_dbu_add(&r.buf, 1, 2, 5));
  ASSERT_EQ(AUD_SUCCESS, arcp_tx_channel_dbu_add(&r.buf, 3, 4, 5));
  ASSERT_EQ(AUD_SUCCESS, arcp_tx_channel_dbu_add(&r.buf, 5, 5, -2));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, arcp_tx_channel_dbu_add(&r.buf, 0, 0, 1));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, arcp_tx_channel_dbu_add(&r.buf, 6, 3, 1));
  std::vector<uint8_t> want = head(0x2809, 1, 0x2033, 0);
  want.insert(want.end(), {0, 2, 0, 1, 0, 4, 0, 5, 0, 5, 0, 5, 0xFF, 0xFE});
  EXPECT_EQ(fix_size(want), bytes_of(r.buf));
}

// ---- Transmit flows ---------------------------------------------------------------------

namespace {

std::vector<uint8_t> tx_flow_bytes(uint16_t version) {
  std::vector<uint8_t> v = head(version, 3, 0x2201, 0);
  v.insert(v.end(), {1, 1, 0, 16, 0, 0});
  // record at 16
  v.insert(v.end(), {0, 1, 0, 2, 0, 0, 0xBB, 0x80, 1, 1, 0, 24, 0, 1, 0, 2});
  v.insert(v.end(), {0, 40, 0, 1, 0, 2, 0, 48});
  // sockaddr at 40, status at 48
  v.insert(v.end(), {8, 2, 0x10, 0xE1, 239, 1, 2, 3});
  v.insert(v.end(), {10, 0, 0, 1, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0x0F, 0x42, 0x40, 0, 1, 0, 0});
  return fix_size(v);
}

const uint16_t k_tx_chans[] = {1, 2};

arcp_204_tx_bundle_desc tx_flow_desc() {
  arcp_204_tx_bundle_desc d{};
  d.id = 1;
  d.flags = ARCP_TX_BUNDLE_FLAG_SAVE;
  d.rate = 48000;
  d.encoding = 24;
  d.naddr = 1;
  d.addrs[0] = {htonl(0xEF010203), 4321};
  d.nchan = 2;
  d.chans = k_tx_chans;
  d.with_status = AUD_TRUE;
  d.active = 1;
  d.fpp = 16;
  d.latency_ns = 1000000;
  d.flow_class = ARCP_FLOW_CLASS_DELOS_ATP;
  return d;
}

}  // namespace

TEST(ArcpTxFlows, WriterProducesTheRecordAddressAndStatus) {
  req r;
  ASSERT_EQ(AUD_SUCCESS, arcp_list_init(&r.buf, 0x2809, 3, ARCP_OP_TX_bundle_configure, 1, 2));
  arcp_204_tx_bundle_desc d = tx_flow_desc();
  ASSERT_EQ(AUD_SUCCESS, arcp_204_tx_bundle_write(&r.buf, &d));
  EXPECT_EQ(tx_flow_bytes(0x2809), bytes_of(r.buf));
}

TEST(ArcpTxFlows, ReaderTakesTheStatusFromVersionTwoSixOne) {
  packet p(tx_flow_bytes(0x2601));
  arcp_tx_bundle_info f{};
  ASSERT_EQ(AUD_SUCCESS, arcp_tx_bundle_at_index(p.head(), 0, &f));
  EXPECT_EQ(1, f.id);
  EXPECT_EQ(2, f.nchan);
  EXPECT_EQ(2, arcp_tx_bundle_info_chan(&f, 1));
  ASSERT_NE(nullptr, f.addrs[0]);
  EXPECT_EQ(htons(4321), f.addrs[0]->_port);
  EXPECT_EQ(AUD_TRUE, f.has_status);
  EXPECT_EQ(16, f.fpp);
  EXPECT_EQ(1000000u, f.latency_ns);
  EXPECT_EQ(ARCP_FLOW_CLASS_DELOS_ATP, f.flow_class);
}

TEST(ArcpTxFlows, StatusIsNotReadAtVersionTwoSix) {
  packet p(tx_flow_bytes(0x2600));
  arcp_tx_bundle_info f{};
  ASSERT_EQ(AUD_SUCCESS, arcp_tx_bundle_at_index(p.head(), 0, &f));
  EXPECT_EQ(AUD_FALSE, f.has_status);
  EXPECT_EQ(0, f.fpp);
}

TEST(ArcpTxFlows, SlotsRunningPastThePacketAreRejected) {
  std::vector<uint8_t> v = tx_flow_bytes(0x2809);
  v[16 + 15] = 40;  // nchan 40 does not fit
  packet p(v);
  arcp_tx_bundle_info f{};
  f.id = 77;
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_tx_bundle_at_index(p.head(), 0, &f));
  EXPECT_EQ(77, f.id);
}

TEST(ArcpTxFlows, WriterTakesBackAFlowThatDoesNotFit) {
  req r;
  r.buf.bufsize = 60;
  arcp_list_init(&r.buf, 0x2809, 3, ARCP_OP_TX_bundle_configure, 1, 2);
  arcp_204_tx_bundle_desc d = tx_flow_desc();
  EXPECT_EQ(AUD_ERR_NOMEMORY, arcp_204_tx_bundle_write(&r.buf, &d));
  EXPECT_EQ(14, dgcp_size(r.head()));
  EXPECT_EQ(0, dgcp_array_msg_count(r.head()));
}

TEST(ArcpTxFlows, Aes67RecordIsShortWhenOnlyOriginAndSessionAreValid) {
  req r;
  arcp_msg_head_init(dgcp_packet_buf_head(&r.buf), 1, 0);
  arcp_aes67_info a{};
  a.fields =
      ARCP_AES67_FLOW_INFO_FIELD__SAP_ORIGIN_ADDR | ARCP_AES67_FLOW_INFO_FIELD__SDP_SESSION_ID;
  a.sap_origin_addr_v4 = htonl(0x0A000001);
  a.sdp_session_id_lo = 99;
  EXPECT_EQ(htons(12), arcp_aes67_flow_info_write(&r.buf, &a));
  std::vector<uint8_t> want = {8, 0, 0, 3, 10, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 99};
  EXPECT_EQ(want, std::vector<uint8_t>(r.buf.packet + 12, r.buf.packet + 28));
  a.fields = 0;
  EXPECT_EQ(0, arcp_aes67_flow_info_write(&r.buf, &a));
  a.fields = ARCP_AES67_FLOW_INFO_FIELD__MEDIA_CLOCK_OFFSET;
  EXPECT_EQ(htons(28), arcp_aes67_flow_info_write(&r.buf, &a));
  EXPECT_EQ(56, dgcp_size(r.head()));
}

// ---- Receive flows ----------------------------------------------------------------------

namespace {

std::vector<uint8_t> rx_204_flow_bytes(uint16_t flags) {
  std::vector<uint8_t> v = head(0x2600, 3, 0x3200, 1);
  v.insert(v.end(), {1, 1, 0, 16, 0, 0});
  v.insert(v.end(), {0, 5, uint8_t(flags >> 8), uint8_t(flags), 0, 0, 0xBB, 0x80, 1, 1, 0, 24, 0, 0,
                     0, 2, 0, 1});
  v.insert(v.end(), {0, 40, 0, 42, 0, 44});
  v.insert(v.end(), {0, 3, 0, 4});
  v.insert(v.end(), {0, 9, 0, 1, 8, 0, 0, 0, 0, 0, 0x03, 0xE8, 0, 1, 0, 0});
  return fix_size(v);
}

}  // namespace

TEST(ArcpRxFlows, TwoZeroFourRecordWithMapsAndStatusIsRead) {
  packet p(rx_204_flow_bytes(ARCP_RX_BUNDLE_FLAG_SAVE));
  arcp_rx_bundle_info f{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_bundles_get_at_index(p.head(), 0, &f));
  EXPECT_EQ(ARCP_RX_BUNDLE_LAYOUT_204, f.layout);
  EXPECT_EQ(5, f.id);
  EXPECT_EQ(2, f.nslots);
  const uint8_t *m0 = arcp_204_rx_bundle_slot_map(p.head(), &f, 0);
  const uint8_t *m1 = arcp_204_rx_bundle_slot_map(p.head(), &f, 1);
  EXPECT_EQ(AUD_TRUE, arcp_204_rx_bundle_map_has_channel(m0, f.map_width, 2));
  EXPECT_EQ(AUD_FALSE, arcp_204_rx_bundle_map_has_channel(m0, f.map_width, 3));
  EXPECT_EQ(AUD_TRUE, arcp_204_rx_bundle_map_has_channel(m1, f.map_width, 3));
  EXPECT_EQ(AUD_TRUE, f.has_status);
  EXPECT_EQ(9, f.sub);
  EXPECT_EQ(1000u, f.latency_ns);
}

TEST(ArcpRxFlows, TwoZeroFourStatusIsNotReadBelowVersionTwoSix) {
  std::vector<uint8_t> v = rx_204_flow_bytes(ARCP_RX_BUNDLE_FLAG_SAVE);
  v[0] = 0x25;
  v[1] = 0x09;
  packet p(v);
  arcp_rx_bundle_info f{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_bundles_get_at_index(p.head(), 0, &f));
  EXPECT_EQ(AUD_FALSE, f.has_status);
  EXPECT_EQ(0u, f.latency_ns);
}

TEST(ArcpRxFlows, DeviceWriterProducesTheHandWrittenTwoZeroFourRecord) {
  req r;
  arcp_list_init(&r.buf, 0x2600, 3, ARCP_OP_RX_bundle_query, 1, 2);
  dgcp_set_status(dgcp_packet_buf_head(&r.buf), DGCP_Success);
  const uint16_t maps[] = {3, 4};
  arcp_rx_bundle_desc d{};
  d.id = 5;
  d.flags = ARCP_RX_BUNDLE_FLAG_SAVE;
  d.rate = 48000;
  d.encoding = 24;
  d.nslots = 2;
  d.map_width = 1;
  d.maps = maps;
  d.with_status = AUD_TRUE;
  d.sub = 9;
  d.receiving = 1;
  d.latency_ns = 1000;
  d.flow_class = ARCP_FLOW_CLASS_DELOS_ATP;
  ASSERT_EQ(AUD_SUCCESS, arcp_204_rx_bundle_write(&r.buf, &d));
  EXPECT_EQ(rx_204_flow_bytes(ARCP_RX_BUNDLE_FLAG_SAVE), bytes_of(r.buf));
}

TEST(ArcpRxFlows, MapTwentyEightFlagSelectsTheLayout) {
  packet p(rx_204_flow_bytes(ARCP_RX_BUNDLE_FLAG_MAP_28));
  arcp_rx_bundle_info f{};
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_204_rx_bundle_at_index(p.head(), 0, &f));
  // 48 bytes are needed for a "280" record; this packet ends before that.
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_280_rx_bundle_at_index(p.head(), 0, &f));
  std::vector<uint8_t> v = rx_204_flow_bytes(ARCP_RX_BUNDLE_FLAG_MAP_28);
  pad_to(v, 16 + 48);
  packet longer(fix_size(v));
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_204_rx_bundle_at_index(longer.head(), 0, &f));
  ASSERT_EQ(AUD_SUCCESS, arcp_280_rx_bundle_at_index(longer.head(), 0, &f));
  EXPECT_EQ(ARCP_RX_BUNDLE_LAYOUT_280, f.layout);
}

TEST(ArcpRxFlows, ChannelMapSlicesCloseOnLargeGaps) {
  req r;
  arcp_list_init(&r.buf, 0x2809, 3, ARCP_OP_RX_bundle_configure, 1, 2);
  arcp_rx_bundle_desc d{};
  d.id = 2;
  d.nslots = 3;
  uint16_t link = 0;
  ASSERT_EQ(AUD_SUCCESS, arcp_280_rx_bundle_write(&r.buf, &d, &link));
  EXPECT_EQ(16 + 38, link);
  arcp_util_rx_channel_map map;
  arcp_util_rx_channel_map_init(&map, 64, link);
  ASSERT_EQ(AUD_SUCCESS, arcp_util_rx_add_channel_map(&r.buf, &map, 3, 1));
  ASSERT_EQ(AUD_SUCCESS, arcp_util_rx_add_channel_map(&r.buf, &map, 4, 2));
  ASSERT_EQ(AUD_SUCCESS, arcp_util_rx_add_channel_map(&r.buf, &map, 20, 3));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, arcp_util_rx_add_channel_map(&r.buf, &map, 20, 1));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, arcp_util_rx_add_channel_map(&r.buf, &map, 21, 0));
  ASSERT_EQ(AUD_SUCCESS, arcp_util_rx_channel_map_finish(&r.buf, &map));
  // Record at 16 (48 bytes), then slice (3, 2) at 64 and slice (20, 2) at 72.
  std::vector<uint8_t> want = {0, 3, 0, 2, 0, 72, 1, 2, 0, 20, 0, 2, 0, 0, 3, 0};
  EXPECT_EQ(want, std::vector<uint8_t>(r.buf.packet + 64, r.buf.packet + 80));
  EXPECT_EQ(0, r.buf.packet[16 + 38]);
  EXPECT_EQ(64, r.buf.packet[16 + 39]);

  packet p(bytes_of(r.buf));
  arcp_rx_bundle_info f{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_bundles_get_at_index(p.head(), 0, &f));
  EXPECT_EQ(ARCP_RX_BUNDLE_LAYOUT_280, f.layout);
  arcp_280_rx_channel_map_info s{};
  ASSERT_EQ(AUD_SUCCESS, arcp_280_rx_channel_map_read(p.head(), f.chan_map, 14, &s));
  EXPECT_EQ(3, s.start_id);
  EXPECT_EQ(2, s.channel_slot[1]);
  ASSERT_EQ(AUD_SUCCESS, arcp_280_rx_channel_map_read(p.head(), s.next, 70, &s));
  EXPECT_EQ(20, s.start_id);
  EXPECT_EQ(0, s.next);
}

TEST(ArcpRxFlows, SliceChecks) {
  struct row {
    const char *what;
    std::vector<uint8_t> slice;
    aud_error_t want;
  };
  const row rows[] = {
      {"odd length", {0, 3, 0, 3, 0, 0, 1, 2, 3, 0}, AUD_ERR_INVALIDDATA},
      {"past the packet", {0, 3, 0, 8, 0, 0, 1, 2}, AUD_ERR_INVALIDDATA},
      {"closing slice", {0, 0, 0, 0, 0, 0, 0, 0}, AUD_ERR_DONE},
      {"links back to itself", {0, 3, 0, 2, 0, 12, 1, 2}, AUD_ERR_INVALIDDATA},
      {"well formed", {0, 3, 0, 2, 0, 0, 1, 2}, AUD_SUCCESS},
  };
  for (const row &r : rows) {
    std::vector<uint8_t> v = head(0x2809, 1, 0x3200, 1);
    pad_to(v, 12);
    v.insert(v.end(), r.slice.begin(), r.slice.end());
    packet p(fix_size(v));
    arcp_280_rx_channel_map_info s{};
    EXPECT_EQ(r.want, arcp_280_rx_channel_map_read(p.head(), htons(12), 0, &s)) << r.what;
  }
}
