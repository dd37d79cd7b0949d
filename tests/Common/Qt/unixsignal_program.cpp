// A program with the Unix signal handler set up, for the signal tests: each case runs in a
// process of its own, since a handler for SIGINT and SIGTERM changes how the whole process ends.
//   unixsignal_program [--without-descriptors]
// It reports "ready" once the handler is in place and "event loop returned" when the event loop
// has quit, then ends with exit code 0. With --without-descriptors no descriptor is left for the
// socket pair the manager makes; the program then quits on its own after 500 ms, reporting
// "kept running".
#include "Common/Qt/UnixSignalManager.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

namespace
{

void Report(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

/// No new descriptor can be made while it lives: the limit is put at the lowest free one.
class cNoNewDescriptors
{
public:
    cNoNewDescriptors()
    {
        const int lowestFree = ::dup(0);
        if (lowestFree < 0 || ::getrlimit(RLIMIT_NOFILE, &mLimit) != 0)
            return;
        ::close(lowestFree);
        rlimit limit = mLimit;
        limit.rlim_cur = rlim_t(lowestFree);
        mSet = ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
    }
    // The sanitizers need descriptors of their own later on.
    ~cNoNewDescriptors()
    {
        if (mSet)
            ::setrlimit(RLIMIT_NOFILE, &mLimit);
    }
    bool IsSet() const { return mSet; }

private:
    rlimit mLimit {};
    bool mSet = false;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool withoutDescriptors = argc > 1 && std::strcmp(argv[1], "--without-descriptors") == 0;
    std::unique_ptr<cUnixSignalManager> manager;
    {
        std::unique_ptr<cNoNewDescriptors> noDescriptors;
        if (withoutDescriptors) {
            noDescriptors = std::make_unique<cNoNewDescriptors>();
            if (!noDescriptors->IsSet())
                return 3;
        }
        manager = std::make_unique<cUnixSignalManager>();
    }
    if (cUnixSignalManager::SetUpUnixHandler() != 0)
        return 2;
    if (withoutDescriptors) {
        QTimer::singleShot(500, &app, [] {
            Report("kept running");
            QCoreApplication::quit();
        });
    }
    Report("ready");
    app.exec();
    Report("event loop returned");
    return 0;
}
