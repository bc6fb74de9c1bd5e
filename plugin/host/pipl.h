// The property list (resource type "PIPL") by which an image editor learns what a plug-in
// module is before it calls it: its kind, its menu name and the name of its entry point.
// Read from the resource's bytes, every length checked against the bytes there are.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct PiplInfo {
    uint32_t kind = 0;     // '8BAM' for an acquire module
    std::string name;      // the menu name
    std::string entry;     // the entry point of x86 Windows ('wx86'), else of x86-64 ('8664')
    uint32_t version = 0;  // 'vers': interface version, major in the high word
    int properties = 0;
};

constexpr uint32_t kPiplAcquireKind = 0x3842414Du;  // '8BAM'

enum class PiplError { kNone, kTooShort, kBadVersion, kBadProperty, kNoKind, kNoEntry };

// Parses the resource. kNone on success; the info then has a kind and an entry name.
PiplError ParsePipl(const uint8_t* bytes, size_t size, PiplInfo* info);
// A sentence for the user about an error.
const char* PiplErrorText(PiplError e);
