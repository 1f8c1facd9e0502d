// Feeds arbitrary bytes to the routing-netlink link-dump reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/aud_interface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Copied so that the reader sees an exactly sized, unaligned-safe buffer.
  uint8_t *buf = static_cast<uint8_t *>(malloc(size ? size : 1));
  if (!buf) {
    return 0;
  }
  memcpy(buf, data, size);
  aud_interface_link_entry_t entries[4];
  unsigned count = 0;
  aud_interface_parse_link_dump(buf, size, entries, 4, &count);
  if (count > 4) {
    abort();
  }
  for (unsigned i = 0; i < count; ++i) {
    if (strnlen(entries[i].name, sizeof entries[i].name) >= sizeof entries[i].name) {
      abort();
    }
  }
  free(buf);
  return 0;
}
