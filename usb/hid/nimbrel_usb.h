/* libnimbrel.so: the USB access library that moves the station's 8-byte reports over hidraw.
 *
 * Four plain C entry points, loaded by name by the program:
 *   FindHandle  opens the first HID device with the vendor and product id; a handle, or -1.
 *   CheckHandle true while the device behind the handle is still attached; a detached device is
 *               closed and its handle becomes invalid.
 *   WriteData   sends one 8-byte output report; true when the device took all of it.
 *   ReadData    true only when one whole 8-byte input report was stored in the buffer.
 *
 * ReadData does not wait: it looks once whether a report is there and returns at once, because the
 * program retries a failed transfer in a tight loop up to 393,217 times (its bound) and a silent
 * station must not block it for long. One look is a poll on the hidraw node, a few microseconds,
 * so the worst case against a silent station is 393,217 x about 3 us, roughly 1 to 2 seconds per
 * stalled transfer (at most 3 seconds on a slow machine). The program's 50 ms pause after each
 * command frame gives the station time to answer before the first look.
 *
 * Handles are small integers; all entry points may be called from any thread, one call at a time
 * per handle (the program never overlaps transfers).
 */
#ifndef NIMBREL_USB_H
#define NIMBREL_USB_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

int FindHandle(int vid, int pid);
bool CheckHandle(int handle);
bool WriteData(int handle, unsigned char* report8);
bool ReadData(int handle, unsigned char* report8);

#ifdef __cplusplus
}
#endif

#endif
