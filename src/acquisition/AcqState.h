#pragma once
// Window-level state shared by the read cycle, the laser detector unit and the timing code.

#include <cstdint>
#include <string>

namespace vireon {

enum LaserStates : int16_t {
    kLaserOff = 0,
    kLaserStarting = 1,
    kLaserRunning = 2,
    kLaserSwitchingOff = 3
};

struct AcqState {
    std::string ProbeCmnd;
    std::string ProbeData;
    std::string ProbeSoftVer;
    std::string ProbeSerialNo;
    std::string ProbeCalDate;
    int16_t ProbeStrLeng = 0;
    int16_t PreviousRthres = 0;
    uint8_t CommPortOpenOk = 0;
    int16_t CommPortNo = 2;
    uint8_t CommEventRCVD = 0;
    int16_t TimeOut = 0;
    // A reading has come since the display was last cleared (start-up, a lost or ended link):
    // until then there is no field to average, log or warn about.
    bool ReadingsLive = false;
    std::string BaudRatePreference = "9600,o,7,1";
    uint8_t RthresEnabled = 0;
    int16_t MaxSpeedFlag = 0;
    int16_t Axis3Prefered = 0;
    std::string SampleRate = "20";
    int16_t BattTempUpdateInterval = 0;
    int16_t GITxtAverage = 10;
    int16_t GITDisplayUpdate = 10;
    uint8_t ChangeDisplayFlag = 0;
    int16_t RefreshCnt = 0;
    int16_t OK_TurnLaserOn = 0;
    int16_t LaserState = kLaserOff;
    int16_t LaserStep = 0;
    int16_t StartProgress = 0;
    int16_t BatteryGaugeLeft = 1150;
    std::string LaserRxBuffer;
    std::string LastProbeSerialNo;
    std::string LastProbeCalDate;
    // Text throttle and rate measurement.
    uint8_t RefreshProbeFlag = 0;
    int16_t ActualSamPerSec = 0;
    int16_t RateDivider = 0;
    // Counts replies handed to the reply processing (for tests and the rate display).
    int64_t RepliesProcessed = 0;
};

} // namespace vireon
