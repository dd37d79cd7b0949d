#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QJSEngine>
#include <QJSValue>
#include <QList>
#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaProperty>
#include <QMetaType>
#include <QObject>
#include <QQmlEngine>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVector>

/// The operations of every object list model, invokable from QML. Rows are QObjects; roles are the
/// Qt properties of the item class.
class QQmlObjectListModelBase : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    explicit QQmlObjectListModelBase(QObject* parent = nullptr)
        : QAbstractListModel(parent)
    {
    }

public Q_SLOTS:
    virtual int size() const = 0;
    virtual int count() const = 0;
    virtual bool isEmpty() const = 0;
    virtual bool contains(QObject* item) const = 0;
    virtual int indexOf(QObject* item) const = 0;
    virtual int roleForName(const QByteArray& name) const = 0;
    virtual void clear() = 0;
    virtual void append(QObject* item) = 0;
    virtual void prepend(QObject* item) = 0;
    virtual void insert(int idx, QObject* item) = 0;
    virtual void move(int idx, int pos) = 0;
    virtual void remove(QObject* item) = 0;
    virtual void remove(int idx) = 0;
    virtual QObject* get(int idx) const = 0;
    virtual QObject* get(const QString& uid) const = 0;
    virtual QObject* getFirst() const = 0;
    virtual QObject* getLast() const = 0;
    virtual QVariantList toVarArray() const = 0;
    virtual void map(QJSValue Function) = 0;

protected Q_SLOTS:
    virtual void onItemPropertyChanged() = 0;

Q_SIGNALS:
    void countChanged();

protected:
    /// Names QML keeps for itself: a property of that name gets no role.
    static bool IsForbiddenRoleName(const QByteArray& name);
    /// Logs "Can't have <name> as a role name in <model class>".
    static void WarnForbiddenRoleName(const QByteArray& name, const QByteArray& modelClassName);
};

/// A list of T (a QObject class) for QML: role 256 "qtObject" is the item, and every property of T
/// from "objectName" on has the role 257 + its property index. A change of a notifying property
/// shows as dataChanged of its row. An item without a parent becomes the model's child and is
/// deleted (later) when it leaves the model; items with another parent are never deleted here.
template <class T> class QQmlObjectListModel : public QQmlObjectListModelBase
{
public:
    static constexpr int kBaseRole = Qt::UserRole;

    explicit QQmlObjectListModel(QObject* parent = nullptr, const QByteArray& displayRole = QByteArray(),
        const QByteArray& uidRole = QByteArray())
        : QQmlObjectListModelBase(parent)
        , mCount(0)
        , mUidRoleName(uidRole)
        , mDispRoleName(displayRole)
        , mMetaObj(T::staticMetaObject)
        , mItemsConnected(!uidRole.isEmpty())
    {
        static const QByteArray modelClassName
            = QByteArray("QQmlObjectListModel<") + T::staticMetaObject.className() + '>';
        static const int pointerTypeId
            = qRegisterMetaType<T*>(QByteArray(T::staticMetaObject.className()).append('*').constData());
        Q_UNUSED(pointerTypeId);

        mHandlerIdx = metaObject()->indexOfMethod("onItemPropertyChanged()");
        if (!mDispRoleName.isEmpty())
            mRoles.insert(Qt::DisplayRole, QByteArrayLiteral("display"));
        mRoles.insert(kBaseRole, QByteArrayLiteral("qtObject"));
        const int propertyCount = mMetaObj.propertyCount();
        for (int propertyIdx = 0, role = kBaseRole + 1; propertyIdx < propertyCount; ++propertyIdx, ++role) {
            const QMetaProperty property = mMetaObj.property(propertyIdx);
            const QByteArray propertyName(property.name());
            if (IsForbiddenRoleName(propertyName)) {
                WarnForbiddenRoleName(propertyName, modelClassName);
                continue;
            }
            mRoles.insert(role, propertyName);
            if (property.hasNotifySignal()) {
                mSignalIdxToRole.insert(property.notifySignalIndex(), role);
                if (!mNotifySignals.contains(property.notifySignalIndex()))
                    mNotifySignals.append(property.notifySignalIndex());
            }
        }
    }

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : mItems.count();
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        T* item = At(index);
        const QByteArray roleName = (role == Qt::DisplayRole) ? mDispRoleName : mRoles.value(role);
        if (item == nullptr || roleName.isEmpty())
            return QVariant();
        if (role == kBaseRole)
            return QVariant::fromValue(static_cast<QObject*>(item));
        return item->property(roleName.constData());
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        T* item = At(index);
        const QByteArray roleName = (role == Qt::DisplayRole) ? mDispRoleName : mRoles.value(role);
        if (item == nullptr || role == kBaseRole || roleName.isEmpty())
            return false;
        return item->setProperty(roleName.constData(), value);
    }

    QHash<int, QByteArray> roleNames() const override { return mRoles; }

    // For the system's own code.
    const QList<T*>& toList() const { return mItems; }
    T* at(int idx) const { return (idx >= 0 && idx < mItems.count()) ? mItems.at(idx) : nullptr; }

    void append(T* item) { insert(mItems.count(), item); }
    void prepend(T* item) { insert(0, item); }
    void insert(int idx, T* item)
    {
        // An item already in the list would share its connections and be deleted with its first row.
        if (item == nullptr || idx < 0 || idx > mItems.count() || mItems.contains(item))
            return;
        beginInsertRows(QModelIndex(), idx, idx);
        mItems.insert(idx, item);
        ReferenceItem(item);
        endInsertRows();
        UpdateCounter();
    }

    /// Appends the items in order as one insertion.
    void append(const QList<T*>& items)
    {
        QList<T*> accepted;
        accepted.reserve(items.count());
        for (T* item : items) {
            if (item != nullptr && !mItems.contains(item) && !accepted.contains(item))
                accepted.append(item);
        }
        if (accepted.isEmpty())
            return;
        const int first = mItems.count();
        beginInsertRows(QModelIndex(), first, first + accepted.count() - 1);
        mItems.append(accepted);
        for (T* item : accepted)
            ReferenceItem(item);
        endInsertRows();
        UpdateCounter();
    }

    bool contains(T* item) const { return mItems.contains(item); }
    int indexOf(T* item) const { return mItems.indexOf(item); }
    void remove(T* item) { remove(mItems.indexOf(item)); }

    // QQmlObjectListModelBase
    int size() const override { return mCount; }
    int count() const override { return mCount; }
    bool isEmpty() const override { return mItems.isEmpty(); }
    bool contains(QObject* item) const override { return mItems.contains(qobject_cast<T*>(item)); }
    int indexOf(QObject* item) const override
    {
        T* typed = qobject_cast<T*>(item);
        return typed != nullptr ? mItems.indexOf(typed) : -1;
    }
    int roleForName(const QByteArray& name) const override
    {
        for (auto it = mRoles.constBegin(); it != mRoles.constEnd(); ++it) {
            if (it.value() == name)
                return it.key();
        }
        return -1;
    }

    void clear() override
    {
        if (mItems.isEmpty())
            return;
        beginRemoveRows(QModelIndex(), 0, mItems.count() - 1);
        for (T* item : qAsConst(mItems))
            DereferenceItem(item);
        mItems.clear();
        endRemoveRows();
        UpdateCounter();
    }

    void append(QObject* item) override { append(qobject_cast<T*>(item)); }
    void prepend(QObject* item) override { prepend(qobject_cast<T*>(item)); }
    void insert(int idx, QObject* item) override { insert(idx, qobject_cast<T*>(item)); }

    /// Moves row `idx` to stand before the row that was at `pos` (the meaning of beginMoveRows).
    void move(int idx, int pos) override
    {
        // Moving a row before itself or before its own successor changes nothing, and Qt refuses
        // such a move: no begin without end.
        if (idx < 0 || idx >= mItems.count() || pos < 0 || pos > mItems.count() || pos == idx || pos == idx + 1)
            return;
        if (!beginMoveRows(QModelIndex(), idx, idx, QModelIndex(), pos))
            return;
        mItems.move(idx, idx < pos ? pos - 1 : pos);
        endMoveRows();
    }

    void remove(QObject* item) override
    {
        T* typed = qobject_cast<T*>(item);
        if (typed != nullptr)
            remove(mItems.indexOf(typed));
    }

    void remove(int idx) override
    {
        if (idx < 0 || idx >= mItems.count())
            return;
        beginRemoveRows(QModelIndex(), idx, idx);
        T* item = mItems.takeAt(idx);
        DereferenceItem(item);
        endRemoveRows();
        UpdateCounter();
    }

    QObject* get(int idx) const override { return at(idx); }
    QObject* get(const QString& uid) const override { return mIndexByUid.value(uid, nullptr); }
    QObject* getFirst() const override { return mItems.isEmpty() ? nullptr : mItems.first(); }
    QObject* getLast() const override { return mItems.isEmpty() ? nullptr : mItems.last(); }

    QVariantList toVarArray() const override
    {
        QVariantList list;
        list.reserve(mItems.count());
        for (T* item : mItems)
            list.append(QVariant::fromValue(item));
        return list;
    }

    void map(QJSValue Function) override
    {
        QJSEngine* engine = qjsEngine(this);
        if (engine == nullptr || !Function.isCallable())
            return;
        // The engine must not take the items: they stay owned as they are.
        for (T* item : QList<T*>(mItems)) {
            QQmlEngine::setObjectOwnership(item, QQmlEngine::CppOwnership);
            Function.call(QJSValueList { engine->newQObject(item) });
        }
    }

protected:
    void connectNotify(const QMetaMethod& signal) override
    {
        // Item changes are reported only to someone who listens; until then no row costs a
        // connection per notify signal. The uid index listens from the start.
        static const QMetaMethod dataChangedSignal = QMetaMethod::fromSignal(&QAbstractItemModel::dataChanged);
        if (!mItemsConnected && signal == dataChangedSignal) {
            mItemsConnected = true;
            for (T* item : qAsConst(mItems))
                ConnectItem(item);
        }
        QQmlObjectListModelBase::connectNotify(signal);
    }

    void onItemPropertyChanged() override
    {
        T* item = qobject_cast<T*>(sender());
        const int row = mItems.indexOf(item);
        const int role = mSignalIdxToRole.value(senderSignalIndex(), -1);
        if (row < 0 || role < 0)
            return;
        const QModelIndex changed = index(row, 0);
        QVector<int> roles { role };
        const QByteArray roleName = mRoles.value(role);
        if (!mDispRoleName.isEmpty() && roleName == mDispRoleName)
            roles.append(Qt::DisplayRole);
        Q_EMIT dataChanged(changed, changed, roles);
        if (!mUidRoleName.isEmpty() && roleName == mUidRoleName)
            IndexByUid(item);
    }

private:
    T* At(const QModelIndex& index) const
    {
        if (!index.isValid() || index.column() != 0)
            return nullptr;
        return at(index.row());
    }

    void IndexByUid(T* item)
    {
        const QString oldKey = mIndexByUid.key(item);
        if (!oldKey.isNull())
            mIndexByUid.remove(oldKey);
        const QString key = item->property(mUidRoleName.constData()).toString();
        if (!key.isEmpty())
            mIndexByUid.insert(key, item);
    }

    void ReferenceItem(T* item)
    {
        if (item->parent() == nullptr)
            item->setParent(this);
        if (mItemsConnected)
            ConnectItem(item);
        if (!mUidRoleName.isEmpty())
            IndexByUid(item);
    }

    void ConnectItem(T* item)
    {
        // By index and without a uniqueness check: insert() refuses an item already listed, and
        // leaving the list drops every connection, so each signal is connected once.
        for (int signalIdx : qAsConst(mNotifySignals))
            QMetaObject::connect(item, signalIdx, this, mHandlerIdx);
    }

    void DereferenceItem(T* item)
    {
        disconnect(this, nullptr, item, nullptr);
        if (mItemsConnected)
            disconnect(item, nullptr, this, nullptr);
        if (!mUidRoleName.isEmpty()) {
            const QString key = mIndexByUid.key(item);
            if (!key.isNull())
                mIndexByUid.remove(key);
        }
        if (item->parent() == this)
            item->deleteLater();
    }

    void UpdateCounter()
    {
        if (mCount != mItems.count()) {
            mCount = mItems.count();
            Q_EMIT countChanged();
        }
    }

    int mCount;
    QByteArray mUidRoleName;
    QByteArray mDispRoleName;
    QMetaObject mMetaObj;
    int mHandlerIdx;
    bool mItemsConnected;
    QVector<int> mNotifySignals;
    QHash<int, QByteArray> mRoles;
    QHash<int, int> mSignalIdxToRole;
    QList<T*> mItems;
    QHash<QString, T*> mIndexByUid;
};
