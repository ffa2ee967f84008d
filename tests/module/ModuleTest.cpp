// The module at its boundary, as hosts see it: libpagewright.so on Linux (with the class
// registry in a temporary file) and PAGEWRIGHT.DLL under Wine (with the real registry and COM).
// The four exports, the registry entries, creation by both ProgIDs, the class object, the lock
// count, aggregation and the four methods early-bound and late-bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "component/Pagewright.h"
#include "platform/bstr.h"
#include "platform/registry.h"
#include "platform/strconv.h"
#include "tests/support/TestSupport.h"

#ifdef _WIN32
#include <oleauto.h>
#else
#include <dlfcn.h>

#include "module/host/ComHost.h"
#endif

namespace {

namespace reg = platform::registry;
using testsupport::ReadFile;

using NoArgFn = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

const std::string kClsid = "{9E2A6F31-0C4D-4A8E-B5F7-13C8D2E6A907}";
const std::string kClassKey = "CLSID\\" + kClsid;

std::string Value(const std::string& key, const std::string& name = "") {
    std::string data;
    return reg::GetString(key, name, data) == ERROR_SUCCESS ? data : "<missing>";
}

#ifdef _WIN32
// COM for the whole run; the module is created through it.
struct ComEnvironment : ::testing::Environment {
    void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    void TearDown() override { CoUninitialize(); }
};
const auto* const g_pComEnvironment = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

void* LoadModule() {
    std::string path = PAGEWRIGHT_MODULE; // the build tree's path, seen from Wine's drive Z:
    std::replace(path.begin(), path.end(), '/', '\\');
    return LoadLibraryA(("Z:" + path).c_str());
}
void* Symbol(void* hModule, const char* szName) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(hModule), szName));
}
std::string ModuleFile(void* hModule) {
    char path[MAX_PATH];
    return std::string(path, GetModuleFileNameA(static_cast<HMODULE>(hModule), path, MAX_PATH));
}
HRESULT CreateByProgId(const char* szProgId, REFIID riid, void** ppv) {
    CLSID clsid{};
    const std::u16string progId = platform::AnsiToUtf16(szProgId);
    const HRESULT hr = CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(progId.c_str()), &clsid);
    return FAILED(hr) ? hr : CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, riid, ppv);
}
#else
void* LoadModule() {
    return dlopen(PAGEWRIGHT_MODULE, RTLD_NOW | RTLD_LOCAL);
}
void* Symbol(void* hModule, const char* szName) {
    return dlsym(hModule, szName);
}
std::string ModuleFile(void*) {
    return std::filesystem::canonical(PAGEWRIGHT_MODULE).string();
}
HRESULT CreateByProgId(const char* szProgId, REFIID riid, void** ppv) {
    return host::CreateInstanceFromProgId(szProgId, riid, ppv);
}
#endif

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef _WIN32
        reg::SetRegistryFile(m_tmp.File("registry"));
#endif
        m_hModule = LoadModule();
        ASSERT_NE(m_hModule, nullptr);
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    }
    template <class Fn> Fn Export(const char* szName) {
        return reinterpret_cast<Fn>(Symbol(m_hModule, szName));
    }
    HRESULT Call(const char* szName) {
        return Export<NoArgFn>(szName)();
    }
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

#ifndef _WIN32
// First of the suite: once a process has seen the library registered, it trusts it.
TEST_F(ModuleTest, LateBoundCallsNeedTheTypeLibraryRegistered) {
    reg::SetRegistryFile(m_tmp.File("empty-registry"));
    IClassFactory* pFactory = Factory();
    IPagewright* p = nullptr;
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IPagewright, reinterpret_cast<void**>(&p)),
              S_OK);
    pFactory->Release();
    std::u16string name = u"Reset";
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    EXPECT_EQ(p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
              TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(p->Reset(), S_OK); // early binding needs no registration
    p->Release();
}
#endif

TEST_F(ModuleTest, RegistrationWritesEveryEntryOfTheClass) {
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
        {kClassKey + "\\InprocServer32", "", ModuleFile(m_hModule)},
        {kClassKey + "\\InprocServer32", "ThreadingModel", "both"},
        {"TypeLib\\{6C3B8E1F-2A47-4D95-8E0B-7F14C9A2D563}\\1.0", "", "Pagewright 1.0 Type Library"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.key, c.name), c.data) << c.key << " " << c.name;
}

TEST_F(ModuleTest, UnregistrationTwiceRemovesTheClassButNotTheTypeLibrary) {
    for (int i = 0; i < 2; ++i) // the second time nothing is left: still S_OK
        EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
    for (const std::string& key :
         {std::string("Pagewright.Pagewright.1"), std::string("Pagewright.Pagewright"), kClassKey})
        EXPECT_EQ(Value(key), "<missing>") << key;
    EXPECT_EQ(Value("TypeLib\\{6C3B8E1F-2A47-4D95-8E0B-7F14C9A2D563}\\1.0"),
              "Pagewright 1.0 Type Library");
    void* pv = nullptr;
    EXPECT_TRUE(FAILED(CreateByProgId("Pagewright.Pagewright", IID_IUnknown, &pv)));
    EXPECT_EQ(Call("DllRegisterServer"), S_OK); // as the other tests expect it
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
    EXPECT_EQ(pFirst->CreateInstance(nullptr, IID_IPagewright, nullptr), E_POINTER);
    // An interface the object does not have: the query's result, and no object is left.
    EXPECT_EQ(pFirst->CreateInstance(nullptr, IID_IClassFactory, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    pSecond->Release();
    pFirst->Release();
}

TEST_F(ModuleTest, CanUnloadOnlyWithoutObjectsAndLocks) {
    IClassFactory* pFactory = Factory();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    IUnknown* pObject = nullptr;
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&pObject)),
              S_OK);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    pObject->Release();
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
    EXPECT_EQ(pFactory->CreateInstance(&outer, IID_IPagewright, &pv), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(pv, nullptr);
    ASSERT_EQ(
        pFactory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.pInner)),
        S_OK);
    EXPECT_EQ(outer.nRef, 1u); // the inner object holds no reference on its outer one
    // Interfaces reached through the inner object count on, and answer for, the outer one.
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

TEST_F(ModuleTest, DispatchNamesTypeInformationAndErrorInfo) {
    IDispatch* p = nullptr;
    ASSERT_EQ(CreateByProgId("Pagewright.Pagewright", IID_IDispatch, reinterpret_cast<void**>(&p)),
              S_OK);
    const struct {
        std::u16string name;
        HRESULT hr;
        DISPID id;
    } cases[] = {
        {u"GenerateHTML", S_OK, 0x60020000},
        {u"IsGeneratingFinished", S_OK, 0x60020001},
        {u"GetHTMLFileName", S_OK, 0x60020002},
        {u"Reset", S_OK, 0x60020003},
        {u"MakePage", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
    };
    for (auto c : cases) {
        LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(c.name.data())};
        DISPID id = 0;
        EXPECT_EQ(p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), c.hr);
        EXPECT_EQ(id, c.id);
    }
    UINT nCount = 0;
    EXPECT_EQ(p->GetTypeInfoCount(&nCount), S_OK);
    EXPECT_EQ(nCount, 1u);
    EXPECT_EQ(p->GetTypeInfoCount(nullptr), E_POINTER);
    ITypeInfo* pInfo = nullptr;
    EXPECT_EQ(p->GetTypeInfo(1, LOCALE_USER_DEFAULT, &pInfo), DISP_E_BADINDEX);
    ISupportErrorInfo* pErrorInfo = nullptr;
    ASSERT_EQ(p->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&pErrorInfo)),
              S_OK);
    EXPECT_EQ(pErrorInfo->InterfaceSupportsErrorInfo(IID_IPagewright), S_OK);
    EXPECT_EQ(pErrorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    pErrorInfo->Release();
    p->Release();
}

// ---- the four methods, early-bound and late-bound ----

enum class Binding { kVtable, kDispatchTyped, kDispatchVariant };

// Calls IPagewright through its vtable, or through Invoke with out arguments as a compiled
// client passes them (VT_BYREF|VT_I4, VT_BYREF|VT_BSTR) or as a script does (VT_BYREF|VT_VARIANT).
class Caller {
public:
    Caller(IPagewright* p, Binding binding) : m_p(p), m_binding(binding) {}

    int Generate(const std::string& text, const std::string& form) {
        const platform::ScopedBstr t(text), f(form), s("NO_SUCH_SECTION");
        int nIndex = -1;
        if (m_binding == Binding::kVtable) {
            EXPECT_EQ(m_p->GenerateHTML(t.Get(), f.Get(), s.Get(), &nIndex), S_OK);
            return nIndex;
        }
        VARIANT args[4] = {Out(&nIndex, VT_I4), In(VT_BSTR, s.Get()), In(VT_BSTR, f.Get()),
                           In(VT_BSTR, t.Get())};
        Invoke(0x60020000, args, 4);
        return m_binding == Binding::kDispatchVariant ? m_result.lVal : nIndex;
    }

    LONG Finished() {
        LONG bFinished = -1;
        if (m_binding == Binding::kVtable) {
            EXPECT_EQ(m_p->IsGeneratingFinished(&bFinished), S_OK);
            return bFinished;
        }
        VARIANT arg = Out(&bFinished, VT_I4);
        Invoke(0x60020001, &arg, 1);
        return m_binding == Binding::kDispatchVariant ? m_result.lVal : bFinished;
    }

    std::string FileName(int nIndex) {
        BSTR bstr = nullptr;
        if (m_binding == Binding::kVtable) {
            EXPECT_EQ(m_p->GetHTMLFileName(nIndex, &bstr), S_OK);
        } else {
            VARIANT args[2] = {Out(&bstr, VT_BSTR), In(VT_I4, nullptr)};
            args[1].lVal = nIndex;
            Invoke(0x60020002, args, 2);
            if (m_binding == Binding::kDispatchVariant) {
                EXPECT_EQ(m_result.vt, VT_BSTR);
                bstr = m_result.bstrVal; // the variable owns it now
                m_result.vt = VT_EMPTY;
            }
        }
        EXPECT_NE(bstr, nullptr); // an empty name is a BSTR of length 0
        const std::string name = platform::BstrToAnsi(bstr);
        SysFreeString(bstr);
        return name;
    }

    void Reset() {
        if (m_binding == Binding::kVtable)
            EXPECT_EQ(m_p->Reset(), S_OK);
        else
            Invoke(0x60020003, nullptr, 0);
    }

private:
    static VARIANT In(VARTYPE vt, void* p) {
        VARIANT v;
        VariantInit(&v);
        v.vt = vt;
        v.byref = p;
        return v;
    }
    VARIANT Out(void* pTyped, VARTYPE vt) {
        VariantClear(&m_result);
        return m_binding == Binding::kDispatchVariant ? In(VT_BYREF | VT_VARIANT, &m_result)
                                                      : In(VT_BYREF | vt, pTyped);
    }
    void Invoke(DISPID id, VARIANT* args, UINT cArgs) {
        DISPPARAMS params{args, nullptr, cArgs, 0};
        UINT nArgErr = 0;
        EXPECT_EQ(m_p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                              nullptr, &nArgErr),
                  S_OK)
            << "DISPID 0x" << std::hex << id << ", argument " << nArgErr;
    }

    IPagewright* m_p;
    Binding m_binding;
    VARIANT m_result{}; // the script's variable
};

class BindingTest : public ModuleTest, public ::testing::WithParamInterface<Binding> {};

TEST_P(BindingTest, QueuesPollsNamesAndResetsThroughBothProgIds) {
    const std::string dir = m_tmp.Path().string(), form = m_tmp.File("test.frm");
    testsupport::WriteFile(form, "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = " + dir +
                                     "\n[X]\n<BOLD>\n");
    for (const char* szProgId : {"Pagewright.Pagewright", "Pagewright.Pagewright.1"}) {
        SCOPED_TRACE(szProgId);
        IPagewright* p = nullptr;
        ASSERT_EQ(CreateByProgId(szProgId, IID_IPagewright, reinterpret_cast<void**>(&p)), S_OK);
        Caller c(p, GetParam());
        EXPECT_EQ(c.Finished(), 1);
        EXPECT_EQ(c.FileName(0), "");
        // Section layout (a missing section: plain paragraphs), inline styles, a failure.
        EXPECT_EQ(c.Generate("Hello<T>World", form), 0);
        EXPECT_EQ(c.Generate("<<X>>Inline<T>Plain", form), 1);
        EXPECT_EQ(c.Generate("Lost", m_tmp.File("missing.frm")), 2);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (c.Finished() != 1 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(c.Finished(), 1);

        const std::string first = c.FileName(0), second = c.FileName(1);
        for (const auto& [page, word] : {std::pair{first, "Hello"}, std::pair{second, "Inline"}}) {
            EXPECT_TRUE(page.starts_with(dir + "/HTML") && page.ends_with(".htm")) << page;
            EXPECT_NE(ReadFile(page).find("<title>User Notification</title>"), std::string::npos);
            EXPECT_NE(ReadFile(page).find(word), std::string::npos) << page;
        }
        EXPECT_EQ(c.FileName(2), "");
        c.Reset();
        EXPECT_FALSE(testsupport::FileExists(first));
        EXPECT_FALSE(testsupport::FileExists(second));
        EXPECT_EQ(c.FileName(0), "");
        p->Release();
    }
}

INSTANTIATE_TEST_SUITE_P(Bindings, BindingTest,
                         ::testing::Values(Binding::kVtable, Binding::kDispatchTyped,
                                           Binding::kDispatchVariant));

#ifdef _WIN32

// The vtable slot of a virtual member function, read from GCC's pointer-to-member layout (the
// vtable offset plus one), to hold the type library against the C++ declaration.
template <class Fn> std::ptrdiff_t SlotOffset(Fn pmf) {
    struct {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    } raw;
    static_assert(sizeof raw == sizeof pmf);
    std::memcpy(&raw, &pmf, sizeof raw);
    return static_cast<std::ptrdiff_t>(raw.ptr - 1);
}

std::string Text(BSTR bstr) {
    std::string text = platform::BstrToAnsi(bstr);
    SysFreeString(bstr);
    return text;
}

TEST_F(ModuleTest, TypeLibraryMatchesTheHeader) {
    ITypeLib* pLib = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_PAGEWRIGHTLib, 1, 0, LOCALE_NEUTRAL, &pLib), S_OK);
    BSTR name = nullptr, help = nullptr;
    EXPECT_EQ(pLib->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Text(name) + "|" + Text(help), "PAGEWRIGHTLib|Pagewright 1.0 Type Library");
    ITypeInfo* pClass = nullptr;
    ASSERT_EQ(pLib->GetTypeInfoOfGuid(CLSID_Pagewright, &pClass), S_OK);
    EXPECT_EQ(pClass->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Text(name) + "|" + Text(help), "CPagewright|Pagewright Class");
    pClass->Release();

    // A dual interface's vtable description is the one its dispatch description refers to.
    ITypeInfo *pDispatch = nullptr, *pInfo = nullptr;
    ASSERT_EQ(pLib->GetTypeInfoOfGuid(IID_IPagewright, &pDispatch), S_OK);
    pLib->Release();
    EXPECT_EQ(pDispatch->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Text(name) + "|" + Text(help), "IPagewright|IPagewright Interface");
    HREFTYPE ref = 0;
    ASSERT_EQ(pDispatch->GetRefTypeOfImplType(-1, &ref), S_OK);
    ASSERT_EQ(pDispatch->GetRefTypeInfo(ref, &pInfo), S_OK);
    pDispatch->Release();
    TYPEATTR* pAttr = nullptr;
    ASSERT_EQ(pInfo->GetTypeAttr(&pAttr), S_OK);
    EXPECT_EQ(pAttr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(pAttr->wTypeFlags &
                  (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE),
              TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(pAttr->cFuncs, 4);
    pInfo->ReleaseTypeAttr(pAttr);

    constexpr USHORT kIn = PARAMFLAG_FIN, kOut = PARAMFLAG_FOUT;
    const struct {
        const char* name;
        MEMBERID id;
        std::ptrdiff_t oVft;
        std::vector<std::pair<VARTYPE, USHORT>> params; // type (pointed-to when out), flags
    } cases[] = {
        {"GenerateHTML",
         0x60020000,
         SlotOffset(&IPagewright::GenerateHTML),
         {{VT_BSTR, kIn}, {VT_BSTR, kIn}, {VT_BSTR, kIn}, {VT_INT, kOut}}},
        {"IsGeneratingFinished",
         0x60020001,
         SlotOffset(&IPagewright::IsGeneratingFinished),
         {{VT_I4, kOut}}},
        {"GetHTMLFileName",
         0x60020002,
         SlotOffset(&IPagewright::GetHTMLFileName),
         {{VT_INT, kIn}, {VT_BSTR, kOut}}},
        {"Reset", 0x60020003, SlotOffset(&IPagewright::Reset), {}},
    };
    EXPECT_EQ(cases[0].oVft, static_cast<std::ptrdiff_t>(7 * sizeof(void*))); // after IDispatch
    for (UINT i = 0; i < 4; ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        FUNCDESC* pFunc = nullptr;
        ASSERT_EQ(pInfo->GetFuncDesc(i, &pFunc), S_OK);
        UINT n = 0;
        EXPECT_EQ(pInfo->GetNames(pFunc->memid, &name, 1, &n), S_OK);
        EXPECT_EQ(Text(name), c.name);
        EXPECT_EQ(pFunc->memid, c.id);
        EXPECT_EQ(pFunc->oVft, c.oVft);
        EXPECT_EQ(pFunc->invkind, INVOKE_FUNC);
        EXPECT_EQ(pFunc->elemdescFunc.tdesc.vt, VT_HRESULT);
        EXPECT_EQ(pFunc->cParamsOpt, 0);
        ASSERT_EQ(pFunc->cParams, static_cast<SHORT>(c.params.size()));
        for (std::size_t k = 0; k < c.params.size(); ++k) {
            const ELEMDESC& e = pFunc->lprgelemdescParam[k];
            const bool bOut = c.params[k].second == kOut;
            EXPECT_EQ(e.paramdesc.wParamFlags, c.params[k].second) << k;
            EXPECT_EQ(e.tdesc.vt, bOut ? VARTYPE(VT_PTR) : c.params[k].first) << k;
            if (bOut && e.tdesc.vt == VT_PTR) {
                EXPECT_EQ(e.tdesc.lptdesc->vt, c.params[k].first) << k;
            }
        }
        pInfo->ReleaseFuncDesc(pFunc);
    }
    pInfo->Release();
}

#else

TEST_F(ModuleTest, RegistryErrorsStopRegistration) {
    std::filesystem::create_directory(m_tmp.File("blocked")); // a folder where the file should be
    reg::SetRegistryFile(m_tmp.File("blocked"));
    const HRESULT hr = Call("DllRegisterServer");
    EXPECT_EQ(static_cast<std::uint32_t>(hr) & 0xFFFF0000u, 0x80070000u) << std::hex << hr;
    EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
}

// Worker threads may still run in the module after its last object is gone.
TEST_F(ModuleTest, ExportsOnlyTheEntryPointsAndStaysMapped) {
    EXPECT_EQ(Symbol(m_hModule, "_Z21LivePagewrightObjectsv"), nullptr);
    ASSERT_EQ(dlclose(m_hModule), 0);
    m_hModule = dlopen(PAGEWRIGHT_MODULE, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(m_hModule, nullptr);
}

#endif

} // namespace
