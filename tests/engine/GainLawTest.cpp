#include "GainLaw.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
struct GainCase
{
    float value;
    double expectedDb; // NAN: silence
};

class GainLaw : public testing::TestWithParam<GainCase>
{
};

TEST_P(GainLaw, MapsTheControlValueToItsGain)
{
    const auto [value, expectedDb] = GetParam();
    const double gain = velmora::gainForValue(value);
    if (std::isnan(expectedDb))
        EXPECT_EQ(gain, 0.0);
    else
        EXPECT_NEAR(20.0 * std::log10(gain), expectedDb, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Values, GainLaw,
                         testing::Values(GainCase { 0.0f, NAN }, GainCase { 0.001f, NAN }, GainCase { -0.5f, NAN },
                                         GainCase { 0.002f, 66.0 * static_cast<double>(0.002f) - 60.0 },
                                         GainCase { 0.909f, 66.0 * static_cast<double>(0.909f) - 60.0 },
                                         GainCase { 1.0f, 6.0 }));

TEST(GainLaw, UnityControlIsAboutZeroDecibels)
{
    EXPECT_NEAR(20.0 * std::log10(velmora::gainForValue(0.909f)), -0.006, 1e-5);
}
} // namespace
