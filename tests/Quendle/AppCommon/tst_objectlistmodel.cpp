#include "Quendle/AppCommon/QQmlObjectListModel.h"

#include <QAbstractItemModelTester>
#include <QJSEngine>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

class cListItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(int level READ level WRITE setLevel NOTIFY levelChanged)
    Q_PROPERTY(int quiet READ quiet WRITE setQuiet)

public:
    explicit cListItem(const QString& name = QString(), QObject* parent = nullptr)
        : QObject(parent)
        , mName(name)
    {
    }
    QString name() const { return mName; }
    int level() const { return mLevel; }
    int quiet() const { return mQuiet; }
    void setName(const QString& name)
    {
        if (name != mName) {
            mName = name;
            Q_EMIT nameChanged();
        }
    }
    void setLevel(int level)
    {
        if (level != mLevel) {
            mLevel = level;
            Q_EMIT levelChanged();
        }
    }
    void setQuiet(int quiet) { mQuiet = quiet; }

Q_SIGNALS:
    void nameChanged();
    void levelChanged();

private:
    QString mName;
    int mLevel = 0;
    int mQuiet = 0;
};

class cOtherItem : public QObject
{
    Q_OBJECT
};

// "index" is a name QML keeps for itself.
class cIndexedItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int index READ index CONSTANT)
    Q_PROPERTY(int after READ after CONSTANT)
public:
    int index() const { return 0; }
    int after() const { return 1; }
};

using tModel = QQmlObjectListModel<cListItem>;

namespace
{
// Role of the first property of cListItem: after "objectName".
constexpr int kNameRole = Qt::UserRole + 2;
constexpr int kLevelRole = Qt::UserRole + 3;
constexpr int kQuietRole = Qt::UserRole + 4;

QStringList Names(const tModel& model)
{
    QStringList names;
    for (cListItem* item : model.toList())
        names << item->name();
    return names;
}
} // namespace

class tst_ObjectListModel : public QObject
{
    Q_OBJECT

private:
    // Every model of a test runs under the tester, which aborts on any broken model contract.
    std::unique_ptr<tModel> MakeModel(QStringList names = {})
    {
        auto model = std::make_unique<tModel>();
        mTester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        for (const QString& name : names)
            model->append(new cListItem(name));
        return model;
    }
    std::unique_ptr<QAbstractItemModelTester> mTester;

private Q_SLOTS:
    void cleanup() { mTester.reset(); }

    void rolesFollowTheItemProperties()
    {
        auto model = MakeModel();
        const QHash<int, QByteArray> roles = model->roleNames();
        QCOMPARE(roles.value(Qt::UserRole), QByteArray("qtObject"));
        QCOMPARE(roles.value(Qt::UserRole + 1), QByteArray("objectName"));
        QCOMPARE(roles.value(kNameRole), QByteArray("name"));
        QCOMPARE(roles.value(kLevelRole), QByteArray("level"));
        QCOMPARE(roles.value(kQuietRole), QByteArray("quiet"));
        QVERIFY(!roles.contains(Qt::DisplayRole));
        QCOMPARE(model->roleForName("objectName"), 257);
        QCOMPARE(model->roleForName("name"), kNameRole);
        QCOMPARE(model->roleForName("Name"), -1);
        QCOMPARE(QQmlObjectListModel<cOtherItem>().roleForName("objectName"), 257);
    }

    void forbiddenRoleNameWarnsAndKeepsItsNumber()
    {
        QTest::ignoreMessage(QtWarningMsg, "Can't have index as a role name in QQmlObjectListModel<cIndexedItem>");
        QQmlObjectListModel<cIndexedItem> model;
        QCOMPARE(model.roleForName("index"), -1);
        QCOMPARE(model.roleForName("after"), Qt::UserRole + 3);
        // Once per model made.
        QTest::ignoreMessage(QtWarningMsg, "Can't have index as a role name in QQmlObjectListModel<cIndexedItem>");
        QQmlObjectListModel<cIndexedItem> second;
        QCOMPARE(second.roleForName("after"), Qt::UserRole + 3);
    }

    void dataAndSetData()
    {
        auto model = MakeModel({ "a", "b" });
        const QModelIndex second = model->index(1, 0);
        QCOMPARE(model->data(second, kNameRole).toString(), QString("b"));
        QCOMPARE(model->data(second, Qt::UserRole).value<QObject*>(), model->get(1));
        QVERIFY(!model->data(second, Qt::DisplayRole).isValid());
        QVERIFY(!model->data(second, 9999).isValid());
        QVERIFY(!model->data(model->index(2, 0), kNameRole).isValid());

        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        QVERIFY(model->setData(second, "B", kNameRole));
        QCOMPARE(model->toList().at(1)->name(), QString("B"));
        // The item's own signal reports it, once.
        QCOMPARE(changed.count(), 1);
        QVERIFY(!model->setData(second, QVariant(), Qt::UserRole));
        QVERIFY(!model->setData(second, 1, 9999));
        QVERIFY(!model->setData(model->index(5, 0), "x", kNameRole));
    }

    void insertsAnnounceRowsAndCount()
    {
        auto model = MakeModel();
        QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
        QSignalSpy count(model.get(), &QQmlObjectListModelBase::countChanged);

        model->insert(0, new cListItem("b"));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 0);
        QCOMPARE(count.count(), 1);
        model->append(new cListItem("d"));
        model->prepend(new cListItem("a"));
        model->insert(2, static_cast<QObject*>(new cListItem("c")));
        QCOMPARE(Names(*model), QStringList({ "a", "b", "c", "d" }));
        QCOMPARE(model->count(), 4);
        QCOMPARE(model->size(), 4);
        QCOMPARE(count.count(), 4);

        inserted.clear();
        count.clear();
        model->append(static_cast<cListItem*>(nullptr));
        cOtherItem other;
        model->append(&other);
        model->insert(9, new cListItem("out of range", model.get()));
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(count.count(), 0);
        QCOMPARE(model->count(), 4);
    }

    void anItemIsInTheListOnce()
    {
        auto model = MakeModel({ "a" });
        QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
        cListItem* a = model->toList().first();
        model->append(a);
        model->append(QList<cListItem*> { a });
        QCOMPARE(inserted.count(), 0);
        model->remove(0);
        QCOMPARE(model->count(), 0);
    }

    void appendList()
    {
        auto model = MakeModel({ "a" });
        QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
        QSignalSpy count(model.get(), &QQmlObjectListModelBase::countChanged);
        model->append(QList<cListItem*> { new cListItem("b"), nullptr, new cListItem("c") });
        QCOMPARE(Names(*model), QStringList({ "a", "b", "c" }));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 1);
        QCOMPARE(inserted.at(0).at(2).toInt(), 2);
        QCOMPARE(count.count(), 1);
        model->append(QList<cListItem*>());
        QCOMPARE(inserted.count(), 1);
    }

    void move_data()
    {
        QTest::addColumn<int>("idx");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("moved");
        const QStringList same { "A", "B", "C", "D" };
        QTest::newRow("down two") << 1 << 3 << QStringList({ "A", "C", "B", "D" }) << true;
        QTest::newRow("up two") << 3 << 1 << QStringList({ "A", "D", "B", "C" }) << true;
        QTest::newRow("to the end") << 0 << 4 << QStringList({ "B", "C", "D", "A" }) << true;
        QTest::newRow("to the front") << 3 << 0 << QStringList({ "D", "A", "B", "C" }) << true;
        QTest::newRow("onto itself") << 2 << 2 << same << false;
        // Before its own successor: no move at all, and no unbalanced begin/end.
        QTest::newRow("before its successor") << 1 << 2 << same << false;
        QTest::newRow("last before the end") << 3 << 4 << same << false;
        QTest::newRow("source out of range") << 4 << 0 << same << false;
        QTest::newRow("negative source") << -1 << 2 << same << false;
        QTest::newRow("destination out of range") << 0 << 5 << same << false;
    }

    void move()
    {
        QFETCH(int, idx);
        QFETCH(int, pos);
        QFETCH(QStringList, expected);
        QFETCH(bool, moved);
        auto model = MakeModel({ "A", "B", "C", "D" });
        QSignalSpy aboutToMove(model.get(), &QAbstractItemModel::rowsAboutToBeMoved);
        QSignalSpy movedRows(model.get(), &QAbstractItemModel::rowsMoved);
        QSignalSpy count(model.get(), &QQmlObjectListModelBase::countChanged);
        model->move(idx, pos);
        QCOMPARE(Names(*model), expected);
        QCOMPARE(aboutToMove.count(), moved ? 1 : 0);
        QCOMPARE(movedRows.count(), moved ? 1 : 0);
        QCOMPARE(count.count(), 0);
        // Still a working model afterwards.
        model->append(new cListItem("E"));
        QCOMPARE(model->count(), 5);
    }

    void removeAndClear()
    {
        auto model = MakeModel({ "a", "b", "c" });
        QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy count(model.get(), &QQmlObjectListModelBase::countChanged);

        model->remove(5);
        model->remove(-1);
        cListItem stranger("x");
        model->remove(&stranger);
        model->remove(static_cast<QObject*>(nullptr));
        QCOMPARE(removed.count(), 0);
        QCOMPARE(count.count(), 0);

        model->remove(model->get(1));
        QCOMPARE(Names(*model), QStringList({ "a", "c" }));
        QCOMPARE(count.count(), 1);

        removed.clear();
        count.clear();
        model->append(new cListItem("d"));
        count.clear();
        model->clear();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        QCOMPARE(removed.at(0).at(2).toInt(), 2);
        QCOMPARE(count.count(), 1);
        QVERIFY(model->isEmpty());

        removed.clear();
        count.clear();
        model->clear();
        QCOMPARE(removed.count(), 0);
        QCOMPARE(count.count(), 0);
    }

    void ownership()
    {
        auto model = MakeModel();
        QObject owner;
        QPointer<cListItem> adopted = new cListItem("adopted");
        QPointer<cListItem> foreign = new cListItem("foreign", &owner);
        model->append(adopted.data());
        model->append(foreign.data());
        QCOMPARE(adopted->parent(), model.get());
        QCOMPARE(foreign->parent(), &owner);
        model->clear();
        QVERIFY(!adopted.isNull());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(adopted.isNull());
        QVERIFY(!foreign.isNull());
        // A removed item no longer reports to the model.
        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        foreign->setName("changed");
        QCOMPARE(changed.count(), 0);
    }

    void propertyChangesShowAsDataChanged()
    {
        auto model = MakeModel({ "a", "b", "c" });
        cListItem* b = model->toList().at(1);
        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        b->setLevel(7);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), model->index(1, 0));
        QCOMPARE(changed.at(0).at(1).toModelIndex(), model->index(1, 0));
        QCOMPARE(changed.at(0).at(2).value<QVector<int>>(), QVector<int>({ kLevelRole }));
        // Without a notify signal the data changes silently.
        b->setQuiet(3);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model->data(model->index(1, 0), kQuietRole).toInt(), 3);
        // After a move the row follows the item.
        model->move(1, 0);
        changed.clear();
        b->setName("B");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), model->index(0, 0));
    }

    void listenersThatComeLaterHearChanges_data()
    {
        QTest::addColumn<bool>("listenFirst");
        QTest::addColumn<int>("listeners");
        QTest::newRow("listener before the items") << true << 1;
        QTest::newRow("listener after the items") << false << 1;
        QTest::newRow("two listeners after the items") << false << 2;
    }

    void listenersThatComeLaterHearChanges()
    {
        QFETCH(bool, listenFirst);
        QFETCH(int, listeners);

        // No tester here: it would listen from the start.
        tModel model;
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        auto listen = [&] {
            for (int i = 0; i < listeners; ++i)
                spies.push_back(std::make_unique<QSignalSpy>(&model, &QAbstractItemModel::dataChanged));
        };
        if (listenFirst)
            listen();
        model.append(new cListItem("a"));
        model.append(new cListItem("b"));
        model.toList().at(0)->setLevel(1);
        if (!listenFirst)
            listen();
        model.append(new cListItem("c"));

        for (cListItem* item : model.toList())
            item->setLevel(item->level() + 2);
        for (const auto& spy : spies) {
            QCOMPARE(spy->count(), listenFirst ? 4 : 3);
            QCOMPARE(spy->last().at(0).toModelIndex(), model.index(2, 0));
        }
        // Leaving the list still ends the reports.
        cListItem* b = model.toList().at(1);
        model.remove(1);
        b->setLevel(9);
        QCOMPARE(spies.front()->count(), listenFirst ? 4 : 3);
    }

    void displayAndUidRoles()
    {
        tModel model(nullptr, "name", "name");
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        QCOMPARE(model.roleNames().value(Qt::DisplayRole), QByteArray("display"));
        auto* a = new cListItem("a");
        model.append(a);
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QString("a"));
        QCOMPARE(model.get(QString("a")), a);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        a->setName("z");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(2).value<QVector<int>>(), QVector<int>({ kNameRole, Qt::DisplayRole }));
        QCOMPARE(model.get(QString("a")), nullptr);
        QCOMPARE(model.get(QString("z")), a);
        model.remove(a);
        QCOMPARE(model.get(QString("z")), nullptr);
    }

    void emptyAccessorsAndArrays()
    {
        auto model = MakeModel();
        QCOMPARE(model->getFirst(), nullptr);
        QCOMPARE(model->getLast(), nullptr);
        QCOMPARE(model->get(0), nullptr);
        QCOMPARE(model->get(QString("a")), nullptr);
        model->append(new cListItem("a"));
        model->append(new cListItem("b"));
        QCOMPARE(model->get(-1), nullptr);
        QCOMPARE(model->get(2), nullptr);
        QCOMPARE(qobject_cast<cListItem*>(model->getFirst())->name(), QString("a"));
        QCOMPARE(qobject_cast<cListItem*>(model->getLast())->name(), QString("b"));
        QVERIFY(model->contains(model->get(1)));
        QCOMPARE(model->indexOf(model->get(1)), 1);
        cOtherItem other;
        QVERIFY(!model->contains(&other));
        QCOMPARE(model->indexOf(&other), -1);

        const QVariantList array = model->toVarArray();
        QCOMPARE(array.count(), 2);
        QCOMPARE(array.at(1).value<cListItem*>(), model->toList().at(1));
        QCOMPARE(QByteArray(array.at(1).typeName()), QByteArray("cListItem*"));
    }

    void mapCallsTheFunctionForEveryItem()
    {
        QJSEngine engine;
        auto model = MakeModel({ "a", "b" });
        QQmlEngine::setObjectOwnership(model.get(), QQmlEngine::CppOwnership);
        engine.globalObject().setProperty("model", engine.newQObject(model.get()));
        QJSValue result = engine.evaluate("var seen = []; model.map(function(item) { seen.push(item.name); }); "
                                          "seen.join(',')");
        QVERIFY2(!result.isError(), qPrintable(result.toString()));
        QCOMPARE(result.toString(), QString("a,b"));
        // The engine did not take the items.
        engine.collectGarbage();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(model->count(), 2);
        QCOMPARE(model->toList().at(0)->name(), QString("a"));
    }
};

QTEST_GUILESS_MAIN(tst_ObjectListModel)
#include "tst_objectlistmodel.moc"
