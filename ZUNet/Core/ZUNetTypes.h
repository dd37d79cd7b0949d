#pragma once

#include <cstdint>

using UBYTE = std::uint8_t;
using SBYTE = std::int8_t;
using UWORD = std::uint16_t;
using SWORD = std::int16_t;
using ULONG = std::uint32_t;
using SLONG = std::int32_t;

/// Handle and connection id values with a meaning of their own.
constexpr UWORD ZUNET_NO_HANDLE = 0xFFFF;
constexpr UWORD ZUNET_NO_CONNECTION = 0xFFFF;
constexpr UWORD ZUNET_LOCAL_CONNECTION = 0;
constexpr UWORD ZUNET_REGISTRY_HANDLE = 0;
constexpr UWORD ZUNET_MAX_HANDLE = 60000;
/// Connection ids run from 1 to this; 0 is the local connection.
constexpr int ZUNET_MAX_CONNECTIONS = 70;
constexpr int ZUNET_MAX_NAME_LENGTH = 63;
/// Largest data a message can carry (its length is one word).
constexpr int ZUNET_MAX_DATA_LENGTH = 0xFFFF;
