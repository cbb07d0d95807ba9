#pragma once

#include "CommandLine.h"
#include "OutputFile.h"

#include <optional>
#include <string>
#include <vector>

class VelmoraProcessor;

namespace velmora::cli
{

// Anything bigger is no state of ours; refusing it spares reading it whole.
inline constexpr long long kMaxStateFileBytes = 16ll << 20;

struct SetupError
{
    std::string message;
};

// Reads a state file and loads it through setStateInformation, as a host
// would. Fails, with nothing loaded, when the file cannot be read or is not
// a usable state.
std::optional<SetupError> loadStateFile(VelmoraProcessor& processor, const std::string& path);

// Fails when the file could not be written whole; never leaves a partial file
// under the name.
std::optional<SetupError> saveStateFile(VelmoraProcessor& processor, const std::string& path);

// Writes the state into `file`, opened on `path`, for its owner to commit
// together with other output.
std::optional<SetupError> writeStateFile(VelmoraProcessor& processor, const std::string& path, OutputFile& file);

// Fails when the file could not be written there: a folder, no such folder,
// no permission. Lets a command stop before doing its work.
std::optional<SetupError> checkWritable(const std::string& path);

// The factory preset first, then every --set in order, so a --set wins.
void applyPresetAndSettings(VelmoraProcessor& processor, std::optional<int> preset,
                            const std::vector<ParameterSetting>& settings);

} // namespace velmora::cli
