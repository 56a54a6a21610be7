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

namespace Ostrika {

using namespace ModelGeometry;

namespace {

// Planar coordinates beyond this are outside any Web Mercator world, whatever the origin.
constexpr double MaxCoordinate = 1e8;

QLatin1String key(const char *k) { return QLatin1String(k); }
QString quoted(const char *k) { return QLatin1Char('"') + QLatin1String(k) + QLatin1Char('"'); }

QString withArticle(const QString &kind)
{
    const bool vowel = !kind.isEmpty() && QStringLiteral("aeiou").contains(kind.at(0));
    return (vowel ? QStringLiteral("an ") : QStringLiteral("a ")) + kind;
}

} // namespace

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
    if (c.id > 0)
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
    if (data.trimmed().isEmpty())
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
    const Json::Value format = root.value(key("format"));
    if (format.isUndefined())
        return fail(tr("Not an ostka document: the field \"format\" is missing"));
    if (!format.stringEquals(QLatin1String("ostka"))) {
        const QString shown = format.isString()
            ? QLatin1Char('"') + format.toString() + QLatin1Char('"')
            : (format.isDouble() ? QString::number(format.toDouble()) : tr("not a string"));
        return fail(tr("Not an ostka document: \"format\" is %1, not \"ostka\"").arg(shown));
    }
    const Json::Value version = root.value(key("version"));
    if (version.isUndefined())
        return fail(tr("The field \"version\" is missing"));
    const double v = version.toDouble(qQNaN());
    if (!version.isDouble() || v != std::floor(v))
        return fail(tr("The field \"version\" must be an integer"));
    if (v != Network::FormatVersion)
        return fail(tr("Unsupported format version %1; this library reads version %2")
                        .arg(v).arg(Network::FormatVersion));

    const Json::Value origin = root.value(key("origin"));
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

bool NetworkReader::section(const Json::Object &root, const char *k, Json::Array *out)
{
    const Json::Value v = root.value(key(k));
    if (v.isUndefined())
        return true;   // an absent section has no objects
    if (!v.isArray())
        return fail(tr("The field %1 must be an array").arg(quoted(k)));
    *out = v.toArray();
    return true;
}

bool NetworkReader::object(const Json::Value &v, const Ctx &c, Json::Object *out)
{
    if (!v.isObject())
        return fail(c, tr("not a JSON object"));
    *out = v.toObject();
    return true;
}

bool NetworkReader::readIdValue(const Json::Value &v, const Ctx &c, const QString &what, int *out)
{
    const double d = v.toDouble(qQNaN());
    if (!v.isDouble() || !(d >= 1.0 && d <= INT_MAX) || d != std::floor(d))
        return fail(c, tr("%1 must be a positive integer id").arg(what));
    *out = int(d);
    return true;
}

bool NetworkReader::readId(const Json::Object &o, Ctx &c)
{
    const Json::Value v = o.value(key("id"));
    if (v.isUndefined())
        return fail(c, tr("the field \"id\" is missing"));
    int id = 0;
    if (!readIdValue(v, c, QStringLiteral("\"id\""), &id))
        return false;
    c.id = id;
    return claimId(c);
}

bool NetworkReader::claimId(const Ctx &c)
{
    const NetObject *other = m_net->m_index.value(c.id, nullptr);
    if (!other)
        return true;
    if (!inFile(other))
        return fail(c, tr("the id %1 is already used in the network (by %2)")
                           .arg(c.id).arg(withArticle(kindOf(other))));
    return fail(c, tr("duplicate id %1 (also used by %2)").arg(c.id).arg(withArticle(kindOf(other))));
}

bool NetworkReader::inFile(const NetObject *obj) const
{
    if (!m_staging)
        return true;   // the network had no objects of its own
    // Lanes and signal groups sit one level below their edge or granule.
    const QObject *p = obj->parent();
    return p == m_staging || (p && p->parent() == m_staging);
}

void NetworkReader::created(NetObject *obj, bool topLevel)
{
    m_net->m_index.insert(obj->id(), obj);
    m_createdIds.append(obj->id());
    if (topLevel)
        m_topLevel.append(obj);
}

bool NetworkReader::readName(const Json::Object &o, const Ctx &c, QString *out)
{
    const Json::Value v = o.value(key("name"));
    if (v.isUndefined())
        return true;
    if (!v.isString())
        return fail(c, tr("the field \"name\" must be a string"));
    *out = v.toString();
    return true;
}

bool NetworkReader::readInt(const Json::Object &o, const char *k, const Ctx &c, int *out,
                            bool required)
{
    const Json::Value v = o.value(key(k));
    if (v.isUndefined()) {
        if (required)
            return fail(c, tr("the field %1 is missing").arg(quoted(k)));
        return true;
    }
    const double d = v.toDouble(qQNaN());
    if (!v.isDouble() || !(d >= INT_MIN && d <= INT_MAX) || d != std::floor(d))
        return fail(c, tr("the field %1 must be an integer").arg(quoted(k)));
    *out = int(d);
    return true;
}

bool NetworkReader::readNumber(const Json::Object &o, const char *k, const Ctx &c, double *out,
                               bool required)
{
    const Json::Value v = o.value(key(k));
    if (v.isUndefined()) {
        if (required)
            return fail(c, tr("the field %1 is missing").arg(quoted(k)));
        return true;
    }
    if (!v.isDouble())
        return fail(c, tr("the field %1 must be a number").arg(quoted(k)));
    const double d = v.toDouble();
    if (!std::isfinite(d) || std::abs(d) > MaxCoordinate)
        return fail(c, tr("the field %1 holds the out-of-range number %2").arg(quoted(k)).arg(d));
    *out = d;
    return true;
}

bool NetworkReader::readPoints(const Json::Object &o, const char *k, const Ctx &c,
                               QVector<QPointF> *out, int minPoints, int maxPoints,
                               bool required)
{
    const Json::Value v = o.value(key(k));
    if (v.isUndefined()) {
        if (required)
            return fail(c, tr("the field %1 is missing").arg(quoted(k)));
        return true;
    }
    if (!v.isArray())
        return fail(c, tr("the field %1 must be an array of numbers x, y, ...").arg(quoted(k)));
    const Json::Array a = v.toArray();
    const int n = a.size();
    if (n % 2 != 0)
        return fail(c, tr("the field %1 must hold x, y pairs, but has %2 numbers")
                           .arg(quoted(k)).arg(n));
    if (maxPoints == minPoints && n / 2 != minPoints)
        return fail(c, tr("the field %1 must hold exactly %2 point(s), found %3")
                           .arg(quoted(k)).arg(minPoints).arg(n / 2));
    if (n / 2 < minPoints || (maxPoints > 0 && n / 2 > maxPoints))
        return fail(c, tr("the field %1 must hold at least %2 point(s), found %3")
                           .arg(quoted(k)).arg(minPoints).arg(n / 2));
    out->clear();
    out->reserve(n / 2);
    const double *numbers = a.numbers();
    for (int i = 0; i < n; ++i) {
        if (!numbers)   // some element is not a number: find it for the message
            break;
        const double d = numbers[i];
        if (!std::isfinite(d) || std::abs(d) > MaxCoordinate)
            return fail(c, tr("the field %1 holds the out-of-range coordinate %2 at index %3")
                               .arg(quoted(k)).arg(d).arg(i));
    }
    if (!numbers) {
        for (int i = 0; i < n; ++i) {
            if (!a.at(i).isDouble())
                return fail(c, tr("the field %1 holds a non-number at index %2").arg(quoted(k)).arg(i));
        }
    }
    for (int i = 0; i + 1 < n; i += 2)
        out->append(QPointF(numbers[i], numbers[i + 1]) + m_shift);
    return true;
}

bool NetworkReader::readClasses(const Json::Object &o, const Ctx &c, Lane::VehicleClasses *out)
{
    const Json::Value v = o.value(key("allow"));
    if (v.isUndefined() || v.stringEquals(QLatin1String("all"))) {
        *out = Lane::AllClasses;
        return true;
    }
    if (!v.isArray())
        return fail(c, tr("the field \"allow\" must be \"all\" or a list of vehicle class names"));
    Lane::VehicleClasses classes;
    for (const Json::Value e : v.toArray()) {
        const Lane::VehicleClass bit = Lane::classFromName(e.toString());
        if (!bit)
            return fail(c, tr("unknown vehicle class %1 in \"allow\"")
                               .arg(e.isString() ? QLatin1Char('"') + e.toString() + QLatin1Char('"')
                                                 : tr("(not a string)")));
        classes |= bit;
    }
    *out = classes;
    return true;
}

NetObject *NetworkReader::resolveAs(const Json::Value &v, const Ctx &c, const char *field,
                                    const char *kind, const QMetaObject &type)
{
    // Messages name a field ("from") or an entry of a list field ("an entry of "groups"").
    auto what = [&]() {
        return field[0] == '[' ? tr("an entry of %1").arg(quoted(field + 1)) : quoted(field);
    };
    const double d = v.toDouble(qQNaN());
    NetObject *obj = nullptr;
    if (v.isDouble() && d >= 1.0 && d <= INT_MAX && d == std::floor(d)) {
        obj = m_net->m_index.value(int(d), nullptr);
        // Exact class first: the reader creates no subclasses, so the cast is rarely needed.
        if (obj && obj->metaObject() == &type && (!m_staging || inFile(obj)))
            return obj;
    }
    int id = 0;
    if (!readIdValue(v, c, what(), &id))
        return nullptr;
    if (!obj) {
        fail(c, tr("%1 refers to the unknown %2 %3").arg(what(), QLatin1String(kind)).arg(id));
        return nullptr;
    }
    if (!type.cast(obj)) {
        fail(c, tr("%1 refers to %2, which is %3, not %4")
                    .arg(what()).arg(id)
                    .arg(withArticle(kindOf(obj)), withArticle(QLatin1String(kind))));
        return nullptr;
    }
    if (!inFile(obj)) {
        fail(c, tr("%1 refers to %2 %3, which is not part of this file")
                    .arg(what(), QLatin1String(kind)).arg(id));
        return nullptr;
    }
    return obj;
}

bool NetworkReader::readRefAs(const Json::Object &o, const char *k, const Ctx &c,
                              const char *kind, const QMetaObject &type, NetObject **out,
                              bool required)
{
    const Json::Value v = o.value(key(k));
    if (v.isUndefined()) {
        if (required)
            return fail(c, tr("the field %1 is missing").arg(quoted(k)));
        return true;
    }
    *out = resolveAs(v, c, k, kind, type);
    return *out != nullptr;
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
    NetworkReader reader(this);
    if (!reader.read(data)) {
        setErrorString(reader.errorString());
        return false;
    }
    m_errorString.clear();
    loaded();
    Q_EMIT networkLoaded();
    return true;
}

} // namespace Ostrika
