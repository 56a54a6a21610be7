// OstrikgPlugin: drawing a GPX track on the map scene.
#include "plugin/ostrikgplugin.h"

#include "gpx/gpxtrackreader.h"

#include <QBrush>
#include <QGraphicsScene>
#include <QPen>

bool OstrikgPlugin::loadGpxTrack(QString file_name)
{
    // The scene of the last network load; the host may have deleted it since.
    QGraphicsScene *scene = mapScene.data();
    if (!scene)
        return false;

    GpxTrackReader reader;
    if (!reader.readFile(file_name))
        return false;

    QPen pen;
    pen.setCosmetic(true);
    pen.setWidth(2);
    scene->addPath(reader.path(), pen, QBrush());
    return true;
}
