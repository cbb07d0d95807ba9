// The filter and tone pass of the wet path: high-pass, low-pass and tilt.
#include "VelmoraEngine.h"

void VelmoraEngine::prepareFilters()
{
}

void VelmoraEngine::resetFilters()
{
}

void VelmoraEngine::updateFilterCoefficients()
{
}

void VelmoraEngine::updateTilt()
{
}

void VelmoraEngine::applyFilterBlock(double*, double*, int)
{
}
