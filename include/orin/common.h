/*
 * orinanalysis: host data layouts, type codes, error codes and the NaN constant.
 *
 * Every exported routine exchanges data with the host in the layouts below.
 * A 1D block is an int32 element count followed at once by the elements; a 2D
 * block is two int32 words (rows, then columns) followed at once by the
 * elements in row-major order. There is no padding in either build: doubles
 * start 4 bytes (1D) or 8 bytes (2D) into the block.
 *
 * Error convention: every routine returns (or stores in its last parameter)
 * an int32 code, 0 on success and one of the negative codes below otherwise.
 * On failure a handle entry point empties every output array (dimension words
 * 0) and writes iDNaN into every double scalar output. Those with an error
 * output return 0, or the memory manager's non-zero status after a refused resize.
 *
 * Thread safety: every routine is re-entrant and keeps no global mutable
 * state; state that lasts between calls (filter states, generator seeds and
 * phases) is held by the caller and passed in on every call, and the
 * measurement engine locks its session registry and each session inside.
 * Using the same handle or state block from two threads at once is the
 * caller's to prevent.
 *
 * Parameter blocks in the headers: "in" is read only, "out" is written
 * (its value on entry is ignored), "in/out" is read and written. Lengths are
 * in elements; "handle of n doubles" is a 1D host array whose dimSize is n.
 */
#ifndef ORIN_COMMON_H
#define ORIN_COMMON_H

#include <stdint.h>
#include <stddef.h>

#ifdef __cplusplus
#define ORIN_EXTERN_C extern "C"
#else
#define ORIN_EXTERN_C extern
#endif

/* Marks a declaration as part of the exported C interface. Everything the
   library defines without it stays hidden. */
#define ORIN_API ORIN_EXTERN_C __attribute__((visibility("default")))

/* Element type codes passed to NumericArrayResize. */
enum { kTypeInt32 = 3, kTypeDouble = 10, kTypeComplexDouble = 13 };

/* Complex element: real part first, then imaginary part. */
typedef struct {
    double re;
    double im;
} complexnum;

/* Host array blocks. Packed to 4 bytes so the elements follow the dimension
   words at once in the 64-bit build too (the host layout has no padding).
   The one-element arrays stand for "count elements follow". */
#pragma pack(push, 4)
/* One block type per line: */
/* clang-format off */
typedef struct { int32_t dimSize; double elt[1]; } DoubleArray;
typedef struct { int32_t dimSize; int32_t elt[1]; } Int32Array;
typedef struct { int32_t dimSize; complexnum elt[1]; } ComplexArray;
typedef struct { int32_t dimSizes[2]; double elt[1]; } DoubleMatrix;
typedef struct { int32_t dimSizes[2]; int32_t elt[1]; } Int32Matrix;
typedef struct { int32_t dimSizes[2]; complexnum elt[1]; } ComplexMatrix;
/* clang-format on */
#pragma pack(pop)

typedef DoubleArray **DoubleArrayHdl;
typedef Int32Array **Int32ArrayHdl;
typedef ComplexArray **ComplexArrayHdl;
typedef DoubleMatrix **DoubleMatrixHdl;
typedef Int32Matrix **Int32MatrixHdl;
typedef ComplexMatrix **ComplexMatrixHdl;

/* Byte offsets of the elements within a block. */
enum { kOffset1D = 4, kOffset2D = 8 };

/* Error codes, each with the condition that raises it. Values between -20001
   and -20999 not listed are never returned; no positive codes are used. */
typedef enum {
    kErrNone = 0,                             /* success */
    kErrOutOfMemory = -20001,                 /* scratch allocation failed, or a host array could not be resized */
    kErrArraySizeMismatch = -20002,           /* two input arrays that must have equal counts do not */
    kErrEmptyArray = -20003,                  /* a sample, row or column count below 1 (also: fit SVD not converged) */
    kErrSpectrumEmpty = -20005,               /* power spectrum of fewer than 1 sample */
    kErrTooFewSamples = -20006,               /* fewer samples than the routine needs at least (1 or 2) */
    kErrBadArraySize = -20008,                /* an array size unfit for the operation (e.g. inverse FFT n < 1) */
    kErrNotPowerOfTwo = -20009,               /* power-of-two kernel given another length; noise too long */
    kErrTooManySamples = -20010,              /* a length above the routine's stated maximum */
    kErrDutyCycle = -20011,                   /* square wave duty cycle (percent) zero or negative */
    kErrCyclesOutOfRange = -20012,            /* pattern cycle count not positive or more than the samples allow */
    kErrPeakWidth = -20013,                   /* peak detection width < 1, >= n, or above the data held */
    kErrPulseDelayWidth = -20014,             /* pulse pattern: negative delay or width, or delay + width > n */
    kErrSamplingInterval = -20016,            /* sampling interval dt zero or negative */
    kErrIndexOutOfRange = -20017,             /* an index outside its array (impulse position, partial product range) */
    kErrNyquist = -20020,                     /* a filter band edge above fs/2 (exactly fs/2 is accepted) */
    kErrOrderNotPositive = -20021,            /* an order or count (filter, taps, moment) below 1 */
    kErrDecimatingFactor = -20022,            /* decimating factor below 1 or above the number of samples */
    kErrCutoffFrequency = -20023,             /* sampling or cut-off frequency <= 0, or low cut-off not below high */
    kErrRipple = -20024,                      /* pass-band ripple zero or negative */
    kErrAttenuation = -20025,                 /* stop-band attenuation zero or negative */
    kErrFinalValue = -20027,                  /* exponential window final value zero or negative */
    kErrAttenuationBelowRipple = -20028,      /* elliptic design: attenuation not greater than ripple */
    kErrEquirippleSpec = -20031,              /* equiripple / narrow-band FIR spec unusable or the exchange failed */
    kErrMedianRank = -20032,                  /* median filter: negative rank */
    kErrEvenTaps = -20033,                    /* high-pass or band-stop FIR with an even number of taps */
    kErrMixedSigns = -20036,                  /* exponential fit: data not all of one sign */
    kErrFewerPointsThanCoefficients = -20037, /* least-squares fit with fewer points than coefficients */
    kErrDimensionMismatch = -20039,           /* matrix operands whose inner dimensions differ */
    kErrNotSquare = -20040,                   /* a matrix that must be square is not */
    kErrSingularMatrix = -20041,              /* matrix singular for the method (pivot, diagonal, NaN step) */
    kErrAnovaLevels = -20042,                 /* ANOVA: < 2 levels, or (one-way) levels >= observations */
    kErrAnovaLevelIndex = -20043,             /* ANOVA: a level index outside 0..levels-1 */
    kErrAnovaNoObservations = -20044,         /* ANOVA: a level or cell without enough observations */
    kErrAnovaSize = -20045,                   /* ANOVA: observation count is not levels x observations per cell */
    kErrAnovaUnbalanced = -20047,             /* ANOVA: a cell holds other than the stated number of observations */
    kErrAnovaRandomSingle = -20048,           /* two-way ANOVA: one observation per cell with a random-effects factor */
    kErrAbscissaOrder = -20049,               /* interpolation abscissae that coincide (or a zero-width interval) */
    kErrInterpolationPole = -20050,           /* rational interpolation meets a pole */
    kErrDegreesOfFreedom = -20052,            /* degrees of freedom below 1 */
    kErrProbability = -20053,                 /* a probability not strictly between 0 and 1 */
    kErrChiSquareProbability = -20054,        /* inverse chi-square: probability negative or not below 1 */
    kErrTableTooSmall = -20055,               /* contingency table with fewer than 2 rows or columns */
    kErrNegativeCount = -20056,               /* contingency table with a negative count or dimension */
    kErrBetaArgument = -20057,                /* incomplete beta argument outside 0..1 */
    kErrInvalidSelector = -20061,             /* an enumerated parameter (type, kind, method) out of range */
    kErrNoConvergence = -20062,               /* an iteration hit its limit without converging */
    kErrPolyRootsFailed = -20063,             /* polynomial roots: a NaN coefficient, or deflation failed */
    kErrNoState = -20064,                /* a continuing streaming call without the state block of the first call */
    kErrZeroNormVector = -20065,         /* Householder reflection of a zero-norm vector */
    kErrTooFewCrossings = -20308,        /* engine: too few mid-level crossings for the cycle or pulse */
    kErrHistogramBinWidth = -20309,      /* engine: histogram bin width not positive (peak to peak <= 0) */
    kErrTooFewEdges = -20310,            /* engine: too few edges for the requested edge */
    kErrEngineOutOfMemory = -20311,      /* engine: an allocation failed */
    kErrNoSamples = -20312,              /* engine: no waveform, or fewer than 1 sample */
    kErrReferenceOrder = -20313,         /* engine: reference levels out of order */
    kErrReferenceUnits = -20314,         /* engine: reference or hysteresis units other than 0 or 1 */
    kErrEngineSamplingInterval = -20315, /* engine: sampling interval zero or negative */
    kErrReferenceMethod = -20316,        /* engine: percent units with a reference method other than 0, 1, 2 */
    kErrHistogramBins = -20317,          /* engine: histogram bin count zero or negative */
    kErrResultNotFinite = -20318,        /* engine: the measurement succeeded but its value is not finite */
    kErrNoPeriod = -20319,               /* engine: the period needed is <= 0 or spans no whole sample */
    kErrUnknownSession = -20321,         /* engine: no session with that id */
    kErrEdgeCount = -20323,              /* engine: a requested occurrence or record count below 1 */
    kErrDuplicateMeasurement = -20324,   /* engine: two measurement classes registered one id */
    kErrUnknownMeasurement = -20325,     /* engine: a measurement id the function map or measurement does not know */
    kErrZeroDuration = -20326,           /* engine: slew rate over a rise or fall time <= 0 */
    kErrEngineException = -20327,        /* engine: an exception caught at an exported entry point */
    kErrEngineConstruction = -20328,     /* engine: constructing the session registry or a session threw */
    kErrNullCursor = -20329,             /* engine: fetch cursor pointer null */
    kErrNullResult = -20330,             /* engine: fetch result pointer null */
    kErrNullParameters = -20331,         /* engine: fetch levels or options pointer null */
    kErrFilterStructure = -20999         /* filter arrays whose sizes do not fit the sections */
} OrinError;

/* The NaN written into scalar outputs on failure: bytes ff ff ff 7f ff ff ff ff
   in memory order (a quiet NaN with the sign bit set). */
ORIN_API const double iDNaN;

#ifdef __cplusplus
static_assert(sizeof(complexnum) == 16, "complex element is two doubles");
static_assert(offsetof(DoubleArray, elt) == 4, "1D doubles start 4 bytes in");
static_assert(offsetof(ComplexArray, elt) == 4, "1D complex start 4 bytes in");
static_assert(offsetof(Int32Array, elt) == 4, "1D int32 start 4 bytes in");
static_assert(offsetof(DoubleMatrix, elt) == 8, "2D doubles start 8 bytes in");
static_assert(offsetof(ComplexMatrix, elt) == 8, "2D complex start 8 bytes in");
#else
_Static_assert(sizeof(complexnum) == 16, "complex element is two doubles");
_Static_assert(offsetof(DoubleArray, elt) == 4, "1D doubles start 4 bytes in");
_Static_assert(offsetof(DoubleMatrix, elt) == 8, "2D doubles start 8 bytes in");
#endif

#endif /* ORIN_COMMON_H */
