// Unaligned loads and stores of big-endian packet fields, shared by the
// control packet and ARCP codecs. The caller has checked that the bytes lie
// within the packet.
#pragma once

#include <arpa/inet.h>

#include <cstdint>
#include <cstring>

#include "wire/dgcp/dgcp.h"

inline uint16_t dgcp_load16(const void *p) {
  uint16_t v;
  memcpy(&v, p, 2);
  return ntohs(v);
}
inline uint32_t dgcp_load32(const void *p) {
  uint32_t v;
  memcpy(&v, p, 4);
  return ntohl(v);
}
inline void dgcp_store16(void *p, uint16_t host) {
  uint16_t v = htons(host);
  memcpy(p, &v, 2);
}
inline void dgcp_store32(void *p, uint32_t host) {
  uint32_t v = htonl(host);
  memcpy(p, &v, 4);
}
// An offset field as it stands on the wire (still in network order).
inline dgcp_raw_offset_t dgcp_load_raw_offset(const void *p) {
  dgcp_raw_offset_t v;
  memcpy(&v, p, 2);
  return v;
}
