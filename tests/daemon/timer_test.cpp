#include <gtest/gtest.h>

#include <vector>

#include "daemon/norva_delos_timer.h"

namespace {

aud_utime_t at(long s, long us = 0) {
  aud_utime_t t;
  t.tv_sec = s;
  t.tv_usec = us;
  return t;
}

// A timer set with a record of which event fired when.
class TimerSet : public ::testing::Test {
 public:
  void SetUp() override { set_ = norva_delos_dapi_simple_timer_new(10); }
  void TearDown() override { norva_delos_dapi_simple_timer_delete(set_); }

  dapi_simple_timer_event_t *alloc_recording() {
    dapi_simple_timer_event_t *e = norva_delos_dapi_simple_timer_event_alloc(set_);
    norva_delos_dapi_simple_timer_event_set_callback(e, &TimerSet::record, this);
    return e;
  }
  static void record(dapi_simple_timer_event_t *e, const aud_utime_t *time, void *ctx) {
    auto *self = static_cast<TimerSet *>(ctx);
    self->fired_.push_back(e);
    self->fired_at_.push_back(*time);
    if (self->on_fire_) {
      self->on_fire_(e);
    }
  }
  size_t slot(dapi_simple_timer_event_t *e) const { return e - set_->timers.timers; }

  dapi_simple_timer_t *set_ = nullptr;
  std::vector<dapi_simple_timer_event_t *> fired_;
  std::vector<aud_utime_t> fired_at_;
  void (*on_fire_)(dapi_simple_timer_event_t *) = nullptr;
};

TEST_F(TimerSet, CreationRefusesZeroCapacity) {
  EXPECT_EQ(nullptr, norva_delos_dapi_simple_timer_new(0));
}

TEST_F(TimerSet, EventsDueInOnePassFireInSlotOrderNotDueOrder) {
  dapi_simple_timer_event_t *a = alloc_recording();
  dapi_simple_timer_event_t *b = alloc_recording();
  dapi_simple_timer_event_t *c = alloc_recording();
  aud_utime_t t10 = at(10), t5 = at(5), t7 = at(7);
  norva_delos_dapi_simple_timer_event_schedule_once(c, &t5, nullptr);
  norva_delos_dapi_simple_timer_event_schedule_once(a, &t10, nullptr);
  norva_delos_dapi_simple_timer_event_schedule_once(b, &t7, nullptr);
  aud_utime_t now = at(10);
  EXPECT_EQ(AUD_SUCCESS, norva_delos_dapi_simple_timer_process(set_, &now));
  std::vector<dapi_simple_timer_event_t *> expected = {a, b, c};
  EXPECT_EQ(expected, fired_);
  EXPECT_EQ(nullptr, norva_delos_dapi_simple_timer_get_next_firing(set_));
}

TEST_F(TimerSet, NothingFiresBeforeTheEarliestDueTime) {
  dapi_simple_timer_event_t *a = alloc_recording();
  aud_utime_t due = at(10, 500);
  norva_delos_dapi_simple_timer_event_schedule_once(a, &due, nullptr);
  aud_utime_t early = at(10, 499);
  norva_delos_dapi_simple_timer_process(set_, &early);
  EXPECT_TRUE(fired_.empty());
  aud_utime_t exact = at(10, 500);
  norva_delos_dapi_simple_timer_process(set_, &exact);
  EXPECT_EQ(1u, fired_.size());
}

TEST_F(TimerSet, NextFiringIsTheEarliestAndAbsoluteDeltaAdds) {
  dapi_simple_timer_event_t *a = alloc_recording();
  dapi_simple_timer_event_t *b = alloc_recording();
  aud_utime_t base = at(100, 900000), delta = at(1, 200000), later = at(200);
  norva_delos_dapi_simple_timer_event_schedule_once(a, &later, nullptr);
  norva_delos_dapi_simple_timer_event_schedule_once(b, &base, &delta);
  const aud_utime_t *next = norva_delos_dapi_simple_timer_get_next_firing(set_);
  ASSERT_NE(nullptr, next);
  EXPECT_EQ(102, next->tv_sec);
  EXPECT_EQ(100000, next->tv_usec);
}

TEST_F(TimerSet, LateRecurringEventFiresOnceAndIsDueOnePeriodAfterTheProcessingTime) {
  dapi_simple_timer_event_t *a = alloc_recording();
  aud_utime_t first = at(10), period = at(0, 100000);
  norva_delos_dapi_simple_timer_event_schedule_recurring(a, &first, nullptr, &period);
  aud_utime_t late = at(11, 50000);
  norva_delos_dapi_simple_timer_process(set_, &late);
  EXPECT_EQ(1u, fired_.size());
  EXPECT_EQ(DAPI_SIMPLE_TIMER_MODE__RECURRING, a->mode);
  EXPECT_EQ(11, a->next.tv_sec);
  EXPECT_EQ(150000, a->next.tv_usec);
}

TEST_F(TimerSet, ZeroOrNegativePeriodIsRefusedAndLeavesTheEventAlone) {
  dapi_simple_timer_event_t *a = alloc_recording();
  aud_utime_t due = at(10);
  for (aud_utime_t period : {at(0, 0), at(-1, 0), at(0, -5)}) {
    EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
              norva_delos_dapi_simple_timer_event_schedule_recurring(a, &due, nullptr, &period));
    EXPECT_EQ(DAPI_SIMPLE_TIMER_MODE__NONE, a->mode);
  }
}

TEST_F(TimerSet, CallbackMayRescheduleItsOwnSingleEvent) {
  dapi_simple_timer_event_t *a = alloc_recording();
  on_fire_ = [](dapi_simple_timer_event_t *e) {
    aud_utime_t again = at(50);
    norva_delos_dapi_simple_timer_event_schedule_once(e, &again, nullptr);
  };
  aud_utime_t due = at(10);
  norva_delos_dapi_simple_timer_event_schedule_once(a, &due, nullptr);
  aud_utime_t now = at(10);
  norva_delos_dapi_simple_timer_process(set_, &now);
  EXPECT_EQ(DAPI_SIMPLE_TIMER_MODE__SINGLE, a->mode);
  const aud_utime_t *next = norva_delos_dapi_simple_timer_get_next_firing(set_);
  ASSERT_NE(nullptr, next);
  EXPECT_EQ(50, next->tv_sec);
}

TEST_F(TimerSet, ReleasingAScheduledEventRemovesItFromTheNextFiring) {
  dapi_simple_timer_event_t *a = alloc_recording();
  aud_utime_t due = at(10);
  norva_delos_dapi_simple_timer_event_schedule_once(a, &due, nullptr);
  ASSERT_NE(nullptr, norva_delos_dapi_simple_timer_get_next_firing(set_));
  norva_delos_dapi_simple_timer_event_release(a);
  EXPECT_EQ(nullptr, norva_delos_dapi_simple_timer_get_next_firing(set_));
  aud_utime_t now = at(20);
  norva_delos_dapi_simple_timer_process(set_, &now);
  EXPECT_TRUE(fired_.empty());
}

TEST_F(TimerSet, FreedSlotsAreReusedLowestFirstWithoutRaisingTheHighWaterMark) {
  std::vector<dapi_simple_timer_event_t *> events;
  for (int i = 0; i < 10; ++i) {
    events.push_back(norva_delos_dapi_simple_timer_event_alloc(set_));
  }
  EXPECT_EQ(nullptr, norva_delos_dapi_simple_timer_event_alloc(set_));
  EXPECT_EQ(10u, set_->timers.n);
  norva_delos_dapi_simple_timer_event_release(events[7]);
  norva_delos_dapi_simple_timer_event_release(events[3]);
  dapi_simple_timer_event_t *again = norva_delos_dapi_simple_timer_event_alloc(set_);
  EXPECT_EQ(3u, slot(again));
  EXPECT_EQ(10u, set_->timers.n);
  EXPECT_EQ(7u, slot(norva_delos_dapi_simple_timer_event_alloc(set_)));
}

TEST_F(TimerSet, StoppingAnIdleEventSucceedsAndChangesNothing) {
  dapi_simple_timer_event_t *a = alloc_recording();
  EXPECT_EQ(nullptr, norva_delos_dapi_simple_timer_get_next_firing(set_));
  EXPECT_EQ(AUD_SUCCESS, norva_delos_dapi_simple_timer_event_stop(a));
  EXPECT_FALSE(set_->process.changed);
}

TEST_F(TimerSet, ProcessingANullSetIsAnInvalidParameter) {
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, norva_delos_dapi_simple_timer_process(nullptr, nullptr));
}

TEST_F(TimerSet, EventAllocatedByACallbackIsVisitedInTheSamePass) {
  static TimerSet *self;
  self = this;
  dapi_simple_timer_event_t *a = alloc_recording();
  on_fire_ = [](dapi_simple_timer_event_t *) {
    self->on_fire_ = nullptr;
    dapi_simple_timer_event_t *b = self->alloc_recording();
    aud_utime_t due = at(5);
    norva_delos_dapi_simple_timer_event_schedule_once(b, &due, nullptr);
  };
  aud_utime_t due = at(10);
  norva_delos_dapi_simple_timer_event_schedule_once(a, &due, nullptr);
  aud_utime_t now = at(10);
  norva_delos_dapi_simple_timer_process(set_, &now);
  EXPECT_EQ(2u, fired_.size());
}

}  // namespace
