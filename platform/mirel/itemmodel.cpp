// Host kernel: the object tree model.
#include "itemmodel.h"

#include "objecttreeitem.h"

#include <QItemSelectionModel>

namespace Mirel {

ItemObj::~ItemObj() = default;

namespace {
constexpr int ColumnCount = 3;
const char *const ColumnProperties[ColumnCount] = {"description", "id", "type"};
} // namespace

//! One node of the tree: the invisible root, a section, or a row showing an object.
class ItemNode : public ItemObj
{
public:
    enum Kind { Root, Section, Object };

    ItemNode(ItemModel *model, Kind kind, QObject *obj) : model(model), kind(kind), obj(obj)
    {
        for (Qt::ItemFlags &f : cellFlags)
            f = kind == Section ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled;
    }
    ~ItemNode() override { qDeleteAll(children); }

    void setFlags(int column, Qt::ItemFlags flags) override
    {
        if (column < 0 || column >= ColumnCount || cellFlags[column] == flags)
            return;
        cellFlags[column] = flags;
        if (parent) // a node being removed has no index any more
            model->cellChanged(this, column);
    }
    Qt::ItemFlags flags(int column) const override
    {
        return column >= 0 && column < ColumnCount ? cellFlags[column] : Qt::NoItemFlags;
    }
    QObject *object() const override { return obj; }

    int row() const { return parent ? parent->children.indexOf(const_cast<ItemNode *>(this)) : 0; }

    ItemModel *model;
    Kind kind;
    QObject *obj; // not a QPointer: it must still identify the object inside destroyed()
    ItemNode *parent = nullptr;
    QVector<ItemNode *> children;
    Qt::ItemFlags cellFlags[ColumnCount];
};

namespace {
void collect(ItemNode *node, QVector<ItemNode *> &out)
{
    out.append(node);
    for (ItemNode *child : qAsConst(node->children))
        collect(child, out);
}
} // namespace

ItemModel::ItemModel(QObject *parent)
    : QAbstractItemModel(parent), m_root(new ItemNode(this, ItemNode::Root, nullptr))
{
    qRegisterMetaType<Mirel::ItemModel *>("Mirel::ItemModel*");
}

ItemModel::~ItemModel()
{
    // Shown objects may outlive the model: stop listening before the nodes go.
    for (auto it = m_nodes.cbegin(); it != m_nodes.cend(); ++it)
        disconnect(it.key(), nullptr, this, nullptr);
    m_nodes.clear();
    delete m_root; // section objects are QObject children and go with the model
}

void ItemModel::clearSection(const QString &name)
{
    if (ItemNode *node = sectionNode(section(name)))
        removeNode(node);
}

QObject *ItemModel::addSection(const QString &name)
{
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return nullptr;
    ItemNode *node = m_root;
    for (const QString &part : parts) {
        ItemNode *child = findChildSection(node, part);
        if (!child) {
            auto *obj = new QObject(this);
            obj->setObjectName(part);
            child = appendNode(node, new ItemNode(this, ItemNode::Section, obj));
        }
        node = child;
    }
    return node->obj;
}

QObject *ItemModel::addSubSection(QObject *section, const QString &name)
{
    ItemNode *parent = sectionNode(section);
    if (!parent || name.isEmpty())
        return nullptr;
    if (ItemNode *existing = findChildSection(parent, name))
        return existing->obj;
    auto *obj = new QObject(this);
    obj->setObjectName(name);
    return appendNode(parent, new ItemNode(this, ItemNode::Section, obj))->obj;
}

ItemObj *ItemModel::addObject(QObject *obj, QObject *section)
{
    ItemNode *parent = sectionNode(section);
    if (!obj || !parent || sectionNode(obj))
        return nullptr;
    return appendNode(parent, new ItemNode(this, ItemNode::Object, obj));
}

QObject *ItemModel::section(const QString &path) const
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return nullptr;
    ItemNode *node = m_root;
    for (const QString &part : parts) {
        node = findChildSection(node, part);
        if (!node)
            return nullptr;
    }
    return node->obj;
}

QModelIndex ItemModel::indexOf(QObject *objOrSection) const
{
    const QVector<ItemNode *> nodes = m_nodes.value(objOrSection);
    return nodes.isEmpty() ? QModelIndex() : indexOfNode(nodes.constFirst());
}

QObject *ItemModel::objectAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<ItemNode *>(index.internalPointer())->obj;
}

void ItemModel::attachSelectionModel(QItemSelectionModel *selection)
{
    if (m_selection)
        disconnect(m_selection, nullptr, this, nullptr);
    m_selection = nullptr;
    // Indexes of a proxy model would not be ours.
    if (!selection || selection->model() != this)
        return;
    m_selection = selection;
    connect(selection, &QItemSelectionModel::selectionChanged, this, &ItemModel::onSelectionChanged);
}

QModelIndex ItemModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    const ItemNode *node = parent.isValid() ? static_cast<ItemNode *>(parent.internalPointer()) : m_root;
    return createIndex(row, column, node->children.at(row));
}

QModelIndex ItemModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return QModelIndex();
    return indexOfNode(static_cast<ItemNode *>(child.internalPointer())->parent);
}

int ItemModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const ItemNode *node = parent.isValid() ? static_cast<ItemNode *>(parent.internalPointer()) : m_root;
    return node->children.count();
}

int ItemModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant ItemModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
        return QVariant();
    const auto *node = static_cast<ItemNode *>(index.internalPointer());
    if (node->kind == ItemNode::Section)
        return index.column() == 0 ? QVariant(node->obj->objectName()) : QVariant();
    const QVariant value = node->obj->property(ColumnProperties[index.column()]);
    if (index.column() == 0 && !value.isValid())
        return node->obj->objectName();
    return value;
}

QVariant ItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QVariant();
    static const char *const titles[ColumnCount] = {"Description", "Id", "Type"};
    return tr(titles[section]);
}

Qt::ItemFlags ItemModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return static_cast<ItemNode *>(index.internalPointer())->flags(index.column());
}

void ItemModel::onSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    // One call per row, however many of its cells changed; objects are collected first
    // because setSelected() may change the model.
    auto rowObjects = [this](const QItemSelection &sel, bool stillSelectedSkips) {
        QVector<ItemNode *> seen;
        QList<QPointer<ObjectTreeItem>> items;
        const QModelIndexList indexes = sel.indexes();
        for (const QModelIndex &i : indexes) {
            if (i.model() != this)
                continue;
            auto *node = static_cast<ItemNode *>(i.internalPointer());
            if (node->kind != ItemNode::Object || !node->parent || seen.contains(node))
                continue;
            seen.append(node);
            if (stillSelectedSkips && m_selection && m_selection->rowIntersectsSelection(i.row(), i.parent()))
                continue;
            if (auto *item = qobject_cast<ObjectTreeItem *>(node->obj))
                items.append(item);
        }
        return items;
    };
    const QList<QPointer<ObjectTreeItem>> off = rowObjects(deselected, true);
    const QList<QPointer<ObjectTreeItem>> on = rowObjects(selected, false);
    for (const QPointer<ObjectTreeItem> &item : off) {
        if (item)
            item->setSelected(false);
    }
    for (const QPointer<ObjectTreeItem> &item : on) {
        if (item)
            item->setSelected(true);
    }
}

ItemNode *ItemModel::sectionNode(QObject *section) const
{
    if (!section)
        return nullptr;
    const QVector<ItemNode *> nodes = m_nodes.value(section);
    for (ItemNode *node : nodes) {
        if (node->kind == ItemNode::Section)
            return node;
    }
    return nullptr;
}

ItemNode *ItemModel::findChildSection(ItemNode *parent, const QString &name) const
{
    for (ItemNode *child : qAsConst(parent->children)) {
        if (child->kind == ItemNode::Section && child->obj->objectName() == name)
            return child;
    }
    return nullptr;
}

ItemNode *ItemModel::appendNode(ItemNode *parent, ItemNode *node)
{
    const int row = parent->children.count();
    beginInsertRows(indexOfNode(parent), row, row);
    node->parent = parent;
    parent->children.append(node);
    QVector<ItemNode *> &list = m_nodes[node->obj];
    if (list.isEmpty())
        connect(node->obj, &QObject::destroyed, this, &ItemModel::onObjectDestroyed);
    list.append(node);
    endInsertRows();
    return node;
}

void ItemModel::removeNode(ItemNode *node)
{
    ItemNode *parent = node->parent;
    if (!parent)
        return;
    const int row = node->row();
    beginRemoveRows(indexOfNode(parent), row, row);
    parent->children.remove(row);
    node->parent = nullptr;
    endRemoveRows();
    forget(node);
    delete node;
}

void ItemModel::forget(ItemNode *node)
{
    QVector<ItemNode *> all;
    collect(node, all);
    for (ItemNode *n : qAsConst(all)) {
        auto it = m_nodes.find(n->obj);
        if (it == m_nodes.end())
            continue;
        it->removeAll(n);
        if (!it->isEmpty())
            continue;
        m_nodes.erase(it);
        disconnect(n->obj, nullptr, this, nullptr);
        // The model owns section objects; unhooked above, so deleting does not re-enter.
        if (n->kind == ItemNode::Section)
            delete n->obj;
        n->obj = nullptr;
    }
}

void ItemModel::onObjectDestroyed(QObject *obj)
{
    // A section object deleted by someone else must not be deleted again.
    for (ItemNode *node : m_nodes.value(obj)) {
        if (node->kind == ItemNode::Section)
            node->kind = ItemNode::Object;
    }
    while (m_nodes.contains(obj)) {
        ItemNode *node = m_nodes.value(obj).constFirst();
        if (!node->parent) { // cannot happen for a registered node; never loop on it
            m_nodes.remove(obj);
            break;
        }
        removeNode(node);
    }
}

QModelIndex ItemModel::indexOfNode(const ItemNode *node, int column) const
{
    if (!node || node == m_root || !node->parent)
        return QModelIndex();
    return createIndex(node->row(), column, const_cast<ItemNode *>(node));
}

void ItemModel::cellChanged(const ItemNode *node, int column)
{
    const QModelIndex cell = indexOfNode(node, column);
    if (cell.isValid())
        Q_EMIT dataChanged(cell, cell, {});
}

Kernel::Kernel(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<Mirel::ItemModel *>("Mirel::ItemModel*");
}

} // namespace Mirel
