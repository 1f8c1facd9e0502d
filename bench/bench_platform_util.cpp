// Costs of the calls components make on hot paths (a suppressed log line, name
// checks, hex conversions) and of an interface listing, which callers make at
// set-up time only.
#include <benchmark/benchmark.h>

#include <cstring>

#include "common/delos_name.h"
#include "common/dt_log.h"
#include "platform/aud_interface.h"
#include "platform/aud_log.h"
#include "platform/aud_text.h"

namespace {

void BM_AudLogSuppressed(benchmark::State &state) {
  aud_log_t *log = nullptr;
  aud_log_new(&log);
  for (auto _ : state) {
    aud_log(log, AUD_LOGLEVEL_DEBUG, "dr_device_process: %s state %d", "dev", 3);
  }
  aud_log_delete(log);
}
BENCHMARK(BM_AudLogSuppressed);

void count_fn(aud_log_t *log, const char *, aud_loglevel_t, const char *, size_t len) {
  *static_cast<size_t *>(aud_log_get_custom_context(log)) += len;
}

void BM_AudLogCustomDestination(benchmark::State &state) {
  aud_log_t *log = nullptr;
  aud_log_new(&log);
  size_t total = 0;
  aud_log_set_custom_fn(log, count_fn);
  aud_log_set_custom_context(log, &total);
  aud_log_set_threshold(log, AUD_LOGTYPE_CUSTOM, AUD_LOGLEVEL_DEBUG);
  for (auto _ : state) {
    aud_log(log, AUD_LOGLEVEL_DEBUG, "dr_device_process: %s state %d", "dev", 3);
  }
  benchmark::DoNotOptimize(total);
  aud_log_delete(log);
}
BENCHMARK(BM_AudLogCustomDestination);

void BM_DtLogSuppressed(benchmark::State &state) {
  dt_log_reset();
  for (auto _ : state) {
    dt_log(DT_LOG_INFO, "dgcp: packet of %u bytes", 128u);
  }
}
BENCHMARK(BM_DtLogSuppressed);

void BM_DeviceNameValidity(benchmark::State &state) {
  const char *name = "Stage-Box-0123456789-abcdefghij";
  for (auto _ : state) {
    benchmark::DoNotOptimize(delos_name_is_valid_device_name(name));
  }
}
BENCHMARK(BM_DeviceNameValidity);

void BM_HexToBytes32(benchmark::State &state) {
  const char *hex = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
  uint8_t bytes[32];
  for (auto _ : state) {
    benchmark::DoNotOptimize(dt_hex_to_bytes(hex, bytes, sizeof bytes));
  }
}
BENCHMARK(BM_HexToBytes32);

void BM_Eui48Formatted(benchmark::State &state) {
  const uint8_t eui[6] = {0x00, 0x1d, 0xc1, 0x0a, 0x0b, 0x0c};
  char text[DT_EUI48_FORMATTED_STR_SIZE];
  for (auto _ : state) {
    benchmark::DoNotOptimize(dt_eui48_to_formatted_str(eui, text));
  }
}
BENCHMARK(BM_Eui48Formatted);

void BM_InterfaceList(benchmark::State &state) {
  for (auto _ : state) {
    aud_interface_t *list = nullptr;
    unsigned count = 0;
    aud_interface_list(&list, &count);
    aud_interface_list_free(list);
  }
}
BENCHMARK(BM_InterfaceList);

void BM_InterfaceByName(benchmark::State &state) {
  aud_interface_t iface;
  for (auto _ : state) {
    benchmark::DoNotOptimize(aud_interface_get_by_name(&iface, "lo"));
  }
}
BENCHMARK(BM_InterfaceByName);

}  // namespace
