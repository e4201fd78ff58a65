#include "ui/mnemonics.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace nimbrel {

namespace {

// A label taken apart: the text as shown (a shown ampersand as one "&") and the letter it marks.
struct Label {
    QString shown;
    qsizetype marked = -1;
};

Label parse(const QString& label) {
    Label out;
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label[i] == QLatin1Char('&') && i + 1 < label.size()) {
            if (label[i + 1] == QLatin1Char('&')) {
                out.shown += QLatin1Char('&');
                ++i;
                continue;
            }
            if (label[i + 1].isLetterOrNumber()) {
                if (out.marked < 0) out.marked = out.shown.size();
                continue;
            }
        }
        out.shown += label[i];
    }
    return out;
}

QString compose(const Label& label) {
    QString out;
    for (qsizetype i = 0; i < label.shown.size(); ++i) {
        if (i == label.marked) out += QLatin1Char('&');
        out += label.shown[i];
        if (label.shown[i] == QLatin1Char('&')) out += QLatin1Char('&');
    }
    return out;
}

QChar key(QChar letter) {
    return letter.toCaseFolded();
}

// Where a label's letter would go, best first: its first letter, the first letters of later words,
// then every letter.
QList<qsizetype> candidates(const QString& shown) {
    QList<qsizetype> first;
    QList<qsizetype> wordStarts;
    QList<qsizetype> rest;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (!shown[i].isLetterOrNumber()) continue;
        if (first.isEmpty()) {
            first << i;
        } else if (shown[i - 1].isSpace()) {
            wordStarts << i;
        } else {
            rest << i;
        }
    }
    return first + wordStarts + rest;
}

void assignTo(const QList<QAction*>& actions) {
    QStringList labels;
    QList<QAction*> entries;
    for (QAction* action : actions) {
        if (action->isSeparator() || action->text().isEmpty()) continue;
        entries << action;
        labels << action->text();
    }
    const QStringList marked = withMnemonics(labels);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i]->text() != marked[i]) entries[i]->setText(marked[i]);
    }
}

} // namespace

QStringList withMnemonics(const QStringList& labels) {
    QList<Label> parsed;
    for (const QString& label : labels) parsed << parse(label);

    // Letters chosen on purpose go first, so a later label's first letter cannot take them.
    QSet<QChar> taken;
    for (Label& label : parsed) {
        if (label.marked < 0) continue;
        const QChar letter = key(label.shown[label.marked]);
        if (taken.contains(letter)) {
            label.marked = -1;
        } else {
            taken.insert(letter);
        }
    }
    for (Label& label : parsed) {
        if (label.marked >= 0) continue;
        for (const qsizetype at : candidates(label.shown)) {
            if (taken.contains(key(label.shown[at]))) continue;
            taken.insert(key(label.shown[at]));
            label.marked = at;
            break;
        }
    }

    QStringList out;
    for (const Label& label : parsed) out << compose(label);
    return out;
}

void assignMnemonics(QMenu* menu) {
    assignTo(menu->actions());
    for (QAction* action : menu->actions()) {
        if (action->menu() != nullptr) assignMnemonics(action->menu());
    }
}

void assignMnemonics(QMenuBar* bar) {
    assignTo(bar->actions());
    for (QAction* action : bar->actions()) {
        if (action->menu() != nullptr) assignMnemonics(action->menu());
    }
}

} // namespace nimbrel
