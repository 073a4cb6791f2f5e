#include "BatchState.h"

std::vector<FileItem> g_vecFileItems;
std::atomic<int> g_nOverwriteMode{kOverwriteAsk};
std::string g_strBaseDir;
std::string g_strOutputRoot;
std::string g_strAppDir;
std::atomic<int> g_bConverting{0};
