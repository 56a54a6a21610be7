// ostrik-view: reading a GPX track with its times.
#include "timedtrack.h"

#include <filecheck.h>

#include <QXmlStreamReader>

#include <cctype>
#include <cmath>

namespace {

bool coordinate(const QXmlStreamAttributes &attrs, const char *name, double limit, double *out)
{
    bool ok = false;
    *out = attrs.value(QLatin1String(name)).toDouble(&ok);
    return ok && std::isfinite(*out) && std::abs(*out) <= limit;
}

} // namespace

void TimedTrack::clear()
{
    m_name.clear();
    m_start = QDateTime();
    m_positions.clear();
    m_seconds.clear();
    m_skipped = 0;
}

bool TimedTrack::readFile(const QString &fileName)
{
    clear();
    QByteArray data;
    if (!FileCheck::readAll(fileName, FileCheck::Kind::GpxTrack, &data, &m_error))
        return false;
    if (!readData(data)) {
        m_error = QStringLiteral("%1: %2").arg(fileName, m_error);
        return false;
    }
    return true;
}

bool TimedTrack::readData(const QByteArray &data)
{
    clear();
    m_error.clear();
    // Some writers put blank lines before the XML declaration, which the parser refuses.
    int first = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (first < data.size() && std::isspace(static_cast<unsigned char>(data.at(first))))
        ++first;
    QXmlStreamReader xml(data.mid(first));
    int trackDepth = -1, depth = 0;
    bool inPoint = false, pointOk = false;
    QPointF pos;
    QString time;
    while (!xml.atEnd() && m_positions.size() < MaxPoints) {
        const QXmlStreamReader::TokenType tok = xml.readNext();
        if (tok == QXmlStreamReader::StartElement) {
            ++depth;
            const QStringRef n = xml.name();
            if (trackDepth < 0 && n == QLatin1String("trk")) {
                trackDepth = depth;
            } else if (trackDepth > 0 && n == QLatin1String("name") && depth == trackDepth + 1) {
                m_name = xml.readElementText().trimmed();
                --depth;
            } else if (trackDepth > 0 && n == QLatin1String("trkpt")) {
                double lat = 0.0, lon = 0.0;
                pointOk = coordinate(xml.attributes(), "lat", 90.0, &lat) && coordinate(xml.attributes(), "lon", 180.0, &lon);
                pos = QPointF(lon, lat);
                inPoint = true;
                time.clear();
            } else if (inPoint && n == QLatin1String("time")) {
                time = xml.readElementText().trimmed();
                --depth;
            }
        } else if (tok == QXmlStreamReader::EndElement) {
            if (inPoint && xml.name() == QLatin1String("trkpt")) {
                inPoint = false;
                QDateTime at = QDateTime::fromString(time, Qt::ISODateWithMs);
                if (!at.isValid())
                    at = QDateTime::fromString(time, Qt::ISODate);
                const double s = m_start.isValid() && at.isValid() ? m_start.msecsTo(at) / 1000.0 : 0.0;
                if (!pointOk || !at.isValid() || (!m_seconds.isEmpty() && s < m_seconds.constLast())) {
                    ++m_skipped;
                } else {
                    if (!m_start.isValid())
                        m_start = at.toUTC();
                    m_positions.append(pos);
                    m_seconds.append(s);
                }
            }
            if (depth == trackDepth)
                break;
            --depth;
        }
    }
    if (xml.hasError()) {
        m_error = QStringLiteral("not a readable GPX file (line %1: %2)").arg(xml.lineNumber()).arg(xml.errorString());
        clear();
        return false;
    }
    if (trackDepth < 0) {
        m_error = QStringLiteral("the file holds no GPX track");
        return false;
    }
    return true;
}
