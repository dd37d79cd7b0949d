#include "Quendle/Widgets/Control/SourceSelectorWidgetVespril.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace
{

const QLatin1String kSelectorTypeAttribute("selectorType");

} // namespace

const cZUNetWidget::tCodeTable cZUNetSourceSelectorWidgetVespril::mSelectorTypesToCodes {
    { QStringLiteral("Zone"), QStringLiteral("zone") },
};

cWidget* cZUNetSourceSelectorWidgetVespril::CreateWidget(int id, QObject* parent, const cConfigBase& configuration)
{
    auto* widget = new cZUNetSourceSelectorWidgetVespril(id, parent, configuration);
    widget->Init();
    return widget;
}

const QString& cZUNetSourceSelectorWidgetVespril::TypeKey()
{
    static const QString type = QStringLiteral("vsp_zunet_source_sel");
    return type;
}

void cZUNetSourceSelectorWidgetVespril::Init()
{
    cZUNetSourceSelectorWidget::Init();
    static const QStringList selectorTypes = mSelectorTypesToCodes.Labels();
    mSelectorType.Declare(*this, "Selector Type", 0, selectorTypes);
}

std::list<std::string> cZUNetSourceSelectorWidgetVespril::GetAllObjectRequestRegExps() const
{
    return { "sourcesel/\\d+", "sourceselroom/\\d+" };
}

std::string cZUNetSourceSelectorWidgetVespril::SourceSelectorObjectName() const
{
    return mSelectorTypesToCodes.CodeOf(&mSelectorType) == QLatin1String("room") ? "sourceselroom" : "sourcesel";
}

void cZUNetSourceSelectorWidgetVespril::LoadAttributes(QXmlStreamReader& reader)
{
    cZUNetSourceSelectorWidget::LoadAttributes(reader);
    const QXmlStreamAttributes attributes = reader.attributes();
    if (attributes.hasAttribute(kSelectorTypeAttribute))
        mSelectorTypesToCodes.SetCombo(attributes.value(kSelectorTypeAttribute).toString(), &mSelectorType);
}

void cZUNetSourceSelectorWidgetVespril::WriteAttributes(QXmlStreamWriter& writer) const
{
    cZUNetSourceSelectorWidget::WriteAttributes(writer);
    writer.writeAttribute(kSelectorTypeAttribute, mSelectorTypesToCodes.CodeOf(&mSelectorType));
}
