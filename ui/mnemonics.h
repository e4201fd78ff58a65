// Mnemonics: gives the entries of one menu, and the titles of the menu bar, Alt letters of their own.
#pragma once

#include <QStringList>

class QMenu;
class QMenuBar;

namespace nimbrel {

// The labels, each with at most one "&" letter and no letter twice (compared without letter case).
// A letter that a label already marks (a translator's choice in the language table, or an earlier
// call) is kept if no earlier label holds it; every other label takes its first letter, else the
// first letter of a later word, else any letter of it still free; a label whose letters are all
// taken gets none. "&&" stays a shown ampersand, and so does a lone "&" before no letter.
QStringList withMnemonics(const QStringList& labels);

// Gives the entries of one menu their letters: separators are passed over, hidden entries take part
// so they never clash once shown. Call it again after adding entries: letters already given stay.
void assignMnemonics(QMenu* menu);

// The whole menu bar: its titles against each other (the hidden ones too), then every menu under it,
// submenus included, each on its own. Menus built in one go need this one call at the end.
void assignMnemonics(QMenuBar* bar);

} // namespace nimbrel
