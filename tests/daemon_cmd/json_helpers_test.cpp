#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "json/norva_cjson.h"

namespace {

struct json_doc {
  explicit json_doc(const char *text) : root(cJSON_Parse(text)) {}
  ~json_doc() { cJSON_Delete(root); }
  cJSON *root;
};

std::string print_compact(const cJSON *item) {
  char *t = cJSON_PrintUnformatted(item);
  std::string s = t ? t : "";
  cJSON_free(t);
  return s;
}

TEST(CreateStringArrayQeb, KeepsEveryRecordInOrderIncludingAnEmptyOne) {
  char recs[3][32] = {"a", "", "c"};
  cJSON *arr = cJSON_CreateStringArrayQeb(&recs[0][0], 3);
  EXPECT_EQ("[\"a\",\"\",\"c\"]", print_compact(arr));
  cJSON_Delete(arr);
}

TEST(CreateStringArrayQeb, GivesAnEmptyArrayForCountZero) {
  cJSON *arr = cJSON_CreateStringArrayQeb(nullptr, 0);
  EXPECT_EQ("[]", print_compact(arr));
  cJSON_Delete(arr);
}

TEST(CreateStringArrayQeb, ReadsAnUnterminatedRecordOnlyUpToItsSize) {
  char recs[2][32];
  memset(recs[0], 'x', 32);
  strcpy(recs[1], "y");
  cJSON *arr = cJSON_CreateStringArrayQeb(&recs[0][0], 2);
  EXPECT_EQ("[\"" + std::string(32, 'x') + "\",\"y\"]", print_compact(arr));
  cJSON_Delete(arr);
}

TEST(GetBoolVal, RefusesANumberAndLeavesTheFlagZero) {
  json_doc d("{\"b\":1}");
  uint8_t v = 7;
  EXPECT_EQ(0, cJSON_GetBoolVal(d.root, "b", &v));
  EXPECT_EQ(0, v);
}

TEST(GetBoolVal, StoresTrueAsOne) {
  json_doc d("{\"b\":true}");
  uint8_t v = 0;
  EXPECT_EQ(1, cJSON_GetBoolVal(d.root, "b", &v));
  EXPECT_EQ(1, v);
}

TEST(GetNumbers, StoreValueintCutToTheirWidth) {
  json_doc d("{\"n\":65793}");  // 0x10101
  uint8_t b = 0;
  uint16_t w = 0;
  uint32_t u = 0;
  int32_t i = 0;
  EXPECT_EQ(1, cJSON_GetByteVal(d.root, "n", &b));
  EXPECT_EQ(1, cJSON_GetWordVal(d.root, "n", &w));
  EXPECT_EQ(1, cJSON_GetUintVal(d.root, "n", &u));
  EXPECT_EQ(1, cJSON_GetIntVal(d.root, "n", &i));
  EXPECT_EQ(0x01, b);
  EXPECT_EQ(0x0101, w);
  EXPECT_EQ(65793u, u);
  EXPECT_EQ(65793, i);
}

TEST(GetNumbers, ClearTheOutputWhenTheMemberIsMissingOrAString) {
  json_doc d("{\"s\":\"12\"}");
  uint32_t u = 5;
  EXPECT_EQ(0, cJSON_GetUintVal(d.root, "s", &u));
  EXPECT_EQ(0u, u);
  u = 5;
  EXPECT_EQ(0, cJSON_GetUintVal(d.root, "missing", &u));
  EXPECT_EQ(0u, u);
}

TEST(GetU64Val, TakesAValueUpTo32BitsFromValuedouble) {
  json_doc d("{\"n\":4000000000}");
  uint64_t v = 0;
  EXPECT_EQ(1, cJSON_GetU64Val(d.root, "n", &v));
  EXPECT_EQ(4000000000ull, v);
}

TEST(GetU64Val, RefusesValuesOutsideUnsigned32Bits) {
  struct {
    const char *doc;
  } cases[] = {{"{\"n\":-1}"}, {"{\"n\":4294967296}"}, {"{\"n\":1e300}"}};
  for (const auto &c : cases) {
    json_doc d(c.doc);
    uint64_t v = 9;
    EXPECT_EQ(0, cJSON_GetU64Val(d.root, "n", &v)) << c.doc;
    EXPECT_EQ(0u, v) << c.doc;
  }
}

TEST(GetString, CopiesAStringThatFitsTheBuffer) {
  json_doc d("{\"s\":\"abc\"}");
  char buf[4] = "zzz";
  EXPECT_EQ(1, cJSON_GetString(d.root, "s", buf, sizeof buf));
  EXPECT_STREQ("abc", buf);
}

TEST(GetString, RefusesAStringLongerThanTheBufferAndLeavesItEmpty) {
  json_doc d("{\"s\":\"abcd\"}");
  char buf[4] = "zzz";
  EXPECT_EQ(0, cJSON_GetString(d.root, "s", buf, sizeof buf));
  EXPECT_STREQ("", buf);
}

TEST(GetIntArray, StoresTwoNumbersAndLeavesTheOtherElementsZero) {
  json_doc d("{\"a\":[5,-6]}");
  int32_t a[4] = {9, 9, 9, 9};
  EXPECT_EQ(1, cJSON_GetIntArray(d.root, "a", a, 4));
  EXPECT_EQ(5, a[0]);
  EXPECT_EQ(-6, a[1]);
  EXPECT_EQ(0, a[2]);
  EXPECT_EQ(0, a[3]);
}

TEST(GetUintArray, StopsAtANonNumberKeepingWhatWasCopied) {
  json_doc d("{\"a\":[1,\"x\",3]}");
  uint32_t a[3] = {9, 9, 9};
  EXPECT_EQ(0, cJSON_GetUintArray(d.root, "a", a, 3));
  EXPECT_EQ(1u, a[0]);
  EXPECT_EQ(0u, a[1]);
  EXPECT_EQ(0u, a[2]);
}

TEST(GetByteArray, CopiesAtMostLenElements) {
  json_doc d("{\"a\":[1,2,3]}");
  uint8_t a[2] = {};
  EXPECT_EQ(1, cJSON_GetByteArray(d.root, "a", a, 2));
  EXPECT_EQ(1, a[0]);
  EXPECT_EQ(2, a[1]);
}

TEST(SetString, ReplacesTheValueOfAStringItem) {
  cJSON *s = cJSON_CreateString("old");
  EXPECT_EQ(1, cJSON_SetString(s, "new"));
  EXPECT_STREQ("new", s->valuestring);
  cJSON_Delete(s);
}

TEST(SetString, RefusesANumberItemOrNullText) {
  cJSON *n = cJSON_CreateNumber(1);
  EXPECT_EQ(0, cJSON_SetString(n, "x"));
  cJSON *s = cJSON_CreateString("keep");
  EXPECT_EQ(0, cJSON_SetString(s, nullptr));
  EXPECT_STREQ("keep", s->valuestring);
  cJSON_Delete(n);
  cJSON_Delete(s);
}

TEST(SetString, DoesNotFreeTheTextOfAReferenceItem) {
  static const char kShared[] = "shared";
  cJSON *r = cJSON_CreateStringReference(kShared);
  EXPECT_EQ(1, cJSON_SetString(r, "own"));
  EXPECT_STREQ("own", r->valuestring);
  cJSON_Delete(r);  // frees the copy, not kShared
}

TEST(AppendString, JoinsTheNewTextToTheOldValue) {
  cJSON *s = cJSON_CreateString("ab");
  EXPECT_EQ(1, cJSON_AppendString(s, "cd"));
  EXPECT_STREQ("abcd", s->valuestring);
  cJSON_Delete(s);
}

TEST(AppendString, GivesAnItemWithoutValueACopy) {
  cJSON *s = cJSON_CreateString("x");
  cJSON_free(s->valuestring);
  s->valuestring = nullptr;
  EXPECT_EQ(1, cJSON_AppendString(s, "cd"));
  EXPECT_STREQ("cd", s->valuestring);
  cJSON_Delete(s);
}

class JsonFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/norva_json_XXXXXX";
    int fd = mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = tmpl;
  }
  void TearDown() override { unlink(path_.c_str()); }
  std::string path_;
};

TEST_F(JsonFiles, PrintToFileThenParseFileGivesTheSameDocument) {
  json_doc d("{\"a\":[1,2],\"b\":\"t\"}");
  EXPECT_EQ(0, cJSON_PrintToFile(d.root, path_.c_str(), 1));
  cJSON *back = cJSON_ParseFile(path_.c_str());
  ASSERT_NE(nullptr, back);
  EXPECT_EQ("{\"a\":[1,2],\"b\":\"t\"}", print_compact(back));
  cJSON_Delete(back);
}

TEST_F(JsonFiles, ParseFileGivesNullForAnEmptyFile) {
  EXPECT_EQ(nullptr, cJSON_ParseFile(path_.c_str()));
}

TEST_F(JsonFiles, ParseFileGivesNullForAMissingFileOrNullName) {
  EXPECT_EQ(nullptr, cJSON_ParseFile("/nonexistent/norva.json"));
  EXPECT_EQ(nullptr, cJSON_ParseFile(nullptr));
}

TEST_F(JsonFiles, PrintToFileReportsNullArgumentsAndUnopenableFiles) {
  json_doc d("{}");
  EXPECT_EQ(1, cJSON_PrintToFile(nullptr, path_.c_str(), 0));
  EXPECT_EQ(1, cJSON_PrintToFile(d.root, nullptr, 0));
  EXPECT_EQ(2, cJSON_PrintToFile(d.root, "/nonexistent/dir/x.json", 0));
}

}  // namespace
