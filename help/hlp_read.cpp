// The reading half of the help file format, for the tests and for checking what the compiler
// wrote: follows the file system, the B+ trees and the topic links of an uncompressed 3.1 file.
// Every offset and size is checked against the bytes at hand before use.
#include <algorithm>
#include <cstring>

#include "hlp_file.h"

namespace hlp {

namespace {

// Reads little-endian numbers from a byte range; the first read past the end makes it fail and
// every later read return 0.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool ok = true;
    Reader(const uint8_t* d, size_t n) : data(d), size(n) {}
    bool Has(size_t n) const { return ok && n <= size && at <= size - n; }
    uint32_t Take(size_t n) {
        if (!Has(n)) {
            ok = false;
            return 0;
        }
        uint32_t v = 0;
        for (size_t i = 0; i < n; ++i) v |= static_cast<uint32_t>(data[at + i]) << (8 * i);
        at += n;
        return v;
    }
    uint8_t U8() { return static_cast<uint8_t>(Take(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Take(2)); }
    uint32_t U32() { return Take(4); }
    std::string Str() {
        if (!ok) return {};
        const void* end = at < size ? std::memchr(data + at, 0, size - at) : nullptr;
        if (!end) {
            ok = false;
            return {};
        }
        size_t n = static_cast<const uint8_t*>(end) - (data + at);
        std::string s(reinterpret_cast<const char*>(data + at), n);
        at += n + 1;
        return s;
    }
    uint32_t CompressedUShort() {
        uint8_t b = U8();
        return b & 1 ? (b >> 1) + 128u * U8() : b >> 1;
    }
    int CompressedShort() {
        uint8_t b = U8();
        if (!(b & 1)) return (b >> 1) - 64;
        return static_cast<int>((b >> 1) + 128u * U8()) - 16384;
    }
    uint32_t CompressedULong() {
        uint16_t w = U16();
        return w & 1 ? (w >> 1) + 32768u * U16() : w >> 1;
    }
};

bool Fail(std::string* error, const std::string& why) {
    *error = why;
    return false;
}

constexpr size_t kMaxTopics = 100000;
constexpr size_t kMaxRuns = 100000;

// One internal file's bytes, found through the directory.
struct Slice {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

bool InternalFile(const uint8_t* data, size_t size, uint32_t offset, Slice* out,
                  std::string* error) {
    Reader r(data, size);
    r.at = offset;
    uint32_t reserved = r.U32();
    uint32_t used = r.U32();
    r.U8();
    if (!r.ok || offset > size) return Fail(error, "an internal file lies outside the file");
    if (used > reserved || !r.Has(used)) return Fail(error, "an internal file's size is wrong");
    out->data = data + r.at;
    out->size = used;
    return true;
}

// The keys and values of one leaf entry, sliced by the tree's structure string.
bool SliceEntry(Reader& r, const std::string& structure, BTreeEntry* e) {
    for (size_t i = 0; i < structure.size(); ++i) {
        std::vector<uint8_t>& to = i == 0 ? e->key : e->value;
        size_t start = r.at;
        char c = structure[i];
        if (c == 'z' || c == 'F' || c == 'i') {
            r.Str();
        } else if (c == 'L' || c == '4') {
            r.U32();
        } else if (c == '2') {
            r.U16();
        } else {
            return false;
        }
        if (!r.ok) return false;
        to.insert(to.end(), r.data + start, r.data + r.at);
    }
    return true;
}

void TopicTexts(Reader& d1, const uint8_t* strings, size_t strings_size, ReadParagraph* p,
                std::string* error, bool* ok) {
    Reader d2(strings, strings_size);
    int font = -1;
    bool in_jump = false;
    int32_t hash = 0;
    ReadRun run;
    auto flush = [&]() {
        if (!run.text.empty() || run.jump) p->runs.push_back(run);
        run = ReadRun();
        run.font = font;
        run.jump = in_jump;
        run.jump_hash = hash;
    };
    run.font = font;
    for (size_t guard = 0; guard < kMaxRuns; ++guard) {
        std::string s = d2.Str();
        if (!d2.ok) {
            *ok = Fail(error, "a text record's strings end early");
            return;
        }
        run.text += s;
        uint8_t cmd = d1.U8();
        if (!d1.ok) {
            *ok = Fail(error, "a text record's formatting ends early");
            return;
        }
        switch (cmd) {
            case 0xFF:
                flush();
                return;
            case 0x80:
                flush();
                font = d1.U16();
                run.font = font;
                break;
            case 0x81:
                run.text += '\n';
                break;
            case 0x82:
                break;
            case 0x83:
                run.text += '\t';
                break;
            case 0x8B:
                run.text += ' ';
                break;
            case 0x8C:
                break;
            case 0x89:
                in_jump = false;
                hash = 0;
                flush();
                break;
            case 0xE0:
            case 0xE1:
            case 0xE2:
            case 0xE3:
            case 0xE6:
            case 0xE7:
                flush();
                in_jump = true;
                hash = static_cast<int32_t>(d1.U32());
                run.jump = true;
                run.jump_hash = hash;
                break;
            default:
                *ok = Fail(error,
                           "a text record holds a formatting command this reader "
                           "does not know");
                return;
        }
        if (!d1.ok) {
            *ok = Fail(error, "a text record's formatting ends early");
            return;
        }
    }
    *ok = Fail(error, "a text record has too many pieces");
}

}  // namespace

std::string ReadParagraph::Text() const {
    std::string s;
    for (const ReadRun& r : runs) s += r.text;
    return s;
}

const ReadTopic* ReadFile::TopicAt(uint32_t offset) const {
    for (const ReadTopic& t : topics) {
        if (t.offset == offset) return &t;
    }
    return nullptr;
}

const ReadTopic* ReadFile::TopicByHash(int32_t hash) const {
    for (const auto& c : context) {
        if (c.first == hash) return TopicAt(c.second);
    }
    return nullptr;
}

int ReadBTree(const uint8_t* data, size_t size, std::vector<BTreeEntry>* entries, int* levels,
              std::string* error) {
    Reader h(data, size);
    uint16_t magic = h.U16();
    h.U16();  // flags
    uint16_t page_size = h.U16();
    char structure_bytes[17] = {};
    for (int i = 0; i < 16; ++i) structure_bytes[i] = static_cast<char>(h.U8());
    std::string structure(structure_bytes);
    h.U16();
    h.U16();
    uint16_t root = h.U16();
    h.U16();
    uint16_t total_pages = h.U16();
    uint16_t nlevels = h.U16();
    uint32_t total = h.U32();
    if (!h.ok || magic != kBTreeMagic) return Fail(error, "not a B+ tree");
    if (page_size < 16 || nlevels < 1 || nlevels > 16 || root >= total_pages)
        return Fail(error, "a B+ tree's header is not sane");
    if (static_cast<uint64_t>(total_pages) * page_size > size - h.at)
        return Fail(error, "a B+ tree's pages lie outside its file");
    if (structure.size() < 2) return Fail(error, "a B+ tree's structure is not known");
    const uint8_t* pages = data + h.at;
    auto page_at = [&](uint32_t n) { return pages + static_cast<size_t>(n) * page_size; };

    // Down the first children to the first leaf, then along the leaves.
    uint32_t page = root;
    for (int l = 1; l < nlevels; ++l) {
        Reader p(page_at(page), page_size);
        p.U16();
        p.U16();
        page = p.U16();
        if (page >= total_pages) return Fail(error, "a B+ tree's index points nowhere");
    }
    entries->clear();
    std::vector<bool> seen(total_pages, false);
    while (page != 0xFFFF) {
        if (page >= total_pages || seen[page]) return Fail(error, "a B+ tree's leaves loop");
        seen[page] = true;
        Reader p(page_at(page), page_size);
        p.U16();
        uint16_t count = p.U16();
        p.U16();
        uint16_t next = p.U16();
        for (uint16_t i = 0; i < count; ++i) {
            if (entries->size() >= total)
                return Fail(error,
                            "a B+ tree has more entries "
                            "than it says");
            BTreeEntry e;
            if (!SliceEntry(p, structure, &e)) return Fail(error, "a B+ tree's leaf is broken");
            entries->push_back(std::move(e));
        }
        page = next;
    }
    if (entries->size() != total) return Fail(error, "a B+ tree has fewer entries than it says");
    *levels = nlevels;
    return 1;
}

int ReadHelpFile(const uint8_t* data, size_t size, ReadFile* file, std::string* error) {
    *file = ReadFile();
    Reader h(data, size);
    uint32_t magic = h.U32();
    uint32_t directory = h.U32();
    h.U32();
    uint32_t total = h.U32();
    if (!h.ok || magic != kMagic) return Fail(error, "not a help file");
    if (total != size) return Fail(error, "the help file's size is not the one it says");

    Slice dir;
    if (!InternalFile(data, size, directory, &dir, error)) return 0;
    std::vector<BTreeEntry> names;
    int levels = 0;
    if (!ReadBTree(dir.data, dir.size, &names, &levels, error)) return 0;
    Slice system, font, topic, context, titles;
    for (const BTreeEntry& e : names) {
        std::string name(e.key.begin(), e.key.end() - 1);
        if (e.value.size() != 4) return Fail(error, "the directory is broken");
        uint32_t at = e.value[0] | e.value[1] << 8 | e.value[2] << 16 |
                      static_cast<uint32_t>(e.value[3]) << 24;
        Slice s;
        if (!InternalFile(data, size, at, &s, error)) return 0;
        file->internal_files.push_back(name);
        if (name == "|SYSTEM") system = s;
        if (name == "|FONT") font = s;
        if (name == "|TOPIC") topic = s;
        if (name == "|CONTEXT") context = s;
        if (name == "|TTLBTREE") titles = s;
    }
    if (!system.data || !topic.data) return Fail(error, "|SYSTEM or |TOPIC is missing");

    // |SYSTEM
    Reader s(system.data, system.size);
    uint16_t smagic = s.U16();
    file->minor = s.U16();
    s.U16();
    s.U32();
    file->flags = s.U16();
    if (!s.ok || smagic != kSystemMagic) return Fail(error, "|SYSTEM is broken");
    if (file->minor <= 16 || file->flags != 0)
        return Fail(error, "only uncompressed 3.1 help files can be read");
    while (s.ok && s.at < s.size) {
        uint16_t type = s.U16();
        uint16_t n = s.U16();
        if (!s.Has(n)) return Fail(error, "a |SYSTEM record is cut short");
        Reader rec(s.data + s.at, n);
        if (type == 1) file->title = rec.Str();
        if (type == 2) file->copyright = rec.Str();
        if (type == 3) {
            file->contents = rec.U32();
            file->has_contents = rec.ok;
        }
        if (type == 6 && n >= 72) {
            const char* caption = reinterpret_cast<const char*>(s.data + s.at + 21);
            const void* nul = std::memchr(caption, 0, 51);
            if (!nul) return Fail(error, "a window caption has no end");
            file->window_caption.assign(caption, static_cast<const char*>(nul) - caption);
        }
        if (!rec.ok) return Fail(error, "a |SYSTEM record is broken");
        s.at += n;
    }

    // |FONT (descriptors of the 3.x kind)
    if (font.data) {
        Reader f(font.data, font.size);
        uint16_t nfaces = f.U16();
        uint16_t ndesc = f.U16();
        uint16_t faces_at = f.U16();
        uint16_t desc_at = f.U16();
        if (!f.ok || faces_at != 8 || desc_at < faces_at || nfaces == 0 ||
            (desc_at - faces_at) % nfaces != 0 || desc_at > font.size ||
            static_cast<size_t>(ndesc) * 11 > font.size - desc_at)
            return Fail(error, "|FONT is broken");
        size_t face_size = (desc_at - faces_at) / nfaces;
        for (uint16_t i = 0; i < nfaces; ++i) {
            const char* p = reinterpret_cast<const char*>(font.data + faces_at + i * face_size);
            const void* nul = std::memchr(p, 0, face_size);
            file->faces.emplace_back(p, nul ? static_cast<const char*>(nul) - p : face_size);
        }
        f.at = desc_at;
        for (uint16_t i = 0; i < ndesc; ++i) {
            FontDescriptor d;
            d.attributes = f.U8();
            d.half_points = f.U8();
            d.family = f.U8();
            d.face = f.U16();
            f.at += 6;
            if (d.face >= nfaces) return Fail(error, "a font names no face");
            file->fonts.push_back(d);
        }
    }

    // |CONTEXT and |TTLBTREE
    if (context.data) {
        std::vector<BTreeEntry> entries;
        if (!ReadBTree(context.data, context.size, &entries, &file->tree_levels_context, error))
            return 0;
        for (const BTreeEntry& e : entries) {
            Reader k(e.key.data(), e.key.size());
            Reader v(e.value.data(), e.value.size());
            file->context.push_back({static_cast<int32_t>(k.U32()), v.U32()});
        }
    }
    if (titles.data) {
        std::vector<BTreeEntry> entries;
        int title_levels = 0;
        if (!ReadBTree(titles.data, titles.size, &entries, &title_levels, error)) return 0;
        for (const BTreeEntry& e : entries) {
            Reader k(e.key.data(), e.key.size());
            file->titles.push_back({k.U32(), std::string(e.value.begin(), e.value.end() - 1)});
        }
    }

    // |TOPIC: join the blocks' data, then walk the links from the first.
    if (topic.size % kTopicBlockSize != 0 || topic.size == 0)
        return Fail(error, "|TOPIC is not made of whole blocks");
    size_t blocks = topic.size / kTopicBlockSize;
    std::vector<uint8_t> stream;
    stream.reserve(blocks * kTopicBlockData);
    for (size_t b = 0; b < blocks; ++b) {
        const uint8_t* at = topic.data + b * kTopicBlockSize + kTopicBlockHeader;
        stream.insert(stream.end(), at, at + kTopicBlockData);
    }
    uint32_t pos = kTopicBlockHeader;
    uint32_t chars = 0;
    uint32_t current_block = 0;
    ReadTopic* current = nullptr;
    size_t walked = 0;
    while (pos != 0xFFFFFFFFu && pos != 0) {
        if (++walked > stream.size()) return Fail(error, "the topic links loop");
        if (pos < kTopicBlockHeader) return Fail(error, "a topic link points nowhere");
        uint32_t at = pos - kTopicBlockHeader;
        uint32_t block = at / kTopicBlockData;
        if (block != current_block) {
            current_block = block;
            chars = 0;
        }
        Reader l(stream.data(), stream.size());
        l.at = at;
        uint32_t block_size = l.U32();
        uint32_t len2 = l.U32();
        l.U32();
        uint32_t next = l.U32();
        uint32_t len1 = l.U32();
        uint8_t type = l.U8();
        if (!l.ok || len1 < 21 || block_size < len1 || len2 != block_size - len1 ||
            !l.Has(block_size - 21))
            return Fail(error, "a topic link's sizes are wrong");
        const uint8_t* d1 = stream.data() + at + 21;
        const uint8_t* d2 = d1 + (len1 - 21);
        uint32_t offset = block * 0x8000u + chars;
        if (type == 2) {
            current = nullptr;
            if (next != 0xFFFFFFFFu) {
                if (file->topics.size() >= kMaxTopics) return Fail(error, "too many topics");
                Reader th(d1, len1 - 21);
                ReadTopic t;
                t.offset = offset;
                th.U32();
                th.U32();
                th.U32();
                t.topic_number = th.U32();
                Reader tt(d2, len2);
                t.title = len2 ? tt.Str() : std::string();
                if (!th.ok || !tt.ok) return Fail(error, "a topic header is broken");
                file->topics.push_back(std::move(t));
                current = &file->topics.back();
            }
        } else if (type == 0x20) {
            if (!current) return Fail(error, "text stands before any topic");
            Reader f(d1, len1 - 21);
            f.CompressedULong();
            uint32_t length = f.CompressedUShort();
            f.U8();
            f.U8();
            f.U16();
            uint16_t bits = f.U16();
            ReadParagraph p;
            if (bits & 0x0001) f.CompressedULong();
            if (bits & 0x0002) p.spacing_above = f.CompressedShort();
            if (bits & 0x0004) f.CompressedShort();
            if (bits & 0x0008) f.CompressedShort();
            if (bits & 0x0010) p.left_indent = f.CompressedShort();
            if (bits & 0x0020) f.CompressedShort();
            if (bits & 0x0040) p.first_line_indent = f.CompressedShort();
            if (bits & 0x0300) return Fail(error, "borders and tabs are not read");
            if (!f.ok) return Fail(error, "a paragraph's format is cut short");
            bool ok = true;
            TopicTexts(f, d2, len2, &p, error, &ok);
            if (!ok) return 0;
            current->paragraphs.push_back(std::move(p));
            chars += length;
        } else {
            return Fail(error, "a topic link of an unknown kind");
        }
        pos = next;
    }
    return 1;
}

}  // namespace hlp
