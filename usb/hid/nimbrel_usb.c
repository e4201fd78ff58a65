/* libnimbrel.so over hidapi (hidraw backend); see nimbrel_usb.h for what each entry point does. */
#include "nimbrel_usb.h"

#include <errno.h>
#include <fcntl.h>
#include <hidapi.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#define NIMBREL_EXPORT __attribute__((visibility("default")))
#define MAX_HANDLES 8
#define REPORT_SIZE 8
#define READ_COMMAND 0x52
#define WRITE_COMMAND 0x57
#define WRITE_BYTE_COMMAND 0x42
#define BLOCK_REPORTS 4
/* A station never has more than a few reports queued; the bound only keeps a babbling device from
 * holding a command frame forever. */
#define MAX_DRAINED 1024

/* How long a command frame waits for another program's exchange, and how long an exchange may stay
 * open before its lock is let go. The tests build the library with shorter ones. */
#ifndef NIMBREL_LOCK_WAIT_MS
#define NIMBREL_LOCK_WAIT_MS 2000
#endif
#ifndef NIMBREL_EXCHANGE_LIMIT_MS
#define NIMBREL_EXCHANGE_LIMIT_MS 2000
#endif
#define LOCK_POLL_MS 5

struct slot {
    hid_device* device;
    char* path; /* hidraw path, to recognise the device when enumerating again */
    unsigned short vid, pid;
    int lock_fd;         /* the device node opened only to be locked between programs; -1 without */
    unsigned generation; /* moves on when the slot is closed, so a call that waited knows */
    /* The exchange under way, if any. */
    bool in_exchange;
    bool locked;
    int writes_left; /* data reports the program still sends (a write command) */
    int reads_left;  /* answers still to be read */
    long long started_ms;
};

static struct slot slots[MAX_HANDLES];
static pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
static int initialised;
static int last_failure = NIMBREL_FIND_FOUND;

static long long now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

static struct slot* slot_of(int handle) {
    if (handle < 0 || handle >= MAX_HANDLES || !slots[handle].device) return NULL;
    return &slots[handle];
}

static void end_exchange(struct slot* s) {
    if (s->locked) flock(s->lock_fd, LOCK_UN);
    s->locked = false;
    s->in_exchange = false;
    s->writes_left = 0;
    s->reads_left = 0;
}

static void close_slot(struct slot* s) {
    end_exchange(s);
    if (s->lock_fd >= 0) close(s->lock_fd);
    hid_close(s->device);
    free(s->path);
    const unsigned generation = s->generation + 1;
    memset(s, 0, sizeof *s);
    s->lock_fd = -1;
    s->generation = generation;
}

/* A program that gave an exchange up may never call again for that handle; its lock must not keep the
 * station from the other program. */
static void expire_exchanges(void) {
    const long long now = now_ms();
    for (int i = 0; i < MAX_HANDLES; ++i)
        if (slots[i].device && slots[i].in_exchange && now - slots[i].started_ms > NIMBREL_EXCHANGE_LIMIT_MS)
            end_exchange(&slots[i]);
}

/* Still the node the slot opened: a station pulled out and plugged back in gets a new node, perhaps
 * under the same name, and the old device handle is dead. */
static bool same_node(const struct slot* s) {
    struct stat held, current;
    if (s->lock_fd < 0) return true;
    if (fstat(s->lock_fd, &held) != 0 || stat(s->path, &current) != 0) return false;
    return held.st_dev == current.st_dev && held.st_ino == current.st_ino;
}

static bool attached(const struct slot* s, const struct hid_device_info* list) {
    for (const struct hid_device_info* info = list; info; info = info->next)
        if (info->path && strcmp(info->path, s->path) == 0) return same_node(s);
    return false;
}

static int slot_with_path(const char* path) {
    for (int i = 0; i < MAX_HANDLES; ++i)
        if (slots[i].device && strcmp(slots[i].path, path) == 0) return i;
    return -1;
}

/* Opens the device at path into a free slot; its handle, or -1 with *failure saying why. */
static int open_slot(const char* path, unsigned short vid, unsigned short pid, int* failure) {
    int handle = -1;
    for (int i = 0; i < MAX_HANDLES && handle < 0; ++i)
        if (!slots[i].device) handle = i;
    if (handle < 0) return -1;
    hid_device* device = hid_open_path(path);
    if (!device) {
        /* hidapi keeps no error code, so errno is read at once; access() is asked too in case hidapi's
         * own clean-up changed errno. */
        const int error = errno;
        if (error == EACCES || error == EPERM ||
            (access(path, R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM)))
            *failure = NIMBREL_FIND_ACCESS_DENIED;
        return -1;
    }
    struct slot* s = &slots[handle];
    s->device = device;
    s->path = strdup(path);
    s->vid = vid;
    s->pid = pid;
    /* Read-only is enough for flock and is allowed to every user who may open the station at all. */
    s->lock_fd = open(path, O_RDONLY | O_CLOEXEC);
    return handle;
}

static void sleep_ms(int ms) {
    struct timespec pause = {0, ms * 1000000L};
    nanosleep(&pause, NULL);
}

/* Takes the station's lock for an exchange, waiting a bounded time for another program's. Called with
 * the mutex held; lets it go while sleeping so that other threads' calls (the window's connection
 * check) are not held up. False when the time ran out or the slot was closed meanwhile. */
static bool take_station_lock(struct slot* s) {
    if (s->lock_fd < 0) return true;
    const unsigned generation = s->generation;
    const long long give_up = now_ms() + NIMBREL_LOCK_WAIT_MS;
    for (;;) {
        if (flock(s->lock_fd, LOCK_EX | LOCK_NB) == 0) {
            s->locked = true;
            return true;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return true; /* a node that cannot be locked is used without */
        if (now_ms() > give_up) return false; /* past it: a whole wait, whatever the millisecond rounding */
        pthread_mutex_unlock(&mutex);
        sleep_ms(LOCK_POLL_MS);
        pthread_mutex_lock(&mutex);
        if (!s->device || s->generation != generation) return false;
    }
}

static bool send_report(struct slot* s, const unsigned char* report8) {
    /* The station has no numbered reports: hidapi wants report id 0 in front of the 8 bytes. */
    unsigned char buffer[REPORT_SIZE + 1];
    buffer[0] = 0;
    memcpy(buffer + 1, report8, REPORT_SIZE);
    return hid_write(s->device, buffer, sizeof buffer) >= REPORT_SIZE;
}

static void drain(struct slot* s) {
    unsigned char buffer[64];
    for (int i = 0; i < MAX_DRAINED; ++i)
        if (hid_read_timeout(s->device, buffer, sizeof buffer, 0) <= 0) break;
}

static bool send_command(struct slot* s, const unsigned char* frame) {
    end_exchange(s); /* an unfinished exchange was given up by the program */
    if (!take_station_lock(s)) return false;
    s->in_exchange = true;
    s->started_ms = now_ms();
    drain(s);
    if (!send_report(s, frame)) {
        end_exchange(s);
        return false;
    }
    if (frame[0] == READ_COMMAND)
        s->reads_left = BLOCK_REPORTS;
    else if (frame[0] == WRITE_COMMAND)
        s->writes_left = BLOCK_REPORTS;
    else if (frame[0] == WRITE_BYTE_COMMAND)
        s->reads_left = 1;
    else
        end_exchange(s); /* the station answers nothing else */
    return true;
}

NIMBREL_EXPORT int FindHandle(int vid, int pid) {
    int handle = -1;
    int failure = NIMBREL_FIND_NO_STATION;
    pthread_mutex_lock(&mutex);
    expire_exchanges();
    if (!initialised && hid_init() == 0) initialised = 1;
    if (initialised) {
        struct hid_device_info* list = hid_enumerate((unsigned short)vid, (unsigned short)pid);
        for (int i = 0; i < MAX_HANDLES; ++i)
            if (slots[i].device && slots[i].vid == (unsigned short)vid &&
                slots[i].pid == (unsigned short)pid && !attached(&slots[i], list))
                close_slot(&slots[i]);
        for (struct hid_device_info* info = list; info && handle < 0; info = info->next) {
            if (!info->path) continue;
            handle = slot_with_path(info->path);
            if (handle < 0)
                handle = open_slot(info->path, (unsigned short)vid, (unsigned short)pid, &failure);
        }
        hid_free_enumeration(list);
    }
    last_failure = handle >= 0 ? NIMBREL_FIND_FOUND : failure;
    pthread_mutex_unlock(&mutex);
    return handle;
}

NIMBREL_EXPORT int FindFailure(void) {
    pthread_mutex_lock(&mutex);
    expire_exchanges();
    const int failure = last_failure;
    pthread_mutex_unlock(&mutex);
    return failure;
}

NIMBREL_EXPORT bool CheckHandle(int handle) {
    bool present = false;
    pthread_mutex_lock(&mutex);
    expire_exchanges();
    struct slot* s = slot_of(handle);
    if (s) {
        struct hid_device_info* list = hid_enumerate(s->vid, s->pid);
        present = attached(s, list);
        hid_free_enumeration(list);
        if (!present) close_slot(s);
    }
    pthread_mutex_unlock(&mutex);
    return present;
}

NIMBREL_EXPORT bool WriteData(int handle, unsigned char* report8) {
    if (!report8) return false;
    bool sent = false;
    /* The mutex is held through the transfer so that CheckHandle cannot close the device under it. */
    pthread_mutex_lock(&mutex);
    expire_exchanges();
    struct slot* s = slot_of(handle);
    if (s && s->writes_left > 0) {
        sent = send_report(s, report8);
        if (sent && --s->writes_left == 0) s->reads_left = 1; /* the acknowledgement */
    } else if (s) {
        sent = send_command(s, report8);
    }
    pthread_mutex_unlock(&mutex);
    return sent;
}

NIMBREL_EXPORT bool ReadData(int handle, unsigned char* report8) {
    if (!report8) return false;
    unsigned char buffer[64];
    int got = -1;
    pthread_mutex_lock(&mutex);
    expire_exchanges();
    struct slot* s = slot_of(handle);
    if (s && s->reads_left > 0) {
        got = hid_read_timeout(s->device, buffer, sizeof buffer, 0);
        if (got == REPORT_SIZE && --s->reads_left == 0) end_exchange(s);
    }
    pthread_mutex_unlock(&mutex);
    if (got != REPORT_SIZE) return false; /* nothing yet, an error, or not one whole report */
    memcpy(report8, buffer, REPORT_SIZE);
    return true;
}

NIMBREL_EXPORT const char* DeviceKey(int handle) {
    static __thread char key[512];
    key[0] = '\0';
    pthread_mutex_lock(&mutex);
    struct slot* s = slot_of(handle);
    if (s && s->path) snprintf(key, sizeof key, "hidraw:%s", s->path);
    pthread_mutex_unlock(&mutex);
    return key;
}

/* When the program unloads the library: close what is still open and let hidapi free what it holds. */
__attribute__((destructor)) static void release_library(void) {
    pthread_mutex_lock(&mutex);
    for (int i = 0; i < MAX_HANDLES; ++i)
        if (slots[i].device) close_slot(&slots[i]);
    if (initialised) hid_exit();
    initialised = 0;
    pthread_mutex_unlock(&mutex);
}
