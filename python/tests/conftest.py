import pathlib

import numpy as np
import pytest

REPO = pathlib.Path(__file__).resolve().parents[2]
EPS = np.finfo(np.float64).eps


@pytest.fixture
def rng():
    return np.random.default_rng(20261206)
