// ostrik-view: the searchable, dockable list of the project's controllers.
#pragma once

#include "controllerstate.h"

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QPointF>

class DemoSession;
class QLineEdit;
class QMenu;
class QSortFilterProxyModel;
class QTableView;

/*!
 * One row per controller of the project: its id, the junction(s) it governs, their network,
 * whether it is online (a check box that takes it offline and back, as the simulated
 * controllers allow) and whether the map follows it. reload() reads the rows again after
 * networks change; refreshStates() re-reads only the state columns and says whether any
 * changed.
 */
class ControllerTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Id, Junction, Network, Online, Live, ColumnCount };

    explicit ControllerTableModel(DemoSession *session, QObject *parent = nullptr);

    void reload();
    bool refreshStates();
    //! The junction of \a row (longitude, latitude); null when the controller governs none.
    QPointF junctionAt(int row) const;
    int controllerAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row
    {
        int id = 0;
        QString junction;
        QString network;
        QPointF geo;
        ControllerState state = ControllerState::Missing;
    };
    ControllerState stateOf(int id) const;

    DemoSession *m_session;
    QVector<Row> m_rows;
};

//! The dock: a filter field over the table (id, junction or network) and "All online".
class ControllerList : public QDockWidget
{
    Q_OBJECT
public:
    explicit ControllerList(DemoSession *session, QWidget *parent = nullptr);

    ControllerTableModel *model() const { return m_model; }
    QLineEdit *filterField() const { return m_filter; }
    QTableView *table() const { return m_table; }
    //! Adds "Controller list" (shows the dock) and "All online" to \a menu.
    void fillMenu(QMenu *menu);
    void setAllOnline();

Q_SIGNALS:
    //! The user asked to see the junction of a controller (double click on its row).
    void junctionRequested(const QPointF &lonLat);

private:
    DemoSession *m_session;
    ControllerTableModel *m_model;
    QSortFilterProxyModel *m_proxy;
    QLineEdit *m_filter;
    QTableView *m_table;
};
