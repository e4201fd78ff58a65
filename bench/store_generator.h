// A generator of realistic PC history files: years of 5-minute records, for the store's benchmarks.
#pragma once

#include <cstdint>
#include <ostream>

namespace nimbrel::bench {

struct GeneratorOptions {
    double years = 10.0;
    std::uint32_t seed = 1;
};

// Writes the store to `out` and returns the number of lines written. The same options give
// the same bytes on every machine: the local time is the central-European rule worked out
// here, not the machine's time zone, so every October holds a night with a repeated hour.
std::uint64_t generateStore(const GeneratorOptions& options, std::ostream& out);

} // namespace nimbrel::bench
