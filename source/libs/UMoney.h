#pragma once

#include <compare>
#include <cstdint>
#include <type_traits>

// A money amount in fixed point: a signed 64-bit count of ten-thousandths. Every result that
// does not fit exactly is rounded to the nearest ten-thousandth, ties to the even neighbour.
// Results beyond the 64-bit range, and reals that are not finite, throw std::overflow_error.
class TMoney {
public:
    static constexpr int64_t Scale = 10000;

    constexpr TMoney() = default;
    // An integral count of whole units (not ten-thousandths).
    static TMoney FromInt(int64_t units);
    static TMoney FromDouble(double value);
    static constexpr TMoney FromRaw(int64_t raw) { return TMoney(raw); }

    constexpr int64_t Raw() const { return FRaw; }
    double ToDouble() const;
    // The whole units, truncated towards zero, and the ten-thousandths left over (same sign).
    constexpr int64_t Trunc() const { return FRaw / Scale; }
    constexpr int64_t FracRaw() const { return FRaw % Scale; }
    // Rounded to `decimals` (0..4) places, ties to even; more than 4 leaves it as it is.
    TMoney Round(int decimals) const;
    TMoney Abs() const;
    constexpr bool IsZero() const { return FRaw == 0; }

    TMoney operator-() const;
    TMoney operator+(TMoney other) const;
    TMoney operator-(TMoney other) const;
    TMoney operator*(int64_t factor) const;
    TMoney operator*(double factor) const;
    TMoney operator/(int64_t divisor) const;
    TMoney operator/(double divisor) const;
    TMoney &operator+=(TMoney other) { return *this = *this + other; }
    TMoney &operator-=(TMoney other) { return *this = *this - other; }
    TMoney &operator*=(int64_t factor) { return *this = *this * factor; }
    TMoney &operator*=(double factor) { return *this = *this * factor; }
    TMoney &operator/=(int64_t divisor) { return *this = *this / divisor; }
    TMoney &operator/=(double divisor) { return *this = *this / divisor; }
    friend TMoney operator*(int64_t factor, TMoney m) { return m * factor; }
    friend TMoney operator*(double factor, TMoney m) { return m * factor; }

    friend constexpr bool operator==(TMoney a, TMoney b) = default;
    friend constexpr auto operator<=>(TMoney a, TMoney b) = default;

private:
    constexpr explicit TMoney(int64_t raw) : FRaw(raw) {}
    int64_t FRaw = 0;
};

static_assert(std::is_trivially_copyable_v<TMoney> && sizeof(TMoney) == 8);
