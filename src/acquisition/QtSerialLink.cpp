#include "acquisition/QtSerialLink.h"

namespace vireon {

QtSerialLink::QtSerialLink(std::function<std::string(int)> pathOf, QObject* parent)
    : QObject(parent), pathOf_(std::move(pathOf)) {
    connect(&serial_, &QSerialPort::readyRead, this, [this] { ReadyRead(); });
    connect(&serial_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError && OnError) {
            OnError(kErrPortVanished);
        }
    });
}

void QtSerialLink::Open(int16_t port) {
    if (serial_.isOpen()) {
        serial_.close();
    }
    const std::string path = pathOf_ ? pathOf_(port) : std::string();
    if (port < 1 || path.empty()) {
        throw SerialError(8002, "Invalid port number");
    }
    serial_.setPortName(QString::fromStdString(path));
    if (!serial_.open(QIODevice::ReadWrite)) {
        const std::string why = serial_.errorString().toStdString();
        serial_.clearError();
        throw SerialError(8005, "Port cannot be opened: " + why);
    }
    serial_.setBaudRate(QSerialPort::Baud115200);
    serial_.setDataBits(QSerialPort::Data8);
    serial_.setParity(QSerialPort::NoParity);
    serial_.setStopBits(QSerialPort::OneStop);
    serial_.setFlowControl(QSerialPort::NoFlowControl);
    serial_.setReadBufferSize(0);
    port_ = port;
}

void QtSerialLink::Close() {
    if (serial_.isOpen()) {
        serial_.close();
    }
    serial_.clearError();
}

bool QtSerialLink::IsOpen() const {
    return serial_.isOpen();
}

void QtSerialLink::CheckVanished() {
    if (serial_.error() == QSerialPort::ResourceError) {
        throw SerialError(kErrPortVanished, "The port has gone");
    }
}

void QtSerialLink::Output(const std::string& text) {
    if (!serial_.isOpen()) {
        throw SerialError(8018, "Operation valid only when the port is open");
    }
    CheckVanished();
    if (serial_.write(text.data(), static_cast<qint64>(text.size())) < 0) {
        CheckVanished();
        throw SerialError(8020, "Error writing to the port");
    }
    // Commands are short; push them out now rather than on the next event-loop pass.
    serial_.flush();
}

std::string QtSerialLink::Input() {
    if (!serial_.isOpen()) {
        throw SerialError(8018, "Operation valid only when the port is open");
    }
    // Collect what the driver holds now, not only what the last readyRead delivered.
    serial_.waitForReadyRead(0);
    CheckVanished();
    const QByteArray bytes = serial_.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

int QtSerialLink::InBufferCount() const {
    return serial_.isOpen() ? static_cast<int>(serial_.bytesAvailable()) : 0;
}

void QtSerialLink::RThreshold(int16_t count) {
    threshold_ = count;
    // Characters that already wait count at once, as they would for a fresh arrival.
    if (count > 0 && serial_.isOpen() && serial_.bytesAvailable() >= count) {
        QMetaObject::invokeMethod(
            this, [this] { ReadyRead(); }, Qt::QueuedConnection);
    }
}

void QtSerialLink::ReadyRead() {
    if (inEvent_ || threshold_ <= 0 || !serial_.isOpen()) {
        return;
    }
    if (serial_.bytesAvailable() >= threshold_ && OnReceive) {
        inEvent_ = true;
        OnReceive();
        inEvent_ = false;
    }
}

} // namespace vireon
