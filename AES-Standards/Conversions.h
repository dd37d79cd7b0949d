#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

// Conversions between the byte and word values units carry on the control network and the
// engineering values behind them. A gain code is dB x 256 + 32768 (32768 is 0 dB, code 0 is minus
// infinity); a signed gain is the same without the offset, with -32767 for minus infinity.

constexpr UWORD GAIN_CODE_ZERO_DB = 32768;
constexpr SWORD GAIN_MINUS_INFINITY = -32767;

/// Any non-zero byte is true; a byte above 1 is traced as a bad conversion.
bool UBYTEToBool(UBYTE value);
UBYTE BoolToUBYTE(bool value);

SWORD UWORDToGain(UWORD code);
UWORD GainToUWORD(SWORD gain);

/// 4 Hz at code 0, 4608 codes per octave.
double UWORDToFreq(UWORD code);
/// Truncated toward zero, low 16 bits; 0 for a frequency whose code is not a finite number.
UWORD FreqToUWORD(double hertz);

/// Code 1 is 1 us, 11/65536 decades per code; code 0 is 0 s.
double UWORDToTime(UWORD code);
/// Truncated toward zero, low 16 bits; 0 for 0 s and for a time whose code is not a finite number.
UWORD TimeToUWORD(double seconds);

/// The low 16 bits of the value truncated toward zero, taken through a 64-bit integer; 0 for a
/// value that is not finite or does not fit that integer.
UWORD TruncateToUWORD(double value);
