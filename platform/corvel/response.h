// Traffic-light server: the reply to a controller command.
#pragma once

#include "corvel_export.h"

#include <QObject>
#include <QVariant>

/*!
 * The reply to a command sent to a controller. It is created unfinished; "finished()"
 * is emitted once, asynchronously, when data() holds the answer. The controller that
 * created it owns and deletes it (some time after it finished); receivers never do.
 */
class CORVEL_EXPORT Response : public QObject
{
    Q_OBJECT
public:
    explicit Response(QObject *parent = nullptr);
    QVariant data() const { return m_data; }
    bool isFinished() const { return m_finished; }
    //! Stores the answer and emits finished(); later calls are ignored.
    void finish(const QVariant &data);

Q_SIGNALS:
    void finished();

private:
    QVariant m_data;
    bool m_finished = false;
};
