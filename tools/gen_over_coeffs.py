#!/usr/bin/env python3
"""Generates the oversampling filter table Cinderpath/OverCoeffs.cpp.

Run from the repository root (Debian: apt-get install python3-mpmath, and
python3-scipy for the optional cross-check):

    python3 tools/gen_over_coeffs.py            # rewrites Cinderpath/OverCoeffs.cpp
    python3 tools/gen_over_coeffs.py --check    # prints the design check only

Every set is a seventh-order elliptic low-pass at the oversampled rate N*fs:
0.2 dB passband ripple, passband edge at 5/12 of the host rate, stopband edge
at 7/12 of the host rate (the passband edge mirrored about the host Nyquist
frequency). The stopband attenuation follows from order, ripple and the two
edges through the elliptic degree equation. The design runs in 60-digit
arithmetic: analogue prototype poles and zeros from Jacobi elliptic functions,
pre-warped bilinear transform, polynomial expansion; the denominator is
rounded to double and the numerator scaled against it for unity gain at DC. The numerator is symmetric by construction; only b0 ... b3
are stored. Factors 2, 4 and 16 keep their established values digit for digit
(they agree with this design to about 1e-8).
"""
import argparse
import os
import sys

import mpmath as mp

mp.mp.dps = 60

ORDER = 7
RIPPLE_DB = mp.mpf('0.2')
FACTORS = list(range(2, 21)) + [32]

# Established rows: b0..b3, a1..a7, as decimal strings kept verbatim.
FIXED = {
    2: (['0.006273939023363848', '0.024922266506352812', '0.0543782718414125',
         '0.07774045566846959'],
        ['-2.5932855880520607', '4.471672750712882', '-4.988912909267521',
         '4.011956258425628', '-2.234422637758902', '0.8110663774596027',
         '-0.15144438544043137']),
    4: (['0.001209126661615725', '-0.001373758513105418', '0.0023932103465033206',
         '-0.00017603815573696228'],
        ['-5.322431946735952', '12.826392234935547', '-17.994094801297717',
         '15.80604378702229', '-8.672808223376215', '2.7495427216894974',
         '-0.3885386915588973']),
    16: (['0.0002173850544834393', '-0.0010145737515022736', '0.001746011506319255',
          '-0.0009486430543259512'],
         ['-6.713680965202', '19.370237170847993', '-31.13171052137926',
          '30.10009818262658', '-17.50700982078386', '5.671478565250511',
          '-0.7894122518500162']),
}


def poly_from_roots(roots):
    c = [mp.mpc(1)]
    for r in roots:
        c = [(c[i] if i < len(c) else 0) - r * (c[i - 1] if i > 0 else 0)
             for i in range(len(c) + 1)]
    return [mp.re(x) for x in c]


def design(n_factor):
    """Returns (b[0..7], a[0..7], stopband attenuation in dB) in high precision."""
    fp = mp.mpf(5) / (12 * n_factor)   # passband edge / oversampled rate
    fs = mp.mpf(7) / (12 * n_factor)   # stopband edge / oversampled rate
    wp = mp.tan(mp.pi * fp)
    ws = mp.tan(mp.pi * fs)
    m = (wp / ws) ** 2                 # selectivity parameter of the prototype
    kk = mp.ellipk(m)
    kkp = mp.ellipk(1 - m)
    # Degree equation: the discrimination k1 that order 7 reaches.
    q1 = mp.exp(-mp.pi * ORDER * kkp / kk)
    k1 = (mp.jtheta(2, 0, q1) / mp.jtheta(3, 0, q1)) ** 2
    eps = mp.sqrt(mp.mpf(10) ** (RIPPLE_DB / 10) - 1)
    rs_db = 10 * mp.log10(1 + eps ** 2 / k1 ** 2)

    zeros, poles = [], []
    v0 = kk * mp.ellipf(mp.atan(1 / eps), 1 - k1 ** 2) / (ORDER * mp.ellipk(k1 ** 2))
    sv = mp.ellipfun('sn', v0, m=1 - m)
    cv = mp.ellipfun('cn', v0, m=1 - m)
    dv = mp.ellipfun('dn', v0, m=1 - m)
    for j in range(1 - ORDER % 2, ORDER, 2):
        u = j * kk / ORDER
        s = mp.ellipfun('sn', u, m=m)
        c = mp.ellipfun('cn', u, m=m)
        d = mp.ellipfun('dn', u, m=m)
        if abs(s) > mp.mpf(10) ** -40:
            z = 1j / (mp.sqrt(m) * s)
            zeros += [z, mp.conj(z)]
        p = -(c * d * sv * cv + 1j * s * dv) / (1 - (d * sv) ** 2)
        poles.append(p)
        if abs(mp.im(p)) > mp.mpf(10) ** -40:
            poles.append(mp.conj(p))
    assert len(poles) == ORDER and len(zeros) == ORDER - 1

    # Prototype edge 1 rad/s -> pre-warped edge; bilinear transform s = 2(z-1)/(z+1).
    wa = 2 * wp
    zd = [(2 + z * wa) / (2 - z * wa) for z in zeros] + [mp.mpf(-1)]
    pd = [(2 + p * wa) / (2 - p * wa) for p in poles]
    b = poly_from_roots(zd)
    a = poly_from_roots(pd)
    # The table stores a rounded to double; the numerator is scaled against
    # the rounded denominator so that the stored set itself has unity gain at
    # DC (at factor 32, 1 + sum(a) is below 1e-8 and the rounding of a alone
    # would shift the DC gain by about 1e-6).
    a = [mp.mpf(float(x)) for x in a]
    g = sum(a) / sum(b)
    b = [x * g for x in b]
    # Exactly symmetric numerator.
    b = [(b[i] + b[ORDER - i]) / 2 for i in range(ORDER + 1)]
    return b, a, rs_db


def response_db(b8, a8, f):
    """|H| in dB at f (cycles per oversampled sample), full precision."""
    z = mp.exp(-2j * mp.pi * f)
    num = sum(b8[i] * z ** i for i in range(8))
    den = sum(a8[i] * z ** i for i in range(8))
    return 20 * mp.log10(abs(num / den))


def table_row(n_factor):
    if n_factor in FIXED:
        bs, as_ = FIXED[n_factor]
        return bs, as_
    b, a, _ = design(n_factor)
    return ([repr(float(x)) for x in b[:4]], [repr(float(x)) for x in a[1:]])


def check(n_factor, bs, as_):
    """Design check on the stored (double) values."""
    bb = [mp.mpf(float(x)) for x in bs]
    b8 = bb + bb[::-1]
    a8 = [mp.mpf(1)] + [mp.mpf(float(x)) for x in as_]
    fp = mp.mpf(5) / (12 * n_factor)
    fsb = mp.mpf(7) / (12 * n_factor)
    pass_db = [response_db(b8, a8, fp * i / 200) for i in range(201)]
    stop_db = [response_db(b8, a8, fsb + (mp.mpf(1) / 2 - fsb) * i / 400) for i in range(401)]
    # -40 dB point relative to the host Nyquist frequency 1/(2N).
    lo, hi = fp, fsb
    for _ in range(60):
        mid = (lo + hi) / 2
        if response_db(b8, a8, mid) > -40:
            lo = mid
        else:
            hi = mid
    return (float(max(pass_db)), float(min(pass_db)), float(-max(stop_db)),
            float(lo * 2 * n_factor))


def cross_check_scipy(n_factor, rs_db, bs, as_):
    try:
        import scipy.signal as ss
    except ImportError:
        return None
    b, a = ss.ellip(ORDER, float(RIPPLE_DB), float(rs_db), 5.0 / (6 * n_factor))
    da = max(abs(a[i + 1] / a[0] - float(as_[i])) for i in range(7))
    return da


def emit(rows):
    out = []
    out.append('// Generated by tools/gen_over_coeffs.py; do not edit by hand.')
    out.append('// Seventh-order elliptic low-pass sets for the oversampling filters:')
    out.append('// 0.2 dB ripple, passband edge 5/12 and stopband edge 7/12 of the host')
    out.append('// rate, unity gain at DC, symmetric numerator (b0 ... b3 stored).')
    out.append('')
    out.append('#include "OverCoeffs.h"')
    out.append('')
    out.append('const OverCoeffSet kOverCoeffSets[kOverCoeffSetCount] = {')
    for n_factor, (bs, as_) in rows:
        out.append('  {%d,' % n_factor)
        out.append('   {%s},' % ', '.join(bs))
        out.append('   {%s}},' % ', '.join(as_))
    out.append('};')
    return '\n'.join(out) + '\n'


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--check', action='store_true', help='print the design check only')
    ap.add_argument('--out', default=os.path.join(os.path.dirname(__file__), '..',
                                                  'Cinderpath', 'OverCoeffs.cpp'))
    args = ap.parse_args()
    rows = []
    print('N   Rs(dB)  ripple max/min (dB)    stop att (dB)  -40dB/hostNyq  |a-scipy|  |a-design|')
    for n_factor in FACTORS:
        bs, as_ = table_row(n_factor)
        b, a, rs_db = design(n_factor)
        pmax, pmin, att, f40 = check(n_factor, bs, as_)
        da = cross_check_scipy(n_factor, rs_db, bs, as_)
        dd = max(abs(float(a[i + 1]) - float(as_[i])) for i in range(7))
        print('%-3d %6.2f  %+.6f / %+.6f  %8.2f       %.4f        %s   %.1e' % (
            n_factor, rs_db, pmax, pmin, att, f40,
            '%.1e' % da if da is not None else '  n/a  ', dd))
        rows.append((n_factor, (bs, as_)))
    if not args.check:
        with open(args.out, 'w') as f:
            f.write(emit(rows))
        print('wrote', os.path.normpath(args.out))
    return 0


if __name__ == '__main__':
    sys.exit(main())
