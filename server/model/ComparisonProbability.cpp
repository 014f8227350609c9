#include "server/model/ComparisonProbability.h"

#include <cmath>

namespace model {

namespace {

// The continued fraction of I_x(a, b) (modified Lentz), which converges quickly for
// x < (a + 1) / (a + b + 2); the other side follows from I_x(a, b) = 1 - I_(1-x)(b, a).
double betaFraction(double a, double b, double x)
{
    constexpr double tiny = 1e-300;
    auto guard = [](double v) { return std::fabs(v) < tiny ? tiny : v; };
    double c = 1.0;
    double d = 1.0 / guard(1.0 - (a + b) * x / (a + 1.0));
    double h = d;
    for (int m = 1; m <= 500; ++m) {
        const double m2 = 2.0 * m;
        double step = m * (b - m) * x / ((a - 1.0 + m2) * (a + m2));
        d = 1.0 / guard(1.0 + step * d);
        c = guard(1.0 + step / c);
        h *= d * c;
        step = -(a + m) * (a + b + m) * x / ((a + m2) * (a + 1.0 + m2));
        d = 1.0 / guard(1.0 + step * d);
        c = guard(1.0 + step / c);
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < 1e-15)
            break;
    }
    return h;
}

} // namespace

double regularizedBeta(double a, double b, double x)
{
    if (!(x > 0.0))
        return 0.0;
    if (!(x < 1.0))
        return 1.0;
    const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) +
                                  b * std::log1p(-x));
    if (x < (a + 1.0) / (a + b + 2.0))
        return front * betaFraction(a, b, x) / a;
    return 1.0 - front * betaFraction(b, a, 1.0 - x) / b;
}

double studentTwoSided(double t, double df)
{
    if (!std::isfinite(t))
        return 0.0;
    return regularizedBeta(df / 2.0, 0.5, df / (df + t * t));
}

double normalTwoSided(double z)
{
    return std::erfc(std::fabs(z) / std::sqrt(2.0));
}

} // namespace model
