#include "SpectralPitchShifter.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr float kPi = 3.14159265358979323846f;
constexpr float kTwoPi = 2.0f * kPi;
// Bin k's centre frequency turns its phase by k * pi/2 over one hop.
constexpr float kHopAdvancePerBin =
    kTwoPi * static_cast<float>(SpectralPitchShifter::kHopSize) / static_cast<float>(SpectralPitchShifter::kFrameSize);
constexpr int kRingMask = SpectralPitchShifter::kOutputRingSize - 1;
constexpr int kInputMask = SpectralPitchShifter::kFrameSize - 1;
} // namespace

SpectralPitchShifter::SpectralPitchShifter() = default;

float SpectralPitchShifter::wrapPhase(float phase) noexcept
{
    // 0.49999997 is the float just below a half: adding a true half would round
    // 0.49999997 itself up to a whole turn.
    const float turns = phase / kTwoPi;
    return phase - kTwoPi * std::trunc(turns + std::copysign(0.49999997f, turns));
}

void SpectralPitchShifter::prepare(double newSampleRate)
{
    sampleRate = newSampleRate;

    inputRing.assign(kFrameSize, 0.0);
    outUp.assign(kOutputRingSize, 0.0);
    outDown.assign(kOutputRingSize, 0.0);

    window.resize(kFrameSize);
    for (size_t i = 0; i < window.size(); ++i)
        window[i] = static_cast<float>(
            0.5 * (1.0 - std::cos(2.0 * juce::MathConstants<double>::pi * static_cast<double>(i) / kFrameSize)));

    for (auto* bins : { &lastPhase, &sumPhaseUp, &sumPhaseDown, &magnitude, &advance, &magnitudeUp, &advanceUp,
                        &magnitudeDown, &advanceDown })
        bins->assign(kNumBins, 0.0f);
    timeDomain.assign(kFrameSize, Complex {});
    spectrum.assign(kFrameSize, Complex {});
    binsUp.assign(kNumBins, Complex {});
    binsDown.assign(kNumBins, Complex {});

    clear();
}

void SpectralPitchShifter::clear() noexcept
{
    for (auto* ring : { &inputRing, &outUp, &outDown })
        std::fill(ring->begin(), ring->end(), 0.0);
    for (auto* bins : { &lastPhase, &sumPhaseUp, &sumPhaseDown })
        std::fill(bins->begin(), bins->end(), 0.0f);
    inputWritePos = 0;
    outputReadPos = 0;
    hopCounter = kHopSize;
}

// The transforms are juce::dsp::FFT's complex ones: FFTW's real-only
// transforms, as JUCE plans them, allocate a buffer on every call, and a frame
// runs on the audio thread. A real frame goes in with zero imaginary parts,
// and the two real resyntheses come out of one inverse transform as its real
// and imaginary parts.
void SpectralPitchShifter::processFFTFrame() noexcept
{
    // Analysis, oldest sample first.
    for (int i = 0; i < kFrameSize; ++i)
        timeDomain[static_cast<size_t>(i)] = { static_cast<float>(
                                                   inputRing[static_cast<size_t>((inputWritePos + i) & kInputMask)]) *
                                                   window[static_cast<size_t>(i)],
                                               0.0f };
    fft.perform(timeDomain.data(), spectrum.data(), false);

    // Each bin's true phase advance over the hop: its centre's advance plus
    // the deviation measured from the previous frame, taken the short way round.
    for (int k = 0; k < kNumBins; ++k)
    {
        const auto b = static_cast<size_t>(k);
        const float re = spectrum[b].real();
        const float im = spectrum[b].imag();
        const float centreAdvance = static_cast<float>(k) * kHopAdvancePerBin;
        magnitude[b] = std::sqrt(re * re + im * im);
        const float phase = std::atan2(im, re);
        const float deviation = wrapPhase(phase - lastPhase[b] - centreAdvance);
        lastPhase[b] = phase;
        advance[b] = centreAdvance + deviation;
    }

    // Octave up: bin k moves to 2k turning twice as fast; the upper half of
    // the analysis has nowhere to go and odd target bins stay silent.
    std::fill(magnitudeUp.begin(), magnitudeUp.end(), 0.0f);
    std::fill(advanceUp.begin(), advanceUp.end(), 0.0f);
    for (size_t k = 0; k < kFrameSize / 4; ++k)
    {
        magnitudeUp[2 * k] = magnitude[k];
        advanceUp[2 * k] = 2.0f * advance[k];
    }

    // Octave down: even bins fold onto half their index at half the advance;
    // odd bins share their magnitude between the two neighbours.
    std::fill(magnitudeDown.begin(), magnitudeDown.end(), 0.0f);
    std::fill(advanceDown.begin(), advanceDown.end(), 0.0f);
    for (size_t k = 0; k < static_cast<size_t>(kNumBins); ++k)
    {
        if (k % 2 == 0)
        {
            magnitudeDown[k / 2] += magnitude[k];
            advanceDown[k / 2] = 0.5f * advance[k];
        }
        else
        {
            magnitudeDown[(k - 1) / 2] += 0.5f * magnitude[k];
            magnitudeDown[(k + 1) / 2] += 0.5f * magnitude[k];
        }
    }

    synthesisBins(magnitudeUp.data(), advanceUp.data(), sumPhaseUp.data(), binsUp.data());
    synthesisBins(magnitudeDown.data(), advanceDown.data(), sumPhaseDown.data(), binsDown.data());

    // Both half spectra, each extended to the conjugate-symmetric spectrum of
    // a real signal, as up + i * down. The DC and Nyquist bins of a real
    // signal are real: their imaginary parts are left out, as a real-only
    // inverse transform leaves them out.
    constexpr size_t nyquist = kNumBins - 1;
    spectrum[0] = { binsUp[0].real(), binsDown[0].real() };
    spectrum[nyquist] = { binsUp[nyquist].real(), binsDown[nyquist].real() };
    for (size_t j = 1; j < nyquist; ++j)
    {
        const Complex u = binsUp[j];
        const Complex d = binsDown[j];
        spectrum[j] = { u.real() - d.imag(), u.imag() + d.real() };
        spectrum[kFrameSize - j] = { u.real() + d.imag(), d.real() - u.imag() };
    }
    fft.perform(spectrum.data(), timeDomain.data(), true);

    for (int i = 0; i < kFrameSize; ++i)
    {
        const auto t = static_cast<size_t>(i);
        const auto r = static_cast<size_t>((outputReadPos + i) & kRingMask);
        outUp[r] += static_cast<double>(timeDomain[t].real() * window[t] * kOverlapGain);
        outDown[r] += static_cast<double>(timeDomain[t].imag() * window[t] * kOverlapGain);
    }
}

void SpectralPitchShifter::synthesisBins(const float* binMagnitude, const float* binAdvance, float* sumPhase,
                                         Complex* bins) noexcept
{
    const float spin = 0.001f * phaseSpin;
    for (int j = 0; j < kNumBins; ++j)
    {
        // Kept within one turn: an accumulator left to grow loses the
        // fraction of a turn that matters within minutes at high bins.
        sumPhase[j] = wrapPhase(sumPhase[j] + (binAdvance[j] + spin));
        const float m = binMagnitude[j];
        bins[j] = m != 0.0f ? Complex { m * std::cos(sumPhase[j]), m * std::sin(sumPhase[j]) } : Complex {};
    }
}
