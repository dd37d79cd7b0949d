#include "ZUNet/QT/NetworkMetaTypes.h"

#include "ZUNet/Core/ZUNetTypes.h"

#include <QAbstractSocket>
#include <QMetaType>

#include <string>

void RegisterNetworkMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<UWORD>("UWORD");
        qRegisterMetaType<UBYTE>("UBYTE");
        qRegisterMetaType<ULONG>("ULONG");
        qRegisterMetaType<std::string>("std::string");
        qRegisterMetaType<QAbstractSocket::SocketError>("QAbstractSocket::SocketError");
        return true;
    }();
    (void)registered;
}
