// Tests of CheckBoxDelegate: toggling, swallowed keys, locked and read-only marks, painting.
#include "settings/checkboxdelegate.h"

#include <QCheckBox>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QTableView>
#include <QtTest>

namespace {

const QColor Canvas(Qt::white);

struct Painted
{
    QImage image;
    QRect inked; // bounding box of the pixels that differ from the canvas
    int redPixels = 0;
};

Painted paintCell(const CheckBoxDelegate &delegate, const QModelIndex &index, const QSize &size,
                  QStyle::State state = QStyle::State_Enabled)
{
    Painted result;
    result.image = QImage(size, QImage::Format_ARGB32);
    result.image.fill(Canvas);
    {
        QPainter painter(&result.image);
        QStyleOptionViewItem option;
        option.rect = QRect(QPoint(0, 0), size);
        option.state = state;
        delegate.paint(&painter, option, index);
    }
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QColor c = result.image.pixelColor(x, y);
            if (c != Canvas)
                result.inked |= QRect(x, y, 1, 1);
            if (c.red() > 200 && c.green() < 110 && c.blue() < 110)
                ++result.redPixels;
        }
    }
    return result;
}

} // namespace

class TestCheckBoxDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void events_data();
    void events();
    void notToggled_data();
    void notToggled();
    void editorFunctions();
    void paintsCentredMark();
    void paintsState();
    void paintsLockOnlyWhenNotEditable();
    void paintsBackground();
    void paintsReadOnlyAndRadioDifferently();
    void disabledCellUsesBasePainting();

private:
    QStandardItemModel *model = nullptr;
};

void TestCheckBoxDelegate::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

void TestCheckBoxDelegate::init()
{
    model = new QStandardItemModel(2, 1);
    model->setData(model->index(0, 0), false);
    model->setData(model->index(1, 0), true);
    model->item(1)->setEditable(false);
}

void TestCheckBoxDelegate::cleanup()
{
    delete model;
    model = nullptr;
}

void TestCheckBoxDelegate::events_data()
{
    QTest::addColumn<int>("eventKind"); // 0 double-click, 1 space
    QTest::newRow("double-click") << 0;
    QTest::newRow("space") << 1;
}

void TestCheckBoxDelegate::events()
{
    QFETCH(int, eventKind);
    CheckBoxDelegate delegate;
    const QModelIndex index = model->index(0, 0);
    QMouseEvent dblClick(QEvent::MouseButtonDblClick, QPointF(5, 5), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QEvent *event = eventKind == 0 ? static_cast<QEvent *>(&dblClick) : &space;

    QVERIFY(delegate.editorEvent(event, model, QStyleOptionViewItem(), index));
    QCOMPARE(index.data(Qt::EditRole), QVariant(true));
    QVERIFY(delegate.editorEvent(event, model, QStyleOptionViewItem(), index));
    QCOMPARE(index.data(Qt::EditRole), QVariant(false));
}

void TestCheckBoxDelegate::notToggled_data()
{
    QTest::addColumn<int>("eventType");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("handled");

    QTest::newRow("single press") << int(QEvent::MouseButtonPress) << 0 << false << 0 << false;
    QTest::newRow("release") << int(QEvent::MouseButtonRelease) << 0 << false << 0 << false;
    QTest::newRow("key A swallowed") << int(QEvent::KeyPress) << int(Qt::Key_A) << false << 0 << true;
    QTest::newRow("F2 swallowed") << int(QEvent::KeyPress) << int(Qt::Key_F2) << false << 0 << true;
    QTest::newRow("Return swallowed") << int(QEvent::KeyPress) << int(Qt::Key_Return) << false << 0 << true;
    QTest::newRow("space release") << int(QEvent::KeyRelease) << int(Qt::Key_Space) << false << 0 << false;
    QTest::newRow("read-only, space") << int(QEvent::KeyPress) << int(Qt::Key_Space) << true << 0 << false;
    QTest::newRow("read-only, double-click") << int(QEvent::MouseButtonDblClick) << 0 << true << 0 << false;
    QTest::newRow("not editable, space") << int(QEvent::KeyPress) << int(Qt::Key_Space) << false << 1 << false;
    QTest::newRow("not editable, double-click") << int(QEvent::MouseButtonDblClick) << 0 << false << 1 << false;
}

void TestCheckBoxDelegate::notToggled()
{
    QFETCH(int, eventType);
    QFETCH(int, key);
    QFETCH(bool, readOnly);
    QFETCH(int, row);
    QFETCH(bool, handled);

    CheckBoxDelegate delegate(nullptr, false, readOnly);
    const QModelIndex index = model->index(row, 0);
    const QVariant before = index.data(Qt::EditRole);
    QScopedPointer<QEvent> event;
    if (eventType == QEvent::KeyPress || eventType == QEvent::KeyRelease)
        event.reset(new QKeyEvent(QEvent::Type(eventType), key, Qt::NoModifier));
    else
        event.reset(new QMouseEvent(QEvent::Type(eventType), QPointF(5, 5), Qt::LeftButton,
                                    Qt::LeftButton, Qt::NoModifier));
    QCOMPARE(delegate.editorEvent(event.data(), model, QStyleOptionViewItem(), index), handled);
    QCOMPARE(index.data(Qt::EditRole), before);
}

void TestCheckBoxDelegate::editorFunctions()
{
    CheckBoxDelegate delegate;
    QWidget parent;
    QScopedPointer<QWidget> editor(delegate.createEditor(&parent, QStyleOptionViewItem(), model->index(0, 0)));
    auto *box = qobject_cast<QCheckBox *>(editor.data());
    QVERIFY(box);
    QCOMPARE(box->parentWidget(), &parent);

    delegate.setEditorData(box, model->index(1, 0));
    QVERIFY(box->isChecked());
    delegate.setEditorData(box, model->index(0, 0));
    QVERIFY(!box->isChecked());

    box->setChecked(true);
    delegate.setModelData(box, model, model->index(0, 0));
    QCOMPARE(model->index(0, 0).data(Qt::EditRole), QVariant(true));
    QCOMPARE(model->index(0, 0).data(Qt::DisplayRole), QVariant(true));

    // Null event: a view opening an editor programmatically asks first without one.
    QVERIFY(!delegate.editorEvent(nullptr, model, QStyleOptionViewItem(), model->index(0, 0)));
}

void TestCheckBoxDelegate::paintsCentredMark()
{
    CheckBoxDelegate delegate;
    const Painted wide = paintCell(delegate, model->index(0, 0), QSize(120, 40));
    QVERIFY(!wide.inked.isEmpty());
    QVERIFY2(wide.inked.width() <= 18 && wide.inked.height() <= 18,
             qPrintable(QStringLiteral("%1 x %2").arg(wide.inked.width()).arg(wide.inked.height())));
    QVERIFY2(qAbs(wide.inked.center().x() - 60) <= 2 && qAbs(wide.inked.center().y() - 20) <= 2,
             qPrintable(QStringLiteral("centre %1, %2").arg(wide.inked.center().x()).arg(wide.inked.center().y())));

    // A low row: the mark shrinks to a square of the row height.
    const Painted low = paintCell(delegate, model->index(0, 0), QSize(120, 12));
    QVERIFY(!low.inked.isEmpty());
    QVERIFY(low.inked.width() <= 12);
    QVERIFY(low.inked.left() >= 60 - 7 && low.inked.right() <= 60 + 7);

    // A table row of 19 pixels (18 without the grid line): the box stays off the edges.
    const Painted row = paintCell(delegate, model->index(0, 0), QSize(50, 18));
    QVERIFY(!row.inked.isEmpty());
    QVERIFY2(row.inked.top() >= 1 && row.inked.bottom() <= 16,
             qPrintable(QStringLiteral("rows %1 to %2").arg(row.inked.top()).arg(row.inked.bottom())));
}

void TestCheckBoxDelegate::paintsState()
{
    CheckBoxDelegate delegate;
    const QModelIndex index = model->index(0, 0);
    const QImage off = paintCell(delegate, index, QSize(40, 20)).image;
    model->setData(index, true);
    const QImage on = paintCell(delegate, index, QSize(40, 20)).image;
    QVERIFY(off != on);
}

void TestCheckBoxDelegate::paintsLockOnlyWhenNotEditable()
{
    CheckBoxDelegate delegate;
    QCOMPARE(paintCell(delegate, model->index(0, 0), QSize(40, 20)).redPixels, 0);
    const Painted locked = paintCell(delegate, model->index(1, 0), QSize(40, 20));
    QVERIFY2(locked.redPixels > 20, qPrintable(QString::number(locked.redPixels)));
}

void TestCheckBoxDelegate::paintsBackground()
{
    CheckBoxDelegate delegate;
    model->setData(model->index(0, 0), QColor(Qt::green), Qt::BackgroundRole);
    const Painted painted = paintCell(delegate, model->index(0, 0), QSize(60, 20));
    QCOMPARE(painted.image.pixelColor(1, 1), QColor(Qt::green));
    QCOMPARE(painted.image.pixelColor(58, 18), QColor(Qt::green));

    model->setData(model->index(0, 0), QBrush(Qt::blue), Qt::BackgroundRole);
    QCOMPARE(paintCell(delegate, model->index(0, 0), QSize(60, 20)).image.pixelColor(1, 1),
             QColor(Qt::blue));

    // Something that is no brush leaves the cell as it was.
    model->setData(model->index(0, 0), QStringLiteral("not a brush"), Qt::BackgroundRole);
    QCOMPARE(paintCell(delegate, model->index(0, 0), QSize(60, 20)).image.pixelColor(1, 1), Canvas);
}

void TestCheckBoxDelegate::paintsReadOnlyAndRadioDifferently()
{
    const QModelIndex index = model->index(0, 0);
    model->setData(index, true);
    CheckBoxDelegate check;
    CheckBoxDelegate readOnly(nullptr, false, true);
    CheckBoxDelegate radio(nullptr, true, false);
    const QImage checkImage = paintCell(check, index, QSize(40, 20)).image;
    QVERIFY(checkImage != paintCell(readOnly, index, QSize(40, 20)).image);
    QVERIFY(checkImage != paintCell(radio, index, QSize(40, 20)).image);
    QVERIFY(paintCell(radio, model->index(1, 0), QSize(40, 20)).redPixels > 20);
}

void TestCheckBoxDelegate::disabledCellUsesBasePainting()
{
    CheckBoxDelegate delegate;
    const QModelIndex index = model->index(0, 0);
    const Painted disabled = paintCell(delegate, index, QSize(80, 20), QStyle::State_None);
    const Painted enabled = paintCell(delegate, index, QSize(80, 20));
    // The base delegate draws the value as text from the left edge, not a centred mark.
    QVERIFY(!disabled.inked.isEmpty());
    QVERIFY2(disabled.inked.left() < enabled.inked.left(),
             qPrintable(QStringLiteral("%1 vs %2").arg(disabled.inked.left()).arg(enabled.inked.left())));
}

QTEST_MAIN(TestCheckBoxDelegate)
#include "tst_checkboxdelegate.moc"
