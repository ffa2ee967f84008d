// The C API (include/pagewright/pagewright.h): a host of the generator object like any other.
// Every call goes to the object's own interfaces, so a request runs exactly as a COM host's
// does; this file only turns C strings into BSTRs and back, and HRESULTs into the documented
// results. No exception leaves it.
#include "pagewright/pagewright.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "component/Pagewright.h"
#include "platform/bstr.h"
#include "platform/strconv.h"

struct pagewright_generator {
    IPagewright* pGenerator = nullptr;
    IPagewrightFiles* pFiles = nullptr;
    IPagewrightDiagnostics* pDiagnostics = nullptr;
    IPagewrightWait* pWait = nullptr;

    ~pagewright_generator() {
        for (IUnknown* p : {static_cast<IUnknown*>(pWait), static_cast<IUnknown*>(pDiagnostics),
                            static_cast<IUnknown*>(pFiles), static_cast<IUnknown*>(pGenerator)})
            if (p)
                p->Release();
    }
};

namespace {

// A BSTR of UTF-8 text, freed with the object. A null C string stays a null BSTR, which the
// object reads as the empty string; Failed() tells a text that could not be converted.
class CBstr {
public:
    CBstr(const char* sz, std::size_t nLength)
        : m_bstr(sz ? platform::BstrFromUtf8(std::string_view(sz, nLength)) : nullptr),
          m_bFailed(sz && !m_bstr) {}
    explicit CBstr(const char* sz) : CBstr(sz, sz ? std::strlen(sz) : 0) {}
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    ~CBstr() { SysFreeString(m_bstr); }
    BSTR Get() const { return m_bstr; }
    bool Failed() const { return m_bFailed; }

private:
    BSTR m_bstr;
    bool m_bFailed;
};

// The BSTR as a string the caller frees with pagewright_free (malloc'ed), and frees the BSTR.
// NULL for an empty or null BSTR, or when memory ran out.
char* TakeString(BSTR bstr) {
    char* sz = nullptr;
    try {
        const std::string text = platform::BstrToUtf8(bstr);
        if (!text.empty() && (sz = static_cast<char*>(std::malloc(text.size() + 1))) != nullptr)
            std::memcpy(sz, text.c_str(), text.size() + 1);
    } catch (const std::bad_alloc&) {
    }
    SysFreeString(bstr);
    return sz;
}

LONG TimeoutArgument(long nTimeoutMs) {
    if (nTimeoutMs < 0)
        return -1;
    return nTimeoutMs > static_cast<long>(INT_MAX) ? INT_MAX : static_cast<LONG>(nTimeoutMs);
}

int WaitResult(HRESULT hr) {
    return hr == S_OK ? 1 : hr == S_FALSE ? 0 : -1;
}

} // namespace

extern "C" {

pagewright_generator* pagewright_new(void) {
    auto* g = new (std::nothrow) pagewright_generator;
    if (!g)
        return nullptr;
    // Each interface pointer holds a reference on the one object.
    if (FAILED(CreatePagewright(IID_IPagewright, reinterpret_cast<void**>(&g->pGenerator))) ||
        FAILED(g->pGenerator->QueryInterface(IID_IPagewrightFiles,
                                             reinterpret_cast<void**>(&g->pFiles))) ||
        FAILED(g->pGenerator->QueryInterface(IID_IPagewrightDiagnostics,
                                             reinterpret_cast<void**>(&g->pDiagnostics))) ||
        FAILED(g->pGenerator->QueryInterface(IID_IPagewrightWait,
                                             reinterpret_cast<void**>(&g->pWait)))) {
        delete g;
        return nullptr;
    }
    return g;
}

int pagewright_generate(pagewright_generator* g, const char* text, size_t text_len,
                        const char* form_path, const char* section) {
    if (!g || (!text && text_len != 0))
        return -1;
    const CBstr bstrText(text, text_len), bstrForm(form_path), bstrSection(section);
    if (bstrText.Failed() || bstrForm.Failed() || bstrSection.Failed())
        return -1;
    int nIndex = -1;
    const HRESULT hr =
        g->pGenerator->GenerateHTML(bstrText.Get(), bstrForm.Get(), bstrSection.Get(), &nIndex);
    return hr == S_OK ? nIndex : -1;
}

int pagewright_generate_file(pagewright_generator* g, const char* text_path, const char* form_path,
                             const char* section) {
    if (!g)
        return -1;
    const CBstr bstrPath(text_path), bstrForm(form_path), bstrSection(section);
    if (bstrPath.Failed() || bstrForm.Failed() || bstrSection.Failed())
        return -1;
    int nIndex = -1;
    const HRESULT hr =
        g->pFiles->GenerateHTMLFromFile(bstrPath.Get(), bstrForm.Get(), bstrSection.Get(), &nIndex);
    return hr == S_OK ? nIndex : -1;
}

int pagewright_wait(pagewright_generator* g, long timeout_ms) {
    return g ? WaitResult(g->pWait->WaitForAll(TimeoutArgument(timeout_ms))) : -1;
}

int pagewright_wait_request(pagewright_generator* g, int index, long timeout_ms) {
    return g ? WaitResult(g->pWait->WaitForRequest(index, TimeoutArgument(timeout_ms))) : -1;
}

char* pagewright_page(pagewright_generator* g, int index) {
    BSTR bstr = nullptr;
    if (!g || g->pGenerator->GetHTMLFileName(index, &bstr) != S_OK)
        return nullptr;
    return TakeString(bstr);
}

char* pagewright_reason(pagewright_generator* g, int index) {
    if (!g)
        return nullptr;
    BSTR bstr = nullptr;
    if (g->pDiagnostics->GetFailureReason(index, &bstr) != S_OK) {
        SysFreeString(bstr); // the empty string that comes with S_FALSE
        return nullptr;
    }
    return TakeString(bstr);
}

void pagewright_reset(pagewright_generator* g) {
    if (g)
        g->pGenerator->Reset();
}

void pagewright_destroy(pagewright_generator* g) {
    delete g;
}

void pagewright_free(void* p) {
    std::free(p);
}

const char* pagewright_version(void) {
    return PAGEWRIGHT_VERSION;
}

} // extern "C"
