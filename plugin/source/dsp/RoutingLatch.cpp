#include "RoutingLatch.h"

#include <algorithm>

void RoutingLatch::prepare(double sampleRate, Route snapshotRoute)
{
    activeShimmerPath = snapshotRoute.shimmerPath;
    activeCharPos = snapshotRoute.charPos;
    activeCharOrder = snapshotRoute.charOrder;
    routingFirstBlock = true;
    wetFade = 1.0;
    wetFadeStep = 1.0 / (kFadeSeconds * sampleRate);
    changing = false;
    downStep = wetFadeStep;
}

void RoutingLatch::reset(Route snapshotRoute)
{
    activeShimmerPath = snapshotRoute.shimmerPath;
    activeCharPos = snapshotRoute.charPos;
    wetFade = 1.0;
}

void RoutingLatch::latch(Route requested, int numSamples)
{
    const auto commit = [this, &requested]
    {
        activeShimmerPath = requested.shimmerPath;
        activeCharPos = requested.charPos;
        activeCharOrder = requested.charOrder;
    };

    if (routingFirstBlock)
    {
        commit();
        routingFirstBlock = false;
        changing = false;
    }
    else if (requested == active())
    {
        changing = false;
    }
    else if (wetFade <= 0.0)
    {
        commit();
        changing = false;
    }
    else
    {
        changing = true;
    }

    // A fade-out lasts at least the fade time, and is stretched so that it
    // ends exactly at the end of this block when less than a block remains;
    // the new routing then starts with a block that begins in silence.
    downStep = wetFadeStep;
    if (changing && wetFade > 0.0)
        downStep = std::min(wetFade / static_cast<double>(numSamples), wetFadeStep);
}
