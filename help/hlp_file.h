// The Windows Help 3.1 file (.hlp) that the help engine of Windows reads, as our own compiler
// writes it and our own reader reads it back. Written from the public descriptions of the
// format: a 16-byte header, an internal file system whose directory is a B+ tree, and the
// internal files |SYSTEM (title, copyright, contents topic), |FONT (face names and font
// descriptors), |TOPIC (the topics, in uncompressed 4 KiB blocks), |CONTEXT (hash of each
// context name to its topic offset) and |TTLBTREE (topic offset to topic title).
//
// Deliberately small: no compression (neither LZ77 nor phrases), no pictures, no keywords, one
// paragraph per text record. This is a build tool and its test partner: plain standard C++, no
// dependency on the rest of the tree, so that a cross build can make it with the host compiler.
// Nothing throws; every function returns 0 or 1 and says why in *error.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hlp {

// --- the model that the compiler writes -------------------------------------------------------

enum class ParagraphKind { kBody, kHeading, kBullet };

// A piece of a paragraph's text; with a jump, clicking it shows the topic of that context name.
struct Run {
    std::string text;  // Windows-1252
    std::string jump;  // context name of the target topic, or empty
};

struct Paragraph {
    ParagraphKind kind = ParagraphKind::kBody;
    std::vector<Run> runs;
};

struct Topic {
    std::string context;  // letters, digits, '_' and '.'; unique (case does not matter)
    std::string title;
    std::vector<Paragraph> paragraphs;
};

// topics[0] is the contents topic: the one the help engine's contents command shows.
struct Project {
    std::string title;
    std::string copyright;
    std::vector<Topic> topics;
};

// The hash of a context name that |CONTEXT and the jumps carry. Case does not matter.
int32_t ContextHash(const std::string& context);
// Whether a context name uses only the characters a context name may have.
bool ValidContextName(const std::string& context);

// Builds the whole file. 0 (with *error) when the project is not valid: no topics, a bad or
// duplicate context name, a jump to an unknown context, a paragraph too long for one block.
int WriteHelpFile(const Project& project, std::vector<uint8_t>* out, std::string* error);

// --- what the reader gives back -----------------------------------------------------------------

struct ReadRun {
    std::string text;
    bool jump = false;
    int32_t jump_hash = 0;
    int font = -1;  // font descriptor in effect
};

struct ReadParagraph {
    std::vector<ReadRun> runs;
    int spacing_above = 0;
    int left_indent = 0;
    int first_line_indent = 0;
    std::string Text() const;  // the runs' texts joined
};

struct ReadTopic {
    uint32_t offset = 0;  // TOPICOFFSET of its header
    uint32_t topic_number = 0;
    std::string title;
    std::vector<ReadParagraph> paragraphs;
};

struct FontDescriptor {
    uint8_t attributes = 0;  // 1 bold, 2 italic, 4 underline
    uint8_t half_points = 0;
    uint8_t family = 0;
    uint16_t face = 0;
};

struct BTreeEntry {
    std::vector<uint8_t> key;
    std::vector<uint8_t> value;
};

struct ReadFile {
    std::vector<std::string> internal_files;  // as the directory lists them
    uint16_t minor = 0;
    uint16_t flags = 0;
    std::string title;
    std::string copyright;
    std::string window_caption;  // of the main window, when the file defines it
    bool has_contents = false;
    uint32_t contents = 0;  // TOPICOFFSET of the contents topic
    std::vector<std::string> faces;
    std::vector<FontDescriptor> fonts;
    std::vector<std::pair<int32_t, uint32_t>> context;     // hash -> topic offset, in tree order
    std::vector<std::pair<uint32_t, std::string>> titles;  // topic offset -> title, tree order
    std::vector<ReadTopic> topics;
    int tree_levels_context = 0;  // levels of the |CONTEXT B+ tree
    const ReadTopic* TopicAt(uint32_t offset) const;
    const ReadTopic* TopicByHash(int32_t hash) const;
};

// Reads a whole help file of the kind the compiler writes (uncompressed 3.1 files), checking
// every size and offset. 0 (with *error) on anything it cannot follow.
int ReadHelpFile(const uint8_t* data, size_t size, ReadFile* file, std::string* error);

// --- shared by writer, reader and tests -------------------------------------------------------

constexpr uint32_t kMagic = 0x00035F3F;
constexpr uint16_t kBTreeMagic = 0x293B;
constexpr uint16_t kSystemMagic = 0x036C;
constexpr uint16_t kMinorWin31 = 21;
constexpr uint32_t kTopicBlockSize = 4096;
constexpr uint32_t kTopicBlockHeader = 12;
constexpr uint32_t kTopicBlockData = kTopicBlockSize - kTopicBlockHeader;  // no compression

// One B+ tree as the internal files store it. Entries must be given in key order; the tree is
// split into leaf pages of page_size bytes and as many index levels as it takes.
struct BTreeSpec {
    uint16_t page_size = 2048;
    uint16_t flags = 0x0002;
    std::string structure;  // "z4", "L4", "Lz"
    // Bytes of a key as an index page stores it (the same bytes as in the leaf).
};
int WriteBTree(const BTreeSpec& spec, const std::vector<BTreeEntry>& entries,
               std::vector<uint8_t>* out, std::string* error);
// Reads a B+ tree whose keys and values are shaped as structure says ('z' string, 'L' or '4'
// 4-byte number); entries come back in leaf order. *levels receives the tree's level count.
int ReadBTree(const uint8_t* data, size_t size, std::vector<BTreeEntry>* entries, int* levels,
              std::string* error);

}  // namespace hlp
