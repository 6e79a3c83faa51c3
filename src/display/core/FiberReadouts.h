#pragma once
// The fiber-optic probe in the window: its replies sorted through the typed decoder, the
// window set up once it has identified itself, the laser unit's status labels and each reading
// on the readouts, range labels and graphs.

#include "acquisition/SerialLink.h"
#include "display/core/BatteryTemp.h"
#include "display/core/Face.h"
#include "display/core/RateControl.h"
#include "display/core/Readouts.h"
#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "graph/GraphSetup.h"
#include "probe/cls7300.h"
#include "probe/clsProbe.h"
#include "probe/fiber_replies.h"

#include <functional>

namespace vireon {

class FiberReadouts {
public:
    FiberReadouts(WindowState& s, WindowView& view, Face& face, RateControl& rates,
                  BatteryTemp& battery, Readouts& readouts, clsProbe& probe, Cls7300& kd,
                  clsGraph& graph, GraphSetup& setup, SerialLink& link)
        : s_(s), v_(view), face_(face), rates_(rates), battery_(battery), readouts_(readouts),
          probe_(probe), kd_(kd), graph_(graph), setup_(setup), link_(link) {}

    // The reply in ProbeData, by its kind.
    void Process7300Format();
    void ProcessSmallS(const fiber::UnitStatus& status);
    void ChangeDisplay();
    void SetUp7300();
    void UpdateVM7300();
    // Runs after each reading has reached the readouts and graphs (the log takes its row).
    std::function<void()> OnReading;

private:
    void OnData(const fiber::Data& d, const std::string& reply);
    void OnIdentification(const fiber::Identification& id);

    WindowState& s_;
    WindowView& v_;
    Face& face_;
    RateControl& rates_;
    BatteryTemp& battery_;
    Readouts& readouts_;
    clsProbe& probe_;
    Cls7300& kd_;
    clsGraph& graph_;
    GraphSetup& setup_;
    SerialLink& link_;
};

} // namespace vireon
