#include "app/configuration.h"

#include "app/language_table.h"
#include "app/profile_file.h"

#include <charconv>
#include <optional>
#include <system_error>

namespace nimbrel {

namespace {

// Buffer sizes of the settings, in characters (the last place holds the terminator).
constexpr std::size_t kLanguageBuffer = 20;
constexpr std::size_t kFlagBuffer = 10;
constexpr std::size_t kAboutBuffer = 50;
constexpr std::size_t kLibraryBuffer = 256;

bool equalsIgnoringCase(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != lowerWord[i]) {
            return false;
        }
    }
    return true;
}

// A text whose empty value counts as missing.
std::string textOrDefault(const ProfileFile& profile, std::string_view section, std::string_view key,
                          std::string_view fallback, std::size_t buffer) {
    std::string value = profile.text(section, key, fallback, buffer);
    return value.empty() ? cutToCharacters(fallback, buffer - 1) : value;
}

// USB ids are written in decimal; a "0x" hexadecimal id is taken too. Anything that is not a
// whole number from 0 to 65535 leaves the default, since no station would ever be found with it.
int usbId(const ProfileFile& profile, std::string_view key, int fallback) {
    const std::optional<std::string> stored = profile.value("communication", key);
    if (!stored || stored->empty()) {
        return fallback;
    }
    std::string_view digits = *stored;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    int id = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id, base);
    if (error != std::errc{} || end != digits.data() + digits.size() || id < 0 || id > 0xFFFF) {
        return fallback;
    }
    return id;
}

// The library is loaded from the program's own folder only: a path, or anything that could walk
// out of that folder, falls back to the real station's library.
std::string usbLibraryName(const ProfileFile& profile) {
    const std::string name = profile.text("communication", "UsbLibrary", kDefaultUsbLibrary, kLibraryBuffer);
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos) {
        return kDefaultUsbLibrary;
    }
    return name;
}

double marginSetting(const ProfileFile& profile) {
    const std::optional<std::string> stored = profile.value("communication", "Margin");
    if (!stored || stored->empty()) return kDefaultMargin;
    double seconds = 0;
    const auto [end, error] = std::from_chars(stored->data(), stored->data() + stored->size(), seconds);
    if (error != std::errc{} || end != stored->data() + stored->size() || !(seconds >= 0 && seconds <= 10))
        return kDefaultMargin;
    return seconds;
}

std::string configuredLanguage(const ProfileFile& profile) {
    return textOrDefault(profile, "config", "language", kDefaultLanguage, kLanguageBuffer);
}

struct AboutTexts {
    std::string version;
    std::string copyright;
    std::string description;
    std::string softupdate;
};

AboutTexts readAbout(const ProfileFile& profile, std::string_view emptyCopyright) {
    AboutTexts about;
    about.version = textOrDefault(profile, "about", "version", kDefaultVersion, kAboutBuffer);
    about.copyright = profile.text("about", "copyright", kDefaultCopyright, kAboutBuffer);
    if (about.copyright.empty()) {
        about.copyright = cutToCharacters(emptyCopyright, kAboutBuffer - 1);
    }
    about.description = profile.text("about", "description", kDefaultDescription, kAboutBuffer);
    about.softupdate = profile.text("about", "softupdate", kDefaultSoftUpdate, kAboutBuffer);
    return about;
}

// The update file is consumed once: its About texts move into Nimbrel.ini and the file is
// deleted. It is deleted only once Nimbrel.ini has been written, so a failed write never loses it.
// A reader of the folder only shows the update's texts and leaves both files to the folder's writer.
std::optional<AboutTexts> mergeAboutUpdate(const std::filesystem::path& folder, ProfileFile& profile,
                                           bool consume) {
    const std::filesystem::path updateFile = folder / kAboutUpdateFileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(updateFile, error)) {
        return std::nullopt;
    }
    const std::optional<ProfileFile> update = ProfileFile::read(updateFile);
    if (!update) {
        return std::nullopt;
    }
    AboutTexts about = readAbout(*update, kOlderCopyright);
    if (!consume) {
        return about;
    }
    profile.setText("about", "version", about.version);
    profile.setText("about", "copyright", about.copyright);
    profile.setText("about", "description", about.description);
    profile.setText("about", "softupdate", about.softupdate);
    if (profile.save(folder / kConfigurationFileName)) {
        std::filesystem::remove(updateFile, error);
    }
    return about;
}

} // namespace

std::optional<bool> switchWord(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (isFlagOn(text) || equalsIgnoringCase(text, "on") || equalsIgnoringCase(text, "yes")) return true;
    if (text == "0" || equalsIgnoringCase(text, "off") || equalsIgnoringCase(text, "no") ||
        equalsIgnoringCase(text, "false"))
        return false;
    return std::nullopt;
}

TrayUse Configuration::trayUse() const {
    const std::optional<bool> on = switchWord(tray);
    return !on ? TrayUse::icon : *on ? TrayUse::keepRunning : TrayUse::off;
}

bool Configuration::searchDataOn() const {
    return !(searchData == "0" || equalsIgnoringCase(searchData, "false"));
}

namespace {

Configuration configurationOf(const std::filesystem::path& folder, bool consumeAboutUpdate) {
    ProfileFile profile = ProfileFile::load(folder / kConfigurationFileName);
    const std::optional<AboutTexts> merged = mergeAboutUpdate(folder, profile, consumeAboutUpdate);

    Configuration config;
    config.language = configuredLanguage(profile);
    config.languageIndex = languageIndexFor(config.language);
    config.usbDeviceVid = usbId(profile, "UsbDeviceVid", kDefaultUsbDeviceVid);
    config.usbDevicePid = usbId(profile, "UsbDevicePid", kDefaultUsbDevicePid);
    config.searchData =
        textOrDefault(profile, "communication", "SearchData", kDefaultSearchData, kFlagBuffer);
    config.testFlag = textOrDefault(profile, "communication", "TestFlag", kDefaultTestFlag, kFlagBuffer);
    config.debugFlag = textOrDefault(profile, "communication", "DebugFlag", kDefaultDebugFlag, kFlagBuffer);
    config.usbLibrary = usbLibraryName(profile);
    config.margin = marginSetting(profile);
    config.tray = profile.value("ui", "tray").value_or("");

    const AboutTexts about = merged ? *merged : readAbout(profile, kDefaultCopyright);
    config.version = about.version;
    config.copyright = about.copyright;
    config.description = about.description;
    config.softupdate = about.softupdate;
    return config;
}

} // namespace

Configuration loadConfiguration(const std::filesystem::path& folder) {
    return configurationOf(folder, true);
}

Configuration readConfiguration(const std::filesystem::path& folder) {
    return configurationOf(folder, false);
}

int startupLanguageIndex(const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path file = folder / kConfigurationFileName;
    if (!folder.empty() && std::filesystem::is_regular_file(file, error)) {
        if (const std::optional<ProfileFile> profile = ProfileFile::read(file)) {
            return languageIndexFor(configuredLanguage(*profile));
        }
    }
    return userLocaleLanguageIndex();
}

} // namespace nimbrel
