#pragma once

#include <QMetaType>

#include <string>

Q_DECLARE_METATYPE(std::string)

/// Registers the types that the network layer's queued signals carry (UWORD, UBYTE, ULONG,
/// std::string, QAbstractSocket::SocketError) under their typedef names. Idempotent.
void RegisterNetworkMetaTypes();
