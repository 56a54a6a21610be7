// OstrikRuteTreeItem and the route listing of a freshly loaded network.
#include "network/ostrikrutetreeitem.h"

#include "plugin/ostrikgplugin.h"

#include <mirel/itemmodel.h>
#include <ostrika/route.h>
#include <ostrikga/genericgraphicsitem.h>
#include <ostrikga/networkg.h>

OstrikRuteTreeItem::OstrikRuteTreeItem(QObject *parent) : ObjectTreeItem(parent) {}

void OstrikRuteTreeItem::setSelected(bool sel)
{
    ObjectTreeItem::setSelected(sel);

    auto *net = dynamic_cast<Ostrikga::Networkg *>(parent());
    if (!net)
        return;
    auto *route = qobject_cast<Ostrika::Route *>(net->findObject(property("id").toInt()));
    if (!route)
        return;
    Ostrikga::GenericGraphicsItem *item = net->object2item(route);
    if (!item)
        return;

    if (sel) {
        QGraphicsItem *owner = item->parentItem();
        // Without a parent the item is either already lifted by us (keep the way back) or
        // was never in a layer; either way there is nothing to lift.
        if (owner) {
            if (owner->isVisible()) {
                hiddenParent = nullptr;
            } else {
                hiddenParent = owner;
                item->setParentItem(nullptr);
            }
        }
    } else if (hiddenParent) {
        item->setParentItem(hiddenParent);
        // The lifted item was drawn outside its layer; clear what it left on screen.
        if (QGraphicsScene *scene = item->scene())
            scene->update(item->sceneBoundingRect());
    }
    item->setSelected(sel);
}

void OstrikgPlugin::listRoutes(Ostrikga::Networkg *net, Mirel::ItemModel *model,
                               QObject *routesSection)
{
    if (!net || !model || !routesSection)
        return;
    const QList<Ostrika::Route *> routes = net->findChildren<Ostrika::Route *>();
    for (Ostrika::Route *route : routes) {
        // Owned by the network, so the row disappears together with it.
        auto *item = new OstrikRuteTreeItem(net);
        item->setProperty("id", route->id());
        item->setProperty("description", route->objectName());
        item->setProperty("type", tr("Route"));
        Mirel::ItemObj *row = model->addObject(item, routesSection);
        if (!row)
            continue;
        row->setFlags(0, Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        row->setFlags(1, Qt::ItemIsEnabled);
        row->setFlags(2, Qt::ItemIsEnabled);
    }
}
