#pragma once
// The end of the program that the system asks for (logout, kill, Ctrl+C): the program ends
// as File > Exit does, but asks nothing. A question open at that moment sits in an event loop
// of its own, deep in the procedure that asked; ending from inside it would run the shutdown
// under that procedure, which then carries on with a window that is gone, and Qt's quit does
// not reach a loop that starts later. So every open question is closed unanswered (the asker
// carries on as after Cancel and keeps what it held), a question asked after that is closed
// as soon as it shows, and the shutdown runs once the program is back in its own outermost
// loop.

#include <QObject>

#include <functional>

namespace vireon {

class ProgramEnd : public QObject {
    Q_OBJECT
public:
    explicit ProgramEnd(std::function<void()> shutdown, QObject* parent = nullptr);
    ~ProgramEnd() override;

    void Request();
    bool Requested() const { return requested_; }
    // The event loop level of the program's own loop (1 under QApplication::exec), from
    // which the shutdown may run; 0 until that loop runs, when the starter ends the program
    // itself once start-up has returned.
    void OutermostLoop(int level);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TryEnd();

    std::function<void()> shutdown_;
    bool requested_ = false;
    bool done_ = false;
    int outermost_ = 0;
};

} // namespace vireon
