// nconfig-devsim: serves an emulated device on a pseudo-terminal. Prints the path
// of the port to open on stdout, then answers requests until it is killed or its
// standard input is closed.

#include "ComPortPty.h"
#include "DeviceEmulator.h"
#include "PacketParser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const char* const kUsage = R"(usage: nconfig-devsim [OPTIONS]

Runs the emulated device on a pseudo-terminal, prints the port path on stdout and
serves until killed or until standard input is closed.

Device:
  --model M             N20, N20D (default), N20_3G, NF20, N20F, N05, N3, or a whole
                        model text such as "Dev: N20C"
  --version V           version text, "Ver: 1.27" or just 1.27
  --serial S            serial number
  --imei I              IMEI; --imei none sends no IMEI item
  --code NNNN           access code, four digits (default 1234)
  --firmware-answer A   answer to a firmware start: ok (default), ready, vernrok
Faults (N counts replies from 1; each option may be repeated):
  --drop N              do not send reply N
  --delay N:MS          send reply N after MS milliseconds
  --corrupt N           damage reply N (bad checksum)
  --split N[:MS]        send reply N in two pieces MS ms apart (default 50; one gap
                        for every split reply, the last MS given)
  --abort[=N]           answer "ABORT" in place of reply N (default 1)
  --silent[=N]          answer nothing from reply N on (default 1)
Line:
  --pace[=BPS]          pace both directions at BPS bytes/s (default 960, i.e. 9600 baud)
  --log FILE            append every request as a JSON line to FILE
  --help                this text
)";

int usage(const std::string& message) {
    std::cerr << "nconfig-devsim: " << message << "\n\n" << kUsage;
    return 2;
}

bool parseInt(const std::string& text, int& out, int min = 1) {
    try {
        std::size_t used = 0;
        const long value = std::stol(text, &used);
        if (used != text.size() || value < min || value > 100000000)
            return false;
        out = static_cast<int>(value);
        return true;
    } catch (...) {
        return false;
    }
}

// "N" or "N:MS".
bool parsePair(const std::string& text, int& n, int& ms, bool msRequired) {
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return !msRequired && parseInt(text, n);
    return parseInt(text.substr(0, colon), n) && parseInt(text.substr(colon + 1), ms, 0);
}

std::string jsonString(const std::string& bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c); // bytes are Latin-1 here
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + '"';
}

std::string jsonLine(const EmulatorRequest& r, qint64 ms) {
    std::string line = "{\"t_ms\":" + std::to_string(ms);
    line += ",\"parsed\":" + std::string(r.parsed ? "true" : "false");
    if (r.parsed) {
        line += ",\"command\":" + jsonString(r.packet.Command);
        line += ",\"packet_number\":" + std::to_string(r.packet.PacketNumber);
        line += ",\"packet_count\":" + std::to_string(r.packet.PacketCount);
        line += ",\"code\":" + jsonString(r.code);
        line += ",\"items\":[";
        for (std::size_t i = 0; i < r.packet.Items.size(); ++i) {
            if (i)
                line += ',';
            line += "{\"id\":" + jsonString(r.packet.Items[i].Id) +
                    ",\"value\":" + jsonString(r.packet.Items[i].Value) + '}';
        }
        line += ']';
    } else {
        line += ",\"error\":" + jsonString(r.error);
    }
    line += ",\"raw\":\"" + BytesToHex(r.raw) + "\"}";
    return line;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    DeviceEmulator device(EmulatorFamily::N20D);
    int pace = 0;
    int splitGap = 50;
    std::string logFile;
    struct Fault {
        std::string name;
        int n;
        int param;
    };
    std::vector<Fault> faults;

    const std::map<std::string, EmulatorFamily> families = {
        {"N20", EmulatorFamily::N20},   {"N20D", EmulatorFamily::N20D}, {"N20_3G", EmulatorFamily::N20_3G},
        {"NF20", EmulatorFamily::NF20}, {"N20F", EmulatorFamily::N20F}, {"N05", EmulatorFamily::N05},
        {"N3", EmulatorFamily::N3}};

    std::string version, serial, imei, code, model;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (name == "--help" || name == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (name.rfind("--", 0) != 0)
            return usage("unexpected argument '" + name + "'");
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        const bool optionalValue = name == "--abort" || name == "--silent" || name == "--pace";
        static const std::vector<std::string> known = {
            "--model",           "--version", "--serial", "--imei",    "--code",
            "--firmware-answer", "--drop",    "--delay",  "--corrupt", "--split",
            "--abort",           "--silent",  "--pace",   "--log"};
        if (std::find(known.begin(), known.end(), name) == known.end())
            return usage("unknown option " + name);
        if (!hasValue && !optionalValue) {
            if (i + 1 >= args.size())
                return usage("option " + name + " needs a value");
            value = args[++i];
            hasValue = true;
        }
        if (hasValue && value.empty())
            return usage("option " + name + " needs a value");
        int n = 1, ms = 0;
        if (name == "--model") {
            if (auto it = families.find(value); it != families.end())
                device.setFamily(it->second);
            else if (value.rfind("Dev: ", 0) == 0)
                model = value;
            else
                return usage("unknown model '" + value + "'");
        } else if (name == "--version") {
            version = value.rfind("Ver: ", 0) == 0 ? value : "Ver: " + value;
        } else if (name == "--serial") {
            serial = value;
        } else if (name == "--imei") {
            imei = value;
        } else if (name == "--code") {
            if (value.size() != 4 || value.find_first_not_of("0123456789") != std::string::npos)
                return usage("--code takes four digits");
            code = value + "00";
        } else if (name == "--firmware-answer") {
            if (value == "ok")
                device.setFirmwareAnswer(FirmwareAnswer::Ok);
            else if (value == "ready")
                device.setFirmwareAnswer(FirmwareAnswer::Ready);
            else if (value == "vernrok")
                device.setFirmwareAnswer(FirmwareAnswer::VersionNotOk);
            else
                return usage("--firmware-answer takes ok, ready or vernrok");
        } else if (name == "--drop" || name == "--corrupt") {
            if (!parseInt(value, n))
                return usage(name + " takes a reply number (1 or more)");
            faults.push_back({name.substr(2), n, 0});
        } else if (name == "--delay") {
            if (!parsePair(value, n, ms, true))
                return usage("--delay takes N:MS");
            faults.push_back({"delay", n, ms});
        } else if (name == "--split") {
            ms = -1;
            if (!parsePair(value, n, ms, false))
                return usage("--split takes N or N:MS");
            if (ms >= 0) // a plain "--split N" keeps a gap given before
                splitGap = ms;
            faults.push_back({"split", n, 0});
        } else if (name == "--abort" || name == "--silent") {
            if (hasValue && !parseInt(value, n))
                return usage(name + " takes a reply number (1 or more)");
            faults.push_back({name.substr(2), n, 0});
        } else if (name == "--pace") {
            pace = TPtyEmulatorServer::kBytesPerSecond9600;
            if (hasValue && !parseInt(value, pace))
                return usage("--pace takes bytes per second");
        } else if (name == "--log") {
            logFile = value;
        }
    }
    // Identity after the family, which resets model and version.
    if (!model.empty())
        device.setModelText(model);
    if (!version.empty()) {
        device.setVersion(version);
        // The stored configuration follows the firmware: an older version has fewer names.
        device.restoreFactory();
    }
    if (!serial.empty())
        device.setSerial(serial);
    if (imei == "none")
        device.setSendsImei(false);
    else if (!imei.empty())
        device.setImei(imei);
    if (!code.empty())
        device.setAccessCode(code);
    for (const Fault& f : faults)
        device.injectFault(f.name, f.n, f.param);

    if (!TPtyEmulatorServer::Supported()) {
        std::cerr << "nconfig-devsim: pseudo-terminals are not available on this system; use the demo device "
                     "(port \"Demo device\") instead\n";
        return 1;
    }

    QCoreApplication app(argc, argv);
    std::ofstream log;
    if (!logFile.empty()) {
        log.open(logFile, std::ios::app);
        if (!log) {
            std::cerr << "nconfig-devsim: cannot write the log file " << logFile << '\n';
            return 1;
        }
    }
    TPtyEmulatorServer server(device);
    server.SetPace(pace);
    server.SetSplitGap(splitGap);
    QElapsedTimer clock;
    clock.start();
    server.OnRequest = [&](const EmulatorRequest& r) {
        if (log) {
            log << jsonLine(r, clock.elapsed()) << '\n';
            log.flush();
        }
    };
    QString error;
    if (!server.Open(&error)) {
        std::cerr << "nconfig-devsim: cannot create a pseudo-terminal: " << error.toStdString() << '\n';
        return 1;
    }
    std::cout << server.PortPath().toStdString() << std::endl;
    std::cerr << "nconfig-devsim: " << device.modelText() << ", " << device.version() << " on "
              << server.PortPath().toStdString() << (pace ? " (paced)" : "") << '\n';

#if defined(Q_OS_UNIX)
    // Stop when standard input closes (a pipe or a terminal); with stdin from
    // /dev/null or a file, run until killed.
    struct stat st {};
    std::unique_ptr<QSocketNotifier> stdinWatch;
    if (fstat(STDIN_FILENO, &st) == 0 &&
        (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || isatty(STDIN_FILENO))) {
        stdinWatch = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(stdinWatch.get(), &QSocketNotifier::activated, &app, [&] {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                stdinWatch->setEnabled(false);
                app.quit();
            }
        });
    }
#endif
    QObject::connect(&server, &TPtyEmulatorServer::Hangup, &app,
                     [] { std::cerr << "nconfig-devsim: the line failed\n"; });
    return app.exec();
}
