#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QQuickItem;
class QXmlStreamAttribute;
class QXmlStreamReader;
class QXmlStreamWriter;
class cComboProperty;
class cConfigBase;
class cFloatProperty;
class cIntProperty;
class cLazyCombo;
class cProperty;
class cPropertyBase;
class cPropertyGroup;
class cSizeFractionProperty;
class cWidget;
class cWidgetTreeEntry;

/// Builds widgets from their `Widget` elements. The runner's factory implements it; a container
/// is handed one in `LoadSubXml` and calls it for every `Widget` element it holds.
///
/// Contract of `CreateFromXml`, with the reader standing on a `Widget` start tag: read the id and
/// type with `cWidget::LoadBaseAttributes`; refuse an id already in `ids`, else add it at once;
/// construct the class registered for the type (an unknown type gives a `cUnknownWidget`) with
/// the id and `parent`; call `Init()` and `LoadAttributes(reader)`; refuse a widget whose width or
/// height is still negative, or that lies wholly outside the unit square; else call
/// `LoadSubXml(reader, ids, configuration, parent, *this)` and return the widget. A refused
/// widget is deleted and null returned. In every case the whole element has been consumed when it
/// returns.
class cWidgetFactoryBase
{
public:
    virtual ~cWidgetFactoryBase() = default;

    virtual cWidget* CreateFromXml(
        QXmlStreamReader& reader, QSet<int>& ids, const cConfigBase& configuration, QObject* parent) const = 0;
};

/// An object the layout editor can select.
class cSelectable : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool selected READ selected NOTIFY selectedChanged)

public:
    explicit cSelectable(QObject* parent);

    bool selected() const { return mSelected; }
    void SetSelected(bool selected);

Q_SIGNALS:
    void selectedChanged();

private:
    bool mSelected = false;
};

/// One element of a layout page: identity, geometry as fractions of the parent, stacking order,
/// layout-group membership, on-line and disabled state, and the editable property tree. QML draws
/// it from these values. GUI thread only.
///
/// Loading order, driven by the factory: `LoadBaseAttributes` (id and type), constructor, `Init()`,
/// `LoadAttributes`, `LoadSubXml` (consumes the rest of the element).
class cWidget : public cSelectable
{
    Q_OBJECT
    Q_PROPERTY(QString type READ Type CONSTANT)
    Q_PROPERTY(float xFraction READ xFraction WRITE setXFraction NOTIFY xFractionChanged)
    Q_PROPERTY(float yFraction READ yFraction WRITE setYFraction NOTIFY yFractionChanged)
    Q_PROPERTY(float widthFraction READ widthFraction WRITE setWidthFraction NOTIFY widthFractionChanged)
    Q_PROPERTY(float heightFraction READ heightFraction WRITE setHeightFraction NOTIFY heightFractionChanged)
    Q_PROPERTY(bool disabled READ disabled NOTIFY disabledChanged)
    Q_PROPERTY(float z READ z NOTIFY zChanged)
    Q_PROPERTY(bool isVisible READ isVisible NOTIFY isVisibleChanged)
    Q_PROPERTY(int widgetId READ widgetId CONSTANT)
    Q_PROPERTY(QRectF groupRect READ groupRect NOTIFY groupRectChanged)
    Q_PROPERTY(bool inGroup READ inGroup NOTIFY inGroupChanged)
    Q_PROPERTY(float pixelAspect READ pixelAspect NOTIFY pixelAspectChanged)
    Q_PROPERTY(bool positionLocked READ positionLocked NOTIFY positionLockedChanged)
    // The content page asks every widget; only containers answer true.
    Q_PROPERTY(bool isContainer READ isContainer CONSTANT)

public:
    cWidget(int id, QObject* parent);
    ~cWidget() override;

    // Virtual operations, in this order.
    virtual QString Type() const = 0;
    virtual void SetIsVisible(bool visible);
    virtual void ShiftGroupIndices(int offset);
    virtual void LoadAttributes(QXmlStreamReader& reader);
    virtual void SetOnline();
    virtual void SetOffline();
    virtual void WriteXml(QXmlStreamWriter& writer) const;
    /// The default skips the rest of the element; containers read their children here.
    virtual void LoadSubXml(QXmlStreamReader& reader, QSet<int>& ids, const cConfigBase& configuration, QObject* parent,
        const cWidgetFactoryBase& factory);
    virtual void AssertValid() const { }
    virtual void SetWidgetToDemoMode() { }
    /// The outermost layout group; INT_MAX when in none.
    virtual int MinimumLayoutGroup();
    virtual QStringList ImageIdentifiers() { return QStringList(); }
    virtual void ReplaceImageId(const QString& oldId, const QString& newId) { }
    /// Called by the creator after construction and before `LoadAttributes`.
    virtual void Init() { }
    virtual void WriteAttributes(QXmlStreamWriter& writer) const;
    virtual bool isContainer() const { return false; }

    /// Reads `id` and `type` of the `Widget` start tag the reader stands on, without moving it.
    /// False, with a trace, when either is missing.
    static bool LoadBaseAttributes(QXmlStreamReader& reader, int& id, QString& type);

    int widgetId() const { return mWidgetId; }
    bool disabled() const { return mDisabled; }
    void SetDisabled(bool disabled);
    bool IsOnline() const { return mOnline; }
    bool isVisible() const { return mIsVisible; }

    float xFraction() const;
    float yFraction() const;
    float widthFraction() const;
    float heightFraction() const;
    float z() const;
    float pixelAspect() const;
    bool positionLocked() const;
    void setXFraction(float value);
    void setYFraction(float value);
    void setWidthFraction(float value);
    void setHeightFraction(float value);
    void SetZ(float value);

    // The property tree is made on the first call of any of these: a runner shows thousands of
    // widgets and never edits them.
    cPropertyGroup* RootGroup() const;
    cPropertyGroup* VisualGroup() const;
    cSizeFractionProperty* XProperty() const;
    cSizeFractionProperty* YProperty() const;
    cSizeFractionProperty* WidthProperty() const;
    cSizeFractionProperty* HeightProperty() const;
    cComboProperty* ContentSizeModeProperty() const;
    cFloatProperty* ZProperty() const;
    cFloatProperty* PixelAspectProperty() const;
    cIntProperty* PositionLockProperty() const;
    void AppendPropertyOrGroup(cPropertyBase* item);
    void PrependPropertyOrGroup(cPropertyBase* item);
    QList<cProperty*> AllProperties() const;
    /// Whether the property tree has been made.
    bool PropertiesMade() const { return mRootGroup != nullptr; }

    // Editor pixel sizes; the aspect is height / width.
    float EditorAspect() const { return mEditorAspect; }
    float EditorWidgetWidth() const { return mEditorWidgetWidth; }
    float EditorWidgetHeight() const { return mEditorWidgetHeight; }
    float EditorScreenWidth() const { return mEditorScreenWidth; }
    float EditorScreenHeight() const { return mEditorScreenHeight; }

    // Layout groups, outermost first.
    const QList<int>& LayoutGroups() const { return mLayoutGroups; }
    int LayoutGroup() const;
    int LayoutSubgroup() const;
    bool inGroup() const { return !mLayoutGroups.isEmpty(); }
    void AddToLayoutGroup(int group);
    void RemoveFromLayoutGroup();
    void SetLayoutGroupString(const QString& text);
    QString LayoutGroupString() const;
    QRectF groupRect() const { return mGroupRect; }
    void SetGroupRect(const QRectF& rect);

    const QList<QQuickItem*>& CompletionItems() const { return mCompletionItems; }

    /// Selects the position of the first pair whose code (second member) is `code`; 0 when none.
    static void SetComboPropertyIndex(
        const QString& code, const QList<QPair<QString, QString>>& table, cComboProperty* property);
    static void SetComboPropertyIndex(const QString& code, const QList<QString>& codes, cComboProperty* property);
    static void SetComboPropertyIndex(const QString& code, const QList<QString>& codes, cLazyCombo* property);
    /// Sets the property from the attribute; a text that is not a finite number is traced and
    /// leaves it unchanged.
    static void LoadFloatProperty(const QXmlStreamAttribute& attribute, cFloatProperty& property);
    static void AssertHasProperty(const QObject* object, const QString& name) { }
    /// Whether the last `LoadAttributes` met an `x`, `y`, `width` or `height` of "nan", "inf" or
    /// beyond float range, which reads as 0 and so would pass every geometry check.
    bool NonFiniteGeometryRead() const { return mNonFiniteGeometry; }

    static const QString mMultipleTypeName;

    Q_INVOKABLE void addCompletionItem(QQuickItem* item);
    Q_INVOKABLE void removeCompletionItem(QQuickItem* item);
    Q_INVOKABLE void setCurrentEditorPixelSizes(
        float WidgetWidth, float WidgetHeight, float ScreenWidth, float ScreenHeight);

Q_SIGNALS:
    void xFractionChanged();
    void yFractionChanged();
    void widthFractionChanged();
    void heightFractionChanged();
    void disabledChanged();
    void zChanged();
    void isVisibleChanged();
    void groupRectChanged();
    void inGroupChanged();
    void pixelAspectChanged();
    void positionLockedChanged();

private Q_SLOTS:
    void CompletionItemDestroyed(QObject* item);
    void PreserveAspectChangedSlot();

private:
    friend class cLazyPropertyBase;

    /// Builds the groups and the base properties from the stored values, once.
    void MakeProperties() const;
    /// A lazy property, or an early object, enters the tree: at once when it exists, else in order.
    void EnterTree(cWidgetTreeEntry& entry, bool front) const;
    /// A lazy property goes before the tree was made.
    void LeaveTree(cWidgetTreeEntry& entry) const;
    bool HoldsEarly(const cPropertyBase* item) const;
    int ContentSizeModeIndex() const;
    int PositionLockValue() const;
    /// Through the property once it exists, else on the stored value with the same change rule
    /// and the widget signal the property would have caused.
    void SetBaseFloat(cFloatProperty* property, float& stored, float value, void (cWidget::*changed)());
    void SetContentSizeMode(int index);
    void SetPositionLock(int value);
    /// `ReadFiniteFloat` for a geometry attribute, noting a text that is not finite.
    float ReadGeometry(const QStringRef& text);

    /// The base values while the property tree does not exist.
    struct sBaseValues {
        float mX = -1.0f;
        float mY = -1.0f;
        float mWidth = -1.0f;
        float mHeight = -1.0f;
        float mZ = 0.0f;
        float mPixelAspect = -1.0f;
        int mContentSizeMode = 0;
        int mPositionLock = 0;
    };

    const int mWidgetId;
    sBaseValues mStored;
    mutable cPropertyGroup* mVisualGroup = nullptr;
    mutable cSizeFractionProperty* mX = nullptr;
    mutable cSizeFractionProperty* mY = nullptr;
    mutable cSizeFractionProperty* mWidth = nullptr;
    mutable cSizeFractionProperty* mHeight = nullptr;
    mutable cComboProperty* mContentSizeMode = nullptr;
    bool mDisabled = false;
    bool mOnline = false;
    mutable cFloatProperty* mZ = nullptr;
    mutable cFloatProperty* mPixelAspect = nullptr;
    mutable cIntProperty* mPositionLock = nullptr;
    float mEditorAspect = 1.0f;
    float mEditorWidgetWidth = 1.0f;
    float mEditorWidgetHeight = 1.0f;
    float mEditorScreenWidth = 1.0f;
    float mEditorScreenHeight = 1.0f;
    bool mIsVisible = true;
    mutable cPropertyGroup* mRootGroup = nullptr;
    // What subclasses put in front of (the last first) and after the Visual group before the tree
    // exists: their lazy properties, and their objects held by entries of the widget's own.
    mutable cWidgetTreeEntry* mFrontEntries = nullptr;
    mutable cWidgetTreeEntry* mBackEntries = nullptr;
    mutable cWidgetTreeEntry* mLastBackEntry = nullptr;
    QList<QQuickItem*> mCompletionItems;
    // One connection to each distinct completion item's destruction, kept to disconnect it directly.
    std::vector<std::pair<QQuickItem*, QMetaObject::Connection>> mCompletionConnections;
    QList<int> mLayoutGroups;
    QRectF mGroupRect;
    bool mLoading = false;
    bool mNonFiniteGeometry = false;
};

/// The widget made for a `Widget` element whose type no factory knows: it keeps the type, reads
/// and writes the base attributes only and skips its children.
class cUnknownWidget : public cWidget
{
    Q_OBJECT

public:
    cUnknownWidget(int id, QObject* parent, const QString& type);

    QString Type() const override { return mType; }

private:
    const QString mType;
};
