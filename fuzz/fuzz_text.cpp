// Feeds arbitrary text to the parsers that read text from the network: hex and
// EUI readers, DNS label splitting, word and line splitting, name rules, number
// parsing. Where an encoder exists the result is encoded, decoded again and compared.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/delos_name.h"
#include "platform/aud_text.h"

namespace {

// The longest input tried; longer inputs add nothing the parsers have not seen.
constexpr size_t k_max_input = 4096;

void check(bool ok) {
  if (!ok) {
    abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > k_max_input) {
    return 0;
  }
  std::string text(reinterpret_cast<const char *>(data), size);
  const char *s = text.c_str();  // stops at the first NUL, like every caller

  uint8_t bytes[32];
  size_t n = dt_hex_to_bytes(s, bytes, sizeof bytes);
  check(n <= sizeof bytes);
  char hex[2 * sizeof bytes + 1];
  dt_bytes_to_hex(bytes, n, hex);
  uint8_t again[32];
  check(dt_hex_to_bytes(hex, again, n) == n);
  check(memcmp(bytes, again, n) == 0);

  for (unsigned period = 0; period < 4; ++period) {
    check(dt_hex_to_bytes_with_periodic_separator(s, bytes, sizeof bytes, ':', period) <=
          sizeof bytes);
  }

  uint8_t eui[8];
  if (dt_eui48_from_formatted_str(s, eui) == AUD_SUCCESS) {
    char f[DT_EUI48_FORMATTED_STR_SIZE];
    uint8_t back[6];
    check(dt_eui48_from_formatted_str(dt_eui48_to_formatted_str(eui, f), back) == AUD_SUCCESS);
    check(memcmp(eui, back, 6) == 0);
  }
  if (dt_eui64_from_str(s, eui) == AUD_SUCCESS) {
    char f[DT_EUI64_STR_SIZE];
    uint8_t back[8];
    check(dt_eui64_from_str(dt_eui64_to_str(eui, f), back) == AUD_SUCCESS);
    check(memcmp(eui, back, 8) == 0);
  }

  std::string copy = text;
  char *tail = nullptr;
  char *label = aud_dns_name_first_label(copy.data(), &tail);
  check(label == copy.data());
  check(!tail || (tail > copy.data() && tail <= copy.data() + strlen(s)));

  copy = text;
  char *next = copy.data();
  while (char *w = dt_get_next_word(next, &next)) {
    check(*w != '\0');
  }
  copy = text;
  for (char *line = copy.data(); line;) {
    line = dt_next_line(line);
  }

  char name[DELOS_NAME_COPY_SIZE];
  aud_error_t r = delos_name_copy(name, s);
  check(strlen(name) < DELOS_NAME_COPY_SIZE);
  if (r == AUD_SUCCESS) {
    check(delos_name_equals(name, s) == AUD_TRUE);
  }
  delos_name_is_valid_device_name(s);
  delos_name_is_valid_channel_or_label_name(s);

  uint32_t value;
  char *end;
  aud_strto_uint32_with_range(s, &value, &end, 0, 1000, 1);
  check(end >= s && end <= s + strlen(s));

  char buf[16];
  aud_stringbuf_t sb;
  aud_stringbuf_init(&sb, buf, sizeof buf);
  const aud_stringbuf_transform_t table[] = {{'"', "\\\""}, {'\n', ""}, {'\0', nullptr}};
  aud_stringbuf_append_transform(&sb, s, table);
  check(strlen(buf) < sizeof buf);
  return 0;
}
