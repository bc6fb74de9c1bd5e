// The writing half of the help file format: B+ trees, the internal files and the file system
// around them. Topic text goes into |TOPIC uncompressed; a record never straddles a block (the
// rest of a block is left zero and the next record starts the next block), so that every
// TOPICLINK lies whole inside one block.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "hlp_file.h"

namespace hlp {

namespace {

// The character weights of the context-name hash, one per byte value.
const uint8_t kHashTable[256] = {
    0x00, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    0xF0, 0x0B, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0x0C, 0xFF,
    0x0A, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0D,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0x80, 0x81, 0x82, 0x83, 0x0B, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F,
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF};

struct Bytes {
    std::vector<uint8_t> b;
    void U8(uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Str(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        U8(0);
    }
    void Put(const std::vector<uint8_t>& v) { b.insert(b.end(), v.begin(), v.end()); }
    void Set32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    // The format's compact numbers: one byte for small values, else two (shorts) or four.
    void CompressedUShort(uint32_t v) {
        if (v < 128) {
            U8(v * 2);
        } else {
            U16(v * 2 + 1);
        }
    }
    void CompressedShort(int v) {
        if (v >= -64 && v < 64) {
            U8(static_cast<uint32_t>((v + 64) * 2));
        } else {
            U16(static_cast<uint32_t>((v + 16384) * 2 + 1));
        }
    }
    void CompressedULong(uint32_t v) {
        if (v < 32768) {
            U16(v * 2);
        } else {
            U32(v * 2 + 1);
        }
    }
};

std::vector<uint8_t> Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

std::vector<uint8_t> Zstr(const std::string& s) {
    std::vector<uint8_t> v(s.begin(), s.end());
    v.push_back(0);
    return v;
}

// Paragraph formats of the three kinds (spacing and indents in half points).
struct ParagraphFormat {
    int font;
    int spacing_above;
    int left_indent;
    int first_line_indent;
};
ParagraphFormat FormatOf(ParagraphKind kind) {
    switch (kind) {
        case ParagraphKind::kHeading:
            return {1, 12, 0, 0};
        case ParagraphKind::kBullet:
            return {0, 6, 30, -14};
        case ParagraphKind::kBody:
        default:
            return {0, 12, 0, 0};
    }
}

// One TOPICLINK before its place is known.
struct Record {
    uint8_t type = 0;
    std::vector<uint8_t> data1;  // without the 21-byte link header
    std::vector<uint8_t> data2;
    size_t topic = 0;
    uint32_t pos = 0;           // TOPICPOS
    uint32_t topic_offset = 0;  // TOPICOFFSET at its start
    uint32_t Size() const { return static_cast<uint32_t>(21 + data1.size() + data2.size()); }
};

constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr size_t kTopicHeaderSize = 28;

// A text record (type 0x20) holding one paragraph.
int TextRecord(const Paragraph& p, const std::map<std::string, int32_t>& hashes, Record* r,
               std::string* error) {
    ParagraphFormat f = FormatOf(p.kind);
    Bytes formatting;  // character formatting commands
    std::vector<uint8_t> strings;
    std::string current;
    auto command = [&](const std::vector<uint8_t>& cmd) {
        strings.insert(strings.end(), current.begin(), current.end());
        strings.push_back(0);
        current.clear();
        formatting.Put(cmd);
    };
    command({0x80, static_cast<uint8_t>(f.font), 0});
    if (p.kind == ParagraphKind::kBullet) current += "\x95 ";
    for (const Run& run : p.runs) {
        if (run.text.find('\0') != std::string::npos) {
            *error = "a paragraph holds a NUL character";
            return 0;
        }
        if (run.jump.empty()) {
            current += run.text;
            continue;
        }
        std::string key = run.jump;
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        auto found = hashes.find(key);
        if (found == hashes.end()) {
            *error = "a link goes to the unknown topic '" + run.jump + "'";
            return 0;
        }
        std::vector<uint8_t> jump = {0xE3};
        std::vector<uint8_t> hash = Le32(static_cast<uint32_t>(found->second));
        jump.insert(jump.end(), hash.begin(), hash.end());
        command(jump);
        current += run.text;
        command({0x89});
    }
    command({0x82});
    command({0xFF});

    uint32_t length = static_cast<uint32_t>(strings.size());
    if (length + 64 + formatting.b.size() > kTopicBlockData) {
        *error = "a paragraph is too long for one topic block";
        return 0;
    }
    Bytes d1;
    d1.CompressedULong(length);   // size of the record's text
    d1.CompressedUShort(length);  // characters it adds to the topic offset
    d1.U8(0);                     // paragraph info: unknown byte
    d1.U8(0x80);                  // biased byte, 0
    d1.U16(0);                    // id
    uint16_t bits = 0x0002;       // spacing above follows
    if (f.left_indent) bits |= 0x0010;
    if (f.first_line_indent) bits |= 0x0040;
    d1.U16(bits);
    d1.CompressedShort(f.spacing_above);
    if (f.left_indent) d1.CompressedShort(f.left_indent);
    if (f.first_line_indent) d1.CompressedShort(f.first_line_indent);
    d1.Put(formatting.b);
    r->type = 0x20;
    r->data1 = std::move(d1.b);
    r->data2 = std::move(strings);
    return 1;
}

// The file-system header of an internal file, then its bytes.
void AppendInternalFile(Bytes& file, const std::vector<uint8_t>& content, uint8_t flags) {
    uint32_t used = static_cast<uint32_t>(content.size());
    file.U32(used + 9);
    file.U32(used);
    file.U8(flags);
    file.Put(content);
}

}  // namespace

int32_t ContextHash(const std::string& context) {
    uint32_t hash = 0;
    for (unsigned char c : context) hash = hash * 43u + static_cast<int8_t>(kHashTable[c]);
    return static_cast<int32_t>(hash);
}

bool ValidContextName(const std::string& context) {
    if (context.empty() || context.size() > 255) return false;
    for (unsigned char c : context) {
        if (!std::isalnum(c) && c != '_' && c != '.') return false;
    }
    return true;
}

int WriteBTree(const BTreeSpec& spec, const std::vector<BTreeEntry>& entries,
               std::vector<uint8_t>* out, std::string* error) {
    const size_t page_size = spec.page_size;
    if (page_size < 64 || spec.structure.size() > 15) {
        *error = "bad B+ tree layout";
        return 0;
    }
    struct Page {
        std::vector<uint8_t> bytes;
        std::vector<uint8_t> first_key;
    };
    std::vector<Page> pages;
    // Leaves: 8-byte header (free bytes, entry count, previous, next), then the entries.
    std::vector<size_t> level;  // page numbers of the level being built
    {
        size_t i = 0;
        do {
            Page page;
            size_t used = 8;
            uint16_t count = 0;
            std::vector<uint8_t> body;
            while (i < entries.size()) {
                size_t n = entries[i].key.size() + entries[i].value.size();
                if (8 + n > page_size) {
                    *error = "a B+ tree entry is larger than a page";
                    return 0;
                }
                if (used + n > page_size) break;
                if (count == 0) page.first_key = entries[i].key;
                body.insert(body.end(), entries[i].key.begin(), entries[i].key.end());
                body.insert(body.end(), entries[i].value.begin(), entries[i].value.end());
                used += n;
                ++count;
                ++i;
            }
            Bytes b;
            b.U16(static_cast<uint32_t>(page_size - used));
            b.U16(count);
            b.U16(0xFFFF);  // previous and next, set below
            b.U16(0xFFFF);
            b.Put(body);
            b.b.resize(page_size, 0);
            page.bytes = std::move(b.b);
            level.push_back(pages.size());
            pages.push_back(std::move(page));
        } while (i < entries.size());
        for (size_t k = 0; k < level.size(); ++k) {
            std::vector<uint8_t>& p = pages[level[k]].bytes;
            uint16_t prev = k == 0 ? 0xFFFF : static_cast<uint16_t>(level[k - 1]);
            uint16_t next = k + 1 == level.size() ? 0xFFFF : static_cast<uint16_t>(level[k + 1]);
            p[4] = prev & 0xFF;
            p[5] = prev >> 8;
            p[6] = next & 0xFF;
            p[7] = next >> 8;
        }
    }
    if (pages.size() > 0x7FFF) {
        *error = "a B+ tree needs too many pages";
        return 0;
    }
    int levels = 1;
    // Index levels: 6-byte header (free bytes, entry count, page of keys below the first
    // entry), then pairs of a child's first key and its page number.
    while (level.size() > 1) {
        std::vector<size_t> upper;
        size_t i = 0;
        while (i < level.size()) {
            Page page;
            page.first_key = pages[level[i]].first_key;
            Bytes b;
            b.U16(0);
            b.U16(0);
            b.U16(static_cast<uint32_t>(level[i]));
            size_t used = 6;
            uint16_t count = 0;
            ++i;
            while (i < level.size()) {
                size_t n = pages[level[i]].first_key.size() + 2;
                if (used + n > page_size) break;
                b.Put(pages[level[i]].first_key);
                b.U16(static_cast<uint32_t>(level[i]));
                used += n;
                ++count;
                ++i;
            }
            b.b[0] = static_cast<uint8_t>((page_size - used) & 0xFF);
            b.b[1] = static_cast<uint8_t>((page_size - used) >> 8);
            b.b[2] = count & 0xFF;
            b.b[3] = count >> 8;
            b.b.resize(page_size, 0);
            page.bytes = std::move(b.b);
            upper.push_back(pages.size());
            pages.push_back(std::move(page));
        }
        level = std::move(upper);
        ++levels;
        if (pages.size() > 0x7FFF) {
            *error = "a B+ tree needs too many pages";
            return 0;
        }
    }
    Bytes h;
    h.U16(kBTreeMagic);
    h.U16(spec.flags);
    h.U16(spec.page_size);
    char structure[16] = {};
    std::memcpy(structure, spec.structure.data(), spec.structure.size());
    for (char c : structure) h.U8(static_cast<uint8_t>(c));
    h.U16(0);                                      // must be zero
    h.U16(0);                                      // page splits
    h.U16(static_cast<uint32_t>(level.front()));   // root page
    h.U16(0xFFFF);                                 // must be -1
    h.U16(static_cast<uint32_t>(pages.size()));    // total pages
    h.U16(static_cast<uint32_t>(levels));          // levels
    h.U32(static_cast<uint32_t>(entries.size()));  // entries
    for (const Page& p : pages) h.Put(p.bytes);
    *out = std::move(h.b);
    return 1;
}

int WriteHelpFile(const Project& project, std::vector<uint8_t>* out, std::string* error) {
    if (project.topics.empty()) {
        *error = "the help has no topics";
        return 0;
    }
    // Context names: valid, unique regardless of case, hashes unique.
    std::map<std::string, int32_t> hashes;  // lower-case name -> hash
    std::map<int32_t, size_t> by_hash;      // hash -> topic
    for (size_t t = 0; t < project.topics.size(); ++t) {
        const Topic& topic = project.topics[t];
        if (!ValidContextName(topic.context)) {
            *error = "the topic name '" + topic.context + "' is not a valid context name";
            return 0;
        }
        std::string key = topic.context;
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        int32_t hash = ContextHash(topic.context);
        if (hashes.count(key) || by_hash.count(hash)) {
            *error = "the topic name '" + topic.context + "' is used twice";
            return 0;
        }
        hashes[key] = hash;
        by_hash[hash] = t;
    }

    // The records of every topic, then a closing header that holds no topic.
    std::vector<Record> records;
    std::vector<size_t> first_record(project.topics.size());
    for (size_t t = 0; t < project.topics.size(); ++t) {
        const Topic& topic = project.topics[t];
        first_record[t] = records.size();
        Record header;
        header.type = 2;
        header.data1.assign(kTopicHeaderSize, 0);  // filled once positions are known
        header.data2 = Zstr(topic.title);
        header.topic = t;
        records.push_back(std::move(header));
        Paragraph title;
        title.kind = ParagraphKind::kHeading;
        title.runs.push_back({topic.title, ""});
        std::vector<const Paragraph*> all = {&title};
        for (const Paragraph& p : topic.paragraphs) all.push_back(&p);
        for (const Paragraph* p : all) {
            Record r;
            if (!TextRecord(*p, hashes, &r, error)) {
                *error = "topic '" + topic.context + "': " + *error;
                return 0;
            }
            r.topic = t;
            records.push_back(std::move(r));
        }
    }
    {
        Record end;
        end.type = 2;
        end.data1.assign(kTopicHeaderSize, 0xFF);
        end.topic = project.topics.size();
        records.push_back(std::move(end));
    }

    // Places: each record whole inside one block's data; TOPICPOS counts the data bytes of the
    // blocks before it plus the 12-byte block header, TOPICOFFSET is the block number times
    // 0x8000 plus the characters of the text records before it in its block.
    uint32_t stream = 0;
    uint32_t block = 0;
    uint32_t chars = 0;
    for (Record& r : records) {
        uint32_t size = r.Size();
        if (size > kTopicBlockData) {
            *error = "a topic record is too long for one topic block";
            return 0;
        }
        if (stream % kTopicBlockData + size > kTopicBlockData) {
            stream = (stream / kTopicBlockData + 1) * kTopicBlockData;
        }
        if (stream / kTopicBlockData != block) {
            block = stream / kTopicBlockData;
            chars = 0;
        }
        if (block >= 0x10000) {
            *error = "the help is too large";
            return 0;
        }
        r.pos = stream + kTopicBlockHeader;
        r.topic_offset = block * 0x8000u + chars;
        if (r.type == 0x20) chars += static_cast<uint32_t>(r.data2.size());
        stream += size;
    }
    const uint32_t blocks = stream / kTopicBlockData + 1;

    // Topic headers: size, browse links (none), number, regions and the next header.
    std::vector<uint32_t> topic_offset(project.topics.size());
    for (size_t t = 0; t < project.topics.size(); ++t) {
        size_t first = first_record[t];
        size_t after = t + 1 < project.topics.size() ? first_record[t + 1] : records.size() - 1;
        uint32_t size = 0;
        for (size_t k = first; k < after; ++k) size += records[k].Size();
        Bytes h;
        h.U32(size);
        h.U32(kNone);  // no browse sequence
        h.U32(kNone);
        h.U32(static_cast<uint32_t>(t));
        h.U32(kNone);  // no non-scrolling region
        h.U32(records[first + 1].pos);
        h.U32(t + 1 < project.topics.size() ? records[after].pos : kNone);
        records[first].data1 = std::move(h.b);
        topic_offset[t] = records[first].topic_offset;
    }

    // |TOPIC: the blocks, each with its header, the records linked both ways.
    std::vector<uint8_t> topic_file(static_cast<size_t>(blocks) * kTopicBlockSize, 0);
    std::vector<uint32_t> first_in_block(blocks, kNone);
    std::vector<uint32_t> last_before(blocks, kNone);
    std::vector<uint32_t> header_before(blocks, kNone);
    {
        uint32_t last = kNone;
        uint32_t last_header = kNone;
        uint32_t b = 0;
        for (size_t k = 0; k < records.size(); ++k) {
            Record& r = records[k];
            uint32_t rb = (r.pos - kTopicBlockHeader) / kTopicBlockData;
            while (b < rb) {
                ++b;
                last_before[b] = last;
                header_before[b] = last_header;
            }
            if (first_in_block[rb] == kNone) first_in_block[rb] = r.pos;
            Bytes link;
            link.U32(r.Size());
            link.U32(static_cast<uint32_t>(r.data2.size()));
            link.U32(k == 0 ? kNone : records[k - 1].pos);
            link.U32(k + 1 == records.size() ? kNone : records[k + 1].pos);
            link.U32(static_cast<uint32_t>(21 + r.data1.size()));
            link.U8(r.type);
            link.Put(r.data1);
            link.Put(r.data2);
            uint32_t in_block = (r.pos - kTopicBlockHeader) % kTopicBlockData;
            size_t at = static_cast<size_t>(rb) * kTopicBlockSize + kTopicBlockHeader + in_block;
            std::copy(link.b.begin(), link.b.end(), topic_file.begin() + at);
            last = r.pos;
            if (r.type == 2) last_header = r.pos;
        }
    }
    for (uint32_t b = 0; b < blocks; ++b) {
        size_t at = static_cast<size_t>(b) * kTopicBlockSize;
        uint32_t fields[3] = {last_before[b], first_in_block[b], header_before[b]};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 4; ++j)
                topic_file[at + 4 * i + j] = static_cast<uint8_t>(fields[i] >> (8 * j));
        }
    }

    // |SYSTEM: a 3.1 header without compression, then title, copyright and contents topic.
    Bytes system;
    system.U16(kSystemMagic);
    system.U16(kMinorWin31);
    system.U16(1);
    system.U32(0);  // no build date: the same sources give the same file
    system.U16(0);  // flags: no compression, 4 KiB topic blocks
    auto record = [&](uint16_t type, const std::vector<uint8_t>& data) {
        system.U16(type);
        system.U16(static_cast<uint32_t>(data.size()));
        system.Put(data);
    };
    record(1, Zstr(project.title));
    record(2, Zstr(project.copyright));
    record(3, Le32(topic_offset[0]));
    {
        // The main window: its caption is the help's title.
        Bytes w;
        w.U16(0x0001 | 0x0002 | 0x0004);  // type, name and caption given
        auto fixed = [&w](const std::string& text, size_t n) {
            std::vector<uint8_t> field(n, 0);
            std::copy_n(text.begin(), std::min(text.size(), n - 1), field.begin());
            w.Put(field);
        };
        fixed("main", 10);
        fixed("main", 9);
        fixed(project.title, 51);
        for (int i = 0; i < 5; ++i) w.U16(0);  // position, size and state: the viewer's own
        w.U32(0xFFFFFF);                       // white scrolling region
        w.U32(0xFFFFFF);                       // and non-scrolling region
        record(6, w.b);
    }

    // |FONT: one face, body and heading descriptors (half points, family swiss).
    Bytes font;
    const std::vector<std::string> faces = {"Arial"};
    const uint16_t face_size = 32;
    font.U16(static_cast<uint32_t>(faces.size()));
    font.U16(2);
    font.U16(8);
    font.U16(8 + face_size * static_cast<uint32_t>(faces.size()));
    for (const std::string& face : faces) {
        std::vector<uint8_t> name(face_size, 0);
        std::copy(face.begin(), face.end(), name.begin());
        font.Put(name);
    }
    const uint8_t descriptors[2][2] = {{0, 20}, {1, 28}};  // attributes, half points
    for (const auto& d : descriptors) {
        font.U8(d[0]);
        font.U8(d[1]);
        font.U8(3);   // swiss
        font.U16(0);  // face
        font.U8(0);   // black on white
        font.U8(0);
        font.U8(0);
        font.U8(0xFF);
        font.U8(0xFF);
        font.U8(0xFF);
    }

    // |CONTEXT in hash order (signed), |TTLBTREE in topic offset order.
    std::vector<BTreeEntry> context;
    for (const auto& h : by_hash)
        context.push_back({Le32(static_cast<uint32_t>(h.first)), Le32(topic_offset[h.second])});
    std::vector<std::pair<uint32_t, size_t>> by_offset;
    for (size_t t = 0; t < project.topics.size(); ++t) by_offset.push_back({topic_offset[t], t});
    std::sort(by_offset.begin(), by_offset.end());
    std::vector<BTreeEntry> titles;
    for (const auto& o : by_offset) {
        titles.push_back({Le32(o.first), Zstr(project.topics[o.second].title)});
    }
    std::vector<uint8_t> context_tree;
    std::vector<uint8_t> title_tree;
    if (!WriteBTree({2048, 0x0002, "L4"}, context, &context_tree, error)) return 0;
    if (!WriteBTree({2048, 0x0002, "Lz"}, titles, &title_tree, error)) return 0;

    // The file system: header, the internal files in name order, the directory last.
    std::vector<std::pair<std::string, const std::vector<uint8_t>*>> files = {
        {"|CONTEXT", &context_tree},
        {"|FONT", &font.b},
        {"|SYSTEM", &system.b},
        {"|TOPIC", &topic_file},
        {"|TTLBTREE", &title_tree}};
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    Bytes file;
    file.U32(kMagic);
    file.U32(0);      // directory, set below
    file.U32(kNone);  // no free list
    file.U32(0);      // size, set below
    std::vector<BTreeEntry> directory;
    for (const auto& f : files) {
        directory.push_back({Zstr(f.first), Le32(static_cast<uint32_t>(file.b.size()))});
        AppendInternalFile(file, *f.second, 0);
    }
    std::vector<uint8_t> directory_tree;
    if (!WriteBTree({1024, 0x0402, "z4"}, directory, &directory_tree, error)) return 0;
    file.Set32(4, static_cast<uint32_t>(file.b.size()));
    AppendInternalFile(file, directory_tree, 4);
    file.Set32(12, static_cast<uint32_t>(file.b.size()));
    *out = std::move(file.b);
    return 1;
}

}  // namespace hlp
