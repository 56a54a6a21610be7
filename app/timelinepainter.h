// ostrik-view: the painting steps of the time-distance diagram.
#pragma once

#include "timelinediagram.h"
#include "timelinelayout.h"

#include <QFont>
#include <QRect>

class QPainter;

//! Paints one diagram into a rectangle of a painter, step by step, from its layout.
class TimelinePainter
{
public:
    TimelinePainter(QPainter &painter, const QRect &rect, const TimelineDiagram &diagram);

    void paint();

    static QFont baseFont(const QPainter &painter);
    static QFont labelFont(const QPainter &painter);
    //! The header line that sums up a direction's band ("▶ 22 s of the 80 s cycle").
    static QString bandSummary(const TimelineDiagram::Band &band);

private:
    void paintHeader();
    void paintLegend();
    void paintAxes();
    void paintBands();
    void paintRows();
    void paintLabels();
    void paintTrajectories();
    void paintNow();
    void paintEmptyNote();

    QPainter &p;
    QRect m_rect;
    const TimelineDiagram &d;
    QFont m_base;
    TimelineLayout m_layout;
};
