/* libnimbrel.so over hidapi (hidraw backend); see nimbrel_usb.h for what each entry point does. */
#include "nimbrel_usb.h"

#include <hidapi.h>
#include <pthread.h>
#include <stdlib.h>
#include <string.h>

#define NIMBREL_EXPORT __attribute__((visibility("default")))
#define MAX_HANDLES 8
#define REPORT_SIZE 8

struct slot {
    hid_device* device;
    char* path; /* hidraw path, to recognise the device when enumerating again */
    unsigned short vid, pid;
};

static struct slot slots[MAX_HANDLES];
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static int initialised;

static struct slot* slot_of(int handle) {
    if (handle < 0 || handle >= MAX_HANDLES || !slots[handle].device) return NULL;
    return &slots[handle];
}

static void close_slot(struct slot* s) {
    hid_close(s->device);
    free(s->path);
    memset(s, 0, sizeof *s);
}

NIMBREL_EXPORT int FindHandle(int vid, int pid) {
    int handle = -1;
    pthread_mutex_lock(&lock);
    if (!initialised && hid_init() == 0) initialised = 1;
    if (initialised) {
        struct hid_device_info* list = hid_enumerate((unsigned short)vid, (unsigned short)pid);
        struct hid_device_info* info;
        for (info = list; info && handle < 0; info = info->next) {
            int free_slot = -1;
            for (int i = 0; i < MAX_HANDLES; ++i)
                if (!slots[i].device) {
                    free_slot = i;
                    break;
                }
            if (free_slot < 0) break;
            hid_device* device = hid_open_path(info->path);
            if (!device) continue;
            slots[free_slot].device = device;
            slots[free_slot].path = strdup(info->path);
            slots[free_slot].vid = (unsigned short)vid;
            slots[free_slot].pid = (unsigned short)pid;
            handle = free_slot;
        }
        hid_free_enumeration(list);
    }
    pthread_mutex_unlock(&lock);
    return handle;
}

NIMBREL_EXPORT bool CheckHandle(int handle) {
    bool attached = false;
    pthread_mutex_lock(&lock);
    struct slot* s = slot_of(handle);
    if (s) {
        struct hid_device_info* list = hid_enumerate(s->vid, s->pid);
        for (struct hid_device_info* info = list; info; info = info->next)
            if (s->path && strcmp(info->path, s->path) == 0) attached = true;
        hid_free_enumeration(list);
        if (!attached) close_slot(s);
    }
    pthread_mutex_unlock(&lock);
    return attached;
}

NIMBREL_EXPORT bool WriteData(int handle, unsigned char* report8) {
    if (!report8) return false;
    /* The lock is held through the transfer so that CheckHandle cannot close the device under it. */
    pthread_mutex_lock(&lock);
    struct slot* s = slot_of(handle);
    int written = -1;
    /* The station has no numbered reports: hidapi wants report id 0 in front of the 8 bytes. */
    unsigned char buffer[REPORT_SIZE + 1];
    buffer[0] = 0;
    memcpy(buffer + 1, report8, REPORT_SIZE);
    if (s) written = hid_write(s->device, buffer, sizeof buffer);
    pthread_mutex_unlock(&lock);
    return written >= REPORT_SIZE;
}

NIMBREL_EXPORT bool ReadData(int handle, unsigned char* report8) {
    if (!report8) return false;
    unsigned char buffer[64];
    int got = -1;
    pthread_mutex_lock(&lock);
    struct slot* s = slot_of(handle);
    if (s) got = hid_read_timeout(s->device, buffer, sizeof buffer, 0);
    pthread_mutex_unlock(&lock);
    if (got != REPORT_SIZE) return false; /* nothing yet, an error, or not one whole report */
    memcpy(report8, buffer, REPORT_SIZE);
    return true;
}

/* When the program unloads the library: close what is still open and let hidapi free what it holds. */
__attribute__((destructor)) static void release_library(void) {
    pthread_mutex_lock(&lock);
    for (int i = 0; i < MAX_HANDLES; ++i)
        if (slots[i].device) close_slot(&slots[i]);
    if (initialised) hid_exit();
    initialised = 0;
    pthread_mutex_unlock(&lock);
}
