#include "Filters.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kTwoPiSingle = 6.2831854820251465;  // 2π rounded to float
constexpr double kPiSingle = 3.1415927410125732;     // π rounded to float
constexpr double kMinRatioSingle = 0.009999999776482582;  // 0.01f
constexpr double kMaxRatioSingle = 0.44999998807907104;   // 0.45f
constexpr double kQ1 = 0.7653669714927673;  // 2·sin(π/8) rounded to float
constexpr double kQ2 = 1.8477590084075928;  // 2·cos(π/8) rounded to float

// The peaking and shelf designs put their poles on the unit circle when w0
// reaches π and outside it beyond; host rates below 20 kHz would get there
// with the upper parameter ranges, so the frequency is held just below
// Nyquist. Lower frequencies are left exactly as given.
double ClampBiquadFreq(double freqHz, double sampleRateHz)
{
  const double maxHz = Biquad::kMaxFreqRatio * sampleRateHz;
  return freqHz > maxHz ? maxHz : freqHz;
}

bool ValidRate(double sampleRateHz) { return std::isfinite(sampleRateHz) && sampleRateHz > 0.0; }

bool ValidFreq(double freqHz) { return std::isfinite(freqHz) && freqHz > 0.0; }

}  // namespace

// ---------------------------------------------------------------- OnePoleHP

OnePoleHP::OnePoleHP() : mX1(0.0), mY1(0.0), mG(1.0), mP(1.0) {}

bool OnePoleHP::Set(double freqHz, double sampleRateHz)
{
  if (!ValidRate(sampleRateHz) || !ValidFreq(freqHz)) return false;
  mP = std::exp(-kTwoPi * freqHz / sampleRateHz);
  mG = (1.0 + mP) * 0.5;
  return true;
}

void OnePoleHP::Clear()
{
  mX1 = 0.0;
  mY1 = 0.0;
}

// ------------------------------------------------------------------- Biquad

Biquad::Biquad()
  : mB0(1.0), mB1(0.0), mB2(0.0), mA1(0.0), mA2(0.0), mY1(0.0), mY2(0.0), mX1(0.0), mX2(0.0)
{
}

bool Biquad::SetPeak(double freqHz, double gainDb, double sampleRateHz)
{
  if (!ValidRate(sampleRateHz) || !ValidFreq(freqHz) || !std::isfinite(gainDb)) return false;
  const double w0 = kTwoPi * ClampBiquadFreq(freqHz, sampleRateHz) / sampleRateHz;
  const double a = std::pow(10.0, gainDb / 40.0);
  const double alpha = 2.0 * std::sin(w0);
  const double a0 = 1.0 + alpha / a;
  const double b1 = -2.0 * std::cos(w0) / a0;  // b1 = a1 for this design
  mB0 = (1.0 + alpha * a) / a0;
  mB1 = b1;
  mB2 = (1.0 - alpha * a) / a0;
  mA1 = b1;
  mA2 = (1.0 - alpha / a) / a0;
  return true;
}

bool Biquad::SetShelf(double freqHz, double gainDb, double sampleRateHz)
{
  if (!ValidRate(sampleRateHz) || !ValidFreq(freqHz) || !std::isfinite(gainDb)) return false;
  const double w0 = kTwoPi * ClampBiquadFreq(freqHz, sampleRateHz) / sampleRateHz;
  const double a = std::pow(10.0, gainDb / 40.0);
  const double cs = std::cos(w0);
  const double s = 2.0 * std::sqrt(a) * std::sin(w0);
  const double a0 = (a + 1.0) - (a - 1.0) * cs + s;
  mB0 = a * ((a + 1.0) + (a - 1.0) * cs + s) / a0;
  mB1 = -2.0 * a * ((a - 1.0) + (a + 1.0) * cs) / a0;
  mB2 = a * ((a + 1.0) + (a - 1.0) * cs - s) / a0;
  mA1 = 2.0 * ((a - 1.0) - (a + 1.0) * cs) / a0;
  mA2 = ((a + 1.0) - (a - 1.0) * cs - s) / a0;
  return true;
}

void Biquad::Clear()
{
  mY1 = mY2 = mX1 = mX2 = 0.0;
}

// ----------------------------------------------------------------- LowPass4

LowPass4::LowPass4()
  : mK4(0.0), mK8(0.0), mK2(0.0), mPiOverFs(0.0), mA1a(0.0), mA2a(0.0), mA1b(0.0), mA2b(0.0),
    mW1a(0.0), mW2a(0.0), mW1b(0.0), mW2b(0.0), mGain(1.0), mMinFreq(0.0), mMaxFreq(0.0)
{
  SetSampleRate(44100.0);
  Set(1000.0, 0.0);
}

bool LowPass4::SetSampleRate(double sampleRateHz)
{
  if (!ValidRate(sampleRateHz)) return false;
  const double fs = sampleRateHz;
  mK4 = 4.0 * fs * fs;
  mK8 = 8.0 * fs * fs;
  mK2 = 2.0 * fs;
  mPiOverFs = kPiSingle / fs;
  mMinFreq = kMinRatioSingle * fs;
  mMaxFreq = kMaxRatioSingle * fs;
  return true;
}

bool LowPass4::Set(double cutoffHz, double r)
{
  if (!std::isfinite(cutoffHz) || !std::isfinite(r)) return false;
  double fc = cutoffHz;
  if (fc < mMinFreq) fc = mMinFreq;
  if (fc > mMaxFreq) fc = mMaxFreq;
  if (r < 0.0) r = 0.0;
  if (r > 1.0) r = 1.0;

  // Pre-warped analogue corner; the tangent is deliberately single precision.
  const double w = double(std::tan(float(fc * mPiOverFs))) * mK2;
  const double e = 1.0 / (w * w);
  const double t = 2.0 - e * mK8;
  const double n = mK4 * e + 1.0;

  const double q1 = kQ1 / (6.0 * r + 1.0);
  const double u1 = q1 * mK2 / w;
  const double a0 = u1 + n;
  mA1a = t / a0;
  mA2a = (n - u1) / a0;

  const double q2 = kQ2 / (6.0 * r + 1.0);
  const double u2 = q2 * mK2 / w;
  const double a0b = u2 + n;
  mA1b = t / a0b;
  mA2b = (n - u2) / a0b;

  mGain = 1.0 / (a0 * a0b);
  return true;
}

void LowPass4::Clear()
{
  mW1a = mW2a = mW1b = mW2b = 0.0;
}

// ---------------------------------------------------------------- OnePoleLP

OnePoleLP::OnePoleLP() : mY1(0.0), mC(0.0) {}

bool OnePoleLP::Set(double freqHz, double sampleRateHz)
{
  if (!ValidRate(sampleRateHz) || !ValidFreq(freqHz)) return false;
  mC = std::exp(-kTwoPiSingle * freqHz / sampleRateHz);
  return true;
}

void OnePoleLP::Clear()
{
  mY1 = 0.0;
}
