// ostrik-view: controller table, its filter and the switches it offers.
#include "controllerlist.h"

#include "session.h"

#include <corvel/light.h>
#include <ostrika/ostrika.h>

#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

ControllerTableModel::ControllerTableModel(DemoSession *session, QObject *parent)
    : QAbstractTableModel(parent)
    , m_session(session)
{
    reload();
}

ControllerState ControllerTableModel::stateOf(int id) const
{
    return controllerState(m_session->simulation().light(id));
}

void ControllerTableModel::reload()
{
    beginResetModel();
    m_rows.clear();
    QMap<int, Row> byId;
    for (int id : m_session->controllerIds())
        byId[id].id = id;
    for (const auto &n : m_session->networksByFile()) {
        const QString file = QFileInfo(n.first).fileName();
        for (const Ostrika::Granule *g : n.second->findChildren<Ostrika::Granule *>()) {
            if (g->tlId() <= 0)
                continue;
            Row &r = byId[g->tlId()];
            r.id = g->tlId();
            const QString name = g->objectName().isEmpty() ? QStringLiteral("#%1").arg(g->id()) : g->objectName();
            r.junction = r.junction.isEmpty() ? name : r.junction + QStringLiteral(", ") + name;
            if (!r.network.split(QStringLiteral(", ")).contains(file))
                r.network = r.network.isEmpty() ? file : r.network + QStringLiteral(", ") + file;
            if (r.geo.isNull())
                r.geo = n.second->geoUtil()->xyToGeo(g->position());
        }
    }
    for (Row r : qAsConst(byId)) {
        r.state = stateOf(r.id);
        m_rows.append(r);
    }
    endResetModel();
}

bool ControllerTableModel::refreshStates()
{
    int first = -1, last = -1;
    for (int i = 0; i < m_rows.size(); ++i) {
        const ControllerState s = stateOf(m_rows.at(i).id);
        if (s == m_rows.at(i).state)
            continue;
        m_rows[i].state = s;
        first = first < 0 ? i : first;
        last = i;
    }
    if (first < 0)
        return false;
    Q_EMIT dataChanged(index(first, Online), index(last, Live));
    return true;
}

QPointF ControllerTableModel::junctionAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).geo : QPointF();
}

int ControllerTableModel::controllerAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).id : 0;
}

int ControllerTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int ControllerTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ControllerTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const Row &r = m_rows.at(index.row());
    const bool online = r.state == ControllerState::Live || r.state == ControllerState::Online;
    if (role == Qt::CheckStateRole && index.column() == Online)
        return r.state == ControllerState::Missing ? QVariant() : QVariant(online ? Qt::Checked : Qt::Unchecked);
    if (role == Qt::DecorationRole && index.column() == Live)
        return controllerStateColour(r.state);
    if (role == Qt::UserRole)
        return index.column() == Id ? QVariant(r.id) : data(index, Qt::DisplayRole);
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case Id: return r.id;
    case Junction: return r.junction;
    case Network: return r.network;
    case Online: return r.state == ControllerState::Missing ? tr("no controller") : online ? tr("online") : tr("offline");
    case Live:
        return r.state == ControllerState::Live ? tr("live")
            : r.state == ControllerState::Online ? tr("not followed") : controllerStateText(r.state);
    default: return QVariant();
    }
}

bool ControllerTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != Online || role != Qt::CheckStateRole || index.row() >= m_rows.size())
        return false;
    const int id = m_rows.at(index.row()).id;
    if (!m_session->simulation().light(id))
        return false;
    m_session->simulation().setOnline(id, value.toInt() == Qt::Checked);
    refreshStates();
    return true;
}

Qt::ItemFlags ControllerTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == Online && index.row() < m_rows.size()
        && m_rows.at(index.row()).state != ControllerState::Missing)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ControllerTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Id: return tr("Id");
    case Junction: return tr("Junction");
    case Network: return tr("Network");
    case Online: return tr("Online");
    case Live: return tr("Live");
    default: return QVariant();
    }
}

ControllerList::ControllerList(DemoSession *session, QWidget *parent)
    : QDockWidget(tr("Controllers"), parent)
    , m_session(session)
    , m_model(new ControllerTableModel(session, this))
    , m_proxy(new QSortFilterProxyModel(this))
    , m_filter(new QLineEdit)
    , m_table(new QTableView)
{
    setObjectName(QStringLiteral("controllers"));
    m_proxy->setSourceModel(m_model);
    m_proxy->setFilterKeyColumn(-1);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    // Ids sort as numbers, the rest as text.
    m_proxy->setSortRole(Qt::UserRole);
    m_filter->setPlaceholderText(tr("Filter by id, junction or network"));
    m_filter->setClearButtonEnabled(true);
    connect(m_filter, &QLineEdit::textChanged, m_proxy, &QSortFilterProxyModel::setFilterFixedString);

    m_table->setModel(m_proxy);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(ControllerTableModel::Id, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setWordWrap(false);
    QHeaderView *header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    m_table->setToolTip(tr("Double-click a row to see its junction; tick \u201cOnline\u201d to switch a controller."));
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        const QPointF geo = m_model->junctionAt(m_proxy->mapToSource(index).row());
        if (!geo.isNull())
            Q_EMIT junctionRequested(geo);
    });

    auto *allOnline = new QPushButton(tr("All online"));
    connect(allOnline, &QPushButton::clicked, this, &ControllerList::setAllOnline);
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_filter);
    layout->addWidget(m_table, 1);
    layout->addWidget(allOnline);
    setWidget(box);
}

void ControllerList::fillMenu(QMenu *menu)
{
    QAction *show = toggleViewAction();
    show->setText(tr("Controller &list"));
    show->setShortcut(QKeySequence(tr("Ctrl+L")));
    menu->addAction(show);
    menu->addAction(tr("&All online"), this, &ControllerList::setAllOnline);
}

void ControllerList::setAllOnline()
{
    for (int id : m_session->controllerIds())
        m_session->simulation().setOnline(id, true);
    m_model->refreshStates();
}
