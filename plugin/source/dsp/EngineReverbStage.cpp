// The reverb stage: the network, the chorus of its input and the tail blend.
#include "VelmoraEngine.h"

#include <algorithm>

void VelmoraEngine::prepareReverb()
{
    reverb.prepare(sampleRate, maxBlockSize);
    dryChorus.prepare(sampleRate);
    tailBlend = 0.0f;
}

void VelmoraEngine::resetReverb()
{
    reverb.reset();
    dryChorus.reset();
    tailBlend = 0.0f;
}

void VelmoraEngine::updateReverbSettings()
{
    if (reverb.core == nullptr)
        return;

    auto& core = *reverb.core;
    core.decayTime = std::max(smoothers.expanse.getCurrentValue(), 0.1f);
    core.size = smoothers.dimension.getCurrentValue();
    core.damp = smoothers.damping.getCurrentValue();
    core.earlyDiffusion = smoothers.diffusion.getCurrentValue();
    core.modDepth = smoothers.mod_depth.getCurrentValue();
    core.modRate = smoothers.mod_rate.getCurrentValue();
    KorvaneReverb::applyVoicing(core);
}

void VelmoraEngine::runReverbStage(int numSamples)
{
    reverb.process(wetLeft.data(), wetRight.data(), numSamples);
    dryChorus.process(chorusLeft.data(), chorusRight.data(), numSamples, smoothers.mod_depth.getCurrentValue(),
                      smoothers.mod_rate.getCurrentValue());
    tailBlend = DryChorus::blendTail(tailBlend, smoothers.expanse.getCurrentValue(), wetLeft.data(), wetRight.data(),
                                     chorusLeft.data(), chorusRight.data(), numSamples);
}
