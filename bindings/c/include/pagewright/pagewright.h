/* Pagewright for C hosts: one generator object, its requests and their pages, in plain C.
 *
 * A generator is the same object that COM hosts drive through IPagewright, on the same engine:
 * every page, page name and failure reason is byte for byte the one IPagewright gives for the
 * same request. Each request runs as a job on a worker thread of its own; the calls below queue
 * requests, wait for them (woken the moment a job hands its result back, no polling) and read
 * their results.
 *
 *     pagewright_generator *g = pagewright_new();
 *     int index = pagewright_generate(g, text, strlen(text), "notice.frm", "NOTICE");
 *     pagewright_wait_request(g, index, -1);
 *     char *page = pagewright_page(g, index);     (NULL: see pagewright_reason)
 *     ...
 *     pagewright_free(page);
 *     pagewright_destroy(g);                      (the page stays on disk)
 *
 * Strings are UTF-8, in and out. On Linux any other byte is carried through unchanged as well,
 * so texts, form files and paths in another encoding reach the page and come back as they are.
 *
 * Threads: every function may be called from any thread, and several threads may call into the
 * same generator at once, except pagewright_destroy, which must be the last call on it.
 *
 * Ownership: strings passed in stay the caller's and are copied before the call returns (a
 * text file named by pagewright_generate_file is read later, see there). Every char * returned
 * is a new string that the caller owns and releases with pagewright_free; the string of
 * pagewright_version is static.
 *
 * Request indexes count 0, 1, 2 ... for each generator, from its creation or its last
 * pagewright_reset, in the order the requests were queued, whatever thread queued them.
 *
 * Link with -lpagewright (pkg-config --libs pagewright, or the CMake target
 * Pagewright::pagewright). C99 or later; the header also compiles as C++. */
#ifndef PAGEWRIGHT_PAGEWRIGHT_H
#define PAGEWRIGHT_PAGEWRIGHT_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A generator object. Opaque: only the functions below touch it. */
typedef struct pagewright_generator pagewright_generator;

/* A new generator with no requests. NULL when memory ran out. Release it with
 * pagewright_destroy. */
pagewright_generator* pagewright_new(void);

/* Queues one page: text_len bytes of markup text from text (they may hold NUL bytes), the path
 * of the form file and the name of the layout section, which a text naming its own styles does
 * not use. Returns before the page is made, once the previous request's worker has taken its
 * request (it is woken the moment that happens).
 * A NULL form_path or section counts as the empty string, as a null BSTR does for IPagewright:
 * the request is queued, and one without a form file fails with the reason
 * "no form file given (the path is empty)". A NULL text with text_len 0 is the empty text.
 * Returns the request's index (>= 0), or -1 when nothing was queued: g is NULL, text is NULL
 * with a nonzero text_len, the text is too long for one request (2^31 UTF-16 units or more,
 * 2 GB of ASCII: pagewright_generate_file has no such limit), or memory or a worker thread
 * could not be had. */
int pagewright_generate(pagewright_generator* g, const char* text, size_t text_len,
                        const char* form_path, const char* section);

/* Queues one page whose text is the file text_path, as pagewright_generate does otherwise (the
 * same index sequence, the same results; NULL paths count as the empty string). The file is
 * not read by this call: the request's worker reads it, whole and as its bytes stand, so it
 * must stay in place, unchanged, until the request has finished. A file that cannot be read
 * makes no page, with the reason
 *     cannot open the text file "PATH": <the system's description of the error>
 * (or "cannot read", for an error part-way). Returns the index, or -1 as pagewright_generate. */
int pagewright_generate_file(pagewright_generator* g, const char* text_path, const char* form_path,
                             const char* section);

/* Waits until every request queued has finished (made its page or failed), requests that
 * other threads queue meanwhile included. It sleeps until a job hands its result back, for at
 * most timeout_ms milliseconds on the monotonic clock; timeout_ms < 0 waits without a limit and
 * 0 only looks (values beyond 2^31 - 1, about 24.8 days, count as that).
 * Returns 1: every request has finished (at once when none runs); 0: the time ran out first;
 * -1: g is NULL. */
int pagewright_wait(pagewright_generator* g, long timeout_ms);

/* The same, for request index alone, whatever the other requests do. A pagewright_reset during
 * the wait ends it with 1 as well: reset lets every request finish before it clears them.
 * Returns 1: the request has finished; 0: the time ran out first; -1: g is NULL, or no request
 * index has been queued since creation or the last reset. */
int pagewright_wait_request(pagewright_generator* g, int index, long timeout_ms);

/* The path of the page that request index made: HTML_DEST_DIR as the form file gives it, with a
 * '/' added when it ends in neither '/' nor '\', then the page's name (relative, to the
 * process's current directory, when HTML_DEST_DIR is). NULL when there is none: the request
 * made no page, is still running, or index is unknown (never queued, or cleared by reset), or
 * g is NULL, or memory ran out. Free it with pagewright_free. */
char* pagewright_page(pagewright_generator* g, int index);

/* Why request index made no page: one line naming the step and the place (form file and line,
 * section and line, or offset in the text), the reason IPagewrightDiagnostics gives. NULL when
 * there is none: the request made its page, is still running, or index is unknown, or g is
 * NULL, or memory ran out. Free it with pagewright_free. */
char* pagewright_reason(pagewright_generator* g, int index);

/* As IPagewright::Reset: waits, without a limit, for every request; deletes every page the
 * requests made (a page that cannot be deleted is logged once, "Could Not Delete File!", and
 * forgotten); clears the results and counts requests from 0 again. Strings already returned
 * stay valid. Does nothing when g is NULL. */
void pagewright_reset(pagewright_generator* g);

/* Releases the generator. It does not wait: requests still running finish on their own, and
 * every page stays on disk (pagewright_reset first to delete them). Does nothing when g is
 * NULL. g must not be used again, by any thread. */
void pagewright_destroy(pagewright_generator* g);

/* Releases a string returned above. Does nothing when p is NULL. */
void pagewright_free(void* p);

/* The library's version, "MAJOR.MINOR.PATCH" (for instance "1.0.0"): a static string, not to be
 * freed. */
const char* pagewright_version(void);

#ifdef __cplusplus
}
#endif

#endif /* PAGEWRIGHT_PAGEWRIGHT_H */
