// Fuzz target: any 16 bytes decode into a record without fault, and the texts stay in their ranges.
#include "station/history_record.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < nimbrel::kRecordSize) return 0;
    nimbrel::WeatherSample sample;
    const bool valid =
        nimbrel::decodeRecord(std::span<const std::uint8_t, nimbrel::kRecordSize>(data, 16), sample);
    using W = nimbrel::WeatherSample;
    if (valid) {
        // A valid record never carries a humidity or temperature the station cannot measure.
        for (int p : {W::indHumi, W::outHumi})
            if (!sample[p].empty() && std::atoi(sample[p].c_str()) > 99) std::abort();
        for (int p : {W::indTemp, W::outTemp})
            if (!sample[p].empty()) {
                const int t = std::atoi(sample[p].c_str());
                if (t < -400 || t > 800) std::abort();
            }
    }
    if (sample[W::hexValue].size() != 48 || sample[W::flag_bin].size() != 8) std::abort();
    return 0;
}
