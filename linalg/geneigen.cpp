// Eigenvalues and eigenvectors of a general real matrix: orthogonal
// reduction to upper Hessenberg form (Householder, EISPACK orthes/ortran),
// Francis double-shift QR iteration to real Schur form, and eigenvectors by
// back-substitution in the quasi-triangular factor (EISPACK hqr2; Golub and
// Van Loan alg. 7.5.2), carried back through the accumulated transformations.
#include <orin/linalg.h>

#include "detail.h"

using orin::kEpsilon;
using orin::linalg::cells;

namespace {

// (a + ib) / (c + id), by Smith's method.
void cdiv(double a, double b, double c, double d, double *re, double *im) {
    const complexnum q = complexnum{a, b} / complexnum{c, d};
    *re = q.re;
    *im = q.im;
}

// H = Q^T A Q upper Hessenberg; V (when not null) gets Q.
void hessenberg(orin::Matrix H, double *V, double *ort, double *sum) {
    const ptrdiff_t nn = H.rows(), high = nn - 1;
    for (ptrdiff_t m = 1; m <= high - 1; ++m) {
        double scale = 0;
        for (ptrdiff_t i = m; i <= high; ++i) scale += std::fabs(H(i, m - 1));
        if (scale == 0) continue;
        double h = 0;
        for (ptrdiff_t i = high; i >= m; --i) {
            ort[i] = H(i, m - 1) / scale;
            h += ort[i] * ort[i];
        }
        double g = std::sqrt(h);
        if (ort[m] > 0) g = -g;
        h -= ort[m] * g;
        ort[m] -= g;
        // H = (I - u u^T / h) H (I - u u^T / h), the left product gathered
        // along rows.
        std::fill(sum + m, sum + nn, 0.0);
        for (ptrdiff_t i = m; i <= high; ++i) {
            const double *row = H.row(i).data();
            for (ptrdiff_t j = m; j < nn; ++j) sum[j] += ort[i] * row[j];
        }
        for (ptrdiff_t i = m; i <= high; ++i) {
            double *row = H.row(i).data();
            for (ptrdiff_t j = m; j < nn; ++j) row[j] -= (sum[j] / h) * ort[i];
        }
        for (ptrdiff_t i = 0; i <= high; ++i) {
            double *row = H.row(i).data();
            double f = 0;
            for (ptrdiff_t j = high; j >= m; --j) f += ort[j] * row[j];
            f /= h;
            for (ptrdiff_t j = m; j <= high; ++j) row[j] -= f * ort[j];
        }
        ort[m] *= scale;
        H(m, m - 1) = scale * g;
    }
    if (!V) return;
    orin::Matrix Q(V, nn, nn);
    IdentityMatrix(static_cast<int32_t>(nn), V);
    for (ptrdiff_t m = high - 1; m >= 1; --m) {
        if (H(m, m - 1) == 0) continue;
        for (ptrdiff_t i = m + 1; i <= high; ++i) ort[i] = H(i, m - 1);
        std::fill(sum + m, sum + nn, 0.0);
        for (ptrdiff_t i = m; i <= high; ++i) {
            const double *row = Q.row(i).data();
            for (ptrdiff_t j = m; j <= high; ++j) sum[j] += ort[i] * row[j];
        }
        // Division in two steps avoids underflow.
        for (ptrdiff_t j = m; j <= high; ++j) sum[j] = (sum[j] / ort[m]) / H(m, m - 1);
        for (ptrdiff_t i = m; i <= high; ++i) {
            double *row = Q.row(i).data();
            for (ptrdiff_t j = m; j <= high; ++j) row[j] += sum[j] * ort[i];
        }
    }
}

// Real Schur form by Francis double-shift steps; d + i e are the
// eigenvalues. With V, H becomes the full quasi-triangular T and V the Schur
// vectors; without, only the active window is updated. False when the
// iteration budget (30 steps per eigenvalue, as EISPACK's hqr) runs out.
bool schur(orin::Matrix H, double *V, double *d, double *e) {
    const ptrdiff_t nn = H.rows(), low = 0, high = nn - 1;
    const bool vectors = V != nullptr;
    orin::Matrix Z(V, nn, nn);
    double exshift = 0, p = 0, q = 0, r = 0, s = 0, z = 0, w, x, y;
    double norm = 0;
    for (ptrdiff_t i = 0; i < nn; ++i)
        for (ptrdiff_t j = std::max<ptrdiff_t>(i - 1, 0); j < nn; ++j) norm += std::fabs(H(i, j));
    int64_t budget = 30 * static_cast<int64_t>(nn);
    int iter = 0;
    ptrdiff_t n = nn - 1;
    while (n >= low) {
        ptrdiff_t l = n;
        while (l > low) {
            // An exactly zero sub-diagonal entry splits the matrix whatever
            // its neighbours (the zero matrix has s = norm = 0).
            if (H(l, l - 1) == 0) break;
            s = std::fabs(H(l - 1, l - 1)) + std::fabs(H(l, l));
            if (s == 0) s = norm;
            if (std::fabs(H(l, l - 1)) < kEpsilon * s) break;
            --l;
        }
        if (l == n) {
            H(n, n) += exshift;
            d[n] = H(n, n);
            e[n] = 0;
            --n;
            iter = 0;
        } else if (l == n - 1) {
            w = H(n, n - 1) * H(n - 1, n);
            p = (H(n - 1, n - 1) - H(n, n)) / 2.0;
            q = p * p + w;
            z = std::sqrt(std::fabs(q));
            H(n, n) += exshift;
            H(n - 1, n - 1) += exshift;
            x = H(n, n);
            if (q >= 0) {
                z = p >= 0 ? p + z : p - z;
                d[n - 1] = x + z;
                d[n] = z != 0 ? x - w / z : d[n - 1];
                e[n - 1] = 0;
                e[n] = 0;
                if (vectors) {
                    // Rotate the 2 x 2 block to triangular form.
                    x = H(n, n - 1);
                    s = std::fabs(x) + std::fabs(z);
                    p = x / s;
                    q = z / s;
                    r = std::sqrt(p * p + q * q);
                    p /= r;
                    q /= r;
                    for (ptrdiff_t j = n - 1; j < nn; ++j) {
                        z = H(n - 1, j);
                        H(n - 1, j) = q * z + p * H(n, j);
                        H(n, j) = q * H(n, j) - p * z;
                    }
                    for (ptrdiff_t i = 0; i <= n; ++i) {
                        z = H(i, n - 1);
                        H(i, n - 1) = q * z + p * H(i, n);
                        H(i, n) = q * H(i, n) - p * z;
                    }
                    for (ptrdiff_t i = low; i <= high; ++i) {
                        z = Z(i, n - 1);
                        Z(i, n - 1) = q * z + p * Z(i, n);
                        Z(i, n) = q * Z(i, n) - p * z;
                    }
                }
            } else {
                d[n - 1] = x + p;
                d[n] = x + p;
                e[n - 1] = z;
                e[n] = -z;
            }
            n -= 2;
            iter = 0;
        } else {
            if (budget-- <= 0) return false;
            x = H(n, n);
            y = 0;
            w = 0;
            if (l < n) {
                y = H(n - 1, n - 1);
                w = H(n, n - 1) * H(n - 1, n);
            }
            // Exceptional shifts after 10 and 30 steps on one eigenvalue
            // break the cycles a fixed shift can fall into.
            if (iter == 10) {
                exshift += x;
                for (ptrdiff_t i = low; i <= n; ++i) H(i, i) -= x;
                s = std::fabs(H(n, n - 1)) + std::fabs(H(n - 1, n - 2));
                x = y = 0.75 * s;
                w = -0.4375 * s * s;
            }
            if (iter == 30) {
                s = (y - x) / 2.0;
                s = s * s + w;
                if (s > 0) {
                    s = std::sqrt(s);
                    if (y < x) s = -s;
                    s = x - w / ((y - x) / 2.0 + s);
                    for (ptrdiff_t i = low; i <= n; ++i) H(i, i) -= s;
                    exshift += s;
                    x = y = w = 0.964;
                }
            }
            ++iter;
            ptrdiff_t m = n - 2;
            while (m >= l) {
                z = H(m, m);
                r = x - z;
                s = y - z;
                p = (r * s - w) / H(m + 1, m) + H(m, m + 1);
                q = H(m + 1, m + 1) - z - r - s;
                r = H(m + 2, m + 1);
                s = std::fabs(p) + std::fabs(q) + std::fabs(r);
                p /= s;
                q /= s;
                r /= s;
                if (m == l) break;
                if (std::fabs(H(m, m - 1)) * (std::fabs(q) + std::fabs(r)) <
                    kEpsilon * (std::fabs(p) * (std::fabs(H(m - 1, m - 1)) + std::fabs(z) + std::fabs(H(m + 1, m + 1)))))
                    break;
                --m;
            }
            for (ptrdiff_t i = m + 2; i <= n; ++i) {
                H(i, i - 2) = 0;
                if (i > m + 2) H(i, i - 3) = 0;
            }
            const ptrdiff_t rowEnd = vectors ? nn - 1 : n;
            const ptrdiff_t colStart = vectors ? 0 : l;
            for (ptrdiff_t k = m; k <= n - 1; ++k) {
                const bool notlast = k != n - 1;
                if (k != m) {
                    p = H(k, k - 1);
                    q = H(k + 1, k - 1);
                    r = notlast ? H(k + 2, k - 1) : 0.0;
                    x = std::fabs(p) + std::fabs(q) + std::fabs(r);
                    if (x == 0) continue;
                    p /= x;
                    q /= x;
                    r /= x;
                }
                s = std::sqrt(p * p + q * q + r * r);
                if (p < 0) s = -s;
                if (s == 0) continue;
                if (k != m) H(k, k - 1) = -s * x;
                else if (l != m) H(k, k - 1) = -H(k, k - 1);
                p += s;
                x = p / s;
                y = q / s;
                z = r / s;
                q /= p;
                r /= p;
                double *rk = H.row(k).data(), *rk1 = H.row(k + 1).data(), *rk2 = notlast ? H.row(k + 2).data() : nullptr;
                for (ptrdiff_t j = k; j <= rowEnd; ++j) {
                    p = rk[j] + q * rk1[j];
                    if (notlast) {
                        p += r * rk2[j];
                        rk2[j] -= p * z;
                    }
                    rk[j] -= p * x;
                    rk1[j] -= p * y;
                }
                // The reflector applied to columns k..k+2 of one row, of H
                // and of the accumulated transformations alike.
                const auto reflectColumns = [&](double *row) {
                    p = x * row[k] + y * row[k + 1];
                    if (notlast) {
                        p += z * row[k + 2];
                        row[k + 2] -= p * r;
                    }
                    row[k] -= p;
                    row[k + 1] -= p * q;
                };
                for (ptrdiff_t i = colStart; i <= std::min(n, k + 3); ++i) reflectColumns(H.row(i).data());
                if (vectors)
                    for (ptrdiff_t i = low; i <= high; ++i) reflectColumns(Z.row(i).data());
            }
        }
    }
    if (!vectors) return true;
    if (norm == 0) {
        // T = 0: every unit vector is an eigenvector, and V is the identity.
        IdentityMatrix(static_cast<int32_t>(nn), H.data());
        return true;
    }

    // Back-substitution: the eigenvectors of the quasi-triangular T, into T's
    // columns (real pair (n-1, n) holds real and imaginary parts).
    for (n = nn - 1; n >= 0; --n) {
        p = d[n];
        q = e[n];
        if (q == 0) {
            ptrdiff_t l = n;
            H(n, n) = 1.0;
            for (ptrdiff_t i = n - 1; i >= 0; --i) {
                w = H(i, i) - p;
                r = 0;
                for (ptrdiff_t j = l; j <= n; ++j) r += H(i, j) * H(j, n);
                if (e[i] < 0) {
                    z = w;
                    s = r;
                    continue;
                }
                l = i;
                if (e[i] == 0) {
                    H(i, n) = w != 0 ? -r / w : -r / (kEpsilon * norm);
                } else {
                    x = H(i, i + 1);
                    y = H(i + 1, i);
                    q = (d[i] - p) * (d[i] - p) + e[i] * e[i];
                    const double t = (x * s - z * r) / q;
                    H(i, n) = t;
                    H(i + 1, n) = std::fabs(x) > std::fabs(z) ? (-r - w * t) / x : (-s - y * t) / z;
                }
                const double t = std::fabs(H(i, n));
                if ((kEpsilon * t) * t > 1)
                    for (ptrdiff_t j = i; j <= n; ++j) H(j, n) /= t;
            }
        } else if (q < 0) {
            ptrdiff_t l = n - 1;
            if (std::fabs(H(n, n - 1)) > std::fabs(H(n - 1, n))) {
                H(n - 1, n - 1) = q / H(n, n - 1);
                H(n - 1, n) = -(H(n, n) - p) / H(n, n - 1);
            } else {
                cdiv(0.0, -H(n - 1, n), H(n - 1, n - 1) - p, q, &H(n - 1, n - 1), &H(n - 1, n));
            }
            H(n, n - 1) = 0;
            H(n, n) = 1;
            for (ptrdiff_t i = n - 2; i >= 0; --i) {
                double ra = 0, sa = 0;
                for (ptrdiff_t j = l; j <= n; ++j) {
                    ra += H(i, j) * H(j, n - 1);
                    sa += H(i, j) * H(j, n);
                }
                w = H(i, i) - p;
                if (e[i] < 0) {
                    z = w;
                    r = ra;
                    s = sa;
                    continue;
                }
                l = i;
                if (e[i] == 0) {
                    cdiv(-ra, -sa, w, q, &H(i, n - 1), &H(i, n));
                } else {
                    x = H(i, i + 1);
                    y = H(i + 1, i);
                    double vr = (d[i] - p) * (d[i] - p) + e[i] * e[i] - q * q;
                    const double vi = (d[i] - p) * 2.0 * q;
                    if (vr == 0 && vi == 0)
                        vr = kEpsilon * norm * (std::fabs(w) + std::fabs(q) + std::fabs(x) + std::fabs(y) + std::fabs(z));
                    cdiv(x * r - z * ra + q * sa, x * s - z * sa - q * ra, vr, vi, &H(i, n - 1), &H(i, n));
                    if (std::fabs(x) > std::fabs(z) + std::fabs(q)) {
                        H(i + 1, n - 1) = (-ra - w * H(i, n - 1) + q * H(i, n)) / x;
                        H(i + 1, n) = (-sa - w * H(i, n) - q * H(i, n - 1)) / x;
                    } else {
                        cdiv(-r - y * H(i, n - 1), -s - y * H(i, n), z, q, &H(i + 1, n - 1), &H(i + 1, n));
                    }
                }
                const double t = std::max(std::fabs(H(i, n - 1)), std::fabs(H(i, n)));
                if ((kEpsilon * t) * t > 1)
                    for (ptrdiff_t j = i; j <= n; ++j) {
                        H(j, n - 1) /= t;
                        H(j, n) /= t;
                    }
            }
        }
    }
    return true;
}

}  // namespace

int32_t GenEigenValueVector(const double *a, int32_t n, int32_t wantVectors, complexnum *values, complexnum *vectors) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    const bool want = wantVectors == 1;
    orin::Scratch<double> h(cells(n, n));
    if (!h) return kErrOutOfMemory;
    orin::Scratch<double> v;
    if (want && !v.allocate(cells(n, n))) return kErrOutOfMemory;
    orin::Scratch<double> work(4 * static_cast<int64_t>(n));
    if (!work) return kErrOutOfMemory;
    double *d = work.data(), *e = d + n, *ort = e + n, *sum = ort + n;
    // Non-finite entries leave no shift that can converge.
    if (!orin::linalg::allFinite(a, cells(n, n))) return kErrNoConvergence;
    orin::linalg::copyCells(a, cells(n, n), h.data());
    orin::Matrix H(h.data(), n, n);
    // The iteration forms products of two entries (the 2 x 2 blocks' w = h21
    // h12, the shifts' p^2 + w): far from 1 these overflow or underflow and
    // wreck the eigenvalues. The eigenvalues scale back by the power of two
    // taken out; the eigenvectors do not change.
    const int exponent = orin::linalg::powerOfTwoScale(h.data(), cells(n, n));
    hessenberg(H, want ? v.data() : nullptr, ort, sum);
    if (!schur(H, want ? v.data() : nullptr, d, e)) return kErrNoConvergence;
    for (ptrdiff_t i = 0; i < n; ++i) values[i] = complexnum{std::ldexp(d[i], exponent), std::ldexp(e[i], exponent)};
    if (!want) return kErrNone;

    // Back to the original basis: V <- V T, each row of V times the upper
    // triangle of T gathered along T's rows.
    orin::Matrix V(v.data(), n, n);
    for (ptrdiff_t i = 0; i < n; ++i) {
        double *row = V.row(i).data();
        std::fill(sum, sum + n, 0.0);
        for (ptrdiff_t k = 0; k < n; ++k) {
            const double vik = row[k];
            const double *trow = H.row(k).data();
            for (ptrdiff_t j = k; j < n; ++j) sum[j] += vik * trow[j];
        }
        std::copy(sum, sum + n, row);
    }
    // Complex columns, each scaled to unit 2-norm with its component of
    // largest magnitude real and positive.
    orin::CxMatrix out(vectors, n, n);
    for (ptrdiff_t j = 0; j < n; ++j) {
        if (e[j] == 0) {
            for (ptrdiff_t i = 0; i < n; ++i) out(i, j) = complexnum{V(i, j), 0.0};
        } else if (e[j] > 0) {
            for (ptrdiff_t i = 0; i < n; ++i) {
                out(i, j) = complexnum{V(i, j), V(i, j + 1)};
                out(i, j + 1) = complexnum{V(i, j), -V(i, j + 1)};
            }
        }
    }
    orin::linalg::normaliseEigenvectors(out);
    return kErrNone;
}
