// Ostrikga network graphics: a network drawn into a QGraphicsScene.
#include "networkg.h"

#include "items.h"
#include "layer.h"
#include "layerdrawing.h"

#include <ostrika/ostrika.h>

#include <QCoreApplication>

namespace Ostrikga {

namespace {

const char *const FixedLayers[] = { "Granules", "Edges", "Lanes", "CrossWalks", "Connections",
                                    "Stoplines", "Routes", "Nodes", "Splits", "Markers" };
constexpr qreal LayerZStep = 10;

} // namespace

Networkg::Networkg(QGraphicsScene *scene, QObject *parent) : Network(parent), m_scene(scene)
{
    qreal z = LayerZStep;
    for (const char *name : FixedLayers) {
        auto *layer = new Layer(QString::fromLatin1(name), z);
        z += LayerZStep;
        m_layers.append(layer);
        // Layers may be deleted behind our back (with the scene, say): forget them then.
        connect(layer, &QObject::destroyed, this, [this, layer] { m_layers.removeOne(layer); });
        if (m_scene)
            m_scene->addItem(layer);
    }
}

Networkg::~Networkg()
{
    removeItems();
    const QList<Layer *> layers = m_layers;
    m_layers.clear();
    // Deleting a layer takes any foreign children (markers) with it, as documented.
    for (Layer *layer : layers)
        delete layer;
}

void Networkg::clear()
{
    removeItems();
    Network::clear();
}

void Networkg::aboutToClear()
{
    removeItems();
}

void Networkg::loaded()
{
    createItems();
}

void Networkg::setReadOnly(bool readOnly)
{
    if (readOnly == m_readOnly)
        return;
    m_readOnly = readOnly;
    for (GenericGraphicsItem *item : m_index.items())
        applyFlags(item);
}

Layer *Networkg::insertLayer(const QString &name, const QString &next)
{
    if (name.isEmpty() || layer(name))
        return nullptr;
    int index = m_layers.size();
    for (int i = 0; i < m_layers.size(); ++i) {
        if (m_layers[i]->objectName() == next) {
            index = i;
            break;
        }
    }
    qreal z = LayerZStep;
    if (!m_layers.isEmpty()) {
        if (index == m_layers.size())
            z = m_layers.last()->zValue() + LayerZStep;
        else if (index == 0)
            z = m_layers.first()->zValue() - LayerZStep;
        else
            z = (m_layers[index - 1]->zValue() + m_layers[index]->zValue()) / 2;
    }
    auto *layer = new Layer(name, z);
    m_layers.insert(index, layer);
    connect(layer, &QObject::destroyed, this, [this, layer] { m_layers.removeOne(layer); });
    if (m_scene)
        m_scene->addItem(layer);
    return layer;
}

Layer *Networkg::layer(const QString &name) const
{
    for (Layer *layer : m_layers) {
        if (layer->objectName() == name)
            return layer;
    }
    return nullptr;
}

Ostrika::NetObject *Networkg::item2object(QGraphicsItem *item) const
{
    // The index never dereferences the pointer, so a stale one is harmless.
    return m_index.object(item);
}

GenericGraphicsItem *Networkg::object2item(Ostrika::NetObject *object) const
{
    return m_index.item(object);
}

void Networkg::applyFlags(GenericGraphicsItem *item) const
{
    item->setFlag(QGraphicsItem::ItemIsSelectable,
                  !m_readOnly || item->type() == RouteItemType);
}

void Networkg::forgetItem(GenericGraphicsItem *item)
{
    m_index.take(item);
}

void Networkg::createItems()
{
    Layer *const granules = layer(QStringLiteral("Granules"));
    Layer *const edges = layer(QStringLiteral("Edges"));
    Layer *const lanes = layer(QStringLiteral("Lanes"));
    Layer *const crosswalks = layer(QStringLiteral("CrossWalks"));
    Layer *const connections = layer(QStringLiteral("Connections"));
    Layer *const stoplines = layer(QStringLiteral("Stoplines"));
    Layer *const routes = layer(QStringLiteral("Routes"));
    Layer *const nodes = layer(QStringLiteral("Nodes"));
    Layer *const splits = layer(QStringLiteral("Splits"));

    const QList<Ostrika::NetObject *> objects = findChildren<Ostrika::NetObject *>();
    // The layers take the new items as their own, not as foreign children.
    for (Layer *l : qAsConst(m_layers))
        l->m_adopting = true;
    // First every item, then their geometry: showing or hiding a layer visits each of its
    // items, and items made one after the other lie together in memory.
    std::vector<GenericGraphicsItem *> made;
    made.reserve(objects.size());
    for (Ostrika::NetObject *object : objects) {
        if (m_index.item(object))
            continue;
        GenericGraphicsItem *item = nullptr;
        if (auto *lane = qobject_cast<Ostrika::Lane *>(object)) {
            if (lanes)
                item = new Laneg(lane, lanes);
        } else if (auto *c = qobject_cast<Ostrika::Connection *>(object)) {
            if (connections)
                item = new Connectiong(c, connections);
        } else if (auto *edge = qobject_cast<Ostrika::Edge *>(object)) {
            if (edges)
                item = new Edgeg(edge, edges);
        } else if (auto *node = qobject_cast<Ostrika::Node *>(object)) {
            Layer *target = node->type() == Ostrika::Node::Split ? splits : nodes;
            if (target)
                item = new Nodeg(node, target);
        } else if (auto *stopline = qobject_cast<Ostrika::Stopline *>(object)) {
            if (stoplines)
                item = new Stoplineg(stopline, stoplines);
        } else if (auto *walk = qobject_cast<Ostrika::CrossWalk *>(object)) {
            if (crosswalks)
                item = new CrossWalkg(walk, crosswalks);
        } else if (auto *granule = qobject_cast<Ostrika::Granule *>(object)) {
            if (granules)
                item = new Granuleg(granule, granules);
        } else if (auto *route = qobject_cast<Ostrika::Route *>(object)) {
            if (routes)
                item = new Routeg(route, routes);
        }
        if (!item)
            continue;
        // Routes draw themselves; every other item is painted by its layer's drawing. The
        // drawing is made while the layer has hardly any children: making it changes the
        // layer's flags, which Qt passes on to every child.
        if (item->type() != RouteItemType) {
            item->setFlag(QGraphicsItem::ItemHasNoContents);
            // Fully transparent, the scene drops the repaint a handle asks for when it is hidden
            // or shown: else it would walk every child of the layer at the next event-loop pass.
            item->setOpacity(0);
            static_cast<Layer *>(item->parentItem())->drawing();
        }
        made.push_back(item);
    }
    for (Layer *l : qAsConst(m_layers))
        l->m_adopting = false;

    QSet<Layer *> drawn;
    for (GenericGraphicsItem *item : qAsConst(made)) {
        item->build();
        item->m_owner = this;
        applyFlags(item);
        if (item->type() != RouteItemType) {
            auto *layer = static_cast<Layer *>(item->parentItem());
            layer->drawing()->add(item);
            drawn.insert(layer);
        }
    }
    m_index.add(made);
    for (Layer *l : qAsConst(drawn))
        l->drawing()->arrange();
}

void Networkg::removeItems()
{
    if (m_index.isEmpty())
        return;
    if (m_scene) {
        // Items the scene has not yet polished or indexed are looked up by linear search
        // when removed; finishing that deferred work first keeps tearing down linear.
        QCoreApplication::sendPostedEvents(m_scene, QEvent::MetaCall);
        m_scene->items(QRectF(0, 0, 1, 1));
    }
    // The drawings let go of the items first, so that these leave without telling them, and
    // go last: dropping a drawing changes its layer's flags, which Qt passes on to (and
    // indexes again) every child the layer still has.
    for (Layer *layer : qAsConst(m_layers)) {
        if (LayerDrawing *drawing = layer->existingDrawing())
            drawing->releaseItems();
    }
    // Last child first: Qt then drops each child from its parent's list in constant time.
    for (Layer *layer : qAsConst(m_layers)) {
        const QList<QGraphicsItem *> children = layer->childItems();
        for (int i = children.size() - 1; i >= 0; --i) {
            if (m_index.take(children[i]))
                delete children[i];
        }
    }
    // What is left was taken out of its layer, like a route lifted while selected. One at a
    // time: an item deleted along with another one leaves the index by itself.
    while (GenericGraphicsItem *item = m_index.takeAny())
        delete item;
    m_index.clear();
    for (Layer *layer : qAsConst(m_layers))
        layer->dropDrawing();
}

} // namespace Ostrikga
