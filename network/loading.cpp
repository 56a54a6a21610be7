// (in progress)
#include "plugin/ostrikgplugin.h"

bool OstrikgPlugin::loadOstrik(QString, QGraphicsScene *, QObject *) { return false; }
Mirel::ItemModel *OstrikgPlugin::hostItemModel() const { return nullptr; }
void OstrikgPlugin::removeNetwork(const QString &) {}
