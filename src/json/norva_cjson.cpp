#include "json/norva_cjson.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const cJSON *member(const cJSON *object, const char *name) {
  if (object == nullptr || name == nullptr) return nullptr;
  return cJSON_GetObjectItem(object, name);
}

template <typename T>
int get_number(const cJSON *object, const char *name, T *val) {
  if (val == nullptr) return 0;
  *val = 0;
  const cJSON *item = member(object, name);
  if (item == nullptr || !cJSON_IsNumber(item)) return 0;
  // valueint is an int; the conversion to a narrower unsigned type keeps its
  // low bits, as the stored width asks for.
  *val = static_cast<T>(item->valueint);
  return 1;
}

template <typename T>
int get_array(const cJSON *object, const char *name, T *array, size_t len) {
  if (array == nullptr) return 0;
  for (size_t i = 0; i < len; ++i) array[i] = 0;
  const cJSON *item = member(object, name);
  if (item == nullptr || !cJSON_IsArray(item)) return 0;
  size_t i = 0;
  for (const cJSON *e = item->child; e != nullptr && i < len; e = e->next, ++i) {
    if (!cJSON_IsNumber(e)) return 0;
    array[i] = static_cast<T>(e->valueint);
  }
  return 1;
}

char *copy_text(const char *a, size_t alen, const char *b, size_t blen) {
  char *out = static_cast<char *>(cJSON_malloc(alen + blen + 1));
  if (out == nullptr) return nullptr;
  if (alen != 0) memcpy(out, a, alen);
  if (blen != 0) memcpy(out + alen, b, blen);
  out[alen + blen] = '\0';
  return out;
}

void replace_value(cJSON *item, char *value) {
  // A reference item does not own its text; freeing it would free someone
  // else's memory.
  if (item->valuestring != nullptr && (item->type & cJSON_IsReference) == 0) {
    cJSON_free(item->valuestring);
  }
  item->valuestring = value;
  item->type &= ~cJSON_IsReference;
}

}  // namespace

cJSON *cJSON_CreateStringArrayQeb(const char *strings, int count) {
  if (count < 0 || (strings == nullptr && count != 0)) return nullptr;
  cJSON *array = cJSON_CreateArray();
  if (array == nullptr) return nullptr;
  for (int i = 0; i < count; ++i) {
    const char *rec = strings + static_cast<size_t>(i) * CJSON_QEB_STRING_RECORD_SIZE;
    char text[CJSON_QEB_STRING_RECORD_SIZE + 1];
    size_t n = strnlen(rec, CJSON_QEB_STRING_RECORD_SIZE);
    memcpy(text, rec, n);
    text[n] = '\0';
    cJSON *s = cJSON_CreateString(text);
    if (s == nullptr) {
      cJSON_Delete(array);
      return nullptr;
    }
    cJSON_AddItemToArray(array, s);
  }
  return array;
}

int cJSON_GetBoolVal(const cJSON *object, const char *name, uint8_t *val) {
  if (val == nullptr) return 0;
  *val = 0;
  const cJSON *item = member(object, name);
  if (item == nullptr || !cJSON_IsBool(item)) return 0;
  *val = cJSON_IsTrue(item) ? 1 : 0;
  return 1;
}

int cJSON_GetByteVal(const cJSON *object, const char *name, uint8_t *val) {
  return get_number(object, name, val);
}
int cJSON_GetWordVal(const cJSON *object, const char *name, uint16_t *val) {
  return get_number(object, name, val);
}
int cJSON_GetUintVal(const cJSON *object, const char *name, uint32_t *val) {
  return get_number(object, name, val);
}
int cJSON_GetIntVal(const cJSON *object, const char *name, int32_t *val) {
  return get_number(object, name, val);
}

int cJSON_GetU64Val(const cJSON *object, const char *name, uint64_t *val) {
  if (val == nullptr) return 0;
  *val = 0;
  const cJSON *item = member(object, name);
  if (item == nullptr || !cJSON_IsNumber(item)) return 0;
  double d = item->valuedouble;
  // Converting a double outside the target range is undefined, so such values
  // are refused instead of converted.
  if (!(d >= 0.0 && d <= 4294967295.0)) return 0;
  *val = static_cast<uint64_t>(static_cast<uint32_t>(d));
  return 1;
}

int cJSON_GetString(const cJSON *object, const char *name, char *buf, size_t size) {
  if (buf == nullptr || size == 0) return 0;
  buf[0] = '\0';
  const cJSON *item = member(object, name);
  if (item == nullptr || !cJSON_IsString(item) || item->valuestring == nullptr) return 0;
  size_t n = strlen(item->valuestring);
  if (n >= size) return 0;
  memcpy(buf, item->valuestring, n + 1);
  return 1;
}

int cJSON_GetByteArray(const cJSON *object, const char *name, uint8_t *array, size_t len) {
  return get_array(object, name, array, len);
}
int cJSON_GetIntArray(const cJSON *object, const char *name, int32_t *array, size_t len) {
  return get_array(object, name, array, len);
}
int cJSON_GetUintArray(const cJSON *object, const char *name, uint32_t *array, size_t len) {
  return get_array(object, name, array, len);
}

int cJSON_SetString(cJSON *item, const char *text) {
  if (item == nullptr || text == nullptr || !cJSON_IsString(item)) return 0;
  char *copy = copy_text(text, strlen(text), nullptr, 0);
  if (copy == nullptr) return 0;
  replace_value(item, copy);
  return 1;
}

int cJSON_AppendString(cJSON *item, const char *text) {
  if (item == nullptr || text == nullptr || !cJSON_IsString(item)) return 0;
  const char *old = item->valuestring;
  size_t oldlen = old != nullptr ? strlen(old) : 0;
  char *joined = copy_text(old, oldlen, text, strlen(text));
  if (joined == nullptr) return 0;
  replace_value(item, joined);
  return 1;
}

cJSON *cJSON_ParseFile(const char *filename) {
  if (filename == nullptr) return nullptr;
  FILE *f = fopen(filename, "rb");
  if (f == nullptr) {
    printf("file %s not exits\n", filename);
    return nullptr;
  }
  long len = -1;
  if (fseek(f, 0, SEEK_END) == 0) len = ftell(f);
  if (len <= 0 || static_cast<unsigned long>(len) > CJSON_PARSE_FILE_MAX_SIZE ||
      fseek(f, 0, SEEK_SET) != 0) {
    printf("file len error");
    fclose(f);
    return nullptr;
  }
  size_t n = static_cast<size_t>(len);
  char *buf = static_cast<char *>(malloc(n + 1));
  if (buf == nullptr) {
    fclose(f);
    return nullptr;
  }
  size_t got = fread(buf, 1, n, f);
  fclose(f);
  buf[got] = '\0';
  cJSON *item = cJSON_Parse(buf);
  free(buf);
  return item;
}

int cJSON_PrintToFile(const cJSON *item, const char *filename, int fmt) {
  if (item == nullptr || filename == nullptr) return 1;
  char *text = fmt ? cJSON_Print(item) : cJSON_PrintUnformatted(item);
  if (text == nullptr) return 2;
  FILE *f = fopen(filename, "wb");
  if (f == nullptr) {
    printf("open file error");
    cJSON_free(text);
    return 2;
  }
  size_t n = strlen(text);
  bool ok = fwrite(text, 1, n, f) == n;
  ok = (fclose(f) == 0) && ok;
  cJSON_free(text);
  return ok ? 0 : 2;
}
