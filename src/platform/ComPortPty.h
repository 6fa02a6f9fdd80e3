#pragma once
// A serial port without hardware: a pseudo-terminal whose slave side the tool opens
// as its port, while the device emulator answers on the master side. Used by
// nconfig-devsim, the serial tests and the serial benchmark. Unix only; elsewhere
// Open fails with a message saying so.

#include "DeviceEmulator.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>

class QSocketNotifier;

class TPtyEmulatorServer : public QObject {
    Q_OBJECT
public:
    // The speed of a 9600 baud line: 10 bits per byte with start and stop bit.
    static constexpr int kBytesPerSecond9600 = 960;

    // Serves `emulator` (not owned; must outlive the server).
    explicit TPtyEmulatorServer(DeviceEmulator& emulator, QObject* parent = nullptr);
    ~TPtyEmulatorServer() override;

    static bool Supported();

    // Creates the pseudo-terminal (raw mode). False with `error` set when it cannot.
    bool Open(QString* error = nullptr);
    bool IsOpen() const { return m_master >= 0; }
    // The path the tool opens as its port ("/dev/pts/7").
    QString PortPath() const { return m_slavePath; }

    // Bytes per second in both directions; 0 (the default) for no pacing.
    void SetPace(int bytesPerSecond) { m_pace = bytesPerSecond; }
    // Pause between the two pieces of a split reply (default 50 ms).
    void SetSplitGap(int ms) { m_splitGapMs = ms; }

    // Writes bytes the tool did not ask for (an unsolicited "ABORT", two packets in
    // one transfer) after `delayMs`, in order with the replies.
    void PushUnsolicited(const TByteArray& bytes, int delayMs = 0);

    // Closes the device's side: for the tool the port vanishes, as an unplugged
    // USB adapter does. Pending replies are dropped.
    void Unplug();

    // Called for every request the emulator received, in order.
    std::function<void(const EmulatorRequest&)> OnRequest;

    // Bytes read from the tool / written to the tool so far.
    qint64 BytesIn() const { return m_bytesIn; }
    qint64 BytesOut() const { return m_bytesOut; }

signals:
    // The tool's side closed the port or the line failed.
    void Hangup();

private:
    struct Pending {
        qint64 dueUs;
        bool toDevice; // true: feed the emulator; false: write to the tool
        TByteArray bytes;
    };
    void onReadable();
    void schedule(Pending item);
    void arm();
    void runDue();
    void writeToTool(const TByteArray& bytes);
    qint64 transferUs(std::size_t bytes) const;
    qint64 nowUs() const { return m_clock.nsecsElapsed() / 1000; }

    DeviceEmulator& m_emulator;
    int m_master = -1;
    int m_slaveHold = -1; // keeps the line alive while the tool has the port closed
    QString m_slavePath;
    QSocketNotifier* m_notifier = nullptr;
    int m_pace = 0;
    int m_splitGapMs = 50;
    std::deque<Pending> m_pending; // sorted by dueUs
    qint64 m_inFreeUs = 0;         // paced line towards the device busy until then (µs)
    qint64 m_outFreeUs = 0;        // paced line towards the tool busy until then (µs)
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_bytesIn = 0;
    qint64 m_bytesOut = 0;
};
