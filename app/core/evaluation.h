// evaluation.h - closing-force evaluation: the figures of one recorded closing,
// the means of a series, and the result text with the energy.
#ifndef EVALUATION_H
#define EVALUATION_H

#include <cstddef>
#include <cstdint>

#include "messdescr.h"

constexpr double kForceLimit = 50.0;       // N, counted into effective force and pulse duration
constexpr double kSampleInterval = 0.0016; // s
constexpr int kFirstEvaluatedSample = 625; // the repeated trigger sample
constexpr int kClampSample = kMessCurveSamples - 1;
constexpr double kEnergyConstant500 = 50000.0 / 3.0; // N/m
constexpr double kEnergyConstant300 = 10000.0;       // N/m

// Evaluates one curve of kMessCurveSamples offset-corrected counts into slot
// 0..2 of the five value arrays, converting counts with descr->nFullScale.
// A closing with no sample at or above 50 N after the trigger (possible with
// the 500 N sensor only) gets effective force, pulse duration and K-factor 0.
void EvaluateMeasurement(MessDescr* descr, const std::int16_t* curve, int slot);

// The mean curve (when the record has curve buffers) and slot 3 of the five
// value arrays.
void CompleteSeries(MessDescr* descr);

// True when the record's sensor is the 500 N one (character 8 of szSensorType is '5').
bool IsSensor500(const MessDescr* descr);

// The energy of a slot in J, from its peak force.
double SlotEnergy(const MessDescr* descr, int slot);

// The result text of slot 0..3 (string 30036 or 30037), into buf.
char* FormatResult(const MessDescr* descr, int slot, char* buf, std::size_t size);

#endif
