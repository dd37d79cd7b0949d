#include "Quendle/Runner/PlatformShell.h"

#include <QCoreApplication>

namespace
{

class cDesktopShell final : public cPlatformShell
{
public:
    void SetPresentationOptions(unsigned) override { }
    QString BundleDir() const override { return QCoreApplication::applicationDirPath() + QLatin1Char('/'); }
};

cPlatformShell* gInstalledShell = nullptr;

} // namespace

cPlatformShell::~cPlatformShell() = default;

cPlatformShell& cPlatformShell::Instance()
{
    static cDesktopShell desktop;
    return gInstalledShell != nullptr ? *gInstalledShell : desktop;
}

void cPlatformShell::SetInstance(cPlatformShell* shell)
{
    gInstalledShell = shell;
}
