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
 * 0) and writes iDNaN into every double scalar output.
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
enum {
    kTypeInt32 = 3,
    kTypeDouble = 10,
    kTypeComplexDouble = 13
};

/* Complex element: real part first, then imaginary part. */
typedef struct {
    double re;
    double im;
} complexnum;

/* Host array blocks. Packed to 4 bytes so the elements follow the dimension
   words at once in the 64-bit build too (the host layout has no padding).
   The one-element arrays stand for "count elements follow". */
#pragma pack(push, 4)
typedef struct { int32_t dimSize; double elt[1]; } DoubleArray;
typedef struct { int32_t dimSize; int32_t elt[1]; } Int32Array;
typedef struct { int32_t dimSize; complexnum elt[1]; } ComplexArray;
typedef struct { int32_t dimSizes[2]; double elt[1]; } DoubleMatrix;
typedef struct { int32_t dimSizes[2]; int32_t elt[1]; } Int32Matrix;
typedef struct { int32_t dimSizes[2]; complexnum elt[1]; } ComplexMatrix;
#pragma pack(pop)

typedef DoubleArray **DoubleArrayHdl;
typedef Int32Array **Int32ArrayHdl;
typedef ComplexArray **ComplexArrayHdl;
typedef DoubleMatrix **DoubleMatrixHdl;
typedef Int32Matrix **Int32MatrixHdl;
typedef ComplexMatrix **ComplexMatrixHdl;

/* Byte offsets of the elements within a block. */
enum { kOffset1D = 4, kOffset2D = 8 };

/* Error codes. Values between -20001 and -20999 not listed are never returned. */
typedef enum {
    kErrNone = 0,
    kErrOutOfMemory = -20001,
    kErrArraySizeMismatch = -20002,
    kErrEmptyArray = -20003,
    kErrSpectrumEmpty = -20005,
    kErrTooFewSamples = -20006,
    kErrBadArraySize = -20008,
    kErrNotPowerOfTwo = -20009,
    kErrTooManySamples = -20010,
    kErrDutyCycle = -20011,
    kErrCyclesOutOfRange = -20012,
    kErrPeakWidth = -20013,
    kErrPulseDelayWidth = -20014,
    kErrSamplingInterval = -20016,
    kErrIndexOutOfRange = -20017,
    kErrNyquist = -20020,
    kErrOrderNotPositive = -20021,
    kErrDecimatingFactor = -20022,
    kErrCutoffFrequency = -20023,
    kErrRipple = -20024,
    kErrAttenuation = -20025,
    kErrFinalValue = -20027,
    kErrAttenuationBelowRipple = -20028,
    kErrEquirippleSpec = -20031,
    kErrMedianRank = -20032,
    kErrEvenTaps = -20033,
    kErrMixedSigns = -20036,
    kErrFewerPointsThanCoefficients = -20037,
    kErrDimensionMismatch = -20039,
    kErrNotSquare = -20040,
    kErrSingularMatrix = -20041,
    kErrAnovaLevels = -20042,
    kErrAnovaLevelIndex = -20043,
    kErrAnovaNoObservations = -20044,
    kErrAnovaSize = -20045,
    kErrAnovaUnbalanced = -20047,
    kErrAnovaRandomSingle = -20048,
    kErrAbscissaOrder = -20049,
    kErrInterpolationPole = -20050,
    kErrDegreesOfFreedom = -20052,
    kErrProbability = -20053,
    kErrChiSquareProbability = -20054,
    kErrTableTooSmall = -20055,
    kErrNegativeCount = -20056,
    kErrBetaArgument = -20057,
    kErrInvalidSelector = -20061,
    kErrNoConvergence = -20062,
    kErrPolyRootsFailed = -20063,
    kErrNoState = -20064,
    kErrZeroNormVector = -20065,
    kErrTooFewCrossings = -20308,
    kErrHistogramBinWidth = -20309,
    kErrTooFewEdges = -20310,
    kErrEngineOutOfMemory = -20311,
    kErrNoSamples = -20312,
    kErrReferenceOrder = -20313,
    kErrReferenceUnits = -20314,
    kErrEngineSamplingInterval = -20315,
    kErrReferenceMethod = -20316,
    kErrHistogramBins = -20317,
    kErrResultNotFinite = -20318,
    kErrNoPeriod = -20319,
    kErrUnknownSession = -20321,
    kErrEdgeCount = -20323,
    kErrDuplicateMeasurement = -20324,
    kErrUnknownMeasurement = -20325,
    kErrZeroDuration = -20326,
    kErrEngineException = -20327,
    kErrEngineConstruction = -20328,
    kErrNullCursor = -20329,
    kErrNullResult = -20330,
    kErrNullParameters = -20331,
    kErrFilterStructure = -20999
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
