// The Windows DLL carries its own copy of libstdc++, linked in so that the
// module imports nothing but system DLLs. That copy takes its emergency
// exception pool (about 73 KB) from the C runtime's heap, which the DLL shares
// with the host, when the DLL is loaded, and never gives it back: each load
// and unload would leave one pool behind in the host. The runtime's own
// release hook frees it; this destructor, run at unload like every static
// destructor of the module, calls it.
//
// Only for a privately linked libstdc++ (the mingw toolchain files define
// QOR_STATIC_LIBSTDCXX): a shared libstdc++ DLL's pool belongs to every module
// that uses it.
#include <version>  // defines __GLIBCXX__ for libstdc++

#if defined(_WIN32) && defined(__GLIBCXX__) && defined(QOR_STATIC_LIBSTDCXX)

namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {

struct CRuntimeRelease {
  CRuntimeRelease() = default;
  CRuntimeRelease(const CRuntimeRelease&) = delete;
  CRuntimeRelease& operator=(const CRuntimeRelease&) = delete;
  ~CRuntimeRelease() { __gnu_cxx::__freeres(); }
};

CRuntimeRelease g_runtimeRelease;

}  // namespace

#endif
