// ostrik-view: the controller-id check between networks.
#include "networkclash.h"

#include <ostrika/ostrika.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <algorithm>

QList<int> NetworkClash::controllerIds(const Ostrika::Network &net)
{
    QSet<int> ids;
    for (const Ostrika::Granule *g : net.findChildren<Ostrika::Granule *>())
        if (g->tlId() > 0)
            ids.insert(g->tlId());
    QList<int> sorted = ids.values();
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

QString NetworkClash::ranges(QList<int> ids)
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    QStringList parts;
    for (int i = 0; i < ids.size();) {
        int j = i;
        while (j + 1 < ids.size() && ids.at(j + 1) == ids.at(j) + 1)
            ++j;
        parts << (j == i ? QString::number(ids.at(i))
                         : QStringLiteral("%1\u2013%2").arg(ids.at(i)).arg(ids.at(j)));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

QString NetworkClash::check(const QString &fileName, const QList<int> &ids, const QMap<QString, QList<int>> &taken)
{
    const QString name = QFileInfo(fileName).fileName();
    QStringList holders;
    QList<int> clashing;
    int highest = 0;
    for (auto it = taken.cbegin(); it != taken.cend(); ++it) {
        QList<int> here;
        for (int id : it.value()) {
            highest = std::max(highest, id);
            if (ids.contains(id))
                here << id;
        }
        if (here.isEmpty())
            continue;
        clashing += here;
        holders << (here.size() == 1 ? QCoreApplication::translate("NetworkClash", "%1 (controller %2)")
                                     : QCoreApplication::translate("NetworkClash", "%1 (controllers %2)"))
                       .arg(QFileInfo(it.key()).fileName(), ranges(here));
    }
    if (clashing.isEmpty())
        return QString();
    const int firstFree = highest + 1;
    const QString taken1 = clashing.size() == 1
        ? QCoreApplication::translate("NetworkClash", "its controller id %1 is").arg(clashing.first())
        : QCoreApplication::translate("NetworkClash", "its controller ids %1 are").arg(ranges(clashing));
    return QCoreApplication::translate("NetworkClash",
        "%1 was not opened: %2 already used by %3. A controller id names one controller, so two "
        "networks opened together must not share any. Give %1 ids of its own, for example from %4 "
        "on: \u201costka-renumber --first-controller %4 %1\u201d, or import it again with "
        "\u201costka-import --first-controller %4\u201d.")
        .arg(name, taken1, holders.join(QStringLiteral(", ")))
        .arg(firstFree);
}
