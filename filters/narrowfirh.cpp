#include <algorithm>

#include "detail.h"

int32_t FIRNarrowCoef_head(const double *fs, const double *f1, const double *f2, const double *fc, const double *dp,
                           const double *As, const int32_t *type, FIRNarrowCluster *cluster, int32_t *error) {
    return orin::runEntry(error, {cluster->model, cluster->image, &cluster->M}, [&]() -> orin::Outcome {
        struct Owner {
            FIRNarrowDesign *d = nullptr;
            ~Owner() { FreeFIRNarrowMem(&d, 0); }
        } design;
        if (const int32_t code = FIRNarrowCoef(*fs, *f1, *f2, *fc, *dp, *As, *type, &design.d)) return code;
        orin::DoubleArrayView model(cluster->model), image(cluster->image);
        ORIN_TRY(model.resize(design.d->modelCount));
        ORIN_TRY(image.resize(design.d->M > 1 ? design.d->imageCount : 0));
        std::copy(design.d->model, design.d->model + design.d->modelCount, model.data());
        if (design.d->M > 1) std::copy(design.d->image, design.d->image + design.d->imageCount, image.data());
        cluster->kind = design.d->kind;
        cluster->M = design.d->M;
        return kErrNone;
    });
}
