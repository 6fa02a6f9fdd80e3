#pragma once
// Shared pieces of the serial tests: a device emulator served on a
// pseudo-terminal, and a recorder of the batches a port delivers.

#include "ComPort.h"
#include "ComPortPty.h"
#include "DeviceEmulator.h"

#include <QElapsedTimer>
#include <QTest>
#include <memory>
#include <vector>

// An emulated device on a fresh pseudo-terminal; skips the test where there is none.
struct PtyDevice {
    DeviceEmulator emulator{EmulatorFamily::N20D};
    std::unique_ptr<TPtyEmulatorServer> server = std::make_unique<TPtyEmulatorServer>(emulator);

    bool open() {
        QString error;
        if (!server->Open(&error)) {
            qWarning("pseudo-terminal: %s", qPrintable(error));
            return false;
        }
        return true;
    }
    QString path() const { return server->PortPath(); }
};

#define REQUIRE_PTY(dev)                                                                                     \
    do {                                                                                                     \
        if (!TPtyEmulatorServer::Supported())                                                                \
            QSKIP("no pseudo-terminals on this system");                                                     \
        QVERIFY((dev).open());                                                                               \
    } while (false)

struct BatchRecorder {
    struct Batch {
        TByteArray bytes;
        qint64 atMs;
    };
    std::vector<Batch> batches;
    QElapsedTimer clock;

    void attach(ITransport& transport) {
        clock.start();
        transport.setReceiveHandler([this](const TByteArray& b) { batches.push_back({b, clock.elapsed()}); });
    }
};
