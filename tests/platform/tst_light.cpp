// Traffic-light server stand-in: commands, responses, connection state, notifications, project.
#include <corvel/light.h>
#include <corvel/notification.h>
#include <corvel/response.h>

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

namespace {
// Notifications are only valid during the emission, so the receiver copies what it needs.
struct NotificationLog
{
    void attach(Corvel::Light *light)
    {
        QObject::connect(light, &Corvel::Light::notification, light, [this](const Notification *n) {
            kinds.append(n->property("id").toInt());
            data.append(n->data());
        });
    }
    QList<int> kinds;
    QVariantList data;
};

Response *getGroup(QObject *light, const QVariant &command, const QVariant &argument)
{
    Response *r = nullptr;
    const bool ok = QMetaObject::invokeMethod(light, "sendCommand", Q_RETURN_ARG(Response *, r),
                                              Q_ARG(QVariant, command), Q_ARG(QVariant, argument));
    return ok ? r : nullptr;
}
} // namespace

class TestLight : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void propertiesByName();
    void responseFinishesAsynchronously();
    void immediateAnswerComesBeforeLaterEvents();
    void badCommandsGiveNull_data();
    void badCommandsGiveNull();
    void offlineController();
    void offlineBeforeTheAnswerIsDue();
    void controllerDeletesItsResponses();
    void responsesDieWithTheController();
    void notificationsNeedBit0x20_data();
    void notificationsNeedBit0x20();
    void pushedNotificationsOfAnyKind();
    void projectObjects();
};

void TestLight::propertiesByName()
{
    Corvel::Light light(12);
    QCOMPARE(light.property("id").toInt(), 12);
    QVERIFY(light.setProperty("eventMask", QVariant::fromValue(0x25u)));
    QCOMPARE(light.property("eventMask").toUInt(), 0x25u);
    QCOMPARE(light.property("isConnected").toBool(), true);
    light.setConnected(false);
    QCOMPARE(light.property("isConnected").toBool(), false);
    QVERIFY(!light.setProperty("isConnected", true)); // read only
    QCOMPARE(light.metaObject()->indexOfSignal("notification(const Notification*)") >= 0, true);
    QCOMPARE(light.metaObject()->indexOfSignal("connected(bool)") >= 0, true);
}

void TestLight::responseFinishesAsynchronously()
{
    Corvel::Light light(1);
    light.setGroupState(3, 4);
    Response *r = getGroup(&light, QStringLiteral("GET_GROUP"), 3);
    QVERIFY(r);
    QVERIFY(!r->isFinished()); // not before the caller could connect
    QSignalSpy finished(r, &Response::finished);
    QVERIFY(finished.wait(2000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(r->data().toList(), (QVariantList{3, 4}));
    QCOMPARE(light.commandCount(), 1);
    QCOMPARE(light.commands().constFirst().first.toString(), QStringLiteral("GET_GROUP"));
    QCOMPARE(light.commands().constFirst().second.toInt(), 3);

    // The answer is the state when it is sent; an unknown group reads as 0.
    light.setResponseDelay(30);
    Response *r2 = getGroup(&light, QStringLiteral("GET_GROUP"), 9);
    QVERIFY(r2 && r2 != r);
    QSignalSpy finished2(r2, &Response::finished);
    QVERIFY(finished2.wait(2000));
    QCOMPARE(r2->data().toList(), (QVariantList{9, 0}));
}

// A live source posts its next step right after the controller went online and was asked for
// its states: an answer due at once comes before events posted after the request, as a queued
// call would.
void TestLight::immediateAnswerComesBeforeLaterEvents()
{
    Corvel::Light light(1);
    light.setGroupState(2, 1);
    Response *r = getGroup(&light, QStringLiteral("GET_GROUP"), 2);
    QVERIFY(r);
    bool answeredFirst = false;
    bool stepped = false;
    QMetaObject::invokeMethod(this, [&] {
        answeredFirst = r->isFinished();
        stepped = true;
    }, Qt::QueuedConnection);
    QTRY_VERIFY(stepped);
    QVERIFY(answeredFirst);
    QCOMPARE(r->data().toList(), (QVariantList{2, 1}));
}

void TestLight::badCommandsGiveNull_data()
{
    QTest::addColumn<QVariant>("command");
    QTest::addColumn<QVariant>("argument");
    QTest::newRow("unknown command") << QVariant(QStringLiteral("GET_STATE")) << QVariant(3);
    QTest::newRow("lower case") << QVariant(QStringLiteral("get_group")) << QVariant(3);
    QTest::newRow("text argument") << QVariant(QStringLiteral("GET_GROUP")) << QVariant(QStringLiteral("3"));
    QTest::newRow("double argument") << QVariant(QStringLiteral("GET_GROUP")) << QVariant(3.5);
    QTest::newRow("no argument") << QVariant(QStringLiteral("GET_GROUP")) << QVariant();
    QTest::newRow("numeric command") << QVariant(5) << QVariant(3);
}

void TestLight::badCommandsGiveNull()
{
    QFETCH(QVariant, command);
    QFETCH(QVariant, argument);
    Corvel::Light light(1);
    QCOMPARE(getGroup(&light, command, argument), nullptr);
    QCOMPARE(light.commandCount(), 1);
    QVERIFY(light.findChildren<Response *>().isEmpty());
}

void TestLight::offlineController()
{
    Corvel::Light light(1);
    QSignalSpy connected(&light, &Corvel::Light::connected);
    light.setConnected(false);
    light.setConnected(false);
    QCOMPARE(connected.count(), 1);
    QCOMPARE(connected.at(0).at(0).toBool(), false);
    QCOMPARE(getGroup(&light, QStringLiteral("GET_GROUP"), 1), nullptr);
    light.setConnected(true);
    QCOMPARE(connected.count(), 2);
    QCOMPARE(connected.at(1).at(0).toBool(), true);
    QVERIFY(getGroup(&light, QStringLiteral("GET_GROUP"), 1));
}

void TestLight::offlineBeforeTheAnswerIsDue()
{
    Corvel::Light light(1);
    light.setGroupState(1, 1);
    light.setResponseDelay(20);
    Response *r = getGroup(&light, QStringLiteral("GET_GROUP"), 1);
    QVERIFY(r);
    light.setConnected(false);
    QSignalSpy finished(r, &Response::finished);
    QVERIFY(finished.wait(2000));
    QVERIFY(!r->data().isValid());
}

void TestLight::controllerDeletesItsResponses()
{
    Corvel::Light light(1);
    light.setGroupState(2, 16);
    light.setResponseLifetime(0);
    QPointer<Response> r = getGroup(&light, QStringLiteral("GET_GROUP"), 2);
    QVERIFY(r);
    // Every receiver still sees the response and its data, also after another one ran.
    QVariantList seen;
    connect(r.data(), &Response::finished, &light, [&] { seen.append(r ? r->data() : QVariant()); });
    connect(r.data(), &Response::finished, &light, [&] { seen.append(r ? r->data() : QVariant()); });
    QTRY_VERIFY(r.isNull());
    QCOMPARE(seen.count(), 2);
    QCOMPARE(seen.at(0).toList(), (QVariantList{2, 16}));
    QCOMPARE(seen.at(1).toList(), (QVariantList{2, 16}));
}

void TestLight::responsesDieWithTheController()
{
    auto *light = new Corvel::Light(1);
    light->setResponseDelay(10);
    QPointer<Response> r = getGroup(light, QStringLiteral("GET_GROUP"), 2);
    QVERIFY(r);
    delete light;
    QVERIFY(r.isNull());
    QTest::qWait(30); // the pending answer must not fire on a dead response
}

void TestLight::notificationsNeedBit0x20_data()
{
    QTest::addColumn<uint>("mask");
    QTest::addColumn<bool>("online");
    QTest::addColumn<bool>("expected");
    QTest::newRow("bit set, online") << 0x20u << true << true;
    QTest::newRow("with other bits") << 0x25u << true << true;
    QTest::newRow("other bits only") << 0x1Fu << true << false;
    QTest::newRow("no bits") << 0u << true << false;
    QTest::newRow("bit set, offline") << 0x20u << false << false;
}

void TestLight::notificationsNeedBit0x20()
{
    QFETCH(uint, mask);
    QFETCH(bool, online);
    QFETCH(bool, expected);
    Corvel::Light light(4);
    light.setEventMask(mask);
    light.setConnected(online);
    NotificationLog log;
    log.attach(&light);
    light.setGroupState(7, 4);
    light.setGroupState(7, 4); // unchanged: never pushed
    QCOMPARE(light.groupState(7), 4);
    if (!expected) {
        QVERIFY(log.kinds.isEmpty());
        return;
    }
    QCOMPARE(log.kinds, QList<int>{5});
    QCOMPARE(log.data.constFirst().toList(), (QVariantList{7, 4}));
    light.setGroupState(7, 1);
    QCOMPARE(log.kinds, (QList<int>{5, 5}));
    QCOMPARE(log.data.constLast().toList(), (QVariantList{7, 1}));
}

void TestLight::pushedNotificationsOfAnyKind()
{
    Corvel::Light light(4);
    NotificationLog log;
    log.attach(&light);
    light.pushNotification(Notification::Alarm, QStringLiteral("door open"));
    QCOMPARE(log.kinds, QList<int>{2});
    QCOMPARE(log.data.constFirst().toString(), QStringLiteral("door open"));
}

void TestLight::projectObjects()
{
    Corvel::Project project;
    Corvel::Light *a = project.addLight(10);
    QCOMPARE(project.addLight(10), a);
    Corvel::Light *b = project.addLight(3);
    QCOMPARE(project.lights(), (QList<Corvel::Light *>{b, a}));

    Corvel::Light *found = nullptr;
    QVERIFY(QMetaObject::invokeMethod(&project, "object", Q_RETURN_ARG(Corvel::Light *, found), Q_ARG(int, 10)));
    QCOMPARE(found, a);
    QVERIFY(QMetaObject::invokeMethod(&project, "object", Q_RETURN_ARG(Corvel::Light *, found), Q_ARG(int, 11)));
    QCOMPARE(found, nullptr);
    QCOMPARE(a->parent(), &project);

    delete a;
    QCOMPARE(project.object(10), nullptr);
    QCOMPARE(project.lights(), QList<Corvel::Light *>{b});
}

QTEST_MAIN(TestLight)
#include "tst_light.moc"
