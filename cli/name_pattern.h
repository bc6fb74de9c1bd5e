// get's --filename: a file name made from a pattern for each image copied.
//   %n  the image's number in the camera       %N  the next DSC number, four digits (0001)
//   %Y %m %d %H %M %S  the picture's date and time as the camera recorded it (local time,
//                      two digits, four for the year; zeros where the camera gives none)
//   %%  a percent sign
// The default pattern, "DSC%N.jpg", is the program's own numbering.
#pragma once
#include <cstdint>
#include <string>

constexpr char kDefaultNamePattern[] = "DSC%N.jpg";

// False with a one-line reason for a pattern that cannot make a file name in the folder (an
// unknown %-letter, a slash, nothing but a dot or two).
bool CheckNamePattern(const std::string& pattern, std::string* error);

struct NameFields {
    int image = 0;         // number in the camera
    int dsc_number = 0;    // the DSC number the image would get
    uint32_t seconds = 0;  // the camera's time of the picture (seconds since 1970), 0 unknown
};
std::string ExpandNamePattern(const std::string& pattern, const NameFields& fields);
