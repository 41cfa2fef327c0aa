"""The effect measured through `cinderpath render`, against its design.

Run by CTest with the program's path in CINDERPATH_PROGRAM; needs numpy.
Every case renders signals it makes with the command and analyses the file it
wrote, with the measurement code that draws the README's figures
(tools/cinderpath_measure.py). The designed responses are written out here
from the filter and valve-stage formulas, independently of the program.
"""
import os
import sys
import unittest

import numpy as np

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools'))
import cinderpath_measure as cm  # noqa: E402

FS = float(cm.SAMPLE_RATE_HZ)
TWO_PI = 6.283185307179586
TWO_PI_SINGLE = 6.2831854820251465

# Parameter defaults that the designed responses need.
DEFAULTS = {'Drive': 2, 'Bias': 5, 'Volume': 0, 'Boost': 0, 'HP_Freq': 5, 'LP_Freq': 24,
            'HP On': 'off', 'HP Freq': 16, 'Peak On': 'off', 'Peak Freq': 0.41, 'Peak Gain': 0,
            'Shelf On': 'off', 'Shelf Freq': 5.5, 'Shelf Gain': 0,
            'LP On': 'off', 'Cutoff': 20, 'Resonance': 0}


# ---------------------------------------------------------------------------
# Designed responses, H(z) at z = exp(j w)

def one_pole_hp(f_hz, z):
    p = np.exp(-TWO_PI * f_hz / FS)
    return (1 + p) * 0.5 * (1 - 1 / z) / (1 - p / z)


def one_pole_lp(f_hz, z):
    # y = (y1 - x)·λ + x, so H = (1 - λ)/(1 - λ z⁻¹)
    lam = np.exp(-TWO_PI_SINGLE * f_hz / FS)
    return (1 - lam) / (1 - lam / z)


def biquad(b, a, z):
    return (b[0] + b[1] / z + b[2] / z ** 2) / (1 + a[0] / z + a[1] / z ** 2)


def peaking(f_hz, gain_db, z):
    a_ = 10 ** (gain_db / 40)
    w0 = TWO_PI * f_hz / FS
    alpha = 2 * np.sin(w0)
    a0 = 1 + alpha / a_
    return biquad(((1 + alpha * a_) / a0, -2 * np.cos(w0) / a0, (1 - alpha * a_) / a0),
                  (-2 * np.cos(w0) / a0, (1 - alpha / a_) / a0), z)


def high_shelf(f_hz, gain_db, z):
    a_ = 10 ** (gain_db / 40)
    w0 = TWO_PI * f_hz / FS
    cs = np.cos(w0)
    s = 2 * np.sqrt(a_) * np.sin(w0)
    a0 = (a_ + 1) - (a_ - 1) * cs + s
    b = (a_ * ((a_ + 1) + (a_ - 1) * cs + s) / a0, -2 * a_ * ((a_ - 1) + (a_ + 1) * cs) / a0,
         a_ * ((a_ + 1) + (a_ - 1) * cs - s) / a0)
    return biquad(b, (2 * ((a_ - 1) - (a_ + 1) * cs) / a0, ((a_ + 1) - (a_ - 1) * cs - s) / a0), z)


def low_pass4(fc_hz, resonance, z):
    k2, k4, k8 = 2 * FS, 4 * FS * FS, 8 * FS * FS
    pi_over_fs = float(np.float32(np.pi)) / FS
    fc = min(max(fc_hz, float(np.float32(0.01)) * FS), float(np.float32(0.45)) * FS)
    r = min(max(resonance * 0.15, 0.0), 1.0)
    w = float(np.tan(np.float32(fc * pi_over_fs))) * k2
    e = 1 / (w * w)
    t, n = 2 - e * k8, k4 * e + 1
    h = 1.0
    for q in (0.7653669714927673, 1.8477590084075928):
        u = q / (6 * r + 1) * k2 / w
        a0 = u + n
        h = h * (1 + 1 / z) ** 2 / a0 / (1 + t / a0 / z + (n - u) / a0 / z ** 2)
    return h


def stage_gain(s):
    """Small-signal gain of drive, valve stage (slope (k - 1)/k at zero),
    make-up gain and volume."""
    k = 2 + 30 * (float(s['Bias']) * 0.1) ** 2
    comp = ((k + 1) / (k - 1) - 1) * 0.13 + 1
    return 10 ** ((float(s['Drive']) + float(s['Boost'])) / 20) * (k - 1) / k * comp * 10 ** (float(s['Volume']) / 20)


def designed_response(settings, freqs_hz):
    """The whole chain at factor 1, where the valve stage is a pure delay (which
    the command compensates) and, for small signals, a gain."""
    s = dict(DEFAULTS, **settings)
    z = np.exp(1j * TWO_PI * np.asarray(freqs_hz) / FS)
    h = stage_gain(s) * one_pole_hp(float(s['HP_Freq']), z) * one_pole_lp(float(s['LP_Freq']) * 1000, z)
    if s['HP On'] == 'on':
        h = h * one_pole_hp(float(s['HP Freq']), z)
    if s['Peak On'] == 'on':
        h = h * peaking(float(s['Peak Freq']) * 1000, float(s['Peak Gain']), z)
    if s['Shelf On'] == 'on':
        h = h * high_shelf(float(s['Shelf Freq']) * 1000, float(s['Shelf Gain']), z)
    if s['LP On'] == 'on':
        h = h * low_pass4(float(s['Cutoff']) * 1000, float(s['Resonance']), z)
    return h


def valve_curve(x, s):
    """Static curve: drive, the three cubic stages, the bias curve, make-up gain."""
    s = dict(DEFAULTS, **s)
    k = 2 + 30 * (float(s['Bias']) * 0.1) ** 2
    v = np.asarray(x) * 10 ** ((float(s['Drive']) + float(s['Boost'])) / 20)
    y = v - 0.029263831732968 * v ** 3
    y = y - 0.065843621399177 * y ** 3
    y = y - 0.148148148148148 * y ** 3
    y = np.where(v > 3.375, 1.0, np.where(v < -3.375, -1.0, y))
    return (k - 1) * y / (k + y) * (((k + 1) / (k - 1) - 1) * 0.13 + 1) * 10 ** (float(s['Volume']) / 20)


class MeasureCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.renderer = cm.Renderer(os.environ['CINDERPATH_PROGRAM'])

    @classmethod
    def tearDownClass(cls):
        cls.renderer.close()


class FilterResponse(MeasureCase):
    FREQS_HZ = [30, 200, 1000, 3000, 8000, 15000, 21000]

    # The always-on output filters at several settings, then each input
    # filter switched in (factor 1 throughout: no oversampling filters).
    CASES = [
        {},
        {'HP_Freq': 100, 'LP_Freq': 5},
        {'HP_Freq': 1, 'LP_Freq': 1, 'Drive': -12, 'Bias': 0, 'Volume': 6},
        {'HP On': 'on', 'HP Freq': 300},
        {'Peak On': 'on', 'Peak Freq': 1.2, 'Peak Gain': 9},
        {'Peak On': 'on', 'Peak Freq': 0.2, 'Peak Gain': -12, 'Bias': 10},
        {'Shelf On': 'on', 'Shelf Freq': 3, 'Shelf Gain': -8},
        {'Shelf On': 'on', 'Shelf Freq': 1, 'Shelf Gain': 15, 'Drive': -6},
        {'LP On': 'on', 'Cutoff': 4, 'Resonance': 0.6},
        {'LP On': 'on', 'Cutoff': 20, 'Resonance': 1},
        {'LP On': 'on', 'Cutoff': 1, 'Resonance': 0, 'HP On': 'on', 'HP Freq': 50,
         'Peak On': 'on', 'Peak Gain': 5, 'Shelf On': 'on', 'Shelf Gain': 4},
    ]

    def test_measured_response_matches_design_within_a_tenth_of_a_db(self):
        for settings in self.CASES:
            with self.subTest(settings=settings):
                s = dict(settings, OS=1)
                measured = cm.db(cm.response_at(cm.impulse_response(self.renderer, s), self.FREQS_HZ))
                designed = cm.db(designed_response(settings, self.FREQS_HZ))
                # Far down a slope the float output leaves too few digits.
                audible = designed > -60
                np.testing.assert_array_less(np.abs(measured - designed)[audible], 0.1)

    def test_input_filter_acts_the_same_at_every_factor(self):
        # With oversampling the stage is no longer flat, but switching a
        # filter in still multiplies the response by the filter's own.
        on = {'Peak On': 'on', 'Peak Freq': 2, 'Peak Gain': 10}
        for factor in (2, 8, 16):
            with self.subTest(factor=factor):
                off_h = cm.response_at(cm.impulse_response(self.renderer, {'OS': factor}), self.FREQS_HZ)
                on_h = cm.response_at(cm.impulse_response(self.renderer, dict(on, OS=factor)), self.FREQS_HZ)
                z = np.exp(1j * TWO_PI * np.asarray(self.FREQS_HZ) / FS)
                np.testing.assert_array_less(np.abs(cm.db(on_h / off_h) - cm.db(peaking(2000, 10, z))), 0.1)


class TransferCurve(MeasureCase):
    def test_measured_curve_matches_the_valve_stage(self):
        levels = np.linspace(-1, 1, 41)
        for settings in ({}, {'Drive': 16, 'Bias': 0}, {'Drive': -6, 'Bias': 10, 'Volume': -3}):
            with self.subTest(settings=settings):
                measured = cm.transfer_curve(self.renderer, levels, settings)
                np.testing.assert_allclose(measured, valve_curve(levels, settings), atol=2e-3)


class Aliasing(MeasureCase):
    # Measured (7 kHz sine at -6 dBFS, Drive 16 dB + Boost 12, 48 kHz): non-
    # harmonic energy -12.1, -20.3, -36.7 and -62.8 dB re the output at
    # factors 1, 2, 4 and 8, so the steps fall by 8.2, 16.4 and 26.1 dB. Each
    # step must fall by at least these margins.
    MIN_STEP_DB = {2: 6.0, 4: 12.0, 8: 20.0}

    def test_each_higher_factor_aliases_less(self):
        levels = {f: cm.aliasing(self.renderer, f)[0] for f in (1, 2, 4, 8)}
        print('non-harmonic energy (dB):', {f: round(v, 1) for f, v in levels.items()})
        for factor, margin in self.MIN_STEP_DB.items():
            with self.subTest(factor=factor):
                self.assertLess(levels[factor], levels[factor // 2] - margin)


if __name__ == '__main__':
    unittest.main()
