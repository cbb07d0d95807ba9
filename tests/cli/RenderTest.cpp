#include "cli/CliFixture.h"

#include <cmath>

namespace
{
using velmora::test::CliTest;

constexpr double kRate = 48000.0;

std::vector<float> impulseAt(size_t length, size_t at, float level)
{
    std::vector<float> x(length, 0.0f);
    x[at] = level;
    return x;
}

int peakIndex(const juce::AudioBuffer<float>& b, int channel)
{
    int best = 0;
    for (int i = 0; i < b.getNumSamples(); ++i)
        if (std::abs(b.getSample(channel, i)) > std::abs(b.getSample(channel, best)))
            best = i;
    return best;
}

TEST_F(CliTest, RenderLinesTheOutputUpWithTheInputAndAddsTheTail)
{
    const auto impulse = impulseAt(24000, 4800, 0.5f);
    writeWav("in.wav", { impulse, impulse }, kRate);

    const auto result =
        run({ "render", path("in.wav"), path("out.wav"), "--set", "mix=0", "--tail", "0.25", "--bits", "32f" });
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("out.wav"), std::string::npos);

    double rate = 0.0;
    const auto out = readWav("out.wav", &rate);
    EXPECT_EQ(rate, kRate);
    ASSERT_EQ(out.getNumChannels(), 2);
    EXPECT_EQ(out.getNumSamples(), 24000 + 12000);
    EXPECT_EQ(peakIndex(out, 0), 4800);
    EXPECT_EQ(peakIndex(out, 1), 4800);
    EXPECT_NEAR(out.getSample(0, 4800), 0.5 * std::pow(10.0, -0.012 / 20.0), 1e-4);
}

TEST_F(CliTest, RenderCanKeepTheLatency)
{
    const auto impulse = impulseAt(9600, 4800, 0.5f);
    writeWav("in.wav", { impulse, impulse }, kRate);
    const auto result = run({ "render", path("in.wav"), path("out.wav"), "--set", "mix=0", "--tail", "0",
                              "--no-latency-compensation", "--quiet" });
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(result.out.empty());
    const auto out = readWav("out.wav");
    EXPECT_EQ(out.getNumSamples(), 9600);
    EXPECT_EQ(peakIndex(out, 0), 4800 + 240);
}

TEST_F(CliTest, AnAutomaticTailEndsWhereTheSoundDoes)
{
    const auto impulse = impulseAt(24000, 4800, 0.5f);
    writeWav("in.wav", { impulse, impulse }, kRate);
    const auto result = run({ "render", path("in.wav"), path("out.wav"), "--set", "mix=0", "--block", "333" });
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readWav("out.wav").getNumSamples(), 24000) << "a dry render has nothing after the input";
}

TEST_F(CliTest, AMonoFileIsRenderedToStereo)
{
    writeWav("mono.wav", { impulseAt(9600, 100, 0.5f) }, 44100.0);
    const auto result = run({ "render", path("mono.wav"), path("out.wav"), "--set", "mix=0", "--tail", "0.1" });
    ASSERT_EQ(result.status, 0) << result.err;
    double rate = 0.0;
    const auto out = readWav("out.wav", &rate);
    EXPECT_EQ(rate, 44100.0);
    ASSERT_EQ(out.getNumChannels(), 2);
    EXPECT_EQ(out.getNumSamples(), 9600 + 4410);
    for (int i = 0; i < out.getNumSamples(); ++i)
        ASSERT_EQ(out.getSample(0, i), out.getSample(1, i));
}

TEST_F(CliTest, WithoutAnInputRendersTheDemo)
{
    const auto result = run({ "render", path("demo.wav"), "--tail", "1", "--bits", "16" });
    ASSERT_EQ(result.status, 0) << result.err;
    double rate = 0.0;
    const auto out = readWav("demo.wav", &rate);
    EXPECT_EQ(rate, 48000.0);
    EXPECT_EQ(out.getNumChannels(), 2);
    EXPECT_GT(out.getNumSamples(), 5 * 48000);
    EXPECT_GT(out.getMagnitude(0, out.getNumSamples()), 0.1f);
}

// Every random generator in the signal path is seeded, so a render can be
// reproduced exactly: the same input and settings give the same file.
TEST_F(CliTest, RendersAreRepeatableBitForBit)
{
    const std::vector<std::string> settings = { "--set", "dream=1",    "--set", "hiss=0.6",    "--set",  "derez=0.3",
                                                "--set", "ascend=0.5", "--set", "shimmer=0.6", "--tail", "1" };
    for (const char* name : { "a.wav", "b.wav" })
    {
        std::vector<std::string> args = { "render", path(name) };
        args.insert(args.end(), settings.begin(), settings.end());
        const auto result = run(args);
        ASSERT_EQ(result.status, 0) << result.err;
    }
    juce::MemoryBlock a, b;
    ASSERT_TRUE(folder.getChildFile("a.wav").loadFileAsData(a));
    ASSERT_TRUE(folder.getChildFile("b.wav").loadFileAsData(b));
    EXPECT_GT(a.getSize(), 48000u * 6u);
    EXPECT_TRUE(a == b) << "two renders of the same input and settings differ";
}

struct FileProblem
{
    const char* what;
    std::vector<std::string> args; // "@name" is a file in the scratch folder
    std::vector<std::string> messageParts;
};

class RenderFileErrors : public CliTest, public testing::WithParamInterface<FileProblem>
{
};

TEST_P(RenderFileErrors, ExitWithStatusOneNamingTheFileAndLeaveNothingBehind)
{
    folder.getChildFile("notes.txt").replaceWithText("not audio at all");
    const int before = filesInFolder();
    expectFailure({ GetParam().args, GetParam().messageParts }, 1);
    EXPECT_EQ(filesInFolder(), before) << "a failed render left a file behind";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderFileErrors,
    testing::Values(
        FileProblem { "missing input", { "render", "@absent.wav", "@out.wav" }, { "absent.wav", "no such file" } },
        FileProblem { "not audio", { "render", "@notes.txt", "@out.wav" }, { "notes.txt", "not a WAV" } },
        FileProblem { "input is a folder", { "render", "@", "@out.wav" }, { "folder" } },
        FileProblem { "output folder missing", { "render", "@nowhere/out.wav" }, { "nowhere", "does not exist" } },
        FileProblem { "output is a folder", { "render", "@" }, { "is a folder" } }),
    [](const auto& testInfo)
    {
        std::string name = testInfo.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });
} // namespace
