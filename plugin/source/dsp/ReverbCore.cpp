#include "ReverbCore.h"

#include <algorithm>

namespace korvanedsp
{

namespace
{
constexpr float kPi = 3.14159265358979323846f;
constexpr float kHalfRoot2 = 0.70710677f;

// Butterworth damping of the two second-order factors of a fifth-order filter.
constexpr float kOuterPair = 1.618034f;
constexpr float kInnerPair = 0.618034f;

// A cutoff at or past Nyquist would make the prewarp infinite or negative and
// the decay filter unstable; at ordinary rates no cutoff comes near this.
constexpr float kMaxWarpAngle = 1.5f;

float prewarp(float frequency, float piOverRate)
{
    return std::tan(std::min(frequency * piOverRate, kMaxWarpAngle));
}

float runFirst(const FirstOrderSection& c, float& z, float x)
{
    const float y = c.b0 * x + z;
    z = c.b1 * x - c.a1 * y;
    return y;
}

float runSecond(const SecondOrderSection& c, std::array<float, 2>& z, float x)
{
    const float y = c.b0 * x + z[0];
    z[0] = c.b1 * x - c.a1 * y + z[1];
    z[1] = c.b2 * x - c.a2 * y;
    return y;
}

float runFifth(const FifthOrderSections& c, ThreeBandDecay::FifthOrderState& s, float x)
{
    return runSecond(c.third, s.third, runSecond(c.second, s.second, runFirst(c.first, s.first, x)));
}

// One rotation-allpass unit on (x1, x2): a 45-degree rotation exchanges the
// channels inside the loop, and each channel is an allpass of coefficient
// sin(theta) around its line.
void rotationUnit(float c, float s, float& x1, float& x2, float* lineA, float* lineB, int writeIndex,
                  AllpassRead& readA, AllpassRead& readB, const SmoothedLength& lengthA, const SmoothedLength& lengthB)
{
    constexpr int mask = _ReverbCore::kLongLine - 1;
    const float p1 = readA.previousOutput;
    const float p2 = readB.previousOutput;
    const float a = c * x1 - s * p1;
    const float b = c * x2 - s * p2;
    lineA[writeIndex] = (a - b) * kHalfRoot2;
    lineB[writeIndex] = (a + b) * kHalfRoot2;
    x1 = s * x1 + c * p1;
    x2 = s * x2 + c * p2;
    readA.read(lineA, mask, writeIndex, lengthA);
    readB.read(lineB, mask, writeIndex, lengthB);
}
} // namespace

FirstOrderSection FirstOrderSection::lowPass(float warp)
{
    const float n = 1.0f / (1.0f + warp);
    return { warp * n, warp * n, (warp - 1.0f) * n };
}

FirstOrderSection FirstOrderSection::highPass(float warp)
{
    const float n = 1.0f / (1.0f + warp);
    return { n, -n, (warp - 1.0f) * n };
}

namespace
{
struct Denominator
{
    float d0, d1, d2, n;
};

// s^2 + damping s + 1 under s = (1 - z^-1) / (warp (1 + z^-1)), scaled by warp^2 (1 + z^-1)^2.
Denominator denominator(float warp, float damping)
{
    const float w2 = warp * warp;
    const float d0 = 1.0f + damping * warp + w2;
    return { d0, 2.0f * w2 - 2.0f, 1.0f - damping * warp + w2, 1.0f / d0 };
}
} // namespace

SecondOrderSection SecondOrderSection::lowPass(float warp, float damping)
{
    const auto d = denominator(warp, damping);
    const float g = warp * warp * d.n;
    return { g, 2.0f * g, g, d.d1 * d.n, d.d2 * d.n };
}

SecondOrderSection SecondOrderSection::highPass(float warp, float damping)
{
    const auto d = denominator(warp, damping);
    return { d.n, -2.0f * d.n, d.n, d.d1 * d.n, d.d2 * d.n };
}

SecondOrderSection SecondOrderSection::allPass(float warp, float damping)
{
    const auto d = denominator(warp, damping);
    return { d.d2 * d.n, d.d1 * d.n, 1.0f, d.d1 * d.n, d.d2 * d.n };
}

FifthOrderSections FifthOrderSections::lowPass(float warp)
{
    return { FirstOrderSection::lowPass(warp), SecondOrderSection::lowPass(warp, kOuterPair),
             SecondOrderSection::lowPass(warp, kInnerPair) };
}

FifthOrderSections FifthOrderSections::highPass(float warp)
{
    return { FirstOrderSection::highPass(warp), SecondOrderSection::highPass(warp, kOuterPair),
             SecondOrderSection::highPass(warp, kInnerPair) };
}

void ThreeBandDecay::design(float lowWarp, float highWarp, float high, float mid, float low)
{
    highPassHigh = FifthOrderSections::highPass(highWarp);
    lowPassHigh = FifthOrderSections::lowPass(highWarp);
    highPassLow = FifthOrderSections::highPass(lowWarp);
    lowPassLow = FifthOrderSections::lowPass(lowWarp);
    allPassLow = SecondOrderSection::allPass(lowWarp, kOuterPair);
    highGain = high;
    midGain = mid;
    lowGain = low;
}

float ThreeBandDecay::process(Channel& state, float x) const
{
    const float high = runSecond(allPassLow, state.allPassLow, runFifth(highPassHigh, state.highPassHigh, x));
    const float belowHigh = runFifth(lowPassHigh, state.lowPassHigh, x);
    const float mid = runFifth(highPassLow, state.highPassLow, belowHigh);
    const float low = runFifth(lowPassLow, state.lowPassLow, belowHigh);
    return highGain * high + midGain * mid + lowGain * low;
}

void _ReverbCore::initialise(double sampleRate)
{
    const double heldRate = !(sampleRate > 1.0) ? 1.0 : std::min(sampleRate, 192000.0);
    rate = static_cast<float>(heldRate);
    twoPiOverRate = 2.0f * kPi / rate;
    piOverRate = kPi / rate;

    earlyDiffusion = 0.707f;
    damp = 0.5f;
    modDepth = 0.1f;
    modDepthScale = 75.0f;
    lateDiffusion = 0.7071f;
    modRate = 0.1f;
    size = 3.5f;
    decayTime = 4.2f;
    highGain = 1.0f;
    highCutoff = 5000.0f;
    lowCutoff = 600.0f;
    midGain = 1.0f;
    lowGain = 1.0f;
    leftModRatio = 0.3f;

    memory.assign(static_cast<size_t>(kLongLineCount * kLongLine + kShortLineCount * kShortLine), 0.0f);
    clear();
}

void _ReverbCore::clear()
{
    std::fill(memory.begin(), memory.end(), 0.0f);
    writeIndex = 0;
    started = {};
    oscSin = {};
    oscCos = {};
    lengths = {};
    unitReads = {};
    fixedReads = {};
    dampState = {};
    decayState = {};
    feedbackLeft = feedbackRight = 0.0f;
}

void _ReverbCore::compute(int count, const float* const* inputs, float* const* outputs)
{
    if (count <= 0)
        return;
    if (memory.empty())
    {
        std::fill_n(outputs[0], count, 0.0f);
        std::fill_n(outputs[1], count, 0.0f);
        return;
    }

    // ---- per block: every transcendental function of the block is here ----
    const float early = clampSetting(earlyDiffusion, 0.0f, 1.0f);
    const float earlyCos = std::cos(early);
    const float earlySin = std::sin(early);
    const float lateCos = std::cos(lateDiffusion);
    const float lateSin = std::sin(lateDiffusion);

    const float dampCoefficient = clampSetting(damp, 0.0f, 1.0f);
    const float dampInput = 1.0f - dampCoefficient;

    // The modulation amounts are held within the longest line's reach, so a
    // wild scale can never turn into an out-of-range tap index.
    constexpr float maxModulation = 4096.0f;
    const float depth = clampSetting(modDepth, 0.0f, 1.0f);
    const float amountLeft =
        clampSetting(depth * modDepthScale * clampSetting(leftModRatio, 0.0f, 1.0f), 0.0f, maxModulation);
    const float amountRight = clampSetting(depth * modDepthScale, 0.0f, maxModulation);

    const float increment = twoPiOverRate * clampSetting(modRate, 0.0f, 10.0f);
    std::array<float, 4> rotateCos {}, rotateSin {};
    for (size_t k = 0; k < 4; ++k)
    {
        const float w = increment * kOscillatorRatios[k];
        rotateCos[k] = std::cos(w);
        rotateSin[k] = std::sin(w);

        // Rotation accumulates rounding; pulling each pair back onto the unit
        // circle once a block keeps the modulation depth from drifting.
        const float r2 = oscSin[k] * oscSin[k] + oscCos[k] * oscCos[k];
        if (r2 > 1e-12f)
        {
            const float r = std::sqrt(r2);
            oscSin[k] /= r;
            oscCos[k] /= r;
        }
    }

    const float heldSize = clampSetting(size, 0.5f, 5.0f);
    std::array<float, kLengths.size()> primes {};
    for (size_t j = 0; j < kLengths.size(); ++j)
        primes[j] = static_cast<float>(
            kPrimes[static_cast<size_t>(static_cast<int>(heldSize * static_cast<float>(kLengths[j].multiplier)))]);

    decayGain = std::pow(10.0f, -0.51f * (1.25f * heldSize - 0.25f) / clampSetting(decayTime, 0.1f, 60.0f));

    ThreeBandDecay bands;
    bands.design(prewarp(clampSetting(lowCutoff, 100.0f, 6000.0f), piOverRate),
                 prewarp(clampSetting(highCutoff, 1000.0f, 10000.0f), piOverRate), clampSetting(highGain, 0.0f, 1.0f),
                 clampSetting(midGain, 0.0f, 1.0f), clampSetting(lowGain, 0.0f, 1.0f));

    // ---- lines ----
    constexpr int longMask = kLongLine - 1;
    constexpr int shortMask = kShortLine - 1;
    float* const longLines = memory.data();
    float* const shortLines = longLines + kLongLineCount * kLongLine;
    const auto longLine = [longLines](int k) { return longLines + k * kLongLine; };
    float* const firstModLeft = shortLines;
    float* const firstModRight = shortLines + kShortLine;
    float* const thirdModLeft = shortLines + 2 * kShortLine;
    float* const thirdModRight = shortLines + 3 * kShortLine;
    float* const secondModLeft = longLine(32);
    float* const secondModRight = longLine(33);

    const auto unit = [&](size_t u, float& left, float& right)
    {
        const auto& spec = kUnits[u];
        rotationUnit(spec.early ? earlyCos : lateCos, spec.early ? earlySin : lateSin, left, right,
                     longLine(static_cast<int>(2 * u)), longLine(static_cast<int>(2 * u + 1)), writeIndex,
                     unitReads[2 * u], unitReads[2 * u + 1], lengths[static_cast<size_t>(spec.lengthA)],
                     lengths[static_cast<size_t>(spec.lengthB)]);
    };
    const auto fixedDelay = [&](size_t k, float x)
    {
        float* line = longLine(28 + static_cast<int>(k));
        line[writeIndex] = x;
        return fixedReads[k].read(line, longMask, writeIndex, lengths[static_cast<size_t>(kFixedLengths[k])]);
    };
    const auto modulated = [&](float* line, int mask, int maxTap, float x, float modulation)
    {
        line[writeIndex & mask] = x;
        return lagrangeRead(line, mask, writeIndex, modulation, maxTap);
    };

    const float* const inLeft = inputs[0];
    const float* const inRight = inputs[1];
    float* const outLeft = outputs[0];
    float* const outRight = outputs[1];

    for (int n = 0; n < count; ++n)
    {
        started[0] = 1;
        const float first = static_cast<float>(1 - started[1]);

        for (size_t k = 0; k < 4; ++k)
        {
            const float s = oscSin[k];
            oscSin[k] = s * rotateCos[k] + oscCos[k] * rotateSin[k];
            oscCos[k] = oscCos[k] * rotateCos[k] - s * rotateSin[k] + first;
        }
        const float modLeft1 = amountLeft * (1.0f + oscCos[0]);
        const float modRight1 =
            amountRight * (1.0f - (0.4f * oscCos[0] + 0.3f * oscCos[1] + 0.2f * oscCos[2] + 0.1f * oscCos[3]));
        const float modLeft2 = amountLeft * (1.0f + oscSin[0]);
        const float modRight2 =
            amountRight * (1.0f - (0.4f * oscSin[0] + 0.3f * oscSin[1] + 0.2f * oscSin[2] + 0.1f * oscSin[3]));

        for (size_t j = 0; j < kLengths.size(); ++j)
            lengths[j].update(primes[j], kLengths[j].smoothing, first);

        float left = feedbackLeft;
        float right = feedbackRight;
        for (size_t u = 0; u < 5; ++u)
            unit(u, left, right);

        left = fixedDelay(0, modulated(firstModLeft, shortMask, kShortMaxTap, left, modLeft1));
        right = fixedDelay(1, modulated(firstModRight, shortMask, kShortMaxTap, right, modRight1));

        for (size_t u = 5; u < 10; ++u)
            unit(u, left, right);

        left = fixedDelay(2, modulated(secondModLeft, longMask, kLongMaxTap, left, modLeft2));
        right = fixedDelay(3, modulated(secondModRight, longMask, kLongMaxTap, right, modRight2));

        const float injectedLeft = decayGain * bands.process(decayState[0], left) + inLeft[n];
        const float injectedRight = decayGain * bands.process(decayState[1], right) + inRight[n];

        left = modulated(thirdModLeft, shortMask, kShortMaxTap, injectedLeft, modLeft2);
        right = modulated(thirdModRight, shortMask, kShortMaxTap, injectedRight, modLeft1);

        dampState[0] = dampCoefficient * dampState[0] + dampInput * left;
        dampState[1] = dampCoefficient * dampState[1] + dampInput * right;
        left = dampState[0];
        right = dampState[1];

        for (size_t u = 10; u < 14; ++u)
            unit(u, left, right);

        outLeft[n] = left;
        outRight[n] = right;
        feedbackLeft = left;
        feedbackRight = right;
        started[1] = started[0];
        writeIndex = (writeIndex + 1) & longMask;
    }
}

} // namespace korvanedsp
