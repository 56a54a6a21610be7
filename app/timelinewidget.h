// ostrik-view: painting the time-distance diagram on screen or into an image.
#pragma once

#include "timelinediagram.h"

#include <QImage>
#include <QWidget>

/*!
 * A time-distance diagram: time runs to the right, distance along the route upwards.
 * Each signal group is a horizontal bar at its distance, coloured by its states; bars of
 * the forward half sit just below their junction line and point right (a triangle at
 * their start), bars of the return half sit just above with a triangle pointing left and
 * a dark edge. Translucent bands show the 50 km/h progression through the first
 * junction's greens in each direction.
 */
class TimelineWidget : public QWidget
{
    Q_OBJECT
public:
    explicit TimelineWidget(QWidget *parent = nullptr);

    void setDiagram(const TimelineDiagram &diagram);
    const TimelineDiagram &diagram() const { return m_diagram; }

    //! Paints the diagram into \a rect of any painter.
    static void paint(QPainter &painter, const QRect &rect, const TimelineDiagram &diagram);
    //! Renders the diagram into a new image of \a size (white background).
    static QImage render(const TimelineDiagram &diagram, const QSize &size = QSize(1400, 900));
    //! The fill colour the diagram uses for a state code.
    static QColor stateColor(int state);

    QSize sizeHint() const override { return QSize(1100, 700); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TimelineDiagram m_diagram;
};
