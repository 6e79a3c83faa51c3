#pragma once
// The serial link seen from the main window: choosing, opening and watching the port, sending
// one command, taking its reply, the five-miss rule and the laser detector unit's start and
// stop. Works on AcqState and reaches the window through AcqView.

#include "acquisition/AcqState.h"
#include "acquisition/PortCatalog.h"
#include "acquisition/SerialLink.h"
#include "acquisition/Timing.h"
#include "acquisition/UserPrompts.h"

#include <cstdint>
#include <string>

namespace vireon {

// What the read cycle needs of the probe object.
class ProbeCommands {
public:
    virtual ~ProbeCommands() = default;
    // The next command (ending in a carriage return), chosen from the reply just received.
    virtual std::string GetNextCmnd(const std::string& reply) = 0;
    virtual int16_t GetRThreshold() = 0;
    virtual double GetTimerInterval() = 0;
    virtual void LostComm(int16_t value) = 0;
    virtual void StartARProbe(int16_t value) = 0;
    // Reply of the laser start sequence handed to the probe object.
    virtual void InputStr2(const std::string& reply) = 0;
};

// The window as the read cycle sees it.
class AcqView {
public:
    virtual ~AcqView() = default;
    virtual void ClearDisplay() = 0;
    // First status bar panel, repainted at once.
    virtual void StatusText(const std::string& text) = 0;
    virtual void CheckPortEntry(int n, bool checked) = 0;
    virtual void ShowPortEntry(int n, bool visible) = 0;
    // Reply processing of an accepted reply in AcqState::ProbeData.
    virtual void Process7300Format() = 0;
    virtual void ClearBatteryLow() = 0;
    virtual bool ARProbeChecked() const = 0;
    virtual void BusyPointer(bool busy) = 0;
    // Progress bar of the laser start (0..75); hidden when `visible` is false.
    virtual void StartProgressBar(bool visible, int value) = 0;
    // Caution dialog before the laser goes on; true when the user confirmed.
    virtual bool ConfirmLaserOn() = 0;
};

class ReadCycle {
public:
    ReadCycle(AcqState& state, SerialLink& link, PortCatalog& ports, Timer& readTimer,
              ProbeCommands& probe, AcqView& view, UserPrompts& prompts);

    void OpenCommPort(int16_t port);
    void RefreshPortMenu();
    bool PortExists(int32_t n);
    // Communications menu entry 1..24.
    void MnuCommClick(int16_t index);
    void OnDeviceArrival(const std::string& name);
    void OnDeviceRemoveComplete(const std::string& name);

    void SendCmnd();
    void SetRthreshold(int16_t count);
    // Receive event of the serial port (characters received).
    void OnComm();
    // Tick of HRTReadProbe.
    void OnReadTick();
    // The port failed on its own.
    void OnSerialError(int number);

    // Laser detector unit.
    void CmdStart();
    void CmdOff();
    void StartLaser();
    void SetLaserLostCommunications();
    void EndLaser();

    // Sends text directly (shutdown's laser-off commands); errors are the caller's to ignore.
    void SendRaw(const std::string& text);

private:
    void HandleReadError(int number);
    void CountMiss();
    void Drain();

    AcqState& s_;
    SerialLink& link_;
    PortCatalog& ports_;
    Timer& readTimer_;
    ProbeCommands& probe_;
    AcqView& view_;
    UserPrompts& prompts_;
};

inline constexpr const char* kMsgCannotOpenPort =
    "Unable to open the selected comm port.  Reselect comm port or check system configuration.";
inline constexpr const char* kMsgPortNotOpen =
    "CommPort not open.  Select 'Communications' to reopen Commport.";
inline constexpr const char* kMsgReadError = "Error in reading probe.";

} // namespace vireon
