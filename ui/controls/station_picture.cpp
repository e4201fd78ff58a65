#include "ui/controls/station_picture.h"

#include "ui/gui_resources.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace nimbrel {

namespace {

// Our own picture is drawn from its outline at any size; this is as large as it gets.
constexpr int kOursLargest = 160;
// The size the view asks for: ours at the size of a large icon, the user's within the box that the
// picture always had.
constexpr int kOursPreferred = 128;
const QSize kOwnPreferred(200, 160);
// Below this the picture says nothing any more.
constexpr int kSmallest = 64;

// The picture made to fit `box` with its proportions kept, smaller or larger.
QSizeF fittedInto(const QSize& picture, const QSize& box) {
    return QSizeF(picture.scaled(box, Qt::KeepAspectRatio));
}

} // namespace

QRect fittedPictureRect(const QSizeF& largest, const QRect& room) {
    if (largest.isEmpty() || room.isEmpty()) return {};
    const double scale = std::min({1.0, room.width() / largest.width(), room.height() / largest.height()});
    const QSize size(static_cast<int>(std::floor(largest.width() * scale)),
                     static_cast<int>(std::floor(largest.height() * scale)));
    if (size.isEmpty()) return {};
    return {QPoint(room.left() + (room.width() - size.width()) / 2,
                   room.top() + (room.height() - size.height()) / 2),
            size};
}

StationPicture::StationPicture(QWidget* parent) : QWidget(parent) {}

bool StationPicture::loadFile(const QString& path) {
    QImage image(path);
    if (image.isNull()) return false;
    own_ = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    cache_ = QPixmap();
    updateGeometry();
    update();
    return true;
}

QSizeF StationPicture::largestSize(qreal devicePixelRatio) const {
    if (own_.isNull()) return QSizeF(kOursLargest, kOursLargest);
    // As large as the box the picture always had, and larger where the room and its pixels allow.
    const QSizeF everyPixel = QSizeF(own_.size()) / (devicePixelRatio > 0 ? devicePixelRatio : 1.0);
    const QSizeF inBox = fittedInto(own_.size(), kOwnPreferred);
    return everyPixel.width() > inBox.width() ? everyPixel : inBox;
}

QSize StationPicture::sizeHint() const {
    if (own_.isNull()) return {kOursPreferred, kOursPreferred};
    return fittedInto(own_.size(), kOwnPreferred).toSize();
}

QSize StationPicture::minimumSizeHint() const {
    if (own_.isNull()) return {kSmallest, kSmallest};
    return fittedInto(own_.size(), QSize(kSmallest, kSmallest)).toSize();
}

const QPixmap& StationPicture::rendered(const QSize& devicePixels, qreal devicePixelRatio) {
    if (cache_.size() == devicePixels && cache_.devicePixelRatio() == devicePixelRatio) return cache_;
    if (own_.isNull()) {
        cache_ = picture(QStringLiteral("icons/nimbrel.svg"), devicePixels);
    } else if (own_.size() == devicePixels) {
        cache_ = QPixmap::fromImage(own_);
    } else {
        cache_ =
            QPixmap::fromImage(own_.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    cache_.setDevicePixelRatio(devicePixelRatio);
    return cache_;
}

void StationPicture::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    const QRect target = fittedPictureRect(largestSize(ratio), contentsRect());
    if (target.isEmpty()) return;
    const QSize devicePixels(qRound(target.width() * ratio), qRound(target.height() * ratio));
    QPainter painter(this);
    painter.drawPixmap(target.topLeft(), rendered(devicePixels, ratio));
}

} // namespace nimbrel
