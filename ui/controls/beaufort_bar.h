// The Beaufort bar: the numbers 0 to 12 over a bar filled up to the wind's level.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

namespace nimbrel {

inline constexpr int kBeaufortTop = 12;

// The level a text asks for, or nothing when it asks for no change: "" and "---" mean 0, a level
// outside 0 to 12 or equal to the current one changes nothing.
std::optional<int> beaufortLevelChange(const QString& text, int currentLevel);

class BeaufortBar : public QWidget {
    Q_OBJECT
public:
    explicit BeaufortBar(QWidget* parent = nullptr);

    void setLevel(const QString& text);
    int level() const { return level_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int level_ = 0;
};

} // namespace nimbrel
