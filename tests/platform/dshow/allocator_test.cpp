#include <streams.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

// A stand-alone sample whose destruction can be observed.
class WatchedSample : public CMediaSample {
public:
    WatchedSample(BYTE* buffer, LONG length, bool* deleted)
        : CMediaSample(L"watched", nullptr, nullptr, buffer, length), m_deleted(deleted) {}
    ~WatchedSample() override { *m_deleted = true; }

private:
    bool* m_deleted;
};

TEST(CMediaSampleTest, StandAloneSampleOverCallerBuffer) {
    BYTE buffer[64] = {};
    bool deleted = false;
    auto* sample = new WatchedSample(buffer, sizeof(buffer), &deleted);
    sample->AddRef();

    BYTE* pointer = nullptr;
    ASSERT_EQ(S_OK, sample->GetPointer(&pointer));
    EXPECT_EQ(buffer, pointer);
    EXPECT_EQ(64, sample->GetSize());
    EXPECT_EQ(64, sample->GetActualDataLength());
    EXPECT_EQ(S_OK, sample->SetActualDataLength(10));
    EXPECT_EQ(VFW_E_BUFFER_OVERFLOW, sample->SetActualDataLength(65));
    EXPECT_EQ(VFW_E_BUFFER_OVERFLOW, sample->SetActualDataLength(-1));
    EXPECT_EQ(10, sample->GetActualDataLength());

    BYTE other[8];
    ASSERT_EQ(S_OK, sample->SetPointer(other, sizeof(other)));
    EXPECT_EQ(8, sample->GetSize());
    EXPECT_EQ(8, sample->GetActualDataLength());

    CComPtr<IMediaSample2> second;
    ASSERT_EQ(S_OK, sample->QueryInterface(IID_IMediaSample2, reinterpret_cast<void**>(&second)));
    second.Release();
    EXPECT_FALSE(deleted);
    sample->Release();
    EXPECT_TRUE(deleted);
}

TEST(CMediaSampleTest, TimesAndFlags) {
    BYTE buffer[4];
    auto* sample = new CMediaSample(L"s", nullptr, nullptr, buffer, sizeof(buffer));
    CComPtr<IMediaSample> hold(sample);
    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(VFW_E_SAMPLE_TIME_NOT_SET, sample->GetTime(&start, &stop));

    REFERENCE_TIME s = 400000, e = 800000;
    sample->SetTime(&s, &e);
    EXPECT_EQ(S_OK, sample->GetTime(&start, &stop));
    EXPECT_EQ(s, start);
    EXPECT_EQ(e, stop);
    sample->SetTime(&s, nullptr);
    EXPECT_EQ(VFW_S_NO_STOP_TIME, sample->GetTime(&start, &stop));
    EXPECT_EQ(s + 1, stop);
    sample->SetTime(nullptr, nullptr);
    EXPECT_EQ(VFW_E_SAMPLE_TIME_NOT_SET, sample->GetTime(&start, &stop));

    LONGLONG ms = 0, me = 0;
    EXPECT_EQ(VFW_E_MEDIA_TIME_NOT_SET, sample->GetMediaTime(&ms, &me));
    LONGLONG m0 = 3, m1 = 4;
    sample->SetMediaTime(&m0, &m1);
    EXPECT_EQ(S_OK, sample->GetMediaTime(&ms, &me));
    EXPECT_EQ(3, ms);
    EXPECT_EQ(4, me);

    struct Flag {
        HRESULT (STDMETHODCALLTYPE IMediaSample::*is)();
        HRESULT (STDMETHODCALLTYPE IMediaSample::*set)(BOOL);
    } flags[] = {
        {&IMediaSample::IsSyncPoint, &IMediaSample::SetSyncPoint},
        {&IMediaSample::IsPreroll, &IMediaSample::SetPreroll},
        {&IMediaSample::IsDiscontinuity, &IMediaSample::SetDiscontinuity},
    };
    for (const Flag& f : flags) {
        IMediaSample* ms2 = sample;
        EXPECT_EQ(S_FALSE, (ms2->*f.is)());
        (ms2->*f.set)(TRUE);
        EXPECT_EQ(S_OK, (ms2->*f.is)());
        (ms2->*f.set)(FALSE);
        EXPECT_EQ(S_FALSE, (ms2->*f.is)());
    }
}

TEST(CMediaSampleTest, MediaTypeAndProperties) {
    BYTE buffer[16];
    auto* sample = new CMediaSample(L"s", nullptr, nullptr, buffer, sizeof(buffer));
    CComPtr<IMediaSample2> hold(sample);
    AM_MEDIA_TYPE* type = reinterpret_cast<AM_MEDIA_TYPE*>(1);
    EXPECT_EQ(S_FALSE, sample->GetMediaType(&type));
    EXPECT_EQ(nullptr, type);

    CMediaType audio(&MEDIATYPE_Audio);
    ASSERT_EQ(S_OK, sample->SetMediaType(&audio));
    ASSERT_EQ(S_OK, sample->GetMediaType(&type));
    EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Audio, type->majortype));
    DeleteMediaType(type);

    AM_SAMPLE2_PROPERTIES props = {};
    ASSERT_EQ(S_OK, sample->GetProperties(sizeof(props), reinterpret_cast<BYTE*>(&props)));
    EXPECT_EQ(sizeof(props), props.cbData);
    EXPECT_TRUE(props.dwSampleFlags & AM_SAMPLE_TYPECHANGED);
    EXPECT_EQ(buffer, props.pbBuffer);
    EXPECT_EQ(16, props.cbBuffer);

    props.dwSampleFlags = AM_SAMPLE_SPLICEPOINT | AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
    props.tStart = 10;
    props.tStop = 20;
    props.lActual = 5;
    props.pbBuffer = nullptr;  // the buffer cannot be changed through properties
    ASSERT_EQ(S_OK, sample->SetProperties(sizeof(props), reinterpret_cast<BYTE*>(&props)));
    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(S_OK, sample->GetTime(&start, &stop));
    EXPECT_EQ(10, start);
    EXPECT_EQ(20, stop);
    EXPECT_EQ(S_OK, sample->IsSyncPoint());
    EXPECT_EQ(5, sample->GetActualDataLength());
    EXPECT_EQ(S_FALSE, sample->GetMediaType(&type));  // no type flag: the type is gone
    BYTE* pointer = nullptr;
    sample->GetPointer(&pointer);
    EXPECT_EQ(buffer, pointer);

    props.lActual = 17;
    EXPECT_EQ(VFW_E_BUFFER_OVERFLOW, sample->SetProperties(sizeof(props), reinterpret_cast<BYTE*>(&props)));
}

CComPtr<IMemAllocator> MakeAllocator(LONG count, LONG size, LONG align = 1, LONG prefix = 0,
                                     ALLOCATOR_PROPERTIES* actual = nullptr) {
    HRESULT hr = S_OK;
    CComPtr<IMemAllocator> allocator(new CMemAllocator(L"test", nullptr, &hr));
    ALLOCATOR_PROPERTIES request = {count, size, align, prefix};
    ALLOCATOR_PROPERTIES got = {};
    EXPECT_EQ(S_OK, allocator->SetProperties(&request, &got));
    if (actual) *actual = got;
    return allocator;
}

TEST(CMemAllocatorTest, PropertiesAreCheckedAndRoundedToAlignment) {
    ALLOCATOR_PROPERTIES actual = {};
    CComPtr<IMemAllocator> allocator = MakeAllocator(2, 100, 16, 8, &actual);
    EXPECT_EQ(2, actual.cBuffers);
    EXPECT_EQ(104, actual.cbBuffer);  // 100 + 8 rounded up to 112, less the prefix
    EXPECT_EQ(16, actual.cbAlign);
    EXPECT_EQ(8, actual.cbPrefix);

    ALLOCATOR_PROPERTIES bad = {1, 10, 3, 0};
    EXPECT_EQ(VFW_E_BADALIGN, allocator->SetProperties(&bad, &actual));
    bad.cbAlign = 0;
    EXPECT_EQ(VFW_E_BADALIGN, allocator->SetProperties(&bad, &actual));
    EXPECT_EQ(E_POINTER, allocator->SetProperties(&bad, nullptr));

    ASSERT_EQ(S_OK, allocator->Commit());
    ALLOCATOR_PROPERTIES again = {1, 10, 1, 0};
    EXPECT_EQ(VFW_E_ALREADY_COMMITTED, allocator->SetProperties(&again, &actual));

    CComPtr<IMediaSample> sample;
    ASSERT_EQ(S_OK, allocator->GetBuffer(&sample, nullptr, nullptr, 0));
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    EXPECT_EQ(0u, (reinterpret_cast<ULONG_PTR>(data) + 8) % 16 == 0 ? 0u : 1u);
    EXPECT_EQ(104, sample->GetSize());
    ASSERT_EQ(S_OK, allocator->Decommit());
    EXPECT_EQ(VFW_E_BUFFERS_OUTSTANDING, allocator->SetProperties(&again, &actual));
}

TEST(CMemAllocatorTest, CommitNeedsProperties) {
    HRESULT hr = S_OK;
    CComPtr<IMemAllocator> allocator(new CMemAllocator(L"test", nullptr, &hr));
    EXPECT_EQ(VFW_E_SIZENOTSET, allocator->Commit());
    CComPtr<IMediaSample> sample;
    EXPECT_EQ(VFW_E_NOT_COMMITTED, allocator->GetBuffer(&sample, nullptr, nullptr, 0));
}

TEST(CMemAllocatorTest, SamplesComeBackCleanAndExhaustionIsReported) {
    CComPtr<IMemAllocator> allocator = MakeAllocator(2, 32);
    ASSERT_EQ(S_OK, allocator->Commit());
    CComPtr<IMediaSample> a, b, c;
    ASSERT_EQ(S_OK, allocator->GetBuffer(&a, nullptr, nullptr, 0));
    ASSERT_EQ(S_OK, allocator->GetBuffer(&b, nullptr, nullptr, 0));
    EXPECT_NE(a.Get(), b.Get());
    EXPECT_EQ(VFW_E_TIMEOUT, allocator->GetBuffer(&c, nullptr, nullptr, AM_GBF_NOWAIT));

    REFERENCE_TIME t0 = 1, t1 = 2;
    a->SetTime(&t0, &t1);
    a->SetDiscontinuity(TRUE);
    a->SetActualDataLength(3);
    IMediaSample* first = a.Get();
    a.Release();
    ASSERT_EQ(S_OK, allocator->GetBuffer(&c, nullptr, nullptr, AM_GBF_NOWAIT));
    EXPECT_EQ(first, c.Get());
    REFERENCE_TIME s, e;
    EXPECT_EQ(VFW_E_SAMPLE_TIME_NOT_SET, c->GetTime(&s, &e));
    EXPECT_EQ(S_FALSE, c->IsDiscontinuity());
}

TEST(CMemAllocatorTest, DecommitWakesAWaitingGetBuffer) {
    CComPtr<IMemAllocator> allocator = MakeAllocator(1, 32);
    ASSERT_EQ(S_OK, allocator->Commit());
    CComPtr<IMediaSample> held;
    ASSERT_EQ(S_OK, allocator->GetBuffer(&held, nullptr, nullptr, 0));
    HRESULT waited = S_OK;
    IMemAllocator* raw = allocator;
    std::thread waiter([raw, &waited] {
        IMediaSample* sample = nullptr;
        waited = raw->GetBuffer(&sample, nullptr, nullptr, 0);
        if (sample) sample->Release();
    });
    // Whether the waiter is already blocked or not yet there, a decommitted allocator
    // must turn it away.
    allocator->Decommit();
    waiter.join();
    EXPECT_EQ(VFW_E_NOT_COMMITTED, waited);
}

TEST(CMemAllocatorTest, OutstandingSampleOutlivesDecommitAndAllocator) {
    CComPtr<IMediaSample> sample;
    {
        CComPtr<IMemAllocator> allocator = MakeAllocator(1, 64);
        ASSERT_EQ(S_OK, allocator->Commit());
        ASSERT_EQ(S_OK, allocator->GetBuffer(&sample, nullptr, nullptr, 0));
        ASSERT_EQ(S_OK, allocator->Decommit());
        // A decommit that is waiting for its samples is undone by a new commit.
        ASSERT_EQ(S_OK, allocator->Commit());
        ASSERT_EQ(S_OK, allocator->Decommit());
    }
    BYTE* data = nullptr;
    ASSERT_EQ(S_OK, sample->GetPointer(&data));
    std::memset(data, 0xAB, 64);  // still valid memory
    sample.Release();
}

TEST(CMemAllocatorTest, RecommitAfterFullDecommit) {
    CComPtr<IMemAllocator> allocator = MakeAllocator(3, 8);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(S_OK, allocator->Commit());
        CComPtr<IMediaSample> s;
        ASSERT_EQ(S_OK, allocator->GetBuffer(&s, nullptr, nullptr, 0));
        s.Release();
        ASSERT_EQ(S_OK, allocator->Decommit());
    }
    CComPtr<IMemAllocator> queried;
    CComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, allocator->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(S_OK, unknown->QueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(&queried)));
}

}  // namespace
