#pragma once

#include "Derez.h"
#include "DreamEffect.h"
#include "DriveEffect.h"
#include "DryChorus.h"
#include "DryDelay.h"
#include "Ducker.h"
#include "EngineSmoothers.h"
#include "FilterTone.h"
#include "KorvaneReverb.h"
#include "MasterWow.h"
#include "OutputLimiter.h"
#include "ParameterSnapshot.h"
#include "RoutingLatch.h"
#include "SpectralPitchShifter.h"

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
    std::vector<double> fadeWeight;                        // the routing fade's weight per sample of the mix
    bool blockFaded = false;                               // whether any sample of this block's mix was faded

    // ---- filters and tone --------------------------------------------------
    FilterTone filterTone;
    void applyFilterBlock(double* left, double* right, int numSamples);

    // ---- reverb ------------------------------------------------------------
    KorvaneReverb reverb;
    DryChorus dryChorus;
    float tailBlend = 0.0f; // the reverb's share of the stage output at the end of the last block

    // ---- octave layers and shimmer -----------------------------------------
    // Each shifter turns its synthesis phases by its own small amount per
    // frame, so the four layers never line up. Order: ascendLeft, ascendRight,
    // descendLeft, descendRight.
    static constexpr std::array<float, 4> kPhaseSpins { 0.42f, 1.37f, 2.01f, 3.17f };
    SpectralPitchShifter ascendLeft, ascendRight, descendLeft, descendRight;
    bool ascendCleared = false; // a layer switched off is cleared once, then skipped
    bool descendCleared = false;
    // Peak limiter on the octave-up feed into the reverb: holds the feed's
    // envelope near 0.5 so the recirculating shimmer cannot run away.
    double shimmerEnvelope = 0.0;
    double shimmerGain = 1.0;
    double shimmerEnvRise = 0.0;  // 10 ms
    double shimmerEnvFall = 0.0;  // 200 ms
    double shimmerGainFall = 0.0; // 30 ms
    double shimmerGainRise = 0.0; // 400 ms
    // No injected feed sample is larger than this.
    static constexpr double kShimmerFeedCeiling = 4.0;
    void applyDescendStage(float amount, int numSamples);
    // Inject last block's octave-up layer (the shimmer feed) into wet and
    // consume it: on top of the reverb at the shimmer amount, or into the
    // reverb through the limiter.
    void plainShimmerFeed(int numSamples);
    void limitedShimmerFeed(int numSamples);

    // ---- dynamics ----------------------------------------------------------
    Ducker ducker;
    DryDelay dryDelay;
    OutputLimiter outputLimiter;

    // ---- character chain: order, drive, derez, master wow --------------------
    // Rows of stage codes (0 drive, 1 dream, 2 derez), indexed by char_order.
    static const std::array<std::array<int, 3>, 6> kCharOrderTable;
    void runCharacterOrdered(int numSamples);
    DriveEffect driveEffect;
    velmora::Derez derez;
    MasterWow masterWow;
    // The dream ramp's value at the end of the current block, left by the dream
    // pass; the wow pass takes its depth from it.
    float dreamEnd = 0.0f;

    // ---- character chain: dream ---------------------------------------------
    void characterDream(int numSamples);
    DreamEffect dreamEffect;
    bool dreamWasActive = false; // the effect restarts from rest whenever it comes back on
    // Peak envelopes of the dream pass's input and output; their ratio is the
    // level match, so turning dream up changes the colour, not the loudness.
    double inputEnvelope = 0.0;
    double outputEnvelope = 0.0;
    double envelopeAttack = 0.0;                                                  // 2 ms
    double envelopeRelease = 0.0;                                                 // 200 ms
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> levelMatchGain; // 100 ms ramps

private:
    using Route = RoutingLatch::Route;

    Route requestedRoute() const;
    void readInput(const juce::AudioBuffer<float>& buffer, int numSamples);
    void mixDryAndWet(int numSamples);

    // Stage steps of the block, in the order the block runs them.
    void updateFilterCoefficients();
    void updateReverbSettings();
    void updateTilt();
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
