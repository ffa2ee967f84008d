// The class object of CPagewright.
#include <atomic>
#include <new>

#include "component/Pagewright.h"
#include "module/Module.h"
#include "platform/sync.h"

namespace module {

namespace {

// Lives from the first DllGetClassObject to unload. Its references do not count towards the
// module's lock count (a host that wants to keep the module uses LockServer).
class CClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject)
            return E_POINTER;
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IClassFactory)) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_cRef; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG nLeft = --m_cRef;
        if (nLeft == 0)
            delete this;
        return nLeft;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                             void** ppvObject) override {
        return CreatePagewright(pUnkOuter, riid, ppvObject);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override {
        if (fLock)
            LockModule();
        else
            UnlockModule();
        return S_OK;
    }

private:
    ~CClassFactory() = default;
    std::atomic<ULONG> m_cRef{1}; // the module's own reference, dropped at unload
};

platform::Mutex g_factoryLock;
CClassFactory* g_pFactory = nullptr;

} // namespace

HRESULT GetClassFactory(REFIID riid, void** ppv) {
    CClassFactory* pFactory;
    {
        // Concurrent first requests must all get the same class object.
        platform::MutexLock lock(g_factoryLock);
        if (!g_pFactory)
            g_pFactory = new (std::nothrow) CClassFactory();
        if (!g_pFactory)
            return E_OUTOFMEMORY;
        pFactory = g_pFactory;
    }
    return pFactory->QueryInterface(riid, ppv);
}

void ReleaseClassFactory() {
    CClassFactory* pFactory;
    {
        platform::MutexLock lock(g_factoryLock);
        pFactory = g_pFactory;
        g_pFactory = nullptr;
    }
    if (pFactory)
        pFactory->Release();
}

} // namespace module
