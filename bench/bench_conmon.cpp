// Reading whole status messages: a clocking status with two ports (fixed part, ports,
// extension block, ext2 and ext3 records) and an interface status with two interfaces
// (addresses and domain names), as the status renderer reads them.
#include <benchmark/benchmark.h>

#include <cstring>

#include "conmon/messages/conmon_aurelian_status.h"
#include "conmon/messages/conmon_aurelian_status_build.h"

namespace {

conmon_message_body_t g_clocking;
size_t g_clocking_size;
conmon_message_body_t g_interface;
size_t g_interface_size;

void build_bodies() {
  conmon_aurelian_clocking_status_info_t c = {};
  c.clock_state = CONMON_CLOCK_STATE_DISCIPLINED;
  c.servo_state = CONMON_SERVO_STATE_SYNC;
  c.num_ports = 2;
  c.port_states[0] = CONMON_PORT_STATE_SLAVE;
  c.port_states[1] = CONMON_PORT_STATE_MASTER;
  c.has_ext = AUD_TRUE;
  c.flags = 0x1802;
  std::memcpy(c.subdomain_name, "_DFLT", 5);
  c.has_ext2 = AUD_TRUE;
  c.num_ext2_ports = 2;
  for (int i = 0; i < 2; i++) {
    c.ext2_ports[i].ptp_version = static_cast<uint8_t>(i + 1);
    c.ext2_ports[i].castness = 1;
    c.ext2_ports[i].port_state = CONMON_PORT_STATE_SLAVE;
  }
  c.has_ext3 = AUD_TRUE;
  c.ext3_flags = 7;
  c.network_index[0] = 0;
  c.network_index[1] = 1;
  conmon_aurelian_build_clocking_status(&g_clocking, &g_clocking_size, CONMON_AURELIAN_MESSAGE_VERSION,
                                        0, &c);

  conmon_aurelian_interface_status_info_t f = {};
  f.num_interfaces = 2;
  f.has_interface2 = AUD_TRUE;
  for (int i = 0; i < 2; i++) {
    f.interfaces[i].link_speed = 1000;
    f.interfaces[i].ip_address = 0x0A01A8C0u + static_cast<uint32_t>(i << 24);
    f.interfaces[i].domain_name = "studio.lan";
  }
  conmon_aurelian_build_interface_status(&g_interface, &g_interface_size,
                                         CONMON_AURELIAN_MESSAGE_VERSION, 0, &f);
}

void BM_ReadClockingStatusWithTwoPorts(benchmark::State &state) {
  build_bodies();
  const uint8_t *b = g_clocking.data;
  size_t n = g_clocking_size;
  for (auto _ : state) {
    uint64_t acc = 0;
    char name[17];
    acc += conmon_aurelian_clocking_status_get_clock_state(b, n);
    acc += conmon_aurelian_clocking_status_get_servo_state(b, n);
    acc += conmon_aurelian_clocking_status_get_clock_source(b, n);
    acc += conmon_aurelian_clocking_status_is_clock_preferred(b, n);
    acc += conmon_aurelian_clocking_status_get_capabilities(b, n);
    acc += conmon_aurelian_clocking_status_get_mute_flags(b, n);
    acc += conmon_aurelian_clocking_status_get_subdomain_name(b, n, name) != nullptr;
    uint16_t ports = conmon_aurelian_clocking_status_num_ports(b, n);
    for (uint16_t i = 0; i < ports; i++) {
      acc += conmon_aurelian_port_status_get_port_state(
          conmon_aurelian_clocking_status_port_at_index(b, n, i));
    }
    uint16_t total = conmon_aurelian_clocking_status_total_num_ports(b, n);
    for (uint16_t i = 0; i < total; i++) {
      const conmon_aurelian_port_status_ext2_t *p2 = conmon_aurelian_port_status_ext2_get_port_at_index(b, n, i);
      const conmon_aurelian_port_status_ext3_t *p3 = conmon_aurelian_port_status_ext3_get_port_at_index(b, n, i);
      acc += conmon_aurelian_clocking_status_get_port_state(p2);
      acc += conmon_aurelian_clocking_status_get_port_path_type(p2);
      acc += conmon_aurelian_clocking_status_get_port_ptp_version(p2);
      acc += conmon_aurelian_clocking_status_get_port_network_index(b, n, p3);
    }
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadClockingStatusWithTwoPorts);

void BM_ReadInterfaceStatusWithTwoInterfaces(benchmark::State &state) {
  build_bodies();
  const uint8_t *b = g_interface.data;
  size_t n = g_interface_size;
  for (auto _ : state) {
    uint64_t acc = conmon_aurelian_interface_status_get_mode(b, n);
    uint16_t num = conmon_aurelian_interface_status_num_interfaces(b, n);
    for (uint16_t i = 0; i < num; i++) {
      const conmon_aurelian_interface_t *f = conmon_aurelian_interface_status_interface_at_index(b, n, i);
      acc += conmon_aurelian_interface_get_link_speed(f);
      acc += conmon_aurelian_interface_get_flags(f);
      acc += conmon_aurelian_interface_get_mac_address(f)[5];
      acc += conmon_aurelian_interface_get_ip_address(f);
      acc += conmon_aurelian_interface_get_netmask(f);
      acc += conmon_aurelian_interface_get_dns_server(f);
      acc += conmon_aurelian_interface_get_gateway(f);
      acc += conmon_aurelian_interface_status_get_domain_name(f, b, n) != nullptr;
    }
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadInterfaceStatusWithTwoInterfaces);

}  // namespace
