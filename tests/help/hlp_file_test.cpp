// The help file writer against our own reader: the file system, the B+ trees of every size,
// the topic blocks, the context hashes and the jumps, and a reader that refuses broken files.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "hlp_file.h"

namespace {

using hlp::Paragraph;
using hlp::ParagraphKind;
using hlp::Project;
using hlp::Topic;

Topic MakeTopic(const std::string& context, const std::string& title,
                const std::vector<Paragraph>& paragraphs) {
    Topic t;
    t.context = context;
    t.title = title;
    t.paragraphs = paragraphs;
    return t;
}

Paragraph Text(const std::string& s, ParagraphKind kind = ParagraphKind::kBody) {
    Paragraph p;
    p.kind = kind;
    p.runs.push_back({s, ""});
    return p;
}

Paragraph Link(const std::string& before, const std::string& label, const std::string& target) {
    Paragraph p;
    p.runs.push_back({before, ""});
    p.runs.push_back({label, target});
    p.runs.push_back({".", ""});
    return p;
}

Project SmallProject() {
    Project p;
    p.title = "Test Help";
    p.copyright = "Copyright (c) 2026 The Vistrel developers";
    p.topics.push_back(MakeTopic(
        "contents", "Contents",
        {Text("First paragraph."), Link("See ", "the second", "Second"),
         Text("A heading", ParagraphKind::kHeading), Text("An item", ParagraphKind::kBullet)}));
    p.topics.push_back(
        MakeTopic("Second", "The second topic", {Link("Back to ", "the contents", "CONTENTS")}));
    return p;
}

hlp::ReadFile WriteAndRead(const Project& project) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_EQ(hlp::WriteHelpFile(project, &bytes, &error), 1) << error;
    hlp::ReadFile file;
    EXPECT_EQ(hlp::ReadHelpFile(bytes.data(), bytes.size(), &file, &error), 1) << error;
    return file;
}

TEST(HelpFile, SmallProjectReadsBackWhole) {
    Project project = SmallProject();
    hlp::ReadFile f = WriteAndRead(project);
    EXPECT_EQ(f.internal_files,
              (std::vector<std::string>{"|CONTEXT", "|FONT", "|SYSTEM", "|TOPIC", "|TTLBTREE"}));
    EXPECT_EQ(f.minor, hlp::kMinorWin31);
    EXPECT_EQ(f.flags, 0);
    EXPECT_EQ(f.title, "Test Help");
    EXPECT_EQ(f.copyright, project.copyright);
    EXPECT_EQ(f.window_caption, "Test Help");
    ASSERT_EQ(f.topics.size(), 2u);
    ASSERT_TRUE(f.has_contents);
    EXPECT_EQ(f.contents, f.topics[0].offset);
    EXPECT_EQ(f.topics[0].title, "Contents");
    EXPECT_EQ(f.topics[1].title, "The second topic");
    EXPECT_EQ(f.topics[1].topic_number, 1u);

    // The title heads each topic, then the paragraphs in order, bullets marked.
    const hlp::ReadTopic& c = f.topics[0];
    ASSERT_EQ(c.paragraphs.size(), 5u);
    EXPECT_EQ(c.paragraphs[0].Text(), "Contents");
    EXPECT_EQ(c.paragraphs[1].Text(), "First paragraph.");
    EXPECT_EQ(c.paragraphs[2].Text(), "See the second.");
    EXPECT_EQ(c.paragraphs[3].Text(), "A heading");
    EXPECT_EQ(c.paragraphs[4].Text(), "\x95 An item");
    EXPECT_GT(c.paragraphs[4].left_indent, 0);
    EXPECT_LT(c.paragraphs[4].first_line_indent, 0);
    EXPECT_EQ(c.paragraphs[0].runs[0].font, 1);  // heading face
    EXPECT_EQ(c.paragraphs[1].runs[0].font, 0);  // body face

    // Jumps name their target by the context hash, and the hash finds the topic.
    const hlp::ReadRun& jump = c.paragraphs[2].runs[1];
    EXPECT_TRUE(jump.jump);
    EXPECT_EQ(jump.text, "the second");
    EXPECT_EQ(jump.jump_hash, hlp::ContextHash("second"));
    ASSERT_NE(f.TopicByHash(jump.jump_hash), nullptr);
    EXPECT_EQ(f.TopicByHash(jump.jump_hash)->title, "The second topic");
    const hlp::ReadRun& back = f.topics[1].paragraphs[1].runs[1];
    EXPECT_EQ(f.TopicByHash(back.jump_hash), &f.topics[0]);

    // Titles by topic offset, fonts with one face.
    ASSERT_EQ(f.titles.size(), 2u);
    EXPECT_EQ(f.titles[0], std::make_pair(f.topics[0].offset, std::string("Contents")));
    EXPECT_EQ(f.titles[1], std::make_pair(f.topics[1].offset, std::string("The second topic")));
    EXPECT_EQ(f.faces, std::vector<std::string>{"Arial"});
    ASSERT_EQ(f.fonts.size(), 2u);
    EXPECT_EQ(f.fonts[1].attributes & 1, 1);  // bold heading
    EXPECT_GT(f.fonts[1].half_points, f.fonts[0].half_points);
}

TEST(HelpFile, ContextHashFollowsTheFormat) {
    EXPECT_EQ(hlp::ContextHash(""), 0);
    EXPECT_EQ(hlp::ContextHash("a"), 0x11);
    EXPECT_EQ(hlp::ContextHash("ab"), 0x11 * 43 + 0x12);
    EXPECT_EQ(hlp::ContextHash("Delete_Clock"), hlp::ContextHash("delete_clock"));
    EXPECT_NE(hlp::ContextHash("delete_clock"), hlp::ContextHash("delete.clock"));
    // Long names wrap around in 32 bits the same way on every machine.
    uint32_t h = 0;
    for (char c : std::string("contents"))
        h = h * 43u + (static_cast<uint8_t>(std::tolower(c)) - 0x50);
    EXPECT_EQ(hlp::ContextHash("contents"), static_cast<int32_t>(h));
    EXPECT_TRUE(hlp::ValidContextName("a.b_c9"));
    EXPECT_FALSE(hlp::ValidContextName(""));
    EXPECT_FALSE(hlp::ValidContextName("a b"));
    EXPECT_FALSE(hlp::ValidContextName("a-b"));
}

TEST(HelpFile, ManyTopicsSpanBlocksAndTreeLevels) {
    Project p;
    p.title = "Big";
    const int kTopics = 700;
    for (int i = 0; i < kTopics; ++i) {
        std::string name = "topic" + std::to_string(i);
        std::vector<Paragraph> body = {
            Text(std::string(40 + i % 300, 'a' + i % 26)),
            Link("Next: ", "on", "topic" + std::to_string((i + 1) % kTopics))};
        p.topics.push_back(MakeTopic(name, "Title " + std::to_string(i), body));
    }
    hlp::ReadFile f = WriteAndRead(p);
    ASSERT_EQ(f.topics.size(), static_cast<size_t>(kTopics));
    EXPECT_GT(f.tree_levels_context, 1);
    ASSERT_EQ(f.context.size(), static_cast<size_t>(kTopics));
    ASSERT_EQ(f.titles.size(), static_cast<size_t>(kTopics));

    // The hashes come in signed order, the titles in offset order, and each names its topic.
    for (size_t i = 1; i < f.context.size(); ++i)
        EXPECT_LT(f.context[i - 1].first, f.context[i].first);
    for (size_t i = 1; i < f.titles.size(); ++i)
        EXPECT_LT(f.titles[i - 1].first, f.titles[i].first);
    std::set<uint32_t> blocks;
    for (int i = 0; i < kTopics; ++i) {
        const hlp::ReadTopic& t = f.topics[i];
        EXPECT_EQ(t.title, "Title " + std::to_string(i));
        EXPECT_EQ(f.TopicByHash(hlp::ContextHash("topic" + std::to_string(i))), &t);
        ASSERT_EQ(t.paragraphs.size(), 3u);
        EXPECT_EQ(t.paragraphs[1].Text(), std::string(40 + i % 300, 'a' + i % 26));
        const hlp::ReadTopic* next = f.TopicByHash(t.paragraphs[2].runs[1].jump_hash);
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(next->title, "Title " + std::to_string((i + 1) % kTopics));
        blocks.insert(t.offset / 0x8000);
    }
    EXPECT_GT(blocks.size(), 20u);  // the topics fill many 4 KiB blocks
}

TEST(HelpFile, BTreesOfEverySizeReadBackInOrder) {
    // 67 entries of 15 bytes fill a 1 KiB leaf; an index page holds 79 leaves.
    for (size_t count : {0u, 1u, 67u, 68u, 2000u, 6000u}) {
        std::vector<hlp::BTreeEntry> entries;
        for (size_t i = 0; i < count; ++i) {
            char key[32];
            std::snprintf(key, sizeof key, "file%06zu", i);
            std::vector<uint8_t> k(key, key + std::strlen(key) + 1);
            entries.push_back({k, {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 0, 0}});
        }
        std::vector<uint8_t> tree;
        std::string error;
        ASSERT_EQ(hlp::WriteBTree({1024, 0x0402, "z4"}, entries, &tree, &error), 1) << error;
        std::vector<hlp::BTreeEntry> back;
        int levels = 0;
        ASSERT_EQ(hlp::ReadBTree(tree.data(), tree.size(), &back, &levels, &error), 1) << error;
        ASSERT_EQ(back.size(), count);
        for (size_t i = 0; i < count; ++i) {
            EXPECT_EQ(back[i].key, entries[i].key);
            EXPECT_EQ(back[i].value, entries[i].value);
        }
        EXPECT_EQ(levels, count <= 67 ? 1 : (count <= 67 * 79 ? 2 : 3)) << count;
    }
}

TEST(HelpFile, WriterRefusesBadProjects) {
    std::vector<uint8_t> bytes;
    std::string error;
    Project empty;
    EXPECT_EQ(hlp::WriteHelpFile(empty, &bytes, &error), 0);

    Project twice = SmallProject();
    twice.topics[1].context = "CONTENTS";
    EXPECT_EQ(hlp::WriteHelpFile(twice, &bytes, &error), 0);
    EXPECT_NE(error.find("used twice"), std::string::npos);

    Project dangling = SmallProject();
    dangling.topics[1].paragraphs.push_back(Link("", "nowhere", "missing"));
    EXPECT_EQ(hlp::WriteHelpFile(dangling, &bytes, &error), 0);
    EXPECT_NE(error.find("missing"), std::string::npos);

    Project bad_name = SmallProject();
    bad_name.topics[1].context = "two words";
    EXPECT_EQ(hlp::WriteHelpFile(bad_name, &bytes, &error), 0);

    Project huge = SmallProject();
    huge.topics[1].paragraphs.push_back(Text(std::string(5000, 'x')));
    EXPECT_EQ(hlp::WriteHelpFile(huge, &bytes, &error), 0);
    EXPECT_NE(error.find("too long"), std::string::npos);
}

TEST(HelpFile, ReaderRefusesCutAndDamagedFiles) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_EQ(hlp::WriteHelpFile(SmallProject(), &bytes, &error), 1);
    hlp::ReadFile f;
    for (size_t n = 0; n < bytes.size(); n += 37) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
        EXPECT_EQ(hlp::ReadHelpFile(cut.data(), cut.size(), &f, &error), 0) << n;
    }
    // Any single damaged byte either reads or is refused; it never reads out of bounds
    // (the address sanitizer build checks that).
    for (size_t i = 0; i < bytes.size(); i += 3) {
        std::vector<uint8_t> bad = bytes;
        bad[i] ^= 0xA5;
        hlp::ReadHelpFile(bad.data(), bad.size(), &f, &error);
    }
    std::vector<uint8_t> wrong_magic = bytes;
    wrong_magic[0] ^= 1;
    EXPECT_EQ(hlp::ReadHelpFile(wrong_magic.data(), wrong_magic.size(), &f, &error), 0);
}

TEST(HelpFile, ShippedHelpFileReadsBack) {
    const char* dir = std::getenv("VISTREL_BIN_DIR");
    ASSERT_NE(dir, nullptr);
    std::ifstream in(std::string(dir) + "/vistrel.hlp", std::ios::binary);
    ASSERT_TRUE(in.good());
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    hlp::ReadFile f;
    std::string error;
    ASSERT_EQ(hlp::ReadHelpFile(bytes.data(), bytes.size(), &f, &error), 1) << error;
    EXPECT_EQ(f.title, "Vistrel Help");
    ASSERT_GE(f.topics.size(), 12u);
    EXPECT_EQ(f.contents, f.topics[0].offset);
    EXPECT_EQ(f.TopicByHash(hlp::ContextHash("contents")), &f.topics[0]);
    // Every topic but the contents is reached from the contents, and every link lands.
    std::set<const hlp::ReadTopic*> linked;
    for (const hlp::ReadTopic& t : f.topics) {
        for (const hlp::ReadParagraph& p : t.paragraphs) {
            for (const hlp::ReadRun& r : p.runs) {
                if (!r.jump) continue;
                const hlp::ReadTopic* to = f.TopicByHash(r.jump_hash);
                EXPECT_NE(to, nullptr) << t.title << ": " << r.text;
                if (&t == &f.topics[0]) linked.insert(to);
            }
        }
    }
    EXPECT_EQ(linked.size(), f.topics.size() - 1);
}

}  // namespace
