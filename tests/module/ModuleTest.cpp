// The module at its boundary, as hosts see it: libpagewright.so on Linux (with the class
// registry in a temporary file) and PAGEWRIGHT.DLL under Wine (with the real registry and COM).
#include <gtest/gtest.h>

#include <tuple>

#include "component/DispatchIds.h"
#include "component/Pagewright.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "tests/support/Host.h"
#include "tests/support/TestSupport.h"

#ifdef _WIN32
#include <oleauto.h>
#else
#include <dlfcn.h>

#include "module/host/ComHost.h"
#endif

namespace {

namespace reg = platform::registry;

const std::string kClsid = "{9E2A6F31-0C4D-4A8E-B5F7-13C8D2E6A907}";
const std::string kClassKey = "CLSID\\" + kClsid;

std::string Value(const std::string& key, const std::string& name = "") {
    std::string data;
    return reg::GetString(key, name, data) == ERROR_SUCCESS ? data : "<missing>";
}

// Through the system's COM on Windows, through the host library's registry lookup elsewhere.
#ifdef _WIN32
HRESULT CreateByProgId(const char* szProgId, REFIID riid, void** ppv) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CLSID clsid{};
    const HRESULT hr = CLSIDFromProgID(testsupport::MakeBstr(szProgId).get(), &clsid);
    return FAILED(hr) ? hr : CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, riid, ppv);
}
#else
const auto& CreateByProgId = host::CreateInstanceFromProgId;
#endif

// PAGEWRIGHT_MODULE: the module file as this system's host names it (under Wine, on drive Z:).
class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        reg::SetRegistryFile(m_tmp.File("registry")); // Windows keeps its own
        ASSERT_NE(m_hModule = platform::library::Load(PAGEWRIGHT_MODULE), nullptr);
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    }
    void* Symbol(const char* sz) { return platform::library::FindExport(m_hModule, sz); }
    void* m_hModule = nullptr;

    HRESULT Call(const char* szName) {
        return reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(Symbol(szName))();
    }
    static VARIANT Arg(VARTYPE vt, void* p) {
        VARIANT v{};
        v.vt = vt;
        v.byref = p;
        return v;
    }
    // Invokes a method with its in arguments (last first, as DISPPARAMS holds them) and, unless vt
    // is VT_EMPTY, an out argument as a compiled client passes it (VT_BYREF|vt) or as a script does
    // (VT_BYREF|VT_VARIANT). The out value comes back as text.
    static std::string Invoke(IDispatch* p, bool bScript, DISPID id, VARTYPE vt,
                              std::vector<VARIANT> args = {}) {
        VARIANT out = Arg(vt, nullptr), var = Arg(VT_EMPTY, nullptr);
        if (vt != VT_EMPTY)
            args.insert(args.begin(), bScript ? Arg(VT_BYREF | VT_VARIANT, &var)
                                              : Arg(VT_BYREF | vt, &out.byref));
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        EXPECT_EQ(p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                            nullptr, nullptr),
                  S_OK)
            << "DISPID 0x" << std::hex << id;
        VARIANT& v = bScript ? var : out;
        EXPECT_TRUE(vt != VT_BSTR || (v.vt == VT_BSTR && v.bstrVal)); // no name: a BSTR of length 0
        const std::string text =
            v.vt == VT_BSTR ? platform::BstrToAnsi(v.bstrVal) : std::to_string(v.lVal);
        VariantClear(&v);
        return text;
    }

    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void* ppv) {
        using Fn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        return reinterpret_cast<Fn>(Symbol("DllGetClassObject"))(clsid, riid,
                                                                 static_cast<void**>(ppv));
    }

    testsupport::TempDir m_tmp;
};

#ifndef _WIN32
// First of the suite: once a process has seen the library registered, it trusts it.
TEST_F(ModuleTest, LateBoundCallsNeedTheTypeLibraryRegistered) {
    reg::SetRegistryFile(m_tmp.File("empty-registry"));
    IClassFactory* pFactory = nullptr;
    IPagewright* p = nullptr;
    ASSERT_EQ(GetClassObject(CLSID_Pagewright, IID_IClassFactory, &pFactory), S_OK);
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IPagewright, reinterpret_cast<void**>(&p)),
              S_OK);
    pFactory->Release();
    std::u16string name = u"Reset";
    LPOLESTR pName = name.data();
    DISPID id = 0;
    EXPECT_EQ(p->GetIDsOfNames(IID_NULL, &pName, 1, LOCALE_USER_DEFAULT, &id),
              TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(p->Reset(), S_OK); // early binding needs no registration
    p->Release();
}
#endif

TEST_F(ModuleTest, RegistrationWritesEveryEntryAndUnregistrationTwiceRemovesTheClass) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
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
        {"TypeLib\\{6C3B8E1F-2A47-4D95-8E0B-7F14C9A2D563}\\1.0", "", "Pagewright 1.0 Type Library"},
    };
    for (const auto& [key, name, data] : cases)
        EXPECT_EQ(Value(key, name), data) << key << " " << name;
    for (int i = 0; i < 2; ++i) // the second time nothing is left: still S_OK
        EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
    for (const auto& [key, name, data] : cases) // all but the type library go
        EXPECT_EQ(Value(key, name), key.starts_with("TypeLib") ? data : "<missing>") << key;
    void* pv = nullptr;
    EXPECT_TRUE(FAILED(CreateByProgId("Pagewright.Pagewright", IID_IUnknown, &pv)));
    EXPECT_EQ(Call("DllRegisterServer"), S_OK); // as the other tests expect it
}

// An outer object that counts its references and answers only for its own identity.
struct Outer final : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!IsEqualGUID(riid, IID_IUnknown))
            return pInner->QueryInterface(riid, ppv);
        *ppv = this;
        return AddRef(), S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++nRef; }
    ULONG STDMETHODCALLTYPE Release() override { return --nRef; }
    ULONG nRef = 1;
    IUnknown* pInner = nullptr;
};

TEST_F(ModuleTest, ClassObjectLockCountAndAggregation) {
    void* pv = &pv;
    EXPECT_EQ(GetClassObject(IID_IPagewright, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    IClassFactory* pFactory = nullptr;
    ASSERT_EQ(GetClassObject(CLSID_Pagewright, IID_IClassFactory, &pFactory), S_OK);
    EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IClassFactory, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK); // the failed query left no object
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IUnknown, &pv), S_OK);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    static_cast<IUnknown*>(pv)->Release();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    for (BOOL bLock : {TRUE, TRUE, FALSE})
        EXPECT_EQ(pFactory->LockServer(bLock), S_OK);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    EXPECT_EQ(pFactory->LockServer(FALSE), S_OK);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);

    Outer outer;
    EXPECT_EQ(pFactory->CreateInstance(&outer, IID_IPagewright, &pv), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(pv, nullptr);
    ASSERT_EQ(
        pFactory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.pInner)),
        S_OK);
    pFactory->Release();
    EXPECT_EQ(outer.nRef, 1u); // the inner object holds no reference on its outer one
    // Interfaces reached through the inner object count on, and answer for, the outer one.
    IPagewright* p = nullptr;
    ASSERT_EQ(outer.pInner->QueryInterface(IID_IPagewright, reinterpret_cast<void**>(&p)), S_OK);
    EXPECT_EQ(outer.nRef, 2u);
    ASSERT_EQ(p->QueryInterface(IID_IUnknown, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<IUnknown*>(&outer));
    p->Release();
    outer.Release();
    EXPECT_EQ(outer.nRef, 1u);
    EXPECT_EQ(outer.pInner->Release(), 0u);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
}

TEST_F(ModuleTest, DispatchThroughBothProgIds) {
    const std::string dir = m_tmp.Path().string(), form = m_tmp.File("test.frm");
    testsupport::WriteFile(form, "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = " + dir + "\n");
    const platform::ScopedBstr text("Hello<T>World"), path(form), section("NO_SUCH_SECTION");
    const VARIANT index0 = Arg(VT_I4, nullptr); // the first request
    for (auto [szProgId, bScript] :
         {std::pair{"Pagewright.Pagewright", false}, {"Pagewright.Pagewright.1", true}}) {
        SCOPED_TRACE(szProgId);
        IDispatch* p = nullptr;
        ASSERT_EQ(CreateByProgId(szProgId, IID_IDispatch, reinterpret_cast<void**>(&p)), S_OK);
        std::u16string names[] = {u"GenerateHTML", u"IsGeneratingFinished", u"GetHTMLFileName",
                                  u"Reset", u"MakePage"};
        // The published numbers, which compiled scripts keep: a changed header fails here.
        for (DISPID i = 0; i < 5; ++i) {
            LPOLESTR name = reinterpret_cast<LPOLESTR>(names[i].data());
            DISPID id = 0;
            EXPECT_EQ(p->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id),
                      i < 4 ? S_OK : DISP_E_UNKNOWNNAME);
            EXPECT_EQ(id, i < 4 ? 0x60020000 + i : DISPID_UNKNOWN);
        }
        UINT nCount = 0;
        EXPECT_EQ(std::pair(p->GetTypeInfoCount(&nCount), nCount), std::pair(S_OK, 1u));
        EXPECT_EQ(p->GetTypeInfoCount(nullptr), E_POINTER);
        ITypeInfo* pInfo = nullptr;
        EXPECT_EQ(p->GetTypeInfo(1, LOCALE_USER_DEFAULT, &pInfo), DISP_E_BADINDEX);

        EXPECT_EQ(Invoke(p, bScript, PAGEWRIGHT_DISPID_GENERATEHTML, VT_I4,
                         {Arg(VT_BSTR, section.Get()), Arg(VT_BSTR, path.Get()),
                          Arg(VT_BSTR, text.Get())}),
                  "0");
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            return Invoke(p, bScript, PAGEWRIGHT_DISPID_ISGENERATINGFINISHED, VT_I4) == "1";
        }));
        const std::string page =
            Invoke(p, bScript, PAGEWRIGHT_DISPID_GETHTMLFILENAME, VT_BSTR, {index0});
        EXPECT_TRUE(page.starts_with(dir + "/HTML") && page.ends_with(".htm")) << page;
        EXPECT_NE(testsupport::ReadFile(page).find("Hello"), std::string::npos) << page;
        // A number that names no member reaches no method: Reset would delete the page.
        DISPPARAMS none{};
        EXPECT_EQ(p->Invoke(PAGEWRIGHT_DISPID_RESET + 1, IID_NULL, LOCALE_USER_DEFAULT,
                            DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
                  DISP_E_MEMBERNOTFOUND);
        // Too few arguments are refused before any is read.
        EXPECT_TRUE(
            FAILED(p->Invoke(PAGEWRIGHT_DISPID_GETHTMLFILENAME, IID_NULL, LOCALE_USER_DEFAULT,
                             DISPATCH_METHOD, &none, nullptr, nullptr, nullptr)));
        EXPECT_TRUE(testsupport::FileExists(page));
        Invoke(p, bScript, PAGEWRIGHT_DISPID_RESET, VT_EMPTY);
        EXPECT_FALSE(testsupport::FileExists(page));
        EXPECT_EQ(Invoke(p, bScript, PAGEWRIGHT_DISPID_GETHTMLFILENAME, VT_BSTR, {index0}), "");
        p->Release();
    }
}

#ifdef _WIN32

// "name|help string" of a library or type.
template <class T> std::string Doc(T* p) {
    BSTR name = nullptr, help = nullptr;
    EXPECT_EQ(p->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    const std::string text = platform::BstrToAnsi(name) + "|" + platform::BstrToAnsi(help);
    SysFreeString(name);
    SysFreeString(help);
    return text;
}

// Late-bound calls above go through the registered type library for every member, slot and
// argument; left is how it describes itself to type browsers.
TEST_F(ModuleTest, TypeLibraryDescribesADualInterface) {
    ITypeLib* pLib = nullptr;
    ITypeInfo *pClass = nullptr, *pDispatch = nullptr, *pInfo = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_PAGEWRIGHTLib, 1, 0, LOCALE_NEUTRAL, &pLib), S_OK);
    ASSERT_EQ(pLib->GetTypeInfoOfGuid(CLSID_Pagewright, &pClass), S_OK);
    ASSERT_EQ(pLib->GetTypeInfoOfGuid(IID_IPagewright, &pDispatch), S_OK);
    EXPECT_EQ(Doc(pLib), "PAGEWRIGHTLib|Pagewright 1.0 Type Library");
    EXPECT_EQ(Doc(pClass), "CPagewright|Pagewright Class");
    EXPECT_EQ(Doc(pDispatch), "IPagewright|IPagewright Interface");
    // A dual interface's vtable description is the one its dispatch description refers to.
    HREFTYPE ref = 0;
    ASSERT_EQ(pDispatch->GetRefTypeOfImplType(-1, &ref), S_OK);
    ASSERT_EQ(pDispatch->GetRefTypeInfo(ref, &pInfo), S_OK);
    TYPEATTR* pAttr = nullptr;
    ASSERT_EQ(pInfo->GetTypeAttr(&pAttr), S_OK);
    constexpr int kFlags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
    EXPECT_EQ(std::tuple(pAttr->typekind, pAttr->wTypeFlags & kFlags, pAttr->cFuncs),
              std::tuple(TKIND_INTERFACE, kFlags, 4));
    pInfo->ReleaseTypeAttr(pAttr);
    for (IUnknown* p : std::initializer_list<IUnknown*>{pLib, pClass, pDispatch, pInfo})
        p->Release();
}

#else

TEST_F(ModuleTest, RegistryErrorsStopRegistration) {
    namespace fs = std::filesystem;
    fs::create_directory(m_tmp.File("blocked")); // a folder where the file should be
    // A link where the lock file goes is not followed to make the file it names.
    fs::create_symlink(m_tmp.File("made-through-the-link"), m_tmp.File("linked.lock"));
    for (const char* szFile : {"blocked", "linked"}) {
        reg::SetRegistryFile(m_tmp.File(szFile));
        const HRESULT hr = Call("DllRegisterServer");
        EXPECT_EQ(static_cast<std::uint32_t>(hr) & 0xFFFF0000u, 0x80070000u) << szFile << hr;
        EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
    }
    EXPECT_FALSE(fs::exists(m_tmp.File("made-through-the-link")) ||
                 fs::exists(m_tmp.File("linked")));
}

// Worker threads may still run in the module after its last object is gone.
TEST_F(ModuleTest, ExportsOnlyTheEntryPointsAndStaysMapped) {
    EXPECT_EQ(Symbol("_Z21LivePagewrightObjectsv"), nullptr);
    ASSERT_TRUE(platform::library::Unload(m_hModule));
    m_hModule = dlopen(PAGEWRIGHT_MODULE, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(m_hModule, nullptr);
}

#endif

} // namespace
