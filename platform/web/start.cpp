// Linked into every program of the web build (platform/web/page.cmake): the
// machine as a program expects to find it when it starts.
#include <sys/stat.h>

namespace {

// emscripten's C library starts with a umask of 0777 (its file systems
// never apply one), so a new file's bits worked out from the umask would be
// none at all: the next write of save.dat would be refused and a reload
// could not read it. 022, as a desktop session has.
[[gnu::constructor]] void UsualUmask() { ::umask(022); }

}  // namespace
