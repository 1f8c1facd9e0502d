// ARCP receive flow templates against hand-written bytes.
#include "wire/arcp/arcp_template.h"

#include <gtest/gtest.h>

#include "wire/wire_test_util.h"

using namespace wire_test;

namespace {

std::vector<uint8_t> template_bytes() {
  std::vector<uint8_t> v = head(0x2809, 1, 0x3241, 0);
  v.insert(v.end(), {4, 0, 0, 20, 0, 0, 0, 0, 0, 0});
  // flow at 20
  v.insert(v.end(),
           {22, 0, 0, 3, 0, 0, 0, 72, 0, 0, 0, 0, 0, 0, 0, 0xC1, 0, 0, 0, 64, 0, 67, 0, 2});
  v.insert(v.end(), {0, 0, 0xBB, 0x80, 1, 1, 0, 24, 0, 0x0F, 0x42, 0x40, 0, 0, 0, 0, 0, 0, 0, 0});
  str(v, "F1");   // 64
  str(v, "Amp");  // 67
  pad_to(v, 72);
  v.insert(v.end(), {0, 3, 0, 0, 2, 0, 0, 1, 0, 0, 0, 1, 0, 94, 0, 2, 0, 0, 0, 2, 0, 99});
  str(v, "Out1");
  str(v, "Out2");
  return fix_size(v);
}

const arcp_rx_template_channel_desc k_chans[] = {{1, 0, 1, "Out1"}, {2, 0, 2, "Out2"}};

}  // namespace

TEST(ArcpTemplates, WriterLinksTheFlowAndItsChannelBlock) {
  dgcp_packet_buf buf{};
  memset(buf.packet, 0xEE, sizeof buf.packet);
  arcp_rx_templates_writer w{};
  ASSERT_EQ(AUD_SUCCESS,
            arcp_rx_templates_init(&buf, 0x2809, 1, ARCP_OP_RX_template_configure, &w));
  arcp_rx_template_flow_desc d{};
  d.id = 3;
  d.manual_flags = 0xC1;
  d.tx_flowname = "F1";
  d.tx_device = "Amp";
  d.nslots = 2;
  d.rate = 48000;
  d.encoding = 24;
  d.latency_ns = 1000000;
  d.chans = k_chans;
  d.nchan = 2;
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_template_flow_write(&buf, &w, &d, nullptr));
  EXPECT_EQ(template_bytes(), bytes_of(buf));
}

TEST(ArcpTemplates, FlowAndChannelsAreRead) {
  packet p(template_bytes());
  arcp_rx_templates_info t{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_templates_read(p.head(), &t));
  arcp_rx_template_flow_info f{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_template_flow_read(p.head(), t.flows, 18, &f));
  EXPECT_EQ(3, f.id);
  EXPECT_EQ(0xC1u, f.manual_flags);
  EXPECT_EQ(nullptr, f.name);
  EXPECT_STREQ("F1", f.tx_flowname);
  EXPECT_STREQ("Amp", f.tx_device);
  EXPECT_EQ(48000u, f.format.rate);
  arcp_rx_template_channels_info b{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_template_channels_read(p.head(), f.chans, 18, &b));
  EXPECT_EQ(2, b.nchan);
  arcp_rx_template_channel_info c{};
  ASSERT_EQ(AUD_SUCCESS, arcp_rx_template_channel_at(p.head(), &b, 1, 18, &c));
  EXPECT_EQ(2, c.id);
  EXPECT_EQ(2, c.slot);
  EXPECT_STREQ("Out2", c.sub);
}

TEST(ArcpTemplates, LinksBackwardsAndBlocksPastTheEndAreRejected) {
  std::vector<uint8_t> back = template_bytes();
  back[25] = 20;  // the flow's _next names itself
  packet p(back);
  arcp_rx_template_flow_info f{};
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_rx_template_flow_read(p.head(), htons(20), 18, &f));
  std::vector<uint8_t> longer = template_bytes();
  longer[76] = 9;  // nine entries do not fit
  packet q(longer);
  arcp_rx_template_channels_info b{};
  EXPECT_EQ(AUD_ERR_INVALIDDATA, arcp_rx_template_channels_read(q.head(), htons(72), 18, &b));
}
