#include "EntryDetails.h"

#include <sstream>
#include <vector>

#include "FileDescription.h"
#include "FileOutcome.h"
#include "PianoRoll.h"
#include "RunPlan.h"
#include "TextReport.h"

CEntryDetails DescribeEntry(const CMemoryPlatform& platform, const FileItem& item, const std::uint8_t* pSource,
                            std::size_t nSize) {
    CEntryDetails details;
    const bool bConverted = IsConverted(item.eOutcome);
    fileinfo::CDescribeOptions describe;
    describe.bNotes = bConverted;  // the roll is drawn for converted entries only
    {
        const fileinfo::CFileDescription d = fileinfo::DescribeFile(item.strPath, pSource, nSize, describe);
        std::ostringstream summary;
        fileinfo::WriteSummary(summary, d);
        details.strSummary = summary.str();
        if (bConverted) {
            std::ostringstream roll;
            fileinfo::WritePianoRoll(roll, d);
            details.strRoll = roll.str();
        }
    }
    if (!bConverted) {
        return details;
    }
    const std::string strOutput = OutputPathOf(platform, item.strPath);
    const std::vector<std::uint8_t>* pOutput = platform.Contents(strOutput);
    if (pOutput == nullptr) {
        details.strCheck = "NG: " + strOutput + ": not written by this run\n";
        return details;
    }
    const fileinfo::CFileDescription output =
        fileinfo::DescribeFile(strOutput, pOutput->data(), pOutput->size(), fileinfo::CDescribeOptions{});
    std::ostringstream check;
    fileinfo::WriteCheck(check, output);
    details.strCheck = check.str();
    return details;
}
