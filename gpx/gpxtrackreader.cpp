// GpxTrackReader: the first segment of a GPX file's first track as a map path.
#include "gpx/gpxtrackreader.h"

#include <ostrika/geoutil.h>

#include <QFile>
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
    if (fileName.isEmpty())
        return fail(QStringLiteral("no file name"));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open %1: %2").arg(fileName, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString()));
    file.close();
    return readData(data);
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

bool GpxTrackReader::readData(const QByteArray &data)
{
    m_path = QPainterPath();
    m_pointCount = 0;
    m_errorString.clear();

    const int skip = leadingSpaceLength(data);
    QXmlStreamReader xml(QByteArray::fromRawData(data.constData() + skip, data.size() - skip));
    // Prefixes stay part of the names, so undeclared ones (device extensions) are no error.
    xml.setNamespaceProcessing(false);

    // Element depths: 1 is the document element; 0 means "not inside".
    int depth = 0;
    int trackDepth = 0;
    int segmentDepth = 0;
    bool trackSeen = false;
    bool segmentSeen = false;
    int index = 0;
    // The whole document is read: a file broken after its track is still rejected.
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QStringView name = localName(xml.qualifiedName());
            if (segmentDepth > 0) {
                if (name == TrkptName)
                    addPoint(xml.attributes(), index++);
            } else if (depth == 2 && !trackSeen && name == TrkName) {
                trackSeen = true;
                trackDepth = depth;
            } else if (depth == 3 && trackDepth > 0 && !segmentSeen && name == TrksegName) {
                segmentSeen = true;
                segmentDepth = depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == segmentDepth)
                segmentDepth = 0;
            if (depth == trackDepth)
                trackDepth = 0;
            --depth;
        }
    }
    if (xml.hasError())
        return fail(QStringLiteral("not well-formed XML at line %1, column %2: %3")
                            .arg(xml.lineNumber()).arg(xml.columnNumber()).arg(xml.errorString()));
    if (!trackSeen)
        return fail(QStringLiteral("no track element"));
    return true;
}
