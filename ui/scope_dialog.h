// ScopeDialog: the station's minimum and maximum records with their times, read once when it opens.
#pragma once

#include <QDialog>

namespace nimbrel {

struct AppContext;
class LanguageTable;
class ScopeForm;

// The Scope command: reads the station (waiting up to three seconds for it), tells the user of each
// failed read once the station is free again, and runs the window modally. When the station stays
// busy it says "Can't communicate with device!" and no window opens. Message boxes are named
// "scopeMessage", the window "scopeDialog".
void openScopeWindow(const AppContext& context, QWidget* parent);

// The window over a form already filled: 46 read-only boxes named by their control numbers ("c10061",
// "c1051") and the OK button "c1".
class ScopeDialog : public QDialog {
    Q_OBJECT
public:
    ScopeDialog(const ScopeForm& form, const LanguageTable& texts, QWidget* parent = nullptr);
};

} // namespace nimbrel
