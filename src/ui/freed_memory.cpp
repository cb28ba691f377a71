#include "ui/freed_memory.h"

#include <QCoreApplication>
#include <QTimer>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vorel {
namespace {

// Long enough for a user paging through tabs to finish, short enough to be seen as prompt.
constexpr int kDelayMs = 500;
bool pending = false;

}  // namespace

void ReturnFreedMemorySoon() {
#if defined(__GLIBC__)
  if (pending || !QCoreApplication::instance()) return;
  pending = true;
  QTimer::singleShot(kDelayMs, QCoreApplication::instance(), [] {
    pending = false;
    malloc_trim(0);
  });
#endif
}

}  // namespace vorel
