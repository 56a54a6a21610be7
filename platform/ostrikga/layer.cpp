// Ostrikga network graphics: named layers.
#include "layer.h"

#include "genericgraphicsitem.h"
#include "layerdrawing.h"

#include <QGraphicsScene>

namespace Ostrikga {

int Layer::s_switching = 0;

Layer::Layer(const QString &name, qreal z, QGraphicsItem *parent) : QGraphicsObject(parent)
{
    setObjectName(name);
    setZValue(z);
    // Lets the scene skip the layer itself and go straight to its children.
    setFlag(ItemHasNoContents);
}

Layer::~Layer()
{
    // Without touching the flags: Qt would pass the change on to every child.
    delete m_drawing;
    m_drawing = nullptr;
}

QRectF Layer::boundingRect() const
{
    return QRectF();
}

void Layer::paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *)
{
}

LayerDrawing *Layer::drawing()
{
    if (!m_drawing) {
        m_drawing = new LayerDrawing;
        placeDrawing();
        updateSkipping();
    }
    return m_drawing;
}

void Layer::dropDrawing()
{
    LayerDrawing *d = m_drawing;
    m_drawing = nullptr;
    delete d;
    updateSkipping();
}

// The drawing stands in the scene where the layer stands: same scene, z-value, visibility and
// opacity, and right after the layer among the top-level items, so that layers of equal z
// keep their order.
void Layer::placeDrawing()
{
    if (!m_drawing)
        return;
    QGraphicsScene *s = scene();
    if (m_drawing->scene() != s) {
        if (m_drawing->scene())
            m_drawing->scene()->removeItem(m_drawing);
        if (s)
            s->addItem(m_drawing);
    }
    m_drawing->setZValue(zValue());
    m_drawing->setOpacity(opacity());
    m_drawing->setVisible(isVisible());
    if (s && !parentItem()) {
        m_drawing->stackBefore(this);
        stackBefore(m_drawing);
    }
}

/*
 * While the drawing paints every handle, the scene can skip the layer's children when it
 * draws or looks for items: the layer then has "contents" of empty size and promises that its
 * children stay inside them. A foreign child makes the layer an ordinary one again.
 */
void Layer::updateSkipping()
{
    const bool skip = m_drawing && m_foreign.isEmpty();
    setFlag(ItemHasNoContents, !skip);
    setFlag(ItemContainsChildrenInShape, skip);
}

QVariant Layer::itemChange(GraphicsItemChange change, const QVariant &value)
{
    switch (change) {
    case ItemVisibleChange:
        ++s_switching;
        break;
    case ItemVisibleHasChanged:
        --s_switching;
        if (m_drawing) {
            m_drawing->setVisible(isVisible());
            if (isVisible())
                m_drawing->layerShown();
        }
        break;
    case ItemZValueHasChanged:
        if (m_drawing)
            m_drawing->setZValue(zValue());
        break;
    case ItemOpacityHasChanged:
        if (m_drawing)
            m_drawing->setOpacity(opacity());
        break;
    case ItemSceneHasChanged:
    case ItemParentHasChanged:
        placeDrawing();
        break;
    case ItemChildAddedChange:
        if (!m_adopting) {
            auto *child = value.value<QGraphicsItem *>();
            auto *handle = dynamic_cast<GenericGraphicsItem *>(child);
            if (child && !(m_drawing && handle && handle->drawing() == m_drawing)) {
                m_foreign.insert(child);
                updateSkipping();
            }
        }
        break;
    case ItemChildRemovedChange:
        if (!m_foreign.isEmpty() && m_foreign.remove(value.value<QGraphicsItem *>()))
            updateSkipping();
        break;
    default:
        break;
    }
    return QGraphicsObject::itemChange(change, value);
}

} // namespace Ostrikga
