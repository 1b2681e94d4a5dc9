#pragma once

#include <string>

#include "core/record/StatusPane.h"
#include "core/record/TestRecord.h"

// The status line of a running test: run state, wind speed, lift and drag, and Cd and L/D when
// their curves are shown. Numbers at or above NOT_COMPUTABLE (and numbers that are not numbers)
// show as "******". bRunning is the serial link's run flag as its last status query left it.
std::string FormatStatus(const TestRecord& rec, bool bRunning, double dSpeed, double dLift,
                         double dDrag, double dCd, double dLD);

// Puts that text in the status bar's message pane.
void ShowStatus(const TestRecord& rec, CStatusPane& pane, bool bRunning, double dSpeed,
                double dLift, double dDrag, double dCd, double dLD);
