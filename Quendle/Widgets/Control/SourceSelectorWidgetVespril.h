#pragma once

#include "Quendle/Widgets/Control/SourceSelectorWidget.h"

/// The source selector of the second family: a selector of a zone (the only type it offers) or of
/// a room.
class cZUNetSourceSelectorWidgetVespril : public cZUNetSourceSelectorWidget
{
    Q_OBJECT

public:
    static const tCodeTable mSelectorTypesToCodes;

    using cZUNetSourceSelectorWidget::cZUNetSourceSelectorWidget;

    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);
    static const QString& TypeKey();

    QString Type() const override { return TypeKey(); }
    void Init() override;
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;
    std::list<std::string> GetAllObjectRequestRegExps() const override;
    std::string SourceSelectorObjectName() const override;

    cLazyCombo mSelectorType;
};
