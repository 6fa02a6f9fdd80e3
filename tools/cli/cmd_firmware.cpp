// nconfig-cli firmware info FILE: checks a firmware file the way the firmware
// page does and tells what it holds, or why it would be refused.

#include "Cli.h"
#include "N_Firmware.h"

#include <QString>

#include <iostream>

namespace {

const char* const kUsage = "usage: nconfig-cli firmware info FILE\n"
                           "\n"
                           "Checks the firmware file FILE (.prg) and prints its version code and\n"
                           "the number of 520-byte packets it is sent in. Exit status 1 and the\n"
                           "reason when the file is not a valid firmware file.\n";

int Info(const std::string& path) {
    TFirmware firmware;
    // The command line comes in the local 8-bit encoding (the ANSI code page on
    // Windows); the firmware file takes its path in UTF-8.
    if (!firmware.LoadFirmware(QString::fromLocal8Bit(path.c_str()).toStdString())) {
        std::cerr << "nconfig-cli: " << path
                  << ": not a valid firmware file: " << FirmwareFaultText(firmware.LastFault()) << '\n';
        return cli::Failed;
    }
    std::cout << "version code: " << firmware.VersionCode() << '\n'
              << "packet count: " << firmware.PacketCount() << '\n'
              << "image bytes: " << std::size_t(firmware.PacketCount()) * kFirmwarePacketSize << '\n';
    return cli::Ok;
}

int FirmwareCommand(const cli::Args& args) {
    if (cli::wantsHelp(args)) {
        std::cout << kUsage;
        return cli::Ok;
    }
    if (args.empty())
        return cli::usageError("firmware: missing subcommand", kUsage);
    if (args[0] != "info")
        return cli::usageError("firmware: unknown subcommand '" + args[0] + "'", kUsage);
    if (args.size() != 2)
        return cli::usageError("firmware info: expected exactly one FILE", kUsage);
    return Info(args[1]);
}

} // namespace

NCONFIG_CLI_COMMAND("firmware", "check a firmware file (.prg): version code and packets", FirmwareCommand);
