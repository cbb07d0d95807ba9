#include "state/BlobWrapper.h"
#include "state/StateMigration.h"
#include "state/XmlReader.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace
{
using namespace velmora::state;

std::string attributeOf(const XmlNode& node, std::string_view name)
{
    const auto* value = node.findAttribute(name);
    return value != nullptr ? *value : "(absent)";
}

TEST(XmlReader, KeepsTagsAttributesAndChildrenInDocumentOrder)
{
    const auto root = readXml("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- saved -->\n"
                              "<Root b=\"2\" a='1'>text<First x=\"&lt;&amp;&gt;&quot;&apos;&#233;&#x20AC;\"/>"
                              "<?pi ignored?><Second><Inner/></Second>more text</Root> trailing words");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->tag, "Root");
    ASSERT_EQ(root->attributes.size(), 2u);
    EXPECT_EQ(root->attributes[0].first, "b");
    EXPECT_EQ(root->attributes[1].first, "a");
    EXPECT_EQ(attributeOf(*root, "a"), "1");

    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[0]->tag, "First");
    EXPECT_EQ(attributeOf(*root->children[0], "x"), "<&>\"'\xc3\xa9\xe2\x82\xac");
    EXPECT_EQ(root->children[1]->tag, "Second");
    ASSERT_EQ(root->children[1]->children.size(), 1u);
    EXPECT_EQ(root->children[1]->children[0]->tag, "Inner");
}

TEST(XmlReader, TakesElementsNestedUpToItsLimit)
{
    const auto nested = [](std::size_t depth)
    {
        std::string s;
        for (std::size_t i = 0; i < depth; ++i)
            s += "<e>";
        for (std::size_t i = 0; i < depth; ++i)
            s += "</e>";
        return s;
    };
    EXPECT_NE(readXml(nested(kMaxXmlDepth)), nullptr);
    EXPECT_EQ(readXml(nested(kMaxXmlDepth + 1)), nullptr);
}

TEST(XmlReader, RefusesWhatIsNotAWellFormedDocument)
{
    for (const char* text : { "",
                              "   ",
                              "plain",
                              "<",
                              "<>",
                              "<1tag/>",
                              "<a",
                              "<a/",
                              "<a b/>",
                              "<a b=>",
                              "<a b=\"1/>",
                              "<a></a",
                              "<a><b></a></b>",
                              "<!-- unterminated <a/>",
                              "<?xml <a/>",
                              "<!DOCTYPE a><a/>",
                              "<a><!ELEMENT x></a>",
                              "<a b=\"&#xD800;\"/>",
                              "<a b=\"&#;\"/>",
                              "<a b=\"&#99999999999;\"/>",
                              "<a b=\"&amp\"/>",
                              "<a><![CDATA[never closed</a>" })
        EXPECT_EQ(readXml(text), nullptr) << text;
}

TEST(BlobEnvelope, EndsTheTextAtItsFirstZeroAndChecksItsEncoding)
{
    const unsigned char withZero[] = { 'V', 'C', '2', '!', 6, 0, 0, 0, '<', 'a', '/', '>', 0, 'x', 0 };
    const auto text = unwrapText(withZero, sizeof(withZero));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "<a/>");

    EXPECT_TRUE(isValidUtf8("plain \xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5"));
    for (const char* bad : { "\x80", "\xc3", "\xc0\x80", "\xe0\x80\x80", "\xed\xb0\x80", "\xf4\x90\x80\x80",
                             "\xf8\x88\x80\x80\x80", "\xe2\x28\xa1" })
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
}

TEST(StateAttributes, ReadTheLeadingIntegerAndSaturate)
{
    struct Case
    {
        const char* text;
        int value;
    };
    for (const auto& c : { Case { "7", 7 }, Case { "  -12px", -12 }, Case { "3.9", 3 }, Case { "", 0 },
                           Case { "on", 0 }, Case { "+5", 0 }, Case { "-", 0 }, Case { "2147483647", INT_MAX },
                           Case { "2147483648", INT_MAX }, Case { "-2147483648", INT_MIN },
                           Case { "-99999999999999999999999", INT_MIN }, Case { "4294967297", INT_MAX } })
        EXPECT_EQ(readLeadingInteger(c.text), c.value) << c.text;
}

} // namespace
