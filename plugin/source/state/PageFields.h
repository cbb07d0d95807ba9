#pragma once

// The processor's page-side fields that travel with the saved state. They are
// not host parameters: the page owns their meaning, the processor only keeps
// and persists them.
namespace velmora::state
{

struct PageFields
{
    bool hissEnabled = false;
    int presetIndex = 0;
    bool autoGainEnabled = false;
    bool ascendDescendLinked = false;
    int editorWidth = 0;
    int editorHeight = 0;
    bool advancedOpen = false;

    bool operator==(const PageFields&) const = default;
};

} // namespace velmora::state
