#pragma once
// SerialLink over QSerialPort at the fixed line settings 115200 8N1.

#include "acquisition/SerialLink.h"

#include <QObject>
#include <QSerialPort>
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

private:
    void CheckVanished();
    void ReadyRead();
    // Characters the driver holds that the port object has not read yet.
    int Pending() const;
    void WakeAfter(int count);

    QSerialPort serial_;
    std::function<std::string(int)> pathOf_;
    int16_t port_ = 0;
    int16_t threshold_ = 0;
    bool inEvent_ = false;
    // The driver's wake-up count (VMIN) as last set; 0 = as the port was opened.
    int wakeAfter_ = 0;
};

} // namespace vireon
