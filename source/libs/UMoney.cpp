#include "UMoney.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

[[noreturn]] void overflow()
{
    throw std::overflow_error("money amount out of range");
}

// Nearest integer to the exact quotient num/den (den > 0), ties to even.
int64_t divRoundEven(__int128 num, __int128 den)
{
    __int128 q = num / den;
    __int128 r = num % den;
    if (r < 0) { // floor division, so the remainder is never negative
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0))
        ++q;
    if (q > std::numeric_limits<int64_t>::max() || q < std::numeric_limits<int64_t>::min())
        overflow();
    return int64_t(q);
}

// Nearest integer to the exact real x * k, ties to even. The product is rounded once by the
// hardware; fma recovers its error so that a tie is judged on the exact value.
int64_t mulRoundEven(double x, double k)
{
    const double p = x * k;
    if (!std::isfinite(p) || std::fabs(p) >= 9.2e18)
        overflow();
    const double err = std::fma(x, k, -p); // exact: x*k == p + err
    double r = std::nearbyint(p); // ties to even in the default rounding mode
    // When p is an exact tie (possible only if the product was rounded), the true product
    // lies on the side of err.
    if (std::fabs(p - r) == 0.5) {
        if (err > 0)
            r = std::floor(p) + 1;
        else if (err < 0)
            r = std::floor(p);
    }
    return int64_t(r);
}

int64_t checkedAdd(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_add_overflow(a, b, &r))
        overflow();
    return r;
}

} // namespace

TMoney TMoney::FromInt(int64_t units)
{
    int64_t r;
    if (__builtin_mul_overflow(units, Scale, &r))
        overflow();
    return TMoney(r);
}

TMoney TMoney::FromDouble(double value)
{
    if (!std::isfinite(value))
        overflow();
    return TMoney(mulRoundEven(value, double(Scale)));
}

double TMoney::ToDouble() const
{
    return double(FRaw) / Scale;
}

TMoney TMoney::Round(int decimals) const
{
    if (decimals >= 4)
        return *this;
    if (decimals < 0)
        decimals = 0;
    int64_t unit = 1;
    for (int i = decimals; i < 4; ++i)
        unit *= 10;
    return TMoney(divRoundEven(FRaw, unit) * unit);
}

TMoney TMoney::Abs() const
{
    return FRaw < 0 ? -*this : *this;
}

TMoney TMoney::operator-() const
{
    if (FRaw == std::numeric_limits<int64_t>::min())
        overflow();
    return TMoney(-FRaw);
}

TMoney TMoney::operator+(TMoney other) const
{
    return TMoney(checkedAdd(FRaw, other.FRaw));
}

TMoney TMoney::operator-(TMoney other) const
{
    int64_t r;
    if (__builtin_sub_overflow(FRaw, other.FRaw, &r))
        overflow();
    return TMoney(r);
}

TMoney TMoney::operator*(int64_t factor) const
{
    int64_t r;
    if (__builtin_mul_overflow(FRaw, factor, &r))
        overflow();
    return TMoney(r);
}

TMoney TMoney::operator*(double factor) const
{
    if (!std::isfinite(factor))
        overflow();
    return TMoney(mulRoundEven(double(FRaw), factor));
}

TMoney TMoney::operator/(int64_t divisor) const
{
    if (divisor == 0)
        overflow();
    if (divisor < 0)
        return TMoney(divRoundEven(-__int128(FRaw), -__int128(divisor)));
    return TMoney(divRoundEven(FRaw, divisor));
}

TMoney TMoney::operator/(double divisor) const
{
    if (divisor == 0 || !std::isfinite(divisor))
        overflow();
    const double q = double(FRaw) / divisor;
    if (!std::isfinite(q) || std::fabs(q) >= 9.2e18)
        overflow();
    // The quotient is rounded once by the hardware; a tie on it is judged on the exact
    // remainder FRaw - r*divisor.
    double r = std::nearbyint(q);
    if (std::fabs(q - r) == 0.5) {
        const double lower = std::floor(q);
        const double rem = std::fma(-(lower + 0.5), divisor, double(FRaw)); // sign tells the side
        const double side = divisor > 0 ? rem : -rem;
        if (side > 0)
            r = lower + 1;
        else if (side < 0)
            r = lower;
    }
    return TMoney(int64_t(r));
}
