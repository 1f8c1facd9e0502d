// The API instance, its environment, registry, runtime and domain handler.
#include "api/dapi.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// An instance deleted when the test ends.
struct Instance {
  dapi_t *dapi = nullptr;
  Instance() { EXPECT_EQ(AUD_SUCCESS, dapi_new(&dapi)); }
  ~Instance() { dapi_delete(dapi); }
  dapi_core_t *core() { return dapi_get_core(dapi); }
  aud_event_loop_t *loop() { return aud_env_get_event_loop(dapi_get_env(dapi)); }
  delos_runtime_t *runtime() { return dapi_get_runtime(dapi); }
};

dapi_core_domain_info_t domain_with(uint8_t fill, uint32_t domain_policy, uint32_t access_policy) {
  dapi_core_domain_info_t d;
  memset(d.uuid.data, fill, sizeof d.uuid.data);
  d.domain_policy = domain_policy;
  d.access_policy = access_policy;
  return d;
}

// ---------------------------------------------------------------------------------
// Instance.

TEST(DapiInstance, ANullResultIsAnInvalidParameter) {
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, dapi_new(nullptr));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, dapi_new_env(nullptr, nullptr));
}

TEST(DapiInstance, CreatingAndDeletingInstancesLeavesNothingAllocated) {
  // LeakSanitizer checks at exit that every part was freed; several rounds make a
  // leak per instance stand out.
  for (int i = 0; i < 3; i++) {
    dapi_t *dapi = nullptr;
    ASSERT_EQ(AUD_SUCCESS, dapi_new(&dapi));
    dapi_delete(dapi);
  }
  EXPECT_EQ(nullptr, aud_env_get());
}

TEST(DapiInstance, TheLocalEnvironmentHasALogAnEventLoopAndCarriesTheRegistry) {
  Instance i;
  aud_env_t *env = dapi_get_env(i.dapi);
  ASSERT_NE(nullptr, env);
  EXPECT_NE(nullptr, aud_env_get_log(env));
  EXPECT_NE(nullptr, aud_env_get_event_loop(env));
  EXPECT_EQ(AUD_ENV_FLAG_LOCAL_ENV | AUD_ENV_FLAG_LOCAL_LOG | AUD_ENV_FLAG_LOCAL_EVENTS |
                AUD_ENV_FLAG_DELETE_ONLY,
            env->flags);
  EXPECT_EQ(i.core(), dapi_core_from_env(env));
  EXPECT_EQ(aud_env_get_event_loop(env), i.runtime()->loop);
  EXPECT_NE(nullptr, aud_env_get());
}

TEST(DapiInstance, NullInstancesAnswerNull) {
  EXPECT_EQ(nullptr, dapi_get_env(nullptr));
  EXPECT_EQ(nullptr, dapi_get_runtime(nullptr));
  EXPECT_EQ(nullptr, dapi_get_domain_handler(nullptr));
  EXPECT_EQ(nullptr, dapi_get_ddp_demux(nullptr));
  EXPECT_EQ(nullptr, dapi_get_core(nullptr));
  dapi_delete(nullptr);
}

TEST(DapiInstance, AnInstanceOnASuppliedEnvironmentLeavesItToTheCaller) {
  aud_env_t *env = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_env_new(AUD_ENV_FLAG_LOCAL_EVENTS, &env));
  dapi_t *dapi = nullptr;
  ASSERT_EQ(AUD_SUCCESS, dapi_new_env(env, &dapi));
  EXPECT_EQ(env, dapi_get_env(dapi));
  EXPECT_EQ(nullptr, dapi->global_env);
  dapi_delete_env(dapi);
  EXPECT_EQ(nullptr, aud_env_get_context(env));
  EXPECT_NE(nullptr, aud_env_get_event_loop(env));
  EXPECT_EQ(AUD_SUCCESS, aud_env_delete(env));
}

TEST(DapiInstance, TheConfigurationReachesTheDomainHandler) {
  dapi_config_t *config = nullptr;
  ASSERT_EQ(AUD_SUCCESS, dapi_config_new(&config));
  EXPECT_EQ(DAPI_ENVIRONMENT__STANDALONE,
            dapi_config_get_domain_handler_config(config)->environment);
  dapi_config_get_domain_handler_config(config)->environment = DAPI_ENVIRONMENT__EMBEDDED;
  dapi_t *dapi = nullptr;
  ASSERT_EQ(AUD_SUCCESS, dapi_new_config(config, &dapi));
  dapi_config_delete(config);
  dapi_component_t *c = dapi_component_new(dapi_get_core(dapi), nullptr, nullptr, nullptr);
  EXPECT_EQ(DAPI_ENVIRONMENT__EMBEDDED, dapi_component_get_dapi_environment(c));
  dapi_component_delete(c);
  dapi_delete(dapi);
}

TEST(DapiInstance, VersionTextsAreFixed) {
  EXPECT_STREQ("4.7.0.6", dapi_version_info__version_str());
  EXPECT_STREQ("armv7", dapi_version_info__platform_str());
  EXPECT_STREQ("STANDALONE", dapi_version_info__variant_str());
}

TEST(DapiInstance, AComponentLeftAtDeletionIsDetachedAndCanStillBeDeleted) {
  dapi_t *dapi = nullptr;
  ASSERT_EQ(AUD_SUCCESS, dapi_new(&dapi));
  dapi_component_t *c = dapi_component_new(dapi_get_core(dapi), nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, c);
  dapi_ddp_component *endpoint = dapi_component_get_ddp_component(c);
  dapi_delete(dapi);
  const uint8_t byte = 1;
  EXPECT_EQ(AUD_ERR_NOTCONN, dapi_ddp_component_send(endpoint, &byte, 1));
  dapi_component_delete(c);
}

// ---------------------------------------------------------------------------------
// Runtime.

TEST(DelosRuntime, WithNothingScheduledTheTimeoutIsSixtySeconds) {
  Instance i;
  aud_utime_t timeout{-1, -1};
  ASSERT_EQ(AUD_SUCCESS, delos_runtime_get_sockets_and_timeout(i.runtime(), nullptr, &timeout));
  EXPECT_EQ(60, timeout.tv_sec);
  EXPECT_EQ(0, timeout.tv_usec);
}

aud_error_t count_timer(aud_event_cause_t, aud_timer_event_t *event) {
  (*static_cast<int *>(aud_timer_event_user(event)))++;
  return AUD_SUCCESS;
}

TEST(DelosRuntime, WithATimerAlreadyDueTheTimeoutIsZero) {
  Instance i;
  int fired = 0;
  const aud_utime_t past{1, 0};
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_timer_add_single(i.loop(), count_timer, &past, nullptr,
                                                         &fired, nullptr));
  aud_utime_t timeout{-1, -1};
  ASSERT_EQ(AUD_SUCCESS, delos_runtime_get_sockets_and_timeout(i.runtime(), nullptr, &timeout));
  EXPECT_EQ(0, timeout.tv_sec);
  EXPECT_EQ(0, timeout.tv_usec);
  ASSERT_EQ(AUD_SUCCESS, delos_runtime_process_with_sockets(i.runtime(), nullptr));
  EXPECT_EQ(1, fired);
}

aud_error_t count_work(aud_event_cause_t, aud_event_loop_t *, uint32_t, void *user) {
  (*static_cast<int *>(user))++;
  return AUD_SUCCESS;
}

aud_error_t count_poll(aud_event_cause_t, aud_poll_event_t *event) {
  (*static_cast<int *>(aud_poll_event_user(event)))++;
  return AUD_SUCCESS;
}

TEST(DelosRuntime, WithoutSocketsAPassStillRunsDeferredWorkTimersAndPolls) {
  Instance i;
  int work = 0, fired = 0, polled = 0;
  const aud_utime_t past{1, 0};
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(i.loop(), nullptr, count_work, &work));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_timer_add_single(i.loop(), count_timer, &past, nullptr,
                                                         &fired, nullptr));
  aud_poll_event_t *poll = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_poll_add(i.loop(), count_poll, &polled, &poll));
  ASSERT_EQ(AUD_SUCCESS, delos_runtime_process_with_sockets(i.runtime(), nullptr));
  EXPECT_EQ(1, work);
  EXPECT_EQ(1, fired);
  EXPECT_EQ(1, polled);
  EXPECT_EQ(AUD_SUCCESS, aud_poll_event_remove(poll));
}

struct Reentry {
  delos_runtime_t *runtime;
  aud_error_t nested = AUD_SUCCESS;
  int calls = 0;
};

aud_error_t reenter(aud_event_cause_t, aud_socket_t s, aud_socket_event_type_t, void *user) {
  Reentry *r = static_cast<Reentry *>(user);
  r->calls++;
  char c;
  EXPECT_EQ(1, read(s, &c, 1));
  r->nested = delos_runtime_process_with_sockets(r->runtime, nullptr);
  return AUD_SUCCESS;
}

TEST(DelosRuntime, ProcessingFromInsideItsOwnCallbackIsRefusedAndRunsNothing) {
  Instance i;
  int fds[2];
  ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_DGRAM, 0, fds));
  Reentry r{i.runtime()};
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(i.loop(), fds[0], AUD_SOCKET_EVENT_TYPE_READ, reenter, &r,
                                         AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  int work = 0;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(i.loop(), nullptr, count_work, &work));
  ASSERT_EQ(1, write(fds[1], "x", 1));
  delos_sockets_t sockets{};
  FD_SET(fds[0], &sockets.read_fds);
  sockets.n = fds[0] + 1;
  ASSERT_EQ(AUD_SUCCESS, delos_runtime_process_with_sockets(i.runtime(), &sockets));
  EXPECT_EQ(1, r.calls);
  EXPECT_EQ(AUD_ERR_INVALIDSTATE, r.nested);
  // The queued work ran once, in the outer pass, not in the refused nested one.
  EXPECT_EQ(1, work);
  EXPECT_FALSE(FD_ISSET(fds[0], &sockets.read_fds));
  close(fds[0]);
  close(fds[1]);
}

aud_error_t ignore_socket(aud_event_cause_t, aud_socket_t, aud_socket_event_type_t, void *) {
  return AUD_SUCCESS;
}

TEST(DelosRuntime, RegisteredSocketsAreGatheredIntoTheCallersSets) {
  Instance i;
  int fds[2];
  ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_DGRAM, 0, fds));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_socket_update(i.loop(), fds[0], AUD_SOCKET_EVENT_TYPE_READ,
                                                      ignore_socket, nullptr,
                                                      AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_socket_update(i.loop(), fds[1], AUD_SOCKET_EVENT_TYPE_WRITE,
                                                      ignore_socket, nullptr,
                                                      AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  EXPECT_EQ(AUD_TRUE, delos_runtime_sockets_have_changed(i.runtime()));
  delos_sockets_t sockets{};
  ASSERT_EQ(AUD_SUCCESS, delos_runtime_get_sockets_and_timeout(i.runtime(), &sockets, nullptr));
  EXPECT_TRUE(FD_ISSET(fds[0], &sockets.read_fds));
  EXPECT_FALSE(FD_ISSET(fds[1], &sockets.read_fds));
  EXPECT_TRUE(FD_ISSET(fds[1], &sockets.write_fds));
  EXPECT_EQ(std::max(fds[0], fds[1]) + 1, sockets.n);
  EXPECT_EQ(AUD_FALSE, delos_runtime_sockets_have_changed(i.runtime()));
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(i.loop(), fds[0], AUD_SOCKET_EVENT_TYPE_READ, nullptr,
                                         nullptr, AUD_EVENT_LOOP_UPDATE_MUST_EXIST));
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(i.loop(), fds[1], AUD_SOCKET_EVENT_TYPE_WRITE, nullptr,
                                         nullptr, AUD_EVENT_LOOP_UPDATE_MUST_EXIST));
  close(fds[0]);
  close(fds[1]);
}

TEST(DelosRuntime, NullArgumentsAreRefused) {
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, delos_runtime_process_with_sockets(nullptr, nullptr));
  EXPECT_EQ(AUD_ERR_NOTINITIALISED, delos_runtime_delete(nullptr));
  EXPECT_EQ(AUD_FALSE, delos_runtime_sockets_have_changed(nullptr));
  delos_runtime_t *runtime = nullptr;
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, delos_runtime_new(nullptr, &runtime));
}

TEST(DelosRuntime, ARuntimeOnAnEnvironmentWithoutLoopGivesItAnOwnedOne) {
  aud_env_t *env = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_env_new(0, &env));
  delos_runtime_t *runtime = nullptr;
  ASSERT_EQ(AUD_SUCCESS, delos_runtime_new(env, &runtime));
  EXPECT_NE(nullptr, aud_env_get_event_loop(env));
  EXPECT_TRUE(env->flags & AUD_ENV_FLAG_LOCAL_EVENTS);
  EXPECT_EQ(AUD_SUCCESS, delos_runtime_delete(runtime));
  EXPECT_EQ(AUD_SUCCESS, aud_env_delete(env));
}

// ---------------------------------------------------------------------------------
// Components.

TEST(DapiComponents, IdsStartAtTwoAndAFreedIdIsReused) {
  Instance i;
  dapi_component_t *c[3];
  for (dapi_component_t *&component : c) {
    component = dapi_component_new(i.core(), nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, component);
  }
  EXPECT_EQ(2, dapi_component_get_id(c[0]));
  EXPECT_EQ(3, dapi_component_get_id(c[1]));
  EXPECT_EQ(4, dapi_component_get_id(c[2]));
  dapi_component_delete(c[1]);
  c[1] = dapi_component_new(i.core(), nullptr, nullptr, nullptr);
  EXPECT_EQ(3, dapi_component_get_id(c[1]));
  for (dapi_component_t *component : c) {
    dapi_component_delete(component);
  }
  EXPECT_EQ(0u, dapi_core_num_components(i.core()));
}

TEST(DapiComponents, ANewComponentFollowsTheUnmanagedDomainWithEventsOff) {
  Instance i;
  int owner = 0;
  dapi_component_t *c = dapi_component_new(i.core(), &owner, nullptr, nullptr);
  ASSERT_NE(nullptr, c);
  EXPECT_EQ(&owner, dapi_component_get_context(c));
  EXPECT_EQ(DAPI_ENVIRONMENT__STANDALONE, dapi_component_get_dapi_environment(c));
  EXPECT_EQ(AUD_TRUE, delos_domain_handler_is_pgid_unknown(dapi_component_get_domain_uuid(c)));
  EXPECT_EQ(5u, dapi_component_get_domain_policy(c));
  EXPECT_EQ(0xFFFFFFFFu, dapi_component_get_domain_access_policy(c));
  EXPECT_EQ(DAPI_CORE_DM_CONNECTION_STATE__DISCONNECTED, dapi_component_get_dm_connection_state(c));
  EXPECT_EQ(AUD_FALSE, dapi_component_is_domain_changing(c));
  EXPECT_EQ(AUD_FALSE, static_cast<dapi_core_component *>(c)->events_enabled);
  EXPECT_NE(nullptr, dapi_component_get_ddp_component(c));
  dapi_component_delete(c);
}

TEST(DapiComponents, ABoundedIdRangeRunsOutAndShiftsWithItsBase) {
  Instance i;
  ASSERT_EQ(AUD_SUCCESS, dapi_core_set_component_id_bounds(i.core(), 100, 3));
  dapi_component_t *a = dapi_component_new(i.core(), nullptr, nullptr, nullptr);
  dapi_component_t *b = dapi_component_new(i.core(), nullptr, nullptr, nullptr);
  EXPECT_EQ(101, dapi_component_get_id(a));
  EXPECT_EQ(102, dapi_component_get_id(b));
  EXPECT_EQ(nullptr, dapi_component_new(i.core(), nullptr, nullptr, nullptr));
  ASSERT_EQ(AUD_SUCCESS, dapi_core_set_component_id_bounds(i.core(), 200, 3));
  EXPECT_EQ(201, dapi_component_get_id(a));
  EXPECT_EQ(202, dapi_component_get_id(b));
  EXPECT_EQ(202, dapi_component_get_ddp_component(b)->id);
  dapi_component_delete(a);
  dapi_component_delete(b);
}

struct EventLog {
  std::vector<dapi_component_event_type_t> types = {};
  bool delete_self_on_changing = false;
  aud_bool_t changing_seen = AUD_FALSE;
  dapi_core_t *core = nullptr;
  unsigned int registered_after_delete = 0;
};

void log_event(dapi_component_t *component, const dapi_component_event_t *event) {
  EventLog *log = static_cast<EventLog *>(dapi_component_get_context(component));
  log->types.push_back(event->type);
  if (event->type == DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGING) {
    log->changing_seen = dapi_component_is_domain_changing(component);
    if (log->delete_self_on_changing) {
      dapi_component_delete(component);
      log->registered_after_delete = dapi_core_num_components(log->core);
    }
  }
}

dapi_component_t *listening_component(dapi_core_t *core, EventLog *log) {
  dapi_component_t *c = dapi_component_new(core, log, log_event, nullptr);
  EXPECT_NE(nullptr, c);
  EXPECT_EQ(AUD_SUCCESS, dapi_component_set_events_enable(c, AUD_TRUE));
  return c;
}

TEST(DapiFanOut, ANewDomainIsAnnouncedAsChangingThenChanged) {
  Instance i;
  EventLog log;
  dapi_component_t *c = listening_component(i.core(), &log);
  const dapi_core_domain_info_t managed = domain_with(0x11, 3, 1);
  ASSERT_EQ(AUD_SUCCESS, dapi_core_process_active_domain_changed(i.core(), &managed));
  EXPECT_EQ(
      (std::vector<dapi_component_event_type_t>{DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGING,
                                                DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGED}),
      log.types);
  EXPECT_EQ(AUD_TRUE, log.changing_seen);
  EXPECT_EQ(AUD_FALSE, dapi_component_is_domain_changing(c));
  EXPECT_EQ(0, delos_domain_uuid_cmp(&managed.uuid, dapi_component_get_domain_uuid(c)));
  EXPECT_EQ(3u, dapi_component_get_domain_policy(c));
  dapi_component_delete(c);
}

TEST(DapiFanOut, PolicyChangesInTheSameDomainAreAnnouncedOneByOne) {
  struct Case {
    const char *name;
    uint32_t domain_policy, access_policy;
    std::vector<dapi_component_event_type_t> expected;
  } cases[] = {
      {"nothing changed", 5, 0xFFFFFFFF, {}},
      {"domain policy", 1, 0xFFFFFFFF, {DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_POLICY_CHANGED}},
      {"access policy", 5, 1, {DAPI_COMPONENT_EVENT_TYPE_ACTIVE_ACCESS_POLICY_CHANGED}},
      {"both",
       4,
       0,
       {DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_POLICY_CHANGED,
        DAPI_COMPONENT_EVENT_TYPE_ACTIVE_ACCESS_POLICY_CHANGED}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Instance i;
    EventLog log;
    dapi_component_t *component = listening_component(i.core(), &log);
    const dapi_core_domain_info_t next = domain_with(0xFF, c.domain_policy, c.access_policy);
    ASSERT_EQ(AUD_SUCCESS, dapi_core_process_active_domain_changed(i.core(), &next));
    EXPECT_EQ(c.expected, log.types);
    dapi_component_delete(component);
  }
}

TEST(DapiFanOut, ComponentsWithEventsOffOrAFixedDomainHearNothing) {
  Instance i;
  EventLog quiet, fixed;
  dapi_component_t *a = dapi_component_new(i.core(), &quiet, log_event, nullptr);
  dapi_component_t *b = listening_component(i.core(), &fixed);
  const dapi_core_domain_info_t own = domain_with(0x22, 5, 1);
  ASSERT_EQ(AUD_SUCCESS, dapi_component_set_domain(b, &own));
  const dapi_core_domain_info_t managed = domain_with(0x11, 5, 1);
  ASSERT_EQ(AUD_SUCCESS, dapi_core_process_active_domain_changed(i.core(), &managed));
  EXPECT_TRUE(quiet.types.empty());
  EXPECT_TRUE(fixed.types.empty());
  EXPECT_EQ(0, delos_domain_uuid_cmp(&own.uuid, dapi_component_get_domain_uuid(b)));
  // Following again takes the handler's active domain: the unmanaged one.
  ASSERT_EQ(AUD_SUCCESS, dapi_component_set_domain(b, nullptr));
  EXPECT_EQ(AUD_TRUE, delos_domain_handler_is_pgid_unknown(dapi_component_get_domain_uuid(b)));
  dapi_component_delete(a);
  dapi_component_delete(b);
}

TEST(DapiFanOut, DeletingAComponentFromItsOwnEventCallbackWaitsForTheEndOfTheFanOut) {
  Instance i;
  EventLog leaving, staying;
  leaving.delete_self_on_changing = true;
  leaving.core = i.core();
  dapi_component_t *a = listening_component(i.core(), &leaving);
  dapi_component_t *b = listening_component(i.core(), &staying);
  const dapi_core_domain_info_t managed = domain_with(0x11, 5, 1);
  ASSERT_EQ(AUD_SUCCESS, dapi_core_process_active_domain_changed(i.core(), &managed));
  // The deleted component hears nothing after its own deletion; the other one hears all.
  EXPECT_EQ(
      (std::vector<dapi_component_event_type_t>{DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGING}),
      leaving.types);
  EXPECT_EQ(2u, staying.types.size());
  EXPECT_EQ(2u, leaving.registered_after_delete);
  EXPECT_EQ(1u, dapi_core_num_components(i.core()));
  (void)a;
  dapi_component_delete(b);
}

TEST(DapiFanOut, AConnectionChangeReachesOnlyComponentsWhoseStateDiffers) {
  Instance i;
  EventLog a_log, b_log;
  dapi_component_t *a = listening_component(i.core(), &a_log);
  dapi_component_t *b = listening_component(i.core(), &b_log);
  ASSERT_EQ(AUD_SUCCESS, dapi_core_process_dm_connection_changed(
                             i.core(), DAPI_CORE_DM_CONNECTION_STATE__CONNECTED));
  ASSERT_EQ(AUD_SUCCESS, dapi_core_process_dm_connection_changed(
                             i.core(), DAPI_CORE_DM_CONNECTION_STATE__CONNECTED));
  EXPECT_EQ(
      (std::vector<dapi_component_event_type_t>{DAPI_COMPONENT_EVENT_TYPE_DM_CONNECTION_CHANGED}),
      a_log.types);
  EXPECT_EQ(DAPI_CORE_DM_CONNECTION_STATE__CONNECTED, dapi_component_get_dm_connection_state(b));
  dapi_component_delete(a);
  dapi_component_delete(b);
}

TEST(DapiComponents, EventTypesHaveTheirNames) {
  EXPECT_STREQ("ACTIVE_DOMAIN_CHANGING", dapi_component_event_type_to_string(
                                             DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGING));
  EXPECT_STREQ("ACTIVE_DOMAIN_CHANGED", dapi_component_event_type_to_string(
                                            DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGED));
  EXPECT_STREQ("DM_CONNECTION_CHANGED", dapi_component_event_type_to_string(
                                            DAPI_COMPONENT_EVENT_TYPE_DM_CONNECTION_CHANGED));
  EXPECT_STREQ(
      "ACTIVE_DOMAIN_POLICY_CHANGED",
      dapi_component_event_type_to_string(DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_POLICY_CHANGED));
  EXPECT_STREQ(
      "ACTIVE_ACCESS_POLICY_CHANGED",
      dapi_component_event_type_to_string(DAPI_COMPONENT_EVENT_TYPE_ACTIVE_ACCESS_POLICY_CHANGED));
}

// ---------------------------------------------------------------------------------
// Domain-protocol traffic.

struct Inbox {
  std::vector<uint8_t> received = {};
};

void receive(dapi_component_t *component, const uint8_t *msg, size_t len) {
  static_cast<Inbox *>(dapi_component_get_context(component))->received.assign(msg, msg + len);
}

TEST(DapiDomainProtocol, AnInboundMessageReachesTheAddressedComponent) {
  Instance i;
  Inbox first, second;
  dapi_component_t *a = dapi_component_new(i.core(), &first, nullptr, receive);
  dapi_component_t *b = dapi_component_new(i.core(), &second, nullptr, receive);
  delos_domain_handler_t *h = dapi_get_domain_handler(i.dapi);
  const uint8_t payload[] = {0xDE, 0xAD};
  h->callbacks.process_inbound_packet(h->callbacks.context, dapi_component_get_id(b), payload,
                                      sizeof payload);
  EXPECT_TRUE(first.received.empty());
  EXPECT_EQ((std::vector<uint8_t>{0xDE, 0xAD}), second.received);
  EXPECT_EQ(AUD_ERR_NOTFOUND,
            dapi_ddp_demux_dispatch(dapi_get_ddp_demux(i.dapi), 999, payload, sizeof payload));
  dapi_component_delete(a);
  dapi_component_delete(b);
}

TEST(DapiDomainProtocol, SendingWithoutADomainManagerIsNotConnectedAndOversizeIsRefused) {
  Instance i;
  dapi_component_t *c = dapi_component_new(i.core(), nullptr, nullptr, nullptr);
  std::vector<uint8_t> big(DAPI_DDP_TX_BUFFER_SIZE + 1, 0);
  EXPECT_EQ(AUD_ERR_NOTCONN,
            dapi_ddp_component_send(dapi_component_get_ddp_component(c), big.data(), 10));
  EXPECT_EQ(AUD_ERR_MSGSIZE,
            dapi_ddp_component_send(dapi_component_get_ddp_component(c), big.data(), big.size()));
  aud_sockaddr_t address;
  EXPECT_EQ(AUD_ERR_NOTCONN, dapi_component_get_domain_address(c, "remote", &address));
  dapi_component_delete(c);
}

TEST(DomainHandler, ReportsTheUnmanagedDomainAndTheStandaloneRange) {
  Instance i;
  const delos_domain_handler_t *h = dapi_get_domain_handler(i.dapi);
  EXPECT_EQ(DAPI_ENVIRONMENT__STANDALONE, delos_domain_handler_get_dapi_environment(h));
  EXPECT_EQ(1, delos_domain_handler_get_base_component_id(h));
  EXPECT_EQ(0u, delos_domain_handler_get_max_num_component_ids(h));
  EXPECT_NE(DELOS_DOMAIN_HANDLER_STATE__CONNECTED, delos_domain_handler_get_state(h));
  dapi_core_domain_info_t d{};
  ASSERT_EQ(AUD_SUCCESS, delos_domain_handler_get_current_domain(h, &d));
  EXPECT_EQ(AUD_TRUE, delos_domain_handler_is_pgid_unknown(&d.uuid));
  EXPECT_EQ(DAPI_CORE_DOMAIN_POLICY_FLAG__BROWSE_ADHOC_DEVICES |
                DAPI_CORE_DOMAIN_POLICY_FLAG__BROWSE_SAP_SDP,
            d.domain_policy);
  EXPECT_EQ(0xFFFFFFFFu, d.access_policy);
}

TEST(DomainUuid, AllOnesIsUnknownAllZeroIsNoneAndComparisonIsBytewise) {
  delos_domain_uuid_t ones, zero, mixed;
  memset(ones.data, 0xFF, 16);
  memset(zero.data, 0, 16);
  memset(mixed.data, 0xFF, 16);
  mixed.data[15] = 0xFE;
  EXPECT_EQ(AUD_TRUE, delos_domain_handler_is_pgid_unknown(&ones));
  EXPECT_EQ(AUD_FALSE, delos_domain_handler_is_pgid_unknown(&mixed));
  EXPECT_EQ(AUD_TRUE, delos_domain_handler_is_pgid_none(&zero));
  EXPECT_EQ(AUD_FALSE, delos_domain_handler_is_pgid_none(&mixed));
  EXPECT_EQ(0, delos_domain_uuid_cmp(&ones, &ones));
  EXPECT_GT(delos_domain_uuid_cmp(&ones, &mixed), 0);
  EXPECT_LT(delos_domain_uuid_cmp(&zero, &mixed), 0);
}

}  // namespace
