// Additions beside the cJSON library: the string-array builder used by the
// device list report, typed member getters, string setters and whole-file
// read/write helpers. They use only cJSON's public item model.
#pragma once

#include <cjson/cJSON.h>

#include <cstddef>
#include <cstdint>

// Size of one text record given to cJSON_CreateStringArrayQeb.
#define CJSON_QEB_STRING_RECORD_SIZE 32
// Largest file cJSON_ParseFile reads; larger files are refused.
#define CJSON_PARSE_FILE_MAX_SIZE (16u * 1024u * 1024u)

// A new array holding count strings taken from count consecutive 32-byte text
// records at strings (record i becomes element i). A record without a
// terminator is read up to its 32nd byte only. count 0 (or a null strings with
// count 0) gives an empty array. Returns null when an item cannot be created
// or count is negative; the caller owns the array (cJSON_Delete).
cJSON *cJSON_CreateStringArrayQeb(const char *strings, int count);

// Typed getters. Each clears its output first, then returns 1 when the member
// `name` of object exists with the accepted type and was stored, else 0.
// Accepts true/false; stores 1 or 0.
int cJSON_GetBoolVal(const cJSON *object, const char *name, uint8_t *val);
// Accept a number; store valueint cut to the output width.
int cJSON_GetByteVal(const cJSON *object, const char *name, uint8_t *val);
int cJSON_GetWordVal(const cJSON *object, const char *name, uint16_t *val);
int cJSON_GetUintVal(const cJSON *object, const char *name, uint32_t *val);
int cJSON_GetIntVal(const cJSON *object, const char *name, int32_t *val);
// Accepts a number from 0 to 4294967295 (anything else, NaN included, is
// refused); the value becomes the low 32 bits, the high 32 bits are 0.
int cJSON_GetU64Val(const cJSON *object, const char *name, uint64_t *val);
// Accepts a string that fits buf with its terminator (at most size - 1
// characters); a longer string is refused, leaving buf empty. size 0 or a
// null buf: 0 and nothing written.
int cJSON_GetString(const cJSON *object, const char *name, char *buf, size_t size);
// Accept an array of numbers. All len elements are cleared first; then up to
// len elements are copied in order. A non-number element stops the copy and
// gives 0 (elements already copied stay).
int cJSON_GetByteArray(const cJSON *object, const char *name, uint8_t *array, size_t len);
int cJSON_GetIntArray(const cJSON *object, const char *name, int32_t *array, size_t len);
int cJSON_GetUintArray(const cJSON *object, const char *name, uint32_t *array, size_t len);

// Replaces a string item's value with a copy of text (the old value is freed
// unless the item only references it). 1 on success; 0 for a null item, null
// text, a non-string item or an allocation failure (the item is unchanged).
int cJSON_SetString(cJSON *item, const char *text);
// Appends text to a string item's value; an item without a value gets a copy.
// 1 on success; 0 for null arguments, a non-string item or an allocation
// failure (the item is unchanged).
int cJSON_AppendString(cJSON *item, const char *text);

// Reads and parses a whole file. Null for a null name, a file that cannot be
// opened ("file %s not exits\n"), an empty or over-long file ("file len
// error"), an allocation failure or a parse error. The caller owns the result.
cJSON *cJSON_ParseFile(const char *filename);
// Writes the printed item (formatted when fmt is non-zero) to filename,
// truncating it. 0 on success, 1 for a null item or name, 2 when the file
// cannot be opened ("open file error") or written.
int cJSON_PrintToFile(const cJSON *item, const char *filename, int fmt);
