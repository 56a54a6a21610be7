// ostrik-view: bounds and grouping for "Fit network".
#include "networkfit.h"

#include <ostrika/ostrika.h>

#include <cmath>
#include <limits>

namespace {

// Two bounds belong together when the gap between them is smaller than the larger one.
bool near(const QRectF &a, const QRectF &b)
{
    const double gapX = std::max(0.0, std::max(a.left() - b.right(), b.left() - a.right()));
    const double gapY = std::max(0.0, std::max(a.top() - b.bottom(), b.top() - a.bottom()));
    const double size = std::max({a.width(), a.height(), b.width(), b.height()});
    return std::max(gapX, gapY) <= size;
}

double distance(const QRectF &r, const QPointF &p)
{
    const double dx = std::max({r.left() - p.x(), 0.0, p.x() - r.right()});
    const double dy = std::max({r.top() - p.y(), 0.0, p.y() - r.bottom()});
    return std::hypot(dx, dy);
}

} // namespace

QRectF NetworkFit::boundsOf(const Ostrika::Network &network)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    double left = inf, right = -inf, bottom = inf, top = -inf;
    auto add = [&](const QPointF &p) {
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
            return;
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        bottom = std::min(bottom, p.y());
        top = std::max(top, p.y());
    };
    for (const Ostrika::Node *n : network.findChildren<Ostrika::Node *>())
        add(n->position());
    for (const Ostrika::Edge *e : network.findChildren<Ostrika::Edge *>())
        for (const QPointF &p : e->polyline().points())
            add(p);
    if (left > right)
        return QRectF();
    return network.geoUtil()->xyToGeo(QRectF(QPointF(left, bottom), QPointF(right, top)));
}

QRectF NetworkFit::target(const QList<QRectF> &bounds, const QPointF &viewCentre)
{
    QList<QRectF> left;
    for (const QRectF &b : bounds)
        if (!b.isNull())
            left << b.normalized();
    if (left.isEmpty())
        return QRectF();
    int start = 0;
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < left.size(); ++i) {
        const double d = distance(left.at(i), viewCentre);
        if (d < best) {
            best = d;
            start = i;
        }
    }
    QRectF group = left.takeAt(start);
    // Grow the group until no other network lies near it.
    for (bool grew = true; grew;) {
        grew = false;
        for (int i = 0; i < left.size(); ++i) {
            if (near(group, left.at(i))) {
                const QRectF b = left.takeAt(i);
                group.setCoords(std::min(group.left(), b.left()), std::min(group.top(), b.top()),
                                std::max(group.right(), b.right()), std::max(group.bottom(), b.bottom()));
                grew = true;
                break;
            }
        }
    }
    return group;
}

QRectF NetworkFit::withMargin(const QRectF &r, double fraction)
{
    const double mx = r.width() * fraction, my = r.height() * fraction;
    return r.adjusted(-mx, -my, mx, my);
}
