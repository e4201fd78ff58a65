#include "usb/sim/station_bytes.h"

#include <cstdlib>
#include <ctime>

namespace nimbrel::sim {
namespace {

std::uint8_t bcd(int value) {
    return static_cast<std::uint8_t>(((value / 10) % 10) * 16 + value % 10);
}

} // namespace

int getS16sm(const Memory& m, unsigned at) {
    int magnitude = ((m[(at + 1) & 0xFFFF] & 0x7F) << 8) | m[at & 0xFFFF];
    return (m[(at + 1) & 0xFFFF] & 0x80) ? -magnitude : magnitude;
}

void putS16sm(Memory& m, unsigned at, int value) {
    unsigned magnitude = static_cast<unsigned>(std::abs(value)) & 0x7FFF;
    m[at & 0xFFFF] = static_cast<std::uint8_t>(magnitude & 0xFF);
    m[(at + 1) & 0xFFFF] = static_cast<std::uint8_t>((magnitude >> 8) | (value < 0 ? 0x80 : 0));
}

void putBcdTime(Memory& m, unsigned at, double utcSeconds, int zoneHours) {
    std::time_t t = static_cast<std::time_t>(utcSeconds) + zoneHours * 3600;
    std::tm parts{};
    gmtime_r(&t, &parts);
    const std::uint8_t bytes[5] = {bcd(parts.tm_year % 100), bcd(parts.tm_mon + 1), bcd(parts.tm_mday),
                                   bcd(parts.tm_hour), bcd(parts.tm_min)};
    for (unsigned i = 0; i < 5; ++i) m[(at + i) & 0xFFFF] = bytes[i];
}

int zoneHours(std::uint8_t zoneByte) {
    int hours = ((zoneByte >> 4) & 0x07) * 10 + (zoneByte & 0x0F);
    return (zoneByte & 0x80) ? -hours : hours;
}

RecordBytes encodeRecord(const Reading& r, int intervalMinutes, std::uint64_t rainOffset) {
    RecordBytes b{};
    auto s16sm = [](int value, std::uint8_t& low, std::uint8_t& high) {
        unsigned magnitude = static_cast<unsigned>(std::abs(value)) & 0x7FFF;
        low = static_cast<std::uint8_t>(magnitude & 0xFF);
        high = static_cast<std::uint8_t>((magnitude >> 8) | (value < 0 ? 0x80 : 0));
    };
    const unsigned rain = static_cast<unsigned>((r.rainTotal + rainOffset) & 0xFFFF);
    b[0] = static_cast<std::uint8_t>(intervalMinutes);
    b[1] = static_cast<std::uint8_t>(r.indHumi);
    s16sm(r.indTemp, b[2], b[3]);
    b[4] = static_cast<std::uint8_t>(r.outHumi);
    s16sm(r.outTemp, b[5], b[6]);
    b[7] = static_cast<std::uint8_t>(r.absPres & 0xFF);
    b[8] = static_cast<std::uint8_t>((r.absPres >> 8) & 0xFF);
    b[9] = static_cast<std::uint8_t>(r.winds & 0xFF);
    b[10] = static_cast<std::uint8_t>(r.gust & 0xFF);
    b[11] = static_cast<std::uint8_t>(((r.winds >> 8) & 0x0F) | (((r.gust >> 8) & 0x0F) << 4));
    b[12] = static_cast<std::uint8_t>(((r.windDir & 0x0F) << 4) | ((rain >> 16) & 0x0F));
    b[13] = static_cast<std::uint8_t>((rain >> 8) & 0xFF); // the rain counter is stored high byte first
    b[14] = static_cast<std::uint8_t>(rain & 0xFF);
    b[15] = static_cast<std::uint8_t>(r.condition & 0x0F);
    return b;
}

} // namespace nimbrel::sim
