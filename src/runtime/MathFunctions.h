// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstdint>

namespace runtime {

class Implementations;

// The maths built-ins on 80-bit reals (long double is the x87 extended format here). Angles are
// in radians. Results for arguments outside a function's domain are defined, never a fault:
//   LN of 0, a negative value or NaN: 0;   SQRT of a negative value: 0 (NaN stays NaN);
//   EXP overflow: +infinity, underflow: 0;  TRUNC beyond the 64-bit range or of NaN: 0.
// Pure functions; any thread.
namespace maths {

// The 80-bit value nearest to pi/180.
inline constexpr long double kDegreesToRadians = 0.0174532925199432957692369076848861271344L;

long double Cos(long double value);
long double Sin(long double value);
long double Exp(long double value);
long double Int(long double value);  // toward zero
long double Frac(long double value); // value - Int(value)
// The low 32 bits of the value rounded toward zero to a 64-bit integer.
std::int32_t Trunc(long double value);
long double DegToRad(long double value);
long double Abs(long double value);
long double ArcTan(long double value);
long double Ln(long double value);
long double Sqr(long double value);
long double Sqrt(long double value);

} // namespace maths

// Binds COS, SIN, EXP, INT, FRAC, TRUNC, DEGTORAD, ABS, ARCTAN, LN, SQR and SQRT.
platform::Status AddMathFunctions(Implementations& implementations);

} // namespace runtime
