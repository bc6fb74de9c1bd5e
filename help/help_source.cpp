// Reading the help's text sources into topics: directives, paragraphs, headings, bullets and
// links, with the line of every mistake.
#include "help_source.h"

#include <sstream>

namespace hlp {

namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// Splits a paragraph's text into plain runs and links "[text](context)".
int SplitRuns(const std::string& text, Paragraph* p, std::string* why) {
    size_t at = 0;
    while (at < text.size()) {
        size_t open = text.find('[', at);
        if (open == std::string::npos) {
            p->runs.push_back({text.substr(at), ""});
            break;
        }
        size_t close = text.find("](", open);
        size_t end = close == std::string::npos ? close : text.find(')', close);
        if (end == std::string::npos) {
            *why = "a '[' starts no link [text](topic)";
            return 0;
        }
        if (open > at) p->runs.push_back({text.substr(at, open - at), ""});
        std::string label = text.substr(open + 1, close - open - 1);
        std::string target = text.substr(close + 2, end - close - 2);
        if (label.empty() || !ValidContextName(target)) {
            *why = "the link '" + text.substr(open, end - open + 1) + "' is not [text](topic)";
            return 0;
        }
        p->runs.push_back({label, target});
        at = end + 1;
    }
    return 1;
}

}  // namespace

int ParseTopicSource(const std::string& text, const std::string& name, Topic* topic,
                     std::string* error) {
    *topic = Topic();
    std::istringstream in(text);
    std::string line;
    int number = 0;
    std::string pending;
    int pending_line = 0;
    ParagraphKind kind = ParagraphKind::kBody;
    bool in_body = false;
    auto fail = [&](int at, const std::string& why) {
        *error = name + ":" + std::to_string(at) + ": " + why;
        return 0;
    };
    auto finish = [&]() {
        if (pending.empty()) return 1;
        Paragraph p;
        p.kind = kind;
        std::string why;
        if (!SplitRuns(pending, &p, &why)) return fail(pending_line, why);
        topic->paragraphs.push_back(std::move(p));
        pending.clear();
        kind = ParagraphKind::kBody;
        return 1;
    };
    while (std::getline(in, line)) {
        ++number;
        for (unsigned char c : line) {
            if (c >= 0x80 || (c < 0x20 && c != '\t' && c != '\r'))
                return fail(number, "only plain ASCII text may stand in a help source");
        }
        std::string t = Trim(line);
        if (!in_body && !t.empty() && t[0] == '@') {
            size_t space = t.find(' ');
            std::string key = t.substr(0, space);
            std::string value = space == std::string::npos ? "" : Trim(t.substr(space));
            if (key == "@context") {
                if (!ValidContextName(value)) return fail(number, "a bad context name");
                topic->context = value;
            } else if (key == "@title") {
                if (value.empty()) return fail(number, "an empty title");
                topic->title = value;
            } else {
                return fail(number, "unknown directive " + key);
            }
            continue;
        }
        if (t.empty()) {
            if (!finish()) return 0;
            continue;
        }
        in_body = true;
        bool starts_item = t.rfind("- ", 0) == 0;
        bool starts_heading = t.rfind("## ", 0) == 0;
        bool continues = !pending.empty() && !starts_item && !starts_heading &&
                         (kind == ParagraphKind::kBody || line[0] == ' ' || line[0] == '\t');
        if (!continues && !finish()) return 0;
        if (!continues) {
            pending_line = number;
            if (starts_heading) {
                kind = ParagraphKind::kHeading;
                t = Trim(t.substr(3));
            } else if (starts_item) {
                kind = ParagraphKind::kBullet;
                t = Trim(t.substr(2));
            }
        }
        pending += pending.empty() ? t : " " + t;
        if (kind == ParagraphKind::kHeading && !finish()) return 0;
    }
    if (!finish()) return 0;
    if (topic->context.empty()) return fail(1, "the topic has no @context");
    if (topic->title.empty()) return fail(1, "the topic has no @title");
    return 1;
}

}  // namespace hlp
