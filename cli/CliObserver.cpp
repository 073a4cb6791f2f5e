#include "CliObserver.h"

#include "BatchTexts.h"

namespace {
constexpr int kBarWidth = 30;
}  // namespace

std::string EscapeRowField(const std::string& strField) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string strEscaped;
    strEscaped.reserve(strField.size());
    for (const char ch : strField) {
        const unsigned char by = static_cast<unsigned char>(ch);
        if (ch == '\t') {
            strEscaped += "\\t";
        } else if (ch == '\r') {
            strEscaped += "\\r";
        } else if (ch == '\n') {
            strEscaped += "\\n";
        } else if (by < 0x20 || by == 0x7F) {
            strEscaped += "\\x";
            strEscaped += kHex[by >> 4];
            strEscaped += kHex[by & 0x0F];
        } else {
            strEscaped += ch;
        }
    }
    return strEscaped;
}

CCliObserver::CCliObserver(std::FILE* pOut, std::FILE* pErr, bool bQuiet, bool bProgressBar)
    : m_pOut(pOut), m_pErr(pErr), m_bQuiet(bQuiet), m_bProgressBar(bProgressBar) {}

void CCliObserver::OnRunStarted(int nTotal) {
    m_nTotal = nTotal;
    m_nStep = 0;
}

void CCliObserver::OnEntryStarted(int nIndex) {
    m_nStep = nIndex + 1;
    DrawBar();
}

void CCliObserver::OnRow(const ResultRow& row) {
    m_vecRows.push_back(row);
    if (m_bQuiet || m_bOutputCut) {
        return;
    }
    ClearBar();
    std::fprintf(m_pOut, "%s\t%s\t%s\t%s\n", EscapeRowField(row.strFileName).c_str(),
                 EscapeRowField(row.strResult).c_str(), EscapeRowField(row.strPath).c_str(),
                 EscapeRowField(row.strDetail).c_str());
    m_bOutputCut = std::fflush(m_pOut) != 0 || std::ferror(m_pOut) != 0;
}

void CCliObserver::OnCounts(int nConverted, int nErrors, int nTotal) {
    m_nConverted = nConverted;
    m_nErrors = nErrors;
    m_nTotal = nTotal;
}

void CCliObserver::OnRunEnded() {
    ClearBar();
    if (m_bQuiet || m_bOutputCut) {
        return;
    }
    std::fprintf(m_pOut, "%s\n%s\n%s\n%s\n", FormatTotalText(m_nConverted + m_nErrors, m_nTotal).c_str(),
                 FormatConvertText(m_nConverted).c_str(), FormatErrorText(m_nErrors).c_str(), kTextFinished);
    m_bOutputCut = std::fflush(m_pOut) != 0 || std::ferror(m_pOut) != 0;
}

void CCliObserver::ClearBar() {
    if (m_bBarShown) {
        std::fputs("\r\033[K", m_pErr);
        std::fflush(m_pErr);
        m_bBarShown = false;
    }
}

void CCliObserver::DrawBar() {
    if (!m_bProgressBar || m_nTotal <= 0) {
        return;
    }
    const int nFilled = static_cast<int>(static_cast<long long>(m_nStep) * kBarWidth / m_nTotal);
    std::string strBar(static_cast<std::size_t>(kBarWidth), ' ');
    strBar.replace(0, static_cast<std::size_t>(nFilled), static_cast<std::size_t>(nFilled), '#');
    std::fprintf(m_pErr, "\r\033[K[%s] %d/%d", strBar.c_str(), m_nStep, m_nTotal);
    std::fflush(m_pErr);
    m_bBarShown = true;
}
