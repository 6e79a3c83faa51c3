#pragma once
// The serial line to the laser detector unit, as the read cycle sees it.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace vireon {

// The error number the read cycle treats as "the port vanished" (adapter unplugged).
inline constexpr int kErrPortVanished = 8021;

class SerialError : public std::runtime_error {
public:
    SerialError(int number, const std::string& what) : std::runtime_error(what), number_(number) {}
    int Number() const { return number_; }

private:
    int number_;
};

class SerialLink {
public:
    virtual ~SerialLink() = default;

    // Opens Comm `port` (1..24) at 115200 8N1. Throws SerialError when it cannot.
    virtual void Open(int16_t port) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual int16_t CommPort() const = 0;

    // Sends the text as it stands. Throws SerialError (8021 when the port has gone).
    virtual void Output(const std::string& text) = 0;
    // Returns and removes every waiting character. Throws SerialError (8021 when gone).
    virtual std::string Input() = 0;
    virtual int InBufferCount() const = 0;

    // A receive event is raised once this many characters wait; 0 raises none.
    virtual void RThreshold(int16_t count) = 0;
    virtual int16_t RThreshold() const = 0;

    // While on, the link does not watch the line while a reply to the last command is still
    // on its way: it looks once, when the reply should be across at the line's speed, and
    // raises the receive event then if it is complete. That spares a wake-up per character
    // for up to a millisecond of latency; a reply that is late is still taken as it comes.
    virtual void WakeWhenDue(bool on) { (void)on; }

    // Raised on the owner's thread when RThreshold characters wait.
    std::function<void()> OnReceive;
    // Raised when the port fails on its own (for example the device vanished).
    std::function<void(int number)> OnError;
};

} // namespace vireon
