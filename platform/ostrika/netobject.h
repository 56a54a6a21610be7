// Ostrika network model: base class of every network object.
#pragma once

#include "geopolyline.h"
#include "ostrika_export.h"

#include <QObject>
#include <QPointF>

namespace Ostrika {

class Network;

/*!
 * Base of every object of a network. Each object is a QObject descendant of its Network
 * (found with findChildren), has an object name (possibly empty) and an id that is unique
 * among all objects of its network; Network::findObject(id) returns it.
 */
class OSTRIKA_EXPORT NetObject : public QObject
{
    Q_OBJECT
public:
    //! Leaves the network's id index. Delete objects through Network::clear(): other
    //! objects' links to a single deleted object are not updated.
    ~NetObject() override;

    int id() const { return m_id; }
    //! The network this object belongs to (walks up the QObject parents); null when detached.
    Network *network() const;

    //! The object's geometry in planar coordinates; empty for objects without one.
    virtual const GeoPolyline &polyline() const;
    //! The object's reference point in planar coordinates; (0, 0) for objects without one.
    virtual const QPointF &position() const;

protected:
    NetObject(int id, const QString &name, QObject *parent);

private:
    int m_id;
};

} // namespace Ostrika
