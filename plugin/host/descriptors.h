// The descriptors of a host of our own: what a module records through the host's write
// descriptor suite and reads back through its read suite, kept in memory, and a small text
// form of them so that a person can write a descriptor to play back and read the recorded one.
//
// The text form, one item per line (four-character codes in single quotes, exactly four
// characters between them; blanks at the start of a line are only for the eye):
//   'Hrzn' unit '#Pxl' 480        a unit float
//   'Md  ' enum 'grmT' 'rgbC'     an enumeration of a type
//   'Invr' bool true              a boolean (true or false)
//   'Cnt ' integer 3              a 32-bit integer
//   'Rati' float 1.5              a float
//   'mulK' list 2                 a list with its declared count, then its objects:
//     object 'mulS'               an object of a class, its items, then end
//     end
//   end                           the end of the list
// Everything is checked while reading: a text that is not of this form is refused with the
// number of its first bad line, and the nesting and the number of items are bounded.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "plugin/host_records.h"

struct DescObject;

struct DescItem {
    enum Kind { kInteger, kFloat, kUnitFloat, kBoolean, kEnum, kList };
    host::OSType key = 0;
    Kind kind = kInteger;
    host::OSType type = 0;   // the unit of a unit float, the type of an enumeration
    host::OSType value = 0;  // the value of an enumeration
    double number = 0;       // integer, float, unit float, boolean (0 or 1)
    uint32_t count = 0;      // a list's declared count
    std::vector<DescObject> objects;
};

struct Descriptor {
    std::vector<DescItem> items;
};

struct DescObject {
    host::OSType cls = 0;
    Descriptor desc;
};

constexpr int kDescriptorMaxDepth = 8;
constexpr int kDescriptorMaxItems = 10000;

// Four-character codes as text: 'abcd', with any byte that is no printable ASCII as '?'.
std::string FourCCText(host::OSType code);

// The text form of a descriptor (lines end with a line feed).
std::string DescriptorText(const Descriptor& d);
// Reads the text form; false with the first bad line's number (from 1) and what is wrong.
bool ParseDescriptorText(const std::string& text, Descriptor* d, int* bad_line, std::string* why);
