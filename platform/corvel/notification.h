// Traffic-light server: events pushed by a controller.
#pragma once

#include "corvel_export.h"

#include <QObject>
#include <QVariant>

/*!
 * An event pushed by a controller. "id" is the kind of event; kind 5 (SignalGroupState) is a
 * signal-group state change whose data() is the list [group id, state code].
 * Controllers pass it by pointer to a stack or short-lived object: valid only while the
 * signal is being delivered.
 */
class CORVEL_EXPORT Notification : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int id READ id CONSTANT)
public:
    enum Kind { Detector = 1, Alarm = 2, ProgramChange = 3, Mode = 4, SignalGroupState = 5, Time = 6 };

    Notification(int id, const QVariant &data, QObject *parent = nullptr);
    int id() const { return m_id; }
    QVariant data() const { return m_data; }

private:
    int m_id;
    QVariant m_data;
};
