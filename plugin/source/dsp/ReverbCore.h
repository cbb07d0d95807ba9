#pragma once

#include "PrimeTable.h"

#include <array>
#include <cmath>
#include <vector>

namespace korvanedsp
{

// Common base of the network classes, so an owner can hold any of them.
class dsp
{
public:
    virtual ~dsp() = default;
};

// min(max(v, lo), hi), except that anything not above lo, NaN included, is lo:
// a setting that arrives as NaN must never reach an index or a coefficient.
inline float clampSetting(float value, float lo, float hi)
{
    if (!(value > lo))
        return lo;
    return value < hi ? value : hi;
}

// The length of one delay line in samples, gliding towards its prime when the
// size changes, and the read it implies: a whole delay plus a first-order
// allpass for the fraction, so that a gliding length bends pitch smoothly
// instead of clicking.
struct SmoothedLength
{
    // Lines are 16384 long; the longest primes (size 5) are held at this reach.
    static constexpr int kMaxDelay = 8192;

    float length = 0.0f;
    int delay = 0;    // whole part of the read
    float eta = 0.0f; // allpass coefficient of the fractional part

    // `first` is 1 on the first sample after a clear, where the length jumps
    // straight to its prime; otherwise 0.
    void update(float prime, float smoothing, float first)
    {
        const float next = smoothing * (length + first * prime) + (1.0f - smoothing) * prime;
        if (next == length)
            return; // the read depends on the length alone
        length = next;
        const float u = next - 1.49999f;
        const int whole = static_cast<int>(u);
        delay = whole < 0 ? 0 : (whole > kMaxDelay ? kMaxDelay : whole);
        const float f = std::floor(u);
        eta = (f + 2.0f - next) / (next - f);
    }
};

// An allpass-interpolated read of a line, delaying by (length - 1) samples. The
// line's newest sample must already be written at writeIndex.
struct AllpassRead
{
    float previousSample = 0.0f;
    float previousOutput = 0.0f;

    float read(const float* line, int mask, int writeIndex, const SmoothedLength& length)
    {
        const float x = line[(writeIndex - length.delay) & mask];
        const float y = previousSample - length.eta * (previousOutput - x);
        previousSample = x;
        previousOutput = y;
        return y;
    }
};

// A modulated read with fourth-order Lagrange interpolation, delaying by
// modulation + 5 samples (modulation >= 0); the five taps are held within
// maxDelay. The line's newest sample must already be written at writeIndex.
inline float lagrangeRead(const float* line, int mask, int writeIndex, float modulation, int maxDelay)
{
    const float shifted = modulation + 3.500005f;
    const int whole = static_cast<int>(shifted);
    const float delta = modulation + 5.0f - std::floor(shifted);

    const float d0 = delta;
    const float d1 = delta - 1.0f;
    const float d2 = delta - 2.0f;
    const float d3 = delta - 3.0f;
    const float d4 = delta - 4.0f;
    const std::array<float, 5> weights { d1 * d2 * d3 * d4 / 24.0f, d0 * d2 * d3 * d4 / -6.0f, d0 * d1 * d3 * d4 / 4.0f,
                                         d0 * d1 * d2 * d4 / -6.0f, d0 * d1 * d2 * d3 / 24.0f };
    float sum = 0.0f;
    for (int j = 0; j < 5; ++j)
    {
        const int tap = whole + j < maxDelay ? whole + j : maxDelay;
        sum += weights[static_cast<size_t>(j)] * line[(writeIndex - tap) & mask];
    }
    return sum;
}

// Sections of bilinear-transform designs (prewarped: warp = tan(f * pi / rate))
// of analogue Butterworth prototypes, run in transposed direct form II.
struct FirstOrderSection
{
    float b0 = 0.0f, b1 = 0.0f, a1 = 0.0f;

    static FirstOrderSection lowPass(float warp);  // 1 / (s + 1)
    static FirstOrderSection highPass(float warp); // s / (s + 1)
};

struct SecondOrderSection
{
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;

    static SecondOrderSection lowPass(float warp, float damping);  // 1 / (s^2 + damping s + 1)
    static SecondOrderSection highPass(float warp, float damping); // s^2 / (s^2 + damping s + 1)
    static SecondOrderSection allPass(float warp, float damping);  // (s^2 - damping s + 1) / (s^2 + damping s + 1)
};

// A fifth-order Butterworth low- or high-pass: one first-order and two
// second-order sections.
struct FifthOrderSections
{
    FirstOrderSection first;
    SecondOrderSection second, third;

    static FifthOrderSections lowPass(float warp);
    static FifthOrderSections highPass(float warp);
};

// Splits the loop signal into three bands at two crossovers and weighs each:
// the bands sum to an allpass with all gains at 1, so the band gains alone
// decide how much faster the highs and mids die than the lows.
struct ThreeBandDecay
{
    struct FifthOrderState
    {
        float first = 0.0f;
        std::array<float, 2> second {}, third {};
    };

    struct Channel
    {
        FifthOrderState highPassHigh, lowPassHigh, highPassLow, lowPassLow;
        std::array<float, 2> allPassLow {};
    };

    FifthOrderSections highPassHigh, lowPassHigh, highPassLow, lowPassLow;
    SecondOrderSection allPassLow;
    float highGain = 1.0f, midGain = 1.0f, lowGain = 1.0f;

    void design(float lowWarp, float highWarp, float high, float mid, float low);

    // high = AP(low)(HP5(high)(x)); mid = HP5(low)(LP5(high)(x)); low = LP5(low)(LP5(high)(x)).
    float process(Channel& state, float x) const;
};

// The reverb network: one stereo feedback loop of rotation-allpass units,
// modulated and fixed delays, a three-band decay filter, a damping filter and
// a decay gain, all in single precision. Its owner writes the settings before
// every compute; each is clamped where it is used.
class _ReverbCore : public dsp
{
public:
    // ---- settings -------------------------------------------------------------
    float earlyDiffusion = 0.707f; // angle of the output units, radians, 0..1
    float damp = 0.5f;             // 0..1
    float modDepth = 0.1f;         // 0..1
    float modDepthScale = 75.0f;   // samples of modulation at full depth
    float lateDiffusion = 0.7071f; // angle of the loop units, radians
    float modRate = 0.1f;          // Hz, 0..10
    float size = 3.5f;             // 0.5..5
    float decayTime = 4.2f;        // seconds, 0.1..60
    float highGain = 1.0f;         // 0..1
    float highCutoff = 5000.0f;    // Hz, 1000..10000
    float lowCutoff = 600.0f;      // Hz, 100..6000
    float midGain = 1.0f;          // 0..1
    float lowGain = 1.0f;          // 0..1
    float leftModRatio = 0.3f;     // 0..1

    // Sizes the delay memory (the only allocation), sets the rate constants,
    // restores the initial settings and clears.
    void initialise(double sampleRate);

    // Silences the network; the settings are kept.
    void clear();

    // count samples from inputs[0..1] to outputs[0..1], 100 % wet. Inputs and
    // outputs may be the same arrays.
    void compute(int count, const float* const* inputs, float* const* outputs);

    // ---- topology ---------------------------------------------------------------
    static constexpr int kLongLine = 16384;
    static constexpr int kShortLine = 1024;
    static constexpr int kLongMaxTap = 8192;
    static constexpr int kShortMaxTap = 512;
    static constexpr int kLongLineCount = 34; // 28 unit lines, 4 fixed delays, the second modulated pair
    static constexpr int kShortLineCount = 4; // the first and third modulated pairs
    static constexpr float kUnitSmoothing = 0.9999f;
    static constexpr float kFixedSmoothing = 0.995f;

    // Every distinct line length: a multiplier of the prime index and its
    // smoothing. Units that repeat a multiplier share its length.
    struct LengthSpec
    {
        int multiplier;
        float smoothing;
    };

    static constexpr std::array<LengthSpec, 27> kLengths { {
        { 10, kUnitSmoothing },   { 110, kUnitSmoothing },  { 40, kUnitSmoothing },  { 140, kUnitSmoothing },
        { 70, kUnitSmoothing },   { 170, kUnitSmoothing },  { 100, kUnitSmoothing }, { 200, kUnitSmoothing },
        { 130, kUnitSmoothing },  { 230, kUnitSmoothing },  { 125, kUnitSmoothing }, { 25, kUnitSmoothing },
        { 155, kUnitSmoothing },  { 55, kUnitSmoothing },   { 185, kUnitSmoothing }, { 85, kUnitSmoothing },
        { 215, kUnitSmoothing },  { 115, kUnitSmoothing },  { 245, kUnitSmoothing }, { 145, kUnitSmoothing },
        { 240, kUnitSmoothing },  { 190, kUnitSmoothing },  { 175, kUnitSmoothing }, { 54, kFixedSmoothing },
        { 204, kFixedSmoothing }, { 134, kFixedSmoothing }, { 34, kFixedSmoothing },
    } };

    struct UnitSpec
    {
        bool early; // turned by earlyDiffusion (the output units) or lateDiffusion
        int lengthA, lengthB;
    };

    // U1..U14, in signal order: U1..U5 and U6..U10 in the loop, U11..U14 at the output.
    static constexpr std::array<UnitSpec, 14> kUnits { {
        { false, 0, 1 },
        { false, 2, 3 },
        { false, 4, 5 },
        { false, 6, 7 },
        { false, 8, 9 },
        { false, 10, 11 },
        { false, 12, 13 },
        { false, 14, 15 },
        { false, 16, 17 },
        { false, 18, 19 },
        { true, 13, 20 },
        { true, 16, 15 },
        { true, 17, 21 },
        { true, 22, 19 },
    } };

    // Lengths of the fixed delays: F1 left, F1 right, F2 left, F2 right.
    static constexpr std::array<int, 4> kFixedLengths { 23, 24, 25, 26 };

    static constexpr std::array<float, 4> kOscillatorRatios { 1.0f, 0.89f, 1.13f, 0.73f };

    // ---- rate constants (initialise) ---------------------------------------------
    float rate = 44100.0f; // the host rate, held within 1..192000
    float twoPiOverRate = 0.0f;
    float piOverRate = 0.0f;

    // ---- values of the current block (compute) ------------------------------------
    float decayGain = 0.0f;

    // ---- state (zero after clear) ---------------------------------------------
    int writeIndex = 0;            // shared by every line, kept modulo the longest line
    std::array<int, 2> started {}; // this sample's and the previous sample's
    std::array<float, 4> oscSin {}, oscCos {};
    std::array<SmoothedLength, kLengths.size()> lengths {};
    std::array<AllpassRead, 28> unitReads {}; // unit u: line A at 2u, line B at 2u + 1
    std::array<AllpassRead, 4> fixedReads {};
    std::array<float, 2> dampState {};
    std::array<ThreeBandDecay::Channel, 2> decayState {};
    float feedbackLeft = 0.0f, feedbackRight = 0.0f;

    // The lines, long ones first: unit lines 0..27 (unit u: 2u and 2u + 1),
    // fixed delays 28..31, second modulated pair 32..33; then the short
    // lines: first modulated pair, third modulated pair.
    std::vector<float> memory;
};

} // namespace korvanedsp
