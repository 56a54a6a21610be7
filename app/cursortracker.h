// ostrik-view: the status bar's cursor position.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QPoint>
#include <QPointF>

class MapView;

/*!
 * Tells the geographic position under the mouse pointer whenever it changes: when the
 * pointer moves (with or without a button: a drag included), and when the map moves or
 * zooms under a pointer that stays still (keyboard zoom, "Fit network", Find). Nothing
 * while the pointer has not been over the map yet or has left it.
 */
class CursorTracker : public QObject
{
    Q_OBJECT
public:
    explicit CursorTracker(MapView *view);

    //! Longitude/latitude under the pointer; valid only while hasPosition().
    QPointF position() const;
    bool hasPosition() const { return m_inside; }

Q_SIGNALS:
    void moved(const QPointF &lonLat);
    void left();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();

    MapView *m_view;
    // Compared by address: a dying view's viewport still sends events.
    QPointer<QWidget> m_viewport;
    QPoint m_pixel;
    bool m_inside = false;
};
