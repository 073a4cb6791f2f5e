// The batch front end's fixed texts and the progress count lines. Used exactly
// as they stand, spacing included.
#pragma once

#include <string>

// Per-file result texts.
inline constexpr char kTextConvertSuccess[] = "OK: Convert success.";
inline constexpr char kTextConvertCancel[] = "NG: Convert cancel.";
inline constexpr char kTextNotVela[] = "NG: Input file is not VELA.";
inline constexpr char kTextFileOpenError[] = "NG: File open error.";
inline constexpr char kTextSizeZero[] = "NG: Input file size is 0. ";
inline constexpr char kTextFormatInvalid[] = "NG: Input file format is invalid.";
inline constexpr char kTextConvertError[] = "NG: Convert error.";
inline constexpr char kTextOutputOpenError[] = "NG: Output file open error.";
inline constexpr char kTextFileWriteError[] = "NG: File write error.";

// Tail of the overwrite question; the output file name comes first.
inline constexpr char kTextOverwriteTail[] = " has already exists. Overwrite all ?";
// Tail of the notice for a folder that cannot be listed; the folder comes first.
inline constexpr char kTextNoAccessTail[] = "\r\nThere is no access authority to this folder. ";
// The end-of-run message, and the caption of its box.
inline constexpr char kTextFinished[] = "Finished the converting.";
inline constexpr char kTextFinishedCaption[] = "Kestrel";

// Progress count lines ("Total files :\t%d / %d" and so on; \t is one tab).
std::string FormatTotalText(int nProcessed, int nTotal);
std::string FormatConvertText(int nConverted);
std::string FormatErrorText(int nErrors);
