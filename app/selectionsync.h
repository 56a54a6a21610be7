// ostrik-view: the object tree and the map agree on the selected route.
#pragma once

#include <QObject>

class DemoSession;
class QTreeView;

/*!
 * Selecting a route row brings the route into view (the plugin selects it on the map). A
 * click on the map that selects a route selects its row (matched by name among the routes
 * the tree lists); a click that selects nothing, or something without a row, clears the
 * tree's selection, so that the plugin puts a route it lifted out of a hidden layer back.
 */
class SelectionSync : public QObject
{
    Q_OBJECT
public:
    SelectionSync(DemoSession *session, QTreeView *tree);

private:
    void treeChanged();
    void mapChanged();

    DemoSession *m_session;
    QTreeView *m_tree;
    bool m_syncing = false;
};
