// Pagewright for C++ hosts: the C API (pagewright/pagewright.h) as classes. Header-only, C++17.
//
//     std::filesystem::path page = pagewright::make_page(text, "notice.frm", "NOTICE");
//
// or, for a batch on one generator:
//
//     pagewright::Generator gen;
//     std::vector<pagewright::Request> requests;
//     for (const std::string& text : texts)
//         requests.push_back(gen.generate(text, "notice.frm", "NOTICE"));
//     for (const pagewright::Request& r : requests)
//         if (pagewright::Page p = r.get(); p.ok())
//             use(p.path());
//         else
//             report(p.reason());
//
// Every page, page name and reason is the one the C API and IPagewright give. Strings are
// UTF-8 (on Linux, other bytes are carried through as they are); paths are
// std::filesystem::path. Threads: as in the C API, a Generator may be used from several threads
// at once, except that it must not be destroyed or moved from while another thread uses it.
#pragma once

#include <pagewright/pagewright.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace pagewright {

// A request that made no page (what() is its reason), or one that could not be queued.
class Error : public std::runtime_error {
public:
    Error(const std::string& reason, int index) : std::runtime_error(reason), m_index(index) {}
    // The request's index, or -1 when nothing was queued.
    int index() const noexcept { return m_index; }

private:
    int m_index;
};

namespace detail {

inline std::string to_utf8(const std::filesystem::path& path) {
#ifdef _WIN32
    const auto text = path.u8string(); // std::u8string from C++20 on
    return std::string(text.begin(), text.end());
#else
    return path.native(); // the bytes as the system has them
#endif
}

inline std::filesystem::path from_utf8(const char* text) {
#if defined(_WIN32) && defined(__cpp_char8_t)
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(text)));
#elif defined(_WIN32)
    return std::filesystem::u8path(text);
#else
    return std::filesystem::path(text);
#endif
}

// A string the C API returned, as a std::string; freed in any case.
inline std::string take(char* text) {
    struct Free {
        char* p;
        ~Free() { pagewright_free(p); }
    } owner{text};
    return text ? std::string(text) : std::string();
}

inline long to_millis(std::chrono::milliseconds timeout) {
    return timeout.count() < 0          ? -1L
           : timeout.count() > LONG_MAX ? LONG_MAX
                                        : static_cast<long>(timeout.count());
}

} // namespace detail

// The result of a finished request: the page's path, or the reason it made none.
class Page {
public:
    bool ok() const noexcept { return !m_path.empty(); }
    // Empty when the request made no page.
    const std::filesystem::path& path() const noexcept { return m_path; }
    // Empty when the request made its page.
    const std::string& reason() const noexcept { return m_reason; }
    int index() const noexcept { return m_index; }

private:
    friend class Request;
    Page(std::filesystem::path path, std::string reason, int index)
        : m_path(std::move(path)), m_reason(std::move(reason)), m_index(index) {}

    std::filesystem::path m_path;
    std::string m_reason;
    int m_index;
};

// One queued request. It refers to its Generator, which must outlive it (or be moved into a
// Generator that does), and names its request until the Generator's next reset().
class Request {
public:
    int index() const noexcept { return m_index; }

    // Waits, without a limit, for this request only, and gives its result. A request that a
    // reset() cleared meanwhile gives a Page that is not ok(), and says so.
    Page get() const {
        if (pagewright_wait_request(m_generator, m_index, -1) == 1) {
            if (char* page = pagewright_page(m_generator, m_index))
                return Page(detail::from_utf8(detail::take(page).c_str()), {}, m_index);
            if (char* reason = pagewright_reason(m_generator, m_index))
                return Page({}, detail::take(reason), m_index);
        }
        return Page({},
                    "request " + std::to_string(m_index) +
                        " has no result: its generator was reset, or it failed without a reason",
                    m_index);
    }

    // Waits at most timeout for this request; true when it has finished.
    bool wait_for(std::chrono::milliseconds timeout) const {
        return pagewright_wait_request(m_generator, m_index, detail::to_millis(timeout)) == 1;
    }

private:
    friend class Generator;
    Request(pagewright_generator* generator, int index) : m_generator(generator), m_index(index) {}

    pagewright_generator* m_generator;
    int m_index;
};

// A generator object. Destroying it does not wait: requests still running finish on their
// own, and their pages stay on disk (reset() deletes them). A Generator that was moved from has
// no object: generate() throws, wait() returns at once.
class Generator {
public:
    // Throws std::bad_alloc when the object cannot be created.
    Generator() : m_generator(pagewright_new()) {
        if (!m_generator)
            throw std::bad_alloc();
    }
    Generator(Generator&& other) noexcept
        : m_generator(std::exchange(other.m_generator, nullptr)) {}
    Generator& operator=(Generator&& other) noexcept {
        if (this != &other) {
            pagewright_destroy(m_generator);
            m_generator = std::exchange(other.m_generator, nullptr);
        }
        return *this;
    }
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;
    ~Generator() { pagewright_destroy(m_generator); }

    // Queues one page: the markup text, the form file and the layout section. Throws Error
    // (index -1) when nothing could be queued.
    Request generate(std::string_view text, const std::filesystem::path& form,
                     std::string_view section) {
        return queued(pagewright_generate(m_generator, text.data(), text.size(),
                                          detail::to_utf8(form).c_str(),
                                          std::string(section).c_str()));
    }

    // The same with the text read from text_path by the request's worker: leave the file in
    // place until the request has finished.
    Request generate_file(const std::filesystem::path& text_path, const std::filesystem::path& form,
                          std::string_view section) {
        return queued(pagewright_generate_file(m_generator, detail::to_utf8(text_path).c_str(),
                                               detail::to_utf8(form).c_str(),
                                               std::string(section).c_str()));
    }

    // Waits, without a limit, until every request has finished.
    void wait() { pagewright_wait(m_generator, -1); }
    // Waits at most timeout; true when every request has finished.
    bool wait_for(std::chrono::milliseconds timeout) {
        return pagewright_wait(m_generator, detail::to_millis(timeout)) == 1;
    }

    // Waits for every request, deletes their pages and counts requests from 0 again.
    void reset() { pagewright_reset(m_generator); }

    // The C API's generator, still owned by this object.
    pagewright_generator* handle() const noexcept { return m_generator; }

private:
    Request queued(int index) {
        if (index < 0)
            throw Error("the request was not queued: no generator (moved from), no memory or "
                        "worker thread, or a text too long for one request",
                        -1);
        return Request(m_generator, index);
    }

    pagewright_generator* m_generator;
};

// One page in one call: the path of the page made, which stays on disk. Throws Error, with the
// reason as what(), when the request made no page.
inline std::filesystem::path make_page(std::string_view text, const std::filesystem::path& form,
                                       std::string_view section) {
    Generator generator;
    Page page = generator.generate(text, form, section).get();
    if (!page.ok())
        throw Error(page.reason(), page.index());
    return page.path();
}

} // namespace pagewright
