// Control and query builders against bytes written out from the body tables.
#include <gtest/gtest.h>

#include <string>

#include "conmon/messages/conmon_aurelian_control.h"
#include "conmon_test_bytes.h"

namespace {

conmon_message_body_t zero_body() { return body_of({}); }

TEST(AurelianQuery, VersionsQueryIsTheHeadAlone) {
  conmon_message_body_t body = zero_body();
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_query_message(
                             &body, CONMON_AURELIAN_MESSAGE_TYPE_VERSIONS_QUERY, 1000000));
  EXPECT_EQ(8u, conmon_aurelian_query_message_get_size());
  EXPECT_EQ((bytes_t{0x07, 0x34, 0x00, 0x61, 0x00, 0x0F, 0x42, 0x40}), first_bytes(body, 8));
}

TEST(AurelianRateControl, SampleRateOf48kHzSetsValueAndValidBit) {
  conmon_message_body_t body = zero_body();
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_srate_control(&body, 0));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_srate_control_set_rate(&body, 48000));
  EXPECT_EQ(16u, conmon_aurelian_srate_control_get_size());
  EXPECT_EQ(
      (bytes_t{0x07, 0x34, 0x00, 0x81, ZERO4, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0xBB, 0x80}),
      first_bytes(body, 16));
}

TEST(AurelianRateControl, RateZeroLeavesAQuery) {
  conmon_message_body_t body = zero_body();
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_srate_control(&body, 0));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_srate_control_set_rate(&body, 0));
  EXPECT_EQ((bytes_t{0x07, 0x34, 0x00, 0x81, ZERO4, ZERO4, ZERO4}), first_bytes(body, 16));
}

TEST(AurelianRateControl, EncodingControlCarriesTheEncodingNumber) {
  conmon_message_body_t body = zero_body();
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_enc_control(&body, 0));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_enc_control_set_encoding(&body, DELOS_ENCODING_PCM24));
  EXPECT_EQ((bytes_t{0x07, 0x34, 0x00, 0x83, ZERO4, BE32(1u), BE32(24u)}), first_bytes(body, 16));
}

TEST(AurelianClockingControl, PreferredLeaderSetsValidBitOneAndTheLowByte) {
  conmon_message_body_t body = body_of(bytes_t(40, 0xEE));  // stale bytes, as a reused buffer
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_clocking_control(&body, 0));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_clocking_control_set_preferred(&body, 0x101));
  bytes_t b = first_bytes(body, 40);
  EXPECT_EQ((bytes_t{0x07, 0x34, 0x00, 0x21, ZERO4, 0x00, 0x02}),
            bytes_t(b.begin(), b.begin() + 10));
  EXPECT_EQ(0x01, b[12]);
  EXPECT_EQ((bytes_t{0x00, 0x00}), bytes_t(b.begin() + 32, b.begin() + 34));  // valid_flags cleared
  EXPECT_EQ(40u, conmon_aurelian_clocking_control_get_size());
}

TEST(AurelianClockingControl, FlagSetterMarksValidAndClearsConfigBit) {
  conmon_message_body_t body = zero_body();
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_clocking_control(&body, 0));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_clocking_control_set_slave_only_enabled(&body, AUD_TRUE));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_clocking_control_set_version_specific_ports_enabled(
                             &body, 2, AUD_FALSE));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_clocking_control_set_version_specific_ports_enabled(
                             &body, 3, AUD_TRUE));  // unknown version: nothing
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_clocking_control_set_port_id_enabled(&body, 7, AUD_TRUE));
  bytes_t b = first_bytes(body, 40);
  EXPECT_EQ((bytes_t{BE16(0x0020)}), bytes_t(b.begin() + 8, b.begin() + 10));
  EXPECT_EQ((bytes_t{BE16(0x0094), BE16(0x0084), BE16(7)}),
            bytes_t(b.begin() + 32, b.begin() + 38));
}

struct reset_case {
  const char *name;
  uint16_t mode;
  bytes_t expected;
};

TEST(AurelianSysReset, SoftAndFactoryResetsCarryTheirMode) {
  const reset_case cases[] = {
      {"soft", CONMON_AURELIAN_SYS_RESET_SOFT, {0x07, 0x34, 0x00, 0x90, ZERO4, BE16(1), BE16(0)}},
      {"factory",
       CONMON_AURELIAN_SYS_RESET_FACTORY,
       {0x07, 0x34, 0x00, 0x90, ZERO4, BE16(1), BE16(1)}},
  };
  for (const reset_case &c : cases) {
    SCOPED_TRACE(c.name);
    conmon_message_body_t body = zero_body();
    ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_sys_reset_control(&body, 0));
    ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_sys_reset_control_set_mode(&body, c.mode));
    EXPECT_EQ(c.expected, first_bytes(body, conmon_aurelian_sys_reset_control_get_size()));
  }
}

TEST(AurelianAes67Control, EnableSetsValidAndEnableBits) {
  conmon_message_body_t body = zero_body();
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_aes67_control(&body, 0));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_aes67_control_set_enable(&body, AUD_TRUE));
  EXPECT_EQ((bytes_t{0x07, 0x34, 0x10, 0x06, ZERO4, BE16(1), BE16(1)}), first_bytes(body, 12));
}

TEST(AurelianClearConfig, EachModeIsWrittenAsTheAction) {
  const uint32_t actions[] = {CONMON_AURELIAN_CLEAR_CONFIG_QUERY,
                              CONMON_AURELIAN_CLEAR_CONFIG_CLEAR_ALL,
                              CONMON_AURELIAN_CLEAR_CONFIG_KEEP_IP};
  for (uint32_t action : actions) {
    SCOPED_TRACE(action);
    conmon_message_body_t body = zero_body();
    conmon_message_size_info_t size = {0, 0};
    ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_clear_config_control(&body, &size, 0));
    ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_clear_config_control_set_action(&body, &size, action));
    EXPECT_EQ(12, size.curr);
    EXPECT_EQ((bytes_t{0x07, 0x34, 0x00, 0x77, ZERO4, BE32(action)}), first_bytes(body, 12));
  }
}

TEST(AurelianClearConfig, NullSizeRecordIsRefused) {
  conmon_message_body_t body = zero_body();
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            conmon_aurelian_clear_config_control_set_action(&body, nullptr, 1));
}

// 192.168.1.10 and friends in network order, as the caller holds them.
uint32_t ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  uint8_t x[4] = {a, b, c, d};
  uint32_t v;
  std::memcpy(&v, x, 4);
  return v;
}

const bytes_t kStaticRecordHead = {0x07, 0x34, 0x00, 0x13, ZERO4, 0x01, 0x1C,
                                   0x0F, 0x10, 0,    0,    0,     0};

TEST(AurelianInterfaceControl, StaticAddressWritesOneRecordAt16) {
  conmon_message_body_t body = zero_body();
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_interface_control(&body, 0));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_interface_control_set_interface_address_static(
                             &body, 1, ip(192, 168, 1, 10), ip(255, 255, 255, 0),
                             ip(192, 168, 1, 1), ip(192, 168, 1, 254)));
  bytes_t expected = kStaticRecordHead;
  bytes_t record = {BE16(1), BE16(2), 192, 168, 1, 10,  255,     255, 255, 0,       192, 168,
                    1,       1,       192, 168, 1, 254, BE16(2), 0,   0,   BE16(0), 0,   0};
  expected.insert(expected.end(), record.begin(), record.end());
  EXPECT_EQ(expected, first_bytes(body, 44));
  EXPECT_EQ(44u, conmon_aurelian_interface_control_get_size(&body));
}

TEST(AurelianInterfaceControl, DynamicAddressClearsFieldsAndFlags) {
  conmon_message_body_t body = body_of(bytes_t(60, 0x55));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_interface_control(&body, 0));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_interface_control_set_interface_address_dynamic(&body, 0));
  bytes_t expected = {0x07, 0x34,    0x00,    0x13,   ZERO4,   0x01, 0x1C, 0x00, 0x10, 0, 0, 0,
                      0,    BE16(0), BE16(0), ZERO16, BE16(2), 0,    0,    0,    0,    0, 0};
  EXPECT_EQ(expected, first_bytes(body, 44));
}

TEST(AurelianInterfaceControl, DomainNameGoesAfterTheRecordAndCountsInTheSize) {
  conmon_message_body_t body = zero_body();
  conmon_message_size_info_t size = {0, 44};
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_interface_control(&body, 0));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_interface_control_set_interface_address_static(
                             &body, 0, ip(10, 0, 0, 2), ip(255, 0, 0, 0), 0, 0));
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_interface_control_set_interface_domain_name(
                             &body, &size, 0, "studio.lan"));
  bytes_t b = first_bytes(body, 56);
  EXPECT_EQ(0x0F, b[10]);  // 0x0F | 0x0A
  EXPECT_EQ((bytes_t{BE16(44)}), bytes_t(b.begin() + 40, b.begin() + 42));
  EXPECT_EQ((bytes_t{'s', 't', 'u', 'd', 'i', 'o', '.', 'l', 'a', 'n', 0}),
            bytes_t(b.begin() + 44, b.begin() + 55));
  EXPECT_EQ(55, size.curr);
  EXPECT_EQ(55u, conmon_aurelian_interface_control_get_size(&body));
}

TEST(AurelianInterfaceControl, DomainNameNeverOverwritesTheRecord) {
  conmon_message_body_t body = zero_body();
  conmon_message_size_info_t size = {0, 0};  // the caller forgot to count the record
  conmon_aurelian_init_interface_control(&body, 0);
  conmon_aurelian_interface_control_set_interface_address_static(&body, 0, ip(10, 0, 0, 2), 0, 0,
                                                                 0);
  ASSERT_EQ(AUD_SUCCESS,
            conmon_aurelian_interface_control_set_interface_domain_name(&body, &size, 0, "a"));
  EXPECT_EQ(10, body.data[20]);  // the record's address is intact
  EXPECT_EQ(46, size.curr);
}

struct domain_refusal {
  const char *name;
  bool dynamic;
  uint16_t index;
  size_t name_length;
};

TEST(AurelianInterfaceControl, DomainNameIsRefusedOutsideASingleMatchingStaticRecord) {
  const domain_refusal cases[] = {
      {"dynamic record", true, 0, 5},
      {"other network index", false, 1, 5},
      {"name of 255 characters", false, 0, 255},
  };
  for (const domain_refusal &c : cases) {
    SCOPED_TRACE(c.name);
    conmon_message_body_t body = zero_body();
    conmon_message_size_info_t size = {0, 44};
    conmon_aurelian_init_interface_control(&body, 0);
    if (c.dynamic) {
      conmon_aurelian_interface_control_set_interface_address_dynamic(&body, 0);
    } else {
      conmon_aurelian_interface_control_set_interface_address_static(&body, 0, 1, 1, 1, 1);
    }
    std::string name(c.name_length, 'x');
    EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, conmon_aurelian_interface_control_set_interface_domain_name(
                                            &body, &size, c.index, name.c_str()));
    EXPECT_EQ(44, size.curr);
  }
}

TEST(AurelianInterfaceControl, UnterminatedDomainNameMakesTheSizeZero) {
  conmon_message_body_t body = body_of(bytes_t(CONMON_MESSAGE_MAX_BODY_SIZE, 'x'));
  conmon_aurelian_init_interface_control(&body, 0);
  conmon_aurelian_interface_control_set_interface_address_static(&body, 0, 1, 1, 1, 1);
  body.data[40] = 0;
  body.data[41] = 44;  // points at 'x' bytes running to the end
  EXPECT_EQ(0u, conmon_aurelian_interface_control_get_size(&body));
}

TEST(AurelianUpgradeControl, TftpFileAppendsAlignedRecordAndPath) {
  conmon_message_body_t body = zero_body();
  conmon_message_size_info_t size = {0, 0};
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_upgrade_control_v3(&body, &size, 0));
  conmon_aurelian_upgrade_source_file_t file = {CONMON_AURELIAN_UPGRADE_PROTOCOL_TFTP_GET, 69,
                                                ip(192, 168, 1, 2), 4096, "fw.bin"};
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_upgrade_control_set_source_file(&body, &size, &file));
  bytes_t expected = {0x07, 0x34, 0x00, 0x75, ZERO4, BE32(8u), BE32(3u), BE32(3u), BE32(0u), ZERO8,
                      ZERO8, BE16(48), BE16(0), BE16(0), BE16(0),
                      // file information record at 48
                      BE32(2u | 4u | 8u | 16u | 32u), BE32(0u), BE16(2), BE16(69), 192, 168, 1, 2,
                      BE16(0), BE16(72), BE32(4096u), 'f', 'w', '.', 'b', 'i', 'n', 0};
  EXPECT_EQ(79, size.curr);
  EXPECT_EQ(expected, first_bytes(body, 79));
}

TEST(AurelianUpgradeControl, HttpFileAsksForDownloadOnly) {
  conmon_message_body_t body = zero_body();
  conmon_message_size_info_t size = {0, 0};
  conmon_aurelian_init_upgrade_control_v3(&body, &size, 0);
  conmon_aurelian_upgrade_source_file_t file = {CONMON_AURELIAN_UPGRADE_PROTOCOL_HTTP, 0, 0, 0,
                                                nullptr};
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_upgrade_control_set_source_file(&body, &size, &file));
  EXPECT_EQ((bytes_t{BE32(1u)}), bytes_t(body.data + 16, body.data + 20));
  EXPECT_EQ((bytes_t{BE32(2u)}), bytes_t(body.data + 48, body.data + 52));
  EXPECT_EQ(72, size.curr);
}

TEST(AurelianUpgradeControl, QueryIsTheFixedPartWithBothActionsValidAndNoneEnabled) {
  conmon_message_body_t body = body_of(bytes_t(48, 0xAB));
  conmon_message_size_info_t size = {0, 0};
  ASSERT_EQ(AUD_SUCCESS, conmon_aurelian_init_upgrade_control_v3(&body, &size, 0));
  bytes_t expected = {0x07, 0x34, 0x00, 0x75, ZERO4, BE32(0u), BE32(3u), ZERO16, ZERO16};
  EXPECT_EQ(expected, first_bytes(body, 48));
  EXPECT_EQ(48, size.curr);
}

TEST(AurelianUpgradeControl, FileThatDoesNotFitLeavesSizeAndOffsetUntouched) {
  conmon_message_body_t body = zero_body();
  conmon_message_size_info_t size = {0, 0};
  conmon_aurelian_init_upgrade_control_v3(&body, &size, 0);
  size.max = 80;  // room for the record but not the path
  conmon_aurelian_upgrade_source_file_t file = {2, 0, 0, 0, "a-rather-long-file-name.bin"};
  EXPECT_EQ(AUD_ERR_NOMEMORY, conmon_aurelian_upgrade_control_set_source_file(&body, &size, &file));
  EXPECT_EQ(48, size.curr);
  EXPECT_EQ((bytes_t{0, 0}), bytes_t(body.data + 40, body.data + 42));
  EXPECT_EQ((bytes_t{BE32(0u)}), bytes_t(body.data + 8, body.data + 12));
}

TEST(AurelianAppend, AlignmentRaisesTheOffsetFirst) {
  conmon_message_body_t body = zero_body();
  conmon_message_size_info_t size = {0, 13};
  const uint8_t data[2] = {1, 2};
  ASSERT_EQ(AUD_SUCCESS,
            conmon_aurelian_message_append(&body, &size, 8, CONMON_MESSAGE_ALIGN_4, data, 2));
  EXPECT_EQ((bytes_t{BE16(16)}), bytes_t(body.data + 8, body.data + 10));
  EXPECT_EQ(18, size.curr);
  EXPECT_EQ(CONMON_MESSAGE_MAX_BODY_SIZE, size.max);
}

}  // namespace
