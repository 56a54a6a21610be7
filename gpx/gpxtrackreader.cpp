// GpxTrackReader: the first segment of a GPX file's first track as a map path.
#include "gpx/gpxtrackreader.h"

#include <ostrika/geoutil.h>

#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QtMath>

namespace {

const QLatin1String TrkName("trk");
const QLatin1String TrksegName("trkseg");
const QLatin1String TrkptName("trkpt");

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

QDomElement firstChildNamed(const QDomElement &parent, QLatin1String name)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (GpxTrackReader::localName(e.tagName()) == name)
            return e;
    }
    return {};
}

bool readCoordinate(const QDomElement &point, const QString &attribute, double *value)
{
    bool ok = false;
    // QString::toDouble is locale independent and ignores surrounding blanks.
    *value = point.attribute(attribute).toDouble(&ok);
    // "nan" and "inf" parse, but would poison the path's bounding rectangle.
    return ok && qIsFinite(*value);
}

} // namespace

QStringRef GpxTrackReader::localName(const QString &qualifiedName)
{
    return qualifiedName.midRef(qualifiedName.lastIndexOf(QLatin1Char(':')) + 1);
}

QByteArray GpxTrackReader::trimmedLeadingSpace(const QByteArray &data)
{
    int start = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        start = 3;
    while (start < data.size() && isSpace(data.at(start)))
        ++start;
    return start == 0 ? data : data.mid(start);
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

bool GpxTrackReader::readData(const QByteArray &data)
{
    QDomDocument doc;
    QString message;
    int line = 0;
    int column = 0;
    // Prefixes stay part of the tag names; namespace processing would add nothing but cost.
    if (!doc.setContent(trimmedLeadingSpace(data), false, &message, &line, &column))
        return fail(QStringLiteral("not well-formed XML at line %1, column %2: %3")
                            .arg(line).arg(column).arg(message));

    const QDomElement track = firstChildNamed(doc.documentElement(), TrkName);
    if (track.isNull())
        return fail(QStringLiteral("no track element"));

    m_path = QPainterPath();
    m_pointCount = 0;
    m_errorString.clear();

    const QDomElement segment = firstChildNamed(track, TrksegName);
    if (segment.isNull())
        return true;

    const Ostrika::GeoUtil geo;
    int index = 0;
    // Iterative pre-order walk: document order, any depth, no recursion on deep files.
    QDomNode node = segment.firstChild();
    while (!node.isNull()) {
        if (node.isElement()) {
            const QDomElement e = node.toElement();
            if (localName(e.tagName()) == TrkptName) {
                double lon = 0.0;
                double lat = 0.0;
                if (readCoordinate(e, QStringLiteral("lon"), &lon)
                        && readCoordinate(e, QStringLiteral("lat"), &lat)) {
                    const QPointF p(lon, lat);
                    if (index == 0) {
                        m_path.moveTo(p);
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
                ++index;
            }
        }
        if (node.hasChildNodes()) {
            node = node.firstChild();
            continue;
        }
        while (!node.isNull() && node != segment && node.nextSibling().isNull())
            node = node.parentNode();
        if (node.isNull() || node == segment)
            break;
        node = node.nextSibling();
    }
    return true;
}
