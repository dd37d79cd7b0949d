// Linked into every test executable and test-support program: before main runs, refuse to go on
// unless the process sits in the private namespace that tools/netns-run.sh builds (lo, zu0, zu1
// and nothing else). Run by hand outside it, a test could otherwise put packets on a real network.

#include <net/if.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

bool InsidePrivateNamespace()
{
    // if_nameindex asks the current namespace (sysfs may still show the host's).
    struct if_nameindex* interfaces = if_nameindex();
    if (!interfaces)
        return false;
    bool sawVeth = false;
    bool foreign = false;
    for (const struct if_nameindex* i = interfaces; i->if_index != 0 && i->if_name; ++i) {
        if (std::strcmp(i->if_name, "zu0") == 0 || std::strcmp(i->if_name, "zu1") == 0)
            sawVeth = true;
        else if (std::strcmp(i->if_name, "lo") != 0)
            foreign = true;
    }
    if_freenameindex(interfaces);
    return sawVeth && !foreign;
}

const bool gChecked = [] {
    if (!InsidePrivateNamespace()) {
        std::fprintf(stderr,
            "refusing to run outside the private test network namespace: "
            "run it through tools/netns-run.sh (ctest does)\n");
        std::_Exit(2);
    }
    return true;
}();

} // namespace
