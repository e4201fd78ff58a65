/* The part of hidapi's interface that libnimbrel.so uses, for building it over the tests' stand-in
 * (fake_hidapi.cpp) instead of the real hidraw backend. Same names and signatures as hidapi's. */
#ifndef NIMBREL_FAKE_HIDAPI_H
#define NIMBREL_FAKE_HIDAPI_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct hid_device_ hid_device;

struct hid_device_info {
    char* path;
    unsigned short vendor_id;
    unsigned short product_id;
    struct hid_device_info* next;
};

int hid_init(void);
int hid_exit(void);
struct hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id);
void hid_free_enumeration(struct hid_device_info* devices);
hid_device* hid_open_path(const char* path);
void hid_close(hid_device* device);
int hid_write(hid_device* device, const unsigned char* data, size_t length);
int hid_read_timeout(hid_device* device, unsigned char* data, size_t length, int milliseconds);

#ifdef __cplusplus
}
#endif

#endif
