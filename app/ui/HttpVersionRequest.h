// The desk's new-version request over the program's HTTP client: the version text is fetched
// in the background from the published address and the desk is told when it has arrived.
#pragma once

#include "app/foundation/HttpRequest.h"
#include "app/ui/RavelmixerDlg.h"
#include "app/ui/VersionCheck.h"

#include <string>

class CHttpVersionRequest : public IVersionRequest {
public:
    explicit CHttpVersionRequest(LPCWSTR url = CNewVersionCheck::kDefaultUrl) : m_url(url) {}

    void Start(HWND notify, UINT message) override
    {
        // A version text with its release notes is small; anything larger is no answer.
        m_request.SetMaxResponseSize(256 * 1024);
        if (m_request.SetUrl(m_url)) {
            m_request.SetNotify(notify, message, 0);
            m_request.Send(TRUE);
        }
    }
    bool Succeeded() const override { return m_request.IsSuccess() != FALSE; }
    std::wstring Body() const override { return std::wstring(m_request.GetResponseText(CP_ACP)); }

private:
    CString m_url;
    // Its destructor stops the download before the desk that is told goes.
    http::CHttpRequest m_request;
};
