// The context menus of list controls: the first popup of a menu resource, shown where the
// user right-clicked, its chosen command sent to an owner window as WM_COMMAND.
#pragma once

#include <windows.h>

// Shows the first popup of menu resource menuId for a WM_CONTEXTMENU that anchor received
// (position is its lParam; from the menu key, at anchor's top left corner), with the item
// greyedCommand greyed and disabled (0: none).  Nothing is shown when the menu cannot be
// loaded.
void ShowContextMenu(int menuId, HWND anchor, LPARAM position, HWND owner, UINT greyedCommand);
