#include "support/ProcessorHelpers.h"

#include "ParameterTable.h"
#include "PluginProcessor.h"
#include "state/PageFields.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <optional>

namespace
{
using namespace velmora::test;
using velmora::state::PageFields;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

// Parameters round trip through the normalised range, so a skewed one may
// come back an ulp or two away.
void expectValue(VelmoraProcessor& p, const std::string& id, float expected)
{
    EXPECT_NEAR(parameterValue(p, id), expected, 1e-5f * std::max(1.0f, std::abs(expected))) << id;
}

void expectSameParameters(const std::map<std::string, float>& actual, const std::map<std::string, float>& expected)
{
    for (const auto& [id, value] : expected)
        EXPECT_NEAR(actual.at(id), value, 1e-5f * std::max(1.0f, std::abs(value))) << id;
}

// A value other than the default, inside the range, for every parameter.
void setEveryParameterAwayFromItsDefault(VelmoraProcessor& p)
{
    for (const auto& spec : velmora::params::kParameterSpecs)
    {
        const float away = spec.kind == velmora::params::Kind::Float
                               ? spec.min + (spec.max - spec.min) * (spec.defaultValue > spec.min ? 0.1f : 0.7f)
                               : (spec.defaultValue >= 1.0f ? 0.0f : spec.max);
        setParameter(p, spec.id, away);
    }
}

const PageFields kUnusualFields { false, 17, true, true, 1234, 777, true };

juce::MemoryBlock readFile(const juce::File& file)
{
    juce::MemoryBlock data;
    file.loadFileAsData(data);
    return data;
}

juce::File testData(const char* relative)
{
    return juce::File(VELMORA_TEST_DATA_DIR).getChildFile(relative);
}

std::string textOf(const juce::MemoryBlock& blob)
{
    return std::string(static_cast<const char*>(blob.getData()) + 8, blob.getSize() - 9);
}

// ---- saving -----------------------------------------------------------------

TEST(StateSaving, WritesTheEnvelopeAroundOneLineOfXml)
{
    VelmoraProcessor p;
    p.setPageFields(kUnusualFields);
    const auto blob = saveState(p);
    const auto* bytes = static_cast<const unsigned char*>(blob.getData());

    ASSERT_GT(blob.getSize(), 9u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 4), "VC2!");
    const auto length = static_cast<std::size_t>(bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (bytes[7] << 24));
    EXPECT_EQ(length, blob.getSize() - 9);
    EXPECT_EQ(bytes[blob.getSize() - 1], 0);

    const auto text = textOf(blob);
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_TRUE(text.starts_with(std::string(kDeclaration) + "<VelmoraParameters hissEnabled=\"0\" presetIndex=\"17\" "
                                                             "autoGainEnabled=\"1\" ascendDescendLinked=\"1\" "
                                                             "editorWidth=\"1234\" editorHeight=\"777\" "
                                                             "advancedOpen=\"1\" paramSchema=\"141\">"))
        << text.substr(0, 300);
    EXPECT_TRUE(text.ends_with("</VelmoraParameters>"));

    for (const auto* id : velmora::params::kOrderedIds)
        EXPECT_NE(text.find("<PARAM id=\"" + std::string(id) + "\" value=\""), std::string::npos) << id;
}

// The exact bytes of a fresh instance's state. To accept a deliberate change,
// run the test binary with VELMORA_REGENERATE_GOLDEN=1 and review the diff of
// tests/golden/fresh-state.bin.
TEST(StateSaving, AFreshInstanceSavesTheGoldenBlob)
{
    VelmoraProcessor p;
    const auto blob = saveState(p);
    const auto golden = testData("golden/fresh-state.bin");

    if (std::getenv("VELMORA_REGENERATE_GOLDEN") != nullptr)
    {
        ASSERT_TRUE(golden.replaceWithData(blob.getData(), blob.getSize()));
        GTEST_SKIP() << "rewrote " << golden.getFullPathName();
    }

    ASSERT_TRUE(golden.existsAsFile()) << golden.getFullPathName();
    const auto expected = readFile(golden);
    EXPECT_EQ(blob, expected) << "saved:\n" << textOf(blob) << "\ngolden:\n" << textOf(expected);
}

TEST(StateSaving, ReplacesWhatTheDestinationHeld)
{
    VelmoraProcessor p;
    juce::MemoryBlock destination(5000, true);
    p.getStateInformation(destination);
    EXPECT_EQ(destination, saveState(p));
}

// ---- round trips --------------------------------------------------------------

TEST(StateRoundTrip, AFreshInstanceIsReproducedInAChangedOne)
{
    VelmoraProcessor fresh;
    const auto defaults = allParameterValues(fresh);
    const auto blob = saveState(fresh);

    VelmoraProcessor other;
    setEveryParameterAwayFromItsDefault(other);
    other.setPageFields(kUnusualFields);
    loadState(other, blob);

    expectSameParameters(allParameterValues(other), defaults);
    EXPECT_EQ(other.getPageFields(), fresh.getPageFields());
}

TEST(StateRoundTrip, EveryParameterAndPageFieldSurvives)
{
    VelmoraProcessor source;
    setEveryParameterAwayFromItsDefault(source);
    source.setPageFields(kUnusualFields);
    const auto values = allParameterValues(source);
    const auto blob = saveState(source);

    VelmoraProcessor restored;
    loadState(restored, blob);
    expectSameParameters(allParameterValues(restored), values);
    EXPECT_EQ(restored.getPageFields(), kUnusualFields);

    // And saving again gives the same bytes: loading adds nothing.
    EXPECT_EQ(saveState(restored), blob);
}

// ---- loading older and odd states -------------------------------------------

struct LoadCase
{
    const char* name;
    std::string document; // the text after the declaration
    std::map<std::string, float> expected;
    std::function<void(VelmoraProcessor&)> before = {};
    std::optional<PageFields> fields = std::nullopt;
};

class StateLoading : public testing::TestWithParam<LoadCase>
{
};

TEST_P(StateLoading, GivesTheMigratedValues)
{
    const auto& c = GetParam();
    VelmoraProcessor p;
    if (c.before)
        c.before(p);
    loadState(p, wrapText(std::string(kDeclaration) + c.document));

    for (const auto& [id, value] : c.expected)
        expectValue(p, id, value);
    if (c.fields)
    {
        EXPECT_EQ(p.getPageFields(), *c.fields);
    }
}

std::string params(std::initializer_list<std::pair<const char*, const char*>> pairs)
{
    std::string s;
    for (const auto& [id, value] : pairs)
        s += std::string("<PARAM id=\"") + id + "\" value=\"" + value + "\"/>";
    return s;
}

const auto kHissAt = [](float hiss) { return [hiss](VelmoraProcessor& p) { setParameter(p, "hiss", hiss); }; };

INSTANTIATE_TEST_SUITE_P(
    Cases, StateLoading,
    testing::Values(
        LoadCase { "NoPageAttributesMeansHissOnAndEverythingElseOff",
                   "<VelmoraParameters paramSchema=\"141\">" + params({ { "mix", "0.3" } }) + "</VelmoraParameters>",
                   { { "mix", 0.3f } },
                   [](VelmoraProcessor& p) { p.setPageFields(kUnusualFields); },
                   PageFields { true, 0, false, false, 0, 0, false } },
        LoadCase { "UnnumberedStateRescalesHissAndSaturation",
                   "<VelmoraParameters>" + params({ { "hiss", "0" }, { "saturation", "0.5" } }) +
                       "</VelmoraParameters>",
                   { { "hiss", 1.0f }, { "saturation", 0.75f } } },
        LoadCase { "CurrentSchemaKeepsHissAndSaturation",
                   "<VelmoraParameters paramSchema=\"141\">" + params({ { "hiss", "0" }, { "saturation", "0.5" } }) +
                       "</VelmoraParameters>",
                   { { "hiss", 0.0f }, { "saturation", 0.5f } } },
        LoadCase { "AnOlderSchemaNumberIsRescaled",
                   "<VelmoraParameters paramSchema=\"140\">" + params({ { "hiss", "0.2" }, { "saturation", "0" } }) +
                       "</VelmoraParameters>",
                   { { "hiss", 0.6f }, { "saturation", 1.0f } } },
        LoadCase { "AnOldScaledStateWithoutHissGetsFullHiss",
                   "<VelmoraParameters>" + params({ { "mix", "0.2" } }) + "</VelmoraParameters>",
                   { { "hiss", 1.0f } },
                   kHissAt(0.3f) },
        LoadCase { "ACurrentStateWithoutHissKeepsTheCurrentHiss",
                   "<VelmoraParameters paramSchema=\"141\">" + params({ { "mix", "0.2" } }) + "</VelmoraParameters>",
                   { { "hiss", 0.3f } },
                   kHissAt(0.3f) },
        LoadCase { "MissingRoutingParametersMeanCharacterLastAndShimmerOnTop",
                   "<VelmoraParameters paramSchema=\"141\">" + params({ { "mix", "0.2" } }) + "</VelmoraParameters>",
                   { { "shimmer_path", 0.0f }, { "char_pos", 2.0f }, { "derez", 0.0f }, { "char_order", 0.0f } },
                   [](VelmoraProcessor& p)
                   {
                       setParameter(p, "shimmer_path", 1.0f);
                       setParameter(p, "char_pos", 0.0f);
                       setParameter(p, "derez", 0.5f);
                       setParameter(p, "char_order", 3.0f);
                   } },
        LoadCase { "TheFormerRootTag",
                   "<OstrelParameters>" +
                       params({ { "immersion", "0.42" }, { "distance", "3.5" }, { "glow", "0.61" } }) +
                       "</OstrelParameters>",
                   { { "mix", 0.42f }, { "dimension", 3.5f }, { "drive", 0.61f } } },
        LoadCase { "TheFormerRootTagInCapitals",
                   "<OSTRELPARAMETERS>" +
                       params({ { "immersion", "0.42" }, { "distance", "3.5" }, { "glow", "0.61" } }) +
                       "</OSTRELPARAMETERS>",
                   { { "mix", 0.42f }, { "dimension", 3.5f }, { "drive", 0.61f } } },
        LoadCase { "TheFormerRootTagInLowerCase",
                   "<ostrelparameters>" +
                       params({ { "immersion", "0.42" }, { "distance", "3.5" }, { "glow", "0.61" } }) +
                       "</ostrelparameters>",
                   { { "mix", 0.42f }, { "dimension", 3.5f }, { "drive", 0.61f } } },
        LoadCase { "TodaysRootTagInAnyCase",
                   "<velmoraPARAMETERS paramSchema=\"141\">" + params({ { "mix", "0.33" } }) + "</velmoraPARAMETERS>",
                   { { "mix", 0.33f } } },
        LoadCase { "DriftModBecomesDream",
                   "<VelmoraParameters paramSchema=\"141\">" + params({ { "drift_mod", "0.11" } }) +
                       "</VelmoraParameters>",
                   { { "dream", 0.11f } } },
        LoadCase { "ReverieModBecomesDream",
                   "<VelmoraParameters paramSchema=\"141\">" + params({ { "reverie_mod", "0.22" } }) +
                       "</VelmoraParameters>",
                   { { "dream", 0.22f } } },
        LoadCase { "DriftBecomesDream",
                   "<VelmoraParameters paramSchema=\"141\">" + params({ { "drift", "0.33" } }) + "</VelmoraParameters>",
                   { { "dream", 0.33f } } },
        LoadCase { "ALaterDuplicateWins",
                   "<VelmoraParameters paramSchema=\"141\">" +
                       params({ { "drift", "0.2" }, { "drift_mod", "0.7" }, { "mix", "0.9" }, { "mix", "0.4" } }) +
                       "</VelmoraParameters>",
                   { { "dream", 0.7f }, { "mix", 0.4f } } },
        LoadCase { "ARenamedIdentifierIsNotRescaled",
                   "<VelmoraParameters>" + params({ { "glow", "0" }, { "hiss", "0.5" } }) + "</VelmoraParameters>",
                   { { "drive", 0.0f }, { "hiss", 0.75f } } },
        LoadCase { "ValuesOutsideTheirRangesAreBroughtIn",
                   "<VelmoraParameters paramSchema=\"141\">" +
                       params({ { "gate", "-100" },
                                { "char_order", "9" },
                                { "char_pos", "-3" },
                                { "hpf_freq", "garbage" },
                                { "mix", "inf" },
                                { "tilt_eq", "-inf" },
                                { "expanse", "1e999" },
                                { "lpf_freq", "12345.6abc" } }) +
                       "</VelmoraParameters>",
                   { { "gate", -81.0f },
                     { "char_order", 5.0f },
                     { "char_pos", 0.0f },
                     { "hpf_freq", 30.0f },
                     { "mix", 1.0f },
                     { "tilt_eq", -12.0f },
                     { "expanse", 40.0f },
                     { "lpf_freq", 12346.0f } } },
        LoadCase { "AValueThatIsNotANumberKeepsTheCurrentValue",
                   "<VelmoraParameters paramSchema=\"141\">" +
                       params({ { "dimension", "nan" }, { "hiss", "NaN" }, { "mix", "0.5" } }) + "</VelmoraParameters>",
                   { { "dimension", 3.3f }, { "hiss", 0.4f }, { "mix", 0.5f } },
                   [](VelmoraProcessor& p)
                   {
                       setParameter(p, "dimension", 3.3f);
                       setParameter(p, "hiss", 0.4f);
                   } },
        LoadCase { "AnOldScaledValueThatIsNotANumberKeepsTheCurrentValue",
                   "<VelmoraParameters>" + params({ { "saturation", "nan" } }) + "</VelmoraParameters>",
                   { { "saturation", 0.3f } },
                   [](VelmoraProcessor& p) { setParameter(p, "saturation", 0.3f); } },
        LoadCase { "AParameterWithoutAValueGetsItsDefault",
                   "<VelmoraParameters paramSchema=\"141\"><PARAM id=\"mix\"/></VelmoraParameters>",
                   { { "mix", 0.164f } },
                   [](VelmoraProcessor& p) { setParameter(p, "mix", 0.8f); } },
        LoadCase { "PageAttributesAreReadAsLeadingIntegers",
                   "<VelmoraParameters hissEnabled=\"yes\" presetIndex=\" 7abc\" autoGainEnabled=\"2\" "
                   "ascendDescendLinked=\"\" editorWidth=\"99999999999\" editorHeight=\"-40\" advancedOpen=\"0x1\" "
                   "paramSchema=\"141\"/>",
                   {},
                   {},
                   PageFields { false, 7, true, false, INT_MAX, -40, false } },
        LoadCase { "EscapedTextIsUnderstood",
                   "<VelmoraParameters paramSchema=\"141\"><PARAM id=\"m&#105;x\" value=\"&#x30;.25\"/>"
                   "<!-- a comment --><PARAM id='dream' value='0.6'></PARAM><![CDATA[<PARAM id=\"mix\" "
                   "value=\"1\"/>]]></VelmoraParameters>",
                   { { "mix", 0.25f }, { "dream", 0.6f } } },
        LoadCase { "UnknownChildrenAndNestingWithinReasonAreHarmless",
                   "<VelmoraParameters paramSchema=\"141\"><Extra><A><B><C><D/></C></B></A></Extra>" +
                       params({ { "mix", "0.45" }, { "no_such_parameter", "7" } }) + "</VelmoraParameters>",
                   { { "mix", 0.45f } } }),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(StateLoading, DropsTheRetiredMidiMappings)
{
    VelmoraProcessor p;
    loadState(p, wrapText(std::string(kDeclaration) +
                          "<OstrelParameters directMidi=\"1\"><PARAM id=\"immersion\" value=\"0.5\"/>"
                          "<MidiMappings><Mapping cc=\"1\"><Curve/></Mapping></MidiMappings>"
                          "<midimappings/></OstrelParameters>"));
    expectValue(p, "mix", 0.5f);

    const auto saved = textOf(saveState(p));
    EXPECT_EQ(saved.find("Midi"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("midi"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Ostrel"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<VelmoraParameters "), std::string::npos) << saved;
}

TEST(StateLoading, ALaterDuplicateWinsAmongThousands)
{
    std::string document = "<VelmoraParameters paramSchema=\"141\">";
    for (int i = 0; i < 20000; ++i)
        document += params({ { "mix", i % 2 == 0 ? "0.1" : "0.2" } });
    document += params({ { "mix", "0.7" } }) + "</VelmoraParameters>";

    VelmoraProcessor p;
    loadState(p, wrapText(std::string(kDeclaration) + document));
    expectValue(p, "mix", 0.7f);
}

struct FixtureCase
{
    const char* file;
    std::map<std::string, float> expected;
    PageFields fields;
};

class StateFixtures : public testing::TestWithParam<FixtureCase>
{
};

TEST_P(StateFixtures, LoadAsTheirVersionMeantThem)
{
    const auto& c = GetParam();
    const auto blob = readFile(testData(c.file));
    ASSERT_GT(blob.getSize(), 9u) << c.file;

    VelmoraProcessor p;
    setEveryParameterAwayFromItsDefault(p);
    p.setPageFields(kUnusualFields);
    loadState(p, blob);

    for (const auto& [id, value] : c.expected)
        expectValue(p, id, value);
    EXPECT_EQ(p.getPageFields(), c.fields);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, StateFixtures,
    testing::Values(FixtureCase { "fixtures/state/current.bin",
                                  { { "mix", 0.25f },
                                    { "input_gain", 0.8f },
                                    { "output_gain", 0.95f },
                                    { "early_mod", 0.1f },
                                    { "saturation", 0.6f },
                                    { "gate", -65.6f },
                                    { "char_pos", 1.0f },
                                    { "char_order", 4.0f },
                                    { "derez", 0.3f } },
                                  { false, 13, true, true, 1200, 953, true } },
                    FixtureCase { "fixtures/state/legacy-ostrel.bin",
                                  { { "mix", 0.42f },
                                    { "dimension", 3.5f },
                                    { "drive", 0.61f },
                                    { "dream", 0.45f },
                                    { "expanse", 12.5f },
                                    { "hiss", 1.0f },
                                    { "saturation", 0.75f },
                                    { "shimmer_path", 0.0f },
                                    { "char_pos", 2.0f },
                                    { "derez", 0.0f },
                                    { "char_order", 0.0f } },
                                  { true, 4, false, false, 0, 0, false } },
                    FixtureCase { "fixtures/state/legacy-unnumbered.bin",
                                  { { "mix", 0.3f },
                                    { "dream", 0.5f },
                                    { "saturation", 0.6f },
                                    { "hiss", 1.0f },
                                    { "shimmer_path", 1.0f },
                                    { "char_pos", 2.0f } },
                                  { true, 9, false, false, 0, 0, false } },
                    FixtureCase {
                        "fixtures/state/legacy-bare.bin",
                        { { "hiss", 1.0f }, { "shimmer_path", 0.0f }, { "char_pos", 2.0f }, { "char_order", 0.0f } },
                        { true, 0, false, false, 0, 0, false } }),
    [](const auto& testInfo)
    {
        std::string name = juce::File(testInfo.param.file).getFileNameWithoutExtension().toStdString();
        name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
        return name;
    });

// ---- blobs that must change nothing ------------------------------------------

// A processor whose dry path holds audio: mix at 0, so after a few blocks of
// noise the output is the input delayed by the latency. Clearing the engine
// empties that delay, which is how a reset shows from outside.
struct PlayingProcessor
{
    PlayingProcessor()
    {
        setParameter(p, "mix", 0.0f);
        setParameter(p, "tilt_eq", 4.0f);
        setParameter(p, "char_order", 2.0f);
        p.setPageFields(kUnusualFields);
        prepare(p, kRate, kBlock);
        for (int block = 0; block < 8; ++block)
        {
            auto noise = noiseBlock(2, kBlock, 0.3f, block + 1);
            p.processBlock(noise, midi);
        }
        values = allParameterValues(p);
    }

    // The peak of the next block when silence goes in.
    float peakOfNextSilentBlock()
    {
        juce::AudioBuffer<float> silence(2, kBlock);
        silence.clear();
        p.processBlock(silence, midi);
        return silence.getMagnitude(0, kBlock);
    }

    VelmoraProcessor p;
    juce::MidiBuffer midi;
    std::map<std::string, float> values;
};

TEST(StateLoading, AUsableBlobClearsTheEngineBeforeItsNextBlock)
{
    PlayingProcessor playing;
    loadState(playing.p, saveState(playing.p));
    EXPECT_LT(playing.peakOfNextSilentBlock(), 1e-6f);
}

struct UnusableBlob
{
    const char* name;
    std::function<juce::MemoryBlock()> make;
};

class UnusableBlobs : public testing::TestWithParam<UnusableBlob>
{
};

TEST_P(UnusableBlobs, ChangeNothingAndLeaveTheEngineRunning)
{
    PlayingProcessor playing;
    const auto blob = GetParam().make();
    playing.p.setStateInformation(blob.getData(), static_cast<int>(blob.getSize()));

    expectSameParameters(allParameterValues(playing.p), playing.values);
    EXPECT_EQ(playing.p.getPageFields(), kUnusualFields);
    EXPECT_GT(playing.peakOfNextSilentBlock(), 0.01f) << "the engine was reset";
}

juce::MemoryBlock validDocumentWith(std::string_view inner)
{
    return wrapText(std::string(kDeclaration) + "<VelmoraParameters paramSchema=\"141\">" + std::string(inner) +
                    params({ { "mix", "0.9" } }) + "</VelmoraParameters>");
}

juce::MemoryBlock bytes(std::initializer_list<unsigned char> list)
{
    return juce::MemoryBlock(list.begin(), list.size());
}

const std::string kGoodDocument =
    std::string(kDeclaration) + "<VelmoraParameters>" + params({ { "mix", "0.9" } }) + "</VelmoraParameters>";

juce::MemoryBlock withMagic(juce::uint32 magic)
{
    auto blob = wrapText(kGoodDocument);
    static_cast<juce::uint32*>(blob.getData())[0] = juce::ByteOrder::swapIfBigEndian(magic);
    return blob;
}

std::string nested(int depth)
{
    std::string s;
    for (int i = 0; i < depth; ++i)
        s += "<a>";
    for (int i = 0; i < depth; ++i)
        s += "</a>";
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnusableBlobs,
    testing::Values(
        UnusableBlob { "Empty", [] { return juce::MemoryBlock(); } },
        UnusableBlob { "OnlyTheHeader",
                       [] {
                           return bytes({ 'V', 'C', '2', '!', 1, 0, 0, 0 });
                       } },
        UnusableBlob { "FewerBytesThanAHeader",
                       [] {
                           return bytes({ 'V', 'C', '2' });
                       } },
        UnusableBlob { "WrongMagic", [] { return withMagic(0x21324357); } },
        UnusableBlob { "ZeroLength", [] { return wrapText(kGoodDocument, 0); } },
        UnusableBlob { "NegativeLength", [] { return wrapText(kGoodDocument, 0xFFFFFFFFll); } },
        UnusableBlob { "LengthWithTheTopBitSet", [] { return wrapText(kGoodDocument, 0x80000010ll); } },
        UnusableBlob { "LengthCuttingTheDocumentShort",
                       [] { return wrapText(kGoodDocument, static_cast<long long>(kGoodDocument.size()) - 1); } },
        UnusableBlob { "EmptyText", [] { return wrapText(""); } },
        UnusableBlob { "NotXml", [] { return wrapText("hello, host"); } },
        UnusableBlob { "AnElementLeftOpen",
                       [] {
                           return wrapText("<VelmoraParameters>" + params({ { "mix", "0.9" } }));
                       } },
        UnusableBlob { "MismatchedEndTag", [] { return validDocumentWith("<a></b>"); } },
        UnusableBlob { "AnotherPluginsRoot",
                       [] {
                           return wrapText("<OtherPluginState>" + params({ { "mix", "0.9" } }) + "</OtherPluginState>");
                       } },
        UnusableBlob { "APrefixOfTheRootTag",
                       [] {
                           return wrapText("<Velmora>" + params({ { "mix", "0.9" } }) + "</Velmora>");
                       } },
        UnusableBlob { "InvalidUtf8", [] { return validDocumentWith("<a b=\"\xff\xfe\"/>"); } },
        UnusableBlob { "OverlongUtf8", [] { return validDocumentWith("<a b=\"\xc0\xaf\"/>"); } },
        UnusableBlob { "EncodedSurrogate", [] { return validDocumentWith("<a b=\"\xed\xa0\x80\"/>"); } },
        UnusableBlob { "Utf8CutAtTheEnd", [] { return wrapText(kGoodDocument + "\xe2\x82"); } },
        UnusableBlob { "DocumentTypeWithEntities",
                       []
                       {
                           return wrapText("<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
                                           "<VelmoraParameters><PARAM id=\"mix\" value=\"&b;\"/></VelmoraParameters>");
                       } },
        UnusableBlob { "UnknownEntity", [] { return validDocumentWith("<a b=\"&bogus;\"/>"); } },
        UnusableBlob { "NulCharacterReference", [] { return validDocumentWith("<a b=\"&#0;\"/>"); } },
        UnusableBlob { "CharacterReferenceBeyondUnicode", [] { return validDocumentWith("<a b=\"&#x110000;\"/>"); } },
        UnusableBlob { "DuplicateAttribute", [] { return validDocumentWith("<a b=\"1\" b=\"2\"/>"); } },
        UnusableBlob { "UnquotedAttribute", [] { return validDocumentWith("<a b=1/>"); } },
        UnusableBlob { "AngleBracketInAnAttribute", [] { return validDocumentWith("<a b=\"<\"/>"); } },
        UnusableBlob { "NestedJustPastTheLimit", [] { return validDocumentWith(nested(32)); } },
        UnusableBlob { "NestedAHundredThousandDeep", [] { return validDocumentWith(nested(100000)); } },
        UnusableBlob { "TooManyAttributes",
                       []
                       {
                           std::string a = "<a";
                           for (int i = 0; i < 300; ++i)
                               a += " x" + std::to_string(i) + "=\"\"";
                           return validDocumentWith(a + "/>");
                       } },
        UnusableBlob { "MoreTextThanAnyStateHas",
                       [] { return validDocumentWith("<!--" + std::string(1100000, 'x') + "-->"); } }),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(StateLoading, NestingUpToTheLimitLoads)
{
    VelmoraProcessor p;
    loadState(p, validDocumentWith(nested(30)));
    expectValue(p, "mix", 0.9f);
}

TEST(StateLoading, ALengthLargerThanTheDataIsCutToTheData)
{
    VelmoraProcessor p;
    loadState(p, wrapText(kGoodDocument, 1 << 30));
    expectValue(p, "mix", 0.9f);
}

TEST(StateLoading, ALengthSmallerThanTheDataReadsOnlyThatMuch)
{
    VelmoraProcessor p;
    loadState(p, wrapText(kGoodDocument + "<trailing garbage that is never read",
                          static_cast<long long>(kGoodDocument.size())));
    expectValue(p, "mix", 0.9f);
}

// Any prefix of a good blob either is the whole document or changes nothing.
TEST(StateLoading, EveryTruncationOfAGoodBlobChangesNothing)
{
    const auto blob = readFile(testData("fixtures/state/current.bin"));
    const auto* data = static_cast<const char*>(blob.getData());
    const auto textEnd = blob.getSize() - 1; // the closing zero

    VelmoraProcessor p;
    setParameter(p, "mix", 0.77f);
    const auto before = allParameterValues(p);
    for (std::size_t size = 0; size < textEnd; ++size)
    {
        p.setStateInformation(data, static_cast<int>(size));
        ASSERT_EQ(allParameterValues(p), before) << "a blob cut to " << size << " bytes changed the state";
    }
    p.setStateInformation(data, static_cast<int>(textEnd));
    expectValue(p, "mix", 0.25f);
}

// Whatever one byte of a good blob becomes, every parameter stays a number
// inside its range.
TEST(StateLoading, EveryParameterStaysInRangeWhateverAByteBecomes)
{
    const auto original = readFile(testData("fixtures/state/current.bin"));
    VelmoraProcessor p;
    for (std::size_t at = 0; at < original.getSize(); ++at)
        for (const unsigned char replacement : std::array<unsigned char, 7> { 0x00, 0xFF, '<', '"', '9', '-', 'n' })
        {
            auto blob = original;
            static_cast<unsigned char*>(blob.getData())[at] = replacement;
            loadState(p, blob);
            for (const auto& spec : velmora::params::kParameterSpecs)
            {
                const float value = parameterValue(p, spec.id);
                ASSERT_TRUE(std::isfinite(value)) << spec.id << " after byte " << at << " became " << +replacement;
                ASSERT_GE(value, spec.min) << spec.id;
                ASSERT_LE(value, spec.max) << spec.id;
            }
        }
}

} // namespace
