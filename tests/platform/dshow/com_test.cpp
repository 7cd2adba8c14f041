#include <streams.h>

#include <gtest/gtest.h>

namespace {

// An object with one extra interface (IPersist) to watch reference counts and aggregation.
class CPersistObject : public CUnknown, public IPersist {
public:
    explicit CPersistObject(LPUNKNOWN outer) : CUnknown(L"persist", outer) {}
    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IPersist)) return GetInterface(static_cast<IPersist*>(this), ppv);
        return CUnknown::NonDelegatingQueryInterface(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
        *clsid = CLSID_NULL;
        return S_OK;
    }
    LONG Count() const { return m_cRef; }
};

// An outer object that counts what reaches it.
class COuter : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        ++queries;
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    int queries = 0;
    ULONG refs = 1;
};

TEST(CUnknownTest, OwnIdentityWhenNotAggregatedAndCountsObjects) {
    const LONG before = CBaseObject::ObjectsActive();
    auto* object = new CPersistObject(nullptr);
    object->NonDelegatingAddRef();
    EXPECT_EQ(before + 1, CBaseObject::ObjectsActive());

    CComPtr<IPersist> persist;
    ASSERT_EQ(S_OK, object->GetOwner()->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)));
    EXPECT_EQ(2, object->Count());
    CComPtr<IUnknown> unknownA, unknownB;
    ASSERT_EQ(S_OK, persist->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknownA)));
    ASSERT_EQ(S_OK, object->GetOwner()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknownB)));
    EXPECT_EQ(unknownA.Get(), unknownB.Get());

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, persist->QueryInterface(IID_IStream, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_POINTER, object->NonDelegatingQueryInterface(IID_IUnknown, nullptr));

    unknownA.Release();
    unknownB.Release();
    persist.Release();
    EXPECT_EQ(0u, object->NonDelegatingRelease());
    EXPECT_EQ(before, CBaseObject::ObjectsActive());
}

TEST(CUnknownTest, AggregatedObjectDelegatesToItsOuter) {
    COuter outer;
    auto* inner = new CPersistObject(&outer);
    inner->NonDelegatingAddRef();
    IPersist* persist = nullptr;
    ASSERT_EQ(S_OK, inner->NonDelegatingQueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)));
    EXPECT_EQ(2u, outer.refs);  // the interface's reference goes to the outer object
    EXPECT_EQ(1, inner->Count());
    void* other = nullptr;
    persist->QueryInterface(IID_IStream, &other);
    EXPECT_EQ(1, outer.queries);
    persist->Release();
    EXPECT_EQ(1u, outer.refs);
    inner->NonDelegatingRelease();
}

TEST(CComPtrTest, AssignmentOutParameterAndQuery) {
    auto* object = new CPersistObject(nullptr);
    CComPtr<IUnknown> holder(object->GetOwner());
    EXPECT_EQ(1, object->Count());
    // Self-assignment through a raw pointer keeps the object alive.
    holder = holder.Get();
    EXPECT_EQ(1, object->Count());
    {
        CComPtr<IUnknown> copy = holder;
        EXPECT_EQ(2, object->Count());
        CComPtr<IUnknown> moved(std::move(copy));
        EXPECT_EQ(2, object->Count());
        EXPECT_FALSE(copy);
    }
    EXPECT_EQ(1, object->Count());

    CComQIPtr<IPersist> persist(holder);
    ASSERT_TRUE(persist);
    EXPECT_EQ(2, object->Count());
    CComQIPtr<IStream> stream(holder);
    EXPECT_FALSE(stream);

    CComPtr<IPersist> target = persist;
    EXPECT_EQ(3, object->Count());
    // Taking the address for an out parameter drops the old reference first.
    IPersist** slot = &target;
    EXPECT_EQ(nullptr, *slot);
    EXPECT_EQ(2, object->Count());
    EXPECT_TRUE(persist.IsEqualObject(holder));

    IPersist* raw = persist.Detach();
    CComPtr<IPersist> attached;
    attached.Attach(raw);
    EXPECT_EQ(2, object->Count());
}

TEST(CAMEventTest, AutoAndManualReset) {
    CAMEvent autoReset;
    EXPECT_FALSE(autoReset.Check());
    autoReset.Set();
    EXPECT_TRUE(autoReset.Check());
    EXPECT_FALSE(autoReset.Check());

    CAMEvent manual(TRUE);
    manual.Set();
    EXPECT_TRUE(manual.Check());
    EXPECT_TRUE(manual.Wait(0));
    manual.Reset();
    EXPECT_FALSE(manual.Check());
}

TEST(CRefTimeTest, MillisecondsAndUnits) {
    CRefTime t(40L);
    EXPECT_EQ(400000, t.GetUnits());
    EXPECT_EQ(40, t.Millisecs());
    CRefTime u(static_cast<REFERENCE_TIME>(UNITS));
    u += t;
    EXPECT_EQ(1040, u.Millisecs());
    u -= CRefTime(1040L);
    EXPECT_EQ(0, static_cast<REFERENCE_TIME>(u));
    EXPECT_EQ(-1, CRefTime(static_cast<REFERENCE_TIME>(-10000)).Millisecs());
}

TEST(GuidsTest, MissingIdentifiersAreDefined) {
    // 'iavs' as a FOURCC subtype and the kernel-streaming render category.
    EXPECT_EQ(0x73766169u, MEDIASUBTYPE_IAVS.Data1);
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_IAVS, MEDIASUBTYPE_dvsd) == FALSE);
    EXPECT_EQ(0x65e8773eu, KSCATEGORY_RENDER.Data1);
}

}  // namespace
