// GpxTrackReader: the first segment of a GPX file's first track as a map path.
#pragma once

#include <QByteArray>
#include <QPainterPath>
#include <QString>
#include <QStringView>

class QXmlStreamAttributes;
class QXmlStreamReader;

/*!
 * Reads a GPX document (1.0 or 1.1) and builds the path the map draws for it: a line
 * through the track points of the first "trkseg" of the first "trk" of the document
 * element, in geographic coordinates (x = longitude, y = latitude, degrees), with a
 * circle of radius 5 planar units (through a default Ostrika::GeoUtil) around the
 * first point when that point is usable.
 *
 * Elements are matched by local name, so "trk", "gpx:trk" and "anyprefix:trk" are the
 * same; prefixes need not be declared (extension elements of GPS devices often are not).
 * The root element may have any name. White space and a UTF-8 byte-order mark before the
 * first '<' are skipped, since some route planners write blank lines before the XML
 * declaration.
 *
 * Track points whose "lon" or "lat" is missing, not a C-locale number or not finite are
 * left out. When the first listed point is unusable there is no circle and the line
 * starts at the first usable point.
 *
 * readFile() reads the file as a stream, in pieces: a FIFO, a device or a file over the
 * 64 MiB of FileCheck is refused before it is read (with FileCheck's message), and memory
 * stays bounded by the track, not the file.
 *
 * A failed read (refused or unreadable file, not well-formed XML, no "trk") returns false,
 * leaves path() empty and sets errorString(). A track without segment or points reads as
 * true with an empty path.
 */
class GpxTrackReader
{
public:
    bool readFile(const QString &fileName);
    bool readData(const QByteArray &data);

    //! The track path of the last successful read; empty after a failure.
    const QPainterPath &path() const { return m_path; }
    //! Number of track points that went into path().
    int pointCount() const { return m_pointCount; }
    //! Why the last read failed; empty after a success.
    QString errorString() const { return m_errorString; }

    //! The part of an XML qualified name after its last ':' ("gpx:trk" gives "trk").
    static QStringView localName(QStringView qualifiedName);
    //! Bytes of UTF-8 byte-order mark and white space at the start of \a data.
    static int leadingSpaceLength(const QByteArray &data);

private:
    // Where the reader is in the document; kept across the pieces of a file.
    struct Parse {
        int depth = 0;
        int trackDepth = 0;
        int segmentDepth = 0;
        int index = 0;
        bool trackSeen = false;
        bool segmentSeen = false;
    };

    void reset();
    bool fail(const QString &message);
    //! Every token \a xml has so far.
    void consume(QXmlStreamReader &xml, Parse &p);
    bool finish(const QXmlStreamReader &xml, const Parse &p);
    void addPoint(const QXmlStreamAttributes &attributes, int index);

    QPainterPath m_path;
    int m_pointCount = 0;
    QString m_errorString;
};
