#pragma once

// The tail probabilities the comparisons turn their statistics into.
namespace model {

// I_x(a, b), the regularized incomplete beta function, for a, b > 0 and x in [0, 1].
double regularizedBeta(double a, double b, double x);
// The probability that |T| >= |t| for Student's t with df degrees of freedom (df > 0).
double studentTwoSided(double t, double df);
// The probability that |Z| >= |z| for a standard normal Z.
double normalTwoSided(double z);

} // namespace model
