// Sanitizer settings for every test program, asked for by name by the
// sanitizers: the leaks of system libraries that the toolkit cannot free,
// and what UndefinedBehaviorSanitizer does on a finding.

extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions()
{
	// libxcb-imdkit 1.0.4 allocates a request for each key event it
	// forwards to an input method and drops it once sent: 80 bytes a key
	// event, only while an input method runs. Later releases free it.
	return "leak:xcb_xim_forward_event\n";
}

// A stack trace, then the end of the program. (The tests' environment
// carries only the AddressSanitizer options.)
extern "C" const char* __ubsan_default_options();

extern "C" const char* __ubsan_default_options()
{
	return "print_stacktrace=1:halt_on_error=1";
}
