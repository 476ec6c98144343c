// Under LeakSanitizer (the sanitizer build), leaks that are the PostgreSQL ODBC driver's own are not ours to fix:
// psqlODBC keeps a few hundred bytes per connection that it never frees. Compiled into each test program and each
// child program of the tests that may load the driver, and into corvane-cli in the sanitizer build.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:psqlodbca.so\nleak:psqlodbcw.so\nleak:libpq.so\n";
}
