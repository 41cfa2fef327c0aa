#ifndef CINDERPATH_OVERMODAL_H
#define CINDERPATH_OVERMODAL_H

// The oversampling filter of one factor in modal (partial-fraction) form,
// derived from its coefficient set (OverCoeffs.h), which stays the
// definition of the filter:
//
//   H(z) = c + sum over the seven poles p of r / (1 - p z^-1)
//
// The seven poles are three complex-conjugate pairs and one real pole. Each
// pair is carried by one complex state W = 2·r·s (s the pole's own state),
// whose real part is the pair's share of the output; the real pole by one
// real state W = r·s. So a filter's state is seven doubles, in the order
// Re W0, Im W0, Re W1, Im W1, Re W2, Im W2, W3, and
//
//   W(n) = p·W(n-1) + R·x(n)    (R = 2r for a pair, r for the real pole)
//   y(n) = c·x(n) + sum Re W(n)
//
// Over one group of N sub-samples (one host sample) every mode only turns
// by p^N, and each sub-sample's output is a dot product of the state with a
// row of this table, so the N outputs do not wait for each other. All
// values are computed once per factor in long double and rounded to double.
//
// The maps between this form and the direct form's rings (Over) let the
// stage change factor mid-stream from the same signal history, and keep the
// rings meaningful for the one-sample path.

#include <cstdint>

class Over;

namespace cinderpath_dsp {

// The precision of the derivation: quadruple where the compiler has it
// (long double elsewhere, which is quadruple on some targets). The poles of
// the higher factors lie close together, so a root of the denominator moves
// by about the rounding of its evaluation divided by the product of its
// distances to the others (1e-8 at factor 16): long double alone would leave
// poles and residues wrong by about 1e-9, and the inverse that maps a ring
// to a state as much.
#if defined(__SIZEOF_FLOAT128__) && !defined(__aarch64__)
typedef __float128 ModalReal;
#else
typedef long double ModalReal;
#endif

// The precision of the maps between the modal states and the rings (run
// once per factor change, on the render thread): long double, hardware
// arithmetic on x86, 4.5 times as fast there as quadruple and fine enough:
// the output after a change follows the exact stage to about 1e-12 at the
// factors in use (5e-11 after a change to 32).
typedef long double ModalMapReal;

constexpr int kModalStates = 7;  // real components of one filter's state
constexpr int kModalMaxFactor = 32;

// The modal tables of one factor. Rows hold eight entries: the seven state
// components and, last, the input's own coefficient.
struct OverModal
{
  unsigned factor;  // N

  // Interpolator, input N·x at sub-sample 0 and zeros after it.
  // Sub-sample j's output: sum of upOut[j][m]·W[m] plus upOut[j][7]·x.
  double upOut[kModalMaxFactor][8];
  // State after the group: W <- p^N·W + upIn·x (upIn = N·p^(N-1)·R).
  double upIn[kModalStates];

  // Decimator. Output of sub-sample 0, the one kept: sum of downOut[m]·W[m]
  // (the state before the group) plus downOut[7]·d0.
  double downOut[8];
  // State after the group: W <- p^N·W + sum over j of downIn[j]·d_j
  // (downIn[j] = p^(N-1-j)·R).
  double downIn[kModalMaxFactor][8];

  // p^N per mode: {Re, Im} of the three pairs, then the real pole (Im 0).
  double turn[4][2];

  // The rows above as the block path's vectors take them: two sub-samples
  // (2q, 2q + 1) of two channels, {row 2q, row 2q, row 2q+1, row 2q+1} per
  // entry (zero rows past N), and the decimator's output row in every lane.
  alignas(32) double upOut4[kModalMaxFactor / 2][8][4];
  alignas(32) double downIn4[kModalMaxFactor / 2][8][4];
  alignas(32) double downOut4[8][4];
  // The same at factor 2, where a group is one pair: headOut4[0] holds
  // sub-sample 0's row in the low lanes and the decimator's output row in
  // the high lanes, headOut4[1] sub-sample 1's row. The inputs to the
  // states as two products per component: headIn4[0] holds upIn in the low
  // lanes and downIn[1] in the high lanes (against x and d_1), headIn4[1]
  // zero and downIn[0] (against d_1 and d_0).
  alignas(32) double headOut4[2][8][4];
  alignas(32) double headIn4[2][kModalStates][4];

  // Wide form for the maps to and from the rings (derived in ModalReal).
  ModalMapReal pole[4][2];     // p: {Re, Im}
  ModalMapReal inv[4][2];      // 1/p
  ModalMapReal residue[4][2];  // R: {Re, Im}
  ModalMapReal direct;         // c
  // State from the zero-input response z(1) ... z(7): W = fromZir · z.
  ModalMapReal fromZir[kModalStates][kModalStates];
  // The coefficient set it was derived from (a1 ... a7, b0 ... b3).
  double a[7];
  double b[4];
};

// The tables for `factor` (2 ... 20 and 32; any other factor gets the
// factor-2 tables, as Over::Set gives it the factor-2 set). All tables are
// built together on the first call; call it once outside the render thread
// (ValveStage's constructor does) so that the render thread only reads them.
// [any thread]
const OverModal& OverModalFor(unsigned factor);

// The modal state that continues the filter `f` (its rings, with the
// coefficients of `t`) exactly as the direct form would: the state whose
// zero-input response equals the rings'. [render thread; no allocation]
void ModalFromRing(const Over& f, const OverModal& t, double w[kModalStates]);

// The modal state of the tables `to` that continues the filter `f`, whose
// state is the modal state `w` of the tables `from` on f's input ring (its
// output ring need not be current), exactly as the direct form would after
// a change of coefficients. The outputs the direct form would hold are
// recovered from `w` and used in ModalMapReal without rounding them to
// double: the new filter's response to its output ring is about
// 1 / (1 + a1 + ... + a7) times more sensitive to that ring than to its own
// state (3e8 at factor 32), so their rounding alone would put the output
// 1e-8 off. [render thread; no allocation]
void ModalFromModal(const Over& f, const OverModal& from, const double w[kModalStates], const OverModal& to,
                    double out[kModalStates]);

// Writes the output ring of `f` for the modal state `w`, given its input
// ring (the newest entry at f.mPos): the outputs are recovered by running
// the state back seven steps. Returns them in `y` (y[0] the
// newest). [render thread; no allocation]
void RingFromModal(Over& f, const OverModal& t, const double w[kModalStates], double y[8]);

}  // namespace cinderpath_dsp

#endif
