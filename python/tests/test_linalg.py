"""Linear algebra against numpy and scipy (LAPACK), real and complex: each
wrapper's shapes, flags and routine choice. Scaling, NaN and the accuracy
of the routines themselves are the C suite's."""
import numpy as np
import scipy.linalg as sl

from orinanalysis import linalg as la
from conftest import EPS


def _close(got, want, tol):
    got, want = np.asarray(got), np.asarray(want)
    assert got.shape == want.shape
    assert np.max(np.abs(got - want), initial=0) <= tol * max(1.0, np.max(np.abs(want), initial=0))


def test_linear_algebra_agrees_with_lapack(rng):
    for cx in (False, True):
        def mat(m, n):
            return rng.standard_normal((m, n)) + (1j * rng.standard_normal((m, n)) if cx else 0)
        a, b, tall = mat(6, 6), mat(6, 2), mat(7, 4)
        spd = a @ a.conj().T + 6 * np.eye(6)
        # Backward-stable solvers: relative error within c n eps cond(A);
        # c = 8 covers the constants of LU, Cholesky, QR and SVD at n <= 8.
        tol = 8 * 8 * EPS * np.linalg.cond(a)
        tol_spd = 8 * 8 * EPS * np.linalg.cond(spd)
        rank2 = mat(6, 2) @ mat(2, 5)  # rank 2 exactly
        cases = [
            ("solve", la.solve(a, b), np.linalg.solve(a, b), tol),
            ("solve 1D", la.solve(a, b[:, 0]), np.linalg.solve(a, b[:, 0]), tol),
            ("inv", la.inv(a), np.linalg.inv(a), tol),
            ("det", la.det(a), np.linalg.det(a), tol),
            ("lu_solve", la.lu_solve(la.lu_factor(a), b), np.linalg.solve(a, b), tol),
            ("cholesky", la.cholesky(spd), sl.cholesky(spd), tol_spd),
            ("cholesky lower", la.cholesky(spd, lower=True), np.linalg.cholesky(spd), tol_spd),
            ("cho_solve", la.cho_solve((la.cholesky(spd), False), b), np.linalg.solve(spd, b), tol_spd),
            ("svdvals tall", la.svdvals(tall), np.linalg.svd(tall, compute_uv=False), 64 * EPS),
            ("svdvals wide", la.svdvals(tall.T), np.linalg.svd(tall.T, compute_uv=False), 64 * EPS),
            ("pinv", la.pinv(tall), np.linalg.pinv(tall), 64 * EPS * np.linalg.cond(tall)),
            ("pinv rank-deficient", la.pinv(rank2), np.linalg.pinv(rank2), 1e-12),
            ("rank", la.matrix_rank(rank2), np.linalg.matrix_rank(rank2), 0),
            ("cond", la.cond(a), np.linalg.cond(a), 64 * EPS * np.linalg.cond(a)),
            ("lstsq x", la.lstsq(tall, b[:, 0].tolist() + [1.0])[0], np.linalg.lstsq(tall, b[:, 0].tolist() + [1.0],
                                                                                     rcond=None)[0], tol),
            ("lstsq residual", la.lstsq(tall, b[:, 0].tolist() + [1.0])[1],
             np.linalg.lstsq(tall, b[:, 0].tolist() + [1.0], rcond=None)[1], tol),
            ("lstsq wide", la.lstsq(tall.T, b[:4, 0])[0], np.linalg.lstsq(tall.T, b[:4, 0], rcond=None)[0], tol),
            ("eigvals", np.sort_complex(la.eigvals(a)), np.sort_complex(np.linalg.eigvals(a)), tol),
            ("eigh values", la.eigh(spd)[0], np.linalg.eigh(spd)[0], tol_spd),
            ("eigh U", la.eigh(np.triu(spd), "U")[0], np.linalg.eigh(spd)[0], tol_spd),
            ("toeplitz", la.toeplitz(b[:, 0], b[:4, 1]), sl.toeplitz(b[:, 0], b[:4, 1]), 0),
            ("toeplitz r=None", la.toeplitz(b[:, 0]), sl.toeplitz(b[:, 0]), 0),
            ("vander", la.vander(b[:, 0], increasing=True), np.vander(b[:, 0], increasing=True), 64 * EPS),
            ("companion", la.companion(b[:, 0]), sl.companion(b[:, 0]), EPS),
        ]
        for order in (None, "fro", 1, 2, np.inf):
            cases.append((f"norm {order}", la.norm(tall, order), np.linalg.norm(tall, order), 16 * EPS))
            if order != "fro":
                cases.append((f"vector norm {order}", la.norm(b[:, 0], order), np.linalg.norm(b[:, 0], order), 8 * EPS))
        for name, got, want, t in cases:
            try:
                _close(got, want, t)
            except AssertionError:
                raise AssertionError(f"{name} ({'complex' if cx else 'real'}): {got} vs {want}") from None

        # Factors whose sign or phase conventions differ from LAPACK's:
        # checked by their defining identities.
        algorithms = ("householder",) if cx else ("householder", "givens", "fast_givens")
        for alg in algorithms:
            for m in (tall, tall.T):
                q, r = la.qr(m, algorithm=alg)
                _close(q @ r, m, 64 * EPS)
                _close(q.conj().T @ q, np.eye(len(q)), 64 * EPS)
                assert np.all(np.tril(r, -1) == 0)
                qe, re = la.qr(m, "economic", alg)
                assert qe.shape == (m.shape[0], min(m.shape)) and re.shape == (min(m.shape), m.shape[1])
        for m in (tall, tall.T):
            u, s, vh = la.svd(m)
            _close(u.conj().T @ u, np.eye(m.shape[0]), 64 * EPS)
            _close(vh @ vh.conj().T, np.eye(m.shape[1]), 64 * EPS)
            k = len(s)
            _close(u[:, :k] * s @ vh[:k], m, 64 * EPS)
        w, v = la.eig(a)
        _close(a @ v, v * w, tol)
        _close(np.linalg.norm(v, axis=0), np.ones(6), 16 * EPS)
        w, v = la.eigh(spd)
        _close(v.conj().T @ v, np.eye(6), tol_spd)
        lu, piv = la.lu_factor(a)
        if not cx:  # partial pivoting with LAPACK's tie rule: the same pivots
            assert np.array_equal(piv, sl.lu_factor(a)[1])
