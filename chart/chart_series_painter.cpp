#include "chart/chart_series_painter.h"

#include "chart/chart_clip.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

namespace nimbrel::chart {

Shades shadesOf(std::uint32_t rgb) {
    const QColor c(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                   static_cast<int>(rgb & 0xFF));
    auto mix = [&](const QColor& other, double f) {
        return QColor::fromRgbF(static_cast<float>(c.redF() * (1 - f) + other.redF() * f),
                                static_cast<float>(c.greenF() * (1 - f) + other.greenF() * f),
                                static_cast<float>(c.blueF() * (1 - f) + other.blueF() * f));
    };
    return {c, mix(Qt::black, 0.35), mix(Qt::white, 0.35), mix(Qt::black, 0.25)};
}

namespace {

constexpr qsizetype kPieceLength = 32;

bool isValue(float y) {
    return !std::isnan(y);
}

// A point of a series on the front plane, in pixels, not yet clipped.
QPointF screenPoint(const ChartLayout& l, double x, float y) {
    return l.map(x, static_cast<double>(y));
}

// The series as polylines at the picture's resolution, broken at gaps. Consecutive points that fall
// into one pixel column collapse to the first, the lowest, the highest and the last of them, in their
// order: drawn as a line, that covers the same pixels as every point would. Points left or right of
// the plot collapse into one column on each side, so the lines into the plot keep their slopes.
std::vector<QPolygonF> columnRuns(const ChartLayout& l, const ChartSeries& s) {
    std::vector<QPolygonF> runs;
    const std::size_t n = s.size();
    if (n == 0) return runs;
    const auto& xs = *s.x;
    const auto& ys = *s.y;
    const double low = std::floor(l.plot.left()) - 2;
    const double high = std::ceil(l.plot.right()) + 1;
    QPolygonF run;
    bool open = false;
    double column = 0;
    QPointF first, last, lowest, highest;
    std::size_t lowestAt = 0, highestAt = 0;
    auto flush = [&] {
        if (!open) return;
        auto add = [&](const QPointF& p) {
            if (run.isEmpty() || run.back() != p) run << p;
        };
        add(first);
        if (lowestAt <= highestAt) {
            add(lowest);
            add(highest);
        } else {
            add(highest);
            add(lowest);
        }
        add(last);
        open = false;
    };
    for (std::size_t i = 0; i < n; ++i) {
        if (!isValue(ys[i])) {
            flush();
            if (!run.isEmpty()) runs.push_back(std::move(run));
            run = QPolygonF();
            continue;
        }
        const QPointF p = screenPoint(l, xs[i], ys[i]);
        const double c = std::clamp(std::floor(p.x()), low, high);
        if (open && c == column) {
            last = p;
            if (p.y() > lowest.y()) lowest = p, lowestAt = i;
            if (p.y() < highest.y()) highest = p, highestAt = i;
            continue;
        }
        flush();
        open = true;
        column = c;
        first = last = lowest = highest = p;
        lowestAt = highestAt = i;
    }
    flush();
    if (!run.isEmpty()) runs.push_back(std::move(run));
    return runs;
}

// A smooth curve through the run's points (Catmull-Rom segments as cubic Beziers), flattened into a
// polyline. One point stays a point; two give a straight line; nothing divides by a distance.
QPolygonF smoothCurve(const QPolygonF& p) {
    if (p.size() < 3) return p;
    QPolygonF out;
    out << p.front();
    const qsizetype n = p.size();
    for (qsizetype k = 0; k + 1 < n; ++k) {
        const QPointF p0 = p[std::max<qsizetype>(0, k - 1)];
        const QPointF p1 = p[k];
        const QPointF p2 = p[k + 1];
        const QPointF p3 = p[std::min(n - 1, k + 2)];
        const QPointF c1 = p1 + (p2 - p0) / 6.0;
        const QPointF c2 = p2 - (p3 - p1) / 6.0;
        // Steps by the horizontal distance: between points of one pixel column (ten years of them) a
        // curve looks like the straight line.
        const int steps = static_cast<int>(std::clamp(std::fabs(p2.x() - p1.x()) / 4.0, 1.0, 16.0));
        for (int s = 1; s <= steps; ++s) {
            const double t = static_cast<double>(s) / steps;
            const double u = 1.0 - t;
            out << p1 * (u * u * u) + c1 * (3 * u * u * t) + c2 * (3 * u * t * t) + p2 * (t * t * t);
        }
    }
    return out;
}

// The top edge of the area under a decimated run, one level per pixel column: a column's highest point
// is as high as the area under the line reaches there. Filled, the run's zigzag would make every row of
// pixels cross thousands of edges; the top edge crosses each row only where the curve does.
QPolygonF skyline(const QPolygonF& run) {
    QPolygonF out;
    qsizetype i = 0;
    while (i < run.size()) {
        const double column = std::floor(run[i].x());
        qsizetype j = i;
        double top = run[i].y();
        while (j + 1 < run.size() && std::floor(run[j + 1].x()) == column) top = std::min(top, run[++j].y());
        if (i == j) {
            out << run[i];
        } else {
            out << QPointF(run[i].x(), top);
            if (run[j].x() != run[i].x()) out << QPointF(run[j].x(), top);
        }
        i = j + 1;
    }
    return out;
}

// Marks pixels already drawn, for types that draw a mark per distinct pixel.
class PixelSet {
public:
    explicit PixelSet(const QRectF& r)
        : left_(static_cast<int>(std::floor(r.left()))), top_(static_cast<int>(std::floor(r.top()))),
          width_(static_cast<int>(std::ceil(r.width())) + 2),
          height_(static_cast<int>(std::ceil(r.height())) + 2),
          seen_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), false) {}
    // True the first time a pixel inside the rectangle is asked for.
    bool first(const QPointF& p) {
        const int x = static_cast<int>(std::floor(p.x())) - left_;
        const int y = static_cast<int>(std::floor(p.y())) - top_;
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
        auto bit = seen_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                         static_cast<std::size_t>(x)];
        if (bit) return false;
        bit = true;
        return true;
    }

private:
    int left_, top_, width_, height_;
    std::vector<bool> seen_;
};

// The value from which bars and volume lines grow: 0 when the axis holds it, else its bottom.
double baseValue(const ChartLayout& l) {
    return l.valueMin <= 0.0 && 0.0 <= l.valueMax ? 0.0 : l.valueMin;
}

// A box: its front face, and in depth its top and right faces.
void drawBox(QPainter& p, const QRectF& front, double depth, const Shades& c) {
    if (depth > 0.0) {
        const QPointF d = ChartLayout::depthOffset(depth);
        p.setPen(Qt::NoPen);
        p.setBrush(c.light);
        p.drawPolygon(
            QPolygonF{front.topLeft(), front.topRight(), front.topRight() + d, front.topLeft() + d});
        p.setBrush(c.dark);
        p.drawPolygon(
            QPolygonF{front.topRight(), front.bottomRight(), front.bottomRight() + d, front.topRight() + d});
    }
    p.setPen(front.width() >= 4 && front.height() >= 4 ? QPen(c.edge, 1) : QPen(Qt::NoPen));
    p.setBrush(c.main);
    p.drawRect(front);
}

class SeriesPainter {
public:
    // Flat areas are drawn in two passes: every face, then every outline.
    enum class Pass { all, outlines };
    void setPass(Pass pass) { pass_ = pass; }

    SeriesPainter(QPainter& p, const ChartLayout& l, const ChartModel& m) : p_(p), l_(l), m_(m) {}

    void draw(int index) {
        const ChartSeries& s = m_.series[static_cast<std::size_t>(index)];
        index_ = index;
        c_ = shadesOf(s.colour);
        near_ = l_.seriesNear(index);
        far_ = l_.seriesFar(index);
        middle_ = (near_ + far_) / 2;
        switch (m_.type) {
        case ChartType::line:
            return m_.view3D ? ribbons(columnRuns(l_, s)) : lines(columnRuns(l_, s), s.lineWidth, 0);
        case ChartType::fastLine:
            return lines(columnRuns(l_, s), 1, middle_);
        case ChartType::bezier: {
            std::vector<QPolygonF> curves;
            for (const QPolygonF& run : columnRuns(l_, s)) curves.push_back(smoothCurve(run));
            return m_.view3D ? ribbons(curves) : lines(curves, 1, 0);
        }
        case ChartType::area:
            return areas(columnRuns(l_, s));
        case ChartType::point:
        case ChartType::point3D:
            return points(s, m_.type == ChartType::point3D);
        case ChartType::arrow:
            return arrows(s);
        case ChartType::volume:
            return volume(s);
        case ChartType::bar:
        case ChartType::bar3D:
        case ChartType::horizBar:
            return bars(s);
        }
    }

private:
    QPointF shift(double d) const { return ChartLayout::depthOffset(d); }

    void lines(const std::vector<QPolygonF>& runs, int width, double depth) {
        p_.setPen(QPen(c_.main, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p_.setBrush(Qt::NoBrush);
        for (const QPolygonF& run : runs)
            for (QPolygonF piece : clipPolyline(run, l_.data)) {
                piece.translate(shift(depth));
                if (piece.size() == 1) {
                    p_.drawPoint(piece.front());
                    continue;
                }
                // In short pieces: the painter fills a wide line's whole outline at once, and ten years
                // of a series zigzag up and down through every pixel column; round caps join the pieces.
                for (qsizetype i = 0; i + 1 < piece.size(); i += kPieceLength)
                    p_.drawPolyline(piece.constData() + i, static_cast<int>(std::min<qsizetype>(
                                                               kPieceLength + 1, piece.size() - i)));
            }
    }

    // A line in depth: a band from the series' near edge to its far edge.
    void ribbons(const std::vector<QPolygonF>& runs) {
        const QPointF a = shift(near_), b = shift(far_);
        p_.setPen(QPen(c_.edge, 1));
        p_.setBrush(c_.main);
        for (const QPolygonF& run : runs)
            for (const QPolygonF& piece : clipPolyline(run, l_.data)) {
                if (piece.size() == 1) {
                    p_.drawLine(piece.front() + a, piece.front() + b);
                    continue;
                }
                for (qsizetype i = 1; i < piece.size(); ++i) {
                    const QPointF u = piece[i - 1], v = piece[i];
                    p_.setBrush(v.y() < u.y() ? c_.light : c_.main);
                    p_.drawPolygon(QPolygonF{u + a, v + a, v + b, u + b});
                }
            }
    }

    // In 3D each area is a solid block in its own depth. Flat, a pair of areas overlaps: the faces are
    // solid, so each shows in its legend's colour (see-through faces would mix a third colour where they
    // overlap), the lower series' face in front of the higher one's (paintChart draws them in that
    // order), and every outline is drawn after every face, so a line hidden behind a face still shows.
    void areas(const std::vector<QPolygonF>& runs) {
        const double base = l_.valuePixel(l_.valueMin);
        for (const QPolygonF& run : runs) {
            if (!m_.view3D && pass_ == Pass::outlines) {
                p_.setPen(QPen(c_.edge, 1));
                p_.setBrush(Qt::NoBrush);
                for (const QPolygonF& piece : clipPolyline(run, l_.plot)) p_.drawPolyline(piece);
                continue;
            }
            const QPolygonF top = skyline(run);
            QPolygonF shape = top;
            shape << QPointF(top.back().x(), base) << QPointF(top.front().x(), base);
            const QPolygonF face = clipPolygon(shape, l_.plot);
            if (face.isEmpty()) continue;
            if (!m_.view3D) {
                p_.setPen(Qt::NoPen);
                p_.setBrush(c_.main);
                p_.drawPolygon(face);
                continue;
            }
            {
                const QPointF a = shift(near_), b = shift(far_);
                p_.setPen(QPen(c_.edge, 1));
                p_.setBrush(c_.light);
                for (const QPolygonF& piece : clipPolyline(top, l_.plot))
                    for (qsizetype i = 1; i < piece.size(); ++i)
                        p_.drawPolygon(
                            QPolygonF{piece[i - 1] + a, piece[i] + a, piece[i] + b, piece[i - 1] + b});
            }
            p_.setPen(Qt::NoPen);
            p_.setBrush(c_.main);
            p_.drawPolygon(face.translated(shift(near_)));
            p_.setPen(QPen(c_.edge, 1));
            p_.setBrush(Qt::NoBrush);
            for (QPolygonF piece : clipPolyline(top, l_.plot))
                p_.drawPolyline(piece.translated(shift(near_)));
        }
    }

    void points(const ChartSeries& s, bool cubes) {
        const double radius = 3.0;
        const double cubeDepth = m_.view3D ? std::min(far_ - near_, 8.0) : 3.0;
        const QPointF at = shift(middle_);
        auto mark = [&](QPainter& p, const QPointF& centre) {
            p.setPen(QPen(c_.edge, 1));
            p.setBrush(c_.main);
            if (cubes)
                drawBox(p, QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
                        cubeDepth, c_);
            else
                p.drawEllipse(centre, radius, radius);
        };
        // On a raster device the mark is drawn once and copied to each pixel that gets one (ten years of
        // a noisy series give a hundred thousand of them); a vector device gets every mark as a shape.
        const bool raster = p_.paintEngine() && p_.paintEngine()->type() == QPaintEngine::Raster;
        QImage stamp;
        QPointF stampCentre;
        if (raster) {
            const int size = static_cast<int>(std::ceil(2 * radius + cubeDepth)) + 4;
            stamp = QImage(size, size, QImage::Format_ARGB32_Premultiplied);
            stamp.fill(Qt::transparent);
            stampCentre = QPointF(radius + 2, size - radius - 2);
            QPainter sp(&stamp);
            mark(sp, stampCentre);
        }
        PixelSet seen(l_.plot);
        const auto& xs = *s.x;
        const auto& ys = *s.y;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (!isValue(ys[i])) continue;
            const QPointF q = screenPoint(l_, xs[i], ys[i]);
            if (!l_.data.contains(q) || !seen.first(q)) continue;
            if (raster)
                p_.drawImage(QPointF(std::round(q.x() + at.x() - stampCentre.x()),
                                     std::round(q.y() + at.y() - stampCentre.y())),
                             stamp);
            else
                mark(p_, q + at);
        }
    }

    // Each point's arrow comes from the point drawn before it; the first from itself. An arrow of no
    // length is a dot; one shorter than its head is a line. Ten years give a hundred thousand arrows:
    // the lines are drawn in batches and, on a raster device, each head is copied from a head drawn
    // once for its direction (to a 64th of a turn) and length.
    void arrows(const ChartSeries& s) {
        const QPointF at = shift(middle_);
        PixelSet seen(l_.plot);
        const auto& xs = *s.x;
        const auto& ys = *s.y;
        bool havePrevious = false;
        QPointF previous;
        constexpr int kHead = 7;
        constexpr int kDirections = 64;
        const bool raster = p_.paintEngine() && p_.paintEngine()->type() == QPaintEngine::Raster;
        std::vector<QImage> stamps(static_cast<std::size_t>(kDirections * (kHead + 1)));
        const double stampHalf = kHead + 2;
        auto headPolygon = [](const QPointF& tip, const QPointF& u, double h) {
            const QPointF side(-u.y(), u.x());
            return QPolygonF{tip, tip - u * h + side * (h / 2), tip - u * h - side * (h / 2)};
        };
        std::vector<QLineF> shafts;
        auto flush = [&] {
            p_.setPen(QPen(c_.main, 1));
            p_.drawLines(shafts.data(), static_cast<int>(shafts.size()));
            shafts.clear();
        };
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (!isValue(ys[i])) continue;
            const QPointF end = screenPoint(l_, xs[i], ys[i]);
            const QPointF start = havePrevious ? previous : end;
            const bool inside = l_.data.contains(end);
            if (inside && !seen.first(end)) continue;
            previous = end;
            havePrevious = true;
            QPointF a = start, b = end;
            if (!clipSegment(a, b, l_.data)) continue;
            shafts.emplace_back(a + at, b + at);
            if (shafts.size() >= 4096) flush();
            if (!inside) continue;
            const QPointF d = end - start;
            const double length = std::hypot(d.x(), d.y());
            if (length < 0.5) {
                p_.setPen(Qt::NoPen);
                p_.setBrush(c_.main);
                p_.drawEllipse(end + at, 2.0, 2.0);
                continue;
            }
            if (length < 3.0) continue;
            const int h = static_cast<int>(std::min<double>(kHead, length));
            if (!raster) {
                p_.setPen(QPen(c_.edge, 1));
                p_.setBrush(c_.main);
                p_.drawPolygon(headPolygon(end + at, d / length, h));
                continue;
            }
            const double turn = std::atan2(d.y(), d.x()) / (2 * M_PI);
            const int direction =
                (static_cast<int>(std::lround(turn * kDirections)) % kDirections + kDirections) % kDirections;
            QImage& stamp = stamps[static_cast<std::size_t>(direction * (kHead + 1) + h)];
            if (stamp.isNull()) {
                const double angle = 2 * M_PI * direction / kDirections;
                const int size = static_cast<int>(2 * stampHalf);
                stamp = QImage(size, size, QImage::Format_ARGB32_Premultiplied);
                stamp.fill(Qt::transparent);
                QPainter sp(&stamp);
                sp.setPen(QPen(c_.edge, 1));
                sp.setBrush(c_.main);
                sp.drawPolygon(
                    headPolygon(QPointF(stampHalf, stampHalf), QPointF(std::cos(angle), std::sin(angle)), h));
            }
            p_.drawImage(
                QPointF(std::round(end.x() + at.x() - stampHalf), std::round(end.y() + at.y() - stampHalf)),
                stamp);
        }
        flush();
    }

    // The extremes of each pixel column along the time axis: [least, greatest] of the values drawn there.
    struct Column {
        double pixel;
        double least;
        double greatest;
    };
    std::vector<Column> columns(const ChartSeries& s) const {
        std::vector<Column> out;
        const auto& xs = *s.x;
        const auto& ys = *s.y;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (!isValue(ys[i])) continue;
            const double t = l_.timePixel(xs[i]);
            if (!std::isfinite(t)) continue;
            const double c = std::floor(t);
            const double v = l_.valuePixel(static_cast<double>(ys[i]));
            if (!out.empty() && out.back().pixel == c) {
                out.back().least = std::min(out.back().least, v);
                out.back().greatest = std::max(out.back().greatest, v);
            } else {
                out.push_back({c, v, v});
            }
        }
        return out;
    }

    void volume(const ChartSeries& s) {
        const double base = l_.valuePixel(baseValue(l_));
        // Flat, a pair's lines stand side by side rather than one over the other.
        const QPointF at = shift(middle_) + QPointF(m_.view3D ? 0.0 : 2.0 * index_, 0.0);
        p_.setPen(QPen(c_.main, 1));
        for (const Column& c : columns(s)) {
            QPointF a(c.pixel + 0.5, std::min(base, c.least));
            QPointF b(c.pixel + 0.5, std::max(base, c.greatest));
            if (!clipSegment(a, b, l_.data)) continue;
            p_.drawLine(a + at, b + at);
        }
    }

    // Bars as wide as the points leave room for (side by side for a pair), one pixel wide when there
    // are more points than pixels; in depth, boxes. The layout leaves room for half a pair of bars at
    // each end of the time axis, so the first and last bars show whole; a point off the time axis's
    // range gets no bar, not part of one.
    void bars(const ChartSeries& s) {
        const bool across = l_.swapped;
        const double seriesCount = std::max(1, l_.seriesCount);
        const double thickness = l_.barThickness;
        const double offset = (index_ - (seriesCount - 1) / 2.0) * thickness;
        const bool inDepth = m_.view3D || m_.type == ChartType::bar3D;
        const double depth = m_.view3D ? far_ - near_ : l_.barDepth;
        const double firstPixel = across ? l_.data.top() : l_.data.left();
        const double lastPixel = across ? l_.data.bottom() : l_.data.right();
        const QPointF at = shift(near_);
        const double base = l_.valuePixel(baseValue(l_));
        auto bar = [&](double along, double least, double greatest) {
            QRectF r;
            if (!across) {
                const double top = std::min(least, base), bottom = std::max(greatest, base);
                r = QRectF(QPointF(along - thickness / 2 + offset, top),
                           QPointF(along + thickness / 2 + offset, bottom));
            } else {
                const double left = std::min(least, base), right = std::max(greatest, base);
                r = QRectF(QPointF(left, along - thickness / 2 - offset),
                           QPointF(right, along + thickness / 2 - offset));
            }
            r = r.intersected(l_.plot);
            if (r.isEmpty() && !(r.width() > 0 || r.height() > 0)) return;
            if (inDepth)
                drawBox(p_, r.translated(at), depth, c_);
            else
                p_.fillRect(r.translated(at), c_.main);
        };
        if (thickness <= 1.0) {
            for (const Column& c : columns(s))
                if (c.pixel >= std::floor(firstPixel) && c.pixel <= lastPixel)
                    bar(c.pixel + 0.5, c.least, c.greatest);
            return;
        }
        p_.setPen(QPen(c_.edge, 1));
        const auto& xs = *s.x;
        const auto& ys = *s.y;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (!isValue(ys[i]) || !(xs[i] >= l_.timeMin && xs[i] <= l_.timeMax)) continue;
            const double along = l_.timePixel(xs[i]);
            const double v = l_.valuePixel(static_cast<double>(ys[i]));
            if (!std::isfinite(along) || !std::isfinite(v)) continue;
            bar(along, v, v);
        }
    }

    QPainter& p_;
    const ChartLayout& l_;
    const ChartModel& m_;
    Shades c_;
    int index_ = 0;
    double near_ = 0, far_ = 0, middle_ = 0;
    Pass pass_ = Pass::all;
};

// The series from the highest mean value to the lowest, ties and empty series in the painter's usual
// back-to-front order: solid areas drawn so, the lower (the dew point under the temperature, the wind
// under the gust) stays in front and both show.
std::vector<int> higherFirst(const ChartModel& m) {
    std::vector<std::pair<double, int>> means;
    for (int i = static_cast<int>(m.series.size()) - 1; i >= 0; --i) {
        const ChartSeries& s = m.series[static_cast<std::size_t>(i)];
        double sum = 0.0;
        std::size_t n = 0;
        for (std::size_t k = 0; k < s.size(); ++k)
            if (isValue((*s.y)[k])) sum += static_cast<double>((*s.y)[k]), ++n;
        means.emplace_back(n > 0 ? sum / static_cast<double>(n) : -HUGE_VAL, i);
    }
    std::stable_sort(means.begin(), means.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<int> order;
    for (const auto& [mean, i] : means) order.push_back(i);
    return order;
}

} // namespace

void paintSeries(QPainter& painter, const ChartLayout& l, const ChartModel& model) {
    SeriesPainter series(painter, l, model);
    if (model.type == ChartType::area && !model.view3D) {
        const std::vector<int> order = higherFirst(model);
        for (int i : order) series.draw(i);
        series.setPass(SeriesPainter::Pass::outlines);
        for (int i : order) series.draw(i);
    } else {
        for (int i = static_cast<int>(model.series.size()) - 1; i >= 0; --i) series.draw(i);
    }
}

} // namespace nimbrel::chart
