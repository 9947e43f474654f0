// The table of every command: menu text, shortcut, toolbar flag and status prompt, and the
// layout of the menu bar and the toolbar built from it.
#pragma once

#include <vector>

struct CommandInfo {
    int id;
    const char* name;
    const char* menuText; // as the menu shows it, shortcut text after a tab; null: no menu item
    const char* shortcut; // portable QKeySequence text, further keys after "; "; null: none
    const char* prompt;   // status prompt, then "\n" and the tooltip; null: none
    const char* iconName; // freedesktop icon name for the toolbar; null: not on the toolbar
};

// A menu entry: a command (id > 0), a separator (id 0) or a submenu (title and children).
struct MenuItem {
    int id;
    const char* title = nullptr;
    std::vector<MenuItem> children = {};
};

struct MenuDef {
    const char* title;
    std::vector<MenuItem> items;
};

const std::vector<CommandInfo>& CommandTable();
const CommandInfo* FindCommand(int id);
const std::vector<MenuDef>& MenuBarLayout();
const std::vector<int>& ToolbarLayout(); // 0 is a separator
