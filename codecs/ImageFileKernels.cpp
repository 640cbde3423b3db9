// The interpolation kernels: weights by distance from the sample point, in single precision,
// and the order-1 Bessel function behind KernelBessel in double precision.
#include <cmath>

#include "codecs/ImageFile.h"

namespace {
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

float PositiveCube(float t) { return t > 0 ? t * t * t : 0; }

// The ratio of two polynomials in u by Horner's rule, coefficients from the constant term up.
template <int N>
double PolynomialRatio(const double (&numerator)[N], const double (&denominator)[N], double u) {
  double n = numerator[N - 1];
  double d = denominator[N - 1];
  for (int i = N - 2; i >= 0; --i) {
    n = n * u + numerator[i];
    d = d * u + denominator[i];
  }
  return n / d;
}
}  // namespace

float CImageFile::KernelBSpline(float x) {
  if (x > 2.0f) return 0;
  return (PositiveCube(x + 2) - 4 * PositiveCube(x + 1) + 6 * PositiveCube(x) - 4 * PositiveCube(x - 1)) *
         0.16666667f;
}

float CImageFile::KernelLinear(float t) {
  if (t < -1.0f || t >= 1.0f) return 0;
  return t < 0 ? t + 1 : 1 - t;
}

float CImageFile::KernelCubic(float t) {
  const float a = std::fabs(t);
  const float a2 = a * a;
  if (a < 1.0f) return 1 - 2 * a2 + a2 * a;
  if (a < 2.0f) return 4 - 8 * a + 5 * a2 - a2 * a;
  return 0;
}

float CImageFile::KernelGeneralizedCubic(float t, float p) {
  const float a = std::fabs(t);
  const float a2 = a * a;
  if (a < 1.0f) return (p + 2) * a2 * a - (p + 3) * a2 + 1;
  if (a < 2.0f) return p * a2 * a - 5 * p * a2 + 8 * p * a - 4 * p;
  return 0;
}

float CImageFile::KernelLanczosSinc(float t, float r) {
  if (std::fabs(t) > r) return 0;
  if (t == 0) return 1;
  const float pit = kPi * t;
  const float pitr = pit / r;
  return (std::sin(pit) / pit) * (std::sin(pitr) / pitr);
}

float CImageFile::KernelBox(float x) { return x < 0.5f && x >= -0.5f ? 1.0f : 0.0f; }

float CImageFile::KernelHermite(float x) {
  if (x < -1.0f || x >= 1.0f) return 0;
  return (2 * std::fabs(x) - 3) * x * x + 1;
}

float CImageFile::KernelHamming(float x) {
  if (x < -1.0f || x >= 1.0f) return 0;
  return (2 * std::fabs(x) - 3) * x * x * 0.92f + 1;
}

float CImageFile::KernelSinc(float x) {
  if (x == 0) return 1;
  return std::sin(kPi * x) / (kPi * x);
}

float CImageFile::KernelBlackman(float x) {
  return 0.42f + 0.5f * std::cos(kPi * x) + 0.08f * std::cos(kTwoPi * x);
}

double CImageFile::KernelBessel_J1(double x) {
  static constexpr double kNumerator[9] = {
      0.581199354001606115328e21, -0.66721065689249161216e20, 0.2316433580634002432e19,
      -0.3588817569910106e17,     0.29087952638347756e15,     -0.13229834803321265e13,
      0.34132341823017006e10,     -0.4695753530642996e7,      0.27011227108923235e4,
  };
  static constexpr double kDenominator[9] = {
      0.1162398708003212230656e22, 0.11857707121903210496e20, 0.60920613989175216e17,
      0.20816612213076075e15,      0.52437102621676495e12,    0.1013863514358674e10,
      0.15017935949985855e7,       0.16069315734814877e4,     1.0,
  };
  return PolynomialRatio(kNumerator, kDenominator, x * x);
}

double CImageFile::KernelBessel_P1(double x) {
  static constexpr double kNumerator[6] = {
      0.35224664913367980e5, 0.62758845247161281e5, 0.31353963110915956e5,
      0.49854832060594335e4, 0.21115291828539623e3, 0.12571716929145342e1,
  };
  static constexpr double kDenominator[6] = {
      0.35224664913367980e5, 0.62694346959356050e5, 0.31240406381904104e5,
      0.49303964901810890e4, 0.20307751891347593e3, 1.0,
  };
  const double z = 8.0 / x;
  return PolynomialRatio(kNumerator, kDenominator, z * z);
}

double CImageFile::KernelBessel_Q1(double x) {
  static constexpr double kNumerator[6] = {
      0.35117519143035526e3, 0.72103918049044750e3, 0.42598730116544425e3,
      0.83189895767385080e2, 0.45681716295512270e1, 0.3532840052740124e-1,
  };
  static constexpr double kDenominator[6] = {
      0.74917374171809120e4, 0.15414177339265098e5, 0.91522317015169920e4,
      0.18111867005523513e4, 0.10381875854621337e3, 1.0,
  };
  const double z = 8.0 / x;
  return PolynomialRatio(kNumerator, kDenominator, z * z);
}

double CImageFile::KernelBessel_Order1(double x) {
  if (x == 0) return 0;
  const double p = std::fabs(x);
  if (p < 8) return x * KernelBessel_J1(p);
  const double k = static_cast<double>(static_cast<float>(1 / std::sqrt(2.0)));
  const double s = std::sin(p);
  const double c = std::cos(p);
  const double q = std::sqrt(2 / (static_cast<double>(kPi) * p)) *
                   (KernelBessel_P1(p) * k * (s - c) + 8 / p * KernelBessel_Q1(p) * k * (s + c));
  return x < 0 ? -q : q;
}

float CImageFile::KernelBessel(float x) {
  if (x == 0) return 0.7853982f;
  return static_cast<float>(KernelBessel_Order1(static_cast<double>(kPi * x)) / (2.0 * x));
}

float CImageFile::KernelGaussian(float x) { return std::exp(-2.0f * x * x) * 0.7978846f; }

float CImageFile::KernelQuadratic(float x) {
  if (x < -1.5f) return 0;
  if (x < -0.5f) return 0.5f * (x + 1.5f) * (x + 1.5f);
  if (x < 0.5f) return 0.75f - x * x;
  if (x < 1.5f) return 0.5f * (x - 1.5f) * (x - 1.5f);
  return 0;
}

float CImageFile::KernelMitchell(float x) {
  const float x2 = x * x;
  if (x < -2.0f) return 0;
  if (x < -1.0f) return 1.7777778f + 3.3333333f * x + 2 * x2 + 0.3888889f * x2 * x;
  if (x < 0.0f) return 0.8888889f - 2 * x2 - 1.1666666f * x2 * x;
  if (x < 1.0f) return 0.8888889f - 2 * x2 + 1.1666666f * x2 * x;
  if (x < 2.0f) return 1.7777778f - 3.3333333f * x + 2 * x2 - 0.3888889f * x2 * x;
  return 0;
}

float CImageFile::KernelCatrom(float x) {
  if (x < -2.0f) return 0;
  if (x < -1.0f) return 0.5f * (((x + 5) * x + 8) * x + 4);
  if (x < 0.0f) return 0.5f * ((-5 - 3 * x) * x * x + 2);
  if (x < 1.0f) return 0.5f * ((3 * x - 5) * x * x + 2);
  if (x < 2.0f) return 0.5f * (((5 - x) * x - 8) * x + 4);
  return 0;
}
