// evaluation.cpp - effective, clamping and peak force, K-factor, pulse
// duration, the series means and the result texts.
#include "evaluation.h"

#include "appstrings.h"
#include "devicestream.h"

void EvaluateMeasurement(MessDescr* descr, const std::int16_t* curve, int slot)
{
    if (!descr || !curve || slot < 0 || slot >= kMessMeasurements)
        return;
    const int fullScale = descr->nFullScale;

    // Effective force and pulse duration: every sample at or above the force
    // limit in the five seconds after the trigger, together or apart.
    double sum = 0.0;
    int counted = 0;
    for (int i = kFirstEvaluatedSample; i < kMessCurveSamples; ++i) {
        const double value = CountToNewton(curve[i], fullScale);
        if (value >= kForceLimit) {
            sum += value;
            ++counted;
        }
    }
    // The 500 N sensor triggers at 10 N, so a weak closing may never reach
    // the limit: it then has no effective force and no pulse, rather than 0/0.
    descr->dEffForce[slot] = counted > 0 ? sum / counted : 0.0;
    descr->dPulseDuration[slot] = counted * kSampleInterval;

    descr->dClampForce[slot] = CountToNewton(curve[kClampSample], fullScale);

    double peak = 0.0;
    for (int i = 0; i < kMessCurveSamples; ++i) {
        const double value = CountToNewton(curve[i], fullScale);
        if (value > peak)
            peak = value;
    }
    descr->dPeakForce[slot] = peak;

    descr->dKFactor[slot] = peak > 0.0 ? descr->dEffForce[slot] / peak : 0.0;
}

namespace {

void MeanOfSlots(double values[kMessSlots])
{
    values[kMessMeanSlot] = 0.0;
    for (int i = 0; i < kMessMeasurements; ++i)
        values[kMessMeanSlot] += values[i];
    values[kMessMeanSlot] *= 1.0 / 3.0;
}

} // namespace

void CompleteSeries(MessDescr* descr)
{
    if (!descr)
        return;
    if (MessDescrHasCurves(descr) && descr->pMeanCurve) {
        for (int i = 0; i < kMessCurveSamples; ++i) {
            const int sum = descr->pCurve[0][i] + descr->pCurve[1][i] + descr->pCurve[2][i];
            descr->pMeanCurve[i] = static_cast<std::int16_t>(sum / 3);
        }
    }
    MeanOfSlots(descr->dEffForce);
    MeanOfSlots(descr->dClampForce);
    MeanOfSlots(descr->dPeakForce);
    MeanOfSlots(descr->dKFactor);
    MeanOfSlots(descr->dPulseDuration);
}

bool IsSensor500(const MessDescr* descr)
{
    return descr->szSensorType[7] == '5';
}

double SlotEnergy(const MessDescr* descr, int slot)
{
    const double constant = IsSensor500(descr) ? kEnergyConstant500 : kEnergyConstant300;
    const double peak = descr->dPeakForce[slot];
    return peak * peak * 0.5 / constant;
}

char* FormatResult(const MessDescr* descr, int slot, char* buf, std::size_t size)
{
    if (size > 0)
        buf[0] = '\0';
    if (!descr || slot < 0 || slot >= kMessSlots)
        return buf;
    // The asterisk marks the larger force; equal or incomparable forces mark
    // the clamping force.
    const int format = descr->dEffForce[slot] > descr->dClampForce[slot] ? IDS_RESULT_EFF_MARKED
                                                                         : IDS_RESULT_CLAMP_MARKED;
    return FormatAppString(buf, size, format, descr->dEffForce[slot], descr->dClampForce[slot],
                           descr->dPeakForce[slot], descr->dKFactor[slot],
                           descr->dPulseDuration[slot], SlotEnergy(descr, slot));
}
