// nimbrel-cli setup: the Setup window on the command line. Without assignments it prints every
// setting as the window shows it; with them it checks, links and saves exactly as the window's Save,
// then prints each station byte that changed.
#include "app/setup_form.h"
#include "tools/nimbrel-cli/assignments.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/folder_session.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

namespace nimbrel::cli {

namespace {

constexpr const char* kName = "setup";

struct SetupOptions {
    FolderOption dir;
    std::vector<std::string> words;
};

// The settings a station holds; the console's date display, which no station byte keeps, is left out.
std::vector<const SetupFieldInfo*> stationFields() {
    std::vector<const SetupFieldInfo*> out;
    for (const SetupFieldInfo& f : SetupForm::fields())
        if (f.stored) out.push_back(&f);
    return out;
}

// A form's work that was not done; a refused value is told with the name of the field the window puts
// the focus on.
int failWithField(const FormOutcome& outcome) {
    if (const SetupFieldInfo* f = SetupForm::field(outcome.focusControl); f && outcome.refused())
        return refuseField(kName, f->name, outcome.message);
    return failWith(kName, outcome);
}

int runSetup(const SetupOptions& options) {
    const auto fields = stationFields();
    std::vector<std::string> names;
    for (const SetupFieldInfo* f : fields) names.emplace_back(f->name);
    std::vector<Assignment> assignments;
    if (const int status = readAssignments(kName, options.words, names, assignments); status != kExitOk)
        return status;

    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession(kName, options.dir, FolderUse::beside, session); status != kExitOk)
        return status;
    if (const int status = findStation(kName, *session); status != kExitOk) return status;
    StationAccess& station = session->station();
    SetupForm form(station, station.clock(), session->texts());
    if (const FormOutcome opened = form.open(); !opened.done) return failWith(kName, opened);

    if (assignments.empty()) {
        for (const SetupFieldInfo* f : fields)
            std::cout << f->name << ": " << form.shownValue(f->control) << '\n';
        return kExitOk;
    }

    // Lists and boxes first, as a user picks a unit before typing a value in it: a new pressure unit
    // converts what the pressure box shows, and a pressure typed with it is in that unit.
    auto control = [&](const Assignment& a) {
        for (const SetupFieldInfo* f : fields)
            if (comparableName(f->name) == comparableName(a.name)) return f;
        return fields.front();
    };
    for (bool typedValues : {false, true})
        for (const Assignment& a : assignments) {
            const SetupFieldInfo* f = control(a);
            const bool typed = f->kind == SetupFieldKind::integer || f->kind == SetupFieldKind::number;
            if (typed != typedValues) continue;
            if (const auto refused = form.assign(f->control, a.value))
                return refuseField(kName, f->name, *refused);
        }
    // The window's checks put the focus on the box they refuse; its name is the field's.
    if (const FormOutcome checked = form.validate(); !checked.done) return failWithField(checked);

    const FormOutcome saved = form.save();
    // Whatever the save did, show what it changed on the station (a refused alarm write may have
    // left the settings written back).
    printByteChanges(saved.changes);
    return saved.done ? kExitOk : failWithField(saved);
}

} // namespace

void addSetupCommand(CLI::App& app) {
    auto options = std::make_shared<SetupOptions>();
    CLI::App& command =
        *app.add_subcommand(kName, "show or change the station's settings, as the Setup window");
    command.footer(
        "Without assignments prints every setting as \"Name: value\", as the Setup window shows it. "
        "Each KEY=VALUE sets one: KEY is the setting's name (any letter case, blanks and punctuation "
        "ignored), VALUE what the window's box takes: a list's entry (\"°F\", \"inHg\"), a number "
        "without its unit, on or off for an alarm enable. A changed unit converts the station's alarm "
        "values, as the window's Save does. The values are checked as the window checks them (its "
        "message, exit 2, nothing written); then the settings are saved and each station byte changed "
        "is printed as \"0x0011: 20 -> 21\". Works while the window or the logger runs on the same "
        "folder. Exits 1 when the station could not be read or written.");
    addDirOption(command, options->dir);
    command.add_option("assignments", options->words, "a setting to change, e.g. \"Recording interval=10\"")
        ->type_name("KEY=VALUE");
    addBurstRiskNote(command);
    setRun(command, [options] { return runSetup(*options); });
}

} // namespace nimbrel::cli
