// PAGEWRIGHT.DLL as Windows clients see it: created through COM by ProgID, called early-bound
// and late-bound, aggregated, asked for its class object and unloadability, unregistered.
// Runs under Wine after regsvr32 has registered the module (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "component/Pagewright.h"

namespace {

namespace fs = std::filesystem;

template <class T> struct Releaser {
    void operator()(T* p) const {
        if (p)
            p->Release();
    }
};
template <class T> using ComPtr = std::unique_ptr<T, Releaser<T>>;

std::string Narrow(const BSTR bstr) {
    const int n = bstr ? static_cast<int>(SysStringLen(bstr)) : 0;
    std::string out(static_cast<std::size_t>(
                        WideCharToMultiByte(CP_ACP, 0, bstr, n, nullptr, 0, nullptr, nullptr)),
                    '\0');
    WideCharToMultiByte(CP_ACP, 0, bstr, n, out.data(), static_cast<int>(out.size()), nullptr,
                        nullptr);
    return out;
}

struct Bstr {
    explicit Bstr(const std::string& s) {
        const int n =
            MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
        b = SysAllocStringLen(nullptr, static_cast<UINT>(n));
        MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), b, n);
    }
    ~Bstr() { SysFreeString(b); }
    BSTR b;
};

ComPtr<IPagewright> CreateByProgId(const wchar_t* szProgId) {
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(szProgId, &clsid), S_OK);
    IPagewright* p = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPagewright,
                               reinterpret_cast<void**>(&p)),
              S_OK);
    return ComPtr<IPagewright>(p);
}

std::string ClassKey();
std::string RegValue(const std::string& strKey, const char* szName = nullptr);

// The module the registry names for the class, loaded once (COM loads the same file).
HMODULE Module() {
    static const HMODULE hModule = LoadLibraryA(RegValue(ClassKey() + "\\InprocServer32").c_str());
    EXPECT_NE(hModule, nullptr);
    return hModule;
}

template <class Fn> Fn Export(const char* szName) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Module(), szName)));
}
using NoArgFn = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

std::string RegValue(const std::string& strKey, const char* szName) {
    char buffer[1024];
    DWORD n = sizeof buffer;
    if (RegGetValueA(HKEY_CLASSES_ROOT, strKey.c_str(), szName, RRF_RT_REG_SZ, nullptr, buffer,
                     &n) != ERROR_SUCCESS)
        return "<missing>";
    return buffer;
}

std::string ClassKey() {
    wchar_t sz[64];
    StringFromGUID2(CLSID_Pagewright, sz, 64);
    char a[64];
    WideCharToMultiByte(CP_ACP, 0, sz, -1, a, sizeof a, nullptr, nullptr);
    return std::string("CLSID\\") + a;
}

// A fresh folder with a form file: pages go into the folder; style X is bold.
class Workspace {
public:
    Workspace() {
        m_dir = fs::temp_directory_path() /
                ("pagewright-wine-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(s_nNext++));
        fs::create_directories(m_dir);
        std::ofstream(m_dir / "test.frm")
            << "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = " << m_dir.string()
            << "\n[X]\n<BOLD>\n";
    }
    ~Workspace() {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string Dir() const { return m_dir.string(); }
    std::string Form() const { return (m_dir / "test.frm").string(); }

private:
    static inline int s_nNext = 0;
    fs::path m_dir;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// ---- the four methods, called early-bound or through IDispatch ----

enum class Binding { kVtable, kDispatchTyped, kDispatchVariant };

class Caller {
public:
    Caller(IPagewright* p, Binding binding) : m_p(p), m_binding(binding) {
        if (binding == Binding::kVtable)
            return;
        const wchar_t* names[] = {L"GenerateHTML", L"IsGeneratingFinished", L"GetHTMLFileName",
                                  L"Reset"};
        for (int i = 0; i < 4; ++i) {
            LPOLESTR name = const_cast<LPOLESTR>(names[i]);
            EXPECT_EQ(m_p->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &m_ids[i]), S_OK);
        }
    }

    int Generate(const std::string& text, const std::string& form, const std::string& section) {
        Bstr t(text), f(form), s(section);
        int nIndex = -1;
        if (m_binding == Binding::kVtable) {
            EXPECT_EQ(m_p->GenerateHTML(t.b, f.b, s.b, &nIndex), S_OK);
            return nIndex;
        }
        VARIANT args[4];
        for (VARIANT& v : args)
            VariantInit(&v);
        // Arguments go last to first.
        args[3].vt = VT_BSTR, args[3].bstrVal = t.b;
        args[2].vt = VT_BSTR, args[2].bstrVal = f.b;
        args[1].vt = VT_BSTR, args[1].bstrVal = s.b;
        VARIANT result;
        VariantInit(&result);
        SetOut(args[0], &nIndex, VT_I4, result);
        Call(m_ids[0], args, 4);
        return m_binding == Binding::kDispatchVariant ? result.lVal : nIndex;
    }

    LONG Finished() {
        LONG bFinished = -1;
        if (m_binding == Binding::kVtable) {
            EXPECT_EQ(m_p->IsGeneratingFinished(&bFinished), S_OK);
            return bFinished;
        }
        VARIANT arg, result;
        VariantInit(&result);
        SetOut(arg, &bFinished, VT_I4, result);
        Call(m_ids[1], &arg, 1);
        return m_binding == Binding::kDispatchVariant ? result.lVal : bFinished;
    }

    std::string FileName(int nIndex) {
        BSTR bstr = nullptr;
        if (m_binding == Binding::kVtable) {
            EXPECT_EQ(m_p->GetHTMLFileName(nIndex, &bstr), S_OK);
        } else {
            VARIANT args[2], result;
            VariantInit(&result);
            args[1].vt = VT_I4, args[1].lVal = nIndex;
            SetOut(args[0], &bstr, VT_BSTR, result);
            Call(m_ids[2], args, 2);
            if (m_binding == Binding::kDispatchVariant) {
                EXPECT_EQ(result.vt, VT_BSTR);
                bstr = result.vt == VT_BSTR ? result.bstrVal : nullptr;
            }
        }
        EXPECT_NE(bstr, nullptr); // an empty name is a BSTR of length 0, not null
        std::string s = Narrow(bstr);
        SysFreeString(bstr);
        return s;
    }

    void Reset() {
        if (m_binding == Binding::kVtable)
            EXPECT_EQ(m_p->Reset(), S_OK);
        else
            Call(m_ids[3], nullptr, 0);
    }

    bool WaitFinished() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Finished() == 1)
                return true;
            Sleep(20);
        }
        return false;
    }

private:
    // An out argument as a compiled client passes it (VT_BYREF|type) or as a script passes a
    // variable (VT_BYREF|VT_VARIANT).
    void SetOut(VARIANT& arg, void* pTyped, VARTYPE vt, VARIANT& variable) {
        if (m_binding == Binding::kDispatchVariant) {
            arg.vt = VT_BYREF | VT_VARIANT;
            arg.pvarVal = &variable;
        } else {
            arg.vt = VT_BYREF | vt;
            arg.byref = pTyped;
        }
    }

    void Call(DISPID id, VARIANT* args, UINT cArgs) {
        DISPPARAMS params{args, nullptr, cArgs, 0};
        UINT nArgErr = 0;
        EXPECT_EQ(m_p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                              nullptr, &nArgErr),
                  S_OK)
            << "DISPID 0x" << std::hex << id << ", argument " << nArgErr;
    }

    IPagewright* m_p;
    Binding m_binding;
    DISPID m_ids[4] = {};
};

class BindingTest : public ::testing::TestWithParam<Binding> {};

TEST_P(BindingTest, QueuesPollsNamesAndResets) {
    Workspace ws;
    for (const wchar_t* szProgId : {L"Pagewright.Pagewright", L"Pagewright.Pagewright.1"}) {
        SCOPED_TRACE(testing::Message() << "created as " << (szProgId[21] ? ".1" : "plain"));
        ComPtr<IPagewright> p = CreateByProgId(szProgId);
        ASSERT_TRUE(p);
        Caller c(p.get(), GetParam());
        // A new object: finished, nothing named.
        EXPECT_EQ(c.Finished(), 1);
        EXPECT_EQ(c.FileName(0), "");

        // Section layout (the section is missing: all paragraphs), inline styles, a failure.
        EXPECT_EQ(c.Generate("Hello<T>World", ws.Form(), "NO_SUCH_SECTION"), 0);
        EXPECT_EQ(c.Generate("<<X>>Inline<T>Plain", ws.Form(), "NO_SUCH_SECTION"), 1);
        EXPECT_EQ(c.Generate("Lost", ws.Dir() + "\\missing.frm", "NO_SUCH_SECTION"), 2);
        ASSERT_TRUE(c.WaitFinished());

        const std::string first = c.FileName(0), second = c.FileName(1);
        for (const auto& [name, word] : {std::pair{first, "Hello"}, std::pair{second, "Inline"}}) {
            EXPECT_EQ(fs::path(name).parent_path(), fs::path(ws.Dir()));
            EXPECT_EQ(fs::path(name).filename().string().substr(0, 4), "HTML");
            EXPECT_EQ(fs::path(name).extension(), ".htm");
            const std::string page = ReadAll(name);
            EXPECT_NE(page.find("<title>User Notification</title>"), std::string::npos) << name;
            EXPECT_NE(page.find(word), std::string::npos) << name;
        }
        EXPECT_EQ(c.FileName(2), "");

        c.Reset();
        EXPECT_FALSE(fs::exists(first));
        EXPECT_FALSE(fs::exists(second));
        EXPECT_EQ(c.Finished(), 1);
        EXPECT_EQ(c.FileName(0), "");
        EXPECT_EQ(c.Generate("Again", ws.Form(), "NO_SUCH_SECTION"), 0);
        ASSERT_TRUE(c.WaitFinished());
        c.Reset();
    }
}

std::string BindingName(const ::testing::TestParamInfo<Binding>& info) {
    static const char* const kNames[] = {"Vtable", "DispatchTyped", "DispatchVariant"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Bindings, BindingTest,
                         ::testing::Values(Binding::kVtable, Binding::kDispatchTyped,
                                           Binding::kDispatchVariant),
                         BindingName);

// ---- registration ----

TEST(Registration, WritesEveryEntryOfTheClass) {
    const std::string cls = ClassKey(), clsid = cls.substr(6);
    const struct {
        std::string key;
        const char* name;
        std::string data;
    } cases[] = {
        {"Pagewright.Pagewright.1", nullptr, "Pagewright Class"},
        {"Pagewright.Pagewright.1\\CLSID", nullptr, clsid},
        {"Pagewright.Pagewright", nullptr, "Pagewright Class"},
        {"Pagewright.Pagewright\\CLSID", nullptr, clsid},
        {"Pagewright.Pagewright\\CurVer", nullptr, "Pagewright.Pagewright.1"},
        {cls, nullptr, "Pagewright Class"},
        {cls + "\\ProgID", nullptr, "Pagewright.Pagewright.1"},
        {cls + "\\VersionIndependentProgID", nullptr, "Pagewright.Pagewright"},
        {cls + "\\InprocServer32", "ThreadingModel", "both"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RegValue(c.key, c.name), c.data) << c.key;
    char path[MAX_PATH];
    GetModuleFileNameA(Module(), path, MAX_PATH);
    EXPECT_EQ(RegValue(cls + "\\InprocServer32"), path);
}

TEST(Registration, ProgIdsNameTheSameClass) {
    CLSID a{}, b{};
    ASSERT_EQ(CLSIDFromProgID(L"Pagewright.Pagewright", &a), S_OK);
    ASSERT_EQ(CLSIDFromProgID(L"Pagewright.Pagewright.1", &b), S_OK);
    EXPECT_TRUE(IsEqualGUID(a, b));
    EXPECT_TRUE(IsEqualGUID(a, CLSID_Pagewright));
}

// Takes the registration away and puts it back, so the other tests may run after it.
TEST(Registration, UnregisterTwiceThenRegisterAgain) {
    ASSERT_TRUE(Module());
    const auto pfnUnregister = Export<NoArgFn>("DllUnregisterServer");
    const auto pfnRegister = Export<NoArgFn>("DllRegisterServer");
    ASSERT_TRUE(pfnUnregister && pfnRegister);
    EXPECT_EQ(pfnUnregister(), S_OK);
    EXPECT_EQ(pfnUnregister(), S_OK); // nothing left to remove: still S_OK
    for (const std::string& key : {std::string("Pagewright.Pagewright.1"),
                                   std::string("Pagewright.Pagewright"), ClassKey()}) {
        HKEY h = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h),
                  ERROR_FILE_NOT_FOUND)
            << key;
        if (h)
            RegCloseKey(h);
    }
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(L"Pagewright.Pagewright", &clsid), S_OK);
    // The type library stays registered.
    ITypeLib* pLib = nullptr;
    EXPECT_EQ(LoadRegTypeLib(LIBID_PAGEWRIGHTLib, 1, 0, LOCALE_NEUTRAL, &pLib), S_OK);
    if (pLib)
        pLib->Release();
    EXPECT_EQ(pfnRegister(), S_OK);
    EXPECT_EQ(CLSIDFromProgID(L"Pagewright.Pagewright", &clsid), S_OK);
}

// ---- the class object and the lock count ----

TEST(ClassObject, AnswersOnlyForItsClass) {
    const auto pfnGet = Export<GetClassObjectFn>("DllGetClassObject");
    ASSERT_TRUE(pfnGet);
    IClassFactory* pFactory = reinterpret_cast<IClassFactory*>(1);
    const CLSID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(pfnGet(other, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pFactory, nullptr);

    IClassFactory *pFirst = nullptr, *pSecond = nullptr;
    ASSERT_EQ(pfnGet(CLSID_Pagewright, IID_IClassFactory, reinterpret_cast<void**>(&pFirst)), S_OK);
    ASSERT_EQ(pfnGet(CLSID_Pagewright, IID_IUnknown, reinterpret_cast<void**>(&pSecond)), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(pFirst), static_cast<IUnknown*>(pSecond)); // made once
    EXPECT_EQ(pFirst->CreateInstance(nullptr, IID_IPagewright, nullptr), E_POINTER);
    pFirst->Release();
    pSecond->Release();
}

TEST(ClassObject, CanUnloadOnlyWithoutObjectsAndLocks) {
    const auto pfnCanUnload = Export<NoArgFn>("DllCanUnloadNow");
    const auto pfnGet = Export<GetClassObjectFn>("DllGetClassObject");
    ASSERT_TRUE(pfnCanUnload && pfnGet);
    IClassFactory* pFactory = nullptr;
    ASSERT_EQ(pfnGet(CLSID_Pagewright, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)),
              S_OK);
    EXPECT_EQ(pfnCanUnload(), S_OK);
    IUnknown* pObject = nullptr;
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&pObject)),
              S_OK);
    EXPECT_EQ(pfnCanUnload(), S_FALSE);
    pObject->Release();
    EXPECT_EQ(pfnCanUnload(), S_OK);
    EXPECT_EQ(pFactory->LockServer(TRUE), S_OK);
    EXPECT_EQ(pfnCanUnload(), S_FALSE);
    EXPECT_EQ(pFactory->LockServer(FALSE), S_OK);
    EXPECT_EQ(pfnCanUnload(), S_OK);
    pFactory->Release();
}

// An outer object that counts its references and hands out only itself.
class Outer final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualGUID(riid, IID_IUnknown)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return m_pInner ? m_pInner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_cRef; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_cRef; }
    ULONG m_cRef = 1;
    IUnknown* m_pInner = nullptr;
};

TEST(ClassObject, AggregatesOnlyThroughIUnknown) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(L"Pagewright.Pagewright", &clsid), S_OK);
    Outer outer;
    IUnknown* p = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(CoCreateInstance(clsid, &outer, CLSCTX_INPROC_SERVER, IID_IPagewright,
                               reinterpret_cast<void**>(&p)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(p, nullptr);

    ASSERT_EQ(CoCreateInstance(clsid, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&outer.m_pInner)),
              S_OK);
    // Interfaces reached through the inner object count on, and answer for, the outer one.
    IPagewright* pInterface = nullptr;
    ASSERT_EQ(
        outer.m_pInner->QueryInterface(IID_IPagewright, reinterpret_cast<void**>(&pInterface)),
        S_OK);
    EXPECT_EQ(outer.m_cRef, 2u);
    IUnknown* pIdentity = nullptr;
    ASSERT_EQ(pInterface->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pIdentity)), S_OK);
    EXPECT_EQ(pIdentity, static_cast<IUnknown*>(&outer));
    pIdentity->Release();
    LONG bFinished = 0;
    EXPECT_EQ(pInterface->IsGeneratingFinished(&bFinished), S_OK);
    EXPECT_EQ(bFinished, 1);
    pInterface->Release();
    EXPECT_EQ(outer.m_cRef, 1u);
    EXPECT_EQ(Export<NoArgFn>("DllCanUnloadNow")(), S_FALSE); // the inner object lives
    EXPECT_EQ(outer.m_pInner->Release(), 0u);
    EXPECT_EQ(Export<NoArgFn>("DllCanUnloadNow")(), S_OK);
}

// ---- IDispatch and the type library ----

TEST(Dispatch, NamesAndTypeInformation) {
    ComPtr<IPagewright> p = CreateByProgId(L"Pagewright.Pagewright");
    ASSERT_TRUE(p);
    const struct {
        const wchar_t* name;
        HRESULT hr;
        DISPID id;
    } names[] = {
        {L"GenerateHTML", S_OK, 0x60020000},
        {L"IsGeneratingFinished", S_OK, 0x60020001},
        {L"GetHTMLFileName", S_OK, 0x60020002},
        {L"Reset", S_OK, 0x60020003},
        {L"MakePage", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
    };
    for (const auto& n : names) {
        LPOLESTR name = const_cast<LPOLESTR>(n.name);
        DISPID id = 0;
        EXPECT_EQ(p->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), n.hr);
        EXPECT_EQ(id, n.id);
    }
    UINT nCount = 0;
    EXPECT_EQ(p->GetTypeInfoCount(&nCount), S_OK);
    EXPECT_EQ(nCount, 1u);
    EXPECT_EQ(p->GetTypeInfoCount(nullptr), E_POINTER);
    ITypeInfo* pInfo = nullptr;
    EXPECT_EQ(p->GetTypeInfo(1, LOCALE_USER_DEFAULT, &pInfo), DISP_E_BADINDEX);
    ASSERT_EQ(p->GetTypeInfo(0, LOCALE_USER_DEFAULT, &pInfo), S_OK);
    TYPEATTR* pAttr = nullptr;
    ASSERT_EQ(pInfo->GetTypeAttr(&pAttr), S_OK);
    EXPECT_TRUE(IsEqualGUID(pAttr->guid, IID_IPagewright));
    pInfo->ReleaseTypeAttr(pAttr);
    pInfo->Release();

    ISupportErrorInfo* pErrorInfo = nullptr;
    ASSERT_EQ(p->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&pErrorInfo)),
              S_OK);
    EXPECT_EQ(pErrorInfo->InterfaceSupportsErrorInfo(IID_IPagewright), S_OK);
    EXPECT_EQ(pErrorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    pErrorInfo->Release();
}

TEST(Dispatch, LibraryAndClassNamesAndHelpStrings) {
    ITypeLib* pLib = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_PAGEWRIGHTLib, 1, 0, LOCALE_NEUTRAL, &pLib), S_OK);
    const struct {
        const GUID* guid; // null: the library itself
        const char* name;
        const char* help;
    } cases[] = {
        {nullptr, "PAGEWRIGHTLib", "Pagewright 1.0 Type Library"},
        {&IID_IPagewright, "IPagewright", "IPagewright Interface"},
        {&CLSID_Pagewright, "CPagewright", "Pagewright Class"},
    };
    for (const auto& c : cases) {
        BSTR name = nullptr, help = nullptr;
        if (!c.guid) {
            EXPECT_EQ(pLib->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
        } else {
            ITypeInfo* pInfo = nullptr;
            ASSERT_EQ(pLib->GetTypeInfoOfGuid(*c.guid, &pInfo), S_OK) << c.name;
            EXPECT_EQ(pInfo->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
            pInfo->Release();
        }
        EXPECT_EQ(Narrow(name), c.name);
        EXPECT_EQ(Narrow(help), c.help);
        SysFreeString(name);
        SysFreeString(help);
    }
    TLIBATTR* pAttr = nullptr;
    ASSERT_EQ(pLib->GetLibAttr(&pAttr), S_OK);
    EXPECT_EQ(pAttr->wMajorVerNum, 1);
    EXPECT_EQ(pAttr->wMinorVerNum, 0);
    EXPECT_EQ(pAttr->lcid, 0u);
    pLib->ReleaseTLibAttr(pAttr);
    pLib->Release();
}

// The vtable slot of a virtual member function, read from GCC's pointer-to-member layout
// (the vtable offset plus one).
template <class Fn> std::ptrdiff_t SlotOffset(Fn pmf) {
    struct {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    } raw;
    static_assert(sizeof raw == sizeof pmf);
    std::memcpy(&raw, &pmf, sizeof raw);
    return static_cast<std::ptrdiff_t>(raw.ptr - 1);
}

TEST(Dispatch, TypeLibraryMatchesTheHeader) {
    ITypeLib* pLib = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_PAGEWRIGHTLib, 1, 0, LOCALE_NEUTRAL, &pLib), S_OK);
    ITypeInfo* pInfo = nullptr;
    ASSERT_EQ(pLib->GetTypeInfoOfGuid(IID_IPagewright, &pInfo), S_OK);
    pLib->Release();
    // A dual interface's own description is reached through its reference type.
    TYPEATTR* pAttr = nullptr;
    ASSERT_EQ(pInfo->GetTypeAttr(&pAttr), S_OK);
    if (pAttr->typekind == TKIND_DISPATCH) {
        HREFTYPE ref = 0;
        ITypeInfo* pVtable = nullptr;
        ASSERT_EQ(pInfo->GetRefTypeOfImplType(-1, &ref), S_OK);
        ASSERT_EQ(pInfo->GetRefTypeInfo(ref, &pVtable), S_OK);
        pInfo->ReleaseTypeAttr(pAttr);
        pInfo->Release();
        pInfo = pVtable;
        ASSERT_EQ(pInfo->GetTypeAttr(&pAttr), S_OK);
    }
    EXPECT_EQ(pAttr->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(pAttr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(pAttr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    EXPECT_TRUE(pAttr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(pAttr->cFuncs, 4);
    pInfo->ReleaseTypeAttr(pAttr);

    constexpr USHORT kIn = PARAMFLAG_FIN, kOut = PARAMFLAG_FOUT;
    const struct {
        const char* name;
        MEMBERID id;
        std::ptrdiff_t oVft;
        std::vector<std::pair<VARTYPE, USHORT>> params; // type (pointed-to for out) and flags
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
    // IDispatch's seven slots come first.
    EXPECT_EQ(cases[0].oVft, static_cast<std::ptrdiff_t>(7 * sizeof(void*)));
    for (UINT i = 0; i < 4; ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        FUNCDESC* pFunc = nullptr;
        ASSERT_EQ(pInfo->GetFuncDesc(i, &pFunc), S_OK);
        BSTR name = nullptr;
        UINT n = 0;
        pInfo->GetNames(pFunc->memid, &name, 1, &n);
        EXPECT_EQ(Narrow(name), c.name);
        SysFreeString(name);
        EXPECT_EQ(pFunc->memid, c.id);
        EXPECT_EQ(pFunc->oVft, c.oVft);
        EXPECT_EQ(pFunc->invkind, INVOKE_FUNC);
        EXPECT_EQ(pFunc->elemdescFunc.tdesc.vt, VT_HRESULT);
        EXPECT_EQ(pFunc->cParamsOpt, 0);
        ASSERT_EQ(pFunc->cParams, static_cast<SHORT>(c.params.size()));
        for (std::size_t k = 0; k < c.params.size(); ++k) {
            const ELEMDESC& e = pFunc->lprgelemdescParam[k];
            const bool bOut = c.params[k].second == kOut;
            EXPECT_EQ(e.paramdesc.wParamFlags, c.params[k].second) << "parameter " << k;
            const VARTYPE vt = bOut && e.tdesc.vt == VT_PTR ? e.tdesc.lptdesc->vt : e.tdesc.vt;
            EXPECT_EQ(bOut ? e.tdesc.vt : VARTYPE(VT_PTR), VARTYPE(VT_PTR)) << "parameter " << k;
            EXPECT_EQ(vt, c.params[k].first) << "parameter " << k;
        }
        pInfo->ReleaseFuncDesc(pFunc);
    }
    pInfo->Release();
}

TEST(Dispatch, RejectsWhatTheTypeLibraryRejects) {
    ComPtr<IPagewright> p = CreateByProgId(L"Pagewright.Pagewright");
    ASSERT_TRUE(p);
    BSTR bstrName = nullptr;
    LONG bFinished = 0;
    VARIANT notANumber[2], finished[1], name[2];
    notANumber[1].vt = VT_BSTR;
    notANumber[1].bstrVal = SysAllocString(L"not a number");
    notANumber[0].vt = VT_BYREF | VT_BSTR;
    notANumber[0].pbstrVal = &bstrName;
    finished[0].vt = VT_BYREF | VT_I4;
    finished[0].plVal = &bFinished;
    name[1].vt = VT_I4;
    name[1].lVal = 0;
    name[0] = notANumber[0];
    const struct {
        DISPID id;
        UINT cArgs;
        VARIANT* args;
        HRESULT hr;
    } cases[] = {
        {0x60020004, 0, nullptr, DISP_E_MEMBERNOTFOUND},
        {0x60020001, 0, nullptr, DISP_E_BADPARAMCOUNT},
        {0x60020002, 2, notANumber, DISP_E_TYPEMISMATCH},
        {0x60020001, 1, finished, S_OK},
        {0x60020002, 2, name, S_OK},
    };
    for (const auto& c : cases) {
        DISPPARAMS params{c.args, nullptr, c.cArgs, 0};
        UINT nArgErr = 0;
        EXPECT_EQ(p->Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                            nullptr, &nArgErr),
                  c.hr)
            << std::hex << c.id << " " << c.cArgs;
    }
    EXPECT_EQ(bFinished, 1);
    ASSERT_NE(bstrName, nullptr);
    EXPECT_EQ(SysStringLen(bstrName), 0u);
    SysFreeString(bstrName);
    SysFreeString(notANumber[1].bstrVal);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const int nResult = RUN_ALL_TESTS();
    CoUninitialize();
    return nResult;
}
