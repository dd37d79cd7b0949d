#include "AES-Standards/Conversions.h"

#include "ZUNet/Core/Trace.h"

#include <cmath>
#include <cstdint>

namespace
{
constexpr double kFrequencyAtZero = 4.0;
constexpr double kCodesPerOctave = 4608.0;
constexpr double kLog10Of2 = 0.3010299956639812;
constexpr double kDecadesPerTimeCode = 0.0001678466796875; // 11/65536
constexpr double kTimeAtCodeOne = 0.000001;
} // namespace

bool UBYTEToBool(UBYTE value)
{
    if (value > 1)
        ZU_ERR("Bad conversion to boolean for UBYTE with value 0x%X", unsigned(value));
    return value != 0;
}

UBYTE BoolToUBYTE(bool value)
{
    return value ? 1 : 0;
}

SWORD UWORDToGain(UWORD code)
{
    if (code == 0)
        return GAIN_MINUS_INFINITY;
    return static_cast<SWORD>(int(code) - int(GAIN_CODE_ZERO_DB));
}

UWORD GainToUWORD(SWORD gain)
{
    if (gain == GAIN_MINUS_INFINITY)
        return 0;
    return static_cast<UWORD>((int(gain) + int(GAIN_CODE_ZERO_DB)) & 0xFFFF);
}

UWORD TruncateToUWORD(double value)
{
    // Converting a double outside the integer's range (or NaN) is undefined; 2^63 bounds it.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(value) || value >= kLimit || value < -kLimit)
        return 0;
    const std::int64_t whole = static_cast<std::int64_t>(value);
    return static_cast<UWORD>(static_cast<std::uint64_t>(whole) & 0xFFFFu);
}

double UWORDToFreq(UWORD code)
{
    return kFrequencyAtZero * std::pow(2.0, double(code) / kCodesPerOctave);
}

UWORD FreqToUWORD(double hertz)
{
    return TruncateToUWORD(std::log10(hertz * 0.25) / kLog10Of2 * kCodesPerOctave);
}

double UWORDToTime(UWORD code)
{
    if (code == 0)
        return 0.0;
    return std::pow(10.0, double(code - 1) * kDecadesPerTimeCode) * kTimeAtCodeOne;
}

UWORD TimeToUWORD(double seconds)
{
    if (seconds == 0.0)
        return 0;
    return TruncateToUWORD(std::log10(seconds / kTimeAtCodeOne) / kDecadesPerTimeCode + 1.0);
}
