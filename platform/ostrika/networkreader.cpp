// Ostrika network model: the ".ostka" reader.
#include "networkreader.h"

#include "connection.h"
#include "crosswalk.h"
#include "edge.h"
#include "granule.h"
#include "modelgeometry.h"
#include "node.h"
#include "route.h"
#include "signalgroup.h"
#include "stopline.h"


#include <climits>
#include <cmath>
#include <new>

namespace Ostrika {

using namespace ModelGeometry;
using namespace ReaderText;


NetworkReader::NetworkReader(Network *net)
    : m_net(net)
{
}

NetworkReader::~NetworkReader()
{
    delete m_staging;
}

bool NetworkReader::fail(const QString &message)
{
    m_error = message;
    return false;
}

bool NetworkReader::fail(const Ctx &c, const QString &message)
{
    return fail(where(c) + QLatin1String(": ") + message);
}

QString NetworkReader::where(const Ctx &c)
{
    if (c.hasId)
        return QLatin1String(c.kind) + QLatin1Char(' ') + QString::number(c.id);
    return QStringLiteral("%1[%2]").arg(QLatin1String(c.section)).arg(c.index);
}

QString NetworkReader::kindOf(const QObject *obj)
{
    if (qobject_cast<const Node *>(obj))
        return QStringLiteral("node");
    if (qobject_cast<const Edge *>(obj))
        return QStringLiteral("edge");
    if (qobject_cast<const Lane *>(obj))
        return QStringLiteral("lane");
    if (qobject_cast<const Stopline *>(obj))
        return QStringLiteral("stop line");
    if (qobject_cast<const Granule *>(obj))
        return QStringLiteral("granule");
    if (qobject_cast<const SignalGroup *>(obj))
        return QStringLiteral("signal group");
    if (qobject_cast<const Connection *>(obj))
        return QStringLiteral("connection");
    if (qobject_cast<const CrossWalk *>(obj))
        return QStringLiteral("crosswalk");
    if (qobject_cast<const Route *>(obj))
        return QStringLiteral("route");
    return QStringLiteral("object");
}

bool NetworkReader::read(const QByteArray &data)
{
    // A document that fits the file ceiling may still not fit the memory left.
    try {
        return readDocument(data);
    } catch (const std::bad_alloc &) {
        rollback();
        m_doc = Json::Document();
        return fail(tr("Not enough memory to read a document of %1 bytes").arg(data.size()));
    }
}

bool NetworkReader::readDocument(const QByteArray &data)
{
    // Looked at in place: a copy of the whole text only to trim it would cost as much as reading it.
    const char *text = data.constData();
    const char *const end = text + data.size();
    while (text < end && (*text == ' ' || *text == '\n' || *text == '\r' || *text == '\t' || *text == '\v' || *text == '\f'))
        ++text;
    if (text == end)
        return fail(tr("The file is empty"));

    if (!m_doc.parse(data)) {
        if (m_doc.truncated())
            return fail(tr("The file is truncated: the document ends unexpectedly at byte offset %1")
                            .arg(m_doc.errorOffset()));
        return fail(tr("Not a valid JSON document: %1 at byte offset %2")
                        .arg(m_doc.errorString()).arg(m_doc.errorOffset()));
    }
    const Json::Value top = m_doc.root();
    if (!top.isObject())
        return fail(tr("The document is not a JSON object"));
    const Json::Object root = top.toObject();
    if (!readHeader(root))
        return false;

    m_adoptOrigin = m_net->m_index.isEmpty();
    if (m_adoptOrigin) {
        m_owner = m_net;
    } else {
        m_shift = m_net->m_geoUtil.geoToXY(m_origin);
        m_staging = new QObject;
        m_owner = m_staging;
    }

    // One index growth for the whole file: every entry of every section, lanes estimated.
    qsizetype expected = 0;
    for (const char *k : {"nodes", "stoplines", "granules", "signalGroups", "connections",
                          "crosswalks", "routes"})
        expected += root.value(k).toArray().size();
    expected += root.value("edges").toArray().size() * 4;
    m_net->m_index.reserve(int(qMin<qsizetype>(m_net->m_index.size() + expected, INT_MAX / 2)));

    const bool ok = readNodes(root) && readEdges(root) && readStoplines(root)
        && readGranules(root) && readSignalGroups(root) && readConnections(root)
        && readCrossWalks(root) && readRoutes(root) && checkExclusions();
    if (!ok) {
        rollback();
        return false;
    }
    commit();
    return true;
}

bool NetworkReader::readHeader(const Json::Object &root)
{
    const Json::Value format = root.value("format");
    if (format.isUndefined())
        return fail(tr("Not an ostka document: the field \"format\" is missing"));
    if (!format.stringEquals(QLatin1String("ostka"))) {
        const QString shown = format.isString()
            ? QLatin1Char('"') + format.toString() + QLatin1Char('"')
            : (format.isDouble() ? QString::number(format.toDouble()) : tr("not a string"));
        return fail(tr("Not an ostka document: \"format\" is %1, not \"ostka\"").arg(shown));
    }
    const Json::Value version = root.value("version");
    if (version.isUndefined())
        return fail(tr("The field \"version\" is missing"));
    const double v = version.toDouble(qQNaN());
    if (!version.isDouble() || v != std::floor(v))
        return fail(tr("The field \"version\" must be an integer"));
    if (v != Network::FormatVersion)
        return fail(tr("Unsupported format version %1; this library reads version %2")
                        .arg(v).arg(Network::FormatVersion));

    const Json::Value origin = root.value("origin");
    if (origin.isUndefined())
        return fail(tr("The field \"origin\" is missing"));
    const Json::Array o = origin.toArray();
    if (!origin.isArray() || o.size() != 2 || !o.at(0).isDouble() || !o.at(1).isDouble())
        return fail(tr("The field \"origin\" must be [longitude, latitude]"));
    const double lon = o.at(0).toDouble();
    const double lat = o.at(1).toDouble();
    if (!(lon >= -180.0 && lon <= 180.0) || !(lat >= -GeoUtil::MaxLatitude && lat <= GeoUtil::MaxLatitude))
        return fail(tr("The origin [%1, %2] is outside longitude -180..180 or latitude -%3..%3")
                        .arg(QString::number(lon, 'g', 12), QString::number(lat, 'g', 12))
                        .arg(GeoUtil::MaxLatitude, 0, 'g', 12));
    m_origin = QPointF(lon, lat);
    return true;
}

void NetworkReader::commit()
{
    if (m_staging) {
        for (QObject *o : qAsConst(m_topLevel))
            o->setParent(m_net);
    }
    if (m_adoptOrigin)
        m_net->m_geoUtil.setOrigin(m_origin);
}

void NetworkReader::rollback()
{
    if (m_staging) {
        for (int id : qAsConst(m_createdIds))
            m_net->m_index.remove(id);
        delete m_staging;
        m_staging = nullptr;
    } else {
        // The network had no objects before this read.
        m_net->m_index.clear();
        for (QObject *o : qAsConst(m_topLevel))
            delete o;
    }
    m_topLevel.clear();
    m_createdIds.clear();
}

bool Network::loadFromData(const QByteArray &data, bool append)
{
    if (!append)
        clear();
    if (!readDocument(data))
        return false;
    finishLoad();
    return true;
}

bool Network::readDocument(const QByteArray &data)
{
    NetworkReader reader(this);
    if (!reader.read(data)) {
        setErrorString(reader.errorString());
        return false;
    }
    m_errorString.clear();
    return true;
}

void Network::finishLoad()
{
    loaded();
    Q_EMIT networkLoaded();
}

} // namespace Ostrika
