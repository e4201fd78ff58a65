#include "ui/range_search_box.h"

#include "app/date_time_formats.h"
#include "app/history_search.h"
#include "app/language_table.h"
#include "station/clock.h"
#include "ui/window_texts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <algorithm>

namespace nimbrel {

namespace {

// The pickers' patterns are those of the station program's date-time picker, where "yyy" is the
// year in full and "tt" the AM/PM mark; Qt writes them "yyyy" and "AP" ("hh" with "AP" is the
// 12-hour clock, "HH" the 24-hour one in both). The rest reads the same.
QString qtPickerFormat(const char* pattern) {
    QString format = QString::fromLatin1(pattern);
    if (!format.contains(QLatin1String("yyyy"))) format.replace(QLatin1String("yyy"), QLatin1String("yyyy"));
    format.replace(QLatin1String("tt"), QLatin1String("AP"));
    return format;
}

std::string rangeText(const QDate& date, const QTime& time) {
    return (date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
            time.toString(QStringLiteral("HH:mm:ss")))
        .toStdString();
}

} // namespace

RangeSearchBox::RangeSearchBox(const LanguageTable& t, const UnitSelection& units, Clock& clock,
                               QWidget* parent)
    : QGroupBox(QString::fromStdString(t.text(TextRow::search)), parent), clock_(clock) {
    period_ = new QComboBox;
    period_->setObjectName(QStringLiteral("c1089"));
    for (const char* key : {"history.period.hour", "history.period.day", "history.period.week",
                            "history.period.month", "history.period.user"})
        period_->addItem(qtext(t, key));
    period_->view()->setMinimumWidth(130);
    connect(period_, &QComboBox::currentIndexChanged, this, &RangeSearchBox::onPeriodChosen);

    const QString dateFormat = qtPickerFormat(pickerDateFormat(units.dateFormat));
    const QString timeFormat = qtPickerFormat(pickerTimeFormat(units.timeFormat));
    const auto datePicker = [&dateFormat](int id) {
        auto* picker = new QDateEdit;
        picker->setObjectName(QStringLiteral("c%1").arg(id));
        picker->setDisplayFormat(dateFormat);
        return picker;
    };
    const auto timePicker = [&timeFormat](int id) {
        auto* picker = new QTimeEdit;
        picker->setObjectName(QStringLiteral("c%1").arg(id));
        picker->setDisplayFormat(timeFormat);
        return picker;
    };
    startDate_ = datePicker(1088);
    startTime_ = timePicker(1090);
    endDate_ = datePicker(1091);
    endTime_ = timePicker(1092);

    search_ = new QPushButton(QString::fromStdString(t.text(TextRow::search)));
    search_->setObjectName(QStringLiteral("c3"));
    search_->setDefault(true);
    connect(search_, &QPushButton::clicked, this, &RangeSearchBox::searchRequested);

    auto* row = new QHBoxLayout(this);
    const auto labelled = [row](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption);
        label->setBuddy(field);
        row->addWidget(label);
        row->addWidget(field);
    };
    labelled(qtext(t, "history.condition"), period_);
    row->addSpacing(12);
    labelled(qtext(t, "history.start"), startDate_);
    row->addWidget(startTime_);
    row->addSpacing(12);
    labelled(qtext(t, "history.end"), endDate_);
    row->addWidget(endTime_);
    row->addStretch(1);
    row->addWidget(search_);
}

void RangeSearchBox::setRange(std::time_t start, std::time_t end) {
    const QDateTime from = QDateTime::fromSecsSinceEpoch(start);
    const QDateTime to = QDateTime::fromSecsSinceEpoch(end);
    startDate_->setDate(from.date());
    startTime_->setTime(from.time());
    endDate_->setDate(to.date());
    endTime_->setTime(to.time());
}

void RangeSearchBox::setPicked(const PickedRange& picked) {
    {
        // Handing over a choice moves nothing: the pickers come with it.
        const QSignalBlocker quiet(period_);
        period_->setCurrentIndex(std::clamp(picked.period, 0, kPeriodChoices - 1));
    }
    startDate_->setDate(picked.startDate);
    startTime_->setTime(picked.startTime);
    endDate_->setDate(picked.endDate);
    endTime_->setTime(picked.endTime);
}

PickedRange RangeSearchBox::picked() const {
    return {period_->currentIndex(), startDate_->date(), startTime_->time(), endDate_->date(),
            endTime_->time()};
}

std::string RangeSearchBox::fromText() const {
    return rangeText(startDate_->date(), startTime_->time());
}

std::string RangeSearchBox::toText() const {
    return rangeText(endDate_->date(), endTime_->time());
}

void RangeSearchBox::onPeriodChosen(int choice) {
    const std::time_t now = clock_.nowSeconds();
    setRange(now - periodSeconds(choice), now);
}

} // namespace nimbrel
