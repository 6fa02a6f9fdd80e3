#pragma once
// The serial port component: one port of the computer (or the built-in demo
// device) with its six settings, and the framing of received bytes into batches.
//
// The data communication takes every received batch as one whole packet, while
// the operating system hands over serial data in arbitrary pieces. So the port
// collects bytes and hands over a batch
//   - as soon as the bytes hold a complete packet (8-byte header, then the header's
//     DataLength); several packets in one read become several batches,
//   - at once when the bytes cannot start a packet (wrong identifier, reserved
//     byte or impossible length),
//   - with whatever it holds once the line has been quiet for the read interval
//     time-out (200 ms).
// Batches are delivered on the thread that owns the port (the window's thread).
// The receive handler may close the port (a reply "ABORT"): delivery stops there.
//
// When the open port vanishes (USB adapter unplugged), the port closes itself,
// delivers one empty batch (the data communication reads it as a lost connection,
// which ends a pending exchange at once) and emits PortLost.

#include "Transport.h"

#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class DeviceEmulator;

// The port name of the built-in demo device, listed beside the real ports.
inline const QString kDemoPortName = QStringLiteral("Demo device");

// One entry of the port list.
struct TPortInfo {
    QString Name;        // what the selector shows and the settings store keeps ("COM3", "ttyUSB0")
    QString Description; // as the system describes the port; may be empty
    QString Manufacturer;
    QString SystemLocation; // "/dev/ttyUSB0", "\\\\.\\COM3"
    bool HasUsbIds = false;
    quint16 VendorId = 0;
    quint16 ProductId = 0;
    bool Demo = false;
};

class TComPort : public QObject, public ITransport {
    Q_OBJECT
public:
    static constexpr int kDefaultReadIntervalTimeout = 200; // ms of quiet that end a batch
    static inline const QString kDefaultPortName = QStringLiteral("COM40");

    // Makes the transport behind the demo device each time it is opened. The
    // transport's deliveries are framed like bytes from a real port.
    using TDemoFactory = std::function<std::unique_ptr<ITransport>()>;

    explicit TComPort(QObject* parent = nullptr);
    ~TComPort() override;

    // Opens the configured port with the current settings, DTR and RTS off.
    // False (and ErrorString set) when it cannot be opened; true when already open.
    bool Open();
    // Closes the port; safe from inside a delivery. False when closing failed.
    bool Close();
    bool IsOpen() const;
    QString ErrorString() const { return m_errorString; }

    QString PortName() const { return m_portName; }
    // Takes effect at the next Open.
    void SetPortName(const QString& name);
    static bool IsDemoName(const QString& name);

    // The other five settings; applied at once when the port is open.
    qint32 BaudRate() const { return m_baudRate; }
    void SetBaudRate(qint32 baud);
    QSerialPort::DataBits DataBits() const { return m_dataBits; }
    void SetDataBits(QSerialPort::DataBits bits);
    QSerialPort::StopBits StopBits() const { return m_stopBits; }
    void SetStopBits(QSerialPort::StopBits bits);
    QSerialPort::Parity Parity() const { return m_parity; }
    void SetParity(QSerialPort::Parity parity);
    QSerialPort::FlowControl FlowControl() const { return m_flowControl; }
    void SetFlowControl(QSerialPort::FlowControl flow);

    int ReadIntervalTimeout() const { return m_quietTimer.interval(); }
    void SetReadIntervalTimeout(int ms) { m_quietTimer.setInterval(ms); }

    // Throws std::runtime_error when the port is not open or refuses the bytes.
    void write(const TByteArray& bytes) override;

    // The serial ports present, sorted by name, followed by the demo device.
    static QList<TPortInfo> AvailablePorts(bool includeDemo = true);
    // Replaces the system's enumeration of ports (tests of hot-plug); an empty
    // function restores it.
    using TPortEnumerator = std::function<QList<TPortInfo>()>;
    static void SetPortEnumerator(TPortEnumerator enumerator);

    // The device behind the demo port: one emulated N20D for the whole process.
    static DeviceEmulator& DemoDevice();
    // The transport of the demo device (an EmulatorTransport on DemoDevice() unless set).
    void SetDemoFactory(TDemoFactory factory) { m_demoFactory = std::move(factory); }
    // The demo transport while the demo device is open, else nullptr.
    ITransport* DemoTransport() const { return m_demo.get(); }

    // Length of the batch the bytes begin with: the whole packet when complete, all
    // the bytes when they cannot start a packet, 0 while a packet is still incomplete.
    static std::size_t CompleteBatchLength(const TByteArray& bytes);

signals:
    // The open port vanished; it has been closed and an empty batch delivered.
    void PortLost(const QString& portName);

private:
    void applySettings();
    void received(const TByteArray& bytes);
    void frame(bool flushAll);
    void onSerialError(QSerialPort::SerialPortError error);
    void closeInternal();

    QString m_portName = kDefaultPortName;
    qint32 m_baudRate = QSerialPort::Baud9600;
    QSerialPort::DataBits m_dataBits = QSerialPort::Data8;
    QSerialPort::StopBits m_stopBits = QSerialPort::OneStop;
    QSerialPort::Parity m_parity = QSerialPort::NoParity;
    QSerialPort::FlowControl m_flowControl = QSerialPort::NoFlowControl;
    QString m_errorString;

    QSerialPort* m_serial = nullptr; // child; kept for the life of the component
    std::unique_ptr<ITransport> m_demo;
    TDemoFactory m_demoFactory;
    TByteArray m_buffer;
    QTimer m_quietTimer;
    quint64 m_generation = 0; // changes on every open and close: stops a delivery loop
    bool m_lostPending = false;
};
