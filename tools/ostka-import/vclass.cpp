// ostka-import: the vClass table.
#include "vclass.h"

#include <ostrika/lane.h>

#include <QHash>
#include <QStringList>

using Ostrika::Lane;

namespace {

const QHash<QString, int> &table()
{
    static const QHash<QString, int> t = {
        {QStringLiteral("all"), Lane::AllClasses},
        {QStringLiteral("private"), Lane::Private},
        {QStringLiteral("emergency"), Lane::Emergency},
        {QStringLiteral("authority"), Lane::Authority},
        {QStringLiteral("army"), Lane::Army},
        {QStringLiteral("vip"), Lane::Vip},
        {QStringLiteral("pedestrian"), Lane::Pedestrian},
        {QStringLiteral("passenger"), Lane::Passenger},
        {QStringLiteral("hov"), Lane::Hov},
        {QStringLiteral("taxi"), Lane::Taxi},
        {QStringLiteral("bus"), Lane::Bus},
        {QStringLiteral("coach"), Lane::Coach},
        {QStringLiteral("delivery"), Lane::Delivery},
        {QStringLiteral("truck"), Lane::Truck},
        {QStringLiteral("trailer"), Lane::Trailer},
        {QStringLiteral("motorcycle"), Lane::Motorcycle},
        {QStringLiteral("moped"), Lane::Moped},
        {QStringLiteral("bicycle"), Lane::Bicycle},
        {QStringLiteral("evehicle"), Lane::EVehicle},
        {QStringLiteral("tram"), Lane::Tram},
        {QStringLiteral("rail_urban"), Lane::RailUrban},
        {QStringLiteral("subway"), Lane::RailUrban},
        {QStringLiteral("rail"), Lane::Rail},
        {QStringLiteral("rail_electric"), Lane::Rail},
        {QStringLiteral("rail_fast"), Lane::Rail},
        {QStringLiteral("ship"), Lane::Ship},
        {QStringLiteral("custom1"), Lane::Custom1},
        {QStringLiteral("custom2"), Lane::Custom2},
        {QStringLiteral("wheelchair"), Lane::Pedestrian},
        {QStringLiteral("scooter"), Lane::Bicycle},
        // No Ostrika counterpart.
        {QStringLiteral("container"), 0},
        {QStringLiteral("cable_car"), 0},
        {QStringLiteral("aircraft"), 0},
        {QStringLiteral("drone"), 0},
        {QStringLiteral("ignoring"), 0},
        // Names of the 0.x releases.
        {QStringLiteral("public_transport"), Lane::Bus},
        {QStringLiteral("public_emergency"), Lane::Emergency},
        {QStringLiteral("public_authority"), Lane::Authority},
        {QStringLiteral("public_army"), Lane::Army},
        {QStringLiteral("transport"), Lane::Truck},
        {QStringLiteral("lightrail"), Lane::Tram},
        {QStringLiteral("cityrail"), Lane::RailUrban},
        {QStringLiteral("rail_slow"), Lane::Rail},
        {QStringLiteral("e-vehicle"), Lane::EVehicle},
    };
    return t;
}

bool listBits(const QString &list, int *mask, QString *unknown)
{
    *mask = 0;
    const QStringList names = list.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &n : names) {
        bool known = false;
        const int bits = VClass::bitsForName(n, &known);
        if (!known) {
            *unknown = n;
            return false;
        }
        *mask |= bits;
    }
    return true;
}

} // namespace

int VClass::bitsForName(const QString &name, bool *known)
{
    const auto it = table().constFind(name);
    *known = it != table().constEnd();
    return *known ? *it : 0;
}

bool VClass::permissions(bool hasAllow, const QString &allow, bool hasDisallow,
                         const QString &disallow, int *mask, QString *unknown)
{
    if (hasAllow)
        return listBits(allow, mask, unknown);
    if (hasDisallow) {
        int off = 0;
        if (!listBits(disallow, &off, unknown))
            return false;
        *mask = Lane::AllClasses & ~off;
        return true;
    }
    *mask = Lane::AllClasses;
    return true;
}
