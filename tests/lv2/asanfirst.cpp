// Preloaded after the ASan runtime into an uninstrumented host whose UI
// module is instrumented. The runtime only initialises on the first
// malloc, and in a GTK host that is inside libgpg-error's constructor,
// under glibc's gettext lock; the runtime's start-up then calls dlerror(),
// which translates its message through gettext, takes the same lock again
// and leaves it broken, so gtk_init deadlocks. Taking bindtextdomain over
// lets the runtime start before that lock is held. Built without
// sanitizers: this code runs before the runtime is ready.

#include <cstdlib>
#include <dlfcn.h>

extern "C" __attribute__((visibility("default"))) char* bindtextdomain(const char* domain, const char* folder)
{
	using Function = char* (*)(const char*, const char*);
	static Function next = nullptr;
	std::free(std::malloc(1));
	if (!next)
		next = reinterpret_cast<Function>(dlsym(RTLD_NEXT, "bindtextdomain"));
	return next ? next(domain, folder) : nullptr;
}
