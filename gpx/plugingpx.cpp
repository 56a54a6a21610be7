// OstrikgPlugin: drawing a GPX track on the map scene.
#include "plugin/ostrikgplugin.h"

#include "gpx/gpxtrackreader.h"
#include "plugin/logging.h"

#include <QBrush>
#include <QGraphicsScene>
#include <QPen>

#include <new>

bool OstrikgPlugin::loadGpxTrack(QString file_name)
{
    // The scene of the last network load; the host may have deleted it since.
    QGraphicsScene *scene = mapScene.data();
    if (!scene)
        return false;

    try {
        GpxTrackReader reader;
        if (!reader.readFile(file_name)) {
            if (logLevel > 0)
                logError(pluginTag(), tr("Error loading GPX track %1: %2").arg(file_name, reader.errorString()));
            return false;
        }
        QPen pen;
        pen.setCosmetic(true);
        pen.setWidth(2);
        scene->addPath(reader.path(), pen, QBrush());
    } catch (const std::bad_alloc &) {
        if (logLevel > 0)
            logError(pluginTag(), tr("Error loading GPX track %1: not enough memory").arg(file_name));
        return false;
    }
    return true;
}
