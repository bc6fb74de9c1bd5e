#include "wine_printer.h"

#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <vector>

const char kTestPrinter[] = "Vistrel Test Printer";

namespace {

constexpr char kTestDriver[] = "Vistrel Test PS";

// A local printer of the test driver on the port.
bool AddTestPrinter(const char* name, const char* port) {
    PRINTER_INFO_2A info{};
    info.pPrinterName = const_cast<char*>(name);
    info.pPortName = const_cast<char*>(port);
    info.pDriverName = const_cast<char*>(kTestDriver);
    info.pPrintProcessor = const_cast<char*>("WinPrint");
    info.pDatatype = const_cast<char*>("RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (!h) return false;
    ClosePrinter(h);
    return true;
}

}  // namespace

bool InstallTestPrinter() {
    char dir[MAX_PATH] = "";
    DWORD need = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir,
                                    &need))
        return false;
    const std::string ppd = std::string(dir) + "\\vistrel-test.ppd";
    FILE* f = std::fopen(ppd.c_str(), "wb");
    if (!f) return false;
    std::fputs(
        "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*LanguageVersion: English\n"
        "*LanguageEncoding: ISOLatin1\n*ModelName: \"Vistrel Test\"\n*NickName: \"Vistrel "
        "Test\"\n*ShortNickName: \"Vistrel Test\"\n*PSVersion: \"(3010) 0\"\n"
        "*LanguageLevel: \"3\"\n*ColorDevice: True\n*DefaultColorSpace: RGB\n"
        "*DefaultResolution: 300dpi\n*OpenUI *PageSize: PickOne\n*DefaultPageSize: A4\n"
        "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageSize\n"
        "*DefaultImageableArea: A4\n*ImageableArea A4/A4: \"0 0 595 842\"\n"
        "*DefaultPaperDimension: A4\n*PaperDimension A4/A4: \"595 842\"\n",
        f);
    std::fclose(f);
    DRIVER_INFO_3A driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<char*>(kTestDriver);
    driver.pDriverPath = const_cast<char*>("wineps.drv");
    driver.pDataFile = const_cast<char*>(ppd.c_str());
    driver.pConfigFile = const_cast<char*>("wineps.drv");
    if (!AddPrinterDriverExA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver), APD_COPY_ALL_FILES))
        return false;
    HANDLE h = nullptr;
    if (OpenPrinterA(const_cast<char*>(kTestPrinter), &h, nullptr)) {
        ClosePrinter(h);
        return true;
    }
    return AddTestPrinter(kTestPrinter, "FILE:");
}

PrinterBlocks::PrinterBlocks(const std::string& output) {
    pd.lStructSize = sizeof pd;
    const std::string driver = "winspool";
    const size_t size =
        sizeof(DEVNAMES) + driver.size() + 1 + sizeof kTestPrinter + output.size() + 1;
    pd.hDevNames = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* names = static_cast<DEVNAMES*>(GlobalLock(pd.hDevNames));
    char* base = reinterpret_cast<char*>(names);
    size_t at = sizeof(DEVNAMES);
    names->wDriverOffset = static_cast<WORD>(at);
    std::strcpy(base + at, driver.c_str());
    at += driver.size() + 1;
    names->wDeviceOffset = static_cast<WORD>(at);
    std::strcpy(base + at, kTestPrinter);
    at += sizeof kTestPrinter;
    names->wOutputOffset = static_cast<WORD>(at);
    std::strcpy(base + at, output.c_str());
    GlobalUnlock(pd.hDevNames);
    HANDLE h = nullptr;
    if (!OpenPrinterA(const_cast<char*>(kTestPrinter), &h, nullptr)) return;
    const LONG bytes =
        DocumentPropertiesA(nullptr, h, const_cast<char*>(kTestPrinter), nullptr, nullptr, 0);
    if (bytes > 0) {
        pd.hDevMode = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        auto* mode = static_cast<DEVMODEA*>(GlobalLock(pd.hDevMode));
        DocumentPropertiesA(nullptr, h, const_cast<char*>(kTestPrinter), mode, nullptr,
                            DM_OUT_BUFFER);
        GlobalUnlock(pd.hDevMode);
    }
    ClosePrinter(h);
}

PrinterBlocks::~PrinterBlocks() {
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
}

const char kFilePrinter[] = "Vistrel Test File Printer";

bool InstallFilePrinter(const std::string& output) {
    HANDLE h = nullptr;
    PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterA(const_cast<char*>(kFilePrinter), &h, &access)) {
        DWORD need = 0;
        GetPrinterA(h, 2, nullptr, 0, &need);
        std::vector<BYTE> buffer(need ? need : 1);
        bool ok = GetPrinterA(h, 2, buffer.data(), need, &need) != FALSE;
        if (ok) {
            auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
            info->pPortName = const_cast<char*>(output.c_str());
            ok = SetPrinterA(h, 2, buffer.data(), 0) != FALSE;
        }
        ClosePrinter(h);
        return ok;
    }
    return AddTestPrinter(kFilePrinter, output.c_str());
}
