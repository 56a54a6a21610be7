// Host map scene stand-in: layers made by name, their visibility and z signals.
#include <mirel/mapscene.h>

#include <QSignalSpy>
#include <QTest>

namespace {
QGraphicsObject *addLayerByName(QGraphicsScene *scene, const QString &name)
{
    QGraphicsObject *layer = nullptr;
    if (!QMetaObject::invokeMethod(scene, "addLayer", Q_RETURN_ARG(QGraphicsObject *, layer), Q_ARG(QString, name)))
        return nullptr;
    return layer;
}
} // namespace

class TestMapScene : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addLayerByNameStacksOnTop();
    void visibleChangedFollowsTheFlag();
    void visibleChangedThroughParent();
    void zChanged();
    void callerOwnsTheLayer();
};

void TestMapScene::addLayerByNameStacksOnTop()
{
    Mirel::MapScene scene;
    QVERIFY(scene.sceneRect().contains(QPointF(13.4, 52.5)));
    QGraphicsObject *a = addLayerByName(&scene, "Ostrik");
    QGraphicsObject *b = addLayerByName(&scene, "Other");
    QVERIFY(a && b);
    QCOMPARE(a->objectName(), QStringLiteral("Ostrik"));
    QCOMPARE(a->scene(), &scene);
    QCOMPARE(a->parentItem(), nullptr);
    QVERIFY(a->isVisible());
    QVERIFY(b->zValue() > a->zValue());
    delete a;
    delete b;
}

void TestMapScene::visibleChangedFollowsTheFlag()
{
    Mirel::MapScene scene;
    QGraphicsObject *layer = addLayerByName(&scene, "Ostrik");
    QSignalSpy spy(layer, SIGNAL(visibleChanged(bool)));
    QVERIFY(spy.isValid());
    layer->setVisible(true); // unchanged
    QCOMPARE(spy.count(), 0);
    layer->setVisible(false);
    layer->setVisible(false);
    layer->setVisible(true);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toBool(), false);
    QCOMPARE(spy.at(1).at(0).toBool(), true);
    delete layer;
}

void TestMapScene::visibleChangedThroughParent()
{
    Mirel::MapScene scene;
    QGraphicsObject *outer = addLayerByName(&scene, "outer");
    Mirel::MapLayer inner("inner", outer);
    QSignalSpy spy(&inner, SIGNAL(visibleChanged(bool)));
    outer->setVisible(false);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), false);
    QVERIFY(!inner.isVisible());
    inner.setParentItem(nullptr);
    delete outer;
}

void TestMapScene::zChanged()
{
    Mirel::MapScene scene;
    QGraphicsObject *layer = addLayerByName(&scene, "Ostrik");
    QSignalSpy spy(layer, SIGNAL(zChanged()));
    QVERIFY(spy.isValid());
    layer->setZValue(layer->zValue() + 3);
    layer->setZValue(layer->zValue());
    QCOMPARE(spy.count(), 1);
    delete layer;
}

void TestMapScene::callerOwnsTheLayer()
{
    auto *scene = new Mirel::MapScene;
    QPointer<QGraphicsObject> layer = addLayerByName(scene, "Ostrik");
    delete layer.data(); // the owner deletes it; the scene forgets it
    QVERIFY(scene->items().isEmpty());
    delete scene;
}

QTEST_MAIN(TestMapScene)
#include "tst_mapscene.moc"
