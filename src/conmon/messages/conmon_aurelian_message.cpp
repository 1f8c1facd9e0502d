#include "conmon/messages/conmon_aurelian_message.h"

#include <array>
#include <cstring>

#include "conmon/messages/conmon_bytes.h"

size_t conmon_aurelian_message_get_head_size(void) { return CONMON_AURELIAN_MESSAGE_HEAD_SIZE; }

conmon_aurelian_message_version_t conmon_aurelian_message_get_version(const uint8_t *body,
                                                                      size_t len) {
  if (!body || len < CONMON_AURELIAN_MESSAGE_HEAD_SIZE) return 0;
  return conmon_load_be16(body);
}

conmon_aurelian_message_type_t conmon_aurelian_message_get_type(const uint8_t *body, size_t len) {
  if (!body || len < CONMON_AURELIAN_MESSAGE_HEAD_SIZE) return 0;
  return conmon_load_be16(body + 2);
}

uint32_t conmon_aurelian_message_get_congestion_delay(const uint8_t *body, size_t len) {
  if (!body || len < CONMON_AURELIAN_MESSAGE_HEAD_SIZE) return 0;
  return conmon_load_be32(body + 4);
}

aud_error_t conmon_aurelian_message_init_head(conmon_message_body_t *body,
                                              conmon_aurelian_message_type_t type,
                                              uint32_t congestion_delay_window_us) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  conmon_store_be16(body->data, CONMON_AURELIAN_MESSAGE_VERSION);
  conmon_store_be16(body->data + 2, type);
  conmon_store_be32(body->data + 4, congestion_delay_window_us);
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_init_query_message(conmon_message_body_t *body,
                                               conmon_aurelian_message_type_t type,
                                               uint32_t congestion_delay_window_us) {
  return conmon_aurelian_message_init_head(body, type, congestion_delay_window_us);
}

size_t conmon_aurelian_query_message_get_size(void) { return CONMON_AURELIAN_MESSAGE_HEAD_SIZE; }

aud_error_t conmon_aurelian_message_append(conmon_message_body_t *body,
                                           conmon_message_size_info_t *size, size_t offset_field,
                                           conmon_message_alignment_t align, const void *data,
                                           size_t len) {
  if (!body || !size || (!data && len)) return AUD_ERR_INVALIDPARAMETER;
  if (align != CONMON_MESSAGE_ALIGN_NONE && align != CONMON_MESSAGE_ALIGN_2 &&
      align != CONMON_MESSAGE_ALIGN_4) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  size_t max = size->max;
  if (max == 0 || max > CONMON_MESSAGE_MAX_BODY_SIZE) max = CONMON_MESSAGE_MAX_BODY_SIZE;
  size_t a = static_cast<size_t>(align);
  size_t start = (size->curr + a - 1) / a * a;
  if (start > max || len > max - start) return AUD_ERR_NOMEMORY;
  // The offset field must lie in the part already used, after the head: a field at
  // or past the new data would be overwritten by it.
  if (offset_field < CONMON_AURELIAN_MESSAGE_HEAD_SIZE || offset_field + 2 > start) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (len) std::memcpy(body->data + start, data, len);
  conmon_store_be16(body->data + offset_field, static_cast<uint16_t>(start));
  if (size->max == 0) size->max = static_cast<uint16_t>(max);
  size->curr = static_cast<uint16_t>(start + len);
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_message_append_string(conmon_message_body_t *body,
                                                  conmon_message_size_info_t *size,
                                                  size_t offset_field,
                                                  conmon_message_alignment_t align,
                                                  const char *str) {
  if (!str) return AUD_ERR_INVALIDPARAMETER;
  size_t n = strnlen(str, CONMON_MESSAGE_MAX_BODY_SIZE);
  if (n == CONMON_MESSAGE_MAX_BODY_SIZE) return AUD_ERR_NOMEMORY;
  return conmon_aurelian_message_append(body, size, offset_field, align, str, n + 1);
}

aud_error_t conmon_aurelian_message_read_offset(const uint8_t *body, size_t len,
                                                size_t offset_field, size_t min_len,
                                                conmon_message_alignment_t align,
                                                conmon_msg_offset_t *offset) {
  if (!body || !offset) return AUD_ERR_INVALIDPARAMETER;
  if (!conmon_span_fits(len, offset_field, 2)) return AUD_ERR_TRUNCATED;
  uint16_t o = conmon_load_be16(body + offset_field);
  if (o == 0) return AUD_ERR_NOTFOUND;
  if (!conmon_span_fits(len, o, min_len)) return AUD_ERR_TRUNCATED;
  size_t a = static_cast<size_t>(align);
  if (a > 1 && o % a != 0) return AUD_ERR_INVALIDDATA;
  *offset = o;
  return AUD_SUCCESS;
}

const char *conmon_aurelian_message_read_string(const uint8_t *body, size_t len,
                                                size_t offset_field) {
  conmon_msg_offset_t o = 0;
  if (conmon_aurelian_message_read_offset(body, len, offset_field, 1, CONMON_MESSAGE_ALIGN_NONE,
                                          &o) != AUD_SUCCESS) {
    return nullptr;
  }
  const void *nul = std::memchr(body + o, 0, len - o);
  return nul ? reinterpret_cast<const char *>(body + o) : nullptr;
}

namespace {
template <size_t N>
const char *text_at(const std::array<const char *, N> &table, unsigned value) {
  return value < N ? table[value] : "unknown";
}
constexpr std::array<const char *, 11> kPortStates = {
    "STARTUP", "INITIALIZING", "FAULTY",       "DISABLED", "LISTENING",        "PRE_MASTER",
    "MASTER",  "PASSIVE",      "UNCALIBRATED", "SLAVE",    "PASSIVE_LISTENING"};
constexpr std::array<const char *, 4> kClockStates = {"NONE", "PASSIVE", "UNDISCIPLINED",
                                                      "DISCIPLINED"};
constexpr std::array<const char *, 7> kServoStates = {"FAULTY",  "RESET",       "SYNCING", "SYNC",
                                                      "UNKNOWN", "DELAY RESET", "NONE"};
// Clock source 11 (INVALID) has no text on purpose.
constexpr std::array<const char *, 11> kClockSources = {"INTERNAL", "BNC",   "AES",   "AES 1",
                                                        "AES 2",    "AES 3", "AES 4", "AES 5",
                                                        "AES 6",    "AES 7", "AES 8"};
}  // namespace

const char *conmon_aurelian_port_state_string(unsigned state) {
  return text_at(kPortStates, state);
}
const char *conmon_aurelian_clock_state_string(unsigned state) {
  return text_at(kClockStates, state);
}
const char *conmon_aurelian_servo_state_string(unsigned state) {
  return text_at(kServoStates, state);
}
const char *conmon_aurelian_clock_source_string(unsigned source) {
  return text_at(kClockSources, source);
}
