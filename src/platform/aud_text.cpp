#include "platform/aud_text.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

// ---- Bounded copies -------------------------------------------------------

size_t aud_strlcpy(char *dst, const char *src, size_t size) {
  if (!src) {
    src = "";
  }
  size_t len = strlen(src);
  if (dst && size > 0) {
    size_t n = std::min(len, size - 1);
    memcpy(dst, src, n);
    dst[n] = '\0';
  }
  return len;
}

size_t aud_strlcat(char *dst, const char *src, size_t size) {
  if (!dst) {
    return size;
  }
  size_t used = strnlen(dst, size);
  if (used == size) {
    return size;
  }
  return used + aud_strlcpy(dst + used, src, size - used);
}

#ifdef AUD_TEXT_PROVIDES_STRLCPY
extern "C" size_t strlcpy(char *dst, const char *src, size_t size) {
  return aud_strlcpy(dst, src, size);
}
extern "C" size_t strlcat(char *dst, const char *src, size_t size) {
  return aud_strlcat(dst, src, size);
}
#endif

size_t aud_strl_concat(char *dst, size_t size, ...) {
  va_list args;
  va_start(args, size);
  size_t total = 0;
  if (size == 0) {
    while (const char *s = va_arg(args, const char *)) {
      total += strlen(s);
    }
    va_end(args);
    return total;
  }
  size_t used = dst ? strnlen(dst, size) : size;
  if (used == size) {
    va_end(args);
    return 0;
  }
  total = used;
  while (const char *s = va_arg(args, const char *)) {
    size_t len = strlen(s);
    if (total < size - 1) {
      size_t n = std::min(len, size - 1 - total);
      memcpy(dst + total, s, n);
      dst[total + n] = '\0';
    }
    total += len;
  }
  va_end(args);
  return total;
}

int aud_offset_snprintf2(char *buf, size_t size, int offset, const char *format, ...) {
  if (offset < 0) {
    return offset;
  }
  size_t off = static_cast<size_t>(offset);
  char *at = nullptr;
  size_t room = 0;
  if (buf && off < size) {
    at = buf + off;
    room = size - off;
  }
  va_list args;
  va_start(args, format);
  int n = vsnprintf(at, room, format, args);
  va_end(args);
  if (n < 0 || n > INT_MAX - offset) {
    return -1;
  }
  return offset + n;
}

// ---- Numbers --------------------------------------------------------------

namespace {

// One conversion for all four widths; Wide is long or unsigned long.
template <typename T, typename Wide>
aud_error_t strto_with_range(const char *str, T *value, char **next, int base, T max, T min) {
  if (!str || !value) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  int saved = errno;
  errno = 0;
  char *end = nullptr;
  Wide result;
  if constexpr (std::numeric_limits<Wide>::is_signed) {
    result = strtol(str, &end, base);
  } else {
    result = strtoul(str, &end, base);
  }
  int err = errno;
  errno = saved;
  if (next) {
    *next = end ? end : const_cast<char *>(str);
  }
  bool overflow = false;
  if (result > static_cast<Wide>(std::numeric_limits<T>::max())) {
    *value = std::numeric_limits<T>::max();
    overflow = true;
  } else if (std::numeric_limits<Wide>::is_signed &&
             result < static_cast<Wide>(std::numeric_limits<T>::min())) {
    *value = std::numeric_limits<T>::min();
    overflow = true;
  } else {
    *value = static_cast<T>(result);
  }
  if (result == 0 && err != 0) {
    return AUD_ERR_NODATA;
  }
  // Zero is range-checked like any other value: a caller asking for 1..N must
  // not be told that "0" is fine.
  if (err != 0 || overflow || *value > max || *value < min) {
    return AUD_ERR_RANGE;
  }
  return AUD_SUCCESS;
}

}  // namespace

aud_error_t aud_strto_uint32_with_range(const char *str, uint32_t *value, char **next, int base,
                                        uint32_t max, uint32_t min) {
  return strto_with_range<uint32_t, unsigned long>(str, value, next, base, max, min);
}

aud_error_t aud_strto_uint16_with_range(const char *str, uint16_t *value, char **next, int base,
                                        uint16_t max, uint16_t min) {
  return strto_with_range<uint16_t, unsigned long>(str, value, next, base, max, min);
}

aud_error_t aud_strto_int32_with_range(const char *str, int32_t *value, char **next, int base,
                                       int32_t max, int32_t min) {
  return strto_with_range<int32_t, long>(str, value, next, base, max, min);
}

aud_error_t aud_strto_int16_with_range(const char *str, int16_t *value, char **next, int base,
                                       int16_t max, int16_t min) {
  return strto_with_range<int16_t, long>(str, value, next, base, max, min);
}

// ---- Text builder ---------------------------------------------------------

namespace {

aud_bool_t fits(const aud_stringbuf_t *sb) { return sb->curr < sb->len ? AUD_TRUE : AUD_FALSE; }

// Appends n bytes of text (no terminator needed in text).
void put(aud_stringbuf_t *sb, const char *text, size_t n) {
  if (sb->len > 0 && sb->curr < sb->len - 1) {
    size_t take = std::min(n, sb->len - 1 - sb->curr);
    memcpy(sb->buf + sb->curr, text, take);
    sb->buf[sb->curr + take] = '\0';
  }
  sb->curr += n;
}

}  // namespace

void aud_stringbuf_init(aud_stringbuf_t *sb, char *buf, size_t len) {
  sb->buf = buf;
  sb->len = buf ? len : 0;
  sb->curr = 0;
  if (sb->len > 0) {
    buf[0] = '\0';
  }
}

aud_bool_t aud_stringbuf_append(aud_stringbuf_t *sb, const char *text) {
  if (text) {
    put(sb, text, strlen(text));
  }
  return fits(sb);
}

aud_bool_t aud_stringbuf_append_strings(aud_stringbuf_t *sb, ...) {
  va_list args;
  va_start(args, sb);
  while (const char *s = va_arg(args, const char *)) {
    put(sb, s, strlen(s));
  }
  va_end(args);
  return fits(sb);
}

aud_bool_t aud_stringbuf_vprintf(aud_stringbuf_t *sb, const char *format, va_list args) {
  char *at = nullptr;
  size_t room = 0;
  if (sb->len > 0 && sb->curr < sb->len) {
    at = sb->buf + sb->curr;
    room = sb->len - sb->curr;
  }
  int n = vsnprintf(at, room, format, args);
  if (n > 0) {
    sb->curr += static_cast<size_t>(n);
  }
  return fits(sb);
}

aud_bool_t aud_stringbuf_printf(aud_stringbuf_t *sb, const char *format, ...) {
  va_list args;
  va_start(args, format);
  aud_bool_t r = aud_stringbuf_vprintf(sb, format, args);
  va_end(args);
  return r;
}

aud_bool_t aud_stringbuf_append_transform(aud_stringbuf_t *sb, const char *text,
                                          const aud_stringbuf_transform_t *table) {
  if (!text) {
    return fits(sb);
  }
  for (const char *p = text; *p; ++p) {
    const char *replacement = nullptr;
    for (const aud_stringbuf_transform_t *t = table; t && t->ch; ++t) {
      if (t->ch == *p) {
        replacement = t->replacement;
        break;
      }
    }
    if (replacement) {
      put(sb, replacement, strlen(replacement));
    } else {
      put(sb, p, 1);
    }
  }
  return fits(sb);
}

aud_bool_t aud_stringbuf_append_hexbytes(aud_stringbuf_t *sb, const uint8_t *bytes, size_t n,
                                         const aud_stringbuf_hex_format_t *format) {
  static const aud_stringbuf_hex_format_t plain = {AUD_FALSE, 0, ' ', 0,
                                                   AUD_STRINGBUF_HEX_PREFIX_NONE};
  const aud_stringbuf_hex_format_t *f = format ? format : &plain;
  const char *digits = f->upper_case ? "0123456789ABCDEF" : "0123456789abcdef";
  for (size_t i = 0; i < n; ++i) {
    bool line_start = i == 0 || (f->line && i % f->line == 0);
    bool group_start = i == 0 || (f->group && i % f->group == 0);
    if (i > 0 && line_start) {
      put(sb, "\n", 1);
    } else if (i > 0 && group_start) {
      put(sb, &f->group_separator, 1);
    }
    bool prefix = (f->prefix == AUD_STRINGBUF_HEX_PREFIX_ONCE && i == 0) ||
                  (f->prefix == AUD_STRINGBUF_HEX_PREFIX_PER_LINE && line_start) ||
                  (f->prefix == AUD_STRINGBUF_HEX_PREFIX_PER_GROUP && group_start);
    if (prefix) {
      put(sb, "0x", 2);
    }
    char pair[2] = {digits[bytes[i] >> 4], digits[bytes[i] & 0xf]};
    put(sb, pair, 2);
  }
  return fits(sb);
}

// ---- String tables --------------------------------------------------------

aud_error_t aud_string_table_get_value_for_string_ci(const aud_string_table_entry_t *table,
                                                     const char *str, int *value) {
  if (!table || !str || !value) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  for (const aud_string_table_entry_t *e = table; e->string; ++e) {
    if (strcasecmp(e->string, str) == 0) {
      *value = e->value;
      return AUD_SUCCESS;
    }
  }
  return AUD_ERR_NOTFOUND;
}

aud_error_t aud_string_table_get_value_for_string_cs(const aud_string_table_entry_t *table,
                                                     const char *str, int *value) {
  if (!table || !str || !value) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  for (const aud_string_table_entry_t *e = table; e->string; ++e) {
    if (strcmp(e->string, str) == 0) {
      *value = e->value;
      return AUD_SUCCESS;
    }
  }
  return AUD_ERR_NOTFOUND;
}

const char *aud_string_table_get_string_for_value(const aud_string_table_entry_t *table,
                                                  int value) {
  if (!table) {
    return nullptr;
  }
  for (const aud_string_table_entry_t *e = table; e->string; ++e) {
    if (e->value == value) {
      return e->string;
    }
  }
  return nullptr;
}

// ---- DNS names ------------------------------------------------------------

char *aud_dns_name_first_label(char *name, char **tail) {
  if (tail) {
    *tail = nullptr;
  }
  if (!name) {
    return nullptr;
  }
  for (char *p = name; *p; ++p) {
    if (*p == '\\') {
      // A trailing backslash escapes the terminator: stop rather than read past it.
      if (p[1] == '\0') {
        break;
      }
      ++p;
    } else if (*p == '.') {
      *p = '\0';
      if (tail) {
        *tail = p + 1;
      }
      break;
    }
  }
  return name;
}

// ---- Words and lines ------------------------------------------------------

namespace {

// The C-locale blanks, independent of the process locale.
bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_ascii_upper(char c) { return c >= 'A' && c <= 'Z'; }
char ascii_lower(char c) { return is_ascii_upper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

const char *dt_str_skip_whitespace(const char *str) {
  while (str && is_blank(*str)) {
    ++str;
  }
  return str;
}

const char *dt_str_skip_non_whitespace(const char *str) {
  while (str && *str && !is_blank(*str)) {
    ++str;
  }
  return str;
}

char *dt_str_skip_whitespace(char *str) {
  return const_cast<char *>(dt_str_skip_whitespace(static_cast<const char *>(str)));
}

char *dt_str_skip_non_whitespace(char *str) {
  return const_cast<char *>(dt_str_skip_non_whitespace(static_cast<const char *>(str)));
}

aud_bool_t dt_str_is_blank(const char *str) {
  const char *end = dt_str_skip_whitespace(str);
  return (!end || *end == '\0') ? AUD_TRUE : AUD_FALSE;
}

char *dt_get_next_word(char *input, char **next) {
  if (next) {
    *next = nullptr;
  }
  char *word = dt_str_skip_whitespace(input);
  if (!word || *word == '\0') {
    return nullptr;
  }
  char *end = dt_str_skip_non_whitespace(word);
  if (*end) {
    *end = '\0';
    if (next) {
      *next = end + 1;
    }
  } else if (next) {
    *next = end;
  }
  return word;
}

char *dt_next_line(char *input) {
  if (!input) {
    return nullptr;
  }
  char *p = input;
  while (*p && *p != '\r' && *p != '\n') {
    ++p;
  }
  if (*p == '\0') {
    return nullptr;
  }
  char first = *p;
  *p++ = '\0';
  // CR LF and LF CR are one line end each.
  if ((first == '\r' && *p == '\n') || (first == '\n' && *p == '\r')) {
    *p++ = '\0';
  }
  return *p ? p : nullptr;
}

size_t dt_strlen_match_prefix(const char *str, const char *prefix) {
  if (!str || !prefix) {
    return 0;
  }
  size_t n = strlen(prefix);
  return strncmp(str, prefix, n) == 0 ? n : 0;
}

size_t dt_strlen_match_prefix_case(const char *str, const char *prefix) {
  if (!str || !prefix) {
    return 0;
  }
  size_t i = 0;
  for (; prefix[i]; ++i) {
    if (ascii_lower(str[i]) != ascii_lower(prefix[i])) {
      return 0;
    }
  }
  return i;
}

const char *dt_str_match_prefix(const char *str, const char *prefix) {
  if (!str || !prefix) {
    return nullptr;
  }
  size_t n = strlen(prefix);
  return strncmp(str, prefix, n) == 0 ? str + n : nullptr;
}

// ---- Hexadecimal ----------------------------------------------------------

int dt_hexchar_to_value(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

char dt_value_to_hexchar(unsigned value) { return "0123456789abcdef"[value & 0xf]; }

size_t dt_hex_to_bytes(const char *hex, uint8_t *bytes, size_t n) {
  if (!hex || !bytes) {
    return 0;
  }
  for (size_t i = 0; i < n; ++i) {
    if (*hex == '\0') {
      memset(bytes + i, 0, n - i);
      return n;
    }
    int high = dt_hexchar_to_value(*hex++);
    if (high < 0) {
      return i;
    }
    if (*hex == '\0') {
      bytes[i] = static_cast<uint8_t>(high << 4);
      memset(bytes + i + 1, 0, n - i - 1);
      return n;
    }
    int low = dt_hexchar_to_value(*hex++);
    if (low < 0) {
      return i;
    }
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return n;
}

size_t dt_hex_to_bytes_with_separator(const char *hex, uint8_t *bytes, size_t n, char sep) {
  return dt_hex_to_bytes_with_periodic_separator(hex, bytes, n, sep, 1);
}

size_t dt_hex_to_bytes_with_periodic_separator(const char *hex, uint8_t *bytes, size_t n, char sep,
                                               unsigned period) {
  if (!hex || !bytes || period == 0) {
    return 0;
  }
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && i % period == 0) {
      if (*hex != sep) {
        return i;
      }
      ++hex;
    }
    int high = dt_hexchar_to_value(hex[0]);
    int low = high < 0 ? -1 : dt_hexchar_to_value(hex[1]);
    if (low < 0) {
      return i;
    }
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
    hex += 2;
  }
  return n;
}

char *dt_bytes_to_hex(const uint8_t *bytes, size_t n, char *hex) {
  return dt_bytes_to_hex_padded(bytes, n, hex, '\0', 0);
}

char *dt_bytes_to_hex_padded(const uint8_t *bytes, size_t n, char *hex, char pad, unsigned period) {
  char *p = hex;
  for (size_t i = 0; i < n; ++i) {
    if (period && i > 0 && i % period == 0) {
      *p++ = pad;
    }
    *p++ = dt_value_to_hexchar(bytes[i] >> 4);
    *p++ = dt_value_to_hexchar(bytes[i]);
  }
  *p = '\0';
  return hex;
}

// ---- EUI-48 and EUI-64 ----------------------------------------------------

namespace {

aud_error_t eui_from_str(const char *str, uint8_t *out, size_t n) {
  if (!str || !out) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  uint8_t tmp[DT_EUI64_LENGTH];
  // dt_hex_to_bytes zero-fills a short text; insist on every digit being present.
  for (size_t i = 0; i < 2 * n; ++i) {
    if (dt_hexchar_to_value(str[i]) < 0) {
      return AUD_ERR_TRUNCATED;
    }
  }
  dt_hex_to_bytes(str, tmp, n);
  memcpy(out, tmp, n);
  return AUD_SUCCESS;
}

aud_error_t eui_from_formatted_str(const char *str, uint8_t *out, size_t n, unsigned period) {
  if (!str || !out) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  uint8_t tmp[DT_EUI64_LENGTH];
  if (dt_hex_to_bytes_with_periodic_separator(str, tmp, n, ':', period) != n) {
    return AUD_ERR_INVALIDDATA;
  }
  memcpy(out, tmp, n);
  return AUD_SUCCESS;
}

}  // namespace

char *dt_eui48_to_str(const uint8_t *eui48, char *str) {
  return dt_bytes_to_hex(eui48, DT_EUI48_LENGTH, str);
}

char *dt_eui64_to_str(const uint8_t *eui64, char *str) {
  return dt_bytes_to_hex(eui64, DT_EUI64_LENGTH, str);
}

char *dt_eui48_to_formatted_str(const uint8_t *eui48, char *str) {
  return dt_bytes_to_hex_padded(eui48, DT_EUI48_LENGTH, str, ':', 1);
}

char *dt_eui64_to_formatted_str(const uint8_t *eui64, char *str) {
  return dt_bytes_to_hex_padded(eui64, DT_EUI64_LENGTH, str, ':', 2);
}

aud_error_t dt_eui48_from_str(const char *str, uint8_t *eui48) {
  return eui_from_str(str, eui48, DT_EUI48_LENGTH);
}

aud_error_t dt_eui64_from_str(const char *str, uint8_t *eui64) {
  return eui_from_str(str, eui64, DT_EUI64_LENGTH);
}

aud_error_t dt_eui48_from_formatted_str(const char *str, uint8_t *eui48) {
  return eui_from_formatted_str(str, eui48, DT_EUI48_LENGTH, 1);
}

aud_error_t dt_eui64_from_formatted_str(const char *str, uint8_t *eui64) {
  return eui_from_formatted_str(str, eui64, DT_EUI64_LENGTH, 2);
}

void dt_eui64_from_eui48(const uint8_t *eui48, uint8_t *eui64) {
  uint8_t tmp[DT_EUI64_LENGTH] = {eui48[0], eui48[1], eui48[2], 0xff,
                                  0xfe,     eui48[3], eui48[4], eui48[5]};
  memcpy(eui64, tmp, sizeof tmp);
}

aud_bool_t dt_eui48_from_eui64(const uint8_t *eui64, uint8_t *eui48) {
  uint8_t tmp[DT_EUI48_LENGTH] = {eui64[0], eui64[1], eui64[2], eui64[5], eui64[6], eui64[7]};
  aud_bool_t marked = (eui64[3] == 0xff && eui64[4] == 0xfe) ? AUD_TRUE : AUD_FALSE;
  memcpy(eui48, tmp, sizeof tmp);
  return marked;
}
