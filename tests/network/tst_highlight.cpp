// Colouring items on request and timed pulses with their single 100 ms timer.
#include "logcapture.h"
#include "pluginprobe.h"
#include "testhost.h"
#include "testnetwork.h"
#include "plugin/logging.h"

#include <ostrika/ostrika.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <ostrikga/genericgraphicsitem.h>

#include <QGraphicsRectItem>

class TestHighlight : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useTestSettings(); }
    void init();
    void cleanup();

    void setAndResetColor();
    void foreignItemsIgnored();
    void zeroDurationEndsOnFirstTick();
    void renewedPulseKeepsColourAndRestartsDuration();
    void threePulsesEndInOrderWithOneTimer();
    void setColourDuringPulse();
    void resetDuringPulse();
    void unloadedItemIgnored();

private:
    Ostrikga::GenericGraphicsItem *item(const QString &name);
    void setItemColor(QGraphicsItem *item, const QColor &c);
    void resetItemColor(QGraphicsItem *item);
    void pulseItem(QGraphicsItem *item, const QColor &c, int ms);
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TestHost> host;
};

void TestHighlight::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    const QString path = dir->filePath(QStringLiteral("town.ostka"));
    QVERIFY(writeStrip(StripSpec(), path));
    host.reset(new TestHost);
    QVERIFY(host->load(path));
}

void TestHighlight::cleanup()
{
    host.reset();
    dir.reset();
}

Ostrikga::GenericGraphicsItem *TestHighlight::item(const QString &name)
{
    return dynamic_cast<Ostrikga::GenericGraphicsItem *>(host->findItemByName(name));
}

void TestHighlight::setItemColor(QGraphicsItem *item, const QColor &c)
{
    QVERIFY(QMetaObject::invokeMethod(host->plugin, "setItemColor", Q_ARG(QGraphicsItem *, item),
                                      Q_ARG(QColor, c)));
}

void TestHighlight::resetItemColor(QGraphicsItem *item)
{
    QVERIFY(QMetaObject::invokeMethod(host->plugin, "resetItemColor", Q_ARG(QGraphicsItem *, item)));
}

void TestHighlight::pulseItem(QGraphicsItem *item, const QColor &c, int ms)
{
    QVERIFY(QMetaObject::invokeMethod(host->plugin, "pulseItem", Q_ARG(QGraphicsItem *, item),
                                      Q_ARG(QColor, c), Q_ARG(int, ms)));
}

void TestHighlight::setAndResetColor()
{
    Ostrikga::GenericGraphicsItem *edge = item(QStringLiteral("AB"));
    QVERIFY(edge);
    const QColor normal = edge->color();
    setItemColor(edge, Qt::magenta);
    QVERIFY(edge->hasOverrideColor());
    QCOMPARE(edge->color(), QColor(Qt::magenta));
    QCOMPARE(PluginProbe(host->plugin).pulseCount(), 0);
    QCOMPARE(PluginProbe(host->plugin).pulseTimerId(), 0);
    resetItemColor(edge);
    QVERIFY(!edge->hasOverrideColor());
    QCOMPARE(edge->color(), normal);
}

void TestHighlight::foreignItemsIgnored()
{
    auto *rect = host->scene.addRect(0, 0, 1, 1, QPen(Qt::black));
    setItemColor(rect, Qt::red);
    resetItemColor(rect);
    pulseItem(rect, Qt::red, 500);
    pulseItem(nullptr, Qt::red, 500);
    setItemColor(nullptr, Qt::red);
    resetItemColor(nullptr);
    QCOMPARE(rect->pen().color(), QColor(Qt::black));
    QCOMPARE(PluginProbe(host->plugin).pulseCount(), 0);
    QCOMPARE(PluginProbe(host->plugin).pulseTimerId(), 0);
}

void TestHighlight::zeroDurationEndsOnFirstTick()
{
    Ostrikga::GenericGraphicsItem *node = item(QStringLiteral("B"));
    pulseItem(node, Qt::red, 0);
    QCOMPARE(node->color(), QColor(Qt::red));
    QVERIFY(PluginProbe(host->plugin).pulseTimerId() != 0);
    QTRY_VERIFY_WITH_TIMEOUT(!node->hasOverrideColor(), 2000);
    QCOMPARE(PluginProbe(host->plugin).pulseTimerId(), 0);
    QCOMPARE(PluginProbe(host->plugin).pulseCount(), 0);
}

void TestHighlight::renewedPulseKeepsColourAndRestartsDuration()
{
    Ostrikga::GenericGraphicsItem *edge = item(QStringLiteral("AB"));
    QElapsedTimer since;
    pulseItem(edge, Qt::red, 400);
    QTest::qWait(250);
    since.start(); // the renewal: 400 ms count again from here
    pulseItem(edge, Qt::blue, 60000);
    QCOMPARE(edge->color(), QColor(Qt::red));
    QCOMPARE(PluginProbe(host->plugin).pulseCount(), 1);
    QTest::qWait(250); // 500 ms after the first call: the first pulse would be over
    if (since.elapsed() < 390)
        QVERIFY(edge->hasOverrideColor());
    QTRY_VERIFY_WITH_TIMEOUT(!edge->hasOverrideColor(), 3000);
    // Ended after its own 400 ms, not after the renewal's 60 s.
    QVERIFY2(since.elapsed() >= 400, qPrintable(QString::number(since.elapsed())));
    QCOMPARE(PluginProbe(host->plugin).pulseTimerId(), 0);
}

void TestHighlight::threePulsesEndInOrderWithOneTimer()
{
    const QList<Ostrikga::GenericGraphicsItem *> items{item(QStringLiteral("A")), item(QStringLiteral("AB")),
                                                       item(QStringLiteral("R1"))};
    const QList<int> durations{150, 500, 900};
    for (int i = 0; i < 3; ++i) {
        QVERIFY(items[i]);
        pulseItem(items[i], Qt::green, durations[i]);
    }
    const int timer = PluginProbe(host->plugin).pulseTimerId();
    QVERIFY(timer != 0);
    QCOMPARE(PluginProbe(host->plugin).pulseCount(), 3);

    QList<int> endOrder;
    QElapsedTimer waited;
    waited.start();
    while (endOrder.size() < 3 && waited.elapsed() < 5000) {
        QTest::qWait(20);
        for (int i = 0; i < 3; ++i) {
            if (!endOrder.contains(i) && !items[i]->hasOverrideColor())
                endOrder.append(i);
        }
        if (endOrder.size() < 3) // the same timer serves every pending pulse
            QCOMPARE(PluginProbe(host->plugin).pulseTimerId(), timer);
    }
    QCOMPARE(endOrder, (QList<int>{0, 1, 2}));
    QCOMPARE(PluginProbe(host->plugin).pulseTimerId(), 0);
    QCOMPARE(PluginProbe(host->plugin).pulseCount(), 0);
}

void TestHighlight::setColourDuringPulse()
{
    Ostrikga::GenericGraphicsItem *edge = item(QStringLiteral("BC"));
    pulseItem(edge, Qt::red, 300);
    setItemColor(edge, Qt::yellow);
    QCOMPARE(edge->color(), QColor(Qt::yellow));
    QTRY_VERIFY_WITH_TIMEOUT(!edge->hasOverrideColor(), 3000);
    QCOMPARE(PluginProbe(host->plugin).pulseCount(), 0);
}

void TestHighlight::resetDuringPulse()
{
    Ostrikga::GenericGraphicsItem *edge = item(QStringLiteral("BC"));
    pulseItem(edge, Qt::red, 300);
    resetItemColor(edge);
    QVERIFY(!edge->hasOverrideColor());
    QCOMPARE(PluginProbe(host->plugin).pulseCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(PluginProbe(host->plugin).pulseCount(), 0, 3000);
    QVERIFY(!edge->hasOverrideColor());
    QCOMPARE(PluginProbe(host->plugin).pulseTimerId(), 0);
}

void TestHighlight::unloadedItemIgnored()
{
    QGraphicsItem *stale = item(QStringLiteral("B"));
    pulseItem(stale, Qt::red, 60000);
    host->unload();
    QCOMPARE(PluginProbe(host->plugin).pulseCount(), 0);
    // The pointer now names nothing; the plugin must not use it.
    pulseItem(stale, Qt::red, 100);
    QCOMPARE(PluginProbe(host->plugin).pulseCount(), 0);
    QCOMPARE(PluginProbe(host->plugin).pulseTimerId(), 0);
}

QTEST_MAIN(TestHighlight)
#include "tst_highlight.moc"
