#pragma once

#include "Quendle/Widgets/Control/SourceSelectorWidget.h"

/// The source selector of the large family.
class cZUNetSourceSelectorWidgetTarvo : public cZUNetSourceSelectorWidget
{
    Q_OBJECT

public:
    using cZUNetSourceSelectorWidget::cZUNetSourceSelectorWidget;

    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);
    static const QString& TypeKey();

    QString Type() const override { return TypeKey(); }
};
