#include "platform/aud_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

struct CodeRow {
  aud_error_t code;
  const char *name;
  const char *desc;
};

// Written out by hand from the result-code table, a sample across its range.
const CodeRow k_rows[] = {
    {0, "SUCCESS", "success"},
    {1, "DONE", "operation done"},
    {8, "TRUNCATED", "message truncated"},
    {10, "TIMEDOUT", "operation timed out"},
    {12, "DNSSDFAIL", "DNS-SD system failed"},
    {18, "ACCES", "access"},
    {31, "ISCONN", "socket already connected"},
    {43, "NOTINITIALISED", "not initialised"},
    {46, "PROTOTYPE", "wrong protocol type for socket"},
    {51, "BANDWIDTH_EXCEEDED", "bandwidth exceeded"},
};

TEST(AudError, NamesAndDescriptionsMatchTheTable) {
  for (const CodeRow &r : k_rows) {
    SCOPED_TRACE(r.code);
    EXPECT_STREQ(r.name, aud_error_get_name(r.code));
    EXPECT_STREQ(r.desc, aud_error_get_description(r.code));
  }
}

TEST(AudError, EveryCodeBelowTheCountHasANameAndNoneAbove) {
  for (aud_error_t c = 0; c < AUD_NUM_ERRORS; ++c) {
    EXPECT_NE(nullptr, aud_error_get_name(c)) << c;
  }
  EXPECT_EQ(nullptr, aud_error_get_name(52));
  EXPECT_EQ(nullptr, aud_error_get_description(52));
  EXPECT_EQ(nullptr, aud_error_get_name(0xffffffffu));
}

TEST(AudError, MessageFormsForSuccessOrdinaryAndUnknownCodes) {
  aud_errbuf_t buf;
  EXPECT_STREQ("success", aud_error_message(AUD_SUCCESS, buf));
  EXPECT_STREQ("operation timed out: (0x000a=TIMEDOUT)", aud_error_message(AUD_ERR_TIMEDOUT, buf));
  EXPECT_STREQ("(null): (0x0034=(null))", aud_error_message(52, buf));
}

TEST(AudError, SystemMessageCarriesErrnoTextAndValue) {
  aud_errbuf_t buf;
  errno = ENOENT;
  std::string m = aud_error_message(AUD_ERR_SYSTEM, buf);
  EXPECT_EQ("System error: No such file or directory: (0x0002)", m);
}

TEST(AudError, SystemErrorsMapFirstMatchWins) {
  struct {
    int e;
    aud_error_t code;
  } rows[] = {
      {0, AUD_SUCCESS},
      {EEXIST, AUD_ERR_ALREADY},
      {EALREADY, AUD_ERR_ALREADY},
      {EAGAIN, AUD_ERR_TIMEDOUT},
      {EPERM, AUD_ERR_ACCES},
      {EMFILE, AUD_ERR_MFILE},
      {ESOCKTNOSUPPORT, AUD_ERR_SOCKTNOSUPPORT},
      {EXDEV, AUD_ERR_SYSTEM},
  };
  for (auto &r : rows) {
    EXPECT_EQ(r.code, aud_error_from_system_error(r.e)) << r.e;
  }
}

}  // namespace
