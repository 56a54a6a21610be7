// Ostrika network model: base class of every network object.
#include "netobject.h"

#include "network.h"

namespace Ostrika {

NetObject::NetObject(int id, const QString &name, QObject *parent)
    : QObject(parent)
    , m_id(id)
{
    if (!name.isEmpty())
        setObjectName(name);
}

NetObject::~NetObject()
{
    // Keeps findObject() from handing out a deleted object.
    if (Network *net = network()) {
        const auto it = net->m_index.constFind(m_id);
        if (it != net->m_index.constEnd() && it.value() == this)
            net->m_index.erase(it);
    }
}

Network *NetObject::network() const
{
    for (QObject *p = parent(); p; p = p->parent()) {
        if (auto *net = qobject_cast<Network *>(p))
            return net;
    }
    return nullptr;
}

const GeoPolyline &NetObject::polyline() const
{
    static const GeoPolyline empty;
    return empty;
}

const QPointF &NetObject::position() const
{
    static const QPointF origin;
    return origin;
}

} // namespace Ostrika
