// What the tool does to files it was not asked to destroy, and to output
// that cannot be written.
#include "cli/CliFixture.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace
{
using velmora::test::CliTest;

std::vector<float> ramp(size_t length)
{
    std::vector<float> x(length);
    for (size_t i = 0; i < length; ++i)
        x[i] = 0.1f * static_cast<float>(i % 100) / 100.0f;
    return x;
}

TEST_F(CliTest, RenderingTheDemoOverAnExistingFileNeedsOverwrite)
{
    folder.getChildFile("song.wav").replaceWithText("precious");
    const auto refused = run({ "render", path("song.wav") });
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--overwrite"), std::string::npos) << refused.err;
    EXPECT_EQ(folder.getChildFile("song.wav").loadFileAsString(), "precious");

    const auto allowed = run({ "render", "--overwrite", path("song.wav"), "--tail", "0", "--quiet" });
    ASSERT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_GT(readWav("song.wav").getNumSamples(), 0);
}

TEST_F(CliTest, AStateThatCannotBeSavedLeavesNoRenderBehind)
{
    const auto result = run({ "render", path("out.wav"), "--tail", "0", "--state-out", path("missing/state.bin") });
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("missing"), std::string::npos) << result.err;
    EXPECT_FALSE(folder.getChildFile("out.wav").exists());
    EXPECT_EQ(filesInFolder(), 0);
}

TEST_F(CliTest, AFileShorterThanItsHeaderSaysRendersTheFramesItHolds)
{
    writeWav("in.wav", { ramp(48000), ramp(48000) }, 48000.0);
    const auto file = folder.getChildFile("in.wav");
    juce::MemoryBlock whole;
    ASSERT_TRUE(file.loadFileAsData(whole));
    ASSERT_TRUE(file.replaceWithData(whole.getData(), whole.getSize() / 4)); // cut short, header intact

    const auto result = run({ "render", path("in.wav"), path("out.wav"), "--tail", "0", "--quiet" });
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("fewer frames than its header says"), std::string::npos) << result.err;
    const auto frames = readWav("out.wav").getNumSamples();
    EXPECT_LE(frames, static_cast<int>(whole.getSize() / 4 / 8));
    EXPECT_GT(frames, 48000 / 4 - 100);
}

// Writing to a device goes into the device; it is never replaced by a file.
TEST_F(CliTest, ADeviceAsOutputIsWrittenAndKept)
{
    const auto device = folder.getChildFile("null-device");
    if (::mknod(device.getFullPathName().toRawUTF8(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here (not root)";

    for (const std::vector<std::string>& args :
         { std::vector<std::string> { "render", "--overwrite", path("null-device"), "--tail", "0", "--quiet" },
           std::vector<std::string> { "state", "make", path("null-device") } })
    {
        const auto result = run(args);
        EXPECT_EQ(result.status, 0) << args[0] << ": " << result.err;
        struct stat info
        {
        };
        ASSERT_EQ(::stat(device.getFullPathName().toRawUTF8(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode)) << args[0] << " replaced the device with a file";
    }
    EXPECT_EQ(filesInFolder(), 1);
}

TEST_F(CliTest, OutputThatCannotBeWrittenIsAnError)
{
    std::ostream broken(nullptr); // every write fails
    std::ostringstream err;
    velmora::cli::Io io { broken, err, false };
    EXPECT_EQ(velmora::cli::run({ "params", "--json" }, io), 1);
    EXPECT_NE(err.str().find("standard output"), std::string::npos);
}
} // namespace
