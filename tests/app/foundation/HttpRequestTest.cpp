#include "app/foundation/HttpRequest.h"

#include "tests/app/foundation/HttpTestServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using http::CHttpRequest;

const UINT WM_DONE = WM_APP + 7;

class HttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(TestServerUrl(L"/").IsEmpty()) << "run through with-http-server.sh"; }

    // Sends asynchronously and waits for the notify message.
    void SendAndWait(CHttpRequest& request)
    {
        request.SetNotify(sink.Handle(), WM_DONE, 42);
        ASSERT_TRUE(request.Send(TRUE));
        ASSERT_EQ(WM_DONE, sink.Wait());
        EXPECT_EQ(42u, sink.wParams.back());
        EXPECT_FALSE(request.IsBusy());
    }

    CMessageSink sink;
};

TEST_F(HttpRequestTest, UrlMustBeginWithLowerCaseHttp)
{
    struct Case {
        LPCWSTR url;
        BOOL taken;
    } cases[] = {
        {L"http://a/", TRUE}, {L"https://b/", TRUE}, {L"ftp://c/", FALSE},
        {L"HTTP://d/", FALSE}, {L"htt", FALSE},      {nullptr, FALSE},
    };
    CHttpRequest request;
    ASSERT_TRUE(request.SetUrl(L"http://first/"));
    CString expected = L"http://first/";
    for (const Case& c : cases) {
        EXPECT_EQ(c.taken, request.SetUrl(c.url)) << (c.url ? c.url : L"(null)");
        if (c.taken)
            expected = c.url;
        EXPECT_STREQ(expected, request.GetUrl());
    }
}

TEST_F(HttpRequestTest, GetGivesStatusHeadersAndBody)
{
    CHttpRequest request;
    ASSERT_TRUE(request.SetUrl(TestServerUrl(L"/text")));
    EXPECT_FALSE(request.HasResponse());
    ASSERT_TRUE(request.Send(FALSE));
    EXPECT_TRUE(request.HasResponse());
    EXPECT_TRUE(request.IsSuccess());
    EXPECT_EQ(200u, request.GetStatusCode());
    EXPECT_STREQ(L"OK", request.GetStatusText());
    EXPECT_STREQ(L"text/plain", request.GetHeader(L"Content-Type"));
    EXPECT_STREQ(L"12", request.GetHeader(L"content-length"));
    EXPECT_STREQ(L"", request.GetHeader(L"x-absent"));
    EXPECT_STREQ(L"hello\r\nworld", request.GetResponseText(CP_ACP));
    ASSERT_NE(nullptr, request.GetResponseBuffer());
    EXPECT_EQ(12u, request.GetResponseBuffer()->GetLength());
    EXPECT_FALSE(request.IsCompressed());
}

TEST_F(HttpRequestTest, RepeatedHeadersAreKeptApartAndTrimmed)
{
    CHttpRequest request;
    ASSERT_TRUE(request.SetUrl(TestServerUrl(L"/cookies")));
    ASSERT_TRUE(request.Send(FALSE));
    EXPECT_STREQ(L"a=1", request.GetHeader(L"set-cookie"));
    EXPECT_STREQ(L"b=2", request.GetHeader(L"Set-Cookie_"));
    EXPECT_STREQ(L"c=3", request.GetHeader(L"set-cookie__"));
    EXPECT_STREQ(L"spaced value", request.GetHeader(L"x-padded"));
}

TEST_F(HttpRequestTest, CompressedMeansAGzipOrDeflateBody)
{
    struct Case {
        LPCWSTR path;
        BOOL compressed;
    } cases[] = {
        {L"/encoded?e=gzip", TRUE}, {L"/encoded?e=DEFLATE", TRUE}, {L"/encoded?e=br", FALSE}, {L"/text", FALSE},
    };
    for (const Case& c : cases) {
        CHttpRequest request;
        ASSERT_TRUE(request.SetUrl(TestServerUrl(c.path)));
        ASSERT_TRUE(request.Send(FALSE)) << c.path;
        EXPECT_EQ(c.compressed, request.IsCompressed()) << c.path;
    }
}

TEST_F(HttpRequestTest, PostSendsPathHeadersAndBody)
{
    CHttpRequest request;
    ASSERT_TRUE(request.SetUrl(TestServerUrl(L"/echo/here?dropped=1")));
    request.AddHeader(L"X-Test", L"value 1");
    const char body[] = "name=\xE4\xB8\xAD&x=1";
    request.SetPostData(body, sizeof(body) - 1);
    SendAndWait(request);
    EXPECT_EQ(200u, request.GetStatusCode());
    // The query part of the address is not sent with a POST.
    EXPECT_STREQ(L"/echo/here|value 1|name=\x4E2D&x=1", request.GetResponseText(CP_UTF8));

    // No body again means a GET.
    request.SetPostData(nullptr, 0);
    ASSERT_TRUE(request.SetUrl(TestServerUrl(L"/text")));
    ASSERT_TRUE(request.Send(FALSE));
    EXPECT_STREQ(L"hello\r\nworld", request.GetResponseText(CP_ACP));
}

TEST_F(HttpRequestTest, AnswersThatAreNotSuccessPostTheirMessageAllTheSame)
{
    struct Case {
        const char* what;
        CString url;
        UINT maxSize;
        DWORD status;
        BOOL hasResponse;
        UINT minBody; // bytes the body holds at least
        UINT maxBody; // and at most
    };
    const Case cases[] = {
        {"404 with its page", TestServerUrl(L"/missing"), 0, 404, TRUE, 8, 8},
        {"connection refused", ClosedPortUrl(), 0, 0, FALSE, 0, 0},
        {"closed before the announced length", TestServerUrl(L"/early"), 0, 0, FALSE, 0, 100},
        {"body past a maximum of 1000", TestServerUrl(L"/sized?n=5000"), 1000, 0, FALSE, 1001, 1001},
        {"10 MB past the default maximum", TestServerUrl(L"/sized?n=10485760"), 0, 0, FALSE,
         CHttpRequest::kDefaultMaxResponseSize + 1, CHttpRequest::kDefaultMaxResponseSize + 1},
    };
    for (const Case& c : cases) {
        CHttpRequest request;
        ASSERT_TRUE(request.SetUrl(c.url)) << c.what;
        request.SetMaxResponseSize(c.maxSize);
        SendAndWait(request);
        EXPECT_EQ(c.status, request.GetStatusCode()) << c.what;
        EXPECT_EQ(c.hasResponse, request.HasResponse()) << c.what;
        EXPECT_FALSE(request.IsSuccess()) << c.what;
        const UINT body = request.GetResponseBuffer() ? request.GetResponseBuffer()->GetLength() : 0;
        EXPECT_GE(body, c.minBody) << c.what;
        EXPECT_LE(body, c.maxBody) << c.what;
        // A synchronous send of the same answers 0 and posts its message too.
        EXPECT_FALSE(request.Send(FALSE)) << c.what;
        EXPECT_EQ(1, sink.Pending()) << c.what;
    }
}

TEST_F(HttpRequestTest, LargeBodyWithinARaisedMaximumArrivesWhole)
{
    CHttpRequest request;
    ASSERT_TRUE(request.SetUrl(TestServerUrl(L"/sized?n=10485760")));
    request.SetMaxResponseSize(16 * 1024 * 1024);
    SendAndWait(request);
    EXPECT_EQ(200u, request.GetStatusCode());
    const http::CBuffer* body = request.GetResponseBuffer();
    ASSERT_NE(nullptr, body);
    ASSERT_EQ(10485760u, body->GetLength());
    // The server sends its digits in 64 KB pieces, each starting at '0'.
    for (UINT at : {0u, 9u, 65535u, 65536u, 10485759u})
        EXPECT_EQ('0' + at % 65536 % 10, body->GetData()[at]) << at;
}

TEST_F(HttpRequestTest, StatusLineWithoutReasonIsStillAResponse)
{
    CHttpRequest request;
    ASSERT_TRUE(request.SetUrl(TestServerUrl(L"/noreason")));
    EXPECT_TRUE(request.Send(FALSE));
    EXPECT_EQ(200u, request.GetStatusCode());
    EXPECT_STREQ(L"bare", request.GetResponseText(CP_ACP));
}

TEST_F(HttpRequestTest, StalledServerIsStoppedAndTheObjectReused)
{
    CHttpRequest request;
    ASSERT_TRUE(request.SetUrl(TestServerUrl(L"/stall")));
    request.SetNotify(sink.Handle(), WM_DONE, 1);
    ASSERT_TRUE(request.Send(TRUE));
    // Busy from the moment Send returns: the second is refused and the setters ignored.
    EXPECT_TRUE(request.IsBusy());
    EXPECT_FALSE(request.Send(TRUE));
    EXPECT_FALSE(request.SetUrl(TestServerUrl(L"/text")));
    request.SetMaxResponseSize(5);
    EXPECT_EQ(0u, request.GetStatusCode());
    EXPECT_EQ(nullptr, request.GetResponseBuffer());
    EXPECT_STREQ(L"", request.GetStatusText());

    request.Stop();
    EXPECT_FALSE(request.IsBusy());
    EXPECT_EQ(0u, request.GetStatusCode());
    EXPECT_FALSE(request.IsSuccess());
    EXPECT_STREQ(TestServerUrl(L"/stall"), request.GetUrl());

    // The same object runs the next request with a clean result.
    ASSERT_TRUE(request.SetUrl(TestServerUrl(L"/text")));
    sink.wParams.clear();
    request.SetNotify(sink.Handle(), WM_DONE, 2);
    ASSERT_TRUE(request.Send(TRUE));
    ASSERT_EQ(WM_DONE, sink.Wait());
    ASSERT_FALSE(sink.wParams.empty());
    if (sink.wParams.back() == 1) { // the stopped request's own message may come first
        ASSERT_EQ(WM_DONE, sink.Wait());
    }
    EXPECT_EQ(2u, sink.wParams.back());
    EXPECT_TRUE(request.IsSuccess());
    EXPECT_STREQ(L"hello\r\nworld", request.GetResponseText(CP_ACP));
}

TEST_F(HttpRequestTest, RequestDestroyedWhileRunningStopsItsWorkerFirst)
{
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<CHttpRequest> request(new CHttpRequest);
        ASSERT_TRUE(request->SetUrl(TestServerUrl(L"/stall")));
        request->SetNotify(sink.Handle(), WM_DONE, 9);
        ASSERT_TRUE(request->Send(TRUE));
        request.reset();
    }
    // The stopped requests' messages may arrive; nothing else happens.
    SUCCEED();
}

} // namespace
