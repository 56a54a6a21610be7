// Layer drawings: the picture stays in step with what the items say, whatever order things happen in.
#include "testnetwork.h"

#include <ostrikga/items.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>
#include <ostrikga/networkstyle.h>

#include <ostrika/lane.h>
#include <ostrika/node.h>

#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QtTest>

using Ostrikga::GenericGraphicsItem;
using Ostrikga::Networkg;

namespace {
// Colours as pixelAt() reads them: without alpha.
QRgb rgb(int r, int g, int b)
{
    return qRgb(r, g, b) & 0xffffff;
}
const QRgb Black = 0;
} // namespace

class TestLayerDrawing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void hiddenItemLeavesThePicture_data();
    void hiddenItemLeavesThePicture();
    void colourShowsExactlyOnce_data();
    void colourShowsExactlyOnce();
    void blinkingItemAloneBlinks();
    void itemDeletedByOthersLeavesThePicture();
    void drawingFollowsItsLayer();
    void foreignItemInALayerIsDrawn();
    void drawingsAreNotFoundByPosition();
    void stateColoursStayTrue_data();
    void stateColoursStayTrue();
    void laneKindsAndDeadEndsLookTheirOwn();

private:
    GenericGraphicsItem *item(int id) const { return m_net->object2item(m_net->findObject(id)); }
    // The scene around a planar point of the network, \a metres wide, on black.
    QImage shot(const QPointF &planar, double metres = 30) const;
    QRgb pixelAt(const QPointF &planar) const { return shot(planar).pixel(100, 100) & 0xffffff; }
    void showOnly(const QString &layer);

    QGraphicsScene *m_scene = nullptr;
    Networkg *m_net = nullptr;
};

void TestLayerDrawing::init()
{
    m_scene = new QGraphicsScene;
    m_net = new Networkg(m_scene);
    QVERIFY2(m_net->loadFromData(everyDrawableKind()), qPrintable(m_net->errorString()));
}

void TestLayerDrawing::cleanup()
{
    delete m_net;
    delete m_scene;
}

QImage TestLayerDrawing::shot(const QPointF &planar, double metres) const
{
    const double half = metres / 2 * m_net->geoUtil()->unitsPerMetre(49.19);
    const QRectF source = m_net->geoUtil()->xyToGeo(
        QRectF(planar - QPointF(half, half), planar + QPointF(half, half)));
    QImage image(201, 201, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    // North up, as a map view shows it.
    painter.translate(0, image.height());
    painter.scale(1, -1);
    m_scene->render(&painter, QRectF(0, 0, image.width(), image.height()), source,
                    Qt::IgnoreAspectRatio);
    painter.end();
    return image;
}

void TestLayerDrawing::showOnly(const QString &layer)
{
    for (Ostrikga::Layer *l : m_net->layers())
        l->setVisible(l->objectName() == layer);
}

void TestLayerDrawing::hiddenItemLeavesThePicture_data()
{
    QTest::addColumn<bool>("whileLayerHidden");
    QTest::newRow("layer shown") << false;
    // The scene does not tell an item hidden or shown inside a hidden layer.
    QTest::newRow("layer hidden meanwhile") << true;
}

void TestLayerDrawing::hiddenItemLeavesThePicture()
{
    QFETCH(bool, whileLayerHidden);
    showOnly(QStringLiteral("Lanes"));
    const QPointF onLane(100, -3);
    const QRgb lane = item(20)->color().rgb() & 0xffffff;
    QCOMPARE(pixelAt(onLane), lane);

    Ostrikga::Layer *lanes = m_net->layer(QStringLiteral("Lanes"));
    auto switchItem = [&](bool visible) {
        if (whileLayerHidden)
            lanes->setVisible(false);
        item(20)->setVisible(visible);
        if (whileLayerHidden)
            lanes->setVisible(true);
    };
    switchItem(false);
    QCOMPARE(pixelAt(onLane), Black);
    QCOMPARE(pixelAt(QPointF(100, 3)), lane); // the lane beside it stays
    switchItem(true);
    QCOMPARE(pixelAt(onLane), lane);
}

void TestLayerDrawing::colourShowsExactlyOnce_data()
{
    QTest::addColumn<int>("changes");
    QTest::addColumn<bool>("whileLayerHidden");
    QTest::newRow("once") << 1 << false;
    // An item whose look keeps changing is drawn on its own, no longer in its tile's batch.
    QTest::newRow("again and again") << 5 << false;
    QTest::newRow("while its layer is hidden") << 1 << true;
}

void TestLayerDrawing::colourShowsExactlyOnce()
{
    QFETCH(int, changes);
    QFETCH(bool, whileLayerHidden);
    showOnly(QStringLiteral("Connections"));
    auto *connection = static_cast<Ostrikga::Connectiong *>(item(50));
    connection->setSimpleView(false);
    const QPointF onBand(195, -3);
    // The band is translucent: painted twice it would show a deeper blue than once.
    const QColor blue(0, 0, 255);
    const qreal opacity = Ostrikga::NetworkStyle::standard().connectionBandOpacity;
    const int once = qRound(255 * opacity);
    Ostrikga::Layer *layer = m_net->layer(QStringLiteral("Connections"));
    if (whileLayerHidden)
        layer->setVisible(false);
    for (int i = 0; i < changes; ++i)
        connection->setColor(i % 2 ? QColor(Qt::red) : blue);
    if (whileLayerHidden)
        layer->setVisible(true);
    const QRgb shown = pixelAt(onBand);
    QCOMPARE(qRed(shown), 0);
    QVERIFY2(qAbs(qBlue(shown) - once) <= 3, qPrintable(QString::number(qBlue(shown))));

    connection->resetColor();
    const QRgb normal = pixelAt(onBand);
    QVERIFY2(qAbs(qBlue(normal) - qRound(255 * opacity)) <= 3 && qGreen(normal) > 40,
             qPrintable(QString::number(normal, 16)));
}

void TestLayerDrawing::blinkingItemAloneBlinks()
{
    showOnly(QStringLiteral("Lanes"));
    const QRgb lane = item(20)->color().rgb() & 0xffffff;
    for (int phase = 0; phase < 6; ++phase) {
        const bool visible = phase % 2;
        item(20)->setVisible(visible);
        QCOMPARE(pixelAt(QPointF(100, -3)), visible ? lane : Black);
        QCOMPARE(pixelAt(QPointF(100, 3)), lane);
    }
}

void TestLayerDrawing::itemDeletedByOthersLeavesThePicture()
{
    showOnly(QStringLiteral("Lanes"));
    const QRgb lane = item(21)->color().rgb() & 0xffffff;
    item(21)->setColor(Qt::red); // drawn from its tile's batch in its own colour
    delete item(20);
    delete item(21);
    QCOMPARE(pixelAt(QPointF(100, -3)), Black);
    QCOMPARE(pixelAt(QPointF(100, 3)), Black);
    QCOMPARE(pixelAt(QPointF(300, -3)), lane);
    // The whole layer taken away: its drawing goes with it.
    const int before = m_scene->items().size();
    const int inLayer = m_net->layer(QStringLiteral("Lanes"))->childItems().size();
    delete m_net->layer(QStringLiteral("Lanes"));
    QCOMPARE(m_scene->items().size(), before - inLayer - 2);
    QCOMPARE(pixelAt(QPointF(300, -3)), Black);
}

void TestLayerDrawing::drawingFollowsItsLayer()
{
    showOnly(QStringLiteral("Nodes"));
    const QPointF node(0, 0);
    const QRgb disc = item(1)->color().rgb() & 0xffffff;
    QCOMPARE(pixelAt(node), disc);
    m_net->layer(QStringLiteral("Nodes"))->setVisible(false);
    QCOMPARE(pixelAt(node), Black);

    // Stacked as its layer: the junction's paving lifted above the connections covers them.
    showOnly(QStringLiteral("Connections"));
    static_cast<Ostrikga::Connectiong *>(item(50))->setSimpleView(false);
    Ostrikga::Layer *granules = m_net->layer(QStringLiteral("Granules"));
    granules->setVisible(true);
    const QPointF onBand(195, -3);
    const QRgb paving = rgb(112, 112, 112);
    QVERIFY(pixelAt(onBand) != paving);
    granules->setZValue(m_net->layer(QStringLiteral("Connections"))->zValue() + 1);
    QCOMPARE(pixelAt(onBand), paving);
}

void TestLayerDrawing::foreignItemInALayerIsDrawn()
{
    showOnly(QStringLiteral("Nodes"));
    const QPointF spot(100, 40);
    QCOMPARE(pixelAt(spot), Black);
    const QPointF geo = m_net->geoUtil()->xyToGeo(spot);
    auto *rect = new QGraphicsRectItem(QRectF(geo - QPointF(2e-5, 2e-5), QSizeF(4e-5, 4e-5)),
                                       m_net->layer(QStringLiteral("Nodes")));
    rect->setBrush(Qt::yellow);
    rect->setPen(Qt::NoPen);
    QCOMPARE(pixelAt(spot), rgb(255, 255, 0));
    QCOMPARE(pixelAt(QPointF(0, 0)), item(1)->color().rgb() & 0xffffff);
    delete rect;
    QCOMPARE(pixelAt(spot), Black);
}

// A host finds what was clicked by position: a drawing that covers its whole layer must not
// stand in for "something is here".
void TestLayerDrawing::drawingsAreNotFoundByPosition()
{
    const QPointF beside = m_net->geoUtil()->xyToGeo(QPointF(100, 40));
    QVERIFY(m_net->layer(QStringLiteral("Lanes"))->isVisible());
    QVERIFY(m_scene->itemsBoundingRect().contains(beside));
    QCOMPARE(m_scene->items(beside).size(), 0);
}

void TestLayerDrawing::stateColoursStayTrue_data()
{
    QTest::addColumn<QString>("beneath");
    QTest::addColumn<QColor>("state");
    QTest::addColumn<QPointF>("at");
    // Translucent yellow over the paving once read as olive, green over a red crossing as brown.
    QTest::newRow("yellow in the junction") << QStringLiteral("Granules") << QColor(Qt::yellow) << QPointF(195, -3);
    QTest::newRow("green over a red crossing") << QStringLiteral("CrossWalks") << QColor(Qt::green) << QPointF(214, -3);
    QTest::newRow("red over a green crossing") << QStringLiteral("CrossWalks") << QColor(Qt::red) << QPointF(214, -3);
}

void TestLayerDrawing::stateColoursStayTrue()
{
    QFETCH(QString, beneath);
    QFETCH(QColor, state);
    QFETCH(QPointF, at);
    for (Ostrikga::Layer *l : m_net->layers())
        l->setVisible(l->objectName() == beneath || l->objectName() == QLatin1String("Connections"));
    auto *connection = static_cast<Ostrikga::Connectiong *>(item(50));
    connection->setSimpleView(false);
    item(60)->setColor(state == QColor(Qt::red) ? QColor(Qt::green) : QColor(Qt::red));
    connection->setColor(state);
    const QColor shown(pixelAt(at));
    const int tolerance = 40;
    QVERIFY2(qAbs(shown.red() - state.red()) <= tolerance && qAbs(shown.green() - state.green()) <= tolerance
                 && qAbs(shown.blue() - state.blue()) <= tolerance,
             qPrintable(shown.name()));
}

// Footways, cycle, bus and rail lanes each look their own and never like a signal; a road's
// dead end is no red disc.
void TestLayerDrawing::laneKindsAndDeadEndsLookTheirOwn()
{
    using L = Ostrika::Lane;
    TestNetwork t(QPointF(16.60, 49.19));
    const QList<QPair<QString, L::VehicleClasses>> kinds = {
        {QStringLiteral("car"), L::GeneralTraffic | L::Bus | L::Bicycle},
        {QStringLiteral("footway"), L::Pedestrian},
        {QStringLiteral("cycle lane"), L::Bicycle | L::Pedestrian},
        {QStringLiteral("bus lane"), L::Bus | L::Taxi | L::Emergency},
        {QStringLiteral("rail"), L::Rail | L::RailUrban},
        {QStringLiteral("tram"), L::Tram},
        {QStringLiteral("pedestrian zone"), L::Pedestrian | L::Bus | L::Delivery | L::Bicycle},
    };
    QList<int> laneIds;
    for (int k = 0; k < kinds.size(); ++k) {
        const double y = 20.0 * k;
        Ostrika::Node *a = t.node({0, y});
        Ostrika::Node *b = t.node({100, y}, QString(), Ostrika::Node::DeadEnd);
        laneIds << TestNetwork::lane(t.edge(a, b, {{0, y}, {100, y}}, kinds.at(k).second))->id();
    }
    QVERIFY2(t.ok(), qPrintable(t.error));
    delete m_net;
    m_net = new Networkg(m_scene);
    QVERIFY2(m_net->loadFromData(t.data()), qPrintable(m_net->errorString()));

    QList<QColor> looks;
    for (int k = 0; k < kinds.size(); ++k) {
        const QColor c = item(laneIds.at(k))->color();
        for (const QColor &signal : {QColor(Qt::red), QColor(Qt::yellow), QColor(Qt::green)}) {
            const int d = qAbs(c.red() - signal.red()) + qAbs(c.green() - signal.green())
                + qAbs(c.blue() - signal.blue());
            QVERIFY2(d > 200, qPrintable(kinds.at(k).first + QLatin1Char(' ') + c.name()));
        }
        looks << c;
    }
    QCOMPARE(looks.at(5), looks.at(4)); // tram and rail share the ballast
    QCOMPARE(looks.at(6), looks.at(1)); // a pedestrian zone is paved like a footway
    for (int k = 1; k < 5; ++k)
        for (int j = 0; j < k; ++j)
            QVERIFY2(looks.at(k) != looks.at(j), qPrintable(kinds.at(k).first + QLatin1String(" as ") + kinds.at(j).first));

    showOnly(QStringLiteral("Nodes"));
    const QImage end = shot(QPointF(100, 0), 12);
    int reddish = 0;
    int drawn = 0;
    for (int y = 0; y < end.height(); ++y)
        for (int x = 0; x < end.width(); ++x) {
            const QColor p(end.pixel(x, y));
            drawn += p != QColor(Qt::black);
            reddish += p.red() > 90 && p.red() > 2 * p.green();
        }
    QVERIFY(drawn > 0);
    QCOMPARE(reddish, 0);
}

QTEST_MAIN(TestLayerDrawing)
#include "tst_layerdrawing.moc"
