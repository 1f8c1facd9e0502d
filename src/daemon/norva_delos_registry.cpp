#include "daemon/norva_delos_registry.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "daemon/norva_delos_conmon.h"
#include "daemon/norva_delos_routing.h"

delos_dev *g_pDelosDev = nullptr;
pthread_mutex_t g_MutexDev = PTHREAD_MUTEX_INITIALIZER;
aes67_dev *g_pAes67Dev = nullptr;
pthread_mutex_t g_MutexAes67 = PTHREAD_MUTEX_INITIALIZER;

namespace {

// The next AES67 flow id; guarded by g_MutexAes67.
uint16_t s_aes67_flow_id = 1;

// Position in a default name where the last three bytes of the device id
// appear as six hexadecimal digits.
constexpr size_t kDefnameIdOffset = 13;
constexpr size_t kDefnameIdDigits = 6;

class lock_guard {
 public:
  explicit lock_guard(pthread_mutex_t *m) : m_(m) { pthread_mutex_lock(m_); }
  ~lock_guard() { pthread_mutex_unlock(m_); }
  lock_guard(const lock_guard &) = delete;
  lock_guard &operator=(const lock_guard &) = delete;

 private:
  pthread_mutex_t *m_;
};

// True when text (not null) fits a field of `size` bytes with its terminator.
bool fits(const char *text, size_t size) { return text != nullptr && strnlen(text, size) < size; }

void copy_field(char *dst, const char *src, size_t size) {
  size_t n = strnlen(src, size - 1);
  memcpy(dst, src, n);
  dst[n] = '\0';
}

bool matches(const delos_dev *d, const char *name, const void *req_id, dev_find_e type) {
  // An empty name would match every record whose MAC text is still empty, so
  // an empty name finds nothing.
  if (type != NORVA_DELOS_DEV_FIND_BY_REQID && type != NORVA_DELOS_DEV_FIND_BY_INSTANCE_ID &&
      (name == nullptr || name[0] == '\0')) {
    return false;
  }
  switch (type) {
    case NORVA_DELOS_DEV_FIND_BY_NAME:
      return name != nullptr &&
             (strcmp(name, d->name) == 0 || strcasecmp(name, d->stNet[0].azMAC) == 0);
    case NORVA_DELOS_DEV_FIND_BY_MAC:
      return name != nullptr && strcmp(name, d->stNet[0].azMAC) == 0;
    case NORVA_DELOS_DEV_FIND_BY_REQID:
      // Null stands for "no request pending" in every record: it identifies none.
      return req_id != nullptr && req_id == d->requests.cm_subscribe.req_id;
    case NORVA_DELOS_DEV_FIND_BY_DEFNAME:
      return name != nullptr &&
             (strcmp(name, d->defname) == 0 || strcmp(name, d->stNet[0].azMAC) == 0);
    case NORVA_DELOS_DEV_FIND_BY_INSTANCE_ID: {
      if (req_id == nullptr) return false;
      const auto *iid = static_cast<const conmon_instance_id_t *>(req_id);
      char hex[kDefnameIdDigits + 1];
      snprintf(hex, sizeof hex, "%02x%02x%02x", iid->device_id.data[5], iid->device_id.data[6],
               iid->device_id.data[7]);
      if (strnlen(d->defname, sizeof d->defname) < kDefnameIdOffset + kDefnameIdDigits)
        return false;
      return strncasecmp(d->defname + kDefnameIdOffset, hex, kDefnameIdDigits) == 0;
    }
  }
  return false;
}

}  // namespace

delos_dev *norva_delos_dev_add(const char *name, const char *defname) {
  if (!fits(name, NORVA_DELOS_DEV_NAME_SIZE) || !fits(defname, NORVA_DELOS_DEV_DEFNAME_SIZE)) {
    fprintf(
        stderr,
        "norva_delos_dev_add: refused: name '%.80s' or default name '%.80s' missing or too long\n",
        name ? name : "(null)", defname ? defname : "(null)");
    return nullptr;
  }
  auto *dev = static_cast<delos_dev *>(calloc(1, sizeof(delos_dev)));
  if (dev == nullptr) return nullptr;
  copy_field(dev->name, name, sizeof dev->name);
  copy_field(dev->defname, defname, sizeof dev->defname);
  {
    lock_guard g(&g_MutexDev);
    dev->next = g_pDelosDev;
    g_pDelosDev = dev;
    if (test.timers != nullptr) {
      dev->timer.connect_timer = norva_delos_dapi_simple_timer_event_alloc(test.timers);
    }
  }
  dev->timer.connect_timer_op = CONNECT_TIMER_NONE;
  dev->timer.context = dev;
  if (dev->timer.connect_timer != nullptr) {
    norva_delos_dapi_simple_timer_event_set_callback(dev->timer.connect_timer,
                                                     norva_delos_connect_timer_fired, &dev->timer);
  } else {
    // Without an event the device is still listed and usable for commands; it
    // only loses the retries of its connection steps.
    fprintf(stderr, "norva_delos_dev_add: %s: no connect timer event left\n", dev->name);
  }
  norva_delos_subscribe_conmon_channels(&dev->timer);
  return dev;
}

delos_dev *norva_delos_dev_find(const char *name, const void *req_id, dev_find_e type) {
  lock_guard g(&g_MutexDev);
  for (delos_dev *d = g_pDelosDev; d != nullptr; d = d->next) {
    if (matches(d, name, req_id, type)) return d;
  }
  return nullptr;
}

void norva_delos_dev_free(delos_dev *dev) {
  if (dev == nullptr) return;
  free(dev->routing_info_video.rxcparams);
  free(dev->routing_info_video.txcparams);
  free(dev->routing_info_audio.rxcparams);
  free(dev->routing_info_audio.txcparams);
  free(dev->pVidTxFlow);
  free(dev->pAudTxFlow);
  free(dev->pRxFlow);
  free(dev);
}

int norva_delos_dev_del(const char *name) {
  if (name == nullptr) return -1;
  lock_guard g(&g_MutexDev);
  delos_dev *prev = nullptr;
  delos_dev *d = g_pDelosDev;
  while (d != nullptr && strcmp(d->name, name) != 0) {
    prev = d;
    d = d->next;
  }
  if (d == nullptr) return -1;
  printf("%s: %s\n", "norva_delos_dev_del", name);
  norva_delos_routing_clear_device(d);
  norva_delos_unsubscribe_conmon_channels(&d->timer);
  if (d->timer.connect_timer != nullptr) {
    norva_delos_dapi_simple_timer_event_release(d->timer.connect_timer);
    d->timer.connect_timer = nullptr;
  }
  if (prev == nullptr) {
    g_pDelosDev = d->next;
  } else {
    prev->next = d->next;
  }
  norva_delos_dev_free(d);
  return 0;
}

aes67_dev *norva_aes67_dev_add(const char *pSessionName) {
  if (!fits(pSessionName, NORVA_AES67_SESSIONNAME_SIZE)) {
    fprintf(stderr, "norva_aes67_dev_add: refused: session name '%.80s' missing or too long\n",
            pSessionName ? pSessionName : "(null)");
    return nullptr;
  }
  auto *s = static_cast<aes67_dev *>(calloc(1, sizeof(aes67_dev)));
  if (s == nullptr) return nullptr;
  copy_field(s->sessionname, pSessionName, sizeof s->sessionname);
  lock_guard g(&g_MutexAes67);
  s->u16FlowId = s_aes67_flow_id++;
  // 0 is no valid flow id, so the counter wraps from 65535 to 1.
  if (s_aes67_flow_id == 0) s_aes67_flow_id = 1;
  s->next = g_pAes67Dev;
  g_pAes67Dev = s;
  return s;
}

aes67_dev *norva_aes67_dev_find(const char *sessionname) {
  if (sessionname == nullptr) return nullptr;
  lock_guard g(&g_MutexAes67);
  for (aes67_dev *s = g_pAes67Dev; s != nullptr; s = s->next) {
    if (strcmp(s->sessionname, sessionname) == 0) return s;
  }
  return nullptr;
}

void norva_aes67_dev_clear_all(void) {
  lock_guard g(&g_MutexAes67);
  while (g_pAes67Dev != nullptr) {
    aes67_dev *s = g_pAes67Dev;
    g_pAes67Dev = s->next;
    free(s);
  }
  s_aes67_flow_id = 1;
}
