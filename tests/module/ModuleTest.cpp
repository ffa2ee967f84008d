// libpagewright.so at its boundary, loaded as a host loads it: the four exports, the class
// object, registration into the class registry (a file in a temporary folder here), creation by
// ProgID and late-bound calls.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "component/Pagewright.h"
#include "module/host/ComHost.h"
#include "platform/bstr.h"
#include "platform/registry.h"
#include "platform/strconv.h"
#include "tests/support/TestSupport.h"

namespace {

namespace reg = platform::registry;
using testsupport::ReadFile;

using NoArgFn = HRESULT (*)();
using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);

const std::string kClsid = "{9E2A6F31-0C4D-4A8E-B5F7-13C8D2E6A907}";
const std::string kClassKey = "CLSID\\" + kClsid;

std::string Value(const std::string& key, const std::string& name = "") {
    std::string data;
    return reg::GetString(key, name, data) == ERROR_SUCCESS ? data : "<missing>";
}

class ModuleTest : public ::testing::Test {
protected:
    ModuleTest() {
        reg::SetRegistryFile(m_tmp.File("registry"));
        m_hModule = dlopen(PAGEWRIGHT_MODULE, RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(m_hModule, nullptr) << dlerror();
    }
    template <class Fn> Fn Export(const char* szName) {
        return reinterpret_cast<Fn>(dlsym(m_hModule, szName));
    }
    HRESULT Call(const char* szName) { return Export<NoArgFn>(szName)(); }
    IClassFactory* Factory() {
        IClassFactory* p = nullptr;
        EXPECT_EQ(Export<GetClassObjectFn>("DllGetClassObject")(CLSID_Pagewright, IID_IClassFactory,
                                                                reinterpret_cast<void**>(&p)),
                  S_OK);
        return p;
    }

    testsupport::TempDir m_tmp;
    void* m_hModule = nullptr;
};

// First in the file: once a process has seen the library registered, it trusts it.
TEST_F(ModuleTest, LateBoundCallsNeedTheTypeLibraryRegistered) {
    IClassFactory* pFactory = Factory();
    IPagewright* p = nullptr;
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IPagewright, reinterpret_cast<void**>(&p)),
              S_OK);
    std::u16string name = u"Reset";
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    EXPECT_EQ(p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
              TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(p->Reset(), S_OK); // early binding needs no registration
    p->Release();
    pFactory->Release();
}

TEST_F(ModuleTest, ExportsTheFourEntryPointsAndHidesTheRest) {
    for (const char* szName :
         {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(dlsym(m_hModule, szName), nullptr) << szName;
    // The component's own functions stay inside.
    EXPECT_EQ(dlsym(m_hModule, "_Z21LivePagewrightObjectsv"), nullptr);
}

TEST_F(ModuleTest, RegistrationWritesEveryEntryOfTheClass) {
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    const struct {
        std::string key, name, data;
    } cases[] = {
        {"Pagewright.Pagewright.1", "", "Pagewright Class"},
        {"Pagewright.Pagewright.1\\CLSID", "", kClsid},
        {"Pagewright.Pagewright", "", "Pagewright Class"},
        {"Pagewright.Pagewright\\CLSID", "", kClsid},
        {"Pagewright.Pagewright\\CurVer", "", "Pagewright.Pagewright.1"},
        {kClassKey, "", "Pagewright Class"},
        {kClassKey + "\\ProgID", "", "Pagewright.Pagewright.1"},
        {kClassKey + "\\VersionIndependentProgID", "", "Pagewright.Pagewright"},
        {kClassKey + "\\InprocServer32", "",
         std::filesystem::canonical(PAGEWRIGHT_MODULE).string()},
        {kClassKey + "\\InprocServer32", "ThreadingModel", "both"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.key, c.name), c.data) << c.key << " " << c.name;
}

TEST_F(ModuleTest, BothProgIdsCreateTheClassAndUnregistrationRemovesThem) {
    // Never registered: nothing to remove, still success.
    EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    for (const char* szProgId : {"Pagewright.Pagewright", "Pagewright.Pagewright.1"}) {
        IPagewright* p = nullptr;
        ASSERT_EQ(
            host::CreateInstanceFromProgId(szProgId, IID_IPagewright, reinterpret_cast<void**>(&p)),
            S_OK)
            << szProgId;
        LONG bFinished = 0;
        EXPECT_EQ(p->IsGeneratingFinished(&bFinished), S_OK);
        EXPECT_EQ(bFinished, 1);
        p->Release();
    }
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
    for (const std::string& key :
         {std::string("Pagewright.Pagewright.1"), std::string("Pagewright.Pagewright"), kClassKey})
        EXPECT_EQ(Value(key), "<missing>") << key;
    void* pv = nullptr;
    EXPECT_EQ(host::CreateInstanceFromProgId("Pagewright.Pagewright", IID_IUnknown, &pv),
              CO_E_CLASSSTRING);
    // The type library stays registered.
    EXPECT_EQ(Value("TypeLib\\{6C3B8E1F-2A47-4D95-8E0B-7F14C9A2D563}\\1.0"),
              "Pagewright 1.0 Type Library");
}

TEST_F(ModuleTest, RegistryErrorsStopRegistrationButNotUnregistration) {
    // A folder where the registry file should be: nothing can be written.
    std::filesystem::create_directory(m_tmp.File("blocked"));
    reg::SetRegistryFile(m_tmp.File("blocked"));
    const HRESULT hr = Call("DllRegisterServer");
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(static_cast<std::uint32_t>(hr) & 0xFFFF0000u, 0x80070000u) << std::hex << hr;
    EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
}

// Worker threads may still run in the module after its last object is gone.
TEST_F(ModuleTest, StaysMappedAfterTheLastDlclose) {
    ASSERT_EQ(dlclose(m_hModule), 0);
    m_hModule = dlopen(PAGEWRIGHT_MODULE, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(m_hModule, nullptr);
}

TEST_F(ModuleTest, ClassObjectOnlyForTheClassAndMadeOnce) {
    const auto pfnGet = Export<GetClassObjectFn>("DllGetClassObject");
    void* pv = reinterpret_cast<void*>(1);
    const CLSID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(pfnGet(other, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    IClassFactory* pFirst = Factory();
    IUnknown* pSecond = nullptr;
    ASSERT_EQ(pfnGet(CLSID_Pagewright, IID_IUnknown, reinterpret_cast<void**>(&pSecond)), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(pFirst), pSecond);
    EXPECT_EQ(pfnGet(CLSID_Pagewright, IID_IDispatch, &pv), E_NOINTERFACE);
    EXPECT_EQ(pFirst->CreateInstance(nullptr, IID_IPagewright, nullptr), E_POINTER);
    pSecond->Release();
    pFirst->Release();
}

TEST_F(ModuleTest, CanUnloadOnlyWithoutObjectsAndLocks) {
    IClassFactory* pFactory = Factory();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    IUnknown *pA = nullptr, *pB = nullptr;
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&pA)), S_OK);
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&pB)),
              S_OK);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    pA->Release();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    pB->Release();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    for (BOOL bLock : {TRUE, TRUE, FALSE})
        EXPECT_EQ(pFactory->LockServer(bLock), S_OK);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    EXPECT_EQ(pFactory->LockServer(FALSE), S_OK);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    pFactory->Release();
}

// An outer object that counts its references and answers only for its own identity.
struct Outer final : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!IsEqualGUID(riid, IID_IUnknown))
            return pInner->QueryInterface(riid, ppv);
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++nRef; }
    ULONG STDMETHODCALLTYPE Release() override { return --nRef; }
    ULONG nRef = 1;
    IUnknown* pInner = nullptr;
};

TEST_F(ModuleTest, AggregationOnlyThroughIUnknown) {
    IClassFactory* pFactory = Factory();
    Outer outer;
    void* pv = reinterpret_cast<void*>(1);
    for (const IID* pIid : {&IID_IPagewright, &IID_IDispatch, &IID_ISupportErrorInfo}) {
        EXPECT_EQ(pFactory->CreateInstance(&outer, *pIid, &pv), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(pv, nullptr);
    }
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK); // nothing was made
    ASSERT_EQ(
        pFactory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.pInner)),
        S_OK);
    EXPECT_EQ(outer.nRef, 1u); // the inner object holds no reference on its outer one
    IPagewright* p = nullptr;
    ASSERT_EQ(outer.pInner->QueryInterface(IID_IPagewright, reinterpret_cast<void**>(&p)), S_OK);
    EXPECT_EQ(outer.nRef, 2u);
    IUnknown* pIdentity = nullptr;
    ASSERT_EQ(p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pIdentity)), S_OK);
    EXPECT_EQ(pIdentity, static_cast<IUnknown*>(&outer));
    pIdentity->Release();
    p->Release();
    EXPECT_EQ(outer.nRef, 1u);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    EXPECT_EQ(outer.pInner->Release(), 0u);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    pFactory->Release();
}

// ---- late-bound calls ----

class DispatchTest : public ModuleTest {
protected:
    void SetUp() override {
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
        ASSERT_EQ(host::CreateInstanceFromProgId("Pagewright.Pagewright", IID_IDispatch,
                                                 reinterpret_cast<void**>(&m_p)),
                  S_OK);
    }
    void TearDown() override {
        if (m_p)
            m_p->Release();
    }
    HRESULT Invoke(DISPID id, std::vector<VARIANT> args, UINT* pArgErr = nullptr) {
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        UINT nArgErr = 0;
        const HRESULT hr = m_p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                       nullptr, nullptr, &nArgErr);
        if (pArgErr)
            *pArgErr = nArgErr;
        return hr;
    }
    IDispatch* m_p = nullptr;
};

VARIANT Var(VARTYPE vt, void* p) {
    VARIANT v{};
    v.vt = vt;
    v.byref = p;
    return v;
}

TEST_F(DispatchTest, NamesAndTypeInformation) {
    const struct {
        std::u16string name;
        HRESULT hr;
        DISPID id;
    } cases[] = {
        {u"GenerateHTML", S_OK, 0x60020000},    {u"IsGeneratingFinished", S_OK, 0x60020001},
        {u"GetHTMLFileName", S_OK, 0x60020002}, {u"Reset", S_OK, 0x60020003},
        {u"generatehtml", S_OK, 0x60020000},    {u"MakePage", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
    };
    for (auto c : cases) {
        LPOLESTR names[] = {c.name.data()};
        DISPID id = 0;
        EXPECT_EQ(m_p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), c.hr);
        EXPECT_EQ(id, c.id);
    }
    UINT nCount = 0;
    EXPECT_EQ(m_p->GetTypeInfoCount(&nCount), S_OK);
    EXPECT_EQ(nCount, 1u);
    EXPECT_EQ(m_p->GetTypeInfoCount(nullptr), E_POINTER);
    ITypeInfo* pInfo = nullptr;
    EXPECT_EQ(m_p->GetTypeInfo(1, LOCALE_USER_DEFAULT, &pInfo), DISP_E_BADINDEX);
    ISupportErrorInfo* pErrorInfo = nullptr;
    ASSERT_EQ(m_p->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&pErrorInfo)),
              S_OK);
    EXPECT_EQ(pErrorInfo->InterfaceSupportsErrorInfo(IID_IPagewright), S_OK);
    EXPECT_EQ(pErrorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    pErrorInfo->Release();
}

TEST_F(DispatchTest, MakesPagesWithTypedAndScriptStyleArguments) {
    testsupport::WriteFile(
        m_tmp.File("form.frm"),
        "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = " + m_tmp.Path().string() + "\n");
    platform::ScopedBstr text("Hello<T>World"), form(m_tmp.File("form.frm")), section("NONE");
    // A compiled client passes typed references; a script passes references to variants.
    int nIndex = -1;
    VARIANT indexVariant{};
    ASSERT_EQ(Invoke(0x60020000, {Var(VT_BYREF | VT_I4, &nIndex), Var(VT_BSTR, section.Get()),
                                  Var(VT_BSTR, form.Get()), Var(VT_BSTR, text.Get())}),
              S_OK);
    VARIANT textVariant = Var(VT_BSTR, text.Get());
    ASSERT_EQ(
        Invoke(0x60020000, {Var(VT_BYREF | VT_VARIANT, &indexVariant), Var(VT_BSTR, section.Get()),
                            Var(VT_BSTR, form.Get()), Var(VT_BYREF | VT_VARIANT, &textVariant)}),
        S_OK);
    EXPECT_EQ(nIndex, 0);
    EXPECT_EQ(indexVariant.vt, VT_I4);
    EXPECT_EQ(indexVariant.lVal, 1);

    LONG bFinished = 0;
    VARIANT finishedVariant{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (bFinished != 1 && std::chrono::steady_clock::now() < deadline) {
        ASSERT_EQ(Invoke(0x60020001, {Var(VT_BYREF | VT_I4, &bFinished)}), S_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(bFinished, 1);
    ASSERT_EQ(Invoke(0x60020001, {Var(VT_BYREF | VT_VARIANT, &finishedVariant)}), S_OK);
    EXPECT_EQ(finishedVariant.vt, VT_I4);
    EXPECT_EQ(finishedVariant.lVal, 1);

    BSTR bstrFirst = nullptr;
    VARIANT secondVariant{}, indexArg{};
    indexArg.vt = VT_I4;
    indexArg.lVal = 1;
    ASSERT_EQ(Invoke(0x60020002, {Var(VT_BYREF | VT_BSTR, &bstrFirst), indexArg}), S_OK);
    ASSERT_EQ(Invoke(0x60020002, {Var(VT_BYREF | VT_VARIANT, &secondVariant),
                                  Var(VT_BYREF | VT_VARIANT, &indexVariant)}),
              S_OK);
    ASSERT_EQ(secondVariant.vt, VT_BSTR);
    const std::string first = platform::BstrToAnsi(bstrFirst);
    const std::string second = platform::BstrToAnsi(secondVariant.bstrVal);
    SysFreeString(bstrFirst);
    VariantClear(&secondVariant);
    for (const std::string& page : {first, second}) {
        EXPECT_TRUE(page.starts_with(m_tmp.Path().string() + "/HTML")) << page;
        EXPECT_NE(ReadFile(page).find("<title>User Notification</title>"), std::string::npos);
    }
    ASSERT_EQ(Invoke(0x60020003, {}), S_OK);
    EXPECT_FALSE(testsupport::FileExists(first));
    EXPECT_FALSE(testsupport::FileExists(second));
}

TEST_F(DispatchTest, RejectsCallsTheInterfaceDoesNotHave) {
    platform::ScopedBstr notANumber("not a number");
    BSTR bstrName = nullptr;
    LONG bFinished = 0;
    UINT nArgErr = 0;
    EXPECT_EQ(Invoke(0x60020004, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Invoke(0x60020001, {}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Invoke(0x60020002,
                     {Var(VT_BYREF | VT_BSTR, &bstrName), Var(VT_BSTR, notANumber.Get())},
                     &nArgErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(nArgErr, 1u);
    EXPECT_EQ(Invoke(0x60020001, {Var(VT_BYREF | VT_BSTR, &bstrName)}, &nArgErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(nArgErr, 0u);
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    EXPECT_EQ(m_p->Invoke(0x60020003, IID_IDispatch, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                          nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(Invoke(0x60020001, {Var(VT_BYREF | VT_I4, &bFinished)}), S_OK);
    EXPECT_EQ(bFinished, 1);
}

} // namespace
