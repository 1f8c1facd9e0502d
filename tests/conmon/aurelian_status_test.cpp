// Status readers over status bodies written out by hand from the body tables.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "aurelian_fixtures.h"
#include "conmon/messages/conmon_aurelian_status.h"
#include "conmon_test_bytes.h"

namespace {

TEST(AurelianClockingStatus, FixedPartReadsFromItsOffsets) {
  bytes_t b = clocking_status_0734();
  ASSERT_EQ(180u, b.size());
  EXPECT_EQ(3, conmon_aurelian_clocking_status_get_clock_state(b.data(), b.size()));
  EXPECT_EQ(3, conmon_aurelian_clocking_status_get_servo_state(b.data(), b.size()));
  EXPECT_EQ(1, conmon_aurelian_clocking_status_get_clock_source(b.data(), b.size()));
  EXPECT_EQ(AUD_TRUE, conmon_aurelian_clocking_status_is_clock_preferred(b.data(), b.size()));
  EXPECT_EQ(2, conmon_aurelian_clocking_status_get_clock_stratum(b.data(), b.size()));
  EXPECT_EQ(-2, conmon_aurelian_clocking_status_get_drift(b.data(), b.size()));
  const conmon_aurelian_clock_uuid_t *gm =
      conmon_aurelian_clocking_status_get_grandmaster_uuid(b.data(), b.size());
  ASSERT_NE(nullptr, gm);
  EXPECT_EQ(0x03, gm->data[5]);
  EXPECT_EQ(2, conmon_aurelian_clocking_status_num_ports(b.data(), b.size()));
  EXPECT_EQ(9, conmon_aurelian_port_status_get_port_state(
                   conmon_aurelian_clocking_status_port_at_index(b.data(), b.size(), 0)));
  EXPECT_EQ(6, conmon_aurelian_port_status_get_port_state(
                   conmon_aurelian_clocking_status_port_at_index(b.data(), b.size(), 1)));
  EXPECT_EQ(nullptr, conmon_aurelian_clocking_status_port_at_index(b.data(), b.size(), 2));
}

TEST(AurelianClockingStatus, ExtensionBlockGivesCapabilitiesFlagsAndSubdomain) {
  bytes_t b = clocking_status_0734();
  char name[17];
  EXPECT_EQ(0x0180, conmon_aurelian_clocking_status_get_capabilities(b.data(), b.size()));
  EXPECT_EQ(5, conmon_aurelian_clocking_status_get_subdomain_index(b.data(), b.size()));
  EXPECT_EQ(500, conmon_aurelian_clocking_status_get_max_drift(b.data(), b.size()));
  EXPECT_STREQ("_DFLT",
               conmon_aurelian_clocking_status_get_subdomain_name(b.data(), b.size(), name));
  EXPECT_EQ(AUD_TRUE,
            conmon_aurelian_clocking_status_get_multicast_ports_enabled(b.data(), b.size()));
  EXPECT_EQ(AUD_FALSE, conmon_aurelian_clocking_status_get_slave_only_enabled(b.data(), b.size()));
  EXPECT_EQ(AUD_TRUE, conmon_aurelian_clocking_status_is_preferred_locked(b.data(), b.size()));
  EXPECT_EQ(AUD_FALSE,
            conmon_aurelian_clocking_status_get_unicast_delay_requests(b.data(), b.size()));
  EXPECT_EQ(0x0011, conmon_aurelian_clocking_status_get_mute_flags(b.data(), b.size()));
  EXPECT_EQ(CONMON_EXTERNAL_WC_STATE_VALID,
            conmon_aurelian_clocking_status_get_ext_wc_state(b.data(), b.size()));
  uint8_t domain = 0;
  EXPECT_EQ(AUD_SUCCESS,
            conmon_aurelian_clocking_status_get_v2_domain_number(b.data(), b.size(), &domain));
  EXPECT_EQ(42, domain);
}

TEST(AurelianClockingStatus, Ext2AndExt3RecordsDescribeEachPort) {
  bytes_t b = clocking_status_0734();
  EXPECT_EQ(2, conmon_aurelian_clocking_status_total_num_ports(b.data(), b.size()));
  const conmon_aurelian_port_status_ext2_t *p0 =
      conmon_aurelian_port_status_ext2_get_port_at_index(b.data(), b.size(), 0);
  const conmon_aurelian_port_status_ext2_t *p1 =
      conmon_aurelian_port_status_ext2_get_port_at_index(b.data(), b.size(), 1);
  EXPECT_EQ(9, conmon_aurelian_clocking_status_get_port_state(p0));
  EXPECT_EQ(CONMON_PORT_PATH_TYPE_MULTICAST,
            conmon_aurelian_clocking_status_get_port_path_type(p0));
  EXPECT_EQ(CONMON_TRANSPORT_LAYER_3, conmon_aurelian_clocking_status_get_port_transport_layer(p0));
  EXPECT_EQ(2, conmon_aurelian_clocking_status_get_port_ptp_version(p0));
  EXPECT_EQ(1, conmon_aurelian_clocking_status_get_port_id(p0));
  EXPECT_EQ(3u, conmon_aurelian_clocking_status_get_port_interface_index(p0));
  EXPECT_EQ(6, conmon_aurelian_clocking_status_get_port_state(p1));
  EXPECT_EQ(CONMON_PORT_PATH_TYPE_UNICAST, conmon_aurelian_clocking_status_get_port_path_type(p1));
  EXPECT_EQ(1, conmon_aurelian_clocking_status_get_port_ptp_version(p1));
  EXPECT_EQ(nullptr, conmon_aurelian_port_status_ext2_get_port_at_index(b.data(), b.size(), 2));
  EXPECT_EQ(0, conmon_aurelian_clocking_status_get_port_state(nullptr));

  const conmon_aurelian_port_status_ext3_t *q0 =
      conmon_aurelian_port_status_ext3_get_port_at_index(b.data(), b.size(), 0);
  const conmon_aurelian_port_status_ext3_t *q1 =
      conmon_aurelian_port_status_ext3_get_port_at_index(b.data(), b.size(), 1);
  EXPECT_EQ(0, conmon_aurelian_clocking_status_get_port_network_index(b.data(), b.size(), q0));
  EXPECT_EQ(0xFFFF, conmon_aurelian_clocking_status_get_port_network_index(b.data(), b.size(), q1));
  const conmon_aurelian_clock_uuid_t *v2gm =
      conmon_aurelian_clocking_status_get_v2_grandmaster_uuid(b.data(), b.size());
  ASSERT_NE(nullptr, v2gm);
  EXPECT_EQ(0xCC, v2gm->data[7]);
}

TEST(AurelianClockingStatus, Version071BHasNoExt2DataEvenWithTheTableFilledIn) {
  bytes_t b = clocking_status_0734();
  b[0] = 0x07;
  b[1] = 0x1B;
  EXPECT_EQ(0, conmon_aurelian_clocking_status_total_num_ports(b.data(), b.size()));
  EXPECT_EQ(nullptr, conmon_aurelian_port_status_ext2_get_port_at_index(b.data(), b.size(), 0));
}

TEST(AurelianClockingStatus, UnicastDelayFlagCountsOnlyBetween0603And071E) {
  bytes_t b = clocking_status_0734();
  b[56 + 11] |= 0x01;  // flag 0x0001 in the extension flags
  const struct {
    uint16_t version;
    aud_bool_t expected;
  } cases[] = {{0x0602, AUD_FALSE}, {0x0603, AUD_TRUE}, {0x071E, AUD_TRUE}, {0x071F, AUD_FALSE}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.version);
    b[0] = static_cast<uint8_t>(c.version >> 8);
    b[1] = static_cast<uint8_t>(c.version);
    EXPECT_EQ(c.expected,
              conmon_aurelian_clocking_status_get_unicast_delay_requests(b.data(), b.size()));
  }
}

TEST(AurelianClockingStatus, Version0100TakesThePortCountFromOffset20) {
  bytes_t b = {0x01, 0x00,     0x00,    0x20, ZERO4, BE16(2), BE16(3), BE16(0), 0x00,
               0x01, BE32(7u), BE16(1), 0x00, 0x00,  BE16(4), 0x00,    0x00};
  EXPECT_EQ(1, conmon_aurelian_clocking_status_num_ports(b.data(), b.size()));
  EXPECT_EQ(CONMON_PORT_STATE_LISTENING,
            conmon_aurelian_port_status_get_port_state(
                conmon_aurelian_clocking_status_port_at_index(b.data(), b.size(), 0)));
  EXPECT_EQ(nullptr, conmon_aurelian_clocking_status_get_uuid(b.data(), b.size()));
  EXPECT_EQ(AUD_TRUE,
            conmon_aurelian_clocking_status_get_multicast_ports_enabled(b.data(), b.size()));
}

TEST(AurelianInterfaceStatus, TwoInterfacesReadWithTheirAddresses) {
  bytes_t b = interface_status_0734();
  ASSERT_EQ(135u, b.size());
  EXPECT_EQ(2, conmon_aurelian_interface_status_num_interfaces(b.data(), b.size()));
  EXPECT_EQ(CONMON_INTERFACE_MODE_SWITCHED,
            conmon_aurelian_interface_status_get_mode(b.data(), b.size()));
  EXPECT_EQ(CONMON_AURELIAN_INTERFACES_SWITCH_REDUNDANCY,
            conmon_aurelian_interface_status_get_flags(b.data(), b.size()));
  const conmon_aurelian_interface_t *i0 =
      conmon_aurelian_interface_status_interface_at_index(b.data(), b.size(), 0);
  const conmon_aurelian_interface_t *i1 =
      conmon_aurelian_interface_status_interface_at_index(b.data(), b.size(), 1);
  EXPECT_EQ(1000u, conmon_aurelian_interface_get_link_speed(i0));
  EXPECT_EQ(3, conmon_aurelian_interface_get_flags(i0));
  EXPECT_EQ((bytes_t{0x00, 0x1D, 0xC1, 0x12, 0x34, 0x56}),
            bytes_t(conmon_aurelian_interface_get_mac_address(i0),
                    conmon_aurelian_interface_get_mac_address(i0) + 6));
  EXPECT_EQ(ip(192, 168, 1, 10), conmon_aurelian_interface_get_ip_address(i0));
  EXPECT_EQ(ip(255, 255, 255, 0), conmon_aurelian_interface_get_netmask(i0));
  EXPECT_EQ(ip(192, 168, 1, 1), conmon_aurelian_interface_get_dns_server(i0));
  EXPECT_EQ(ip(192, 168, 1, 254), conmon_aurelian_interface_get_gateway(i0));
  EXPECT_EQ(100u, conmon_aurelian_interface_get_link_speed(i1));
  EXPECT_EQ(ip(169, 254, 0, 5), conmon_aurelian_interface_get_ip_address(i1));
  EXPECT_EQ(nullptr, conmon_aurelian_interface_status_interface_at_index(b.data(), b.size(), 2));
}

TEST(AurelianInterfaceStatus, SecondRecordsGiveDomainNameAndRebootSettings) {
  bytes_t b = interface_status_0734();
  const conmon_aurelian_interface_t *i0 =
      conmon_aurelian_interface_status_interface_at_index(b.data(), b.size(), 0);
  const conmon_aurelian_interface_t *i1 =
      conmon_aurelian_interface_status_interface_at_index(b.data(), b.size(), 1);
  EXPECT_STREQ("studio.lan",
               conmon_aurelian_interface_status_get_domain_name(i0, b.data(), b.size()));
  EXPECT_EQ(nullptr, conmon_aurelian_interface_status_get_domain_name(i1, b.data(), b.size()));
  EXPECT_EQ(AUD_TRUE, conmon_aurelian_interface_is_reboot_configured(i0, b.data(), b.size()));
  EXPECT_EQ(2, conmon_aurelian_interface_get_reboot_flags(i0, b.data(), b.size()));
  EXPECT_EQ(ip(192, 168, 1, 11),
            conmon_aurelian_interface_get_reboot_ip_address(i0, b.data(), b.size()));
}

TEST(AurelianInterfaceStatus, OlderVersionsReadModeFlagsAndNamesAsAbsent) {
  bytes_t b = interface_status_0734();
  b[0] = 0x02;
  b[1] = 0x00;
  const conmon_aurelian_interface_t *i0 =
      conmon_aurelian_interface_status_interface_at_index(b.data(), b.size(), 0);
  EXPECT_EQ(0, conmon_aurelian_interface_status_get_mode(b.data(), b.size()));
  EXPECT_EQ(0, conmon_aurelian_interface_status_get_flags(b.data(), b.size()));
  EXPECT_EQ(nullptr, conmon_aurelian_interface_status_get_domain_name(i0, b.data(), b.size()));
}

TEST(AurelianInterfaceStatus, UnterminatedDomainNameReadsAsAbsent) {
  bytes_t b = interface_status_0734();
  b.pop_back();  // drop the NUL: the name now runs to the body's end
  const conmon_aurelian_interface_t *i0 =
      conmon_aurelian_interface_status_interface_at_index(b.data(), b.size(), 0);
  EXPECT_EQ(nullptr, conmon_aurelian_interface_status_get_domain_name(i0, b.data(), b.size()));
}

TEST(AurelianRateStatus, SampleRateListIsReadFromItsOffset) {
  bytes_t b = {0x07,     0x34,         0x00,         0x80,         ZERO4,
               BE16(24), BE16(3),      BE32(48000u), BE32(96000u), BE16(1),
               BE16(0),  BE32(44100u), BE32(48000u), BE32(96000u)};
  EXPECT_EQ(48000u, conmon_aurelian_srate_get_current(b.data(), b.size()));
  EXPECT_EQ(96000u, conmon_aurelian_srate_get_new(b.data(), b.size()));
  EXPECT_EQ(CONMON_SRATE_MODE_REBOOT, conmon_aurelian_srate_get_mode(b.data(), b.size()));
  EXPECT_EQ(3, conmon_aurelian_srate_get_available_count(b.data(), b.size()));
  EXPECT_EQ(44100u, conmon_aurelian_srate_get_available(b.data(), b.size(), 0));
  EXPECT_EQ(96000u, conmon_aurelian_srate_get_available(b.data(), b.size(), 2));
  EXPECT_EQ(0u, conmon_aurelian_srate_get_available(b.data(), b.size(), 3));
}

TEST(AurelianRateStatus, EncodingModeBefore0501ReadsAsReboot) {
  bytes_t b = {0x05,    0x00,      0x00,      0x82,    ZERO4,   BE16(24),
               BE16(1), BE32(24u), BE32(24u), BE16(2), BE16(0), BE32(24u)};
  EXPECT_EQ(CONMON_SRATE_MODE_REBOOT, conmon_aurelian_enc_get_mode(b.data(), b.size()));
  EXPECT_EQ(24, conmon_aurelian_enc_get_current(b.data(), b.size()));
  EXPECT_EQ(24, conmon_aurelian_enc_get_available(b.data(), b.size(), 0));
}

TEST(AurelianRateStatus, MisalignedListOffsetMeansNoList) {
  bytes_t b = {0x07,         0x34,         0x00,    0x80,    ZERO4, BE16(26), BE16(1),
               BE32(48000u), BE32(48000u), BE16(1), BE16(0), 0,     0,        BE32(48000u)};
  EXPECT_EQ(0, conmon_aurelian_srate_get_available_count(b.data(), b.size()));
}

bytes_t versions_status(uint16_t version) {
  bytes_t b(216, 0);
  b[0] = static_cast<uint8_t>(version >> 8);
  b[1] = static_cast<uint8_t>(version);
  b[3] = 0x60;
  const uint8_t sw[] = {4, 2, BE16(768)};
  std::memcpy(&b[8], sw, 4);
  const uint8_t build[] = {BE32(12u)};
  std::memcpy(&b[40], build, 4);
  const uint8_t caps[] = {BE32(0x31u)};
  std::memcpy(&b[28], caps, 4);
  std::memcpy(&b[64], "DLS-BRICK", 10);
  return b;
}

TEST(AurelianVersionsStatus, SoftwareVersionUnpacks8816WithItsBuild) {
  bytes_t b = versions_status(0x0734);
  delos_version_t v = {};
  uint32_t build = 0;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_versions_status_get_delos_software_version_build(
                             b.data(), b.size(), &v, &build));
  EXPECT_EQ(4, v.major);
  EXPECT_EQ(2, v.minor);
  EXPECT_EQ(768, v.bugfix);
  EXPECT_EQ(12u, build);
  EXPECT_EQ(0x31u, conmon_aurelian_versions_status_get_capability_flags(b.data(), b.size()));
  EXPECT_STREQ("DLS-BRICK",
               conmon_aurelian_versions_status_get_delos_model_name(b.data(), b.size()));
}

TEST(AurelianVersionsStatus, FieldsNewerThanTheMessageReadAsDefaults) {
  bytes_t b = versions_status(0x0700);
  delos_version_t v = {};
  uint32_t build = 99;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_versions_status_get_delos_software_version_build(
                             b.data(), b.size(), &v, &build));
  EXPECT_EQ(0u, build);
  EXPECT_EQ(nullptr, conmon_aurelian_versions_status_get_delos_model_name(b.data(), b.size()));
  EXPECT_EQ(CONMON_AURELIAN_CLOCK_PROTOCOL_FLAG_PTPV1,
            conmon_aurelian_versions_status_get_clock_protocols(b.data(), b.size()));
  const char *id = nullptr;
  EXPECT_EQ(AUD_ERR_VERSION,
            conmon_aurelian_versions_status_get_web_plugin_id(b.data(), b.size(), 0, &id));
}

TEST(AurelianVersionsStatus, WebPluginIdsFollowTheFixedPart) {
  bytes_t b = versions_status(0x0731);
  const uint8_t list[] = {BE16(1), BE16(216)};
  std::memcpy(&b[208], list, 4);
  bytes_t id(24, 0);
  std::memcpy(id.data(), "mixer", 6);
  b.insert(b.end(), id.begin(), id.end());
  const char *out = nullptr;
  ASSERT_EQ(AUD_SUCCESS,
            conmon_aurelian_versions_status_get_web_plugin_id(b.data(), b.size(), 0, &out));
  EXPECT_STREQ("mixer", out);
  EXPECT_EQ(AUD_ERR_RANGE,
            conmon_aurelian_versions_status_get_web_plugin_id(b.data(), b.size(), 1, &out));
}

TEST(AurelianManfVersionsStatus, Version0700HasNoManufacturerOrModelName) {
  bytes_t b(344, 0);
  b[0] = 0x07;
  b[3] = 0xC0;
  std::memcpy(&b[52], "Aurelian Labs", 14);
  std::memcpy(&b[180], "Brick", 6);
  EXPECT_EQ(nullptr,
            conmon_aurelian_manf_versions_status_get_manufacturer_name(b.data(), b.size()));
  EXPECT_EQ(nullptr, conmon_aurelian_manf_versions_status_get_model_name(b.data(), b.size()));
  b[1] = 0x01;
  EXPECT_STREQ("Aurelian Labs",
               conmon_aurelian_manf_versions_status_get_manufacturer_name(b.data(), b.size()));
  EXPECT_STREQ("Brick", conmon_aurelian_manf_versions_status_get_model_name(b.data(), b.size()));
}

TEST(AurelianSmallStatus, LockAes67ResetAndClearConfigReadTheirWords) {
  bytes_t lock = {0x07, 0x34, 0x10, 0x09, ZERO4, BE16(1), ZERO8, 0, 0, BE16(1), BE16(0)};
  EXPECT_EQ(AUD_TRUE, conmon_aurelian_get_lock_status(lock.data(), lock.size()));
  EXPECT_EQ(CONMON_LOCK_STATUS_FLAG__NEED_TO_REBOOT,
            conmon_aurelian_lock_status_get_status_flags(lock.data(), lock.size()));
  bytes_t aes = {0x07, 0x34, 0x10, 0x07, ZERO4, BE16(2), BE16(0)};
  EXPECT_EQ(AUD_FALSE, conmon_aurelian_aes67_status_is_enabled(aes.data(), aes.size()));
  EXPECT_EQ(AUD_TRUE, conmon_aurelian_aes67_status_is_enabled_on_reboot(aes.data(), aes.size()));
  bytes_t reset = {0x07, 0x34, 0x00, 0x92, ZERO4, BE16(1), BE16(0)};
  EXPECT_EQ(1, conmon_aurelian_sys_reset_status_get_mode(reset.data(), reset.size()));
  bytes_t clear = {0x07, 0x34, 0x00, 0x78, ZERO4, BE32(3u), BE32(1u)};
  uint32_t supported = 0, executed = 0;
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_clear_config_status_get_status(clear.data(), clear.size(),
                                                                        &supported, &executed));
  EXPECT_EQ(3u, supported);
  EXPECT_EQ(1u, executed);
}

TEST(AurelianRoutingReady, CountsAndLinkDependOnVersion) {
  bytes_t b = {0x07, 0x14, 0x01, 0x00, ZERO4, 0x01, 0x03, 0x00, 0x00, BE16(16), BE16(8)};
  EXPECT_EQ(AUD_TRUE, conmon_aurelian_routing_ready_status_is_ready(b.data(), b.size()));
  EXPECT_EQ(16, conmon_aurelian_routing_ready_status_num_txchannels(b.data(), b.size()));
  EXPECT_EQ(8, conmon_aurelian_routing_ready_status_num_rxchannels(b.data(), b.size()));
  EXPECT_EQ(3, conmon_aurelian_routing_ready_status_link(b.data(), b.size()));
  b[1] = 0x08;
  EXPECT_EQ(0, conmon_aurelian_routing_ready_status_link(b.data(), b.size()));
  b[0] = 0x06;
  EXPECT_EQ(0, conmon_aurelian_routing_ready_status_num_txchannels(b.data(), b.size()));
}

bytes_t upgrade_status_with_file() {
  return {0x07, 0x34, 0x00, 0x70, ZERO4, BE16(1), BE16(0x0305), BE32(0x2Fu), BE32(512u),
          BE32(4096u), BE16(44), BE16(0), 'A', 'u', 'r', 'e', 'l', 'i', 'a', 'n', 'B', 'r', 'i',
          'c', 'k', 0, 0, 0,
          // file information record at 44
          BE32(2u | 4u | 8u | 16u | 32u), BE32(0u), BE16(2), BE16(69), 10, 0, 0, 9, BE16(0),
          BE16(68), BE32(4096u), 'f', 'w', 0};
}

TEST(AurelianUpgradeStatus, StatusErrorProgressAndManufacturerAreRead) {
  bytes_t b = upgrade_status_with_file();
  conmon_aurelian_upgrade_status_t s = {};
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_upgrade_status_get_upgrade_status(b.data(), b.size(), &s));
  EXPECT_EQ(CONMON_AURELIAN_UPGRADE_STATE_GET_FILE, s.status);
  EXPECT_EQ(0x0305, s.last_error);
  EXPECT_EQ(512u, s.progress.curr);
  EXPECT_EQ(4096u, s.progress.total);
  EXPECT_EQ(0, std::memcmp(s.manufacturer, "Aurelian", 8));
  EXPECT_EQ(0, s.model[0]);  // model bit not set
}

TEST(AurelianUpgradeStatus, SourceFileRecordIsReadWithItsPath) {
  bytes_t b = upgrade_status_with_file();
  conmon_aurelian_upgrade_source_file_t f = {};
  ASSERT_EQ(AUD_SUCCESS,
            conmon_aurelian_upgrade_status_get_source_file_info(b.data(), b.size(), &f));
  EXPECT_EQ(2, f.protocol);
  EXPECT_EQ(69, f.port);
  EXPECT_EQ(ip(10, 0, 0, 9), f.addr_inet);
  EXPECT_EQ(4096u, f.file_len);
  EXPECT_STREQ("fw", f.filename);
}

TEST(AurelianUpgradeStatus, BeforeVersion0709OnlyTheStatusIsRead) {
  bytes_t b = upgrade_status_with_file();
  b[1] = 0x08;
  conmon_aurelian_upgrade_status_t s = {};
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_upgrade_status_get_upgrade_status(b.data(), b.size(), &s));
  EXPECT_EQ(1, s.status);
  EXPECT_EQ(0, s.last_error);
  conmon_aurelian_upgrade_source_file_t f = {};
  EXPECT_EQ(AUD_ERR_VERSION,
            conmon_aurelian_upgrade_status_get_source_file_info(b.data(), b.size(), &f));
}

TEST(AurelianTexts, EnumerationsHaveTheirTextsAndUnknownValuesSayUnknown) {
  EXPECT_STREQ("PASSIVE_LISTENING", conmon_aurelian_port_state_string(10));
  EXPECT_STREQ("unknown", conmon_aurelian_port_state_string(11));
  EXPECT_STREQ("DISCIPLINED", conmon_aurelian_clock_state_string(3));
  EXPECT_STREQ("DELAY RESET", conmon_aurelian_servo_state_string(5));
  EXPECT_STREQ("AES 1", conmon_aurelian_clock_source_string(3));
  EXPECT_STREQ("AES 8", conmon_aurelian_clock_source_string(10));
  EXPECT_STREQ("unknown", conmon_aurelian_clock_source_string(11));
}

// Bodies cut short or pointing outside themselves: each reader gives its stated
// answer without reading past the end (ASan watches the last case of each).
struct bad_body {
  const char *name;
  bytes_t body;
  std::function<bool(const uint8_t *, size_t)> rejected;
};

bytes_t cut(bytes_t b, size_t n) {
  b.resize(n);
  return b;
}
bytes_t with(bytes_t b, size_t at, bytes_t v) {
  std::copy(v.begin(), v.end(), b.begin() + at);
  return b;
}

TEST(AurelianReaders, TruncatedOrInconsistentBodiesAreRejected) {
  const bad_body cases[] = {
      {"clocking head only", cut(clocking_status_0734(), 8),
       [](const uint8_t *b, size_t n) {
         return conmon_aurelian_clocking_status_num_ports(b, n) == 0;
       }},
      {"clocking port count beyond the records",
       with(cut(clocking_status_0734(), 52), 44, {BE16(3), 0, 0}),
       [](const uint8_t *b, size_t n) {
         return conmon_aurelian_clocking_status_port_at_index(b, n, 1) == nullptr &&
                conmon_aurelian_clocking_status_port_at_index(b, n, 0) != nullptr;
       }},
      {"clocking extension past the end", with(clocking_status_0734(), 46, {BE16(170)}),
       [](const uint8_t *b, size_t n) {
         char name[17];
         return conmon_aurelian_clocking_status_get_capabilities(b, n) == 0 &&
                conmon_aurelian_clocking_status_get_subdomain_name(b, n, name) == nullptr;
       }},
      {"ext2 ports past the end", with(clocking_status_0734(), 104, {BE16(170)}),
       [](const uint8_t *b, size_t n) {
         return conmon_aurelian_port_status_ext2_get_port_at_index(b, n, 0) == nullptr;
       }},
      {"ext2 data past the end", with(clocking_status_0734(), 88, {BE16(176)}),
       [](const uint8_t *b, size_t n) {
         return conmon_aurelian_clocking_status_total_num_ports(b, n) == 0;
       }},
      {"ext3 record size below 4", with(clocking_status_0734(), 146, {BE16(2)}),
       [](const uint8_t *b, size_t n) {
         return conmon_aurelian_port_status_ext3_get_port_at_index(b, n, 0) == nullptr;
       }},
      {"ext3 table shorter than 12", with(clocking_status_0734(), 94, {BE16(8)}),
       [](const uint8_t *b, size_t n) {
         return conmon_aurelian_clocking_status_get_v2_uuid(b, n) == nullptr;
       }},
      {"interface count beyond the body", with(cut(interface_status_0734(), 40), 8, {BE16(5)}),
       [](const uint8_t *b, size_t n) {
         return conmon_aurelian_interface_status_interface_at_index(b, n, 1) == nullptr &&
                conmon_aurelian_interface_status_get_flags(b, n) == 0;
       }},
      {"interface second records past the end", with(interface_status_0734(), 70, {BE16(200)}),
       [](const uint8_t *b, size_t n) {
         const conmon_aurelian_interface_t *i =
             conmon_aurelian_interface_status_interface_at_index(b, n, 0);
         return conmon_aurelian_interface_is_reboot_configured(i, b, n) == AUD_FALSE;
       }},
      {"sample rate list longer than the body",
       {0x07, 0x34, 0x00, 0x80, ZERO4, BE16(24), BE16(20), ZERO8, ZERO4, BE32(44100u)},
       [](const uint8_t *b, size_t n) {
         return conmon_aurelian_srate_get_available(b, n, 1) == 0 &&
                conmon_aurelian_srate_get_available(b, n, 0) == 44100u;
       }},
      {"clear configuration of 12 bytes",
       {0x07, 0x34, 0x00, 0x78, ZERO4, BE32(3u)},
       [](const uint8_t *b, size_t n) {
         uint32_t s = 7;
         return conmon_aurelian_clear_config_status_get_status(b, n, &s, nullptr) ==
                    AUD_ERR_TRUNCATED &&
                s == 7;
       }},
      {"upgrade progress cut short", cut(upgrade_status_with_file(), 20),
       [](const uint8_t *b, size_t n) {
         conmon_aurelian_upgrade_status_t s = {};
         s.status = 77;
         return conmon_aurelian_upgrade_status_get_upgrade_status(b, n, &s) == AUD_ERR_TRUNCATED &&
                s.status == 77;
       }},
      {"upgrade file record past the end", with(upgrade_status_with_file(), 24, {BE16(60)}),
       [](const uint8_t *b, size_t n) {
         conmon_aurelian_upgrade_source_file_t f = {};
         return conmon_aurelian_upgrade_status_get_source_file_info(b, n, &f) == AUD_ERR_TRUNCATED;
       }},
      {"upgrade file path unterminated", cut(upgrade_status_with_file(), 70),
       [](const uint8_t *b, size_t n) {
         conmon_aurelian_upgrade_source_file_t f = {};
         return conmon_aurelian_upgrade_status_get_source_file_info(b, n, &f) == AUD_SUCCESS &&
                f.filename == nullptr;
       }},
      {"web plugin id past the end", with(versions_status(0x0734), 208, {BE16(2), BE16(200)}),
       [](const uint8_t *b, size_t n) {
         const char *id = nullptr;
         return conmon_aurelian_versions_status_get_web_plugin_id(b, n, 1, &id) ==
                AUD_ERR_TRUNCATED;
       }},
      {"versions model name unterminated", with(versions_status(0x0734), 64, bytes_t(128, 'm')),
       [](const uint8_t *b, size_t n) {
         return conmon_aurelian_versions_status_get_delos_model_name(b, n) == nullptr;
       }},
      {"versions cut before the software version", cut(versions_status(0x0734), 10),
       [](const uint8_t *b, size_t n) {
         delos_version_t v = {1, 1, 1};
         return conmon_aurelian_versions_status_get_delos_software_version_build(
                    b, n, &v, nullptr) == AUD_ERR_TRUNCATED &&
                v.major == 1;
       }},
  };
  for (const bad_body &c : cases) {
    SCOPED_TRACE(c.name);
    // A heap copy of exactly the body's length, so a read past it is caught.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[c.body.size()]);
    std::memcpy(copy.get(), c.body.data(), c.body.size());
    EXPECT_TRUE(c.rejected(copy.get(), c.body.size()));
  }
}

}  // namespace
