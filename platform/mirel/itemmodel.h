// Host kernel: the object tree model.
#pragma once

#include "mirel_export.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QPointer>
#include <QVector>

class QItemSelection;
class QItemSelectionModel;

namespace Mirel {

class ItemNode;

/*!
 * A row of the object tree that shows an object. Column flags default to
 * Qt::ItemIsEnabled; setFlags() replaces the flags of one column (0 to 2).
 */
class MIREL_EXPORT ItemObj
{
public:
    virtual ~ItemObj();
    virtual void setFlags(int column, Qt::ItemFlags flags) = 0;
    virtual Qt::ItemFlags flags(int column) const = 0;
    virtual QObject *object() const = 0;
};

/*!
 * The host's object tree: sections (named groups, nested), sub-sections and object rows.
 * Columns: 0 the object's "description" property, 1 its "id", 2 its "type" (sections show
 * their name in column 0). Sections are QObjects owned by the model; shown objects are
 * not owned and are dropped from the model when they are destroyed.
 *
 * attachSelectionModel() makes the model tell each row's ObjectTreeItem when the row is
 * selected or deselected in that selection model.
 */
class MIREL_EXPORT ItemModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit ItemModel(QObject *parent = nullptr);
    ~ItemModel() override;

    //! Removes the section \a name (a "/" path, top-level for a plain name) with everything
    //! below it; the section objects are deleted. No-op when absent.
    void clearSection(const QString &name);
    /*!
     * The section \a name, created when absent and returned when present. A "/" nests:
     * "A/B" is section B inside top-level section A. Empty parts are skipped; a name
     * without any part gives null.
     */
    QObject *addSection(const QString &name);
    //! A sub-section \a name of \a section (created or found); null for a null or foreign section.
    QObject *addSubSection(QObject *section, const QString &name);
    //! A row for \a obj in \a section; null for a null object or a null or foreign section.
    ItemObj *addObject(QObject *obj, QObject *section);

    //! The section object for a "/" path, or null.
    QObject *section(const QString &path) const;
    QModelIndex indexOf(QObject *objOrSection) const;
    QObject *objectAt(const QModelIndex &index) const;

    //! \a selection must select in this model (not a proxy); null detaches.
    void attachSelectionModel(QItemSelectionModel *selection);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    friend class ItemNode;

    void onSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    ItemNode *sectionNode(QObject *section) const;
    ItemNode *findChildSection(ItemNode *parent, const QString &name) const;
    ItemNode *appendNode(ItemNode *parent, ItemNode *node);
    void removeNode(ItemNode *node);
    void forget(ItemNode *node);
    void onObjectDestroyed(QObject *obj);
    QModelIndex indexOfNode(const ItemNode *node, int column = 0) const;
    void cellChanged(const ItemNode *node, int column);

    ItemNode *m_root;
    // Every node showing an object or section, by that object (an object may have several rows).
    QHash<QObject *, QVector<ItemNode *>> m_nodes;
    QPointer<QItemSelectionModel> m_selection;
};

/*!
 * The host kernel: the plugin object's parent. Its property "itemModel" holds the
 * object tree model (a Mirel::ItemModel*, null when the host has none).
 */
class MIREL_EXPORT Kernel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Mirel::ItemModel *itemModel READ itemModel)
public:
    explicit Kernel(QObject *parent = nullptr);
    ItemModel *itemModel() const { return m_model; }
    void setItemModel(ItemModel *model) { m_model = model; }

private:
    QPointer<ItemModel> m_model;
};

} // namespace Mirel

Q_DECLARE_METATYPE(Mirel::ItemModel *)
