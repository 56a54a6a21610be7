// OstrikgPlugin: crossing between network objects and their graphics items, across networks.
#include "plugin/ostrikgplugin.h"

#include <ostrika/granule.h>
#include <ostrika/netobject.h>
#include <ostrikga/genericgraphicsitem.h>
#include <ostrikga/networkg.h>

// Every lookup visits the networks in ascending path order and stops at the first hit.

namespace {

// QObject::findChild's order: a level's direct children first, then each child's subtree.
// A null name matches every object, as in findChild.
Ostrika::NetObject *findNetObject(const QObject *parent, const QString &name)
{
    const QObjectList &children = parent->children();
    for (QObject *obj : children) {
        if (name.isNull() || obj->objectName() == name) {
            if (auto *netObj = qobject_cast<Ostrika::NetObject *>(obj))
                return netObj;
        }
    }
    for (QObject *obj : children) {
        if (obj->children().isEmpty())
            continue;
        if (Ostrika::NetObject *netObj = findNetObject(obj, name))
            return netObj;
    }
    return nullptr;
}

// Per network, each name's first object in findChild order, by id: a name search over a
// few hundred thousand objects costs tens of milliseconds, a hash lookup next to nothing.
// Ids go through the network's own index, so a deleted object is never dereferenced.
struct NameIndex
{
    QHash<QString, int> firstId;
    int objectCount = -1; // of the network when the index was built
};

QHash<const QObject *, NameIndex> &nameIndexes()
{
    // Never destroyed: a network may be deleted during static destruction.
    static auto *indexes = new QHash<const QObject *, NameIndex>;
    return *indexes;
}

void indexNames(const QObject *parent, QHash<QString, int> &firstId)
{
    const QObjectList &children = parent->children();
    for (QObject *obj : children) {
        if (auto *netObj = qobject_cast<Ostrika::NetObject *>(obj)) {
            const QString name = netObj->objectName();
            if (!firstId.contains(name))
                firstId.insert(name, netObj->id());
        }
    }
    for (QObject *obj : children) {
        if (!obj->children().isEmpty())
            indexNames(obj, firstId);
    }
}

Ostrika::NetObject *findByName(Ostrikga::Networkg *net, const QString &name)
{
    if (name.isNull())
        return findNetObject(net, name);

    QHash<const QObject *, NameIndex> &indexes = nameIndexes();
    auto index = indexes.find(net);
    if (index == indexes.end()) {
        index = indexes.insert(net, NameIndex());
        QObject::connect(net, &QObject::destroyed, [net] { nameIndexes().remove(net); });
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (index->objectCount != net->objectCount()) {
            index->firstId.clear();
            index->firstId.reserve(net->objectCount());
            indexNames(net, index->firstId);
            index->objectCount = net->objectCount();
        }
        const auto hit = index->firstId.constFind(name);
        if (hit == index->firstId.constEnd())
            break;
        Ostrika::NetObject *obj = net->findObject(hit.value());
        if (obj && obj->objectName() == name)
            return obj;
        index->objectCount = -1; // renamed or replaced since: build anew
    }
    // Whatever the index does not know is searched exactly.
    return findNetObject(net, name);
}

} // namespace

QObject *OstrikgPlugin::item2object(QGraphicsItem *item)
{
    if (!item)
        return nullptr;
    for (Ostrikga::Networkg *net : qAsConst(networks)) {
        if (!net)
            continue;
        if (Ostrika::NetObject *obj = net->item2object(item))
            return obj;
    }
    return nullptr;
}

QGraphicsItem *OstrikgPlugin::object2item(QObject *obj)
{
    auto *netObj = qobject_cast<Ostrika::NetObject *>(obj);
    if (!netObj)
        return nullptr;
    const QList<Ostrikga::Networkg *> nets = networks.values();
    for (Ostrikga::Networkg *net : nets) {
        if (!net)
            continue;
        if (Ostrikga::GenericGraphicsItem *item = net->object2item(netObj))
            return item;
    }
    return nullptr;
}

QObject *OstrikgPlugin::granule(int gid)
{
    for (Ostrikga::Networkg *net : qAsConst(networks)) {
        if (!net)
            continue;
        const QList<Ostrika::Granule *> granules = net->findChildren<Ostrika::Granule *>();
        for (Ostrika::Granule *g : granules) {
            if (g->tlId() == gid)
                return g;
        }
    }
    return nullptr;
}

QObject *OstrikgPlugin::findObjectByName(QString obj_name)
{
    for (Ostrikga::Networkg *net : qAsConst(networks)) {
        if (!net)
            continue;
        if (auto *obj = findByName(net, obj_name))
            return obj;
    }
    return nullptr;
}

QGraphicsItem *OstrikgPlugin::findItemByName(QString obj_name)
{
    for (Ostrikga::Networkg *net : qAsConst(networks)) {
        if (!net)
            continue;
        if (auto *obj = findByName(net, obj_name))
            return net->object2item(obj);
    }
    return nullptr;
}
