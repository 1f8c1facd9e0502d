#include "common/delos_name.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct NameRow {
  const char *name;
  bool device;
  bool channel_or_label;
};

const std::string k_31(31, 'a');
const std::string k_32(32, 'a');

TEST(DelosName, ValidityOfDeviceChannelAndLabelNames) {
  const NameRow rows[] = {
      {"a", true, true},
      {"Stage-Box-1", true, true},
      {"0abc9", true, true},
      {k_31.c_str(), true, true},
      {k_32.c_str(), false, false},
      {"", false, false},
      {"-lead", false, true},
      {"trail-", false, true},
      {"two words", false, true},
      {"under_score", false, true},
      {"dot.ted", false, false},
      {".start", false, false},
      {"a=b", false, false},
      {"@home", false, false},
      {"Left (1)", false, true},
      {"caf\xc3\xa9", false, true},
  };
  for (const NameRow &r : rows) {
    EXPECT_EQ(r.device ? AUD_TRUE : AUD_FALSE, delos_name_is_valid_device_name(r.name)) << r.name;
    EXPECT_EQ(r.channel_or_label ? AUD_TRUE : AUD_FALSE,
              delos_name_is_valid_channel_or_label_name(r.name))
        << r.name;
  }
  EXPECT_EQ(AUD_FALSE, delos_name_is_valid_device_name(nullptr));
  EXPECT_EQ(AUD_FALSE, delos_name_is_valid_channel_or_label_name(nullptr));
}

TEST(DelosName, EqualityIgnoresCaseAndTreatsNullsBySameness) {
  EXPECT_EQ(AUD_TRUE, delos_name_equals("Mixer-1", "mIXER-1"));
  EXPECT_EQ(AUD_FALSE, delos_name_equals("Mixer-1", "Mixer-2"));
  EXPECT_EQ(AUD_TRUE, delos_name_equals(nullptr, nullptr));
  EXPECT_EQ(AUD_FALSE, delos_name_equals("a", nullptr));
  EXPECT_EQ(AUD_FALSE, delos_name_equals(nullptr, "a"));
}

struct CopyRow {
  const char *src;
  aud_error_t result;
  std::string stored;
};

TEST(DelosName, CopyCutsRefusesOrEmpties) {
  const std::string k_33(33, 'b');
  const CopyRow rows[] = {
      {"Left", AUD_SUCCESS, "Left"},
      {k_32.c_str(), AUD_SUCCESS, k_32},
      {k_33.c_str(), AUD_ERR_TRUNCATED, std::string(32, 'b')},
      {"a.b", AUD_ERR_INVALIDDATA, ""},
      {"x=y", AUD_ERR_INVALIDDATA, ""},
      {"me@there", AUD_ERR_INVALIDDATA, ""},
      {nullptr, AUD_SUCCESS, ""},
  };
  for (const CopyRow &r : rows) {
    char dst[DELOS_NAME_COPY_SIZE + 1];
    memset(dst, 'z', sizeof dst);
    EXPECT_EQ(r.result, delos_name_copy(dst, r.src)) << (r.src ? r.src : "(null)");
    EXPECT_EQ(r.stored, std::string(dst)) << (r.src ? r.src : "(null)");
    EXPECT_EQ('z', dst[DELOS_NAME_COPY_SIZE]) << "wrote past the field";
  }
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, delos_name_copy(nullptr, "a"));
}

TEST(DelosName, AdvertisedCopyCutsAtThirtyNineCharacters) {
  char dst[DELOS_ADVERTISED_NAME_SIZE];
  std::string k_39(39, 'c'), k_40(40, 'c');
  EXPECT_EQ(AUD_SUCCESS, delos_advertised_name_copy(dst, k_39.c_str()));
  EXPECT_EQ(k_39, dst);
  EXPECT_EQ(AUD_ERR_TRUNCATED, delos_advertised_name_copy(dst, k_40.c_str()));
  EXPECT_EQ(k_39, dst);
  EXPECT_EQ(AUD_SUCCESS, delos_advertised_name_copy(dst, nullptr));
  EXPECT_EQ("", std::string(dst));
}

TEST(DelosName, UpdateReportsWhetherTheFieldChanged) {
  delos_name_t field = "Mixer";
  EXPECT_EQ(0, delos_name_update(field, "MIXER"));
  EXPECT_STREQ("Mixer", field);
  EXPECT_EQ(1, delos_name_update(field, "Desk"));
  EXPECT_STREQ("Desk", field);
  EXPECT_EQ(1, delos_name_update(field, nullptr));
  EXPECT_STREQ("", field);
  EXPECT_EQ(0, delos_name_update(field, ""));
}

TEST(DelosName, UpdateWithAnOverlongNameSettlesAfterTheFirstCall) {
  delos_name_t field = "";
  std::string longer(40, 'n');
  EXPECT_EQ(1, delos_name_update(field, longer.c_str()));
  EXPECT_EQ(std::string(31, 'n'), field);
  EXPECT_EQ(0, delos_name_update(field, longer.c_str()));
}

}  // namespace
