// Ostrika network model: the ".ostka" reader's field readers (ids, numbers, points, references).
#include "networkreader.h"

#include "modelgeometry.h"

#include <climits>
#include <cmath>

namespace Ostrika {

using namespace ModelGeometry;
using namespace ReaderText;

bool NetworkReader::section(const Json::Object &root, const char *k, Json::Array *out)
{
    const Json::Value v = root.value(k);
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
    if (!v.isDouble() || !(d >= INT_MIN && d <= INT_MAX) || d != std::floor(d))
        return fail(c, tr("%1 must be an integer id").arg(what));
    *out = int(d);
    return true;
}

bool NetworkReader::readId(const Json::Object &o, Ctx &c)
{
    const Json::Value v = o.value("id");
    if (v.isUndefined())
        return fail(c, tr("the field \"id\" is missing"));
    int id = 0;
    if (!readIdValue(v, c, QStringLiteral("\"id\""), &id))
        return false;
    c.id = id;
    c.hasId = true;
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
    const Json::Value v = o.value("name");
    if (v.isUndefined())
        return true;
    if (!v.isString())
        return fail(c, tr("the field \"name\" must be a string"));
    *out = v.toString();
    return true;
}

bool NetworkReader::lookUp(const Json::Object &o, const char *k, const Ctx &c, bool required,
                           Json::Value *v)
{
    *v = o.value(k);
    if (v->isUndefined() && required)
        return fail(c, tr("the field %1 is missing").arg(quoted(k)));
    return true;
}

bool NetworkReader::readInt(const Json::Object &o, const char *k, const Ctx &c, int *out,
                            bool required)
{
    Json::Value v;
    if (!lookUp(o, k, c, required, &v))
        return false;
    if (v.isUndefined())
        return true;
    const double d = v.toDouble(qQNaN());
    if (!v.isDouble() || !(d >= INT_MIN && d <= INT_MAX) || d != std::floor(d))
        return fail(c, tr("the field %1 must be an integer").arg(quoted(k)));
    *out = int(d);
    return true;
}

bool NetworkReader::readNumber(const Json::Object &o, const char *k, const Ctx &c, double *out,
                               bool required)
{
    Json::Value v;
    if (!lookUp(o, k, c, required, &v))
        return false;
    if (v.isUndefined())
        return true;
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
    Json::Value v;
    if (!lookUp(o, k, c, required, &v))
        return false;
    if (v.isUndefined())
        return true;
    if (!v.isArray())
        return fail(c, tr("the field %1 must be an array of numbers x, y, ...").arg(quoted(k)));
    const Json::Array a = v.toArray();
    const int n = a.size();
    if (n % 2 != 0)
        return fail(c, tr("the field %1 must hold x, y pairs, but has %2 numbers")
                           .arg(quoted(k)).arg(n));
    if (maxPoints > 0 && maxPoints == minPoints && n / 2 != minPoints)
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
    const Json::Value v = o.value("allow");
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
    if (v.isDouble() && d >= INT_MIN && d <= INT_MAX && d == std::floor(d)) {
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
    Json::Value v;
    if (!lookUp(o, k, c, required, &v))
        return false;
    if (v.isUndefined())
        return true;
    *out = resolveAs(v, c, k, kind, type);
    return *out != nullptr;
}

} // namespace Ostrika
