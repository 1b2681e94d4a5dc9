#pragma once

#include "core/base/OperatorMessages.h"

// The real boxes, on top of the active window.
class CQtMessageBoxes : public CMessageBoxes {
public:
    int Show(const QString& strText, unsigned nType) override;
};

// The icon a box of this type shows (MB_ICON..., after the rule for boxes without one).
unsigned EffectiveIcon(unsigned nType);
