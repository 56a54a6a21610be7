// Controller subscription: the shared event-mask bit and counter, connections, failures, removal.
#include "lightsfixture.h"

namespace {
const char *const kCount = "tlo_use_sg_cnt";

bool hasCounter(const QObject *o)
{
    return o->dynamicPropertyNames().contains(kCount);
}
} // namespace

// A notification whose kind, once read, destroys the controller that sent it: host code that
// runs while the plugin is still handling the controller's signal.
class FatalNotification : public Notification
{
    Q_OBJECT
    Q_PROPERTY(int id READ fatalId)
public:
    FatalNotification(QObject *doomed, const QVariant &data)
        : Notification(SignalGroupState, data), m_doomed(doomed) {}
    int fatalId() const
    {
        delete m_doomed.data();
        return SignalGroupState;
    }

private:
    QPointer<QObject> m_doomed;
};

class tst_LightSubscription : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void firstSubscriberSetsBitAndCounter();
    void offlineControllerRequestsWhenItComesOnline();
    void otherSubscriberKeepsBit();
    void sameFlagTwiceActsOnce();
    void logLinesAtInformationLevel();
    void unreadableMaskOnSwitchOn();
    void failedSwitchOnDoesNotTakeOthersCount();
    void unreadableMaskOnSwitchOffKeepsCounterCorrect();
    void destroyedControllerWhileProcessing();
    void repliesOutliveTheirRecord();
    void controllerDestroyedWhileItsSignalIsHandled();
    void nullEntryOrControllerIgnored();

private:
    LightEntry *entry() { return PluginProbe(plugin).entry(1); }
    void waitReplies() { QTRY_VERIFY(allAnswered(light)); }

    QTemporaryDir dir;
    QGraphicsScene scene;
    DrawnNet d;
    TestProject *project = nullptr;
    OddLight *light = nullptr;
    OstrikgPlugin *plugin = nullptr;
    std::unique_ptr<LogCapture> log;
};

void tst_LightSubscription::initTestCase()
{
    useTestSettings("tst_lightsubscription");
    QVERIFY(dir.isValid());
    TestNetwork b;
    QVERIFY(b.addJunction({1, {0, 0}, {{{1}}, {{2}}}, {3}}));
    QVERIFY(b.save(dir.filePath("junction.ostka")));
}

void tst_LightSubscription::init()
{
    log.reset(new LogCapture);
    plugin = new OstrikgPlugin;
    plugin->setLoggingLevel(3);
    project = new TestProject;
    light = new OddLight(1, project);
    light->setResponseLifetime(0);
    project->add(light);
    QVERIFY(d.load(&scene, dir.filePath("junction.ostka")));
    PluginProbe(plugin).bind(d.net.get(), project, d.markers);
    QVERIFY(entry());
}

void tst_LightSubscription::cleanup()
{
    PluginProbe(plugin).dropAll();
    delete plugin;
    plugin = nullptr;
    delete project;
    project = nullptr;
    d.net.reset();
    log.reset();
}

void tst_LightSubscription::firstSubscriberSetsBitAndCounter()
{
    light->setEventMask(0x05);
    light->setGroupState(1, 4);
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    QCOMPARE(light->eventMask(), 0x25u);
    QCOMPARE(light->property(kCount), QVariant(1));
    QCOMPARE(light->property(kCount).userType(), int(QMetaType::Int));
    QCOMPARE(light->notificationReceivers(), 1);
    QCOMPARE(light->connectedReceivers(), 1);
    QCOMPARE(light->commandCount(), 3);
    QVERIFY(entry()->processing);
    waitReplies();
    QCOMPARE(entry()->groupItems.value(1)->marker->currentState(), 1);

    // Pushed changes arrive through the connection.
    light->setGroupState(2, 16);
    QCOMPARE(overrideColor(d.item("J1_C1")), QColor(Qt::yellow));

    probe.setProcessing(entry(), false);
    QCOMPARE(light->eventMask(), 0x05u);
    QVERIFY(!hasCounter(light));
    QCOMPARE(light->notificationReceivers(), 0);
    QCOMPARE(light->connectedReceivers(), 0);
    // The display is cleared with the subscription.
    QVERIFY(d.item("J1_C0")->isVisible());
    QVERIFY(!overrideColor(d.item("J1_C1")).isValid());
    QCOMPARE(entry()->groupItems.value(1)->marker->currentState(), 0);
}

void tst_LightSubscription::offlineControllerRequestsWhenItComesOnline()
{
    light->setConnected(false);
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    QCOMPARE(light->commandCount(), 0);
    QCOMPARE(light->property(kCount), QVariant(1));

    light->setGroupState(2, 4);
    light->setConnected(true);
    QCOMPARE(light->commandCount(), 3);
    waitReplies();
    QCOMPARE(entry()->groupItems.value(2)->marker->currentState(), 1);
}

void tst_LightSubscription::otherSubscriberKeepsBit()
{
    light->setEventMask(0x25);
    light->setProperty(kCount, 2);
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    QCOMPARE(light->eventMask(), 0x25u);
    QCOMPARE(light->property(kCount), QVariant(3));
    QCOMPARE(LogCapture::count("info OstrikgPlugin: Event mask for object 1 already vaild"), 1);
    QCOMPARE(LogCapture::countContaining("Set event mask"), 0);

    probe.setProcessing(entry(), false);
    QCOMPARE(light->property(kCount), QVariant(2));
    QCOMPARE(light->eventMask(), 0x25u);
    QCOMPARE(LogCapture::countContaining("Clear event mask"), 0);
}

void tst_LightSubscription::sameFlagTwiceActsOnce()
{
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), false);
    QCOMPARE(LogCapture::countContaining("Set granule"), 0);
    QVERIFY(!hasCounter(light));

    probe.setProcessing(entry(), true);
    probe.setProcessing(entry(), true);
    QCOMPARE(light->property(kCount), QVariant(1));
    QCOMPARE(light->notificationReceivers(), 1);
    QCOMPARE(light->commandCount(), 3);
    QCOMPARE(LogCapture::count("info OstrikgPlugin: Set granule 1 processing to 1"), 1);

    probe.setProcessing(entry(), false);
    probe.setProcessing(entry(), false);
    QVERIFY(!hasCounter(light));
    QCOMPARE(LogCapture::count("info OstrikgPlugin: Set granule 1 processing to 0"), 1);
}

void tst_LightSubscription::logLinesAtInformationLevel()
{
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    probe.setProcessing(entry(), false);
    const QStringList expected{
        "info OstrikgPlugin: Set granule 1 processing to 1",
        "info OstrikgPlugin: Set event mask for object 1",
        "info OstrikgPlugin: Request for current state of groups",
        "info OstrikgPlugin: Set granule 1 processing to 0",
        "info OstrikgPlugin: Clear event mask for object 1",
    };
    QCOMPARE(LogCapture::pluginLines(), expected);

    // At the default level none of them appears.
    LogCapture::clear();
    plugin->setLoggingLevel(2);
    probe.setProcessing(entry(), true);
    probe.setProcessing(entry(), false);
    QCOMPARE(LogCapture::countContaining("OstrikgPlugin: "), 0);
}

void tst_LightSubscription::unreadableMaskOnSwitchOn()
{
    light->readable = false;
    light->setEventMask(0x20); // so the controller would push, if anyone listened
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    QCOMPARE(LogCapture::count("warning OstrikgPlugin: Error get event mask for object 1"), 1);
    QVERIFY(entry()->processing);
    QVERIFY(!hasCounter(light));
    QCOMPARE(light->notificationReceivers(), 0);
    QCOMPARE(light->commandCount(), 0);
    light->setGroupState(1, 4);
    QCOMPARE(entry()->groupItems.value(1)->state, -1);

    // Switching off finds nothing of ours to take back.
    probe.setProcessing(entry(), false);
    QVERIFY(!hasCounter(light));
    QCOMPARE(light->eventMask(), 0x20u);
    QCOMPARE(LogCapture::count("warning OstrikgPlugin: Error get event mask for object 1"), 1);

    // Readable again: an ordinary subscription.
    light->readable = true;
    light->setEventMask(0);
    probe.setProcessing(entry(), true);
    QCOMPARE(light->property(kCount), QVariant(1));
    QCOMPARE(light->eventMask(), 0x20u);
}

void tst_LightSubscription::failedSwitchOnDoesNotTakeOthersCount()
{
    light->readable = false;
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    QVERIFY(!hasCounter(light));

    // Another subscriber comes along meanwhile.
    light->readable = true;
    light->setEventMask(0x25);
    light->setProperty(kCount, 1);

    probe.setProcessing(entry(), false);
    QCOMPARE(light->property(kCount), QVariant(1));
    QCOMPARE(light->eventMask(), 0x25u);
}

void tst_LightSubscription::unreadableMaskOnSwitchOffKeepsCounterCorrect()
{
    light->setEventMask(0x01);
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    waitReplies();
    light->setGroupState(2, 2);
    QVERIFY(probe.blinkItems().contains(d.item("J1_C1")));

    light->readable = false;
    probe.setProcessing(entry(), false);
    QCOMPARE(LogCapture::count("warning OstrikgPlugin: Error get event mask for object 1"), 1);
    QVERIFY(!entry()->processing);
    // Not counted any more and not listening; the display is cleared.
    QVERIFY(!hasCounter(light));
    QCOMPARE(light->notificationReceivers(), 0);
    QCOMPARE(light->connectedReceivers(), 0);
    QVERIFY(probe.blinkItems().isEmpty());
    QVERIFY(d.item("J1_C1")->isVisible());
    light->setGroupState(2, 4);
    QCOMPARE(entry()->groupItems.value(2)->state, -1);

    // On again: counted once, connected once, every notification handled once.
    light->readable = true;
    probe.setProcessing(entry(), true);
    QCOMPARE(light->property(kCount), QVariant(1));
    QCOMPARE(light->notificationReceivers(), 1);
    QCOMPARE(light->connectedReceivers(), 1);
    waitReplies();

    // Off again: the bit can now be cleared, and the counter goes.
    probe.setProcessing(entry(), false);
    QCOMPARE(light->eventMask(), 0x01u);
    QVERIFY(!hasCounter(light));
}

void tst_LightSubscription::destroyedControllerWhileProcessing()
{
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    waitReplies();
    light->setGroupState(1, 4);
    light->setGroupState(3, 2);
    QCOMPARE(d.markers->childItems().size(), 2);
    QVERIFY(!probe.blinkItems().isEmpty());

    delete light;
    light = nullptr;
    QVERIFY(probe.lights().isEmpty());
    QVERIFY(d.markers->childItems().isEmpty());
    QVERIFY(probe.blinkItems().isEmpty());
    QVERIFY(d.item("J1_C0")->isVisible());
    QVERIFY(d.item("J1_X0")->isVisible());
    QVERIFY(!overrideColor(d.item("J1_X0")).isValid());
    // A later check has nothing to switch.
    probe.check();
    QVERIFY(probe.lights().isEmpty());
}

void tst_LightSubscription::repliesOutliveTheirRecord()
{
    light->setResponseDelay(50);
    light->setGroupState(1, 4);
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    QCOMPARE(light->findChildren<Response *>().size(), 3);
    // The record goes (an unload, say) and a new one follows before the replies arrive.
    probe.dropEntry(1);
    probe.bind(d.net.get(), project, d.markers);
    LightEntry *fresh = entry();
    QVERIFY(fresh);
    waitReplies();
    // The replies belonged to the record that is gone: nothing of them reaches the new one.
    for (GroupItem *g : qAsConst(fresh->groupItems))
        QCOMPARE(g->state, -1);
    QVERIFY(d.item("J1_C0")->isVisible());
    QCOMPARE(fresh->groupItems.value(1)->marker->currentState(), 0);
    // Switched on, the new record asks again and shows the answers.
    probe.setProcessing(fresh, true);
    waitReplies();
    QCOMPARE(fresh->groupItems.value(1)->state, 4);
    QVERIFY(!d.item("J1_C0")->isVisible());
}

void tst_LightSubscription::controllerDestroyedWhileItsSignalIsHandled()
{
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    waitReplies();
    const FatalNotification n(light, QVariantList{1, 4});
    Q_EMIT light->notification(&n);
    light = nullptr;
    // The record went with its controller, in the middle of handling its signal; nothing
    // was shown for it afterwards.
    QVERIFY(probe.lights().isEmpty());
    QVERIFY(d.markers->childItems().isEmpty());
    QVERIFY(d.item("J1_C0")->isVisible());
    QVERIFY(!overrideColor(d.item("J1_C0")).isValid());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void tst_LightSubscription::nullEntryOrControllerIgnored()
{
    PluginProbe probe(plugin);
    probe.setProcessing(nullptr, true);
    LightEntry orphan;
    probe.setProcessing(&orphan, true);
    QVERIFY(!orphan.processing);
    probe.sync(nullptr, true);
    probe.sync(&orphan, false);
    probe.apply(nullptr, QVariantList{1, 4});
    QCOMPARE(LogCapture::countContaining("OstrikgPlugin: "), 0);
}

QTEST_MAIN(tst_LightSubscription)
#include "tst_lightsubscription.moc"
