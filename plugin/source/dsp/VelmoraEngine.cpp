#include "VelmoraEngine.h"

#include "GainLaw.h"

#include <algorithm>
#include <cmath>

namespace
{
// +80 dBFS: far above any real signal, far below where anything overflows.
constexpr double kInputCeiling = 10000.0;
} // namespace

VelmoraEngine::VelmoraEngine() = default;
VelmoraEngine::~VelmoraEngine() = default;

void VelmoraEngine::prepare(double newSampleRate, int maximumBlockSize)
{
    sampleRate = newSampleRate;
    maxBlockSize = std::max(0, maximumBlockSize);

    prepareReverb();
    prepareFilters();
    prepareCharacter();
    prepareDream();
    preparePitch();
    ducker.prepare(sampleRate);
    dryDelay.prepare(ducker.lookahead);
    outputLimiter.prepare(sampleRate);

    const auto size = static_cast<size_t>(maxBlockSize);
    for (auto* buffer : { &inLeft, &inRight, &wetLeft, &wetRight, &pitchLeft, &pitchRight, &shimmerFeedLeft,
                          &shimmerFeedRight, &chorusLeft, &chorusRight, &fadeWeight })
        buffer->assign(size, 0.0);

    smoothers.prepare(sampleRate, params);
    routing.prepare(sampleRate, requestedRoute());
}

void VelmoraEngine::reset()
{
    resetReverb();
    resetFilters();
    resetPitch();
    resetCharacter();
    resetDream();
    ducker.reset();
    dryDelay.reset();
    outputLimiter.reset();
    std::fill(shimmerFeedLeft.begin(), shimmerFeedLeft.end(), 0.0);
    std::fill(shimmerFeedRight.begin(), shimmerFeedRight.end(), 0.0);
    routing.reset(requestedRoute());
}

VelmoraEngine::Route VelmoraEngine::requestedRoute() const
{
    return { params.shimmer_path, params.char_pos, params.char_order };
}

void VelmoraEngine::processBlock(juce::AudioBuffer<float>& buffer)
{
    const int n = buffer.getNumSamples();
    if (buffer.getNumChannels() < 2 || n == 0 || n > maxBlockSize)
        return;

    const juce::ScopedNoDenormals noDenormals;

    smoothers.setTargets(params);
    routing.latch(requestedRoute(), n);
    const Route route = routing.active();
    const bool first = route.charPos == 0;
    const bool middle = route.charPos == 1;
    const bool last = route.charPos == 2;
    const bool inlineCharacter = last && route.charOrder == 0;

    updateFilterCoefficients();
    updateReverbSettings();
    updateTilt();

    readInput(buffer, n);

    if (!params.filter_path)
        applyFilterBlock(wetLeft.data(), wetRight.data(), n);

    if (first)
        runCharacterOrdered(n);

    if (route.shimmerPath)
    {
        applyDescendStage(smoothers.descend.getCurrentValue(), n);
        if (middle)
            runCharacterOrdered(n);
        limitedShimmerFeed(n);
    }
    else
    {
        plainShimmerFeed(n);
    }

    std::copy_n(wetLeft.begin(), n, chorusLeft.begin());
    std::copy_n(wetRight.begin(), n, chorusRight.begin());
    runReverbStage(n);

    if (middle && !route.shimmerPath)
        runCharacterOrdered(n);

    runAscendStage(route.shimmerPath, n);

    if (last)
    {
        if (inlineCharacter)
            runCharacterAtEnd(n, params.dream_path);
        else
            runCharacterOrdered(n);
    }

    ducker.process(inLeft.data(), inRight.data(), wetLeft.data(), wetRight.data(), n,
                   smoothers.ducking_amount.getCurrentValue());
    dryDelay.process(inLeft.data(), inRight.data(), n);

    if (inlineCharacter && !params.dream_path)
        finishCharacterAtEnd(n);

    if (params.filter_path)
        applyFilterBlock(wetLeft.data(), wetRight.data(), n);

    mixDryAndWet(n);

    if (inlineCharacter && params.dream_path)
        runDreamAfterMix(n);

    outputLimiter.process(wetLeft.data(), wetRight.data(),
                          velmora::gainForValue(smoothers.output_gain.getCurrentValue()), buffer.getWritePointer(0),
                          buffer.getWritePointer(1), n);

    smoothers.advanceAtBlockEnd(n);
}

void VelmoraEngine::readInput(const juce::AudioBuffer<float>& buffer, int numSamples)
{
    const double g = velmora::gainForValue(smoothers.input_gain.getCurrentValue());
    const float* left = buffer.getReadPointer(0);
    const float* right = buffer.getReadPointer(1);

    // A non-finite sample from the host is taken as silence: once inside the
    // reverb's feedback it would never leave. Absurdly large ones (a blown-up
    // plug-in upstream) are held at +80 dBFS, where nothing inside overflows.
    const auto finiteOrSilence = [](float x)
    { return std::isfinite(x) ? std::clamp(static_cast<double>(x), -kInputCeiling, kInputCeiling) : 0.0; };

    for (int i = 0; i < numSamples; ++i)
    {
        inLeft[static_cast<size_t>(i)] = wetLeft[static_cast<size_t>(i)] = g * finiteOrSilence(left[i]);
        inRight[static_cast<size_t>(i)] = wetRight[static_cast<size_t>(i)] = g * finiteOrSilence(right[i]);
    }
}

void VelmoraEngine::mixDryAndWet(int numSamples)
{
    constexpr double halfPi = juce::MathConstants<double>::halfPi;
    blockFaded = false;
    for (int i = 0; i < numSamples; ++i)
    {
        const auto s = static_cast<size_t>(i);
        const double m = smoothers.mix.getNextValue();
        const double w = routing.nextWeight();
        fadeWeight[s] = w;
        blockFaded = blockFaded || w < 1.0;
        const double wetGain = w * std::sin(m * halfPi);
        const double dryGain = std::cos(m * halfPi);
        wetLeft[s] = wetGain * wetLeft[s] + dryGain * inLeft[s];
        wetRight[s] = wetGain * wetRight[s] + dryGain * inRight[s];
    }
}

// The character chain at the end of the wet path in its first order (drive,
// dream, derez) is split around the ducker, so that the master wow and the
// derez see the ducked signal, or, with the dream circuit after the mix, the
// mixed one.
void VelmoraEngine::runCharacterAtEnd(int numSamples, bool dreamAfterMix)
{
    driveStage(numSamples);
    dreamPassBegin(numSamples);
    if (!dreamAfterMix)
        dreamPassApply(wetLeft.data(), wetRight.data(), numSamples);
    wowPassBegin();
}

void VelmoraEngine::finishCharacterAtEnd(int numSamples)
{
    wowPassApply(wetLeft.data(), wetRight.data(), numSamples);
    derezStage(numSamples);
}

void VelmoraEngine::runDreamAfterMix(int numSamples)
{
    // During a routing fade the dream circuit's output is blended with the
    // plain mix by the fade level, so the circuit fades with the routing. The
    // blend follows the fade sample by sample: one weight for a whole block
    // would step at every block boundary and click.
    const bool fading = blockFaded;
    if (fading)
    {
        std::copy_n(wetLeft.begin(), numSamples, chorusLeft.begin());
        std::copy_n(wetRight.begin(), numSamples, chorusRight.begin());
    }

    dreamPassApply(wetLeft.data(), wetRight.data(), numSamples);
    wowPassApply(wetLeft.data(), wetRight.data(), numSamples);
    derezStage(numSamples);

    if (fading)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            const auto k = static_cast<size_t>(i);
            const double s = fadeWeight[k];
            wetLeft[k] = chorusLeft[k] + s * (wetLeft[k] - chorusLeft[k]);
            wetRight[k] = chorusRight[k] + s * (wetRight[k] - chorusRight[k]);
        }
    }
}
