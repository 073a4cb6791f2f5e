// The About box: the template says everything; OK closes it.
#pragma once

#include "Resource.h"
#include "framework/Dialog.h"

class CAboutDlg : public CModalDialog {
public:
    CAboutDlg() : CModalDialog(IDD_ABOUT) {}
};
