#include "DemoSignal.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace velmora::cli
{
namespace
{
struct Note
{
    double startSeconds;
    double midiNote;
    double pan; // -1 left .. 1 right
    float level;
};

// A rising A-minor figure, then an Am9 chord.
constexpr std::array<Note, 12> kNotes { {
    { 0.00, 57, -0.4, 0.8f },
    { 0.40, 60, 0.3, 0.7f },
    { 0.80, 64, -0.2, 0.7f },
    { 1.20, 67, 0.4, 0.7f },
    { 1.60, 69, -0.3, 0.7f },
    { 2.00, 72, 0.2, 0.6f },
    { 2.40, 71, -0.1, 0.6f },
    { 3.20, 45, 0.0, 0.7f },
    { 3.22, 52, -0.5, 0.5f },
    { 3.24, 60, 0.5, 0.5f },
    { 3.26, 64, -0.3, 0.5f },
    { 3.28, 71, 0.3, 0.5f },
} };

constexpr double kLengthSeconds = 5.0;
constexpr float kPeak = 0.5f; // -6 dBFS: room for the reverb to add level

class Xorshift
{
public:
    float nextBipolar()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state) * (2.0f / 4294967296.0f) - 1.0f;
    }

private:
    std::uint32_t state = 0x2545F491u;
};

// Karplus-Strong: a noise burst recirculating through a delay of one period
// with a gentle averaging low-pass, which gives a plucked string's decay.
void addPluck(juce::AudioBuffer<float>& out, const Note& note, Xorshift& noise)
{
    const double frequency = 440.0 * std::pow(2.0, (note.midiNote - 69.0) / 12.0);
    const auto period = static_cast<size_t>(std::max(2.0, std::round(kDemoSampleRate / frequency)));
    std::vector<float> line(period);
    for (auto& s : line)
        s = noise.nextBipolar();

    const auto start = static_cast<int>(note.startSeconds * kDemoSampleRate);
    const double angle = (note.pan + 1.0) * juce::MathConstants<double>::pi / 4.0;
    const auto gainLeft = static_cast<float>(std::cos(angle)) * note.level;
    const auto gainRight = static_cast<float>(std::sin(angle)) * note.level;
    constexpr float kDecay = 0.996f;

    size_t pos = 0;
    for (int i = start; i < out.getNumSamples(); ++i)
    {
        const float current = line[pos];
        const float next = line[(pos + 1) % period];
        line[pos] = kDecay * 0.5f * (current + next);
        pos = (pos + 1) % period;
        out.addSample(0, i, current * gainLeft);
        out.addSample(1, i, current * gainRight);
    }
}
} // namespace

juce::AudioBuffer<float> makeDemoSignal()
{
    juce::AudioBuffer<float> buffer(2, static_cast<int>(kLengthSeconds * kDemoSampleRate));
    buffer.clear();
    Xorshift noise;
    for (const auto& note : kNotes)
        addPluck(buffer, note, noise);

    // A short fade at the very end, so the dry signal itself never clicks off.
    const int fade = static_cast<int>(0.05 * kDemoSampleRate);
    buffer.applyGainRamp(buffer.getNumSamples() - fade, fade, 1.0f, 0.0f);

    const float peak = buffer.getMagnitude(0, buffer.getNumSamples());
    if (peak > 0.0f)
        buffer.applyGain(kPeak / peak);
    return buffer;
}

} // namespace velmora::cli
