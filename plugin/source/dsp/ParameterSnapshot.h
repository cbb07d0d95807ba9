#pragma once

// The per-block parameter values the engine reads. Its owner writes it, on the
// audio thread, immediately before every block; the engine never writes it.
// Defaults are the host parameters' defaults, with the owner's scalings.
struct ParameterSnapshot
{
    float mix = 0.164f;
    float dimension = 2.0f;
    float expanse = 3.99f;
    float timbre = 0.5f;
    float ascend = 0.0f;
    float descend = 0.0f;
    float drive = 0.2f;
    float dream = 0.304f;
    float shimmer = 0.0f; // the parameter x 0.9
    float input_gain = 0.909f;
    float output_gain = 0.909f;
    float diffusion = 1.0f;
    float damping = 0.903f * 0.8f; // the parameter x 0.8
    float mod_depth = 0.5f;
    float mod_rate = 1.0f;
    float hpf_freq = 80.0f;
    float lpf_freq = 4000.0f;
    float ducking_amount = 0.0f;
    float tilt_eq = 0.0f;
    float hiss = 0.0f;
    float saturation = 1.0f;
    float wow_rate = 0.1f;
    float wow_rnd = 1.0f;
    float derez = 0.0f;

    bool filter_path = false;
    bool dream_path = false;
    bool shimmer_path = true;
    int char_pos = 0;   // 0 first, 1 middle, 2 last
    int char_order = 0; // row of the character order table, 0..5
};
