// The command line's view of a run: one tab-separated row per file on
// standard output (file name, result, input path, detail; control
// characters escaped), a progress bar on standard error when it is a
// terminal, and the counts and the finished line at the end.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "CsvReport.h"

// A field of a row with tab, CR, LF and the other control characters
// written as \t, \r, \n and \xHH, so that every row is one line of four
// tab-separated fields and no file name can drive the terminal.
std::string EscapeRowField(const std::string& strField);

class CCliObserver : public IBatchObserver {
public:
    // bQuiet: rows, counts and the finished line are not printed (they are
    // still kept for the report). bProgressBar: draw the bar on pErr.
    CCliObserver(std::FILE* pOut, std::FILE* pErr, bool bQuiet, bool bProgressBar);

    void OnRunStarted(int nTotal) override;
    void OnEntryStarted(int nIndex) override;
    void OnRow(const ResultRow& row) override;
    void OnCounts(int nConverted, int nErrors, int nTotal) override;
    // The counts and the finished line.
    void OnRunEnded() override;

    // Erases the bar so that other text can be written; the next step draws it again.
    void ClearBar();

    const std::vector<ResultRow>& Rows() const { return m_vecRows; }
    // Whether standard output stopped taking text (closed pipe): from then on
    // nothing more is printed there, and the run goes on.
    bool OutputCut() const { return m_bOutputCut; }
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
    bool m_bOutputCut = false;
    int m_nStep = 0;
    int m_nTotal = 0;
    int m_nConverted = 0;
    int m_nErrors = 0;
    std::vector<ResultRow> m_vecRows;
};
