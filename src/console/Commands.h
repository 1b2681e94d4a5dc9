#pragma once

#include <QString>
#include <vector>

// Command identifiers, shared by the menu, the accelerators, the toolbar and the prompts.
enum : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE_AS = 57603,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_INCREMENT_WIND = 32745,
    ID_SET_WIND = 32746,
    ID_CLEAR_GRAPH = 32775,
    ID_CONFIGURE = 32776,
    ID_COM_PORT = 32778,
    ID_AXIS = 32779,
    ID_OVERLAY_SET = 32783,
    ID_OVERLAY_CLEAR = 32784,
    ID_STOP_WIND = 32785,
    ID_HELP_CONTENTS = 32787,
    ID_DECREMENT_WIND = 32789,
    ID_COMMENTS = 32793,
    ID_FILE_EXPORT = 32810,
    ID_VIEW_DATA_TABLE = 32811,
    ID_FILE_LAB_SHEET = 32820,
    ID_VIEW_COMPARE = 32821,
};

// One entry of the main menu: its menu, its text (access key after "&", the accelerator shown
// after a tab), the command, and the command's prompt: the status-bar text, then after "\n"
// the toolbar tip. A command of 0 is a separator.
struct MenuEntry {
    const char* pMenu;
    const char* pText;
    int nCommand;
    const char* pPrompt;
};

const std::vector<MenuEntry>& MenuTable();

// The prompt of a command that has no menu item (Ctrl+N), or of any command in the table.
QString CommandPrompt(int nCommand);

// The two halves of a prompt.
QString StatusPrompt(const QString& strPrompt);
QString TipPrompt(const QString& strPrompt);

// Accelerators: each key (as QKeySequence text) and the command it gives.
struct Accelerator {
    const char* pKey;
    int nCommand;
};
const std::vector<Accelerator>& AcceleratorTable();

// Toolbar entries left to right; 0 is a separator. Images are taken in order from the strip.
const std::vector<int>& ToolbarTable();
