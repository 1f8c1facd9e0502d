// The device-side status builders produce the bodies written out by hand.
#include <gtest/gtest.h>

#include <cstring>

#include "aurelian_fixtures.h"
#include "conmon/messages/conmon_aurelian_status_build.h"
#include "conmon_test_bytes.h"

namespace {

TEST(AurelianStatusBuild, ClockingStatusMatchesTheHandWrittenBody) {
  conmon_aurelian_clocking_status_info_t c = {};
  c.clock_state = 3;
  c.servo_state = 3;
  c.clock_source = 1;
  c.clock_preferred = 1;
  c.clock_stratum = 2;
  c.drift = -2;
  const uint8_t base[6] = {0x00, 0x1D, 0xC1, 0x00, 0x00, 0x00};
  std::memcpy(c.uuid.data, base, 6);
  std::memcpy(c.master_uuid.data, base, 6);
  std::memcpy(c.grandmaster_uuid.data, base, 6);
  c.uuid.data[5] = 1;
  c.master_uuid.data[5] = 2;
  c.grandmaster_uuid.data[5] = 3;
  c.num_ports = 2;
  c.port_states[0] = 9;
  c.port_states[1] = 6;
  c.has_ext = AUD_TRUE;
  c.capabilities = 0x0180;
  c.subdomain_index = 5;
  c.max_drift = 500;
  c.ptp_version = 2;
  c.v2_domain_number = 42;
  c.flags = 0x1802;
  std::memcpy(c.subdomain_name, "_DFLT", 5);
  c.mute_flags = 0x0011;
  c.wc_valid = 3;
  c.has_ext2 = AUD_TRUE;
  c.num_ext2_ports = 2;
  c.ext2_ports[0] = {4, 1, 2, 2, 1, 3, 9, 0};
  c.ext2_ports[1] = {2, 2, 1, 2, 2, 4, 6, 0};
  c.has_ext3 = AUD_TRUE;
  c.ext3_flags = 7;
  std::memset(c.v2_uuid.data, 0xAA, 8);
  std::memset(c.v2_master_uuid.data, 0xBB, 8);
  std::memset(c.v2_gm_uuid.data, 0xCC, 8);
  c.network_index[0] = 0;
  c.network_index[1] = 0xFFFF;
  conmon_message_body_t body;
  size_t size = 0;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_build_clocking_status(&body, &size, 0x0734, 0, &c));
  bytes_t expected = clocking_status_0734();
  expected[179] = 0;  // an invalid network index is written as 0
  EXPECT_EQ(expected, first_bytes(body, size));
}

TEST(AurelianStatusBuild, InterfaceStatusMatchesTheHandWrittenBody) {
  conmon_aurelian_interface_status_info_t f = {};
  f.mode = 1;
  f.flags = 1;
  f.num_interfaces = 2;
  f.has_interface2 = AUD_TRUE;
  const uint8_t mac0[6] = {0x00, 0x1D, 0xC1, 0x12, 0x34, 0x56};
  const uint8_t mac1[6] = {0x00, 0x1D, 0xC1, 0x12, 0x34, 0x57};
  f.interfaces[0].link_speed = 1000;
  f.interfaces[0].flags = 3;
  std::memcpy(f.interfaces[0].mac_address, mac0, 6);
  f.interfaces[0].ip_address = ip(192, 168, 1, 10);
  f.interfaces[0].netmask = ip(255, 255, 255, 0);
  f.interfaces[0].dns_server = ip(192, 168, 1, 1);
  f.interfaces[0].gateway = ip(192, 168, 1, 254);
  f.interfaces[0].reboot_flags = 2;
  f.interfaces[0].reboot_ip_address = ip(192, 168, 1, 11);
  f.interfaces[0].reboot_netmask = ip(255, 255, 255, 0);
  f.interfaces[0].reboot_dns_server = ip(192, 168, 1, 1);
  f.interfaces[0].reboot_gateway = ip(192, 168, 1, 254);
  f.interfaces[0].domain_name = "studio.lan";
  f.interfaces[1].link_speed = 100;
  f.interfaces[1].flags = 1;
  std::memcpy(f.interfaces[1].mac_address, mac1, 6);
  f.interfaces[1].ip_address = ip(169, 254, 0, 5);
  f.interfaces[1].netmask = ip(255, 255, 0, 0);
  conmon_message_body_t body;
  size_t size = 0;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_build_interface_status(&body, &size, 0x0734, 0, &f));
  EXPECT_EQ(interface_status_0734(), first_bytes(body, size));
}

TEST(AurelianStatusBuild, SampleRateStatusListsItsRatesAfterTheFixedPart) {
  const uint32_t rates[] = {44100, 48000};
  conmon_message_body_t body;
  size_t size = 0;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_build_srate_status(
                             &body, &size, 0x0734, 0, CONMON_AURELIAN_MESSAGE_TYPE_SRATE_STATUS,
                             48000, 44100, 1, 2, rates));
  EXPECT_EQ((bytes_t{0x07, 0x34, 0x00, 0x80, ZERO4, BE16(24), BE16(2), BE32(48000u), BE32(44100u),
                     BE16(1), BE16(0), BE32(44100u), BE32(48000u)}),
            first_bytes(body, size));
}

TEST(AurelianStatusBuild, IdSetSetsOneBitPerIdentifier) {
  const uint16_t ids[] = {1, 3, 16};
  conmon_message_body_t body;
  size_t size = 0;
  ASSERT_EQ(AUD_SUCCESS,
            conmon_aurelian_build_id_set(&body, &size, 0x0734, 0,
                                         CONMON_AURELIAN_MESSAGE_TYPE_RX_CHANNEL_CHANGE, 3, ids));
  EXPECT_EQ((bytes_t{0x07, 0x34, 0x01, 0x02, ZERO4, BE16(2), 0x05, 0x80}), first_bytes(body, size));
}

TEST(AurelianStatusBuild, TooManyPortsIsRefused) {
  conmon_aurelian_clocking_status_info_t c = {};
  c.num_ports = CONMON_AURELIAN_STATUS_BUILD_MAX_PORTS + 1;
  conmon_message_body_t body;
  size_t size = 0;
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            conmon_aurelian_build_clocking_status(&body, &size, 0x0734, 0, &c));
}

}  // namespace
