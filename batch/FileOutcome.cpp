#include "FileOutcome.h"

#include "BatchTexts.h"

const char* ResultText(EFileOutcome eOutcome) {
    switch (eOutcome) {
    case EFileOutcome::Pending:
    case EFileOutcome::Cancelled:
        return "";
    case EFileOutcome::Converted:
        return kTextConvertSuccess;
    case EFileOutcome::Declined:
        return kTextConvertCancel;
    case EFileOutcome::NotVela:
        return kTextNotVela;
    case EFileOutcome::InputOpenError:
        return kTextFileOpenError;
    case EFileOutcome::InputEmpty:
        return kTextSizeZero;
    case EFileOutcome::FormatInvalid:
        return kTextFormatInvalid;
    case EFileOutcome::ConvertFailed:
    case EFileOutcome::OutOfMemory:
        return kTextConvertError;
    case EFileOutcome::OutputOpenError:
        return kTextOutputOpenError;
    case EFileOutcome::WriteError:
        return kTextFileWriteError;
    }
    return "";
}

int ResultCode(EFileOutcome eOutcome, int nConverterResult) {
    switch (eOutcome) {
    case EFileOutcome::Pending:
    case EFileOutcome::FormatInvalid:
        return 0;
    case EFileOutcome::Converted:
    case EFileOutcome::Declined:
    case EFileOutcome::Cancelled:
        return 1;
    case EFileOutcome::NotVela:
        return -3;
    case EFileOutcome::InputOpenError:
    case EFileOutcome::OutputOpenError:
        return -2;
    case EFileOutcome::InputEmpty:
        return -4;
    case EFileOutcome::ConvertFailed:
        return nConverterResult;
    case EFileOutcome::OutOfMemory:
        return -5;
    case EFileOutcome::WriteError:
        return -1;
    }
    return 0;
}
