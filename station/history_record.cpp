#include "station/history_record.h"

#include "station/byte_codec.h"

#include <cstdio>

namespace nimbrel {

namespace {

constexpr int kNoTemperature = -32767; // bytes FF FF

// Fills the hex and raw positions of a triple.
void setBytes(WeatherSample& s, int pos, const std::uint8_t* p, std::size_t n, std::int64_t raw) {
    s[pos + 1] = codec::hexDump(p, n);
    s.setRaw(pos, raw);
}

bool decodeHumidity(WeatherSample& s, int pos, const std::uint8_t* p) {
    setBytes(s, pos, p, 1, p[0]);
    if (p[0] == 0xFF) {
        s[pos] = "";
        return true;
    }
    if (p[0] > 99) return false;
    s[pos] = std::to_string(p[0]);
    return true;
}

bool decodeTemperature(WeatherSample& s, int pos, const std::uint8_t* p) {
    const int value = codec::s16smAt(p);
    setBytes(s, pos, p, 2, value);
    if (value == kNoTemperature) {
        s[pos] = "";
        return true;
    }
    if (value < -400 || value > 800) return false;
    s[pos] = std::to_string(value);
    return true;
}

std::string speedText(int speed) {
    return speed == 0xFFF || speed > 500 ? "" : std::to_string(speed);
}

} // namespace

bool isRecordAddress(unsigned address) {
    return address >= kFirstRecordAddress && address <= kLastRecordAddress && address % kRecordSize == 0;
}

unsigned prevRecordAddress(unsigned address) {
    if (address < kFirstRecordAddress + kRecordSize || address > 0xFFFF) return kLastRecordAddress;
    return address - kRecordSize;
}

unsigned recordAddressBack(unsigned stackAddr, int n) {
    unsigned address = stackAddr;
    for (int i = 0; i < n % static_cast<int>(kRecordSlots); ++i) address = prevRecordAddress(address);
    return address;
}

std::string recordAddressText(unsigned address) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", address);
    return text;
}

bool decodeRecord(std::span<const std::uint8_t, kRecordSize> bytes, WeatherSample& s) {
    const std::uint8_t* b = bytes.data();
    bool valid = true;
    s[WeatherSample::hexValue] = codec::hexDump(b, kRecordSize);

    const std::uint8_t status = b[15];
    s[WeatherSample::windsError] = (status & 0x10) ? "1" : "0";
    s[WeatherSample::gustError] = (status & 0x20) ? "1" : "0";
    s[WeatherSample::rainError] = (status & 0x40) ? "1" : "0";
    s[WeatherSample::totalRainOverflow] = (status & 0x80) ? "1" : "0";
    s[WeatherSample::flag_bin] = codec::bitString(status, 7, 0);

    s[WeatherSample::sampleCircle] = b[0] > 240 ? "5" : std::to_string(b[0]);
    setBytes(s, WeatherSample::sampleCircle, b, 1, b[0]);

    valid = decodeHumidity(s, WeatherSample::indHumi, b + 1) && valid;
    valid = decodeTemperature(s, WeatherSample::indTemp, b + 2) && valid;
    valid = decodeHumidity(s, WeatherSample::outHumi, b + 4) && valid;
    valid = decodeTemperature(s, WeatherSample::outTemp, b + 5) && valid;

    const std::uint16_t pressure = codec::u16At(b + 7);
    s[WeatherSample::absPres] = pressure == 0xFFFF ? "" : std::to_string(pressure);
    setBytes(s, WeatherSample::absPres, b + 7, 2, pressure);
    s[WeatherSample::relPres] = "";

    const int winds = (b[11] & 0x0F) * 256 + b[9];
    const int gust = (b[11] >> 4) * 256 + b[10];
    s[WeatherSample::winds] = speedText(winds);
    setBytes(s, WeatherSample::winds, b + 9, 3, winds);
    s[WeatherSample::gust] = speedText(gust);
    setBytes(s, WeatherSample::gust, b + 10, 2, gust);

    const int direction = b[12] >> 4;
    s[WeatherSample::windDir] = (direction % 2 != 0 || (status & 0x10)) ? "-1" : std::to_string(direction);
    setBytes(s, WeatherSample::windDir, b + 12, 1, direction);

    const int rain = (b[12] & 0x0F) * 65536 + b[13] * 256 + b[14];
    s[WeatherSample::rain] = rain > 99999 ? "" : std::to_string(rain);
    setBytes(s, WeatherSample::rain, b + 12, 3, rain);

    s[WeatherSample::condition] = std::to_string(status & 0x0F);
    setBytes(s, WeatherSample::condition, b + 15, 1, status & 0x0F);
    return valid;
}

} // namespace nimbrel
