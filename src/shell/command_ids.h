#pragma once

namespace korvel {

// The numeric command ids that menu, accelerators and toolbar share. A command is one id
// whichever way it is reached, so the status-bar prompt and the handler follow the id.
enum CommandId : int {
    ID_APP_ABOUT = 57664,
    ID_FILE_OPEN_DATA = 32778,   // the menu's Open: the application's Open command
    ID_FILE_CLOSE_DATA = 32777,  // Close File
    ID_FILE_NEW = 57600,         // Ctrl+N: a new, empty document
    ID_FILE_OPEN = 57601,        // the frame's Open (Ctrl+O, toolbar): only while no file is open
    ID_FILE_PRINT = 57607,       // Ctrl+P
    ID_APP_EXIT = 57665,
    ID_MANUAL = 134,
    ID_PLAY_START = 32771,
    ID_PLAY_STOP = 32772,
    ID_VIEW_ASYNC = 32773,
    ID_VIEW_SYNC = 32774,
    ID_TOOLS_MIRVAN = 32776,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_OVERVIEW = 32780,      // the day's overview of the open recording
    ID_FILE_SAVE_PICTURE = 32781,  // the view's picture as PNG (Ctrl+Shift+S, toolbar)
};

}  // namespace korvel
