#include "ComPortPty.h"

#include <QSocketNotifier>
#include <algorithm>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#define NCONFIG_HAVE_PTY 1
#endif

TPtyEmulatorServer::TPtyEmulatorServer(DeviceEmulator& emulator, QObject* parent)
    : QObject(parent), m_emulator(emulator) {
    m_clock.start();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &TPtyEmulatorServer::runDue);
}

TPtyEmulatorServer::~TPtyEmulatorServer() {
    Unplug();
}

bool TPtyEmulatorServer::Supported() {
#ifdef NCONFIG_HAVE_PTY
    return true;
#else
    return false;
#endif
}

bool TPtyEmulatorServer::Open(QString* error) {
#ifdef NCONFIG_HAVE_PTY
    if (IsOpen())
        return true;
    const auto fail = [&](const char* what) {
        if (error)
            *error =
                QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(errno)));
        Unplug();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    const char* name = ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);
    m_slaveHold = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slaveHold < 0)
        return fail("open slave");
    termios tio{};
    if (tcgetattr(m_slaveHold, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_slaveHold, TCSANOW, &tio);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TPtyEmulatorServer::onReadable);
    return true;
#else
    if (error)
        *error = QStringLiteral("Pseudo-terminals are not available on this system");
    return false;
#endif
}

void TPtyEmulatorServer::Unplug() {
    m_timer.stop();
    m_pending.clear();
    delete m_notifier;
    m_notifier = nullptr;
#ifdef NCONFIG_HAVE_PTY
    if (m_slaveHold >= 0)
        ::close(m_slaveHold);
    if (m_master >= 0)
        ::close(m_master);
#endif
    m_slaveHold = -1;
    m_master = -1;
}

void TPtyEmulatorServer::PushUnsolicited(const TByteArray& bytes, int delayMs) {
    const qint64 due = std::max(nowUs() + qint64(delayMs) * 1000, m_outFreeUs);
    m_outFreeUs = due + transferUs(bytes.size());
    schedule({m_pace > 0 ? m_outFreeUs : due, false, bytes});
}

qint64 TPtyEmulatorServer::transferUs(std::size_t bytes) const {
    return m_pace > 0 ? static_cast<qint64>(bytes) * 1000000 / m_pace : 0;
}

void TPtyEmulatorServer::onReadable() {
#ifdef NCONFIG_HAVE_PTY
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // EIO: no process has the slave open any more. Our own hold on the slave
        // prevents that, so this is a real failure of the line.
        m_notifier->setEnabled(false);
        emit Hangup();
        return;
    }
    m_bytesIn += n;
    TByteArray bytes(buffer, buffer + n);
    const qint64 now = nowUs();
    // At a paced speed the device has the bytes only once they have crossed the line.
    m_inFreeUs = std::max(now, m_inFreeUs) + transferUs(bytes.size());
    schedule({m_pace > 0 ? m_inFreeUs : now, true, std::move(bytes)});
#endif
}

void TPtyEmulatorServer::schedule(Pending item) {
    const auto pos = std::upper_bound(m_pending.begin(), m_pending.end(), item.dueUs,
                                      [](qint64 due, const Pending& p) { return due < p.dueUs; });
    m_pending.insert(pos, std::move(item));
    arm();
}

void TPtyEmulatorServer::arm() {
    if (m_pending.empty()) {
        m_timer.stop();
        return;
    }
    // Round up: a timer that fires early would only be re-armed.
    const qint64 waitUs = std::max<qint64>(0, m_pending.front().dueUs - nowUs());
    m_timer.start(static_cast<int>((waitUs + 999) / 1000));
}

void TPtyEmulatorServer::runDue() {
    while (!m_pending.empty() && m_pending.front().dueUs <= nowUs()) {
        Pending item = std::move(m_pending.front());
        m_pending.pop_front();
        if (!item.toDevice) {
            writeToTool(item.bytes);
            continue;
        }
        const std::size_t before = m_emulator.requests().size();
        const std::vector<EmulatorReply> replies = m_emulator.feed(item.bytes);
        if (OnRequest)
            for (std::size_t i = before; i < m_emulator.requests().size(); ++i)
                OnRequest(m_emulator.requests()[i]);
        qint64 start = nowUs();
        for (const EmulatorReply& reply : replies) {
            start += qint64(reply.delayMs) * 1000;
            for (std::size_t p = 0; p < reply.pieces.size(); ++p) {
                if (p > 0)
                    start += qint64(m_splitGapMs) * 1000;
                const TByteArray& piece = reply.pieces[p];
                if (m_pace <= 0) {
                    schedule({start, false, piece});
                    continue;
                }
                // Paced: the piece leaves in small chunks at the line's speed.
                constexpr std::size_t kChunk = 16;
                for (std::size_t off = 0; off < piece.size(); off += kChunk) {
                    const std::size_t len = std::min(kChunk, piece.size() - off);
                    m_outFreeUs = std::max(start, m_outFreeUs) + transferUs(len);
                    schedule({m_outFreeUs, false,
                              TByteArray(piece.begin() + static_cast<std::ptrdiff_t>(off),
                                         piece.begin() + static_cast<std::ptrdiff_t>(off + len))});
                }
                start = m_outFreeUs;
            }
        }
    }
    arm();
}

void TPtyEmulatorServer::writeToTool(const TByteArray& bytes) {
#ifdef NCONFIG_HAVE_PTY
    std::size_t off = 0;
    while (m_master >= 0 && off < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + off, bytes.size() - off);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                usleep(1000);
                continue;
            }
            return;
        }
        off += static_cast<std::size_t>(n);
        m_bytesOut += n;
    }
#else
    Q_UNUSED(bytes);
#endif
}
