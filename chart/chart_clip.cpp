#include "chart/chart_clip.h"

namespace nimbrel::chart {

bool clipSegment(QPointF& a, QPointF& b, const QRectF& r) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double t0 = 0.0;
    double t1 = 1.0;
    // p * t <= q for each of the four edges.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            if (t > t0) t0 = t;
        } else {
            if (t < t0) return false;
            if (t < t1) t1 = t;
        }
    }
    // What is left of a segment that only touches the rectangle has no length: nothing to draw.
    if (t0 >= t1 && (dx != 0.0 || dy != 0.0)) return false;
    const QPointF start = a;
    if (t0 > 0.0) a = QPointF(start.x() + t0 * dx, start.y() + t0 * dy);
    if (t1 < 1.0) b = QPointF(start.x() + t1 * dx, start.y() + t1 * dy);
    return true;
}

std::vector<QPolygonF> clipPolyline(const QPolygonF& line, const QRectF& r) {
    std::vector<QPolygonF> pieces;
    if (line.size() == 1) {
        if (r.contains(line.front())) pieces.push_back(line);
        return pieces;
    }
    QPolygonF piece;
    for (qsizetype i = 1; i < line.size(); ++i) {
        QPointF a = line[i - 1];
        QPointF b = line[i];
        if (!clipSegment(a, b, r)) {
            if (!piece.isEmpty()) pieces.push_back(std::move(piece));
            piece = QPolygonF();
            continue;
        }
        if (!piece.isEmpty() && piece.back() != a) {
            pieces.push_back(std::move(piece));
            piece = QPolygonF();
        }
        if (piece.isEmpty()) piece << a;
        piece << b;
        // A segment cut at its end leaves the rectangle: the next one starts a new piece.
        if (b != line[i]) {
            pieces.push_back(std::move(piece));
            piece = QPolygonF();
        }
    }
    if (!piece.isEmpty()) pieces.push_back(std::move(piece));
    return pieces;
}

namespace {

// One Sutherland-Hodgman pass against the half plane where inside(p) holds.
template <typename Inside, typename Cross>
QPolygonF clipAgainst(const QPolygonF& in, Inside inside, Cross cross) {
    QPolygonF out;
    if (in.isEmpty()) return out;
    QPointF prev = in.back();
    bool prevIn = inside(prev);
    for (const QPointF& cur : in) {
        const bool curIn = inside(cur);
        if (curIn != prevIn) out << cross(prev, cur);
        if (curIn) out << cur;
        prev = cur;
        prevIn = curIn;
    }
    return out;
}

QPointF atX(const QPointF& a, const QPointF& b, double x) {
    const double t = (x - a.x()) / (b.x() - a.x());
    return {x, a.y() + t * (b.y() - a.y())};
}

QPointF atY(const QPointF& a, const QPointF& b, double y) {
    const double t = (y - a.y()) / (b.y() - a.y());
    return {a.x() + t * (b.x() - a.x()), y};
}

} // namespace

QPolygonF clipPolygon(const QPolygonF& polygon, const QRectF& r) {
    const double l = r.left(), rt = r.right(), t = r.top(), b = r.bottom();
    QPolygonF p = clipAgainst(
        polygon, [l](const QPointF& q) { return q.x() >= l; },
        [l](const QPointF& a, const QPointF& c) { return atX(a, c, l); });
    p = clipAgainst(
        p, [rt](const QPointF& q) { return q.x() <= rt; },
        [rt](const QPointF& a, const QPointF& c) { return atX(a, c, rt); });
    p = clipAgainst(
        p, [t](const QPointF& q) { return q.y() >= t; },
        [t](const QPointF& a, const QPointF& c) { return atY(a, c, t); });
    p = clipAgainst(
        p, [b](const QPointF& q) { return q.y() <= b; },
        [b](const QPointF& a, const QPointF& c) { return atY(a, c, b); });
    return p.size() >= 3 ? p : QPolygonF();
}

} // namespace nimbrel::chart
