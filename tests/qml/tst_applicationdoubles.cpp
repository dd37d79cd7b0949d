// The doubles of `_application` that the QML tests run against, held to the real application object:
// whatever they share by name with it (signals, properties' notify signals, invokable methods) has its
// shape, so a view that works against a double works against the program. Names only a double has
// (a test's own helpers) are free.

#include "Quendle/Runner/Application.h"
#include "tests/qml/FakeApplication.h"
#include "tests/qml/ViewApplication.h"

#include <QMetaMethod>
#include <QMetaObject>
#include <QtTest>

Q_DECLARE_METATYPE(const QMetaObject*)

namespace
{

QString Shape(const QMetaMethod& method)
{
    return QLatin1String(method.methodType() == QMetaMethod::Signal ? "signal " : "method ")
        + QString::fromLatin1(method.methodSignature());
}

/// The public methods of `meta` below QObject's named `name`, as "signal f(int)" or "method f(int)".
QStringList Shapes(const QMetaObject& meta, const QByteArray& name)
{
    QStringList shapes;
    for (int i = QObject::staticMetaObject.methodCount(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.name() == name && method.access() == QMetaMethod::Public)
            shapes.append(Shape(method));
    }
    return shapes;
}

/// Every public method of the double whose name the real object has with other shapes only.
QStringList Drift(const QMetaObject& real, const QMetaObject& fake)
{
    QStringList drift;
    for (int i = QObject::staticMetaObject.methodCount(); i < fake.methodCount(); ++i) {
        const QMetaMethod method = fake.method(i);
        const QStringList realShapes = Shapes(real, method.name());
        if (method.access() == QMetaMethod::Public && !realShapes.isEmpty() && !realShapes.contains(Shape(method)))
            drift.append(Shape(method) + " (real: " + realShapes.join(", ") + ")");
    }
    return drift;
}

} // namespace

class tst_ApplicationDoubles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameShapeAsTheApplication_data();
    void sameShapeAsTheApplication();
};

void tst_ApplicationDoubles::sameShapeAsTheApplication_data()
{
    QTest::addColumn<const QMetaObject*>("fake");
    QTest::newRow("the pages' double") << &cFakeApplication::staticMetaObject;
    QTest::newRow("the views' double") << &cViewApplication::staticMetaObject;
}

void tst_ApplicationDoubles::sameShapeAsTheApplication()
{
    QFETCH(const QMetaObject*, fake);
    const QStringList drift = Drift(cApplication::staticMetaObject, *fake);
    QVERIFY2(drift.isEmpty(), qPrintable(drift.join("; ")));
}

QTEST_GUILESS_MAIN(tst_ApplicationDoubles)
#include "tst_applicationdoubles.moc"
