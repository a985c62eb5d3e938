// The program-wide WinINet root handle that every fetch of the Windows build
// connects under. Windows builds only.
#pragma once

#include <windows.h>
#include <wininet.h>

namespace norvique {

// Makes the root handle: InternetOpenA with the fixed user agent for direct
// access. Null when WinINet refuses.
HINTERNET OpenRootHandle();

// The function that the first fetch past the address split calls to make the
// root handle, and every later fetch while there is none. Tests put a
// counting or failing one in place; the previous one is returned.
using RootHandleOpener = HINTERNET (*)();
RootHandleOpener SetRootHandleOpener(RootHandleOpener opener);

}  // namespace norvique
