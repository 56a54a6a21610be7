// ostrik-view: following the pointer's geographic position.
#include "cursortracker.h"

#include "mapview.h"

#include <QEvent>
#include <QMouseEvent>
#include <QScrollBar>

CursorTracker::CursorTracker(MapView *view) : QObject(view), m_view(view), m_viewport(view->viewport())
{
    m_viewport->installEventFilter(this);
    // A drag scrolls after the move event is seen, a zoom changes the scale: both move the
    // map under a pointer whose pixel stays, so the position is read again after them.
    connect(view, &OsmView::zoomChanged, this, &CursorTracker::update);
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, &CursorTracker::update);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, &CursorTracker::update);
}

QPointF CursorTracker::position() const
{
    return m_view->mapToScene(m_pixel);
}

bool CursorTracker::eventFilter(QObject *watched, QEvent *event)
{
    if (m_viewport && watched == m_viewport) {
        if (event->type() == QEvent::MouseMove) {
            m_pixel = static_cast<QMouseEvent *>(event)->pos();
            m_inside = true;
            // Read after the view has handled the move (and scrolled, in a drag).
            QMetaObject::invokeMethod(this, &CursorTracker::update, Qt::QueuedConnection);
        } else if (event->type() == QEvent::Leave) {
            m_inside = false;
            Q_EMIT left();
        }
    }
    return QObject::eventFilter(watched, event);
}

void CursorTracker::update()
{
    if (m_inside)
        Q_EMIT moved(position());
}
