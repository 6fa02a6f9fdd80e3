// Device commands of nconfig-cli: list the ports, ask a device for its identity,
// read and print its whole configuration. They use the tool's own serial port
// component and data communication, so they behave exactly as the window does.

#include "Cli.h"
#include "ComPort.h"
#include "N_Common.h"
#include "N_Language.h"
#include "Prompts.h"
#include "TextCodec.h"
#include "WindowServices.h"

#include <QCoreApplication>
#include <QDialog>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>

namespace {

const char* const kPortsUsage = "usage: nconfig-cli ports\n"
                                "\n"
                                "Lists the serial ports present (name, description, USB vendor:product\n"
                                "where known) and the built-in demo device.\n";

const char* const kStatusUsage = "usage: nconfig-cli status --port PORT [--timeout MS] [--verbose]\n"
                                 "\n"
                                 "Asks the device on PORT for its identity and prints model, serial\n"
                                 "number, firmware version and IMEI. PORT is a port name (COM3, ttyUSB0,\n"
                                 "/dev/pts/4) or \"demo\" for the built-in demo device. --timeout sets the\n"
                                 "reply time-out (default 10000 ms); --verbose traces the traffic.\n"
                                 "Exit status 1 with the reason when the device cannot be asked.\n";

const char* const kDumpUsage = "usage: nconfig-cli dump --port PORT --code NNNN [--timeout MS] [--verbose]\n"
                               "\n"
                               "Reads the whole configuration from the device on PORT with the access\n"
                               "code NNNN (four digits) and prints its items group by group, one\n"
                               "\"ID<TAB>VALUE\" line each. PORT as for 'status'. Exit status 1 with the\n"
                               "reason when the read fails.\n";

// Message boxes of the translator and the link go to stderr.
class ConsolePrompts final : public IPrompts {
public:
    void message(QWidget*, const QString& text) override { print(text); }
    void error(QWidget*, const QString& text) override { print(text); }
    bool confirm(QWidget*, const QString& text) override {
        print(text);
        return false;
    }
    bool systemYesNo(QWidget*, const QString&, const QString& text) override {
        print(text);
        return false;
    }
    int exec(QDialog&) override { return QDialog::Rejected; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }

private:
    static void print(const QString& text) { std::cerr << "nconfig-cli: " << text.toStdString() << '\n'; }
};

std::string show(const std::string& ansi) {
    return TextCodec::toQString(ansi).toStdString();
}

// One link to one device: the port, the data communication and the window
// services a console can give (messages collected and printed at the end).
class Session final : public IWindowServices {
public:
    explicit Session(bool verbose) : m_verbose(verbose) {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "nconfig-cli";
            static char* argv[] = {name, nullptr};
            m_app = std::make_unique<QCoreApplication>(argc, argv);
        }
        SetPrompts(&m_prompts);
        CreateTranslator();
        m_port = std::make_unique<TComPort>();
        QObject::connect(m_port.get(), &TComPort::PortLost,
                         [this] { m_posted.push_back(::Lookup("PortLost")); });
        m_comm = std::make_unique<TDataCommunication>(
            m_port.get(), [this](const TPacket& p) { Packets.push_back(p); }, this);
    }
    ~Session() override {
        m_comm.reset();
        m_port.reset();
        SetPrompts(nullptr);
    }

    std::vector<TPacket> Packets;

    bool Open(const std::string& portName) {
        QString name = QString::fromStdString(portName);
        if (name.compare(QLatin1String("demo"), Qt::CaseInsensitive) == 0)
            name = kDemoPortName;
        m_port->SetPortName(name);
        if (!m_port->Open()) {
            std::cerr << "nconfig-cli: " << ::Lookup("ErrorOpenComport").toStdString() << " (" << portName
                      << ": " << m_port->ErrorString().toStdString() << ")\n";
            return false;
        }
        m_comm->LinkMode = TLinkMode::Serial;
        return true;
    }

    TDataCommunication& Comm() { return *m_comm; }

    // The translated outcome of the last operation and every posted message.
    void ReportFailure() {
        if (!m_comm->StatusKey.empty())
            std::cerr << "nconfig-cli: " << ::Lookup(QString::fromStdString(m_comm->StatusKey)).toStdString()
                      << '\n';
        FlushPosted();
    }
    void FlushPosted() {
        QCoreApplication::processEvents();
        for (const QString& text : m_posted)
            std::cerr << "nconfig-cli: " << text.toStdString() << '\n';
        m_posted.clear();
    }

    bool DebugVisible() const override { return m_verbose; }
    void AddDebugLine(const std::string& line) override { std::cerr << line << '\n'; }
    void PostMessageText(const QString& text) override { m_posted.push_back(text); }
    void HandleAbort() override {
        m_port->Close();
        m_comm->LinkMode = TLinkMode::None;
        m_posted.push_back(::Lookup("AbortReceived"));
    }
    QString Lookup(const QString& key) override { return ::Lookup(key); }

private:
    bool m_verbose;
    std::unique_ptr<QCoreApplication> m_app;
    ConsolePrompts m_prompts;
    std::unique_ptr<TComPort> m_port;
    std::unique_ptr<TDataCommunication> m_comm;
    std::vector<QString> m_posted;
};

struct LinkOptions {
    std::string port;
    std::string code;
    bool verbose = false;
};

// Common options of status and dump; returns an exit status when parsing ended it.
std::optional<int> parseLinkOptions(const cli::Args& args, const char* usage, bool needCode,
                                    LinkOptions& out) {
    if (cli::wantsHelp(args)) {
        std::cout << usage;
        return cli::Ok;
    }
    cli::Options options;
    std::string error;
    std::vector<std::string> known = {"port", "timeout"};
    if (needCode)
        known.push_back("code");
    if (!cli::parseOptions(args, known, {"verbose"}, options, error))
        return cli::usageError(error, usage);
    if (!options.positional.empty())
        return cli::usageError("unexpected argument '" + options.positional.front() + "'", usage);
    out.port = options.get("port");
    if (out.port.empty())
        return cli::usageError("--port is required", usage);
    if (needCode) {
        const std::string code = options.get("code");
        if (code.size() != 4 || code.find_first_not_of("0123456789") != std::string::npos)
            return cli::usageError("--code takes the four-digit access code", usage);
        out.code = code + "00"; // typed as four digits, sent as six characters
    }
    if (options.has("timeout")) {
        const std::string text = options.get("timeout");
        // 0 ms would fail every exchange with "no answer", which blames the device.
        if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(text) == 0)
            return cli::usageError("--timeout takes milliseconds (1 or more)", usage);
        PacketTimeout = std::stoi(text);
    }
    out.verbose = options.has("verbose");
    return std::nullopt;
}

int PortsCommand(const cli::Args& args) {
    if (cli::wantsHelp(args)) {
        std::cout << kPortsUsage;
        return cli::Ok;
    }
    if (!args.empty())
        return cli::usageError("ports: unexpected argument '" + args.front() + "'", kPortsUsage);
    for (const TPortInfo& port : TComPort::AvailablePorts()) {
        std::cout << std::left << std::setw(16) << port.Name.toStdString();
        std::string description = port.Description.toStdString();
        if (!port.Manufacturer.isEmpty() && port.Manufacturer != port.Description)
            description += (description.empty() ? "" : ", ") + port.Manufacturer.toStdString();
        std::cout << ' ' << std::setw(36) << (description.empty() ? "-" : description);
        if (port.HasUsbIds) {
            std::cout << " USB " << std::hex << std::setfill('0') << std::right << std::setw(4)
                      << port.VendorId << ':' << std::setw(4) << port.ProductId << std::dec
                      << std::setfill(' ');
        } else if (!port.Demo) {
            std::cout << " -";
        }
        std::cout << '\n';
    }
    return cli::Ok;
}

int StatusCommand(const cli::Args& args) {
    LinkOptions options;
    if (auto exit = parseLinkOptions(args, kStatusUsage, false, options))
        return *exit;
    Session session(options.verbose);
    if (!session.Open(options.port))
        return cli::Failed;
    if (!session.Comm().QueryStatus()) {
        session.ReportFailure();
        return cli::Failed;
    }
    std::string model, serial, version, imei = "N/A";
    for (const TPacket& packet : session.Packets)
        for (const TPacketData& item : packet.Items) {
            if (item.Id == "000")
                model = item.Value;
            else if (item.Id == "001")
                serial = item.Value;
            else if (item.Id == "002")
                version = item.Value;
            else if (item.Id == "003")
                imei = item.Value;
        }
    std::cout << "model:   " << show(model) << '\n'
              << "serial:  " << show(serial) << '\n'
              << "version: " << show(version) << '\n'
              << "imei:    " << show(imei) << '\n';
    session.FlushPosted();
    return cli::Ok;
}

int DumpCommand(const cli::Args& args) {
    LinkOptions options;
    if (auto exit = parseLinkOptions(args, kDumpUsage, true, options))
        return *exit;
    Session session(options.verbose);
    if (!session.Open(options.port))
        return cli::Failed;
    if (!session.Comm().ReadSettings(options.code, true, false)) {
        session.ReportFailure();
        return cli::Failed;
    }
    for (const TPacket& packet : session.Packets) {
        const std::string group = packet.Items.empty() ? "?" : packet.Items.front().Id.substr(0, 1);
        std::cout << "# group " << group << " (packet " << int(packet.PacketNumber) << " of "
                  << int(packet.PacketCount) << ", " << packet.Items.size() << " items)\n";
        for (const TPacketData& item : packet.Items)
            std::cout << show(item.Id) << '\t' << show(item.Value) << '\n';
    }
    session.FlushPosted();
    return cli::Ok;
}

} // namespace

NCONFIG_CLI_COMMAND("ports", "list the serial ports and the demo device", PortsCommand);
NCONFIG_CLI_COMMAND("status", "identity of the device on a port (model, serial, version, IMEI)",
                    StatusCommand);
NCONFIG_CLI_COMMAND("dump", "read the whole configuration from a device and print it", DumpCommand);
