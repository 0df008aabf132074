// Quorva run-time. Licensed under the MIT licence.
#include "runtime/MathFunctions.h"

#include "runtime/RuntimeLibrary.h"

#include <cmath>

namespace runtime {

namespace maths {

long double Cos(long double value) {
    return std::cos(value);
}
long double Sin(long double value) {
    return std::sin(value);
}
long double Exp(long double value) {
    return std::exp(value);
}
long double Int(long double value) {
    return std::trunc(value);
}
long double Frac(long double value) {
    return value - std::trunc(value);
}

std::int32_t Trunc(long double value) {
    // 2^63 is exact in the 64-bit mantissa. Outside [-2^63, 2^63) the x87 store gives the
    // integer indefinite 0x8000000000000000, whose low 32 bits are 0: the same result here.
    constexpr long double kLimit = 9223372036854775808.0L;
    const long double whole = std::trunc(value);
    if (!(whole >= -kLimit && whole < kLimit))
        return 0;
    const auto wide = static_cast<std::int64_t>(whole);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

long double DegToRad(long double value) {
    return value * kDegreesToRadians;
}
long double Abs(long double value) {
    return std::fabs(value);
}
long double ArcTan(long double value) {
    return std::atan(value);
}

long double Ln(long double value) {
    return value > 0.0L ? std::log(value) : 0.0L;
}

long double Sqr(long double value) {
    return value * value;
}

long double Sqrt(long double value) {
    return value < 0.0L ? 0.0L : std::sqrt(value);
}

} // namespace maths

platform::Status AddMathFunctions(Implementations& implementations) {
    for (auto added :
         {implementations.Add<&maths::Cos>("COS"), implementations.Add<&maths::Sin>("SIN"),
          implementations.Add<&maths::Exp>("EXP"), implementations.Add<&maths::Int>("INT"),
          implementations.Add<&maths::Frac>("FRAC"), implementations.Add<&maths::Trunc>("TRUNC"),
          implementations.Add<&maths::DegToRad>("DEGTORAD"),
          implementations.Add<&maths::Abs>("ABS"), implementations.Add<&maths::ArcTan>("ARCTAN"),
          implementations.Add<&maths::Ln>("LN"), implementations.Add<&maths::Sqr>("SQR"),
          implementations.Add<&maths::Sqrt>("SQRT")}) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
