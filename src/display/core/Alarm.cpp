#include "display/core/Alarm.h"

#include "common/numfmt.h"

#include <cmath>

namespace vireon {

void Alarm::Apply(int16_t enable, float value) {
    s_.AlarmEnable = enable == 1 ? 1 : 0;
    s_.AlarmValue = value;
    v_.Checked(Act::mnuprobeAlarm, s_.AlarmEnable == 1);
    v_.Caption(Act::mnuprobeAlarmSet, kCaption + GeneralNumber(value));
    graph_.SetMark1(value);
}

void Alarm::ToggleEnable() {
    s_.AlarmEnable = s_.AlarmEnable == 1 ? 0 : 1;
    v_.Checked(Act::mnuprobeAlarm, s_.AlarmEnable == 1);
}

void Alarm::AskLevel() {
    const auto answer =
        prompts_.InputBox("Enter alarm level.", "Alarm Setting", GeneralNumber(s_.AlarmValue));
    if (!answer) {
        return;
    }
    const double level = Val(*answer);
    // Not a number, zero, negative or beyond a single: the level stays.
    if (!(level > 0) || !std::isfinite(static_cast<float>(level))) {
        return;
    }
    s_.AlarmValue = static_cast<float>(level);
    v_.Caption(Act::mnuprobeAlarmSet, kCaption + GeneralNumber(s_.AlarmValue));
    if (s_.AlarmEnable != 1 &&
        prompts_.MsgBox("Enable alarm now?", MsgIcon::Question, MsgButtons::YesNo,
                        "Alarm Enable") == MsgResult::Yes) {
        s_.AlarmEnable = 1;
        v_.Checked(Act::mnuprobeAlarm, true);
    }
    graph_.SetMark1(s_.AlarmValue);
    setup_.DrawGraph();
}

void Alarm::Check() {
    // The last reading of a probe that is off or lost is no field to warn about.
    if (s_.AlarmEnable != 1 || probe_.LostComm() == 1 || !s_.ReadingsLive) {
        return;
    }
    const float total = probe_.TypeNumb() == 1 ? kd_.XYZ() : probe_.XYZAxis();
    if (total > s_.AlarmValue) {
        desktop_.Beep();
    }
}

} // namespace vireon
