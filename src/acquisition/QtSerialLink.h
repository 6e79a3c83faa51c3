#pragma once
// SerialLink over QSerialPort at the fixed line settings 115200 8N1.

#include "acquisition/SerialLink.h"

#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>

namespace vireon {

class QtSerialLink : public QObject, public SerialLink {
    Q_OBJECT
public:
    // `pathOf` maps a port number to its device path.
    explicit QtSerialLink(std::function<std::string(int)> pathOf, QObject* parent = nullptr);

    void Open(int16_t port) override;
    void Close() override;
    bool IsOpen() const override;
    int16_t CommPort() const override { return port_; }
    void Output(const std::string& text) override;
    std::string Input() override;
    int InBufferCount() const override;
    void RThreshold(int16_t count) override;
    int16_t RThreshold() const override { return threshold_; }
    void WakeWhenDue(bool on) override;
    // Whether characters arriving now wake the program (false while a reply is awaited quietly).
    bool Watching() const;

private:
    void CheckVanished();
    void ReadyRead();
    // Characters the driver holds that the port object has not read yet.
    int Pending() const;
    void WakeAfter(int count);
    // After a command went out: stops watching until its reply should be across.
    void QuietUntilDue(size_t sent);
    void Watch();

    QSerialPort serial_;
    std::function<std::string(int)> pathOf_;
    int16_t port_ = 0;
    int16_t threshold_ = 0;
    bool inEvent_ = false;
    // The driver's wake-up count (VMIN) as last set; 0 = as the port was opened.
    int wakeAfter_ = 0;
    bool wakeWhenDue_ = false;
    // The port object's read watch, which it owns; null where it keeps none we can find.
    QPointer<QSocketNotifier> readWatch_;
    QTimer due_;
};

} // namespace vireon
