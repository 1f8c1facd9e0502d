// Status bodies written out by hand from the body tables, shared by the reader and
// builder tests.
#pragma once

#include <cstring>

#include "conmon_test_bytes.h"

// A clocking status of version 0x0734 with two ports, the extension block at 56, the
// extension table at 88, ext2 data at 100 (ports at 108) and ext3 data at 140 (ports at 172).
inline bytes_t clocking_status_0734() {
  return {
      0x07,
      0x34,
      0x00,
      0x20,
      ZERO4,
      BE16(3),
      BE16(3),
      BE16(1),
      0x01,
      0x02,
      0xFF,
      0xFF,
      0xFF,
      0xFE,  // state, servo, source, pref, stratum, drift -2
      0x00,
      0x1D,
      0xC1,
      0x00,
      0x00,
      0x01,
      0x00,
      0x00,  // uuid
      0x00,
      0x1D,
      0xC1,
      0x00,
      0x00,
      0x02,
      0x00,
      0x00,  // master
      0x00,
      0x1D,
      0xC1,
      0x00,
      0x00,
      0x03,
      0x00,
      0x00,  // grandmaster
      BE16(2),
      BE16(56),  // num_ports, ext offset
      BE16(9),
      0,
      0,
      BE16(6),
      0,
      0,  // ports: SLAVE, MASTER
      // extension block at 56
      BE16(0x0180),
      BE16(5),
      BE32(500u),
      0x02,
      0x2A,
      BE16(0x1802),
      '_',
      'D',
      'F',
      'L',
      'T',
      0,
      0,
      0,
      ZERO8,
      BE16(0x0011),
      BE16(3),
      // extension table at 88
      BE16(100),
      BE16(40),
      BE16(0),
      BE16(12),
      BE16(140),
      BE16(40),
      // ext2 data at 100
      BE16(2),
      BE16(0),
      BE16(108),
      BE16(0),
      BE16(4),
      BE16(1),
      0x02,
      0x02,
      0x01,
      0x00,
      BE32(3u),
      BE16(9),
      BE16(0),
      BE16(2),
      BE16(2),
      0x01,
      0x02,
      0x02,
      0x00,
      BE32(4u),
      BE16(6),
      BE16(0),
      // ext3 data at 140
      BE16(2),
      BE16(7),
      BE16(172),
      BE16(4),
      0xAA,
      0xAA,
      0xAA,
      0xAA,
      0xAA,
      0xAA,
      0xAA,
      0xAA,
      0xBB,
      0xBB,
      0xBB,
      0xBB,
      0xBB,
      0xBB,
      0xBB,
      0xBB,
      0xCC,
      0xCC,
      0xCC,
      0xCC,
      0xCC,
      0xCC,
      0xCC,
      0xCC,
      BE16(1),
      BE16(0),
      BE16(0),
      BE16(1),
  };
}

inline uint32_t ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  uint8_t x[4] = {a, b, c, d};
  uint32_t v;
  std::memcpy(&v, x, 4);
  return v;
}

// An interface status of version 0x0734 with two interfaces, second records at 76 and
// the first interface's domain name at 124.
inline bytes_t interface_status_0734() {
  return {
      0x07,    0x34,    0x00,    0x11,   ZERO4,      BE16(2),  BE16(1), BE32(1000u), BE16(3),
      0x00,    0x1D,    0xC1,    0x12,   0x34,       0x56,     192,     168,         1,
      10,      255,     255,     255,    0,          192,      168,     1,           1,
      192,     168,     1,       254,    BE32(100u), BE16(1),  0x00,    0x1D,        0xC1,
      0x12,    0x34,    0x57,    169,    254,        0,        5,       255,         255,
      0,       0,       ZERO4,   ZERO4,  BE16(24),   BE16(76), BE16(1), BE16(0),     BE16(2),
      BE16(0), 192,     168,     1,      11,         255,      255,     255,         0,
      192,     168,     1,       1,      192,        168,      1,       254,         BE16(124),
      BE16(0), BE16(0), BE16(0), ZERO16, BE16(0),    BE16(0),  's',     't',         'u',
      'd',     'i',     'o',     '.',    'l',        'a',      'n',     0,
  };
}
