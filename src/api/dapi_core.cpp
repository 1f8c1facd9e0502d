#include "api/dapi_core.h"

#include <cstring>
#include <new>

#include "api/dapi_ddp.h"

// ---------------------------------------------------------------------------------
// Domains.

int delos_domain_uuid_cmp(const delos_domain_uuid_t *a, const delos_domain_uuid_t *b) {
  if (!a || !b) {
    return a == b ? 0 : (a ? 1 : -1);
  }
  return memcmp(a->data, b->data, sizeof a->data);
}

void delos_domain_uuid_set_unmanaged(delos_domain_uuid_t *uuid) {
  if (uuid) {
    memset(uuid->data, 0xFF, sizeof uuid->data);
  }
}

void dapi_core_domain_info_init_unmanaged(dapi_core_domain_info_t *info) {
  if (!info) {
    return;
  }
  delos_domain_uuid_set_unmanaged(&info->uuid);
  info->domain_policy = DAPI_CORE_DOMAIN_POLICY__UNMANAGED;
  info->access_policy = DAPI_CORE_ACCESS_POLICY__ALL;
}

const char *dapi_component_event_type_to_string(dapi_component_event_type_t type) {
  switch (type) {
    case DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGING:
      return "ACTIVE_DOMAIN_CHANGING";
    case DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGED:
      return "ACTIVE_DOMAIN_CHANGED";
    case DAPI_COMPONENT_EVENT_TYPE_DM_CONNECTION_CHANGED:
      return "DM_CONNECTION_CHANGED";
    case DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_POLICY_CHANGED:
      return "ACTIVE_DOMAIN_POLICY_CHANGED";
    case DAPI_COMPONENT_EVENT_TYPE_ACTIVE_ACCESS_POLICY_CHANGED:
      return "ACTIVE_ACCESS_POLICY_CHANGED";
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------
// Component classes.

dapi_component_common::~dapi_component_common() {
  if (ddp) {
    ddp->component = nullptr;
  }
}

void *dapi_component_common::get_context() const { return context; }

std::shared_ptr<dapi_ddp_component> dapi_component_common::get_ddp_component() const { return ddp; }

const delos_domain_uuid_t *dapi_component_common::get_domain_uuid() const { return &domain.uuid; }

uint32_t dapi_component_common::get_domain_policy() const { return domain.domain_policy; }

uint32_t dapi_component_common::get_domain_access_policy() const { return domain.access_policy; }

dapi_core_dm_connection_state_t dapi_component_common::get_dm_connection_state() const {
  return dm_connection_state;
}

aud_bool_t dapi_component_common::is_domain_changing() const { return domain_changing; }

dapi_environment_t dapi_component_common::get_dapi_environment() const { return dapi_env; }

dapi_component_id_t dapi_component_common::get_id() const { return id; }

void dapi_component_common::set_events_enable(aud_bool_t enable) {
  events_enabled = enable ? AUD_TRUE : AUD_FALSE;
}

void dapi_component_common::set_id(dapi_component_id_t new_id) {
  id = new_id;
  if (ddp) {
    ddp->id = new_id;
  }
}

aud_error_t dapi_component_common::get_domain_address(const char *, aud_sockaddr_t *) const {
  return AUD_ERR_NOTSUPPORTED;
}

void dapi_component_common::set_callbacks(void *owner, dapi_component_on_event_fn event_fn,
                                          dapi_component_on_recv_msg_fn recv_fn) {
  context = owner;
  on_event = event_fn;
  on_recv_msg = recv_fn;
}

aud_error_t dapi_core_component::get_domain_address(const char *remote,
                                                    aud_sockaddr_t *address) const {
  if (!dapi || !dapi->context.get_domain_address) {
    return AUD_ERR_NOTSUPPORTED;
  }
  return dapi->context.get_domain_address(dapi->context.context, remote, address);
}

void dapi_core_component::set_id(dapi_component_id_t new_id) {
  dapi_component_common::set_id(new_id);
}

// ---------------------------------------------------------------------------------
// Registry.

namespace {

dapi_core_component *component_of(aud_list_node_t *node) {
  return static_cast<dapi_core_component *>(node->item);
}

bool id_taken(const dapi_core_t *core, dapi_component_id_t id) {
  for (aud_list_node_t *n = core->components.head; n; n = n->next) {
    if (component_of(n)->id == id) {
      return true;
    }
  }
  return false;
}

// The lowest free id from `next` on, wrapping from `max` to base + 1. Ids are never
// 0 or the base itself.
aud_error_t allocate_id(const dapi_core_t *core, dapi_component_id_t *out) {
  const s_dapi_core_component_id &r = core->component_id;
  const uint32_t first = static_cast<uint32_t>(r.base) + 1;
  if (r.next < first || r.next > r.max) {
    return AUD_ERR_NOMEMORY;
  }
  uint32_t id = r.next;
  do {
    if (id != 0 && id != r.base && !id_taken(core, static_cast<dapi_component_id_t>(id))) {
      *out = static_cast<dapi_component_id_t>(id);
      return AUD_SUCCESS;
    }
    id = id >= r.max ? first : id + 1;
  } while (id != r.next);
  return AUD_ERR_NOMEMORY;
}

void core_release(void *context) {
  dapi_core_detach_components(static_cast<dapi_core_t *>(context));
}

void deliver(dapi_core_component *c, dapi_component_event_type_t type,
             const dapi_core_domain_info_t &domain) {
  if (c->marked_for_deletion || !c->events_enabled || !c->on_event) {
    return;
  }
  dapi_component_event_t event{};
  event.type = type;
  event.active_domain = domain;
  event.dm_connection_state = c->dm_connection_state;
  c->on_event(c, &event);
}

void delete_marked(dapi_core_t *core) {
  aud_list_node_t *n = core->components.head;
  while (n) {
    dapi_core_component *c = component_of(n);
    n = n->next;
    if (c->marked_for_deletion) {
      aud_list_remove(&c->list);
      c->dapi = nullptr;
      delete c;
    }
  }
}

// Starts a fan-out; answers whether this call is the outermost one, which alone
// may delete marked components (an inner fan-out from an event callback must not
// free components the outer walk still stands on).
bool fan_out_begin(dapi_core_t *core) {
  const bool outer = !core->processing;
  core->processing = AUD_TRUE;
  return outer;
}

void fan_out_end(dapi_core_t *core, bool outer) {
  if (outer) {
    core->processing = AUD_FALSE;
    delete_marked(core);
  }
}

}  // namespace

aud_error_t dapi_core_init(dapi_core_t *core, aud_env_t *env, const dapi_core_context_t *context) {
  if (!core) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  *core = dapi_core_t{};
  core->env = env;
  aud_list_init(&core->components);
  if (context) {
    core->context = *context;
  }
  dapi_core_set_component_id_bounds(core, 1, 0);
  if (env) {
    aud_env_set_context(env, core, core_release);
  }
  return AUD_SUCCESS;
}

aud_error_t dapi_core_terminate(dapi_core_t *core) {
  if (!core) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (core->components.count > 0) {
    return AUD_ERR_INVALIDSTATE;
  }
  if (core->env && aud_env_get_context(core->env) == core) {
    aud_env_set_context(core->env, nullptr, nullptr);
  }
  core->env = nullptr;
  return AUD_SUCCESS;
}

void dapi_core_detach_components(dapi_core_t *core) {
  if (!core) {
    return;
  }
  while (core->components.head) {
    dapi_core_component *c = component_of(core->components.head);
    aud_list_remove(&c->list);
    c->dapi = nullptr;
    if (c->marked_for_deletion) {
      delete c;
    } else if (c->ddp) {
      c->ddp->demux = nullptr;
    }
  }
}

aud_error_t dapi_core_set_component_id_bounds(dapi_core_t *core, dapi_component_id_t base,
                                              uint32_t num_ids) {
  if (!core || base > DAPI_COMPONENT_ID_MAX) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  const uint32_t end = static_cast<uint32_t>(base) + num_ids - 1;
  const dapi_component_id_t old_base = core->component_id.base;
  core->component_id.base = base;
  core->component_id.next = static_cast<dapi_component_id_t>(base + 1);
  core->component_id.max = static_cast<dapi_component_id_t>(
      num_ids == 0 || end > DAPI_COMPONENT_ID_MAX ? DAPI_COMPONENT_ID_MAX : end);
  if (base != old_base) {
    for (aud_list_node_t *n = core->components.head; n; n = n->next) {
      dapi_core_component *c = component_of(n);
      c->set_id(static_cast<dapi_component_id_t>(c->id + base - old_base));
    }
  }
  return AUD_SUCCESS;
}

dapi_core_t *dapi_core_from_env(const aud_env_t *env) {
  if (!env || env->__context_release_fn != core_release) {
    return nullptr;
  }
  return static_cast<dapi_core_t *>(env->__context);
}

unsigned int dapi_core_num_components(const dapi_core_t *core) {
  return core ? core->components.count : 0;
}

aud_error_t dapi_core_process_active_domain_changed(dapi_core_t *core,
                                                    const dapi_core_domain_info_t *domain) {
  if (!core || !domain) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  const dapi_core_domain_info_t next = *domain;
  const bool outer = fan_out_begin(core);
  // Deletions during the walk only mark components, so the next node stays valid.
  for (aud_list_node_t *n = core->components.head; n; n = n->next) {
    dapi_core_component *c = component_of(n);
    if (c->marked_for_deletion ||
        !(c->tracking_flags & DAPI_CORE_COMPONENT_TRACKING_FLAG__ACTIVE_DOMAIN)) {
      continue;
    }
    if (delos_domain_uuid_cmp(&c->domain.uuid, &next.uuid) != 0) {
      c->domain_changing = AUD_TRUE;
      deliver(c, DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGING, next);
      c->domain = next;
      c->domain_changing = AUD_FALSE;
      deliver(c, DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_CHANGED, next);
      continue;
    }
    const bool policy = c->domain.domain_policy != next.domain_policy;
    const bool access = c->domain.access_policy != next.access_policy;
    c->domain = next;
    if (policy) {
      deliver(c, DAPI_COMPONENT_EVENT_TYPE_ACTIVE_DOMAIN_POLICY_CHANGED, next);
    }
    if (access) {
      deliver(c, DAPI_COMPONENT_EVENT_TYPE_ACTIVE_ACCESS_POLICY_CHANGED, next);
    }
  }
  fan_out_end(core, outer);
  return AUD_SUCCESS;
}

aud_error_t dapi_core_process_dm_connection_changed(dapi_core_t *core,
                                                    dapi_core_dm_connection_state_t state) {
  if (!core) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  const bool outer = fan_out_begin(core);
  for (aud_list_node_t *n = core->components.head; n; n = n->next) {
    dapi_core_component *c = component_of(n);
    if (c->marked_for_deletion || c->dm_connection_state == state) {
      continue;
    }
    c->dm_connection_state = state;
    deliver(c, DAPI_COMPONENT_EVENT_TYPE_DM_CONNECTION_CHANGED, c->domain);
  }
  fan_out_end(core, outer);
  return AUD_SUCCESS;
}

// ---------------------------------------------------------------------------------
// Component functions.

namespace {

void take_active_domain(const dapi_core_t *core, dapi_core_domain_info_t *out) {
  dapi_core_domain_info_t info;
  if (core && core->context.get_active_domain_info &&
      core->context.get_active_domain_info(core->context.context, &info) == AUD_SUCCESS) {
    *out = info;
  } else {
    dapi_core_domain_info_init_unmanaged(out);
  }
}

}  // namespace

dapi_component_t *dapi_component_new(dapi_core_t *core, void *context,
                                     dapi_component_on_event_fn on_event,
                                     dapi_component_on_recv_msg_fn on_recv_msg) {
  if (!core) {
    return nullptr;
  }
  dapi_core_component *c = new (std::nothrow) dapi_core_component();
  if (!c) {
    return nullptr;
  }
  const dapi_core_context_t &ctx = core->context;
  c->dapi_env =
      ctx.get_dapi_environment ? ctx.get_dapi_environment(ctx.context) : DAPI_ENVIRONMENT__UNDEF;
  c->tracking_flags = DAPI_CORE_COMPONENT_TRACKING_FLAG__ACTIVE_DOMAIN;
  take_active_domain(core, &c->domain);
  c->dm_connection_state = ctx.get_dm_connection_state
                               ? ctx.get_dm_connection_state(ctx.context)
                               : DAPI_CORE_DM_CONNECTION_STATE__DISCONNECTED;
  dapi_component_id_t id = 0;
  if (allocate_id(core, &id) != AUD_SUCCESS) {
    delete c;
    return nullptr;
  }
  c->id = id;
  c->dapi = core;
  c->list.item = c;
  aud_list_append(&core->components, &c->list);
  dapi_ddp_demux_t *demux = ctx.get_ddp_demux ? ctx.get_ddp_demux(ctx.context) : nullptr;
  if (demux) {
    c->ddp = dapi_ddp_component_new(demux, id, c);
    if (!c->ddp) {
      aud_list_remove(&c->list);
      delete c;
      return nullptr;
    }
  }
  c->set_callbacks(context, on_event, on_recv_msg);
  return c;
}

void dapi_component_delete(dapi_component_t *component) {
  if (!component) {
    return;
  }
  dapi_core_component *c = dynamic_cast<dapi_core_component *>(component);
  if (!c) {
    delete component;
    return;
  }
  if (c->dapi && c->dapi->processing) {
    // The fan-out may still stand on this component; it is deleted when it ends.
    c->marked_for_deletion = AUD_TRUE;
    return;
  }
  aud_list_remove(&c->list);
  delete c;
}

aud_error_t dapi_component_set_domain(dapi_component_t *component,
                                      const dapi_core_domain_info_t *domain) {
  dapi_component_common *c = dynamic_cast<dapi_component_common *>(component);
  if (!c) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  dapi_core_component *cc = dynamic_cast<dapi_core_component *>(component);
  if (domain) {
    c->domain = *domain;
    if (cc) {
      cc->tracking_flags &=
          static_cast<uint16_t>(~DAPI_CORE_COMPONENT_TRACKING_FLAG__ACTIVE_DOMAIN);
    }
    return AUD_SUCCESS;
  }
  take_active_domain(cc ? cc->dapi : nullptr, &c->domain);
  if (cc) {
    cc->tracking_flags |= DAPI_CORE_COMPONENT_TRACKING_FLAG__ACTIVE_DOMAIN;
  }
  return AUD_SUCCESS;
}

void *dapi_component_get_context(const dapi_component_t *component) {
  return component ? component->get_context() : nullptr;
}

dapi_ddp_component *dapi_component_get_ddp_component(const dapi_component_t *component) {
  return component ? component->get_ddp_component().get() : nullptr;
}

const delos_domain_uuid_t *dapi_component_get_domain_uuid(const dapi_component_t *component) {
  return component ? component->get_domain_uuid() : nullptr;
}

uint32_t dapi_component_get_domain_policy(const dapi_component_t *component) {
  return component ? component->get_domain_policy() : 0;
}

uint32_t dapi_component_get_domain_access_policy(const dapi_component_t *component) {
  return component ? component->get_domain_access_policy() : 0;
}

dapi_core_dm_connection_state_t dapi_component_get_dm_connection_state(
    const dapi_component_t *component) {
  return component ? component->get_dm_connection_state() : DAPI_CORE_DM_CONNECTION_STATE__UNKNOWN;
}

aud_bool_t dapi_component_is_domain_changing(const dapi_component_t *component) {
  return component ? component->is_domain_changing() : AUD_FALSE;
}

dapi_environment_t dapi_component_get_dapi_environment(const dapi_component_t *component) {
  return component ? component->get_dapi_environment() : DAPI_ENVIRONMENT__UNDEF;
}

dapi_component_id_t dapi_component_get_id(const dapi_component_t *component) {
  return component ? component->get_id() : 0;
}

aud_error_t dapi_component_set_events_enable(dapi_component_t *component, aud_bool_t enable) {
  if (!component) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  component->set_events_enable(enable);
  return AUD_SUCCESS;
}

aud_error_t dapi_component_set_id(dapi_component_t *component, dapi_component_id_t id) {
  if (!component) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  component->set_id(id);
  return AUD_SUCCESS;
}

aud_error_t dapi_component_get_domain_address(const dapi_component_t *component, const char *remote,
                                              aud_sockaddr_t *address) {
  if (!component || !address) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return component->get_domain_address(remote, address);
}

aud_error_t dapi_component_set_callbacks(dapi_component_t *component, void *context,
                                         dapi_component_on_event_fn on_event,
                                         dapi_component_on_recv_msg_fn on_recv_msg) {
  if (!component) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  component->set_callbacks(context, on_event, on_recv_msg);
  return AUD_SUCCESS;
}
