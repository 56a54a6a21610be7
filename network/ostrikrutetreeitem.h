// OstrikRuteTreeItem: the object-tree row of one route.
#pragma once

#include <mirel/objecttreeitem.h>

class QGraphicsItem;

/*!
 * The host's object-tree row of one route. Its QObject parent is the route's graphics
 * network; the dynamic property "id" names the route in it. Selecting the row selects the
 * route's graphics item and, while the item's layer is hidden, lifts it out of the layer so
 * it is drawn anyway; deselecting puts it back into the layer it was lifted from.
 */
class OstrikRuteTreeItem : public ObjectTreeItem
{
    Q_OBJECT

public:
    explicit OstrikRuteTreeItem(QObject *parent);

    void setSelected(bool sel) override;

private:
    // The hidden layer the route's item was lifted out of; null when it was left in place.
    QGraphicsItem *hiddenParent = nullptr;
};
