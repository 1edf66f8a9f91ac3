// Reading a start's command line.
#include "app/start_request.h"

#include "app/tarnel_auto_proxy.h"

namespace {

bool IsSwitch(const CString& sWord) {
    return !sWord.IsEmpty() && (sWord[0] == '/' || sWord[0] == '-');
}

}  // namespace

StartRequest ParseStartRequest(const std::vector<CString>& arguments) {
    StartRequest request;
    for (const CString& sWord : arguments) {
        if (IsAutomationSwitch(sWord)) {
            request.kind = StartRequest::Kind::Automation;
        } else if (IsSwitch(sWord) && (sWord.Mid(1).CompareNoCase("Unregserver") == 0 ||
                                       sWord.Mid(1).CompareNoCase("Unregister") == 0)) {
            if (request.kind == StartRequest::Kind::User)
                request.kind = StartRequest::Kind::Unregister;
        } else if (!IsSwitch(sWord) && request.sFile.IsEmpty()) {
            request.sFile = sWord;
        }
    }
    if (request.kind != StartRequest::Kind::User)
        request.sFile.Empty();
    return request;
}
