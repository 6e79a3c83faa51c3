#include "acquisition/QtSerialLink.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace vireon {

QtSerialLink::QtSerialLink(std::function<std::string(int)> pathOf, QObject* parent)
    : QObject(parent), pathOf_(std::move(pathOf)) {
    connect(&serial_, &QSerialPort::readyRead, this, [this] { ReadyRead(); });
    connect(&serial_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError && OnError) {
            OnError(kErrPortVanished);
        }
    });
    due_.setSingleShot(true);
    due_.setTimerType(Qt::PreciseTimer);
    connect(&due_, &QTimer::timeout, this, [this] { Watch(); });
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
    wakeAfter_ = 0;
    readWatch_.clear();
    for (QSocketNotifier* n : serial_.findChildren<QSocketNotifier*>()) {
        if (n->type() == QSocketNotifier::Read && n->socket() == serial_.handle()) {
            readWatch_ = n;
        }
    }
    RThreshold(threshold_);
}

void QtSerialLink::Close() {
    Watch();
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
    std::string_view rest = text;
#ifdef Q_OS_UNIX
    // Straight to the driver, which takes a command whole: through the port object's buffer
    // each command would wake the event loop twice more (its write notifier on, then off).
    if (serial_.bytesToWrite() == 0) {
        const ssize_t n = ::write(static_cast<int>(serial_.handle()), rest.data(), rest.size());
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            const bool gone = errno == EIO || errno == ENXIO || errno == ENODEV;
            throw SerialError(gone ? kErrPortVanished : 8020, "Error writing to the port");
        }
        rest.remove_prefix(static_cast<size_t>(std::max<ssize_t>(n, 0)));
    }
#endif
    if (rest.empty()) {
        QuietUntilDue(text.size());
        return;
    }
    if (serial_.write(rest.data(), static_cast<qint64>(rest.size())) < 0) {
        CheckVanished();
        throw SerialError(8020, "Error writing to the port");
    }
    // Commands are short; push them out now rather than on the next event-loop pass.
    serial_.flush();
    QuietUntilDue(text.size());
}

std::string QtSerialLink::Input() {
    if (!serial_.isOpen()) {
        throw SerialError(8018, "Operation valid only when the port is open");
    }
    // Collect what the driver holds now, not only what the last readyRead delivered.
    if (Pending() != 0) {
        WakeAfter(1);
        serial_.waitForReadyRead(0);
    }
    CheckVanished();
    const QByteArray bytes = serial_.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

int QtSerialLink::InBufferCount() const {
    return serial_.isOpen() ? static_cast<int>(serial_.bytesAvailable()) + std::max(Pending(), 0)
                            : 0;
}

int QtSerialLink::Pending() const {
#ifdef Q_OS_UNIX
    int n = 0;
    return serial_.isOpen() && ::ioctl(static_cast<int>(serial_.handle()), FIONREAD, &n) == 0 ? n
                                                                                              : -1;
#else
    return -1; // unknown: ask the port
#endif
}

// A reply trickles in at the line's speed; the driver wakes the program once `count`
// characters wait (VMIN, with no inter-character timer) instead of for every one of them.
void QtSerialLink::WakeAfter(int count) {
#ifdef Q_OS_UNIX
    count = std::clamp(count, 1, 255);
    if (count == wakeAfter_ || !serial_.isOpen()) {
        return;
    }
    const int fd = static_cast<int>(serial_.handle());
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        tio.c_cc[VMIN] = static_cast<cc_t>(count);
        tio.c_cc[VTIME] = 0;
        if (::tcsetattr(fd, TCSANOW, &tio) == 0) {
            wakeAfter_ = count;
        }
    }
#else
    (void)count;
#endif
}

void QtSerialLink::WakeWhenDue(bool on) {
    wakeWhenDue_ = on;
    if (!on) {
        Watch();
    }
}

bool QtSerialLink::Watching() const {
    return !readWatch_ || readWatch_->isEnabled();
}

// A reply trickles in one character at a time, and whoever waits on the line is woken for
// every one of them even when the driver's wake-up count holds the read back; not watching
// until the whole reply should be there leaves one wake-up for it.
void QtSerialLink::QuietUntilDue(size_t sent) {
    if (!wakeWhenDue_ || threshold_ <= 0 || !readWatch_ || !serial_.isOpen()) {
        return;
    }
    const auto held = static_cast<int>(serial_.bytesAvailable());
    if (held >= threshold_) {
        return;
    }
    // 10 bits a character: the command's characters out, then the reply's back.
    const double characterMs = 10.0 * 1000.0 / serial_.baudRate();
    const double wire =
        static_cast<double>(sent + static_cast<size_t>(threshold_ - held)) * characterMs;
    readWatch_->setEnabled(false);
    due_.start(static_cast<int>(std::ceil(wire)));
}

// Looking again: characters that are there already make the watch fire at once.
void QtSerialLink::Watch() {
    due_.stop();
    if (readWatch_ && !readWatch_->isEnabled() && serial_.isOpen()) {
        readWatch_->setEnabled(true);
    }
}

void QtSerialLink::RThreshold(int16_t count) {
    threshold_ = count;
    if (count <= 0) {
        Watch();
    }
    if (!serial_.isOpen()) {
        return;
    }
    // What the port object holds already counts towards the threshold.
    const auto held = static_cast<int>(serial_.bytesAvailable());
    WakeAfter(count > 0 ? count - held : 1);
    // Characters that already wait count at once, as they would for a fresh arrival.
    if (count > 0 && held >= count) {
        QMetaObject::invokeMethod(
            this, [this] { ReadyRead(); }, Qt::QueuedConnection);
    }
}

void QtSerialLink::ReadyRead() {
    if (inEvent_ || threshold_ <= 0 || !serial_.isOpen()) {
        return;
    }
    const auto held = static_cast<int>(serial_.bytesAvailable());
    if (held < threshold_) {
        // The driver counts at most 255 characters before it wakes us: a longer reply (the
        // calibration table) needs the count set again for what is still to come, or its last
        // characters would wait below it.
        WakeAfter(threshold_ - held);
        return;
    }
    if (OnReceive) {
        inEvent_ = true;
        OnReceive();
        inEvent_ = false;
    }
}

} // namespace vireon
