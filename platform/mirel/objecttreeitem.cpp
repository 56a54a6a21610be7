// Host kernel: objects shown as rows of the object tree that react to selection.
#include "objecttreeitem.h"

ObjectTreeItem::ObjectTreeItem(QObject *parent) : QObject(parent) {}

ObjectTreeItem::~ObjectTreeItem() = default;

void ObjectTreeItem::setSelected(bool selected)
{
    m_selected = selected;
}
