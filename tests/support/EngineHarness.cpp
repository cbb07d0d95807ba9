#include "EngineHarness.h"

#include <algorithm>
#include <cmath>

namespace velmora::test
{

Stereo noise(size_t frames, float level, std::uint32_t seed)
{
    Stereo s = Stereo::silence(frames);
    std::uint32_t x = seed == 0 ? 1 : seed;
    const auto next = [&x, level]
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return level * (static_cast<float>(x) * (2.0f / 4294967296.0f) - 1.0f);
    };
    for (size_t i = 0; i < frames; ++i)
    {
        s.left[i] = next();
        s.right[i] = next();
    }
    return s;
}

Stereo impulse(size_t frames, size_t at, float level)
{
    Stereo s = Stereo::silence(frames);
    s.left[at] = s.right[at] = level;
    return s;
}

Stereo sine(size_t frames, double frequency, double sampleRate, float level)
{
    Stereo s = Stereo::silence(frames);
    for (size_t i = 0; i < frames; ++i)
        s.left[i] = s.right[i] = level * static_cast<float>(std::sin(2.0 * juce::MathConstants<double>::pi * frequency *
                                                                     static_cast<double>(i) / sampleRate));
    return s;
}

EngineHarness::EngineHarness(double rate, int block, const ParameterSnapshot& initial) :
    engine(std::make_unique<VelmoraEngine>()), sampleRate(rate), blockSize(block)
{
    engine->params = initial;
    engine->prepare(sampleRate, blockSize);
}

Stereo EngineHarness::run(const Stereo& input, const std::function<void(int, ParameterSnapshot&)>& beforeBlock)
{
    Stereo out = Stereo::silence(input.size());
    juce::AudioBuffer<float> buffer(2, blockSize);
    int blockIndex = 0;
    for (size_t start = 0; start < input.size(); start += static_cast<size_t>(blockSize))
    {
        const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(blockSize), input.size() - start));
        buffer.setSize(2, n, false, false, true);
        std::copy_n(input.left.begin() + static_cast<std::ptrdiff_t>(start), n, buffer.getWritePointer(0));
        std::copy_n(input.right.begin() + static_cast<std::ptrdiff_t>(start), n, buffer.getWritePointer(1));
        if (beforeBlock)
            beforeBlock(blockIndex, engine->params);
        engine->processBlock(buffer);
        std::copy_n(buffer.getReadPointer(0), n, out.left.begin() + static_cast<std::ptrdiff_t>(start));
        std::copy_n(buffer.getReadPointer(1), n, out.right.begin() + static_cast<std::ptrdiff_t>(start));
        ++blockIndex;
    }
    return out;
}

double peak(const std::vector<float>& x, size_t from, size_t to)
{
    double p = 0.0;
    for (size_t i = from; i < std::min(to, x.size()); ++i)
        p = std::max(p, static_cast<double>(std::abs(x[i])));
    return p;
}

double rms(const std::vector<float>& x, size_t from, size_t to)
{
    double sum = 0.0;
    size_t count = 0;
    for (size_t i = from; i < std::min(to, x.size()); ++i, ++count)
        sum += static_cast<double>(x[i]) * static_cast<double>(x[i]);
    return count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
}

} // namespace velmora::test
