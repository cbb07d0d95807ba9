#pragma once

#include <cstddef>
#include <vector>

// Delays the dry signal of the mix by the ducker's lookahead. The plug-in
// reports that lookahead as its latency, and a host compensates the whole
// output for it; an undelayed dry part would then come out early.
struct DryDelay
{
    void prepare(int delaySamples)
    {
        delay = delaySamples < 1 ? 1 : delaySamples;
        lineLeft.assign(static_cast<std::size_t>(delay), 0.0);
        lineRight.assign(static_cast<std::size_t>(delay), 0.0);
        position = 0;
    }

    void reset()
    {
        lineLeft.assign(lineLeft.size(), 0.0);
        lineRight.assign(lineRight.size(), 0.0);
        position = 0;
    }

    void process(double* left, double* right, int numSamples)
    {
        if (lineLeft.empty())
            return;
        for (int i = 0; i < numSamples; ++i)
        {
            const auto p = static_cast<std::size_t>(position);
            const double l = lineLeft[p];
            const double r = lineRight[p];
            lineLeft[p] = left[i];
            lineRight[p] = right[i];
            left[i] = l;
            right[i] = r;
            if (++position >= delay)
                position = 0;
        }
    }

    int delay = 1;
    int position = 0;
    std::vector<double> lineLeft, lineRight;
};
