// Runs every Aurelian status reader over one arbitrary body held in a buffer of
// exactly its length, so any read past the end is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "conmon/messages/conmon_aurelian_id_set.h"
#include "conmon/messages/conmon_aurelian_status.h"

namespace {

volatile uint64_t sink;

void use(uint64_t v) { sink = sink + v; }
void use_ptr(const void *p) { sink = sink + (p != nullptr); }
void use_str(const char *s) {
  if (s) use(std::strlen(s));
}

void clocking(const uint8_t *b, size_t n) {
  char name[17];
  use(conmon_aurelian_clocking_status_get_clock_state(b, n));
  use(conmon_aurelian_clocking_status_get_drift(b, n));
  use_ptr(conmon_aurelian_clocking_status_get_uuid(b, n));
  use_ptr(conmon_aurelian_clocking_status_get_grandmaster_uuid(b, n));
  use(conmon_aurelian_clocking_status_get_max_drift(b, n));
  use(conmon_aurelian_clocking_status_get_capabilities(b, n));
  use_str(conmon_aurelian_clocking_status_get_subdomain_name(b, n, name));
  use(conmon_aurelian_clocking_status_get_unicast_delay_requests(b, n));
  use(conmon_aurelian_clocking_status_get_multicast_ports_enabled(b, n));
  use(conmon_aurelian_clocking_status_is_preferred_locked(b, n));
  use(conmon_aurelian_clocking_status_get_mute_flags(b, n));
  use(conmon_aurelian_clocking_status_get_ext_wc_state(b, n));
  uint16_t ports = conmon_aurelian_clocking_status_num_ports(b, n);
  for (uint32_t i = 0; i <= ports && i < 400; i++) {
    use(conmon_aurelian_port_status_get_port_state(
        conmon_aurelian_clocking_status_port_at_index(b, n, static_cast<uint16_t>(i))));
  }
  uint16_t total = conmon_aurelian_clocking_status_total_num_ports(b, n);
  for (uint32_t i = 0; i <= total && i < 400; i++) {
    const conmon_aurelian_port_status_ext2_t *p2 =
        conmon_aurelian_port_status_ext2_get_port_at_index(b, n, static_cast<uint16_t>(i));
    const conmon_aurelian_port_status_ext3_t *p3 =
        conmon_aurelian_port_status_ext3_get_port_at_index(b, n, static_cast<uint16_t>(i));
    use(conmon_aurelian_clocking_status_get_port_state(p2));
    use(conmon_aurelian_clocking_status_get_port_interface_index(p2));
    use(conmon_aurelian_clocking_status_get_port_network_index(b, n, p3));
  }
  uint8_t domain;
  use(conmon_aurelian_clocking_status_get_v2_domain_number(b, n, &domain));
  use_ptr(conmon_aurelian_clocking_status_get_v2_uuid(b, n));
  use_ptr(conmon_aurelian_clocking_status_get_v2_grandmaster_uuid(b, n));
}

void interfaces(const uint8_t *b, size_t n) {
  use(conmon_aurelian_interface_status_get_mode(b, n));
  use(conmon_aurelian_interface_status_get_flags(b, n));
  uint16_t num = conmon_aurelian_interface_status_num_interfaces(b, n);
  for (uint32_t i = 0; i <= num && i < 100; i++) {
    const conmon_aurelian_interface_t *f =
        conmon_aurelian_interface_status_interface_at_index(b, n, static_cast<uint16_t>(i));
    use(conmon_aurelian_interface_get_ip_address(f));
    use_ptr(conmon_aurelian_interface_get_mac_address(f));
    use_str(conmon_aurelian_interface_status_get_domain_name(f, b, n));
    use_str(conmon_aurelian_interface_get_reboot_domain_name(f, b, n));
    use(conmon_aurelian_interface_get_reboot_ip_address(f, b, n));
    use(conmon_aurelian_interface_is_reboot_configured(f, b, n));
  }
}

void rates(const uint8_t *b, size_t n) {
  char name[17];
  use(conmon_aurelian_srate_get_mode(b, n));
  use(conmon_aurelian_srate_get_current(b, n));
  uint16_t count = conmon_aurelian_srate_get_available_count(b, n);
  for (uint32_t i = 0; i <= count && i < 400; i++) {
    use(conmon_aurelian_srate_get_available(b, n, static_cast<uint16_t>(i)));
    use(conmon_aurelian_enc_get_available(b, n, static_cast<uint16_t>(i)));
  }
  use(conmon_aurelian_srate_pullup_get_flags(b, n));
  use_str(conmon_aurelian_srate_pullup_get_subdomain(b, n, name));
}

void versions(const uint8_t *b, size_t n) {
  delos_version_t v;
  uint32_t build, mask, value;
  use(conmon_aurelian_versions_status_get_delos_software_version_build(b, n, &v, &build));
  use(conmon_aurelian_versions_status_get_delos_firmware_version_build(b, n, &v, &build));
  use_ptr(conmon_aurelian_versions_status_get_delos_model_id(b, n));
  use_str(conmon_aurelian_versions_status_get_delos_model_name(b, n));
  use(conmon_aurelian_versions_status_get_clock_protocols(b, n));
  conmon_aurelian_versions_status_get_domain_capability_flags(b, n, &mask, &value);
  uint16_t ids = conmon_aurelian_versions_status_get_num_web_plugin_ids(b, n);
  for (uint32_t i = 0; i <= ids && i < 100; i++) {
    const char *id = nullptr;
    if (conmon_aurelian_versions_status_get_web_plugin_id(b, n, static_cast<uint16_t>(i), &id) ==
        AUD_SUCCESS) {
      use_str(id);
    }
  }
  use_str(conmon_aurelian_manf_versions_status_get_manufacturer_name(b, n));
  use_str(conmon_aurelian_manf_versions_status_get_model_name(b, n));
  use_str(conmon_aurelian_manf_versions_status_get_model_version_string(b, n));
  use_ptr(conmon_aurelian_manf_versions_status_get_serial_id(b, n));
  conmon_aurelian_manf_versions_status_get_model_version(b, n, &v);
  use(conmon_aurelian_manf_versions_status_get_software_version_build(b, n, &v, &build));
}

void small(const uint8_t *b, size_t n) {
  uint32_t s, e;
  use(conmon_aurelian_get_lock_status(b, n));
  use(conmon_aurelian_lock_status_get_status_flags(b, n));
  use(conmon_aurelian_aes67_status_is_enabled_on_reboot(b, n));
  use(conmon_aurelian_sys_reset_status_get_mode(b, n));
  use(conmon_aurelian_clear_config_status_get_status(b, n, &s, &e));
  use(conmon_aurelian_routing_ready_status_num_rxchannels(b, n));
  use(conmon_aurelian_routing_ready_status_link(b, n));
  conmon_aurelian_upgrade_status_t st;
  use(conmon_aurelian_upgrade_status_get_upgrade_status(b, n, &st));
  conmon_aurelian_upgrade_source_file_t f;
  if (conmon_aurelian_upgrade_status_get_source_file_info(b, n, &f) == AUD_SUCCESS)
    use_str(f.filename);
}

void id_set(const uint8_t *b, size_t n) {
  conmon_aurelian_id_set_media_read_t media;
  if (conmon_aurelian_id_set__get_media(b, n, &media) != AUD_SUCCESS) return;
  uint16_t records = conmon_aurelian_id_set__num_media_records(&media);
  for (uint32_t i = 0; i < records && i < 64; i++) {
    conmon_aurelian_id_set_media_record_read_t r;
    if (conmon_aurelian_id_set__media_record_at(&media, static_cast<uint16_t>(i), &r) !=
        AUD_SUCCESS) {
      continue;
    }
    use(conmon_aurelian_id_set_media_record__media_type(&r));
    uint32_t elements = conmon_aurelian_id_set_media_record__num_elements(&r);
    for (uint32_t k = 0; k < elements && k < 2048; k++) {
      use(conmon_aurelian_id_set_media_record__element_at_index(&r, k));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > CONMON_MESSAGE_MAX_BODY_SIZE) return 0;
  std::unique_ptr<uint8_t[]> body(new uint8_t[size ? size : 1]);
  if (size) std::memcpy(body.get(), data, size);
  const uint8_t *b = size ? body.get() : nullptr;
  use(conmon_aurelian_message_get_type(b, size));
  clocking(b, size);
  interfaces(b, size);
  rates(b, size);
  versions(b, size);
  small(b, size);
  id_set(b, size);
  return 0;
}
