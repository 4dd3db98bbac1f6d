#include "sim/SimMath.h"

#include <cmath>
#include <limits>

// Only + - * / and sqrt, each rounded as IEEE 754 says, in an order the
// compiler may not change: the build turns off contraction into fused
// multiply-adds and never allows fast-math.
namespace {

// pi/2 in two parts: the high part has 33 significant bits, so k * hi is exact
// for every k the game's angles reach.
constexpr double kHalfPiHi = 1.57079632673412561417e+00;
constexpr double kHalfPiLo = 6.07710050650619224932e-11;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kPi = 3.141592653589793;
constexpr double kSixthPi = 0.5235987755982988;

// Taylor series on |r| <= pi/4 (plus rounding): the first term left out is below 1e-19.
double sinKernel(double r)
{
    const double z = r * r;
    const double p =
        -0.16666666666666666 +
        z * (0.008333333333333333 +
             z * (-0.0001984126984126984 +
                  z * (2.7557319223985893e-06 +
                       z * (-2.505210838544172e-08 +
                            z * (1.6059043836821613e-10 +
                                 z * (-7.647163731819816e-13 +
                                      z * (2.8114572543455206e-15 + z * -8.22063524662433e-18)))))));
    return r + r * z * p;
}

double cosKernel(double r)
{
    const double z = r * r;
    const double p =
        0.041666666666666664 +
        z * (-0.001388888888888889 +
             z * (2.48015873015873e-05 +
                  z * (-2.755731922398589e-07 +
                       z * (2.08767569878681e-09 +
                            z * (-1.1470745597729725e-11 +
                                 z * (4.779477332387385e-14 +
                                      z * (-1.5619206968586225e-16 + z * 4.110317623312165e-19)))))));
    return 1.0 - 0.5 * z + z * z * p;
}

// The quarter turn x lies in (0 to 3) and what is left of it, |r| <= pi/4.
double reduce(double x, int &quarter)
{
    const double k = std::nearbyint(x / kHalfPi);
    quarter = int(std::fmod(k, 4.0));
    if (quarter < 0) quarter += 4;
    return (x - k * kHalfPiHi) - k * kHalfPiLo;
}

double sinCos(float x, int shift)
{
    if (!std::isfinite(x)) return std::numeric_limits<double>::quiet_NaN();
    int quarter = 0;
    const double r = reduce(x, quarter);
    switch ((quarter + shift) & 3) {
        case 0: return sinKernel(r);
        case 1: return cosKernel(r);
        case 2: return -sinKernel(r);
        default: return -cosKernel(r);
    }
}

// atan(t) for 0 <= t <= 1: past tan(pi/12) it is pi/6 + atan of a smaller argument.
double atanUnit(double t)
{
    double base = 0.0;
    if (t > 0.2679491924311227) {
        const double third = std::sqrt(3.0) / 3.0;
        t = (t - third) / (1.0 + t * third);
        base = kSixthPi;
    }
    const double z = t * t;
    constexpr double c[] = {0.030303030303030304, -0.03225806451612903, 0.034482758620689655,
                            -0.037037037037037035, 0.04, -0.043478260869565216, 0.047619047619047616,
                            -0.05263157894736842, 0.058823529411764705, -0.06666666666666667,
                            0.07692307692307693, -0.09090909090909091, 0.1111111111111111,
                            -0.14285714285714285, 0.2, -0.3333333333333333};
    double p = 0.0;
    for (double coefficient : c)
        p = coefficient + z * p;
    return base + (t + t * z * p);
}

}  // namespace

namespace sim {

float sin(float x) { return float(sinCos(x, 0)); }

float cos(float x) { return float(sinCos(x, 1)); }

float atan2(float y, float x)
{
    if (std::isnan(x) || std::isnan(y)) return std::numeric_limits<float>::quiet_NaN();
    const double ax = std::fabs(double(x)), ay = std::fabs(double(y));
    double angle;
    if (ay == 0.0) {
        // On the x axis: 0 to the right, pi to the left (the sign of a zero x counts, as in atan2).
        angle = std::signbit(x) ? kPi : 0.0;
    } else if (std::isinf(ax) || std::isinf(ay)) {
        angle = std::isinf(ax) && std::isinf(ay) ? kPi / 4.0 : std::isinf(ay) ? kHalfPi : 0.0;
        if (std::signbit(x)) angle = kPi - angle;
    } else {
        angle = ay <= ax ? atanUnit(ay / ax) : kHalfPi - atanUnit(ax / ay);
        if (std::signbit(x)) angle = kPi - angle;
    }
    return float(std::signbit(y) ? -angle : angle);
}

float hypot(float x, float y)
{
    const double dx = x, dy = y;
    return float(std::sqrt(dx * dx + dy * dy));
}

}  // namespace sim
