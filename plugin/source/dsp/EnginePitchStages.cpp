// The octave layers (ascend, descend) and the shimmer feed into the reverb.
#include "OnePole.h"
#include "VelmoraEngine.h"

#include <algorithm>
#include <cmath>

namespace
{
// Below this a layer counts as off: it is cleared once and then skipped.
constexpr float kLayerOffThreshold = 0.001f;
} // namespace

void VelmoraEngine::preparePitch()
{
    SpectralPitchShifter* const shifters[] = { &ascendLeft, &ascendRight, &descendLeft, &descendRight };
    for (size_t i = 0; i < kPhaseSpins.size(); ++i)
    {
        shifters[i]->prepare(sampleRate);
        shifters[i]->phaseSpin = kPhaseSpins[i];
    }
    ascendCleared = false;
    descendCleared = false;

    shimmerEnvRise = velmora::one_pole::forSeconds(0.01, sampleRate);
    shimmerEnvFall = velmora::one_pole::forSeconds(0.2, sampleRate);
    shimmerGainFall = velmora::one_pole::forSeconds(0.03, sampleRate);
    shimmerGainRise = velmora::one_pole::forSeconds(0.4, sampleRate);
    shimmerEnvelope = 0.0;
    shimmerGain = 1.0;
}

void VelmoraEngine::resetPitch()
{
    for (auto* shifter : { &ascendLeft, &ascendRight, &descendLeft, &descendRight })
        shifter->clear();
    ascendCleared = false;
    descendCleared = false;
    shimmerEnvelope = 0.0;
    shimmerGain = 1.0;
    // The feed buffers themselves are zeroed by the frame's reset.
}

void VelmoraEngine::applyDescendStage(float amount, int numSamples)
{
    if (amount > kLayerOffThreshold)
    {
        descendCleared = false;
        for (auto* shifter : { &descendLeft, &descendRight })
        {
            shifter->gainUp = 0.0f;
            shifter->gainDown = amount;
        }
        descendLeft.process(wetLeft.data(), pitchLeft.data(), numSamples);
        descendRight.process(wetRight.data(), pitchRight.data(), numSamples);
        for (size_t i = 0; i < static_cast<size_t>(numSamples); ++i)
        {
            wetLeft[i] += pitchLeft[i];
            wetRight[i] += pitchRight[i];
        }
    }
    else if (!descendCleared)
    {
        descendLeft.clear();
        descendRight.clear();
        descendCleared = true;
    }
}

// Shimmer on top of the reverb: last block's octave-up layer goes into the
// reverb at the shimmer amount, without the limiter (it is also heard
// directly). Each injected sample is still held within the feed's ceiling:
// with a long decay the loop gain can exceed one, and unbounded it would
// grow until the arithmetic overflowed and the engine fell silent for good.
void VelmoraEngine::plainShimmerFeed(int numSamples)
{
    shimmerEnvelope = 0.0;
    shimmerGain = 1.0;
    const double s = static_cast<double>(smoothers.shimmer.getCurrentValue());
    for (size_t i = 0; i < static_cast<size_t>(numSamples); ++i)
    {
        wetLeft[i] += std::clamp(s * shimmerFeedLeft[i], -kShimmerFeedCeiling, kShimmerFeedCeiling);
        wetRight[i] += std::clamp(s * shimmerFeedRight[i], -kShimmerFeedCeiling, kShimmerFeedCeiling);
        shimmerFeedLeft[i] = 0.0;
        shimmerFeedRight[i] = 0.0;
    }
}

// Shimmer into the reverb: the octave-up layer is heard only through the
// reverb, so it always recirculates (at a quarter even with shimmer at 0) and
// a peak limiter keeps the loop from building up.
void VelmoraEngine::limitedShimmerFeed(int numSamples)
{
    const double k = 0.25 + 0.55 * static_cast<double>(smoothers.shimmer.getCurrentValue());
    for (size_t i = 0; i < static_cast<size_t>(numSamples); ++i)
    {
        const double l = k * shimmerFeedLeft[i];
        const double r = k * shimmerFeedRight[i];
        shimmerFeedLeft[i] = 0.0;
        shimmerFeedRight[i] = 0.0;

        const double p = std::max(std::abs(l), std::abs(r));
        const double envCoeff = p > shimmerEnvelope ? shimmerEnvRise : shimmerEnvFall;
        shimmerEnvelope = envCoeff * shimmerEnvelope + (1.0 - envCoeff) * p;

        const double target = shimmerEnvelope > 0.5 ? 0.5 / shimmerEnvelope : 1.0;
        const double gainCoeff = shimmerGain > target ? shimmerGainFall : shimmerGainRise;
        shimmerGain = gainCoeff * shimmerGain + (1.0 - gainCoeff) * target;

        wetLeft[i] += std::clamp(l * shimmerGain, -kShimmerFeedCeiling, kShimmerFeedCeiling);
        wetRight[i] += std::clamp(r * shimmerGain, -kShimmerFeedCeiling, kShimmerFeedCeiling);
    }
}

// After the reverb. With the shimmer on top of the reverb the octave-up layer
// is heard directly and the octave-down layer follows it here; with the
// shimmer into the reverb the layer only fills next block's feed (the
// octave-down layer ran before the reverb).
void VelmoraEngine::runAscendStage(bool shimmerIntoReverb, int numSamples)
{
    const float amount = smoothers.ascend.getCurrentValue();
    const auto n = static_cast<size_t>(numSamples);

    if (amount > kLayerOffThreshold)
    {
        ascendCleared = false;
        for (auto* shifter : { &ascendLeft, &ascendRight })
        {
            shifter->gainUp = amount;
            shifter->gainDown = 0.0f;
        }
        ascendLeft.process(wetLeft.data(), pitchLeft.data(), numSamples);
        ascendRight.process(wetRight.data(), pitchRight.data(), numSamples);

        std::copy_n(pitchLeft.begin(), n, shimmerFeedLeft.begin());
        std::copy_n(pitchRight.begin(), n, shimmerFeedRight.begin());
        if (!shimmerIntoReverb)
            for (size_t i = 0; i < n; ++i)
            {
                wetLeft[i] += pitchLeft[i];
                wetRight[i] += pitchRight[i];
            }
    }
    else if (!ascendCleared)
    {
        // The feed is left alone: consumed to zeros, it stays silent.
        ascendLeft.clear();
        ascendRight.clear();
        ascendCleared = true;
    }

    if (!shimmerIntoReverb)
        applyDescendStage(smoothers.descend.getCurrentValue(), numSamples);
}
