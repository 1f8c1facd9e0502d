// The "delos get devices!" report: building and printing it for 32 devices of
// 64 receive channels, 64 transmit channels and 8 transmit flows each, its
// size, and the device count at which it no longer fits the reply area.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "daemon/norva_delos_devlist.h"
#include "daemon/norva_delos_registry.h"
#include "daemon/norva_delos_tcpserver.h"
#include "daemon_cmd/devlist_fixture.h"

namespace {

size_t report_size() {
  cJSON *root = norva_delos_devlist_build(nullptr, false, 0);
  char *text = cJSON_Print(root);
  size_t n = strlen(text);
  cJSON_free(text);
  cJSON_Delete(root);
  return n;
}

void BM_DevlistBuildAndPrint32Devices(benchmark::State &state) {
  cmdtest::add_devices(32, 64, 64, 8);
  size_t bytes = 0;
  for (auto _ : state) {
    cJSON *root = norva_delos_devlist_build(nullptr, false, 0);
    char *text = cJSON_Print(root);
    bytes = strlen(text);
    benchmark::DoNotOptimize(text);
    cJSON_free(text);
    cJSON_Delete(root);
  }
  state.counters["report_bytes"] = static_cast<double>(bytes);
  state.counters["fits_reply_area"] = bytes <= TCPSERVER_REPLY_CAPACITY ? 1 : 0;
  cmdtest::remove_all_devices();
}
BENCHMARK(BM_DevlistBuildAndPrint32Devices)->Unit(benchmark::kMillisecond);

void BM_DevlistBuildOnly32Devices(benchmark::State &state) {
  cmdtest::add_devices(32, 64, 64, 8);
  for (auto _ : state) {
    cJSON *root = norva_delos_devlist_build(nullptr, false, 0);
    benchmark::DoNotOptimize(root);
    cJSON_Delete(root);
  }
  cmdtest::remove_all_devices();
}
BENCHMARK(BM_DevlistBuildOnly32Devices)->Unit(benchmark::kMillisecond);

// Adds devices of the same shape one by one until the printed report exceeds
// the reply capacity; the first count that does not fit is the counter.
void BM_DevlistDevicesThatFitTheReplyArea(benchmark::State &state) {
  int first_too_many = 0;
  size_t last_fitting = 0;
  for (auto _ : state) {
    cmdtest::remove_all_devices();
    for (int n = 1; n <= 1000; ++n) {
      cmdtest::add_devices(1, 64, 64, 8, n - 1);
      size_t bytes = report_size();
      if (bytes > TCPSERVER_REPLY_CAPACITY) {
        first_too_many = n;
        break;
      }
      last_fitting = bytes;
    }
  }
  state.counters["first_device_count_that_does_not_fit"] = first_too_many;
  state.counters["largest_fitting_report_bytes"] = static_cast<double>(last_fitting);
  cmdtest::remove_all_devices();
}
BENCHMARK(BM_DevlistDevicesThatFitTheReplyArea)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
