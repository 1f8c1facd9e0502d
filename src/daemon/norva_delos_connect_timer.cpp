// The connect timer: one pool event per owner that remembers which step of the
// connection sequence it guards, so an unanswered step is retried or escalated.
#include <cstdio>

#include "daemon/norva_delos_conmon.h"
#include "daemon/norva_delos_registry.h"
#include "daemon/norva_delos_routing.h"
#include "daemon/norva_delos_timer.h"

// Consecutive unanswered routing update rounds after which the device's
// routing connection is restarted.
#define NORVA_DELOS_MAX_UPDATE_TIMEOUTS 5

aud_error_t norva_delos_connect_timer_stop(norva_delos_timer_t *pTimer,
                                           connect_timer_op_t timer_op) {
  if (!pTimer) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (pTimer->connect_timer_op == CONNECT_TIMER_NONE) {
    return AUD_ERR_NOTFOUND;
  }
  if (timer_op != CONNECT_TIMER_NONE && timer_op != pTimer->connect_timer_op) {
    printf("Error: cancelling timer for %u with %u\n", (unsigned)pTimer->connect_timer_op,
           (unsigned)timer_op);
    return AUD_ERR_INVALIDSTATE;
  }
  if (pTimer->connect_timer) {
    norva_delos_dapi_simple_timer_event_stop(pTimer->connect_timer);
  }
  pTimer->connect_timer_op = CONNECT_TIMER_NONE;
  return AUD_SUCCESS;
}

aud_error_t norva_delos_connect_timer_schedule(norva_delos_timer_t *pTimer,
                                               connect_timer_op_t timer_op,
                                               const aud_utime_t *timeout) {
  if (!pTimer) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (!timeout) {
    return norva_delos_connect_timer_stop(pTimer, timer_op);
  }
  if (timer_op == CONNECT_TIMER_NONE) {
    puts("Error: must provide timer op");
    return AUD_ERR_INVALIDPARAMETER;
  }
  // A record whose event could not be allocated has nothing to arm; say so
  // instead of dereferencing it.
  if (!pTimer->connect_timer) {
    return AUD_ERR_NOMEMORY;
  }
  if (pTimer->connect_timer_op != CONNECT_TIMER_NONE) {
    printf("Warning: overwriting timer %u with %u\n", (unsigned)pTimer->connect_timer_op,
           (unsigned)timer_op);
  }
  aud_error_t result =
      norva_delos_dapi_simple_timer_event_schedule_once(pTimer->connect_timer, nullptr, timeout);
  if (result != AUD_SUCCESS) {
    return result;
  }
  pTimer->connect_timer_op = timer_op;
  return AUD_SUCCESS;
}

void norva_delos_connect_timer_fired(dapi_simple_timer_event_t *timer, const aud_utime_t *,
                                     void *context) {
  if (!timer || !context) {
    return;
  }
  auto *pTimer = static_cast<norva_delos_timer_t *>(context);
  connect_timer_op_t op = pTimer->connect_timer_op;
  printf("Connect timer fired with op == %u\n", (unsigned)op);
  // Cleared before acting, so the action may arm the timer again.
  pTimer->connect_timer_op = CONNECT_TIMER_NONE;
  auto *dev = static_cast<delos_dev *>(pTimer->context);
  switch (op) {
    case CONNECT_TIMER_REGISTER_CHANNELS:
      norva_delos_register_conmon_channels(pTimer);
      break;
    case CONNECT_TIMER_SUBSCRIBE_CHANNELS:
      norva_delos_subscribe_conmon_channels(pTimer);
      break;
    case CONNECT_TIMER_RETRY_DEVICE:
    case CONNECT_TIMER_QUERY_CAP:
      norva_delos_routing_reconnect_device(dev);
      break;
    case CONNECT_TIMER_UPDATE:
      norva_delos_update_routing_components(dev, 0, false);
      dev->u32UpdateTimeoutCount++;
      if (dev->u32UpdateTimeoutCount >= NORVA_DELOS_MAX_UPDATE_TIMEOUTS) {
        dev->u32UpdateTimeoutCount = 0;
        norva_delos_connect_timer_stop(pTimer, CONNECT_TIMER_NONE);
        norva_delos_routing_reconnect_device(dev);
      }
      break;
    default:
      break;
  }
}
