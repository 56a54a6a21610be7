// Host map view stand-in: slippy-map zoom scale, north up, wheel zoom and drag panning.
#include <mirel/mapscene.h>
#include <mirel/osmview.h>

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

namespace {
bool fuzzyEqual(double a, double b, double tolerance)
{
    return std::abs(a - b) <= tolerance;
}
#define COMPARE_NEAR(actual, expected, tolerance)                                                             \
    QVERIFY2(fuzzyEqual((actual), (expected), (tolerance)),                                                   \
             qPrintable(QStringLiteral("actual %1, expected %2").arg((actual), 0, 'g', 12).arg((expected), 0, 'g', 12)))
} // namespace

class TestOsmView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void scaleOfAZoom_data();
    void scaleOfAZoom();
    void northUpWithLatitudeStretch();
    void zoomPropertyAndSignal();
    void wheelZoomKeepsThePointUnderTheCursor();
    void dragPans();
    void cursorMovedGivesGeoPosition();
    void fitGeo();

private:
    Mirel::MapScene *scene = nullptr;
    OsmView *view = nullptr;
};

void TestOsmView::init()
{
    scene = new Mirel::MapScene;
    view = new OsmView(scene);
    view->resize(640, 480);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
}

void TestOsmView::cleanup()
{
    delete view;
    delete scene;
}

void TestOsmView::scaleOfAZoom_data()
{
    QTest::addColumn<int>("zoom");
    QTest::newRow("1") << 1;
    QTest::newRow("12") << 12;
    QTest::newRow("17") << 17;
    QTest::newRow("22") << 22;
}

void TestOsmView::scaleOfAZoom()
{
    QFETCH(int, zoom);
    view->centerOnGeo(QPointF(0.0, 0.0));
    view->setZoom(zoom);
    QCOMPARE(view->zoom(), zoom);
    // 256 * 2^z pixels per 360 degrees of longitude.
    COMPARE_NEAR(view->transform().m11() * 360.0, 256.0 * std::pow(2.0, zoom), 1e-6 * std::pow(2.0, zoom));
}

void TestOsmView::northUpWithLatitudeStretch()
{
    view->setZoom(15);
    view->centerOnGeo(QPointF(10.0, 60.0));
    COMPARE_NEAR(view->centerGeo().x(), 10.0, 1e-3);
    COMPARE_NEAR(view->centerGeo().y(), 60.0, 1e-3);
    const QPointF north = view->mapFromScene(QPointF(10.0, 60.001));
    const QPointF south = view->mapFromScene(QPointF(10.0, 59.999));
    QVERIFY2(north.y() < south.y(), "north must be up");
    // At 60 degrees a degree of latitude is drawn twice as long as one of longitude.
    COMPARE_NEAR(-view->transform().m22() / view->transform().m11(), 2.0, 1e-6);
}

void TestOsmView::zoomPropertyAndSignal()
{
    QSignalSpy spy(view, SIGNAL(zoomChanged(int)));
    QVERIFY(spy.isValid());
    const int start = view->zoom();
    QVERIFY(view->setProperty("zoom", start)); // unchanged: no signal
    QCOMPARE(spy.count(), 0);
    QVERIFY(view->setProperty("zoom", 12));
    QCOMPARE(view->property("zoom").toInt(), 12);
    view->setZoom(40);
    view->setZoom(-3);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(1).at(0).toInt(), OsmView::maximumZoom());
    QCOMPARE(spy.at(2).at(0).toInt(), OsmView::minimumZoom());
    QVERIFY(view->inherits("OsmView"));
}

void TestOsmView::wheelZoomKeepsThePointUnderTheCursor()
{
    view->setZoom(15);
    view->centerOnGeo(QPointF(13.4, 52.5));
    QSignalSpy spy(view, &OsmView::zoomChanged);
    const QPoint pos(200, 150);
    const QPointF before = view->mapToScene(pos);
    QWheelEvent in(QPointF(pos), view->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &in);
    QCOMPARE(view->zoom(), 16);
    QCOMPARE(spy.count(), 1);
    const QPointF after = view->mapToScene(pos);
    const double degreesPerPixel = 1.0 / view->transform().m11();
    COMPARE_NEAR(after.x(), before.x(), 2 * degreesPerPixel);
    COMPARE_NEAR(after.y(), before.y(), 4 * degreesPerPixel);

    QWheelEvent out(QPointF(pos), view->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &out);
    QCOMPARE(view->zoom(), 15);
    QCOMPARE(spy.count(), 2);
}

void TestOsmView::dragPans()
{
    view->setZoom(16);
    view->centerOnGeo(QPointF(13.4, 52.5));
    const QPointF start = view->centerGeo();
    QSignalSpy hMoved(view->horizontalScrollBar(), &QScrollBar::valueChanged);
    QWidget *vp = view->viewport();
    const QPoint from(300, 200), to(400, 260);
    QMouseEvent press(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &press);
    QMouseEvent move(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &release);
    const QPointF end = view->centerGeo();
    // Dragging right and down moves the map with the hand: the centre goes west and north.
    COMPARE_NEAR(start.x() - end.x(), 100.0 / view->transform().m11(), 2.0 / view->transform().m11());
    COMPARE_NEAR(end.y() - start.y(), 60.0 / -view->transform().m22(), 2.0 / -view->transform().m22());
    QVERIFY(hMoved.count() > 0);
}

void TestOsmView::cursorMovedGivesGeoPosition()
{
    view->setZoom(16);
    view->centerOnGeo(QPointF(13.4, 52.5));
    QSignalSpy spy(view, &OsmView::cursorMoved);
    const QPoint at(120, 90);
    QMouseEvent move(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    QCOMPARE(spy.count(), 1);
    const QPointF geo = spy.at(0).at(0).toPointF();
    const QPointF expected = view->mapToScene(at);
    COMPARE_NEAR(geo.x(), expected.x(), 1e-9);
    COMPARE_NEAR(geo.y(), expected.y(), 1e-9);
    QVERIFY(geo.x() < 13.4 && geo.y() > 52.5); // upper left of the centre
}

void TestOsmView::fitGeo()
{
    const QRectF area(13.30, 52.45, 0.20, 0.10);
    view->fitGeo(area);
    const int z = view->zoom();
    const QRect shown = view->mapFromScene(area).boundingRect();
    QVERIFY2(view->viewport()->rect().adjusted(-1, -1, 1, 1).contains(shown), "area must fit");
    view->setZoom(z + 1);
    const QRect larger = view->mapFromScene(area).boundingRect();
    QVERIFY2(!view->viewport()->rect().contains(larger), "one zoom more must not fit");
}

QTEST_MAIN(TestOsmView)
#include "tst_osmview.moc"
