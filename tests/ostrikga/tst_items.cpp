// Ostrikga items: types, colour override, views and what they actually paint.
#include "testnetwork.h"

#include <ostrikga/items.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

using Ostrikga::GenericGraphicsItem;
using Ostrikga::Networkg;

namespace {

const QRgb Background = qRgb(0, 0, 0);

// Draws \a item alone (every other layer hidden) with \a source filling the image.
QImage renderAlone(QGraphicsScene &scene, Networkg &net, QGraphicsItem *item,
                   const QRectF &source, const QSize &size = QSize(400, 400))
{
    for (Ostrikga::Layer *layer : net.layers())
        layer->setVisible(layer == item->parentItem());
    for (QGraphicsItem *sibling : item->parentItem()->childItems())
        sibling->setVisible(sibling == item);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Background);
    QPainter painter(&image);
    scene.render(&painter, QRectF(QPointF(), size), source, Qt::IgnoreAspectRatio);
    return image;
}

QImage renderAlone(QGraphicsScene &scene, Networkg &net, QGraphicsItem *item)
{
    return renderAlone(scene, net, item, item->sceneBoundingRect());
}

int countPixels(const QImage &image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            n += (line[x] & 0xffffff) == (colour & 0xffffff);
    }
    return n;
}

int countDrawn(const QImage &image)
{
    return image.width() * image.height() - countPixels(image, Background);
}

} // namespace

class TestItems : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void itemTypes();
    void setColorAndReset_data();
    void setColorAndReset();
    void colourChangesRepaint();
    void simpleViewIsALineFullViewABand();
    void nodeMarkerCanBeSwitched();
    void laneBandGivesWayToLineWhenTiny();
    void crosswalkHasZebraStripes();
    void routeIsDrawnStrongerWhenSelected();

private:
    QGraphicsScene *m_scene = nullptr;
    Networkg *m_net = nullptr;
    GenericGraphicsItem *item(int id) const { return m_net->object2item(m_net->findObject(id)); }
};

void TestItems::init()
{
    m_scene = new QGraphicsScene;
    m_net = new Networkg(m_scene);
    QVERIFY2(m_net->loadFromData(everyDrawableKind()), qPrintable(m_net->errorString()));
}

void TestItems::cleanup()
{
    delete m_net;
    delete m_scene;
}

void TestItems::itemTypes()
{
    QCOMPARE(int(Ostrikga::Nodeg::Type), 65548);
    QCOMPARE(int(Ostrikga::Connectiong::Type), 65538);
    QCOMPARE(item(1)->type(), 65548);
    QCOMPARE(item(50)->type(), 65538);
    QVERIFY(qgraphicsitem_cast<Ostrikga::Nodeg *>(item(3)));
    QVERIFY(qgraphicsitem_cast<Ostrikga::Connectiong *>(item(50)));
    QCOMPARE(qgraphicsitem_cast<Ostrikga::Nodeg *>(item(50)), nullptr);
    // No item claims the plain user type, which the signal markers use.
    QSet<int> types;
    for (QGraphicsItem *i : m_scene->items()) {
        if (dynamic_cast<GenericGraphicsItem *>(i)) {
            QVERIFY(i->type() > QGraphicsItem::UserType);
            types.insert(i->type());
        }
    }
    QCOMPARE(types.size(), 8);
}

void TestItems::setColorAndReset_data()
{
    QTest::addColumn<int>("id");
    QTest::newRow("node") << 1;
    QTest::newRow("edge") << 10;
    QTest::newRow("lane") << 20;
    QTest::newRow("stop line") << 30;
    QTest::newRow("granule") << 40;
    QTest::newRow("connection") << 50;
    QTest::newRow("crosswalk") << 60;
    QTest::newRow("route") << 70;
}

void TestItems::setColorAndReset()
{
    QFETCH(int, id);
    GenericGraphicsItem *i = item(id);
    const QColor normal = i->color();
    QVERIFY(!i->hasOverrideColor());
    QVERIFY(normal.isValid());
    QCOMPARE(countPixels(renderAlone(*m_scene, *m_net, i), qRgb(255, 0, 255)), 0);

    i->setColor(Qt::magenta);
    QVERIFY(i->hasOverrideColor());
    QCOMPARE(i->color(), QColor(Qt::magenta));
    QVERIFY(countPixels(renderAlone(*m_scene, *m_net, i), qRgb(255, 0, 255)) > 0);

    i->resetColor();
    QVERIFY(!i->hasOverrideColor());
    QCOMPARE(i->color(), normal);
    QCOMPARE(countPixels(renderAlone(*m_scene, *m_net, i), qRgb(255, 0, 255)), 0);

    i->setColor(Qt::green);
    i->setColor(QColor()); // an invalid colour resets
    QVERIFY(!i->hasOverrideColor());
    QCOMPARE(i->color(), normal);
}

void TestItems::colourChangesRepaint()
{
    GenericGraphicsItem *node = item(2);
    QSignalSpy changed(m_scene, &QGraphicsScene::changed);
    QTest::qWait(10);
    changed.clear();
    node->setColor(Qt::red);
    QVERIFY(changed.wait(1000));
    const auto regions = changed.takeFirst().at(0).value<QList<QRectF>>();
    QVERIFY(std::any_of(regions.begin(), regions.end(), [&](const QRectF &r) {
        return r.intersects(node->sceneBoundingRect());
    }));
    QTest::qWait(50);
    changed.clear();
    node->setColor(Qt::red); // unchanged: nothing to repaint
    QVERIFY(!changed.wait(100));
    node->resetColor();
    QVERIFY(changed.wait(1000));
}

void TestItems::simpleViewIsALineFullViewABand()
{
    auto *c = qgraphicsitem_cast<Ostrikga::Connectiong *>(item(50));
    QVERIFY(c->isSimpleView());
    const QRectF source = c->sceneBoundingRect();
    const int line = countDrawn(renderAlone(*m_scene, *m_net, c, source));
    c->setSimpleView(false);
    QVERIFY(!c->isSimpleView());
    const int band = countDrawn(renderAlone(*m_scene, *m_net, c, source));
    QVERIFY2(line > 0 && band > 5 * line, qPrintable(QString("line %1 px, band %2 px").arg(line).arg(band)));
    c->setSimpleView(true);
    QCOMPARE(countDrawn(renderAlone(*m_scene, *m_net, c, source)), line);
}

void TestItems::nodeMarkerCanBeSwitched()
{
    auto *node = qgraphicsitem_cast<Ostrikga::Nodeg *>(item(1));
    const QRgb ring = qRgb(255, 140, 0);
    QVERIFY(node->isMarkerVisible());
    QVERIFY(countPixels(renderAlone(*m_scene, *m_net, node), ring) > 0);
    node->setMarkerVisible(false);
    QVERIFY(!node->isMarkerVisible());
    const QImage bare = renderAlone(*m_scene, *m_net, node);
    QCOMPARE(countPixels(bare, ring), 0);
    QVERIFY(countDrawn(bare) > 0); // the node's own disc stays
}

void TestItems::laneBandGivesWayToLineWhenTiny()
{
    GenericGraphicsItem *lane = item(20);
    const QRgb outline = qRgb(255, 255, 255);
    const QRectF near = lane->sceneBoundingRect();
    QVERIFY(countPixels(renderAlone(*m_scene, *m_net, lane, near), outline) > 0);
    // Seen from far away the 6-unit lane is far below a pixel: only its centre line.
    const QRectF far = near.adjusted(-0.05, -0.05, 0.05, 0.05);
    const QImage tiny = renderAlone(*m_scene, *m_net, lane, far);
    QCOMPARE(countPixels(tiny, outline), 0);
    QVERIFY(countPixels(tiny, lane->color().rgb()) > 0);
    // In between, about 3 px wide: the band without its outline, which would all but cover it.
    const QRectF middle = m_net->geoUtil()->xyToGeo(QRectF(100 - 400, -3 - 400, 800, 800));
    const QImage narrow = renderAlone(*m_scene, *m_net, lane, middle);
    QCOMPARE(countPixels(narrow, outline), 0);
    QVERIFY(countPixels(narrow, lane->color().rgb()) >= 80);
}

void TestItems::crosswalkHasZebraStripes()
{
    // 16 units long at Brno: 10.5 m, ten 0.5 m stripes with 0.5 m gaps.
    GenericGraphicsItem *walk = item(60);
    const QRectF source = walk->sceneBoundingRect();
    const QImage image = renderAlone(*m_scene, *m_net, walk, source, QSize(200, 800));
    int stripes = 0;
    bool inStripe = false;
    for (int y = 0; y < image.height(); ++y) {
        const bool on = (image.pixel(100, y) & 0xffffff) != (Background & 0xffffff);
        stripes += on && !inStripe;
        inStripe = on;
    }
    QCOMPARE(stripes, 10);
}

void TestItems::routeIsDrawnStrongerWhenSelected()
{
    GenericGraphicsItem *route = item(70);
    QVERIFY(route->flags() & QGraphicsItem::ItemIsSelectable);
    const QRectF source = route->sceneBoundingRect();
    const QImage normal = renderAlone(*m_scene, *m_net, route, source);
    route->setSelected(true);
    QVERIFY(route->isSelected());
    const QImage selected = renderAlone(*m_scene, *m_net, route, source);
    QVERIFY(countDrawn(selected) > countDrawn(normal));
}

QTEST_MAIN(TestItems)
#include "tst_items.moc"
