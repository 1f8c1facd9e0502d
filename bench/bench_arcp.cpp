// Encode and decode cost of the two largest routine ARCP answers: a receive
// channel answer of 64 channels with names and subscriptions, and a transmit
// flow answer of 8 flows (the "204" list and the media chain form).
//
// 64 receive channel entries alone take 1280 of the 1400 bytes a packet may
// hold, so a device answers them in pages; here the answer is two datagrams
// of 32 channels each (the first would carry the more-records warning), and
// one iteration encodes or decodes both.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "wire/arcp/arcp_device_responses.h"

namespace {

constexpr unsigned kChannels = 64;
constexpr unsigned kFlows = 8;
constexpr unsigned kSlots = 8;

struct rx_fixture {
  char labels[kChannels][16];
  char tx_channels[kChannels][16];
  arcp_resp_rx_channel chans[kChannels];
  rx_fixture() {
    for (unsigned i = 0; i < kChannels; i++) {
      snprintf(labels[i], sizeof labels[i], "Input %02u", i + 1);
      snprintf(tx_channels[i], sizeof tx_channels[i], "Out %02u", i % 32 + 1);
      chans[i] = {
          static_cast<uint16_t>(i + 1),         0x0006, 48000, 24,  labels[i], tx_channels[i],
          i < 32 ? "Stagebox-A" : "Stagebox-B", 0x0009, 0x03,  0x01};
    }
  }
};

constexpr unsigned kPages = 2;
constexpr unsigned kPerPage = kChannels / kPages;

void build_rx(dgcp_packet_buf *pages, const rx_fixture &fx) {
  for (unsigned i = 0; i < kPages; i++) {
    if (arcp_resp_rx_channels_build(&pages[i], 0x2809, 1, fx.chans + i * kPerPage, kPerPage) !=
        AUD_SUCCESS)
      abort();
  }
  dgcp_set_status(dgcp_packet_buf_head(&pages[0]), ARCP_ERR_FLAG_Warn | ARCP_ERR_More_records);
}

unsigned rx_bytes(dgcp_packet_buf *pages) {
  unsigned total = 0;
  for (unsigned i = 0; i < kPages; i++) total += dgcp_size(dgcp_packet_buf_head(&pages[i]));
  return total;
}

void BM_RxChannelsEncode(benchmark::State &state) {
  rx_fixture fx;
  static dgcp_packet_buf pages[kPages];
  for (auto _ : state) {
    build_rx(pages, fx);
    benchmark::DoNotOptimize(pages[0].packet);
  }
  state.counters["bytes_per_msg"] = rx_bytes(pages);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RxChannelsEncode);

void BM_RxChannelsDecode(benchmark::State &state) {
  rx_fixture fx;
  static dgcp_packet_buf pages[kPages];
  build_rx(pages, fx);
  for (auto _ : state) {
    unsigned sum = 0;
    for (unsigned pg = 0; pg < kPages; pg++) {
      const dgcp_head *p = dgcp_packet_buf_head(&pages[pg]);
      sum += dgcp_verify_size(p, dgcp_size(p));
      unsigned n = dgcp_array_msg_count(p);
      for (unsigned i = 0; i < n; i++) {
        arcp_rx_channel_info c;
        if (arcp_rx_channel_at_index(p, i, &c) != AUD_SUCCESS) abort();
        sum += c.chan_id + (c.label ? 1 : 0) + (c.channel && c.host ? 1 : 0) + c.format.rate;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["bytes_per_msg"] = rx_bytes(pages);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RxChannelsDecode);

struct flow_fixture {
  uint16_t chans[kFlows][kSlots];
  char names[kFlows][16];
  flow_fixture() {
    for (unsigned f = 0; f < kFlows; f++) {
      for (unsigned s = 0; s < kSlots; s++) chans[f][s] = static_cast<uint16_t>(f * kSlots + s + 1);
      snprintf(names[f], sizeof names[f], "Flow %u", f + 1);
    }
  }
};

void build_tx_204(dgcp_packet_buf *buf, const flow_fixture &fx) {
  if (arcp_list_init(buf, 0x2809, 1, ARCP_OP_TX_bundle_query, kFlows, 2) != AUD_SUCCESS) abort();
  dgcp_set_status(dgcp_packet_buf_head(buf), DGCP_Success);
  for (unsigned f = 0; f < kFlows; f++) {
    arcp_204_tx_bundle_desc d{};
    d.id = static_cast<uint16_t>(f + 1);
    d.flags = ARCP_TX_BUNDLE_FLAG_SAVE;
    d.rate = 48000;
    d.encoding = 24;
    d.naddr = 2;
    d.addrs[0] = {htonl(0xEF450000u + f), 4321};
    d.addrs[1] = {htonl(0xEF460000u + f), 4321};
    d.nchan = kSlots;
    d.chans = fx.chans[f];
    d.with_status = AUD_TRUE;
    d.active = 3;
    d.fpp = 16;
    d.flow_label = fx.names[f];
    d.latency_ns = 1000000;
    d.flow_class = ARCP_FLOW_CLASS_DELOS_ATP;
    if (arcp_204_tx_bundle_write(buf, &d) != AUD_SUCCESS) abort();
  }
}

void build_tx_media(dgcp_packet_buf *buf, const flow_fixture &fx) {
  arcp_msg_head_init(dgcp_packet_buf_head(buf), 1, ARCP_OP_TX_media_bundle_query);
  dgcp_set_status(dgcp_packet_buf_head(buf), DGCP_Success);
  if (!dgcp_offset_array_msg_init(buf, kFlows)) abort();
  arcp_util_media_offset_tables tables;
  arcp_util_media_offset_tables_init(&tables);
  for (unsigned f = 0; f < kFlows; f++) {
    arcp_txflow_desc d{};
    d.media_id = static_cast<uint16_t>(f + 1);
    d.mtype = ARCP_MEDIA_TYPE__AUDIO;
    d.flags = ARCP_TX_BUNDLE_FLAG_SAVE;
    d.name = fx.names[f];
    d.sample_rate = 48000;
    d.encoding = 24;
    d.latency_ns = 1000000;
    d.n_intf = 2;
    d.active = 3;
    d.addrs[0] = {htonl(0xEF450000u + f), 4321};
    d.addrs[1] = {htonl(0xEF460000u + f), 4321};
    d.n_slots = kSlots;
    d.chan_ids = fx.chans[f];
    d.fpp = 16;
    if (arcp_util_add_txflow_to_packet(buf, &d, &tables) != AUD_SUCCESS) abort();
  }
}

void BM_TxFlows204Encode(benchmark::State &state) {
  flow_fixture fx;
  static dgcp_packet_buf buf;
  for (auto _ : state) {
    build_tx_204(&buf, fx);
    benchmark::DoNotOptimize(buf.packet);
  }
  state.counters["bytes_per_msg"] = dgcp_size(dgcp_packet_buf_head(&buf));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TxFlows204Encode);

void BM_TxFlows204Decode(benchmark::State &state) {
  flow_fixture fx;
  static dgcp_packet_buf buf;
  build_tx_204(&buf, fx);
  const dgcp_head *p = dgcp_packet_buf_head(&buf);
  uint16_t size = dgcp_size(p);
  for (auto _ : state) {
    unsigned sum = dgcp_verify_size(p, size);
    unsigned n = dgcp_array_msg_count(p);
    for (unsigned i = 0; i < n; i++) {
      arcp_tx_bundle_info f;
      if (arcp_tx_bundle_at_index(p, i, &f) != AUD_SUCCESS) abort();
      for (unsigned s = 0; s < f.nchan; s++) sum += arcp_tx_bundle_info_chan(&f, s);
      sum += f.fpp + (f.addrs[1] ? 1 : 0) + (f.flow_label ? 1 : 0);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["bytes_per_msg"] = size;
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TxFlows204Decode);

void BM_TxFlowsMediaEncode(benchmark::State &state) {
  flow_fixture fx;
  static dgcp_packet_buf buf;
  for (auto _ : state) {
    build_tx_media(&buf, fx);
    benchmark::DoNotOptimize(buf.packet);
  }
  state.counters["bytes_per_msg"] = dgcp_size(dgcp_packet_buf_head(&buf));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TxFlowsMediaEncode);

void BM_TxFlowsMediaDecode(benchmark::State &state) {
  flow_fixture fx;
  static dgcp_packet_buf buf;
  build_tx_media(&buf, fx);
  const dgcp_head *p = dgcp_packet_buf_head(&buf);
  uint16_t size = dgcp_size(p);
  for (auto _ : state) {
    unsigned sum = dgcp_verify_size(p, size);
    uint16_t lower = arcp_media_answer_lower_bound(p);
    unsigned n = arcp_offset_array_msg_count(p);
    for (unsigned i = 0; i < n; i++) {
      arcp_media_flow_info f;
      if (arcp_tx_media_flow_read(p, arcp_resource_at_index(p, i), lower, &f) != AUD_SUCCESS)
        abort();
      arcp_media_format_info fmt;
      if (arcp_media_format_read(p, f.resource.format, lower, f.resource.mtype, &fmt) !=
          AUD_SUCCESS)
        abort();
      for (unsigned s = 0; s < f.n_slots; s++) sum += arcp_media_flow_chan_id(&f, s);
      sum += f.fpp + (f.addrs[1] ? 1 : 0) + fmt.audio.rate;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["bytes_per_msg"] = size;
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TxFlowsMediaDecode);

}  // namespace
