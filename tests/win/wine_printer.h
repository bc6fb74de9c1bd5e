// A PostScript printer on Wine's own driver for tests and benchmarks: no printer service is
// needed, and a job's output goes to the file named as the device context's output.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

extern const char kTestPrinter[];  // "Vistrel Test Printer", on the FILE: port

// Installs the driver (A4 at 300 dpi) and the printer once in the prefix; true when it is there.
bool InstallTestPrinter();

// A second printer of the same driver whose port is the file output: what the print dialog
// chooses for it prints there without asking. Made once; its port is set to output each time.
extern const char kFilePrinter[];  // "Vistrel Test File Printer"
bool InstallFilePrinter(const std::string& output);

// The printer blocks a print dialog would leave for the test printer: device names with
// output to a file, and the printer's device mode. Freed with the object.
struct PrinterBlocks {
    PRINTDLGA pd{};
    explicit PrinterBlocks(const std::string& output);
    ~PrinterBlocks();
    PrinterBlocks(const PrinterBlocks&) = delete;
    PrinterBlocks& operator=(const PrinterBlocks&) = delete;
};
