#include "platform/aud_time.h"

#include <gtest/gtest.h>

namespace {

struct ArithRow {
  aud_utime_t a;
  aud_utime_t b;
  aud_utime_t result;
};

TEST(AudUtime, SubtractionBorrowsSeconds) {
  const ArithRow rows[] = {
      {{5, 100}, {2, 200}, {2, 999900}},
      {{5, 300}, {2, 200}, {3, 100}},
      {{2, 0}, {2, 0}, {0, 0}},
      {{1, 0}, {0, 999999}, {0, 1}},
  };
  for (const ArithRow &r : rows) {
    aud_utime_t t = r.a;
    aud_utime_sub(&t, &r.b);
    EXPECT_EQ(r.result.tv_sec, t.tv_sec) << r.a.tv_sec << "." << r.a.tv_usec;
    EXPECT_EQ(r.result.tv_usec, t.tv_usec) << r.a.tv_sec << "." << r.a.tv_usec;
  }
}

TEST(AudUtime, AdditionNormalisesMicroseconds) {
  const ArithRow rows[] = {
      {{1, 600000}, {2, 500000}, {4, 100000}},
      {{0, 999999}, {0, 1}, {1, 0}},
      {{3, 0}, {0, 999999}, {3, 999999}},
      {{0, 0}, {0, 0}, {0, 0}},
  };
  for (const ArithRow &r : rows) {
    aud_utime_t t = r.a;
    aud_utime_add(&t, &r.b);
    EXPECT_EQ(r.result.tv_sec, t.tv_sec) << r.a.tv_sec << "." << r.a.tv_usec;
    EXPECT_EQ(r.result.tv_usec, t.tv_usec) << r.a.tv_sec << "." << r.a.tv_usec;
  }
}

struct CompareRow {
  aud_utime_t a;
  aud_utime_t b;
  int sign;
};

TEST(AudUtime, ComparisonSignGivesTheOrder) {
  const CompareRow rows[] = {
      {{1, 0}, {2, 0}, -1}, {{2, 0}, {1, 999999}, 1}, {{3, 5}, {3, 5}, 0},
      {{3, 4}, {3, 5}, -1}, {{3, 6}, {3, 5}, 1},      {{0, 999999}, {1, 0}, -1},
  };
  for (const CompareRow &r : rows) {
    long c = aud_utime_compare(&r.a, &r.b);
    int sign = c < 0 ? -1 : (c > 0 ? 1 : 0);
    EXPECT_EQ(r.sign, sign) << r.a.tv_sec << "." << r.a.tv_usec << " vs " << r.b.tv_sec << "."
                            << r.b.tv_usec;
  }
}

TEST(AudUtime, ReadingTheClockGivesANormalisedValue) {
  aud_utime_t t{-1, -1};
  ASSERT_EQ(AUD_SUCCESS, aud_utime_get(&t));
  EXPECT_GT(t.tv_sec, 0);
  EXPECT_GE(t.tv_usec, 0);
  EXPECT_LE(t.tv_usec, 999999);
}

TEST(AudUtime, SleepRefusesNegativeFields) {
  aud_utime_t neg_sec{-1, 0}, neg_usec{0, -1};
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_usleep(&neg_sec));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_usleep(&neg_usec));
}

}  // namespace
