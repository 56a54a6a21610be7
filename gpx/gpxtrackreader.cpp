// GpxTrackReader: the first segment of a GPX file's first track as a map path.
#include "gpx/gpxtrackreader.h"

#include <filecheck.h>
#include <ostrika/geoutil.h>

#include <QXmlStreamReader>
#include <QtMath>

namespace {

const QLatin1String TrkName("trk");
const QLatin1String TrksegName("trkseg");
const QLatin1String TrkptName("trkpt");

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool readCoordinate(const QXmlStreamAttributes &attributes, QLatin1String name, double *value)
{
    bool ok = false;
    // toDouble is locale independent and ignores surrounding blanks.
    *value = attributes.value(name).toDouble(&ok);
    // "nan" and "inf" parse, but would poison the path's bounding rectangle.
    return ok && qIsFinite(*value);
}

} // namespace

QStringView GpxTrackReader::localName(QStringView qualifiedName)
{
    return qualifiedName.mid(qualifiedName.lastIndexOf(QLatin1Char(':')) + 1);
}

int GpxTrackReader::leadingSpaceLength(const QByteArray &data)
{
    int start = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (start < data.size() && isSpace(data.at(start)))
        ++start;
    return start;
}

bool GpxTrackReader::fail(const QString &message)
{
    m_path = QPainterPath();
    m_pointCount = 0;
    m_errorString = message;
    return false;
}

bool GpxTrackReader::readFile(const QString &fileName)
{
    reset();
    FileCheck::Reader file;
    if (!file.open(fileName, FileCheck::Kind::GpxTrack))
        return fail(file.errorString());

    // Piece by piece: memory stays bounded by the path, however long the file.
    QXmlStreamReader xml;
    xml.setNamespaceProcessing(false);
    Parse parse;
    bool atStart = true;
    bool inLeadingSpace = true;
    QByteArray piece;
    for (;;) {
        if (!file.read(&piece))
            return fail(file.errorString());
        if (piece.isEmpty())
            break;
        if (inLeadingSpace) {
            int skip = atStart ? leadingSpaceLength(piece) : 0;
            while (skip < piece.size() && isSpace(piece.at(skip)))
                ++skip;
            atStart = false;
            if (skip == piece.size())
                continue;
            piece.remove(0, skip);
            inLeadingSpace = false;
        }
        xml.addData(piece);
        consume(xml, parse);
        if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
            break;
    }
    return finish(xml, parse);
}

void GpxTrackReader::addPoint(const QXmlStreamAttributes &attributes, int index)
{
    double lon = 0.0;
    double lat = 0.0;
    if (!readCoordinate(attributes, QLatin1String("lon"), &lon)
            || !readCoordinate(attributes, QLatin1String("lat"), &lat))
        return;
    const QPointF p(lon, lat);
    if (index == 0) {
        m_path.moveTo(p);
        const Ostrika::GeoUtil geo;
        const QPointF q = geo.geoToXY(p);
        m_path.addEllipse(geo.xyToGeo(QRectF(q.x() - 5.0, q.y() - 5.0, 10.0, 10.0)));
        m_path.moveTo(p);
    } else if (m_path.elementCount() == 0) {
        // An unusable first point: start the line here, not at (0, 0).
        m_path.moveTo(p);
    } else {
        m_path.lineTo(p);
    }
    ++m_pointCount;
}

void GpxTrackReader::reset()
{
    m_path = QPainterPath();
    m_pointCount = 0;
    m_errorString.clear();
}

bool GpxTrackReader::readData(const QByteArray &data)
{
    reset();
    const int skip = leadingSpaceLength(data);
    QXmlStreamReader xml(QByteArray::fromRawData(data.constData() + skip, data.size() - skip));
    // Prefixes stay part of the names, so undeclared ones (device extensions) are no error.
    xml.setNamespaceProcessing(false);
    Parse parse;
    consume(xml, parse);
    return finish(xml, parse);
}

void GpxTrackReader::consume(QXmlStreamReader &xml, Parse &p)
{
    // Element depths: 1 is the document element; 0 means "not inside".
    // The whole document is read: a file broken after its track is still rejected.
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++p.depth;
            const QStringView name = localName(xml.qualifiedName());
            if (p.segmentDepth > 0) {
                if (name == TrkptName)
                    addPoint(xml.attributes(), p.index++);
            } else if (p.depth == 2 && !p.trackSeen && name == TrkName) {
                p.trackSeen = true;
                p.trackDepth = p.depth;
            } else if (p.depth == 3 && p.trackDepth > 0 && !p.segmentSeen && name == TrksegName) {
                p.segmentSeen = true;
                p.segmentDepth = p.depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (p.depth == p.segmentDepth)
                p.segmentDepth = 0;
            if (p.depth == p.trackDepth)
                p.trackDepth = 0;
            --p.depth;
        }
    }
}

bool GpxTrackReader::finish(const QXmlStreamReader &xml, const Parse &p)
{
    if (xml.hasError())
        return fail(QStringLiteral("not well-formed XML at line %1, column %2: %3")
                            .arg(xml.lineNumber()).arg(xml.columnNumber()).arg(xml.errorString()));
    if (!p.trackSeen)
        return fail(QStringLiteral("no track element"));
    return true;
}
