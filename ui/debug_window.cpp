#include "ui/debug_window.h"

#include "app/debug_log.h"
#include "app/language_table.h"
#include "station/station_access.h"
#include "ui/app_context.h"
#include "ui/window_texts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace nimbrel {

namespace {

template <typename W> W* named(W* widget, int id) {
    widget->setObjectName(QStringLiteral("c%1").arg(id));
    return widget;
}

} // namespace

DebugWindow::DebugWindow(const AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context), log_(std::make_shared<DebugLog>(context.texts)) {
    const LanguageTable& t = context.texts;
    setObjectName(QStringLiteral("debugWindow"));
    setWindowTitle(qtext(t, "debug.caption"));
    setModal(false);
    setSizeGripEnabled(true);

    text_ = named(new QPlainTextEdit, 1025);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setFont(QFont(QStringLiteral("monospace")));

    readOption_ = named(new QCheckBox(qtext(t, "debug.read_option")), 1027);
    dataOption_ = named(new QCheckBox(qtext(t, "debug.data_option")), 1028);
    writeOption_ = named(new QCheckBox(qtext(t, "debug.write_option")), 1026);
    auto* setupRead = named(new QPushButton(qtext(t, "debug.setup_read")), 1029);
    auto* numberLabel = named(new QLabel(qtext(t, "debug.data_number")), 1031);
    number_ = named(new QLineEdit(QStringLiteral("0")), 1056);
    number_->setMaxLength(6);
    numberLabel->setBuddy(number_);
    auto* dataRead = named(new QPushButton(qtext(t, "debug.data_read")), 1030);
    auto* clear = named(new QPushButton(qtext(t, "debug.clear")), 1019);
    auto* cancel = named(new QPushButton(qtext(t, "debug.cancel")), 2);
    for (QPushButton* b : {setupRead, dataRead, clear, cancel}) b->setAutoDefault(false);

    // The log grows with the window; the controls keep their size and follow its right edge.
    auto* side = new QVBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{readOption_, dataOption_, writeOption_, setupRead,
                                                      numberLabel, number_, dataRead, clear})
        side->addWidget(w);
    side->addStretch(1);
    side->addWidget(cancel);
    auto* outer = new QHBoxLayout(this);
    outer->addWidget(text_, 1);
    outer->addLayout(side, 0);

    for (QCheckBox* box : {readOption_, dataOption_, writeOption_})
        connect(box, &QCheckBox::toggled, this, &DebugWindow::optionsChanged);
    connect(setupRead, &QPushButton::clicked, this, &DebugWindow::readSetup);
    connect(dataRead, &QPushButton::clicked, this, &DebugWindow::readRecord);
    connect(clear, &QPushButton::clicked, this, &DebugWindow::clearLog);
    connect(cancel, &QPushButton::clicked, this, &DebugWindow::reject);

    // The station's notices come on whichever thread did the reading; the log takes them there and
    // this window only redraws later, on its own thread.
    log_->setChangeHandler([this] { queueRefresh(); });
    context_.station.setObserver(log_);

    resize(std::max(sizeHint().width(), 720), std::max(sizeHint().height(), 560));
    setMinimumSize(size());
}

DebugWindow::~DebugWindow() {
    context_.station.setObserver(nullptr);
    log_->setChangeHandler({});
}

QString DebugWindow::shownText() const {
    return text_->toPlainText();
}

void DebugWindow::optionsChanged() {
    log_->setOptions(
        DebugOptions{readOption_->isChecked(), writeOption_->isChecked(), dataOption_->isChecked()});
}

void DebugWindow::queueRefresh() {
    if (refreshQueued_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this, [this] { refresh(); }, Qt::QueuedConnection);
}

void DebugWindow::refresh() {
    refreshQueued_ = false;
    if (!isVisible()) return; // shown again, it takes the log as it is then
    text_->setPlainText(QString::fromStdString(log_->text()));
    text_->moveCursor(QTextCursor::End);
    text_->ensureCursorVisible();
}

void DebugWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refresh();
}

void DebugWindow::reject() {
    hide();
}

void DebugWindow::tell(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, qtext(context_.texts, TextRow::applicationTitle), text,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("debugMessage"));
    box.exec();
}

void DebugWindow::readSetup() {
    optionsChanged();
    DebugLog& log = *log_;
    const AppContext& context = context_;
    work_.run<FormOutcome>([&log, &context] { return log.readSetup(context.station, context.clock); },
                           [this](FormOutcome& result) { told(result); });
}

void DebugWindow::told(const FormOutcome& result) {
    if (!result.done) tell(QString::fromStdString(result.message));
}

void DebugWindow::readRecord() {
    optionsChanged();
    const auto n = DebugLog::parseRecordNumber(number_->text().toStdString());
    if (!n) {
        tell(QString::fromStdString(log_->recordNumberPrompt()));
        number_->setFocus();
        number_->selectAll();
        return;
    }
    DebugLog& log = *log_;
    const AppContext& context = context_;
    const int number = *n;
    work_.run<FormOutcome>(
        [&log, &context, number] { return log.readRecord(context.station, context.clock, number); },
        [this](FormOutcome& result) { told(result); });
}

void DebugWindow::clearLog() {
    log_->clear();
}

DebugWindow* showDebugWindow(const AppContext& context, QWidget* parent, DebugWindow* existing) {
    DebugWindow* window = existing ? existing : new DebugWindow(context, parent);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace nimbrel
