// qt-floor: the least a Qt window costs at 125 samples per second on this machine, for
// comparison with the program's own figure. A timer ticks every 8 ms and, as the program's
// quiet wait does, a second one 2 ms later; every third tick a strip of a graph-sized widget is
// repainted, as the program's repaints come at 125 readings a second. Prints the processor
// share over the given seconds. "bare" leaves out the second timer and the repaints (the ticks
// alone), "paint" the second timer only. "raw" has no Qt at all: a plain timerfd read every
// 8 ms, the least any program pays to wake 125 times a second on this machine.
//
//     qt-floor SECONDS [bare|paint|raw]

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

class Strip : public QWidget {
public:
    int x = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        p.fillRect(e->rect(), Qt::black);
        p.setPen(Qt::green);
        p.drawLine(x, 100, x + 2, 120);
    }
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Report(int seconds, double cpu, int ticks) {
    std::printf("{\"seconds\": %d, \"cpuPercent\": %.3f, \"ticks\": %d}\n", seconds,
                100.0 * cpu / seconds, ticks);
}

// Waits out the same 2 s settling time as the Qt modes, then counts.
int Raw(int seconds) {
    const int fd = timerfd_create(CLOCK_MONOTONIC, 0);
    const itimerspec every8ms{{0, 8'000'000}, {0, 8'000'000}};
    if (fd < 0 || timerfd_settime(fd, 0, &every8ms, nullptr) != 0) {
        std::perror("timerfd");
        return 1;
    }
    const int settle = 250;
    int n = 0;
    double start = 0;
    for (std::uint64_t expired = 0; n < settle + seconds * 125; n += static_cast<int>(expired)) {
        if (n >= settle && start == 0) {
            start = CpuSeconds();
        }
        if (read(fd, &expired, sizeof expired) != sizeof expired) {
            std::perror("read");
            return 1;
        }
    }
    Report(seconds, CpuSeconds() - start, n - settle);
    close(fd);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    if (argc > 2 && std::strcmp(argv[2], "raw") == 0) {
        return Raw(seconds);
    }
    QApplication app(argc, argv);
    const bool bare = argc > 2 && std::strcmp(argv[2], "bare") == 0;
    const bool paintOnly = argc > 2 && std::strcmp(argv[2], "paint") == 0;
    Strip w;
    w.resize(600, 300);
    w.show();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QTimer due;
    due.setSingleShot(true);
    due.setTimerType(Qt::PreciseTimer);
    int n = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (bare) {
            ++n;
            return;
        }
        if (!paintOnly) {
            due.start(2);
        }
        if (++n % 3 == 0) {
            w.x = (w.x + 3) % 600;
            w.update(w.x, 0, 4, 300);
        }
    });
    QObject::connect(&due, &QTimer::timeout, [] {});
    double start = 0;
    QTimer::singleShot(2000, [&] {
        start = CpuSeconds();
        QTimer::singleShot(seconds * 1000, [&] {
            Report(seconds, CpuSeconds() - start, n);
            app.quit();
        });
    });
    tick.start(8);
    return QApplication::exec();
}
