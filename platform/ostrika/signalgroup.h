// Ostrika network model: signal groups of a traffic-light controller.
#pragma once

#include "netobject.h"

namespace Ostrika {

class Connection;
class Granule;

/*!
 * A signal group of the controller of a granule; a QObject child of its granule.
 * tlId() is the group's number in its controller (positive when set; 0 or less: none).
 */
class OSTRIKA_EXPORT SignalGroup : public NetObject
{
    Q_OBJECT
public:
    int tlId() const { return m_tlId; }
    const QList<Connection *> &connections() const { return m_connections; }
    Granule *granule() const;

    //! Attaches \a c (both sides keep the link); attaching twice has no effect.
    void addConnection(Connection *c);

private:
    friend class Network;
    SignalGroup(int id, const QString &name, int tlId, Granule *granule);

    int m_tlId;
    QList<Connection *> m_connections;
};

} // namespace Ostrika
