// FileCheck::readAll: the whole content in one buffer, whatever the size the file claimed.
#include <filecheck.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

class TestFileCheck : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readAllGivesTheWholeContent_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one byte") << QByteArray("x");
        QByteArray big(3 * int(FileCheck::MiB) + 17, Qt::Uninitialized);
        QRandomGenerator gen(7);
        for (char &c : big)
            c = char(gen.bounded(256));
        QTest::newRow("3 MiB and 17 bytes") << big;
    }

    void readAllGivesTheWholeContent()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("data.ostka"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(content) == content.size());
        out.close();
        QByteArray data("stale");
        QString error;
        QVERIFY2(FileCheck::readAll(file, FileCheck::Kind::Network, &data, &error), qPrintable(error));
        QCOMPARE(data.size(), content.size());
        QVERIFY(data == content);
        QVERIFY(error.isEmpty());
    }

    // Files of /proc say they are empty and have content all the same: the buffer grows.
    void fileLargerThanItsSizeIsReadWhole()
    {
        const QString file = QStringLiteral("/proc/self/cmdline");
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray expected = f.readAll();
        QCOMPARE(QFileInfo(file).size(), qint64(0));
        QVERIFY(!expected.isEmpty());
        QByteArray data;
        QString error;
        QVERIFY2(FileCheck::readAll(file, FileCheck::Kind::Settings, &data, &error), qPrintable(error));
        QCOMPARE(data, expected);
    }
};

QTEST_GUILESS_MAIN(TestFileCheck)
#include "tst_filecheck.moc"
