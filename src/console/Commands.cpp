#include "console/Commands.h"

const std::vector<MenuEntry>& MenuTable() {
    static const std::vector<MenuEntry> table = {
        {"&File", "&Open...\tCtrl+O", ID_FILE_OPEN, "Open an existing document\nOpen"},
        {"&File", "&Save As\tCtrl+S", ID_FILE_SAVE_AS, "Save the active document\nSave"},
        {"&File", nullptr, 0, nullptr},
        {"&File", "&Print...\tCtrl+P", ID_FILE_PRINT, "Print the active document\nPrint"},
        {"&File", "Print Pre&view", ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview"},
        {"&File", "P&rint Setup...", ID_FILE_PRINT_SETUP,
         "Change the printer and printing options\nPrint Setup"},
        {"&File", nullptr, 0, nullptr},
        {"&File", "&Export...\tCtrl+E", ID_FILE_EXPORT,
         "Export the test's points as CSV or its graph as PNG, SVG or PDF\nExport"},
        {"&File", "&Lab Sheet...", ID_FILE_LAB_SHEET,
         "Write the test's graph, summary and points as a PDF for a report, or print them\n"
         "Lab Sheet"},
        {"&File", nullptr, 0, nullptr},
        {"&File", "E&xit", ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
        {"&Edit", "&Undo\tCtrl+Z", ID_EDIT_UNDO, "Undo the last action\nUndo"},
        {"&System", "&COM Port", ID_COM_PORT, "Select the serial COM Port"},
        {"&System", "&Axis\tA", ID_AXIS, "Change Axis scale"},
        {"&Test", "&Stop Wind\tS", ID_STOP_WIND, "Return Wind speed to Zero\nStop"},
        {"&Test", nullptr, 0, nullptr},
        {"&Test", "S&et Wind speed\tW", ID_SET_WIND, "Set Wind to desired speed\nSet Wind"},
        {"&Test", "&Increment Wind Speed\tPage Up", ID_INCREMENT_WIND, "Increment Wind speed"},
        {"&Test", "&Decrement Wind Speed\tPage Down", ID_DECREMENT_WIND, "Decrement Wind Speed"},
        {"&Test", "&Enter Comments\tE", ID_COMMENTS, "Enter comments on graph"},
        {"&Test", "&Clear Graph\tC", ID_CLEAR_GRAPH, "Clear graph results"},
        {"&Test", "C&onfigure", ID_CONFIGURE, "Configure test options"},
        {"&Overlay", "&Set\tO", ID_OVERLAY_SET, "Set Overlay"},
        {"&Overlay", "&Clear", ID_OVERLAY_CLEAR, "Clear Overlay"},
        {"&View", "&Toolbar", ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
        {"&View", "&Status Bar", ID_VIEW_STATUS_BAR,
         "Show or hide the status bar\nToggle StatusBar"},
        {"&View", "&Data Table\tCtrl+T", ID_VIEW_DATA_TABLE,
         "Show or hide the table of recorded points\nToggle Data Table"},
        {"&View", "&Compare Tests...", ID_VIEW_COMPARE,
         "Show saved tests together on one graph\nCompare Tests"},
        {"&Help", "&On line Help\tF1", ID_HELP_CONTENTS, "Display On line Help Contents\nHelp"},
        {"&Help", nullptr, 0, nullptr},
        {"&Help", "&About Zefron...", ID_APP_ABOUT, "Display About Dialog\nAbout"},
    };
    return table;
}

QString CommandPrompt(int nCommand) {
    if (nCommand == ID_FILE_NEW) {
        return QStringLiteral("Create a new document\nNew");
    }
    for (const MenuEntry& entry : MenuTable()) {
        if (entry.nCommand == nCommand && entry.pPrompt) {
            return QString::fromLatin1(entry.pPrompt);
        }
    }
    return {};
}

QString StatusPrompt(const QString& strPrompt) {
    return strPrompt.section(QLatin1Char('\n'), 0, 0);
}

QString TipPrompt(const QString& strPrompt) {
    return strPrompt.contains(QLatin1Char('\n')) ? strPrompt.section(QLatin1Char('\n'), 1)
                                                 : QString();
}

const std::vector<Accelerator>& AcceleratorTable() {
    static const std::vector<Accelerator> table = {
        {"A", ID_AXIS},
        {"C", ID_CLEAR_GRAPH},
        {"E", ID_COMMENTS},
        {"O", ID_OVERLAY_SET},
        {"S", ID_STOP_WIND},
        {"Home", ID_STOP_WIND},
        {"W", ID_SET_WIND},
        {"PgUp", ID_INCREMENT_WIND},
        {"PgDown", ID_DECREMENT_WIND},
        {"F1", ID_HELP_CONTENTS},
        {"Ctrl+N", ID_FILE_NEW},
        {"Ctrl+O", ID_FILE_OPEN},
        {"Ctrl+S", ID_FILE_SAVE_AS},
        {"Ctrl+P", ID_FILE_PRINT},
        {"Ctrl+E", ID_FILE_EXPORT},
        {"Ctrl+T", ID_VIEW_DATA_TABLE},
        {"Ctrl+Z", ID_EDIT_UNDO},
    };
    return table;
}

const std::vector<int>& ToolbarTable() {
    static const std::vector<int> table = {
        ID_FILE_OPEN,  ID_FILE_SAVE_AS,  0, ID_SET_WIND, ID_STOP_WIND, 0,
        ID_FILE_PRINT, ID_HELP_CONTENTS,
    };
    return table;
}
