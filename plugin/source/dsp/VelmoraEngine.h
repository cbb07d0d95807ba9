#pragma once

#include "DryChorus.h"
#include "DryDelay.h"
#include "Ducker.h"
#include "EngineSmoothers.h"
#include "FilterTone.h"
#include "KorvaneReverb.h"
#include "OutputLimiter.h"
#include "ParameterSnapshot.h"
#include "RoutingLatch.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <vector>

// The stereo signal processor. Its owner writes `params` before every block
// and calls processBlock on the audio thread; the engine knows nothing of
// hosts or editors. Audio is double precision throughout; every buffer is
// sized in prepare and nothing is allocated, locked or waited for afterwards.
class VelmoraEngine
{
public:
    VelmoraEngine();
    ~VelmoraEngine();

    VelmoraEngine(const VelmoraEngine&) = delete;
    VelmoraEngine& operator=(const VelmoraEngine&) = delete;

    // Sizes everything for the rate and the largest block, and starts the
    // smoothers and the routing from the snapshot as it stands.
    void prepare(double sampleRate, int maximumBlockSize);

    // Clears the audio state (lines, tails, envelopes); the smoothers, the
    // character order and the high- and low-pass histories are kept.
    void reset();

    // Processes channels 0 and 1 in place. A block with fewer than two
    // channels, no samples, or more samples than prepared is left untouched.
    void processBlock(juce::AudioBuffer<float>& buffer);

    // The wet path's delay in samples (the ducker's lookahead).
    int getLatencySamples() const { return ducker.lookahead; }

    static int latencyForRate(double sampleRate) { return Ducker::lookaheadForRate(sampleRate); }

    ParameterSnapshot params;

    // ---- frame -------------------------------------------------------------
    double sampleRate = 44100.0;
    int maxBlockSize = 0;
    EngineSmoothers smoothers;
    RoutingLatch routing;

    std::vector<double> inLeft, inRight;                   // gained input: the ducker's key, then the delayed dry
    std::vector<double> wetLeft, wetRight;                 // the wet path, processed in place by every stage
    std::vector<double> pitchLeft, pitchRight;             // the octave layers of the current block
    std::vector<double> shimmerFeedLeft, shimmerFeedRight; // last block's octave-up layer, fed to the reverb
    std::vector<double> chorusLeft, chorusRight;           // the reverb input's chorus copy; later scratch

    // ---- filters and tone --------------------------------------------------
    FilterTone filterTone;
    void applyFilterBlock(double* left, double* right, int numSamples);

    // ---- reverb ------------------------------------------------------------
    KorvaneReverb reverb;
    DryChorus dryChorus;
    float tailBlend = 0.0f; // the reverb's share of the stage output at the end of the last block

    // ---- octave layers and shimmer -----------------------------------------
    void applyDescendStage(float amount, int numSamples);

    // ---- dynamics ----------------------------------------------------------
    Ducker ducker;
    DryDelay dryDelay;
    OutputLimiter outputLimiter;

    // ---- character chain: order, drive, derez, master wow --------------------
    // Rows of stage codes (0 drive, 1 dream, 2 derez), indexed by char_order.
    static const std::array<std::array<int, 3>, 6> kCharOrderTable;
    void runCharacterOrdered(int numSamples);

    // ---- character chain: dream ---------------------------------------------
    void characterDream(int numSamples);

private:
    using Route = RoutingLatch::Route;

    Route requestedRoute() const;
    void readInput(const juce::AudioBuffer<float>& buffer, int numSamples);
    void mixDryAndWet(int numSamples);

    // Stage steps of the block, in the order the block runs them.
    void updateFilterCoefficients();
    void updateReverbSettings();
    void updateTilt();
    void plainShimmerFeed(int numSamples);
    void limitedShimmerFeed(int numSamples);
    void runReverbStage(int numSamples);
    void runAscendStage(bool shimmerIntoReverb, int numSamples);
    void driveStage(int numSamples);
    void derezStage(int numSamples);
    void dreamPassBegin(int numSamples);
    void dreamPassApply(double* left, double* right, int numSamples);
    void wowPassBegin();
    void wowPassApply(double* left, double* right, int numSamples);
    void runCharacterAtEnd(int numSamples, bool dreamAfterMix);
    void finishCharacterAtEnd(int numSamples);
    void runDreamAfterMix(int numSamples);

    void prepareFilters();
    void resetFilters();
    void prepareReverb();
    void resetReverb();
    void preparePitch();
    void resetPitch();
    void prepareCharacter();
    void resetCharacter();
    void prepareDream();
    void resetDream();
};
