// Fuzz target: an ini file (Nimbrel.ini, AboutWeather.ini) of any bytes. Every lookup reads without
// fault and ignores letter case; a save read again gives the same values; a key written reads back,
// before and after a save, while every other key keeps its value.
#include "app/profile_file.h"
#include "fuzz/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using nimbrel::ProfileFile;
using nimbrel::fuzz::require;

struct Probe {
    std::string section;
    std::string key;
};

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// The names a plain reading of the text finds: the key names under each header. They are only
// names to ask for; whether the file really holds them is the reader's answer.
std::vector<Probe> probesOf(std::string_view text) {
    std::vector<Probe> probes;
    std::string section;
    while (!text.empty() && probes.size() < 24) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.find(']');
            section = trimmed(line.substr(1, close == std::string_view::npos ? close : close - 1));
        } else if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            probes.push_back({section, std::string(trimmed(line.substr(0, equals)))});
        }
    }
    return probes;
}

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// What the program may write and expect to read back: names and values that fit on one line as
// they stand (no blanks at the ends, no quotes around the value that a reader would take off), a
// key that reads as a key and a section name that ends at its bracket.
bool writable(std::string_view section, std::string_view key, std::string_view value) {
    if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value)) return false;
    if (section.find(']') != std::string_view::npos || trimmed(section) != section) return false;
    if (key.empty() || trimmed(key) != key || key.find('=') != std::string_view::npos || key.front() == ';' ||
        key.front() == '[')
        return false;
    if (trimmed(value) != value) return false;
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    return !quoted;
}

// A text read into a buffer is a start of the value, never cut inside a UTF-8 character.
void checkCut(const ProfileFile& profile, const Probe& probe, std::size_t bufferSize) {
    const std::string text = profile.text(probe.section, probe.key, "fallback", bufferSize);
    const std::string whole = profile.value(probe.section, probe.key).value_or("fallback");
    require(whole.compare(0, text.size(), text) == 0, "a cut text is a start of the value");
    require(bufferSize > 0 || text.empty(), "a buffer of no size gives no text");
    if (bufferSize > 0 && text.size() < whole.size())
        require((static_cast<unsigned char>(whole[text.size()]) & 0xC0) != 0x80,
                "a cut never splits a character");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(48);
    const std::size_t bufferSize = input.ConsumeIntegralInRange<std::size_t>(0, 32);
    const std::string text = input.ConsumeRemainingBytesAsString();

    ProfileFile profile = ProfileFile::parse(text);
    std::vector<Probe> probes = probesOf(text);
    probes.push_back({section, key});
    std::vector<std::optional<std::string>> before;
    for (const Probe& probe : probes) {
        before.push_back(profile.value(probe.section, probe.key));
        require(profile.value(upperAscii(probe.section), upperAscii(probe.key)) == before.back(),
                "names are read without regard to letter case");
        checkCut(profile, probe, bufferSize);
    }

    const ProfileFile saved = ProfileFile::parse(profile.serialise());
    for (std::size_t i = 0; i < probes.size(); ++i)
        require(saved.value(probes[i].section, probes[i].key) == before[i],
                "a save read again gives every value");

    if (!writable(section, key, value)) return 0;
    profile.setText(section, key, value);
    const ProfileFile written = ProfileFile::parse(profile.serialise());
    require(profile.value(section, key) == value, "a written key reads back");
    require(written.value(section, key) == value, "a written key reads back from the saved file");
    for (std::size_t i = 0; i < probes.size(); ++i) {
        if (sameName(probes[i].section, section) && sameName(probes[i].key, key)) continue;
        require(profile.value(probes[i].section, probes[i].key) == before[i], "a write leaves other keys");
        require(written.value(probes[i].section, probes[i].key) == before[i],
                "a write leaves other keys in the saved file");
    }
    return 0;
}
