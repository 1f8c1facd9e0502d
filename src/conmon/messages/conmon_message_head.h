// The conmon message: a 24-byte big-endian head naming class, size, sender and
// vendor, followed by a vendor body of at most CONMON_MESSAGE_MAX_BODY_SIZE bytes.
// Also the device, vendor and instance ids that both the vendor bodies and the
// client-server messages use.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/aud_error.h"

// The largest body a conmon message carries.
#define CONMON_MESSAGE_MAX_BODY_SIZE 1448
// The conmon message head.
#define CONMON_MESSAGE_HEAD_SIZE 24

#define CONMON_MESSAGE_CLASS_VENDOR_SPECIFIC 0xFFFFu
#define CONMON_MESSAGE_CLASS_RESERVED 0xFFFEu

typedef uint16_t conmon_message_class_t;

#ifndef NORVA_DELOS_VERSION_DEFINED
#define NORVA_DELOS_VERSION_DEFINED
// A version number: major, minor, bugfix. Whoever else needs this record includes
// this header or uses the same guard.
struct delos_version {
  uint8_t major;
  uint8_t minor;
  uint16_t bugfix;
};
typedef delos_version delos_version_t;
#endif

// The 8-byte id of a device.
struct conmon_device_id {
  uint8_t data[8];
};
typedef conmon_device_id conmon_device_id_t;
static_assert(sizeof(conmon_device_id_t) == 8);

// The 8 bytes naming the vendor whose body format a message carries.
struct conmon_vendor_id {
  uint8_t data[8];
};
typedef conmon_vendor_id conmon_vendor_id_t;
static_assert(sizeof(conmon_vendor_id_t) == 8);

// A device id and the 16-bit id of the process on it (10 bytes, no padding).
// In client-server messages the process id is in host order.
struct conmon_instance_id {
  conmon_device_id_t device_id;
  uint16_t process_id;
};
typedef conmon_instance_id conmon_instance_id_t;
static_assert(sizeof(conmon_instance_id_t) == 10);

// One message body, viewable as bytes, 16-bit or 32-bit words.
union conmon_message_body {
  uint8_t data[CONMON_MESSAGE_MAX_BODY_SIZE];
  uint16_t data16[CONMON_MESSAGE_MAX_BODY_SIZE / 2];
  uint32_t data32[CONMON_MESSAGE_MAX_BODY_SIZE / 4];
};
typedef conmon_message_body conmon_message_body_t;
static_assert(sizeof(conmon_message_body_t) == 1448);

// The head as it lies on the wire; every integer big-endian.
struct __attribute__((packed)) conmon_message_head {
  uint16_t _message_class;
  uint16_t _size;  // head included
  uint16_t _seqnum;
  uint16_t _process_id;
  uint8_t _source_id[8];
  uint8_t _vendor_id[8];
};
typedef conmon_message_head conmon_message_head_t;
static_assert(sizeof(conmon_message_head_t) == CONMON_MESSAGE_HEAD_SIZE);
static_assert(offsetof(conmon_message_head_t, _size) == 2);
static_assert(offsetof(conmon_message_head_t, _seqnum) == 4);
static_assert(offsetof(conmon_message_head_t, _process_id) == 6);
static_assert(offsetof(conmon_message_head_t, _source_id) == 8);
static_assert(offsetof(conmon_message_head_t, _vendor_id) == 16);

// A whole conmon message: head and the largest body.
struct conmon_message {
  conmon_message_head_t head;
  conmon_message_body_t body;
};
typedef conmon_message conmon_message_t;
static_assert(sizeof(conmon_message_t) == CONMON_MESSAGE_HEAD_SIZE + CONMON_MESSAGE_MAX_BODY_SIZE);

// The Aurelian vendor id, the eight ASCII bytes "Aurelian".
#define CONMON_VENDOR_ID_AURELIAN_TOKEN "Aurelian"
extern const conmon_vendor_id_t conmon_vendor_id_aurelian;
#define CONMON_VENDOR_ID_AURELIAN (&conmon_vendor_id_aurelian)

// True when both ids are present and all eight bytes are equal.
aud_bool_t conmon_vendor_id_equals(const conmon_vendor_id_t *a, const conmon_vendor_id_t *b);

// Head accessors: each converts from big-endian. The head pointer must be valid.
uint16_t conmon_message_head_get_seqnum(const conmon_message_head_t *head);
// The size field as it stands (head included).
uint16_t conmon_message_head_get_size(const conmon_message_head_t *head);
// size - 24; 0 when the size field is below the head's size.
uint16_t conmon_message_head_get_body_size(const conmon_message_head_t *head);
conmon_message_class_t conmon_message_head_get_message_class(const conmon_message_head_t *head);
// Copies the vendor id out of the head.
void conmon_message_head_get_vendor_id(const conmon_message_head_t *head, conmon_vendor_id_t *id);
void conmon_message_head_get_source_id(const conmon_message_head_t *head, conmon_device_id_t *id);
uint16_t conmon_message_head_get_process_id(const conmon_message_head_t *head);
// Source id and process id, the process id in host order.
void conmon_message_head_get_instance_id(const conmon_message_head_t *head,
                                         conmon_instance_id_t *id);

// Fills a head: class, size = 24 + body_size, vendor id (zero when null); sequence
// number, process id and source id 0. AUD_ERR_INVALIDPARAMETER for a null head or a
// body over CONMON_MESSAGE_MAX_BODY_SIZE.
aud_error_t conmon_message_head_init(conmon_message_head_t *head, conmon_message_class_t cls,
                                     const conmon_vendor_id_t *vendor_id, size_t body_size);
// Sets the sender fields (a device side fills them; the client does not).
void conmon_message_head_set_sender(conmon_message_head_t *head, uint16_t seqnum,
                                    const conmon_instance_id_t *id);
