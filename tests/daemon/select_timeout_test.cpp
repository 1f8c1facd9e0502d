#include <gtest/gtest.h>

#include <cstring>

#include "api/dapi.h"
#include "daemon/norva_delos_main.h"

namespace {

double seconds(const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; }

// An application context with a real API instance and timer set, as start-up
// makes them, so the time-out sees the runtime's own answer.
class SelectTimeout : public ::testing::Test {
 protected:
  void SetUp() override {
    memset(static_cast<void *>(&app_), 0, sizeof(app_));
    ASSERT_EQ(AUD_SUCCESS, dapi_new(&app_.dapi));
    app_.env = dapi_get_env(app_.dapi);
    app_.runtime = dapi_get_runtime(app_.dapi);
    app_.timers = norva_delos_dapi_simple_timer_new(8);
    event_ = norva_delos_dapi_simple_timer_event_alloc(app_.timers);
  }
  void TearDown() override {
    norva_delos_get_time = aud_utime_get;
    norva_delos_dapi_simple_timer_delete(app_.timers);
    dapi_delete(app_.dapi);
  }
  timeval compute() {
    timeval t{};
    testing::internal::CaptureStderr();
    norva_delos_calculate_select_timeout(&app_, &t);
    stderr_ = testing::internal::GetCapturedStderr();
    return t;
  }

  app_global app_;
  dapi_simple_timer_event_t *event_ = nullptr;
  std::string stderr_;
};

TEST_F(SelectTimeout, IdleRuntimeAndNoTimerWaitAtMostSixtySeconds) {
  timeval t = compute();
  EXPECT_LE(seconds(t), 60.0);
  EXPECT_GT(seconds(t), 59.0);
}

TEST_F(SelectTimeout, ATimerDueSoonerShortensTheWait) {
  aud_utime_t in2s = {2, 0};
  norva_delos_dapi_simple_timer_event_schedule_once(event_, nullptr, &in2s);
  timeval t = compute();
  EXPECT_LE(seconds(t), 2.0);
  EXPECT_GT(seconds(t), 1.0);
}

TEST_F(SelectTimeout, ADueTimeInThePastGivesZeroNotNegative) {
  aud_utime_t past = {1000, 0};
  norva_delos_dapi_simple_timer_event_schedule_once(event_, &past, nullptr);
  timeval t = compute();
  EXPECT_EQ(0, t.tv_sec);
  EXPECT_EQ(0, t.tv_usec);
}

TEST_F(SelectTimeout, AFailingClockGivesFiveSeconds) {
  aud_utime_t in2s = {2, 0};
  norva_delos_dapi_simple_timer_event_schedule_once(event_, nullptr, &in2s);
  norva_delos_get_time = [](aud_utime_t *) -> aud_error_t { return AUD_ERR_SYSTEM; };
  timeval t = compute();
  EXPECT_EQ(5, t.tv_sec);
  EXPECT_EQ(0, t.tv_usec);
  EXPECT_NE(std::string::npos, stderr_.find("Failed to get time"));
}

TEST_F(SelectTimeout, NoRuntimeAndNoTimerGivesFiveSeconds) {
  app_.runtime = nullptr;
  timeval t = compute();
  EXPECT_EQ(5, t.tv_sec);
  EXPECT_EQ(0, t.tv_usec);
  EXPECT_NE(std::string::npos, stderr_.find("Failed to get conmon action time"));
}

TEST(NextAction, KeepsTheEarlierAndAZeroBaseCountsAsUnset) {
  struct {
    aud_utime_t base, curr, expected;
  } rows[] = {
      {{0, 0}, {7, 5}, {7, 5}},
      {{7, 5}, {7, 4}, {7, 4}},
      {{7, 5}, {7, 6}, {7, 5}},
      {{7, 5}, {6, 999999}, {6, 999999}},
  };
  for (auto &r : rows) {
    aud_utime_t base = r.base;
    norva_delos_set_next_action(&base, &r.curr);
    EXPECT_EQ(r.expected.tv_sec, base.tv_sec);
    EXPECT_EQ(r.expected.tv_usec, base.tv_usec);
  }
}

}  // namespace
