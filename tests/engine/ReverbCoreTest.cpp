#include "ReverbCore.h"
#include "KorvaneReverb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <vector>

namespace
{
using korvanedsp::_ReverbCore;
using korvanedsp::kPrimes;

constexpr double kRate = 48000.0;

struct Signal
{
    std::vector<float> left, right;

    explicit Signal(size_t frames) : left(frames), right(frames) {}
};

Signal noise(size_t frames, std::uint32_t seed = 7)
{
    Signal s(frames);
    std::uint32_t x = seed;
    const auto next = [&x]
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return static_cast<float>(x) * (0.5f / 4294967296.0f) - 0.25f;
    };
    for (size_t i = 0; i < frames; ++i)
    {
        s.left[i] = next();
        s.right[i] = next();
    }
    return s;
}

// Runs the core over a whole signal in blocks, as an owner does.
Signal run(_ReverbCore& core, const Signal& input, int block = 256)
{
    Signal out(input.left.size());
    for (size_t start = 0; start < input.left.size(); start += static_cast<size_t>(block))
    {
        const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(block), input.left.size() - start));
        const float* inputs[2] = { input.left.data() + start, input.right.data() + start };
        float* outputs[2] = { out.left.data() + start, out.right.data() + start };
        core.compute(n, inputs, outputs);
    }
    return out;
}

std::unique_ptr<_ReverbCore> makeCore(double rate = kRate)
{
    auto core = std::make_unique<_ReverbCore>();
    core->initialise(rate);
    return core;
}

void voiceAsEngine(_ReverbCore& core)
{
    KorvaneReverb::applyVoicing(core);
}

// Pure delays and plain rotations everywhere, nothing lost but the decay
// gain: paths through the network can be followed sample by sample.
void openLoop(_ReverbCore& core, float size)
{
    voiceAsEngine(core);
    core.earlyDiffusion = 0.0f;
    core.damp = 0.0f;
    core.modDepth = 0.0f;
    core.modRate = 0.0f;
    core.highGain = core.midGain = core.lowGain = 1.0f;
    core.size = size;
}

int prime(float size, int multiplier)
{
    return kPrimes[static_cast<size_t>(static_cast<int>(size * static_cast<float>(multiplier)))];
}

// ---- delay lengths ------------------------------------------------------------

struct LengthRow
{
    const char* what;
    int size1A, size1B, size2A, size2B;
};

// Lengths in samples of every unit's two lines and of the fixed delays (left,
// right) at sizes 1 and 2.
const LengthRow kLengthTable[] = {
    { "U1", 31, 607, 73, 1381 },      { "U2", 179, 811, 419, 1823 },    { "U3", 353, 1019, 811, 2293 },
    { "U4", 547, 1229, 1229, 2749 },  { "U5", 739, 1453, 1663, 3259 },  { "F1", 257, 1259, 599, 2803 },
    { "U6", 701, 101, 1597, 233 },    { "U7", 911, 263, 2063, 607 },    { "U8", 1109, 443, 2539, 1019 },
    { "U9", 1321, 641, 3001, 1453 },  { "U10", 1559, 839, 3517, 1901 }, { "F2", 761, 149, 1723, 347 },
    { "U11", 263, 1523, 607, 3433 },  { "U12", 1321, 443, 3001, 1019 }, { "U13", 641, 1153, 1453, 2621 },
    { "U14", 1049, 839, 2371, 1901 },
};

TEST(ReverbCoreLengths, AreThePrimesOfTheTableAtSizesOneAndTwo)
{
    for (const float size : { 1.0f, 2.0f })
    {
        auto core = makeCore();
        core->size = size;
        run(*core, Signal(1));

        const auto lengthOf = [&core](int index) { return core->lengths[static_cast<size_t>(index)].length; };
        size_t unit = 0;
        size_t fixed = 0;
        for (const auto& row : kLengthTable)
        {
            float a = 0.0f;
            float b = 0.0f;
            if (row.what[0] == 'F')
            {
                a = lengthOf(_ReverbCore::kFixedLengths[fixed]);
                b = lengthOf(_ReverbCore::kFixedLengths[fixed + 1]);
                fixed += 2;
            }
            else
            {
                a = lengthOf(_ReverbCore::kUnits[unit].lengthA);
                b = lengthOf(_ReverbCore::kUnits[unit].lengthB);
                ++unit;
            }
            EXPECT_EQ(a, static_cast<float>(size == 1.0f ? row.size1A : row.size2A)) << row.what << " at size " << size;
            EXPECT_EQ(b, static_cast<float>(size == 1.0f ? row.size1B : row.size2B)) << row.what << " at size " << size;
        }
    }
}

TEST(ReverbCoreLengths, GlideToANewSizeWithTheirOwnTimeConstants)
{
    auto core = makeCore();
    core->size = 1.0f;
    run(*core, Signal(1));
    core->size = 2.0f;

    // 0.9999 per sample for the units (10000 samples), 0.995 for the fixed delays (200).
    const auto remaining = [&core](int index, int from, int to)
    { return (core->lengths[static_cast<size_t>(index)].length - float(to)) / float(from - to); };

    run(*core, Signal(200));
    EXPECT_NEAR(remaining(_ReverbCore::kFixedLengths[0], 257, 599), std::pow(0.995, 200), 1e-3);
    EXPECT_GT(remaining(_ReverbCore::kUnits[0].lengthB, 607, 1381), 0.97);

    run(*core, Signal(9800));
    EXPECT_NEAR(remaining(_ReverbCore::kUnits[0].lengthB, 607, 1381), std::pow(0.9999, 10000), 1e-3);
    EXPECT_NEAR(remaining(_ReverbCore::kFixedLengths[0], 257, 599), 0.0, 1e-4);
}

// ---- paths through the network ---------------------------------------------------

// Which whole-sample delay a unit line of prime P gives: P, unless the read
// reaches past the line's 8192-sample limit, where it is held.
int unitDelay(int p)
{
    return std::min(p - 2, korvanedsp::SmoothedLength::kMaxDelay) + 2;
}

int unitDelay(float size, int lengthIndex)
{
    return unitDelay(prime(size, _ReverbCore::kLengths[static_cast<size_t>(lengthIndex)].multiplier));
}

class ReverbCoreFirstPass : public testing::TestWithParam<float>
{
};

// An impulse injected into a cleared network reaches the output first through
// the third modulated delay (5 samples at depth 0) and the four output units,
// each of which sends its input along both of its lines. Until the input has
// been once round the loop, the output is exactly those paths.
TEST_P(ReverbCoreFirstPass, IsTheSumOfTheOutputUnitsPaths)
{
    const float size = GetParam();
    auto core = makeCore();
    openLoop(*core, size);

    // Sound first, so that the clear has something to clear.
    run(*core, noise(48000));
    core->clear();

    // Expected: pulses (time, left, right), starting as the modulated delay's output.
    struct Pulse
    {
        int time;
        double left, right;
    };
    std::vector<Pulse> pulses { { 5, 1.0, 0.0 } };
    int firstPassEnd = 5;
    int shortestOutputPath = 5;
    for (size_t u = 10; u < 14; ++u)
    {
        const int a = unitDelay(size, _ReverbCore::kUnits[u].lengthA);
        const int b = unitDelay(size, _ReverbCore::kUnits[u].lengthB);
        firstPassEnd += std::max(a, b);
        shortestOutputPath += std::min(a, b);
        std::vector<Pulse> next;
        for (const auto& p : pulses)
        {
            next.push_back({ p.time + a, (p.left - p.right) / std::sqrt(2.0), 0.0 });
            next.push_back({ p.time + b, 0.0, (p.left + p.right) / std::sqrt(2.0) });
        }
        pulses = next;
    }

    // The earliest the input can come round the loop and out again.
    int loopReturn = shortestOutputPath + 3 * 5 - 2;
    for (size_t u = 0; u < 10; ++u)
        loopReturn +=
            std::min(unitDelay(size, _ReverbCore::kUnits[u].lengthA), unitDelay(size, _ReverbCore::kUnits[u].lengthB));
    for (size_t k = 0; k < 4; k += 2)
        loopReturn +=
            std::min(prime(size, _ReverbCore::kLengths[size_t(_ReverbCore::kFixedLengths[k])].multiplier),
                     prime(size, _ReverbCore::kLengths[size_t(_ReverbCore::kFixedLengths[k + 1])].multiplier));
    ASSERT_LT(firstPassEnd, loopReturn);

    Signal expected(static_cast<size_t>(firstPassEnd + 1));
    for (const auto& p : pulses)
    {
        expected.left[static_cast<size_t>(p.time)] += static_cast<float>(p.left);
        expected.right[static_cast<size_t>(p.time)] += static_cast<float>(p.right);
    }

    Signal input(static_cast<size_t>(firstPassEnd + 1));
    input.left[0] = 1.0f;
    const Signal out = run(*core, input);

    for (size_t i = 0; i < input.left.size(); ++i)
    {
        ASSERT_NEAR(out.left[i], expected.left[i], 1e-6) << "left, sample " << i;
        ASSERT_NEAR(out.right[i], expected.right[i], 1e-6) << "right, sample " << i;
    }
    for (size_t i = 0; i < static_cast<size_t>(shortestOutputPath); ++i)
        ASSERT_EQ(out.left[i] == 0.0f && out.right[i] == 0.0f, true) << "sound before the shortest path, sample " << i;
}

// At size 5 several lines (U11 line B, U12 line A among them) are longer than
// the read can reach and are held at 8192 + 2 samples.
INSTANTIATE_TEST_SUITE_P(Sizes, ReverbCoreFirstPass, testing::Values(1.0f, 2.0f, 5.0f),
                         [](const auto& testInfo)
                         { return "size" + std::to_string(static_cast<int>(testInfo.param)); });

TEST(ReverbCoreFirstPass, SizeFiveHoldsLinesPastTheReach)
{
    EXPECT_EQ(prime(5.0f, 245), 9941); // U10 line A
    EXPECT_EQ(unitDelay(9941), 8194);
    EXPECT_GT(prime(5.0f, 240), 8194); // U11 line B: checked by the first pass above
    EXPECT_GT(prime(5.0f, 215), 8194); // U12 line A
}

struct ModulatedCase
{
    float depth;
    int leftArrival, rightArrival;
};

class ReverbCoreModulation : public testing::TestWithParam<ModulatedCase>
{
};

// With diffusion the output units pass part of their input straight through,
// so the first sound is the injection delayed by the third modulated delay
// alone: 5 samples plus the modulation. At rate 0 from a clear the
// oscillators stand at s = 0, c = 1, so the left read is delayed by the left
// amount (40 x depth) and the right one by twice that.
TEST_P(ReverbCoreModulation, DelaysTheFirstSoundByFiveSamplesPlusTheModulation)
{
    const auto c = GetParam();
    auto core = makeCore();
    voiceAsEngine(*core);
    core->earlyDiffusion = 1.0f;
    core->modDepth = c.depth;
    core->modRate = 0.0f;
    core->damp = 0.0f;

    Signal input(128);
    input.left[0] = input.right[0] = 1.0f;
    const Signal out = run(*core, input);

    const float direct = std::pow(std::sin(1.0f), 4.0f); // four units' direct paths
    for (int i = 0; i < 128; ++i)
    {
        const auto s = static_cast<size_t>(i);
        EXPECT_NEAR(out.left[s], i == c.leftArrival ? direct : 0.0f, 1e-6) << "left, sample " << i;
        EXPECT_NEAR(out.right[s], i == c.rightArrival ? direct : 0.0f, 1e-6) << "right, sample " << i;
    }
    for (size_t k = 0; k < 4; ++k)
    {
        EXPECT_EQ(core->oscSin[k], 0.0f);
        EXPECT_EQ(core->oscCos[k], 1.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, ReverbCoreModulation,
                         testing::Values(ModulatedCase { 0.0f, 5, 5 }, ModulatedCase { 0.25f, 15, 25 },
                                         ModulatedCase { 0.5f, 25, 45 }, ModulatedCase { 1.0f, 45, 85 }));

// ---- oscillators ----------------------------------------------------------------

TEST(ReverbCoreOscillators, RunFromPhaseZeroAfterAClearAndFreezeAtRateZero)
{
    auto core = makeCore();
    core->modRate = 3.0f;
    constexpr int kSamples = 24000;
    run(*core, noise(kSamples), 100);

    const double w = 2.0 * 3.14159265358979323846 * 3.0 / kRate;
    for (size_t k = 0; k < 4; ++k)
    {
        const double angle = (kSamples - 1) * w * double(_ReverbCore::kOscillatorRatios[k]);
        EXPECT_NEAR(core->oscSin[k], std::sin(angle), 2e-3) << "oscillator " << k;
        EXPECT_NEAR(core->oscCos[k], std::cos(angle), 2e-3) << "oscillator " << k;
        EXPECT_NEAR(std::hypot(core->oscSin[k], core->oscCos[k]), 1.0, 1e-5);
    }

    const auto frozenSin = core->oscSin;
    const auto frozenCos = core->oscCos;
    core->modRate = 0.0f;
    run(*core, noise(4800), 100);
    for (size_t k = 0; k < 4; ++k)
    {
        EXPECT_NEAR(core->oscSin[k], frozenSin[k], 1e-5);
        EXPECT_NEAR(core->oscCos[k], frozenCos[k], 1e-5);
    }

    core->clear();
    run(*core, noise(4800), 100);
    for (size_t k = 0; k < 4; ++k)
    {
        EXPECT_EQ(core->oscSin[k], 0.0f);
        EXPECT_EQ(core->oscCos[k], 1.0f);
    }
}

// ---- settings -------------------------------------------------------------------

struct ClampCase
{
    const char* name;
    float _ReverbCore::*field;
    float lo, hi;
};

class ReverbCoreClamps : public testing::TestWithParam<ClampCase>
{
};

// A setting not above its lower bound (NaN included) acts as the lower bound;
// one above its upper bound acts as the upper bound.
TEST_P(ReverbCoreClamps, HoldEverySettingInItsRange)
{
    const auto c = GetParam();
    const Signal input = noise(4000);
    const auto outputWith = [&](float value)
    {
        auto core = makeCore();
        voiceAsEngine(*core);
        core->modDepth = 0.5f;
        core->modRate = 2.0f;
        core->size = 0.5f; // short lines, so that the loop comes round within the signal
        core->decayTime = 5.0f;
        (*core).*c.field = value;
        return run(*core, input);
    };
    const auto expectSame = [](const Signal& a, const Signal& b, const char* what)
    {
        for (size_t i = 0; i < a.left.size(); ++i)
        {
            ASSERT_EQ(a.left[i], b.left[i]) << what << ", sample " << i;
            ASSERT_EQ(a.right[i], b.right[i]) << what << ", sample " << i;
        }
    };

    const Signal atLow = outputWith(c.lo);
    expectSame(outputWith(std::numeric_limits<float>::quiet_NaN()), atLow, "NaN");
    expectSame(outputWith(-std::numeric_limits<float>::infinity()), atLow, "-inf");
    expectSame(outputWith(c.lo - 1.0f), atLow, "below");
    const Signal atHigh = outputWith(c.hi);
    expectSame(outputWith(std::numeric_limits<float>::infinity()), atHigh, "+inf");
    expectSame(outputWith(c.hi * 2.0f + 1.0f), atHigh, "above");

    bool differs = false;
    for (size_t i = 0; i < atLow.left.size() && !differs; ++i)
        differs = atLow.left[i] != atHigh.left[i];
    EXPECT_TRUE(differs) << "the setting has no effect";
}

INSTANTIATE_TEST_SUITE_P(Settings, ReverbCoreClamps,
                         testing::Values(ClampCase { "earlyDiffusion", &_ReverbCore::earlyDiffusion, 0.0f, 1.0f },
                                         ClampCase { "damp", &_ReverbCore::damp, 0.0f, 1.0f },
                                         ClampCase { "modDepth", &_ReverbCore::modDepth, 0.0f, 1.0f },
                                         ClampCase { "modRate", &_ReverbCore::modRate, 0.0f, 10.0f },
                                         ClampCase { "size", &_ReverbCore::size, 0.5f, 5.0f },
                                         ClampCase { "decayTime", &_ReverbCore::decayTime, 0.1f, 60.0f },
                                         ClampCase { "highGain", &_ReverbCore::highGain, 0.0f, 1.0f },
                                         ClampCase { "highCutoff", &_ReverbCore::highCutoff, 1000.0f, 10000.0f },
                                         ClampCase { "lowCutoff", &_ReverbCore::lowCutoff, 100.0f, 6000.0f },
                                         ClampCase { "midGain", &_ReverbCore::midGain, 0.0f, 1.0f },
                                         ClampCase { "lowGain", &_ReverbCore::lowGain, 0.0f, 1.0f },
                                         ClampCase { "leftModRatio", &_ReverbCore::leftModRatio, 0.0f, 1.0f }),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct DecayGainCase
{
    float size, decayTime;
    double expected;
};

class ReverbCoreDecayGain : public testing::TestWithParam<DecayGainCase>
{
};

// g = 10^(-0.51 (1.25 size - 0.25) / decayTime), from the clamped settings.
TEST_P(ReverbCoreDecayGain, FollowsSizeAndDecayTime)
{
    const auto c = GetParam();
    auto core = makeCore();
    core->size = c.size;
    core->decayTime = c.decayTime;
    run(*core, Signal(16));
    EXPECT_NEAR(core->decayGain, c.expected, 1e-6 + 1e-5 * c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ReverbCoreDecayGain,
    testing::Values(DecayGainCase { 0.5f, 40.0f, 0.98905114 }, // the longest tail the controls give
                    DecayGainCase { 2.0f, 3.99f, 0.51571055 }, DecayGainCase { 5.0f, 60.0f, 0.88920112 },
                    DecayGainCase { 5.0f, 100.0f, 0.88920112 }, DecayGainCase { 1.0f, 0.0f, 7.9432823e-6 },
                    DecayGainCase { 0.1f, 0.1f, 0.012232071 }));

// ---- sample rate ------------------------------------------------------------------

TEST(ReverbCoreRate, AboveTheTopRateIsComputedAsAtTheTopRate)
{
    const auto outputAt = [](double rate)
    {
        auto core = makeCore(rate);
        voiceAsEngine(*core);
        core->modDepth = 1.0f;
        core->modRate = 7.0f;
        core->size = 0.6f;
        return std::make_pair(run(*core, noise(6000)), core->rate);
    };
    const auto [top, topRate] = outputAt(192000.0);
    const auto [above, aboveRate] = outputAt(384000.0);
    const auto [below, belowRate] = outputAt(96000.0);
    EXPECT_EQ(topRate, 192000.0f);
    EXPECT_EQ(aboveRate, 192000.0f);
    EXPECT_EQ(belowRate, 96000.0f);
    EXPECT_EQ(top.left, above.left);
    EXPECT_EQ(top.right, above.right);
    EXPECT_NE(top.left, below.left);
}

// ---- decay ------------------------------------------------------------------------

struct DecayCase
{
    float size, decayTime;
};

class ReverbCoreDecay : public testing::TestWithParam<DecayCase>
{
};

// Energy in consecutive windows of one mean loop pass.
std::vector<double> passEnergiesDb(const Signal& out, size_t from, size_t window)
{
    std::vector<double> db;
    for (size_t start = from; start + window <= out.left.size(); start += window)
    {
        double e = 0.0;
        for (size_t i = start; i < start + window; ++i)
            e += double(out.left[i]) * double(out.left[i]) + double(out.right[i]) * double(out.right[i]);
        db.push_back(10.0 * std::log10(e));
    }
    return db;
}

double slope(const std::vector<double>& y)
{
    const double n = static_cast<double>(y.size());
    double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    for (size_t i = 0; i < y.size(); ++i)
    {
        const double x = static_cast<double>(i);
        sx += x;
        sy += y[i];
        sxx += x * x;
        sxy += x * y[i];
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

// With every band gain at 1 and no damping, the loop is lossless but for the
// decay gain, so the tail's energy falls by 20 log10(g) dB per pass round the
// loop. A pass is, on average, half of each unit's two lines plus the
// modulated and fixed delays. The paths round the loop differ in length, so
// the decay is not perfectly even: the modes that pass the decay gain least
// often outlast the others, and the slope eases slowly over the tail.
TEST_P(ReverbCoreDecay, EnergyFallsByTheDecayGainPerLoopPass)
{
    const auto c = GetParam();
    auto core = makeCore();
    openLoop(*core, c.size);
    core->decayTime = c.decayTime;
    const double g = std::pow(10.0, -0.51 * (1.25 * double(c.size) - 0.25) / double(c.decayTime));

    double loop = 3 * 5;
    for (const auto& unit : _ReverbCore::kUnits)
        loop += 0.5 * (prime(c.size, _ReverbCore::kLengths[size_t(unit.lengthA)].multiplier) +
                       prime(c.size, _ReverbCore::kLengths[size_t(unit.lengthB)].multiplier));
    for (const int index : _ReverbCore::kFixedLengths)
        loop += 0.5 * (prime(c.size, _ReverbCore::kLengths[size_t(index)].multiplier) - 1);

    const auto window = static_cast<size_t>(loop);
    Signal input(window * 34);
    input.left[0] = input.right[0] = 1.0f;
    const Signal out = run(*core, input, 512);

    const auto db = passEnergiesDb(out, window * 4, window); // once the echoes have built up
    const double perPass = slope(db) * loop / static_cast<double>(window);
    const double expected = 20.0 * std::log10(g);
    EXPECT_NEAR(perPass, expected, 0.1 * std::abs(expected)) << "loop of " << loop << " samples";
}

INSTANTIATE_TEST_SUITE_P(Settings, ReverbCoreDecay,
                         testing::Values(DecayCase { 0.5f, 40.0f }, DecayCase { 1.0f, 4.0f },
                                         DecayCase { 2.0f, 10.0f }));

// The engine's band gains and damping only take energy away: the tail decays
// at least as fast as the decay gain alone would make it.
TEST(ReverbCoreDecay, BandGainsAndDampingOnlyShortenTheTail)
{
    const float size = 0.5f;
    const float decayTime = 40.0f;
    const auto tailEnergy = [&](bool voiced)
    {
        auto core = makeCore();
        openLoop(*core, size);
        core->decayTime = decayTime;
        if (voiced)
        {
            voiceAsEngine(*core);
            core->earlyDiffusion = 1.0f;
            core->damp = 0.5f;
            core->modDepth = 0.5f;
            core->modRate = 1.0f;
        }
        Signal input(static_cast<size_t>(kRate * 8));
        input.left[0] = input.right[0] = 1.0f;
        const Signal out = run(*core, input, 512);
        return passEnergiesDb(out, static_cast<size_t>(kRate), static_cast<size_t>(kRate));
    };
    const auto plain = tailEnergy(false);
    const auto voiced = tailEnergy(true);
    EXPECT_LT(slope(plain), 0.0);
    EXPECT_LT(slope(voiced), slope(plain));
    for (const double e : voiced)
        EXPECT_TRUE(std::isfinite(e));
}

// ---- building blocks ------------------------------------------------------------------

struct LagrangeCase
{
    float modulation;
    int maxDelay;
    double expectedDelay;
};

class LagrangeRead : public testing::TestWithParam<LagrangeCase>
{
};

// Fourth-order Lagrange interpolation is exact on polynomials up to the
// fourth degree, so on a cubic the read is exactly the value modulation + 5
// samples back, or the nearest the taps' limit allows.
TEST_P(LagrangeRead, DelaysByTheModulationPlusFiveSamples)
{
    const auto c = GetParam();
    constexpr int kSize = 1024;
    constexpr int kWrite = 700;
    const auto cubic = [](double t) { return 1e-7 * t * t * t - 2e-5 * t * t + 0.003 * t - 0.2; };
    std::vector<float> line(kSize);
    for (int k = 0; k < kSize; ++k)
        line[static_cast<size_t>((kWrite - k) & (kSize - 1))] = static_cast<float>(cubic(-double(k)));

    const float y = korvanedsp::lagrangeRead(line.data(), kSize - 1, kWrite, c.modulation, c.maxDelay);
    EXPECT_NEAR(y, cubic(-c.expectedDelay), 2e-5);
}

INSTANTIATE_TEST_SUITE_P(Modulations, LagrangeRead,
                         testing::Values(LagrangeCase { 0.0f, 512, 5.0 }, LagrangeCase { 0.25f, 512, 5.25 },
                                         LagrangeCase { 0.5f, 512, 5.5 }, LagrangeCase { 1.7f, 512, 6.7 },
                                         LagrangeCase { 37.3f, 512, 42.3 }, LagrangeCase { 79.99f, 512, 84.99 },
                                         // all five taps held at 100: the value 100 samples back
                                         LagrangeCase { 200.0f, 100, 100.0 }));

TEST(LagrangeRead, IsAPureDelayAtWholeModulations)
{
    std::vector<float> line(1024);
    for (size_t k = 0; k < line.size(); ++k)
        line[k] = static_cast<float>(k % 7) - 3.0f;
    for (const float m : { 0.0f, 3.0f, 40.0f })
        EXPECT_EQ(korvanedsp::lagrangeRead(line.data(), 1023, 500, m, 512),
                  line[static_cast<size_t>(500 - 5 - static_cast<int>(m))]);
}

struct AllpassCase
{
    float length;
    double expectedDelay;
};

class AllpassInterpolatedRead : public testing::TestWithParam<AllpassCase>
{
};

// The read delays by length - 1 samples; a length past the line's reach
// reads 8192 + 1 samples back.
TEST_P(AllpassInterpolatedRead, DelaysByTheLengthLessOne)
{
    const auto c = GetParam();
    constexpr int kSize = 16384;
    constexpr int kMask = kSize - 1;
    const auto ramp = [](double t) { return 1e-4 * t; };

    korvanedsp::SmoothedLength length;
    length.update(c.length, 0.9999f, 1.0f);
    korvanedsp::AllpassRead read;
    std::vector<float> line(kSize);
    float y = 0.0f;
    for (int n = 0; n < 20000; ++n)
    {
        line[static_cast<size_t>(n & kMask)] = static_cast<float>(ramp(n));
        y = read.read(line.data(), kMask, n & kMask, length);
    }
    EXPECT_NEAR(y, ramp(19999 - c.expectedDelay), 2e-5);
}

INSTANTIATE_TEST_SUITE_P(Lengths, AllpassInterpolatedRead,
                         testing::Values(AllpassCase { 13.0f, 12.0 }, AllpassCase { 13.25f, 12.25 },
                                         AllpassCase { 13.5f, 12.5 }, AllpassCase { 100.7f, 99.7 },
                                         AllpassCase { 8194.0f, 8193.0 }, AllpassCase { 9941.0f, 8193.0 }));

// ---- decay filter --------------------------------------------------------------------

double toneGain(const korvanedsp::ThreeBandDecay& filter, double frequency)
{
    // Half a second to settle, then about half a second of whole periods.
    korvanedsp::ThreeBandDecay::Channel state;
    const int settle = static_cast<int>(kRate / 2);
    const double periods = std::ceil(frequency / 2.0);
    const int n = settle + static_cast<int>(std::round(periods * kRate / frequency));
    double in = 0.0, out = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const double x = std::sin(2.0 * 3.14159265358979323846 * frequency * i / kRate);
        const double y = static_cast<double>(filter.process(state, static_cast<float>(x)));
        if (i >= settle)
        {
            in += x * x;
            out += y * y;
        }
    }
    return std::sqrt(out / in);
}

korvanedsp::ThreeBandDecay decayFilter(float high, float mid, float low)
{
    const auto warp = [](double f) { return static_cast<float>(std::tan(f * 3.14159265358979323846 / kRate)); };
    korvanedsp::ThreeBandDecay filter;
    filter.design(warp(502.0), warp(4000.0), high, mid, low);
    return filter;
}

struct BandCase
{
    double frequency, expectedGain, tolerance;
};

// The engine's band gains: highs above 4 kHz lose most per pass, mids
// between 502 Hz and 4 kHz a little, lows nothing; nowhere is there gain.
TEST(ThreeBandDecay, WeighsEachBandByItsGain)
{
    const auto filter = decayFilter(0.535f, 0.9f, 1.0f);
    for (const auto& c :
         { BandCase { 40.0, 1.0, 0.002 }, BandCase { 150.0, 1.0, 0.01 }, BandCase { 1500.0, 0.9, 0.015 },
           BandCase { 12000.0, 0.535, 0.01 }, BandCase { 18000.0, 0.535, 0.005 } })
        EXPECT_NEAR(toneGain(filter, c.frequency), c.expectedGain, c.tolerance) << c.frequency << " Hz";

    for (double f = 30.0; f < 23000.0; f *= 1.25)
        EXPECT_LT(toneGain(filter, f), 1.001) << f << " Hz";
}

TEST(ThreeBandDecay, BandsSumToAnAllpassAtUnitGains)
{
    const auto filter = decayFilter(1.0f, 1.0f, 1.0f);
    for (double f = 30.0; f < 23000.0; f *= 1.25)
        EXPECT_NEAR(toneGain(filter, f), 1.0, 2e-3) << f << " Hz";
}

} // namespace
