#pragma once
// What the data communication needs of a transport: write a whole buffer, and
// deliver every received batch (one batch = one whole packet, or what arrived
// before the line went quiet) to a handler on the window's thread.

#include "DataTypes.h"

#include <functional>

class ITransport {
public:
    using ReceiveHandler = std::function<void(const TByteArray&)>;

    virtual ~ITransport() = default;

    // Writes the buffer to the open link. Throws std::runtime_error when the link
    // is not open or the write fails.
    virtual void write(const TByteArray& bytes) = 0;

    // The data communication binds its Receive here. Called on the window's thread,
    // possibly from inside a local event loop; the handler may close the link.
    void setReceiveHandler(ReceiveHandler handler) { m_onReceive = std::move(handler); }

protected:
    void deliver(const TByteArray& batch)
    {
        if (m_onReceive)
            m_onReceive(batch);
    }

private:
    ReceiveHandler m_onReceive;
};
