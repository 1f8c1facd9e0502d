// Helpers for writing wire bytes by hand in tests: big-endian and host-order pieces
// that expand into initializer lists, and a body made from such a list.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "conmon/messages/conmon_message_head.h"

#define BE16(v) static_cast<uint8_t>((v) >> 8), static_cast<uint8_t>((v)&0xFF)
#define BE32(v) BE16(((v) >> 16) & 0xFFFF), BE16((v)&0xFFFF)
#define ZERO4 0, 0, 0, 0
#define ZERO8 ZERO4, ZERO4
#define ZERO16 ZERO8, ZERO8

typedef std::vector<uint8_t> bytes_t;

// A zero-filled body holding the given bytes at its start.
inline conmon_message_body_t body_of(const bytes_t &b) {
  conmon_message_body_t body;
  std::memset(&body, 0, sizeof body);
  if (!b.empty()) std::memcpy(body.data, b.data(), b.size() < sizeof body ? b.size() : sizeof body);
  return body;
}

inline bytes_t first_bytes(const conmon_message_body_t &body, size_t n) {
  return bytes_t(body.data, body.data + n);
}

// A host-order 16-bit value as two bytes in memory order.
inline bytes_t host16(uint16_t v) {
  uint8_t b[2];
  std::memcpy(b, &v, 2);
  return bytes_t(b, b + 2);
}
