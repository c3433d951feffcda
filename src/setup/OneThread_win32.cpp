// The few POSIX thread calls that the C++ runtime makes in the installer
// (once-initialisation, thread-local keys and mutexes for exception
// handling), on the Win32 API. Defined here, they keep the threads library
// (about 25 KiB) out of the stub. The installer runs its code on one thread;
// these are still safe on several, but key destructors never run (the
// runtime's per-thread exception data lives until the process ends).
#include <errno.h>
#include <stdint.h>

#include "platform/win32/WinHeader.h"

namespace {

// A mutex handle: a critical section, made on first use for the library's
// static initialisers (negative values).
CRITICAL_SECTION* Section(intptr_t* m) {
  intptr_t v = __atomic_load_n(m, __ATOMIC_ACQUIRE);
  if (v > 0) return reinterpret_cast<CRITICAL_SECTION*>(v);
  auto* cs =
      static_cast<CRITICAL_SECTION*>(HeapAlloc(GetProcessHeap(), 0, sizeof(CRITICAL_SECTION)));
  InitializeCriticalSection(cs);
  if (__atomic_compare_exchange_n(m, &v, reinterpret_cast<intptr_t>(cs), false, __ATOMIC_ACQ_REL,
                                  __ATOMIC_ACQUIRE))
    return cs;
  DeleteCriticalSection(cs);  // another thread was first
  HeapFree(GetProcessHeap(), 0, cs);
  return reinterpret_cast<CRITICAL_SECTION*>(v);
}

}  // namespace

extern "C" {

int pthread_once(long* once, void (*init)(void)) {
  long expected = 0;
  if (__atomic_compare_exchange_n(once, &expected, 1, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) {
    init();
    __atomic_store_n(once, 2, __ATOMIC_RELEASE);
  } else {
    while (__atomic_load_n(once, __ATOMIC_ACQUIRE) != 2) Sleep(0);
  }
  return 0;
}

int pthread_key_create(unsigned* key, void (*)(void*)) {
  DWORD k = TlsAlloc();
  if (k == TLS_OUT_OF_INDEXES) return EAGAIN;
  *key = k;
  return 0;
}

void* pthread_getspecific(unsigned key) {
  DWORD error = GetLastError();  // TlsGetValue clears it; callers may still want it
  void* value = TlsGetValue(key);
  SetLastError(error);
  return value;
}

int pthread_setspecific(unsigned key, const void* value) {
  return TlsSetValue(key, const_cast<void*>(value)) ? 0 : ENOMEM;
}

int pthread_mutex_init(intptr_t* m, const void*) {
  *m = -1;
  Section(m);
  return 0;
}

int pthread_mutex_lock(intptr_t* m) {
  EnterCriticalSection(Section(m));
  return 0;
}

int pthread_mutex_unlock(intptr_t* m) {
  LeaveCriticalSection(Section(m));
  return 0;
}

int pthread_mutex_destroy(intptr_t* m) {
  intptr_t v = *m;
  if (v > 0) {
    DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(v));
    HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(v));
  }
  *m = -1;
  return 0;
}

}  // extern "C"
