#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "daemon/norva_delos_registry.h"
#include "daemon/norva_delos_timer.h"

namespace {

class ConnectTimer : public ::testing::Test {
 protected:
  void SetUp() override {
    set_ = norva_delos_dapi_simple_timer_new(4);
    memset(static_cast<void *>(&dev_), 0, sizeof(dev_));
    dev_.timer.connect_timer = norva_delos_dapi_simple_timer_event_alloc(set_);
    dev_.timer.context = &dev_;
    norva_delos_dapi_simple_timer_event_set_callback(dev_.timer.connect_timer,
                                                     norva_delos_connect_timer_fired, &dev_.timer);
  }
  void TearDown() override { norva_delos_dapi_simple_timer_delete(set_); }

  // Fires the device's pending operation as the main loop would when it is due.
  std::string fire() {
    testing::internal::CaptureStdout();
    aud_utime_t far = {0x7fffffff, 0};
    norva_delos_dapi_simple_timer_process(set_, &far);
    return testing::internal::GetCapturedStdout();
  }
  std::string schedule(connect_timer_op_t op, aud_error_t *result) {
    aud_utime_t three = {3, 0};
    testing::internal::CaptureStdout();
    *result = norva_delos_connect_timer_schedule(&dev_.timer, op, &three);
    return testing::internal::GetCapturedStdout();
  }

  dapi_simple_timer_t *set_ = nullptr;
  delos_dev dev_;
};

TEST_F(ConnectTimer, MisuseGivesItsThreeResults) {
  aud_error_t r;
  std::string out = schedule(CONNECT_TIMER_NONE, &r);
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, r);
  EXPECT_NE(std::string::npos, out.find("Error: must provide timer op"));

  EXPECT_EQ(AUD_ERR_NOTFOUND, norva_delos_connect_timer_stop(&dev_.timer, CONNECT_TIMER_NONE));

  schedule(CONNECT_TIMER_QUERY_CAP, &r);
  ASSERT_EQ(AUD_SUCCESS, r);
  testing::internal::CaptureStdout();
  EXPECT_EQ(AUD_ERR_INVALIDSTATE, norva_delos_connect_timer_stop(&dev_.timer, CONNECT_TIMER_UPDATE));
  EXPECT_EQ("Error: cancelling timer for 5 with 6\n", testing::internal::GetCapturedStdout());
  EXPECT_EQ(CONNECT_TIMER_QUERY_CAP, dev_.timer.connect_timer_op);
  EXPECT_EQ(DAPI_SIMPLE_TIMER_MODE__SINGLE, dev_.timer.connect_timer->mode);
}

TEST_F(ConnectTimer, StoppingTheRightOperationOrAnyReturnsToIdle) {
  for (connect_timer_op_t how : {CONNECT_TIMER_RETRY_DEVICE, CONNECT_TIMER_NONE}) {
    aud_error_t r;
    schedule(CONNECT_TIMER_RETRY_DEVICE, &r);
    EXPECT_EQ(AUD_SUCCESS, norva_delos_connect_timer_stop(&dev_.timer, how));
    EXPECT_EQ(CONNECT_TIMER_NONE, dev_.timer.connect_timer_op);
    EXPECT_EQ(nullptr, norva_delos_dapi_simple_timer_get_next_firing(set_));
  }
}

TEST_F(ConnectTimer, SchedulingOverAPendingOperationWarnsAndReplacesIt) {
  aud_error_t r;
  schedule(CONNECT_TIMER_SUBSCRIBE_CHANNELS, &r);
  std::string out = schedule(CONNECT_TIMER_UPDATE, &r);
  EXPECT_EQ(AUD_SUCCESS, r);
  EXPECT_EQ("Warning: overwriting timer 2 with 6\n", out);
  EXPECT_EQ(CONNECT_TIMER_UPDATE, dev_.timer.connect_timer_op);
}

TEST_F(ConnectTimer, ANullTimeoutStops) {
  aud_error_t r;
  schedule(CONNECT_TIMER_UPDATE, &r);
  EXPECT_EQ(AUD_SUCCESS,
            norva_delos_connect_timer_schedule(&dev_.timer, CONNECT_TIMER_UPDATE, nullptr));
  EXPECT_EQ(CONNECT_TIMER_NONE, dev_.timer.connect_timer_op);
}

TEST_F(ConnectTimer, FiringReportsAndClearsTheOperationBeforeActing) {
  aud_error_t r;
  schedule(CONNECT_TIMER_READY_QUERY, &r);
  EXPECT_EQ("Connect timer fired with op == 3\n", fire());
  EXPECT_EQ(CONNECT_TIMER_NONE, dev_.timer.connect_timer_op);
}

TEST_F(ConnectTimer, FiveUnansweredUpdateRoundsResetTheCountAndStopTheTimer) {
  for (int round = 1; round <= 5; ++round) {
    aud_error_t r;
    schedule(CONNECT_TIMER_UPDATE, &r);
    ASSERT_EQ(AUD_SUCCESS, r);
    fire();
    EXPECT_EQ(round == 5 ? 0u : static_cast<uint32_t>(round), dev_.u32UpdateTimeoutCount)
        << "round " << round;
  }
  EXPECT_EQ(CONNECT_TIMER_NONE, dev_.timer.connect_timer_op);
}

TEST_F(ConnectTimer, ARecordWithoutAnEventCannotBeArmed) {
  dev_.timer.connect_timer = nullptr;
  aud_error_t r;
  schedule(CONNECT_TIMER_UPDATE, &r);
  EXPECT_EQ(AUD_ERR_NOMEMORY, r);
  EXPECT_EQ(CONNECT_TIMER_NONE, dev_.timer.connect_timer_op);
}

}  // namespace
