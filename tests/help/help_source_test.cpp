// The help's text sources: directives, paragraphs, headings, bullets, links and the line of
// each mistake.
#include <gtest/gtest.h>

#include "help_source.h"

namespace {

TEST(HelpSource, ParsesParagraphsHeadingsItemsAndLinks) {
    const char* text =
        "@context port\n"
        "@title Port settings\n"
        "\n"
        "First line\n"
        "joined with the second.\n"
        "\n"
        "## A heading\n"
        "- an item that\n"
        "  goes on\n"
        "- second item with [a link](other) in it\n"
        "Then a body line after the items.\n";
    hlp::Topic t;
    std::string error;
    ASSERT_EQ(hlp::ParseTopicSource(text, "port.txt", &t, &error), 1) << error;
    EXPECT_EQ(t.context, "port");
    EXPECT_EQ(t.title, "Port settings");
    ASSERT_EQ(t.paragraphs.size(), 5u);
    EXPECT_EQ(t.paragraphs[0].runs[0].text, "First line joined with the second.");
    EXPECT_EQ(t.paragraphs[1].kind, hlp::ParagraphKind::kHeading);
    EXPECT_EQ(t.paragraphs[1].runs[0].text, "A heading");
    EXPECT_EQ(t.paragraphs[2].kind, hlp::ParagraphKind::kBullet);
    EXPECT_EQ(t.paragraphs[2].runs[0].text, "an item that goes on");
    ASSERT_EQ(t.paragraphs[3].runs.size(), 3u);
    EXPECT_EQ(t.paragraphs[3].runs[0].text, "second item with ");
    EXPECT_EQ(t.paragraphs[3].runs[1].text, "a link");
    EXPECT_EQ(t.paragraphs[3].runs[1].jump, "other");
    EXPECT_EQ(t.paragraphs[3].runs[2].text, " in it");
    EXPECT_EQ(t.paragraphs[4].kind, hlp::ParagraphKind::kBody);
}

TEST(HelpSource, MistakesNameTheirLine) {
    struct Case {
        const char* text;
        const char* expect;
    };
    const Case cases[] = {
        {"@title T\n\nText\n", "x.txt:1: the topic has no @context"},
        {"@context c\n\nText\n", "x.txt:1: the topic has no @title"},
        {"@context c\n@title T\n\nCaf\xc3\xa9\n", "x.txt:4: only plain ASCII"},
        {"@context c\n@title T\n\nA [broken link\n", "x.txt:4: a '[' starts no link"},
        {"@context c\n@title T\n\nline\nA [x](two words) link\n", "x.txt:4: the link"},
        {"@context bad name\n", "x.txt:1: a bad context name"},
        {"@colour red\n", "x.txt:1: unknown directive @colour"},
    };
    for (const Case& c : cases) {
        hlp::Topic t;
        std::string error;
        EXPECT_EQ(hlp::ParseTopicSource(c.text, "x.txt", &t, &error), 0) << c.text;
        EXPECT_EQ(error.rfind(c.expect, 0), 0u) << error;
    }
}

}  // namespace
