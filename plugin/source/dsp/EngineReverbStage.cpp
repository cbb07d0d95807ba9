// The reverb stage: the network, the chorus of its input and the tail blend.
#include "VelmoraEngine.h"

void VelmoraEngine::prepareReverb()
{
}

void VelmoraEngine::resetReverb()
{
}

void VelmoraEngine::updateReverbSettings()
{
}

void VelmoraEngine::runReverbStage(int)
{
}
