#pragma once

#include "presets/SignalOrder.h"

#include <cstdint>

// One factory preset. Values are in the parameters' own units. `mix` and
// `timb` are kept for the record but never applied: a preset leaves the
// dry/wet balance alone and always centres the timbre. `hiss` is the page's
// hiss switch, not a parameter; `hissP` and `satP` are the hiss and
// saturation parameters.
struct FactoryPreset
{
    const char* name;
    float mix;
    float dim;
    float exp;
    float timb;
    float asc;
    float desc;
    float drive;
    float dream;
    float shim;
    float modD;
    float modR;
    float diff;
    float damp;
    float hpf;
    float lpf;
    float duck;
    bool hiss;
    float gate;
    float tilt;
    float hissP;
    float satP;
    float wowR;
    float wowN;
    bool fP;
    bool dP;
    SignalOrder order;
    float derez;
    std::int32_t charOrder;
};
