// A stand-in for libtinfo.so.6 that jarmenu is linked against and never runs with: the six calls
// libedit makes of it, with no symbol versions, so that the program requires none (CMakeLists.txt).
// At run time the system's own libtinfo.so.6 is loaded.
extern "C" {
int tgetent(char*, const char*) { return -1; }
int tgetflag(const char*) { return 0; }
int tgetnum(const char*) { return -1; }
char* tgetstr(const char*, char**) { return nullptr; }
char* tgoto(const char*, int, int) { return nullptr; }
int tputs(const char*, int, int (*)(int)) { return -1; }
}
