// What became of one entry of the batch, as one value. The result text and
// the result code of an entry are derived from it here and nowhere else, so
// no front end has to read meaning back out of a display text.
#pragma once

#include <cstdint>

enum class EFileOutcome : std::uint8_t {
    Pending,          // not processed (yet)
    Converted,        // "OK: Convert success."                    1
    Declined,         // "NG: Convert cancel." (No, or skip)       1
    Cancelled,        // the run was cancelled here: no text, no row   1
    NotVela,          // "NG: Input file is not VELA."             -3
    InputOpenError,   // "NG: File open error."                    -2
    InputEmpty,       // "NG: Input file size is 0. "              -4
    FormatInvalid,    // "NG: Input file format is invalid."       0
    ConvertFailed,    // "NG: Convert error." (the converter's own negative result)
    OutOfMemory,      // "NG: Convert error." (memory ran out around the converter)  -5
    OutputOpenError,  // "NG: Output file open error."             -2
    WriteError,       // "NG: File write error." (read-only output, or a failed write)  -1
};

// The exact result text; empty for Pending and Cancelled.
const char* ResultText(EFileOutcome eOutcome);

// The job's result code. ConvertFailed passes the converter's result on
// (nConverterResult); every other outcome has a code of its own. Only the
// value 1 means "counted as converted".
int ResultCode(EFileOutcome eOutcome, int nConverterResult = 0);

// Whether the entry's row reads "OK:": its output was written in this run.
inline bool IsConverted(EFileOutcome eOutcome) { return eOutcome == EFileOutcome::Converted; }
