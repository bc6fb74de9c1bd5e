// What the Windows benchmarks share: a clock and camera pictures written to a folder. (The
// program's frame is started with the GUI tests' StartFrame.)
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Seconds from the performance counter.
double Now();

// Writes `count` of the simulator's camera JPEGs (model 2, 640 x 480) into `dir` as
// DSC1001.jpg, DSC1002.jpg ... and gives their paths; empty when one cannot be written.
std::vector<std::string> WriteCameraPictures(const std::string& dir, int count);
