#include "resources/commandtable.h"

#include "resources/resource.h"

#include <cstring>

namespace {
const std::vector<CommandInfo> kCommands = {
    {ID_FILE_NEW, "ID_FILE_NEW", "&New\tCtrl+N", "Ctrl+N", "Create a new document\nNew (Ctrl+N)",
     "document-new"},
    {ID_FILE_OPEN, "ID_FILE_OPEN", "&Open...\tCtrl+O", "Ctrl+O",
     "Open an existing document\nOpen (Ctrl+O)", "document-open"},
    {ID_FILE_INSERT, "ID_FILE_INSERT", "&Insert file...\tCtrl+I", "Ctrl+I",
     "Insert text file at cursor location\nInsert (Ctrl+I)", nullptr},
    {ID_FILE_SAVE, "ID_FILE_SAVE", "&Save\tCtrl+S", "Ctrl+S",
     "Save the active document\nSave (Ctrl+S)", "document-save"},
    {ID_FILE_SAVE_AS, "ID_FILE_SAVE_AS", "Save &As...", nullptr,
     "Save the active document with a new name\nSave As", nullptr},
    {ID_FILE_PRINT_DIRECT, "ID_FILE_PRINT_DIRECT", "&Print...\tCtrl+P", "Ctrl+P",
     "Print the active document\nPrint (Ctrl+P)", "document-print"},
    {ID_FILE_PRINT_PREVIEW, "ID_FILE_PRINT_PREVIEW", "Print Pre&view", nullptr,
     "Display full pages\nPrint Preview", nullptr},
    {ID_FILE_PAGE_SETUP, "ID_FILE_PAGE_SETUP", "Pa&ge Setup", nullptr,
     "Change the printing options\nPage Setup", nullptr},
    {ID_FILE_MRU_FILE1, "ID_FILE_MRU_FILE1", nullptr, nullptr, "Open this document", nullptr},
    {ID_FILE_MRU_FILE1 + 1, "ID_FILE_MRU_FILE2", nullptr, nullptr, "Open this document", nullptr},
    {ID_FILE_MRU_FILE1 + 2, "ID_FILE_MRU_FILE3", nullptr, nullptr, "Open this document", nullptr},
    {ID_FILE_MRU_FILE4, "ID_FILE_MRU_FILE4", nullptr, nullptr, "Open this document", nullptr},
    {ID_APP_EXIT, "ID_APP_EXIT", "E&xit\tEsc", "Esc; Ctrl+Q",
     "Quit the application; prompts to save document\nExit", nullptr},
    {ID_EDIT_UNDO, "ID_EDIT_UNDO", "&Undo\tCtrl+Z", "Ctrl+Z", "Undo the last action\nUndo (Ctrl+Z)",
     "edit-undo"},
    {ID_EDIT_REDO, "ID_EDIT_REDO", "&Redo\tCtrl+Y", "Ctrl+Y; Ctrl+Shift+Z",
     "Redo the last undone action\nRedo (Ctrl+Y)", "edit-redo"},
    {ID_EDIT_SELECT_ALL, "ID_EDIT_SELECT_ALL", "&Select All\tCtrl+A", "Ctrl+A",
     "Select the entire document\nSelect All", nullptr},
    {ID_EDIT_CUT, "ID_EDIT_CUT", "Cu&t\tCtrl+X", "Ctrl+X; Shift+Del",
     "Cut the selection and put it on the Clipboard\nCut (Ctrl+X)", "edit-cut"},
    {ID_EDIT_COPY, "ID_EDIT_COPY", "&Copy\tCtrl+C", "Ctrl+C; Ctrl+Ins",
     "Copy the selection and put it on the Clipboard\nCopy (Ctrl+C)", "edit-copy"},
    {ID_EDIT_PASTE, "ID_EDIT_PASTE", "&Paste\tCtrl+V", "Ctrl+V; Shift+Ins",
     "Insert Clipboard contents\nPaste (Ctrl+V)", "edit-paste"},
    {ID_EDIT_OVERWRITE, "ID_EDIT_OVERWRITE", "&Overwrite\tIns", nullptr,
     "Toggle insert/overwrite character mode\nOverwrite", nullptr},
    {ID_EDIT_DELETELINE, "ID_EDIT_DELETELINE", "Delete &Line\tCtrl+L", "Ctrl+L",
     "Delete the whole line under the cursor\nDelete line", nullptr},
    {ID_EDIT_DATETIME, "ID_EDIT_DATETIME", "&Insert date/time", nullptr,
     "Insert the current date and time at the cursor\nDate/Time", "x-office-calendar"},
    {ID_EDIT_FIND, "ID_EDIT_FIND", "&Find...\tCtrl+F", "Ctrl+F",
     "Find the specified text\nFind (Ctrl+F)", "edit-find"},
    {ID_EDIT_REPEAT, "ID_EDIT_REPEAT", "Repeat Fi&nd\tF3", "F3", "Repeat the last search\nRepeat",
     nullptr},
    {ID_SEARCH_FINDSELECTION, "ID_SEARCH_FINDSELECTION", "Find &selection\tCtrl+F3", "Ctrl+F3",
     "Find another occurence of the selected text", nullptr},
    {ID_EDIT_REPLACE, "ID_EDIT_REPLACE", "&Replace...\tCtrl+R", "Ctrl+R",
     "Replace specific text with different text\nReplace", nullptr},
    {ID_SEARCH_MATCHBRACE, "ID_SEARCH_MATCHBRACE", "&Match Brace\tCtrl+]", "Ctrl+]",
     "Locate the brace ({[]}) that mathes the selected one\nMatch brace", nullptr},
    {ID_VIEW_TOOLBAR, "ID_VIEW_TOOLBAR", "Tool&bar", nullptr,
     "Show or hide the toolbar\nToggle ToolBar", nullptr},
    {ID_VIEW_STATUS_BAR, "ID_VIEW_STATUS_BAR", "&Status Bar", nullptr,
     "Show or hide the status bar\nToggle StatusBar", nullptr},
    {ID_VIEW_SETFONT, "ID_VIEW_SETFONT", "Set &Font...", nullptr,
     "Select font for the window\nFont", "preferences-desktop-font"},
    {ID_VIEW_TABWIDTH, "ID_VIEW_TABWIDTH", "&Tab width...", nullptr,
     "Set fixed tab stops width\nTab stops", nullptr},
    {ID_VIEW_WORDWRAP, "ID_VIEW_WORDWRAP", "&Word Wrap\tF2", "F2",
     "Turn word-wrapping on/off\nWordWrap (F2)", "format-justify-left"},
    {ID_VIEW_LINENUMBERS, "ID_VIEW_LINENUMBERS", "&Line numbers", nullptr,
     "Show or hide line numbers (Toggle)\nLine numbers", nullptr},
    {ID_VIEW_HEX, "ID_VIEW_HEX", "&Hexadecimal\tF4", "F4",
     "View file contents as hexadecimal data (Toggle)\nHexadecimal (F4)", "zorvek-hex"},
    {ID_VIEW_ZOOMIN, "ID_VIEW_ZOOMIN", "Zoom &In\tCtrl++",
     "Ctrl++; Ctrl+=", "Enlarge the text on the screen\nZoom In (Ctrl++)", nullptr},
    {ID_VIEW_ZOOMOUT, "ID_VIEW_ZOOMOUT", "Zoom &Out\tCtrl+-", "Ctrl+-",
     "Reduce the text on the screen\nZoom Out (Ctrl+-)", nullptr},
    {ID_VIEW_ZOOMRESET, "ID_VIEW_ZOOMRESET", "&Normal Size\tCtrl+0", "Ctrl+0",
     "Show the text at the size of the editor font\nNormal Size (Ctrl+0)", nullptr},
    {ID_VIEW_GOTOLINE, "ID_VIEW_GOTOLINE", "&Goto Line...\tCtrl+G", "Ctrl+G",
     "Jump to line with specified number\nGoto", nullptr},
    {ID_VIEW_AUTOINDENT, "ID_VIEW_AUTOINDENT", "&Auto indent\tF5", "F5",
     "Indent lines relative to preceding ones (Toggle)\nAutoIndent (F5)", "zorvek-autoindent"},
    {ID_INDENT_INCREASE, "ID_INDENT_INCREASE", "&Increase\tAlt+ ->", "Alt+Right",
     "Increases indent one level (right)\nIndent Right (Alt+ ->)", "format-indent-more"},
    {ID_INDENT_DECREASE, "ID_INDENT_DECREASE", "&Decrease\tAlt+ <-", "Alt+Left",
     "Decreases indent one level (left)\nIndent Left (Alt+ <-)", "format-indent-less"},
    {ID_SETTINGS_PERSIST, "ID_SETTINGS_PERSIST", "Sa&ve settings", nullptr,
     "Control the persistence of all program properties between sessions (Toggle)", nullptr},
    {ID_VIEW_READONLY, "ID_VIEW_READONLY", "&Read only", nullptr,
     "Toggle read-only status of the editor", nullptr},
    {ID_APP_ABOUT, "ID_APP_ABOUT", "&About Zorvek...", nullptr,
     "Display program information, version number and copyright\nAbout", nullptr},
    {ID_NONTEXT_WARNING, "ID_NONTEXT_WARNING", nullptr, nullptr, nullptr, nullptr},
};

const std::vector<MenuDef> kMenuBar = {
    {"&File",
     {{ID_FILE_NEW}, {ID_FILE_OPEN}, {ID_FILE_INSERT}, {0}, {ID_FILE_SAVE}, {ID_FILE_SAVE_AS}, {0},
      {ID_FILE_PRINT_DIRECT}, {ID_FILE_PRINT_PREVIEW}, {ID_FILE_PAGE_SETUP}, {0},
      {ID_FILE_MRU_FILE1}, {0}, {ID_APP_EXIT}}},
    {"&Edit",
     {{ID_EDIT_UNDO},
      {ID_EDIT_REDO},
      {0},
      {ID_EDIT_SELECT_ALL},
      {ID_EDIT_CUT},
      {ID_EDIT_COPY},
      {ID_EDIT_PASTE},
      {0},
      {ID_EDIT_OVERWRITE},
      {ID_EDIT_DELETELINE},
      {ID_EDIT_DATETIME}}},
    {"&Search",
     {{ID_EDIT_FIND},
      {ID_EDIT_REPEAT},
      {ID_SEARCH_FINDSELECTION},
      {0},
      {ID_EDIT_REPLACE},
      {ID_SEARCH_MATCHBRACE}}},
    {"&View",
     {{ID_VIEW_TOOLBAR}, {ID_VIEW_STATUS_BAR}, {0}, {ID_VIEW_SETFONT}, {ID_VIEW_TABWIDTH}, {0},
      {ID_VIEW_WORDWRAP}, {ID_VIEW_LINENUMBERS}, {ID_VIEW_HEX}, {ID_VIEW_GOTOLINE},
      {-1, "&Zoom", {{ID_VIEW_ZOOMIN}, {ID_VIEW_ZOOMOUT}, {ID_VIEW_ZOOMRESET}}}, {0},
      {ID_VIEW_AUTOINDENT},
      {-1, "&Indent", {{ID_INDENT_INCREASE}, {ID_INDENT_DECREASE}}}, {0}, {ID_SETTINGS_PERSIST},
      {ID_VIEW_READONLY}}},
    {"&Help", {{ID_APP_ABOUT}}},
};

const std::vector<int> kToolbar = {
    ID_FILE_NEW,          ID_FILE_OPEN,
    ID_FILE_SAVE,         0,
    ID_EDIT_FIND,         ID_EDIT_DATETIME,
    ID_FILE_PRINT_DIRECT, 0,
    ID_EDIT_CUT,          ID_EDIT_COPY,
    ID_EDIT_PASTE,        ID_EDIT_UNDO,
    ID_EDIT_REDO,         0,
    ID_VIEW_HEX,          ID_VIEW_WORDWRAP,
    ID_VIEW_SETFONT,      0,
    ID_VIEW_AUTOINDENT,   ID_INDENT_INCREASE,
    ID_INDENT_DECREASE,
};
} // namespace

const std::vector<CommandInfo>& CommandTable() {
    return kCommands;
}

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}

const std::vector<MenuDef>& MenuBarLayout() {
    return kMenuBar;
}
const std::vector<int>& ToolbarLayout() {
    return kToolbar;
}
