/* Compiled as C99 with every warning on: the header must stay plain C. */
#include "pagewright/pagewright.h"

/* One use of each declaration, so that a prototype C rejects fails this build. */
int pagewright_header_check(void);
int pagewright_header_check(void) {
    pagewright_generator* g = pagewright_new();
    int index = pagewright_generate(g, "", 0, NULL, NULL);
    char *page = pagewright_page(g, index), *reason = pagewright_reason(g, index);
    int done = pagewright_wait(g, -1L) + pagewright_wait_request(g, index, 0L) +
               pagewright_generate_file(g, NULL, NULL, NULL);
    pagewright_free(page);
    pagewright_free(reason);
    pagewright_reset(g);
    pagewright_destroy(g);
    return done + (pagewright_version()[0] != '\0');
}
