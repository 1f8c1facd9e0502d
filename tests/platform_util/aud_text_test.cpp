#include "platform/aud_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// ---- Bounded copies -------------------------------------------------------

struct LcpyRow {
  const char *src;
  size_t size;
  size_t result;
  std::string stored;
};

TEST(AudStrlcpy, CopiesWhatFitsAndReturnsTheSourceLength) {
  const LcpyRow rows[] = {
      {"0123456789", 4, 10, "012"},
      {"abc", 4, 3, "abc"},
      {"abcd", 4, 4, "abc"},
      {"", 4, 0, ""},
      {"xyz", 1, 3, ""},
  };
  for (const LcpyRow &r : rows) {
    char dst[8];
    memset(dst, '#', sizeof dst);
    EXPECT_EQ(r.result, aud_strlcpy(dst, r.src, r.size)) << r.src << " " << r.size;
    EXPECT_EQ(r.stored, std::string(dst)) << r.src << " " << r.size;
    EXPECT_EQ('#', dst[r.size]) << "wrote past size";
  }
}

TEST(AudStrlcpy, SizeZeroWritesNothing) {
  char dst[2] = {'#', '#'};
  EXPECT_EQ(3u, aud_strlcpy(dst, "abc", 0));
  EXPECT_EQ('#', dst[0]);
}

#ifdef AUD_TEXT_PROVIDES_STRLCPY
TEST(AudStrlcpy, PlainNamesBehaveTheSame) {
  char dst[4];
  EXPECT_EQ(10u, strlcpy(dst, "0123456789", sizeof dst));
  EXPECT_STREQ("012", dst);
  EXPECT_EQ(5u, strlcat(dst, "ab", sizeof dst));
  EXPECT_STREQ("012", dst);
}
#endif

struct LcatRow {
  const char *start;
  const char *src;
  size_t size;
  size_t result;
  std::string stored;
};

TEST(AudStrlcat, AppendsWithinSizeAndReturnsTheAttemptedLength) {
  const LcatRow rows[] = {
      {"ab", "cd", 8, 4, "abcd"},
      {"ab", "cdefgh", 6, 8, "abcde"},
      {"", "xyz", 3, 3, "xy"},
      {"abcdefg", "z", 8, 8, "abcdefg"},
  };
  for (const LcatRow &r : rows) {
    char dst[8];
    strcpy(dst, r.start);
    EXPECT_EQ(r.result, aud_strlcat(dst, r.src, r.size)) << r.start << "+" << r.src;
    EXPECT_EQ(r.stored, std::string(dst)) << r.start << "+" << r.src;
  }
}

TEST(AudStrlcat, UnterminatedDestinationReturnsSizeAndIsNotWritten) {
  char dst[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(4u, aud_strlcat(dst, "xyz", sizeof dst));
  EXPECT_EQ(0, memcmp(dst, "abcd", 4));
}

TEST(AudStrlConcat, AppendsEachStringAndReturnsTheFullLength) {
  char dst[8] = "ab";
  EXPECT_EQ(9u, aud_strl_concat(dst, sizeof dst, "cd", "efg", "hi", nullptr));
  EXPECT_STREQ("abcdefg", dst);
  char fits[16] = "";
  EXPECT_EQ(5u, aud_strl_concat(fits, sizeof fits, "ab", "", "cde", nullptr));
  EXPECT_STREQ("abcde", fits);
}

TEST(AudStrlConcat, SizeZeroSumsTheLengthsAndBadDestinationGivesZero) {
  EXPECT_EQ(6u, aud_strl_concat(nullptr, 0, "abc", "def", nullptr));
  EXPECT_EQ(0u, aud_strl_concat(nullptr, 8, "abc", nullptr));
  char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(0u, aud_strl_concat(unterminated, sizeof unterminated, "abc", nullptr));
  EXPECT_EQ('z', unterminated[2]);
}

TEST(AudOffsetSnprintf, ChainsAndPassesNegativeOffsetsThrough) {
  char buf[10];
  int off = aud_offset_snprintf2(buf, sizeof buf, 0, "%s", "abc");
  EXPECT_EQ(3, off);
  off = aud_offset_snprintf2(buf, sizeof buf, off, "%d", 12345);
  EXPECT_EQ(8, off);
  off = aud_offset_snprintf2(buf, sizeof buf, off, "%s", "xyz");
  EXPECT_EQ(11, off);
  EXPECT_STREQ("abc12345x", buf);
  // Past the end: nothing is written, the count goes on.
  off = aud_offset_snprintf2(buf, sizeof buf, off, "%s", "q");
  EXPECT_EQ(12, off);
  EXPECT_STREQ("abc12345x", buf);
  EXPECT_EQ(-1, aud_offset_snprintf2(buf, sizeof buf, -1, "%s", "q"));
}

// ---- Numbers --------------------------------------------------------------

struct U32Row {
  const char *text;
  int base;
  uint32_t min, max;
  aud_error_t result;
  uint32_t value;
  size_t consumed;
};

TEST(AudStrtoWithRange, Unsigned32Conversions) {
  const U32Row rows[] = {
      {"42", 10, 0, 100, AUD_SUCCESS, 42, 2},
      {"0x1f rest", 16, 0, 100, AUD_SUCCESS, 31, 4},
      {"101", 10, 0, 100, AUD_ERR_RANGE, 101, 3},
      {"4", 10, 5, 100, AUD_ERR_RANGE, 4, 1},
      {"0", 10, 1, 100, AUD_ERR_RANGE, 0, 1},
      {"0", 10, 0, 100, AUD_SUCCESS, 0, 1},
      {"4294967295", 10, 0, 0xffffffffu, AUD_SUCCESS, 0xffffffffu, 10},
      {"4294967296", 10, 0, 0xffffffffu, AUD_ERR_RANGE, 0xffffffffu, 10},
      {"-1", 10, 0, 0xffffffffu, AUD_ERR_RANGE, 0xffffffffu, 2},
      {"99999999999999999999999", 10, 0, 0xffffffffu, AUD_ERR_RANGE, 0xffffffffu, 23},
      {"12", 99, 0, 100, AUD_ERR_NODATA, 0, 0},
  };
  for (const U32Row &r : rows) {
    uint32_t v = 7;
    char *next = nullptr;
    EXPECT_EQ(r.result, aud_strto_uint32_with_range(r.text, &v, &next, r.base, r.max, r.min))
        << r.text;
    EXPECT_EQ(r.value, v) << r.text;
    EXPECT_EQ(r.consumed, static_cast<size_t>(next - r.text)) << r.text;
  }
}

TEST(AudStrtoWithRange, NarrowAndSignedConversionsClampToTheirType) {
  uint16_t u16 = 0;
  EXPECT_EQ(AUD_ERR_RANGE, aud_strto_uint16_with_range("70000", &u16, nullptr, 10, 65535, 0));
  EXPECT_EQ(65535, u16);
  EXPECT_EQ(AUD_SUCCESS, aud_strto_uint16_with_range("6888", &u16, nullptr, 10, 65535, 1));
  EXPECT_EQ(6888, u16);
  int32_t i32 = 0;
  EXPECT_EQ(AUD_SUCCESS, aud_strto_int32_with_range("-20", &i32, nullptr, 10, 0, -100));
  EXPECT_EQ(-20, i32);
  EXPECT_EQ(AUD_ERR_RANGE, aud_strto_int32_with_range("-3000000000", &i32, nullptr, 10, 2147483647,
                                                      -2147483647 - 1));
  EXPECT_EQ(-2147483647 - 1, i32);
  int16_t i16 = 0;
  EXPECT_EQ(AUD_ERR_RANGE, aud_strto_int16_with_range("40000", &i16, nullptr, 10, 32767, -32768));
  EXPECT_EQ(32767, i16);
  EXPECT_EQ(AUD_ERR_RANGE, aud_strto_int16_with_range("-5", &i16, nullptr, 10, 10, 0));
  EXPECT_EQ(-5, i16);
}

TEST(AudStrtoWithRange, NullArgumentsAreRefusedAndValueKept) {
  uint32_t v = 9;
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_strto_uint32_with_range(nullptr, &v, nullptr, 10, 9, 0));
  EXPECT_EQ(9u, v);
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_strto_uint32_with_range("1", nullptr, nullptr, 10, 9, 0));
}

// ---- Text builder ---------------------------------------------------------

TEST(AudStringbuf, KeepsCountingPastTheCapacityAndStaysTerminated) {
  char buf[8];
  aud_stringbuf_t sb;
  aud_stringbuf_init(&sb, buf, sizeof buf);
  EXPECT_EQ(AUD_TRUE, aud_stringbuf_append(&sb, "abc"));
  EXPECT_EQ(AUD_TRUE, aud_stringbuf_printf(&sb, "%d", 1234));
  EXPECT_STREQ("abc1234", buf);
  EXPECT_EQ(AUD_FALSE, aud_stringbuf_append(&sb, "x"));
  EXPECT_EQ(8u, sb.curr);
  EXPECT_EQ(AUD_FALSE, aud_stringbuf_append_strings(&sb, "yy", "zzz", nullptr));
  EXPECT_EQ(13u, sb.curr);
  EXPECT_EQ(AUD_FALSE, aud_stringbuf_printf(&sb, "%s", "more"));
  EXPECT_EQ(17u, sb.curr);
  EXPECT_STREQ("abc1234", buf);
}

TEST(AudStringbuf, PrintfThatOverflowsIsCutAndTerminated) {
  char buf[6];
  aud_stringbuf_t sb;
  aud_stringbuf_init(&sb, buf, sizeof buf);
  EXPECT_EQ(AUD_FALSE, aud_stringbuf_printf(&sb, "%s", "abcdefgh"));
  EXPECT_STREQ("abcde", buf);
  EXPECT_EQ(8u, sb.curr);
}

TEST(AudStringbuf, TransformReplacesKeepsOrDropsCharacters) {
  const aud_stringbuf_transform_t table[] = {
      {'"', "\\\""}, {'\n', "\\n"}, {'x', ""}, {'k', nullptr}, {'\0', nullptr}};
  char buf[32];
  aud_stringbuf_t sb;
  aud_stringbuf_init(&sb, buf, sizeof buf);
  EXPECT_EQ(AUD_TRUE, aud_stringbuf_append_transform(&sb, "a\"kx\nb", table));
  EXPECT_STREQ("a\\\"k\\nb", buf);
  EXPECT_EQ(strlen("a\\\"k\\nb"), sb.curr);
}

struct HexRow {
  aud_stringbuf_hex_format_t format;
  std::string expected;
};

TEST(AudStringbuf, HexBytesInTheRequestedLayout) {
  const uint8_t bytes[] = {0x00, 0x1d, 0xc1, 0xab, 0xff};
  const HexRow rows[] = {
      {{AUD_FALSE, 0, ' ', 0, AUD_STRINGBUF_HEX_PREFIX_NONE}, "001dc1abff"},
      {{AUD_TRUE, 0, ' ', 0, AUD_STRINGBUF_HEX_PREFIX_ONCE}, "0x001DC1ABFF"},
      {{AUD_FALSE, 2, ' ', 0, AUD_STRINGBUF_HEX_PREFIX_PER_GROUP}, "0x001d 0xc1ab 0xff"},
      {{AUD_FALSE, 1, ':', 0, AUD_STRINGBUF_HEX_PREFIX_NONE}, "00:1d:c1:ab:ff"},
      {{AUD_FALSE, 1, ' ', 2, AUD_STRINGBUF_HEX_PREFIX_PER_LINE}, "0x00 1d\n0xc1 ab\n0xff"},
  };
  for (const HexRow &r : rows) {
    char buf[64];
    aud_stringbuf_t sb;
    aud_stringbuf_init(&sb, buf, sizeof buf);
    EXPECT_EQ(AUD_TRUE, aud_stringbuf_append_hexbytes(&sb, bytes, sizeof bytes, &r.format));
    EXPECT_EQ(r.expected, std::string(buf));
  }
}

// ---- String tables --------------------------------------------------------

const aud_string_table_entry_t k_table[] = {
    {"PCM16", 16}, {"PCM24", 24}, {"pcm24", 240}, {"PCM32", 32}, {nullptr, 0}};

TEST(AudStringTable, LooksUpByStringOrValue) {
  int v = -1;
  EXPECT_EQ(AUD_SUCCESS, aud_string_table_get_value_for_string_ci(k_table, "pcm16", &v));
  EXPECT_EQ(16, v);
  EXPECT_EQ(AUD_SUCCESS, aud_string_table_get_value_for_string_ci(k_table, "pcm24", &v));
  EXPECT_EQ(24, v);
  EXPECT_EQ(AUD_SUCCESS, aud_string_table_get_value_for_string_cs(k_table, "pcm24", &v));
  EXPECT_EQ(240, v);
  v = -1;
  EXPECT_EQ(AUD_ERR_NOTFOUND, aud_string_table_get_value_for_string_cs(k_table, "pcm16", &v));
  EXPECT_EQ(-1, v);
  EXPECT_STREQ("PCM32", aud_string_table_get_string_for_value(k_table, 32));
  EXPECT_EQ(nullptr, aud_string_table_get_string_for_value(k_table, 8));
}

// ---- DNS names ------------------------------------------------------------

struct LabelRow {
  const char *name;
  std::string label;
  const char *tail;  // null: no tail
};

TEST(AudDnsName, FirstLabelStopsAtTheFirstUnescapedDot) {
  const LabelRow rows[] = {
      {"Stage-Box._netaudio-arc._udp.local.", "Stage-Box", "_netaudio-arc._udp.local."},
      {"My\\.Box._udp", "My\\.Box", "_udp"},
      {"single", "single", nullptr},
      {".lead", "", "lead"},
      {"trail\\", "trail\\", nullptr},
      {"a\\\\.b", "a\\\\", "b"},
      {"", "", nullptr},
  };
  for (const LabelRow &r : rows) {
    std::vector<char> name(r.name, r.name + strlen(r.name) + 1);
    char *tail = name.data();
    char *label = aud_dns_name_first_label(name.data(), &tail);
    EXPECT_EQ(r.label, std::string(label)) << r.name;
    if (r.tail) {
      ASSERT_NE(nullptr, tail) << r.name;
      EXPECT_EQ(std::string(r.tail), tail) << r.name;
    } else {
      EXPECT_EQ(nullptr, tail) << r.name;
    }
  }
}

// ---- Words and lines ------------------------------------------------------

TEST(DtWords, NextWordSplitsOnBlanksUntilTheEnd) {
  char input[] = "  delos\tget  devices! \n";
  std::vector<std::string> words;
  char *next = input;
  while (char *w = dt_get_next_word(next, &next)) {
    words.push_back(w);
  }
  EXPECT_EQ((std::vector<std::string>{"delos", "get", "devices!"}), words);
  EXPECT_EQ(nullptr, next);
  char blank[] = "   ";
  EXPECT_EQ(nullptr, dt_get_next_word(blank, &next));
}

TEST(DtWords, SkipsAndBlankTest) {
  EXPECT_STREQ("x y", dt_str_skip_whitespace(" \t\r\nx y"));
  EXPECT_STREQ(" y", dt_str_skip_non_whitespace("xx y"));
  EXPECT_EQ(AUD_TRUE, dt_str_is_blank(" \t\n"));
  EXPECT_EQ(AUD_TRUE, dt_str_is_blank(""));
  EXPECT_EQ(AUD_FALSE, dt_str_is_blank(" a "));
}

TEST(DtLines, EveryLineEndFormCountsOnce) {
  char input[] = "a\r\nb\n\rc\rd\ne\n\nf";
  std::vector<std::string> lines;
  char *line = input;
  while (line) {
    char *next = dt_next_line(line);
    lines.push_back(line);
    line = next;
  }
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d", "e", "", "f"}), lines);
}

TEST(DtLines, LastLineEndGivesNull) {
  char input[] = "only\n";
  EXPECT_EQ(nullptr, dt_next_line(input));
  EXPECT_STREQ("only", input);
}

struct PrefixRow {
  const char *str;
  const char *prefix;
  size_t exact;
  size_t any_case;
};

TEST(DtPrefix, MatchLengthsWithAndWithoutCase) {
  const PrefixRow rows[] = {
      {"delos get devices", "delos ", 6, 6},
      {"DELOS get", "delos", 0, 5},
      {"del", "delos", 0, 0},
      {"abc", "", 0, 0},
  };
  for (const PrefixRow &r : rows) {
    EXPECT_EQ(r.exact, dt_strlen_match_prefix(r.str, r.prefix)) << r.str << "|" << r.prefix;
    EXPECT_EQ(r.any_case, dt_strlen_match_prefix_case(r.str, r.prefix)) << r.str << "|" << r.prefix;
  }
  EXPECT_STREQ("get", dt_str_match_prefix("delos get", "delos "));
  EXPECT_EQ(nullptr, dt_str_match_prefix("delos get", "Delos "));
}

// ---- Hexadecimal ----------------------------------------------------------

TEST(DtHex, DigitValuesBothWays) {
  const char *digits = "0123456789abcdefABCDEF";
  const int values[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                        11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15};
  for (size_t i = 0; i < strlen(digits); ++i) {
    EXPECT_EQ(values[i], dt_hexchar_to_value(digits[i])) << digits[i];
  }
  for (char bad : {'g', 'G', ' ', ':', '\0', 'x'}) {
    EXPECT_EQ(-1, dt_hexchar_to_value(bad)) << static_cast<int>(bad);
  }
  EXPECT_EQ('a', dt_value_to_hexchar(10));
  EXPECT_EQ('f', dt_value_to_hexchar(0x1f));
}

struct HexToBytesRow {
  const char *hex;
  size_t result;
  std::vector<uint8_t> bytes;  // all four bytes after the call ('?' = 0x3f untouched)
};

TEST(DtHex, HexToBytesFillsStopsOrZeroFills) {
  const HexToBytesRow rows[] = {
      {"abc", 4, {0xab, 0xc0, 0x00, 0x00}},
      {"zz", 0, {0x3f, 0x3f, 0x3f, 0x3f}},
      {"0102030405", 4, {0x01, 0x02, 0x03, 0x04}},
      {"01z3", 1, {0x01, 0x3f, 0x3f, 0x3f}},
      {"", 4, {0, 0, 0, 0}},
      {"A0fF", 4, {0xa0, 0xff, 0, 0}},
  };
  for (const HexToBytesRow &r : rows) {
    std::vector<uint8_t> bytes(4, 0x3f);
    EXPECT_EQ(r.result, dt_hex_to_bytes(r.hex, bytes.data(), 4)) << r.hex;
    EXPECT_EQ(r.bytes, bytes) << r.hex;
  }
}

struct SepRow {
  const char *hex;
  unsigned period;
  size_t result;
};

TEST(DtHex, SeparatorsAreRequiredAtTheirPeriod) {
  const SepRow rows[] = {
      {"00:1d:c1:0a", 1, 4}, {"001d:c10a", 2, 4}, {"00:1dc1:0a", 1, 2},
      {"00:1d", 1, 2},       {"001d-c10a", 2, 2}, {"00:1d:c1:0a", 0, 0},
  };
  for (const SepRow &r : rows) {
    uint8_t bytes[4];
    EXPECT_EQ(r.result, dt_hex_to_bytes_with_periodic_separator(r.hex, bytes, 4, ':', r.period))
        << r.hex << " period " << r.period;
  }
  uint8_t b[3];
  EXPECT_EQ(3u, dt_hex_to_bytes_with_separator("aa-bb-cc", b, 3, '-'));
  EXPECT_EQ(0xcc, b[2]);
}

TEST(DtHex, BytesToHexWithAndWithoutPadding) {
  const uint8_t bytes[] = {0x00, 0x1d, 0xc1, 0xff, 0x0a};
  char hex[32];
  EXPECT_STREQ("001dc1ff0a", dt_bytes_to_hex(bytes, sizeof bytes, hex));
  EXPECT_STREQ("001d c1ff 0a", dt_bytes_to_hex_padded(bytes, sizeof bytes, hex, ' ', 2));
  EXPECT_STREQ("00-1d-c1-ff-0a", dt_bytes_to_hex_padded(bytes, sizeof bytes, hex, '-', 1));
  EXPECT_STREQ("", dt_bytes_to_hex(bytes, 0, hex));
}

// ---- EUI ------------------------------------------------------------------

const uint8_t k_eui48[6] = {0x00, 0x1d, 0xc1, 0x0a, 0x0b, 0x0c};
const uint8_t k_eui64[8] = {0x00, 0x1d, 0xc1, 0xff, 0xfe, 0x0a, 0x0b, 0x0c};

TEST(DtEui, TextFormsOfBothSizes) {
  char s[32];
  EXPECT_STREQ("001dc10a0b0c", dt_eui48_to_str(k_eui48, s));
  EXPECT_STREQ("001dc1fffe0a0b0c", dt_eui64_to_str(k_eui64, s));
  EXPECT_STREQ("00:1d:c1:0a:0b:0c", dt_eui48_to_formatted_str(k_eui48, s));
  EXPECT_STREQ("001d:c1ff:fe0a:0b0c", dt_eui64_to_formatted_str(k_eui64, s));
}

struct EuiParseRow {
  const char *text;
  aud_error_t plain48;
  aud_error_t formatted48;
};

TEST(DtEui, ParsingNeedsEveryDigitAndLeavesBytesOnFailure) {
  const EuiParseRow rows[] = {
      {"001dc10a0b0c", AUD_SUCCESS, AUD_ERR_INVALIDDATA},
      {"001DC10A0B0C", AUD_SUCCESS, AUD_ERR_INVALIDDATA},
      {"001dc10a0b", AUD_ERR_TRUNCATED, AUD_ERR_INVALIDDATA},
      {"00:1d:c1:0a:0b:0c", AUD_ERR_TRUNCATED, AUD_SUCCESS},
      {"00:1d:c1:0a:0b", AUD_ERR_TRUNCATED, AUD_ERR_INVALIDDATA},
      {"", AUD_ERR_TRUNCATED, AUD_ERR_INVALIDDATA},
  };
  for (const EuiParseRow &r : rows) {
    uint8_t a[6] = {9, 9, 9, 9, 9, 9}, b[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(r.plain48, dt_eui48_from_str(r.text, a)) << r.text;
    EXPECT_EQ(r.formatted48, dt_eui48_from_formatted_str(r.text, b)) << r.text;
    const uint8_t *want_a = r.plain48 == AUD_SUCCESS ? k_eui48 : nullptr;
    const uint8_t *want_b = r.formatted48 == AUD_SUCCESS ? k_eui48 : nullptr;
    const uint8_t untouched[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(0, memcmp(want_a ? want_a : untouched, a, 6)) << r.text;
    EXPECT_EQ(0, memcmp(want_b ? want_b : untouched, b, 6)) << r.text;
  }
  uint8_t e64[8];
  EXPECT_EQ(AUD_SUCCESS, dt_eui64_from_str("001dc1fffe0a0b0c", e64));
  EXPECT_EQ(0, memcmp(k_eui64, e64, 8));
  EXPECT_EQ(AUD_SUCCESS, dt_eui64_from_formatted_str("001d:c1ff:fe0a:0b0c", e64));
  EXPECT_EQ(AUD_ERR_INVALIDDATA, dt_eui64_from_formatted_str("00:1d:c1:ff:fe:0a:0b:0c", e64));
}

TEST(DtEui, ConversionBetweenSizesInsertsAndDetectsFffe) {
  uint8_t e64[8], e48[6];
  dt_eui64_from_eui48(k_eui48, e64);
  EXPECT_EQ(0, memcmp(k_eui64, e64, 8));
  EXPECT_EQ(AUD_TRUE, dt_eui48_from_eui64(k_eui64, e48));
  EXPECT_EQ(0, memcmp(k_eui48, e48, 6));
  const uint8_t plain64[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(AUD_FALSE, dt_eui48_from_eui64(plain64, e48));
  const uint8_t expect48[6] = {1, 2, 3, 6, 7, 8};
  EXPECT_EQ(0, memcmp(expect48, e48, 6));
}

}  // namespace
