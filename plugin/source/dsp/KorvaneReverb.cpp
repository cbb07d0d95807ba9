#include "KorvaneReverb.h"

#include <algorithm>

void KorvaneReverb::prepare(double newSampleRate, int newBlockSize)
{
    sampleRate = newSampleRate;
    blockSize = std::max(0, newBlockSize);

    core = std::make_unique<korvanedsp::_ReverbCore>();
    core->initialise(sampleRate);

    const auto size = static_cast<size_t>(blockSize);
    for (auto* buffer : { &inputLeft, &inputRight, &outputLeft, &outputRight })
        buffer->assign(size, 0.0f);
}

void KorvaneReverb::reset()
{
    if (core != nullptr)
        core->clear();
}

void KorvaneReverb::process(double* left, double* right, int numSamples)
{
    if (core == nullptr || blockSize <= 0)
        return;

    const float* const inputs[2] = { inputLeft.data(), inputRight.data() };
    float* const outputs[2] = { outputLeft.data(), outputRight.data() };

    // The engine never hands over more than a prepared block; anything longer
    // is taken in prepared-size pieces rather than overrunning the buffers.
    for (int start = 0; start < numSamples; start += blockSize)
    {
        const int n = std::min(blockSize, numSamples - start);
        double* const l = left + start;
        double* const r = right + start;
        for (int i = 0; i < n; ++i)
        {
            inputLeft[static_cast<size_t>(i)] = static_cast<float>(l[i]);
            inputRight[static_cast<size_t>(i)] = static_cast<float>(r[i]);
        }
        core->compute(n, inputs, outputs);
        for (int i = 0; i < n; ++i)
        {
            l[i] = static_cast<double>(outputLeft[static_cast<size_t>(i)]);
            r[i] = static_cast<double>(outputRight[static_cast<size_t>(i)]);
        }
    }
}

void KorvaneReverb::applyVoicing(korvanedsp::_ReverbCore& network)
{
    network.modDepthScale = 80.0f;
    network.lateDiffusion = 0.0f;
    network.highGain = 0.535f;
    network.highCutoff = 4000.0f;
    network.lowCutoff = 502.0f;
    network.midGain = 0.9f;
    network.lowGain = 1.0f;
    network.leftModRatio = 0.5f;
}
