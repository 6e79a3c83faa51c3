#include "acquisition/WinSerialLink.h"

#include <QString>
#include <QWinEventNotifier>
#include <algorithm>
#include <array>

#include <windows.h>

namespace vireon {

namespace {

// The driver's receive and send queues, as the serial control was configured.
constexpr DWORD kInQueue = 1024;
constexpr DWORD kOutQueue = 512;

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString said = n != 0 ? QString::fromWCharArray(text, static_cast<qsizetype>(n))
                                : QString("system error %1").arg(code);
    LocalFree(text);
    return said.trimmed().toStdString();
}

bool Configure(HANDLE port) {
    // Advice to the driver, which some virtual ports refuse: no reason to give the port up.
    SetupComm(port, kInQueue, kOutQueue);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) {
        return false;
    }
    dcb.BaudRate = CBR_115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    // DTR and RTS up, as a Linux open leaves them.
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    // A line error must not stop the port: the reply it spoils is a miss like any other.
    dcb.fAbortOnError = FALSE;
    // No time-outs: a read ends when it has all it asked for, or is taken back.
    COMMTIMEOUTS none{};
    return SetCommState(port, &dcb) && SetCommTimeouts(port, &none);
}

} // namespace

SerialError OpenFailure(int port, unsigned long systemError) {
    const std::string name = "COM" + std::to_string(port);
    switch (systemError) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return SerialError(8005,
                           "Port cannot be opened: " + name + " is in use by another program");
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return SerialError(8002, "Port cannot be opened: " + name + " does not exist");
    default:
        return SerialError(8005, "Port cannot be opened: " + SystemMessage(systemError));
    }
}

struct WinSerialLink::Io {
    HANDLE port = INVALID_HANDLE_VALUE;
    OVERLAPPED read{};
    OVERLAPPED write{};
    std::array<char, kInQueue> in{};
    // The characters the read in flight asks for; 0 when none is in flight.
    DWORD asked = 0;
    // The write in flight, and what was given while it was.
    std::string out;
    std::string queued;
    bool writing = false;
    QWinEventNotifier readDone;
    QWinEventNotifier writeDone;

    Io() {
        read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        readDone.setHandle(read.hEvent);
        writeDone.setHandle(write.hEvent);
    }
    ~Io() {
        readDone.setEnabled(false);
        writeDone.setEnabled(false);
        CloseHandle(read.hEvent);
        CloseHandle(write.hEvent);
    }
    Io(const Io&) = delete;
    Io& operator=(const Io&) = delete;
};

WinSerialLink::WinSerialLink(std::function<std::string(int)> pathOf, QObject* parent)
    : QObject(parent), pathOf_(std::move(pathOf)), io_(std::make_unique<Io>()) {
    connect(&io_->readDone, &QWinEventNotifier::activated, this, [this] { ReadDone(); });
    connect(&io_->writeDone, &QWinEventNotifier::activated, this, [this] { WriteDone(); });
}

WinSerialLink::~WinSerialLink() {
    Close();
}

void WinSerialLink::Open(int16_t port) {
    Close();
    const std::string path = pathOf_ ? pathOf_(port) : std::string();
    if (port < 1 || path.empty()) {
        throw SerialError(8002, "Invalid port number");
    }
    const std::wstring wide = QString::fromStdString(path).toStdWString();
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        throw OpenFailure(port, GetLastError());
    }
    if (!Configure(h)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        throw SerialError(8005, "Port cannot be set to 115200 8N1: " + SystemMessage(error));
    }
    io_->port = h;
    port_ = port;
    failed_ = false;
    io_->readDone.setEnabled(true);
    io_->writeDone.setEnabled(true);
    Arm();
}

void WinSerialLink::Close() {
    if (io_->port == INVALID_HANDLE_VALUE) {
        return;
    }
    io_->readDone.setEnabled(false);
    io_->writeDone.setEnabled(false);
    CancelIoEx(io_->port, nullptr);
    DWORD n = 0;
    if (io_->asked != 0) {
        GetOverlappedResult(io_->port, &io_->read, &n, TRUE);
    }
    if (io_->writing) {
        GetOverlappedResult(io_->port, &io_->write, &n, TRUE);
    }
    CloseHandle(io_->port);
    io_->port = INVALID_HANDLE_VALUE;
    io_->asked = 0;
    io_->writing = false;
    io_->queued.clear();
    ResetEvent(io_->read.hEvent);
    ResetEvent(io_->write.hEvent);
    held_.clear();
}

bool WinSerialLink::IsOpen() const {
    return io_->port != INVALID_HANDLE_VALUE;
}

bool WinSerialLink::Fail() {
    failed_ = true;
    CancelIoEx(io_->port, nullptr);
    return false;
}

// A failure found while handling a completion is the port failing on its own.
void WinSerialLink::ReportIfFailed(bool failedBefore) {
    if (failed_ && !failedBefore && OnError) {
        OnError(kErrPortVanished);
    }
}

void WinSerialLink::Output(const std::string& text) {
    if (!IsOpen()) {
        throw SerialError(8018, "Operation valid only when the port is open");
    }
    io_->queued += text;
    if (!io_->writing && !failed_) {
        Send();
    }
    // With no handshake a port refuses nothing: a write fails only when the port has gone.
    if (failed_) {
        throw SerialError(kErrPortVanished, "The port has gone");
    }
}

void WinSerialLink::Send() {
    io_->out.swap(io_->queued);
    io_->queued.clear();
    if (io_->out.empty()) {
        return;
    }
    if (!WriteFile(io_->port, io_->out.data(), static_cast<DWORD>(io_->out.size()), nullptr,
                   &io_->write) &&
        GetLastError() != ERROR_IO_PENDING) {
        Fail();
        return;
    }
    io_->writing = true;
}

void WinSerialLink::WriteDone() {
    if (!io_->writing) {
        ResetEvent(io_->write.hEvent);
        return;
    }
    const bool failedBefore = failed_;
    DWORD n = 0;
    if (!GetOverlappedResult(io_->port, &io_->write, &n, FALSE)) {
        if (GetLastError() == ERROR_IO_INCOMPLETE) {
            return;
        }
        io_->writing = false;
        Fail();
    } else {
        io_->writing = false;
        ResetEvent(io_->write.hEvent);
        Send();
    }
    ReportIfFailed(failedBefore);
}

unsigned long WinSerialLink::Asking() const {
    return io_->asked;
}

unsigned long WinSerialLink::Wanted() const {
    const int missing = threshold_ - static_cast<int>(held_.size());
    // One at least: the line stays watched for a port that goes away, and what comes without
    // a threshold is gathered for whoever reads next.
    return static_cast<DWORD>(std::clamp(missing, 1, static_cast<int>(kInQueue)));
}

void WinSerialLink::Arm() {
    if (!IsOpen() || failed_ || io_->asked != 0) {
        return;
    }
    const DWORD ask = Wanted();
    if (!ReadFile(io_->port, io_->in.data(), ask, nullptr, &io_->read) &&
        GetLastError() != ERROR_IO_PENDING) {
        Fail();
        return;
    }
    io_->asked = ask;
}

bool WinSerialLink::Collect() {
    if (!IsOpen() || failed_) {
        return false;
    }
    DWORD n = 0;
    if (io_->asked != 0) {
        CancelIoEx(io_->port, &io_->read);
        const bool taken = GetOverlappedResult(io_->port, &io_->read, &n, TRUE) ||
                           GetLastError() == ERROR_OPERATION_ABORTED;
        io_->asked = 0;
        if (!taken) {
            return Fail();
        }
        held_.append(io_->in.data(), n);
    }
    DWORD errors = 0;
    COMSTAT stat{};
    if (!ClearCommError(io_->port, &errors, &stat)) {
        return Fail();
    }
    if (stat.cbInQue == 0) {
        return true;
    }
    // There already, so the read completes at once.
    const DWORD ask = std::min(stat.cbInQue, kInQueue);
    if ((!ReadFile(io_->port, io_->in.data(), ask, nullptr, &io_->read) &&
         GetLastError() != ERROR_IO_PENDING) ||
        !GetOverlappedResult(io_->port, &io_->read, &n, TRUE)) {
        return Fail();
    }
    held_.append(io_->in.data(), n);
    return true;
}

void WinSerialLink::ReadDone() {
    if (io_->asked == 0) {
        // Taken back since, or ended by a failure: a notice the event must not raise again.
        ResetEvent(io_->read.hEvent);
        return;
    }
    const bool failedBefore = failed_;
    DWORD n = 0;
    if (!GetOverlappedResult(io_->port, &io_->read, &n, FALSE)) {
        if (GetLastError() == ERROR_IO_INCOMPLETE) {
            return; // the notice of a read taken back and asked again
        }
        // Not taken back by us: the driver ended it, as it does for a device that went away.
        io_->asked = 0;
        Fail();
    } else {
        io_->asked = 0;
        held_.append(io_->in.data(), n);
        Arm();
    }
    ReportIfFailed(failedBefore);
    if (!failed_) {
        Announce();
    }
}

void WinSerialLink::Announce() {
    if (inEvent_ || threshold_ <= 0 || static_cast<int>(held_.size()) < threshold_ || !OnReceive) {
        return;
    }
    inEvent_ = true;
    OnReceive();
    inEvent_ = false;
}

std::string WinSerialLink::Input() {
    if (!IsOpen()) {
        throw SerialError(8018, "Operation valid only when the port is open");
    }
    if (!Collect()) {
        throw SerialError(kErrPortVanished, "The port has gone");
    }
    std::string taken;
    taken.swap(held_);
    Arm();
    return taken;
}

int WinSerialLink::InBufferCount() const {
    // Counting what waits means taking back the read in flight.
    auto* self = const_cast<WinSerialLink*>(this);
    if (self->Collect()) {
        self->Arm();
    }
    return static_cast<int>(held_.size());
}

void WinSerialLink::RThreshold(int16_t count) {
    threshold_ = count;
    if (!IsOpen() || failed_) {
        return;
    }
    // The read in flight asks for what the previous threshold was missing. A port found gone
    // here is reported by the next Input or Output.
    if (io_->asked != 0 && io_->asked != Wanted() && !Collect()) {
        return;
    }
    Arm();
    // Characters that already wait count at once, as they would for a fresh arrival.
    if (count > 0 && static_cast<int>(held_.size()) >= count) {
        QMetaObject::invokeMethod(
            this, [this] { Announce(); }, Qt::QueuedConnection);
    }
}

} // namespace vireon
