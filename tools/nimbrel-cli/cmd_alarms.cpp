// nimbrel-cli alarms: the Alarm window's boxes on the command line, shown, or changed as its Save does.
#include "app/alarm_form.h"
#include "tools/nimbrel-cli/assignments.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/folder_session.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <set>

namespace nimbrel::cli {

namespace {

const std::string kCommand = "alarms";

struct AlarmsOptions {
    FolderOption dir;
    std::vector<std::string> words;
};

std::vector<std::string> fieldNames() {
    std::vector<std::string> names;
    for (const AlarmBox& box : alarmBoxes()) names.emplace_back(box.name);
    names.emplace_back(kAlarmDirectionName);
    return names;
}

// One "Name: value" line per box, the value as the window shows it with the label beside it.
void printFields(const AlarmForm& form) {
    for (const AlarmBox& box : alarmBoxes()) {
        const std::string value = form.text(box.control);
        const std::string unit = form.unitLabel(box.control);
        std::cout << box.name << ": " << value << (unit.empty() || value == "---" ? "" : " " + unit) << '\n';
    }
    std::cout << kAlarmDirectionName << ": " << form.text(kAlarmDirectionControl) << '\n';
}

// Puts the assigned values into the form as a user typing them, then leaves each box so that a speed
// sets its Beaufort level (and a level its speed), unless both of the pair were assigned.
int applyAssignments(AlarmForm& form, const std::vector<Assignment>& assignments) {
    std::set<int> assigned;
    for (const Assignment& a : assignments) {
        if (a.name == kAlarmDirectionName) {
            const int index = form.directionIndexOf(a.value);
            if (index < 0) {
                std::string entries;
                for (const std::string& e : form.directionEntries()) entries += (entries.empty() ? "" : ", ") + e;
                return refuseField(kCommand, a.name,
                                   "\"" + a.value + "\" is not a direction of the list (" + entries + ")");
            }
            form.selectDirection(index);
            continue;
        }
        for (const AlarmBox& box : alarmBoxes())
            if (a.name == box.name) {
                form.edit(box.control, a.value);
                assigned.insert(box.control);
            }
    }
    for (const int control : assigned)
        if (!assigned.count(alarmLinkedBox(control))) form.leave(control);
    return kExitOk;
}

int runAlarms(const AlarmsOptions& options) {
    std::vector<Assignment> assignments;
    if (const int status = readAssignments(kCommand, options.words, fieldNames(), assignments); status != kExitOk)
        return status;
    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession(kCommand, options.dir, FolderUse::beside, session); status != kExitOk)
        return status;
    if (const int status = findStation(kCommand, *session); status != kExitOk) return status;

    StationAccess& station = session->station();
    AlarmForm form(session->texts());
    if (const FormOutcome opened = form.load(station, station.clock()); !opened.done)
        return failWith(kCommand, opened);
    if (assignments.empty()) {
        printFields(form);
        return kExitOk;
    }

    if (const int status = applyAssignments(form, assignments); status != kExitOk) return status;
    if (const FormOutcome checked = form.validate(); !checked.done)
        return refuseField(kCommand, alarmBoxByControl(checked.focusControl)->name, checked.message);
    const FormOutcome saved = form.save(station, station.clock());
    if (!saved.done) return failWith(kCommand, saved);
    std::cout.flush();
    printByteChanges(saved.changes);
    return kExitOk;
}

} // namespace

void addAlarmsCommand(CLI::App& app) {
    auto options = std::make_shared<AlarmsOptions>();
    CLI::App& command = *app.add_subcommand(kCommand, "show the station's alarm thresholds, or change them as "
                                                      "the Alarm window's Save does");
    addDirOption(command, options->dir);
    command.add_option("assignments", options->words,
                       "boxes to change, as NAME=VALUE: the name of a line that the command prints without "
                       "assignments (case, blanks and punctuation do not matter), the value as the window's "
                       "box takes it (a number without its unit, or a direction such as SW)")
        ->type_name("NAME=VALUE ...");
    command.footer("Without assignments it prints every box as \"Name: value\". With them it checks them as "
                   "the window does (its prompt on standard error, exit 2, nothing written), sets a new wind "
                   "or gust speed's Beaufort level unless the level is given too, writes the thresholds and "
                   "prints each station byte it changed (\"0x0030: 41 -> 46\"). Works while the window or the "
                   "logger runs on the same folder. Exits 1 when the station could not be read or written.");
    addBurstRiskNote(command);
    setRun(command, [options] { return runAlarms(*options); });
}

} // namespace nimbrel::cli
