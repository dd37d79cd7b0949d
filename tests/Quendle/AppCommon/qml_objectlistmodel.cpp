// Fakes for the list-model QML test: a list of named rows that the test changes from QML.

#include "Quendle/AppCommon/AppCommonQml.h"
#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "tests/support/QuickTestMain.h"

#include <QtQml>

class cFixtureRow : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name NOTIFY nameChanged)

public:
    explicit cFixtureRow(const QString& name)
        : mName(name)
    {
    }
    QString name() const { return mName; }
    void SetName(const QString& name)
    {
        if (name != mName) {
            mName = name;
            Q_EMIT nameChanged();
        }
    }

Q_SIGNALS:
    void nameChanged();

private:
    QString mName;
};

class cListFixture : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QQmlObjectListModelBase* model READ model CONSTANT)

public:
    QQmlObjectListModelBase* model() { return &mModel; }

    Q_INVOKABLE void insertRow(int idx, const QString& name) { mModel.insert(idx, new cFixtureRow(name)); }
    Q_INVOKABLE void rename(int idx, const QString& name)
    {
        if (cFixtureRow* row = mModel.at(idx))
            row->SetName(name);
    }

private:
    QQmlObjectListModel<cFixtureRow> mModel { this };
};

void RegisterQuickTestTypes(QQmlEngine*)
{
    Quendle::RegisterAppCommonQmlTypes();
    qmlRegisterType<cListFixture>("ZUQmlTest", 1, 0, "ListFixture");
}

#include "qml_objectlistmodel.moc"
