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

    void OnRunStarted(int nTotal) override;
    void OnEntryStarted(int nIndex) override;
    // The list keeps its three columns: the detail is not shown.
    void OnRow(const ResultRow& row) override;
    void OnCounts(int nConverted, int nErrors, int nTotal) override;
    // The main window's ways out come back, the progress button reads "Ok",
    // and the end-of-run box waits for the user.
    void OnRunEnded() override;

private:
    CLarkWrentoHeronDlg& m_dlgMain;
};
