#pragma once

#include <QNetworkInterface>
#include <QSet>
#include <QString>

/// True only inside the private namespace that tools/netns-run.sh builds (lo, zu0, zu1 and
/// nothing else). Tests that broadcast check it first, so that running one by hand outside the
/// wrapper can never put a packet on a real network.
inline bool InsidePrivateTestNetwork()
{
    const QSet<QString> allowed { QStringLiteral("lo"), QStringLiteral("zu0"), QStringLiteral("zu1") };
    const auto interfaces = QNetworkInterface::allInterfaces();
    bool sawVeth = false;
    for (const QNetworkInterface& networkInterface : interfaces) {
        if (!allowed.contains(networkInterface.name()))
            return false;
        sawVeth = sawVeth || networkInterface.name() == QLatin1String("zu0");
    }
    return sawVeth;
}

#define ZU_REQUIRE_PRIVATE_TEST_NETWORK()                                                                              \
    QVERIFY2(InsidePrivateTestNetwork(),                                                                               \
        "refusing to run outside the private test network namespace: "                                                 \
        "run it through tools/netns-run.sh (ctest does)")
