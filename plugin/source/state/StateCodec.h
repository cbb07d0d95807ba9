#pragma once

#include "state/PageFields.h"

#include <juce_data_structures/juce_data_structures.h>

#include <cstddef>
#include <optional>

namespace velmora::state
{

// A state blob taken apart: the parameter tree ready to replace the
// parameter state, and the page-side fields.
struct DecodedState
{
    juce::ValueTree parameters;
    PageFields fields;
};

// Unwraps, reads and migrates a blob. Returns nothing for a blob that cannot
// be used, in which case nothing may change. Has no side effects, so it can
// also tell a caller in advance whether a blob will load.
std::optional<DecodedState> decodeState(const void* data, std::size_t size);

// Writes the blob of a copy of the parameter state and the page fields:
// the tree as XML, the page fields and the schema number as root attributes
// after whatever the tree carries, in the envelope of BlobWrapper.h.
void encodeState(const juce::ValueTree& parameters, const PageFields& fields, juce::MemoryBlock& destination);

} // namespace velmora::state
