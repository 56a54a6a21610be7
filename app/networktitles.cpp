// ostrik-view: window title and tree caption.
#include "networktitles.h"

#include "session.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("NetworkTitles", text);
}
} // namespace

QString NetworkTitles::windowTitle(const DemoSession &session)
{
    const QString app = tr("Ostrik demo host");
    const int open = session.networkFiles().size();
    if (open == 0)
        return app;
    const QString shown = QFileInfo(session.shownNetwork()).fileName();
    if (open == 1)
        return QStringLiteral("%1 \u2014 %2").arg(shown, app);
    return tr("%1 and %2 more \u2014 %3").arg(shown).arg(open - 1).arg(app);
}

QString NetworkTitles::treeCaption(const DemoSession &session)
{
    const int open = session.networkFiles().size();
    if (open == 0)
        return tr("No network is open.");
    const QString shown = QFileInfo(session.shownNetwork()).fileName();
    const QString routes = session.routeNames(session.shownNetwork()).isEmpty()
        ? tr("%1 has no routes").arg(shown) : tr("Routes of %1").arg(shown);
    if (open == 1)
        return routes + QLatin1Char('.');
    return tr("%1, the network opened last (%2 are open). Route \u2192 Show timeline and "
              "View \u2192 Find object offer the routes of every open network.").arg(routes).arg(open);
}
