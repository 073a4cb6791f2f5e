// The modeless window that accompanies a run: a bar, three count lines and
// one button that first stops the run and afterwards hides the window.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"

class CProgressDlg : public CDialog {
public:
    CProgressDlg();

    // Rewrites the three count lines (1003, 1004, 1005 in that order). Called
    // on the worker thread: each text update is a synchronous call into the
    // user interface thread.
    void SetCounts(int nConverted, int nErrors, int nTotal);

    // The button, Escape and every other close request: the first press
    // during a run is the stop request, later presses hide the window and let
    // the owner accept drops again.
    void OnStop();

protected:
    void DoDataExchange() override;
    void OnOK() override { OnStop(); }
    void OnCancel() override { OnStop(); }

private:
    LRESULT OnUpdateButton();
    LRESULT OnProgressInit();
    LRESULT OnProgressStep(WPARAM wParam);

    CProgressBar m_progress;
    CStatic m_staticTotal;
    CStatic m_staticConvert;
    CStatic m_staticError;
    CButton m_btnStop;
};
