import pathlib

import numpy as np
import pytest

REPO = pathlib.Path(__file__).resolve().parents[2]
EPS = np.finfo(np.float64).eps


@pytest.fixture
def rng():
    return np.random.default_rng(20261206)


def agree(cases):
    """Each (name, got, want, tol): the same shape, every value within tol;
    tuples of results are compared part by part."""
    for name, got, want, tol in cases:
        for g, w in zip(got if isinstance(got, tuple) else (got,), want if isinstance(want, tuple) else (want,)):
            g, w = np.asarray(g), np.asarray(w)
            assert g.shape == w.shape, name
            assert np.max(np.abs(g - w), initial=0) <= tol, name
