// ostrik-view: painting the vehicles of a live source.
#include "vehiclelayer.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <cmath>

namespace {

// Room around the positions for shapes that are pixels, not metres, wide (about 1 km).
constexpr double Pad = 0.01;
constexpr double CarWidth = 1.9;
constexpr double MinLengthPx = 7.0;
constexpr double MinWidthPx = 4.0;

QColor mix(const QColor &a, const QColor &b, double f)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * f, a.greenF() + (b.greenF() - a.greenF()) * f,
                            a.blueF() + (b.blueF() - a.blueF()) * f);
}

} // namespace

VehicleLayer::VehicleLayer(QGraphicsItem *parent) : QGraphicsItem(parent)
{
    setFlag(ItemUsesExtendedStyleOption);
}

QColor VehicleLayer::colourFor(double metresPerSecond)
{
    // Not the signals' red, yellow and green: a vehicle must never read as a signal.
    const QColor stopped(128, 32, 150), medium(40, 90, 215), fast(0, 190, 210);
    const double kmh = std::max(0.0, metresPerSecond * 3.6);
    return kmh < 25.0 ? mix(stopped, medium, kmh / 25.0) : mix(medium, fast, std::min(1.0, (kmh - 25.0) / 25.0));
}

void VehicleLayer::setVehicles(const QVector<SumoVehicle> &vehicles)
{
    QRectF bounds;
    if (!vehicles.isEmpty()) {
        double left = vehicles.first().geo.x(), right = left, top = vehicles.first().geo.y(), bottom = top;
        for (const SumoVehicle &v : vehicles) {
            left = std::min(left, v.geo.x());
            right = std::max(right, v.geo.x());
            top = std::min(top, v.geo.y());
            bottom = std::max(bottom, v.geo.y());
        }
        bounds = QRectF(QPointF(left, top), QPointF(right, bottom)).adjusted(-Pad, -Pad, Pad, Pad);
    }
    if (bounds != m_bounds)
        prepareGeometryChange();
    m_bounds = bounds;
    m_vehicles = vehicles;
    update();
}

void VehicleLayer::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    if (m_vehicles.isEmpty())
        return;
    const QTransform toDevice = painter->worldTransform();
    const QRectF visible = option->exposedRect.adjusted(-Pad, -Pad, Pad, Pad);
    painter->save();
    painter->resetTransform();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(QColor(255, 255, 255, 200), 0.8));
    for (const SumoVehicle &v : m_vehicles) {
        if (!visible.contains(v.geo))
            continue;
        const QPointF front = toDevice.map(v.geo);
        const QPointF ahead = toDevice.map(v.geo + v.direction) - front; // one metre forward, in pixels
        const double pxPerMetre = std::hypot(ahead.x(), ahead.y());
        if (!(pxPerMetre > 0.0) || !std::isfinite(pxPerMetre))
            continue;
        const QPointF along = ahead / pxPerMetre;
        const QPointF across(-along.y(), along.x());
        const double length = std::max(double(v.length) * pxPerMetre, MinLengthPx);
        const double half = std::max(CarWidth * pxPerMetre, MinWidthPx) / 2.0;
        const QPointF back = front - along * length;
        const QPointF shoulder = front - along * std::min(length * 0.3, half * 1.6);
        const QPointF shape[] = {front, shoulder + across * half, back + across * half, back - across * half,
                                 shoulder - across * half};
        painter->setBrush(colourFor(v.speed));
        painter->drawPolygon(shape, 5);
    }
    painter->restore();
}
