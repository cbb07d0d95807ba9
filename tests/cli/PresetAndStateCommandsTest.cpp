#include "cli/CliFixture.h"

#include "ParameterTable.h"

#include <algorithm>

namespace
{
using velmora::test::CliTest;

juce::var parseJson(const std::string& text)
{
    return juce::JSON::parse(juce::String::fromUTF8(text.c_str()));
}

juce::File fixture(const char* name)
{
    return juce::File(VELMORA_TEST_DATA_DIR).getChildFile("fixtures/state").getChildFile(name);
}

TEST_F(CliTest, PresetsJsonListsIndexNameAndFolder)
{
    const auto result = run({ "presets", "--json" });
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = parseJson(result.out);
    ASSERT_TRUE(json.isArray());
    ASSERT_EQ(json.size(), 23);
    for (int i = 0; i < json.size(); ++i)
    {
        EXPECT_EQ(static_cast<int>(json[i]["index"]), i);
        EXPECT_TRUE(json[i]["name"].isString());
        EXPECT_TRUE(json[i]["folder"].isString());
    }
    EXPECT_EQ(json[0]["name"].toString(), "Default");
    EXPECT_EQ(json[0]["folder"].toString(), "");
    EXPECT_EQ(json[13]["name"].toString(), "VHS Tape");
    EXPECT_EQ(json[13]["folder"].toString(), "Tape & Lo-Fi");
    EXPECT_EQ(json[1]["folder"].toString(), "Spaces");
}

TEST_F(CliTest, PresetsTextShowsEveryPreset)
{
    const auto result = run({ "presets" });
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 24);
    EXPECT_NE(result.out.find("Half Remembered"), std::string::npos);
}

TEST_F(CliTest, StateMakeThenDumpShowsThePresetWithTheSettingsOnTop)
{
    const auto made =
        run({ "state", "make", path("s.bin"), "--set", "char_order=1", "--preset", "vhs TAPE", "--set", "mix=0.25" });
    ASSERT_EQ(made.status, 0) << made.err;

    const auto dumped = run({ "state", "dump", path("s.bin"), "--json" });
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    const auto json = parseJson(dumped.out);
    const auto& parameters = json["parameters"];
    ASSERT_TRUE(parameters.isObject());
    for (const auto* id : velmora::params::kOrderedIds)
        EXPECT_TRUE(parameters.hasProperty(id)) << id;
    EXPECT_EQ(parameters.getDynamicObject()->getProperties().size(), 31);

    EXPECT_NEAR(static_cast<double>(parameters["mix"]), 0.25, 1e-6);
    EXPECT_NEAR(static_cast<double>(parameters["gate"]), -65.6, 1e-4);
    EXPECT_EQ(static_cast<double>(parameters["char_order"]), 1.0) << "a --set wins over the preset";
    EXPECT_EQ(static_cast<double>(parameters["dream_path"]), 1.0);

    const auto& fields = json["fields"];
    EXPECT_EQ(fields.getDynamicObject()->getProperties().size(), 7);
    EXPECT_TRUE(static_cast<bool>(fields["hissEnabled"]));
    EXPECT_TRUE(fields["hissEnabled"].isBool());
    EXPECT_EQ(static_cast<int>(fields["presetIndex"]), 13);
    for (const char* key : { "autoGainEnabled", "ascendDescendLinked", "advancedOpen" })
        EXPECT_TRUE(fields[key].isBool()) << key;
    for (const char* key : { "editorWidth", "editorHeight" })
        EXPECT_EQ(static_cast<int>(fields[key]), 0) << key;
}

TEST_F(CliTest, StateDumpShowsWhatAHostGetsFromAnOlderState)
{
    const auto result =
        run({ "state", "dump", fixture("legacy-ostrel.bin").getFullPathName().toStdString(), "--json" });
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = parseJson(result.out);
    EXPECT_NEAR(static_cast<double>(json["parameters"]["mix"]), 0.42, 1e-6);
    EXPECT_NEAR(static_cast<double>(json["parameters"]["hiss"]), 1.0, 1e-6);
    EXPECT_NEAR(static_cast<double>(json["parameters"]["saturation"]), 0.75, 1e-6);
    EXPECT_EQ(static_cast<double>(json["parameters"]["char_pos"]), 2.0);
    EXPECT_EQ(static_cast<int>(json["fields"]["presetIndex"]), 4);
}

TEST_F(CliTest, StateDumpTextNamesChoicesAndFields)
{
    const auto result = run({ "state", "dump", fixture("current.bin").getFullPathName().toStdString() });
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* part : { "char_order", "4 (Derez Drive Dream)", "char_pos", "1 (Middle)", "editorWidth", "1200",
                              "hissEnabled", "false" })
        EXPECT_NE(result.out.find(part), std::string::npos) << part;
}

TEST_F(CliTest, RenderLoadsAStateAppliesThePresetAndSettingsAndSavesTheResult)
{
    std::vector<float> impulse(9600, 0.0f);
    impulse[4800] = 0.5f;
    writeWav("in.wav", { impulse, impulse }, 48000.0);
    ASSERT_EQ(run({ "state", "make", path("start.bin"), "--set", "mix=0.8", "--set", "derez=0.4" }).status, 0);

    const auto result =
        run({ "render", path("in.wav"), path("out.wav"), "--state-in", path("start.bin"), "--preset", "13", "--set",
              "mix=0", "--set", "dream_path=0", "--tail", "0", "--state-out", path("end.bin") });
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("end.bin"), std::string::npos);

    // mix=0 won over the state's 0.8, and the dream stage is kept off the dry
    // path: the output is the dry impulse.
    const auto out = readWav("out.wav");
    ASSERT_EQ(out.getNumSamples(), 9600);
    EXPECT_NEAR(out.getSample(0, 4800), 0.5f, 0.01f);

    const auto json = parseJson(run({ "state", "dump", path("end.bin"), "--json" }).out);
    EXPECT_EQ(static_cast<double>(json["parameters"]["mix"]), 0.0);
    EXPECT_EQ(static_cast<double>(json["parameters"]["derez"]), 0.0) << "the preset replaced the state's derez";
    EXPECT_EQ(static_cast<int>(json["fields"]["presetIndex"]), 13);
}

struct StateFileProblem
{
    const char* what;
    std::vector<std::string> args; // "@name" is a file in the scratch folder
    std::vector<std::string> messageParts;
};

class StateFileErrors : public CliTest, public testing::WithParamInterface<StateFileProblem>
{
};

TEST_P(StateFileErrors, ExitWithStatusOneAndWriteNothing)
{
    folder.getChildFile("junk.bin").replaceWithText("VC2! but not a state");
    std::vector<float> impulse(4800, 0.0f);
    writeWav("in.wav", { impulse, impulse }, 48000.0);
    const int before = filesInFolder();
    expectFailure({ GetParam().args, GetParam().messageParts }, 1);
    EXPECT_EQ(filesInFolder(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StateFileErrors,
    testing::Values(
        StateFileProblem {
            "dump of an unusable blob", { "state", "dump", "@junk.bin" }, { "junk.bin", "not a usable" } },
        StateFileProblem { "dump of a missing file", { "state", "dump", "@absent.bin" }, { "absent.bin", "no such" } },
        StateFileProblem { "dump of a folder", { "state", "dump", "@" }, { "folder" } },
        StateFileProblem { "make into a missing folder", { "state", "make", "@nowhere/s.bin" }, { "does not exist" } },
        StateFileProblem { "render from an unusable state",
                           { "render", "@in.wav", "@out.wav", "--state-in", "@junk.bin" },
                           { "junk.bin", "not a usable" } },
        StateFileProblem { "render saving into a missing folder",
                           { "render", "@in.wav", "@out.wav", "--state-out", "@nowhere/s.bin" },
                           { "does not exist" } }),
    [](const auto& testInfo)
    {
        std::string name = testInfo.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

class StateArgumentErrors : public CliTest, public testing::WithParamInterface<velmora::test::CliCase>
{
};

TEST_P(StateArgumentErrors, ExitWithStatusTwoAndSayWhy)
{
    expectFailure(GetParam(), 2);
    EXPECT_EQ(filesInFolder(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StateArgumentErrors,
    testing::Values(
        velmora::test::CliCase { { "render", "o.wav", "--preset", "23" }, { "no factory preset '23'", "0 to 22" } },
        velmora::test::CliCase { { "render", "o.wav", "--preset", "-1" }, { "no factory preset '-1'" } },
        velmora::test::CliCase { { "render", "o.wav", "--preset", "Cathedral" }, { "no factory preset 'Cathedral'" } },
        velmora::test::CliCase { { "render", "o.wav", "--preset" }, { "--preset needs a value" } },
        velmora::test::CliCase { { "render", "o.wav", "--state-in" }, { "--state-in needs a value" } },
        velmora::test::CliCase { { "render", "o.wav", "--state-out=" }, { "--state-out needs a value" } },
        velmora::test::CliCase { { "presets", "--all" }, { "presets: unknown argument '--all'" } },
        velmora::test::CliCase { { "state" }, { "dump or make" } },
        velmora::test::CliCase { { "state", "print", "x" }, { "unknown subcommand 'print'" } },
        velmora::test::CliCase { { "state", "dump" }, { "one state file" } },
        velmora::test::CliCase { { "state", "dump", "a", "b" }, { "one state file" } },
        velmora::test::CliCase { { "state", "dump", "a", "--xml" }, { "unknown option '--xml'" } },
        velmora::test::CliCase { { "state", "make" }, { "one output file" } },
        velmora::test::CliCase { { "state", "make", "s.bin", "--set", "mix=2" }, { "out of range" } },
        velmora::test::CliCase { { "state", "make", "s.bin", "--preset", "99" }, { "no factory preset" } }));

} // namespace
