// The filter and tone pass of the wet path: high-pass, low-pass and tilt.
#include "VelmoraEngine.h"

void VelmoraEngine::prepareFilters()
{
    filterTone.prepare(sampleRate);
}

void VelmoraEngine::resetFilters()
{
    filterTone.reset();
}

void VelmoraEngine::updateFilterCoefficients()
{
    filterTone.setCutoffs(smoothers.hpf_freq.getCurrentValue(), smoothers.lpf_freq.getCurrentValue());
}

void VelmoraEngine::updateTilt()
{
    filterTone.setTilt(smoothers.tilt_eq.getCurrentValue());
}

void VelmoraEngine::applyFilterBlock(double* left, double* right, int numSamples)
{
    filterTone.process(left, right, numSamples);
}
