#pragma once
// SerialLink over the Windows communications API at the fixed line settings 115200 8N1.
//
// The line is read by one overlapped read at a time that asks the driver for just the characters
// still missing to the receive threshold. The driver completes it once they are all there, so a
// reply wakes the program once, whatever the line's speed: what the Linux link gets from the
// driver's wake-up count and its quiet wait while a reply is due, which is why WakeWhenDue has
// nothing to add here. Taking or counting the characters cancels the read in flight and keeps
// what it held (a serial driver reports the characters a cancelled read took), then reads what
// the driver holds besides. Completions of reads and writes are delivered on the owner's thread.

#include "acquisition/SerialLink.h"

#include <QObject>
#include <functional>
#include <memory>
#include <string>

namespace vireon {

class WinSerialLink : public QObject, public SerialLink {
    Q_OBJECT
public:
    // `pathOf` maps a port number to its device path ("\\.\COM7").
    explicit WinSerialLink(std::function<std::string(int)> pathOf, QObject* parent = nullptr);
    ~WinSerialLink() override;

    void Open(int16_t port) override;
    void Close() override;
    bool IsOpen() const override;
    int16_t CommPort() const override { return port_; }
    void Output(const std::string& text) override;
    std::string Input() override;
    int InBufferCount() const override;
    void RThreshold(int16_t count) override;
    int16_t RThreshold() const override { return threshold_; }
    // The characters the read in flight waits for before it wakes the program (0: none).
    unsigned long Asking() const;

private:
    struct Io;
    // The characters the next read asks for.
    unsigned long Wanted() const;
    void Arm();
    // Takes back the read in flight with what it holds, and what the driver holds besides.
    // False when the port has gone.
    bool Collect();
    void ReadDone();
    void Send();
    void WriteDone();
    // The port has gone: no more reads; every later use says so.
    bool Fail();
    void ReportIfFailed(bool failedBefore);
    void Announce();

    std::function<std::string(int)> pathOf_;
    std::unique_ptr<Io> io_;
    // Received and not yet taken.
    std::string held_;
    int16_t port_ = 0;
    int16_t threshold_ = 0;
    bool inEvent_ = false;
    bool failed_ = false;
};

// What Open throws when the system refuses to open port `port` with error `systemError`.
SerialError OpenFailure(int port, unsigned long systemError);

} // namespace vireon
