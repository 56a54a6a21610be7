// ostrik-view: the map's legend: what each colour and mark means.
#pragma once

#include <QColor>
#include <QString>
#include <QVector>

class QPainter;
class QRect;

/*!
 * The legend's rows for the two faces of the map: the plugin's signal display (from its
 * minimum zoom) and the host's overview below it. paint() draws them in a box in the
 * bottom-right corner of \a viewport.
 */
class Legend
{
public:
    enum class Symbol { Line, Disc, Vehicle, Dot, OfflineDot, OfflineMark, Road, Band, DeadEnd };
    struct Entry
    {
        QColor a;
        QColor b;
        Symbol symbol = Symbol::Line;
        QString text;
    };

    //! The neutral colour of a connection without a state (offline, not followed): the plugin's resting look.
    static QColor neutralColour();

    //! Rows of the signal display; \a vehicles adds the vehicle colours of a live source.
    static QVector<Entry> signalEntries(bool vehicles);
    //! Rows of the overview.
    static QVector<Entry> overviewEntries();

    static void paint(QPainter *painter, const QRect &viewport, const QVector<Entry> &entries);

private:
    static void paintSymbol(QPainter *painter, const QRect &sym, const Entry &e);
};
