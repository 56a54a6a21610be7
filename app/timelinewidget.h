// ostrik-view: painting the time-distance diagram on screen, into an image or an SVG file.
#pragma once

#include "timelinediagram.h"
#include "timelinelayout.h"

#include <QImage>
#include <QWidget>

/*!
 * A time-distance diagram: time runs to the right, distance along the route upwards.
 * Each signal group is a horizontal bar at its stop line, coloured by its states; forward
 * groups hang below their junction line with a ▶ mark, return groups stand above it with
 * a ◀ mark. Each junction row is labelled with its junction, groups, controller, cycle and
 * offset. Translucent bands are the through-bands at the progression speed with their
 * width in seconds written on them; trajectories (recorded drives, simulated vehicles)
 * are drawn over the bars.
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
    //! The layout paint() uses for \a rect (what a user sees: rows, bars, labels).
    static TimelineLayout layout(const QRect &rect, const TimelineDiagram &diagram);
    //! Renders the diagram into a new image of \a size (white background).
    static QImage render(const TimelineDiagram &diagram, const QSize &size = QSize(1400, 900));
    /*!
     * Writes the diagram to \a fileName: SVG when its suffix is ".svg" (any case), PNG
     * otherwise, \a size pixels. False with \a error when the file cannot be written.
     */
    static bool save(const TimelineDiagram &diagram, const QString &fileName, const QSize &size, QString *error);
    //! The fill colour the diagram uses for a state code.
    static QColor stateColor(int state);

    QSize sizeHint() const override { return QSize(1300, 760); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TimelineDiagram m_diagram;
};
