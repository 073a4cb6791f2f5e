#include "BatchState.h"

std::vector<FileItem> g_vecFileItems;
std::atomic<int> g_nOverwriteMode{kOverwriteAsk};
std::string g_strBaseDir;
std::string g_strOutputRoot;
std::string g_strAppDir;
std::atomic<int> g_bConverting{0};

int SetOutcome(FileItem& item, EFileOutcome eOutcome, int nConverterResult) {
    item.eOutcome = eOutcome;
    item.strResult = ResultText(eOutcome);
    return ResultCode(eOutcome, nConverterResult);
}
