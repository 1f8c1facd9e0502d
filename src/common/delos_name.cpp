#include "common/delos_name.h"

#include <strings.h>

#include <cstring>

namespace {

bool is_ascii_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool has_reserved_character(const char *name) { return strpbrk(name, ".=@") != nullptr; }

}  // namespace

aud_bool_t delos_name_is_valid_device_name(const char *name) {
  if (!name) {
    return AUD_FALSE;
  }
  size_t len = strnlen(name, DELOS_NAME_MAX_LENGTH + 1);
  if (len == 0 || len > DELOS_NAME_MAX_LENGTH) {
    return AUD_FALSE;
  }
  if (!is_ascii_alnum(name[0]) || !is_ascii_alnum(name[len - 1])) {
    return AUD_FALSE;
  }
  for (size_t i = 0; i < len; ++i) {
    if (!is_ascii_alnum(name[i]) && name[i] != '-') {
      return AUD_FALSE;
    }
  }
  return AUD_TRUE;
}

aud_bool_t delos_name_is_valid_channel_or_label_name(const char *name) {
  if (!name) {
    return AUD_FALSE;
  }
  size_t len = strnlen(name, DELOS_NAME_MAX_LENGTH + 1);
  if (len == 0 || len > DELOS_NAME_MAX_LENGTH) {
    return AUD_FALSE;
  }
  return has_reserved_character(name) ? AUD_FALSE : AUD_TRUE;
}

aud_bool_t delos_name_equals(const char *a, const char *b) {
  if (a == b) {
    return AUD_TRUE;
  }
  if (!a || !b) {
    return AUD_FALSE;
  }
  return strcasecmp(a, b) == 0 ? AUD_TRUE : AUD_FALSE;
}

aud_error_t delos_name_copy(char *dst, const char *src) {
  if (!dst) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  dst[0] = '\0';
  if (!src) {
    return AUD_SUCCESS;
  }
  if (has_reserved_character(src)) {
    return AUD_ERR_INVALIDDATA;
  }
  size_t len = strnlen(src, DELOS_NAME_COPY_SIZE);
  size_t n = len < DELOS_NAME_COPY_SIZE ? len : DELOS_NAME_COPY_SIZE - 1;
  memcpy(dst, src, n);
  dst[n] = '\0';
  return len < DELOS_NAME_COPY_SIZE ? AUD_SUCCESS : AUD_ERR_TRUNCATED;
}

aud_error_t delos_advertised_name_copy(char *dst, const char *src) {
  if (!dst) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  dst[0] = '\0';
  if (!src) {
    return AUD_SUCCESS;
  }
  size_t len = strnlen(src, DELOS_ADVERTISED_NAME_SIZE);
  size_t n = len < DELOS_ADVERTISED_NAME_SIZE ? len : DELOS_ADVERTISED_NAME_SIZE - 1;
  memcpy(dst, src, n);
  dst[n] = '\0';
  return len < DELOS_ADVERTISED_NAME_SIZE ? AUD_SUCCESS : AUD_ERR_TRUNCATED;
}

int delos_name_update(char *dst, const char *src) {
  if (!dst) {
    return 0;
  }
  char wanted[DELOS_NAME_SIZE] = "";
  if (src) {
    size_t n = strnlen(src, DELOS_NAME_MAX_LENGTH);
    memcpy(wanted, src, n);
    wanted[n] = '\0';
  }
  // The field may hold anything; compare within its bounds.
  if (strncasecmp(dst, wanted, DELOS_NAME_SIZE) == 0) {
    return 0;
  }
  memcpy(dst, wanted, DELOS_NAME_SIZE);
  return 1;
}
