// messdescr.cpp - allocation and release of the measurement record.
#include "messdescr.h"

#include <cstdlib>

namespace {

std::int16_t* AllocCurve()
{
    return static_cast<std::int16_t*>(std::calloc(kMessCurveSamples, sizeof(std::int16_t)));
}

} // namespace

MessDescr* AllocEmptyMessDescr()
{
    return static_cast<MessDescr*>(std::calloc(1, sizeof(MessDescr)));
}

MessDescr* AllocMessDescr()
{
    MessDescr* descr = AllocEmptyMessDescr();
    if (!descr)
        return nullptr;
    bool complete = true;
    for (int i = 0; i < kMessMeasurements; ++i) {
        descr->pCurve[i] = AllocCurve();
        complete = complete && descr->pCurve[i];
    }
    descr->pMeanCurve = AllocCurve();
    complete = complete && descr->pMeanCurve;
    if (!complete) {
        FreeMessDescr(descr);
        return nullptr;
    }
    return descr;
}

void FreeMessDescr(MessDescr* descr)
{
    if (!descr)
        return;
    for (int i = 0; i < kMessMeasurements; ++i)
        std::free(descr->pCurve[i]);
    std::free(descr->pMeanCurve);
    std::free(descr);
}

bool MessDescrHasCurves(const MessDescr* descr)
{
    return descr && descr->pCurve[0];
}
