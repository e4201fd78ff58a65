// FormOutcome: what a window's station work came to (an opening, a check, a save, a station command),
// one shape for every form behind a window and for the nimbrel-cli command that reuses it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// One station byte that a save changed.
struct ByteChange {
    unsigned address;
    std::uint8_t before;
    std::uint8_t after;
};

struct FormOutcome {
    // The work happened: a check passed, a save or command was done, an opening filled the form.
    bool done = false;
    // What to tell the user, in the configured language; one line per failure. An opening may be done
    // and still tell of the areas it could not read.
    std::string message;
    // The control whose value the user must change, when the user's input was refused; 0 when the
    // station (or nothing) failed.
    int focusControl = 0;
    // Every station byte the work changed, in address order.
    std::vector<ByteChange> changes;

    bool refused() const { return focusControl != 0; }
    // Adds a failure's text on a line of its own.
    void tell(std::string_view text);

    static FormOutcome success() { return FormOutcome{true, {}, 0, {}}; }
    static FormOutcome failure(std::string message, int focusControl = 0) {
        return FormOutcome{false, std::move(message), focusControl, {}};
    }
};

// Appends the bytes that differ between two images of the area at `address`.
void addByteChanges(std::vector<ByteChange>& changes, unsigned address, std::span<const std::uint8_t> before,
                    std::span<const std::uint8_t> after);

// The bytes of an area's hex dump ("%02X " per byte), as the station held them when it was read.
std::vector<std::uint8_t> hexDumpBytes(std::string_view dump);

} // namespace nimbrel
