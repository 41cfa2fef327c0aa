#include "Over.h"

#include "OverCoeffs.h"
#include "OverKernel.h"

using namespace cinderpath_dsp;

const OverCoeffSet& OverCoeffsFor(unsigned factor)
{
  // The table holds 2 ... 20 in order, then 32.
  if (factor >= 2 && factor <= 20) return kOverCoeffSets[factor - 2];
  if (factor == 32) return kOverCoeffSets[kOverCoeffSetCount - 1];
  return kOverCoeffSets[0];
}

Over::Over()
{
  Set(2);
  Clear();
}

void Over::Set(unsigned factor)
{
  const OverCoeffSet& s = OverCoeffsFor(factor);
  for (int i = 0; i < 7; ++i) mA[i] = s.a[i];
  for (int i = 0; i < 4; ++i) mB[i] = s.b[i];
}

void Over::Clear()
{
  for (int i = 0; i < 8; ++i)
  {
    mX[i] = 0.0;
    mY[i] = 0.0;
  }
  mPos = 0;
}

// One step through the shared kernel: the ring is copied into a window and
// back, so these single steps compute exactly what the stage's written-out
// paths compute.
template <int J>
double Over::Step(double x)
{
  OverCoef<double> c;
  OverWin<double> w;
  LoadCoef(c, *this);
  LoadWin(w, *this);
  const double y = OverStep<J>(c, w, x);
  StoreWin(*this, w, 1);
  return y;
}

double Over::Run(double x) { return Step<0>(x); }
double Over::Run01() { return Step<1>(0.0); }
double Over::Run02() { return Step<2>(0.0); }
double Over::Run03() { return Step<3>(0.0); }
double Over::Run04() { return Step<4>(0.0); }
double Over::Run05() { return Step<5>(0.0); }
double Over::Run06() { return Step<6>(0.0); }
double Over::Run07() { return Step<7>(0.0); }
double Over::Run08() { return Step<8>(0.0); }

double Over::RunZero(unsigned step)
{
  switch (step)
  {
    case 0: return Run(0.0);
    case 1: return Run01();
    case 2: return Run02();
    case 3: return Run03();
    case 4: return Run04();
    case 5: return Run05();
    case 6: return Run06();
    case 7: return Run07();
    default: return Run08();
  }
}
