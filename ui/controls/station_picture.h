// The picture of the station in the view: the user's own Nimbrel.bmp from the data folder, or ours.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <QWidget>

namespace nimbrel {

// Where a picture is drawn inside `room`: as large as fits with its proportions kept, up to `largest`
// (both in device-independent pixels), centred. Empty when nothing fits.
QRect fittedPictureRect(const QSizeF& largest, const QRect& room);

class StationPicture : public QWidget {
    Q_OBJECT
public:
    explicit StationPicture(QWidget* parent = nullptr);

    // Shows the user's picture file instead of ours; false, and ours stays, when it cannot be read.
    bool loadFile(const QString& path);
    bool showsOwnPicture() const { return !own_.isNull(); }

    // The largest the picture is drawn on a screen of this density: ours (drawn from its outline) at a
    // fixed size, the user's at one of its pixels per screen pixel, so a photograph never turns blurry.
    QSizeF largestSize(qreal devicePixelRatio) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The picture at exactly `devicePixels`, made once per size and density.
    const QPixmap& rendered(const QSize& devicePixels, qreal devicePixelRatio);

    QImage own_;
    QPixmap cache_;
};

} // namespace nimbrel
