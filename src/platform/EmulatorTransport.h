#pragma once
// An in-process link to the device emulator: what the tool writes is fed to a
// DeviceEmulator, and its replies come back as received batches on the event loop
// (never from inside write), after their delays. A split reply stays split: its
// pieces arrive as separate batches, which is how a reply in two batches is tested.

#include "DeviceEmulator.h"
#include "Transport.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <memory>

class EmulatorTransport : public QObject, public ITransport {
    Q_OBJECT
public:
    // Uses `emulator` (not owned, must outlive this) or, when null, a device of its own.
    explicit EmulatorTransport(DeviceEmulator* emulator = nullptr, QObject* parent = nullptr);
    ~EmulatorTransport() override;

    DeviceEmulator& emulator() { return *m_emulator; }

    // A transport starts open. Closing drops every reply not yet delivered; writing
    // to a closed transport throws std::runtime_error, as a closed port does.
    void open() { m_open = true; }
    void close();
    bool isOpen() const { return m_open; }

    void write(const TByteArray& bytes) override;

    // Delivers bytes the tool did not ask for (an unsolicited "ABORT", a stray data
    // packet) after `delayMs`, in order with the pending replies. Dropped while closed.
    void pushUnsolicited(const TByteArray& bytes, int delayMs = 0);

    // Batches queued and not yet delivered.
    int pendingBatches() const { return static_cast<int>(m_queue.size()); }
    // Everything the tool wrote, in order.
    const std::vector<TByteArray>& writes() const { return m_writes; }
    void clearWrites() { m_writes.clear(); }

signals:
    // A batch was handed to the receive handler.
    void batchDelivered(const TByteArray& batch);

private:
    struct Batch {
        qint64 dueMs;
        TByteArray bytes;
    };
    void enqueue(TByteArray bytes, int delayMs);
    void schedule();
    void deliverDue();

    std::unique_ptr<DeviceEmulator> m_ownEmulator;
    DeviceEmulator* m_emulator;
    bool m_open = true;
    std::deque<Batch> m_queue;
    std::vector<TByteArray> m_writes;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
