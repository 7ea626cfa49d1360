// The test programs' PostScript printer (see printer_fixture.h).
#include "printer_fixture.h"

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>

#include "test_support.h"

namespace printer_fixture {

const char kPrinter[] = "TOLVADEX Test PS";
std::string PortPath() { return testing_support::ProgramDirectory() + "tolvadex_print_job.ps"; }

namespace {

const char kPpd[] =
    "*PPD-Adobe: \"4.3\"\n"
    "*FormatVersion: \"4.3\"\n"
    "*FileVersion: \"1.0\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n"
    "*PCFileName: \"TOLVADEX.PPD\"\n"
    "*Manufacturer: \"TOLVADEX\"\n"
    "*Product: \"(TOLVADEX Test PS)\"\n"
    "*ModelName: \"TOLVADEX Test PS\"\n"
    "*ShortNickName: \"TOLVADEX Test PS\"\n"
    "*NickName: \"TOLVADEX Test PS\"\n"
    "*PSVersion: \"(3010.000) 0\"\n"
    "*LanguageLevel: \"3\"\n"
    "*ColorDevice: True\n"
    "*DefaultColorSpace: RGB\n"
    "*FileSystem: False\n"
    "*Throughput: \"1\"\n"
    "*LandscapeOrientation: Plus90\n"
    "*TTRasterizer: Type42\n"
    "*OpenUI *Resolution/Resolution: PickOne\n"
    "*DefaultResolution: 300dpi\n"
    "*Resolution 300dpi/300 DPI: \"<</HWResolution[300 300]>>setpagedevice\"\n"
    "*Resolution 600dpi/600 DPI: \"<</HWResolution[600 600]>>setpagedevice\"\n"
    "*CloseUI: *Resolution\n"
    "*OpenUI *PageSize/Media Size: PickOne\n"
    "*DefaultPageSize: Letter\n"
    "*PageSize Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
    "*CloseUI: *PageSize\n"
    "*OpenUI *PageRegion/Media Size: PickOne\n"
    "*DefaultPageRegion: Letter\n"
    "*PageRegion Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
    "*PageRegion A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
    "*CloseUI: *PageRegion\n"
    "*DefaultImageableArea: Letter\n"
    "*ImageableArea Letter/US Letter: \"18 36 594 756\"\n"
    "*ImageableArea A4/A4: \"18 36 577 806\"\n"
    "*DefaultPaperDimension: Letter\n"
    "*PaperDimension Letter/US Letter: \"612 792\"\n"
    "*PaperDimension A4/A4: \"595 842\"\n"
    "*DefaultFont: Courier\n"
    "*Font Courier: Standard \"(002.004S)\" Standard ROM\n";

const char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

} // namespace

void RemovePrinter()
{
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterA(const_cast<char *>(kPrinter), &printer, &access)) {
        DeletePrinter(printer);
        ClosePrinter(printer);
    }
    DeletePrinterDriverA(nullptr, nullptr, const_cast<char *>(kPrinter));
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, PortPath().c_str());
        RegCloseKey(key);
    }
    DeleteFileA(PortPath().c_str());
}

bool InstallPrinter()
{
    RemovePrinter();
    std::string ppd = testing_support::ProgramDirectory() + "TOLVADEX.PPD";
    FILE *f = std::fopen(ppd.c_str(), "wb");
    if (!f)
        return false;
    std::fputs(kPpd, f);
    std::fclose(f);
    DRIVER_INFO_3A driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<char *>(kPrinter);
    driver.pDriverPath = const_cast<char *>("wineps.drv");
    driver.pConfigFile = const_cast<char *>("wineps.drv");
    driver.pDataFile = const_cast<char *>(ppd.c_str());
    if (!AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE *>(&driver),
                             APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY)) {
        std::fprintf(stderr, "AddPrinterDriverExA failed: %lu\n", GetLastError());
        return false;
    }
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExA(key, PortPath().c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(""), 1);
        RegCloseKey(key);
    }
    PRINTER_INFO_2A info{};
    std::string port = PortPath();
    info.pPrinterName = const_cast<char *>(kPrinter);
    info.pPortName = const_cast<char *>(port.c_str());
    info.pDriverName = const_cast<char *>(kPrinter);
    info.pPrintProcessor = const_cast<char *>("winprint");
    info.pDatatype = const_cast<char *>("RAW");
    HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE *>(&info));
    if (!printer) {
        std::fprintf(stderr, "AddPrinterA failed: %lu\n", GetLastError());
        return false;
    }
    ClosePrinter(printer);
    return SetDefaultPrinterA(kPrinter) != 0;
}

} // namespace printer_fixture
