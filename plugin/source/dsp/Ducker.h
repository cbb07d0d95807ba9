#pragma once

#include <vector>

// Lowers the wet path while the dry input is present, so the tail dips under
// the playing and blooms when it stops. The key is looked at 5 ms ahead of
// the wet path, which is delayed by that much (the plug-in's latency) even
// when no ducking is asked for.
struct Ducker
{
    static constexpr double kLookaheadSeconds = 0.005;

    static int lookaheadForRate(double sampleRate);

    void prepare(double sampleRate);
    void reset();

    // keyLeft/keyRight: the gained dry input; wet: delayed and ducked in place.
    void process(const double* keyLeft, const double* keyRight, double* wetLeft, double* wetRight, int numSamples,
                 float amount);

    double sampleRate = 44100.0;
    double envAttack = 0.0;
    double envRelease = 0.0;
    double envelope = 0.0;
    double fastAttack = 0.0;
    double fastRelease = 0.0;
    double slowAttack = 0.0;
    double slowRelease = 0.0;
    double fastReduction = 0.0;
    double slowReduction = 0.0;
    double ratio = 0.95;
    double maxReductionDb = 0.0;
    int lookahead = 1;
    int lineSize = 5;
    int writePos = 0;
    std::vector<double> lineLeft, lineRight;

    // The target reduction in dB for a key envelope, before the amount's cap:
    // a 24 dB soft knee centred 60 dB below full scale, then a slope of ratio.
    double targetReductionDb(double keyEnvelope) const;
};
