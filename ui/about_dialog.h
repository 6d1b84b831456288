// The About box (template 114): any command closes it.
#pragma once

#include "framework/dialog.h"

class AboutDialog : public Dialog {
public:
    AboutDialog();

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
