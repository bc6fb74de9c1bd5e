#include "cli/image_ranges.h"

#include <algorithm>
#include <cctype>

namespace {

// Highest image number that can be written; cameras hold far fewer.
constexpr long kMaxImageNumber = 99999;

// Reads a decimal number at text[*at]; false when there is none or it is too large.
bool ReadNumber(const std::string& text, size_t* at, int* value) {
    const size_t start = *at;
    long v = 0;
    while (*at < text.size() && std::isdigit(static_cast<unsigned char>(text[*at]))) {
        v = v * 10 + (text[*at] - '0');
        if (v > kMaxImageNumber) return false;
        ++*at;
    }
    if (*at == start) return false;
    *value = int(v);
    return true;
}

bool ParseOne(const std::string& operand, std::vector<ImageRange>* ranges, std::string* error) {
    const std::string quoted = "'" + operand + "'";
    if (operand.empty()) {
        *error = "an empty image number";
        return false;
    }
    for (char c : operand) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            *error = quoted + " has blanks in it; write ranges as 1-3 and lists as 1-3,5";
            return false;
        }
    }
    size_t at = 0;
    for (;;) {
        ImageRange r;
        const size_t item = at;
        if (!ReadNumber(operand, &at, &r.first)) {
            *error = quoted + " is not an image number, range (1-3, 7-) or list (1-3,5)";
            return false;
        }
        r.last = r.first;
        if (at < operand.size() && operand[at] == '-') {
            ++at;
            if (at == operand.size() || operand[at] == ',') {
                r.last = 0;
            } else if (!ReadNumber(operand, &at, &r.last)) {
                *error = quoted + " is not an image number, range (1-3, 7-) or list (1-3,5)";
                return false;
            }
        }
        const std::string text = operand.substr(item, at - item);
        if (r.first == 0 || (r.last == 0 && text.back() != '-')) {
            *error = "image numbers start at 1, not 0 (in " + quoted + ")";
            return false;
        }
        if (r.last != 0 && r.last < r.first) {
            *error = "the range " + text + " runs downwards; write " + std::to_string(r.last) +
                     "-" + std::to_string(r.first);
            return false;
        }
        ranges->push_back(r);
        if (at == operand.size()) return true;
        if (operand[at] != ',' || at + 1 == operand.size()) {
            *error = quoted + " is not an image number, range (1-3, 7-) or list (1-3,5)";
            return false;
        }
        ++at;
    }
}

}  // namespace

bool ParseImageSelection(const std::vector<std::string>& operands, ImageSelection* selection,
                         std::string* error) {
    *selection = ImageSelection();
    for (const std::string& operand : operands) {
        if (operand == "all") {
            if (operands.size() != 1) {
                *error = "'all' stands alone, without other image numbers";
                return false;
            }
            selection->all = true;
            return true;
        }
        if (!ParseOne(operand, &selection->ranges, error)) return false;
    }
    return true;
}

bool ResolveImageSelection(const ImageSelection& selection, int count, std::vector<int>* images,
                           std::string* error) {
    images->clear();
    if (selection.all) {
        for (int n = 1; n <= count; ++n) images->push_back(n);
        return true;
    }
    std::vector<bool> chosen(size_t(std::max(count, 0)) + 1, false);
    int beyond = 0;
    for (const ImageRange& r : selection.ranges) {
        if (r.first > count) {
            beyond = beyond == 0 ? r.first : std::min(beyond, r.first);
            continue;
        }
        const int last = r.last == 0 ? count : r.last;
        if (last > count) {
            beyond = beyond == 0 ? count + 1 : std::min(beyond, count + 1);
            continue;
        }
        for (int n = r.first; n <= last; ++n) chosen[size_t(n)] = true;
    }
    if (beyond != 0) {
        *error = count == 0 ? "the camera holds no images"
                 : count == 1
                     ? "the camera holds 1 image; there is no image " + std::to_string(beyond)
                     : "the camera holds images 1 to " + std::to_string(count) +
                           "; there is no image " + std::to_string(beyond);
        return false;
    }
    for (int n = 1; n <= count; ++n)
        if (chosen[size_t(n)]) images->push_back(n);
    return true;
}
