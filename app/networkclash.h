// ostrik-view: networks opened together must not share controller ids.
#pragma once

#include <QList>
#include <QMap>
#include <QString>

namespace Ostrika {
class Network;
}

/*!
 * A controller id names one controller of the whole project. Two networks that use the same
 * id would both bind to one controller: one junction would show the other's states. The
 * host refuses such a second network before anything of it is loaded.
 */
class NetworkClash
{
public:
    //! The controller ids of \a net's signal-controlled granules, ascending, each once.
    static QList<int> controllerIds(const Ostrika::Network &net);

    /*!
     * Empty when the ids of the network \a fileName are all free; else a message for the
     * user that names the ids already taken, the networks holding them and the two ways to
     * give the network ids of its own (ostka-renumber, ostka-import --first-controller),
     * with the first free id. \a taken: the controller ids of each open network, by file name.
     */
    static QString check(const QString &fileName, const QList<int> &ids, const QMap<QString, QList<int>> &taken);

    //! "1–4, 7, 9–12": ascending runs of \a ids (any order, repeats ignored).
    static QString ranges(QList<int> ids);
};
