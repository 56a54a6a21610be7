// ostrik-view: tooltips and clicks on the map.
#include "mapinspector.h"

#include "mapview.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>

namespace {
// Hand-drag pans the map; a press that moved farther than this is no click.
constexpr int ClickSlopPx = 4;
} // namespace

MapInspector::MapInspector(MapView *view, const NetworkPicker *picker, HitDescription::LightLookup lookup,
                           QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_viewport(view->viewport())
    , m_picker(picker)
    , m_lookup(std::move(lookup))
{
    m_viewport->installEventFilter(this);
}

MapHit MapInspector::hitAt(const QPoint &pos) const
{
    return m_picker->pick(m_view->mapToScene(pos), m_view->metresPerPixel());
}

bool MapInspector::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_viewport || watched != m_viewport)
        return false;
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = HitDescription::tooltip(hitAt(help->pos()), m_lookup);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, m_view->viewport());
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        m_pressed = mouse->button() == Qt::LeftButton;
        m_pressAt = mouse->pos();
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (m_pressed && mouse->button() == Qt::LeftButton
            && (mouse->pos() - m_pressAt).manhattanLength() <= ClickSlopPx)
            Q_EMIT picked(hitAt(mouse->pos()));
        m_pressed = false;
        break;
    }
    default:
        break;
    }
    return false;
}
