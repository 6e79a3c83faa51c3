#pragma once
// RepaintPacer: the graph pictures hand their changed pixels to Qt through it, all together and
// at most once per screen refresh (FramePacer decides when), so that readings that come faster
// than the screen refreshes cost one repaint of the window per frame, of the changed pixels only.

#include "graph/FramePacer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <vector>

namespace vireon {

class GraphPicture;

class RepaintPacer : public QObject {
    Q_OBJECT
public:
    // The program's pacer, made on first use and owned by the application.
    static RepaintPacer& Instance();

    // `picture` has changes to show; they go to Qt at the next frame.
    void Changed(GraphPicture* picture);
    // Whether changes wait for their frame.
    bool Waiting() const { return timer_.isActive(); }

private:
    explicit RepaintPacer(QObject* parent);
    void Frame();

    FramePacer pacer_;
    QTimer timer_;
    QElapsedTimer clock_;
    std::vector<QPointer<GraphPicture>> waiting_;
};

} // namespace vireon
