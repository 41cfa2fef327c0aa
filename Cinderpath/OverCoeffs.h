#ifndef CINDERPATH_OVERCOEFFS_H
#define CINDERPATH_OVERCOEFFS_H

// One coefficient set of the oversampling filter: the factor it belongs to,
// the symmetric numerator's first half b0 ... b3 and the denominator a1 ... a7.
struct OverCoeffSet
{
  unsigned factor;
  double b[4];
  double a[7];
};

// Sets for factors 2 ... 20 and 32, in that order (generated table).
constexpr int kOverCoeffSetCount = 20;
extern const OverCoeffSet kOverCoeffSets[kOverCoeffSetCount];

// The set for `factor`; factors without their own set get the factor-2 set.
// [any thread]
const OverCoeffSet& OverCoeffsFor(unsigned factor);

#endif
