// Ostrikga network graphics: a network drawn into a QGraphicsScene.
#pragma once

#include "itemindex.h"
#include "ostrikga_export.h"

#include <ostrika/network.h>

#include <QGraphicsScene>
#include <QList>
#include <QPointer>

class QGraphicsItem;

namespace Ostrikga {

class GenericGraphicsItem;
class Layer;

/*!
 * A network that draws every drawable object as an item of a QGraphicsScene, in
 * geographic coordinates (x = longitude, y = latitude, through geoUtil()).
 *
 * Even an empty network has its full, fixed list of layers, each a top-level item of the
 * scene with its own z-value, in this order: "Granules", "Edges", "Lanes", "CrossWalks",
 * "Connections", "Stoplines", "Routes", "Nodes", "Splits", "Markers". Items are children
 * of their layer. The scene is not owned; when it is deleted first, the network forgets its
 * layers and items (the scene deleted them) and never touches them again.
 */
class OSTRIKGA_EXPORT Networkg : public Ostrika::Network
{
    Q_OBJECT
public:
    explicit Networkg(QGraphicsScene *scene, QObject *parent = nullptr);
    //! Removes every item and layer of this network from the scene.
    ~Networkg() override;

    //! Deletes every object and its item; the layers stay.
    void clear() override;

    //! A read-only network's items cannot be moved or edited; routes stay selectable.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    /*!
     * Adds a layer named \a name just before the layer named \a next (at the end when
     * there is none), with a z-value between its neighbours'. Returns the new layer, or
     * null when a layer of that name exists already or \a name is empty.
     */
    Layer *insertLayer(const QString &name, const QString &next);
    //! The layers in stacking order, bottom first.
    QList<Layer *> layers() const { return m_layers; }
    Layer *layer(const QString &name) const;

    //! The network object drawn by \a item (an item of this network), or null.
    Ostrika::NetObject *item2object(QGraphicsItem *item) const;
    //! The item that draws \a object (an object of this network), or null.
    GenericGraphicsItem *object2item(Ostrika::NetObject *object) const;

    //! The scene drawn into; null once that scene has been deleted.
    QGraphicsScene *scene() const { return m_scene; }

protected:
    void loaded() override;
    void aboutToClear() override;

private:
    friend class GenericGraphicsItem;
    void createItems();
    void removeItems();
    void applyFlags(GenericGraphicsItem *item) const;
    void forgetItem(GenericGraphicsItem *item);

    QPointer<QGraphicsScene> m_scene;
    QList<Layer *> m_layers;
    ItemIndex m_index;
    bool m_readOnly = false;
};

} // namespace Ostrikga
