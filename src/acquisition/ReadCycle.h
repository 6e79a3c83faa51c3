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
    // Whether the calibration object took this ":M" reply as its calibration.
    virtual bool CalibrationAccepted(const std::string& reply) const = 0;
};

class ReadCycle {
public:
    // `clock` is the monotonic clock the command schedule is kept on.
    ReadCycle(AcqState& state, SerialLink& link, PortCatalog& ports, Timer& readTimer, Clock& clock,
              ProbeCommands& probe, AcqView& view, NoticeBoard& notices);

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
    // Abandons a start; `why` tells the user which step failed.
    void SetLaserLostCommunications(const std::string& why = {});
    void EndLaser();
    // True while a tick or receive event is being handled (a nested event loop must not run
    // the cycle again).
    bool InCycle() const { return inCycle_; }

    // Sends text directly (shutdown's laser-off commands); errors are the caller's to ignore.
    void SendRaw(const std::string& text);

private:
    void HandleReadError(int number);
    void KeepSchedule(double interval);
    bool ReplyStillDue();
    void CountMiss();
    // A reply as the timer path takes it: ":" first and the length asked for, or a refusal.
    bool Whole(const std::string& reply) const;
    void UploadPointer(bool busy);
    void Drain();
    void LaserOffNow();
    void ReceiveEvent();
    void ReadTick();

    AcqState& s_;
    SerialLink& link_;
    PortCatalog& ports_;
    Timer& readTimer_;
    Clock& clock_;
    ProbeCommands& probe_;
    AcqView& view_;
    NoticeBoard& notices_;
    bool inCycle_ = false;
    bool receivePending_ = false;
    bool uploadBusy_ = false; // the hourglass shown for a calibration request
    // The command in flight: when it went out (monotonic ms) and the read timer's period for
    // it, at maximum speed the time its reply may take.
    double sentAt_ = 0;
    double period_ = 0;
};

inline constexpr const char* kMsgCannotOpenPort =
    "Unable to open the selected comm port.  Reselect comm port or check system configuration.";
inline constexpr const char* kMsgPortNotOpen =
    "CommPort not open.  Select 'Communications' to reopen Commport.";
inline constexpr const char* kMsgReadError = "Error in reading probe.";
inline constexpr const char* kLinkLostText =
    "No reply from the probe: link lost. Waiting for it to identify itself again.";
// Status texts of a start that failed, by the step that failed.
inline constexpr const char* kStartFailedIdent =
    "Start failed: the probe did not identify itself. Check the fiber optic cables and the "
    "probe's battery, then press Start.";
inline constexpr const char* kStartFailedCalibration =
    "Start failed: the probe's calibration table did not arrive complete. Check the fiber optic "
    "cables and the probe's battery, then press Start.";
inline constexpr const char* kStartFailedStatus =
    "Start failed: the laser detector unit sent no status. Check the unit and its cable, then "
    "press Start.";
inline constexpr const char* kStartFailedData =
    "Start failed: the probe sent no readings. Check the fiber optic cables and the probe's "
    "battery, then press Start.";
inline constexpr const char* kStartNoData =
    "The probe sent no data and the laser was switched off. Check the fiber optic cables and "
    "the probe's battery, then press Start.";

} // namespace vireon
