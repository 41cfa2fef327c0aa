#include "OverModal.h"

#include "Over.h"
#include "OverCoeffs.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace cinderpath_dsp {
namespace {

typedef ModalReal Real;
typedef ModalMapReal MapReal;

template <typename T>
struct CxT
{
  T re, im;
};
typedef CxT<Real> Cx;

template <typename T> inline CxT<T> operator+(CxT<T> a, CxT<T> b) { return {a.re + b.re, a.im + b.im}; }
template <typename T> inline CxT<T> operator-(CxT<T> a, CxT<T> b) { return {a.re - b.re, a.im - b.im}; }
template <typename T>
inline CxT<T> operator*(CxT<T> a, CxT<T> b)
{
  return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
template <typename T> inline CxT<T> operator*(T a, CxT<T> b) { return {a * b.re, a * b.im}; }
template <typename T>
inline CxT<T> operator/(CxT<T> a, CxT<T> b)
{
  const T d = b.re * b.re + b.im * b.im;
  return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}
inline double Magnitude(Cx a) { return std::hypot(double(a.re), double(a.im)); }

// a(z) = z^7 + a1 z^6 + ... + a7 at z.
Cx Denominator(const double* a, Cx z)
{
  Cx v{1, 0};
  for (int i = 0; i < 7; ++i) v = v * z + Cx{a[i], 0};
  return v;
}

Cx DenominatorSlope(const double* a, Cx z)
{
  Cx v{7, 0};
  for (int i = 0; i < 6; ++i) v = v * z + Cx{Real(6 - i) * Real(a[i]), 0};
  return v;
}

// b(z) = b0 z^7 + b1 z^6 + ... + b7 (symmetric: b7 = b0 ...) at z.
Cx Numerator(const double* b, Cx z)
{
  const double c[8] = {b[0], b[1], b[2], b[3], b[3], b[2], b[1], b[0]};
  Cx v{0, 0};
  for (double ci : c) v = v * z + Cx{ci, 0};
  return v;
}

// The seven roots of the denominator: simultaneous iteration from points
// spread around a circle in long double, then Newton steps in Real to
// polish each root. The simultaneous iteration stops once no root moves by
// more than 1e-9: the long double evaluation of the clustered roots of the
// higher factors stalls it at 1e-13 ... 1e-11 anyway (it used to spin out
// its 500 rounds there, most of a plug-in instance's set-up time), and from
// 1e-9 each Newton step squares the error relative to the roots' spacing.
void Poles(const double* a, Cx p[7])
{
  typedef std::complex<long double> C;
  C z[7];
  const C seed(0.4L, 0.9L);
  z[0] = 1.0L;
  for (int i = 1; i < 7; ++i) z[i] = z[i - 1] * seed;
  for (int iter = 0; iter < 500; ++iter)
  {
    long double moved = 0.0L;
    for (int i = 0; i < 7; ++i)
    {
      C num = 1.0L, den = 1.0L;
      for (int j = 0; j < 7; ++j) num = num * z[i] + (long double)a[j];
      for (int j = 0; j < 7; ++j)
        if (j != i) den *= z[i] - z[j];
      const C step = num / den;
      z[i] -= step;
      moved = std::max(moved, std::abs(step));
    }
    if (moved < 1e-9L) break;
  }
  for (int i = 0; i < 7; ++i)
  {
    p[i] = Cx{z[i].real(), z[i].imag()};
    for (int k = 0; k < 6; ++k) p[i] = p[i] - Denominator(a, p[i]) / DenominatorSlope(a, p[i]);
  }
}

void Invert(Real m[kModalStates][kModalStates], MapReal out[kModalStates][kModalStates])
{
  const int n = kModalStates;
  Real w[kModalStates][2 * kModalStates];
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < 2 * n; ++j) w[i][j] = j < n ? m[i][j] : (j - n == i ? 1 : 0);
  for (int c = 0; c < n; ++c)
  {
    int pivot = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(double(w[r][c])) > std::fabs(double(w[pivot][c]))) pivot = r;
    for (int j = 0; j < 2 * n; ++j) std::swap(w[c][j], w[pivot][j]);
    const Real d = w[c][c];
    for (int j = 0; j < 2 * n; ++j) w[c][j] /= d;
    for (int r = 0; r < n; ++r)
    {
      if (r == c) continue;
      const Real f = w[r][c];
      for (int j = 0; j < 2 * n; ++j) w[r][j] -= f * w[c][j];
    }
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) out[i][j] = MapReal(w[i][n + j]);
}

// Writes the complex value v into the row entries of mode k (the real pole,
// k = 3, takes the real part alone). For a dot product with the state the
// imaginary part enters negated: Re(v·W) = Re v·Re W - Im v·Im W.
void PutProduct(double* row, int k, Cx v)
{
  if (k < 3)
  {
    row[2 * k] = double(v.re);
    row[2 * k + 1] = double(-v.im);
  }
  else
    row[6] = double(v.re);
}

// The value v itself (a term added to the state).
void PutValue(double* row, int k, Cx v)
{
  if (k < 3)
  {
    row[2 * k] = double(v.re);
    row[2 * k + 1] = double(v.im);
  }
  else
    row[6] = double(v.re);
}

void Build(const OverCoeffSet& set, unsigned n, OverModal& t)
{
  t = OverModal{};
  t.factor = n;
  for (int i = 0; i < 7; ++i) t.a[i] = set.a[i];
  for (int i = 0; i < 4; ++i) t.b[i] = set.b[i];

  Cx all[7];
  Poles(set.a, all);
  // Modes 0 ... 2: the poles with positive imaginary part, by angle; mode 3:
  // the real pole (the one nearest the real axis).
  int real = 0;
  for (int i = 1; i < 7; ++i)
    if (std::fabs(double(all[i].im)) < std::fabs(double(all[real].im))) real = i;
  int index[4];
  int count = 0;
  for (int i = 0; i < 7; ++i)
    if (i != real && all[i].im > 0 && count < 3) index[count++] = i;
  for (int i = 0; i < count; ++i)
    for (int j = i + 1; j < count; ++j)
      if (std::atan2(double(all[index[j]].im), double(all[index[j]].re)) <
          std::atan2(double(all[index[i]].im), double(all[index[i]].re)))
        std::swap(index[i], index[j]);
  index[3] = real;
  Cx mode[4];
  for (int k = 0; k < 4; ++k) mode[k] = all[index[k]];
  mode[3].im = 0;

  // Residues of H(z) = c + sum r / (1 - p z^-1): r = b(p) / (p·a'(p)), with
  // a'(p) the product of p's distances to the other six poles.
  const Real c = Real(set.b[0]) / Real(set.a[6]);
  Cx res[4];
  for (int k = 0; k < 4; ++k)
  {
    Cx slope{1, 0};
    for (int i = 0; i < 7; ++i)
      if (i != index[k]) slope = slope * (mode[k] - all[i]);
    res[k] = Numerator(set.b, mode[k]) / (mode[k] * slope);
    res[k] = k < 3 ? Real(2) * res[k] : Cx{res[k].re, 0};
  }
  t.direct = MapReal(c);
  for (int k = 0; k < 4; ++k)
  {
    t.pole[k][0] = MapReal(mode[k].re);
    t.pole[k][1] = MapReal(mode[k].im);
    const Cx inv = Cx{1, 0} / mode[k];
    t.inv[k][0] = MapReal(inv.re);
    t.inv[k][1] = MapReal(inv.im);
    t.residue[k][0] = MapReal(res[k].re);
    t.residue[k][1] = MapReal(res[k].im);
  }

  // Powers p^0 ... p^max(N, 7) per mode.
  Cx pw[4][kModalMaxFactor + 8];
  for (int k = 0; k < 4; ++k)
  {
    pw[k][0] = Cx{1, 0};
    for (unsigned m = 1; m <= n + 7; ++m) pw[k][m] = pw[k][m - 1] * mode[k];
  }
  const Real rn = Real(n);
  for (unsigned j = 0; j < n; ++j)
  {
    Real h = j == 0 ? c : Real(0);  // impulse response h(j)
    for (int k = 0; k < 4; ++k)
    {
      PutProduct(t.upOut[j], k, pw[k][j + 1]);
      h += (res[k] * pw[k][j]).re;
      PutValue(t.downIn[j], k, pw[k][n - 1 - j] * res[k]);
    }
    t.upOut[j][7] = double(rn * h);
    if (j == 0) t.downOut[7] = double(h);
  }
  for (int k = 0; k < 4; ++k)
  {
    PutValue(t.upIn, k, rn * (pw[k][n - 1] * res[k]));
    PutProduct(t.downOut, k, pw[k][1]);
    t.turn[k][0] = double(pw[k][n].re);
    t.turn[k][1] = k < 3 ? double(pw[k][n].im) : 0.0;
  }

  for (unsigned q = 0; q < kModalMaxFactor / 2; ++q)
    for (int m = 0; m < 8; ++m)
      for (int lane = 0; lane < 4; ++lane)
      {
        const unsigned j = 2 * q + unsigned(lane / 2);
        t.upOut4[q][m][lane] = j < n ? t.upOut[j][m] : 0.0;
        t.downIn4[q][m][lane] = j < n ? t.downIn[j][m] : 0.0;
      }
  for (int m = 0; m < 8; ++m)
    for (int lane = 0; lane < 4; ++lane)
    {
      const bool high = lane >= 2;
      t.downOut4[m][lane] = t.downOut[m];
      t.headOut4[0][m][lane] = high ? t.downOut[m] : t.upOut[0][m];
      t.headOut4[1][m][lane] = t.upOut[1][m];
      if (m < kModalStates)
      {
        t.headIn4[0][m][lane] = high ? t.downIn[1][m] : t.upIn[m];
        t.headIn4[1][m][lane] = high ? t.downIn[0][m] : 0.0;
      }
    }

  // Zero-input response z(m) = sum Re(p^m W), m = 1 ... 7, as a matrix on
  // the seven state components; its inverse maps a response to the state.
  Real zir[kModalStates][kModalStates];
  for (int m = 1; m <= 7; ++m)
    for (int k = 0; k < 4; ++k)
    {
      if (k < 3)
      {
        zir[m - 1][2 * k] = pw[k][m].re;
        zir[m - 1][2 * k + 1] = -pw[k][m].im;
      }
      else
        zir[m - 1][6] = pw[k][m].re;
    }
  Invert(zir, t.fromZir);
}

struct Tables
{
  OverModal set[kOverCoeffSetCount];
  Tables()
  {
    for (int i = 0; i < kOverCoeffSetCount; ++i) Build(kOverCoeffSets[i], kOverCoeffSets[i].factor, set[i]);
  }
};

}  // namespace

const OverModal& OverModalFor(unsigned factor)
{
  static const Tables tables;
  if (factor >= 2 && factor <= 20) return tables.set[factor - 2];
  if (factor == 32) return tables.set[kOverCoeffSetCount - 1];
  return tables.set[0];
}

namespace {

// The rings of `f`, newest first, in the wide type T: the inputs as stored.
template <typename T>
void InputRing(const Over& f, T x[8])
{
  for (uint32_t i = 0; i < 8; ++i) x[i] = f.mX[(f.mPos - i) & 7u];
}

// The outputs y(n) ... y(n-7) that the modal state `w` of the tables `t`
// gives with the inputs x (newest first): the state run back one step at a
// time, W(n-1) = (W(n) - R·x(n)) / p, in the wide type T throughout.
template <typename T>
void OutputsFromModal(const OverModal& t, const double w[kModalStates], const T x[8], T y[8])
{
  typedef CxT<T> C;
  C s[4], residue[4], inv[4];
  for (int k = 0; k < 4; ++k)
  {
    s[k] = k < 3 ? C{w[2 * k], w[2 * k + 1]} : C{w[6], 0};
    residue[k] = C{T(t.residue[k][0]), T(t.residue[k][1])};
    inv[k] = C{T(t.inv[k][0]), T(t.inv[k][1])};
  }
  const T direct = T(t.direct);
  for (int m = 0; m < 8; ++m)
  {
    T out = direct * x[m];
    for (int k = 0; k < 4; ++k) out += s[k].re;
    y[m] = out;
    for (int k = 0; k < 4; ++k) s[k] = (s[k] - x[m] * residue[k]) * inv[k];
  }
}

// The modal state of the tables `t` whose zero-input response equals that
// of the direct form with t's coefficients on the rings x and y (newest
// first): the direct form run on with zero inputs for seven steps, then
// the map from that response to the state, in the wide type T.
template <typename T>
void ModalFromRings(const OverModal& t, const T x[8], const T y[8], double w[kModalStates])
{
  const T b[8] = {t.b[0], t.b[1], t.b[2], t.b[3], t.b[3], t.b[2], t.b[1], t.b[0]};
  T z[8];
  for (int m = 1; m <= 7; ++m)
  {
    T acc = 0;
    for (int i = m; i <= 7; ++i) acc += b[i] * x[i - m];
    for (int i = 1; i <= 7; ++i) acc -= T(t.a[i - 1]) * (m - i >= 1 ? z[m - i] : y[i - m]);
    z[m] = acc;
  }
  for (int r = 0; r < kModalStates; ++r)
  {
    T acc = 0;
    for (int m = 0; m < kModalStates; ++m) acc += T(t.fromZir[r][m]) * z[m + 1];
    w[r] = double(acc);
  }
}

}  // namespace

void ModalFromRing(const Over& f, const OverModal& t, double w[kModalStates])
{
  MapReal x[8], y[8];
  InputRing(f, x);
  for (uint32_t i = 0; i < 8; ++i) y[i] = f.mY[(f.mPos - i) & 7u];
  ModalFromRings(t, x, y, w);
}

void ModalFromModal(const Over& f, const OverModal& from, const double w[kModalStates], const OverModal& to,
                    double out[kModalStates])
{
  MapReal x[8], y[8];
  InputRing(f, x);
  OutputsFromModal(from, w, x, y);
  ModalFromRings(to, x, y, out);
}

void RingFromModal(Over& f, const OverModal& t, const double w[kModalStates], double y[8])
{
  MapReal x[8], out[8];
  InputRing(f, x);
  OutputsFromModal(t, w, x, out);
  for (uint32_t m = 0; m < 8; ++m)
  {
    y[m] = double(out[m]);
    f.mY[(f.mPos - m) & 7u] = y[m];
  }
}

}  // namespace cinderpath_dsp
