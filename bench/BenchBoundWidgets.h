#pragma once
// What the benchmarks of bound widgets share: the unit program (a separate process on the test
// network) with a gain object per widget, the runner's application signed in to it as its
// primary, and a runner configuration of level widgets bound to those gains.

#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/QuendleConfigClient.h"
#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/RunnerLayout.h"
#include "ZUNet/QT/NetworkStack.h"
#include "bench/BenchSupport.h"
#include "tests/Quendle/Runner/RunnerTestApplication.h"
#include "tests/Quendle/Widgets/Control/MixerTestLeaves.h"
#include "tests/support/quendle/QuendleUnit.h"

#include <QBuffer>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

constexpr int kWidgets = 1000;
const QString kUnitAddress = QStringLiteral("127.0.0.2");
const QString kAbsentAddress = QStringLiteral("127.0.0.9"); // nobody listens there

/// The unit with a gain object per widget, every one at fader index `index`.
inline QJsonObject Description(int index)
{
    QJsonObject description = cQuendleUnit::DefaultDescription();
    QJsonObject keys = description.value(QStringLiteral("keys")).toObject();
    QJsonArray objects = description.value(QStringLiteral("objects")).toArray();
    for (int i = 0; i < kWidgets; ++i) {
        const QString name = QStringLiteral("Gain %1").arg(i);
        keys.insert(QStringLiteral("mainlevel/ip/%1").arg(i), cQuendleUnit::Key(name));
        objects.append(QJsonObject { { "name", name }, { "parameters", 1 }, { "size", 2 },
            { "value", int(cFaderLookup::kFaderLawTable[index]) } });
    }
    // One mute for the buttons' benchmark.
    keys.insert(QStringLiteral("mute/ip/0"), cQuendleUnit::Key(QStringLiteral("Mute 0")));
    objects.append(QJsonObject { { "name", "Mute 0" }, { "parameters", 1 }, { "size", 1 }, { "value", 0 } });
    description.insert(QStringLiteral("keys"), keys);
    description.insert(QStringLiteral("objects"), objects);
    return description;
}

/// The runner's application, signing in to the primary again as the user did.
class cBenchApplication : public cRunnerTestApplication
{
public:
    void AuthenticatePrimaryUnit() override
    {
        cRunnerTestApplication::AuthenticatePrimaryUnit();
        mPrimary->ConfigClient()->Authenticate(Quendle::GetHashedString("Alice"), Quendle::GetHashedPassword("wonder"));
    }
};

/// A runner configuration with one page of `kWidgets` level widgets bound to the primary's record.
struct sRunner {
    std::unique_ptr<cRunnerConfig> mConfig;
    std::vector<cTestLevelWidget*> mWidgets;

    sRunner(cBenchApplication& application, int absentUnits)
    {
        mConfig = std::make_unique<cRunnerConfig>(nullptr, &application, &application);
        application.mImages = mConfig.get();
        QByteArray document = "<QuendleConfig version=\"1.3.1\"><Units><Unit id=\"1\" nameOrIpAddress=\""
            + kUnitAddress.toUtf8() + "\" type=\"tarvo\" primaryUnit=\"1\"/>";
        if (absentUnits > 0)
            document += "<Unit id=\"2\" nameOrIpAddress=\"" + kAbsentAddress.toUtf8()
                + "\" type=\"tarvo\" primaryUnit=\"0\"/>";
        document += "</Units><Layouts/></QuendleConfig>";
        QBuffer buffer(&document);
        buffer.open(QIODevice::ReadOnly);
        if (!mConfig->ReadXml(buffer))
            std::fprintf(stderr, "configuration refused\n");
        auto* layout = new cRunnerLayout(mConfig.get());
        mConfig->layouts()->append(layout);
        for (int i = 0; i < kWidgets; ++i) {
            auto* widget = new cTestLevelWidget(i + 1, layout, *mConfig);
            widget->Init();
            QXmlStreamReader reader(QStringLiteral("<Widget id=\"%1\" type=\"t\" unitId=\"1\" levelType=\"mainlevel\" "
                                                   "channelType=\"ip\" channelNumber=\"%2\"/>")
                                        .arg(i + 1)
                                        .arg(i + 1));
            reader.readNextStartElement();
            widget->LoadAttributes(reader);
            layout->AddWidget(widget);
            mWidgets.push_back(widget);
        }
    }
    // The primary belongs to the application and stays signed in.
    ~sRunner() { mConfig.reset(); }

    bool AllShow(double position) const
    {
        for (const cTestLevelWidget* widget : mWidgets) {
            if (!widget->IsOnline() || widget->position() != position)
                return false;
        }
        return true;
    }
    bool AllOffline() const
    {
        for (const cTestLevelWidget* widget : mWidgets) {
            if (widget->IsOnline())
                return false;
        }
        return true;
    }
};

/// The unit program holding a gain per widget, and the runner's application signed in to it as
/// its primary over the network stack of this process.
struct sSignedInWorld {
    std::unique_ptr<cNetworkStack> mStack;
    QTemporaryDir mDir;
    std::unique_ptr<cQuendleUnit> mUnit;
    std::unique_ptr<cBenchApplication> mApplication;
    /// Held by the application: a list model adopts an item without a parent.
    cConnectionUnit* mPrimary = nullptr;
    int mIndex = 40;

    sSignedInWorld()
    {
        mStack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
        mStack->Start();
        mApplication = std::make_unique<cBenchApplication>();
        StartUnit();
        mPrimary = new cConnectionUnit(mApplication.get(), kUnitAddress, QStringLiteral("tarvo"), nullptr);
        mApplication->mPrimary = mPrimary;
        mPrimary->ConnectToUnit(nullptr);
        if (!WaitFor([&] { return mPrimary->connected(); }, 15000))
            std::fprintf(stderr, "primary not connected\n");
        mPrimary->ConfigClient()->Authenticate(Quendle::GetHashedString("Alice"), Quendle::GetHashedPassword("wonder"));
        if (!WaitFor([&] { return mPrimary->authenticated(); }, 10000))
            std::fprintf(stderr, "primary not signed in\n");
    }
    ~sSignedInWorld()
    {
        mPrimary->disconnectFromUnit();
        mApplication->mPrimary = nullptr;
        mUnit.reset();
        mStack->Stop();
        mApplication.reset();
        mStack.reset();
    }

    /// A new unit program holding gains at the next fader index.
    bool StartUnit()
    {
        mIndex = mIndex >= 200 ? 40 : mIndex + 1;
        mUnit = std::make_unique<cQuendleUnit>();
        return mUnit->Start(kUnitAddress, mDir.filePath(QStringLiteral("none.xml")), {}, Description(mIndex));
    }
    double Position() const { return mIndex / 255.0; }

    /// What the unit program has received: name requests and link messages.
    std::pair<int, int> Received()
    {
        if (!mUnit->Command(QStringLiteral("received")))
            return { -1, -1 };
        static const QRegularExpression pattern(QStringLiteral("unit: received names (\\d+) links (\\d+)"));
        const QStringList lines = mUnit->Lines();
        for (int i = lines.size() - 1; i >= 0; --i) {
            const QRegularExpressionMatch match = pattern.match(lines.at(i));
            if (match.hasMatch())
                return { match.captured(1).toInt(), match.captured(2).toInt() };
        }
        return { -1, -1 };
    }
};
