// TextRow: the numbered rows of the language table by name, and TextKey, which names any text of it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nimbrel {

// One name per numbered row of resources/strings.tsv; the comment is the row's English text.
enum class TextRow : int {
    applicationTitle = 0,        // "Nimbrel Radio Controlled"
    wireless = 1,                // "Wireless"
    receiver = 2,                // "Receiver"
    display = 3,                 // "Display"
    toolBar = 4,                 // "ToolBar"
    statusBar = 5,               // "StatusBar"
    exit = 6,                    // "Exit"
    system = 7,                  // "System"
    setup = 8,                   // "Setup"
    alarm = 9,                   // "Alarm"
    scope = 10,                  // "Scope"
    scopeLower = 11,             // "scope"
    record = 12,                 // "Record"
    history = 13,                // "History"
    historyLower = 14,           // "history"
    help = 15,                   // "Help"
    about = 16,                  // "About"
    aboutNimbrel = 17,           // "About Nimbrel"
    indoor = 18,                 // "Indoor"
    outdoor = 19,                // "Outdoor"
    temperature = 20,            // "Temperature"
    indoorTemperature = 21,      // "Indoor Temperature"
    outdoorTemperature = 22,     // "Outdoor Temperature"
    humidity = 23,               // "Humidity"
    indoorHumidity = 24,         // "Indoor Humidity"
    outdoorHumidity = 25,        // "Outdoor Humidity"
    absolute = 26,               // "Absolute"
    relative = 27,               // "Relative"
    pressure = 28,               // "Pressure"
    absolutePressure = 29,       // "Absolute Pressure"
    relativePressure = 30,       // "Relative Pressure"
    windchill = 31,              // "Windchill"
    dewpoint = 32,               // "Dewpoint"
    wind = 33,                   // "Wind"
    gust = 34,                   // "Gust"
    windVelocity = 35,           // "Wind Velocity"
    gustVelocity = 36,           // "Gust Velocity"
    level = 37,                  // "Level"
    windLevel = 38,              // "Wind Level"
    gustLevel = 39,              // "Gust Level"
    direction = 40,              // "Direction"
    rain = 41,                   // "Rain"
    rainfall = 42,               // "Rainfall"
    totalRain = 43,              // "Total Rain"
    hourRainfall = 44,           // "Hour Rainfall"
    dayRainfall = 45,            // "24 hour Rainfall"
    weekRainfall = 46,           // "Week Rainfall"
    monthRainfall = 47,          // "Month Rainfall"
    totalRainfall = 48,          // "Total Rainfall"
    increment = 49,              // "Increment"
    last = 50,                   // "Last"
    language = 51,               // "Language"
    languageMenu = 52,           // "Language"
    english = 53,                // "English"
    german = 54,                 // "German"
    danish = 55,                 // "Danish"
    dutch = 56,                  // "Dutch"
    french = 57,                 // "French"
    italian = 58,                // "Italian"
    timeZone = 59,               // "Time Zone"
    interval = 60,               // "Interval"
    unit = 61,                   // "Unit"
    velocity = 62,               // "Velocity"
    format = 63,                 // "Format"
    date = 64,                   // "Date"
    time = 65,                   // "Time"
    sampleTime = 66,             // "Sample Time"
    axis = 67,                   // "Axis"
    week = 68,                   // "Week"
    total = 69,                  // "Total"
    low = 70,                    // "Low"
    high = 71,                   // "High"
    save = 72,                   // "Save"
    cancel = 73,                 // "Cancel"
    maximum = 74,                // "Maximum"
    minimum = 75,                // "Minimum"
    ok = 76,                     // "OK"
    search = 77,                 // "Search"
    condition = 78,              // "Condition"
    start = 79,                  // "Start"
    end = 80,                    // "End"
    refresh = 81,                // "Refresh"
    clear = 82,                  // "Clear"
    data = 83,                   // "Data"
    dataLower = 84,              // "data"
    memory = 85,                 // "Memory"
    graph = 86,                  // "Graph"
    exportData = 87,             // "Export"
    lineChart = 88,              // "Line"
    barChart = 89,               // "Bar"
    horizontalBarChart = 90,     // "HorizBar"
    areaChart = 91,              // "Area"
    pointChart = 92,             // "Point"
    fastLineChart = 93,          // "FastLine"
    arrowChart = 94,             // "Arrow"
    volumeChart = 95,            // "Volume"
    bezierChart = 96,            // "Bezier"
    point3DChart = 97,           // "Point3D"
    bar3DChart = 98,             // "Bar3D"
    version = 99,                // "Version"
    copyright = 100,             // "Copyright"
    software = 101,              // "Software"
    update = 102,                // "Update"
    device = 103,                // "Device"
    weather = 104,               // "Weather"
    circle = 105,                // "circle"
    dateWithYear = 106,          // "Date with year"
    dateWithWeek = 107,          // "Date with week"
    yearLower = 108,             // "year"
    month = 109,                 // "Month"
    day = 110,                   // "Day"
    hour = 111,                  // "Hour"
    minute = 112,                // "Minute"
    second = 113,                // "Second"
    enabled = 114,               // "Enabled"
    alarmValue = 115,            // "Alarm value"
    currentValue = 116,          // "Current value"
    connected = 117,             // "connected"
    notConnected = 118,          // "Not connected"
    general = 119,               // "General"
    others = 120,                // "Others"
    operation = 121,             // "Operation"
    notify = 122,                // "Notify"
    operationNotify = 123,       // "Operation Notify"
    operationNotifyAgain = 124,  // "Operation Notify"
    confirm = 125,               // "Confirm"
    quit = 126,                  // "Quit"
    file = 127,                  // "File"
    ready = 128,                 // "Ready"
    write = 129,                 // "Write"
    read = 130,                  // "Read"
    readLower = 131,             // "read"
    get = 132,                   // "Get"
    communicate = 133,           // "Comminucate"
    success = 134,               // "Success"
    fail = 135,                  // "Fail"
    startTime = 136,             // "start time"
    endTime = 137,               // "end time"
    endBeforeStart = 138,        // "End time earlier than start time!"
    dataSource = 139,            // "data source "
    graphType = 140,             // "Graph Type"
    alarmEnable = 141,           // "Alarm Enable"
    millimetres = 142,           // "mm"
    inches = 143,                // "inch"
    readDataFrom = 144,          // "Read data from"
    dataHasBeenRead = 145,       // "Data has been read."
    computeHistoryRain = 146,    // "Compute history rain data"
    dataHasBeenProcessed = 147,  // "Data has been processed."
    saveAllDataOnPc = 148,       // "Save all data on PC"
    lastReadTime = 149,          // "Last Read Time"
    readRecords = 150,           // "Read Records"
    totalRecords = 151,          // "Total Records"
    askSave = 152,               // "Do you want save?"
    askDeleteSelected = 153,     // "Do you want to delete selected items?"
    askClearPcData = 154,        // "Do you want to clear all data on PC?"
    askClearStationMemory = 155, // "Do you want to clear memory on the device?"
    askSaveAndRestart = 156,     // "Do you want save and restart application?"
    askLoadDefaults = 157,       // "Do you want to load default value?"
    askResetMinMax = 158,        // "Are you sure to reset min/max records on the device?"
    needAdministrator = 159,     // "You need administrator privilege to run this program for the first time!"
    selectData = 160,            // "Please select data!"
    stationBusy = 161,           // "The device is busy! Please wait for a while."
    cannotCommunicate = 162,     // "Can't communicate with device!"
    alarmReadFailed = 163,       // "Read weather alarm data fail!"
    setupReadFailed = 164,       // "Read weather setup data fail!"
    scopeReadFailed = 165,       // "Read weather scope data fail!"
    setupSaveFailed = 166,       // "Save weather setup data fail!"
    alarmSaveFailed = 167,       // "Save weather alarm data fail!"
    setupInitFailed = 168,       // "Init weather setup data fail!"
    minMaxResetFailed = 169,     // "Reset min/max data fail!"
};

// The row a number of rows after another, for a run of rows that reads as a list (the chart types, from
// "Line" on).
constexpr TextRow rowAfter(TextRow first, int steps) {
    return static_cast<TextRow>(static_cast<int>(first) + steps);
}

// A text of the language table: a numbered row, or a symbolic key such as "view.indoor". An empty key names
// no text.
class TextKey {
public:
    constexpr TextKey(TextRow row) : row_(static_cast<int>(row)) {}
    constexpr TextKey(std::string_view name) : name_(name) {}
    constexpr TextKey(const char* name) : name_(name) {}
    TextKey(const std::string& name) : name_(name) {}
    // A bare number is not a key: name the row.
    TextKey(int) = delete;
    TextKey(std::nullptr_t) = delete;

    constexpr bool empty() const { return row_ < 0 && name_.empty(); }
    // The key as the table file spells it: the row number, or the name.
    std::string spelling() const { return row_ >= 0 ? std::to_string(row_) : std::string(name_); }

    constexpr bool operator==(const TextKey&) const = default;

private:
    int row_ = -1;
    std::string_view name_;
};

} // namespace nimbrel
