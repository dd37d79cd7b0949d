// A unit's discovery side in a process of its own, for tests:
//   zunet_findme_unit FIND_STRING UNIT_NAME JSON_DESCRIPTION [--no-listen]
// Prints "ready" once its sockets are set up, then announces until killed.
#include "Common/Qt/FindMe.h"
#include "tests/support/TestNetwork.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: %s FIND_STRING UNIT_NAME JSON [--no-listen]\n", argv[0]);
        return 2;
    }
    if (!InsidePrivateTestNetwork()) {
        std::fprintf(stderr, "refusing to announce outside the private test network namespace\n");
        return 4;
    }
    const bool listen = !args.contains(QStringLiteral("--no-listen"));
    cFindMe findMe(args.at(1), args.at(2), args.at(3), nullptr, listen);
    if (listen && !findMe.IsListening()) {
        std::fprintf(stderr, "cannot listen for requests\n");
        return 3;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
