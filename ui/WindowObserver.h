// Carries the worker's notifications to the windows: progress and button
// changes as posted private messages (asynchronous, processed in order),
// rows and count texts as synchronous updates of the controls, and the
// end-of-run box owned by the progress window.
#pragma once

#include "BatchRun.h"

class CLarkWrentoHeronDlg;

class CWindowObserver : public IBatchObserver {
public:
    explicit CWindowObserver(CLarkWrentoHeronDlg& dlgMain) : m_dlgMain(dlgMain) {}

    void OnProgressInit(int nTotal) override;
    void OnProgressButton(bool bConverting) override;
    void OnProgressStep(int nIndex) override;
    // The list keeps its three columns: the detail is not shown.
    void OnRow(const std::string& strFileName, const std::string& strResult, const std::string& strPath,
               const std::string& strDetail) override;
    void OnCounts(int nConverted, int nErrors, int nTotal) override;
    void OnControlsEnable(bool bEnable) override;
    void OnFinished() override;

private:
    CLarkWrentoHeronDlg& m_dlgMain;
};
