#include "acquisition/LinuxPortCatalog.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <linux/serial.h>
#include <set>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef VIREON_HAVE_UDEV
#include <libudev.h>
#endif

namespace fs = std::filesystem;

namespace vireon {

struct LinuxPortCatalog::Udev {
#ifdef VIREON_HAVE_UDEV
    udev* ctx = nullptr;
    udev_monitor* mon = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
    ~Udev() {
        notifier.reset();
        if (mon != nullptr) {
            udev_monitor_unref(mon);
        }
        if (ctx != nullptr) {
            udev_unref(ctx);
        }
    }
#endif
};

namespace {
std::string LinkName(int n) {
    return "COM" + std::to_string(n);
}
} // namespace

LinuxPortCatalog::LinuxPortCatalog(std::string portsFolder, std::string byIdFolder, QObject* parent)
    : QObject(parent), folder_(std::move(portsFolder)), byId_(std::move(byIdFolder)),
      udev_(std::make_unique<Udev>()) {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    AssignAdapters();
    for (int n = 1; n <= kMaxCommPorts; ++n) {
        present_[static_cast<size_t>(n)] = LinkPresent(n);
    }
    WatchFolders();
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { Rescan(); });
    poll_.setInterval(1000);
    connect(&poll_, &QTimer::timeout, this, [this] { Rescan(); });
    poll_.start();
#ifdef VIREON_HAVE_UDEV
    udev_->ctx = udev_new();
    if (udev_->ctx != nullptr) {
        udev_->mon = udev_monitor_new_from_netlink(udev_->ctx, "udev");
    }
    if (udev_->mon != nullptr &&
        udev_monitor_filter_add_match_subsystem_devtype(udev_->mon, "tty", nullptr) >= 0 &&
        udev_monitor_enable_receiving(udev_->mon) >= 0) {
        udev_->notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(udev_->mon),
                                                            QSocketNotifier::Read);
        connect(udev_->notifier.get(), &QSocketNotifier::activated, this, [this] {
            udev_device* dev = udev_monitor_receive_device(udev_->mon);
            if (dev != nullptr) {
                udev_device_unref(dev);
            }
            // The by-id links are made by udev rules just after the event; look a bit later.
            QTimer::singleShot(300, this, [this] { Rescan(); });
        });
    }
#endif
}

LinuxPortCatalog::~LinuxPortCatalog() = default;

void LinuxPortCatalog::WatchFolders() {
    const QStringList watched = watcher_.directories();
    for (const std::string& dir : {folder_, byId_}) {
        const QString q = QString::fromStdString(dir);
        if (!watched.contains(q) && fs::is_directory(dir)) {
            watcher_.addPath(q);
        }
    }
}

void LinuxPortCatalog::AssignAdapters() {
    std::error_code ec;
    if (!fs::is_directory(byId_, ec)) {
        return;
    }
    std::set<std::string> linked;
    std::set<int> used;
    for (int n = 1; n <= kMaxCommPorts; ++n) {
        const fs::path link = fs::path(folder_) / LinkName(n);
        if (fs::is_symlink(fs::symlink_status(link, ec))) {
            used.insert(n);
            linked.insert(fs::read_symlink(link, ec).string());
        }
    }
    for (const auto& entry : fs::directory_iterator(byId_, ec)) {
        const std::string target = entry.path().string();
        if (linked.count(target) != 0) {
            continue;
        }
        for (int n = 3; n <= kMaxCommPorts; ++n) {
            if (used.count(n) == 0) {
                fs::create_symlink(target, fs::path(folder_) / LinkName(n), ec);
                if (!ec) {
                    used.insert(n);
                    linked.insert(target);
                }
                break;
            }
        }
    }
}

bool LinuxPortCatalog::LinkPresent(int n) const {
    const std::string link = (fs::path(folder_) / LinkName(n)).string();
    struct stat st {};
    // stat follows the link: a dangling link (device unplugged) is not present.
    return ::lstat(link.c_str(), &st) == 0 && ::stat(link.c_str(), &st) == 0;
}

void LinuxPortCatalog::Rescan() {
    WatchFolders();
    AssignAdapters();
    PortSet now{};
    for (int n = 1; n <= kMaxCommPorts; ++n) {
        now[static_cast<size_t>(n)] = LinkPresent(n);
    }
    Announce(present_, now);
}

std::string LinuxPortCatalog::DevicePath(int n) const {
    if (n < 1 || n > kMaxCommPorts) {
        return {};
    }
    const fs::path link = fs::path(folder_) / LinkName(n);
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(link, ec))) {
        const fs::path target = fs::canonical(link, ec);
        return ec ? link.string() : target.string();
    }
    if (n <= 2) {
        return "/dev/ttyS" + std::to_string(n - 1);
    }
    return {};
}

bool LinuxPortCatalog::PortExists(int n) {
    if (n <= 0) {
        return false;
    }
    const std::string path = DevicePath(n);
    if (path.empty()) {
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    // Query only: open without waiting for carrier and let go at once. A port another
    // program holds exclusively refuses, as it does on Windows.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool exists = true;
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN) {
        exists = false; // a legacy ttyS node with no UART behind it
    }
    ::close(fd);
    return exists;
}

} // namespace vireon
