// Narrow-band FIR design by interpolated FIR filters: Neuvo, Cheng-Yu and
// Mitra, "Interpolated finite impulse response filters", IEEE Trans. ASSP
// 32 (1984). The model filter G(z^M) is designed at an M times wider
// transition; the image filter I(z) removes the images of G at multiples of
// fs/M. Lengths come from Kaiser's estimate, and each stage is lengthened
// until its equiripple deviation meets the target.
#include <algorithm>
#include <cmath>
#include <utility>

#include "equiripple.h"

namespace {

using orin::equiripple::kMultiband;
using orin::iir::kBandpass;
using orin::iir::kBandstop;
using orin::iir::kHighpass;
using orin::iir::kLowpass;
using orin::iir::positiveFinite;

// The design kinds beyond the four request types (kLowpass..kBandstop): a
// lowpass or highpass whose pass band is wider than fs/4, designed as the
// complement of a narrow one.
constexpr int32_t kWideLowpass = 4, kWideHighpass = 5;
// Longest initial estimate accepted for either stage, and the longest a
// stage may grow to while its deviation is brought down.
constexpr int64_t kMaxEstimate = 500, kMaxStage = 1000;
// Kaiser's estimate falls short for long equiripple filters (Herrmann,
// Rabiner and Chan, Bell Syst. Tech. J. 52 (1973), refine it for that
// reason): an estimate above kLongEstimate taps starts a tenth longer, which
// saves rounds of the growth loop; each round then lengthens a stage by 5 %.
constexpr int64_t kLongEstimate = 100;
constexpr double kLongEstimateMargin = 1.1;
constexpr double kStageGrowth = 1.05;

// Kaiser's length estimate N = (-20 log10 sqrt(da db) - 13)/(14.6 df/fs),
// truncated toward zero; clamped into int64 range (a huge value is then
// refused by the length checks).
int64_t kaiserTaps(double fs, double da, double db, double df) {
    const double n = (-20 * std::log10(std::sqrt(da * db)) - 13) / (14.6 * df / fs);
    if (!(n < 1e15)) return n > 0 ? int64_t{1} << 50 : -1;
    if (n < -1e15) return -1;
    return static_cast<int64_t>(n);
}

// The model band of factor m for a band centred on fc: m fc folded into
// (0, fs] and reflected into (0, fs/2]; image index b. 0, 0 when the model's
// stop bands would not fit.
void FindModelFreq(double fs, double fc, double f2, int64_t m, double &fcm, int64_t &b) {
    const double x = m * fc;
    const double i = std::ceil(x / fs) - 1;
    double v = x - i * fs;
    b = 2 * static_cast<int64_t>(i) + 1;
    if (v > fs / 2) {
        v = fs - v;
        b = 2 * static_cast<int64_t>(i) + 2;
    }
    fcm = v;
    if (fcm + m * f2 >= fs / 2 || fcm - m * f2 <= 0) {
        fcm = 0;
        b = 0;
    }
}

struct BandPlan {
    int64_t M = 1, b = 1, modelTaps = 0, imageTaps = 0;
    double fcm = 0, delta = 0;
};

// The factor with the fewest taps in all (single stage included) for a band
// of pass half-width f1 and stop half-width f2 centred on fc.
BandPlan FindOptimalBandPara(double fs, double fc, double f1, double f2, double dp, double ds) {
    BandPlan best;
    best.fcm = fc;
    best.modelTaps = kaiserTaps(fs, dp, ds, f2 - f1);
    const int64_t top = static_cast<int64_t>(std::min(fs / (4 * f2), 1e6));
    for (int64_t m = 2; m <= top; ++m) {
        double fcm = 0;
        int64_t b = 0;
        FindModelFreq(fs, fc, f2, m, fcm, b);
        if (b == 0) continue;
        const int64_t nm = kaiserTaps(fs, dp / 2, ds, m * (f2 - f1));
        double t;
        if (b == 1) t = fs - 2 * fcm;
        else if (b == m) t = m % 2 == 0 ? fs - 2 * fcm : 2 * fcm;
        else t = fcm > fs / 4 ? fs - 2 * fcm : 2 * fcm;
        const double delta = t / m - f2 - f1;
        // No room between the wanted image and its neighbours.
        if (!(delta > 0)) continue;
        const int64_t ni = kaiserTaps(fs, dp / 2, ds, delta);
        if (nm + ni < best.modelTaps + best.imageTaps) best = {m, b, nm, ni, fcm, delta};
    }
    return best;
}

// Negates every tap whose index differs in parity from the centre's: the
// response moves by fs/2 (lowpass to highpass) with its centre tap kept.
void mirror(double *h, int32_t count) {
    const int32_t c = (count - 1) / 2;
    for (int32_t i = 0; i < count; ++i)
        if ((i - c) % 2 != 0) h[i] = -h[i];
}
void negate(double *h, int32_t count) {
    for (int32_t i = 0; i < count; ++i) h[i] = -h[i];
}

struct Bands {
    int32_t count = 0;
    double desired[3], weights[3], edges[6];
    void add(double lo, double hi, double gain, double weight) {
        edges[2 * count] = lo;
        edges[2 * count + 1] = hi;
        desired[count] = gain;
        weights[count] = weight;
        ++count;
    }
};

// Releases the design block unless it is handed to the caller.
struct BlockGuard {
    FIRNarrowDesign *block = nullptr;
    ~BlockGuard() { FreeFIRNarrowMem(&block, 0); }
};

// One stage's design loop: the equiripple design at the estimated length,
// lengthened by 5 % (rounded up) until the deviation is at most dp/2.
int32_t designStage(FIRNarrowDesign **block, int32_t mode, int64_t length, bool odd, const Bands &bands, double fs,
                    double target, const char *title, const char *lengthFormat) {
    for (;;) {
        FreeFIRNarrowMem(block, mode);
        if (odd && length % 2 == 0) ++length;
        // Very lenient requests can estimate fewer taps than any design has.
        length = std::max<int64_t>(length, 3);
        if (length > kMaxStage) return kErrEquirippleSpec;
        const int32_t n = static_cast<int32_t>(length);
        if (const int32_t code = AllocFIRNarrowMem(mode == 1 ? n : 0, mode == 2 ? n : 0, mode, block)) return code;
        DBPrintf("%s\n", title);
        DBPrintf("numBand=%ld\n", static_cast<long>(bands.count));
        for (int32_t i = 0; i < bands.count; ++i)
            DBPrintf("%ld: amp=%le,weights=%le,freq[low]=%le,freq[[high]=%le\n", static_cast<long>(i), bands.desired[i],
                     bands.weights[i], bands.edges[2 * i], bands.edges[2 * i + 1]);
        DBPrintf(lengthFormat, static_cast<long>(n));
        DBPrintf("\n");
        double deviation = 0;
        double *taps = mode == 1 ? (*block)->model : (*block)->image;
        if (const int32_t code = Equi_Ripple(bands.count, bands.desired, bands.weights, fs, bands.edges, kMultiband, n,
                                             taps, &deviation))
            return code;
        if (deviation <= target) return kErrNone;
        length = static_cast<int64_t>(std::ceil(kStageGrowth * static_cast<double>(n)));
    }
}

// A request reduced to the lowpass (or band) prototype the stages design:
// the half-widths of pass and stop band, the deviations in the prototype's
// pass and stop bands, and the design kind that says how to undo the
// reduction.
struct Prototype {
    int32_t kind = kLowpass;
    double pass = 0, stop = 0, dp = 0, ds = 0;
};

// A highpass is the mirrored lowpass at fs/2 - f; a lowpass or highpass
// whose pass band is wider than fs/4 is the complement of a narrow one (its
// deviations swapped); bandpass and bandstop are designed on the
// half-widths of their bands, a bandstop as the complement of a bandpass.
Prototype prototypeOf(int32_t type, double fs, double f1, double f2, double dp, double ds) {
    Prototype r{type, f1, f2, dp, ds};
    switch (type) {
        case kLowpass:
            if (f1 > fs / 4) r = {kWideLowpass, fs / 2 - f2, fs / 2 - f1, ds, dp};
            break;
        case kHighpass:
            r.pass = fs / 2 - f1;
            r.stop = fs / 2 - f2;
            if (r.pass > fs / 4) r = {kWideHighpass, f2, f1, ds, dp};
            break;
        case kBandpass:
            r.pass = f1 / 2;
            r.stop = f2 / 2;
            break;
        default: r = {type, f2 / 2, f1 / 2, ds, dp}; break;
    }
    return r;
}

// The interpolation factor and both stages' starting lengths: the lowpass
// optimum of CaculateNFIRTaps, or the best band factor; long estimates get
// their margin, and an estimate beyond kMaxEstimate is refused.
int32_t planStages(double fs, double fc, const Prototype &proto, bool bandType, BandPlan *plan) {
    if (!bandType) {
        int32_t M = 1, nm = 0, ni = 0;
        if (const int32_t code = CaculateNFIRTaps(fs, proto.pass, proto.stop, proto.dp, proto.ds, &M, &nm, &ni))
            return code;
        plan->M = M;
        plan->modelTaps = nm;
        plan->imageTaps = ni;
    } else {
        *plan = FindOptimalBandPara(fs, fc, proto.pass, proto.stop, proto.dp, proto.ds);
        DBPrintf("interp=%ld,fcm=%f,deltaf=%f\n", static_cast<long>(plan->M), plan->fcm, plan->delta);
    }
    for (int64_t *n : {&plan->modelTaps, &plan->imageTaps})
        if (*n > kLongEstimate) *n = static_cast<int64_t>(static_cast<double>(*n) * kLongEstimateMargin);
    if (plan->modelTaps < 0 || plan->modelTaps > kMaxEstimate || plan->imageTaps < 0 || plan->imageTaps > kMaxEstimate)
        return kErrEquirippleSpec;
    return kErrNone;
}

// The model filter's bands: the prototype stretched M times (around the
// model centre fcm for a band).
Bands modelBands(double fs, const Prototype &proto, const BandPlan &plan, bool bandType, double w) {
    const double p = proto.pass, s = proto.stop;
    const double M = static_cast<double>(static_cast<int32_t>(plan.M));
    Bands model;
    if (!bandType) {
        model.add(0, M * p, 1, 1);
        model.add(M * s, fs / 2, 0, w);
    } else {
        model.add(0, plan.fcm - M * s, 0, w);
        model.add(plan.fcm - M * p, plan.fcm + M * p, 1, 1);
        model.add(plan.fcm + M * s, fs / 2, 0, w);
    }
    return model;
}

// The image filter's bands: pass the wanted image of the model, stop the
// others (image b = 1 is the lowest, b = M the highest).
Bands imageBands(double fs, double fc, const Prototype &proto, const BandPlan &plan, bool bandType, double w) {
    const double p = proto.pass, s = proto.stop;
    const int32_t M = static_cast<int32_t>(plan.M);
    Bands image;
    if (!bandType) {
        image.add(0, p, 1, 1);
        image.add(fs / M - s, fs / 2, 0, w);
    } else if (plan.b == 1) {
        image.add(0, fc + p, 1, 1);
        image.add(fc + p + plan.delta, fs / 2, 0, w);
    } else if (plan.b == plan.M) {
        image.add(0, fc - p - plan.delta, 0, w);
        image.add(fc - p, fs / 2, 1, 1);
    } else {
        image.add(0, fc - p - plan.delta, 0, w);
        image.add(fc - p, fc + p, 1, 1);
        image.add(fc + p + plan.delta, fs / 2, 0, w);
    }
    return image;
}

// Undoes the reduction to the prototype (see the kinds in the header): a
// highpass or wide lowpass is mirrored, and the spread model G(z^M) mirrors
// with the cascade only when M is odd; a bandstop or wide design is
// complemented by negating the last stage.
void mirrorAndComplement(FIRNarrowDesign &d, int32_t kind) {
    const int32_t M = d.M;
    double *last = M > 1 ? d.image : d.model;
    const int32_t lastCount = M > 1 ? d.imageCount : d.modelCount;
    if (kind == kHighpass || kind == kWideLowpass) {
        if (M > 1) mirror(d.image, d.imageCount);
        if (M % 2 == 1) mirror(d.model, d.modelCount);
    }
    if (kind == kBandstop || kind == kWideLowpass || kind == kWideHighpass) negate(last, lastCount);
}

}  // namespace

int32_t CaculateNFIRTaps(double fs, double fp, double fst, double dp, double ds, int32_t *M, int32_t *modelTaps,
                         int32_t *imageTaps) {
    if (!positiveFinite(fs) || !positiveFinite(fp) || !positiveFinite(fst) || !(fst > fp) || !(fst < fs / 2) ||
        !positiveFinite(dp) || !positiveFinite(ds))
        return kErrEquirippleSpec;
    // The factor that minimises the total length for a lowpass (Neuvo et al.).
    const double estimate = std::floor(fs / (fp + fst + std::sqrt(fs * (fst - fp))) + 0.5);
    // The model's stop band must stay below fs/2: m fst < fs/2. Starting at
    // most one above that bound (and within int32, where the factor is
    // reported) leaves the loop a step or two; from a raw estimate of a
    // narrow band at a huge fs it would not end, nor would the estimate fit
    // an integer.
    int64_t m = static_cast<int64_t>(std::min({estimate, std::floor(fs / 2 / fst) + 1, double{INT32_MAX}}));
    while (m > 1 && m * fst >= fs / 2) --m;
    m = std::max<int64_t>(m, 1);
    int64_t image = m == 1 ? 0 : kaiserTaps(fs, dp / 2, ds, fs / m - fst - fp);
    int64_t model = kaiserTaps(fs, dp / 2, ds, m * (fst - fp));
    const int64_t single = kaiserTaps(fs, dp, ds, fst - fp);
    if (single <= model + image) {
        m = 1;
        model = single;
        image = 0;
    }
    auto clamp = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -1, INT32_MAX)); };
    *M = clamp(m);
    *modelTaps = clamp(model);
    *imageTaps = clamp(image);
    return kErrNone;
}

int32_t FIRNarrowCoef(double fs, double f1, double f2, double fc, double dp, double As, int32_t type,
                      FIRNarrowDesign **design) {
    *design = nullptr;
    // NaN never reaches a float-to-integer conversion: refused here.
    if (type < 0 || type > 3 || !positiveFinite(fs) || !positiveFinite(dp) || std::isnan(As) || !std::isfinite(f1) ||
        !std::isfinite(f2) || !std::isfinite(fc))
        return kErrEquirippleSpec;
    const Prototype proto = prototypeOf(type, fs, f1, f2, dp, std::pow(10.0, -As / 20));
    const double p = proto.pass, s = proto.stop;
    if (p <= 0 || p >= s || s >= fs / 2 || !(proto.ds > 0) || !(proto.dp > 0)) return kErrEquirippleSpec;
    const bool bandType = type >= kBandpass;
    // The band and its transitions must lie inside (0, fs/2).
    if (bandType && (fc - s <= 0 || fc + s >= fs / 2)) return kErrEquirippleSpec;

    BandPlan plan;
    if (const int32_t code = planStages(fs, fc, proto, bandType, &plan)) return code;
    BlockGuard guard;
    const int32_t M = static_cast<int32_t>(plan.M);
    if (const int32_t code = AllocFIRNarrowMem(static_cast<int32_t>(plan.modelTaps),
                                               M > 1 ? static_cast<int32_t>(plan.imageTaps) : 0, 0, &guard.block))
        return code;
    guard.block->kind = proto.kind;
    guard.block->M = M;
    const bool odd = proto.kind != kLowpass;
    // Stop bands weighted so that both stages share the pass-band ripple.
    const double w = (proto.dp / 2) / proto.ds;
    if (const int32_t code = designStage(&guard.block, 1, plan.modelTaps, odd, modelBands(fs, proto, plan, bandType, w),
                                         fs, proto.dp / 2, "design model filter", "Mtaps=%ld"))
        return code;
    if (M > 1) {
        if (const int32_t code =
                designStage(&guard.block, 2, plan.imageTaps, odd, imageBands(fs, fc, proto, plan, bandType, w), fs,
                            proto.dp / 2, "design image filter", "Itaps=%ld"))
            return code;
    }
    mirrorAndComplement(*guard.block, proto.kind);
    *design = std::exchange(guard.block, nullptr);
    return kErrNone;
}

int32_t AllocFIRNarrowMem(int32_t modelCount, int32_t imageCount, int32_t mode, FIRNarrowDesign **design) {
    if (modelCount < 0 || imageCount < 0 || mode < 0 || mode > 2) return kErrEquirippleSpec;
    if (mode != 0 && !*design) return kErrEquirippleSpec;
    auto array = [](int32_t count) {
        return static_cast<double *>(orin::heapAllocate(sizeof(double) * static_cast<size_t>(std::max(count, 1))));
    };
    auto fail = [&] {
        FreeFIRNarrowMem(design, 0);
        return kErrOutOfMemory;
    };
    if (mode == 0) {
        *design = static_cast<FIRNarrowDesign *>(orin::heapAllocate(sizeof(FIRNarrowDesign)));
        if (!*design) return kErrOutOfMemory;
        **design = FIRNarrowDesign{0, 1, modelCount, nullptr, imageCount, nullptr};
        if (!((*design)->model = array(modelCount))) return fail();
        if (imageCount > 0 && !((*design)->image = array(imageCount))) return fail();
        return kErrNone;
    }
    FreeFIRNarrowMem(design, mode);
    double *&slot = mode == 1 ? (*design)->model : (*design)->image;
    (mode == 1 ? (*design)->modelCount : (*design)->imageCount) = mode == 1 ? modelCount : imageCount;
    if (!(slot = array(mode == 1 ? modelCount : imageCount))) return fail();
    return kErrNone;
}

void FreeFIRNarrowMem(FIRNarrowDesign **design, int32_t mode) {
    if (!design || !*design) return;
    FIRNarrowDesign *d = *design;
    if (mode == 0 || mode == 1) {
        orin::heapRelease(d->model);
        d->model = nullptr;
    }
    if (mode == 0 || mode == 2) {
        orin::heapRelease(d->image);
        d->image = nullptr;
    }
    if (mode == 0) {
        orin::heapRelease(d);
        *design = nullptr;
    }
}
