// ostrik-view: where each part of the time-distance diagram goes in a picture.
#pragma once

#include "timelinediagram.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <QVector>

/*!
 * The geometry of one picture of a diagram, computed before anything is painted so that
 * what a user sees (rows, bars, labels) can be checked without pixels.
 *
 * A row is one junction passed in one direction: the groups of one granule (or, where the
 * granule is unknown, one controller) at one distance. Groups of a row whose states are the
 * same over the window share one drawn bar. Forward rows hang below their junction line,
 * return rows stand above it; the bar height shrinks where junctions crowd (3 to 9 px).
 *
 * Labels (one per row: junction, groups, controller, cycle and offset) sit in a column
 * right of the plot, as near their row as the others allow, and never overlap: they are
 * stacked apart, and when the column cannot hold them all, evenly spread ones are left
 * out (hiddenLabels counts them).
 */
struct TimelineLayout
{
    struct Bar
    {
        QVector<int> groups;   //!< group numbers drawn by this bar
        int barIndex = 0;      //!< index of the first of them in TimelineDiagram::bars
        QRectF rect;
    };
    struct Row
    {
        bool forward = true;
        double distance = 0.0;
        double lineY = 0.0;    //!< the junction line
        int controller = 0;
        QString junction;
        QVector<Bar> bars;
    };
    struct Label
    {
        QString text;
        QRectF rect;
        double anchorY = 0.0;  //!< middle of the row it names
        bool forward = true;
    };

    QRectF plot;
    QFont font;                //!< labels' font
    double barHeight = 9.0;
    double maxDistance = 50.0; //!< metres at the top of the plot
    QVector<Row> rows;
    QVector<Label> labels;
    int hiddenLabels = 0;
    double from = 0.0, to = 1.0;

    static constexpr int LeftMargin = 78;
    static constexpr int LabelColumn = 300;
    static constexpr int HeaderHeight = 108;
    static constexpr int BottomMargin = 58;

    double x(double t) const;
    double y(double metres) const;

    //! Lays out \a diagram in \a rect, with label text measured in \a labelFont.
    static TimelineLayout compute(const QRectF &rect, const TimelineDiagram &diagram, const QFont &labelFont);
    //! The label text of a row of \a diagram.
    static QString labelText(const Row &row, const TimelineDiagram &diagram);
};
