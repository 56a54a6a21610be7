// Traffic-light server: events pushed by a controller.
#include "notification.h"

Notification::Notification(int id, const QVariant &data, QObject *parent)
    : QObject(parent), m_id(id), m_data(data)
{
}
