// What the Windows benchmarks share: a clock, camera pictures written to a folder, and the
// program's frame started on its own settings file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Seconds from the performance counter.
double Now();

// Writes `count` of the simulator's camera JPEGs (model 2, 640 x 480) into `dir` as
// DSC1001.jpg, DSC1002.jpg ... and gives their paths; empty when one cannot be written.
std::vector<std::string> WriteCameraPictures(const std::string& dir, int count);

// The program's frame in English, its settings in `settings_file`, once the splash is over;
// null when it cannot start.
HWND StartBenchFrame(const std::string& settings_file);
