// Small helpers for the wire tests: packets from hand-written bytes, and a
// capture of the packet layer's notice messages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "wire/dgcp/dgcp.h"

namespace wire_test {

// A received packet held in an aligned buffer, as the receive path holds it.
struct packet {
  dgcp_packet_buf buf{};
  size_t len = 0;

  packet() = default;
  explicit packet(const std::vector<uint8_t> &bytes) { set(bytes); }
  void set(const std::vector<uint8_t> &bytes) {
    memset(buf.packet, 0, sizeof buf.packet);
    len = bytes.size() < sizeof buf.packet ? bytes.size() : sizeof buf.packet;
    memcpy(buf.packet, bytes.data(), len);
    dump_seed(bytes);
  }
  // With NORVA_WIRE_DUMP_CORPUS set to the fuzz corpus folder, every packet
  // a test reads is also written there as a seed for the harness of its
  // opcode family (regenerates fuzz/corpus/dgcp_* and arcp_*).
  static void dump_seed(const std::vector<uint8_t> &bytes) {
    const char *dir = getenv("NORVA_WIRE_DUMP_CORPUS");
    if (!dir || bytes.size() < 10) return;
    unsigned group = bytes[6];
    const char *name = "dgcp_packet";
    if (group == 0x10 || group == 0x11 || group == 0x12 || group == 0x33 || group == 0x40 ||
        group == 0x41) {
      name = "arcp_device";
    } else if (group == 0x20 || group == 0x22 || group == 0x30 || group == 0x32) {
      name = "arcp_channel";
    } else if (group == 0x24 || group == 0x26 || group == 0x34 || group == 0x36) {
      name = "arcp_media";
    }
    std::string text(bytes.begin(), bytes.end());
    char path[512];
    snprintf(path, sizeof path, "%s/%s/seed-%016zx", dir, name, std::hash<std::string>{}(text));
    if (FILE *f = fopen(path, "wb")) {
      fwrite(bytes.data(), 1, bytes.size(), f);
      fclose(f);
    }
  }
  const dgcp_head *head() const { return reinterpret_cast<const dgcp_head *>(buf.packet); }
  uint16_t offset_of(const void *p) const {
    return static_cast<uint16_t>(static_cast<const uint8_t *>(p) - buf.packet);
  }
};

// The bytes of a built packet, _size of them.
inline std::vector<uint8_t> bytes_of(const dgcp_packet_buf &buf) {
  uint16_t size = dgcp_size(reinterpret_cast<const dgcp_head *>(buf.packet));
  return std::vector<uint8_t>(buf.packet, buf.packet + size);
}

// Appends a big-endian 16-bit or 32-bit value, or text with its NUL.
inline void be16(std::vector<uint8_t> &v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x >> 8));
  v.push_back(static_cast<uint8_t>(x));
}
inline void be32(std::vector<uint8_t> &v, uint32_t x) {
  be16(v, static_cast<uint16_t>(x >> 16));
  be16(v, static_cast<uint16_t>(x));
}
inline void str(std::vector<uint8_t> &v, const char *s) { v.insert(v.end(), s, s + strlen(s) + 1); }
inline void pad_to(std::vector<uint8_t> &v, size_t n) {
  while (v.size() < n) v.push_back(0);
}
// A 10-byte header; _size is patched by fix_size.
inline std::vector<uint8_t> head(uint16_t vers, uint16_t seq, uint16_t opcode, uint16_t status) {
  std::vector<uint8_t> v;
  be16(v, vers);
  be16(v, 0);
  be16(v, seq);
  be16(v, opcode);
  be16(v, status);
  return v;
}
inline std::vector<uint8_t> fix_size(std::vector<uint8_t> v) {
  v[2] = static_cast<uint8_t>(v.size() >> 8);
  v[3] = static_cast<uint8_t>(v.size());
  return v;
}

// Collects the packet layer's notices while alive.
struct log_capture {
  static std::vector<std::string> &lines() {
    static std::vector<std::string> l;
    return l;
  }
  static void take(const char *m) { lines().push_back(m); }
  log_capture() {
    lines().clear();
    dgcp_set_log_handler(&log_capture::take);
  }
  ~log_capture() { dgcp_set_log_handler(nullptr); }
};

}  // namespace wire_test
