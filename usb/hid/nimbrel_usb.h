/* libnimbrel.so: the USB access library that moves the station's 8-byte reports over hidraw.
 *
 * Plain C entry points, loaded by name by the program:
 *   FindHandle  a handle for the first HID device with the vendor and product id, or -1. A device this
 *               library already has open keeps its handle (finding again opens nothing new); a handle
 *               whose device has gone is closed first.
 *   FindFailure why the last FindHandle found nothing: one of the NIMBREL_FIND_ codes below. Optional
 *               for the program: an older library without it means "no station" whenever a find fails.
 *   CheckHandle true while the device behind the handle is still attached; a detached device is
 *               closed and its handle becomes invalid.
 *   WriteData   sends one 8-byte output report; true when the device took all of it.
 *   ReadData    true only when one whole 8-byte input report was stored in the buffer.
 *   DeviceKey   a text naming the device behind the handle ("hidraw:" and its node), so that programs
 *               on one station can share what they learned of its timing; "" for an unknown handle.
 *               Valid until the calling thread's next call.
 *
 * ReadData does not wait: it looks once whether a report is there and returns at once, because the
 * program retries a failed transfer in a tight loop up to 393,217 times (its bound) and a silent
 * station must not block it for long. One look is a poll on the hidraw node, a few microseconds,
 * so the worst case against a silent station is 393,217 x about 3 us, roughly 1 to 2 seconds per
 * stalled transfer (at most 3 seconds on a slow machine). The program's 50 ms pause after each
 * command frame gives the station time to answer before the first look.
 *
 * Exchanges. A command frame and what belongs to it form one exchange: a read (0x52) and its four data
 * reports; a write (0x57), the four data reports the program sends and the acknowledgement; a byte write
 * (0x42) and its acknowledgement. The library follows each handle's exchange:
 *  - hidraw queues input reports per opener and hands every opener every report, so an answer that came
 *    after the program stopped waiting (or another program's answers) would be read as the answer to
 *    the next command. Before each command frame the library throws away whatever is queued.
 *  - Two programs may have the same station open (the window on one data folder, a logger on another).
 *    Each exchange holds an exclusive flock on the device node, taken at the command frame and let go
 *    when its last answer has been read, when the next command frame starts while it is unfinished (the
 *    program gave it up), when the handle is closed, or when it has been open longer than 2 seconds.
 *    A command frame waits at most 2 seconds for another program's exchange, then fails. A node that
 *    cannot be opened for the lock is used without it.
 *  - ReadData reads nothing outside an exchange waiting for answers: what comes then answers no
 *    command of this program.
 *
 * Handles are small integers; all entry points may be called from any thread, one call at a time
 * per handle (the program never overlaps transfers). A command frame waiting for another program's
 * lock does not hold up calls on other threads.
 */
#ifndef NIMBREL_USB_H
#define NIMBREL_USB_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What FindFailure returns. */
enum NimbrelFindFailure {
    NIMBREL_FIND_FOUND = 0,         /* the last FindHandle gave a handle, or none was called yet */
    NIMBREL_FIND_NO_STATION = 1,    /* no device with those ids is attached (or none could be used) */
    NIMBREL_FIND_ACCESS_DENIED = 2, /* one is attached but this user may not open it: no udev rule yet */
};

int FindHandle(int vid, int pid);
int FindFailure(void);
bool CheckHandle(int handle);
bool WriteData(int handle, unsigned char* report8);
bool ReadData(int handle, unsigned char* report8);
const char* DeviceKey(int handle);

#ifdef __cplusplus
}
#endif

#endif
