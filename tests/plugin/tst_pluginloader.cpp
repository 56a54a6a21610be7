// The built plugin module as the host sees it: metadata, meta methods, properties, instance.
#include <QFile>
#include <QJsonObject>
#include <QLibrary>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
const char *const PluginFile = OSTRIKG_PLUGIN_FILE;
const char *const PluginIid = "org.ostrik.Mirel.MapPlugin/1.0";

struct MethodRow
{
    QMetaMethod::MethodType kind;
    QMetaMethod::Access access;
    const char *signature;
    QList<QByteArray> parameterNames;
    const char *returnType;
};

const QList<MethodRow> &methodTable()
{
    static const QList<MethodRow> rows = {
        {QMetaMethod::Signal, QMetaMethod::Public, "networksUnloaded()", {}, "void"},
        {QMetaMethod::Slot, QMetaMethod::Private, "on_layerVisibleChanged(bool)", {"vis"}, "void"},
        {QMetaMethod::Slot, QMetaMethod::Private, "on_layerZChanged()", {}, "void"},
        {QMetaMethod::Slot, QMetaMethod::Private, "on_viewZoomChanged(int)", {""}, "void"},
        {QMetaMethod::Slot, QMetaMethod::Private, "on_viewMoved(int)", {""}, "void"},
        {QMetaMethod::Slot, QMetaMethod::Private, "on_tlDestroyed(QObject*)", {"tlo"}, "void"},
        {QMetaMethod::Slot, QMetaMethod::Private, "on_objectNotification(const Notification*)", {""}, "void"},
        {QMetaMethod::Slot, QMetaMethod::Private, "on_objectConnected(bool)", {""}, "void"},
        {QMetaMethod::Slot, QMetaMethod::Private, "on_objectResponseFinished()", {}, "void"},
        {QMetaMethod::Method, QMetaMethod::Public, "loadOstrik(QString,QGraphicsScene*,QObject*)",
         {"file_name", "scene", "project"}, "bool"},
        {QMetaMethod::Method, QMetaMethod::Public, "unloadAll()", {}, "void"},
        {QMetaMethod::Method, QMetaMethod::Public, "item2object(QGraphicsItem*)", {"item"}, "QObject*"},
        {QMetaMethod::Method, QMetaMethod::Public, "object2item(QObject*)", {"obj"}, "QGraphicsItem*"},
        {QMetaMethod::Method, QMetaMethod::Public, "setItemColor(QGraphicsItem*,QColor)", {"item", "clr"}, "void"},
        {QMetaMethod::Method, QMetaMethod::Public, "resetItemColor(QGraphicsItem*)", {"item"}, "void"},
        {QMetaMethod::Method, QMetaMethod::Public, "pulseItem(QGraphicsItem*,QColor,int)", {"item", "clr", "time_ms"}, "void"},
        {QMetaMethod::Method, QMetaMethod::Public, "granule(int)", {"gid"}, "QObject*"},
        {QMetaMethod::Method, QMetaMethod::Public, "findObjectByName(QString)", {"obj_name"}, "QObject*"},
        {QMetaMethod::Method, QMetaMethod::Public, "findItemByName(QString)", {"obj_name"}, "QGraphicsItem*"},
        {QMetaMethod::Method, QMetaMethod::Public, "showSettingsDialog(QWidget*)", {"parent"}, "void"},
        {QMetaMethod::Method, QMetaMethod::Public, "loadGpxTrack(QString)", {"file_name"}, "bool"},
        {QMetaMethod::Method, QMetaMethod::Public, "getTimelineData(QObject*)", {"route"}, "QVariantMap"},
    };
    return rows;
}

// The metadata block following the "QTMETADATA !" marker in the module file.
QByteArray metadataBlock(const QByteArray &file, int *markers)
{
    const QByteArray marker("QTMETADATA !");
    *markers = 0;
    QByteArray block;
    for (int at = file.indexOf(marker); at >= 0; at = file.indexOf(marker, at + 1)) {
        ++*markers;
        block = file.mid(at + marker.size(), 256);
    }
    return block;
}
} // namespace

class TestPluginLoader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void metadataAsTheLoaderReadsIt();
    void metadataBytes();
    void metaMethods_data();
    void metaMethods();
    void onlyTheListedMethods();
    void networksUnloadedIsTheFirstMethod();
    void properties();
    void instanceLifecycle();

private:
    QTemporaryDir settingsDir;
    QPluginLoader loader;
    const QMetaObject *meta = nullptr;
};

void TestPluginLoader::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QCoreApplication::setOrganizationName("OstrikTests");
    QCoreApplication::setApplicationName("tst_pluginloader");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings().clear();
    QSettings().setValue("ostrikPlugin/logLevel", 1);

    loader.setFileName(QString::fromUtf8(PluginFile));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    QObject *plugin = loader.instance();
    QVERIFY(plugin);
    meta = plugin->metaObject();
    QCOMPARE(meta->className(), "OstrikgPlugin");
    QCOMPARE(meta->superClass(), &QObject::staticMetaObject);
}

void TestPluginLoader::metadataAsTheLoaderReadsIt()
{
    const QJsonObject md = loader.metaData();
    QCOMPARE(md.value("IID").toString(), QString::fromLatin1(PluginIid));
    QCOMPARE(md.value("className").toString(), QStringLiteral("OstrikgPlugin"));
    QVERIFY(md.value("MetaData").toObject().isEmpty());
#ifdef QT_NO_DEBUG
    QCOMPARE(md.value("debug").toBool(), false);
#endif
}

void TestPluginLoader::metadataBytes()
{
    QFile file(QString::fromUtf8(PluginFile));
    QVERIFY(file.open(QIODevice::ReadOnly));
    int markers = 0;
    const QByteArray block = metadataBlock(file.readAll(), &markers);
    QCOMPARE(markers, 1);
    QVERIFY(block.size() > 8);
    QCOMPARE(quint8(block.at(0)), quint8(0));    // format
    QCOMPARE(quint8(block.at(1)), quint8(5));    // Qt major
    QCOMPARE(quint8(block.at(2)), quint8(15));   // Qt minor
#ifdef QT_NO_DEBUG
    QCOMPARE(quint8(block.at(3)), quint8(0));    // no architecture requirements in a release build
#endif
    QCOMPARE(quint8(block.at(4)), quint8(0xbf)); // CBOR map of undefined length

    // Key 2 (IID) and key 3 (class name), both text strings shorter than 24 bytes, then the end.
    int at = 5;
    auto text = [&](quint8 key) -> QByteArray {
        if (quint8(block.at(at++)) != key)
            return QByteArray("<wrong key>");
        const quint8 head = quint8(block.at(at++));
        if ((head & 0xe0) != 0x60)
            return QByteArray("<not text>");
        int len = head & 0x1f;
        if (len == 24)
            len = quint8(block.at(at++));
        const QByteArray s = block.mid(at, len);
        at += len;
        return s;
    };
    QCOMPARE(text(2), QByteArray(PluginIid));
    QCOMPARE(text(3), QByteArray("OstrikgPlugin"));
    QCOMPARE(quint8(block.at(at)), quint8(0xff)); // no user metadata (no key 4)
}

void TestPluginLoader::metaMethods_data()
{
    QTest::addColumn<int>("index");
    const QList<MethodRow> &rows = methodTable();
    for (int i = 0; i < rows.size(); ++i)
        QTest::newRow(rows.at(i).signature) << i;
}

void TestPluginLoader::metaMethods()
{
    QFETCH(int, index);
    const MethodRow &row = methodTable().at(index);
    const QMetaMethod m = meta->method(meta->methodOffset() + index);
    QVERIFY(m.isValid());
    QCOMPARE(m.methodSignature(), QByteArray(row.signature));
    QCOMPARE(m.methodType(), row.kind);
    QCOMPARE(m.access(), row.access);
    QCOMPARE(m.parameterNames(), row.parameterNames);
    QCOMPARE(QByteArray(m.typeName()), QByteArray(row.returnType));
    // The host finds each one by its normalized signature.
    QCOMPARE(meta->indexOfMethod(QMetaObject::normalizedSignature(row.signature)), meta->methodOffset() + index);
}

void TestPluginLoader::onlyTheListedMethods()
{
    QCOMPARE(meta->methodCount() - meta->methodOffset(), methodTable().size());
}

void TestPluginLoader::networksUnloadedIsTheFirstMethod()
{
    QCOMPARE(meta->indexOfSignal("networksUnloaded()") - meta->methodOffset(), 0);
    QCOMPARE(meta->indexOfSignal("networksUnloaded()"), meta->methodOffset());
}

void TestPluginLoader::properties()
{
    QCOMPARE(meta->propertyCount() - meta->propertyOffset(), 2);
    const QMetaProperty version = meta->property(meta->propertyOffset());
    QCOMPARE(version.name(), "moduleVersion");
    QCOMPARE(version.typeName(), "QString");
    QVERIFY(version.isReadable());
    QVERIFY(!version.isWritable());
    QVERIFY(version.isDesignable());
    QVERIFY(version.isScriptable());
    QVERIFY(version.isStored());
    QVERIFY(!version.hasNotifySignal());

    const QMetaProperty level = meta->property(meta->propertyOffset() + 1);
    QCOMPARE(level.name(), "loggingLevel");
    QCOMPARE(level.typeName(), "int");
    QVERIFY(level.isReadable());
    QVERIFY(level.isWritable());
    QVERIFY(level.isDesignable());
    QVERIFY(level.isScriptable());
    QVERIFY(level.isStored());

    QObject *plugin = loader.instance();
    QCOMPARE(plugin->property("moduleVersion").toString(), QStringLiteral("0.1.19"));
    QVERIFY(!plugin->setProperty("moduleVersion", "9.9"));
    QCOMPARE(plugin->property("moduleVersion").toString(), QStringLiteral("0.1.19"));
}

void TestPluginLoader::instanceLifecycle()
{
    QPointer<QObject> first = loader.instance();
    QVERIFY(first);
    QCOMPARE(loader.instance(), first.data());
    QCOMPARE(first->parent(), nullptr);

    // The exported instance function itself keeps the single object.
    QLibrary lib(QString::fromUtf8(PluginFile));
    using InstanceFunction = QObject *(*)();
    auto instance = reinterpret_cast<InstanceFunction>(lib.resolve("qt_plugin_instance"));
    QVERIFY(instance);
    QCOMPARE(instance(), first.data());
    QCOMPARE(instance(), first.data());

    // Settings are read once: the level came from them and writing it does not save it.
    QCOMPARE(first->property("loggingLevel").toInt(), 1);
    QVERIFY(first->setProperty("loggingLevel", 3));
    QCOMPARE(first->property("loggingLevel").toInt(), 3);
    QCOMPARE(QSettings().value("ostrikPlugin/logLevel").toInt(), 1);
    QSettings().setValue("ostrikPlugin/logLevel", 2);
    QCOMPARE(first->property("loggingLevel").toInt(), 3);

    first->setProperty("tst_marker", true);
    delete first.data();
    QVERIFY(first.isNull());

    QObject *second = instance();
    QVERIFY(second);
    QVERIFY(!second->property("tst_marker").isValid());
    QCOMPARE(second->property("loggingLevel").toInt(), 2); // a new object reads the settings again
    QCOMPARE(loader.instance(), second);
    QCOMPARE(instance(), second);
    delete second;
}

QTEST_MAIN(TestPluginLoader)
#include "tst_pluginloader.moc"
