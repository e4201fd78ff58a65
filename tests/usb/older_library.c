/* A USB library as built before FindFailure existed: only the four entry points. It "finds" a station
 * for the ids 0x0713/0x0818 and nothing else. */
#include <stdbool.h>

#define EXPORT __attribute__((visibility("default")))

EXPORT int FindHandle(int vid, int pid) {
    return vid == 0x0713 && pid == 0x0818 ? 1 : -1;
}

EXPORT bool CheckHandle(int handle) {
    return handle == 1;
}

EXPORT bool WriteData(int handle, unsigned char* report8) {
    return handle == 1 && report8;
}

EXPORT bool ReadData(int handle, unsigned char* report8) {
    (void)handle;
    (void)report8;
    return false;
}
