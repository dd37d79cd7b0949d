// The runner filter over any uploaded document: any signed-in client can store one. Whatever the
// text, the plan's size is the bytes it sends, its resource lines lie inside the document, and no
// `Unit` of the head keeps a password.
//
// Input: byte 0 picks the device type (bits 0-1), the user (bit 2), the scene (bits 3-5) and
// whether resource 7 is held (bit 6); the rest is the document.
#include "Quendle/Global/ConfigDocumentNames.h"
#include "Quendle/Global/ConfigFilter.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include <cstddef>
#include <cstdint>

namespace
{

/// Looks at every `Unit` start element the reader sees before the text stops being XML.
bool HeadKeepsAPassword(const QByteArray& head)
{
    QXmlStreamReader reader(head);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.qualifiedName() != QLatin1String(Quendle::ConfigNames::kUnit))
            continue;
        for (const QXmlStreamAttribute& attribute : reader.attributes()) {
            if (attribute.qualifiedName() == QLatin1String(Quendle::ConfigNames::kPassword))
                return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const Quendle::cConfigFilter filter([] {
        return QMap<QString, QString> { { QStringLiteral("mixer-a"), QStringLiteral("10.77.0.5") } };
    });

    const std::uint8_t pick = data[0];
    Quendle::sRunnerFilter runner;
    runner.mDeviceType = pick & 3;
    runner.mUserName = pick & 4 ? "Bob" : "Alice";
    runner.mSceneNumber = (pick >> 3) & 7;
    runner.mSceneName = QStringLiteral("Intro %1").arg(runner.mSceneNumber);
    if (pick & 0x40)
        runner.mResourceIdsHeld.insert(7);

    QByteArray document(reinterpret_cast<const char*>(data + 1), int(size - 1));
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    const Quendle::sRunnerConfigPlan plan = filter.PlanRunnerConfig(buffer, runner);

    qint64 previousEnd = 0;
    for (int i = 0; i < plan.mResourcePositions.size(); ++i) {
        const qint64 at = plan.mResourcePositions[i];
        const qint64 length = plan.mResourceLengths[i];
        if (at < previousEnd || length <= 0 || at + length > document.size())
            __builtin_trap();
        previousEnd = at + length;
    }
    QByteArray sent;
    if (!Quendle::cConfigFilter::Assemble(buffer, plan, sent) || sent.size() != plan.Size())
        __builtin_trap();

    if (HeadKeepsAPassword(plan.mMiddle.left(plan.mHeadSize)))
        __builtin_trap();
    return 0;
}
