// The red/yellow marker: direction classes, orientation, fills per state, arrow, repaint.
#include "trafficlight/sgredyellowitem.h"

#include <ostrika/geoutil.h>

#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QtMath>
#include <QtTest>

#include <cmath>

namespace {

const QPointF kPos(13.40, 52.52);
constexpr double kSize = 3.5;
constexpr double kR = kSize / 2;
constexpr int kImage = 200;

// Travel direction (math degrees, counter-clockwise from east) to the marker's angle, through
// a stop line drawn across the lane from its left edge to its right edge.
double angleForTravel(double travelDeg)
{
    const double t = qDegreesToRadians(travelDeg);
    const QPointF u(std::cos(t), std::sin(t));
    const QPointF right(u.y(), -u.x());
    return QLineF(-1.75 * right, 1.75 * right).angle() - 90.0;
}

QTransform localRotation(double angle)
{
    QTransform m;
    if (!std::isnan(angle))
        m.rotate(270.0 - angle);
    return m;
}

// A point of the marker's local frame (x along the stop line, +y downstream, planar units)
// in item coordinates.
QPointF itemPoint(double angle, const QPointF &local)
{
    const Ostrika::GeoUtil g;
    const QPointF c = g.geoToXY(kPos);
    return g.xyToGeo(c + localRotation(angle).map(local)) - kPos;
}

QList<QPointF> localArrow(const SgRedYellowItem &m, double angle)
{
    const Ostrika::GeoUtil g;
    const QPointF c = g.geoToXY(kPos);
    const QTransform back = localRotation(angle).inverted();
    QList<QPointF> out;
    const QPainterPath &a = m.arrowPath();
    for (int i = 0; i < a.elementCount(); ++i) {
        const QPainterPath::Element e = a.elementAt(i);
        out.append(back.map(g.geoToXY(QPointF(e.x, e.y) + kPos) - c));
    }
    return out;
}

// Item coordinates to pixels: the marker's box fills most of the image; \a zoom magnifies
// about \a focus (item coordinates).
QTransform imageTransform(const SgRedYellowItem &m, double zoom, const QPointF &focus)
{
    const QRectF bb = m.boundingRect();
    const double k = zoom * 180.0 / qMax(bb.width(), bb.height());
    QTransform t;
    t.translate(kImage / 2.0, kImage / 2.0);
    t.scale(k, k);
    t.translate(-focus.x(), -focus.y());
    return t;
}

QImage paintDirect(SgRedYellowItem &m, const QTransform &t)
{
    QImage img(kImage, kImage, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setTransform(t);
    m.paint(&p, nullptr, nullptr);
    p.end();
    return img;
}

QColor pixelAt(const QImage &img, const QTransform &t, const QPointF &itemPt)
{
    const QPoint px = t.map(itemPt).toPoint();
    return img.pixelColor(px);
}

// QPainterPath::contains flattens curves only down to a fixed size in path units, far above
// a marker's size in degrees: test containment on a magnified copy.
bool inside(const QPainterPath &path, const QPointF &pt)
{
    const QTransform magnify = QTransform::fromScale(1e6, 1e6);
    return magnify.map(path).contains(magnify.map(pt));
}

bool isDark(QRgb c)
{
    return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100;
}

int darkPixels(const QImage &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += isDark(img.pixel(x, y)) ? 1 : 0;
    return n;
}

} // namespace

class tst_SgRedYellowItem : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void directionClass_data();
    void directionClass();
    void newMarkerIsHiddenAndBoxed_data();
    void newMarkerIsHiddenAndBoxed();
    void statesShowAndFill_data();
    void statesShowAndFill();
    void hiddenStateDrawsNothingInScene();
    void unchangedStateSchedulesNoRepaint();
    void viewShowsEveryStateChange_data();
    void viewShowsEveryStateChange();
    void arrowByDirectionClass_data();
    void arrowByDirectionClass();
    void turnsPointToTheirSide();
    void noArrowWithoutAngle();
    void arrowIsOnePixelAtAnyZoom_data();
    void arrowIsOnePixelAtAnyZoom();
    void isNotANetworkItemType();
    void halvesFollowTheCircle_data();
    void halvesFollowTheCircle();
};

void tst_SgRedYellowItem::directionClass_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<int>("expected");
    QTest::newRow("30.5 truncates to 30") << 30.5 << 0;
    QTest::newRow("30.9 truncates to 30") << 30.9 << 0;
    QTest::newRow("31 right") << 31.0 << 2;
    QTest::newRow("180.5 right") << 180.5 << 2;
    QTest::newRow("180.9 right") << 180.9 << 2;
    QTest::newRow("181 left") << 181.0 << 1;
    QTest::newRow("309.9 left") << 309.9 << 1;
    QTest::newRow("309.99 left") << 309.99 << 1;
    QTest::newRow("310 straight") << 310.0 << 0;
    QTest::newRow("-200 straight") << -200.0 << 0;
    QTest::newRow("0 straight") << 0.0 << 0;
    QTest::newRow("NaN straight") << qQNaN() << 0;
    QTest::newRow("huge straight") << 1e300 << 0;
}

void tst_SgRedYellowItem::directionClass()
{
    QFETCH(double, angle);
    QFETCH(int, expected);
    QCOMPARE(SgRedYellowItem::directionClass(angle), expected);
}

void tst_SgRedYellowItem::newMarkerIsHiddenAndBoxed_data()
{
    QTest::addColumn<double>("angle");
    QTest::newRow("no stop line") << qQNaN();
    QTest::newRow("eastbound") << angleForTravel(0);
    QTest::newRow("north-west bound") << angleForTravel(135);
}

void tst_SgRedYellowItem::newMarkerIsHiddenAndBoxed()
{
    QFETCH(double, angle);
    SgRedYellowItem m(kPos, kSize, 0, angle, nullptr);
    QVERIFY(!m.isVisible());
    QCOMPARE(m.currentState(), 0);
    QCOMPARE(m.pos(), kPos);
    QCOMPARE(m.zValue(), 0.0);
    const QRectF bb = m.boundingRect();
    QVERIFY(bb.contains(m.redHalfPath().boundingRect()));
    QVERIFY(bb.contains(m.secondHalfPath().boundingRect()));
    for (const QPointF &local : {QPointF(0.99 * kR, 0), QPointF(-0.99 * kR, 0),
                                 QPointF(0, 0.99 * kR), QPointF(0, -0.99 * kR)})
        QVERIFY2(bb.contains(itemPoint(angle, local)), "disc edge outside the bounding box");
    // The red half is the downstream one: the side the straight arrow points to.
    QVERIFY(inside(m.redHalfPath(), itemPoint(angle, QPointF(0.1 * kR, 0.5 * kR))));
    QVERIFY(inside(m.secondHalfPath(), itemPoint(angle, QPointF(0.1 * kR, -0.5 * kR))));
    QVERIFY(!inside(m.redHalfPath(), itemPoint(angle, QPointF(0.1 * kR, -0.5 * kR))));
}

void tst_SgRedYellowItem::statesShowAndFill_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QColor>("downstream");
    QTest::addColumn<QColor>("upstream");
    const QColor white(Qt::white), red(Qt::red), yellow(Qt::yellow);
    QTest::newRow("0 no stop line") << qQNaN() << 0 << false << white << white;
    QTest::newRow("1 no stop line") << qQNaN() << 1 << true << red << red;
    QTest::newRow("2 no stop line") << qQNaN() << 2 << true << red << yellow;
    QTest::newRow("1 eastbound") << angleForTravel(0) << 1 << true << red << red;
    QTest::newRow("2 eastbound") << angleForTravel(0) << 2 << true << red << yellow;
    QTest::newRow("2 northbound") << angleForTravel(90) << 2 << true << red << yellow;
    QTest::newRow("2 south-west bound") << angleForTravel(225) << 2 << true << red << yellow;
    QTest::newRow("7 draws no fill") << angleForTravel(0) << 7 << true << white << white;
}

void tst_SgRedYellowItem::statesShowAndFill()
{
    QFETCH(double, angle);
    QFETCH(int, state);
    QFETCH(bool, visible);
    QFETCH(QColor, downstream);
    QFETCH(QColor, upstream);

    SgRedYellowItem m(kPos, kSize, 0, angle, nullptr);
    m.setState(state);
    QCOMPARE(m.currentState(), state);
    QCOMPARE(m.isVisible(), visible);

    const QTransform t = imageTransform(m, 1.0, m.boundingRect().center());
    const QImage img = paintDirect(m, t);
    // Off the straight arrow (|x| <= r/3) and away from the dividing diameter.
    QCOMPARE(pixelAt(img, t, itemPoint(angle, QPointF(-0.55 * kR, 0.45 * kR))), downstream);
    QCOMPARE(pixelAt(img, t, itemPoint(angle, QPointF(-0.55 * kR, -0.45 * kR))), upstream);
    QCOMPARE(pixelAt(img, t, itemPoint(angle, QPointF(0.55 * kR, 0.45 * kR))), downstream);
    QCOMPARE(pixelAt(img, t, itemPoint(angle, QPointF(0.55 * kR, -0.45 * kR))), upstream);
    // Outside the disc nothing is drawn.
    QCOMPARE(pixelAt(img, t, itemPoint(angle, QPointF(0.75 * kR, 0.75 * kR))), QColor(Qt::white));
}

void tst_SgRedYellowItem::hiddenStateDrawsNothingInScene()
{
    QGraphicsScene scene;
    auto *m = new SgRedYellowItem(kPos, kSize, 0, angleForTravel(0), nullptr);
    scene.addItem(m);
    const QRectF source = m->sceneBoundingRect();
    auto render = [&] {
        QImage img(kImage, kImage, QImage::Format_ARGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        scene.render(&p, QRectF(0, 0, kImage, kImage), source, Qt::IgnoreAspectRatio);
        return img;
    };
    QCOMPARE(darkPixels(render()), 0);
    QImage hidden = render();
    QCOMPARE(hidden.pixelColor(kImage / 2, kImage / 4), QColor(Qt::white));

    m->setState(1);
    const QImage shown = render();
    QCOMPARE(shown.pixelColor(kImage / 4, kImage / 4), QColor(Qt::red));
    QVERIFY(darkPixels(shown) > 0); // the arrow

    m->setState(0);
    QVERIFY(!m->isVisible());
    QCOMPARE(darkPixels(render()), 0);
    QCOMPARE(render().pixelColor(kImage / 4, kImage / 4), QColor(Qt::white));
}

void tst_SgRedYellowItem::unchangedStateSchedulesNoRepaint()
{
    QGraphicsScene scene;
    auto *m = new SgRedYellowItem(kPos, kSize, 0, qQNaN(), nullptr);
    scene.addItem(m);
    QSignalSpy changed(&scene, &QGraphicsScene::changed);
    m->setState(1);
    QTest::qWait(20);
    QVERIFY(changed.count() > 0);

    changed.clear();
    m->setState(1);
    QTest::qWait(20);
    QCOMPARE(changed.count(), 0);

    m->setState(2);
    QTest::qWait(20);
    QVERIFY(changed.count() > 0);

    changed.clear();
    m->setState(2);
    QTest::qWait(20);
    QCOMPARE(changed.count(), 0);
}

// Steps of viewShowsEveryStateChange: a state, or the marker's parent hidden or shown.
constexpr int kHideParent = -1;
constexpr int kShowParent = -2;

void tst_SgRedYellowItem::viewShowsEveryStateChange_data()
{
    QTest::addColumn<QVector<int>>("steps");
    QTest::addColumn<QColor>("upstream");
    const QColor red(Qt::red), yellow(Qt::yellow), white(Qt::white);
    QTest::newRow("red, hidden, red-yellow") << QVector<int>{1, 0, 2} << yellow;
    QTest::newRow("red-yellow, hidden, red") << QVector<int>{2, 0, 1} << red;
    QTest::newRow("red-yellow to red") << QVector<int>{2, 1} << red;
    QTest::newRow("red to red-yellow") << QVector<int>{1, 2} << yellow;
    QTest::newRow("red to hidden") << QVector<int>{1, 0} << white;
    QTest::newRow("changed under a hidden parent")
        << QVector<int>{1, kHideParent, 0, 2, kShowParent} << yellow;
    QTest::newRow("recoloured under a hidden parent")
        << QVector<int>{2, kHideParent, 1, kShowParent} << red;
    QTest::newRow("hidden under a hidden parent")
        << QVector<int>{2, kHideParent, 0, kShowParent} << white;
}

// Through a view the marker paints from its cached picture: every change must renew it.
void tst_SgRedYellowItem::viewShowsEveryStateChange()
{
    QFETCH(QVector<int>, steps);
    QFETCH(QColor, upstream);

    const double angle = angleForTravel(0);
    QGraphicsScene scene;
    auto *parent = new QGraphicsRectItem;
    parent->setPen(Qt::NoPen);
    scene.addItem(parent);
    auto *m = new SgRedYellowItem(kPos, kSize, 0, angle, parent);
    QGraphicsView view(&scene);
    view.resize(kImage, kImage);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.fitInView(m->sceneBoundingRect(), Qt::KeepAspectRatio);
    const QPoint probe =
        view.mapFromScene(m->mapToScene(itemPoint(angle, QPointF(0.55 * kR, -0.45 * kR))));
    const auto shown = [&] { return view.viewport()->grab().toImage().pixelColor(probe); };

    for (int step : qAsConst(steps)) {
        if (step == kHideParent)
            parent->setVisible(false);
        else if (step == kShowParent)
            parent->setVisible(true);
        else
            m->setState(step);
        // Painting fills the cache that the next change must renew.
        if (parent->isVisible())
            shown();
    }
    QCOMPARE(shown(), upstream);
    QCOMPARE(m->isVisible(), upstream != QColor(Qt::white));
}

void tst_SgRedYellowItem::arrowByDirectionClass_data()
{
    QTest::addColumn<int>("cls");
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("minX");
    QTest::addColumn<double>("maxX");
    QTest::addColumn<double>("maxY");
    const double l = 0.8, h = 0.5, t = 1.0 / 3.0;
    for (double travel : {0.0, 90.0, 200.0}) {
        const double a = angleForTravel(travel);
        const QByteArray dir = QByteArray::number(travel);
        QTest::newRow("straight " + dir) << 0 << a << -t << t << l;
        QTest::newRow("left " + dir) << 1 << a << -h << t << h + t;
        QTest::newRow("right " + dir) << 2 << a << -t << h << h + t;
        QTest::newRow("class 5 is straight " + dir) << 5 << a << -t << t << l;
    }
}

void tst_SgRedYellowItem::arrowByDirectionClass()
{
    QFETCH(int, cls);
    QFETCH(double, angle);
    QFETCH(double, minX);
    QFETCH(double, maxX);
    QFETCH(double, maxY);

    SgRedYellowItem m(kPos, kSize, cls, angle, nullptr);
    const QList<QPointF> pts = localArrow(m, angle);
    QVERIFY(!pts.isEmpty());
    double lo = 1e9, hi = -1e9, top = -1e9, bottom = 1e9;
    for (const QPointF &p : pts) {
        lo = qMin(lo, p.x());
        hi = qMax(hi, p.x());
        top = qMax(top, p.y());
        bottom = qMin(bottom, p.y());
        QVERIFY2(std::hypot(p.x(), p.y()) <= 0.87 * kR, "arrow point outside the disc");
    }
    const double tol = 1e-6;
    QVERIFY2(std::abs(lo - minX * kR) < tol, qPrintable(QString("min x %1, expected %2").arg(lo).arg(minX * kR)));
    QVERIFY2(std::abs(hi - maxX * kR) < tol, qPrintable(QString("max x %1, expected %2").arg(hi).arg(maxX * kR)));
    QVERIFY2(std::abs(top - maxY * kR) < tol, qPrintable(QString("max y %1, expected %2").arg(top).arg(maxY * kR)));
    QVERIFY2(std::abs(bottom + 0.8 * kR) < tol, qPrintable(QString("min y %1").arg(bottom)));
    // The arrow is outside the box computation: the box is the halves' only.
    QCOMPARE(m.boundingRect(),
             m.redHalfPath().controlPointRect() | m.secondHalfPath().controlPointRect());
}

void tst_SgRedYellowItem::turnsPointToTheirSide()
{
    // Eastbound: left is north (planar +y), right is south.
    const Ostrika::GeoUtil g;
    const QPointF c = g.geoToXY(kPos);
    auto extremeNorth = [&](int cls) {
        SgRedYellowItem m(kPos, kSize, cls, angleForTravel(0), nullptr);
        double north = -1e9, south = 1e9;
        const QPainterPath &a = m.arrowPath();
        for (int i = 0; i < a.elementCount(); ++i) {
            const QPointF p = g.geoToXY(QPointF(a.elementAt(i).x, a.elementAt(i).y) + kPos) - c;
            north = qMax(north, p.y());
            south = qMin(south, p.y());
        }
        return qMakePair(north, south);
    };
    const auto left = extremeNorth(1);
    const auto right = extremeNorth(2);
    QVERIFY2(std::abs(left.first - 0.5 * kR) < 1e-6, qPrintable(QString::number(left.first)));
    QVERIFY2(std::abs(right.second + 0.5 * kR) < 1e-6, qPrintable(QString::number(right.second)));
}

void tst_SgRedYellowItem::noArrowWithoutAngle()
{
    for (int cls : {0, 1, 2}) {
        SgRedYellowItem m(kPos, kSize, cls, qQNaN(), nullptr);
        QVERIFY(m.arrowPath().isEmpty());
        for (int state : {0, 1, 2}) {
            m.setState(state);
            const QTransform t = imageTransform(m, 1.0, m.boundingRect().center());
            QCOMPARE(darkPixels(paintDirect(m, t)), 0);
        }
    }
}

void tst_SgRedYellowItem::arrowIsOnePixelAtAnyZoom_data()
{
    QTest::addColumn<double>("zoom");
    QTest::newRow("disc fills the image") << 1.0;
    QTest::newRow("20 times closer") << 20.0;
    QTest::newRow("400 times closer") << 400.0;
}

void tst_SgRedYellowItem::arrowIsOnePixelAtAnyZoom()
{
    QFETCH(double, zoom);
    // Northbound: the straight shaft runs along the latitude axis, a column of the image.
    const double angle = angleForTravel(90);
    SgRedYellowItem m(kPos, kSize, 0, angle, nullptr);
    const QPointF onShaft = itemPoint(angle, QPointF(0, -0.4 * kR));
    const QTransform t = imageTransform(m, zoom, onShaft);
    const QImage img = paintDirect(m, t);
    const int row = qRound(t.map(onShaft).y());
    int dark = 0;
    for (int x = 0; x < img.width(); ++x)
        dark += isDark(img.pixel(x, row)) ? 1 : 0;
    QCOMPARE(dark, 1);
}

void tst_SgRedYellowItem::isNotANetworkItemType()
{
    SgRedYellowItem m(kPos, kSize, 0, 0.0, nullptr);
    QCOMPARE(m.type(), int(QGraphicsItem::UserType));
}

QTEST_MAIN(tst_SgRedYellowItem)
void tst_SgRedYellowItem::halvesFollowTheCircle_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("size");
    QTest::newRow("eastbound, narrow lane") << angleForTravel(0) << 2.5;
    QTest::newRow("north-east, usual lane") << angleForTravel(37) << kSize;
    QTest::newRow("southbound, wide lane") << angleForTravel(-90) << 8.0;
    QTest::newRow("no stop line") << qQNaN() << kSize;
}

// Each half is a polygon: its corners lie on the circle (or on the dividing diameter) and its
// edges stay within half a pixel of the circle at the deepest map zoom (22).
void tst_SgRedYellowItem::halvesFollowTheCircle()
{
    QFETCH(double, angle);
    QFETCH(double, size);
    const SgRedYellowItem m(kPos, size, SgRedYellowItem::Straight, angle);
    const Ostrika::GeoUtil g;
    const QPointF c = g.geoToXY(kPos);
    const double r = size / 2;
    const double halfPixel = 0.5 * (g.geoToXY(kPos + QPointF(360.0 / (1 << 30), 0)) - c).x();
    const QTransform back = localRotation(angle).inverted();
    for (const QPainterPath &half : {m.redHalfPath(), m.secondHalfPath()}) {
        const QList<QPolygonF> rings = half.toSubpathPolygons();
        QCOMPARE(rings.size(), 1);
        const QPolygonF ring = rings.first();
        QVERIFY(ring.size() > 8);
        for (int i = 0; i + 1 < ring.size(); ++i) {
            const QPointF a = back.map(g.geoToXY(ring[i] + kPos) - c);
            const QPointF b = back.map(g.geoToXY(ring[i + 1] + kPos) - c);
            const bool onDiameter = std::abs(a.y()) < 1e-6 && std::abs(b.y()) < 1e-6;
            if (onDiameter)
                continue;
            QVERIFY2(std::abs(std::hypot(a.x(), a.y()) - r) < 1e-6, "corner off the circle");
            const QPointF mid = (a + b) / 2;
            QVERIFY2(r - std::hypot(mid.x(), mid.y()) < halfPixel, "edge further than half a pixel from the circle");
        }
    }
}

#include "tst_sgredyellowitem.moc"
