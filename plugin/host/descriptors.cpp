#include "plugin/host/descriptors.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

void Indent(std::string* out, int depth) {
    out->append(static_cast<size_t>(depth) * 2, ' ');
}

std::string Number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

void WriteItems(const Descriptor& d, int depth, std::string* out);

void WriteItem(const DescItem& it, int depth, std::string* out) {
    Indent(out, depth);
    *out += FourCCText(it.key);
    switch (it.kind) {
        case DescItem::kInteger:
            *out += " integer " + Number(it.number) + "\n";
            break;
        case DescItem::kFloat:
            *out += " float " + Number(it.number) + "\n";
            break;
        case DescItem::kUnitFloat:
            *out += " unit " + FourCCText(it.type) + " " + Number(it.number) + "\n";
            break;
        case DescItem::kBoolean:
            *out += it.number != 0 ? " bool true\n" : " bool false\n";
            break;
        case DescItem::kEnum:
            *out += " enum " + FourCCText(it.type) + " " + FourCCText(it.value) + "\n";
            break;
        case DescItem::kList:
            *out += " list " + std::to_string(it.count) + "\n";
            for (const DescObject& o : it.objects) {
                Indent(out, depth + 1);
                *out += "object " + FourCCText(o.cls) + "\n";
                WriteItems(o.desc, depth + 2, out);
                Indent(out, depth + 1);
                *out += "end\n";
            }
            Indent(out, depth);
            *out += "end\n";
            break;
    }
}

void WriteItems(const Descriptor& d, int depth, std::string* out) {
    for (const DescItem& it : d.items) WriteItem(it, depth, out);
}

// One line cut into words; a quoted code is one word with its quotes.
bool SplitLine(const std::string& line, std::vector<std::string>* words, std::string* why) {
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '\'') {
            if (i + 5 >= line.size() || line[i + 5] != '\'') {
                *why = "a code needs four characters in quotes";
                return false;
            }
            words->push_back(line.substr(i, 6));
            i += 6;
        } else {
            size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t' &&
                   line[end] != '\r') {
                ++end;
            }
            words->push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return true;
}

bool Code(const std::string& w, host::OSType* code) {
    if (w.size() != 6 || w[0] != '\'' || w[5] != '\'') return false;
    *code = host::FourCC({w[1], w[2], w[3], w[4], 0});
    return true;
}

bool ParseNumber(const std::string& w, double* v) {
    if (w.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double d = std::strtod(w.c_str(), &end);
    if (errno != 0 || end != w.c_str() + w.size() || !std::isfinite(d)) return false;
    *v = d;
    return true;
}

}  // namespace

std::string FourCCText(host::OSType code) {
    std::string s = "'";
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((code >> shift) & 0xFF);
        s += (c >= 0x20 && c < 0x7F && c != '\'') ? c : '?';
    }
    return s + "'";
}

std::string DescriptorText(const Descriptor& d) {
    std::string out;
    WriteItems(d, 0, &out);
    return out;
}

bool ParseDescriptorText(const std::string& text, Descriptor* d, int* bad_line, std::string* why) {
    // The open containers: the descriptor at the bottom, then (list, object) pairs.
    struct Open {
        Descriptor* desc;  // where items go (null while inside a list between objects)
        DescItem* list;    // the list whose objects come (null inside a descriptor)
    };
    Descriptor result;
    std::vector<Open> stack{{&result, nullptr}};
    int items = 0;
    int line_no = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        if (nl == std::string::npos) nl = text.size();
        const std::string line = text.substr(at, nl - at);
        at = nl + 1;
        ++line_no;
        *bad_line = line_no;
        std::vector<std::string> w;
        if (!SplitLine(line, &w, why)) return false;
        if (w.empty() || w[0][0] == '#') continue;
        Open& top = stack.back();
        if (w[0] == "end") {
            if (w.size() != 1 || stack.size() == 1) {
                *why = "an end without a list or object";
                return false;
            }
            stack.pop_back();
            continue;
        }
        if (w[0] == "object") {
            host::OSType cls = 0;
            if (!top.list || w.size() != 2 || !Code(w[1], &cls)) {
                *why = "an object belongs in a list: object 'clas'";
                return false;
            }
            if (++items > kDescriptorMaxItems) {
                *why = "too many items";
                return false;
            }
            top.list->objects.emplace_back();
            top.list->objects.back().cls = cls;
            Descriptor* inner = &top.list->objects.back().desc;
            stack.push_back({inner, nullptr});
            continue;
        }
        if (!top.desc) {
            *why = "a list holds objects only";
            return false;
        }
        DescItem it;
        if (w.size() < 2 || !Code(w[0], &it.key)) {
            *why = "an item starts with its key: 'abcd' kind value";
            return false;
        }
        bool ok = false;
        const std::string& kind = w[1];
        if (kind == "integer" && w.size() == 3) {
            it.kind = DescItem::kInteger;
            ok = ParseNumber(w[2], &it.number) && it.number == std::floor(it.number) &&
                 it.number >= INT32_MIN && it.number <= INT32_MAX;
        } else if (kind == "float" && w.size() == 3) {
            it.kind = DescItem::kFloat;
            ok = ParseNumber(w[2], &it.number);
        } else if (kind == "unit" && w.size() == 4) {
            it.kind = DescItem::kUnitFloat;
            ok = Code(w[2], &it.type) && ParseNumber(w[3], &it.number);
        } else if (kind == "bool" && w.size() == 3) {
            it.kind = DescItem::kBoolean;
            ok = w[2] == "true" || w[2] == "false";
            it.number = w[2] == "true" ? 1 : 0;
        } else if (kind == "enum" && w.size() == 4) {
            it.kind = DescItem::kEnum;
            ok = Code(w[2], &it.type) && Code(w[3], &it.value);
        } else if (kind == "list" && w.size() == 3) {
            it.kind = DescItem::kList;
            double n = 0;
            ok = ParseNumber(w[2], &n) && n >= 0 && n <= kDescriptorMaxItems && n == std::floor(n);
            // Converted only once it is known to fit.
            it.count = ok ? static_cast<uint32_t>(n) : 0;
        }
        if (!ok) {
            *why = "not an item: 'abcd' integer|float|unit|bool|enum|list ...";
            return false;
        }
        if (++items > kDescriptorMaxItems) {
            *why = "too many items";
            return false;
        }
        const bool is_list = it.kind == DescItem::kList;
        top.desc->items.push_back(std::move(it));
        if (is_list) {
            if (static_cast<int>(stack.size()) / 2 >= kDescriptorMaxDepth) {
                *why = "lists nested too deep";
                return false;
            }
            DescItem* list = &stack.back().desc->items.back();
            stack.push_back({nullptr, list});
        }
    }
    if (stack.size() != 1) {
        *bad_line = line_no + 1;
        *why = "a list or object without its end";
        return false;
    }
    *bad_line = 0;
    *d = std::move(result);
    return true;
}
