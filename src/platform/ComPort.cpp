#include "ComPort.h"

#include "EmulatorTransport.h"

#include <QPointer>
#include <QSerialPortInfo>
#include <algorithm>
#include <stdexcept>
#include <tuple>

namespace {

constexpr std::uint8_t kIdentifier = 0x02;
constexpr std::size_t kHeaderSize = 8;

} // namespace

DeviceEmulator& TComPort::DemoDevice() {
    // One device for the whole session, so that what the user writes to the demo
    // device is read back after a reconnect.
    static DeviceEmulator device(EmulatorFamily::N20D);
    return device;
}

TComPort::TComPort(QObject* parent) : QObject(parent), m_serial(new QSerialPort(this)) {
    m_demoFactory = [] { return std::make_unique<EmulatorTransport>(&DemoDevice()); };
    m_quietTimer.setSingleShot(true);
    // A coarse timer may fire 5 % early: the line must really have been quiet.
    m_quietTimer.setTimerType(Qt::PreciseTimer);
    m_quietTimer.setInterval(kDefaultReadIntervalTimeout);
    connect(&m_quietTimer, &QTimer::timeout, this, [this] { frame(true); });
    connect(m_serial, &QSerialPort::readyRead, this, [this] {
        const QByteArray data = m_serial->readAll();
        received(TByteArray(data.begin(), data.end()));
    });
    connect(m_serial, &QSerialPort::errorOccurred, this, &TComPort::onSerialError);
}

TComPort::~TComPort() {
    // No deliveries from here on: the receive handler's owner may be gone already.
    setReceiveHandler(nullptr);
    closeInternal();
}

bool TComPort::IsDemoName(const QString& name) {
    return name.compare(kDemoPortName, Qt::CaseInsensitive) == 0;
}

bool TComPort::IsOpen() const {
    return m_demo != nullptr || m_serial->isOpen();
}

void TComPort::SetPortName(const QString& name) {
    m_portName = name;
}

bool TComPort::Open() {
    if (IsOpen())
        return true;
    m_errorString.clear();
    m_buffer.clear();
    ++m_generation;

    if (IsDemoName(m_portName)) {
        std::unique_ptr<ITransport> demo = m_demoFactory ? m_demoFactory() : nullptr;
        if (!demo) {
            m_errorString = QStringLiteral("The demo device is not available");
            return false;
        }
        const quint64 generation = m_generation;
        demo->setReceiveHandler([this, generation](const TByteArray& bytes) {
            if (generation == m_generation)
                received(bytes);
        });
        m_demo = std::move(demo);
        return true;
    }

    m_serial->setPortName(m_portName);
    applySettings();
    if (!m_serial->open(QIODevice::ReadWrite)) {
        m_errorString = m_serial->errorString();
        return false;
    }
    applySettings();
    // The device needs neither line; some adapters fail to set them (virtual ports,
    // pseudo-terminals), which does not matter.
    if (m_flowControl != QSerialPort::HardwareControl)
        m_serial->setRequestToSend(false);
    m_serial->setDataTerminalReady(false);
    // Bytes that reached the line before the port was opened belong to no request
    // of ours (a late reply to an earlier session, still queued in a virtual port);
    // kept, they would pass for the reply to the next request.
    m_serial->clear(QSerialPort::Input);
    m_serial->clearError();
    return true;
}

bool TComPort::Close() {
    if (!IsOpen())
        return true;
    closeInternal();
    return !m_serial->isOpen();
}

void TComPort::closeInternal() {
    ++m_generation;
    m_quietTimer.stop();
    m_buffer.clear();
    if (m_demo) {
        m_demo->setReceiveHandler(nullptr);
        if (auto* emulated = dynamic_cast<EmulatorTransport*>(m_demo.get()))
            emulated->close(); // replies still on their way are lost with the link
        // The demo transport may be the sender of the delivery we are inside of.
        if (auto* object = dynamic_cast<QObject*>(m_demo.get())) {
            m_demo.release();
            object->setParent(this);
            object->deleteLater();
        } else {
            m_demo.reset();
        }
    }
    if (m_serial->isOpen())
        m_serial->close();
}

void TComPort::applySettings() {
    // Errors of the individual setters are ignored: a setting the driver refuses
    // leaves the port usable with its current value.
    m_serial->setBaudRate(m_baudRate);
    m_serial->setDataBits(m_dataBits);
    m_serial->setStopBits(m_stopBits);
    m_serial->setParity(m_parity);
    m_serial->setFlowControl(m_flowControl);
    if (m_serial->isOpen())
        m_serial->clearError();
}

void TComPort::SetBaudRate(qint32 baud) {
    m_baudRate = baud;
    if (m_serial->isOpen())
        applySettings();
}

void TComPort::SetDataBits(QSerialPort::DataBits bits) {
    m_dataBits = bits;
    if (m_serial->isOpen())
        applySettings();
}

void TComPort::SetStopBits(QSerialPort::StopBits bits) {
    m_stopBits = bits;
    if (m_serial->isOpen())
        applySettings();
}

void TComPort::SetParity(QSerialPort::Parity parity) {
    m_parity = parity;
    if (m_serial->isOpen())
        applySettings();
}

void TComPort::SetFlowControl(QSerialPort::FlowControl flow) {
    m_flowControl = flow;
    if (m_serial->isOpen())
        applySettings();
}

void TComPort::write(const TByteArray& bytes) {
    if (m_demo) {
        m_demo->write(bytes);
        return;
    }
    if (!m_serial->isOpen())
        throw std::runtime_error("The serial port is not open");
    const qint64 written =
        m_serial->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (written != static_cast<qint64>(bytes.size()))
        throw std::runtime_error("The serial port refused the bytes: " +
                                 m_serial->errorString().toStdString());
}

std::size_t TComPort::CompleteBatchLength(const TByteArray& bytes) {
    if (bytes.empty())
        return 0;
    if (bytes[0] != kIdentifier)
        return bytes.size();
    if (bytes.size() >= 4 && bytes[3] != 0x00)
        return bytes.size();
    if (bytes.size() < kHeaderSize)
        return 0;
    const std::size_t length = bytes[4] | (bytes[5] << 8);
    // A payload is whole cipher blocks of 8 bytes, at least one.
    if (length == 0 || length % 8 != 0)
        return bytes.size();
    if (bytes.size() < kHeaderSize + length)
        return 0;
    return kHeaderSize + length;
}

void TComPort::received(const TByteArray& bytes) {
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    frame(false);
}

void TComPort::frame(bool flushAll) {
    const QPointer<TComPort> self(this);
    const quint64 generation = m_generation;
    // Zero bytes between packets are the link's packet terminators, never the
    // start of a packet: they carry nothing and are dropped.
    const auto firstNonZero =
        std::find_if(m_buffer.begin(), m_buffer.end(), [](std::uint8_t b) { return b != 0; });
    m_buffer.erase(m_buffer.begin(), firstNonZero);
    while (!m_buffer.empty()) {
        std::size_t length = CompleteBatchLength(m_buffer);
        if (length == 0) {
            if (!flushAll)
                break;
            length = m_buffer.size();
        }
        // Take the batch out before delivering: the handler may run a nested event
        // loop that receives more bytes, or close the port.
        TByteArray batch(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(length));
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(length));
        deliver(batch);
        if (!self || generation != m_generation)
            return;
        const auto next =
            std::find_if(m_buffer.begin(), m_buffer.end(), [](std::uint8_t b) { return b != 0; });
        m_buffer.erase(m_buffer.begin(), next);
    }
    if (m_buffer.empty())
        m_quietTimer.stop();
    else
        m_quietTimer.start();
}

void TComPort::onSerialError(QSerialPort::SerialPortError error) {
    // ResourceError: the device disappeared (an unplugged adapter). A read that
    // fails or ends although the system said there were bytes (ReadError) means the
    // line hung up, which is how a vanished pseudo-terminal shows; the port is
    // useless from then on, and keeping it open would only repeat the error.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !m_serial->isOpen() ||
        m_lostPending)
        return;
    // The error is raised from inside the port's own read notification: close the
    // port once that has returned, not under its feet.
    m_lostPending = true;
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            m_lostPending = false;
            if (generation != m_generation || !m_serial->isOpen())
                return;
            const QPointer<TComPort> self(this);
            const QString name = m_portName;
            m_errorString = m_serial->errorString();
            closeInternal();
            deliver({});
            if (self)
                emit PortLost(name);
        },
        Qt::QueuedConnection);
}

namespace {

TComPort::TPortEnumerator& portEnumerator() {
    static TComPort::TPortEnumerator enumerator;
    return enumerator;
}

} // namespace

void TComPort::SetPortEnumerator(TPortEnumerator enumerator) {
    portEnumerator() = std::move(enumerator);
}

QList<TPortInfo> TComPort::AvailablePorts(bool includeDemo) {
    QList<TPortInfo> ports;
    if (portEnumerator())
        ports = portEnumerator()();
    else
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            TPortInfo port;
            port.Name = info.portName();
            port.Description = info.description();
            port.Manufacturer = info.manufacturer();
            port.SystemLocation = info.systemLocation();
            port.HasUsbIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
            if (port.HasUsbIds) {
                port.VendorId = info.vendorIdentifier();
                port.ProductId = info.productIdentifier();
            }
            ports.append(port);
        }
    // "COM3" before "COM10", "ttyS2" before "ttyS10": by the text, then the number it ends with.
    const auto key = [](const QString& name) {
        qsizetype digits = name.size();
        while (digits > 0 && name.at(digits - 1).isDigit())
            --digits;
        return std::make_tuple(name.left(digits), name.mid(digits).toULongLong(), name);
    };
    std::sort(ports.begin(), ports.end(),
              [&](const TPortInfo& a, const TPortInfo& b) { return key(a.Name) < key(b.Name); });
    if (includeDemo) {
        TPortInfo demo;
        demo.Name = kDemoPortName;
        demo.Description = QStringLiteral("Built-in device emulator");
        demo.Demo = true;
        ports.append(demo);
    }
    return ports;
}
