// The least-squares fit kit of the streaming peak detector: row-pointer
// matrices in host pointer blocks, Householder QR, LU inversion.
#include <orin/timedomain.h>

#include <cmath>
#include <cstring>

#include "../frame/kit.h"

using orin::extended;

namespace {

// Owns a matrix made by dAllocMatrix.
class MatrixOwner {
public:
    MatrixOwner(int32_t rows, int32_t cols) : m_(dAllocMatrix(rows, cols)) {}
    MatrixOwner(const MatrixOwner &) = delete;
    MatrixOwner &operator=(const MatrixOwner &) = delete;
    ~MatrixOwner() { FreeMatrix(m_); }
    explicit operator bool() const { return m_ != nullptr; }
    double **get() const { return m_; }

private:
    double **m_;
};

}  // namespace

double **dAllocMatrix(int32_t rows, int32_t cols) {
    if (rows < 1 || cols < 1) return nullptr;
    // Row pointers first, padded to 8 bytes, then the rows one after another.
    const size_t pointerBytes = (static_cast<size_t>(rows) * sizeof(double *) + 7) & ~static_cast<size_t>(7);
    size_t dataBytes = 0;
    if (!orin::byteSize(static_cast<int64_t>(rows) * cols, sizeof(double), &dataBytes) ||
        dataBytes > SIZE_MAX - pointerBytes)
        return nullptr;
    UPtr block = DSNewPClr(pointerBytes + dataBytes);
    if (!block) return nullptr;
    double **m = reinterpret_cast<double **>(block);
    double *data = reinterpret_cast<double *>(block + pointerBytes);
    for (int32_t i = 0; i < rows; ++i) m[i] = data + static_cast<size_t>(i) * cols;
    return m;
}

void FreeNonNull(void *p) {
    if (p) DSDisposePtr(static_cast<UPtr>(p));
}

void FreeMatrix(double **m) { FreeNonNull(m); }

double ddDot(const double *a, const double *b, int32_t n) { return static_cast<double>(orin::dotExtended(a, b, n)); }

// Golub and Van Loan alg. 5.1.1 (house) applied column by column as in
// alg. 5.2.1. The reflection of column j is H = I - beta v v^T with
// v[j] = 1; its sign is chosen so that v[j] before scaling is
// x[j] + sign(x[j]) |x|, which never cancels.
int32_t _dQRFactorization(double **a, int32_t m, int32_t n, double *beta) {
    if (n > m || n < 1) return kErrSingularMatrix;
    for (int32_t j = 0; j < n; ++j) {
        extended norm2 = 0;
        for (int32_t i = j; i < m; ++i) norm2 += static_cast<extended>(a[i][j]) * a[i][j];
        const extended norm = std::sqrt(norm2);
        if (!(norm > 0) || !std::isfinite(static_cast<double>(norm))) return kErrSingularMatrix;
        const extended x0 = a[j][j];
        const extended v0 = x0 >= 0 ? x0 + norm : x0 - norm;
        const extended rjj = x0 >= 0 ? -norm : norm;
        // v scaled so that v[j] = 1: beta = 2 / (v^T v) = 2 v0^2 / |v|^2,
        // with |v|^2 = v0^2 + (norm^2 - x0^2).
        const extended tail = norm2 - x0 * x0;
        const extended b = 2 * v0 * v0 / (v0 * v0 + tail);
        for (int32_t i = j + 1; i < m; ++i) a[i][j] = static_cast<double>(a[i][j] / v0);
        for (int32_t c = j + 1; c < n; ++c) {
            extended s = a[j][c];
            for (int32_t i = j + 1; i < m; ++i) s += static_cast<extended>(a[i][j]) * a[i][c];
            s *= b;
            a[j][c] = static_cast<double>(a[j][c] - s);
            for (int32_t i = j + 1; i < m; ++i) a[i][c] = static_cast<double>(a[i][c] - s * a[i][j]);
        }
        a[j][j] = static_cast<double>(rjj);
        beta[j] = static_cast<double>(b);
    }
    return kErrNone;
}

int32_t dQRFactorization(double *const *a, int32_t m, int32_t n, double **q, double **r) {
    if (n > m || n < 1) return kErrSingularMatrix;
    MatrixOwner work(m, n);
    orin::HostScratch<double> beta(n);
    if (!work || !beta) return kErrOutOfMemory;
    for (int32_t i = 0; i < m; ++i) std::memcpy(work.get()[i], a[i], static_cast<size_t>(n) * sizeof(double));
    const int32_t code = _dQRFactorization(work.get(), m, n, beta.data());
    if (code) return code;
    double **w = work.get();
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < n; ++j) r[i][j] = j >= i ? w[i][j] : 0.0;
    // Thin Q = H_0 H_1 ... H_{n-1} [I_n; 0], accumulated backwards
    // (Golub and Van Loan 5.1.6).
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) q[i][j] = i == j ? 1.0 : 0.0;
    for (int32_t j = n - 1; j >= 0; --j) {
        for (int32_t c = 0; c < n; ++c) {
            extended s = q[j][c];
            for (int32_t i = j + 1; i < m; ++i) s += static_cast<extended>(w[i][j]) * q[i][c];
            s *= beta[j];
            q[j][c] = static_cast<double>(q[j][c] - s);
            for (int32_t i = j + 1; i < m; ++i) q[i][c] = static_cast<double>(q[i][c] - s * w[i][j]);
        }
    }
    return kErrNone;
}

// Gaussian elimination with partial pivoting (Golub and Van Loan alg.
// 3.4.1): perm[k] is the row exchanged with row k at step k; the
// multipliers of L are kept below the diagonal.
int32_t dLUPivot(double **a, int32_t n, int32_t *perm) {
    for (int32_t k = 0; k < n; ++k) {
        int32_t p = k;
        for (int32_t i = k + 1; i < n; ++i)
            if (std::fabs(a[i][k]) > std::fabs(a[p][k])) p = i;
        perm[k] = p;
        if (p != k) {
            double *t = a[p];
            for (int32_t j = 0; j < n; ++j) {
                const double v = t[j];
                t[j] = a[k][j];
                a[k][j] = v;
            }
        }
        const double pivot = a[k][k];
        if (pivot == 0 || !std::isfinite(pivot)) return kErrSingularMatrix;
        for (int32_t i = k + 1; i < n; ++i) {
            const double l = a[i][k] / pivot;
            a[i][k] = l;
            for (int32_t j = k + 1; j < n; ++j) a[i][j] -= l * a[k][j];
        }
    }
    return kErrNone;
}

void dLUBackSubPivot(double *const *lu, int32_t n, const int32_t *perm, double *b) {
    if (n < 1) return;  // and n - 1 below cannot wrap
    for (int32_t k = 0; k < n; ++k) {
        const double t = b[perm[k]];
        b[perm[k]] = b[k];
        b[k] = t;
    }
    for (int32_t i = 0; i < n; ++i) {
        extended s = b[i];
        for (int32_t j = 0; j < i; ++j) s -= static_cast<extended>(lu[i][j]) * b[j];
        b[i] = static_cast<double>(s);
    }
    for (int32_t i = n - 1; i >= 0; --i) {
        extended s = b[i];
        for (int32_t j = i + 1; j < n; ++j) s -= static_cast<extended>(lu[i][j]) * b[j];
        b[i] = static_cast<double>(s / lu[i][i]);
    }
}

int32_t dMatrixInv(double *const *a, int32_t n, double **inv) {
    if (n < 1) return kErrSingularMatrix;
    MatrixOwner lu(n, n);
    orin::HostScratch<int32_t> perm(n);
    orin::HostScratch<double> column(n);
    if (!lu || !perm || !column) return kErrOutOfMemory;
    for (int32_t i = 0; i < n; ++i) std::memcpy(lu.get()[i], a[i], static_cast<size_t>(n) * sizeof(double));
    const int32_t code = dLUPivot(lu.get(), n, perm.data());
    if (code) return code;
    for (int32_t j = 0; j < n; ++j) {
        for (int32_t i = 0; i < n; ++i) column[i] = i == j ? 1.0 : 0.0;
        dLUBackSubPivot(lu.get(), n, perm.data(), column.data());
        for (int32_t i = 0; i < n; ++i) inv[i][j] = column[i];
    }
    return kErrNone;
}

int32_t dRinvQt(double *const *q, double *const *r, int32_t m, int32_t n, double **out) {
    MatrixOwner rinv(n, n);
    if (!rinv) return kErrOutOfMemory;
    const int32_t code = dMatrixInv(r, n, rinv.get());
    if (code) return code;
    for (int32_t i = 0; i < n; ++i)
        for (int32_t k = 0; k < m; ++k) {
            extended s = 0;
            for (int32_t j = i; j < n; ++j) s += static_cast<extended>(rinv.get()[i][j]) * q[k][j];
            out[i][k] = static_cast<double>(s);
        }
    return kErrNone;
}

int32_t dUnifPolyRinvQt(double **rows, int32_t order, int32_t width) {
    if (order < 1 || width < 1 || order > width) return kErrSingularMatrix;
    MatrixOwner a(width, order), q(width, order), r(order, order);
    if (!a || !q || !r) return kErrOutOfMemory;
    // Abscissae centred on the window keep the Vandermonde columns nearly
    // orthogonal (odd against even powers exactly so).
    const double centre = 0.5 * (width - 1);
    for (int32_t i = 0; i < width; ++i) {
        const double t = i - centre;
        double p = 1.0;
        for (int32_t k = 0; k < order; ++k, p *= t) a.get()[i][k] = p;
    }
    const int32_t code = dQRFactorization(a.get(), width, order, q.get(), r.get());
    if (code) return code;
    return dRinvQt(q.get(), r.get(), width, order, rows);
}

void dComputeLSQFitCoeff(const double *window, int32_t width, double *const *rows, double *coeffs, int32_t order) {
    for (int32_t k = 0; k < order; ++k) coeffs[k] = ddDot(window, rows[k], width);
}
