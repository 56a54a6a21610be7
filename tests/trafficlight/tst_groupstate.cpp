// Signal-group states through the stand-in controllers: requests, replies, notifications, looks.
#include "lightsfixture.h"

#include <signalstate.h>

namespace {

enum class Col { None, Green, Red, Yellow, Blue };

QColor colourOf(Col c)
{
    switch (c) {
    case Col::Green: return QColor(Qt::green);
    case Col::Red: return QColor(Qt::red);
    case Col::Yellow: return QColor(Qt::yellow);
    case Col::Blue: return QColor(Qt::blue);
    case Col::None: break;
    }
    return QColor();
}

// A record of the test junction: the item it colours and its signal group.
struct Record
{
    QString itemName;
    int group;
};

enum class Visibility { Unchanged, Hidden, Shown }; // the item starts visible
constexpr int NoMarker = -1;                        // crosswalk records have none

// What the host sees on a record after a code: the item's override colour (Blue: unchanged),
// its visibility, the marker's state (it starts as RedRed) and whether the item blinks.
struct Look
{
    Col colour;
    Visibility visibility;
    int marker;
    bool blinks;
};

} // namespace

Q_DECLARE_METATYPE(Col)
Q_DECLARE_METATYPE(Record)
Q_DECLARE_METATYPE(Look)

class tst_GroupState : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void oneRequestPerDistinctGroup();
    void replyRedThenRedYellowThenGreen();
    void malformedDataChangesNothing();
    void onlyKindFiveIsHandled();
    void flashingGreenDependsOnOtherGroup();
    void flashingYellowNeedsOtherGroup();
    void crosswalkRedAndRedYellow();
    void offAndUnknownCodesRestore_data();
    void offAndUnknownCodesRestore();
    void greenHidesEveryMarkerOfTheConnection();
    void offlineClearsAndOnlineRequestsAgain();
    void masterSwitchDropsStates();
    void lateReplyAfterSwitchOffIsNotDrawn();
    void stoppedBlinkDoesNotLeaveItemHidden();
    void lookTable_data();
    void lookTable();

private:
    // Junction 1: C0 groups 1 and 2, C1 group 3, C2 group 5; crosswalks of groups 9 and 1.
    void bindJunction(int responseDelay = 0);
    LightEntry *entry() { return PluginProbe(plugin).entry(1); }
    QGraphicsItem *item(const QString &n) { return d.item(n); }
    GroupItem *record(const QString &n, int group)
    {
        for (GroupItem *g : entry()->groupItems.values(group)) {
            if (g->item == item(n))
                return g;
        }
        return nullptr;
    }
    bool blinking(QGraphicsItem *i) { return PluginProbe(plugin).blinkItems().contains(i); }
    void switchOn()
    {
        PluginProbe(plugin).setProcessing(entry(), true);
        QTRY_VERIFY(allAnswered(light));
    }

    QTemporaryDir dir;
    QGraphicsScene scene;
    DrawnNet d;
    Corvel::Project *project = nullptr;
    Corvel::Light *light = nullptr;
    OstrikgPlugin *plugin = nullptr;
};

void tst_GroupState::initTestCase()
{
    useTestSettings("tst_groupstate");
    QVERIFY(dir.isValid());
    qRegisterMetaType<Col>();
    TestNetwork b;
    QVERIFY(b.addJunction({1, {0, 0}, {{{1, 2}}, {{3}}, {{5}}}, {9, 1}}));
    QVERIFY(b.save(dir.filePath("junction.ostka")));
}

void tst_GroupState::init()
{
    plugin = new OstrikgPlugin;
    project = new Corvel::Project;
    light = project->addLight(1);
    light->setResponseLifetime(0);
    bindJunction();
}

void tst_GroupState::cleanup()
{
    PluginProbe(plugin).dropAll();
    delete plugin;
    plugin = nullptr;
    delete project;
    project = nullptr;
    d.net.reset();
}

void tst_GroupState::bindJunction(int responseDelay)
{
    light->setResponseDelay(responseDelay);
    QVERIFY(d.load(&scene, dir.filePath("junction.ostka")));
    PluginProbe(plugin).bind(d.net.get(), project, d.markers);
    QVERIFY(entry());
}

void tst_GroupState::oneRequestPerDistinctGroup()
{
    TestNetwork b;
    QVERIFY(b.addJunction({4, {0, 0}, {{{3}}, {{1}}, {{1}}, {{7}}}, {}}));
    QVERIFY(b.save(dir.filePath("groups3117.ostka")));
    DrawnNet other;
    QVERIFY(other.load(&scene, dir.filePath("groups3117.ostka")));
    Corvel::Light *l4 = project->addLight(4);
    PluginProbe probe(plugin);
    probe.bind(other.net.get(), project, other.markers);
    QCOMPARE(probe.entry(4)->groupItems.size(), 4);

    probe.setProcessing(probe.entry(4), true);
    const auto commands = l4->commands();
    QCOMPARE(commands.size(), 3);
    const QList<int> expected{1, 3, 7};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(commands.at(i).first.userType(), int(QMetaType::QString));
        QCOMPARE(commands.at(i).first.toString(), QStringLiteral("GET_GROUP"));
        QCOMPARE(commands.at(i).second.userType(), int(QMetaType::Int));
        QCOMPARE(commands.at(i).second.toInt(), expected.at(i));
    }
    const QList<Response *> responses = l4->findChildren<Response *>();
    QCOMPARE(responses.size(), 3);
    for (Response *r : responses)
        QCOMPARE(r->property("granule_id"), QVariant(4));
    QTRY_VERIFY(allAnswered(l4));
    probe.dropEntry(4);
}

void tst_GroupState::replyRedThenRedYellowThenGreen()
{
    light->setGroupState(5, 4);
    switchOn();
    QGraphicsItem *c2 = item("J1_C2");
    GroupItem *g = record("J1_C2", 5);
    QVERIFY(g && g->marker);
    // The reply to the request: red, shown by the marker instead of the connection.
    QVERIFY(!c2->isVisible());
    QVERIFY(g->marker->isVisible());
    QCOMPARE(g->marker->currentState(), 1);
    QCOMPARE(g->state, 4);
    MarkerPixels px = paintMarker(g->marker);
    QVERIFY(px.red > 5000);
    QCOMPARE(px.yellow, 0);

    light->setGroupState(5, 20);
    QVERIFY(!c2->isVisible());
    QCOMPARE(g->marker->currentState(), 2);
    px = paintMarker(g->marker);
    QVERIFY2(px.red > 2500 && px.yellow > 2500,
             qPrintable(QString("red %1 yellow %2").arg(px.red).arg(px.yellow)));

    light->setGroupState(5, 1);
    QVERIFY(c2->isVisible());
    QCOMPARE(overrideColor(c2), QColor(Qt::green));
    QVERIFY(!g->marker->isVisible());
    QVERIFY(!blinking(c2));
}

void tst_GroupState::malformedDataChangesNothing()
{
    switchOn();
    light->setGroupState(3, 16);
    QGraphicsItem *c1 = item("J1_C1");
    QCOMPARE(overrideColor(c1), QColor(Qt::yellow));
    GroupItem *g = record("J1_C1", 3);

    for (const QVariant &data : {QVariant(QVariantList{3}), QVariant(QVariantList{}),
                                 QVariant(QStringLiteral("3,4")), QVariant()}) {
        light->pushNotification(Notification::SignalGroupState, data);
        QCOMPARE(g->state, 16);
        QCOMPARE(overrideColor(c1), QColor(Qt::yellow));
        QVERIFY(c1->isVisible());
        QCOMPARE(g->marker->currentState(), 0);
    }
    // Extra elements are ignored.
    light->pushNotification(Notification::SignalGroupState, QVariantList{3, 4, 99});
    QCOMPARE(g->state, 4);
    QCOMPARE(g->marker->currentState(), 1);
    // A group without records changes nothing.
    light->pushNotification(Notification::SignalGroupState, QVariantList{42, 1});
    QCOMPARE(g->state, 4);
}

void tst_GroupState::onlyKindFiveIsHandled()
{
    switchOn();
    GroupItem *g = record("J1_C1", 3);
    const int before = g->state;
    for (int kind : {Notification::Mode, Notification::Time, Notification::Alarm}) {
        light->pushNotification(kind, QVariantList{3, 4});
        QCOMPARE(g->state, before);
        QCOMPARE(g->marker->currentState(), 0);
    }
    light->pushNotification(Notification::SignalGroupState, QVariantList{3, 4});
    QCOMPARE(g->state, 4);
}

void tst_GroupState::flashingGreenDependsOnOtherGroup()
{
    switchOn();
    QGraphicsItem *c0 = item("J1_C0");
    // Group 1 green on C0: group 2 flashing green only hides its own marker.
    light->setGroupState(1, 1);
    light->setGroupState(2, 4);
    QCOMPARE(record("J1_C0", 2)->marker->currentState(), 0); // another group is green
    light->setGroupState(2, 2);
    QVERIFY(!blinking(c0));
    QVERIFY(c0->isVisible());
    QCOMPARE(overrideColor(c0), QColor(Qt::green));
    QCOMPARE(record("J1_C0", 2)->marker->currentState(), 0);

    // Alone on its connection the same code flashes green.
    QGraphicsItem *c1 = item("J1_C1");
    light->setGroupState(3, 2);
    QVERIFY(blinking(c1));
    QVERIFY(!c1->isVisible());
    QCOMPARE(overrideColor(c1), QColor(Qt::green));
    QCOMPARE(record("J1_C1", 3)->marker->currentState(), 0);
    light->setGroupState(3, 3);
    QVERIFY(blinking(c1));
    QCOMPARE(PluginProbe(plugin).blinkItems().count(c1), 1);
}

void tst_GroupState::flashingYellowNeedsOtherGroup()
{
    switchOn();
    QGraphicsItem *c1 = item("J1_C1");
    light->setGroupState(3, 4);
    light->setGroupState(3, 32);
    QVERIFY(!blinking(c1));
    QCOMPARE(record("J1_C1", 3)->marker->currentState(), 0);
    QVERIFY(!overrideColor(c1).isValid() || overrideColor(c1) != QColor(Qt::yellow));

    QGraphicsItem *c0 = item("J1_C0");
    light->setGroupState(1, 3);
    light->setGroupState(2, 32);
    QVERIFY(blinking(c0));
    QCOMPARE(overrideColor(c0), QColor(Qt::yellow));
    QCOMPARE(record("J1_C0", 2)->marker->currentState(), 0);
}

void tst_GroupState::crosswalkRedAndRedYellow()
{
    switchOn();
    QGraphicsItem *x = item("J1_X0");
    light->setGroupState(9, 4);
    QCOMPARE(overrideColor(x), QColor(Qt::red));
    QVERIFY(x->isVisible());
    light->setGroupState(9, 20);
    QVERIFY(!x->isVisible());
    // Red again after the item was hidden: a red crosswalk is seen.
    light->setGroupState(9, 4);
    QVERIFY(x->isVisible());
    QCOMPARE(overrideColor(x), QColor(Qt::red));
    light->setGroupState(9, 16);
    QCOMPARE(overrideColor(x), QColor(Qt::yellow));
}

void tst_GroupState::offAndUnknownCodesRestore_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("0") << 0;
    QTest::newRow("17") << 17;
    QTest::newRow("-3") << -3;
    QTest::newRow("64") << 64;
}

void tst_GroupState::offAndUnknownCodesRestore()
{
    QFETCH(int, code);
    switchOn();
    QGraphicsItem *c1 = item("J1_C1");
    QGraphicsItem *x = item("J1_X0");
    light->setGroupState(3, 4);
    light->setGroupState(9, 2);
    QVERIFY(blinking(x));
    light->setGroupState(3, code);
    light->setGroupState(9, code);
    for (QGraphicsItem *i : {c1, x}) {
        QVERIFY(i->isVisible());
        QVERIFY(!overrideColor(i).isValid());
        QVERIFY(!blinking(i));
    }
    QCOMPARE(record("J1_C1", 3)->marker->currentState(), 0);
    QCOMPARE(record("J1_C1", 3)->state, code);
}

void tst_GroupState::greenHidesEveryMarkerOfTheConnection()
{
    switchOn();
    QGraphicsItem *c0 = item("J1_C0");
    light->setGroupState(2, 4);
    QCOMPARE(record("J1_C0", 2)->marker->currentState(), 1);
    QVERIFY(!c0->isVisible());
    light->setGroupState(1, 1);
    QVERIFY(c0->isVisible());
    QCOMPARE(overrideColor(c0), QColor(Qt::green));
    QCOMPARE(record("J1_C0", 1)->marker->currentState(), 0);
    QCOMPARE(record("J1_C0", 2)->marker->currentState(), 0);
    // The other group's remembered state is its own.
    QCOMPARE(record("J1_C0", 2)->state, 4);
}

void tst_GroupState::offlineClearsAndOnlineRequestsAgain()
{
    switchOn();
    light->setGroupState(5, 4);
    light->setGroupState(3, 2);
    light->setGroupState(9, 16);
    light->setGroupState(1, 20);
    const int sent = light->commandCount();

    light->setConnected(false);
    for (GroupItem *g : qAsConst(entry()->groupItems)) {
        QVERIFY(g->item->isVisible());
        QVERIFY(!overrideColor(g->item).isValid());
        if (g->marker)
            QVERIFY(!g->marker->isVisible());
        QCOMPARE(g->state, -1);
    }
    QVERIFY(PluginProbe(plugin).blinkItems().isEmpty());
    QCOMPARE(PluginProbe(plugin).blinkTimerId(), 0);
    QCOMPARE(light->commandCount(), sent);

    light->setConnected(true);
    QCOMPARE(light->commandCount(), sent + 5); // groups 1, 2, 3, 5 and 9, each once
    QTRY_COMPARE(record("J1_C2", 5)->state, 4);
    QCOMPARE(record("J1_C2", 5)->marker->currentState(), 1);
    QVERIFY(blinking(item("J1_C1")));
}

void tst_GroupState::masterSwitchDropsStates()
{
    switchOn();
    PluginProbe probe(plugin);
    probe.allowProcessTlEvents() = false;
    light->setGroupState(5, 4);
    QCOMPARE(record("J1_C2", 5)->state, 0);
    QCOMPARE(record("J1_C2", 5)->marker->currentState(), 0);

    // A reply arriving while the switch is off is dropped as well.
    PluginProbe(plugin).sync(entry(), true);
    QTRY_VERIFY(allAnswered(light));
    QCOMPARE(record("J1_C2", 5)->state, 0);

    probe.allowProcessTlEvents() = true;
    light->setGroupState(5, 20);
    QCOMPARE(record("J1_C2", 5)->marker->currentState(), 2);
}

void tst_GroupState::lateReplyAfterSwitchOffIsNotDrawn()
{
    light->setResponseDelay(50);
    light->setGroupState(3, 2);
    light->setGroupState(5, 4);
    PluginProbe probe(plugin);
    probe.setProcessing(entry(), true);
    QCOMPARE(light->findChildren<Response *>().count(), 5);
    probe.setProcessing(entry(), false);
    QTRY_VERIFY(allAnswered(light));
    QVERIFY(probe.blinkItems().isEmpty());
    QCOMPARE(probe.blinkTimerId(), 0);
    QCOMPARE(record("J1_C2", 5)->marker->currentState(), 0);
    for (GroupItem *g : qAsConst(entry()->groupItems)) {
        QCOMPARE(g->state, -1);
        QVERIFY(g->item->isVisible());
    }
}

void tst_GroupState::stoppedBlinkDoesNotLeaveItemHidden()
{
    switchOn();
    QGraphicsItem *x = item("J1_X0");
    light->setGroupState(9, 2);
    QVERIFY(blinking(x));
    QVERIFY(!x->isVisible()); // the hidden phase
    light->setGroupState(9, 4);
    QVERIFY(!blinking(x));
    QVERIFY(x->isVisible());
    QCOMPARE(overrideColor(x), QColor(Qt::red));

    QGraphicsItem *c1 = item("J1_C1");
    light->setGroupState(3, 2);
    QVERIFY(!c1->isVisible());
    light->setGroupState(3, 32); // no other group: stops flashing
    QVERIFY(!blinking(c1));
    QVERIFY(c1->isVisible());
}

// Each code on a record, with and without another active group on its connection.
void tst_GroupState::lookTable_data()
{
    QTest::addColumn<Record>("target");
    QTest::addColumn<bool>("otherGreen"); // the connection's other group shows green
    QTest::addColumn<int>("code");
    QTest::addColumn<Look>("look");

    using S = SignalState::Code;
    using M = SgRedYellowItem::State;
    using V = Visibility;
    const Record c0{QStringLiteral("J1_C0"), 2};
    const Record x1{QStringLiteral("J1_X1"), 1};
    const bool alone = false, withGreen = true;
    const bool steady = false, blinks = true;
    QTest::newRow("1") << c0 << alone << int(S::Green) << Look{Col::Green, V::Shown, M::Hidden, steady};
    QTest::newRow("1 other") << c0 << withGreen << int(S::Green) << Look{Col::Green, V::Shown, M::Hidden, steady};
    QTest::newRow("2") << c0 << alone << int(S::GreenFlashing) << Look{Col::Green, V::Hidden, M::Hidden, blinks};
    QTest::newRow("2 other") << c0 << withGreen << int(S::GreenFlashing) << Look{Col::Blue, V::Unchanged, M::Hidden, steady};
    QTest::newRow("3") << c0 << alone << int(S::GreenFlashingAlt) << Look{Col::Green, V::Hidden, M::Hidden, blinks};
    QTest::newRow("3 other") << c0 << withGreen << int(S::GreenFlashingAlt) << Look{Col::Blue, V::Unchanged, M::Hidden, steady};
    QTest::newRow("4 marker") << c0 << alone << int(S::Red) << Look{Col::Blue, V::Hidden, M::RedRed, steady};
    QTest::newRow("4 other") << c0 << withGreen << int(S::Red) << Look{Col::Blue, V::Unchanged, M::Hidden, steady};
    QTest::newRow("4 crosswalk") << x1 << alone << int(S::Red) << Look{Col::Red, V::Shown, NoMarker, steady};
    QTest::newRow("16") << c0 << alone << int(S::Yellow) << Look{Col::Yellow, V::Shown, M::Hidden, steady};
    QTest::newRow("16 other") << c0 << withGreen << int(S::Yellow) << Look{Col::Blue, V::Unchanged, M::Hidden, steady};
    QTest::newRow("20 marker") << c0 << alone << int(S::RedYellow) << Look{Col::Blue, V::Hidden, M::RedYellow, steady};
    QTest::newRow("20 other keeps marker") << c0 << withGreen << int(S::RedYellow) << Look{Col::Blue, V::Unchanged, M::RedRed, steady};
    QTest::newRow("20 crosswalk") << x1 << alone << int(S::RedYellow) << Look{Col::Blue, V::Hidden, NoMarker, steady};
    QTest::newRow("32") << c0 << alone << int(S::YellowFlashing) << Look{Col::Blue, V::Unchanged, M::Hidden, steady};
    QTest::newRow("32 other") << c0 << withGreen << int(S::YellowFlashing) << Look{Col::Yellow, V::Hidden, M::Hidden, blinks};
    QTest::newRow("32 crosswalk") << x1 << alone << int(S::YellowFlashing) << Look{Col::Blue, V::Unchanged, NoMarker, steady};
    QTest::newRow("0") << c0 << withGreen << int(S::Off) << Look{Col::None, V::Shown, M::Hidden, steady};
    QTest::newRow("5") << c0 << alone << 5 << Look{Col::None, V::Shown, M::Hidden, steady};
    QTest::newRow("33 crosswalk") << x1 << alone << 33 << Look{Col::None, V::Shown, NoMarker, steady};
}

void tst_GroupState::lookTable()
{
    QFETCH(Record, target);
    QFETCH(bool, otherGreen);
    QFETCH(int, code);
    QFETCH(Look, look);

    GroupItem *g = record(target.itemName, target.group);
    QVERIFY(g);
    auto *gi = dynamic_cast<Ostrikga::GenericGraphicsItem *>(g->item);
    gi->setColor(Qt::blue);
    gi->setVisible(true);
    if (g->marker)
        g->marker->setState(SgRedYellowItem::RedRed);
    if (otherGreen)
        record(target.itemName, 1)->state = SignalState::Green;

    PluginProbe(plugin).show(g, entry(), code);

    QCOMPARE(g->state, code);
    QCOMPARE(overrideColor(g->item), colourOf(look.colour));
    if (look.visibility != Visibility::Unchanged)
        QCOMPARE(g->item->isVisible(), look.visibility == Visibility::Shown);
    else
        QVERIFY(g->item->isVisible());
    if (look.marker != NoMarker)
        QCOMPARE(g->marker->currentState(), look.marker);
    else
        QVERIFY(!g->marker);
    QCOMPARE(blinking(g->item), look.blinks);
}

QTEST_MAIN(tst_GroupState)
#include "tst_groupstate.moc"
