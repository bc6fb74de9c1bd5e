// Image numbers as the user writes them on the command line, in the form gphoto2's users know:
// "3", "1-3", "7-" (7 to the last image), lists "1-3,5,7-", several operands, and "all". The
// text is checked before the camera is asked anything; only the numbers beyond what the camera
// holds wait for its count.
#pragma once
#include <string>
#include <vector>

struct ImageRange {
    int first = 1;
    int last = 0;  // 0: up to the camera's last image
};

struct ImageSelection {
    std::vector<ImageRange> ranges;
    bool all = false;  // the single operand "all" (or no operand where that means all)
};

// Parses the operands; false with a one-line reason when one of them is not a number, range or
// list of them (blanks inside, a zero, a range that runs downwards).
bool ParseImageSelection(const std::vector<std::string>& operands, ImageSelection* selection,
                         std::string* error);

// The chosen numbers, ascending and each once, for a camera of count images; false with a
// one-line reason when a number lies beyond count.
bool ResolveImageSelection(const ImageSelection& selection, int count, std::vector<int>* images,
                           std::string* error);
