// PickedRange: the period box's choice and the four pickers of a window that searches the history.
#pragma once

#include <QDate>
#include <QTime>

namespace nimbrel {

// What the History window hands to the Graph window through Graph..., and how the Graph window starts.
struct PickedRange {
    int period = 3; // "a month"
    QDate startDate;
    QTime startTime;
    QDate endDate;
    QTime endTime;
};

} // namespace nimbrel
