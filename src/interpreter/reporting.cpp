#include "interpreter/reporting.h"

#include "interpreter/output.h"

void ReportParseCode(ReturnCode code) {
    switch (code) {
        case kSyntaxError:
            out::line("   ... Syntax Error ");
            break;
        case kInvalidHandle:
            out::line("   ... Invalid Handle ");
            break;
        case kHandleInUse:
            out::line("   ... Handle In Use ");
            break;
        default:
            out::line("   ... Unknown RC ", code);
            break;
    }
}

void PrintFailureBanner() {
    out::blank();
    out::line(" <<<<< ----------------------------------------- >>>>> ");
    out::line(" <<<<<   A RETURN CODE CHECK FAILED          or  >>>>> ");
    out::line(" <<<<<   AMOUNT READ ON A READ WAS INCORRECT or  >>>>> ");
    out::line(" <<<<<   READ DATA WAS INCORRECT                 >>>>> ");
    out::line(" <<<<< ------------------------------------------>>>>> ");
    out::blank();
}
