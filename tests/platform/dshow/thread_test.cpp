#include <streams.h>

#include <gtest/gtest.h>

namespace {

// Answers each request with its value plus one until it is asked for 0.
class EchoThread : public CAMThread {
protected:
    DWORD ThreadProc() override {
        for (;;) {
            DWORD request = GetRequest();
            Reply(request + 1);
            if (request == 0) return 0;
        }
    }
};

// Ends without answering.
class QuitterThread : public CAMThread {
protected:
    DWORD ThreadProc() override { return 0; }
};

TEST(CAMThreadTest, RequestsAreAnsweredInTurn) {
    EchoThread thread;
    EXPECT_EQ(static_cast<DWORD>(E_FAIL), thread.CallWorker(1));  // no worker yet
    ASSERT_TRUE(thread.Create());
    EXPECT_FALSE(thread.Create());
    EXPECT_EQ(8u, thread.CallWorker(7));
    EXPECT_EQ(43u, thread.CallWorker(42));
    EXPECT_EQ(1u, thread.CallWorker(0));
    thread.Close();
    EXPECT_FALSE(thread.ThreadExists());
}

TEST(CAMThreadTest, AWorkerThatEndedNeverLeavesTheCallerWaiting) {
    QuitterThread thread;
    ASSERT_TRUE(thread.Create());
    EXPECT_EQ(static_cast<DWORD>(E_FAIL), thread.CallWorker(5));
    thread.Close();
}

}  // namespace
