// The command line's view of a run: one tab-separated row per file on
// standard output, a progress bar on standard error when it is a terminal,
// and the counts and the finished line at the end.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "CsvReport.h"

class CCliObserver : public IBatchObserver {
public:
    // bQuiet: rows, counts and the finished line are not printed (they are
    // still kept for the report). bProgressBar: draw the bar on pErr.
    CCliObserver(std::FILE* pOut, std::FILE* pErr, bool bQuiet, bool bProgressBar);

    void OnProgressInit(int nTotal) override;
    void OnProgressButton(bool bConverting) override;
    void OnProgressStep(int nIndex) override;
    void OnRow(const std::string& strFileName, const std::string& strResult, const std::string& strPath) override;
    void OnCounts(int nConverted, int nErrors, int nTotal) override;
    void OnControlsEnable(bool bEnable) override;
    void OnFinished() override;

    // Erases the bar so that other text can be written; the next step draws it again.
    void ClearBar();

    const std::vector<ResultRow>& Rows() const { return m_vecRows; }
    int Converted() const { return m_nConverted; }
    int Errors() const { return m_nErrors; }
    int Total() const { return m_nTotal; }

private:
    void DrawBar();

    std::FILE* m_pOut;
    std::FILE* m_pErr;
    bool m_bQuiet;
    bool m_bProgressBar;
    bool m_bBarShown = false;
    int m_nStep = 0;
    int m_nTotal = 0;
    int m_nConverted = 0;
    int m_nErrors = 0;
    std::vector<ResultRow> m_vecRows;
};
