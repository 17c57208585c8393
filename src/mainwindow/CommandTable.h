#pragma once

#include "mainwindow/Commands.h"

#include <QKeyCombination>
#include <optional>
#include <span>

class frmmain;

namespace commands {

// The few facts every enabled state follows.
struct Facts
{
    bool notebookOpen = false;
    bool groupSelected = false; // a group node, not the root, is the current node
    bool noteSelected = false;  // a list item was clicked since the last node click
    bool notebookLocked = false; // its password prompt was cancelled: named, but not open
};

// When an item or a button is enabled.
enum class When {
    Always,
    NotebookOpen,
    GroupSelected,
    NoteSelected,
    NotebookLocked,
};

bool enabled(When when, const Facts &facts);

// The menus items go into. Bar menus are on the menu bar; pop-ups live on a hidden bar.
enum class Menu { File, Import, Export, Action, Notes, Groups, View, Layout, Tools, GroupPopup, NotePopup, Tray };

struct MenuDef
{
    Menu menu;
    const char *name;
    const char *title;
    std::optional<Menu> parent; // a submenu
    const char *before;         // a submenu's place: before this item of its parent; nullptr: last
    bool onBar;                 // else a pop-up
};

// One row per command: what it runs and its toolbar button.
struct CommandRow
{
    Cmd cmd;
    void (*run)(frmmain &);
    bool checkable; // a view switch: the row's items carry a tick
    // The toolbar button: key (its object name), tooltip, image, 1-based position (0 = none; a
    // position no row takes is a separator) and when it is enabled.
    const char *key;
    const char *tip;
    const char *image;
    int slot;
    When buttonWhen;
};

// One row per menu item, in menu order. A row without a command is a separator; it has no name.
struct ItemRow
{
    Menu menu;
    const char *name; // the item's object name
    std::optional<Cmd> cmd;
    const char *caption;
    QKeyCombination key;
    When when;
};

std::span<const MenuDef> menuDefs();
std::span<const CommandRow> commandRows();
std::span<const ItemRow> itemRows();
const CommandRow &rowOf(Cmd cmd);

} // namespace commands
