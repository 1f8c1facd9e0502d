// Text helpers: bounded copies and concatenation, number parsing with ranges,
// a bounded text builder, string tables, DNS labels, word and line splitting,
// hexadecimal and EUI-48/EUI-64 conversions. All are reentrant; every bounded
// writer terminates its output when it has room for at least the terminator.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "platform/aud_error.h"

// ---- Bounded copies -------------------------------------------------------

// Copies at most size-1 characters of src and terminates (when size > 0).
// Returns strlen(src); a result >= size means the copy was cut. A null src
// reads as "", a null dst is not written.
size_t aud_strlcpy(char *dst, const char *src, size_t size);
// Appends src within size. Returns the length it tried to create; when dst has
// no terminator within size it returns size and writes nothing.
size_t aud_strlcat(char *dst, const char *src, size_t size);

// The C library of the build host lacks these before glibc 2.38.
#if defined(__GLIBC__) && !(__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 38))
extern "C" size_t strlcpy(char *dst, const char *src, size_t size);
extern "C" size_t strlcat(char *dst, const char *src, size_t size);
#define AUD_TEXT_PROVIDES_STRLCPY 1
#endif

// Appends each string of the null-terminated list s1, s2, ..., nullptr to the
// text already in dst, cutting at size-1. Returns the length the whole text
// would have. With size 0 returns the sum of the strings' lengths and writes
// nothing; a null dst or one without a terminator within size returns 0.
size_t aud_strl_concat(char *dst, size_t size, ...);

// snprintf at buf+offset into the size-offset bytes left. Returns offset plus
// the formatted length (which may exceed size: the text was cut); a negative
// offset is returned unchanged, so calls chain without checks. A formatting
// error returns -1.
int aud_offset_snprintf2(char *buf, size_t size, int offset, const char *format, ...)
    __attribute__((format(printf, 4, 5)));

// ---- Numbers --------------------------------------------------------------

// Convert str with strtoul/strtol in base. *value receives the result, clamped
// to the type's limits, in every case; *next (when not null) the end of the
// digits. Results: AUD_SUCCESS; AUD_ERR_NODATA for a zero result when the
// conversion set errno; AUD_ERR_RANGE outside min..max or on overflow;
// AUD_ERR_INVALIDPARAMETER for null str or value (value untouched).
aud_error_t aud_strto_uint32_with_range(const char *str, uint32_t *value, char **next, int base,
                                        uint32_t max, uint32_t min);
aud_error_t aud_strto_uint16_with_range(const char *str, uint16_t *value, char **next, int base,
                                        uint16_t max, uint16_t min);
aud_error_t aud_strto_int32_with_range(const char *str, int32_t *value, char **next, int base,
                                       int32_t max, int32_t min);
aud_error_t aud_strto_int16_with_range(const char *str, int16_t *value, char **next, int base,
                                       int16_t max, int16_t min);

// ---- Text builder ---------------------------------------------------------

// A bounded text builder over a caller's buffer: len is the capacity, curr the
// length the text has or would have (it keeps counting past the capacity).
struct aud_stringbuf {
  char *buf;
  size_t len;
  size_t curr;
};
typedef aud_stringbuf aud_stringbuf_t;

// Starts an empty text in buf (terminated when len > 0).
void aud_stringbuf_init(aud_stringbuf_t *sb, char *buf, size_t len);
// The append operations write what fits, advance curr by the full length and
// return true while everything has fitted (curr < len).
aud_bool_t aud_stringbuf_append(aud_stringbuf_t *sb, const char *text);
// Appends the null-terminated list of strings.
aud_bool_t aud_stringbuf_append_strings(aud_stringbuf_t *sb, ...);
aud_bool_t aud_stringbuf_printf(aud_stringbuf_t *sb, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
aud_bool_t aud_stringbuf_vprintf(aud_stringbuf_t *sb, const char *format, va_list args)
    __attribute__((format(printf, 2, 0)));

// One replacement: every occurrence of ch becomes replacement; a null
// replacement keeps the character, an empty one drops it. A table ends with
// ch '\0'.
struct aud_stringbuf_transform {
  char ch;
  const char *replacement;
};
typedef aud_stringbuf_transform aud_stringbuf_transform_t;
aud_bool_t aud_stringbuf_append_transform(aud_stringbuf_t *sb, const char *text,
                                          const aud_stringbuf_transform_t *table);

// Where "0x" goes when hexadecimal bytes are appended.
typedef enum {
  AUD_STRINGBUF_HEX_PREFIX_NONE = 0,
  AUD_STRINGBUF_HEX_PREFIX_ONCE = 1,
  AUD_STRINGBUF_HEX_PREFIX_PER_LINE = 2,
  AUD_STRINGBUF_HEX_PREFIX_PER_GROUP = 3,
} aud_stringbuf_hex_prefix_t;

// How bytes are shown: group bytes per group separated by group_separator
// (0: no grouping), line bytes per line separated by "\n" (0: one line).
struct aud_stringbuf_hex_format {
  aud_bool_t upper_case;
  unsigned group;
  char group_separator;
  unsigned line;
  aud_stringbuf_hex_prefix_t prefix;
};
typedef aud_stringbuf_hex_format aud_stringbuf_hex_format_t;
// Appends n bytes as two hexadecimal digits each; a null format is plain lower
// case without separators.
aud_bool_t aud_stringbuf_append_hexbytes(aud_stringbuf_t *sb, const uint8_t *bytes, size_t n,
                                         const aud_stringbuf_hex_format_t *format);

// ---- String tables --------------------------------------------------------

// A (string, value) table ends with a null string.
struct aud_string_table_entry {
  const char *string;
  int value;
};
typedef aud_string_table_entry aud_string_table_entry_t;

// The value of the first entry whose string equals str ignoring case (_ci) or
// exactly (_cs); AUD_ERR_NOTFOUND leaves *value untouched.
aud_error_t aud_string_table_get_value_for_string_ci(const aud_string_table_entry_t *table,
                                                     const char *str, int *value);
aud_error_t aud_string_table_get_value_for_string_cs(const aud_string_table_entry_t *table,
                                                     const char *str, int *value);
// The string of the first entry with the value, or null.
const char *aud_string_table_get_string_for_value(const aud_string_table_entry_t *table, int value);

// ---- DNS names ------------------------------------------------------------

// Cuts name in place at its first unescaped "." (a backslash escapes the next
// character) and returns name, now the first label. *tail receives the text
// after the dot, or null when there is none. Escapes are kept as they stand.
char *aud_dns_name_first_label(char *name, char **tail);

// ---- Words and lines ------------------------------------------------------

// The first character that is not (or that is) a C-locale blank.
const char *dt_str_skip_whitespace(const char *str);
const char *dt_str_skip_non_whitespace(const char *str);
char *dt_str_skip_whitespace(char *str);
char *dt_str_skip_non_whitespace(char *str);
// True when str is null or holds blanks only.
aud_bool_t dt_str_is_blank(const char *str);

// Skips blanks, terminates the word at the next blank and returns it; *next
// receives the text after that blank. Null (and *next null) at the end.
char *dt_get_next_word(char *input, char **next);
// Terminates the current line at CR, LF, CR LF or LF CR and returns the start
// of the next line; null when there is no line end or nothing follows it.
char *dt_next_line(char *input);

// strlen(prefix) when str starts with prefix, else 0.
size_t dt_strlen_match_prefix(const char *str, const char *prefix);
// The same ignoring ASCII case.
size_t dt_strlen_match_prefix_case(const char *str, const char *prefix);
// The text after prefix when str starts with it, else null.
const char *dt_str_match_prefix(const char *str, const char *prefix);

// ---- Hexadecimal ----------------------------------------------------------

// The value of one hexadecimal digit, -1 for anything else.
int dt_hexchar_to_value(char c);
// The lower-case digit of the low four bits of value.
char dt_value_to_hexchar(unsigned value);

// Reads pairs of digits into up to n bytes. A final single digit fills the
// high half of a byte. When the text ends early the rest is zero-filled and n
// is returned; an invalid digit stops and returns the bytes completed.
size_t dt_hex_to_bytes(const char *hex, uint8_t *bytes, size_t n);
// As above with sep required after every byte / every period bytes (not after
// the last); returns the bytes read, with no zero-filling. Period 0 reads nothing.
size_t dt_hex_to_bytes_with_separator(const char *hex, uint8_t *bytes, size_t n, char sep);
size_t dt_hex_to_bytes_with_periodic_separator(const char *hex, uint8_t *bytes, size_t n, char sep,
                                               unsigned period);
// Writes 2n lower-case digits and a terminator (hex needs 2n+1 bytes); returns hex.
char *dt_bytes_to_hex(const uint8_t *bytes, size_t n, char *hex);
// As above with pad after every period bytes but the last (hex needs
// 2n + (n-1)/period + 1 bytes; period 0 means no padding); returns hex.
char *dt_bytes_to_hex_padded(const uint8_t *bytes, size_t n, char *hex, char pad, unsigned period);

// ---- EUI-48 and EUI-64 ----------------------------------------------------

#define DT_EUI48_LENGTH 6
#define DT_EUI64_LENGTH 8
// Sizes of the text forms including the terminator.
#define DT_EUI48_STR_SIZE 13
#define DT_EUI64_STR_SIZE 17
#define DT_EUI48_FORMATTED_STR_SIZE 18  // "00:1d:c1:0a:0b:0c"
#define DT_EUI64_FORMATTED_STR_SIZE 20  // "001d:c1ff:fe0a:0b0c"

// 12 or 16 lower-case digits; return str.
char *dt_eui48_to_str(const uint8_t *eui48, char *str);
char *dt_eui64_to_str(const uint8_t *eui64, char *str);
// Digit pairs separated by ":" after every byte (EUI-48) or every two bytes
// (EUI-64); return str.
char *dt_eui48_to_formatted_str(const uint8_t *eui48, char *str);
char *dt_eui64_to_formatted_str(const uint8_t *eui64, char *str);
// AUD_SUCCESS when the text starts with all 12 or 16 digits, else
// AUD_ERR_TRUNCATED with the bytes untouched.
aud_error_t dt_eui48_from_str(const char *str, uint8_t *eui48);
aud_error_t dt_eui64_from_str(const char *str, uint8_t *eui64);
// The formatted forms back; AUD_ERR_INVALIDDATA (bytes untouched) unless complete.
aud_error_t dt_eui48_from_formatted_str(const char *str, uint8_t *eui48);
aud_error_t dt_eui64_from_formatted_str(const char *str, uint8_t *eui64);
// Inserts 0xFF 0xFE in the middle.
void dt_eui64_from_eui48(const uint8_t *eui48, uint8_t *eui64);
// Removes the middle two bytes; true when they were 0xFF 0xFE.
aud_bool_t dt_eui48_from_eui64(const uint8_t *eui64, uint8_t *eui48);
