#include "runtime/pbdom_builder.h"
#include "runtime/xml.h"
#include "runtime/xml_attributes.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

const std::string compact =
    "<?xml version=\"1.0\" encoding=\"gb2312\"?><returnsms><returnstatus>Success</returnstatus>"
    "<message>发送成功</message><remainpoint> 950 </remainpoint></returnsms>";
const std::string pretty =
    "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<returnsms>\r\n  <returnstatus>Success</returnstatus>\r\n"
    "  <message>发送成功</message>\r\n  <remainpoint> 950 </remainpoint>\r\n</returnsms>\r\n";

struct Node {
    std::string name, text;
    bool operator==(const Node&) const = default;
};

std::vector<Node> children(const std::string& text) {
    pbdom_builder builder;
    pbdom_element root = builder.BuildFromString(text).GetRootElement();
    std::vector<pbdom_object> content;
    EXPECT_TRUE(root.GetContent(content)) << text;
    std::vector<Node> nodes;
    for (const auto& o : content) nodes.push_back({o.GetName(), o.GetText()});
    return nodes;
}

std::vector<Node> elements_only(std::vector<Node> nodes) {
    std::erase_if(nodes, [](const Node& n) { return n.name == "#text"; });
    return nodes;
}

const std::string bomb =
    "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
    "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
    "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
    "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">]>"
    "<r><message>&h;</message></r>";

} // namespace

TEST(Xml, CheckCodes) {
    struct Case {
        std::string text;
        int code;
    } cases[] = {
        {compact, rt::xml_well_formed},
        {pretty, rt::xml_well_formed},
        {"<r/>", rt::xml_well_formed},
        {"", rt::xml_empty},
        {"   ", rt::xml_not_well_formed},
        {"ok", rt::xml_not_well_formed},
        {"<r><a></r>", rt::xml_not_well_formed},
        {"<r></r><r></r>", rt::xml_not_well_formed},
        {"<r>&nbsp;</r>", rt::xml_not_well_formed}, // no DTD, so no entity but the five predefined
        {"<html><body>404 Not Found</body>", rt::xml_not_well_formed},
        {bomb, rt::xml_doctype},
        {"<!DOCTYPE r SYSTEM \"http://127.0.0.1:1/x.dtd\"><r/>", rt::xml_doctype},
        {std::string(rt::xml_max_bytes + 1, ' '), rt::xml_too_large},
        // A text beginning like UTF-16 or UCS-4 is read as the GBK it is.
        {std::string("<\0r\0/\0>\0", 8), rt::xml_not_well_formed},
        {std::string("\0\0\0<r/>", 7), rt::xml_not_well_formed},
        {std::string("<r>\0</r>", 8), rt::xml_not_well_formed},
        {"<r/", rt::xml_not_well_formed},
        {"<a>", rt::xml_not_well_formed},
    };
    for (const auto& c : cases) EXPECT_EQ(c.code, rt::XMLParseString(c.text)) << c.text.substr(0, 80);
}

TEST(Xml, PrettyAndCompactReadAlikeOnceTextNodesAreSkipped) {
    const std::vector<Node> expected = {{"returnstatus", "Success"}, {"message", "发送成功"}, {"remainpoint", " 950 "}};
    EXPECT_EQ(expected, children(compact));
    const auto nodes = children(pretty);
    ASSERT_EQ(7u, nodes.size());
    EXPECT_EQ((Node{"#text", "\n  "}), nodes[0]); // XML folds \r\n to \n
    EXPECT_EQ(expected, elements_only(nodes));
}

TEST(Xml, GbkBytesReadAsGbkWhateverTheDeclarationSays) {
    for (const std::string decl : {"", "<?xml version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
                                   "<?xml version=\"1.0\" encoding=\"GBK\"?>"}) {
        // 【 and 】 are bytes that are no valid UTF-8, a trap for a parser that trusts "utf-8".
        const std::string text = decl + "<根><message>【澄渊达】余额不足</message></根>";
        ASSERT_EQ(rt::xml_well_formed, rt::XMLParseString(text)) << decl;
        EXPECT_EQ((std::vector<Node>{{"message", "【澄渊达】余额不足"}}), children(text)) << decl;
        pbdom_builder builder;
        EXPECT_EQ("根", builder.BuildFromString(text).GetRootElement().GetName());
    }
}

TEST(Xml, NodeNamesAndTexts) {
    const auto nodes = children("<r><!--note--><a>x<b>inner</b>y</a><c><![CDATA[<1&2>]]></c><d>&amp;&#x41;</d>"
                                "<?pi data?><E/></r>");
    const std::vector<Node> expected = {{"#comment", "note"}, {"a", "xy"},     {"c", "<1&2>"},
                                        {"d", "&A"},          {"pi", "data"}, {"E", ""}};
    EXPECT_EQ(expected, nodes);
}

TEST(Xml, RootWithoutChildrenHasEmptyContent) {
    EXPECT_TRUE(children("<r/>").empty());
    EXPECT_EQ((std::vector<Node>{{"#text", "only text"}}), children("<r>only text</r>"));
}

TEST(Xml, FailedBuildGivesInvalidHandlesThatAnswerNothing) {
    pbdom_builder builder;
    pbdom_document doc = builder.BuildFromString("<r>");
    EXPECT_EQ(rt::xml_not_well_formed, builder.GetParseError());
    EXPECT_FALSE(doc.IsValid());
    pbdom_element root = doc.GetRootElement();
    EXPECT_FALSE(root.IsValid());
    std::vector<pbdom_object> content(3);
    EXPECT_FALSE(root.GetContent(content));
    EXPECT_TRUE(content.empty());
    EXPECT_EQ("", root.GetName());
    EXPECT_EQ("", pbdom_object().GetText());
}

TEST(Xml, HandlesKeepTheirDocumentAlive) {
    std::vector<pbdom_object> content;
    {
        pbdom_builder builder;
        builder.BuildFromString("<r><overage>12</overage></r>").GetRootElement().GetContent(content);
    }
    ASSERT_EQ(1u, content.size());
    EXPECT_EQ("overage", content[0].GetName());
    EXPECT_EQ("12", content[0].GetText());
}

TEST(Xml, ExternalEntityIsNeverRead) {
    testing_support::TempProgramFolder folder;
    folder.write("secret.txt", "TOPSECRET");
    const std::string file = (folder.native() / "secret.txt").string();
    const std::string text = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + file +
                             "\">]><r><message>&x;</message></r>";
    EXPECT_EQ(rt::xml_doctype, rt::XMLParseString(text));
    pbdom_builder builder;
    pbdom_document doc = builder.BuildFromString(text);
    EXPECT_FALSE(doc.IsValid());
    EXPECT_EQ(rt::xml_doctype, builder.GetParseError());
}

namespace {

std::string tag_of(std::size_t attributes, const std::string& value = "1") {
    std::string t = "<r";
    for (std::size_t i = 0; i < attributes; ++i) t += " a" + std::to_string(i) + "=\"" + value + "\"";
    return t + "/>";
}

std::string utf16(const std::string& ascii, bool little) {
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : ascii) {
        out += little ? std::string{c, '\0'} : std::string{'\0', c};
    }
    return out;
}

} // namespace

// The count sees what the parser would take as attributes, and nothing in a
// comment, CDATA, a processing instruction or a quoted value; a quote or ">"
// there never lets a later tag's attributes pass uncounted. The parser reads
// on after an error, so a construct it leaves early (at a "<", at a control
// byte) must not hide the tag it then reads: a tag of too many attributes
// counts even inside a comment, CDATA or an instruction.
TEST(XmlAttributes, CountsOnlyTheAttributesOfStartTags) {
    const std::string many = tag_of(300);
    const std::string eqs(1000, '=');
    struct Case {
        const char* what;
        std::string text;
        bool within;
    } cases[] = {
        {"the limit", "<a>" + tag_of(256) + "</a>", true},
        {"one past", "<a>" + tag_of(257) + "</a>", false},
        {"many small tags", [] { std::string s = "<a>"; for (int i = 0; i < 2000; ++i) s += tag_of(3); return s + "</a>"; }(), true},
        {"= in text, end tags", "<a>" + eqs + "</a " + eqs + ">", true},
        {"= in a value", "<a b=\"" + eqs + "\" c='" + eqs + "'/>", true},
        {"> in a value, then many", "<a b=\">\" " + many.substr(3), false},
        {"a tag in a comment", "<a><!-- " + many + " - -- > --></a>", false},
        {"comment then many", "<a><!-- \" ' --->" + many + "</a>", false},
        {"a tag in CDATA", "<a><![CDATA[" + many + " ] ]] >]]></a>", false},
        {"comment, CDATA", "<a><!-- " + eqs + " - -- > --><![CDATA[" + eqs + " ] ]] >]]></a>", true},
        {"CDATA then many", "<a><![CDATA[\"]]]>" + many + "</a>", false},
        {"a tag in an instruction", "<?xml version=\"1.0\"?><a><?pi " + many + " > ?></a>", false},
        {"instruction", "<?xml version=\"1.0\"?><a><?pi " + eqs + " > ?></a>", true},
        {"instruction with > then many", "<a><?pi > <x a=\" ?>" + many + "</a>", false},
        {"stray quote, then many", "<a><c '" + many + "</a>", false},
        {"< in a value, then many", "<a><c b=\"" + many + "\"/></a>", false},
        {"end tag left open, then many", "<a></c " + many + "</a>", false},
        {"instruction left open, then many", "<a><?pi \" " + many + "?></a>", false},
        {"comment left at a control byte", "<a><!--\x01" + many + "--></a>", false},
        {"CDATA left at a control byte", "<a><![CDATA[\x01" + many + "]]></a>", false},
        {"comment ending inside a tag", "<a><!--\x01<z b=\"-->\" " + many.substr(3) + "</a>", false},
        {"markup and = in a comment, CDATA", "<a><!-- <b c=\"1\"> --><![CDATA[<p>" + eqs + "]]>" + eqs + "</a>", true},
        {"UTF-16LE", utf16("<a>" + many + "</a>", true), false},
        {"UTF-16BE within", utf16("<a><!--" + eqs + "-->" + tag_of(10) + "</a>", false), true},
    };
    for (const Case& c : cases) EXPECT_EQ(rt::xml_attributes_within(c.text), c.within) << c.what;
}

// Fed in pieces of any size (an inflating zip entry), the count keeps its place.
TEST(XmlAttributes, PiecesCountAsTheWhole) {
    const std::string texts[] = {
        "<a><!-- " + tag_of(400) + " --><![CDATA[" + tag_of(400) + "]]>" + tag_of(200) + "</a>",
        "<a b=\">\" " + tag_of(300).substr(3),
        utf16("<a>" + tag_of(300) + "</a>", true),
    };
    for (const std::string& text : texts) {
        for (std::size_t piece : {1u, 2u, 3u, 7u, 4096u}) {
            rt::XmlAttributeCount count;
            for (std::size_t at = 0; at < text.size(); at += piece) count.feed(std::string_view(text).substr(at, piece));
            EXPECT_EQ(!count.exceeded(), rt::xml_attributes_within(text)) << "piece " << piece;
        }
    }
}

// A megabyte answer of a hundred thousand attributes is refused as not
// well-formed before the parser starts on it, by the check and the builder alike.
TEST(XmlAttributes, AnAnswerOfTooManyAttributesIsRefused) {
    std::string answer = "<?xml version=\"1.0\"?><r";
    for (int i = 0; answer.size() < rt::xml_max_bytes - 64; ++i) answer += " a" + std::to_string(i) + "=\"\"";
    answer += "><returnstatus>Success</returnstatus></r>";
    ASSERT_LE(answer.size(), rt::xml_max_bytes);
    EXPECT_EQ(rt::XMLParseString(answer), rt::xml_not_well_formed);
    pbdom_builder builder;
    EXPECT_FALSE(builder.BuildFromString(answer).IsValid());
    EXPECT_EQ(builder.GetParseError(), rt::xml_not_well_formed);
    EXPECT_EQ(rt::XMLParseString(compact), rt::xml_well_formed);
}
