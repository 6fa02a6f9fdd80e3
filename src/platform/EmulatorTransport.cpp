#include "EmulatorTransport.h"

#include <algorithm>
#include <stdexcept>

EmulatorTransport::EmulatorTransport(DeviceEmulator* emulator, QObject* parent)
    : QObject(parent), m_emulator(emulator) {
    if (!m_emulator) {
        m_ownEmulator = std::make_unique<DeviceEmulator>();
        m_emulator = m_ownEmulator.get();
    }
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { deliverDue(); });
}

EmulatorTransport::~EmulatorTransport() = default;

void EmulatorTransport::close() {
    m_open = false;
    m_queue.clear();
    m_timer.stop();
    m_emulator->discardPartial();
}

void EmulatorTransport::write(const TByteArray& bytes) {
    if (!m_open)
        throw std::runtime_error("ErrorPortNotOpen");
    m_writes.push_back(bytes);
    for (EmulatorReply& reply : m_emulator->feed(bytes)) {
        int delay = reply.delayMs;
        for (TByteArray& piece : reply.pieces) {
            enqueue(std::move(piece), delay);
            delay = 0;
        }
    }
}

void EmulatorTransport::pushUnsolicited(const TByteArray& bytes, int delayMs) {
    if (!m_open)
        return; // a closed link receives nothing, not even later when it is opened again
    enqueue(bytes, delayMs);
}

// A batch is due `delayMs` after it was queued, but never before the batch queued
// ahead of it: the device answers in order.
void EmulatorTransport::enqueue(TByteArray bytes, int delayMs) {
    qint64 due = m_clock.elapsed() + std::max(0, delayMs);
    if (!m_queue.empty())
        due = std::max(due, m_queue.back().dueMs);
    m_queue.push_back({due, std::move(bytes)});
    schedule();
}

void EmulatorTransport::schedule() {
    if (m_queue.empty()) {
        m_timer.stop();
        return;
    }
    const qint64 wait = std::max<qint64>(0, m_queue.front().dueMs - m_clock.elapsed());
    m_timer.start(static_cast<int>(wait));
}

// One batch per timer event, so pieces of one reply reach the receiver as separate
// batches; the receiver may close the transport from inside the delivery.
void EmulatorTransport::deliverDue() {
    if (m_queue.empty() || !m_open)
        return;
    if (m_queue.front().dueMs > m_clock.elapsed()) {
        schedule();
        return;
    }
    TByteArray batch = std::move(m_queue.front().bytes);
    m_queue.pop_front();
    schedule();
    deliver(batch);
    emit batchDelivered(batch);
}
