#include "BatchTexts.h"

std::string FormatTotalText(int nProcessed, int nTotal) {
    return "Total files :\t" + std::to_string(nProcessed) + " / " + std::to_string(nTotal);
}

std::string FormatConvertText(int nConverted) {
    return "Convert files :\t" + std::to_string(nConverted);
}

std::string FormatErrorText(int nErrors) {
    return "Error files :\t" + std::to_string(nErrors);
}
