// Unaligned big-endian loads and stores over byte buffers, shared by the conmon codecs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Each load reads from p without any alignment requirement; the caller has checked
// that the bytes lie within its buffer.
inline uint16_t conmon_load_be16(const uint8_t *p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline uint32_t conmon_load_be32(const uint8_t *p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
inline void conmon_store_be16(uint8_t *p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void conmon_store_be32(uint8_t *p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
// IPv4 addresses travel in network order and are passed through unchanged: the
// four bytes are copied into or out of the 32-bit value as they stand.
inline uint32_t conmon_load_raw32(const uint8_t *p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void conmon_store_raw32(uint8_t *p, uint32_t v) { std::memcpy(p, &v, 4); }
// Host-order 16-bit and 32-bit values, for the client-server messages.
inline uint16_t conmon_load_host16(const uint8_t *p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void conmon_store_host16(uint8_t *p, uint16_t v) { std::memcpy(p, &v, 2); }
inline uint32_t conmon_load_host32(const uint8_t *p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void conmon_store_host32(uint8_t *p, uint32_t v) { std::memcpy(p, &v, 4); }

// True when [offset, offset + n) lies within a buffer of len bytes; written so that
// no sum can wrap.
inline bool conmon_span_fits(size_t len, size_t offset, size_t n) {
  return offset <= len && n <= len - offset;
}
