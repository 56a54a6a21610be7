// ostrik-view: SUMO's vehicles on the map, all painted by one item.
#pragma once

#include <sumotypes.h>

#include <QGraphicsItem>

/*!
 * Draws every vehicle of a live source as a small shape pointing where it drives, coloured
 * by its speed (purple when standing, through blue to cyan at 50 km/h and above), in map
 * coordinates (x = longitude, y = latitude). One item for all vehicles: a step replaces
 * the whole set at once. Shapes have the vehicle's length and a car's width, but never less
 * than a few pixels, so that traffic stays visible when zoomed out. SUMO's position is the
 * vehicle's front; the shape extends behind it.
 */
class VehicleLayer : public QGraphicsItem
{
public:
    explicit VehicleLayer(QGraphicsItem *parent = nullptr);

    void setVehicles(const QVector<SumoVehicle> &vehicles);
    int count() const { return m_vehicles.size(); }
    const QVector<SumoVehicle> &vehicles() const { return m_vehicles; }

    //! The colour of a speed in m/s.
    static QColor colourFor(double metresPerSecond);

    QRectF boundingRect() const override { return m_bounds; }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    QVector<SumoVehicle> m_vehicles;
    QRectF m_bounds;
};
