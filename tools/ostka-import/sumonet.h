// ostka-import: the parts of a SUMO road network (".net.xml", 0.13 and 1.x layouts) the importer uses.
#pragma once

#include <filecheck.h>

#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

//! Called with a stage name and the fraction done (0..1) while reading or converting.
using ProgressFn = std::function<void(const QString &stage, double fraction)>;

struct SumoLane
{
    QString id;
    int index = 0;
    double width = 3.2;            // metres; SUMO's default lane width
    double speed = 13.89;          // m/s; SUMO's default speed limit
    double length = -1;            // metres; -1: not given (the shape's length then)
    QString allow, disallow;       // vClass lists as written
    bool hasAllow = false, hasDisallow = false;
    QVector<QPointF> shape;        // net coordinates, metres
    int line = 0;
};

struct SumoEdge
{
    QString id, from, to, function; // function empty or "normal" for roads
    QVector<SumoLane> lanes;        // sorted by index after reading
    int line = 0;
    bool isNormal() const { return function.isEmpty() || function == QLatin1String("normal"); }
};

struct SumoJunction
{
    QString id, type;
    QPointF position;
    QString intLanes;              // as written: lane ids separated by spaces
    int line = 0;
};

struct SumoConnection
{
    QString from, to, via, tl;
    int fromLane = 0, toLane = 0;
    int linkIndex = -1;
    int line = 0;
};

struct SumoPhase
{
    double duration = 0.0;
    QString state;
    int line = 0;
};

struct SumoTlLogic
{
    QString file;                  // the network or the additional file it comes from
    QString id, programId, type;
    double offset = 0.0;
    QVector<SumoPhase> phases;
    int line = 0;
};

struct SumoLocation
{
    bool present = false;
    QPointF netOffset;
    QRectF convBoundary;           // null when not given
    QString projParameter;         // "!" (or empty): not geo-referenced
    int line = 0;
};

struct SumoNet
{
    QString fileName;
    QString version;
    bool leftHand = false;
    SumoLocation location;
    QVector<SumoEdge> edges;
    QVector<SumoJunction> junctions;
    QVector<SumoConnection> connections;
    QVector<SumoTlLogic> tlLogics; // every program, in file order

    QHash<QString, int> edgeIndex;     // edge id -> index into edges
    QHash<QString, int> junctionIndex; // junction id -> index into junctions
};

//! A gzip file may expand to GzipSlack plus GzipRatio times the compressed bytes read so far.
constexpr qint64 GzipSlack = 16 * FileCheck::MiB;
constexpr qint64 GzipRatio = 100;

/*!
 * Reads the whole content of \a fileName, inflating it when it is gzip-compressed (detected
 * by its magic bytes, not by its name). The file passes FileCheck as a SUMO file first (a
 * FIFO, a device or a file over 512 MiB is refused before it is read). Decompression
 * streams and stops, with "Cannot decompress "FILE": it expands to more than ...", as soon
 * as the output passes \a limit bytes or GzipSlack plus GzipRatio times the compressed
 * bytes read: a decompression bomb costs some 16 MiB, not all memory. False with \a error
 * on a missing, refused, unreadable or corrupt file, or when memory runs out.
 */
bool readMaybeGzipped(const QString &fileName, QByteArray *data, QString *error,
                      qint64 limit = FileCheck::ceiling(FileCheck::Kind::Sumo));

/*!
 * Parses a SUMO network. On a file that is not a SUMO network, malformed XML, a bad number,
 * a duplicate id or an edge whose lanes are not numbered 0..n-1, returns false with an
 * \a error of the form "FILE:LINE: <element id="...">: what is wrong".
 */
bool readSumoNet(const QString &fileName, SumoNet *net, QString *error,
                 const ProgressFn &progress = ProgressFn());

//! "x,y x,y ..." (a third coordinate is ignored); false on anything else.
bool parseShape(const QStringRef &text, QVector<QPointF> *points);
