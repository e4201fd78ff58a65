// The picture of the station's condition code: sunny, partly cloudy, cloudy, rain, storm.
#pragma once

#include <QString>
#include <QWidget>

namespace nimbrel {

// The resource picture of a condition code 0 to 4, empty for any other code.
QString conditionPictureName(int code);

class ConditionPicture : public QWidget {
    Q_OBJECT
public:
    explicit ConditionPicture(QWidget* parent = nullptr);

    // The condition text of a reading; a text that is not a code 0 to 4 clears the picture.
    void setCondition(const QString& text);
    // -1 while no picture is shown.
    int code() const { return code_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int code_ = -1;
};

} // namespace nimbrel
