// Shared by the fuzz targets: quiet seams, and one scratch file per process that the input is
// written to for the parsers that read files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Installs silent prompts and small codec limits once.
void FuzzSetUp();
// Writes the input to this process's scratch file and returns its name.
const std::string& FuzzWriteInput(const uint8_t* data, size_t size);
// A second scratch name for outputs.
const std::string& FuzzOutputPath();
