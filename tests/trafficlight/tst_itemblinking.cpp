// Item blinking: the shared timer and phase, the list without duplicates, the timer's life.
#include "lightsfixture.h"

#include <QElapsedTimer>
#include <QGraphicsRectItem>

class tst_ItemBlinking : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { useTestSettings("tst_itemblinking"); }
    void init();
    void cleanup();

    void hiddenAtOnceThenAlternates();
    void laterItemSharesThePhase();
    void noDuplicateEntry();
    void timerStopsWithTheLastItem();
    void removingAnUnknownItemChangesNothing();
    void nullItemIsIgnored();
    void tickFlipsOnlyAfterHalfASecond();

private:
    QGraphicsRectItem *addItem()
    {
        auto *item = scene.addRect(0, 0, 1, 1);
        item->setVisible(true);
        return item;
    }

    QGraphicsScene scene;
    OstrikgPlugin *plugin = nullptr;
};

void tst_ItemBlinking::init()
{
    plugin = new OstrikgPlugin;
}

void tst_ItemBlinking::cleanup()
{
    delete plugin;
    plugin = nullptr;
    scene.clear();
}

void tst_ItemBlinking::hiddenAtOnceThenAlternates()
{
    PluginProbe probe(plugin);
    auto *a = addItem();
    QCOMPARE(probe.blinkTimerId(), 0);

    probe.setBlinking(a, true);
    QVERIFY(!a->isVisible());
    QVERIFY(probe.blinkTimerId() != 0);
    QCOMPARE(probe.blinkItems(), QList<QGraphicsItem *>{a});
    QCOMPARE(probe.blinkOn(), false);

    // Ticks before the phase's 500 ms leave it hidden (unless the machine stalled us past it).
    QElapsedTimer since;
    since.start();
    QTest::qWait(200);
    if (since.elapsed() < 450)
        QVERIFY(!a->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(a->isVisible(), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(!a->isVisible(), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(a->isVisible(), 2000);
}

void tst_ItemBlinking::laterItemSharesThePhase()
{
    PluginProbe probe(plugin);
    auto *a = addItem();
    auto *b = addItem();
    probe.setBlinking(a, true);
    const int timer = probe.blinkTimerId();
    QTest::qWait(300);

    probe.setBlinking(b, true);
    QVERIFY(!b->isVisible());
    QCOMPARE(probe.blinkTimerId(), timer);
    // The phase clock was not restarted by the second item.
    QVERIFY(probe.blinkClock().isValid());
    QVERIFY2(probe.blinkClock().elapsed() >= 250, qPrintable(QString::number(probe.blinkClock().elapsed())));
    QCOMPARE(probe.blinkItems(), (QList<QGraphicsItem *>{a, b}));

    QTRY_VERIFY_WITH_TIMEOUT(a->isVisible(), 2000);
    QVERIFY(b->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!a->isVisible(), 2000);
    QVERIFY(!b->isVisible());
}

void tst_ItemBlinking::noDuplicateEntry()
{
    PluginProbe probe(plugin);
    auto *a = addItem();
    probe.setBlinking(a, true);
    a->setVisible(true);
    probe.setBlinking(a, true);
    QVERIFY(!a->isVisible());
    QCOMPARE(probe.blinkItems().count(), 1);

    // One removal is enough: nothing of it is left to blink.
    probe.setBlinking(a, false);
    QVERIFY(probe.blinkItems().isEmpty());
    QCOMPARE(probe.blinkTimerId(), 0);
}

void tst_ItemBlinking::timerStopsWithTheLastItem()
{
    PluginProbe probe(plugin);
    auto *a = addItem();
    auto *b = addItem();
    probe.setBlinking(a, true);
    probe.setBlinking(b, true);
    probe.setBlinking(a, false);
    QVERIFY(probe.blinkTimerId() != 0);
    QCOMPARE(probe.blinkItems(), QList<QGraphicsItem *>{b});
    // Stopping leaves the visibility to the caller.
    QVERIFY(!a->isVisible());

    probe.setBlinking(b, false);
    QCOMPARE(probe.blinkTimerId(), 0);
    QVERIFY(!probe.blinkClock().isValid());
    b->setVisible(true);
    QTest::qWait(700);
    QVERIFY(b->isVisible());
    QVERIFY(!a->isVisible());

    // Blinking again restarts from the hidden phase.
    probe.setBlinking(a, true);
    QVERIFY(probe.blinkTimerId() != 0);
    QCOMPARE(probe.blinkOn(), false);
    probe.setBlinking(a, false);
}

void tst_ItemBlinking::removingAnUnknownItemChangesNothing()
{
    PluginProbe probe(plugin);
    auto *a = addItem();
    auto *other = addItem();
    probe.setBlinking(a, true);
    const int timer = probe.blinkTimerId();
    probe.setBlinking(other, false);
    QCOMPARE(probe.blinkItems(), QList<QGraphicsItem *>{a});
    QCOMPARE(probe.blinkTimerId(), timer);
    QVERIFY(other->isVisible());
    probe.setBlinking(a, false);
}

void tst_ItemBlinking::nullItemIsIgnored()
{
    PluginProbe probe(plugin);
    probe.setBlinking(nullptr, true);
    QVERIFY(probe.blinkItems().isEmpty());
    QCOMPARE(probe.blinkTimerId(), 0);
    probe.setBlinking(nullptr, false);
    QCOMPARE(probe.blinkTimerId(), 0);
}

void tst_ItemBlinking::tickFlipsOnlyAfterHalfASecond()
{
    PluginProbe probe(plugin);
    auto *a = addItem();
    probe.setBlinking(a, true);
    // Ticks driven by hand, without the event loop.
    probe.blinkTick();
    QVERIFY(!a->isVisible());
    QTest::qSleep(520);
    probe.blinkTick();
    QVERIFY(a->isVisible());
    QCOMPARE(probe.blinkOn(), true);
    probe.blinkTick();
    QVERIFY(a->isVisible());
    probe.setBlinking(a, false);
}

QTEST_MAIN(tst_ItemBlinking)
#include "tst_itemblinking.moc"
