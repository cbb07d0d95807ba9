#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

// The processor starts a timer on construction, which needs JUCE's message
// system; one initialiser lives for the whole test run.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
