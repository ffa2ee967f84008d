// One generator object as a host drives it (for the suites that link the component).
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "component/Pagewright.h"
#include "platform/bstr.h"
#include "platform/strconv.h"

namespace testsupport {

using Bstr = std::unique_ptr<OLECHAR, decltype(&SysFreeString)>;

// A null text stands for a null BSTR.
inline Bstr MakeBstr(const char* text) {
    return {text ? platform::BstrFromAnsi(text) : nullptr, &SysFreeString};
}
inline Bstr MakeBstr(const std::u16string& text) {
    const auto* p = reinterpret_cast<const OLECHAR*>(text.data());
    return {SysAllocStringLen(p, static_cast<UINT>(text.size())), &SysFreeString};
}

// Polls until pred holds or 20 seconds pass; pred is not called again once it holds.
template <class Pred> bool WaitUntil(Pred pred) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool bDone;
    while (!(bDone = pred()) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bDone;
}

class Host {
public:
    Host() {
        void* pv = nullptr;
        if (CreatePagewright(IID_IPagewright, &pv) == S_OK)
            m_p = static_cast<IPagewright*>(pv);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    // Jobs must not outlive the directories the test made for them.
    ~Host() {
        if (m_p) {
            WaitFinished();
            m_p->Release();
        }
    }
    IPagewright* Get() const { return m_p; }
    // Gives the object up without waiting for its jobs.
    void Abandon() {
        m_p->Release();
        m_p = nullptr;
    }

    // The request's index, or the HRESULT when the call fails.
    int Generate(const Bstr& text, const Bstr& form, const Bstr& section) {
        int nIndex = -1;
        const HRESULT hr = m_p->GenerateHTML(text.get(), form.get(), section.get(), &nIndex);
        return hr == S_OK ? nIndex : hr;
    }
    int Generate(const char* text, const char* form, const char* section = "LAYOUT") {
        return Generate(MakeBstr(text), MakeBstr(form), MakeBstr(section));
    }
    bool IsFinished() {
        LONG bDone = -1;
        return m_p->IsGeneratingFinished(&bDone) == S_OK && bDone == 1;
    }
    bool WaitFinished() {
        return WaitUntil([&] { return IsFinished(); });
    }
    std::string Name(int nIndex) {
        BSTR name = nullptr;
        if (m_p->GetHTMLFileName(nIndex, &name) != S_OK || !name)
            return "<no name>";
        std::string strName = platform::BstrToAnsi(name);
        SysFreeString(name);
        return strName;
    }

private:
    IPagewright* m_p = nullptr;
};

// The opening every page has when the form file names no background picture.
inline const std::string kPlainHead =
    "<html><head><title>User Notification</title></head><body bgcolor=\"#FFFFFF\">";

} // namespace testsupport
