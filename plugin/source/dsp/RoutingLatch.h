#pragma once

// Routing changes (shimmer path, character position, character order) are
// never applied under a sounding wet signal: the wet part fades out with the
// old routing, the new routing is committed while it is silent, and the wet
// part fades back in. The dry part of the mix is not faded.
class RoutingLatch
{
public:
    struct Route
    {
        bool shimmerPath = true;
        int charPos = 0;
        int charOrder = 0;

        bool operator==(const Route&) const = default;
    };

    static constexpr double kFadeSeconds = 0.025;

    void prepare(double sampleRate, Route snapshotRoute);

    // Takes the snapshot's shimmer path and position (the order is kept) and
    // restores full wet level.
    void reset(Route snapshotRoute);

    // Once per block, before any stage runs: decides the routing the block
    // uses and whether the wet part is fading out for a pending change.
    void latch(Route requested, int numSamples);

    // The wet weight of the next sample of the mix loop.
    double nextWeight()
    {
        const double target = changing ? 0.0 : 1.0;
        const double d = target - wetFade;
        wetFade += d < -downStep ? -downStep : (d > wetFadeStep ? wetFadeStep : d);
        if (wetFade < 1e-9)
            wetFade = 0.0;
        else if (wetFade > 0.999999999)
            wetFade = 1.0;
        return smoothstep(wetFade);
    }

    static double smoothstep(double f) { return f * f * (3.0 - 2.0 * f); }

    Route active() const { return { activeShimmerPath, activeCharPos, activeCharOrder }; }

    bool activeShimmerPath = true;
    int activeCharPos = 0;
    int activeCharOrder = 0;
    bool routingFirstBlock = true;
    double wetFade = 1.0;
    double wetFadeStep = 1.0 / (kFadeSeconds * 44100.0);
    bool changing = false;

private:
    double downStep = wetFadeStep;
};
