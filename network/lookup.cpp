// OstrikgPlugin: crossing between network objects and their graphics items, across networks.
#include "plugin/ostrikgplugin.h"

#include <ostrika/granule.h>
#include <ostrika/netobject.h>
#include <ostrikga/genericgraphicsitem.h>
#include <ostrikga/networkg.h>

// Every lookup visits the networks in ascending path order and stops at the first hit.

namespace {

// QObject::findChild's order (a level's direct children first, then each child's subtree),
// with the name tested before the type and childless objects not descended into: the same
// answer in a fraction of the time on networks of a few hundred thousand objects. A null
// name matches every object, as in findChild.
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
        if (auto *obj = findNetObject(net, obj_name))
            return obj;
    }
    return nullptr;
}

QGraphicsItem *OstrikgPlugin::findItemByName(QString obj_name)
{
    for (Ostrikga::Networkg *net : qAsConst(networks)) {
        if (!net)
            continue;
        if (auto *obj = findNetObject(net, obj_name))
            return net->object2item(obj);
    }
    return nullptr;
}
