#include "Ducker.h"
#include "OnePole.h"

#include <algorithm>
#include <cmath>

int Ducker::lookaheadForRate(double rate)
{
    return std::max(1, static_cast<int>(std::lround(kLookaheadSeconds * rate)));
}

void Ducker::prepare(double rate)
{
    sampleRate = rate;
    envAttack = velmora::one_pole::forSeconds(0.0005, rate);
    envRelease = velmora::one_pole::forSeconds(0.005, rate);
    fastAttack = velmora::one_pole::forSeconds(0.001, rate);
    fastRelease = velmora::one_pole::forSeconds(0.1, rate);
    slowAttack = velmora::one_pole::forSeconds(0.21, rate);
    slowRelease = velmora::one_pole::forSeconds(0.66, rate);
    ratio = 0.95;
    maxReductionDb = 0.0;
    lookahead = lookaheadForRate(rate);
    lineSize = lookahead + 4;
    lineLeft.assign(static_cast<size_t>(lineSize), 0.0);
    lineRight.assign(static_cast<size_t>(lineSize), 0.0);
    envelope = fastReduction = slowReduction = 0.0;
    writePos = 0;
}

void Ducker::reset()
{
    envelope = fastReduction = slowReduction = 0.0;
    writePos = 0;
    std::fill(lineLeft.begin(), lineLeft.end(), 0.0);
    std::fill(lineRight.begin(), lineRight.end(), 0.0);
}

double Ducker::targetReductionDb(double keyEnvelope) const
{
    const double level = 20.0 * std::log10(std::max(keyEnvelope, 0.000001)) + 60.0;
    double t = 0.0;
    if (level <= -12.0)
        t = 0.0;
    else if (level >= 12.0)
        t = ratio * level;
    else
        t = (level + 12.0) * (level + 12.0) * ratio / 48.0;
    return std::min(maxReductionDb, t);
}

void Ducker::process(const double* keyLeft, const double* keyRight, double* wetLeft, double* wetRight, int numSamples,
                     float amount)
{
    if (lineLeft.empty())
        return;

    maxReductionDb = amount < 0.0f ? 0.0 : 36.0 * std::min(1.0, static_cast<double>(amount));
    const bool reducing = maxReductionDb > 0.0001;

    for (int i = 0; i < numSamples; ++i)
    {
        const double key = std::max(std::abs(keyLeft[i]), std::abs(keyRight[i]));
        const double ce = key > envelope ? envAttack : envRelease;
        envelope = ce * envelope + (1.0 - ce) * key;

        int readPos = writePos - lookahead;
        if (readPos < 0)
            readPos += lineSize;
        const double delayedLeft = lineLeft[static_cast<size_t>(readPos)];
        const double delayedRight = lineRight[static_cast<size_t>(readPos)];
        lineLeft[static_cast<size_t>(writePos)] = wetLeft[i];
        lineRight[static_cast<size_t>(writePos)] = wetRight[i];
        if (++writePos >= lineSize)
            writePos = 0;

        const double target = reducing ? targetReductionDb(envelope) : 0.0;
        const double cf = target > fastReduction ? fastAttack : fastRelease;
        fastReduction = cf * fastReduction + (1.0 - cf) * target;
        const double cs = target > slowReduction ? slowAttack : slowRelease;
        slowReduction = cs * slowReduction + (1.0 - cs) * target;

        const double reduction = std::max(fastReduction, slowReduction);
        const double gain = reduction > 0.0 ? std::pow(10.0, -reduction / 20.0) : 1.0;
        wetLeft[i] = gain * delayedLeft;
        wetRight[i] = gain * delayedRight;
    }
}
