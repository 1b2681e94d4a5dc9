#pragma once

#include <string>

// The message pane of the main window's status bar: the status line of a running test and the
// poll's messages go there. Tests and tools use their own.
class CStatusPane {
public:
    virtual ~CStatusPane() = default;
    // Shows the text at once (not at the next idle update of the status bar).
    virtual void SetStatusText(const std::string& strText) = 0;
};
