// What the processor offers beyond plain i686, for the few hot loops that
// have a faster build for it.
#pragma once

// Whether this processor runs SSE2 code; asked once per process.
bool CpuHasSse2();
