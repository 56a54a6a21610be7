// Shared by the traffic-light tests: a network drawn without the plugin, and ways to look at
// markers and records.
#pragma once

#include "logcapture.h"
#include "pluginprobe.h"
#include "testhost.h"
#include "testnetwork.h"
#include "plugin/ostrikgplugin.h"
#include "trafficlight/sgredyellowitem.h"

#include <corvel/response.h>
#include <corvel/light.h>
#include <corvel/notification.h>
#include <mirel/itemmodel.h>
#include <mirel/mapscene.h>
#include <mirel/osmview.h>
#include <ostrika/ostrika.h>
#include <ostrikga/genericgraphicsitem.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>

#include <memory>

// A graphics network read from a file into a scene, with its "redSignals" layer, bound
// directly through the probe (no loadOstrik involved).
struct DrawnNet
{
    bool load(QGraphicsScene *scene, const QString &file)
    {
        net.reset(new Ostrikga::Networkg(scene));
        if (!net->load(file))
            return false;
        markers = net->insertLayer(QStringLiteral("redSignals"), QString());
        return markers != nullptr;
    }
    Ostrikga::GenericGraphicsItem *item(const QString &name) const
    {
        auto *obj = net->findChild<Ostrika::NetObject *>(name);
        return obj ? net->object2item(obj) : nullptr;
    }
    std::unique_ptr<Ostrikga::Networkg> net;
    Ostrikga::Layer *markers = nullptr;
};

// The records of one graphics item in an entry, in map order.
inline QList<GroupItem *> recordsOf(const LightEntry *e, const QGraphicsItem *item)
{
    QList<GroupItem *> out;
    for (GroupItem *g : e->groupItems) {
        if (g->item == item)
            out.append(g);
    }
    return out;
}

// Counts of red, yellow and dark pixels of a marker painted on white, filling the image.
struct MarkerPixels
{
    int red = 0;
    int yellow = 0;
    int dark = 0;
};

inline MarkerPixels paintMarker(SgRedYellowItem *m)
{
    QImage img(160, 160, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    const QRectF bb = m->boundingRect();
    const double k = 150.0 / qMax(bb.width(), bb.height());
    p.translate(80, 80);
    p.scale(k, k);
    p.translate(-bb.center());
    m->paint(&p, nullptr, nullptr);
    p.end();
    MarkerPixels out;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (c == QColor(Qt::red).rgb())
                ++out.red;
            else if (c == QColor(Qt::yellow).rgb())
                ++out.yellow;
            else if (qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100)
                ++out.dark;
        }
    }
    return out;
}

// QPainterPath::contains flattens curves only down to a fixed size in path units, far above
// a marker's size in degrees: test containment on a magnified copy.
inline bool inside(const QPainterPath &path, const QPointF &pt)
{
    const QTransform magnify = QTransform::fromScale(1e6, 1e6);
    return magnify.map(path).contains(magnify.map(pt));
}

// True once every reply the controller created has finished.
inline bool allAnswered(const QObject *light)
{
    const QList<Response *> rs = light->findChildren<Response *>();
    for (const Response *r : rs) {
        if (!r->isFinished())
            return false;
    }
    return true;
}

inline QColor overrideColor(QGraphicsItem *item)
{
    auto *g = dynamic_cast<Ostrikga::GenericGraphicsItem *>(item);
    return g && g->hasOverrideColor() ? g->color() : QColor();
}
