// The component registry of an API instance and the component classes. Every Delos
// facility (conmon client, routing device set, browse session) registers one
// component, through which it learns the active domain, its policies and the
// domain-manager connection state, and receives domain events and domain-protocol
// messages. Main thread only; no locks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "api/aud_env.h"
#include "platform/aud_error.h"
#include "platform/aud_event_loop.h"
#include "platform/aud_socket.h"

// ---------------------------------------------------------------------------------
// Domains.

// A domain identifier: 16 bytes, also viewable as four 32-bit words.
union delos_domain_uuid {
  uint8_t data[16];
  uint32_t data32[4];
};
typedef delos_domain_uuid delos_domain_uuid_t;
static_assert(sizeof(delos_domain_uuid_t) == 16);

// memcmp of the 16 bytes: 0 when equal. Null sorts before everything else.
int delos_domain_uuid_cmp(const delos_domain_uuid_t *a, const delos_domain_uuid_t *b);
// Fills *uuid with 0xFF bytes: the unmanaged (ad-hoc) network.
void delos_domain_uuid_set_unmanaged(delos_domain_uuid_t *uuid);

#define DAPI_CORE_DOMAIN_POLICY_FLAG__BROWSE_ADHOC_DEVICES 1u
#define DAPI_CORE_DOMAIN_POLICY_FLAG__BROWSE_DOMAIN_DEVICES 2u
#define DAPI_CORE_DOMAIN_POLICY_FLAG__BROWSE_SAP_SDP 4u
#define DAPI_CORE_DOMAIN_POLICY_FLAG__BROWSE_DOMAIN_SDP 8u
// The unmanaged domain: ad-hoc devices and SAP/SDP streams, every access granted.
#define DAPI_CORE_DOMAIN_POLICY__UNMANAGED              \
  (DAPI_CORE_DOMAIN_POLICY_FLAG__BROWSE_ADHOC_DEVICES | \
   DAPI_CORE_DOMAIN_POLICY_FLAG__BROWSE_SAP_SDP)
#define DAPI_CORE_ACCESS_POLICY__ALL 0xFFFFFFFFu

// A domain and its policies.
struct dapi_core_domain_info {
  delos_domain_uuid_t uuid;
  uint32_t access_policy;
  uint32_t domain_policy;
};
typedef dapi_core_domain_info dapi_core_domain_info_t;

// The unmanaged domain: all-ones uuid, domain policy 5, every access bit.
void dapi_core_domain_info_init_unmanaged(dapi_core_domain_info_t *info);

typedef enum {
  DAPI_CORE_DM_CONNECTION_STATE__UNKNOWN = 0,
  DAPI_CORE_DM_CONNECTION_STATE__DISCONNECTED = 1,
  DAPI_CORE_DM_CONNECTION_STATE__CONNECTED = 2,
} dapi_core_dm_connection_state_t;

// The kind of environment the instance runs in.
typedef enum {
  DAPI_ENVIRONMENT__UNDEF = 0,
  DAPI_ENVIRONMENT__EMBEDDED = 1,
  DAPI_ENVIRONMENT__STANDALONE = 2,
} dapi_environment_t;

// ---------------------------------------------------------------------------------
// Component events.

typedef enum {
  DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGING = 0,
  DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGED = 1,
  DAPI_COMPONENT_EVENT_TYPE_DM_CONNECTION_CHANGED = 2,
  DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_POLICY_CHANGED = 3,
  DAPI_COMPONENT_EVENT_TYPE_ACTIVE_ACCESS_POLICY_CHANGED = 4,
} dapi_component_event_type_t;

struct dapi_component_event {
  dapi_component_event_type_t type;
  dapi_core_domain_info_t active_domain;
  dapi_core_dm_connection_state_t dm_connection_state;
};
typedef dapi_component_event dapi_component_event_t;

// "ACTIVE_DOMAIN_CHANGING", ... ; null for other values.
const char *dapi_component_event_type_to_string(dapi_component_event_type_t type);

// ---------------------------------------------------------------------------------
// Components.

typedef uint16_t dapi_component_id_t;
// Highest component id.
#define DAPI_COMPONENT_ID_MAX 32767u

class dapi_component;
typedef dapi_component dapi_component_t;
struct dapi_ddp_component;
struct dapi_ddp_demux;
struct dapi_core;
typedef dapi_core dapi_core_t;

// Called on the main thread with a domain event. The component may be deleted from
// inside (the deletion completes when the fan-out ends).
typedef void (*dapi_component_on_event_fn)(dapi_component_t *component,
                                           const dapi_component_event_t *event);
// Called with an inbound domain-protocol message addressed to the component.
typedef void (*dapi_component_on_recv_msg_fn)(dapi_component_t *component, const uint8_t *msg,
                                              size_t len);

// The interface every component offers, in slot order.
class dapi_component {
 public:
  virtual ~dapi_component() = default;
  virtual void *get_context() const = 0;
  virtual std::shared_ptr<dapi_ddp_component> get_ddp_component() const = 0;
  virtual const delos_domain_uuid_t *get_domain_uuid() const = 0;
  virtual uint32_t get_domain_policy() const = 0;
  virtual uint32_t get_domain_access_policy() const = 0;
  virtual dapi_core_dm_connection_state_t get_dm_connection_state() const = 0;
  virtual aud_bool_t is_domain_changing() const = 0;
  virtual dapi_environment_t get_dapi_environment() const = 0;
  virtual dapi_component_id_t get_id() const = 0;
  virtual void set_events_enable(aud_bool_t enable) = 0;
  virtual void set_id(dapi_component_id_t id) = 0;
  virtual aud_error_t get_domain_address(const char *remote, aud_sockaddr_t *address) const = 0;
  virtual void set_callbacks(void *context, dapi_component_on_event_fn on_event,
                             dapi_component_on_recv_msg_fn on_recv_msg) = 0;
};

// The state every component keeps.
class dapi_component_common : public dapi_component {
 public:
  dapi_environment_t dapi_env = DAPI_ENVIRONMENT__UNDEF;
  dapi_component_id_t id = 0;
  void *context = nullptr;  // the owner object
  std::shared_ptr<dapi_ddp_component> ddp;
  dapi_core_domain_info_t domain = {};
  dapi_core_dm_connection_state_t dm_connection_state = DAPI_CORE_DM_CONNECTION_STATE__UNKNOWN;
  dapi_component_on_event_fn on_event = nullptr;
  dapi_component_on_recv_msg_fn on_recv_msg = nullptr;
  aud_bool_t events_enabled = AUD_FALSE;
  aud_bool_t domain_changing = AUD_FALSE;

  // Detaches the domain-protocol endpoint, which may outlive the component.
  ~dapi_component_common() override;
  void *get_context() const override;
  std::shared_ptr<dapi_ddp_component> get_ddp_component() const override;
  const delos_domain_uuid_t *get_domain_uuid() const override;
  uint32_t get_domain_policy() const override;
  uint32_t get_domain_access_policy() const override;
  dapi_core_dm_connection_state_t get_dm_connection_state() const override;
  aud_bool_t is_domain_changing() const override;
  dapi_environment_t get_dapi_environment() const override;
  dapi_component_id_t get_id() const override;
  void set_events_enable(aud_bool_t enable) override;
  void set_id(dapi_component_id_t new_id) override;
  // AUD_ERR_NOTSUPPORTED: a plain component knows no domain addresses.
  aud_error_t get_domain_address(const char *remote, aud_sockaddr_t *address) const override;
  void set_callbacks(void *owner, dapi_component_on_event_fn event_fn,
                     dapi_component_on_recv_msg_fn recv_fn) override;
};

// Bit 0 of tracking_flags: the component follows the instance's active domain.
#define DAPI_CORE_COMPONENT_TRACKING_FLAG__ACTIVE_DOMAIN 1u

// A component registered with a registry.
class dapi_core_component : public dapi_component_common {
 public:
  dapi_core_t *dapi = nullptr;  // the owning registry; null once detached
  aud_list_node_t list = {};    // node in the registry's list
  uint16_t tracking_flags = 0;
  aud_bool_t marked_for_deletion = AUD_FALSE;

  // Asks the registry's context (AUD_ERR_NOTSUPPORTED without one).
  aud_error_t get_domain_address(const char *remote, aud_sockaddr_t *address) const override;
  void set_id(dapi_component_id_t new_id) override;
};

// ---------------------------------------------------------------------------------
// Registry.

struct s_dapi_core_component_id {
  dapi_component_id_t base;
  dapi_component_id_t max;
  dapi_component_id_t next;
};

// What the registry asks of its owner (the instance); any callback may be null.
struct dapi_core_context {
  void *context;
  dapi_environment_t (*get_dapi_environment)(void *context);
  dapi_ddp_demux *(*get_ddp_demux)(void *context);
  aud_error_t (*get_active_domain_info)(void *context, dapi_core_domain_info_t *info);
  aud_error_t (*get_domain_address)(void *context, const char *remote, aud_sockaddr_t *address);
  dapi_core_dm_connection_state_t (*get_dm_connection_state)(void *context);
};
typedef dapi_core_context dapi_core_context_t;

struct dapi_core {
  aud_env_t *env;
  aud_list_t components;  // registration order
  s_dapi_core_component_id component_id;
  dapi_core_context_t context;
  aud_bool_t processing;  // true while events are fanned out
};

// Initialises the registry on env (which gets the registry as its context) with the
// owner's callbacks (copied; null means none) and the id range base 1, 0 ids.
aud_error_t dapi_core_init(dapi_core_t *core, aud_env_t *env, const dapi_core_context_t *context);
// Ends the registry. AUD_ERR_INVALIDSTATE while components remain (nothing changes).
aud_error_t dapi_core_terminate(dapi_core_t *core);
// Unregisters every remaining component without deleting it: each keeps working
// as a detached object until its owner deletes it. Used when the registry must go
// while owners still hold components.
void dapi_core_detach_components(dapi_core_t *core);
// Sets base, next = base + 1 and max = base + num_ids - 1 (32767 when num_ids is 0
// or the sum passes it); shifts every registered id by the change of base.
aud_error_t dapi_core_set_component_id_bounds(dapi_core_t *core, dapi_component_id_t base,
                                              uint32_t num_ids);
// The registry an environment carries as its context, or null.
dapi_core_t *dapi_core_from_env(const aud_env_t *env);
// Number of registered components (marked ones included until the fan-out ends).
unsigned int dapi_core_num_components(const dapi_core_t *core);

// Fan-out of a new active domain to every component that follows it: CHANGING then
// CHANGED for a new uuid, else POLICY_CHANGED / ACCESS_POLICY_CHANGED for changed
// policies. Components deleted meanwhile are deleted when it ends.
aud_error_t dapi_core_process_active_domain_changed(dapi_core_t *core,
                                                    const dapi_core_domain_info_t *domain);
// Delivers DM_CONNECTION_CHANGED to every component whose stored state differs.
aud_error_t dapi_core_process_dm_connection_changed(dapi_core_t *core,
                                                    dapi_core_dm_connection_state_t state);

// ---------------------------------------------------------------------------------
// Component functions. All accept a null component: getters then answer null, 0,
// false or the UNDEF/UNKNOWN value, operations AUD_ERR_INVALIDPARAMETER.

// A component registered with `core` (the lowest free id from the range's next on),
// following the active domain, with its domain-protocol endpoint; events start
// disabled. Null when core is null, the id range is exhausted or memory runs out.
dapi_component_t *dapi_component_new(dapi_core_t *core, void *context,
                                     dapi_component_on_event_fn on_event,
                                     dapi_component_on_recv_msg_fn on_recv_msg);
// Unregisters and frees the component; from inside an event fan-out the deletion
// completes when the fan-out ends (no more events reach it meanwhile). Null is ignored.
void dapi_component_delete(dapi_component_t *component);
// A null domain makes the component follow the active domain again (taking it now);
// otherwise the component keeps `domain` and stops following.
aud_error_t dapi_component_set_domain(dapi_component_t *component,
                                      const dapi_core_domain_info_t *domain);

void *dapi_component_get_context(const dapi_component_t *component);
dapi_ddp_component *dapi_component_get_ddp_component(const dapi_component_t *component);
const delos_domain_uuid_t *dapi_component_get_domain_uuid(const dapi_component_t *component);
uint32_t dapi_component_get_domain_policy(const dapi_component_t *component);
uint32_t dapi_component_get_domain_access_policy(const dapi_component_t *component);
dapi_core_dm_connection_state_t dapi_component_get_dm_connection_state(
    const dapi_component_t *component);
aud_bool_t dapi_component_is_domain_changing(const dapi_component_t *component);
dapi_environment_t dapi_component_get_dapi_environment(const dapi_component_t *component);
dapi_component_id_t dapi_component_get_id(const dapi_component_t *component);
aud_error_t dapi_component_set_events_enable(dapi_component_t *component, aud_bool_t enable);
aud_error_t dapi_component_set_id(dapi_component_t *component, dapi_component_id_t id);
aud_error_t dapi_component_get_domain_address(const dapi_component_t *component, const char *remote,
                                              aud_sockaddr_t *address);
aud_error_t dapi_component_set_callbacks(dapi_component_t *component, void *context,
                                         dapi_component_on_event_fn on_event,
                                         dapi_component_on_recv_msg_fn on_recv_msg);
