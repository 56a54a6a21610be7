// Traffic-light server: the reply to a controller command.
#include "response.h"

Response::Response(QObject *parent) : QObject(parent) {}

void Response::finish(const QVariant &data)
{
    if (m_finished)
        return;
    m_data = data;
    m_finished = true;
    Q_EMIT finished();
}
