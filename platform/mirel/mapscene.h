// Host map: the scene in geographic coordinates and its layers.
#pragma once

#include "mirel_export.h"

#include <QGraphicsObject>
#include <QGraphicsScene>

namespace Mirel {

/*!
 * A layer of the map scene: a QGraphicsObject without contents whose visibility and
 * z-value the host's layer panel changes. Emits "visibleChanged(bool)" when its own
 * visibility flag changes and QGraphicsObject's "zChanged()" when its z-value does.
 */
class MIREL_EXPORT MapLayer : public QGraphicsObject
{
    Q_OBJECT
public:
    explicit MapLayer(const QString &name, QGraphicsItem *parent = nullptr);
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

Q_SIGNALS:
    void visibleChanged(bool visible);

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
};

/*!
 * The host's map scene: x = longitude, y = latitude (degrees). addLayer() creates a new
 * layer (a top-level item); whoever asked for it owns it afterwards.
 */
class MIREL_EXPORT MapScene : public QGraphicsScene
{
    Q_OBJECT
public:
    explicit MapScene(QObject *parent = nullptr);
    Q_INVOKABLE QGraphicsObject *addLayer(const QString &name);
};

} // namespace Mirel
