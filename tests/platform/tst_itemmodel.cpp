// Host object tree stand-in: sections, rows, flags, destruction and selection forwarding.
#include <mirel/itemmodel.h>
#include <mirel/objecttreeitem.h>

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

namespace {
class RecordingItem : public ObjectTreeItem
{
public:
    using ObjectTreeItem::ObjectTreeItem;
    void setSelected(bool selected) override
    {
        ObjectTreeItem::setSelected(selected);
        calls.append(selected);
    }
    QList<bool> calls;
};

QObject *rowObject(const QString &description, int id, const QString &type, QObject *parent = nullptr)
{
    auto *obj = new RecordingItem(parent);
    obj->setProperty("description", description);
    obj->setProperty("id", id);
    obj->setProperty("type", type);
    return obj;
}
} // namespace

class TestItemModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void sectionsNestBySlash();
    void sectionNamesWithoutParts();
    void subSections();
    void objectRowsShowProperties();
    void rejectsNullAndForeignSections();
    void cellFlags();
    void destroyedObjectDropsItsRows();
    void clearSectionDeletesSectionsOnly();
    void selectionIsForwardedOncePerRow();
    void selectionOfSectionsIsNotForwarded();
    void destroyingSelectedObject();
    void foreignSelectionModelIsIgnored();
    void treeViewShowsNestedRows();
    void kernelHoldsTheModel();

private:
    Mirel::ItemModel *model = nullptr;
    QAbstractItemModelTester *tester = nullptr;
    QList<QObject *> owned;
};

void TestItemModel::init()
{
    model = new Mirel::ItemModel;
    tester = new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void TestItemModel::cleanup()
{
    delete tester;
    delete model;
    qDeleteAll(owned);
    owned.clear();
}

void TestItemModel::sectionsNestBySlash()
{
    QObject *ab = model->addSection("Road networks/a.ostka");
    QVERIFY(ab);
    QObject *a = model->section("Road networks");
    QVERIFY(a);
    QCOMPARE(model->section("Road networks/a.ostka"), ab);
    QCOMPARE(model->rowCount(), 1);
    const QModelIndex ai = model->indexOf(a);
    QCOMPARE(ai.data().toString(), QStringLiteral("Road networks"));
    QCOMPARE(model->rowCount(ai), 1);
    QCOMPARE(model->indexOf(ab).parent(), ai);
    QCOMPARE(model->indexOf(ab).data().toString(), QStringLiteral("a.ostka"));

    // Existing sections are found again, new siblings are appended.
    QCOMPARE(model->addSection("Road networks/a.ostka"), ab);
    QObject *b = model->addSection("Road networks/b.ostka");
    QVERIFY(b && b != ab);
    QCOMPARE(model->rowCount(ai), 2);
    QCOMPARE(model->addSection("Road networks"), a);
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->objectAt(model->index(1, 0, ai)), b);
}

void TestItemModel::sectionNamesWithoutParts()
{
    QCOMPARE(model->addSection(QString()), nullptr);
    QCOMPARE(model->addSection("//"), nullptr);
    QCOMPARE(model->rowCount(), 0);
    QObject *c = model->addSection("/A//C/");
    QVERIFY(c);
    QCOMPARE(model->section("A/C"), c);
}

void TestItemModel::subSections()
{
    QObject *s = model->addSection("Road networks/a.ostka");
    QObject *routes = model->addSubSection(s, "Routes");
    QVERIFY(routes);
    QCOMPARE(model->addSubSection(s, "Routes"), routes);
    QCOMPARE(model->addSubSection(s, QString()), nullptr);
    QCOMPARE(model->indexOf(routes).parent(), model->indexOf(s));
    QCOMPARE(model->indexOf(routes).data().toString(), QStringLiteral("Routes"));
    QCOMPARE(model->section("Road networks/a.ostka/Routes"), routes);
}

void TestItemModel::objectRowsShowProperties()
{
    QObject *routes = model->addSubSection(model->addSection("N/a"), "Routes");
    QObject *obj = rowObject("Main street", 42, "Route");
    owned << obj;
    Mirel::ItemObj *row = model->addObject(obj, routes);
    QVERIFY(row);
    QCOMPARE(row->object(), obj);
    const QModelIndex i = model->indexOf(obj);
    QCOMPARE(i.parent(), model->indexOf(routes));
    QCOMPARE(i.data().toString(), QStringLiteral("Main street"));
    QCOMPARE(i.siblingAtColumn(1).data().toInt(), 42);
    QCOMPARE(i.siblingAtColumn(2).data().toString(), QStringLiteral("Route"));
    QCOMPARE(model->columnCount(), 3);
    QCOMPARE(model->rowCount(i), 0);
    QCOMPARE(model->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Id"));
}

void TestItemModel::rejectsNullAndForeignSections()
{
    QObject *s = model->addSection("S");
    QObject stranger;
    Mirel::ItemModel other;
    QObject *foreign = other.addSection("S");
    QObject *obj = rowObject("x", 1, "t");
    owned << obj;

    QCOMPARE(model->addSubSection(nullptr, "R"), nullptr);
    QCOMPARE(model->addSubSection(&stranger, "R"), nullptr);
    QCOMPARE(model->addSubSection(foreign, "R"), nullptr);
    QCOMPARE(model->addObject(nullptr, s), nullptr);
    QCOMPARE(model->addObject(obj, nullptr), nullptr);
    QCOMPARE(model->addObject(obj, &stranger), nullptr);
    QCOMPARE(model->addObject(obj, foreign), nullptr);
    QCOMPARE(model->addObject(obj, obj), nullptr); // an object row is not a section
    QCOMPARE(model->rowCount(model->indexOf(s)), 0);
}

void TestItemModel::cellFlags()
{
    QObject *s = model->addSection("S");
    QObject *obj = rowObject("x", 1, "t");
    owned << obj;
    Mirel::ItemObj *row = model->addObject(obj, s);
    const QModelIndex i = model->indexOf(obj);
    for (int c = 0; c < 3; ++c)
        QCOMPARE(model->flags(i.siblingAtColumn(c)), Qt::ItemFlags(Qt::ItemIsEnabled));

    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    row->setFlags(0, Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    row->setFlags(2, Qt::NoItemFlags);
    row->setFlags(3, Qt::ItemIsEditable);  // no such column: ignored
    row->setFlags(-1, Qt::ItemIsEditable);
    QCOMPARE(model->flags(i), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QCOMPARE(model->flags(i.siblingAtColumn(1)), Qt::ItemFlags(Qt::ItemIsEnabled));
    QCOMPARE(model->flags(i.siblingAtColumn(2)), Qt::ItemFlags(Qt::NoItemFlags));
    QCOMPARE(row->flags(0), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), i);
    QCOMPARE(changed.at(1).at(0).value<QModelIndex>(), i.siblingAtColumn(2));
}

void TestItemModel::destroyedObjectDropsItsRows()
{
    QObject *s1 = model->addSection("S1");
    QObject *s2 = model->addSection("S2");
    QObject *keep = rowObject("keep", 1, "t");
    owned << keep;
    QObject *gone = rowObject("gone", 2, "t");
    model->addObject(keep, s1);
    model->addObject(gone, s1);
    model->addObject(gone, s2); // the same object in two places
    QCOMPARE(model->rowCount(model->indexOf(s1)), 2);

    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    delete gone;
    QCOMPARE(removed.count(), 2);
    QCOMPARE(model->rowCount(model->indexOf(s1)), 1);
    QCOMPARE(model->rowCount(model->indexOf(s2)), 0);
    QCOMPARE(model->index(0, 0, model->indexOf(s1)).data().toString(), QStringLiteral("keep"));
}

void TestItemModel::clearSectionDeletesSectionsOnly()
{
    QPointer<QObject> file = model->addSection("Road networks/a.ostka");
    QPointer<QObject> routes = model->addSubSection(file, "Routes");
    QPointer<QObject> top = model->section("Road networks");
    QPointer<QObject> obj = rowObject("r", 1, "Route");
    owned << obj;
    model->addObject(obj, routes);
    model->addSection("Other");

    model->clearSection("Missing"); // no-op
    QCOMPARE(model->rowCount(), 2);
    model->clearSection("Road networks");
    QCOMPARE(model->rowCount(), 1);
    QVERIFY(top.isNull());
    QVERIFY(file.isNull());
    QVERIFY(routes.isNull());
    QVERIFY(!obj.isNull());
    QVERIFY(!model->indexOf(obj).isValid());
    QCOMPARE(model->section("Road networks"), nullptr);
    // A new section of the same name starts empty.
    QObject *again = model->addSection("Road networks/a.ostka");
    QCOMPARE(model->rowCount(model->indexOf(again)), 0);
}

void TestItemModel::selectionIsForwardedOncePerRow()
{
    QObject *s = model->addSection("S");
    auto *a = static_cast<RecordingItem *>(rowObject("a", 1, "t"));
    auto *b = static_cast<RecordingItem *>(rowObject("b", 2, "t"));
    owned << a << b;
    model->addObject(a, s)->setFlags(0, Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    model->addObject(b, s)->setFlags(0, Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QItemSelectionModel selection(model);
    model->attachSelectionModel(&selection);

    const auto rows = QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    selection.select(model->indexOf(a), rows);
    QCOMPARE(a->calls, QList<bool>{true});
    QVERIFY(a->isSelected());
    selection.select(model->indexOf(b), rows);
    QCOMPARE(a->calls, (QList<bool>{true, false}));
    QCOMPARE(b->calls, QList<bool>{true});
    QVERIFY(!a->isSelected());

    // Deselecting one cell of a row that stays partly selected is no deselection.
    selection.select(model->indexOf(b).siblingAtColumn(2), QItemSelectionModel::Deselect);
    QCOMPARE(b->calls, QList<bool>{true});
    selection.clearSelection();
    QCOMPARE(b->calls, (QList<bool>{true, false}));
    QCOMPARE(a->calls.count(), 2);

    model->attachSelectionModel(nullptr);
    selection.select(model->indexOf(a), rows);
    QCOMPARE(a->calls.count(), 2);
}

void TestItemModel::selectionOfSectionsIsNotForwarded()
{
    QObject *s = model->addSection("S");
    auto *a = static_cast<RecordingItem *>(rowObject("a", 1, "t"));
    owned << a;
    model->addObject(a, s)->setFlags(0, Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QItemSelectionModel selection(model);
    model->attachSelectionModel(&selection);
    // Selecting the section (also recursively selecting nothing below it) tells no row.
    selection.select(model->indexOf(s), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(selection.isSelected(model->indexOf(s)));
    QVERIFY(a->calls.isEmpty());
    // Rows without a selectable cell cannot be selected at all.
    model->addObject(a, s);
    selection.select(model->index(1, 0, model->indexOf(s)), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(a->calls.isEmpty());
}

void TestItemModel::destroyingSelectedObject()
{
    QObject *s = model->addSection("S");
    auto *a = static_cast<RecordingItem *>(rowObject("a", 1, "t"));
    model->addObject(a, s)->setFlags(0, Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QItemSelectionModel selection(model);
    model->attachSelectionModel(&selection);
    selection.select(model->indexOf(a), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(a->calls, QList<bool>{true});
    delete a; // must not be told anything while it dies
    QCOMPARE(model->rowCount(model->indexOf(s)), 0);
    QVERIFY(!selection.hasSelection());
}

void TestItemModel::foreignSelectionModelIsIgnored()
{
    // A selection model of another model (a proxy, say) carries indexes that are not ours.
    Mirel::ItemModel other;
    auto *b = static_cast<RecordingItem *>(rowObject("b", 2, "t"));
    owned << b;
    other.addObject(b, other.addSection("S"))->setFlags(0, Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QItemSelectionModel foreign(&other);
    model->attachSelectionModel(&foreign);
    foreign.select(other.indexOf(b), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(foreign.isSelected(other.indexOf(b)));
    QVERIFY(b->calls.isEmpty());
}

void TestItemModel::treeViewShowsNestedRows()
{
    QObject *routes = model->addSubSection(model->addSection("Road networks/a.ostka"), "Routes");
    auto *a = static_cast<RecordingItem *>(rowObject("Route 1", 7, "Route"));
    owned << a;
    model->addObject(a, routes)->setFlags(0, Qt::ItemIsSelectable | Qt::ItemIsEnabled);

    QTreeView view;
    view.setModel(model);
    model->attachSelectionModel(view.selectionModel());
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.expandAll();
    const QModelIndex i = model->indexOf(a);
    const QRect r = view.visualRect(i);
    QVERIFY(!r.isEmpty());
    QCOMPARE(view.indexAt(r.center()), i);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QCOMPARE(a->calls, QList<bool>{true});
}

void TestItemModel::kernelHoldsTheModel()
{
    Mirel::Kernel kernel;
    QVERIFY(!kernel.property("itemModel").value<Mirel::ItemModel *>());
    auto *m = new Mirel::ItemModel;
    kernel.setItemModel(m);
    const QVariant v = kernel.property("itemModel");
    QCOMPARE(QByteArray(v.typeName()), QByteArray("Mirel::ItemModel*"));
    QCOMPARE(v.value<Mirel::ItemModel *>(), m);
    QVERIFY(kernel.inherits("Mirel::Kernel"));
    delete m;
    QVERIFY(!kernel.property("itemModel").value<Mirel::ItemModel *>());
}

QTEST_MAIN(TestItemModel)
#include "tst_itemmodel.moc"
