// nconfig-cli packet ...: decode and encode packets as they travel on the serial
// line, and run the checksum and cipher on raw bytes. Meant for anyone looking at
// captured traffic or crafting a packet by hand.

#include "Cli.h"
#include "N_Blowfish_simple.h"
#include "N_CRC16.h"
#include "PacketParser.h"

#include <charconv>
#include <cstdio>
#include <iostream>

namespace {

const char* const kUsage = "usage: nconfig-cli packet SUBCOMMAND [ARGS...]\n"
                           "\n"
                           "Subcommands:\n"
                           "  decode HEX                      header fields, command and items of a packet\n"
                           "  encode --command CMD [OPTIONS]  build a packet and print it as hex\n"
                           "  crc HEX                         16-bit checksum of the bytes\n"
                           "  encrypt --key KEY HEX           encipher the bytes (length a multiple of 8)\n"
                           "  decrypt --key KEY HEX           decipher the bytes (length a multiple of 8)\n"
                           "\n"
                           "HEX is pairs of hexadecimal digits without separators; output hex is upper\n"
                           "case. Run 'nconfig-cli packet SUBCOMMAND --help' for details.\n";

const char* const kDecodeUsage =
    "usage: nconfig-cli packet decode HEX\n"
    "\n"
    "Checks and deciphers the packet HEX and prints its header fields, its\n"
    "command and one Id=Value line per item. Bytes outside printable ASCII, and\n"
    "the backslash, are shown as \\xNN; so is '=' inside an id, so every item\n"
    "line can be given back to 'packet encode --item'.\n"
    "A packet as the tool sends it is followed by one 00 byte that is not part\n"
    "of the packet: leave it out.\n"
    "Exit status 1 and the failure key (ErrorBadCRC ...) when the packet is\n"
    "not valid.\n";

const char* const kEncodeUsage =
    "usage: nconfig-cli packet encode --command CMD [--code CODE] [--count N]\n"
    "                                 [--number N] [--item ID=VALUE]...\n"
    "\n"
    "Builds a packet and prints it as hex (without the 00 byte the tool sends\n"
    "after it).\n"
    "  --command CMD    request code (F0 F2 F4 F5 FA FB FE FF) or reply word (OK ...)\n"
    "  --code CODE      access code for the code field of F commands; shorter codes\n"
    "                   are filled with 0 to six characters (default: 000000)\n"
    "  --count N        PacketCount, 0 to 255 (default 1)\n"
    "  --number N       PacketNumber, 0 to 255 (default 1)\n"
    "  --item ID=VALUE  one item, in order; repeat as needed. The id is the text\n"
    "                   before the first '='; it may be empty (=VALUE).\n"
    "In every text \\xNN stands for the byte with hex value NN and \\\\ for a\n"
    "backslash.\n";

const char* const kCrcUsage = "usage: nconfig-cli packet crc HEX\n"
                              "\n"
                              "Prints the 16-bit checksum packets carry for their plaintext, as four\n"
                              "hex digits (the value, high digit first).\n";

const char* const kCipherUsage = "usage: nconfig-cli packet encrypt --key KEY HEX\n"
                                 "       nconfig-cli packet decrypt --key KEY HEX\n"
                                 "\n"
                                 "Enciphers or deciphers HEX (a multiple of 8 bytes) under KEY and prints\n"
                                 "the result as hex. Packets use the key 7130462958. \\xNN in KEY stands\n"
                                 "for a raw byte, \\\\ for a backslash.\n";

// "\xNN" is a raw byte, "\\" a backslash; any other backslash is an error.
bool unescape(const std::string& text, std::string& out, std::string& error) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            out.push_back('\\');
            ++i;
            continue;
        }
        if (i + 3 < text.size() && text[i + 1] == 'x') {
            try {
                const TByteArray b = HexToBytes(text.substr(i + 2, 2));
                out.push_back(static_cast<char>(b[0]));
                i += 3;
                continue;
            } catch (const EPacketError&) {
            }
        }
        error = "bad escape in '" + text + "' (use \\xNN or \\\\)";
        return false;
    }
    return true;
}

std::string escape(const std::string& text, bool inId) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7E || c == '\\' || (inId && c == '=')) {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

bool parseByte(const std::string& text, std::uint8_t& out) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value > 255)
        return false;
    out = static_cast<std::uint8_t>(value);
    return true;
}

// Hex argument to bytes. Prints the failure and returns false on invalid pairs.
bool readHex(const std::string& command, const std::string& text, TByteArray& out) {
    try {
        out = HexToBytes(text);
    } catch (const EPacketError& e) {
        std::cerr << "nconfig-cli: packet " << command << ": " << e.key() << '\n';
        return false;
    }
    if (text.size() % 2 != 0)
        std::cerr << "nconfig-cli: packet " << command
                  << ": warning: odd number of hex digits, last one ignored\n";
    return true;
}

int Decode(const cli::Args& args) {
    if (cli::wantsHelp(args)) {
        std::cout << kDecodeUsage;
        return cli::Ok;
    }
    cli::Options options;
    std::string error;
    if (!cli::parseOptions(args, {}, {}, options, error))
        return cli::usageError("packet decode: " + error, kDecodeUsage);
    if (options.positional.size() != 1)
        return cli::usageError("packet decode: expected exactly one HEX argument", kDecodeUsage);

    TByteArray bytes;
    if (!readHex("decode", options.positional[0], bytes))
        return cli::Failed;
    TPacket packet;
    try {
        packet = PacketParserInstance().Parse(bytes);
    } catch (const EPacketError& e) {
        std::cerr << "nconfig-cli: packet decode: " << e.key() << '\n';
        return cli::Failed;
    }
    char crc[5];
    std::snprintf(crc, sizeof crc, "%04X", packet.Crc);
    std::cout << "PacketCount: " << int(packet.PacketCount) << '\n'
              << "PacketNumber: " << int(packet.PacketNumber) << '\n'
              << "DataLength: " << packet.DataLength << '\n'
              << "Crc: " << crc << '\n'
              << "Command: " << escape(packet.Command, false) << '\n';
    for (const TPacketData& item : packet.Items)
        std::cout << escape(item.Id, true) << '=' << escape(item.Value, false) << '\n';
    return cli::Ok;
}

int Encode(const cli::Args& args) {
    if (cli::wantsHelp(args)) {
        std::cout << kEncodeUsage;
        return cli::Ok;
    }
    cli::Options options;
    std::string error;
    if (!cli::parseOptions(args, {"command", "code", "count", "number", "item"}, {}, options, error))
        return cli::usageError("packet encode: " + error, kEncodeUsage);
    if (!options.positional.empty())
        return cli::usageError("packet encode: unexpected argument '" + options.positional[0] + "'",
                               kEncodeUsage);

    TPacket packet;
    if (!options.has("command"))
        return cli::usageError("packet encode: --command is required", kEncodeUsage);
    if (!unescape(options.get("command"), packet.Command, error))
        return cli::usageError("packet encode: --command: " + error, kEncodeUsage);
    if (packet.Command.empty())
        return cli::usageError("packet encode: --command must not be empty", kEncodeUsage);
    std::string code;
    if (!unescape(options.get("code"), code, error))
        return cli::usageError("packet encode: --code: " + error, kEncodeUsage);
    if (!parseByte(options.get("count", "1"), packet.PacketCount))
        return cli::usageError("packet encode: --count must be a number from 0 to 255", kEncodeUsage);
    if (!parseByte(options.get("number", "1"), packet.PacketNumber))
        return cli::usageError("packet encode: --number must be a number from 0 to 255", kEncodeUsage);
    for (const std::string& itemText : options.all("item")) {
        const std::size_t eq = itemText.find('=');
        if (eq == std::string::npos)
            return cli::usageError("packet encode: --item '" + itemText + "' has no '='", kEncodeUsage);
        TPacketData item;
        if (!unescape(itemText.substr(0, eq), item.Id, error) ||
            !unescape(itemText.substr(eq + 1), item.Value, error))
            return cli::usageError("packet encode: --item: " + error, kEncodeUsage);
        packet.Items.push_back(item);
    }
    // Crafted packets may break the line structure on purpose; say so in case not.
    const auto breaksLines = [](const std::string& s) {
        return s.find_first_of("\n\r") != std::string::npos;
    };
    if (breaksLines(packet.Command))
        std::cerr << "nconfig-cli: packet encode: warning: the command holds a line end (0A/0D) byte\n";
    for (std::size_t i = 0; i < packet.Items.size(); ++i)
        if (breaksLines(packet.Items[i].Id) || breaksLines(packet.Items[i].Value))
            std::cerr << "nconfig-cli: packet encode: warning: item " << i + 1
                      << " holds a line end (0A/0D) byte and will not decode as one item\n";

    try {
        std::cout << BytesToHex(PacketParserInstance().Build(packet, code)) << '\n';
    } catch (const EPacketError& e) {
        std::cerr << "nconfig-cli: packet encode: " << e.key() << '\n';
        return cli::Failed;
    }
    return cli::Ok;
}

int Crc(const cli::Args& args) {
    if (cli::wantsHelp(args)) {
        std::cout << kCrcUsage;
        return cli::Ok;
    }
    cli::Options options;
    std::string error;
    if (!cli::parseOptions(args, {}, {}, options, error))
        return cli::usageError("packet crc: " + error, kCrcUsage);
    if (options.positional.size() != 1)
        return cli::usageError("packet crc: expected exactly one HEX argument", kCrcUsage);
    TByteArray bytes;
    if (!readHex("crc", options.positional[0], bytes))
        return cli::Failed;
    char crc[5];
    std::snprintf(crc, sizeof crc, "%04X", Crc16(bytes));
    std::cout << crc << '\n';
    return cli::Ok;
}

int Cipher(const std::string& name, const cli::Args& args) {
    if (cli::wantsHelp(args)) {
        std::cout << kCipherUsage;
        return cli::Ok;
    }
    cli::Options options;
    std::string error;
    if (!cli::parseOptions(args, {"key"}, {}, options, error))
        return cli::usageError("packet " + name + ": " + error, kCipherUsage);
    if (options.positional.size() != 1)
        return cli::usageError("packet " + name + ": expected exactly one HEX argument", kCipherUsage);
    std::string key;
    if (!unescape(options.get("key"), key, error))
        return cli::usageError("packet " + name + ": --key: " + error, kCipherUsage);
    if (key.empty())
        return cli::usageError("packet " + name + ": --key KEY is required and must not be empty",
                               kCipherUsage);
    TByteArray bytes;
    if (!readHex(name, options.positional[0], bytes))
        return cli::Failed;
    if (bytes.size() % 8 != 0) {
        std::cerr << "nconfig-cli: packet " << name << ": " << bytes.size()
                  << " bytes is not a multiple of 8\n";
        return cli::Failed;
    }
    const TByteArray out = name == "encrypt" ? EncryptBuffer(bytes, key) : DecryptBuffer(bytes, key);
    std::cout << BytesToHex(out) << '\n';
    return cli::Ok;
}

int PacketCommand(const cli::Args& args) {
    if (args.empty())
        return cli::usageError("packet: missing subcommand", kUsage);
    const cli::Args rest(args.begin() + 1, args.end());
    const std::string& sub = args[0];
    if (sub == "--help" || sub == "-h" || sub == "help") {
        std::cout << kUsage;
        return cli::Ok;
    }
    if (sub == "decode")
        return Decode(rest);
    if (sub == "encode")
        return Encode(rest);
    if (sub == "crc")
        return Crc(rest);
    if (sub == "encrypt" || sub == "decrypt")
        return Cipher(sub, rest);
    return cli::usageError("packet: unknown subcommand '" + sub + "'", kUsage);
}

} // namespace

NCONFIG_CLI_COMMAND("packet", "decode, encode, checksum and cipher packets (hex)", PacketCommand);
