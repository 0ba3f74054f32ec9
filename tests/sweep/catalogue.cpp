// Typical valid values of scalar parameters, and the exports left out of the
// table.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "table.h"

// Tables, one entry per line:
// clang-format off
namespace sweep {

namespace {

struct Typical {
    const char *routine;  // nullptr: any routine
    const char *param;
    double value;
};

// Values under which the routines do their real work at the sizes the sweeps
// use (a band of a 1 kHz sampling rate, a fourth-order design, five degrees
// of freedom...). Routine-specific entries come first and win.
const Typical kReals[] = {
    {"SincWave", "delay", 2.0},
    {"SquareWaveCIN", "duty", 50.0},
    {"Square", "duty", 50.0},
    {"ExpWindCIN", "final", 0.1},
    {"ForceWindCIN", "duty", 50.0},
    {nullptr, "fs", 1000.0},
    {nullptr, "fl", 100.0},
    {nullptr, "fh", 200.0},
    {nullptr, "ripple", 1.0},
    {nullptr, "attenuation", 40.0},
    {nullptr, "Ap", 1.0},
    {nullptr, "As", 40.0},
    {nullptr, "dt", 0.001},
    {nullptr, "amp", 1.0},
    {nullptr, "f", 0.05},
    {nullptr, "f1", 0.01},
    {nullptr, "f2", 0.2},
    {nullptr, "phase", 10.0},
    {nullptr, "duty", 50.0},
    {nullptr, "cycles", 2.0},
    {nullptr, "p", 0.7},
    {nullptr, "x", 0.5},
    {nullptr, "t", 0.5},
    {nullptr, "beta", 2.0},
    {nullptr, "tol", 1e-10},
    {nullptr, "lambda", 0.01},
    {nullptr, "threshold", 0.0},
    {nullptr, "first", 0.0},
    {nullptr, "last", 1.0},
    {nullptr, "initial", 0.0},
    {nullptr, "final", 0.0},
    {nullptr, "xval", 0.3},
    {nullptr, "yp1", 0.0},
    {nullptr, "ypn", 0.0},
    {nullptr, "sd", 1.0},
    {nullptr, "delay", 1.0},
    {nullptr, "a", 2.0},
    {nullptr, "b", 0.5},
};

struct TypicalInt {
    const char *routine;
    const char *param;
    int32_t value;  // kSize: the call's n
};
constexpr int32_t kSize = -999;

const TypicalInt kInts[] = {
    {"Anova2Way_head", "m", 1},
    {"ANOVA3Way_head", "m", 2},
    {"FIRCoefs", "N", 15},
    {"PeakDetector", "width", 3},
    {"PulsePtrn", "width", 1},
    {"SpecialMatrix_head", "code", 0},
    {nullptr, "n", kSize},
    {nullptr, "order", 4},
    {nullptr, "type", 0},
    {nullptr, "seed", 17},
    {nullptr, "s1", 0},
    {nullptr, "s2", 0},
    {nullptr, "s3", 0},
    {nullptr, "wantVectors", 1},
    {nullptr, "triangle", 0},
    {nullptr, "normCode", 0},
    {nullptr, "mode", 0},
    {nullptr, "width", 3},
    {nullptr, "selector", 0},
    {nullptr, "m", 2},
    {nullptr, "kA", 2},
    {nullptr, "kB", 2},
    {nullptr, "kC", 2},
    {nullptr, "k", 2},
    {nullptr, "delay", 1},
    {nullptr, "maxTriggers", 4},
    {nullptr, "algorithm", 0},
    {nullptr, "sectionKind", 0},
    {nullptr, "r", 1},
    {nullptr, "nbins", 5},
    {nullptr, "method", 0},
    {nullptr, "interp", 0},
    {nullptr, "factor", 2},
    {nullptr, "covarianceFlag", 1},
    {nullptr, "control", 0},
    {nullptr, "df", 5},
    {nullptr, "df1", 5},
    {nullptr, "df2", 7},
};

bool matches(const char *want, const char *have) { return !want || std::strcmp(want, have) == 0; }

template <size_t N>
bool listed(const char *const (&names)[N], const char *name) {
    return std::any_of(std::begin(names), std::end(names), [&](const char *n) { return std::strcmp(n, name) == 0; });
}

}  // namespace

double typicalReal(const char *routine, const char *param) {
    for (const Typical &t : kReals)
        if (matches(t.routine, routine) && std::strcmp(t.param, param) == 0) return t.value;
    return 1.0;
}

int32_t typicalInteger(const char *routine, const char *param, int32_t n) {
    for (const TypicalInt &t : kInts)
        if (matches(t.routine, routine) && std::strcmp(t.param, param) == 0) return t.value == kSize ? n : t.value;
    return 0;  // outputs (counts, ranks, parities) and unknown selectors
}

const std::vector<int32_t> *choicesFor(const char *routine, const char *param) {
    // Selectors whose values take paths with allocations of their own: band
    // types of the designs, fitting and QR algorithms, norms, determinant
    // types, direct or FFT convolution.
    struct Choices {
        const char *routine, *param;
        std::vector<int32_t> values;
    };
    static const std::vector<int32_t> kBands = {0, 1, 2, 3}, kNorms = {0, 1, 2, 3}, kTwo = {0, 1};
    static const Choices kChoices[] = {
        {"BWCoefs", "type", kBands}, {"BesselCoefs", "type", kBands}, {"ChebyshevCoefs", "type", kBands},
        {"InvChebyshevCoefs", "type", kBands}, {"EllipticCoefs", "type", kBands}, {"FIRCoefs", "type", kBands},
        {"IIR_Filter2", "sectionKind", kTwo}, {"GenLSFit_head", "algorithm", {0, 1, 2, 3, 4, 5}},
        {"qrd_head", "algorithm", {0, 1, 2}}, {"Determinant_head", "type", kTwo}, {"CxDeterminant_head", "type", kTwo},
        {"CondNumber_head", "normCode", kNorms}, {"CxCondNumber_head", "normCode", kNorms},
        {"Norm_head", "normCode", kNorms}, {"CxNorm_head", "normCode", kNorms},
        {"CxEigenValueVector_head", "matrixType", kTwo}, {"Convolution", "selector", kTwo}, {"Rxy", "selector", kTwo},
    };
    for (const Choices &c : kChoices)
        if (std::strcmp(c.routine, routine) == 0 && std::strcmp(c.param, param) == 0) return &c.values;
    return nullptr;
}

int32_t emptyCode(const char *routine) {
    struct Rule {
        int32_t code;
        std::vector<const char *> rows;
    };
    static const Rule kRules[] = {
        // Nothing they read is sized by n (scalars, designs, fixed lengths), or
        // an empty call is documented as doing nothing.
        {kErrNone, {
            "Ave", "Bessel_Coef", "BesselCoefs", "BetaCF", "BetaI", "Bw_Coef", "BWCoefs", "cacula_Histogra", "Ch_Coef",
            "ChebyshevCoefs", "ChiSquare_head", "CosTapered", "CosTaperedWin", "Deconvolve", "Difference",
            "EllipticCoefs", "Elp_Coef", "Equi_Ripple", "Equi_Ripple_Iter", "erf", "Erf_h", "F_Dist", "FDist_head",
            "FIR_Coef", "FIRCoefs", "FIRNarrowCoef", "FIRNarrowCoef_head", "frandnum", "FreqMod", "GammLn", "GetNewCoef",
            "Histogra", "Integrate", "InvCh_Coef", "InvChebyshevCoefs", "InvChiSquare_head", "InvF_Dist",
            "InvFDist_head", "InvN_Dist", "InvNdist_head", "InvT_Dist", "InvTdist_head", "InvXX_Dist",
            "isCycleMeasurement", "LU", "MaxMin", "MedianFilter", "MedianFilterCIN", "MixFFT", "N_Dist", "NormDist_head",
            "Parks", "PhasMod", "qaTriggerDetection", "randnum", "Rev", "Rxx", "SplitRadixCxFFT", "SplitRadixCxInvFFT",
            "SplitRadixReFFT", "SplitRadixReInvFFT", "SpReFFT", "SpReInvFFT", "srandnum", "T_Dist", "TDist_head",
            "ToPolar", "ToRect", "Triggerh", "XX_Dist", "ZeroPad"
        }},
        // An empty spectrum.
        {kErrSpectrumEmpty, {"Spectrum"}},
        // Fewer samples than the routine needs (one or two).
        {kErrTooFewSamples, {
            "CrossPowerCIN", "CxGenCosWin", "CxGenCosWinH", "ExpFitCoef", "ExpFitCoef_head", "ExpWin", "ExpWindCIN",
            "ForceWin", "ForceWindCIN", "GenCosWin", "GenCosWinH", "Hilbert", "LinFitCoef", "LinFitCoef_head", "Ramp",
            "RampPtrn", "ScaledCxGenCosWinH", "ScaledGenCosWinH"
        }},
        // The inverse transforms' length code, and the integration rules'.
        {kErrBadArraySize, {"InvFFT", "InvFFTCx", "InvFFTH", "NumerIntegration", "ReInvFFT", "ReInvFFTCx", "ReInvFFTH"}},
        // Lengths outside their stated range.
        {kErrTooManySamples, {"AutoCorrelation", "Deconvolution"}},
        // ANOVA entry points: the count is not levels x observations.
        {kErrAnovaSize, {"Anova2Way_head", "ANOVA3Way_head"}},
        // ANOVA cores, whose rows keep their cells filled.
        {kErrAnovaUnbalanced, {"ANOVA2Way", "ANOVA3Way"}},
        // A contingency table with fewer than two rows.
        {kErrTableTooSmall, {"Contingency_head", "Contingency_Table"}},
    };
    for (const Rule &r : kRules)
        for (const char *name : r.rows)
            if (std::strcmp(name, routine) == 0) return r.code;
    return kErrEmptyArray;
}

bool keepsOutputsOnFailure(const char *routine) {
    static const char *const kKeep[] = {
        // A refused state resize leaves that state empty; the other state
        // array has already been resized and cleared, as its count differed,
        // and stays so (caller-held state, documented in the header).
        "IIR_Filter",
        // Likewise its state: resized and cleared when its count differs,
        // before the core rejects counts that do not fit the sections.
        "IIR_Filter2",
        // Reports a failed analysis as ten zeros rather than iDNaN, as its
        // header documents.
        "PulseParameters",
        // With no samples its counts keep a zero per bin (its header).
        "GenHistH",
    };
    return listed(kKeep, routine);
}

bool isBudget(const char *routine, const char *param) {
    // The restart budget of the polynomial root finder: each restart costs
    // up to 80 Laguerre steps over the whole polynomial.
    return std::strcmp(param, "control") == 0 && std::strcmp(routine, "CxPolyRoots_head") == 0;
}

bool returnsHostStatus(const Row &row) {
    static const char *const kStatus[] = {"ZeroPad", "Rxx", "Deconvolve"};
    return listed(kStatus, row.name);
}

const std::vector<LeftOut> &leftOut() {
    struct Group {
        const char *reason;
        std::vector<const char *> names;
    };
    static const Group kGroups[] = {
        {"exported data", {"iDNaN", "AnlysRandGenMutex", "notice", "initStatus", "library"}},
        // Load and unload run once per process; the lifecycle suite loads a
        // private copy of the library to test them.
        {"lifecycle: runs once at load or unload (tests/frame/lifecycle)", {"OrinAnalysisStart", "OrinAnalysisFinish"}},
        // The engine is stateful: its fuzz target drives sessions in sequence.
        {"engine session: the stateful engine fuzz target and suite",
         {"measurements_create", "measurements_fetch", "measurements_clear", "measurements_destroy"}},
        {"streaming series with caller-held control and state blocks (tests/timedomain)", {"PeakD"}},
        // Support routines: exported because other routines call them, each a
        // step of a method that its callers drive with arguments they have
        // already checked and sized; the sweeps reach them through those rows.
        {"a step of the elliptic design, called by Elp_Coef with arguments it has checked (rows Elp_Coef, EllipticCoefs)",
         {"cei", "elp", "arcsc", "fk", "Params"}},
        {"a stage of the narrow-band FIR design and filter, called with the design block it made (rows FIRNarrowCoef, "
         "FIRNarrowCoef_head, FIRnarrowFilter_head)",
         {"CaculateNFIRTaps", "AllocFIRNarrowMem", "FreeFIRNarrowMem", "modelFilter"}},
        {"a step of the streaming peak detector, called with its control and state blocks (rows PeakDetector; PeakD itself "
         "is left out above)",
         {"dPeakAnalysis", "_dPeakAnalysis", "dCheckPeak", "dSavePeak", "AddRoom", "PeakDataResize", "dResize1D",
          "GetDataBuffer", "IsHistoryBufferFilled", "SaveHistoryData", "dComputeLSQFitCoeff", "ddDot", "InternalPeakDataSize",
          "AllocPeakCINData", "DisposePeakCINData", "SetInternalPeakPointers", "dAllocMatrix", "FreeMatrix", "FreeNonNull",
          "_dQRFactorization", "dQRFactorization", "dLUPivot", "dLUBackSubPivot", "dMatrixInv", "dRinvQt", "dUnifPolyRinvQt"}},
        {"a step of the pulse parameters, called by PulseParam on the samples it has checked (rows PulseParam, PulseParameters)",
         {"Neg1D", "Interpolate", "FindModes", "AmpParameters", "TimeParameters"}},
        {"a step of the FFT-based convolution and correlation, called on buffers its caller sized (rows Convolution, Rxy, "
         "AutoCorrelation, Deconvolution)",
         {"ReFFTMultiply", "MagnitudeSquared", "Rotate", "Dxy", "Divide"}},
        {"a kernel of the FFT family that trusts its caller's lengths and tables (rows of the FFT routines)",
         {"BitReverse", "Log2", "CxMul1D", "SinglePrimeUsingChirpZ", "factorize", "transTableSetup", "Repermute", "initTrig",
          "initChirp", "shouldUpdateTrigTable", "shouldUpdateChirpTable"}},
        {"a step of the Hilbert transform, spectra and cross power, called on handles its entry point checked (rows Hilbert, "
         "Spectrum, CrossPowerCIN)",
         {"FastHilbert", "DisHilbert", "Sxx", "DSxx", "Cross_Power", "ReSize", "Sxy_FFT", "Sxy_DFT"}},
        {"a kernel of the window family (rows of the windows)", {"Io"}},
        {"a kernel of the histograms and descriptive statistics, called with checked counts (rows Histogra, "
         "GeneralHistogram, histgran_head, Decimate)",
         {"SetAxis", "CheckBin", "Mean"}},
        {"a kernel of the linear-algebra family that trusts its caller's dimensions (rows of the LU, QR and product routines)",
         {"BackSub", "ForwSub", "ConstrUnitMatrix", "IndexMatrixCol", "DMprod", "MDprod", "MMprod_fast_giv", "MMprod_givens",
          "MVprod_house", "Mhhld_step", "Vnorm2", "fast_givens", "givens", "house_calc", "CxIndexMatrixCol", "CxMVprod_house",
          "CxMhhld_step", "CxVnorm2", "Cxhouse_calc"}},
        {"the power helper of the complex Vandermonde matrix: its cost is its exponent where the power keeps moving "
         "(|z| = 1), so it is swept as a kernel row at fixed bases (rows CxVanderMatrix, CxSpecialMatrix)",
         {"CxPow"}},
    };
    static const std::vector<LeftOut> list = [] {
        std::vector<LeftOut> all;
        for (const Group &g : kGroups)
            for (const char *name : g.names) all.push_back({name, g.reason});
        return all;
    }();
    return list;
}

}  // namespace sweep
// clang-format on
