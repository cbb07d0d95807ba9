#include "cli/CliFixture.h"

#include "velmora/CommandLine.h"

namespace
{
using velmora::test::CliTest;

class CommandLineErrors : public CliTest, public testing::WithParamInterface<velmora::test::CliCase>
{
};

TEST_P(CommandLineErrors, ExitWithStatusTwoAndSayWhy)
{
    expectFailure(GetParam(), 2);
    EXPECT_EQ(filesInFolder(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineErrors,
    testing::Values(
        velmora::test::CliCase { {}, { "no command" } },
        velmora::test::CliCase { { "fly" }, { "unknown command 'fly'" } },
        velmora::test::CliCase { { "render" }, { "needs an output file" } },
        velmora::test::CliCase { { "render", "a", "b", "c" }, { "at most two files" } },
        velmora::test::CliCase { { "render", "o.wav", "--set", "bogus=1" },
                                 { "unknown parameter 'bogus'", "mix", "char_order" } },
        velmora::test::CliCase { { "render", "o.wav", "--set", "mix" }, { "ID=VALUE" } },
        velmora::test::CliCase { { "render", "o.wav", "--set", "mix=loud" }, { "'loud' is not a number", "0 .. 1" } },
        velmora::test::CliCase { { "render", "o.wav", "--set", "mix=1.5" }, { "out of range", "Mix takes 0 .. 1" } },
        velmora::test::CliCase { { "render", "o.wav", "--set", "hpf_freq=10" }, { "out of range", "30 .. 1000" } },
        velmora::test::CliCase { { "render", "o.wav", "--set=tilt_eq=-13" }, { "out of range", "-12 .. 12" } },
        velmora::test::CliCase { { "render", "o.wav", "--set", "char_order=6" },
                                 { "out of range", "0 (Drive Dream Derez)", "5 (Derez Dream Drive)" } },
        velmora::test::CliCase { { "render", "o.wav", "--set", "char_pos=1.5" },
                                 { "not one of the values", "2 (Last)" } },
        velmora::test::CliCase { { "render", "o.wav", "--set", "shimmer_path=2" }, { "0 (off) or 1 (on)" } },
        velmora::test::CliCase { { "render", "o.wav", "--set", "mix=nan" }, { "not a number" } },
        velmora::test::CliCase { { "render", "o.wav", "--set" }, { "--set needs a value" } },
        velmora::test::CliCase { { "render", "o.wav", "--block", "0" }, { "--block", "'0'" } },
        velmora::test::CliCase { { "render", "o.wav", "--block", "64k" }, { "--block", "'64k'" } },
        velmora::test::CliCase { { "render", "o.wav", "--tail", "-1" }, { "--tail", "'-1'" } },
        velmora::test::CliCase { { "render", "o.wav", "--tail", "61" }, { "--tail", "'61'" } },
        velmora::test::CliCase { { "render", "o.wav", "--bits", "12" }, { "--bits takes 16, 24 or 32f" } },
        velmora::test::CliCase { { "render", "o.wav", "--loud" }, { "unknown option '--loud'" } },
        velmora::test::CliCase { { "params", "--xml" }, { "unknown argument '--xml'" } },
        velmora::test::CliCase { { "info", "--rate", "fast" }, { "--rate", "'fast'" } }));

TEST(CommandLine, TakesParameterValuesInTheirOwnUnitsAndChoicesByName)
{
    const auto parsed =
        velmora::cli::parseCommandLine({ "render", "in.wav", "out.wav", "--set", "mix=0.3", "--set=char_order=4",
                                         "--set", "char_pos=last", "--set", "shimmer_path=off", "--block", "64",
                                         "--tail", "2.5", "--bits", "32f", "--no-latency-compensation", "--quiet" });
    ASSERT_TRUE(std::holds_alternative<velmora::cli::Invocation>(parsed));
    const auto& r = std::get<velmora::cli::Invocation>(parsed).render;
    EXPECT_EQ(r.input, "in.wav");
    EXPECT_EQ(r.output, "out.wav");
    ASSERT_EQ(r.settings.size(), 4u);
    EXPECT_EQ(r.settings[0].id, "mix");
    EXPECT_FLOAT_EQ(r.settings[0].value, 0.3f);
    EXPECT_FLOAT_EQ(r.settings[1].value, 4.0f);
    EXPECT_FLOAT_EQ(r.settings[2].value, 2.0f);
    EXPECT_FLOAT_EQ(r.settings[3].value, 0.0f);
    EXPECT_EQ(r.blockSize, 64);
    EXPECT_EQ(r.tailSeconds, 2.5);
    EXPECT_EQ(r.bits, 32);
    EXPECT_FALSE(r.latencyCompensation);
    EXPECT_TRUE(r.quiet);
}

TEST_F(CliTest, ParamsJsonListsEveryParameterInHostOrder)
{
    const auto result = run({ "params", "--json" });
    ASSERT_EQ(result.status, 0);
    const auto json = juce::JSON::parse(juce::String(result.out));
    ASSERT_TRUE(json.isArray());
    ASSERT_EQ(json.size(), 31);
    EXPECT_EQ(json[0]["id"].toString(), "mix");
    EXPECT_EQ(json[30]["id"].toString(), "char_order");
    for (int i = 0; i < json.size(); ++i)
        for (const char* key : { "id", "name", "kind", "min", "max", "step", "skew", "default", "automatable" })
            EXPECT_TRUE(json[i].hasProperty(key)) << key << " of parameter " << i;
    EXPECT_EQ(json[28]["kind"].toString(), "choice");
    EXPECT_EQ(json[28]["choices"][2].toString(), "Last");
    EXPECT_EQ(json[27]["kind"].toString(), "bool");
    EXPECT_EQ(static_cast<bool>(json[27]["default"]), true);
    EXPECT_DOUBLE_EQ(static_cast<double>(json[0]["default"]), 0.164);
    EXPECT_EQ(static_cast<bool>(json[3]["automatable"]), false);
}

TEST_F(CliTest, InfoJsonGivesTheLatencyAtTheRate)
{
    const auto result = run({ "info", "--json", "--rate", "44100" });
    ASSERT_EQ(result.status, 0);
    const auto json = juce::JSON::parse(juce::String(result.out));
    EXPECT_EQ(json["name"].toString(), "VELMORA");
    EXPECT_EQ(static_cast<int>(json["latency"]), 221);
    EXPECT_DOUBLE_EQ(static_cast<double>(json["sampleRate"]), 44100.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(json["tail"]), 60.0);
    EXPECT_TRUE(json.hasProperty("version"));
    ASSERT_EQ(json["buses"].size(), 2);
    EXPECT_EQ(json["buses"][0]["name"].toString(), "Input");
    EXPECT_EQ(json["buses"][0]["layouts"].size(), 2);
}
} // namespace
