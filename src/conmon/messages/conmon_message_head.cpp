#include "conmon/messages/conmon_message_head.h"

#include <cstring>

#include "conmon/messages/conmon_bytes.h"

const conmon_vendor_id_t conmon_vendor_id_aurelian = {{'A', 'u', 'r', 'e', 'l', 'i', 'a', 'n'}};

namespace {
const uint8_t *bytes(const conmon_message_head_t *head) {
  return reinterpret_cast<const uint8_t *>(head);
}
uint8_t *bytes(conmon_message_head_t *head) { return reinterpret_cast<uint8_t *>(head); }
}  // namespace

aud_bool_t conmon_vendor_id_equals(const conmon_vendor_id_t *a, const conmon_vendor_id_t *b) {
  if (!a || !b) return AUD_FALSE;
  return std::memcmp(a->data, b->data, sizeof a->data) == 0 ? AUD_TRUE : AUD_FALSE;
}

uint16_t conmon_message_head_get_seqnum(const conmon_message_head_t *head) {
  return conmon_load_be16(bytes(head) + offsetof(conmon_message_head_t, _seqnum));
}

uint16_t conmon_message_head_get_size(const conmon_message_head_t *head) {
  return conmon_load_be16(bytes(head) + offsetof(conmon_message_head_t, _size));
}

uint16_t conmon_message_head_get_body_size(const conmon_message_head_t *head) {
  uint16_t size = conmon_message_head_get_size(head);
  return size < CONMON_MESSAGE_HEAD_SIZE ? 0
                                         : static_cast<uint16_t>(size - CONMON_MESSAGE_HEAD_SIZE);
}

conmon_message_class_t conmon_message_head_get_message_class(const conmon_message_head_t *head) {
  return conmon_load_be16(bytes(head) + offsetof(conmon_message_head_t, _message_class));
}

void conmon_message_head_get_vendor_id(const conmon_message_head_t *head, conmon_vendor_id_t *id) {
  std::memcpy(id->data, bytes(head) + offsetof(conmon_message_head_t, _vendor_id), 8);
}

void conmon_message_head_get_source_id(const conmon_message_head_t *head, conmon_device_id_t *id) {
  std::memcpy(id->data, bytes(head) + offsetof(conmon_message_head_t, _source_id), 8);
}

uint16_t conmon_message_head_get_process_id(const conmon_message_head_t *head) {
  return conmon_load_be16(bytes(head) + offsetof(conmon_message_head_t, _process_id));
}

void conmon_message_head_get_instance_id(const conmon_message_head_t *head,
                                         conmon_instance_id_t *id) {
  conmon_message_head_get_source_id(head, &id->device_id);
  id->process_id = conmon_message_head_get_process_id(head);
}

aud_error_t conmon_message_head_init(conmon_message_head_t *head, conmon_message_class_t cls,
                                     const conmon_vendor_id_t *vendor_id, size_t body_size) {
  if (!head || body_size > CONMON_MESSAGE_MAX_BODY_SIZE) return AUD_ERR_INVALIDPARAMETER;
  uint8_t *p = bytes(head);
  std::memset(p, 0, CONMON_MESSAGE_HEAD_SIZE);
  conmon_store_be16(p + offsetof(conmon_message_head_t, _message_class), cls);
  conmon_store_be16(p + offsetof(conmon_message_head_t, _size),
                    static_cast<uint16_t>(CONMON_MESSAGE_HEAD_SIZE + body_size));
  if (vendor_id) std::memcpy(p + offsetof(conmon_message_head_t, _vendor_id), vendor_id->data, 8);
  return AUD_SUCCESS;
}

void conmon_message_head_set_sender(conmon_message_head_t *head, uint16_t seqnum,
                                    const conmon_instance_id_t *id) {
  uint8_t *p = bytes(head);
  conmon_store_be16(p + offsetof(conmon_message_head_t, _seqnum), seqnum);
  if (id) {
    conmon_store_be16(p + offsetof(conmon_message_head_t, _process_id), id->process_id);
    std::memcpy(p + offsetof(conmon_message_head_t, _source_id), id->device_id.data, 8);
  }
}
