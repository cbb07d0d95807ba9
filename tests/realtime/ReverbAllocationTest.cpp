#include "support/AllocationCounter.h"

#include "DryChorus.h"
#include "KorvaneReverb.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace
{
// The reverb stage's pieces allocate only when prepared: not while they
// compute, whatever the settings do between blocks (sizes gliding, clamps,
// non-finite settings), and not when cleared.
TEST(ReverbStageAudioThread, NeverAllocatesWhileComputing)
{
    constexpr int kBlock = 512;
    KorvaneReverb reverb;
    reverb.prepare(48000.0, kBlock);
    DryChorus chorus;
    chorus.prepare(48000.0);

    std::vector<double> left(kBlock), right(kBlock), chorusLeft(kBlock), chorusRight(kBlock);
    std::uint32_t x = 1;
    float tailBlend = 0.0f;

    velmora::test::AllocationScope scope;
    for (int block = 0; block < 400; ++block)
    {
        for (int i = 0; i < kBlock; ++i)
        {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            left[static_cast<size_t>(i)] = static_cast<double>(x) / 4294967296.0 - 0.5;
            right[static_cast<size_t>(i)] = -left[static_cast<size_t>(i)];
        }
        chorusLeft = left;
        chorusRight = right;

        auto& core = *reverb.core;
        core.size = 0.5f + 4.5f * static_cast<float>(block % 37) / 36.0f;
        core.decayTime = block % 50 == 0 ? -1.0f : 0.1f * static_cast<float>(block % 400);
        core.modDepth = static_cast<float>(block % 11) / 10.0f;
        core.modRate = block % 13 == 0 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(block % 10);
        core.earlyDiffusion = static_cast<float>(block % 7) / 6.0f;

        const int n = 1 + block % kBlock;
        reverb.process(left.data(), right.data(), n);
        chorus.process(chorusLeft.data(), chorusRight.data(), n, core.modDepth, core.modRate);
        tailBlend = DryChorus::blendTail(tailBlend, 0.01f * static_cast<float>(block % 20), left.data(), right.data(),
                                         chorusLeft.data(), chorusRight.data(), n);
        if (block % 100 == 99)
        {
            reverb.reset();
            chorus.reset();
        }
    }
    EXPECT_EQ(scope.count(), 0u);
}
} // namespace
