#pragma once

#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Widgets/Base/Container.h"
#include "Quendle/Widgets/Base/Tab.h"
#include "Quendle/Widgets/WidgetHelpers.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

class cColourProperty;
class cComboProperty;
class cConfigBase;
class cFontProperty;
class cImageProperty;
class cNumberOfTabsProperty;
class cStringProperty;

/// A container that shows its children on up to ten tabs, one tab at a time, with a row of tab
/// buttons at the top or the bottom. Its `Widget` element holds one `Tab` element per tab (attribute
/// `tabName`), each holding the `Widget` elements of that tab.
class cTabContainer : public cContainer
{
    Q_OBJECT
    Q_PROPERTY(QString textFont READ textFont NOTIFY textFontChanged)
    Q_PROPERTY(QString tabPosition READ tabPosition NOTIFY tabPositionChanged)
    Q_PROPERTY(QString imageOnIdentifier READ imageOnIdentifier NOTIFY imageOnIdentifierChanged)
    Q_PROPERTY(QString imageOffIdentifier READ imageOffIdentifier NOTIFY imageOffIdentifierChanged)
    Q_PROPERTY(QString tabOnColour READ tabOnColour NOTIFY tabOnColourChanged)
    Q_PROPERTY(QString tabOffColour READ tabOffColour NOTIFY tabOffColourChanged)
    Q_PROPERTY(QQmlObjectListModel<cTab>* tabs READ tabs CONSTANT)
    Q_PROPERTY(int currentTabIndex READ currentTabIndex WRITE setCurrentTabIndex NOTIFY currentTabIndexChanged)

public:
    static constexpr int kMaximumTabs = 10;
    /// (label, code) of the tab positions; the codes are the XML values.
    static const cCodeTable mTabPostionValuesToCodes;

    cTabContainer(int id, QObject* parent, const cConfigBase& configuration);

    static QString TypeKey() { return QStringLiteral("tab_container"); }
    QString Type() const override { return TypeKey(); }

    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;
    void WriteXml(QXmlStreamWriter& writer) const override;
    /// Reads the `Tab` elements and builds their widgets through the factory. Widgets of tabs that
    /// do not exist (beyond the tab count, or beyond the tenth) are not built; the whole element is
    /// consumed in every case.
    void LoadSubXml(QXmlStreamReader& reader, QSet<int>& ids, const cConfigBase& configuration, QObject* parent,
        const cWidgetFactoryBase& factory) override;
    void SetIsVisible(bool visible) override;

    int getContainerLocation(cWidget* WidgetToFind) const override;
    void AddContainerChild(cWidget* widget, int location) override;
    void RemoveContainerChild(cWidget* widget) override;
    QList<QQuickItem*> LinkedContainerQuickItems(int location) override;

    QString textFont() const;
    /// The code of the selected position; "top" when the selection is not in the table.
    QString tabPosition() const;
    QString imageOnIdentifier() const;
    QString imageOffIdentifier() const;
    QString tabOnColour() const;
    QString tabOffColour() const;
    QQmlObjectListModel<cTab>* tabs() const { return mTabs; }
    int currentTabIndex() const { return mCurrentTabIndex; }
    void setCurrentTabIndex(int index);
    void SetTabChildrenVisibility(int tab, bool visible);

    cNumberOfTabsProperty* NumberOfTabsProperty() const { return mNumberOfTabs; }
    cComboProperty* TabPositionProperty() const { return mTabPosition; }
    const QList<cStringProperty*>& TabNameProperties() const { return mTabNames; }

Q_SIGNALS:
    void textFontChanged();
    void tabPositionChanged();
    void imageOnIdentifierChanged();
    void imageOffIdentifierChanged();
    void onImageChanged();
    void offImageChanged();
    void tabOnColourChanged();
    void tabOffColourChanged();
    void currentTabIndexChanged();

private Q_SLOTS:
    void PropertyNumberOfTabsChanged();

protected:
    void ForgetChild(QObject* child) override;

private:
    void ReadTab(QXmlStreamReader& reader, int index, QSet<int>& ids, const cConfigBase& configuration, QObject* parent,
        const cWidgetFactoryBase& factory);

    cNumberOfTabsProperty* mNumberOfTabs;
    cFontProperty* mFont;
    cComboProperty* mTabPosition;
    cImageProperty* mOnImage;
    cImageProperty* mOffImage;
    cColourProperty* mColourOn;
    cColourProperty* mColourOff;
    QQmlObjectListModel<cTab>* mTabs;
    QHash<cWidget*, int> mChildLocations;
    QList<cStringProperty*> mTabNames;
    int mCurrentTabIndex = 0;
    const cConfigBase& mConfiguration;
};
