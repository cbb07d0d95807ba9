#pragma once

// A plain element tree for reading saved states: tags, attributes in document
// order and child elements. Text content carries no meaning in a state and is
// not kept. Children sit in a vector, so walking, appending and removing stay
// linear however many a document holds.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::state
{

struct XmlNode
{
    std::string tag;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::unique_ptr<XmlNode>> children;

    const std::string* findAttribute(std::string_view name) const
    {
        for (const auto& [key, value] : attributes)
            if (key == name)
                return &value;
        return nullptr;
    }

    bool hasAttribute(std::string_view name) const { return findAttribute(name) != nullptr; }

    // Replaces the value in place, or appends the attribute.
    void setAttribute(std::string_view name, std::string value)
    {
        for (auto& [key, existing] : attributes)
            if (key == name)
            {
                existing = std::move(value);
                return;
            }
        attributes.emplace_back(std::string(name), std::move(value));
    }

    void removeAttribute(std::string_view name)
    {
        std::erase_if(attributes, [name](const auto& attribute) { return attribute.first == name; });
    }
};

} // namespace velmora::state
