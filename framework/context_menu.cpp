#include "framework/context_menu.h"

#include <memory>
#include <type_traits>

#include "framework/application.h"

namespace {

struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
// Destroying the menu destroys its popups with it.
using MenuHandle = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

}  // namespace

void ShowContextMenu(int menuId, HWND anchor, LPARAM position, HWND owner, UINT greyedCommand) {
    MenuHandle menu(LoadMenuA(ModuleInstance(), MAKEINTRESOURCEA(menuId)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (popup == nullptr) return;
    if (greyedCommand != 0) {
        MENUITEMINFOA state = {};
        state.cbSize = sizeof state;
        state.fMask = MIIM_STATE;
        state.fState = MFS_GRAYED | MFS_DISABLED;
        SetMenuItemInfoA(popup, greyedCommand, FALSE, &state);
    }
    POINT at = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    if (at.x == -1 && at.y == -1) {
        at = {0, 0};
        ClientToScreen(anchor, &at);
    }
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
}
