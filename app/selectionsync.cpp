// ostrik-view: keeping tree and map selection together.
#include "selectionsync.h"

#include "mapfocus.h"
#include "session.h"

#include <mirel/itemmodel.h>
#include <mirel/mapscene.h>

#include <QGraphicsItem>
#include <QTreeView>

namespace {

QModelIndex rowNamed(const QAbstractItemModel *m, const QString &name, const QModelIndex &parent = QModelIndex())
{
    for (int r = 0; r < m->rowCount(parent); ++r) {
        const QModelIndex i = m->index(r, 0, parent);
        if ((i.flags() & Qt::ItemIsSelectable) && i.data().toString() == name)
            return i;
        const QModelIndex below = rowNamed(m, name, i);
        if (below.isValid())
            return below;
    }
    return QModelIndex();
}

} // namespace

SelectionSync::SelectionSync(DemoSession *session, QTreeView *tree)
    : QObject(tree), m_session(session), m_tree(tree)
{
    // Connected after the model's own connection, so the plugin has selected the route by then.
    connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, this, &SelectionSync::treeChanged);
    connect(session->scene(), &QGraphicsScene::selectionChanged, this, &SelectionSync::mapChanged);
}

void SelectionSync::treeChanged()
{
    if (m_syncing)
        return;
    const QModelIndexList rows = m_tree->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    // The plugin has just selected the route's item; its own name lookup would find the
    // first network's route of that name instead.
    const QList<QGraphicsItem *> selected = m_session->scene()->selectedItems();
    QGraphicsItem *item = selected.isEmpty() ? m_session->plugin().findItemByName(rows.first().data().toString())
                                             : selected.first();
    if (item)
        MapFocus::bringIntoView(m_session->view(), item->sceneBoundingRect());
}

void SelectionSync::mapChanged()
{
    if (m_syncing)
        return;
    m_syncing = true;
    const QList<QGraphicsItem *> selected = m_session->scene()->selectedItems();
    const QObject *object = selected.isEmpty() ? nullptr : m_session->plugin().item2object(selected.first());
    const QModelIndex row = object ? rowNamed(m_tree->model(), object->objectName()) : QModelIndex();
    QItemSelectionModel *selection = m_tree->selectionModel();
    if (!row.isValid()) {
        selection->clearSelection();
    } else if (!selection->isRowSelected(row.row(), row.parent())) {
        selection->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_tree->scrollTo(row);
    }
    m_syncing = false;
}
