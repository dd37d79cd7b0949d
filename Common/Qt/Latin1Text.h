#pragma once

#include <QLatin1String>

/// A literal as a QLatin1String with its length known at compile time: QLatin1String's own
/// constructor counts with strlen, which clang does not take in a constant expression.
template <int N> constexpr QLatin1String Latin1Text(const char (&text)[N])
{
    return QLatin1String(text, N - 1);
}
